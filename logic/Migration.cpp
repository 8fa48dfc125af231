#include "Migration.h"
#include "IntText.h"

#include <windows.h>

#include <algorithm>

namespace lorvane {

namespace {

constexpr wchar_t kSystem[] = L"System";

std::vector<int> VersionParts(std::wstring_view v)
{
    std::vector<int> parts;
    size_t pos = 0;
    for (;;) {
        size_t dot = v.find(L'.', pos);
        std::wstring_view part =
            v.substr(pos, dot == std::wstring_view::npos ? std::wstring_view::npos : dot - pos);
        parts.push_back(fw::ParseIniInteger(part).value_or(0));
        if (dot == std::wstring_view::npos)
            return parts;
        pos = dot + 1;
    }
}

bool IsNameChar(wchar_t c)
{
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_';
}

// The "1.4.2.0" step: the numeric codes of hotkey keys and mouse values become names.
TMigrationStep NumericCodesStep()
{
    TMigrationStep step{L"1.4.2.0", L"Image", {}};
    auto& r = step.Replacements;
    // Longer codes first (whole lines would tell "WheelDown=3" from "WheelDown=30" anyway).
    for (int k = 30; k >= 0; --k)
        r.emplace_back(L"ShortCut" + fw::IntToStr(k) + L"=", OldActionName(k) + L"=");
    // Whole names only: the double, right and wheel clicks are named on their own.
    for (const wchar_t* key :
         {L"WheelDown=", L"WheelUp=", L"Click=", L"DoubleClick=", L"RightClick=", L"WheelClick="}) {
        r.emplace_back(std::wstring(key) + L"-1", key);
        for (int k = 30; k >= 0; --k)
            r.emplace_back(key + fw::IntToStr(k), key + OldActionName(k));
    }
    return step;
}

std::vector<TMigrationStep> BuildSteps()
{
    std::vector<TMigrationStep> steps;
    steps.push_back(NumericCodesStep());
    steps.push_back({L"1.4.3.0", L"", {{L"PopupVolumeBarAction", L"PopupBarAction"}}});
    steps.push_back({L"1.5.2.85", L"", {{L"EndVolume=", L"ReVolume="}, {L"EndMute=", L"ReMute="}}});
    TMigrationStep sound{
        L"1.5.4.87",
        L"",
        {{L"[Sound]", L"[Volume]"}, {L"PlaySound=", L"SoundEnabled="}, {L"FixedMute=", L"AutoUnmute="}}};
    for (int i = 0; i <= 9; ++i)
        sound.Replacements.emplace_back(L"Name" + fw::IntToStr(i) + L"=", L"Tool" + fw::IntToStr(i) + L"=");
    steps.push_back(std::move(sound));
    steps.push_back({L"1.6.0.88",
                     L"",
                     {{L"MuteAction", L"ToggleMuteAction"},
                      {L"HotKeyAction", L"ToggleHotKeyAction"},
                      {L"WheelAction", L"ToggleWheelAction"}}});
    steps.push_back({L"1.6.1.89",
                     L"",
                     {{L"Digital White+Red", L"Digital White"},
                      {L"[Form]", L"[Window]"},
                      {L"Width=", L"MainWidth="},
                      {L"Height=", L"MainHeight="}}});
    steps.push_back({L"1.6.4.92", L"", {{L"ShowPropertyAction", L"ShowProperty0Action"}}});
    steps.push_back({L"1.7.2.96",
                     L"",
                     {{L"ToggleMuteAction", L"MuteChangeAction"},
                      {L"ToggleHotKeyAction", L"EnableHotKeyAction"},
                      {L"ToggleWheelAction", L"EnableWheelAction"}}});
    TMigrationStep run{
        L"1.7.4.98",
        L"",
        {{L"FormatDevice=15", L"FormatDevice=32"}, {L"ShowControlAction", L"RunControlAction"}}};
    for (int i = 0; i <= 4; ++i) {
        std::wstring n = fw::IntToStr(i);
        run.Replacements.emplace_back(L"ShowProperty" + n + L"Action", L"RunProperty" + n + L"Action");
    }
    steps.push_back(std::move(run));
    steps.push_back({L"1.7.6.100", L"", {{L"PopupMenuAction", L"MainMenuAction"}}});
    return steps;
}

} // namespace

std::wstring ReplaceWholeNamesIgnoreCase(std::wstring_view text, std::wstring_view from, std::wstring_view to)
{
    if (from.empty())
        return std::wstring(text);
    const std::wstring foldedText = fw::FoldCase(text);
    const std::wstring foldedFrom = fw::FoldCase(from);
    const bool nameFirst = IsNameChar(from.front()), nameLast = IsNameChar(from.back());
    // Keys ("Width=") and headers ("[Form]") stand at the start of a line; a key with its value
    // ("WheelDown=3") is the whole line.
    const size_t equals = from.find(L'=');
    const bool lineStart = from.front() == L'[' || equals != std::wstring_view::npos;
    const bool lineEnd = equals != std::wstring_view::npos && equals + 1 < from.size();
    auto atLineStart = [&](size_t at) { return at == 0 || text[at - 1] == L'\n' || text[at - 1] == L'\r'; };
    auto atLineEnd = [&](size_t at) { return at == text.size() || text[at] == L'\r' || text[at] == L'\n'; };
    std::wstring out;
    out.reserve(text.size());
    size_t pos = 0, search = 0;
    for (;;) {
        const size_t hit = foldedText.find(foldedFrom, search);
        if (hit == std::wstring::npos)
            break;
        const size_t end = hit + from.size();
        // "MainWidth=" holds "Width=" and "EnableHotKeyAction" holds "HotKeyAction": a name
        // that is part of a longer one is not the old name.
        if ((nameFirst && hit > 0 && IsNameChar(text[hit - 1])) ||
            (nameLast && end < text.size() && IsNameChar(text[end])) || (lineStart && !atLineStart(hit)) ||
            (lineEnd && !atLineEnd(end))) {
            search = hit + 1;
            continue;
        }
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = search = end;
    }
    out.append(text.substr(pos));
    return out;
}

int CompareVersions(std::wstring_view a, std::wstring_view b)
{
    std::vector<int> pa = VersionParts(a), pb = VersionParts(b);
    const size_t n = std::max(pa.size(), pb.size());
    pa.resize(n, 0);
    pb.resize(n, 0);
    for (size_t i = 0; i < n; ++i) {
        if (pa[i] != pb[i])
            return pa[i] < pb[i] ? -1 : 1;
    }
    return 0;
}

std::wstring OldActionName(int code)
{
    static const wchar_t* const kFixed[] = {
        L"CloseAction",       L"ShowHelpAction",     L"ShowVersionAction", L"ShowOptionAction",
        L"ShowControlAction", L"ShowPropertyAction", L"PopupMenuAction",   L"PopupVolumeBarAction",
        L"VolumeUpAction",    L"VolumeDownAction",
    };
    if (code >= 0 && code <= 9)
        return kFixed[code];
    if (code >= 10 && code <= 19)
        return L"Volume" + fw::IntToStr(code - 10) + L"Action";
    if (code == 20)
        return L"MuteAction";
    if (code >= 21 && code <= 30)
        return L"Tool" + fw::IntToStr(code - 21) + L"Action";
    return {};
}

const std::vector<TMigrationStep>& MigrationSteps()
{
    static const std::vector<TMigrationStep> steps = BuildSteps();
    return steps;
}

void ApplyMigrationStep(const TMigrationStep& step, fw::TIniFile& ini)
{
    if (!step.EraseSection.empty())
        ini.EraseSection(step.EraseSection);
    std::wstring text = ini.Text();
    for (const auto& [from, to] : step.Replacements)
        text = ReplaceWholeNamesIgnoreCase(text, from, to);
    ini.SetText(text);
}

bool MigrateIni(fw::TIniFile& ini, const std::wstring& programVersion, const std::wstring& now)
{
    const std::wstring stored = ini.ReadString(kSystem, L"Version", L"");
    // Without a version of its own the program cannot tell what is due.
    if (programVersion.empty() || stored == programVersion)
        return false;
    for (const TMigrationStep& step : MigrationSteps()) {
        if (CompareVersions(stored, step.OlderThan) < 0)
            ApplyMigrationStep(step, ini);
    }
    ini.WriteString(kSystem, L"Version", programVersion);
    ini.WriteString(kSystem, stored.empty() ? L"Install" : L"Update", now);
    return true;
}

std::wstring FileVersionText(const std::wstring& path)
{
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return {};
    std::vector<unsigned char> data(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data()))
        return {};
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info ||
        len < sizeof(VS_FIXEDFILEINFO))
        return {};
    return fw::IntToStr(HIWORD(info->dwFileVersionMS)) + L"." + fw::IntToStr(LOWORD(info->dwFileVersionMS)) +
           L"." + fw::IntToStr(HIWORD(info->dwFileVersionLS)) + L"." +
           fw::IntToStr(LOWORD(info->dwFileVersionLS));
}

std::wstring LocalDateTimeText()
{
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    wchar_t date[128] = {}, time[128] = {};
    if (::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, 128) <= 0)
        date[0] = 0;
    if (::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &now, nullptr, time, 128) <= 0)
        time[0] = 0;
    return std::wstring(date) + L" " + time;
}

} // namespace lorvane
