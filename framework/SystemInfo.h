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

} // namespace fw
