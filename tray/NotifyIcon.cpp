#include "NotifyIcon.h"

#include "TrayMessages.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <memory>
#include <utility>

namespace {

// The record layout without item GUID and balloon icon: 936 bytes in the 32-bit build.
constexpr DWORD kRecordSize = NOTIFYICONDATAW_V2_SIZE;
static_assert(sizeof(void*) != 4 || kRecordSize == 936);
static_assert(sizeof(void*) != 8 || kRecordSize == 952);

constexpr UINT kTipCapacity = sizeof(NOTIFYICONDATAW::szTip) / sizeof(wchar_t);
constexpr UINT kInfoCapacity = sizeof(NOTIFYICONDATAW::szInfo) / sizeof(wchar_t);
constexpr UINT kTitleCapacity = sizeof(NOTIFYICONDATAW::szInfoTitle) / sizeof(wchar_t);
static_assert(kTipCapacity == 128 && kInfoCapacity == 256 && kTitleCapacity == 64);

// Tooltips whose style has this bit (TTS_NOPREFIX) are balloons, not the hover tooltip.
constexpr LONG kBalloonStyleBit = 0x2;
// A hung shell must not hang the user-interface thread.
constexpr UINT kShellSendTimeout = 1000;
// Top-level windows are finite; this only guards against a z-order that keeps changing.
constexpr int kMaxTooltipWindows = 4096;

bool AtLeast(const tray::OsVersion& v, DWORD major, DWORD minor)
{
    return v.major > major || (v.major == major && v.minor >= minor);
}

} // namespace

namespace tray {

BalloonFlags BalloonFlagsFor(const OsVersion& version) noexcept
{
    BalloonFlags b;
    // From Windows 10 on a balloon is a toast, which would wait behind others and stay in the history:
    // NIF_REALTIME drops one that cannot show at once, and quiet hours hold it back.
    if (AtLeast(version, 10, 0)) {
        b.flags |= NIF_REALTIME;
        b.infoFlags |= NIIF_RESPECT_QUIET_TIME;
    }
    return b;
}

} // namespace tray

namespace {

std::wstring ClassName(HWND w)
{
    wchar_t buf[256] = {};
    int n = ::GetClassNameW(w, buf, 256);
    return std::wstring(buf, n > 0 ? n : 0);
}

bool HasShellView(HWND w)
{
    return ::FindWindowExW(w, nullptr, L"SHELLDLL_DefView", L"") != nullptr;
}

} // namespace

namespace tray {

bool SystemShellNotify(DWORD message, NOTIFYICONDATAW& data, DWORD& error)
{
    // A stale ERROR_TIMEOUT from an earlier call must not start the add's retry loop.
    ::SetLastError(ERROR_SUCCESS);
    if (::Shell_NotifyIconW(message, &data))
        return true;
    error = ::GetLastError();
    return false;
}

void SystemSleep(DWORD ms)
{
    ::Sleep(ms);
}

bool SystemCursorPos(POINT& position)
{
    return ::GetCursorPos(&position) != FALSE;
}

SHORT SystemKeyState(int virtualKey)
{
    return ::GetKeyState(virtualKey);
}

void SystemTrackPopup(HMENU menu, int x, int y, HWND owner)
{
    ::TrackPopupMenuEx(menu, TPM_RIGHTBUTTON, x, y, owner, nullptr);
    // Without this the menu of a background window may not close on the next click
    // outside it.
    ::PostMessageW(owner, WM_NULL, 0, 0);
}

bool SystemPointOnShell(POINT position)
{
    HWND bar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    HWND at = ::WindowFromPoint(position);
    if (!bar || !at)
        return true; // nothing to tell by
    HWND root = ::GetAncestor(at, GA_ROOT);
    DWORD shellProcess = 0, owner = 0;
    ::GetWindowThreadProcessId(bar, &shellProcess);
    ::GetWindowThreadProcessId(root ? root : at, &owner);
    if (owner != shellProcess)
        return false;
    // The shell's desktop shows no notification icons.
    const std::wstring cls = ClassName(root ? root : at);
    return root != ::GetShellWindow() && cls != L"Progman" && cls != L"WorkerW";
}

bool IsTaskbarClass(HWND window) noexcept
{
    wchar_t cls[32];
    if (!window || ::GetClassNameW(window, cls, 32) <= 0)
        return false;
    return std::wcscmp(cls, L"Shell_TrayWnd") == 0 || std::wcscmp(cls, L"Shell_SecondaryTrayWnd") == 0;
}

bool IsShellDesktop(HWND topWindow, HWND pointWindow, bool vistaOrLater) noexcept
{
    if (topWindow) {
        wchar_t cls[16], text[24];
        const int n = ::GetClassNameW(topWindow, cls, 16);
        const bool worker = vistaOrLater && n > 0 && std::wcscmp(cls, L"WorkerW") == 0;
        const bool progman = n > 0 && std::wcscmp(cls, L"Progman") == 0;
        // The title is read only of the shell's own classes: another thread of this process
        // would be sent a message for it.
        if (worker || progman) {
            const int length = ::GetWindowTextW(topWindow, text, 24);
            const bool titled =
                worker ? length == 0 : length > 0 && std::wcscmp(text, L"Program Manager") == 0;
            if (titled && HasShellView(topWindow))
                return true;
        }
    }
    return pointWindow && pointWindow == ::GetDesktopWindow();
}

void CopyToField(wchar_t* field, size_t capacity, std::wstring_view text) noexcept
{
    if (capacity == 0)
        return;
    size_t n = std::min(text.size(), capacity - 1);
    // Half a pair is no character: drop a high surrogate whose partner did not fit.
    if (n < text.size() && n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF)
        --n;
    std::wmemcpy(field, text.data(), n);
    std::wmemset(field + n, L'\0', capacity - n);
}

void CopyTipToField(wchar_t* field, size_t capacity, std::wstring_view text) noexcept
{
    if (capacity == 0)
        return;
    size_t n = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size();
        const size_t need = (c == L'&' || pair) ? 2 : 1;
        if (n + need > capacity - 1)
            break;
        field[n++] = c;
        if (c == L'&')
            field[n++] = L'&';
        else if (pair)
            field[n++] = text[++i];
    }
    std::wmemset(field + n, L'\0', capacity - n);
}

} // namespace tray

