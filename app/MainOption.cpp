// The settings dialog seen from the main window: opening it, filling it from the settings
// model, copying it back (with the two warnings and the one refusal) and closing it.
#include "Main.h"

#include "Format.h"
#include "IniFile.h"
#include "Level.h"
#include "Messages.h"
#include "Migration.h"
#include "Option.h"

#include <commdlg.h>
#include <shellapi.h>

#include <exception>

namespace lorvane {

namespace {

bool FolderExists(const std::wstring& path)
{
    DWORD a = ::GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// The standard open-file dialog with a filter in the "Text|*.ext|Text|*.*" form.
std::wstring OpenFileDialog(HWND owner, const std::wstring& filter)
{
    std::wstring f = filter;
    for (wchar_t& c : f) {
        if (c == L'|')
            c = L'\0';
    }
    f.push_back(L'\0');
    f.push_back(L'\0');
    std::wstring file(MAX_PATH * 4, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = f.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!::GetOpenFileNameW(&ofn))
        return {};
    file.resize(wcslen(file.c_str()));
    return file;
}

} // namespace

int TMainForm::LevelToPercent(int level) const
{
    return static_cast<int>(Scale(level, MasterVolume->Min, MasterVolume->Max, 0, 100));
}

int TMainForm::PercentToLevelOf(int percent) const
{
    return static_cast<int>(PercentToLevel(percent, MasterVolume->Min, MasterVolume->Max));
}

void TMainForm::ShowOptionForm(const std::wstring& page)
{
    if (OptionForm && OptionForm->Showing()) {
        // Open already: only the focus; unapplied edits stay.
        BringToForeground(OptionForm->Handle());
        return;
    }
    if (!OptionForm) {
        auto form = std::make_unique<TOptionForm>(this);
        if (!form->Create(!HelpFile.empty()))
            return;
        OptionForm = std::move(form);
        unreadableTold = false;
    }
    TOptionForm& f = *OptionForm;
    FillOptionForm();
    f.SetFormPosition(POINT{Settings.Window.OptionLeft, Settings.Window.OptionTop});
    if (page.empty())
        f.ActivatePage(Settings.Window.OptionPage);
    else
        f.ActivatePage(page);
    f.OnButtonApply = [this](fw::TObject*) {
        EnterBusy();
        // After a failure the changes wait in the dialog for another try.
        if (TryApplyOptionForm(false) && OptionForm)
            OptionForm->ApplyButton->SetEnabled(false);
        LeaveBusy();
    };
    f.OnButtonHelp = [this](fw::TObject*) {
        if (!OptionForm)
            return;
        EnterBusy();
        ShowHelp(OptionForm->ActivePageCaption());
        LeaveBusy();
    };
    f.OnHotKeyEnter = [this](fw::TObject*) { SuspendHotKeys(); };
    f.OnHotKeyExit = [this](fw::TObject*) { ResumeHotKeys(); };
    f.OnCloseQuery = [this](fw::TForm*) { return CloseOptionForm(); };
    f.OnClose = [this](fw::TObject*) {
        // Destroyed after the close has run its course, not inside its own message.
        ::PostMessageW(Handle(), WM_OPTION_RELEASE, 0, 0);
    };
    f.OpenFile = [this](const std::wstring& filter) {
        return OpenFileDialog(OptionForm ? OptionForm->Handle() : nullptr, filter);
    };
    f.Show();
    // A second start or a hotkey comes from another foreground window: take the focus as
    // the pop-up menus do.
    BringToForeground(f.Handle());
}

void TMainForm::FillOptionForm()
{
    if (!OptionForm)
        return;
    TOptionForm& f = *OptionForm;
    const TSettings& s = Settings;
    RefreshActionStates();

    f.ProgramDir = folders.ProgramDir;
    if (!folders.SoundsDir.empty() && FolderExists(folders.SoundsDir))
        f.SetSoundFolders(folders.SoundsDir, folders.ProgramDir);
    else
        f.SetSoundFolders(L"C:\\Windows\\media", L"");

    f.LowStepEdit->SetValue(LevelToPercent(s.LowStep));
    f.HighStepEdit->SetValue(LevelToPercent(s.HighStep));
    f.AccelStepCheckBox->SetChecked(s.AccelStep);
    f.RoundStepCheckBox->SetChecked(s.RoundStep);
    f.BalloonHintCheckBox->SetChecked(s.BalloonHint);
    f.BalloonTimeEdit->SetValue(static_cast<int>(s.BalloonTime / 1000));
    f.AutoMuteCheckBox->SetChecked(s.AutoMute);
    f.AutoUnmuteCheckBox->SetChecked(s.AutoUnmute);
    f.SoundCheckBox->SetChecked(s.SoundEnabled);
    f.SetSoundValue(s.SoundFile);
    f.SoundDelayEdit->SetValue(static_cast<int>(SoundTimer->Interval()));
    f.WheelMarginEdit->SetValue(s.WheelMargin);
    f.SetWheelAreas(s.WheelAreas);
    f.SetWheelKeys(s.WheelKeys);
    f.SetAppWheelKeys(s.AppWheelKeys);
    f.BarApplicationsCheckBox->SetChecked(s.BarApplications);

    StartupShortcut shortcut = ReadStartupShortcut();
    f.StartUpCheckBox->SetChecked(shortcut.enabled);
    f.WaitTimeEdit->SetValue(static_cast<int>(shortcut.waitSeconds));

    f.ResetCheckBox->SetChecked(s.Reset);
    f.ReVolumeEdit->SetValue(LevelToPercent(s.ReVolume));
    f.ReMuteCheckBox->SetChecked(s.ReMute);

    f.ReDeviceBeginUpdate();
    try {
        f.ReDeviceClear();
        f.ReDeviceAdd(L"", Texts.Text(txOptDeviceKeep));
        for (int i = 0; i < MasterVolume->DeviceCount(); ++i)
            f.ReDeviceAdd(MasterVolume->DeviceId(i), MasterVolume->DeviceName(i));
        f.ReDeviceSelect(s.ReDevice);
    } catch (const std::exception&) {
    }
    f.ReDeviceEndUpdate();

    FillOptionEditors();

    f.LangBeginUpdate();
    try {
        f.LangClear();
        WIN32_FIND_DATAW fd{};
        HANDLE find = ::FindFirstFileW((folders.LanguagesDir + L"*.ini").c_str(), &fd);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = fd.cFileName;
                // "*.ini" also matches "x.ini~" style names through short names: only real ".ini".
                if (name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".ini") == 0) {
                    fw::TIniFile language;
                    language.LoadFromFile(folders.LanguagesDir + name);
                    f.LangAdd(name.substr(0, name.size() - 4), language.ReadString(L"Main", L"LanguageName", L""));
                }
            } while (::FindNextFileW(find, &fd));
            ::FindClose(find);
        }
    } catch (const std::exception&) {
    }
    f.LangEndUpdate();
    f.LangSelect(s.LangName);

    // The preview shows the level of the moment in the program's texts and font.
    const int percent = LevelToPercent(MasterVolume->Volume());
    f.PreviewContent = DisplayContent(percent, MasterVolume->Mute(), L"");
    f.PreviewDevice = MasterVolume->DefaultDeviceName();
    f.PreviewLook = DisplayLook();
    f.SystemDark = !display::TDisplaySystem::Real().LightTheme();
    f.SetDisplaySettings(s.Display);

    TranslateOptionForm(folders.LanguageFile, false);
}

