#include "SystemInfo.h"

namespace fw {

OsVersion SystemVersion()
{
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    OsVersion v;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll")) {
        auto fn = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
        if (fn && fn(&info) == 0) {
            v.major = info.dwMajorVersion;
            v.minor = info.dwMinorVersion;
        }
    }
    return v;
}

} // namespace fw
