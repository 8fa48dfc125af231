// The settings sections read into the model and written back: defaults, ranges, the
// erase-and-rewrite save, and what happens to names the program does not know.
#include "SettingsModel.h"
#include "Migration.h"
#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace lorvane;
using namespace settingstest;

constexpr int kMin = 0, kMax = 65535;

// The model as the main window has it after its built-in defaults.
TSettings Defaults()
{
    TSettings s;
    s.MenuVisible = DesignMenuVisibility();
    return s;
}

TSettings Read(const fw::TIniFile& ini, TSettings s = Defaults())
{
    ReadSettings(ini, s, FixedActions(), kMin, kMax);
    return s;
}

TEST(SettingsFile, DefaultsRoundTripByteIdenticalInSectionOrder)
{
    fw::TIniFile first;
    ASSERT_TRUE(MigrateIni(first, L"1.8.3.104", L"01.02.2026 10:11:12")); // a missing file
    WriteSettings(first, Defaults(), FixedActions());
    const std::string bytes = first.SaveToBytes();

    fw::TIniFile second;
    second.LoadFromBytes(bytes);
    TSettings loaded = Read(second, TSettings{}); // everything comes from the file
    WriteSettings(second, loaded, FixedActions());
    EXPECT_EQ(second.SaveToBytes(), bytes);

    ASSERT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(first.SectionNames(),
              std::vector<std::wstring>(std::begin(kSettingsSections), std::end(kSettingsSections)));
    // Every section: header, entries, exactly one empty line.
    const std::wstring text = first.Text();
    size_t pos = 0;
    int headers = 0;
    while (pos < text.size()) {
        size_t end = text.find(L"\r\n", pos);
        ASSERT_NE(end, std::wstring::npos);
        std::wstring line = text.substr(pos, end - pos);
        pos = end + 2;
        if (line.empty()) {
            EXPECT_TRUE(pos >= text.size() || text[pos] == L'[') << "empty line inside a section";
        } else if (line[0] == L'[') {
            ++headers;
        }
    }
    EXPECT_EQ(headers, 9);
    EXPECT_EQ(text.substr(text.size() - 4), L"\r\n\r\n");

    EXPECT_EQ(Keys(first, L"General"),
              (std::vector<std::wstring>{
                  L"LangName",     L"FormatRealVol", L"FormatDevice", L"IconMuteFix",    L"IconDir",
                  L"LowStep",      L"HighStep",      L"AccelStep",    L"AccelStepCount", L"AccelStepTime",
                  L"RoundStep",    L"Reset",         L"ReVolume",     L"ReMute",         L"ReDevice",
                  L"BalloonHint",  L"BalloonTime",   L"AutoMute",     L"AutoUnmute",     L"SoundEnabled",
                  L"SoundFile",    L"SoundDelay",    L"MessageDlg",   L"QueInterval",    L"HotKeyEnabled",
                  L"WheelEnabled", L"WheelMargin",   L"WheelAreas",   L"WheelKeys",      L"AppWheelKeys",
                  L"BarApplications"}));
    const int levels[] = {6554, 13107, 19661, 26214, 32768, 39321, 45875, 52428, 58982, 65535};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(first.ReadInteger(L"Volume", L"Volume" + std::to_wstring(i), -1), levels[i]);
        EXPECT_FALSE(first.ReadBool(L"Volume", L"Active" + std::to_wstring(i), true));
        EXPECT_TRUE(first.ReadBool(L"Tool", L"Active" + std::to_wstring(i), false));
    }
    EXPECT_EQ(first.ReadString(L"General", L"IconDir", L""), L"Digital White");
    EXPECT_EQ(first.ReadInteger(L"General", L"LowStep", 0), 655);
    EXPECT_EQ(first.ReadInteger(L"General", L"HighStep", 0), 3276);
    EXPECT_EQ(first.ReadInteger(L"General", L"ReVolume", 0), 32767);
    EXPECT_EQ(first.ReadInteger(L"Window", L"OptionLeft", 0), INT_MIN);
    // The display is off unless chosen, at the bottom centre, for 1.5 s.
    EXPECT_EQ(Keys(first, L"Display"), (std::vector<std::wstring>{L"Enabled", L"Anchor", L"Monitor", L"Size",
                                                                 L"Duration", L"Theme", L"OutsideChanges",
                                                                 L"FullScreen", L"Device"}));
    EXPECT_EQ(first.ReadString(L"Display", L"Enabled", L""), L"0");
    EXPECT_EQ(first.ReadInteger(L"Display", L"Anchor", -1), 7);
    EXPECT_EQ(first.ReadInteger(L"Display", L"Duration", -1), 1500);
    EXPECT_EQ(first.ReadString(L"Mouse", L"Click", L""), L"PopupBarAction");
    EXPECT_EQ(first.ReadString(L"Mouse", L"DoubleClick", L"?"), L"");
    // Keyboard: every action in list order, presets after VolumeMenuAction, tools after
    // ToolMenuAction; Menu: only the fixed actions.
    std::vector<std::wstring> keyboard = Keys(first, L"Keyboard");
    ASSERT_EQ(keyboard.size(), 50u);
    EXPECT_EQ(keyboard[2], L"VolumeMenuAction");
    EXPECT_EQ(keyboard[3], L"Volume0Action");
    EXPECT_EQ(keyboard[12], L"Volume9Action");
    EXPECT_EQ(keyboard[13], L"VolumeUpAction");
    EXPECT_EQ(keyboard[28], L"ToolMenuAction");
    EXPECT_EQ(keyboard[29], L"Tool0Action");
    EXPECT_EQ(keyboard[39], L"EnableHotKeyAction");
    EXPECT_EQ(keyboard[46], L"CloseAction");
    EXPECT_EQ(keyboard.back(), L"AppMuteChangeAction");
    EXPECT_EQ(Keys(first, L"Menu").size(), 30u);
    EXPECT_TRUE(first.ReadBool(L"Menu", L"CloseAction", false));
    EXPECT_FALSE(first.ReadBool(L"Menu", L"RestartAction", true));
}

