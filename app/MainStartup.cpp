// Start-up, single instance, command verbs, restart and the orderly end.
#include "Main.h"

#include "CommandLine.h"
#include "InputThread.h"
#include "Level.h"
#include "Messages.h"
#include "Option.h"
#include "SystemInfo.h"

#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <climits>

namespace lorvane {

namespace {

constexpr UINT kStartTimerDesignInterval = 100;
constexpr UINT kCommandModeWait = 100;
constexpr int kCloseWaitRounds = 300; // x 10 ms: the bound of the wait for unconfirmed changes
constexpr DWORD kCsDropShadow = 0x20000;

int ClampToInt(long long v)
{
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

// Wine answers 0 to GetGuiResources. Its GDI and USER handles are table entries whose 16-bit
// index alone still names them, so there every index is asked instead (a few milliseconds).
LRESULT CountGdiObjectsByIndex() noexcept
{
    LRESULT n = 0;
    for (UINT_PTR i = 1; i <= 0xFFFF; ++i)
        n += ::GetObjectType(reinterpret_cast<HGDIOBJ>(i)) ? 1 : 0;
    return n;
}

// Menus, icons and cursors of this process (windows are counted from outside, and asking
// Wine about every window index costs seconds). A USER entry answers to two neighbouring
// index values, so every second value is asked.
LRESULT CountUserObjectsByIndex() noexcept
{
    HDC dc = ::CreateCompatibleDC(nullptr);
    HBITMAP pixel = dc ? ::CreateCompatibleBitmap(dc, 1, 1) : nullptr;
    HGDIOBJ old = pixel ? ::SelectObject(dc, pixel) : nullptr;
    LRESULT n = 0;
    for (UINT_PTR i = 0x20; i <= 0xFFFF; i += 2) {
        if (::IsMenu(reinterpret_cast<HMENU>(i)))
            ++n;
        else if (pixel && ::DrawIconEx(dc, 0, 0, reinterpret_cast<HICON>(i), 1, 1, 0, nullptr, DI_NORMAL))
            ++n;
    }
    if (old)
        ::SelectObject(dc, old);
    if (pixel)
        ::DeleteObject(pixel);
    if (dc)
        ::DeleteDC(dc);
    return n;
}

} // namespace

wchar_t LocaleDecimalSeparator()
{
    wchar_t buf[8] = {};
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8) > 0 && buf[0])
        return buf[0];
    return L'.';
}

TMainForm::TMainForm(std::wstring tail) : fw::TComponent(nullptr, L"MainForm"), commandTail(std::move(tail))
{
    FillDefaultTexts(Texts);
}

TMainForm::~TMainForm()
{
    DestroyBindings();
    // Components go before the window they use as a message target and owner.
    OptionForm.reset();
    AudioSessions.reset();
    MasterVolume.reset();
    StartTimer.reset();
    Destroy();
}

// A plain class of its own: a system control class would load the common controls library,
// which the start spares.
fw::UniqueHwnd TMainForm::CreateOwnerWindow()
{
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExW(instance, kOwnerWindowClass, &wc)) {
        wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = instance;
        wc.lpszClassName = kOwnerWindowClass;
        ::RegisterClassExW(&wc);
    }
    return fw::UniqueHwnd(::CreateWindowExW(WS_EX_TOOLWINDOW, kOwnerWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                            nullptr, instance, nullptr));
}

