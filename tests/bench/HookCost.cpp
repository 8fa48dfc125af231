// Time per injected mouse event, through whatever low-level hooks run now: HookCost.exe N
// prints "moves-us wheels-us" (means over N events of each kind, after a warm-up).
// HookCost.exe --stop-empty ends EmptyHook.exe; --close ends a running Lorvane.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

void Send(DWORD flags, LONG dx, DWORD data)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    in.mi.dx = dx;
    in.mi.mouseData = data;
    ::SendInput(1, &in, sizeof(in));
}

// Mean microseconds per event of `n` events made by `one(i)`, each sent and waited for.
template <typename One> double Measure(int n, One one)
{
    LARGE_INTEGER f, t0, t1;
    ::QueryPerformanceFrequency(&f);
    for (int i = 0; i < n / 10; ++i)
        one(i); // warm-up
    ::QueryPerformanceCounter(&t0);
    for (int i = 0; i < n; ++i)
        one(i);
    ::QueryPerformanceCounter(&t1);
    return 1e6 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(f.QuadPart) / n;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc > 1 && std::wcscmp(argv[1], L"--stop-empty") == 0) {
        HANDLE e = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, L"LorvaneEmptyHookStop");
        return e && ::SetEvent(e) ? 0 : 1;
    }
    if (argc > 1 && std::wcscmp(argv[1], L"--close") == 0) {
        HWND w = ::FindWindowW(L"TMainForm", L"Lorvane");
        return w && ::PostMessageW(w, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    const int n = argc > 1 ? std::max(10, _wtoi(argv[1])) : 500;
    // Over the desktop, away from the taskbar and the screen edge.
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 3);
    ::Sleep(300);
    const double moves = Measure(n, [](int i) { Send(MOUSEEVENTF_MOVE, i % 2 ? 1 : -1, 0); });
    const double wheels = Measure(
        n, [](int i) { Send(MOUSEEVENTF_WHEEL, 0, static_cast<DWORD>(i % 2 ? WHEEL_DELTA : -WHEEL_DELTA)); });
    std::printf("%.1f %.1f\n", moves, wheels);
    return 0;
}