TEST(SettingsFile, ValuesReadAndWrittenBack)
{
    struct Case {
        const wchar_t* key; // of [General] unless it names its section

        const wchar_t* stored;
        const wchar_t* saved; // what the next save writes
    } cases[] = {
        {L"LangName", L"Deutsch", L"Deutsch"},
        {L"FormatRealVol", L"5", L"1"},
        {L"FormatDevice", L"$10", L"16"},
        {L"IconMuteFix", L"1", L"1"},
        {L"IconDir", L"  Blue Set  ", L"  Blue Set"}, // leading blanks are part of the value
        {L"LowStep", L"0x100", L"256"},
        {L"LowStep", L"-1", L"65535"}, // 16 bits
        {L"HighStep", L"70000", L"4464"},
        {L"HighStep", L"abc", L"3276"}, // no integer: the default
        {L"AccelStep", L"0", L"0"},
        {L"AccelStepCount", L"-3", L"-3"},
        {L"AccelStepTime", L"-5", L"0"}, // intervals are never negative
        {L"AccelStepTime", L"2147483647", L"2147483647"},
        {L"RoundStep", L"0", L"0"},
        {L"Reset", L"1", L"1"},
        {L"ReVolume", L"-100", L"-100"},
        {L"ReMute", L"1", L"1"},
        {L"ReDevice", L"{0.0.0.00000000}.{abc}", L"{0.0.0.00000000}.{abc}"},
        {L"BalloonHint", L"0", L"0"},
        {L"BalloonTime", L"-1", L"0"},
        {L"AutoMute", L"1", L"1"},
        {L"AutoUnmute", L"0", L"0"},
        {L"SoundEnabled", L"0", L"0"},
        {L"SoundFile", L"C:\\ding.wav", L"C:\\ding.wav"},
        {L"SoundDelay", L"9999", L"9999"},
        {L"MessageDlg", L"0", L"0"},
        {L"QueInterval", L"-20", L"0"},
        {L"QueInterval", L"150", L"150"},
        {L"HotKeyEnabled", L"0", L"0"},
        {L"WheelEnabled", L"0", L"0"},
        {L"WheelMargin", L"999", L"999"},
        {L"WheelAreas", L"0x1FF", L"255"}, // the low byte
        {L"WheelKeys", L"258", L"2"},
        {L"Window/MainWidth", L"300", L"300"},
        {L"Window/MainHeight", L"0x100", L"256"},
        {L"Window/OptionLeft", L"-20", L"-20"},
        {L"Window/OptionTop", L"x", L"-2147483648"}, // not set
        {L"Window/OptionPage", L"3", L"3"},
        {L"Display/Enabled", L"1", L"1"},
        {L"Display/Anchor", L"8", L"8"},
        {L"Display/Anchor", L"9", L"7"}, // not one of the nine: the default
        {L"Display/Monitor", L"1", L"1"},
        {L"Display/Monitor", L"-1", L"0"},
        {L"Display/Size", L"2", L"2"},
        {L"Display/Size", L"3", L"1"},
        {L"Display/Duration", L"-5", L"0"},
        {L"Display/Duration", L"600000", L"60000"},
        {L"Display/Duration", L"soon", L"1500"},
        {L"Display/Theme", L"2", L"2"},
        {L"Display/Theme", L"7", L"0"},
        {L"Display/OutsideChanges", L"1", L"1"},
        {L"Display/FullScreen", L"1", L"1"},
        {L"Display/Device", L"1", L"1"},
    };
    for (const Case& c : cases) {
        std::wstring section = L"General", key = c.key;
        if (size_t slash = key.find(L'/'); slash != std::wstring::npos) {
            section = key.substr(0, slash);
            key.erase(0, slash + 1);
        }
        fw::TIniFile ini = Parse(L"[" + section + L"]\r\n" + key + L"=" + c.stored);
        TSettings s = Read(ini);
        WriteSettings(ini, s, FixedActions());
        EXPECT_EQ(ini.ReadString(section, key, L"<missing>"), c.saved) << c.key << L"=" << c.stored;
    }
}

