; The Lorvane installer. The dist target (packaging/MakeDist.cmake) builds it and defines:
;   VERSION   the program's version, a.b.c.d (the CMake project's, as in Lorvane.exe)
;   STAGE     folder holding Lorvane.exe and its data folders, laid out as installed
;   FILELIST  generated list of Delete/RMDir lines that remove exactly those files
;   ICON      the application icon
;   OUTFILE   the setup program to write
;
; Per-user by default (no administrator prompt) into the user's programs folder; for all
; users into Program Files with /AllUsers or the first page, when run as administrator.
; Silent use: setup.exe /S [/AllUsers|/CurrentUser] [/AUTOSTART=0|1] [/DISPLAY=0|1] [/D=folder]
;             Uninstall.exe /S [/REMOVESETTINGS]

!ifndef VERSION | STAGE | FILELIST | ICON | OUTFILE
  !error "VERSION, STAGE, FILELIST, ICON and OUTFILE must be defined (see packaging/MakeDist.cmake)"
!endif

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WinMessages.nsh
!include nsDialogs.nsh

!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lorvane"
; FOLDERID_UserProgramFiles: %LOCALAPPDATA%\Programs
!define FOLDERID_UserProgramFiles {5CD7AEE2-2219-4A67-B85D-6C9CE15660CB}

Name "Lorvane"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Lorvane"
BrandingText "Lorvane ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Lorvane"
VIAddVersionKey /LANG=1033 "FileDescription" "Lorvane Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright © 2026 The Lorvane developers"

Var Mode       ; CurrentUser or AllUsers
Var IsAdmin    ; 1 when the process may write Program Files and HKLM
Var Closed     ; path of a running Lorvane.exe that the setup closed (started again after a silent upgrade)
Var Updating   ; 1 when this folder already holds an installation of this scope
Var ModeAll    ; the mode page's radio buttons
Var ModeMine

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

Page custom ModePageShow ModePageLeave
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Lorvane.exe"
; The guide is a page with its pictures inside; the default browser opens it.
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\Guide.html"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Open the user's &guide"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------------------------------------
; Shared by the setup and the uninstaller.

; Asks every running Lorvane to close (it saves its settings then) and waits until its process
; has ended, so that its files can be replaced or removed. Leaves the closed program's path in
; $Closed.
!macro CLOSE_LORVANE UN
Function ${UN}CloseLorvane
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $3 0
  ${Do}
    FindWindow $0 "TMainForm" "Lorvane"
    ${If} $0 = 0
    ${OrIf} $3 >= 5
      ${Break}
    ${EndIf}
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
    ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION
    System::Call 'kernel32::OpenProcess(i 0x00101000, i 0, i r1) p .r2'
    ${If} $2 P<> 0
      System::Call 'kernel32::QueryFullProcessImageNameW(p r2, i 0, w .r1, *i ${NSIS_MAX_STRLEN})'
      StrCpy $Closed $1
    ${EndIf}
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=10000
    ${If} $2 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i 10000)'
      System::Call 'kernel32::CloseHandle(p r2)'
    ${Else}
      Sleep 1000
    ${EndIf}
    IntOp $3 $3 + 1
  ${Loop}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro CLOSE_LORVANE ""
!insertmacro CLOSE_LORVANE "un."

!macro CHECK_ADMIN
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $IsAdmin 1
  ${Else}
    StrCpy $IsAdmin 0
  ${EndIf}
!macroend

; ---------------------------------------------------------------------------------------------
; Setup (.onInit follows the sections whose flags it sets)

Function UseCurrentUser
  StrCpy $Mode CurrentUser
  SetShellVarContext current
  GetKnownFolderPath $INSTDIR ${FOLDERID_UserProgramFiles}
  ${If} $INSTDIR == ""
    StrCpy $INSTDIR "$LOCALAPPDATA\Programs"
  ${EndIf}
  StrCpy $INSTDIR "$INSTDIR\Lorvane"
  ReadRegStr $0 HKCU "${UNINST_KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

Function UseAllUsers
  StrCpy $Mode AllUsers
  SetShellVarContext all
  StrCpy $INSTDIR "$PROGRAMFILES64\Lorvane"
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

