#pragma once
// What the program tells its listeners after it changed an application's level or mute
// itself (an action, the wheel, the bar or a verb): enough to show which application and
// where it now stands.

#include <windows.h>

#include <string>

namespace sessions {

struct TAppLevelChange {
    std::wstring Name;    // as the bar shows it: display name, file description or file name
    HICON Icon = nullptr; // owned by the program; valid during the call only
    DWORD ProcessId = 0;  // the first process whose session changed
    int Level = 0;        // on the program's level scale (the facade's Min..Max)
    int Percent = 0;
    bool Muted = false;
};

} // namespace sessions
