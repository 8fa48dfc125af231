#include "KeyBoardEvents.h"

#include "HookList.h"

namespace input {

fw::TShiftState KeyShiftState(const KBDLLHOOKSTRUCT& record, AsyncKeyStateFn keyState) noexcept
{
    fw::TShiftState s = 0;
    auto is = [&](DWORD vk) { return record.vkCode == vk || keyState(static_cast<int>(vk)) < 0; };
    if (record.flags & LLKHF_ALTDOWN)
        s |= fw::ssAlt;
    if (is(VK_SHIFT))
        s |= fw::ssShift;
    if (is(VK_CONTROL))
        s |= fw::ssCtrl;
    if (is(VK_LBUTTON))
        s |= fw::ssLeft;
    if (is(VK_RBUTTON))
        s |= fw::ssRight;
    if (is(VK_MBUTTON))
        s |= fw::ssMiddle;
    return s;
}

} // namespace input

input::THookList<TKeyBoardEvents> TKeyBoardEvents::instances(WH_KEYBOARD_LL, &TKeyBoardEvents::HookProc);
input::AsyncKeyStateFn TKeyBoardEvents::KeyState = ::GetAsyncKeyState;

TKeyBoardEvents::TKeyBoardEvents(fw::TComponent* owner, std::wstring name)
    : fw::TComponent(owner, std::move(name))
{
}

TKeyBoardEvents::~TKeyBoardEvents()
{
    SetEnabled(false);
}

void TKeyBoardEvents::SetEnabled(bool value)
{
    instances.SetEnabled(this, enabled, value);
}

HHOOK TKeyBoardEvents::Hook() noexcept
{
    return instances.Hook();
}

bool TKeyBoardEvents::Dispatch(int code, WPARAM message, const KBDLLHOOKSTRUCT& record) noexcept
{
    if (code != HC_ACTION)
        return false;
    const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    const bool up = message == WM_KEYUP || message == WM_SYSKEYUP;
    if (!down && !up)
        return false;
    const WORD key = static_cast<WORD>(record.vkCode & 0xFFFF);
    const fw::TShiftState shift = input::KeyShiftState(record, KeyState);
    try {
        return instances.Dispatch([&](TKeyBoardEvents& e) {
            bool handled = false;
            if (down)
                e.KeyDown(key, shift, handled);
            else
                e.KeyUp(key, shift, handled);
            return handled;
        });
    } catch (...) {
        return false; // nothing may leave the hook; the keystroke passes on
    }
}

LRESULT CALLBACK TKeyBoardEvents::HookProc(int code, WPARAM wParam, LPARAM lParam) noexcept
{
    if (code >= 0) {
        input::TInputThread::NoteCall(instances.Slot());
        if (Dispatch(code, wParam, *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam)))
            return 1;
    }
    return instances.Next(code, wParam, lParam);
}

void TKeyBoardEvents::KeyDown(WORD key, fw::TShiftState shift, bool& handled)
{
    if (OnKeyDown)
        OnKeyDown(this, key, shift, handled);
}

void TKeyBoardEvents::KeyUp(WORD key, fw::TShiftState shift, bool& handled)
{
    if (OnKeyUp)
        OnKeyUp(this, key, shift, handled);
}
