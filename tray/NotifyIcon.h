#pragma once
// TNotifyIcon: one icon in the taskbar's notification area with its picture, tooltip and
// balloon notice; turns the shell's callback messages into mouse and balloon events, tells
// when the mouse enters and leaves the icon, shows a pop-up menu on right click, puts the
// icon back after the shell restarts, and tests windows for "taskbar" and "desktop".
// User-interface thread only.

#include "ActionList.h"
#include "Component.h"
#include "Events.h"
#include "Mouse.h"
#include "SystemInfo.h"
#include "Timer.h"
#include "UniqueHandle.h"
#include "Window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tray {

// Shell_NotifyIconW: the shell's success, and the thread's last error when it failed.
using ShellNotifyFn = std::function<bool(DWORD message, NOTIFYICONDATAW& data, DWORD& error)>;
using SleepFn = std::function<void(DWORD ms)>;
// GetCursorPos: false when the position cannot be read.
using CursorPosFn = std::function<bool(POINT& position)>;
using KeyStateFn = std::function<SHORT(int virtualKey)>;
// Whether a screen point may lie over the shell's icons: false only when the window there is
// surely not the shell's (another program's window, or the desktop).
using PointOnShellFn = std::function<bool(POINT position)>;
// Pops `menu` up at the screen point for `owner` (which receives its WM_COMMAND) and returns
// when the menu closes.
using TrackPopupFn = std::function<void(HMENU menu, int x, int y, HWND owner)>;

using OsVersion = fw::OsVersion;

bool SystemShellNotify(DWORD message, NOTIFYICONDATAW& data, DWORD& error);
void SystemSleep(DWORD ms);
bool SystemCursorPos(POINT& position);
SHORT SystemKeyState(int virtualKey);
void SystemTrackPopup(HMENU menu, int x, int y, HWND owner);
bool SystemPointOnShell(POINT position);

// What the component uses of the system; tests substitute fakes. Timers come from the
// thread's timer backend (fw::ManualTimerBackend in tests).
struct NotifyIconSeams {
    ShellNotifyFn shellNotify = SystemShellNotify;
    SleepFn sleep = SystemSleep;
    CursorPosFn cursorPos = SystemCursorPos;
    KeyStateFn keyState = SystemKeyState;
    TrackPopupFn trackPopup = SystemTrackPopup;
    PointOnShellFn pointOnShell = SystemPointOnShell;
    OsVersion version = fw::SystemVersion();
};

// Copies `text` into a record field of `capacity` characters (terminator included),
// shortened when needed without splitting a surrogate pair.
void CopyToField(wchar_t* field, size_t capacity, std::wstring_view text) noexcept;
// The same for the tooltip, whose control takes a single "&" for an accelerator mark and
// hides it: every "&" goes in doubled, and a pair that does not fit is left out whole.
void CopyTipToField(wchar_t* field, size_t capacity, std::wstring_view text) noexcept;

// A taskbar: the main monitor's, or one of those that Windows 10 and 11 give each further
// monitor. Reads the class only (no message): safe on any thread.
bool IsTaskbarClass(HWND window) noexcept;
// The desktop's shell window as the top-level window under the cursor (from Vista on a
// WorkerW window may carry it), or the desktop window itself under the cursor. Allocates
// nothing and sends no message to a window of this process: safe on the input thread.
bool IsShellDesktop(HWND topWindow, HWND pointWindow, bool vistaOrLater) noexcept;

// The record flags (NIF_) and notice flags (NIIF_) that a balloon goes out with on a system
// version, besides its kind and sound.
struct BalloonFlags {
    UINT flags = NIF_INFO;
    DWORD infoFlags = 0;
};
BalloonFlags BalloonFlagsFor(const OsVersion& version) noexcept;

// Attempts of an add that the shell answers with ERROR_TIMEOUT, one second apart.
inline constexpr int kAddAttempts = 37;
inline constexpr DWORD kAddRetryDelay = 1000;
// 60 ms: a leave shows before the eye notices, and together with the input watchdog a
// pointer resting on the icon wakes the program fewer than 20 times a second.
inline constexpr UINT kLeavePollInterval = 60;

