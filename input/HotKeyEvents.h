#pragma once
// THotKeyEvents: the keyboard capture behind the hotkey edit. While an instance is enabled,
// every key press and release anywhere (system keys, Tab, Enter, Escape, Alt+Tab and the
// Windows key included) goes to its handlers and is taken from the system: no window and no
// later hook sees it. Only the release of a key whose press came before the capture passes
// on as well, so that no key stays down for the system. Enabled instances share one
// low-level keyboard hook; handlers run on the input thread (InputThread.h).

#include "Component.h"
#include "Events.h"

#include <windows.h>

#include <cstdint>

using THotKeyKeyEvent = fw::Event<void(fw::TObject* sender, WORD key)>;

namespace input {
template <typename T> class THookList;
}

class THotKeyEvents : public fw::TComponent {
  public:
    explicit THotKeyEvents(fw::TComponent* owner = nullptr, std::wstring name = L"HotKeyEvents");
    ~THotKeyEvents() override;

    /// False after construction; the first enabled instance installs the hook, the last one
    /// disabled removes it.
    bool Enabled() const noexcept { return enabled; }
    void SetEnabled(bool value);

    THotKeyKeyEvent OnKeyDown;
    THotKeyKeyEvent OnKeyUp;

    /// The shared hook, null while no instance is enabled.
    static HHOOK Hook() noexcept;
    /// What the hook does with one event (code, message, virtual key): true when the
    /// keystroke is taken from the system.
    static bool Dispatch(int code, WPARAM message, DWORD vkCode) noexcept;

  protected:
    virtual void KeyDown(WORD key);
    virtual void KeyUp(WORD key);

  private:
    // The handler runs with the instance disabled, so that whatever it does (a message box,
    // a nested message loop) does not feed keystrokes back into it.
    void Deliver(const THotKeyKeyEvent& handler, WORD key);
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam) noexcept;
    static input::THookList<THotKeyEvents> instances;
    static std::uint64_t serial; // one per dispatched event

    bool enabled = false;
    std::uint64_t lastSerial = 0; // the event this instance was last given
};
