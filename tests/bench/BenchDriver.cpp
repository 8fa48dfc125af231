// The load generator and stopwatch of tools/bench, run in the same Wine session:
//   BenchDriver volume N RATE             N volume changes through the (simulated) endpoint, RATE/s
//   BenchDriver session PID N RATE        N volume changes of the session of process PID, RATE/s
//   BenchDriver find CLASS NAME...        the list position of each named action, as the running
//                                         window of CLASS has ordered its list (presets, tools)
//   BenchDriver post CLASS N INTERVAL POS...  N WM_RUN_ACTION messages every INTERVAL ms, taking
//                                         the positions in turn
//   BenchDriver starticon EXE [ARGS]      ms from CreateProcess to a new tray icon, and the number
//                                         of the shell's tooltip windows before it; then closes EXE
//   BenchDriver wait CLASS BOUND          waits up to BOUND ms for a window of CLASS
//   BenchDriver close CLASS               posts WM_CLOSE to every top-level window of CLASS
// Prints what it measured or found on one line; exit code 0 when it did its work.
#include <audiopolicy.h>
#include <endpointvolume.h>
#include <mmdeviceapi.h>
#include <windows.h>

#include "SessionOf.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr UINT WM_RUN_ACTION = WM_APP + 1002;

double Now()
{
    static LARGE_INTEGER frequency{};
    if (!frequency.QuadPart)
        ::QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Sleeps until `due` (ms of Now()); late steps are not made up by bursts.
void SleepUntil(double due)
{
    const double left = due - Now();
    if (left > 0)
        ::Sleep(static_cast<DWORD>(left));
}

int Volume(int count, int rate)
{
    if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        return 2;
    IMMDeviceEnumerator* enumerator = nullptr;
    IMMDevice* device = nullptr;
    IAudioEndpointVolume* volume = nullptr;
    if (FAILED(::CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                  __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(&enumerator))) ||
        FAILED(enumerator->GetDefaultAudioEndpoint(eRender, eConsole, &device)) ||
        FAILED(device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER, nullptr,
                                reinterpret_cast<void**>(&volume))))
        return 2;
    const double period = 1000.0 / (rate > 0 ? rate : 100);
    const double start = Now();
    for (int i = 0; i < count; ++i) {
        // A saw-tooth of whole percents: every change moves the tip, some the picture.
        volume->SetMasterVolumeLevelScalar(0.30f + static_cast<float>(i % 40) / 100.0f, nullptr);
        SleepUntil(start + (i + 1) * period);
    }
    volume->Release();
    device->Release();
    enumerator->Release();
    return 0;
}

// Through the session manager, as another program (the system's mixer) changes it.
int SessionVolume(DWORD pid, int count, int rate)
{
    if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        return 2;
    ISimpleAudioVolume* volume = nullptr;
    if (IAudioSessionControl2* session = SessionOf(pid)) {
        session->QueryInterface(__uuidof(ISimpleAudioVolume), reinterpret_cast<void**>(&volume));
        session->Release();
    }
    if (!volume)
        return 1;
    const double period = 1000.0 / (rate > 0 ? rate : 100);
    const double start = Now();
    for (int i = 0; i < count; ++i) {
        volume->SetMasterVolume(0.30f + static_cast<float>(i % 40) / 100.0f, nullptr);
        SleepUntil(start + (i + 1) * period);
    }
    volume->Release();
    return 0;
}

// The position of a named action in the window's list, asked through the probe message with
// the name in a global atom; -1 when the window has no such action or does not answer.
LRESULT ActionPosition(HWND target, const wchar_t* name)
{
    static const UINT probe = ::RegisterWindowMessageW(L"Lorvane.Probe");
    constexpr WPARAM kActionPosition = 13;
    const ATOM atom = ::GlobalAddAtomW(name);
    if (!atom)
        return -1;
    DWORD_PTR result = static_cast<DWORD_PTR>(-1);
    if (!::SendMessageTimeoutW(target, probe, kActionPosition, atom, SMTO_ABORTIFHUNG, 5000, &result))
        result = static_cast<DWORD_PTR>(-1);
    ::GlobalDeleteAtom(atom);
    return static_cast<LRESULT>(result);
}

