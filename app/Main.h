#pragma once
// TMainForm: the program's main window. It owns all run-time state and every component for
// the whole run; its implementation is split by concern (MainStartup.cpp, MainActions.cpp…).

#include "ActionList.h"
#include "AppLevelChange.h"
#include "AppWheelTable.h"
#include "AudioSessions.h"
#include "Bindings.h"
#include "BarLayout.h"
#include "DpiManager.h"
#include "Folders.h"
#include "HotKeyManager.h"
#include "KeyBoardEvents.h"
#include "Help.h"
#include "Language.h"
#include "MasterVolume.h"
#include "OnScreenDisplay.h"
#include "Menu.h"
#include "Settings.h"
#include "SettingsModel.h"
#include "StartupShortcut.h"
#include "SysMouseEvents.h"
#include "SystemInfo.h"
#include "TextList.h"
#include "Timer.h"
#include "TrackBarEx.h"
#include "TrayPresentation.h"
#include "VolumeStep.h"
#include "WheelCapture.h"
#include "Window.h"

#include <climits>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace lorvane {

class TOptionForm;

enum class SoundMode { None, Delayed, Immediate };

// How the feedback sound reaches the speakers; tests record the calls instead.
struct TFeedbackSoundPlayer {
    // Each says whether the system accepted the request; the program never reports it.
    std::function<bool(const std::wstring& file)> PlayFile; // asynchronous
    std::function<bool()> StopFile;
    std::function<bool()> Beep; // the system default beep
    static TFeedbackSoundPlayer System();
};

class TMainForm : public fw::Window, public fw::TComponent {
public:
    // The command tail decides between a normal start, a delayed start and command mode.
    explicit TMainForm(std::wstring commandTail);
    ~TMainForm() override;

    // Creates the hidden window and its components, then runs FormCreate.
    bool Create();
    // Closes the window (FormCloseQuery first), which ends the message loop.
    void Close();

    // 0, or for a command-mode process 1 when its verb was not understood and 2 when the
    // system refused what it asked for.
    int ExitCode() const noexcept { return exitCode; }

    // Start-up, verbs, restart and close.
    void FormCreate();
    void FormStart();
    bool ExecuteVerb(const std::wstring& text, bool quiet);
    bool RunCommandLine(const std::wstring& text);
    void RestartActionExecute(fw::TObject* sender);
    void CloseActionExecute(fw::TObject* sender);
    void FormCloseQuery();
    void FormDestroy();
    StartupShortcut ReadStartupShortcut();
    bool WriteStartupShortcut(const StartupShortcut& shortcut);

    // Settings file; each does nothing when the file name is empty.
    int ReadUserMode(const std::wstring& file);
    void MigrateSettings(const std::wstring& file);
    void LoadSettings(const std::wstring& file);
    bool SaveSettings(const std::wstring& file); // false when nothing was written
    void MakeSettingsFolder();                   // when the settings mode has a folder of its own

    // Actions.
    void EnterBusy();
    void LeaveBusy();
    int BusyCount() const noexcept { return busyCount; }
    // At once, or queued when QueInterval is not 0; false only without an action.
    bool RunAction(fw::TAction* action);
    bool RunActionByName(const std::wstring& name);
    bool RunActionAt(int position);
    // The step rules of the settings; the step about to be made also extends its burst.
    StepRules BeginStep();
    void StepVolume(int direction, SoundMode mode, bool skipRules);
    void SetVolumeLevel(long long level, SoundMode mode, bool skipRules);
    void SetMuteState(bool on, bool silent, bool delayed);
    bool ResetVolume(bool silent, bool delayed);
    bool RunToolCommand(const std::wstring& command);
    void PlayFeedbackSound();
    void ScheduleFeedbackSound();
    void CancelFeedbackSound();
    // Recreate the preset and tool actions for the model's lists, at their fixed positions.
    void RebuildPresets();
    void RebuildTools();
    void RefreshActionStates();
    // The name of the playback device a "Device:" + ID command switches to; empty for any other.
    std::wstring ToolDeviceName(const std::wstring& command) const;
    // The interval settings given to their timers.
    void ApplyTimerSettings();

