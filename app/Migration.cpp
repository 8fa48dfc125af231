#include "Migration.h"

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

// The "1.4.2.0" step: the numeric codes of hotkey keys and mouse values become names.
TMigrationStep NumericCodesStep()
{
    TMigrationStep step{L"1.4.2.0", L"Image", {}};
    auto& r = step.Replacements;
    // Longer codes first: "WheelDown=3" is a prefix of "WheelDown=30". The "=" of the old
    // hotkey key keeps "ShortCut3=" from matching "ShortCut30=".
    for (int k = 30; k >= 0; --k)
        r.emplace_back(L"ShortCut" + std::to_wstring(k) + L"=", OldActionName(k) + L"=");
    for (const wchar_t* key : {L"WheelDown=", L"WheelUp=", L"Click="}) {
        r.emplace_back(std::wstring(key) + L"-1", key);
        for (int k = 30; k >= 0; --k)
            r.emplace_back(key + std::to_wstring(k), key + OldActionName(k));
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
        sound.Replacements.emplace_back(L"Name" + std::to_wstring(i) + L"=",
                                        L"Tool" + std::to_wstring(i) + L"=");
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
        std::wstring n = std::to_wstring(i);
        run.Replacements.emplace_back(L"ShowProperty" + n + L"Action", L"RunProperty" + n + L"Action");
    }
    steps.push_back(std::move(run));
    steps.push_back({L"1.7.6.100", L"", {{L"PopupMenuAction", L"MainMenuAction"}}});
    return steps;
}

} // namespace

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
        return L"Volume" + std::to_wstring(code - 10) + L"Action";
    if (code == 20)
        return L"MuteAction";
    if (code >= 21 && code <= 30)
        return L"Tool" + std::to_wstring(code - 21) + L"Action";
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
        text = fw::ReplaceAllIgnoreCase(text, from, to);
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
    return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
           std::to_wstring(HIWORD(info->dwFileVersionLS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionLS));
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
