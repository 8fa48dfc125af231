#include "Migration.h"
#include "IntText.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

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

// Keys ("Width=") and headers ("[Form]") stand at the start of a line.
bool StandsAtLineStart(std::wstring_view from)
{
    return !from.empty() && (from.front() == L'[' || from.find(L'=') != std::wstring_view::npos);
}

// Runs replacements in order over a text line by line. No old text spans a line break, so this
// is the same as running each over the whole text, but costs one pass: a line is rewritten only
// when it holds an old text, and a key or header is looked for at the line's start alone.
class TLineRewriter {
  public:
    explicit TLineRewriter(std::vector<std::pair<std::wstring, std::wstring>> replacements)
    {
        for (auto& [from, to] : replacements) {
            if (from.empty())
                continue;
            const bool lineStart = StandsAtLineStart(from);
            std::wstring folded = fw::FoldCase(from);
            if (!lineStart && folded.front() < 0x80)
                byFirst[folded.front()].push_back(patterns.size());
            else if (!lineStart)
                anywhere.push_back(patterns.size());
            patterns.push_back({std::move(from), std::move(to), std::move(folded), lineStart});
        }
    }

    std::wstring Rewrite(std::wstring_view text) const
    {
        std::wstring out;
        out.reserve(text.size() + text.size() / 8);
        for (size_t pos = 0;;) {
            const size_t end = std::min(text.find_first_of(L"\r\n", pos), text.size());
            out += RewriteLine(std::wstring(text.substr(pos, end - pos)));
            if (end == text.size())
                return out;
            out += text[end];
            pos = end + 1;
        }
    }

  private:
    struct Pattern {
        std::wstring from, to, folded;
        bool lineStart;
    };

    std::wstring RewriteLine(std::wstring line) const
    {
        std::wstring folded = fw::FoldCase(line);
        std::vector<bool> held = Held(folded);
        for (size_t i = 0; i < patterns.size(); ++i) {
            const Pattern& p = patterns[i];
            if (p.lineStart ? folded.compare(0, p.folded.size(), p.folded) != 0 : !held[i])
                continue;
            std::wstring changed = ReplaceWholeNamesIgnoreCase(line, p.from, p.to);
            if (changed == line)
                continue;
            line = std::move(changed);
            folded = fw::FoldCase(line);
            held = Held(folded);
        }
        return line;
    }

    // Which of the patterns that may stand anywhere occur in the line, found in one walk.
    std::vector<bool> Held(const std::wstring& folded) const
    {
        std::vector<bool> held(patterns.size(), false);
        for (size_t at = 0; at < folded.size(); ++at) {
            if (folded[at] >= 0x80)
                continue;
            for (size_t i : byFirst[folded[at]])
                held[i] = held[i] || folded.compare(at, patterns[i].folded.size(), patterns[i].folded) == 0;
        }
        for (size_t i : anywhere)
            held[i] = folded.find(patterns[i].folded) != std::wstring::npos;
        return held;
    }

    std::vector<Pattern> patterns;
    std::vector<size_t> byFirst[0x80]; // by the first character of their folded form
    std::vector<size_t> anywhere;      // those that begin beyond ASCII
};

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
    // A key with its value ("WheelDown=3") is the whole line.
    const size_t equals = from.find(L'=');
    const bool lineStart = StandsAtLineStart(from);
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

namespace {

// The due steps one after the other. Parsing the text back between two steps leaves it as it
// was (it is the written form), so the replacements of the steps between two erased sections
// run as one pass over the text.
void ApplyMigrationSteps(const std::vector<const TMigrationStep*>& steps, fw::TIniFile& ini)
{
    std::vector<std::pair<std::wstring, std::wstring>> pending;
    auto rewrite = [&] {
        if (!pending.empty())
            ini.SetText(TLineRewriter(std::move(pending)).Rewrite(ini.Text()));
        pending.clear();
    };
    for (const TMigrationStep* step : steps) {
        if (!step->EraseSection.empty()) {
            rewrite();
            ini.EraseSection(step->EraseSection);
        }
        pending.insert(pending.end(), step->Replacements.begin(), step->Replacements.end());
    }
    rewrite();
}

} // namespace

void ApplyMigrationStep(const TMigrationStep& step, fw::TIniFile& ini)
{
    ApplyMigrationSteps({&step}, ini);
}

bool MigrateIni(fw::TIniFile& ini, const std::wstring& programVersion, const std::wstring& now)
{
    const std::wstring stored = ini.ReadString(kSystem, L"Version", L"");
    // Without a version of its own the program cannot tell what is due.
    if (programVersion.empty() || stored == programVersion)
        return false;
    std::vector<const TMigrationStep*> due;
    for (const TMigrationStep& step : MigrationSteps()) {
        if (CompareVersions(stored, step.OlderThan) < 0)
            due.push_back(&step);
    }
    ApplyMigrationSteps(due, ini);
    ini.WriteString(kSystem, L"Version", programVersion);
    ini.WriteString(kSystem, stored.empty() ? L"Install" : L"Update", now);
    return true;
}

namespace {

std::wstring VersionText(const VS_FIXEDFILEINFO& info)
{
    return fw::IntToStr(HIWORD(info.dwFileVersionMS)) + L"." + fw::IntToStr(LOWORD(info.dwFileVersionMS)) +
           L"." + fw::IntToStr(HIWORD(info.dwFileVersionLS)) + L"." +
           fw::IntToStr(LOWORD(info.dwFileVersionLS));
}

} // namespace

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
    return VersionText(*info);
}

std::wstring ModuleVersionText(HMODULE module)
{
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    HGLOBAL data = found ? ::LoadResource(module, found) : nullptr;
    const auto* bytes = data ? static_cast<const unsigned char*>(::LockResource(data)) : nullptr;
    const DWORD size = bytes ? ::SizeofResource(module, found) : 0;
    // The record starts with three words and its key; the fixed part follows on a four-byte
    // boundary and is known by its signature.
    for (DWORD at = 0; at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
        VS_FIXEDFILEINFO info;
        std::memcpy(&info, bytes + at, sizeof info);
        if (info.dwSignature == VS_FFI_SIGNATURE)
            return VersionText(info);
    }
    return {};
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