    void MasterVolumeChange(fw::TObject* sender, TVolumeChange change);

    // Tray icon presentation (MainTray.cpp); each does nothing before the deferred start.
    void LoadIconSet(const std::wstring& name);
    void UpdateTrayIcon(bool balloon, unsigned balloonTime, unsigned balloonDelay);
    std::wstring FormatVolumeText(int level, const std::wstring& format, bool withDevice) const;
    // The file the named set would show now; the tray icon's picture stays.
    std::wstring IconPreview(const std::wstring& setName);
    void ChangeIconDpi(int oldDpi, int newDpi);
    // Created by the deferred start. The presentation refers to the icon: declared after it,
    // it is destroyed before it.
    std::unique_ptr<TNotifyIcon> NotifyIcon;
    std::unique_ptr<TTrayPresentation> Tray;
    // The pop-up volume bar connects here: whether it is shown, and its refresh after a change.
    std::function<bool()> PopupBarVisible;
    std::function<void()> RefreshPopupBar;

    // The on-screen display (MainDisplay.cpp), made at its first need. Own changes show at
    // once with the level asked for; the endpoint's notifications show others (when the
    // settings want them) and own device switches.
    std::unique_ptr<display::TOnScreenDisplay> Display;
    void ShowLevelDisplay(bool own);
    // An application's level changed through the program: its name, icon (not owned) and level.
    void ShowApplicationDisplay(const std::wstring& name, HICON icon, int percent, bool muted);
    // What the display shows for a level and mute state (the settings' preview draws it too).
    display::TDisplayContent DisplayContent(int percent, bool muted, const std::wstring& title) const;
    display::TDisplayLook DisplayLook() const;
    void ApplyDisplaySettings();

    // Language texts (MainLanguage.cpp). The table holds the composed message texts; every
    // user-visible text is read from it or from the actions' captions.
    TTextList Texts;
    void SelectLanguage(const std::wstring& name);
    void ApplyLanguage(const std::wstring& file, bool force);
    void ChooseHelpFile();
    const std::wstring& LanguageName() const noexcept { return languageName; }
    // False when the pop-up menus must not add accelerators of their own (a language whose
    // volume-up caption does not start with a Latin letter).
    bool MenuAutoHotkeys = true;
    // The font of the main window and its menus; OnMainFontChange hears of a new one.
    HFONT MainFont();
    std::function<void()> OnMainFontChange;
    // The application's help file (empty: no help) and the help launcher.
    std::wstring HelpFile;
    std::unique_ptr<THtmlHelp> HtmlHelp;
    // Opens the help file at a keyword (the settings page's caption), or at its contents when
    // the keyword is empty; false without a help file or when the viewer refused.
    bool ShowHelp(const std::wstring& keyword);
    // The settings dialog's warnings: shows text txDlgMouse or txDlgMenu with the action's hint,
    // clears MessageDlg when the box was checked; true only for Yes.
    bool ConfirmWarning(int textIndex, const std::wstring& actionHint);
    // Tells the user that the settings just applied did not reach the file: text txDlgSave,
    // txDlgSaveUnread (once per opening of the dialog) or txDlgApply, with the file's name.
    void ReportSaveFailure(int textIndex = txDlgSave);
    // Tells why the settings dialog refused to apply (text `textIndex`): the warning box with
    // OK alone, always shown, nothing to silence.
    void ReportOptionRefusal(int textIndex);
    // The settings dialog (MainOption.cpp); at most one exists, created when it opens.
    void ShowOptionForm(const std::wstring& page);
    void FillOptionForm();
    bool ApplyOptionForm(bool fromOk); // false when the user declined a warning
    // ApplyOptionForm that never throws: a failure half-way is told, and gives nothing.
    std::optional<bool> TryApplyOptionForm(bool fromOk) noexcept;
    bool CloseOptionForm();            // the dialog's close query
    void TranslateOptionForm(const std::wstring& file, bool force);
    std::unique_ptr<TOptionForm> OptionForm;
    // Answers the settings warnings instead of the warning box (tests): returns IDYES or
    // IDNO and sets `checked` as "do not show again" was left.
    std::function<int(const std::wstring& text, bool& checked)> OptionWarningBox;
    // The list editors' part of filling and applying (MainOptionEditors.cpp).
    void FillOptionEditors();
    void ApplyOptionLists();    // menu items, icon set, presets, tools
    void ApplyOptionBindings(); // mouse bindings and hotkeys, then the registration
    bool OptionMouseWarningDue();
    bool OptionSettingsShownInMenu();
    // The Keyboard list marks every hotkey the system refused in the current registration.
    void MarkRefusedHotKeys();