bool TMainForm::Create()
{
    // One verb needs the facade and the timer of its short wait, nothing of the resident
    // program: no window (the first one of a process is costly), actions, bindings or menus.
    verbOnly = CommandVerb(commandTail).has_value();
    // The window is the borderless pop-up volume bar: resizable, no task-bar button.
    UINT classStyle = 0;
    fw::OsVersion v = fw::SystemVersion();
    if (v.major == 5 && v.minor > 0)
        classStyle |= kCsDropShadow;
    // The bar's hidden owner waits for the bar's first showing (ShowVolumeBar).
    // Made in the message-only layer and made top-level once the first icon shows (for the
    // shell's broadcasts and as the bar): under Wine a hidden top-level window costs the start
    // an X window, a quarter of its way to the icon.
    if (!verbOnly && !CreateHidden(kMainWindowClass, kMainWindowCaption, WS_POPUP | WS_THICKFRAME,
                                   WS_EX_TOOLWINDOW, classStyle, HWND_MESSAGE))
        return false;
    probeMessage = ::RegisterWindowMessageW(kProbeMessageName);

    MasterVolume = std::make_unique<TMasterVolume>(this, Handle());
    MasterVolume->Min = 0;
    MasterVolume->Max = 65535;
    AttachChangeHandler();

    StartTimer = std::make_unique<fw::TTimer>(this, L"StartTimer", kStartTimerDesignInterval, false);
    StartTimer->OnTimer = [this](fw::TObject*) { FormStart(); };

    if (!verbOnly) {
        CreateActions();
        CreateBindings();
        CreateHelp();
        CreateMenus();
    }
    FormCreate();
    return true;
}

void TMainForm::AttachChangeHandler()
{
    MasterVolume->OnChange = [this](fw::TObject* sender, TVolumeChange change) {
        MasterVolumeChange(sender, change);
    };
}

void TMainForm::FormCreate()
{
    std::wstring tail = commandTail;
    if (tail.empty()) {
        startWait = 0;
    } else {
        if (tail.front() == L'-')
            tail.erase(0, 1);
        if (std::optional<unsigned> wait = ParseStartWait(tail)) {
            startWait = *wait;
        } else {
            // Command mode: no change events, one quiet verb, then the deferred start closes.
            MasterVolume->OnChange = nullptr;
            // 1: not understood; 2: understood, but the system refused it.
            exitCode = !ExecuteVerb(tail, true) ? 1 : verbCarriedOut ? 0 : 2;
            startWait = kCommandModeWait;
        }
    }
    // The resident program keeps every device's name at hand; one verb reads only what it needs.
    if (!CommandMode())
        MasterVolume->SetPreload(TPreload::plAlway);
    if (startWait != 0) {
        BecomeTopLevel(); // nothing to win by waiting: the wait is longer than the window's cost
        StartTimer->SetInterval(startWait);
        StartTimer->SetEnabled(true);
    } else {
        FormStart();
    }
}

void TMainForm::FormStart()
{
    StartTimer->SetEnabled(false);
    if (CommandMode()) {
        Close();
        return;
    }
    if (started)
        return;
    started = true;

    CreateTray();
    EnterBusy();
    SessionEnding = false;
    FillDefaultTexts(Texts);
    Settings = TSettings{};
    SecondStartAction = MainActionList->Find(L"ShowOptionAction");
    ComputeFolderSet();
    ApplyWindowsVersionDefaults();
    DeferVolumeBar();
    MigrateSettings(folders.SettingsFile);
    LoadSettings(folders.SettingsFile);
    ShowTray(); // the icon appears last, with its picture and tooltip already set
    LeaveBusy();
    // Before any message is handled: a window owned while the main window is message-only
    // (the settings dialog of an early second start) stays in that layer under Wine.
    BecomeTopLevel();
}

void TMainForm::ComputeFolderSet()
{
    std::wstring exe = ExecutablePath();
    std::wstring programDir = exe.substr(0, exe.find_last_of(L'\\') + 1);
    // The settings mode is read through the system's profile reader, before anything else.
    std::wstring modeFile = programDir + kSettingsFileName;
    int userMode = ReadUserMode(modeFile);

    wchar_t appData[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, appData, CSIDL_APPDATA, FALSE))
        appData[0] = 0;
    wchar_t user[256 + 1] = {};
    DWORD userLen = 257;
    if (!::GetUserNameW(user, &userLen))
        user[0] = 0;

    wchar_t current[MAX_PATH] = {};
    const DWORD currentLen = ::GetCurrentDirectoryW(MAX_PATH, current);
    folders = ComputeFolders(programDir, userMode, appData, user,
                             currentLen > 0 && currentLen < MAX_PATH ? current : L"");
    settingsDirCreated = SettingsDirIsCreated(userMode) && !folders.SettingsDir.empty();
    MakeSettingsFolder();
}