void TMainForm::TranslateOptionForm(const std::wstring& file, bool force)
{
    if (OptionForm)
        OptionForm->ApplyLanguage(file, force);
}

bool TMainForm::ConfirmOptionWarning(int textIndex, const wchar_t* actionName)
{
    fw::TAction* action = MainActionList->Find(actionName);
    const std::wstring hint = action ? action->Hint : std::wstring();
    if (!OptionWarningBox)
        return ConfirmWarning(textIndex, hint);
    bool checked = false;
    std::wstring text = fw::Format(Texts.Text(textIndex), {hint}).value_or(Texts.Text(textIndex));
    const bool yes = OptionWarningBox(text, checked) == IDYES;
    if (checked)
        Settings.MessageDlg = false;
    return yes;
}

bool TMainForm::ApplyOptionForm(bool fromOk)
{
    if (!OptionForm)
        return false;
    TOptionForm& f = *OptionForm;
    TSettings& s = Settings;

    // Refused before anything is taken: the user picks other keys on the page shown.
    if (AppWheelKeysClash(f.WheelKeys(), f.AppWheelKeys())) {
        f.ActivatePage(L"MouseSheet");
        ReportOptionRefusal(txDlgAppWheelKeys);
        f.FocusAppWheelKeys();
        return false;
    }
    // The two warnings: a setting that hides the way back into this dialog. The second is
    // skipped when the first switched the warnings off.
    if (s.MessageDlg && OptionMouseWarningDue() && !ConfirmOptionWarning(txDlgMouse, L"MainMenuAction"))
        return false;
    if (s.MessageDlg && !OptionSettingsShownInMenu() && !ConfirmOptionWarning(txDlgMenu, L"ShowOptionAction"))
        return false;

    s.LowStep = static_cast<uint16_t>(PercentToLevelOf(f.LowStepEdit->Value()));
    s.HighStep = static_cast<uint16_t>(PercentToLevelOf(f.HighStepEdit->Value()));
    s.AccelStep = f.AccelStepCheckBox->Checked();
    s.RoundStep = f.RoundStepCheckBox->Checked();
    s.BalloonHint = f.BalloonHintCheckBox->Checked();
    s.BalloonTime = static_cast<unsigned>(f.BalloonTimeEdit->Value()) * 1000u;
    s.AutoMute = f.AutoMuteCheckBox->Checked();
    s.AutoUnmute = f.AutoUnmuteCheckBox->Checked();
    s.SoundEnabled = f.SoundCheckBox->Checked();
    s.SoundFile = f.SoundValue();
    s.SoundDelay = static_cast<unsigned>(f.SoundDelayEdit->Value());
    SoundTimer->SetInterval(s.SoundDelay);

    StartupShortcut shortcut;
    shortcut.enabled = f.StartUpCheckBox->Checked();
    shortcut.waitSeconds = static_cast<unsigned>(f.WaitTimeEdit->Value());
    WriteStartupShortcut(shortcut); // every apply, changed or not; failures are silent

    s.Reset = f.ResetCheckBox->Checked();
    s.ReVolume = PercentToLevelOf(f.ReVolumeEdit->Value());
    s.ReMute = f.ReMuteCheckBox->Checked();
    s.ReDevice = f.ReDeviceSelected();

    ApplyOptionLists();

    s.WheelMargin = f.WheelMarginEdit->Value();
    s.BarApplications = f.BarApplicationsCheckBox->Checked();
    const auto appKeys = static_cast<uint8_t>(f.AppWheelKeys());
    const bool appKeysChanged = appKeys != s.AppWheelKeys;
    s.AppWheelKeys = appKeys;
    // The input thread learns of new application keys even when the wheel's stay.
    SetWheelAreasKeys(static_cast<uint8_t>(f.WheelAreas()), static_cast<uint8_t>(f.WheelKeys()), appKeysChanged);

    ApplyOptionBindings();

    s.Display = f.DisplaySettings();
    ApplyDisplaySettings();

    if (std::wstring lang = f.LangText(); lang != s.LangName) {
        SelectLanguage(lang);
        if (!fromOk)
            FillOptionForm();
    }

    // The file stays as it was; the values hold in memory and go with the next save that works.
    // A file that could not be read at the start is never written over, which is said once.
    if (!SaveSettings(folders.SettingsFile) && !folders.SettingsFile.empty() &&
        !(settingsUnreadable && unreadableTold)) {
        unreadableTold = settingsUnreadable;
        ReportSaveFailure(settingsUnreadable ? txDlgSaveUnread : txDlgSave);
    }
    return true;
}