tray::UpdateScope::UpdateScope(TNotifyIcon& i) noexcept : icon(i)
{
    icon.BeginUpdate();
}

tray::UpdateScope::~UpdateScope()
{
    icon.EndUpdate();
}

TNotifyIcon::TNotifyIcon(fw::TComponent* owner, std::wstring name, tray::NotifyIconSeams s,
                         tray::Broadcasts broadcasts)
    : TComponent(owner, std::move(name)), seams(std::move(s)),
      animationTimer(this, L"AnimationTimer", 1000, false),
      leaveTimer(this, L"LeaveTimer", tray::kLeavePollInterval, false)
{
    balloonFlags = tray::BalloonFlagsFor(seams.version);
    if (!seams.shellNotify)
        seams.shellNotify = tray::SystemShellNotify;
    if (!seams.sleep)
        seams.sleep = tray::SystemSleep;
    if (!seams.cursorPos)
        seams.cursorPos = tray::SystemCursorPos;
    if (!seams.keyState)
        seams.keyState = tray::SystemKeyState;
    if (!seams.trackPopup)
        seams.trackPopup = tray::SystemTrackPopup;
    if (!seams.pointOnShell)
        seams.pointOnShell = tray::SystemPointOnShell;

    auto procedure = [this](UINT msg, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
        return WndProc(msg, wp, lp);
    };
    if (broadcasts == tray::Broadcasts::Forwarded)
        window.CreateMessageOnly(L"LorvaneNotifyIcon", procedure);
    else
        window.Create(L"LorvaneNotifyIcon", procedure);
    taskbarCreatedMessage = ::RegisterWindowMessageW(L"TaskbarCreated");
    animationTimer.OnTimer = [this](fw::TObject*) { AnimationTick(); };
    leaveTimer.OnTimer = [this](fw::TObject*) { LeavePoll(); };

    data.cbSize = kRecordSize;
    data.hWnd = window.Handle();
    data.uID = kNotifyIconId;
    data.uCallbackMessage = WM_NOTIFYICON_CALLBACK;
}

TNotifyIcon::~TNotifyIcon()
{
    animationTimer.SetEnabled(false);
    leaveTimer.SetEnabled(false);
    if (shown)
        ShellDelete();
    SetAction(nullptr);
    Unhook();
    window.Destroy();
}

// ---- properties

void TNotifyIcon::SetAction(fw::TAction* value)
{
    if (action)
        action->RemoveFreeNotification(this);
    action = value;
    if (action) {
        action->FreeNotification(this);
        OnClick = action->OnExecute;
    } else {
        OnClick = nullptr;
    }
}