void TMainForm::MakeSettingsFolder()
{
    // Result unchecked: a folder that cannot be made shows as a failed save.
    if (settingsDirCreated)
        ::SHCreateDirectoryExW(nullptr, folders.SettingsDir.c_str(), nullptr);
}

void TMainForm::ApplyWindowsVersionDefaults()
{
    const DWORD major = fw::SystemVersion().major;
    if (major >= 10) {
        Settings.BalloonHint = false;
        Settings.BalloonDelay = 2000;
    }
    if (major >= 6)
        Settings.BarColor = 0x80000000u | COLOR_WINDOW;
    auto show = [this](const wchar_t* name) {
        if (fw::TAction* a = MainActionList->Find(name))
            a->Visible = true;
    };
    if (major >= 6 && major <= 9) {
        show(L"RunProperty1Action");
        show(L"RunProperty2Action");
    }
    if (major >= 10)
        show(L"RunOptionAction");
}

bool TMainForm::ExecuteVerb(const std::wstring& text, bool quiet)
{
    TMasterVolume& mv = *MasterVolume;
    verbCarriedOut = true;
    auto carriedOut = [this](bool done) { verbCarriedOut = verbCarriedOut && done; };
    if (!quiet)
        NoteOwnChange(); // a device switch shows once the endpoint has told of it
    if (std::optional<std::wstring> value = MatchVerb(text, L"Device:")) {
        // With one device the next one is the default already.
        if (*value == L"!")
            carriedOut(mv.NextDevice() || mv.DeviceCount() == 1);
        else
            carriedOut(mv.SetDevice(*value));
        if (!quiet)
            ScheduleFeedbackSound();
        return true;
    }
    if (std::optional<std::wstring> value = MatchVerb(text, L"Mute:")) {
        std::optional<MuteValue> m = ParseMuteValue(*value);
        if (!m)
            return false;
        bool mute = *m == MuteValue::Toggle ? !mv.IntendedMute() : *m == MuteValue::On;
        if (quiet)
            carriedOut(mv.SetMute(mute));
        else
            SetMuteState(mute, false, true);
        return true;
    }
    if (std::optional<std::wstring> value = MatchVerb(text, L"Volume:")) {
        std::wstring number = value->substr(0, value->find(L'%'));
        bool relative = !number.empty() && (number.front() == L'+' || number.front() == L'-');
        std::optional<long double> percent = ParseDecimal(number, LocaleDecimalSeparator());
        if (!percent)
            return false;
        long long level = PercentToLevel(*percent, mv.Min, mv.Max);
        if (relative)
            level += mv.IntendedVolume();
        if (quiet)
            carriedOut(mv.SetVolume(ClampToInt(level)));
        else
            SetVolumeLevel(level, SoundMode::Delayed, false);
        return true;
    }
    if (std::optional<std::wstring> value = MatchVerb(text, L"Sound:")) {
        size_t pct = value->find(L'%');
        if (pct == std::wstring::npos)
            return false;
        std::wstring number = Trim(value->substr(0, pct));
        bool mute = false;
        if (!number.empty() && number.front() == L'!') {
            mute = true;
            number = Trim(std::wstring_view(number).substr(1)); // "! +10%" stays relative
        }
        bool relative = !number.empty() && (number.front() == L'+' || number.front() == L'-');
        std::optional<long double> percent = ParseDecimal(number, LocaleDecimalSeparator());
        if (!percent)
            return false;
        long long level = PercentToLevel(*percent, mv.Min, mv.Max);
        std::wstring device = Trim(value->substr(pct + 1));
        if (relative) {
            if (!device.empty() && device != mv.DefaultDeviceId() && device != mv.DefaultDeviceName()) {
                // A relative change on another device only switches to it.
                carriedOut(mv.SetDevice(device));
                if (!quiet)
                    ScheduleFeedbackSound();
                return true;
            }
            level += mv.IntendedVolume();
        }
        int target = ClampToInt(level);
        const bool applied = mv.SetVolumeMuteDevice(target, mute, device);
        carriedOut(applied);
        if (applied && !quiet) {
            if (mute || target <= mv.Min)
                CancelFeedbackSound();
            else
                ScheduleFeedbackSound();
        }
        return true;
    }
    if (std::optional<std::wstring> value = MatchVerb(text, L"AppVolume:"))
        return ExecuteApplicationVerb(*value, false, quiet);
    if (std::optional<std::wstring> value = MatchVerb(text, L"AppMute:"))
        return ExecuteApplicationVerb(*value, true, quiet);
    if (!quiet) {
        if (std::optional<std::wstring> value = MatchVerb(text, L"Action:")) {
            fw::TAction* action = MainActionList->Find(*value);
            if (!action)
                action = MainActionList->Find(*value + L"Action");
            if (!action)
                return false;
            RunAction(action);
            return true;
        }
    }
    return false;
}

