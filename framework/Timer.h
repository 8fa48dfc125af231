#pragma once
// TTimer: Interval, Enabled and OnTimer on a thread timer of the creating thread.
// Changing Interval or Enabled restarts the interval; the timer fires only from that
// thread's message loop.

#include "Component.h"

#include <windows.h>

namespace fw {

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner = nullptr, std::wstring name = {}, UINT interval = 1000,
                    bool enabled = true);
    ~TTimer() override;

    UINT Interval() const noexcept { return interval; }
    void SetInterval(UINT value);
    bool Enabled() const noexcept { return enabled; }
    void SetEnabled(bool value);

    TNotifyEvent OnTimer;

private:
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD) noexcept;
    void Update();
    void Kill() noexcept;

    UINT interval;
    bool enabled;
    UINT_PTR id = 0;
};

} // namespace fw