// Who receives the shell's "TaskbarCreated" broadcast for the icon. Broadcasts reach top-level
// windows only, and Wine makes a hidden top-level window with an X window of its own, about as
// costly as the rest of a start before the first icon. An owner whose own top-level window
// passes the broadcast on (HandleBroadcast) lets the icon's window be message-only.
enum class Broadcasts { OwnWindow, Forwarded };

} // namespace tray

class TNotifyIcon;

namespace tray {
// Holds an update of the icon open for its scope.
class UpdateScope {
  public:
    explicit UpdateScope(TNotifyIcon& icon) noexcept;
    ~UpdateScope();
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

  private:
    TNotifyIcon& icon;
};
} // namespace tray

class TNotifyIcon : public fw::TComponent {
  public:
    explicit TNotifyIcon(fw::TComponent* owner, std::wstring name = L"NotifyIcon",
                         tray::NotifyIconSeams seams = {},
                         tray::Broadcasts broadcasts = tray::Broadcasts::OwnWindow);
    ~TNotifyIcon() override;

    /// When false the icon ignores the mouse and raises no events.
    bool Enabled = true;

    /// OnClick becomes the action's OnExecute handler; none clears OnClick. The action is
    /// forgotten when it is destroyed.
    fw::TAction* Action() const noexcept { return action; }
    void SetAction(fw::TAction* value);
    /// Shown on a right-button release over the icon while Visible. Not owned: the owner
    /// clears it before destroying the menu. Its commands go to ApplicationWindow (or to
    /// Handle() when none is set).
    HMENU PopupMenu() const noexcept { return popupMenu; }
    void SetPopupMenu(HMENU value) noexcept { popupMenu = value; }
    /// Adds the icon to or removes it from the notification area (Refresh).
    bool Visible() const noexcept { return visible; }
    void SetVisible(bool value);
    /// Pictures for ImageIndex and the animation. Not owned, like PopupMenu.
    HIMAGELIST Images() const noexcept { return images; }
    void SetImages(HIMAGELIST value);
    int ImageIndex() const noexcept { return imageIndex; }
    void SetImageIndex(int value);
    /// Steps ImageIndex through Images every Interval ms.
    bool Animate() const noexcept { return animate; }
    void SetAnimate(bool value);
    UINT Interval() const noexcept { return interval; }
    void SetInterval(UINT value);
    /// The tooltip; the shell gets at most 127 characters of it.
    const std::wstring& Hint() const noexcept { return hint; }
    void SetHint(std::wstring value);
    /// Minimising ApplicationWindow shows the icon and hides the window; restoring it
    /// hides the icon.
    bool MinToTray() const noexcept { return minToTray; }
    void SetMinToTray(bool value);
    /// The program's main window: brought to the foreground for the pop-up menu, owner of
    /// the menu, and watched for WM_SIZE while MinToTray is on. A window of this thread;
    /// null once it is destroyed.
    HWND ApplicationWindow() const noexcept
    {
        return appWindow && ::IsWindow(appWindow) ? appWindow : nullptr;
    }
    void SetApplicationWindow(HWND window);

    fw::TNotifyEvent OnClick, OnDblClick;
    fw::TMouseEvent OnMouseDown, OnMouseUp;
    fw::TMouseMoveEvent OnMouseMove;
    fw::TNotifyEvent OnMouseEnter, OnMouseLeave;
    fw::TNotifyEvent OnShow, OnHide, OnChange;
    fw::TNotifyEvent OnBalloonHintShow, OnBalloonHintHide, OnBalloonHintTimeout, OnBalloonHintClick;
    fw::TNotifyEvent OnTaskbarCreate;

