#pragma once
// The notification area of Wine's shell desktop as a user sees it, read from outside the
// program: the icons it shows (place and tooltip text) and the balloon notice.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace e2e {

// One icon of the notification area: where the shell shows it and its tooltip text.
struct TrayIcon {
    RECT screen{};
    std::wstring tip;
};

// The balloon notice on the screen, if one is: its text and title.
struct Balloon {
    std::wstring text, title;
};

// The icons the notification area shows now.
std::vector<TrayIcon> ShownTrayIcons();
std::optional<Balloon> ShownBalloon();

// The hidden window of process `pid` that owns its tray icon (identifier 1).
HWND NotifyIconWindow(DWORD pid);

} // namespace e2e
