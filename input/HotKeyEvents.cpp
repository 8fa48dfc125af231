#include "HotKeyEvents.h"

#include "HookList.h"

#include <atomic>

input::THookList<THotKeyEvents> THotKeyEvents::instances(WH_KEYBOARD_LL, &THotKeyEvents::HookProc);
std::uint64_t THotKeyEvents::serial = 0;

namespace {

// The keys whose press the capture took. A release is taken only after its press was: a key
// held down before the capture began (Shift+Tab into the edit) is released to the system,
// which would otherwise keep it down in every program.
std::atomic<std::uint64_t> taken[4];

// Whether the capture takes this key message: every press, and a release whose press it took.
bool Mark(DWORD vk, bool down) noexcept
{
    const std::uint64_t bit = std::uint64_t(1) << (vk & 63);
    std::atomic<std::uint64_t>& word = taken[(vk >> 6) & 3];
    if (down) {
        word.fetch_or(bit);
        return true;
    }
    return (word.fetch_and(~bit) & bit) != 0;
}

} // namespace

THotKeyEvents::THotKeyEvents(fw::TComponent* owner, std::wstring name)
    : fw::TComponent(owner, std::move(name))
{
}

THotKeyEvents::~THotKeyEvents()
{
    SetEnabled(false);
}

void THotKeyEvents::SetEnabled(bool value)
{
    if (value == enabled)
        return;
    enabled = value;
    if (value) {
        // A capture that begins anew took no key yet: a press it took before may have been
        // released to the system while no capture ran.
        if (!instances.Hook())
            for (auto& word : taken)
                word = 0;
        instances.Add(this);
    } else {
        instances.Remove(this);
    }
}

HHOOK THotKeyEvents::Hook() noexcept
{
    return instances.Hook();
}

bool THotKeyEvents::Dispatch(int code, WPARAM message, DWORD vkCode) noexcept
{
    if (code != HC_ACTION)
        return false;
    const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    const bool up = message == WM_KEYUP || message == WM_SYSKEYUP;
    if (!down && !up)
        return false;
    const WORD key = static_cast<WORD>(vkCode & 0xFFFF);
    const bool take = Mark(vkCode, down);
    const std::uint64_t event = ++serial;
    try {
        instances.Dispatch([&](THotKeyEvents& e) {
            // A handler that leaves and re-enters the list appends the instance again
            // behind the dispatch position: it gets each event once.
            if (e.lastSerial == event)
                return false;
            e.lastSerial = event;
            if (down)
                e.KeyDown(key);
            else
                e.KeyUp(key);
            return false;
        });
    } catch (...) {
        // Nothing may leave the hook; the keystroke is still taken.
    }
    return take;
}

LRESULT CALLBACK THotKeyEvents::HookProc(int code, WPARAM wParam, LPARAM lParam) noexcept
{
    if (code >= 0) {
        input::TInputThread::NoteCall(instances.Slot());
        if (Dispatch(code, wParam, reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam)->vkCode))
            return 1;
    }
    return instances.Next(code, wParam, lParam);
}

void THotKeyEvents::Deliver(const THotKeyKeyEvent& handler, WORD key)
{
    if (!handler)
        return;
    const bool was = enabled;
    SetEnabled(false);
    try {
        handler(this, key);
    } catch (...) {
        SetEnabled(was);
        throw;
    }
    SetEnabled(was);
}

void THotKeyEvents::KeyDown(WORD key)
{
    Deliver(OnKeyDown, key);
}

void THotKeyEvents::KeyUp(WORD key)
{
    Deliver(OnKeyUp, key);
}
