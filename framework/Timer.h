#pragma once
// TTimer: Interval, Enabled and OnTimer on a thread timer of the creating thread.
// Changing Interval or Enabled restarts the interval (setting the same Interval changes
// nothing); the timer fires only from that thread's message loop. A running timer is
// re-armed in place, one system call, not stopped and started again.
//
// Time is a seam: logic that depends on it takes TickCount() and its timers from the
// thread's timer backend, which tests replace with a ManualTimerBackend that advances a
// virtual clock instead of sleeping.

#include "Component.h"

#include <windows.h>

#include <cstdint>
#include <map>

namespace fw {

class TTimer;

class TimerBackend {
  public:
    virtual ~TimerBackend() = default;
    // Arms `timer` to fire every `interval` ms from now; returns a non-zero id.
    virtual UINT_PTR Start(TTimer* timer, UINT interval) = 0;
    virtual void Stop(UINT_PTR id) = 0;
    // Arms the running timer `id` again: every `interval` ms from now. Returns its id (a new
    // one when the backend had to replace it), 0 when it could not.
    virtual UINT_PTR Rearm(UINT_PTR id, TTimer* timer, UINT interval)
    {
        Stop(id);
        return Start(timer, interval);
    }
    virtual uint64_t Now() = 0; // milliseconds
};

// The calling thread's backend (the system's timers unless a test installed another).
TimerBackend& CurrentTimerBackend();
// Milliseconds of the current backend's clock.
uint64_t TickCount();

class TTimer : public TComponent {
  public:
    explicit TTimer(TComponent* owner = nullptr, std::wstring name = {}, UINT interval = 1000,
                    bool enabled = true);
    ~TTimer() override;

    UINT Interval() const noexcept { return interval; }
    void SetInterval(UINT value);
    bool Enabled() const noexcept { return enabled; }
    void SetEnabled(bool value);
    // Stops and starts again: the next tick comes one full interval from now.
    void Restart();
    // The same with a new Interval, in one step.
    void Restart(UINT newInterval);
    // As Restart for the handler, without a system call while the timer already runs at this
    // interval: the next tick comes one full interval from now, the system timer is re-armed
    // only when it comes due before that. For timers restarted at every step of a burst.
    void Postpone();
    void Postpone(UINT newInterval);

    TNotifyEvent OnTimer;

    // Called by the backend when the interval has passed.
    void Fire();

  private:
    void Update();
    void Kill() noexcept;

    UINT interval;
    bool enabled;
    UINT_PTR id = 0;
    uint64_t postponedTo = 0; // the tick a Postpone asked for, 0 when none is pending
    bool shortened = false;   // armed for the rest of a postponed interval, not a full one
    TimerBackend* backend;
};

// A virtual clock for tests: timers fire only inside Advance, in due-time order.
class ManualTimerBackend : public TimerBackend {
  public:
    ManualTimerBackend();           // installs itself as the thread's backend
    ~ManualTimerBackend() override; // restores the previous one

    UINT_PTR Start(TTimer* timer, UINT interval) override;
    void Stop(UINT_PTR id) override;
    UINT_PTR Rearm(UINT_PTR id, TTimer* timer, UINT interval) override;
    uint64_t Now() override { return now; }
    // Calls of Start, Stop and Rearm so far: what a timer costs the system.
    int Calls() const noexcept { return calls; }

    // Moves the clock forward, firing every timer that comes due on the way.
    void Advance(uint64_t ms);
    bool IsArmed(const TTimer* timer) const;

  private:
    struct Entry {
        TTimer* timer;
        UINT interval;
        uint64_t due;
    };
    std::map<UINT_PTR, Entry> entries;
    UINT_PTR nextId = 1;
    uint64_t now = 1000000;
    int calls = 0;
    TimerBackend* previous;
};

} // namespace fw