void TNotifyIcon::Notification(fw::TComponent* component, fw::TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == fw::TOperation::Remove && component == action)
        SetAction(nullptr);
}

void TNotifyIcon::SetVisible(bool value)
{
    if (value == visible)
        return;
    visible = value;
    Refresh();
}

void TNotifyIcon::SetImages(HIMAGELIST value)
{
    images = value;
    if (!images) {
        picture.reset();
        return;
    }
    int count = ::ImageList_GetImageCount(images);
    imageIndex = count > 0 ? std::clamp(imageIndex, 0, count - 1) : -1;
    if (imageIndex >= 0)
        LoadImage();
}

void TNotifyIcon::SetImageIndex(int value)
{
    if (!images) {
        imageIndex = value;
        return;
    }
    int count = ::ImageList_GetImageCount(images);
    int clamped = count > 0 ? std::clamp(value, 0, count - 1) : -1;
    if (clamped == imageIndex)
        return;
    imageIndex = clamped;
    if (imageIndex >= 0)
        LoadImage();
}

void TNotifyIcon::LoadImage()
{
    picture = fw::ShareIcon(fw::UniqueHicon(::ImageList_GetIcon(images, imageIndex, ILD_NORMAL)));
    Refresh();
}

void TNotifyIcon::SetAnimate(bool value)
{
    if (value == animate)
        return;
    animate = value;
    animationTimer.SetEnabled(animate);
}

void TNotifyIcon::SetInterval(UINT value)
{
    interval = value;
    animationTimer.SetInterval(value);
}

void TNotifyIcon::AnimationTick()
{
    if (!images)
        return;
    int count = ::ImageList_GetImageCount(images);
    if (count < 1)
        return;
    SetImageIndex(imageIndex + 1 > count - 1 ? 0 : imageIndex + 1);
}

void TNotifyIcon::SetHint(std::wstring value)
{
    hint = std::move(value);
    SetTip();
}

void TNotifyIcon::SetMinToTray(bool value)
{
    minToTray = value;
    // Only minimising to the tray needs the window's messages: it is watched while this is
    // on, so that a program without it never loads the subclassing library.
    if (minToTray)
        Watch();
    else
        Unwatch();
    if (minToTray && appWindow)
        ApplyMinToTray(::IsIconic(appWindow) != FALSE);
}

void TNotifyIcon::ApplyMinToTray(bool minimised)
{
    if (minimised) {
        SetVisible(true);
        ::ShowWindow(appWindow, SW_HIDE);
    } else {
        SetVisible(false);
    }
}

void TNotifyIcon::SetApplicationWindow(HWND value)
{
    if (value == appWindow)
        return;
    Unhook();
    appWindow = value;
    if (minToTray)
        Watch();
}

