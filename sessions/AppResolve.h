#pragma once
// The system side of "which application": the process behind the focused window or the
// window under a point, the facts the rules need about processes, and an application's
// file description and icon.

#include "SessionRules.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <string>
#include <vector>

namespace sessions {

// The process of a top-level window's application: the window's own, or, for a window of
// the system's application host, the process of the application's window inside it.
DWORD ApplicationProcessOfWindow(HWND window) noexcept;
// Of the foreground window; 0 when there is none.
DWORD FocusedApplicationProcess() noexcept;
// Of the top-level window under the point; 0 over no window.
DWORD ApplicationProcessAt(POINT p) noexcept;

// Parent and executable path of each process (one process list for all); a process that
// has gone keeps only its ID.
std::vector<TProcessFacts> ReadProcessFacts(const std::vector<DWORD>& pids);
std::wstring ExecutablePathOf(DWORD pid);
// The file description of an executable's version record; empty without one.
std::wstring FileDescriptionOf(const std::wstring& exePath);

// The icon of an application at `size` pixels: its session's icon location, else its
// executable's first icon, else the system's application icon.
fw::UniqueHicon ApplicationIcon(const std::wstring& iconLocation, const std::wstring& exePath, int size);

} // namespace sessions
