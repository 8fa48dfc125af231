#include "Timer.h"

#include <unordered_map>

namespace fw {

namespace {

// The system's thread timers carry only their id: this maps it back to the component.
class SystemTimerBackend : public TimerBackend {
  public:
    UINT_PTR Start(TTimer* timer, UINT interval) override
    {
        UINT_PTR id = ::SetTimer(nullptr, 0, interval, Proc);
        if (id)
            live[id] = timer;
        return id;
    }
    void Stop(UINT_PTR id) override
    {
        ::KillTimer(nullptr, id);
        live.erase(id);
    }
    UINT_PTR Rearm(UINT_PTR id, TTimer* timer, UINT interval) override
    {
        // The id of a thread timer names it: SetTimer replaces it and restarts its interval.
        UINT_PTR again = ::SetTimer(nullptr, id, interval, Proc);
        if (again == id)
            return id;
        Stop(id);
        if (again)
            live[again] = timer;
        return again;
    }
    uint64_t Now() override { return ::GetTickCount64(); }

  private:
    static void CALLBACK Proc(HWND, UINT, UINT_PTR id, DWORD) noexcept
    {
        auto it = live.find(id);
        if (it != live.end())
            it->second->Fire();
    }
    static thread_local std::unordered_map<UINT_PTR, TTimer*> live;
};

thread_local std::unordered_map<UINT_PTR, TTimer*> SystemTimerBackend::live;
thread_local SystemTimerBackend systemBackend;
thread_local TimerBackend* currentBackend = nullptr;

} // namespace

TimerBackend& CurrentTimerBackend()
{
    return currentBackend ? *currentBackend : systemBackend;
}

uint64_t TickCount()
{
    return CurrentTimerBackend().Now();
}

TTimer::TTimer(TComponent* owner, std::wstring name, UINT interval, bool enabled)
    : TComponent(owner, std::move(name)), interval(interval), enabled(enabled),
      backend(&CurrentTimerBackend())
{
    Update();
}

TTimer::~TTimer()
{
    Kill();
}

void TTimer::SetInterval(UINT value)
{
    if (value == interval)
        return;
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

void TTimer::Restart()
{
    enabled = true;
    Update();
}

void TTimer::Restart(UINT newInterval)
{
    interval = newInterval;
    Restart();
}

void TTimer::Postpone()
{
    if (!enabled || !id) {
        Restart();
        return;
    }
    postponedTo = backend->Now() + interval;
}

void TTimer::Postpone(UINT newInterval)
{
    if (newInterval != interval)
        Restart(newInterval);
    else
        Postpone();
}

void TTimer::Fire()
{
    if (postponedTo) {
        const uint64_t now = backend->Now();
        if (now < postponedTo) {
            // Early for the postponed tick: wait out the rest of the interval.
            id = backend->Rearm(id, this, static_cast<UINT>(postponedTo - now));
            shortened = true;
            return;
        }
        postponedTo = 0;
    }
    if (shortened) {
        shortened = false;
        id = backend->Rearm(id, this, interval); // the ticks after it come a full interval apart
    }
    if (OnTimer)
        OnTimer(this);
}

void TTimer::Kill() noexcept
{
    if (id) {
        backend->Stop(id);
        id = 0;
    }
}

void TTimer::Update()
{
    postponedTo = 0;
    shortened = false;
    if (!enabled || interval == 0)
        Kill();
    else if (id)
        id = backend->Rearm(id, this, interval);
    else
        id = backend->Start(this, interval);
}

ManualTimerBackend::ManualTimerBackend() : previous(currentBackend)
{
    currentBackend = this;
}

ManualTimerBackend::~ManualTimerBackend()
{
    currentBackend = previous;
}

UINT_PTR ManualTimerBackend::Start(TTimer* timer, UINT interval)
{
    ++calls;
    UINT_PTR id = nextId++;
    entries[id] = Entry{timer, interval, now + interval};
    return id;
}

void ManualTimerBackend::Stop(UINT_PTR id)
{
    ++calls;
    entries.erase(id);
}

UINT_PTR ManualTimerBackend::Rearm(UINT_PTR id, TTimer* timer, UINT interval)
{
    // A new id keeps the order of ties that a stop and a start would give.
    entries.erase(id);
    UINT_PTR again = nextId++;
    entries[again] = Entry{timer, interval, now + interval};
    ++calls;
    return again;
}

bool ManualTimerBackend::IsArmed(const TTimer* timer) const
{
    for (const auto& [id, e] : entries) {
        if (e.timer == timer)
            return true;
    }
    return false;
}

void ManualTimerBackend::Advance(uint64_t ms)
{
    const uint64_t end = now + ms;
    for (;;) {
        // The earliest due entry; ties fire in the order they were armed.
        auto next = entries.end();
        for (auto it = entries.begin(); it != entries.end(); ++it) {
            if (it->second.due <= end && (next == entries.end() || it->second.due < next->second.due))
                next = it;
        }
        if (next == entries.end())
            break;
        now = next->second.due;
        next->second.due += next->second.interval;
        next->second.timer->Fire(); // may stop, restart or destroy timers
    }
    now = end;
}

} // namespace fw