; The Startup shortcut is the user's own (the one the settings dialog manages), whatever the
; scope of the installation.
Function StartupShortcutExists
  SetShellVarContext current
  ${If} ${FileExists} "$SMSTARTUP\Lorvane.lnk"
    Push 1
  ${Else}
    Push 0
  ${EndIf}
  ${If} $Mode == AllUsers
    SetShellVarContext all
  ${EndIf}
FunctionEnd

Function ModePageShow
  ; Without administrator rights there is nothing to choose.
  ${If} $IsAdmin <> 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Choose Users" "Choose for whom to install Lorvane."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 24u "Lorvane can be installed for you alone, without administrator rights, or for every user of this computer."
  Pop $0
  ${NSD_CreateRadioButton} 10u 34u -10u 12u "Only for &me"
  Pop $ModeMine
  ${NSD_CreateRadioButton} 10u 50u -10u 12u "For &all users of this computer (into Program Files)"
  Pop $ModeAll
  ${If} $Mode == AllUsers
    ${NSD_Check} $ModeAll
  ${Else}
    ${NSD_Check} $ModeMine
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $ModeAll $0
  ${If} $0 = ${BST_CHECKED}
    Call UseAllUsers
  ${Else}
    Call UseCurrentUser
  ${EndIf}
FunctionEnd

Section "Lorvane (required)" SecMain
  SectionIn RO
  StrCpy $Closed ""
  ReadRegStr $0 SHCTX "${UNINST_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $Updating 1
  ${Else}
    StrCpy $Updating 0
  ${EndIf}
  Call CloseLorvane
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  ; Each user's settings live in their application data. An update keeps the mode the
  ; folder already has: a changed mode points at where the user's settings are.
  ClearErrors
  ReadINIStr $0 "$INSTDIR\Lorvane.ini" "System" "UserMode"
  ${If} ${Errors}
    WriteINIStr "$INSTDIR\Lorvane.ini" "System" "UserMode" "1"
  ${EndIf}
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateShortcut "$SMPROGRAMS\Lorvane.lnk" "$INSTDIR\Lorvane.exe" "" "$INSTDIR\Lorvane.exe" 0

  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayName" "Lorvane"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayIcon" "$\"$INSTDIR\Lorvane.exe$\",0"
  WriteRegStr SHCTX "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINST_KEY}" "UninstallString" "$\"$INSTDIR\Uninstall.exe$\""
  WriteRegStr SHCTX "${UNINST_KEY}" "QuietUninstallString" "$\"$INSTDIR\Uninstall.exe$\" /S"
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD SHCTX "${UNINST_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Start automatically when Windows starts up" SecAutostart
  ; An update keeps the shortcut as the settings dialog last wrote it (its wait included); a
  ; new installation makes it start this program, wherever an old one pointed.
  Call StartupShortcutExists
  Pop $0
  ${If} $0 = 0
  ${OrIf} $Updating <> 1
    ; The settings dialog's own form: the program, no argument (no wait), no working folder.
    SetShellVarContext current
    Push $OUTDIR
    StrCpy $OUTDIR ""
    CreateShortcut "$SMSTARTUP\Lorvane.lnk" "$INSTDIR\Lorvane.exe"
    Pop $OUTDIR
    ${If} $Mode == AllUsers
      SetShellVarContext all
    ${EndIf}
  ${EndIf}
SectionEnd

; Off unless chosen: the on-screen display is an offer, not a change of the program's defaults.
Section /o "Show the volume on the screen when it changes" SecDisplay
  ; Into the settings file of the user running the setup, where the folder's mode keeps it.
  ReadINIStr $0 "$INSTDIR\Lorvane.ini" "System" "UserMode"
  ${If} $0 == "0"
    WriteINIStr "$INSTDIR\Lorvane.ini" "Display" "Enabled" "1"
  ${ElseIf} $0 == "1"
    SetShellVarContext current
    CreateDirectory "$APPDATA\Lorvane"
    WriteINIStr "$APPDATA\Lorvane\Lorvane.ini" "Display" "Enabled" "1"
    ${If} $Mode == AllUsers
      SetShellVarContext all
    ${EndIf}
  ${EndIf}
SectionEnd

Section "-Finish"
  ${IfNot} ${SectionIsSelected} ${SecAutostart}
    SetShellVarContext current
    Delete "$SMSTARTUP\Lorvane.lnk"
    ${If} $Mode == AllUsers
      SetShellVarContext all
    ${EndIf}
  ${EndIf}
  ; A silent update starts the program again when it had to close it.
  ${If} ${Silent}
  ${AndIf} $Closed == "$INSTDIR\Lorvane.exe"
    Exec '"$INSTDIR\Lorvane.exe"'
  ${EndIf}
