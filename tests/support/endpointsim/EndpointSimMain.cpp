// endpointsim: reads and changes the simulated system from outside, as another program
// (or the user in the sound settings) would. A thin layer over SimControl.h.

#include "SharedState.h"
#include "SimControl.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

constexpr wchar_t Usage[] = L"usage: endpointsim reset [NAME ...]\n"
                            L"       endpointsim show\n"
                            L"       endpointsim volume SCALAR [INDEX]\n"
                            L"       endpointsim mute 0|1 [INDEX]\n"
                            L"       endpointsim default INDEX\n"
                            L"       endpointsim add NAME\n"
                            L"       endpointsim state INDEX active|disabled\n"
                            L"       endpointsim delay MS   (0 ends it)\n"
                            L"       endpointsim play NAME [SECONDS] [--window]\n"
                            L"       endpointsim sessions\n"
                            L"       endpointsim session PID volume SCALAR|mute 0|1\n"
                            L"       endpointsim hold 1|0   (1 holds every notification back, 0 delivers them)\n"
                            L"INDEX omitted: the default endpoint of the console role.\n";

// UTF-8 whatever the console's code page: the output is read by scripts and tests.
void Write(DWORD stream, const std::wstring& text)
{
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                            0, nullptr, nullptr);
    if (bytes <= 0)
        return;
    std::string utf8(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr,
                          nullptr);
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(stream), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

int Fail(int code, const std::wstring& message)
{
    Write(STD_ERROR_HANDLE, L"endpointsim: " + message + L"\n");
    if (code == ExitUsage)
        Write(STD_ERROR_HANDLE, Usage);
    return code;
}

bool ParseIndex(const std::wstring& text, int count, int& index)
{
    if (text.empty() || text.size() > 4 || text.find_first_not_of(L"0123456789") != std::wstring::npos)
        return false;
    index = std::stoi(text);
    return index < count;
}

bool ParseScalar(const std::wstring& text, float& scalar)
{
    if (text.empty())
        return false;
    wchar_t* end = nullptr;
    scalar = std::wcstof(text.c_str(), &end);
    return *end == L'\0' && std::isfinite(scalar) && scalar >= 0.0f && scalar <= 1.0f;
}

std::wstring FormatEndpoint(const endpointsim::EndpointInfo& e)
{
    wchar_t scalar[32];
    std::swprintf(scalar, 32, L"%.6f", static_cast<double>(e.scalar));
    return std::to_wstring(e.index) + L"\t" + e.id + L"\t" + e.name + L"\t" +
           (e.active ? L"active" : L"disabled") + L"\t" + scalar + L"\t" + (e.mute ? L"1" : L"0") + L"\t" +
           (e.isDefault ? L"*" : L"-") + L"\n";
}

std::wstring FormatSession(const endpointsim::SessionInfo& s)
{
    wchar_t volume[32];
    std::swprintf(volume, 32, L"%.6f", static_cast<double>(s.volume));
    return std::to_wstring(s.processId) + L"\t" + (s.executable.empty() ? L"-" : s.executable) + L"\t" +
           s.displayName + L"\t" + (s.state == 1 ? L"active" : L"inactive") + L"\t" + volume + L"\t" +
           (s.mute ? L"1" : L"0") + L"\n";
}

LRESULT CALLBACK PlayWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DESTROY)
        ::PostQuitMessage(0);
    return ::DefWindowProcW(window, msg, wParam, lParam);
}

// A small top-level window titled `name` at the centre of the desktop, as a player shows.
HWND ShowPlayWindow(const std::wstring& name)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = PlayWindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"EndpointSimPlayer";
    ::RegisterClassW(&wc);
    constexpr int width = 240, height = 120;
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    HWND window = ::CreateWindowExW(0, wc.lpszClassName, name.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y,
                                    width, height, nullptr, nullptr, wc.hInstance, nullptr);
    if (window)
        ::SetForegroundWindow(window);
    return window;
}