    /// The picture; null means the program's own small icon. SetIcon copies the handle
    /// (the caller keeps its own) and runs Refresh; the shared form holds the caller's icon
    /// without a copy.
    HICON Icon() const noexcept { return picture.get(); }
    void SetIcon(HICON icon);
    void SetIcon(fw::SharedHicon icon);
    /// Brings the notification area in line with Visible: OnChange when an icon already
    /// shown took the picture, OnShow when it was added, OnHide when it was removed.
    void Refresh();
    /// Between BeginUpdate and the matching EndUpdate, picture, tip and balloon changes are
    /// kept and go to the shell together at EndUpdate: one call where several would be made
    /// (a balloon hidden and shown again within it is one balloon call). Nestable.
    void BeginUpdate() noexcept { ++updateCount; }
    void EndUpdate();
    bool MouseInside() const noexcept { return mouseInside; }
    /// IconKind 0 none, 1 information, 2 warning, 3 error; Timeout in ms, passed to the
    /// shell as it is. Text and title are cut to 255 and 63 characters. The shell's success.
    bool ShowBalloon(std::wstring_view text, std::wstring_view title, int iconKind, bool sound, UINT timeout);
    bool HideBalloon();
    /// With the mouse inside, makes the shell's visible tooltip redraw with the current Hint.
    void RefreshTip();
    /// With the mouse inside, activates the shell's tooltip.
    void ActivateTip();
    bool IsTaskbarWindow(HWND window);
    /// The desktop's shell window as the top-level window under the cursor, or the desktop
    /// window itself as the window under the cursor.
    bool IsDesktopWindow(HWND topWindow, HWND pointWindow);

    /// The hidden window that receives the shell's callbacks, and "TaskbarCreated" unless
    /// the owner forwards it (then it is message-only).
    HWND Handle() const noexcept { return window.Handle(); }
    /// For an owner that forwards the broadcasts its top-level window receives: true when the
    /// message was "TaskbarCreated" and has been handled.
    bool HandleBroadcast(UINT msg);

  protected:
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y);
    virtual void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y);
    virtual void MouseMove(fw::TShiftState shift, int x, int y);
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoChange();
    virtual void DoBalloonHintShow();
    virtual void DoBalloonHintHide();
    virtual void DoBalloonHintTimeout();
    virtual void DoBalloonHintClick();
    virtual void TaskbarCreated();
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

    void Notification(fw::TComponent* component, fw::TOperation operation) override;

  private:
    static LRESULT CALLBACK AppWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR refData) noexcept;

    bool ShellAdd();
    bool ShellDelete();
    bool SetTip();
    bool InfoCall();
    bool Modify(UINT flags);
    // Refresh, with `extra` record fields (NIF_TIP, NIF_INFO) going along in the same call.
    void RefreshWith(UINT extra);
    HICON ProgramIcon();
    void LoadImage();
    void ApplyMinToTray(bool minimised);
    void DecodeCallback(UINT event);
    fw::TShiftState ShiftState() const;
    void LeavePoll();
    void Leave();
    void AnimationTick();
    HWND TaskbarWindow();
    HWND OverflowWindow();
    // Sends `msg` to the shell's tooltip windows of the taskbar (only the first when `firstOnly`).
    void SendToShellTips(UINT msg, WPARAM wParam, bool firstOnly);
    void Unhook() noexcept;
    void Watch();
    void Unwatch() noexcept;
    void RaiseWhenEnabled(const fw::TNotifyEvent& event);

    tray::NotifyIconSeams seams;
    tray::BalloonFlags balloonFlags;
    fw::MessageWindow window;
    NOTIFYICONDATAW data{};
    UINT taskbarCreatedMessage = 0;
    fw::TTimer animationTimer;
    fw::TTimer leaveTimer;
    fw::SharedHicon picture;
    fw::UniqueHicon programIcon;
    bool programIconRead = false;

    fw::TAction* action = nullptr;
    HMENU popupMenu = nullptr;
    HIMAGELIST images = nullptr;
    int imageIndex = 0;
    bool visible = false;
    bool animate = false;
    UINT interval = 1000;
    std::wstring hint;
    bool minToTray = false;
    HWND appWindow = nullptr;
    bool watching = false; // appWindow is subclassed

    // False only while the shell surely lacks the icon (never added, removed, or a new
    // shell): nothing is sent to it then but the add.
    bool shown = false;
    int updateCount = 0;
    UINT pendingFlags = 0;       // NIF_TIP / NIF_INFO kept by an open update
    bool pendingRefresh = false; // the picture or Visible changed within an open update
    bool pendingTipRefresh = false;

    HWND taskbar = nullptr;
    HWND overflow = nullptr;
    bool mouseInside = false;
    int clickState = 0; // 0 none, 1 left pressed once, 2 left double-click
    POINT lastPos{};
    std::shared_ptr<bool> lifetime = std::make_shared<bool>(true); // expires with the component
};