bool TMainForm::RunCommandLine(const std::wstring& text)
{
    if (text.empty())
        return false;
    ::SetCurrentDirectoryW(folders.ProgramDir.empty() ? nullptr : folders.ProgramDir.c_str());
    std::wstring line = text; // CreateProcessW may write into its command line
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    ::GetStartupInfoW(&si);
    PROCESS_INFORMATION pi{};
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE, nullptr,
                         nullptr, &si, &pi)) {
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        return true;
    }
    auto r =
        reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"open", text.c_str(), L"", L"", SW_SHOWNORMAL));
    return r > 32;
}

void TMainForm::RestartActionExecute(fw::TObject*)
{
    EnterBusy();
    // "-" skips the single-instance check; the short wait lets this instance close first.
    std::wstring line = L"\"" + ExecutablePath() + L"\" -0.1";
    // Closed inside the bracket: the capture stays off through the close-down wait.
    if (RunCommandLine(line))
        Close();
    LeaveBusy();
}

void TMainForm::CloseActionExecute(fw::TObject*)
{
    EnterBusy();
    Close();
    LeaveBusy();
}

void TMainForm::Close()
{
    if (closing || (!Handle() && !verbOnly))
        return;
    closing = true;
    FormCloseQuery();
    FormDestroy();
    Destroy();
    ::PostQuitMessage(exitCode);
}

void TMainForm::FormCloseQuery()
{
    // Let the notification of our own last change arrive before the components go.
    for (int i = 0; i < kCloseWaitRounds && MasterVolume && MasterVolume->Changing(); ++i) {
        fw::ProcessMessages();
        ::Sleep(10);
    }
    SaveSettings(folders.SettingsFile); // command mode never computed a settings file
    CloseOptionFormForExit();
}

void TMainForm::FormDestroy()
{
    StartTimer->SetEnabled(false);
    DestroyBindings(); // hooks and hotkeys go with the window
    AudioSessions.reset(); // its registrations go before COM does
    CloseHelp();
}

StartupShortcut TMainForm::ReadStartupShortcut()
{
    return ReadStartupShortcutFile(StartupShortcutPath(), Handle());
}

bool TMainForm::WriteStartupShortcut(const StartupShortcut& shortcut)
{
    return WriteStartupShortcutFile(StartupShortcutPath(), ExecutablePath(), shortcut);
}

void TMainForm::WMInstanceNotify()
{
    ++instanceNotifies;
    if (StartTimer->Enabled())
        FormStart();
    if (NotifyIcon)
        NotifyIcon->Refresh(); // adds the icon again if the shell lost it
    if (SecondStartAction)
        RunAction(SecondStartAction);
}

void TMainForm::WMRunAction(LPARAM index)
{
    if (index >= 0 && index < MainActionList->Count())
        RunActionAt(static_cast<int>(index));
}

void TMainForm::ResetAtExit()
{
    SessionEnding = true;
    if (Settings.Reset) {
        EnterBusy();
        ResetVolume(true, false);
        LeaveBusy();
    }
}

LRESULT TMainForm::WMQueryEndSession()
{
    // Closing is never refused: save now, allow the session to end.
    FormCloseQuery();
    ResetAtExit();
    return TRUE;
}