    // Pop-up menus and the pop-up volume bar (MainMenus.cpp). The bar is this window.
    std::unique_ptr<fw::TPopupMenu> MainPopupMenu;
    std::unique_ptr<fw::TPopupMenu> VolumePopupMenu;
    std::unique_ptr<fw::TPopupMenu> ToolPopupMenu;
    std::unique_ptr<fw::TPopupMenu> DevicePopupMenu;
    std::unique_ptr<support::TDpiManager> DpiManager;
    std::unique_ptr<support::TTrackBarEx> VolumeBar;
    HWND VolumeLabel = nullptr; // children of this window
    HWND MuteBox = nullptr;
    HWND MuteTip = nullptr; // the box's hint; owned by this window, which takes it along
    // Creates the bar's controls (once) and takes its default size from their layout.
    void CreateVolumeBar();
    // The start leaves the bar unbuilt; the first need builds it, as the start would have.
    void DeferVolumeBar();
    void EnsureVolumeBar();
    // The size still waits for the bar's layout (no settings file named it).
    bool BarSizeUnresolved() const noexcept;
    static constexpr int kBarSizeFromLayout = INT_MIN;
    void ApplyVolumeBarSize();
    // The resolution the bar is laid out for, and a length of it in pixels at 96 DPI.
    int BarDpi() const noexcept;
    int BarDesignSize(int pixels) const noexcept;
    void ShowVolumeBar(int x, int y, bool useWorkArea, TBarAlign align);
    void HideVolumeBar();
    bool VolumeBarShowing() const;
    void LayoutVolumeBar();
    void RefreshVolumeBar();
    void VolumeBarChange();
    void VolumeBarScroll(int code, int position);
    void MuteBoxClick();
    int RebuildDeviceMenu(fw::TMenuItem& menu);
    // The main window starts in the message-only layer; shown, or once the start is done, it
    // is a top-level window.
    void BecomeTopLevel();
    bool BringToForeground(HWND window);
    void MainPopupMenuPopup();
    // Opens the menu at the cursor unless the mouse is captured; true when an item was chosen.
    bool PopupMenuAtCursor(fw::TPopupMenu& menu);
    // For the message loop: Esc and Tab of the bar; true when the message was handled.
    bool IsVolumeBarMessage(MSG* msg);
    // The bar's application rows (MainBarApps.cpp), built while the bar is shown.
    struct TBarAppRow {
        std::wstring Key; // the session's
        fw::UniqueHwnd Icon;
        fw::UniqueHwnd Name;
        std::unique_ptr<support::TTrackBarEx> Slider;
        fw::UniqueHwnd Mute;
        fw::UniqueHicon SmallIcon;
    };
    void StartApplicationRows();
    void StopApplicationRows();
    // key empty: the sessions came, went or changed state; else one session's level.
    void ApplicationRowsChange(const std::wstring& key);
    int ApplicationRowsHeight() const;
    int ApplicationRowCount() const noexcept { return static_cast<int>(appRows.size()); }

