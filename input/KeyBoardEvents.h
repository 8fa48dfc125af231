#pragma once
// TKeyBoardEvents: key presses and releases anywhere, whatever window has the focus, through
// one low-level keyboard hook shared by every enabled instance. A handler that sets Handled
// swallows the keystroke. Handlers run inside the hook call on the input thread
// (InputThread.h) and must return at once.

#include "Component.h"
#include "Events.h"
#include "Mouse.h"

#include <windows.h>

using TKeyBoardEvent = fw::Event<void(fw::TObject* sender, WORD key, fw::TShiftState shift, bool& handled)>;

namespace input {

template <typename T> class THookList;
using AsyncKeyStateFn = SHORT(WINAPI*)(int virtualKey);

// The shift state of a low-level keyboard record: Alt from its flags; Shift and Ctrl when the
// key itself is the generic VK_SHIFT / VK_CONTROL or that key is down; the mouse buttons
// likewise by their codes 1, 2 and 4.
fw::TShiftState KeyShiftState(const KBDLLHOOKSTRUCT& record, AsyncKeyStateFn keyState) noexcept;

} // namespace input

class TKeyBoardEvents : public fw::TComponent {
  public:
    explicit TKeyBoardEvents(fw::TComponent* owner = nullptr, std::wstring name = L"KeyBoardEvents");
    ~TKeyBoardEvents() override;

    /// Enabled instances share one hook; the last one disabled removes it.
    bool Enabled() const noexcept { return enabled; }
    void SetEnabled(bool value);
    int Tag = 0;

    TKeyBoardEvent OnKeyDown;
    TKeyBoardEvent OnKeyUp;

    /// How key states are read; tests substitute a fake.
    static input::AsyncKeyStateFn KeyState;
    /// The shared hook, null while no instance is enabled.
    static HHOOK Hook() noexcept;
    /// What the hook does with one event (code, message, record): true when swallowed.
    static bool Dispatch(int code, WPARAM message, const KBDLLHOOKSTRUCT& record) noexcept;

  protected:
    virtual void KeyDown(WORD key, fw::TShiftState shift, bool& handled);
    virtual void KeyUp(WORD key, fw::TShiftState shift, bool& handled);

  private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam) noexcept;
    static input::THookList<TKeyBoardEvents> instances;

    bool enabled = false;
};
