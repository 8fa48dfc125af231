// The floor of the hook benchmark: a low-level mouse hook that does nothing but pass every
// event on. Runs until HookCost.exe --stop-empty signals it (or for a minute at most).
#include <windows.h>

namespace {

LRESULT CALLBACK Pass(int code, WPARAM wParam, LPARAM lParam)
{
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

int wmain()
{
    HANDLE stop = ::CreateEventW(nullptr, TRUE, FALSE, L"LorvaneEmptyHookStop");
    HHOOK hook = ::SetWindowsHookExW(WH_MOUSE_LL, Pass, ::GetModuleHandleW(nullptr), 0);
    if (!stop || !hook)
        return 1;
    const DWORD start = ::GetTickCount();
    for (;;) {
        DWORD r = ::MsgWaitForMultipleObjects(1, &stop, FALSE, 1000, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0 || ::GetTickCount() - start > 60000)
            break;
        MSG m;
        while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&m);
    }
    ::UnhookWindowsHookEx(hook);
    ::CloseHandle(stop);
    return 0;
}
