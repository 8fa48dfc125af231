#pragma once
// The shortcut in the user's Startup folder that starts the program with its start-up wait.

#include <windows.h>

#include <string>

namespace lorvane {

struct StartupShortcut {
    bool enabled = false;   // the file exists
    unsigned waitSeconds = 0;
};

// CSIDL_STARTUP + "Lorvane.lnk"; empty when the shell cannot name the folder.
std::wstring StartupShortcutPath();

// Missing or unreadable: not enabled, wait 0. The argument text is read as an integer
// (empty reads as 0, a non-number as 0).
StartupShortcut ReadStartupShortcutFile(const std::wstring& path, HWND owner);

// Enabled: writes target = `target`, arguments = the wait in seconds (empty for 0), no
// working folder, SW_SHOWNORMAL. Disabled: deletes the file (a missing one is no error).
// Failures end the write silently; the result says whether it worked.
bool WriteStartupShortcutFile(const std::wstring& path, const std::wstring& target,
                              const StartupShortcut& shortcut);

// "123" -> 123; "", "abc", "12x" -> 0; values beyond the range saturate.
unsigned ShortcutWaitFromArguments(const std::wstring& args);

} // namespace lorvane
