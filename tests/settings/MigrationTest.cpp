// Bringing older settings files up to date: versions, every step, the old action codes.
#include "Migration.h"
#include "SettingsModel.h"
#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace lorvane;
using namespace settingstest;

const std::wstring kNow = L"01.02.2026 10:11:12";
const std::wstring kV = L"1.8.3.104";

const TMigrationStep& Step(const wchar_t* olderThan)
{
    for (const TMigrationStep& s : MigrationSteps()) {
        if (s.OlderThan == olderThan)
            return s;
    }
    throw std::runtime_error("no such step");
}

TEST(Migration, VersionsComparePartByPart)
{
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        int sign;
    } cases[] = {
        {L"", L"1.4.2.0", -1},           {L"1.4.2", L"1.4.2.0", 0},        {L"1.10.0.0", L"1.9.9.9", 1},
        {L"1.7.6.99", L"1.7.6.100", -1}, {L"1.x.3", L"1.0.3", 0},          {L"2", L"1.9.9.9", 1},
        {L"1.8.3.104", L"1.8.3.104", 0}, {L"1.5.2.84.9", L"1.5.2.85", -1}, {L"1..2", L"1.0.2", 0},
    };
    for (const Case& c : cases) {
        int r = CompareVersions(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << L" vs " << c.b;
        EXPECT_EQ((CompareVersions(c.b, c.a) > 0) - (CompareVersions(c.b, c.a) < 0), -c.sign);
    }
    // The table is in ascending order, so a file gets a contiguous tail of it.
    const auto& steps = MigrationSteps();
    ASSERT_EQ(steps.size(), 10u);
    for (size_t i = 1; i < steps.size(); ++i)
        EXPECT_LT(CompareVersions(steps[i - 1].OlderThan, steps[i].OlderThan), 0) << i;
}

TEST(Migration, EveryOldCodeBecomesACurrentActionName)
{
    std::vector<std::wstring> current = {
        L"CloseAction",      L"ShowHelpAction",     L"ShowVersionAction", L"ShowOptionAction",
        L"RunControlAction", L"RunProperty0Action", L"MainMenuAction",    L"PopupBarAction",
        L"VolumeUpAction",   L"VolumeDownAction",
    };
    for (int i = 0; i < 10; ++i)
        current.push_back(L"Volume" + std::to_wstring(i) + L"Action");
    current.push_back(L"MuteChangeAction");
    for (int i = 0; i < 10; ++i)
        current.push_back(L"Tool" + std::to_wstring(i) + L"Action");
    ASSERT_EQ(current.size(), 31u);

    std::vector<std::wstring> listed = ActionNamesForCounts(FixedActions(), 10, 10);
    const std::set<std::wstring> known(listed.begin(), listed.end());
    for (int code = -1; code <= 30; ++code) {
        const std::wstring expected = code < 0 ? L"" : current[static_cast<size_t>(code)];
        const std::wstring k = std::to_wstring(code);
        fw::TIniFile ini = Parse(L"[System]\r\nVersion=1.3.0.0\r\n[Mouse]\r\nWheelUp=" + k +
                                 L"\r\n[Keyboard]\r\n"
                                 L"ShortCut" +
                                 k + L"=77\r\n");
        ASSERT_TRUE(MigrateIni(ini, kV, kNow));
        EXPECT_EQ(ini.ReadString(L"Mouse", L"WheelUp", L"?"), expected) << code;
        if (code >= 0) {
            EXPECT_EQ(ini.ReadInteger(L"Keyboard", expected, 0), 77) << code;
            EXPECT_TRUE(known.count(expected)) << expected << L" is no action of the list";
        }
    }
}