    // Per-application volume (MainSessions.cpp). The sessions of the default endpoint,
    // created at first need.
    sessions::TAudioSessions& Sessions();
    std::unique_ptr<sessions::TAudioSessions> AudioSessions;
    // Raised after every application level or mute change the program made itself (the
    // application actions, the wheel over a window, the bar's rows, the verbs of a running
    // instance): the on-screen display shows the application's name, icon and level.
    std::function<void(const sessions::TAppLevelChange&)> OnAppLevelChange;
    // The live sessions of the application of process `pid` (see sessions::ApplicationProcesses);
    // the system sounds session belongs to no application.
    std::vector<sessions::TAppSession> ApplicationSessions(DWORD pid);
    // Sessions of processes whose executable has this file name (without regard to case).
    std::vector<sessions::TAppSession> ExecutableSessions(const std::wstring& fileName);
    // One step of the master's step rules on the application's scale; false without sessions.
    bool StepApplication(const std::vector<sessions::TAppSession>& app, int direction);
    // Level (on the facade's scale) and mute of every session of the application.
    // `muteRules`: AutoMute and AutoUnmute apply, as for the master's steps.
    bool SetApplicationLevel(const std::vector<sessions::TAppSession>& app, long long level, bool announce,
                             bool muteRules);
    bool SetApplicationMute(const std::vector<sessions::TAppSession>& app, bool mute, bool announce);
    // The application's name and icon as the bar and the display show them (cached per session).
    const std::wstring& ApplicationName(const sessions::TAppSession& session);
    HICON ApplicationIcon(const sessions::TAppSession& session);
    // Follows the sessions while an application action is bound or the application wheel set.
    void UpdateSessionFollowing();
    void AudioSessionsChange(const std::wstring& key);
    // A wheel turn with AppWheelKeys at screen point p: a step of the application there.
    void ApplicationWheel(POINT p, int direction);
    // The bar's application rows connect here: key empty when the list changed, else the
    // session whose level or mute changed.
    std::function<void(const std::wstring& key)> RefreshApplicationRows;

    bool CommandMode() const noexcept { return !MasterVolume || !MasterVolume->OnChange; }
    bool SessionEnding = false;
    const TFolders& Folders() const noexcept { return folders; }

    std::unique_ptr<TMasterVolume> MasterVolume;
    std::unique_ptr<fw::TActionList> MainActionList;
    std::unique_ptr<fw::TTimer> StartTimer;
    std::unique_ptr<fw::TTimer> AccelStepTimer;
    std::unique_ptr<fw::TTimer> SoundTimer;
    std::unique_ptr<fw::TTimer> QueActionTimer;
    fw::TAction* SecondStartAction = nullptr;
    TSettings Settings;
    TFeedbackSoundPlayer SoundPlayer = TFeedbackSoundPlayer::System();
    // Starts a tool's command line as a program (RunCommandLine when unset); tests record it.
    std::function<bool(const std::wstring& line)> StartProgram;
    // Set while a global hotkey's action runs: its steps never accelerate.
    bool InHotKey = false;
    // System-wide capture switches, driven by the busy bracket; the input components
    // connect here.
    std::function<void()> UpdateWheelCapture;
    std::function<bool()> KeyboardCaptureEnabled;
    std::function<void(bool)> SetKeyboardCaptureEnabled;