void TNotifyIcon::Watch()
{
    if (!watching && appWindow)
        watching = ::SetWindowSubclass(appWindow, AppWindowProc, reinterpret_cast<UINT_PTR>(this),
                                       reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

void TNotifyIcon::Unwatch() noexcept
{
    if (watching)
        ::RemoveWindowSubclass(appWindow, AppWindowProc, reinterpret_cast<UINT_PTR>(this));
    watching = false;
}

void TNotifyIcon::Unhook() noexcept
{
    Unwatch();
    appWindow = nullptr;
}

LRESULT CALLBACK TNotifyIcon::AppWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR refData) noexcept
{
    auto* self = reinterpret_cast<TNotifyIcon*>(refData);
    if (msg == WM_SIZE && self->minToTray) {
        if (wParam == SIZE_MINIMIZED)
            self->ApplyMinToTray(true);
        else if (wParam == SIZE_RESTORED)
            self->ApplyMinToTray(false);
    } else if (msg == WM_NCDESTROY) {
        self->Unhook();
    }
    // The hook only watches: the window's own procedure still handles every message.
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

// ---- shell calls

bool TNotifyIcon::Modify(UINT flags)
{
    data.uFlags = flags;
    DWORD error = 0;
    return seams.shellNotify(NIM_MODIFY, data, error);
}

bool TNotifyIcon::ShellAdd()
{
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    for (int attempt = 1;; ++attempt) {
        DWORD error = 0;
        if (seams.shellNotify(NIM_ADD, data, error))
            return true;
        // The shell that is still starting answers with a timeout; anything else is final.
        if (error != ERROR_TIMEOUT || attempt >= tray::kAddAttempts)
            return false;
        seams.sleep(tray::kAddRetryDelay);
    }
}

bool TNotifyIcon::ShellDelete()
{
    data.uFlags = NIF_MESSAGE;
    DWORD error = 0;
    return seams.shellNotify(NIM_DELETE, data, error);
}

bool TNotifyIcon::SetTip()
{
    tray::CopyTipToField(data.szTip, std::size(data.szTip), hint);
    if (updateCount) {
        pendingFlags |= NIF_TIP;
        return true;
    }
    // An absent icon gets its tip with the add.
    return shown && Modify(NIF_TIP);
}

HICON TNotifyIcon::ProgramIcon()
{
    // Read once: every refresh would otherwise extract (and leak) two more icons.
    if (!programIconRead) {
        programIconRead = true;
        std::wstring path = fw::ExecutablePath();
        HICON large = nullptr, small = nullptr;
        if (!path.empty() && ::ExtractIconExW(path.c_str(), 0, &large, &small, 1) > 0) {
            fw::UniqueHicon largeIcon(large), smallIcon(small);
            programIcon = smallIcon ? std::move(smallIcon) : std::move(largeIcon);
        }
    }
    return programIcon.get();
}

void TNotifyIcon::SetIcon(HICON icon)
{
    SetIcon(fw::ShareIcon(fw::UniqueHicon(icon ? ::CopyIcon(icon) : nullptr)));
}

void TNotifyIcon::SetIcon(fw::SharedHicon icon)
{
    picture = std::move(icon);
    Refresh();
}

void TNotifyIcon::Refresh()
{
    if (updateCount) {
        pendingRefresh = true;
        return;
    }
    RefreshWith(0);
}

void TNotifyIcon::RefreshWith(UINT extra)
{
    if (visible) {
        data.hIcon = picture ? picture.get() : ProgramIcon();
        // The shell refuses to modify an absent icon and to add a present one: a shown icon
        // takes the picture, an absent one is added (with the tip; a balloon follows).
        if (shown && Modify(NIF_ICON | extra)) {
            DoChange();
            return;
        }
        // A failed add may still have reached the shell: only a later delete can tell.
        shown = true;
        if (ShellAdd()) {
            DoShow();
            if (extra & NIF_INFO)
                Modify(balloonFlags.flags);
        }
    } else if (shown) {
        shown = false;
        if (ShellDelete())
            DoHide();
    }
}

void TNotifyIcon::EndUpdate()
{
    if (updateCount == 0 || --updateCount > 0)
        return;
    const UINT flags = pendingFlags;
    const bool refresh = pendingRefresh;
    const bool tipRefresh = pendingTipRefresh;
    pendingFlags = 0;
    pendingRefresh = pendingTipRefresh = false;
    if (refresh)
        RefreshWith(flags);
    else if (flags && shown)
        Modify(flags);
    if (tipRefresh)
        RefreshTip();
}

bool TNotifyIcon::ShowBalloon(std::wstring_view text, std::wstring_view title, int iconKind, bool sound,
                              UINT timeout)
{
    // Within an update the hide and the show are one call: the new text replaces the old.
    if (!updateCount)
        HideBalloon();
    static constexpr DWORD kinds[] = {NIIF_NONE, NIIF_INFO, NIIF_WARNING, NIIF_ERROR};
    data.uTimeout = timeout;
    data.dwInfoFlags = iconKind >= 0 && iconKind <= 3 ? kinds[iconKind] : NIIF_NONE;
    if (!sound)
        data.dwInfoFlags |= NIIF_NOSOUND;
    data.dwInfoFlags |= balloonFlags.infoFlags;
    tray::CopyToField(data.szInfoTitle, std::size(data.szInfoTitle), title);
    tray::CopyToField(data.szInfo, std::size(data.szInfo), text);
    return InfoCall();
}

bool TNotifyIcon::HideBalloon()
{
    data.szInfo[0] = L'\0';
    return InfoCall();
}

bool TNotifyIcon::InfoCall()
{
    if (updateCount) {
        pendingFlags |= balloonFlags.flags;
        return true;
    }
    return shown && Modify(balloonFlags.flags);
}

// ---- shell windows

HWND TNotifyIcon::TaskbarWindow()
{
    if (!taskbar || !::IsWindow(taskbar))
        taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    return taskbar;
}

HWND TNotifyIcon::OverflowWindow()
{
    // The overflow area of hidden icons came with Windows 7.
    if (!AtLeast(seams.version, 6, 1))
        return nullptr;
    if (!overflow || !::IsWindow(overflow))
        overflow = ::FindWindowW(L"NotifyIconOverflowWindow", nullptr);
    return overflow;
}

void TNotifyIcon::SendToShellTips(UINT msg, WPARAM wParam, bool firstOnly)
{
    HWND bar = TaskbarWindow();
    HWND more = OverflowWindow();
    HWND tip = nullptr;
    for (int i = 0; i < kMaxTooltipWindows; ++i) {
        tip = ::FindWindowExW(nullptr, tip, L"tooltips_class32", nullptr);
        if (!tip)
            return;
        HWND parent = ::GetParent(tip);
        // A missing taskbar must not make every unowned tooltip of the system a match.
        if (!parent || (parent != bar && parent != more))
            continue;
        if (::GetWindowLongW(tip, GWL_STYLE) & kBalloonStyleBit)
            continue;
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(tip, msg, wParam, 0, SMTO_ABORTIFHUNG, kShellSendTimeout, &result);
        if (firstOnly)
            return;
    }
}

void TNotifyIcon::RefreshTip()
{
    if (updateCount)
        pendingTipRefresh = true; // after the new tip reached the shell
    else if (mouseInside)
        SendToShellTips(TTM_UPDATE, 0, false);
}

void TNotifyIcon::ActivateTip()
{
    if (mouseInside)
        SendToShellTips(TTM_ACTIVATE, 1, true);
}

bool TNotifyIcon::IsTaskbarWindow(HWND w)
{
    return tray::IsTaskbarClass(w);
}

bool TNotifyIcon::IsDesktopWindow(HWND topWindow, HWND pointWindow)
{
    return tray::IsShellDesktop(topWindow, pointWindow, AtLeast(seams.version, 6, 0));
}

// ---- messages and mouse

LRESULT TNotifyIcon::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    if (msg == WM_NOTIFYICON_CALLBACK) {
        DecodeCallback(LOWORD(lParam));
        return 0;
    }
    if (HandleBroadcast(msg))
        return 0;
    return ::DefWindowProcW(window.Handle(), msg, wParam, lParam);
}

bool TNotifyIcon::HandleBroadcast(UINT msg)
{
    if (!taskbarCreatedMessage || msg != taskbarCreatedMessage)
        return false;
    TaskbarCreated();
    return true;
}

fw::TShiftState TNotifyIcon::ShiftState() const
{
    static constexpr std::pair<int, fw::TShiftState> keys[] = {
        {VK_SHIFT, fw::ssShift},  {VK_CONTROL, fw::ssCtrl},  {VK_MENU, fw::ssAlt},
        {VK_LBUTTON, fw::ssLeft}, {VK_RBUTTON, fw::ssRight}, {VK_MBUTTON, fw::ssMiddle},
    };
    fw::TShiftState shift = 0;
    for (const auto& [key, flag] : keys) {
        if (seams.keyState(key) < 0) // high bit: down
            shift |= flag;
    }
    return shift;
}

void TNotifyIcon::DecodeCallback(UINT event)
{
    using fw::TMouseButton;
    if (event == NIN_BALLOONSHOW)
        return DoBalloonHintShow();
    if (event == NIN_BALLOONHIDE)
        return DoBalloonHintHide();
    if (event == NIN_BALLOONTIMEOUT)
        return DoBalloonHintTimeout();
    if (event == NIN_BALLOONUSERCLICK)
        return DoBalloonHintClick();
    if (event < WM_MOUSEMOVE || event > WM_MBUTTONDBLCLK)
        return;

    POINT p{};
    const bool readable = seams.cursorPos(p);
    if (event == WM_MOUSEMOVE && readable && !seams.pointOnShell(p)) {
        // The position is read when the move is handled: one handled late may find the pointer
        // already gone from the shell. Stored, it would hold the leave poll until the next motion.
        if (Enabled && mouseInside)
            Leave();
        return;
    }
    fw::TShiftState shift = ShiftState();
    switch (event) {
    case WM_MOUSEMOVE:
        return MouseMove(shift, p.x, p.y);
    case WM_LBUTTONDOWN:
        return MouseDown(TMouseButton::mbLeft, shift, p.x, p.y);
    case WM_LBUTTONUP:
        return MouseUp(TMouseButton::mbLeft, shift, p.x, p.y);
    case WM_LBUTTONDBLCLK:
        return MouseDown(TMouseButton::mbLeft, shift | fw::ssDouble, p.x, p.y);
    case WM_RBUTTONDOWN:
        return MouseDown(TMouseButton::mbRight, shift, p.x, p.y);
    case WM_RBUTTONUP:
        return MouseUp(TMouseButton::mbRight, shift, p.x, p.y);
    case WM_RBUTTONDBLCLK:
        return MouseDown(TMouseButton::mbRight, shift | fw::ssDouble, p.x, p.y);
    case WM_MBUTTONDOWN:
        return MouseDown(TMouseButton::mbMiddle, shift, p.x, p.y);
    case WM_MBUTTONUP:
        return MouseUp(TMouseButton::mbMiddle, shift, p.x, p.y);
    case WM_MBUTTONDBLCLK:
        return MouseDown(TMouseButton::mbMiddle, shift | fw::ssDouble, p.x, p.y);
    default:
        return;
    }
}

void TNotifyIcon::MouseMove(fw::TShiftState shift, int x, int y)
{
    if (!Enabled)
        return;
    lastPos = POINT{x, y};
    if (!mouseInside) {
        mouseInside = true;
        MouseEnter();
    }
    fw::Raise(OnMouseMove, this, shift, x, y);
    if (mouseInside)
        leaveTimer.SetEnabled(true);
}

void TNotifyIcon::LeavePoll()
{
    POINT p{};
    // A position that cannot be read counts as moved: the poll must not run forever.
    if (seams.cursorPos(p) && p.x == lastPos.x && p.y == lastPos.y)
        return;
    Leave();
}

void TNotifyIcon::Leave()
{
    leaveTimer.SetEnabled(false);
    mouseInside = false;
    MouseLeave();
}

void TNotifyIcon::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y)
{
    if (!Enabled)
        return;
    if (button == fw::TMouseButton::mbLeft && mouseInside) {
        if (shift & fw::ssDouble) {
            clickState = 2;
            DblClick();
        } else {
            clickState = 1;
        }
    }
    fw::Raise(OnMouseDown, this, button, shift, x, y);
}

