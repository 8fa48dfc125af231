#include "SingleInstance.h"

#include "Messages.h"

namespace lorvane {

InstanceSeams SystemInstance(HANDLE mutex)
{
    InstanceSeams s;
    s.findMain = [] {
        // Until its first icon shows, the running instance's window is message-only.
        HWND h = ::FindWindowW(kMainWindowClass, kMainWindowCaption);
        return h ? h : ::FindWindowExW(HWND_MESSAGE, nullptr, kMainWindowClass, kMainWindowCaption);
    };
    s.notify = [](HWND window) { return ::PostMessageW(window, WM_INSTANCE_NOTIFY, 0, 0) != FALSE; };
    s.takeMutex = [mutex] {
        // Abandoned: its owner ended without releasing it, and it is ours now.
        const DWORD wait = ::WaitForSingleObject(mutex, 0);
        return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    };
    s.sleep = [](DWORD ms) { ::Sleep(ms); };
    s.tick = [] { return ::GetTickCount(); };
    return s;
}

SecondStart NotifyRunningInstance(const InstanceSeams& seams, DWORD waitMs)
{
    const DWORD start = seams.tick();
    for (;;) {
        // A window that went between the find and the post is looked for again: its
        // process may be ending and leave the mutex to this one.
        if (HWND running = seams.findMain(); running && seams.notify(running))
            return SecondStart::Notified;
        if (seams.takeMutex())
            return SecondStart::Owner;
        if (seams.tick() - start >= waitMs)
            return SecondStart::Lost;
        seams.sleep(kInstanceWindowPoll);
    }
}

} // namespace lorvane
