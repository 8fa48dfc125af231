#include "SessionRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace sessions;

TEST(ApplicationProcesses, OwnSessionsFirstThenSamePathThenChildrenThenParent)
{
    const std::wstring player = L"C:\\Apps\\Player.exe", browser = L"C:\\Apps\\Browser.exe";
    auto facts = [](DWORD pid, DWORD parent, const std::wstring& path) { return TProcessFacts{pid, parent, path}; };
    struct Case {
        const char* what;
        TProcessFacts app;
        std::vector<TProcessFacts> withSessions;
        std::vector<DWORD> expected;
    };
    const std::vector<Case> cases = {
        {"own", facts(10, 1, player), {facts(10, 1, player), facts(11, 1, player), facts(12, 10, browser)}, {10}},
        {"same path, compared without case",
         facts(20, 1, L"c:\\apps\\PLAYER.EXE"),
         {facts(11, 1, player), facts(12, 1, player), facts(30, 20, browser)},
         {11, 12}},
        {"children when no process of the path plays",
         facts(20, 1, browser),
         {facts(21, 20, L"C:\\x.exe"), facts(22, 20, L"C:\\y.exe"), facts(23, 5, L"C:\\z.exe")},
         {21, 22}},
        {"parent last", facts(40, 39, L"C:\\helper.exe"), {facts(39, 1, browser), facts(41, 7, L"C:\\other.exe")}, {39}},
        {"an unreadable path matches no other unreadable path", facts(50, 1, L""), {facts(51, 1, L"")}, {}},
        {"no parent", facts(60, 0, L"C:\\a.exe"), {facts(0, 0, L"")}, {}},
        {"nothing plays", facts(70, 1, player), {}, {}},
        {"no process", facts(0, 0, L""), {facts(0, 0, L"")}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ApplicationProcesses(c.app, c.withSessions), c.expected) << c.what;
}

TEST(ApplicationName, DisplayNameElseDescriptionElseFileNameAndTheSystemSoundsText)
{
    struct Case {
        const wchar_t* display;
        const wchar_t* description;
        const wchar_t* path;
        bool system;
        const wchar_t* expected;
    } cases[] = {
        {L"Radio", L"Radio Player", L"C:\\r.exe", false, L"Radio"},
        {L"  Radio  ", L"", L"", false, L"Radio"},
        {L"", L"Radio Player", L"C:\\r.exe", false, L"Radio Player"},
        {L"@%SystemRoot%\\x.dll,-5", L"Radio Player", L"C:\\r.exe", false, L"Radio Player"},
        {L" ", L"", L"C:\\Apps\\radio.exe", false, L"radio.exe"},
        {L"", L"", L"", false, L""},
        {L"@%SystemRoot%\\System32\\AudioSrv.Dll,-202", L"", L"", true, L"Systemklänge"},
        {L"Named anyway", L"", L"", true, L"Systemklänge"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ApplicationName(c.display, c.description, c.path, c.system, L"Systemklänge"), c.expected)
            << c.display;
}

TEST(ParseAppVerbArgs, NameBeforeTheFirstCommaValueAfterIt)
{
    using Target = TAppVerbArgs::Target;
    struct Case {
        const wchar_t* text;
        bool ok;
        Target kind;
        const wchar_t* name;
        DWORD pid;
        const wchar_t* value;
    } cases[] = {
        {L"player.exe,50", true, Target::FileName, L"player.exe", 0, L"50"},
        {L" My Player.exe , +10% ", true, Target::FileName, L"My Player.exe", 0, L"+10%"},
        {L"player.exe,12,5", true, Target::FileName, L"player.exe", 0, L"12,5"},
        {L"FOCUSED,!", true, Target::Focused, L"", 0, L"!"},
        {L"1234,1", true, Target::ProcessId, L"", 1234, L"1"},
        {L"4294967295,0", true, Target::ProcessId, L"", 4294967295u, L"0"},
        {L"4294967296,0", false, Target::Focused, L"", 0, L""},
        {L"00000000001,0", false, Target::Focused, L"", 0, L""},
        {L"0,1", false, Target::Focused, L"", 0, L""},
        {L"player.exe", false, Target::Focused, L"", 0, L""},
        {L",50", false, Target::Focused, L"", 0, L""},
        {L"player.exe,", false, Target::Focused, L"", 0, L""},
        {L"", false, Target::Focused, L"", 0, L""},
    };
    for (const Case& c : cases) {
        const std::optional<TAppVerbArgs> args = ParseAppVerbArgs(c.text);
        ASSERT_EQ(args.has_value(), c.ok) << c.text;
        if (!args)
            continue;
        EXPECT_EQ(args->Kind, c.kind) << c.text;
        EXPECT_EQ(args->Name, c.name) << c.text;
        EXPECT_EQ(args->Pid, c.pid) << c.text;
        EXPECT_EQ(args->Value, c.value) << c.text;
    }
}

TEST(ParseIconLocation, FileAndIndexOfTheFormsSessionsReport)
{
    struct Case {
        const wchar_t* text;
        bool ok;
        const wchar_t* file;
        int index;
    } cases[] = {
        {L"C:\\a\\app.exe,2", true, L"C:\\a\\app.exe", 2},
        {L"@%SystemRoot%\\System32\\AudioSrv.Dll,-203", true, L"%SystemRoot%\\System32\\AudioSrv.Dll", -203},
        {L"C:\\icons\\note.ico", true, L"C:\\icons\\note.ico", 0},
        {L"\"C:\\My, Apps\\x.exe\",1", true, L"C:\\My, Apps\\x.exe", 1},
        {L"C:\\My, Apps\\x.ico", true, L"C:\\My, Apps\\x.ico", 0},
        {L"C:\\a.exe,1.5", true, L"C:\\a.exe,1.5", 0},
        {L"", false, L"", 0},
        {L" @ ", false, L"", 0},
        {L",3", false, L"", 0},
    };
    for (const Case& c : cases) {
        const std::optional<TIconLocation> at = ParseIconLocation(c.text);
        ASSERT_EQ(at.has_value(), c.ok) << c.text;
        if (!at)
            continue;
        EXPECT_EQ(at->File, c.file) << c.text;
        EXPECT_EQ(at->Index, c.index) << c.text;
    }
}

TEST(SessionScale, EveryLevelSurvivesTheWayThroughTheSessionScalarAndOutsideValuesClamp)
{
    for (int level = 0; level <= 65535; ++level)
        ASSERT_EQ(LevelOfScalar(ScalarOfLevel(level, 0, 65535), 0, 65535), level);
    EXPECT_EQ(LevelOfScalar(-0.5f, 0, 65535), 0);
    EXPECT_EQ(LevelOfScalar(2.0f, 0, 65535), 65535);
    EXPECT_EQ(ScalarOfLevel(70000, 0, 65535), 1.0f);
    EXPECT_EQ(ScalarOfLevel(-1, 0, 65535), 0.0f);
    EXPECT_EQ(ScalarOfLevel(5, 7, 7), 0.0f);
    EXPECT_EQ(LevelOfScalar(0.5f, 100, 200), 150);
}

} // namespace
