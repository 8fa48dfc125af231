#pragma once
// Facts about the running system that several components decide on.

#include <windows.h>

#include <string>

namespace fw {

struct OsVersion {
    DWORD major = 0;
    DWORD minor = 0;
};

// The kernel's version, whatever the program's manifest makes GetVersionExW say.
OsVersion SystemVersion();

// Full path of the running executable, however long.
std::wstring ExecutablePath();

// A file (not a folder) of that name exists.
bool FileExists(const std::wstring& path);

// Dots per inch of the screen (96 when it cannot be read).
int ScreenDpi();

} // namespace fw