TEST(SettingsFile, MissingKeysKeepTheCurrentValues)
{
    TSettings current = Defaults();
    current.IconDir = L"Mine";
    current.BalloonHint = false; // as on Windows 10
    current.Mouse.Click = L"MuteOnAction";
    current.HotKeys[L"VolumeUpAction"] = 0x2026;
    TSettings s = Read(Parse(L"[General]\r\nLowStep=100\r\n"), current);
    EXPECT_EQ(s.LowStep, 100);
    EXPECT_EQ(s.IconDir, L"Mine");
    EXPECT_FALSE(s.BalloonHint);
    EXPECT_EQ(s.Mouse.Click, L"MuteOnAction");
    EXPECT_EQ(s.HotKeys.at(L"VolumeUpAction"), 0x2026);
    EXPECT_TRUE(s.MenuVisible.at(L"CloseAction"));
}

TEST(SettingsFile, CountsAreBoundedAndRebuildTheLists)
{
    struct Case {
        const wchar_t* count; // nullptr: no Count key
        size_t expected;
    } cases[] = {
        {nullptr, 10},        {L"0", 0},    {L"-3", 0},  {L"5", 5}, {L"100", 100}, {L"101", 100},
        {L"2147483647", 100}, {L"abc", 10}, {L"0x3", 3},
    };
    for (const Case& c : cases) {
        std::wstring text = L"[Volume]\r\n[Tool]\r\n";
        if (c.count)
            text =
                std::wstring(L"[Volume]\r\nCount=") + c.count + L"\r\n[Tool]\r\nCount=" + c.count + L"\r\n";
        TSettings current = Defaults();
        current.Presets.resize(3); // the count of the previous state does not matter
        fw::TIniFile ini = Parse(text);
        TSettings s = Read(ini, current);
        EXPECT_EQ(s.Presets.size(), c.expected) << (c.count ? c.count : L"none");
        EXPECT_EQ(s.Tools.size(), c.expected) << (c.count ? c.count : L"none");
        WriteSettings(ini, s, FixedActions());
        // A count above the bound stays as the user wrote it.
        const int written = c.expected == 100 ? std::stoi(c.count) : static_cast<int>(c.expected);
        EXPECT_EQ(ini.ReadInteger(L"Volume", L"Count", -1), written);
        EXPECT_EQ(ini.SectionValues(L"Keyboard").size(), 30 + 2 * c.expected);
    }
    // Five presets: levels spread over the scale again, then the file's values on top.
    TSettings five = Read(Parse(L"[Volume]\r\nCount=5\r\nVolume1=100\r\nActive4=1\r\nVolume7=5"));
    ASSERT_EQ(five.Presets.size(), 5u);
    const uint16_t levels[] = {13107, 100, 39321, 52428, 65535};
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(five.Presets[i].Level, levels[i]) << i;
    EXPECT_TRUE(five.Presets[4].Active);
    EXPECT_FALSE(five.Presets[0].Active);
}

