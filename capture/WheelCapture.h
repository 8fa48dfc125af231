#pragma once
// The decisions of the system-wide wheel and middle-button capture. They run inside the mouse
// hook on the input thread (InputThread.h), while the user-interface thread may be blocked
// for seconds: so they read only what that thread published here, never wait for it,
// allocate nothing, and post the binding to run to the main window (WM_HOOK_ACTION, wParam
// the binding, lParam the event's screen point).

#include "Bindings.h"
#include "Mouse.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <iterator>

namespace lorvane {

// What a hook event asks the main window to run; appended, never renumbered.
enum class THookBinding : WPARAM { WheelUp = 0, WheelDown = 1, WheelClick = 2, AppWheelUp = 3, AppWheelDown = 4, Count };

constexpr unsigned BindingBit(THookBinding b) noexcept
{
    return 1u << static_cast<unsigned>(b);
}

// A modifier set that makes the wheel act anywhere, and the bindings it posts. The first is
// WheelKeys, whose set also serves the middle button.
struct TWheelKeySet {
    THookBinding up;
    THookBinding down;
};
// The second, AppWheelKeys, steps the application of the window under the pointer.
inline constexpr TWheelKeySet kWheelKeySets[] = {{THookBinding::WheelUp, THookBinding::WheelDown},
                                                 {THookBinding::AppWheelUp, THookBinding::AppWheelDown}};

// Whether the window under a point belongs to an application that plays; asked on the input
// thread, so it must neither wait nor allocate.
struct TPointApplications {
    virtual bool PlaysAt(POINT p) const noexcept = 0;

  protected:
    ~TPointApplications() = default;
};
inline constexpr int kWheelKeySetCount = static_cast<int>(std::size(kWheelKeySets));

class TWheelCapture {
  public:
    TWheelCapture();

    // Written by the user-interface thread; each field is read on its own, so an event sees
    // every field as it was at most one publication ago.
    struct Published {
        std::atomic<bool> on{false}; // the capture's rules hold (never while busy)
        std::atomic<uint8_t> keys[kWheelKeySetCount] = {};
        std::atomic<uint8_t> areas{waTrayIcon};
        std::atomic<int> margin{1};
        std::atomic<bool> mouseInside{false}; // over the tray icon
        std::atomic<unsigned> bound{0};       // BindingBit of every binding that names an action
        std::atomic<HWND> target{nullptr};    // the main window
        // Asked before a turn with the application keys is taken; none: never taken.
        std::atomic<const TPointApplications*> applications{nullptr};
    } State;

    // Raised when a wheel turn or middle press taken by the Windows key alone must keep the
    // key's release from opening the Start menu (the Windows-key fix). On the input thread.
    std::function<void()> OnWindowsKey;

    // Each says whether the event is swallowed: true exactly when its binding was posted.
    bool Wheel(fw::TShiftState shift, int delta, POINT p) noexcept;
    bool MouseDown(fw::TMouseButton button, fw::TShiftState shift, POINT p) noexcept;
    bool MouseUp(fw::TMouseButton button, fw::TShiftState shift, POINT p) noexcept;

    bool InWheelArea(POINT p) const noexcept;

  private:
    // The first key set whose keys are held exactly, or -1.
    int HeldKeySet(fw::TShiftState shift, bool& win) const noexcept;
    bool Post(THookBinding binding, POINT p) noexcept;
    TMiddleButton::Where PointerWhere(fw::TShiftState shift, POINT p, bool& win) const;

    TWheelAreaSystem system;
    TMiddleButton middle; // the input thread's own
};

// The point a posted binding carries.
constexpr LPARAM PackPoint(POINT p) noexcept
{
    return static_cast<LPARAM>(static_cast<uint32_t>(static_cast<uint16_t>(p.x)) |
                               (static_cast<uint32_t>(static_cast<uint16_t>(p.y)) << 16));
}
constexpr POINT UnpackPoint(LPARAM l) noexcept
{
    return {static_cast<int16_t>(l & 0xFFFF), static_cast<int16_t>((l >> 16) & 0xFFFF)};
}

} // namespace lorvane
