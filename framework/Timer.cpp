#include "Timer.h"

#include <unordered_map>

namespace fw {

namespace {
// Thread timers carry only their id: this maps it back to the component.
thread_local std::unordered_map<UINT_PTR, TTimer*> liveTimers;
}

TTimer::TTimer(TComponent* owner, std::wstring name, UINT interval, bool enabled)
    : TComponent(owner, std::move(name)), interval(interval), enabled(enabled)
{
    Update();
}

TTimer::~TTimer()
{
    Kill();
}

void TTimer::SetInterval(UINT value)
{
    interval = value;
    Update();
}

void TTimer::SetEnabled(bool value)
{
    if (value == enabled)
        return;
    enabled = value;
    Update();
}

void TTimer::Kill() noexcept
{
    if (id) {
        ::KillTimer(nullptr, id);
        liveTimers.erase(id);
        id = 0;
    }
}

void TTimer::Update()
{
    Kill();
    if (!enabled || interval == 0)
        return;
    id = ::SetTimer(nullptr, 0, interval, TimerProc);
    if (id)
        liveTimers[id] = this;
}

void CALLBACK TTimer::TimerProc(HWND, UINT, UINT_PTR id, DWORD) noexcept
{
    auto it = liveTimers.find(id);
    if (it == liveTimers.end())
        return;
    TTimer* timer = it->second;
    if (timer->OnTimer)
        timer->OnTimer(timer);
}

} // namespace fw