TEST(SettingsFile, EntriesPastTheBoundSurviveASave)
{
    // 150 presets and 120 tools written by hand, with hotkeys on both sides of the bound.
    std::wstring text = L"[Volume]\r\nCount=150\r\n";
    for (int i = 0; i < 150; ++i)
        text += L"Volume" + std::to_wstring(i) + L"=" + std::to_wstring(1000 + i) + L"\r\nActive" +
                std::to_wstring(i) + L"=1\r\n";
    text += L"[Tool]\r\nCount=120\r\n";
    for (int i = 0; i < 120; ++i)
        text += L"Tool" + std::to_wstring(i) + L"=Volume:" + std::to_wstring(i % 100) + L"\r\nCaption" +
                std::to_wstring(i) + L"=T" + std::to_wstring(i) + L"\r\n";
    text += L"[Keyboard]\r\nVolume99Action=1\r\nVolume100Action=2\r\nvolume149action=3\r\nTool119Action=4\r\n"
            L"Volume1x0Action=5\r\n";
    fw::TIniFile ini = Parse(text);
    TSettings s = Read(ini);
    ASSERT_EQ(s.Presets.size(), 100u); // the program works with the bound
    ASSERT_EQ(s.Tools.size(), 100u);
    s.Presets[0].Level = 7; // a change of its own is saved
    WriteSettings(ini, s, FixedActions());

    EXPECT_EQ(ini.ReadInteger(L"Volume", L"Count", -1), 150);
    EXPECT_EQ(ini.ReadInteger(L"Tool", L"Count", -1), 120);
    EXPECT_EQ(ini.ReadInteger(L"Volume", L"Volume0", -1), 7);
    for (int i : {99, 100, 149}) {
        EXPECT_EQ(ini.ReadInteger(L"Volume", L"Volume" + std::to_wstring(i), -1), 1000 + i) << i;
        EXPECT_TRUE(ini.ReadBool(L"Volume", L"Active" + std::to_wstring(i), false)) << i;
    }
    EXPECT_EQ(ini.ReadString(L"Tool", L"Tool119", L""), L"Volume:19");
    EXPECT_EQ(ini.ReadString(L"Tool", L"Caption105", L""), L"T105");
    EXPECT_EQ(ini.ReadInteger(L"Keyboard", L"Volume99Action", -1), 1);
    EXPECT_EQ(ini.ReadInteger(L"Keyboard", L"Volume100Action", -1), 2);
    EXPECT_EQ(ini.ReadInteger(L"Keyboard", L"Volume149Action", -1), 3);
    EXPECT_EQ(ini.ReadInteger(L"Keyboard", L"Tool119Action", -1), 4);
    EXPECT_FALSE(ini.ValueExists(L"Keyboard", L"Volume1x0Action")); // no action's name: dropped

    // A second load and save changes nothing more.
    const std::string once = ini.SaveToBytes();
    TSettings again = Read(ini);
    WriteSettings(ini, again, FixedActions());
    EXPECT_EQ(ini.SaveToBytes(), once);
}

