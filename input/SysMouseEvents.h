#pragma once
// TSysMouseEvents: mouse moves, button presses and releases and wheel turns anywhere on the
// screen, whatever window is under the cursor, through one low-level mouse hook shared by
// every enabled instance. A handler that sets Handled swallows the event: no later instance,
// hook or window sees it. Handlers run on the input thread (InputThread.h), inside the hook
// call: they must return at once, never block and never wait for another thread, and they
// reach the user-interface thread only by posting.

#include "Component.h"
#include "Events.h"
#include "Mouse.h"

#include <windows.h>

#include <cstdint>

using TMouseScreenEvent = fw::Event<void(fw::TObject* sender, fw::TMouseButton button, fw::TShiftState shift,
                                         int x, int y, bool& handled)>;
using TMouseScreenMoveEvent =
    fw::Event<void(fw::TObject* sender, fw::TShiftState shift, int x, int y, bool& handled)>;
using TMouseScreenWheelEvent = fw::Event<void(fw::TObject* sender, fw::TShiftState shift, int wheelDelta,
                                              POINT mousePos, bool& handled)>;
using TMouseScreenWheelUpDownEvent =
    fw::Event<void(fw::TObject* sender, fw::TShiftState shift, POINT mousePos, bool& handled)>;

namespace input {

template <typename T> class THookList;

// Reads whether a key is down (high bit of the result), for the shift state of an event.
using KeyStateFn = SHORT(WINAPI*)(int virtualKey);

// The shift state of a mouse event: Shift, Ctrl, Alt and the three buttons.
fw::TShiftState MouseShiftState(KeyStateFn keyState) noexcept;

// Double-press rule for one button. t < 0: never; t = 0: the system's double-click time.
// A press within t ms (inclusive) of the last single press is double, and the next press
// counts as single again. `last` is that button's last single press (0 = none).
bool IsDoublePress(uint32_t& last, uint32_t now, int dblClickTime, unsigned systemDblClickTime) noexcept;

// The signed wheel delta of a low-level mouse record's mouseData.
inline int WheelDelta(DWORD mouseData) noexcept
{
    return static_cast<int>(static_cast<int32_t>(mouseData) >> 16);
}

} // namespace input

class TSysMouseEvents : public fw::TComponent {
  public:
    explicit TSysMouseEvents(fw::TComponent* owner = nullptr, std::wstring name = L"SysMouseEvents");
    ~TSysMouseEvents() override;

    /// Enabled instances share one hook; the last one disabled removes it.
    bool Enabled() const noexcept { return enabled; }
    void SetEnabled(bool value);
    /// Milliseconds for a double press: -1 none, 0 the system's double-click time.
    int DblClickTime = 0;

    TMouseScreenMoveEvent OnMouseMove;
    TMouseScreenEvent OnMouseUp;
    TMouseScreenEvent OnMouseDown;
    TMouseScreenWheelEvent OnMouseWheel;
    TMouseScreenWheelUpDownEvent OnMouseWheelUp;
    TMouseScreenWheelUpDownEvent OnMouseWheelDown;

    /// How the shift state is read; tests substitute a fake.
    static input::KeyStateFn KeyState;
    /// The shared hook, null while no instance is enabled.
    static HHOOK Hook() noexcept;
    /// What the hook does with one event (code, message, record): true when handled.
    static bool Dispatch(int code, WPARAM message, const MSLLHOOKSTRUCT& record) noexcept;

  protected:
    virtual void MouseMove(int x, int y, bool& handled);
    virtual void MouseDown(fw::TMouseButton button, int x, int y, bool& handled);
    virtual void MouseUp(fw::TMouseButton button, int x, int y, bool& handled);
    virtual void MouseWheel(int delta, POINT pos, bool& handled);
    // The double-press variant of MouseDown; the hook does not use it.
    virtual void DblMouseDown(fw::TMouseButton button, int x, int y, bool& handled);

  private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam) noexcept;
    // Constructed before main and never guarded: the move path takes no lock.
    static input::THookList<TSysMouseEvents> instances;

    uint32_t lastPress[3] = {0, 0, 0}; // left, right, middle
    bool enabled = false;
};
