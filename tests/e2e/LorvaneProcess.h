#pragma once
// Starting and observing Lorvane.exe processes from end-to-end tests.

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// build/bin, found from the test program's own folder (build/tests).
std::wstring BinDir();
// Copies the folder `from` into `to` with everything below it (both ending in a backslash);
// false when `from` cannot be listed.
bool CopyTree(const std::wstring& from, const std::wstring& to);

// One wheel event of `delta` at the pointer, as one input with Alt held around it when `alt`.
void SendWheel(int delta, bool alt);
// The Lorvane.exe that the helpers below start: build/bin's, or a ProgramFolder's copy.
std::wstring LorvanePath();

// A scratch program folder below %TEMP% holding a copy of Lorvane.exe, so that the settings
// file it writes stays out of the build; the helpers start that copy while it exists.
class ProgramFolder {
public:
    explicit ProgramFolder(const std::wstring& tag);
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    const std::wstring& Path() const { return path; } // ends with a backslash
    std::wstring File(const std::wstring& name) const { return path + name; }
    // Writes Lorvane.ini as UTF-16 with a byte-order mark.
    bool WriteSettings(const std::wstring& text) const;
    std::wstring ReadSettings(const std::wstring& name = L"Lorvane.ini") const;

  private:
    std::wstring path;
};

// CreateProcess of `exe` with `args` in `cwd` (empty: this one's), tried again when Wine
// refuses it; the thread handle is closed.
bool StartProcess(const std::wstring& exe, const std::wstring& args, const std::wstring& cwd,
                  PROCESS_INFORMATION& pi);

class Process {
public:
    Process() = default;
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();

    // Starts `exe` with the argument text `args` ("" for none); false when it cannot start.
    bool Start(const std::wstring& exe, const std::wstring& args);
    // Waits up to `ms`; the exit code, or -1 when the process still runs.
    long Wait(DWORD ms);
    bool Running() const;
    void Kill();
    DWORD Id() const { return pid; }

private:
    HANDLE process = nullptr;
    DWORD pid = 0;
};

// Runs Lorvane.exe with `args` to its end (bounded) and returns its exit code, -1 on time-out.
long RunLorvane(const std::wstring& args, DWORD boundMs = 20000);

// Windows of class TMainForm captioned "Lorvane" (optionally of one process).
std::vector<HWND> MainWindows(DWORD pid = 0);
HWND WaitForMainWindow(DWORD pid, DWORD boundMs = 20000);

// Asks a running instance for a piece of its state (see MainProbe in logic/Messages.h).
LRESULT ProbeMain(HWND main, WPARAM what);

// Polls `pred` until it holds or the bound passes (generous: Wine may be slow to start).
template <typename Pred>
bool WaitUntil(Pred pred, DWORD boundMs = 10000)
{
    const DWORD start = ::GetTickCount();
    while (!pred()) {
        if (::GetTickCount() - start > boundMs)
            return false;
        ::Sleep(20);
    }
    return true;
}

// Starts the program with `args` and waits until its deferred start has run: its main window,
// or null when it did not start or never finished starting within the bound.
HWND StartInstance(Process& p, const std::wstring& args = L"", DWORD boundMs = 20000);

// Ends every instance of the program: WM_CLOSE first, termination after a bound.
void CloseAllInstances();

} // namespace e2e