void TNotifyIcon::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y)
{
    if (!Enabled)
        return;
    if (button == fw::TMouseButton::mbLeft && mouseInside && clickState == 1) {
        // One press, one click: a release that no press preceded is no click.
        clickState = 0;
        Click();
    }
    fw::Raise(OnMouseUp, this, button, shift, x, y);
    if (button == fw::TMouseButton::mbRight && mouseInside && visible) {
        HWND owner = ApplicationWindow() ? appWindow : window.Handle();
        // A menu whose owner is not in the foreground would not close on a click elsewhere.
        ::SetForegroundWindow(owner);
        // Pending messages may close the program, or even destroy this component.
        std::weak_ptr<bool> alive = lifetime;
        if (!fw::ProcessMessages() || alive.expired())
            return;
        POINT p{};
        seams.cursorPos(p);
        if (popupMenu)
            seams.trackPopup(popupMenu, p.x, p.y, owner);
    }
}

void TNotifyIcon::TaskbarCreated()
{
    taskbar = nullptr;
    overflow = nullptr;
    shown = false; // a new shell holds no icon
    Refresh();
    if (Enabled)
        fw::Raise(OnTaskbarCreate, this);
}

// ---- events

void TNotifyIcon::RaiseWhenEnabled(const fw::TNotifyEvent& event)
{
    if (Enabled)
        fw::Raise(event, this);
}

void TNotifyIcon::Click()
{
    RaiseWhenEnabled(OnClick);
}
void TNotifyIcon::DblClick()
{
    RaiseWhenEnabled(OnDblClick);
}
void TNotifyIcon::MouseEnter()
{
    RaiseWhenEnabled(OnMouseEnter);
}
void TNotifyIcon::MouseLeave()
{
    RaiseWhenEnabled(OnMouseLeave);
}
void TNotifyIcon::DoShow()
{
    RaiseWhenEnabled(OnShow);
}
void TNotifyIcon::DoHide()
{
    RaiseWhenEnabled(OnHide);
}
void TNotifyIcon::DoChange()
{
    RaiseWhenEnabled(OnChange);
}
void TNotifyIcon::DoBalloonHintShow()
{
    RaiseWhenEnabled(OnBalloonHintShow);
}
void TNotifyIcon::DoBalloonHintHide()
{
    RaiseWhenEnabled(OnBalloonHintHide);
}
void TNotifyIcon::DoBalloonHintTimeout()
{
    RaiseWhenEnabled(OnBalloonHintTimeout);
}
void TNotifyIcon::DoBalloonHintClick()
{
    RaiseWhenEnabled(OnBalloonHintClick);
}