    // Mouse and keyboard bindings (MainBindings.cpp). The capture's decisions run on the
    // input thread from what ApplyWheelCapture publishes.
    std::unique_ptr<TWheelCapture> WheelCapture;
    std::unique_ptr<TSysMouseEvents> SysMouseEvents;
    std::unique_ptr<TKeyBoardEvents> KeyBoardEvents;
    std::unique_ptr<THotKeyManager> HotKeyManager;
    std::unique_ptr<fw::TTimer> ClickTimer;
    std::unique_ptr<fw::TTimer> CursorTimer;
    // Stores the wheel areas and keys when either changed (or `force`), polls the cursor
    // exactly when the areas need it, and re-evaluates the capture.
    void SetWheelAreasKeys(uint8_t areas, uint8_t keys, bool force = false);
    // The [General] wheel settings, the [Mouse] bindings and the [Keyboard] hotkeys as read.
    void ApplyBindingSettings();
    bool IsCursorInWheelArea(POINT p);
    // While the cursor is polled the position polled last, else the current one.
    bool CursorPosition(POINT& p) const;
    bool WheelCaptureEnabled() const noexcept;
    // Registers every action's hotkey (identifier = list position), or none while suspended
    // or switched off.
    void ApplyHotKeys();
    // The settings dialog's hotkey edit: the program's own hotkeys are off while it types.
    void SuspendHotKeys();
    void ResumeHotKeys();
    void HotKeyManagerHotKey(int index);
    void NotifyIconClick();
    void NotifyIconDblClick();
    void NotifyIconMouseDown(fw::TMouseButton button);
    void NotifyIconMouseUp(fw::TMouseButton button);
    void SysMouseEventsMouseWheel(fw::TShiftState shift, int delta, POINT p, bool& handled);
    void SysMouseEventsMouseDown(fw::TMouseButton button, fw::TShiftState shift, POINT p, bool& handled);
    void SysMouseEventsMouseUp(fw::TMouseButton button, fw::TShiftState shift, POINT p, bool& handled);
    void KeyBoardEventsKeyUp(WORD key, fw::TShiftState shift);
    // Hotkeys registered again and hooks installed again (shell restart, unlock, resume).
    void RenewInputRegistrations();
    static constexpr UINT kCursorPollInterval = 100;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateVolumeBarControls();
    void RebuildPresetMenuItems();
    void RebuildToolMenuItems();
    void RebuildNumberedMenuItems(const wchar_t* prefix, size_t count, fw::TPopupMenu& popup, bool radio);
    std::wstring BarLevelText(int level) const;
    std::wstring BarText(int index) const;
    void ApplyBarFont();
    void DpiManagerChange(int oldDpi, int newDpi, const RECT& rect);
    std::optional<LRESULT> VolumeBarMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    HBRUSH BarBrush() const;
    int LevelToPercent(int level) const;
    int PercentToLevelOf(int percent) const;
    bool ConfirmOptionWarning(int textIndex, const wchar_t* actionName);
    void ReleaseOptionForm();
    void CloseOptionFormForExit();
    void CreateActionTimers();
    void NoteOwnChange();
    bool OwnChangeRecent() const;
    bool ShowDisplay(const display::TDisplayContent& content, bool own);
    void QueActionTimerTimer();
    void VolumeUpDownActionExecute(fw::TObject* sender);
    void CreateApplicationActions();
    void ApplicationActionExecute(int direction);
    bool ExecuteApplicationVerb(const std::wstring& value, bool mute, bool quiet);
    void AnnounceApplication(const std::vector<sessions::TAppSession>& app, long long level, bool muted);
    std::vector<sessions::TAppSession> BarSessions();
    void SyncApplicationRows(bool keepAnchor);
    TBarAppRow CreateApplicationRow(const sessions::TAppSession& s);
    void RefreshApplicationRow(const sessions::TAppSession& s);
    void LayoutApplicationRows();
    void ResizeForApplicationRows(int rowsHeightBefore);
    void ApplicationRowScroll(const std::wstring& key, int code, int position);
    bool ApplicationMuteClick(UINT id);
    void ShowPropertyActionExecute(fw::TObject* sender);
    void RemoveActionsOfCategory(const std::wstring& category);
    void AttachChangeHandler();
    void ComputeFolderSet();
    void ApplyWindowsVersionDefaults();
    void WMInstanceNotify();
    void WMRunAction(LPARAM index);
    LRESULT WMQueryEndSession();
    void WMPowerBroadcast(WPARAM event);
    void ResetAtExit();
    LRESULT Probe(WPARAM what, LPARAM arg) const noexcept;
    std::vector<TActionRef> ActionRefs() const;
    void CollectActionState();
    void ApplyLoadedSettings();
    void CreateTray();
    void ShowTray();
    void ApplyIconSettings();
    void CreateBindings();
    void DestroyBindings() noexcept;
    void ConnectTrayBindings();
    void ApplyWheelCapture();
    void ClickTimerTimer();
    void CursorTimerTimer();
    fw::TAction* BoundAction(const std::wstring& name) const;
    // The settings and bindings the capture's decisions read, for the input thread.
    void PublishCapture();
    const std::wstring& HookBindingName(THookBinding binding) const noexcept;
    // A binding the capture posted (or kReplayDeferred: the next one kept while busy).
    void WMHookAction(WPARAM binding, LPARAM point);
    void WMSessionChange(WPARAM event);
    void ArmWindowsKeyFix();
    void CreateHelp();
    void CloseHelp();
    void ConnectTexts();
    void ApplyMainFont(const TFontRequest& request);