SectionEnd

Function .onInit
  !insertmacro CHECK_ADMIN
  ${GetParameters} $R0
  Call UseCurrentUser
  ; An existing installation for all users is updated in place when that is possible.
  ReadRegStr $0 HKCU "${UNINST_KEY}" "InstallLocation"
  ReadRegStr $1 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 == ""
  ${AndIf} $1 != ""
  ${AndIf} $IsAdmin = 1
    Call UseAllUsers
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CurrentUser" $0
  ${IfNot} ${Errors}
    Call UseCurrentUser
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/AllUsers" $0
  ${IfNot} ${Errors}
    ${If} $IsAdmin <> 1
      MessageBox MB_OK|MB_ICONSTOP "Installing Lorvane for all users needs administrator rights: start the setup with $\"Run as administrator$\"." /SD IDOK
      SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
      Quit
    ${EndIf}
    Call UseAllUsers
  ${EndIf}

  ; Start with Windows: on an update as it was, otherwise on; /AUTOSTART=0 or 1 decides.
  ReadRegStr $0 SHCTX "${UNINST_KEY}" "InstallLocation"
  ${If} $0 != ""
    Call StartupShortcutExists
    Pop $0
    ${If} $0 = 0
      !insertmacro UnselectSection ${SecAutostart}
    ${EndIf}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/AUTOSTART=" $0
  ${IfNot} ${Errors}
    ${If} $0 = 0
      !insertmacro UnselectSection ${SecAutostart}
    ${Else}
      !insertmacro SelectSection ${SecAutostart}
    ${EndIf}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/DISPLAY=" $0
  ${IfNot} ${Errors}
  ${AndIf} $0 = 1
    !insertmacro SelectSection ${SecDisplay}
  ${EndIf}
FunctionEnd

; ---------------------------------------------------------------------------------------------
; Uninstaller

Section "-un.Close"
  Call un.CloseLorvane
SectionEnd

Section "un.Lorvane (required)" UnSecMain
  SectionIn RO
  !include "${FILELIST}"
  Delete "$INSTDIR\Uninstall.exe"
  ; In portable mode (0) the file in the program folder holds the user's settings.
  ClearErrors
  ReadINIStr $0 "$INSTDIR\Lorvane.ini" "System" "UserMode"
  IntOp $0 $0 & 255
  ${If} ${Errors}
  ${OrIf} $0 <> 0
    Delete "$INSTDIR\Lorvane.ini"
  ${EndIf}
  Delete "$SMPROGRAMS\Lorvane.lnk"
  SetShellVarContext current
  Delete "$SMSTARTUP\Lorvane.lnk"
  ${If} $Mode == AllUsers
    SetShellVarContext all
  ${EndIf}
  DeleteRegKey SHCTX "${UNINST_KEY}"
  RMDir "$INSTDIR"
SectionEnd

Section /o "un.Remove my settings" UnSecSettings
  SetShellVarContext current
  RMDir /r "$APPDATA\Lorvane"
  ${If} $Mode == AllUsers
    SetShellVarContext all
  ${EndIf}
  RMDir /r "$INSTDIR\Users"
  Delete "$INSTDIR\Lorvane.ini"
  RMDir "$INSTDIR"
SectionEnd

Function un.onInit
  !insertmacro CHECK_ADMIN
  ; The scope is the one whose uninstall entry names this folder.
  StrCpy $Mode CurrentUser
  SetShellVarContext current
  ReadRegStr $0 HKCU "${UNINST_KEY}" "InstallLocation"
  ReadRegStr $1 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 != $INSTDIR
  ${AndIf} $1 == $INSTDIR
    ${If} $IsAdmin <> 1
      MessageBox MB_OK|MB_ICONSTOP "Lorvane was installed for all users: removing it needs administrator rights. Start the uninstaller with $\"Run as administrator$\"." /SD IDOK
      SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
      Quit
    ${EndIf}
    StrCpy $Mode AllUsers
    SetShellVarContext all
  ${EndIf}
  ${GetParameters} $R0
  ClearErrors
  ${un.GetOptions} $R0 "/REMOVESETTINGS" $0
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecSettings}
  ${EndIf}
FunctionEnd