// Prints "NAME@POSITION" for each name; fails when one is unknown, so that nothing else is
// driven in its place.
int Find(const wchar_t* cls, int count, wchar_t** names)
{
    HWND target = ::FindWindowW(cls, nullptr);
    if (!target)
        return 2;
    std::wstring line;
    for (int i = 0; i < count; ++i) {
        const LRESULT position = ActionPosition(target, names[i]);
        if (position < 0) {
            std::fprintf(stderr, "BenchDriver: %ls has no action %ls\n", cls, names[i]);
            return 1;
        }
        line += (i ? L" " : L"") + std::wstring(names[i]) + L"@" + std::to_wstring(position);
    }
    std::printf("%ls\n", line.c_str());
    return 0;
}

int Post(const wchar_t* cls, int count, int interval, int positionCount, wchar_t** positions)
{
    HWND target = ::FindWindowW(cls, nullptr);
    if (!target || positionCount < 1)
        return 2;
    const double start = Now();
    for (int i = 0; i < count; ++i) {
        // "NAME@13" as Find prints it, or a bare position.
        const wchar_t* text = positions[i % positionCount];
        const wchar_t* at = std::wcschr(text, L'@');
        ::PostMessageW(target, WM_RUN_ACTION, 0, _wtoi(at ? at + 1 : text));
        SleepUntil(start + (i + 1) * interval);
    }
    return 0;
}

// Wine's shell makes a tooltip window for every icon it adds and keeps it after a removal:
// their number grows by one with every add.
int TrayTipCount()
{
    HWND tray = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    int n = 0;
    for (HWND tip = nullptr; (tip = ::FindWindowExW(nullptr, tip, L"tooltips_class32", nullptr));)
        if (tray && ::GetWindow(tip, GW_OWNER) == tray)
            ++n;
    return n;
}

struct FindByProcess {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK CloseProcessWindows(HWND w, LPARAM lp)
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(w, &pid);
    if (pid == reinterpret_cast<FindByProcess*>(lp)->pid) {
        wchar_t cls[64] = {};
        ::GetClassNameW(w, cls, 64);
        if (!std::wcscmp(cls, L"TMainForm") || !std::wcscmp(cls, L"MinimalTray"))
            ::PostMessageW(w, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

int StartIcon(int argc, wchar_t** argv)
{
    std::wstring line = L"\"" + std::wstring(argv[0]) + L"\"";
    for (int i = 1; i < argc; ++i)
        line += L" " + std::wstring(argv[i]);
    // Every icon ever added leaves a tooltip window, and each makes the next add slower.
    const int before = TrayTipCount();
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    const double start = Now();
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 2;
    double shown = -1;
    while (Now() - start < 20000) {
        if (TrayTipCount() > before) {
            shown = Now() - start;
            break;
        }
        if (::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0)
            break;
        ::Sleep(1);
    }
    FindByProcess find{pi.dwProcessId, nullptr};
    ::EnumWindows(CloseProcessWindows, reinterpret_cast<LPARAM>(&find));
    if (::WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
        ::TerminateProcess(pi.hProcess, 3);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    if (shown < 0)
        return 1;
    std::printf("%.1f %d\n", shown, before);
    return 0;
}

int Wait(const wchar_t* cls, int bound)
{
    const double start = Now();
    while (!::FindWindowW(cls, nullptr)) {
        if (Now() - start > bound)
            return 1;
        ::Sleep(10);
    }
    return 0;
}

int Close(const wchar_t* cls)
{
    for (HWND w = nullptr; (w = ::FindWindowExW(nullptr, w, cls, nullptr));)
        ::PostMessageW(w, WM_CLOSE, 0, 0);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"volume" && argc == 4)
        return Volume(_wtoi(argv[2]), _wtoi(argv[3]));
    if (command == L"session" && argc == 5)
        return SessionVolume(static_cast<DWORD>(_wtoi(argv[2])), _wtoi(argv[3]), _wtoi(argv[4]));
    if (command == L"find" && argc >= 4)
        return Find(argv[2], argc - 3, argv + 3);
    if (command == L"post" && argc >= 6)
        return Post(argv[2], _wtoi(argv[3]), _wtoi(argv[4]), argc - 5, argv + 5);
    if (command == L"starticon" && argc >= 3)
        return StartIcon(argc - 2, argv + 2);
    if (command == L"wait" && argc == 4)
        return Wait(argv[2], _wtoi(argv[3]));
    if (command == L"close" && argc == 3)
        return Close(argv[2]);
    std::fputws(L"usage: BenchDriver volume N RATE | session PID N RATE | find CLASS NAME... | post CLASS N INTERVAL POS... | "
                L"starticon EXE [ARGS] | wait CLASS BOUND | close CLASS\n",
                stderr);
    return 2;
}