void TMainForm::WMPowerBroadcast(WPARAM event)
{
    // Every resume is announced automatically; the user's event only follows input, so a
    // wake without input would otherwise keep the notices and sounds silent for good.
    const bool resumed =
        event == PBT_APMRESUMESUSPEND || event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMECRITICAL;
    if (event == PBT_APMSUSPEND)
        ResetAtExit();
    else if (resumed)
        SessionEnding = false;
    if (resumed)
        RenewInputRegistrations();
}

LRESULT TMainForm::Probe(WPARAM what, LPARAM arg) const noexcept
{
    switch (static_cast<MainProbe>(what)) {
    case MainProbe::InstanceNotifies:
        return instanceNotifies;
    case MainProbe::Started:
        return started ? 1 : 0;
    case MainProbe::VolumeChanges:
        return volumeChanges;
    case MainProbe::StartWait:
        return startWait;
    case MainProbe::ActionCount:
        return MainActionList ? MainActionList->Count() : 0;
    case MainProbe::ActionPosition: {
        // The sender cannot hand over text in a message's parameters; an atom carries the name.
        wchar_t name[256] = {};
        const UINT length =
            arg > 0 && arg <= 0xFFFF ? ::GlobalGetAtomNameW(static_cast<ATOM>(arg), name, 256) : 0;
        const fw::TAction* action = length && MainActionList ? MainActionList->Find(name) : nullptr;
        return action ? MainActionList->IndexOf(action) : -1;
    }
    case MainProbe::WheelCapture:
        return WheelCaptureEnabled() ? 1 : 0;
    case MainProbe::CursorPoll:
        return CursorTimer && CursorTimer->Enabled() ? 1 : 0;
    case MainProbe::GdiObjects:
        if (DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS))
            return n;
        return CountGdiObjectsByIndex();
    case MainProbe::UserObjects:
        if (DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS))
            return n;
        return CountUserObjectsByIndex();
    case MainProbe::KernelHandles: {
        DWORD n = 0;
        return ::GetProcessHandleCount(::GetCurrentProcess(), &n) ? n : 0;
    }
    case MainProbe::InputRenewals:
        return input::TInputThread::Renewals();
    case MainProbe::StallInput:
        input::TInputThread::Stall(static_cast<DWORD>(kInputStallSeam));
        return 1;
    case MainProbe::PrivateKBytes: {
        PROCESS_MEMORY_COUNTERS_EX m{};
        m.cb = sizeof m;
        return ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m),
                                      sizeof m)
                   ? static_cast<LRESULT>((m.PrivateUsage ? m.PrivateUsage : m.PagefileUsage) >>
                                          10) // Wine fills the latter
                   : 0;
    }
    case MainProbe::ApplicationRows:
        return ApplicationRowCount();
    case MainProbe::SessionSinks:
        return AudioSessions ? AudioSessions->RegisteredCount() : 0;
    }
    return 0;
}

LRESULT TMainForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    if (std::optional<LRESULT> r = VolumeBarMessage(msg, wParam, lParam))
        return *r;
    switch (msg) {
    case WM_INSTANCE_NOTIFY:
        WMInstanceNotify();
        return 0;
    case WM_RUN_ACTION:
        WMRunAction(lParam);
        return 0;
    case WM_HOOK_ACTION:
        WMHookAction(wParam, lParam);
        return 0;
    case WM_WTSSESSION_CHANGE:
        WMSessionChange(wParam);
        return 0;
    case WM_OPTION_RELEASE:
        ReleaseOptionForm();
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_QUERYENDSESSION:
        return WMQueryEndSession();
    case WM_ENDSESSION:
        if (wParam)
            Close();
        else
            SessionEnding = false; // another program refused the end: the session goes on
        return 0;
    case WM_POWERBROADCAST:
        WMPowerBroadcast(wParam);
        return TRUE;
    default:
        if (msg == probeMessage && probeMessage)
            return Probe(wParam, lParam);
        if (NotifyIcon && NotifyIcon->HandleBroadcast(msg))
            return 0;
        return DefaultProc(msg, wParam, lParam);
    }
}

} // namespace lorvane
