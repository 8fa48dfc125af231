#pragma once
// What a plain start does when another process owns the instance mutex: tell that process's
// main window, which may not exist yet; the start is lost only when none comes at all.

#include <windows.h>

#include <functional>

namespace lorvane {

// The running instance's window may be missing for a moment: its process took the mutex
// but has not made its window yet (started at the same moment), so look again for a while.
inline constexpr DWORD kInstanceWindowWait = 10000;
inline constexpr DWORD kInstanceWindowPoll = 25;

enum class SecondStart {
    Notified, // the running instance was told
    Owner,    // the mutex's owner ended first: this process is the instance now
    Lost,     // no window appeared within the wait
};

struct InstanceSeams {
    std::function<HWND()> findMain;   // the running instance's main window, or null
    std::function<bool(HWND)> notify; // posts WM_INSTANCE_NOTIFY; false when it failed
    std::function<bool()> takeMutex;  // the mutex without waiting: true when now ours
    std::function<void(DWORD ms)> sleep;
    std::function<DWORD()> tick; // milliseconds, wrapping as GetTickCount does
};

InstanceSeams SystemInstance(HANDLE mutex);

SecondStart NotifyRunningInstance(const InstanceSeams& seams, DWORD waitMs = kInstanceWindowWait);

} // namespace lorvane