TEST(SettingsFile, ToolsAndUmlautsFromAnsiAndUtf8SaveAsUtf16)
{
    const std::wstring text = L"[General]\r\nSoundFile=C:\\Klänge\\Glöckchen.wav\r\n[Tool]\r\nCount=2\r\n"
                              L"Tool0=Volume:+5%\r\nActive0=0\r\nCaption0=Lautstärke höher\r\n"
                              L"Tool1=\"C:\\Programme\\Mixer.exe\" /ä\r\nCaption1=Mischpult öffnen\r\n";
    std::vector<std::pair<const char*, std::string>> files = {{"UTF-8", Utf8WithBom(text)}};
    std::string ansi;
    ASSERT_TRUE(Ansi(text, ansi)) << "code page " << ::GetACP();
    files.emplace_back("ANSI", ansi);
    for (const auto& [name, bytes] : files) {
        fw::TIniFile ini;
        ini.LoadFromBytes(bytes);
        TSettings s = Read(ini);
        EXPECT_EQ(s.SoundFile, L"C:\\Klänge\\Glöckchen.wav") << name;
        ASSERT_EQ(s.Tools.size(), 2u) << name;
        EXPECT_EQ(s.Tools[0].Command, L"Volume:+5%");
        EXPECT_FALSE(s.Tools[0].Active);
        EXPECT_EQ(s.Tools[0].Caption, L"Lautstärke höher") << name;
        EXPECT_EQ(s.Tools[1].Command, L"\"C:\\Programme\\Mixer.exe\" /ä") << name;
        EXPECT_TRUE(s.Tools[1].Active);
        EXPECT_EQ(s.Tools[1].Caption, L"Mischpult öffnen") << name;

        WriteSettings(ini, s, FixedActions());
        std::string saved = ini.SaveToBytes();
        EXPECT_EQ(saved.substr(0, 2), "\xFF\xFE") << name;
        fw::TIniFile back;
        back.LoadFromBytes(saved);
        TSettings again = Read(back);
        EXPECT_EQ(again.SoundFile, s.SoundFile) << name;
        EXPECT_EQ(again.Tools[1].Caption, s.Tools[1].Caption) << name;
    }
}

TEST(SettingsFile, UnknownNamesAreDroppedUnknownSectionsKeptInPlace)
{
    fw::TIniFile ini =
        Parse(L"[System]\r\nVersion=1.8.3.104\r\nUserMode=2\r\n"
              L"[Custom]\r\nfoo=bar\r\nfree text\r\n"
              L"[Keyboard]\r\nBogusAction=5\r\nvolumeupaction=1234\r\nVolume3Action=$2041\r\n"
              L"Volume12Action=9\r\n"
              L"[Menu]\r\nBogusAction=1\r\nVolume0Action=1\r\nCloseAction=0\r\nRestartAction=1\r\n"
              L"[General]\r\nIconDir=First\r\n[Later]\r\nx=1\r\n[general]\r\nIconDir=Second\r\n");
    TSettings s = Read(ini);
    EXPECT_EQ(s.IconDir, L"First");                    // of two sections of one name, the first
    EXPECT_EQ(s.HotKeys.at(L"VolumeUpAction"), 1234);  // keys match without regard to case
    EXPECT_EQ(s.HotKeys.at(L"Volume3Action"), 0x2041); // a preset's hotkey, kept by name
    EXPECT_EQ(s.HotKeys.count(L"BogusAction"), 0u);
    EXPECT_EQ(s.HotKeys.count(L"Volume12Action"), 0u); // beyond the count of presets
    EXPECT_FALSE(s.MenuVisible.at(L"CloseAction"));
    EXPECT_TRUE(s.MenuVisible.at(L"RestartAction"));
    EXPECT_EQ(s.MenuVisible.count(L"Volume0Action"), 0u); // presets have no menu key

    WriteSettings(ini, s, FixedActions());
    EXPECT_EQ(ini.SectionNames(),
              (std::vector<std::wstring>{L"System", L"Custom", L"Later", L"General", L"Volume", L"Tool",
                                         L"Mouse", L"Keyboard", L"Menu", L"Window", L"Display"}));
    EXPECT_EQ(ini.ReadString(L"System", L"UserMode", L""), L"2");
    EXPECT_NE(ini.Text().find(L"[Custom]\r\nfoo=bar\r\nfree text\r\n\r\n[Later]\r\nx=1\r\n\r\n[General]"),
              std::wstring::npos);
    EXPECT_FALSE(ini.ValueExists(L"Keyboard", L"BogusAction"));
    EXPECT_FALSE(ini.ValueExists(L"Keyboard", L"Volume12Action"));
    EXPECT_EQ(ini.ReadInteger(L"Keyboard", L"Volume3Action", 0), 0x2041);
    EXPECT_FALSE(ini.ValueExists(L"Menu", L"BogusAction"));
    EXPECT_FALSE(ini.ValueExists(L"Menu", L"Volume0Action"));
    EXPECT_EQ(ini.ReadString(L"General", L"IconDir", L""), L"First");
}

