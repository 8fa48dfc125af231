#include "AppWheelTable.h"

#include <winternl.h>

namespace sessions {

namespace {

using QueryProcessFn = LONG(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);

QueryProcessFn QueryProcess() noexcept
{
    // Bound once; the input thread reads the pointer afterwards.
    static const QueryProcessFn query = reinterpret_cast<QueryProcessFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    return query;
}

} // namespace

uint64_t PathHash(const wchar_t* path) noexcept
{
    if (!path || !*path)
        return 0;
    uint64_t hash = 14695981039346656037ull;
    for (const wchar_t* p = path; *p; ++p) {
        const wchar_t c = (*p >= L'a' && *p <= L'z') ? static_cast<wchar_t>(*p - 32) : *p;
        hash = (hash ^ static_cast<uint16_t>(c)) * 1099511628211ull;
    }
    return hash ? hash : 1;
}

DWORD ParentProcessOf(DWORD pid) noexcept
{
    const QueryProcessFn query = QueryProcess();
    if (!query || pid == 0)
        return 0;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return 0;
    PROCESS_BASIC_INFORMATION info{};
    ULONG size = 0;
    const LONG status = query(process, ProcessBasicInformation, &info, sizeof info, &size);
    ::CloseHandle(process);
    return status >= 0 ? static_cast<DWORD>(info.InheritedFromUniqueProcessId) : 0;
}

uint64_t ExecutableHashOf(DWORD pid) noexcept
{
    if (pid == 0)
        return 0;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return 0;
    wchar_t path[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    const BOOL ok = ::QueryFullProcessImageNameW(process, 0, path, &size);
    ::CloseHandle(process);
    return ok ? PathHash(path) : 0;
}

void TAppWheelTable::Publish(const std::vector<TProcessFacts>& withSessions) noexcept
{
    int n = 0;
    for (const TProcessFacts& p : withSessions) {
        if (n == kSlots)
            break;
        pids[n].store(p.Pid, std::memory_order_relaxed);
        parents[n].store(p.ParentPid, std::memory_order_relaxed);
        paths[n].store(PathHash(p.ExePath.c_str()), std::memory_order_relaxed);
        ++n;
    }
    count.store(n, std::memory_order_release);
}

bool TAppWheelTable::Matches(DWORD pid) const noexcept
{
    const int n = count.load(std::memory_order_acquire);
    if (pid == 0 || n == 0)
        return false;
    for (int i = 0; i < n; ++i)
        if (pids[i].load(std::memory_order_relaxed) == pid || parents[i].load(std::memory_order_relaxed) == pid)
            return true;
    if (const uint64_t path = ExecutableHashOf(pid))
        for (int i = 0; i < n; ++i)
            if (paths[i].load(std::memory_order_relaxed) == path)
                return true;
    if (const DWORD parent = ParentProcessOf(pid))
        for (int i = 0; i < n; ++i)
            if (pids[i].load(std::memory_order_relaxed) == parent)
                return true;
    return false;
}

} // namespace sessions