// Plays until the time is up (none given: until the process is ended) or its window closes;
// the session then expires.
int Play(const std::wstring& name, long milliseconds, bool window)
{
    const uint32_t session = endpointsim::OpenOwnSession(name);
    if (!session)
        return Fail(ExitFailed, L"no session could be opened (no default endpoint, or no free slot)");
    HWND shown = window ? ShowPlayWindow(name) : nullptr;
    if (window && !shown) {
        endpointsim::ExpireSession(session);
        return Fail(ExitFailed, L"the window could not be created");
    }
    const DWORD start = ::GetTickCount();
    for (bool running = true; running;) {
        DWORD wait = INFINITE;
        if (milliseconds >= 0) {
            const DWORD passed = ::GetTickCount() - start;
            if (passed >= static_cast<DWORD>(milliseconds))
                break;
            wait = static_cast<DWORD>(milliseconds) - passed;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                running = false;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    endpointsim::ExpireSession(session);
    if (shown && ::IsWindow(shown))
        ::DestroyWindow(shown);
    return 0;
}

int Run(const std::vector<std::wstring>& args)
{
    if (args.empty())
        return Fail(ExitUsage, L"no command");
    const std::wstring& command = args[0];
    const size_t extra = args.size() - 1;

    if (command == L"reset") {
        if (!endpointsim::Reset({args.begin() + 1, args.end()}))
            return Fail(extra > 0 ? ExitUsage : ExitFailed,
                        extra > 0
                            ? L"bad endpoint names (1.." + std::to_wstring(endpointsim::MaxEndpoints) +
                                  L" names, each 1.." + std::to_wstring(endpointsim::NameCapacity - 1) +
                                  L" characters)"
                            : L"cannot open the state file " + endpointsim::SharedState::ConfiguredPath());
        return 0;
    }

    if (command == L"play") {
        std::vector<std::wstring> rest(args.begin() + 1, args.end());
        bool window = false;
        for (auto it = rest.begin(); it != rest.end();) {
            if (*it == L"--window") {
                window = true;
                it = rest.erase(it);
            } else {
                ++it;
            }
        }
        float seconds = -1.0f;
        if (rest.empty() || rest.size() > 2 || rest[0].empty() || rest[0].size() >= endpointsim::NameCapacity)
            return Fail(ExitUsage, L"play needs a name, optional seconds and --window");
        if (rest.size() == 2) {
            wchar_t* end = nullptr;
            seconds = std::wcstof(rest[1].c_str(), &end);
            if (*end != L'\0' || !std::isfinite(seconds) || seconds < 0.0f || seconds > 86400.0f)
                return Fail(ExitUsage, L"play needs seconds from 0 to 86400");
        }
        return Play(rest[0], seconds < 0.0f ? -1 : std::lround(seconds * 1000.0f), window);
    }
    if (command == L"sessions") {
        if (extra != 0)
            return Fail(ExitUsage, L"sessions takes no arguments");
        std::wstring text;
        for (const auto& s : endpointsim::Sessions())
            text += FormatSession(s);
        Write(STD_OUTPUT_HANDLE, text);
        return 0;
    }
    if (command == L"session") {
        const bool digits = extra >= 1 && !args[1].empty() && args[1].size() <= 10 &&
                            args[1].find_first_not_of(L"0123456789") == std::wstring::npos;
        if (extra != 3 || !digits || (args[2] != L"volume" && args[2] != L"mute"))
            return Fail(ExitUsage, L"session needs a process ID, then volume SCALAR or mute 0|1");
        const unsigned long pid = std::wcstoul(args[1].c_str(), nullptr, 10);
        bool done = false;
        if (args[2] == L"volume") {
            float scalar = 0.0f;
            if (!ParseScalar(args[3], scalar))
                return Fail(ExitUsage, L"session volume needs a scalar 0..1");
            done = endpointsim::SetSessionVolume(pid, scalar);
        } else {
            if (args[3] != L"0" && args[3] != L"1")
                return Fail(ExitUsage, L"session mute needs 0 or 1");
            done = endpointsim::SetSessionMute(pid, args[3] == L"1");
        }
        return done ? 0 : Fail(ExitFailed, L"the process has no session on the default endpoint");
    }

    const std::vector<endpointsim::EndpointInfo> endpoints = endpointsim::Show();
    if (endpoints.empty())
        return Fail(ExitFailed, L"cannot open the state file " + endpointsim::SharedState::ConfiguredPath());
    const int count = static_cast<int>(endpoints.size());
    int index = -1;
    auto optionalIndex = [&](size_t position) {
        return args.size() <= position || ParseIndex(args[position], count, index);
    };

    if (command == L"show") {
        if (extra != 0)
            return Fail(ExitUsage, L"show takes no arguments");
        std::wstring text;
        for (const auto& e : endpoints)
            text += FormatEndpoint(e);
        Write(STD_OUTPUT_HANDLE, text);
        return 0;
    }
    if (command == L"volume") {
        float scalar = 0.0f;
        if (extra < 1 || extra > 2 || !ParseScalar(args[1], scalar) || !optionalIndex(2))
            return Fail(ExitUsage, L"volume needs a scalar 0..1 and an optional endpoint index");
        if (!endpointsim::SetVolume(scalar, index))
            return Fail(ExitUsage, L"the endpoint is disabled, or there is no default endpoint");
        return 0;
    }
    if (command == L"mute") {
        if (extra < 1 || extra > 2 || (args[1] != L"0" && args[1] != L"1") || !optionalIndex(2))
            return Fail(ExitUsage, L"mute needs 0 or 1 and an optional endpoint index");
        if (!endpointsim::SetMute(args[1] == L"1", index))
            return Fail(ExitUsage, L"the endpoint is disabled, or there is no default endpoint");
        return 0;
    }
    if (command == L"default") {
        if (extra != 1 || !ParseIndex(args[1], count, index))
            return Fail(ExitUsage, L"default needs an endpoint index");
        if (!endpointsim::SetDefault(index))
            return Fail(ExitUsage, L"a disabled endpoint cannot be the default");
        return 0;
    }
    if (command == L"add") {
        if (extra != 1 || args[1].empty() || args[1].size() >= endpointsim::NameCapacity)
            return Fail(ExitUsage, L"add needs a name");
        const int added = endpointsim::Add(args[1]);
        if (added < 0)
            return Fail(ExitFailed, L"no room for another endpoint");
        Write(STD_OUTPUT_HANDLE, std::to_wstring(added) + L"\n");
        return 0;
    }
    if (command == L"state") {
        if (extra != 2 || !ParseIndex(args[1], count, index) ||
            (args[2] != L"active" && args[2] != L"disabled"))
            return Fail(ExitUsage, L"state needs an endpoint index and active or disabled");
        if (!endpointsim::SetState(index, args[2] == L"active"))
            return Fail(ExitFailed, L"the state could not be changed");
        return 0;
    }
    if (command == L"delay") {
        if (extra != 1 || args[1].empty() || args[1].size() > 6 ||
            args[1].find_first_not_of(L"0123456789") != std::wstring::npos)
            return Fail(ExitUsage, L"delay needs milliseconds, 0 to 999999");
        if (!endpointsim::SetDelay(static_cast<unsigned>(std::stoul(args[1]))))
            return Fail(ExitFailed, L"cannot open the state file");
        return 0;
    }
    if (command == L"hold") {
        if (extra != 1 || (args[1] != L"0" && args[1] != L"1"))
            return Fail(ExitUsage, L"hold needs 1 (hold notifications back) or 0 (deliver them)");
        if (!endpointsim::HoldNotifications(args[1] == L"1"))
            return Fail(ExitFailed,
                        L"cannot open the state file " + endpointsim::SharedState::ConfiguredPath());
        return 0;
    }
    return Fail(ExitUsage, L"unknown command " + command);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    try {
        return Run(std::vector<std::wstring>(argv + 1, argv + argc));
    } catch (...) {
        return Fail(ExitFailed, L"out of memory");
    }
}
