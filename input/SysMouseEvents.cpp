#include "SysMouseEvents.h"

#include "HookList.h"
#include "Timer.h"

namespace input {

fw::TShiftState MouseShiftState(KeyStateFn keyState) noexcept
{
    fw::TShiftState s = 0;
    auto down = [keyState](int vk) { return keyState(vk) < 0; };
    if (down(VK_SHIFT))
        s |= fw::ssShift;
    if (down(VK_CONTROL))
        s |= fw::ssCtrl;
    if (down(VK_MENU))
        s |= fw::ssAlt;
    if (down(VK_LBUTTON))
        s |= fw::ssLeft;
    if (down(VK_RBUTTON))
        s |= fw::ssRight;
    if (down(VK_MBUTTON))
        s |= fw::ssMiddle;
    return s;
}

bool IsDoublePress(uint32_t& last, uint32_t now, int dblClickTime, unsigned systemDblClickTime) noexcept
{
    if (dblClickTime < 0)
        return false;
    const uint32_t t = dblClickTime == 0 ? systemDblClickTime : static_cast<uint32_t>(dblClickTime);
    if (t == 0)
        return false;
    bool dbl = false;
    if (last != 0 && now - last <= t) {
        dbl = true;
        now = 0; // the next press starts over
    }
    last = now;
    return dbl;
}

} // namespace input

input::THookList<TSysMouseEvents> TSysMouseEvents::instances(WH_MOUSE_LL, &TSysMouseEvents::HookProc);

// The hook runs in the thread's input processing: GetKeyState there tells the state of the
// keys as this thread last saw them, which misses keys typed into other programs' windows.
input::KeyStateFn TSysMouseEvents::KeyState = ::GetAsyncKeyState;

TSysMouseEvents::TSysMouseEvents(fw::TComponent* owner, std::wstring name)
    : fw::TComponent(owner, std::move(name))
{
}

TSysMouseEvents::~TSysMouseEvents()
{
    SetEnabled(false);
}

void TSysMouseEvents::SetEnabled(bool value)
{
    instances.SetEnabled(this, enabled, value);
}

HHOOK TSysMouseEvents::Hook() noexcept
{
    return instances.Hook();
}

bool TSysMouseEvents::Dispatch(int code, WPARAM message, const MSLLHOOKSTRUCT& record) noexcept
{
    if (code != HC_ACTION)
        return false;
    const int x = record.pt.x;
    const int y = record.pt.y;
    auto buttons = [&](fw::TMouseButton button, bool down) {
        return instances.Dispatch([&](TSysMouseEvents& e) {
            bool handled = false;
            if (down)
                e.MouseDown(button, x, y, handled);
            else
                e.MouseUp(button, x, y, handled);
            return handled;
        });
    };
    try {
        switch (message) {
        case WM_MOUSEMOVE:
            return instances.Dispatch([&](TSysMouseEvents& e) {
                bool handled = false;
                e.MouseMove(x, y, handled);
                return handled;
            });
        case WM_LBUTTONDOWN:
            return buttons(fw::TMouseButton::mbLeft, true);
        case WM_LBUTTONUP:
            return buttons(fw::TMouseButton::mbLeft, false);
        case WM_RBUTTONDOWN:
            return buttons(fw::TMouseButton::mbRight, true);
        case WM_RBUTTONUP:
            return buttons(fw::TMouseButton::mbRight, false);
        case WM_MBUTTONDOWN:
            return buttons(fw::TMouseButton::mbMiddle, true);
        case WM_MBUTTONUP:
            return buttons(fw::TMouseButton::mbMiddle, false);
        case WM_MOUSEWHEEL: {
            const int delta = input::WheelDelta(record.mouseData);
            return instances.Dispatch([&](TSysMouseEvents& e) {
                bool handled = false;
                e.MouseWheel(delta, record.pt, handled);
                return handled;
            });
        }
        default:
            return false; // extra buttons, horizontal wheel
        }
    } catch (...) {
        // Nothing may leave the hook; an event whose handler failed passes on.
        return false;
    }
}

LRESULT CALLBACK TSysMouseEvents::HookProc(int code, WPARAM wParam, LPARAM lParam) noexcept
{
    if (code >= 0) {
        const auto& record = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        input::TInputThread::NoteCall(instances.Slot(), record.pt);
        if (Dispatch(code, wParam, record))
            return 1;
    }
    return instances.Next(code, wParam, lParam);
}

void TSysMouseEvents::MouseMove(int x, int y, bool& handled)
{
    if (OnMouseMove)
        OnMouseMove(this, input::MouseShiftState(KeyState), x, y, handled);
}

void TSysMouseEvents::MouseDown(fw::TMouseButton button, int x, int y, bool& handled)
{
    if (!OnMouseDown)
        return;
    fw::TShiftState shift = input::MouseShiftState(KeyState);
    if (input::IsDoublePress(lastPress[static_cast<int>(button)], static_cast<uint32_t>(fw::TickCount()),
                             DblClickTime, ::GetDoubleClickTime()))
        shift |= fw::ssDouble;
    OnMouseDown(this, button, shift, x, y, handled);
}

void TSysMouseEvents::MouseUp(fw::TMouseButton button, int x, int y, bool& handled)
{
    if (OnMouseUp)
        OnMouseUp(this, button, input::MouseShiftState(KeyState), x, y, handled);
}

void TSysMouseEvents::MouseWheel(int delta, POINT pos, bool& handled)
{
    // All three run for one turn, even after an earlier one handled it.
    if (OnMouseWheel)
        OnMouseWheel(this, input::MouseShiftState(KeyState), delta, pos, handled);
    if (OnMouseWheelUp && delta > 0)
        OnMouseWheelUp(this, input::MouseShiftState(KeyState), pos, handled);
    if (OnMouseWheelDown && delta < 0)
        OnMouseWheelDown(this, input::MouseShiftState(KeyState), pos, handled);
}

void TSysMouseEvents::DblMouseDown(fw::TMouseButton button, int x, int y, bool& handled)
{
    if (OnMouseDown)
        OnMouseDown(this, button, input::MouseShiftState(KeyState) | fw::ssDouble, x, y, handled);
}
