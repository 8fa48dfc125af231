#include "AppResolve.h"

#include "FileVersionInfo.h"
#include "IconLoader.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cwctype>

namespace sessions {

namespace {

constexpr wchar_t kApplicationHostClass[] = L"ApplicationFrameWindow";

bool ClassIs(HWND window, const wchar_t* name) noexcept
{
    wchar_t cls[64] = {};
    return ::GetClassNameW(window, cls, 64) > 0 && ::lstrcmpiW(cls, name) == 0;
}

DWORD ProcessOf(HWND window) noexcept
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

struct HostSearch {
    DWORD host;
    DWORD found;
};

BOOL CALLBACK FindForeignChild(HWND child, LPARAM param) noexcept
{
    auto* search = reinterpret_cast<HostSearch*>(param);
    const DWORD pid = ProcessOf(child);
    if (pid != 0 && pid != search->host) {
        search->found = pid;
        return FALSE;
    }
    return TRUE;
}

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

} // namespace

DWORD ApplicationProcessOfWindow(HWND window) noexcept
{
    if (!window)
        return 0;
    HWND top = ::GetAncestor(window, GA_ROOT);
    if (!top)
        top = window;
    const DWORD pid = ProcessOf(top);
    // The host frames the application's own window, which belongs to the application.
    if (ClassIs(top, kApplicationHostClass)) {
        HostSearch search{pid, 0};
        ::EnumChildWindows(top, FindForeignChild, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
    }
    return pid;
}

DWORD FocusedApplicationProcess() noexcept
{
    return ApplicationProcessOfWindow(::GetForegroundWindow());
}

DWORD ApplicationProcessAt(POINT p) noexcept
{
    return ApplicationProcessOfWindow(::WindowFromPoint(p));
}

std::wstring ExecutablePathOf(DWORD pid)
{
    if (pid == 0)
        return {};
    fw::UniqueHandleK process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process)
        return {};
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = static_cast<DWORD>(path.size());
        if (::QueryFullProcessImageNameW(process.get(), 0, path.data(), &size)) {
            path.resize(size);
            return path;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return {};
        path.resize(path.size() * 2);
    }
    return {};
}

std::vector<TProcessFacts> ReadProcessFacts(const std::vector<DWORD>& pids)
{
    std::vector<TProcessFacts> facts;
    facts.reserve(pids.size());
    for (DWORD pid : pids)
        facts.push_back({pid, 0, ExecutablePathOf(pid)});
    // Fails with INVALID_HANDLE_VALUE, as a file does.
    fw::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return facts;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry))
        for (TProcessFacts& f : facts)
            if (f.Pid == entry.th32ProcessID)
                f.ParentPid = entry.th32ParentProcessID;
    return facts;
}

std::wstring FileDescriptionOf(const std::wstring& exePath)
{
    if (exePath.empty())
        return {};
    lorvane::TFileVersionInfo info(nullptr);
    info.FileName = exePath;
    return info.FileDescription();
}

fw::UniqueHicon ApplicationIcon(const std::wstring& iconLocation, const std::wstring& exePath, int size)
{
    if (std::optional<TIconLocation> at = ParseIconLocation(iconLocation)) {
        const std::wstring file = Lower(at->File);
        const bool module = file.ends_with(L".exe") || file.ends_with(L".dll");
        if (at->Index != 0 && module) {
            HICON large = nullptr, small = nullptr;
            const UINT n = ::ExtractIconExW(at->File.c_str(), at->Index, &large, &small, 1);
            fw::UniqueHicon big(n != 0 && n != UINT_MAX ? large : nullptr);
            fw::UniqueHicon little(n != 0 && n != UINT_MAX ? small : nullptr);
            if (size > 16 ? big : little)
                return size > 16 ? std::move(big) : std::move(little);
            if (big || little)
                return big ? std::move(big) : std::move(little);
        } else if (fw::UniqueHicon icon = lorvane::LoadPicture(at->File, size)) {
            // Picture files are checked before the system reads them: the path comes from
            // another program.
            return icon;
        }
    }
    if (fw::UniqueHicon icon = lorvane::LoadPicture(exePath, size))
        return icon;
    return fw::UniqueHicon(
        static_cast<HICON>(::CopyImage(::LoadIconW(nullptr, IDI_APPLICATION), IMAGE_ICON, size, size, 0)));
}

} // namespace sessions