std::optional<bool> TMainForm::TryApplyOptionForm(bool fromOk) noexcept
{
    try {
        return ApplyOptionForm(fromOk);
    } catch (...) {
    }
    try {
        ReportSaveFailure(txDlgApply);
    } catch (...) {
        // Not even the notice could be shown: the dialog staying open still says it.
    }
    return std::nullopt;
}

bool TMainForm::CloseOptionForm()
{
    if (!OptionForm)
        return true;
    TOptionForm& f = *OptionForm;
    EnterBusy();
    // A declined warning or a failed apply keeps the dialog open with its edits.
    const bool allowed = f.ModalResult != 1 || TryApplyOptionForm(true).value_or(false);
    if (allowed) {
        POINT p = f.FormPosition();
        Settings.Window.OptionLeft = p.x;
        Settings.Window.OptionTop = p.y;
        Settings.Window.OptionPage = f.ActivePageIndex();
    }
    LeaveBusy();
    if (allowed)
        ResumeHotKeys(); // a suspension the hotkey edit left open
    return allowed;
}

void TMainForm::ReleaseOptionForm()
{
    if (OptionForm && !OptionForm->Showing())
        OptionForm.reset();
}

void TMainForm::CloseOptionFormForExit()
{
    if (!OptionForm)
        return;
    // Closing the program discards what was not applied, as Cancel does.
    OptionForm->ModalResult = 2;
    OptionForm->Close();
    OptionForm.reset();
}

} // namespace lorvane
