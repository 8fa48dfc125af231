// Mouse and keyboard bindings: clicks on the tray icon, the wheel and the middle button
// anywhere the user allowed them, the Windows-key fix, and the global hotkeys.
//
// The system waits for a low-level hook before it delivers any mouse input, and silently
// removes a hook that keeps it waiting too long (wheel control would then die without a
// word). So the hook callbacks run on the input thread and only decide, from what this
// window published (WheelCapture.h), whether an event is theirs; the binding is posted to
// this window and its action runs here after the callback has returned.
#include "Main.h"

#include "Messages.h"

#include <wtsapi32.h>

namespace lorvane {

void TMainForm::CreateBindings()
{
    WheelCapture = std::make_unique<TWheelCapture>();
    WheelCapture->OnWindowsKey = [this] { ArmWindowsKeyFix(); };
    SysMouseEvents = std::make_unique<TSysMouseEvents>(this, L"SysMouseEvents");
    SysMouseEvents->DblClickTime = -1; // the tray icon reports its own double clicks
    SysMouseEvents->OnMouseDown = [this](fw::TObject*, fw::TMouseButton b, fw::TShiftState s, int x, int y,
                                         bool& handled) {
        SysMouseEventsMouseDown(b, s, POINT{x, y}, handled);
    };
    SysMouseEvents->OnMouseUp = [this](fw::TObject*, fw::TMouseButton b, fw::TShiftState s, int x, int y,
                                       bool& handled) {
        SysMouseEventsMouseUp(b, s, POINT{x, y}, handled);
    };
    SysMouseEvents->OnMouseWheel = [this](fw::TObject*, fw::TShiftState s, int delta, POINT p,
                                          bool& handled) { SysMouseEventsMouseWheel(s, delta, p, handled); };

    KeyBoardEvents = std::make_unique<TKeyBoardEvents>(this, L"KeyBoardEvents");
    KeyBoardEvents->OnKeyUp = [this](fw::TObject*, WORD key, fw::TShiftState s, bool&) {
        KeyBoardEventsKeyUp(key, s);
    };

    HotKeyManager = std::make_unique<THotKeyManager>(this, L"HotKeyManager");
    HotKeyManager->OnHotKey = [this](fw::TObject*, int index) { HotKeyManagerHotKey(index); };

    ClickTimer = std::make_unique<fw::TTimer>(this, L"ClickTimer", ::GetDoubleClickTime(), false);
    ClickTimer->OnTimer = [this](fw::TObject*) { ClickTimerTimer(); };
    CursorTimer = std::make_unique<fw::TTimer>(this, L"CursorTimer", kCursorPollInterval, false);
    CursorTimer->OnTimer = [this](fw::TObject*) { CursorTimerTimer(); };

    // The keyboard capture (the Windows-key fix) stays through the busy bracket: on the
    // input thread it never waits for an action, and pausing it would let the key's release
    // slip by and open the Start menu.
    UpdateWheelCapture = [this] { ApplyWheelCapture(); };

    // Unlocking the session is one of the moments a hotkey another program held may be free.
    ::WTSRegisterSessionNotification(Handle(), NOTIFY_FOR_THIS_SESSION);
}

void TMainForm::DestroyBindings() noexcept
{
    if (Handle())
        ::WTSUnRegisterSessionNotification(Handle());
    // The busy bracket must not reach the components while they go.
    UpdateWheelCapture = nullptr;
    if (WheelCapture) {
        WheelCapture->State.on = false;
        WheelCapture->State.target = nullptr;
    }
    CursorTimer.reset();
    ClickTimer.reset();
    HotKeyManager.reset();
    // The hooks go first: their callbacks on the input thread use the capture's state.
    KeyBoardEvents.reset();
    SysMouseEvents.reset();
    WheelCapture.reset();
}

void TMainForm::ConnectTrayBindings()
{
    NotifyIcon->OnClick = [this](fw::TObject*) { NotifyIconClick(); };
    NotifyIcon->OnDblClick = [this](fw::TObject*) { NotifyIconDblClick(); };
    NotifyIcon->OnMouseDown = [this](fw::TObject*, fw::TMouseButton b, fw::TShiftState, int, int) {
        NotifyIconMouseDown(b);
    };
    NotifyIcon->OnMouseUp = [this](fw::TObject*, fw::TMouseButton b, fw::TShiftState, int, int) {
        NotifyIconMouseUp(b);
    };
    NotifyIcon->OnMouseEnter = [this](fw::TObject*) { ApplyWheelCapture(); };
    NotifyIcon->OnMouseLeave = [this](fw::TObject*) { ApplyWheelCapture(); };
    NotifyIcon->OnTaskbarCreate = [this](fw::TObject*) { RenewInputRegistrations(); };
}

void TMainForm::ApplyBindingSettings()
{
    SetWheelAreasKeys(Settings.WheelAreas, Settings.WheelKeys, true);
    ApplyHotKeys();
    UpdateSessionFollowing();
}

fw::TAction* TMainForm::BoundAction(const std::wstring& name) const
{
    return name.empty() ? nullptr : MainActionList->Find(name);
}

// --- Tray icon -------------------------------------------------------------------------------

void TMainForm::NotifyIconClick()
{
    if (BoundAction(Settings.Mouse.DoubleClick)) {
        // The single click is decided when no second click came within the double-click time.
        ClickTimer->SetInterval(::GetDoubleClickTime());
        ClickTimer->Restart();
    } else {
        ClickTimerTimer();
    }
}

void TMainForm::ClickTimerTimer()
{
    ClickTimer->SetEnabled(false);
    RunAction(BoundAction(Settings.Mouse.Click));
}

void TMainForm::NotifyIconDblClick()
{
    ClickTimer->SetEnabled(false); // the pending single click is dropped
    RunAction(BoundAction(Settings.Mouse.DoubleClick));
}

void TMainForm::NotifyIconMouseUp(fw::TMouseButton button)
{
    if (button == fw::TMouseButton::mbRight)
        RunAction(BoundAction(Settings.Mouse.RightClick));
    else if (button == fw::TMouseButton::mbMiddle)
        RunAction(BoundAction(Settings.Mouse.WheelClick));
}

void TMainForm::NotifyIconMouseDown(fw::TMouseButton button)
{
    // An action that changes the volume keeps the tooltip up, so it shows the new level.
    auto changesVolume = [this](const std::wstring& name) {
        fw::TAction* a = BoundAction(name);
        return a && a->Tag != 0;
    };
    bool qualifies = false;
    switch (button) {
    case fw::TMouseButton::mbLeft:
        qualifies = changesVolume(Settings.Mouse.Click) || changesVolume(Settings.Mouse.DoubleClick);
        break;
    case fw::TMouseButton::mbRight:
        qualifies = changesVolume(Settings.Mouse.RightClick);
        break;
    case fw::TMouseButton::mbMiddle:
        qualifies = changesVolume(Settings.Mouse.WheelClick);
        break;
    }
    if (qualifies && NotifyIcon)
        NotifyIcon->ActivateTip();
}

// --- Wheel capture ---------------------------------------------------------------------------

void TMainForm::SetWheelAreasKeys(uint8_t areas, uint8_t keys, bool force)
{
    if (!force && areas == Settings.WheelAreas && keys == Settings.WheelKeys)
        return;
    Settings.WheelAreas = areas;
    Settings.WheelKeys = keys;
    const bool poll = CursorTimerWanted(keys, areas);
    if (poll != CursorTimer->Enabled()) {
        cursorPolled = false;
        CursorTimer->SetEnabled(poll);
    }
    ApplyWheelCapture();
}

void TMainForm::ApplyWheelCapture()
{
    if (!SysMouseEvents)
        return;
    TWheelCaptureState state;
    state.busyCount = BusyCount();
    state.wheelEnabled = Settings.WheelEnabled;
    // Either key set keeps the capture on everywhere.
    state.wheelKeys = Settings.WheelKeys | Settings.AppWheelKeys;
    state.wheelAreas = Settings.WheelAreas;
    state.mouseInside = NotifyIcon && NotifyIcon->MouseInside();
    auto cursorInArea = [this] {
        POINT p;
        return CursorPosition(p) && IsCursorInWheelArea(p);
    };
    wheelCaptureOn = WheelCaptureWanted(state, cursorInArea);
    PublishCapture();
    if (state.busyCount == 0) {
        SysMouseEvents->SetEnabled(wheelCaptureOn);
        if (!deferredHookActions.empty())
            ::PostMessageW(Handle(), WM_HOOK_ACTION, kReplayDeferred, 0);
        return;
    }
    // Busy: the capture is off, but a hook that would be wanted right after stays installed
    // with callbacks that pass everything on. Removing and installing a hook while input is
    // on its way loses that input: a notch of a quickly turned wheel, the second click of a
    // double click.
    state.busyCount = 0;
    if (!WheelCaptureWanted(state, cursorInArea))
        SysMouseEvents->SetEnabled(false);
}

void TMainForm::PublishCapture()
{
    TWheelCapture::Published& p = WheelCapture->State;
    p.keys[0] = Settings.WheelKeys;
    p.keys[1] = Settings.AppWheelKeys;
    p.applications = &appWheelTarget;
    p.areas = Settings.WheelAreas;
    p.margin = Settings.WheelMargin;
    p.mouseInside = NotifyIcon && NotifyIcon->MouseInside();
    unsigned bound = 0;
    for (THookBinding b : {THookBinding::WheelUp, THookBinding::WheelDown, THookBinding::WheelClick})
        if (BoundAction(HookBindingName(b)))
            bound |= BindingBit(b);
    if (Settings.AppWheelKeys != 0)
        bound |= BindingBit(THookBinding::AppWheelUp) | BindingBit(THookBinding::AppWheelDown);
    p.bound = bound;
    p.target = Handle();
    p.on = wheelCaptureOn;
}

const std::wstring& TMainForm::HookBindingName(THookBinding binding) const noexcept
{
    switch (binding) {
    case THookBinding::WheelUp:
        return Settings.Mouse.WheelUp;
    case THookBinding::WheelDown:
        return Settings.Mouse.WheelDown;
    default:
        return Settings.Mouse.WheelClick;
    }
}

bool TMainForm::WheelCaptureEnabled() const noexcept
{
    return wheelCaptureOn && SysMouseEvents && SysMouseEvents->Enabled();
}

bool TMainForm::CursorPosition(POINT& p) const
{
    if (actionPoint) {
        p = *actionPoint;
        return true;
    }
    if (CursorTimer && CursorTimer->Enabled() && cursorPolled) {
        p = lastCursor;
        return true;
    }
    return ::GetCursorPos(&p) != FALSE;
}

void TMainForm::CursorTimerTimer()
{
    POINT p;
    if (!::GetCursorPos(&p))
        return;
    if (cursorPolled && p.x == lastCursor.x && p.y == lastCursor.y)
        return;
    lastCursor = p;
    cursorPolled = true;
    ApplyWheelCapture();
}

bool TMainForm::IsCursorInWheelArea(POINT p)
{
    TWheelAreaSettings s;
    s.areas = Settings.WheelAreas;
    s.margin = Settings.WheelMargin;
    s.mouseInside = NotifyIcon && NotifyIcon->MouseInside();
    if (!wheelAreaSystem) {
        wheelAreaSystem = std::make_unique<TWheelAreaSystem>(TWheelAreaSystem::System(
            [this](HWND w) { return NotifyIcon && NotifyIcon->IsTaskbarWindow(w); },
            [this](HWND top, HWND point) { return NotifyIcon && NotifyIcon->IsDesktopWindow(top, point); }));
    }
    return IsPointInWheelArea(p, s, *wheelAreaSystem);
}

// The hook callbacks (input thread): the capture decides and posts.

void TMainForm::SysMouseEventsMouseWheel(fw::TShiftState shift, int delta, POINT p, bool& handled)
{
    if (WheelCapture->Wheel(shift, delta, p))
        handled = true;
}

void TMainForm::SysMouseEventsMouseDown(fw::TMouseButton button, fw::TShiftState shift, POINT p,
                                        bool& handled)
{
    if (WheelCapture->MouseDown(button, shift, p))
        handled = true;
}

void TMainForm::SysMouseEventsMouseUp(fw::TMouseButton button, fw::TShiftState shift, POINT p, bool& handled)
{
    if (WheelCapture->MouseUp(button, shift, p))
        handled = true;
}

void TMainForm::WMHookAction(WPARAM binding, LPARAM point)
{
    if (binding == kReplayDeferred) {
        if (deferredHookActions.empty() || BusyCount() > 0)
            return;
        const TDeferredHookAction next = deferredHookActions.front();
        deferredHookActions.pop_front();
        if (!deferredHookActions.empty())
            ::PostMessageW(Handle(), WM_HOOK_ACTION, kReplayDeferred, 0);
        binding = static_cast<WPARAM>(next.binding);
        point = PackPoint(next.point);
    }
    if (binding >= static_cast<WPARAM>(THookBinding::Count))
        return;
    // Reached inside a menu's or the dialog's own message loop: the event was taken from the
    // system on the promise of its action, so it runs once that loop has ended.
    if (BusyCount() > 0) {
        if (deferredHookActions.size() < kMaxDeferredHookActions)
            deferredHookActions.push_back({static_cast<THookBinding>(binding), UnpackPoint(point)});
        return;
    }
    // Menus and the bar open on the monitor where the wheel turned or the button went down.
    struct Point {
        std::optional<POINT>& at;
        Point(std::optional<POINT>& a, POINT p) : at(a) { at = p; }
        ~Point() { at.reset(); }
    } acting(actionPoint, UnpackPoint(point));
    const THookBinding taken = static_cast<THookBinding>(binding);
    if (taken == THookBinding::AppWheelUp || taken == THookBinding::AppWheelDown) {
        ApplicationWheel(UnpackPoint(point), taken == THookBinding::AppWheelUp ? +1 : -1);
        return;
    }
    RunActionByName(HookBindingName(taken));
}

// --- Windows-key fix -------------------------------------------------------------------------

void TMainForm::ArmWindowsKeyFix()
{
    KeyBoardEvents->Tag = 1;
    KeyBoardEvents->SetEnabled(true);
}

void TMainForm::KeyBoardEventsKeyUp(WORD key, fw::TShiftState shift)
{
    if (key != VK_LWIN && key != VK_RWIN)
        return;
    if (KeyBoardEvents->Tag == 0)
        return;
    KeyBoardEvents->Tag = 0;
    KeyBoardEvents->SetEnabled(false);
    if (shift == 0) {
        // A Windows key released after nothing but wheel turns would open the Start menu;
        // a Ctrl tap in between makes the shell take it as a modifier that was used.
        ::keybd_event(VK_CONTROL, 0, 0, 0);
        ::keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
    }
}

// --- Hotkeys ---------------------------------------------------------------------------------

void TMainForm::ApplyHotKeys()
{
    if (!HotKeyManager)
        return;
    if (hotKeySuspend > 0 || !Settings.HotKeyEnabled) {
        HotKeyManager->SetEnabled(false);
        return;
    }
    // Emptied first, so enabling registers only the fresh list.
    HotKeyManager->ClearHotKeys();
    HotKeyManager->SetEnabled(true);
    for (int i = 0; i < MainActionList->Count(); ++i)
        HotKeyManager->AddHotKey(MainActionList->Action(i)->ShortCut);
}

void TMainForm::SuspendHotKeys()
{
    ++hotKeySuspend;
    ApplyHotKeys();
}

void TMainForm::ResumeHotKeys()
{
    if (hotKeySuspend == 0)
        return;
    if (--hotKeySuspend == 0)
        ApplyHotKeys();
}

void TMainForm::HotKeyManagerHotKey(int index)
{
    struct Flag {
        bool& f;
        explicit Flag(bool& f) : f(f) { f = true; }
        ~Flag() { f = false; }
    } inHotKey(InHotKey);
    if (index >= 0 && index < MainActionList->Count())
        RunActionAt(index);
}

void TMainForm::RenewInputRegistrations()
{
    // After the shell restarted, the session was unlocked or the computer woke: hotkeys a
    // program held meanwhile may be free again, and the system may have dropped our hook.
    if (HotKeyManager)
        HotKeyManager->Reregister();
    if (SysMouseEvents && SysMouseEvents->Enabled()) {
        SysMouseEvents->SetEnabled(false);
        ApplyWheelCapture();
    }
    if (KeyBoardEvents && KeyBoardEvents->Enabled()) {
        KeyBoardEvents->SetEnabled(false);
        KeyBoardEvents->SetEnabled(true);
    }
}

void TMainForm::WMSessionChange(WPARAM event)
{
    if (event == WTS_SESSION_UNLOCK)
        RenewInputRegistrations();
}

} // namespace lorvane