    std::wstring commandTail;
    TFolders folders;
    int exitCode = 0;
    bool verbOnly = false; // command mode from the start: no window, no resident components
    bool verbCarriedOut = true; // the system accepted what the last verb asked for
    int busyCount = 0;
    bool started = false;
    bool closing = false;
    bool settingsUnreadable = false; // the file existed but could not be read: never saved over
    bool unreadableTold = false;     // ... and the opened dialog has said so once
    bool settingsDirCreated = false; // the settings mode keeps a folder of its own
    unsigned startWait = 0;
    int burstCount = 0;
    struct TQueuedAction {
        std::wstring Name;               // looked up anew: a rebuilt action is found by its name
        std::vector<std::wstring> Tools; // the tools that were running when it was queued
    };
    std::deque<TQueuedAction> actionQueue;
    // Tool actions running now, outermost first, and those that queued the action running
    // now: a tool never runs again inside itself, however the tools name each other.
    std::vector<std::wstring> runningTools;
    bool keyboardCaptureBeforeBusy = false;
    long instanceNotifies = 0;
    long volumeChanges = 0;
    UINT probeMessage = 0;
    int hotKeySuspend = 0;
    POINT lastCursor{};
    bool cursorPolled = false;
    bool wheelCaptureOn = false; // the capture's rules hold; its hook may stay while busy
    struct TDeferredHookAction {
        THookBinding binding;
        POINT point;
    };
    std::deque<TDeferredHookAction> deferredHookActions; // posted while busy, run after it
    static constexpr WPARAM kReplayDeferred = ~WPARAM(0);
    static constexpr size_t kMaxDeferredHookActions = 64;
    // The screen point of the input that started the running action, if it had one.
    std::optional<POINT> actionPoint;
    std::unique_ptr<TWheelAreaSystem> wheelAreaSystem;
    std::wstring languageName;      // the current language; empty until the first choice
    std::wstring languageFileInUse; // the file last applied
    TFontSpec mainFontSpec{L"Tahoma", 8, DEFAULT_CHARSET};
    fw::UniqueHfont mainFont;

    struct TAppLook {
        std::wstring Name;
        fw::UniqueHicon Icon;
    };
    std::map<std::wstring, TAppLook> appLooks; // by session key
    bool followForBindings = false;
    // The followed sessions' processes, for the input thread's decision on AppWheelKeys turns.
    struct TAppWheelTarget final : TPointApplications {
        sessions::TAppWheelTable Table;
        bool PlaysAt(POINT p) const noexcept override;
    } appWheelTarget;
    void PublishApplicationWheel();
    std::vector<TBarAppRow> appRows;
    bool barFollowing = false; // the shown bar follows the sessions for its rows

    int barMinWidth = 0;
    // Declared here, destroyed after the window it owns.
    fw::UniqueHwnd barOwner;
    static fw::UniqueHwnd CreateOwnerWindow();
    static constexpr wchar_t kOwnerWindowClass[] = L"TMainFormOwner";
    std::wstring muteHint; // what the mute box's tip shows
    bool barDeferred = false;    // the start left the bar to its first need
    bool barCreating = false;    // the late bar's first resolution check
    bool barFontChanged = false; // a language set the main font
    int barlessDpi = 0;          // the icon's resolution while the bar is not built
    bool barDragBusy = false; // a press on the bar holds one busy level until its release
    uint64_t ownChangeTick = 0; // when the program last changed the endpoint itself
    bool ownChangeMade = false;
};

// The identifiers of the built-in actions, in list order.
std::vector<std::wstring> FixedActionNames();
// The actions that have an item of their own in the main menu, in menu order.
std::vector<std::wstring> MainMenuActionNames();

// Decimal separator of the user's locale settings (the numbers of the verbs use it).
wchar_t LocaleDecimalSeparator();

using fw::ExecutablePath;

} // namespace lorvane