TEST(SettingsFile, MouseBindingsNameExistingActionsExactly)
{
    struct Case {
        const wchar_t* stored;
        const wchar_t* bound;
    } cases[] = {
        {L"MuteOnAction", L"MuteOnAction"},
        {L"muteonaction", L""},
        {L"NoSuchAction", L""},
        {L"Volume9Action", L"Volume9Action"},
        {L"Volume10Action", L""},
        {L"Tool0Action", L"Tool0Action"},
        {L"", L""},
        {L"MuteOnAction  ", L"MuteOnAction"}, // trailing blanks are not
        {L" MuteOnAction", L""},             // leading ones are: no such action
    };
    for (const Case& c : cases) {
        TSettings s = Read(Parse(std::wstring(L"[Mouse]\r\nWheelClick=") + c.stored));
        EXPECT_EQ(s.Mouse.WheelClick, c.bound) << c.stored;
        EXPECT_EQ(s.Mouse.WheelUp, L"VolumeUpAction"); // missing keys keep the current binding
    }
    // A binding to a preset that a smaller count removes binds nothing.
    TSettings s =
        Read(Parse(L"[Volume]\r\nCount=3\r\n[Mouse]\r\nClick=Volume5Action\r\nRightClick=Volume2Action"));
    EXPECT_EQ(s.Mouse.Click, L"");
    EXPECT_EQ(s.Mouse.RightClick, L"Volume2Action");
}

TEST(SettingsFile, ActionNamesFollowTheCountsWhateverTheListHolds)
{
    // Once preset and tool actions exist in the list, those of the old counts are replaced.
    std::vector<TActionRef> list = {
        {L"DeviceMenuAction", L""},    {L"VolumeMenuAction", L""},    {L"Volume0Action", L"Volume"},
        {L"Volume1Action", L"Volume"}, {L"Volume2Action", L"Volume"}, {L"VolumeUpAction", L""},
        {L"ToolMenuAction", L""},      {L"Tool0Action", L"Tool"},     {L"CloseAction", L""}};
    EXPECT_EQ(ActionNamesForCounts(list, 1, 2),
              (std::vector<std::wstring>{L"DeviceMenuAction", L"VolumeMenuAction", L"Volume0Action",
                                         L"VolumeUpAction", L"ToolMenuAction", L"Tool0Action", L"Tool1Action",
                                         L"CloseAction"}));
    EXPECT_EQ(FixedActionNames(list),
              (std::vector<std::wstring>{L"DeviceMenuAction", L"VolumeMenuAction", L"VolumeUpAction",
                                         L"ToolMenuAction", L"CloseAction"}));
}

} // namespace
