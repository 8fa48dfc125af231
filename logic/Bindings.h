#pragma once
// The rules of the mouse bindings, free of windows and hooks: when the system-wide wheel
// capture is on, where the wheel acts, the modifier keys that make it act anywhere, and the
// middle button's pending action.

#include "Mouse.h"

#include <windows.h>

#include <cstdint>
#include <functional>

namespace lorvane {

// WheelAreas bits.
inline constexpr uint8_t waTrayIcon = 1;
inline constexpr uint8_t waTaskbar = 2;
inline constexpr uint8_t waDesktop = 4;
inline constexpr uint8_t waScreenEdge = 8;
inline constexpr uint8_t waOutside = 16;
// WheelKeys bits.
inline constexpr uint8_t wkShift = 1;
inline constexpr uint8_t wkAlt = 2;
inline constexpr uint8_t wkCtrl = 4;
inline constexpr uint8_t wkWin = 8;

struct TWheelCaptureState {
    int busyCount = 0;
    bool wheelEnabled = true;
    uint8_t wheelKeys = 0;
    uint8_t wheelAreas = waTrayIcon;
    bool mouseInside = false; // the pointer is over the tray icon
};

// Whether the capture is on; `cursorInArea` is asked only when the areas decide.
bool WheelCaptureWanted(const TWheelCaptureState& state, const std::function<bool()>& cursorInArea);

// Only these settings need the cursor polled: elsewhere the icon's hover events or nothing
// decide.
constexpr bool CursorTimerWanted(uint8_t wheelKeys, uint8_t wheelAreas) noexcept
{
    return wheelKeys == 0 && wheelAreas != 0 && wheelAreas != waTrayIcon;
}

// The held modifiers are exactly WheelKeys (never when WheelKeys is 0). Mouse buttons and the
// double flag of `shift` do not count.
bool WheelKeysMatch(uint8_t wheelKeys, fw::TShiftState shift, bool win) noexcept;

// What the hit test asks of the system; tests substitute a desktop of their own.
struct TWheelAreaSystem {
    std::function<RECT()> virtualDesktop;
    std::function<HWND(POINT)> windowFromPoint;
    std::function<HWND(HWND)> parent;
    std::function<bool(HWND)> isTaskbar;
    std::function<bool(HWND top, HWND point)> isDesktop;
    std::function<HWND()> foreground;
    std::function<bool(HWND)> visible;
    static TWheelAreaSystem System(std::function<bool(HWND)> isTaskbar,
                                   std::function<bool(HWND top, HWND point)> isDesktop);
};

// The widest screen edge the settings dialog offers, in pixels; a wider value from the file
// counts as this.
inline constexpr int kWheelMarginMax = 999;

struct TWheelAreaSettings {
    uint8_t areas = waTrayIcon;
    int margin = 1; // any value: held to 0..kWheelMarginMax where it is used
    bool mouseInside = false;
};

// Whether a wheel turn or middle click at `p` is in one of the chosen areas.
bool IsPointInWheelArea(POINT p, const TWheelAreaSettings& settings, const TWheelAreaSystem& system);

// The top-level window of `window`: up the parent chain until there is no parent (or a
// window is its own parent).
HWND TopLevelOf(HWND window, const std::function<HWND(HWND)>& parent);

// The middle button seen by the system-wide capture: a press in a wheel area (or with the
// wheel keys held) makes the WheelClick binding pending, and its release runs it.
class TMiddleButton {
  public:
    struct Where {
        bool mouseInside = false;          // over the tray icon: its own events serve it
        std::function<bool()> inWheelArea; // asked only when needed
        bool keysMatch = false;
    };

    // `bound`: WheelClick names an action. Whether the press is handled (swallowed), that is
    // whether the binding is pending.
    bool Down(const Where& where, bool bound) noexcept;
    // Whether a release runs the pending binding; it is forgotten either way.
    bool Up(const Where& where) noexcept;
    bool Pending() const noexcept { return pending; }
    bool PendingByKeys() const noexcept { return byKeys; }

  private:
    bool pending = false;
    bool byKeys = false;
};

} // namespace lorvane