TEST(Migration, OldLayoutFileReadsAsCurrentBindings)
{
    fw::TIniFile ini =
        Parse(L"[General]\r\nLowStep=700\r\n[Mouse]\r\nClick=3\r\nDoubleClick=10\r\nRightClick=6\r\n"
              L"WheelClick=20\r\nWheelUp=8\r\nWheelDown=-1\r\n[Keyboard]\r\nShortCut20=1234\r\n"
              L"ShortCut2=99\r\n[Image]\r\nFile=x.bmp\r\n");
    ASSERT_TRUE(MigrateIni(ini, kV, kNow));
    TSettings s;
    ReadSettings(ini, s, FixedActions(), 0, 65535);
    EXPECT_EQ(s.Mouse.Click, L"ShowOptionAction");
    EXPECT_EQ(s.Mouse.DoubleClick, L"Volume0Action");
    EXPECT_EQ(s.Mouse.RightClick, L"MainMenuAction");
    EXPECT_EQ(s.Mouse.WheelClick, L"MuteChangeAction");
    EXPECT_EQ(s.Mouse.WheelUp, L"VolumeUpAction");
    EXPECT_EQ(s.Mouse.WheelDown, L"");
    EXPECT_EQ(s.HotKeys.at(L"MuteChangeAction"), 1234); // by way of MuteAction, ToggleMuteAction
    EXPECT_EQ(s.HotKeys.at(L"ShowVersionAction"), 99);  // "ShortCut2=" is not "ShortCut20="
    EXPECT_EQ(s.LowStep, 700);
    EXPECT_FALSE(ini.SectionExists(L"Image"));
    EXPECT_EQ(ini.ReadString(L"System", L"Install", L""), kNow);
    EXPECT_EQ(ini.ReadString(L"System", L"Version", L""), kV);

    fw::TIniFile longest = Parse(L"[Mouse]\r\nWheelDown=30\r\nWheelUp=3\r\n");
    ASSERT_TRUE(MigrateIni(longest, kV, kNow));
    EXPECT_EQ(longest.ReadString(L"Mouse", L"WheelDown", L""), L"Tool9Action"); // not ShowOptionAction0
    EXPECT_EQ(longest.ReadString(L"Mouse", L"WheelUp", L""), L"ShowOptionAction");
}

TEST(Migration, EachStepRewritesItsTexts)
{
    struct Case {
        const wchar_t* step;
        const wchar_t* before;
        const wchar_t* after;
    } cases[] = {
        {L"1.4.2.0",
         L"[Image]\r\nx=1\r\n[Keyboard]\r\nShortCut0=1\r\nshortcut30=2\r\n[Mouse]\r\nWheelDown=-1\r\n"
         L"click=7\r\nRightClick=6\r\nWheelUp=0\r\n",
         L"[Keyboard]\r\nCloseAction=1\r\nTool9Action=2\r\n\r\n[Mouse]\r\nWheelDown=\r\nClick="
         L"PopupVolumeBarAction\r\n"
         L"RightClick=PopupMenuAction\r\nWheelUp=CloseAction\r\n\r\n"},
        {L"1.4.3.0", L"[Mouse]\r\nClick=popupvolumebaraction\r\n",
         L"[Mouse]\r\nClick=PopupBarAction\r\n\r\n"},
        {L"1.5.2.85", L"[General]\r\nEndVolume=5\r\nEndMute=1\r\n",
         L"[General]\r\nReVolume=5\r\nReMute=1\r\n\r\n"},
        {L"1.5.4.87", L"[Sound]\r\nPlaySound=1\r\nFixedMute=0\r\n[Tool]\r\nName0=a\r\nName9=b\r\n",
         L"[Volume]\r\nSoundEnabled=1\r\nAutoUnmute=0\r\n\r\n[Tool]\r\nTool0=a\r\nTool9=b\r\n\r\n"},
        {L"1.6.0.88", L"[Keyboard]\r\nMuteAction=1\r\nHotKeyAction=2\r\nWheelAction=3\r\n",
         L"[Keyboard]\r\nToggleMuteAction=1\r\nToggleHotKeyAction=2\r\nToggleWheelAction=3\r\n\r\n"},
        {L"1.6.1.89", L"[General]\r\nIconDir=Digital White+Red\r\n[Form]\r\nWidth=200\r\nHeight=180\r\n",
         L"[General]\r\nIconDir=Digital White\r\n\r\n[Window]\r\nMainWidth=200\r\nMainHeight=180\r\n\r\n"},
        {L"1.6.4.92", L"[Mouse]\r\nClick=ShowPropertyAction\r\n",
         L"[Mouse]\r\nClick=ShowProperty0Action\r\n\r\n"},
        {L"1.7.2.96", L"[Keyboard]\r\nToggleMuteAction=1\r\nToggleHotKeyAction=2\r\nToggleWheelAction=3\r\n",
         L"[Keyboard]\r\nMuteChangeAction=1\r\nEnableHotKeyAction=2\r\nEnableWheelAction=3\r\n\r\n"},
        {L"1.7.4.98",
         L"[General]\r\nFormatDevice=15\r\n[Menu]\r\nShowControlAction=1\r\nShowProperty0Action=1\r\n"
         L"ShowProperty4Action=0\r\n",
         L"[General]\r\nFormatDevice=32\r\n\r\n[Menu]\r\nRunControlAction=1\r\nRunProperty0Action=1\r\n"
         L"RunProperty4Action=0\r\n\r\n"},
        {L"1.7.6.100", L"[Mouse]\r\nRightClick=PopupMenuAction\r\n",
         L"[Mouse]\r\nRightClick=MainMenuAction\r\n\r\n"},
    };
    for (const Case& c : cases) {
        fw::TIniFile ini = Parse(c.before);
        ApplyMigrationStep(Step(c.step), ini);
        EXPECT_EQ(ini.Text(), c.after) << c.step;
    }
}

