#include "SessionRules.h"

#include "CommandLine.h"
#include "Level.h"

#include <algorithm>
#include <cwctype>

namespace sessions {

namespace {

bool SamePath(std::wstring_view a, std::wstring_view b)
{
    return !a.empty() && a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

std::wstring_view Trimmed(std::wstring_view text)
{
    while (!text.empty() && text.front() <= L' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() <= L' ')
        text.remove_suffix(1);
    return text;
}

} // namespace

std::vector<DWORD> ApplicationProcesses(const TProcessFacts& app, const std::vector<TProcessFacts>& withSessions)
{
    auto collect = [&](auto matches) {
        std::vector<DWORD> pids;
        for (const TProcessFacts& p : withSessions)
            if (matches(p) && std::find(pids.begin(), pids.end(), p.Pid) == pids.end())
                pids.push_back(p.Pid);
        return pids;
    };
    if (app.Pid == 0)
        return {};
    for (auto rule : {0, 1, 2, 3}) {
        std::vector<DWORD> pids = collect([&](const TProcessFacts& p) {
            switch (rule) {
            case 0:
                return p.Pid == app.Pid;
            case 1:
                return SamePath(p.ExePath, app.ExePath);
            case 2:
                return p.ParentPid == app.Pid;
            default:
                return app.ParentPid != 0 && p.Pid == app.ParentPid;
            }
        });
        if (!pids.empty())
            return pids;
    }
    return {};
}

std::wstring FileNameOf(std::wstring_view path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return std::wstring(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}

std::wstring ApplicationName(std::wstring_view displayName, std::wstring_view fileDescription,
                             std::wstring_view exePath, bool system, std::wstring_view systemText)
{
    if (system)
        return std::wstring(systemText);
    displayName = Trimmed(displayName);
    if (!displayName.empty() && displayName.front() != L'@')
        return std::wstring(displayName);
    fileDescription = Trimmed(fileDescription);
    if (!fileDescription.empty())
        return std::wstring(fileDescription);
    return FileNameOf(exePath);
}

std::optional<TIconLocation> ParseIconLocation(std::wstring_view location)
{
    location = Trimmed(location);
    if (!location.empty() && location.front() == L'@')
        location.remove_prefix(1);
    TIconLocation result;
    const size_t comma = location.find_last_of(L',');
    if (comma != std::wstring_view::npos) {
        std::optional<long double> index = lorvane::ParseDecimal(Trimmed(location.substr(comma + 1)), L'.');
        if (index && *index >= -1e9L && *index <= 1e9L && *index == static_cast<long double>(static_cast<int>(*index))) {
            result.Index = static_cast<int>(*index);
            location = location.substr(0, comma);
        }
    }
    location = Trimmed(location);
    if (location.size() >= 2 && location.front() == L'"' && location.back() == L'"')
        location = location.substr(1, location.size() - 2);
    if (location.empty())
        return std::nullopt;
    result.File = std::wstring(location);
    return result;
}

std::optional<TAppVerbArgs> ParseAppVerbArgs(std::wstring_view text)
{
    const size_t comma = text.find(L',');
    if (comma == std::wstring_view::npos)
        return std::nullopt;
    const std::wstring_view name = Trimmed(text.substr(0, comma));
    const std::wstring_view value = Trimmed(text.substr(comma + 1));
    if (name.empty() || value.empty())
        return std::nullopt;
    TAppVerbArgs args;
    args.Value = std::wstring(value);
    std::wstring lower(name);
    for (wchar_t& c : lower)
        c = static_cast<wchar_t>(std::towlower(c));
    if (lower == L"focused") {
        args.Kind = TAppVerbArgs::Target::Focused;
    } else if (name.find_first_not_of(L"0123456789") == std::wstring_view::npos) {
        if (name.size() > 10)
            return std::nullopt;
        unsigned long long pid = 0;
        for (wchar_t c : name)
            pid = pid * 10 + static_cast<unsigned>(c - L'0');
        if (pid == 0 || pid > 0xFFFFFFFFull)
            return std::nullopt;
        args.Kind = TAppVerbArgs::Target::ProcessId;
        args.Pid = static_cast<DWORD>(pid);
    } else {
        args.Kind = TAppVerbArgs::Target::FileName;
        args.Name = std::wstring(name);
    }
    return args;
}

int LevelOfScalar(float scalar, int min, int max)
{
    const long double s = std::clamp(static_cast<long double>(scalar), 0.0L, 1.0L);
    return static_cast<int>(lorvane::Scale(s, 0, 1, min, max));
}

float ScalarOfLevel(long long level, int min, int max)
{
    if (max <= min)
        return 0.0f;
    const long double s = static_cast<long double>(level - min) / (max - min);
    return static_cast<float>(std::clamp(s, 0.0L, 1.0L));
}

} // namespace sessions
