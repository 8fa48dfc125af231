#include "LorvaneProcess.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace e2e {

std::wstring BinDir()
{
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir = self;
    dir.resize(dir.find_last_of(L'\\'));              // build\tests
    dir.resize(dir.find_last_of(L'\\') + 1);          // build\ .
    return dir + L"bin\\";
}

namespace {
std::wstring programOverride;

void RemoveTree(const std::wstring& dir)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((dir + L"*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(dir + name + L"\\");
            else
                ::DeleteFileW((dir + name).c_str());
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryW(dir.c_str());
}
} // namespace

std::wstring LorvanePath()
{
    return programOverride.empty() ? BinDir() + L"Lorvane.exe" : programOverride;
}

ProgramFolder::ProgramFolder(const std::wstring& tag)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    path = std::wstring(temp) + L"lorvane-" + tag + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    RemoveTree(path);
    ::CreateDirectoryW(path.c_str(), nullptr);
    ::CopyFileW((BinDir() + L"Lorvane.exe").c_str(), File(L"Lorvane.exe").c_str(), FALSE);
    programOverride = File(L"Lorvane.exe");
}

ProgramFolder::~ProgramFolder()
{
    programOverride.clear();
    RemoveTree(path);
}

bool ProgramFolder::WriteSettings(const std::wstring& text) const
{
    HANDLE h = ::CreateFileW(File(L"Lorvane.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    std::wstring data = L"\xFEFF" + text;
    DWORD written = 0;
    BOOL ok = ::WriteFile(h, data.data(), static_cast<DWORD>(data.size() * sizeof(wchar_t)), &written, nullptr);
    ::CloseHandle(h);
    return ok && written == data.size() * sizeof(wchar_t);
}

std::wstring ProgramFolder::ReadSettings(const std::wstring& name) const
{
    HANDLE h =
        ::CreateFileW(File(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    std::wstring text(::GetFileSize(h, nullptr) / sizeof(wchar_t), L'\0');
    DWORD read = 0;
    ::ReadFile(h, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read, nullptr);
    ::CloseHandle(h);
    if (!text.empty() && text.front() == L'\xFEFF')
        text.erase(0, 1);
    return text;
}

Process::Process(Process&& other) noexcept
    : process(std::exchange(other.process, nullptr)), pid(std::exchange(other.pid, 0))
{
}

Process& Process::operator=(Process&& other) noexcept
{
    if (this != &other) {
        if (process)
            ::CloseHandle(process);
        process = std::exchange(other.process, nullptr);
        pid = std::exchange(other.pid, 0);
    }
    return *this;
}

Process::~Process()
{
    if (process)
        ::CloseHandle(process);
}

bool StartProcess(const std::wstring& exe, const std::wstring& args, const std::wstring& cwd,
                  PROCESS_INFORMATION& pi)
{
    std::wstring line = L"\"" + exe + L"\"";
    if (!args.empty())
        line += L" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    // Wine now and then refuses a process start outright under load (nothing ran): try again.
    for (int attempt = 0;; ++attempt) {
        std::wstring mutableLine = line;
        if (::CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             cwd.empty() ? nullptr : cwd.c_str(), &si, &pi)) {
            ::CloseHandle(pi.hThread);
            return true;
        }
        if (attempt == 2)
            return false;
        std::fprintf(stderr, "start of %ls failed (error %lu), trying again\n", exe.c_str(), ::GetLastError());
        ::Sleep(200);
    }
}

bool Process::Start(const std::wstring& exe, const std::wstring& args)
{
    PROCESS_INFORMATION pi{};
    if (!StartProcess(exe, args, L"", pi))
        return false;
    process = pi.hProcess;
    pid = pi.dwProcessId;
    return true;
}

long Process::Wait(DWORD ms)
{
    if (!process || ::WaitForSingleObject(process, ms) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(process, &code);
    return static_cast<long>(code);
}

bool Process::Running() const
{
    return process && ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

void Process::Kill()
{
    if (Running()) {
        ::TerminateProcess(process, 99);
        ::WaitForSingleObject(process, 5000);
    }
}

long RunLorvane(const std::wstring& args, DWORD boundMs)
{
    Process p;
    if (!p.Start(LorvanePath(), args))
        return -2;
    long code = p.Wait(boundMs);
    if (code == -1)
        p.Kill();
    return code;
}

std::vector<HWND> MainWindows(DWORD pid)
{
    std::vector<HWND> found;
    // A starting instance's window is message-only until its first icon shows.
    for (HWND parent : {HWND(nullptr), HWND_MESSAGE}) {
        for (HWND h = nullptr; (h = ::FindWindowExW(parent, h, L"TMainForm", L"Lorvane"));) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(h, &owner);
            if ((pid == 0 || pid == owner) && std::find(found.begin(), found.end(), h) == found.end())
                found.push_back(h);
        }
    }
    return found;
}

HWND WaitForMainWindow(DWORD pid, DWORD boundMs)
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            auto w = MainWindows(pid);
            found = w.empty() ? nullptr : w.front();
            return found != nullptr;
        },
        boundMs);
    return found;
}

LRESULT ProbeMain(HWND main, WPARAM what)
{
    static const UINT probe = ::RegisterWindowMessageW(L"Lorvane.Probe");
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(main, probe, what, 0, SMTO_ABORTIFHUNG, 5000, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

HWND StartInstance(Process& p, const std::wstring& args, DWORD boundMs)
{
    if (!p.Start(LorvanePath(), args))
        return nullptr;
    HWND main = WaitForMainWindow(p.Id(), boundMs);
    constexpr WPARAM kStarted = 1; // MainProbe::Started
    if (main && !WaitUntil([&] { return ProbeMain(main, kStarted) == 1; }, boundMs))
        return nullptr;
    return main;
}

void CloseAllInstances()
{
    for (HWND h : MainWindows())
        ::PostMessageW(h, WM_CLOSE, 0, 0);
    if (WaitUntil([] { return MainWindows().empty(); }, 8000))
        return;
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof(pe);
    for (BOOL ok = ::Process32FirstW(snap, &pe); ok; ok = ::Process32NextW(snap, &pe)) {
        if (_wcsicmp(pe.szExeFile, L"Lorvane.exe") == 0) {
            if (HANDLE p = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pe.th32ProcessID)) {
                ::TerminateProcess(p, 99);
                ::WaitForSingleObject(p, 5000);
                ::CloseHandle(p);
            }
        }
    }
    ::CloseHandle(snap);
}

void SendWheel(int delta, bool alt)
{
    INPUT in[3]{};
    in[0].type = in[2].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[2].ki.wVk = VK_MENU;
    in[2].ki.dwFlags = KEYEVENTF_KEYUP;
    in[1].type = INPUT_MOUSE;
    in[1].mi.dwFlags = MOUSEEVENTF_WHEEL;
    in[1].mi.mouseData = static_cast<DWORD>(delta);
    if (alt)
        ::SendInput(3, in, sizeof(INPUT));
    else
        ::SendInput(1, &in[1], sizeof(INPUT));
}

bool CopyTree(const std::wstring& from, const std::wstring& to)
{
    ::CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((from + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(from + name + L"\\", to + name + L"\\");
        else
            ::CopyFileW((from + name).c_str(), (to + name).c_str(), FALSE);
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
    return true;
}

} // namespace e2e