TEST(Migration, ReplacementsMatchWholeNamesOnly)
{
    const struct {
        const wchar_t* text;
        const wchar_t* from;
        const wchar_t* to;
        const wchar_t* want;
    } cases[] = {
        {L"Width=1\r\nMainWidth=2\r\n", L"Width=", L"MainWidth=", L"MainWidth=1\r\nMainWidth=2\r\n"},
        {L"EnableHotKeyAction=1\r\nx=hotkeyaction", L"HotKeyAction", L"ToggleHotKeyAction",
         L"EnableHotKeyAction=1\r\nx=ToggleHotKeyAction"},
        {L"FormatDevice=15\r\nFormatDevice=150\r\nFormatDevice=15 ", L"FormatDevice=15", L"FormatDevice=32",
         L"FormatDevice=32\r\nFormatDevice=150\r\nFormatDevice=15 "},
        {L"WheelDown=30\r\nWheelDown=3", L"WheelDown=3", L"WheelDown=X", L"WheelDown=30\r\nWheelDown=X"},
        {L"Tool0=Action:MuteAction;MuteActionX", L"MuteAction", L"M", L"Tool0=Action:M;MuteActionX"},
        {L"File=Sounds\\Width=.wav\r\nWidth=", L"Width=", L"MainWidth=",
         L"File=Sounds\\Width=.wav\r\nMainWidth="},
        {L"[Form]\r\nName=[Form]", L"[Form]", L"[Window]", L"[Window]\r\nName=[Form]"},
        {L"[Sound]\r\n[Sounds]", L"[Sound]", L"[Volume]", L"[Volume]\r\n[Sounds]"},
        {L"DoubleClick=3\r\nClick=3", L"Click=3", L"Click=Y", L"DoubleClick=3\r\nClick=Y"},
        {L"WheelUp=VolumeUpAction\nTool1=Click=3", L"Click=3", L"Click=Y",
         L"WheelUp=VolumeUpAction\nTool1=Click=3"},
        {L"aaa", L"aa", L"b", L"aaa"}, // never inside a longer name, even overlapping
        {L"x", L"", L"y", L"x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplaceWholeNamesIgnoreCase(c.text, c.from, c.to), c.want) << c.text;
}

TEST(Migration, ACurrentFileWithoutVersionKeepsEveryEntry)
{
    // Every section as the program writes it, with values off their defaults.
    TSettings s;
    s.FormatDevice = 150;
    s.IconDir = L"Speaker Blue";
    s.SoundFile = L"Sounds\\Width=Height=.wav";
    s.Tools[0].Command = L"Action:EnableWheelAction";
    s.Mouse.WheelClick = L"EnableHotKeyAction";
    s.Mouse.DoubleClick = L"RunProperty0Action";
    s.HotKeys[L"EnableHotKeyAction"] = 0x2041;
    s.HotKeys[L"EnableWheelAction"] = 0x2042;
    s.HotKeys[L"MuteChangeAction"] = 0x2043;
    s.MenuVisible = DesignMenuVisibility();
    s.MenuVisible[L"MainMenuAction"] = true;
    s.Window.MainWidth = 300;
    s.Window.MainHeight = 120;
    fw::TIniFile ini;
    WriteSettings(ini, s, FixedActions());
    const std::wstring before = ini.Text();

    ASSERT_TRUE(MigrateIni(ini, kV, kNow)); // no version: every step is due
    EXPECT_EQ(ini.ReadString(L"System", L"Install", L""), kNow);
    ini.EraseSection(L"System");
    EXPECT_EQ(ini.Text(), before);
}

TEST(Migration, AFourMegabyteFileMigratesAtOnceAsStepByStep)
{
    // Every kind of text a step rewrites, over and over: keys, whole lines, headers, and names in
    // long values.
    auto file = [](int blocks) {
        std::wstring text = L"[System]\r\nVersion=1.3.0.0\r\n[Image]\r\nx=1\r\n";
        for (int i = 0; i < blocks; ++i) {
            const std::wstring n = std::to_wstring(i % 31), m = std::to_wstring(i % 32 - 1);
            text += L"[Form]\r\nWidth=1\r\nShortCut" + n + L"=5\r\nwheeldown=" + m + L"\r\nClick=" + n +
                    L"\r\n[Sound]\r\nName" + std::to_wstring(i % 10) + L"=x\r\nTool" + n + L"=";
            for (int k = 0; k < 14; ++k)
                text += L"Action:MuteAction;ShowPropertyAction PopupMenuAction Digital White+Red x";
            text += L"\r\n";
        }
        return text;
    };
    fw::TIniFile reference = Parse(file(40)), small = Parse(file(40));
    for (const TMigrationStep& step : MigrationSteps()) {
        if (!step.EraseSection.empty())
            reference.EraseSection(step.EraseSection);
        std::wstring text = reference.Text();
        for (const auto& [from, to] : step.Replacements)
            text = ReplaceWholeNamesIgnoreCase(text, from, to);
        reference.SetText(text);
    }
    reference.WriteString(L"System", L"Version", kV);
    reference.WriteString(L"System", L"Update", kNow);
    ASSERT_TRUE(MigrateIni(small, kV, kNow));
    EXPECT_EQ(small.Text(), reference.Text());

    fw::TIniFile big = Parse(file(2000));
    ASSERT_GT(big.Text().size(), 2u << 20); // characters: a 4 MB file as the program writes it
    // The time this thread ran, not the wall clock: a loaded machine must not decide.
    auto ranMs = [] {
        FILETIME created, exited, kernel, user;
        ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user);
        return (ULARGE_INTEGER{{kernel.dwLowDateTime, kernel.dwHighDateTime}}.QuadPart +
                ULARGE_INTEGER{{user.dwLowDateTime, user.dwHighDateTime}}.QuadPart) / 10000;
    };
    const ULONGLONG began = ranMs();
    ASSERT_TRUE(MigrateIni(big, kV, kNow));
    EXPECT_LT(ranMs() - began, 1000u);
    EXPECT_EQ(big.ReadString(L"Window", L"MainWidth", L""), L"1");
    EXPECT_EQ(big.Text().find(L"ShowPropertyAction"), std::wstring::npos);
}

TEST(Migration, StepsRunOnlyForOlderFiles)
{
    // Stored exactly at a threshold: that step is not due, the later ones are.
    fw::TIniFile at = Parse(L"[System]\r\nVersion=1.7.4.98\r\n[General]\r\nFormatDevice=15\r\n"
                            L"[Mouse]\r\nClick=PopupMenuAction\r\n");
    ASSERT_TRUE(MigrateIni(at, kV, kNow));
    EXPECT_EQ(at.ReadInteger(L"General", L"FormatDevice", 0), 15);
    EXPECT_EQ(at.ReadString(L"Mouse", L"Click", L""), L"MainMenuAction");

    // Just older than the threshold: the step runs.
    fw::TIniFile before = Parse(L"[System]\r\nVersion=1.7.4.97\r\n[General]\r\nFormatDevice=15\r\n");
    ASSERT_TRUE(MigrateIni(before, kV, kNow));
    EXPECT_EQ(before.ReadInteger(L"General", L"FormatDevice", 0), 32);
}

TEST(Migration, VersionInstallAndUpdate)
{
    // Up to date: nothing changes and nothing is to be written.
    const std::wstring current = L"[System]\r\nVersion=1.8.3.104\r\nInstall=old\r\n[Mouse]\r\nClick=3\r\n";
    fw::TIniFile same = Parse(current);
    EXPECT_FALSE(MigrateIni(same, kV, kNow));
    EXPECT_EQ(same.Text(), Parse(current).Text());

    // A missing file gets a [System] section with Version and Install only.
    fw::TIniFile empty;
    ASSERT_TRUE(MigrateIni(empty, kV, kNow));
    EXPECT_EQ(empty.Text(), L"[System]\r\nVersion=1.8.3.104\r\nInstall=" + kNow + L"\r\n\r\n");

    // Another version: Update, and Install stays as it was.
    fw::TIniFile other = Parse(L"[System]\r\nVersion=1.7.6.100\r\nInstall=first\r\nUserMode=1\r\n");
    ASSERT_TRUE(MigrateIni(other, kV, kNow));
    EXPECT_EQ(other.ReadString(L"System", L"Version", L""), kV);
    EXPECT_EQ(other.ReadString(L"System", L"Install", L""), L"first");
    EXPECT_EQ(other.ReadString(L"System", L"Update", L""), kNow);
    EXPECT_EQ(other.ReadString(L"System", L"UserMode", L""), L"1");

    // A newer file (a downgrade) gets no step, but the version of the program that wrote it last.
    fw::TIniFile newer = Parse(L"[System]\r\nVersion=2.0.0.0\r\n[Mouse]\r\nClick=3\r\n");
    ASSERT_TRUE(MigrateIni(newer, kV, kNow));
    EXPECT_EQ(newer.ReadString(L"Mouse", L"Click", L""), L"3");
    EXPECT_EQ(newer.ReadString(L"System", L"Update", L""), kNow);

    // Without a version of its own the program changes nothing.
    fw::TIniFile unknown = Parse(L"[Mouse]\r\nClick=3\r\n");
    EXPECT_FALSE(MigrateIni(unknown, L"", kNow));
    EXPECT_EQ(unknown.ReadString(L"Mouse", L"Click", L""), L"3");
}

TEST(Migration, ProgramVersionComesFromTheVersionRecord)
{
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir = self;
    dir.resize(dir.find_last_of(L'\\'));     // build\tests
    dir.resize(dir.find_last_of(L'\\') + 1); // build\ .
    EXPECT_EQ(FileVersionText(dir + L"bin\\Lorvane.exe"), L"" LORVANE_PROJECT_VERSION);
    EXPECT_EQ(FileVersionText(self), L""); // a test program has no version record
    const std::wstring lorvane = dir + L"bin\\Lorvane.exe";
    HMODULE image =
        ::LoadLibraryExW(lorvane.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_TRUE(image);
    EXPECT_EQ(ModuleVersionText(image), L"" LORVANE_PROJECT_VERSION);
    ::FreeLibrary(image);
    EXPECT_EQ(ModuleVersionText(nullptr), L"");
    EXPECT_FALSE(LocalDateTimeText().empty());
}

} // namespace
