#include "SettingsModel.h"

#include "Level.h"
#include "IntText.h"

#include <algorithm>
#include <set>

namespace lorvane {

namespace {

constexpr wchar_t kGeneral[] = L"General";
constexpr wchar_t kVolume[] = L"Volume";
constexpr wchar_t kTool[] = L"Tool";
constexpr wchar_t kMouse[] = L"Mouse";
constexpr wchar_t kKeyboard[] = L"Keyboard";
constexpr wchar_t kMenu[] = L"Menu";
constexpr wchar_t kWindow[] = L"Window";
constexpr wchar_t kDisplay[] = L"Display";

// A choice stored as its position: one outside the list reads as the default.
int ReadChoice(const fw::TIniFile& ini, std::wstring_view key, int def, int last)
{
    int v = ini.ReadInteger(kDisplay, key, def);
    return v < 0 || v > last ? def : v;
}

std::wstring Indexed(const wchar_t* key, size_t i)
{
    return key + fw::IntToStr(i);
}

uint16_t ReadWord(const fw::TIniFile& ini, const wchar_t* section, std::wstring_view key, uint16_t def)
{
    // 16-bit values keep their low 16 bits, as storing the integer in such a field does.
    return static_cast<uint16_t>(ini.ReadInteger(section, key, def) & 0xFFFF);
}

unsigned ReadInterval(const fw::TIniFile& ini, std::wstring_view key, unsigned def)
{
    // Timer intervals and durations: a negative value would wrap to a 49-day interval.
    int v = ini.ReadInteger(kGeneral, key, static_cast<int>(std::min<unsigned>(def, INT_MAX)));
    return v < 0 ? 0u : static_cast<unsigned>(v);
}

int ReadCount(const fw::TIniFile& ini, const wchar_t* section, int def, int bound)
{
    return std::clamp(ini.ReadInteger(section, L"Count", def), 0, bound);
}

void WriteInterval(fw::TIniFile& ini, std::wstring_view key, unsigned v)
{
    ini.WriteInteger(kGeneral, key, static_cast<int>(std::min<unsigned>(v, INT_MAX)));
}

// Whether `key` is `prefix` (compared without regard to case) followed by a decimal index of
// at least `from`.
bool IndexedFrom(std::wstring_view key, std::wstring_view prefix, std::wstring_view suffix, size_t from)
{
    if (key.size() <= prefix.size() + suffix.size() || !fw::SameText(key.substr(0, prefix.size()), prefix) ||
        !fw::SameText(key.substr(key.size() - suffix.size()), suffix))
        return false;
    const std::wstring_view digits = key.substr(prefix.size(), key.size() - prefix.size() - suffix.size());
    if (digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
        return false;
    return static_cast<size_t>(std::stoi(std::wstring(digits))) >= from;
}

// A list section whose count in the file is above the bound the program reads: the model holds
// the first `bound` entries, and a save keeps the file's count, the entries past the bound and
// their hotkeys as the user wrote them.
struct TBeyondBound {
    int FileCount = 0;
    std::vector<std::pair<std::wstring, std::wstring>> Entries;
    std::vector<std::pair<std::wstring, std::wstring>> HotKeys;
};

TBeyondBound EntriesBeyondBound(const fw::TIniFile& ini, const wchar_t* section, size_t held, int bound,
                                std::initializer_list<const wchar_t*> prefixes, const wchar_t* actionPrefix)
{
    TBeyondBound b;
    const int fileCount = ini.ReadInteger(section, L"Count", 0);
    if (held != static_cast<size_t>(bound) || fileCount <= bound)
        return b;
    b.FileCount = fileCount;
    for (auto& entry : ini.SectionValues(section)) {
        for (const wchar_t* prefix : prefixes) {
            if (IndexedFrom(entry.first, prefix, L"", held)) {
                b.Entries.push_back(entry);
                break;
            }
        }
    }
    for (auto& entry : ini.SectionValues(kKeyboard)) {
        if (IndexedFrom(entry.first, actionPrefix, L"Action", held))
            b.HotKeys.push_back(entry);
    }
    return b;
}

struct MouseKey {
    const wchar_t* key;
    std::wstring TMouseBindings::*field;
};
constexpr MouseKey kMouseKeys[] = {
    {L"Click", &TMouseBindings::Click},           {L"DoubleClick", &TMouseBindings::DoubleClick},
    {L"RightClick", &TMouseBindings::RightClick}, {L"WheelClick", &TMouseBindings::WheelClick},
    {L"WheelUp", &TMouseBindings::WheelUp},       {L"WheelDown", &TMouseBindings::WheelDown},
};

} // namespace

std::vector<TPreset> DefaultPresets(int count, int min, int max)
{
    std::vector<TPreset> presets(static_cast<size_t>(std::max(count, 0)));
    for (size_t i = 0; i < presets.size(); ++i)
        presets[i].Level = static_cast<uint16_t>(Scale(static_cast<long double>(i + 1), 0, count, min, max));
    return presets;
}

std::vector<TTool> DefaultTools(int count)
{
    return std::vector<TTool>(static_cast<size_t>(std::max(count, 0)));
}

std::vector<std::wstring> ActionNamesForCounts(const std::vector<TActionRef>& actions, size_t presets,
                                               size_t tools)
{
    std::vector<std::wstring> names;
    for (const TActionRef& a : actions) {
        if (!a.Category.empty())
            continue; // presets and tools of the old counts
        names.push_back(a.Name);
        if (a.Name == L"VolumeMenuAction") {
            for (size_t i = 0; i < presets; ++i)
                names.push_back(L"Volume" + fw::IntToStr(i) + L"Action");
        } else if (a.Name == L"ToolMenuAction") {
            for (size_t i = 0; i < tools; ++i)
                names.push_back(L"Tool" + fw::IntToStr(i) + L"Action");
        }
    }
    return names;
}

std::vector<std::wstring> FixedActionNames(const std::vector<TActionRef>& actions)
{
    std::vector<std::wstring> names;
    for (const TActionRef& a : actions) {
        if (a.Category.empty())
            names.push_back(a.Name);
    }
    return names;
}

void ReadSettings(const fw::TIniFile& ini, TSettings& s, const std::vector<TActionRef>& actions, int min,
                  int max)
{
    const wchar_t* g = kGeneral;
    s.LangName = ini.ReadString(g, L"LangName", s.LangName);
    s.FormatRealVol = ini.ReadBool(g, L"FormatRealVol", s.FormatRealVol);
    s.FormatDevice = ini.ReadInteger(g, L"FormatDevice", s.FormatDevice);
    s.IconMuteFix = ini.ReadBool(g, L"IconMuteFix", s.IconMuteFix);
    s.IconDir = ini.ReadString(g, L"IconDir", s.IconDir);
    s.LowStep = ReadWord(ini, g, L"LowStep", s.LowStep);
    s.HighStep = ReadWord(ini, g, L"HighStep", s.HighStep);
    s.AccelStep = ini.ReadBool(g, L"AccelStep", s.AccelStep);
    s.AccelStepCount = ini.ReadInteger(g, L"AccelStepCount", s.AccelStepCount);
    s.AccelStepTime = ReadInterval(ini, L"AccelStepTime", s.AccelStepTime);
    s.RoundStep = ini.ReadBool(g, L"RoundStep", s.RoundStep);
    s.Reset = ini.ReadBool(g, L"Reset", s.Reset);
    s.ReVolume = ini.ReadInteger(g, L"ReVolume", s.ReVolume);
    s.ReMute = ini.ReadBool(g, L"ReMute", s.ReMute);
    s.ReDevice = ini.ReadString(g, L"ReDevice", s.ReDevice);
    s.BalloonHint = ini.ReadBool(g, L"BalloonHint", s.BalloonHint);
    s.BalloonTime = ReadInterval(ini, L"BalloonTime", s.BalloonTime);
    s.AutoMute = ini.ReadBool(g, L"AutoMute", s.AutoMute);
    s.AutoUnmute = ini.ReadBool(g, L"AutoUnmute", s.AutoUnmute);
    s.SoundEnabled = ini.ReadBool(g, L"SoundEnabled", s.SoundEnabled);
    s.SoundFile = ini.ReadString(g, L"SoundFile", s.SoundFile);
    s.SoundDelay = ReadInterval(ini, L"SoundDelay", s.SoundDelay);
    s.MessageDlg = ini.ReadBool(g, L"MessageDlg", s.MessageDlg);
    s.QueInterval = ReadInterval(ini, L"QueInterval", s.QueInterval);
    s.HotKeyEnabled = ini.ReadBool(g, L"HotKeyEnabled", s.HotKeyEnabled);
    s.WheelEnabled = ini.ReadBool(g, L"WheelEnabled", s.WheelEnabled);
    s.WheelMargin = ini.ReadInteger(g, L"WheelMargin", s.WheelMargin);
    // Only the low byte of the two bit sets is kept.
    s.WheelAreas = static_cast<uint8_t>(ini.ReadInteger(g, L"WheelAreas", s.WheelAreas) & 0xFF);
    s.WheelKeys = static_cast<uint8_t>(ini.ReadInteger(g, L"WheelKeys", s.WheelKeys) & 0xFF);
    s.AppWheelKeys = static_cast<uint8_t>(ini.ReadInteger(g, L"AppWheelKeys", s.AppWheelKeys) & 0xFF);
    s.BarApplications = ini.ReadBool(g, L"BarApplications", s.BarApplications);

    // The counts default to 10 whatever the current lists hold: a file without them gets
    // the default lists, not the previous run's.
    s.Presets = DefaultPresets(ReadCount(ini, kVolume, kDefaultPresetCount, kMaxPresetCount), min, max);
    for (size_t i = 0; i < s.Presets.size(); ++i) {
        TPreset& p = s.Presets[i];
        p.Level = ReadWord(ini, kVolume, Indexed(L"Volume", i), p.Level);
        p.Active = ini.ReadBool(kVolume, Indexed(L"Active", i), p.Active);
    }
    s.Tools = DefaultTools(ReadCount(ini, kTool, kDefaultToolCount, kMaxToolCount));
    for (size_t i = 0; i < s.Tools.size(); ++i) {
        TTool& t = s.Tools[i];
        t.Command = ini.ReadString(kTool, Indexed(L"Tool", i), t.Command);
        t.Active = ini.ReadBool(kTool, Indexed(L"Active", i), t.Active);
        t.Caption = ini.ReadString(kTool, Indexed(L"Caption", i), t.Caption);
    }

    const std::vector<std::wstring> names = ActionNamesForCounts(actions, s.Presets.size(), s.Tools.size());
    const std::set<std::wstring> known(names.begin(), names.end());
    for (const MouseKey& m : kMouseKeys) {
        std::wstring& field = s.Mouse.*m.field;
        std::wstring name = ini.ReadString(kMouse, m.key, field);
        field = known.count(name) ? name : std::wstring(); // an unknown name binds nothing
    }

    std::map<std::wstring, uint16_t> hotKeys;
    for (const std::wstring& name : names) {
        auto current = s.HotKeys.find(name);
        hotKeys[name] = ReadWord(ini, kKeyboard, name, current == s.HotKeys.end() ? 0 : current->second);
    }
    s.HotKeys = std::move(hotKeys);

    std::map<std::wstring, bool> menu;
    for (const std::wstring& name : FixedActionNames(actions)) {
        auto current = s.MenuVisible.find(name);
        menu[name] = ini.ReadBool(kMenu, name, current != s.MenuVisible.end() && current->second);
    }
    s.MenuVisible = std::move(menu);

    TWindowGeometry& w = s.Window;
    w.MainWidth = ini.ReadInteger(kWindow, L"MainWidth", w.MainWidth);
    w.MainHeight = ini.ReadInteger(kWindow, L"MainHeight", w.MainHeight);
    w.OptionLeft = ini.ReadInteger(kWindow, L"OptionLeft", w.OptionLeft);
    w.OptionTop = ini.ReadInteger(kWindow, L"OptionTop", w.OptionTop);
    w.OptionPage = ini.ReadInteger(kWindow, L"OptionPage", w.OptionPage);

    TDisplaySettings& d = s.Display;
    d.Enabled = ini.ReadBool(kDisplay, L"Enabled", d.Enabled);
    d.Anchor = ReadChoice(ini, L"Anchor", d.Anchor, daBottomRight);
    d.Monitor = ReadChoice(ini, L"Monitor", d.Monitor, dmForeground);
    d.Size = ReadChoice(ini, L"Size", d.Size, dsLarge);
    const int duration = ini.ReadInteger(kDisplay, L"Duration", static_cast<int>(d.Duration));
    d.Duration = static_cast<unsigned>(std::clamp(duration, 0, static_cast<int>(kMaxDisplayDuration)));
    d.Theme = ReadChoice(ini, L"Theme", d.Theme, dtDark);
    d.OutsideChanges = ini.ReadBool(kDisplay, L"OutsideChanges", d.OutsideChanges);
    d.FullScreen = ini.ReadBool(kDisplay, L"FullScreen", d.FullScreen);
    d.Device = ini.ReadBool(kDisplay, L"Device", d.Device);
}

void WriteSettings(fw::TIniFile& ini, const TSettings& s, const std::vector<TActionRef>& actions)
{
    const TBeyondBound presetsBeyond = EntriesBeyondBound(ini, kVolume, s.Presets.size(), kMaxPresetCount,
                                                          {L"Volume", L"Active"}, L"Volume");
    const TBeyondBound toolsBeyond = EntriesBeyondBound(ini, kTool, s.Tools.size(), kMaxToolCount,
                                                        {L"Tool", L"Active", L"Caption"}, L"Tool");
    auto keep = [&ini](const wchar_t* section,
                       const std::vector<std::pair<std::wstring, std::wstring>>& entries) {
        for (const auto& [key, value] : entries)
            ini.WriteString(section, key, value);
    };

    const wchar_t* g = kGeneral;
    ini.EraseSection(g);
    ini.WriteString(g, L"LangName", s.LangName);
    ini.WriteBool(g, L"FormatRealVol", s.FormatRealVol);
    ini.WriteInteger(g, L"FormatDevice", s.FormatDevice);
    ini.WriteBool(g, L"IconMuteFix", s.IconMuteFix);
    ini.WriteString(g, L"IconDir", s.IconDir);
    ini.WriteInteger(g, L"LowStep", s.LowStep);
    ini.WriteInteger(g, L"HighStep", s.HighStep);
    ini.WriteBool(g, L"AccelStep", s.AccelStep);
    ini.WriteInteger(g, L"AccelStepCount", s.AccelStepCount);
    WriteInterval(ini, L"AccelStepTime", s.AccelStepTime);
    ini.WriteBool(g, L"RoundStep", s.RoundStep);
    ini.WriteBool(g, L"Reset", s.Reset);
    ini.WriteInteger(g, L"ReVolume", s.ReVolume);
    ini.WriteBool(g, L"ReMute", s.ReMute);
    ini.WriteString(g, L"ReDevice", s.ReDevice);
    ini.WriteBool(g, L"BalloonHint", s.BalloonHint);
    WriteInterval(ini, L"BalloonTime", s.BalloonTime);
    ini.WriteBool(g, L"AutoMute", s.AutoMute);
    ini.WriteBool(g, L"AutoUnmute", s.AutoUnmute);
    ini.WriteBool(g, L"SoundEnabled", s.SoundEnabled);
    ini.WriteString(g, L"SoundFile", s.SoundFile);
    WriteInterval(ini, L"SoundDelay", s.SoundDelay);
    ini.WriteBool(g, L"MessageDlg", s.MessageDlg);
    WriteInterval(ini, L"QueInterval", s.QueInterval);
    ini.WriteBool(g, L"HotKeyEnabled", s.HotKeyEnabled);
    ini.WriteBool(g, L"WheelEnabled", s.WheelEnabled);
    ini.WriteInteger(g, L"WheelMargin", s.WheelMargin);
    ini.WriteInteger(g, L"WheelAreas", s.WheelAreas);
    ini.WriteInteger(g, L"WheelKeys", s.WheelKeys);
    ini.WriteInteger(g, L"AppWheelKeys", s.AppWheelKeys);
    ini.WriteBool(g, L"BarApplications", s.BarApplications);

    ini.EraseSection(kVolume);
    ini.WriteInteger(kVolume, L"Count",
                     presetsBeyond.FileCount ? presetsBeyond.FileCount : static_cast<int>(s.Presets.size()));
    for (size_t i = 0; i < s.Presets.size(); ++i) {
        ini.WriteInteger(kVolume, Indexed(L"Volume", i), s.Presets[i].Level);
        ini.WriteBool(kVolume, Indexed(L"Active", i), s.Presets[i].Active);
    }
    keep(kVolume, presetsBeyond.Entries);

    ini.EraseSection(kTool);
    ini.WriteInteger(kTool, L"Count",
                     toolsBeyond.FileCount ? toolsBeyond.FileCount : static_cast<int>(s.Tools.size()));
    for (size_t i = 0; i < s.Tools.size(); ++i) {
        ini.WriteString(kTool, Indexed(L"Tool", i), s.Tools[i].Command);
        ini.WriteBool(kTool, Indexed(L"Active", i), s.Tools[i].Active);
        ini.WriteString(kTool, Indexed(L"Caption", i), s.Tools[i].Caption);
    }
    keep(kTool, toolsBeyond.Entries);

    ini.EraseSection(kMouse);
    for (const MouseKey& m : kMouseKeys)
        ini.WriteString(kMouse, m.key, s.Mouse.*m.field);

    ini.EraseSection(kKeyboard);
    for (const std::wstring& name : ActionNamesForCounts(actions, s.Presets.size(), s.Tools.size())) {
        auto code = s.HotKeys.find(name);
        ini.WriteInteger(kKeyboard, name, code == s.HotKeys.end() ? 0 : code->second);
    }
    keep(kKeyboard, presetsBeyond.HotKeys);
    keep(kKeyboard, toolsBeyond.HotKeys);

    ini.EraseSection(kMenu);
    for (const std::wstring& name : FixedActionNames(actions)) {
        auto visible = s.MenuVisible.find(name);
        ini.WriteBool(kMenu, name, visible != s.MenuVisible.end() && visible->second);
    }

    ini.EraseSection(kWindow);
    ini.WriteInteger(kWindow, L"MainWidth", s.Window.MainWidth);
    ini.WriteInteger(kWindow, L"MainHeight", s.Window.MainHeight);
    ini.WriteInteger(kWindow, L"OptionLeft", s.Window.OptionLeft);
    ini.WriteInteger(kWindow, L"OptionTop", s.Window.OptionTop);
    ini.WriteInteger(kWindow, L"OptionPage", s.Window.OptionPage);

    const TDisplaySettings& d = s.Display;
    ini.EraseSection(kDisplay);
    ini.WriteBool(kDisplay, L"Enabled", d.Enabled);
    ini.WriteInteger(kDisplay, L"Anchor", d.Anchor);
    ini.WriteInteger(kDisplay, L"Monitor", d.Monitor);
    ini.WriteInteger(kDisplay, L"Size", d.Size);
    ini.WriteInteger(kDisplay, L"Duration", static_cast<int>(d.Duration));
    ini.WriteInteger(kDisplay, L"Theme", d.Theme);
    ini.WriteBool(kDisplay, L"OutsideChanges", d.OutsideChanges);
    ini.WriteBool(kDisplay, L"FullScreen", d.FullScreen);
    ini.WriteBool(kDisplay, L"Device", d.Device);
}

} // namespace lorvane
