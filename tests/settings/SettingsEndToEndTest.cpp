// Lorvane.exe started from a copy in a scratch program folder: the settings file it creates
// and rewrites, the file a command-mode run never touches, and the folders of the modes.
#include "IniFile.h"
#include "LorvaneProcess.h"
#include "Messages.h"
#include "SettingsModel.h"
#include "SettingsTestSupport.h"
#include "UniqueHandle.h"

#include <shlobj.h>

#include <gtest/gtest.h>

namespace {

using namespace settingstest;

const std::wstring kVersion = L"" LORVANE_PROJECT_VERSION;

class SettingsEndToEnd : public testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        // The started programs get an endpoint simulator state of their own, so their
        // volume verbs never disturb other tests that share the Wine prefix.
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        ::SetEnvironmentVariableW(L"LORVANE_ENDPOINTSIM_STATE",
                                  (std::wstring(temp) + L"lorvane-settings-e2e.state").c_str());
    }
    void SetUp() override { ASSERT_TRUE(::CopyFileW(e2e::LorvanePath().c_str(), exe.c_str(), FALSE)); }

    // A normal start of the copy, except that the leading "-" skips the single-instance
    // check: an instance that another test left running must not take over the start.
    static constexpr wchar_t kNormalStart[] = L"-0";

    // Starts the copy with `args` in the current folder `cwd` (empty: this one's).
    bool Start(const std::wstring& args, const std::wstring& cwd = L"")
    {
        PROCESS_INFORMATION pi{};
        if (!e2e::StartProcess(exe, args, cwd, pi))
            return false;
        process.reset(pi.hProcess);
        pid = pi.dwProcessId;
        return true;
    }

    // Waits for the deferred start of the started copy; its window, or null.
    HWND WaitStarted()
    {
        HWND main = e2e::WaitForMainWindow(pid);
        EXPECT_NE(main, nullptr);
        EXPECT_TRUE(e2e::WaitUntil(
            [&] { return e2e::ProbeMain(main, static_cast<WPARAM>(lorvane::MainProbe::Started)) == 1; }));
        return main;
    }

    // The exit code of the started copy; -1 (and the copy ended) when it outlives a generous bound.
    long Finish()
    {
        long code = -1;
        if (::WaitForSingleObject(process.get(), 30000) == WAIT_OBJECT_0) {
            DWORD c = 0;
            ::GetExitCodeProcess(process.get(), &c);
            code = static_cast<long>(c);
        } else {
            ::TerminateProcess(process.get(), 99);
            ::WaitForSingleObject(process.get(), 5000);
        }
        process.reset();
        return code;
    }

    // A normal start closed once it is up (with `close`), or a command-mode run to its end.
    long Run(const std::wstring& args, bool close, const std::wstring& cwd = L"")
    {
        if (!Start(args, cwd))
            return -2;
        if (close)
            ::PostMessageW(WaitStarted(), WM_CLOSE, 0, 0); // as a user's exit does
        return Finish();
    }

    void TearDown() override
    {
        if (process)
            Finish();
    }

    static fw::TIniFile Load(const std::wstring& file)
    {
        fw::TIniFile ini;
        EXPECT_EQ(ini.LoadFromFile(file), fw::TIniLoad::Loaded) << file;
        return ini;
    }

    fw::UniqueHandleK process;
    DWORD pid = 0;
    TempFolder program{L"e2e-program"};
    const std::wstring exe = program.File(L"Lorvane.exe");
    const std::wstring file = program.File(L"Lorvane.ini");
};

TEST_F(SettingsEndToEnd, FirstStartCreatesTheFileLaterStartsKeepInstall)
{
    ASSERT_EQ(Run(kNormalStart, true), 0);
    const std::string first = ReadBytes(file);
    ASSERT_EQ(first.substr(0, 2), "\xFF\xFE");
    fw::TIniFile ini = Load(file);
    EXPECT_EQ(ini.SectionNames(), std::vector<std::wstring>(std::begin(lorvane::kSettingsSections),
                                                            std::end(lorvane::kSettingsSections)));
    EXPECT_EQ(ini.ReadString(L"System", L"Version", L""), kVersion);
    const std::wstring install = ini.ReadString(L"System", L"Install", L"");
    EXPECT_FALSE(install.empty());
    EXPECT_FALSE(ini.ValueExists(L"System", L"Update"));
    // The real action list, in its order, with ten presets and ten tools.
    EXPECT_EQ(Keys(ini, L"Keyboard"), lorvane::ActionNamesForCounts(FixedActions(), 10, 10));
    EXPECT_EQ(Keys(ini, L"Menu"), lorvane::FixedActionNames(FixedActions()));

    // A user's edit, saved as UTF-8: a value, an unknown section, a key of no action.
    std::wstring text = ini.Text();
    text.insert(text.find(L"[General]"), L"[Custom]\r\nfoo=bär\r\n\r\n");
    fw::TIniFile edited;
    edited.SetText(text);
    edited.WriteInteger(L"General", L"LowStep", 1000);
    edited.WriteInteger(L"Keyboard", L"BogusAction", 5);
    const std::string utf8 = Utf8WithBom(edited.Text());
    ASSERT_TRUE(WriteBytes(file, utf8));

    ASSERT_TRUE(Start(kNormalStart));
    HWND main = WaitStarted();
    EXPECT_EQ(ReadBytes(file), utf8); // up to date: the start writes nothing
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(Finish(), 0);
    ASSERT_EQ(ReadBytes(file).substr(0, 2), "\xFF\xFE");
    fw::TIniFile again = Load(file);
    EXPECT_EQ(again.ReadString(L"System", L"Install", L""), install);
    EXPECT_FALSE(again.ValueExists(L"System", L"Update"));
    EXPECT_EQ(again.SectionNames(),
              (std::vector<std::wstring>{L"System", L"Custom", L"General", L"Volume", L"Tool", L"Mouse",
                                         L"Keyboard", L"Menu", L"Window", L"Display"}));
    EXPECT_EQ(again.ReadString(L"Custom", L"foo", L""), L"bär");
    EXPECT_EQ(again.ReadInteger(L"General", L"LowStep", 0), 1000);
    EXPECT_FALSE(again.ValueExists(L"Keyboard", L"BogusAction"));
}

TEST_F(SettingsEndToEnd, OldFileIsMigratedOnceAndSavedBack)
{
    ASSERT_TRUE(WriteBytes(file, "[System]\r\nInstall=long ago\r\nVersion=1.4.0.0\r\n[Mouse]\r\nClick=3\r\n"
                                 "WheelDown=30\r\n[Keyboard]\r\nShortCut20=1234\r\n[Form]\r\nWidth=250\r\n"));
    ASSERT_EQ(Run(kNormalStart, true), 0);
    fw::TIniFile ini = Load(file);
    EXPECT_EQ(ini.ReadString(L"System", L"Version", L""), kVersion);
    EXPECT_EQ(ini.ReadString(L"System", L"Install", L""), L"long ago");
    EXPECT_FALSE(ini.ReadString(L"System", L"Update", L"").empty());
    EXPECT_EQ(ini.ReadString(L"Mouse", L"Click", L""), L"ShowOptionAction");
    EXPECT_EQ(ini.ReadString(L"Mouse", L"WheelDown", L""), L"Tool9Action");
    EXPECT_EQ(ini.ReadInteger(L"Keyboard", L"MuteChangeAction", 0), 1234);
    EXPECT_EQ(ini.ReadInteger(L"Window", L"MainWidth", 0), 250);
}

TEST_F(SettingsEndToEnd, CountsAboveTheBoundKeepEveryEntry)
{
    std::wstring text = L"[System]\r\nVersion=" + kVersion + L"\r\n[Volume]\r\nCount=150\r\n";
    for (int i = 0; i < 150; ++i)
        text += L"Volume" + std::to_wstring(i) + L"=" + std::to_wstring(2000 + i) + L"\r\n";
    text += L"[Tool]\r\nCount=101\r\n";
    for (int i = 0; i < 101; ++i)
        text += L"Tool" + std::to_wstring(i) + L"=Volume:" + std::to_wstring(i) + L"\r\n";
    ASSERT_TRUE(WriteBytes(file, Utf16LeWithBom(text)));
    ASSERT_EQ(Run(kNormalStart, true), 0);
    fw::TIniFile ini = Load(file);
    EXPECT_EQ(ini.ReadInteger(L"Volume", L"Count", 0), 150);
    EXPECT_EQ(ini.ReadInteger(L"Tool", L"Count", 0), 101);
    for (int i = 0; i < 150; ++i)
        EXPECT_EQ(ini.ReadInteger(L"Volume", L"Volume" + std::to_wstring(i), -1), 2000 + i) << i;
    for (int i = 0; i < 101; ++i)
        EXPECT_EQ(ini.ReadString(L"Tool", L"Tool" + std::to_wstring(i), L""), L"Volume:" + std::to_wstring(i))
            << i;
}

TEST_F(SettingsEndToEnd, FileLargerThanTheReadBoundIsNeverSavedOver)
{
    std::string big = "[System]\r\nVersion=1.0.0.0\r\n[General]\r\nLowStep=7\r\n[Notes]\r\n";
    while (big.size() <= fw::TIniFile::kMaxFileBytes)
        big += "; " + std::string(1000, 'x') + "\r\n";
    big += "[Tool]\r\nCount=1\r\nTool0=Volume:25\r\n";
    ASSERT_TRUE(WriteBytes(file, big));
    ASSERT_EQ(Run(kNormalStart, true), 0);
    EXPECT_TRUE(ReadBytes(file) == big) << "the file was rewritten";
}

TEST_F(SettingsEndToEnd, CurrentFileWithoutVersionKeepsItsBindingsMenuAndBar)
{
    // Written by hand in today's layout, without a [System] section.
    ASSERT_TRUE(
        WriteBytes(file, Utf16LeWithBom(L"[Mouse]\r\nWheelClick=EnableHotKeyAction\r\n"
                                        L"DoubleClick=EnableWheelAction\r\n[Keyboard]\r\n"
                                        L"EnableWheelAction=8258\r\nMuteChangeAction=8259\r\n"
                                        L"[Menu]\r\nEnableHotKeyAction=0\r\n[Window]\r\nMainWidth=300\r\n"
                                        L"MainHeight=120\r\n")));
    ASSERT_EQ(Run(kNormalStart, true), 0);
    fw::TIniFile ini = Load(file);
    EXPECT_EQ(ini.ReadString(L"System", L"Version", L""), kVersion);
    EXPECT_EQ(ini.ReadString(L"Mouse", L"WheelClick", L""), L"EnableHotKeyAction");
    EXPECT_EQ(ini.ReadString(L"Mouse", L"DoubleClick", L""), L"EnableWheelAction");
    EXPECT_EQ(ini.ReadInteger(L"Keyboard", L"EnableWheelAction", 0), 8258);
    EXPECT_EQ(ini.ReadInteger(L"Keyboard", L"MuteChangeAction", 0), 8259);
    EXPECT_FALSE(ini.ReadBool(L"Menu", L"EnableHotKeyAction", true));
    EXPECT_EQ(ini.ReadInteger(L"Window", L"MainWidth", 0), 300);
    EXPECT_EQ(ini.ReadInteger(L"Window", L"MainHeight", 0), 120);
    const std::wstring text = ini.Text();
    EXPECT_EQ(text.find(L"EnableEnable"), std::wstring::npos);
    EXPECT_EQ(text.find(L"MainMain"), std::wstring::npos);
}

TEST_F(SettingsEndToEnd, CommandModeNeverCreatesOrTouchesTheFile)
{
    EXPECT_NE(Run(L"-Volume:50", false), -1);
    EXPECT_EQ(::GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);

    // An old file that a normal start would migrate stays as it is.
    const std::string old = "[System]\r\nVersion=1.0.0.0\r\n[Mouse]\r\nClick=3\r\n";
    ASSERT_TRUE(WriteBytes(file, old));
    EXPECT_NE(Run(L"-Volume:50", false), -1);
    EXPECT_EQ(ReadBytes(file), old);
}

TEST_F(SettingsEndToEnd, ReadOnlyFileIsLeftAsItIsAndTheProgramEndsNormally)
{
    const std::string frozen =
        Utf16LeWithBom(L"[System]\r\nVersion=" + kVersion + L"\r\n[General]\r\nLowStep=7\r\n");
    ASSERT_TRUE(WriteBytes(file, frozen));
    ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(Run(kNormalStart, true), 0);
    EXPECT_EQ(ReadBytes(file), frozen);
    EXPECT_EQ(program.Names().size(), 2u); // no temporary file left beside it
}

TEST_F(SettingsEndToEnd, FileLockedAtStartIsNotReplacedByDefaultsAtClose)
{
    const std::string mine =
        Utf16LeWithBom(L"[System]\r\nVersion=1.0.0.0\r\n[General]\r\nLowStep=7\r\n[Own]\r\nx=1\r\n");
    ASSERT_TRUE(WriteBytes(file, mine));
    HANDLE lock = ::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);

    ASSERT_TRUE(Start(kNormalStart));
    HWND main = WaitStarted();
    ::CloseHandle(lock); // readable again by the time of the save
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(ReadBytes(file), mine);
}

TEST_F(SettingsEndToEnd, UserModeChoosesTheSettingsFolder)
{
    wchar_t user[257] = {};
    DWORD userLen = 257;
    ASSERT_TRUE(::GetUserNameW(user, &userLen));
    wchar_t appData[MAX_PATH] = {};
    ASSERT_TRUE(::SHGetSpecialFolderPathW(nullptr, appData, CSIDL_APPDATA, FALSE));
    const std::wstring roaming = std::wstring(appData) + L"\\Lorvane\\Lorvane.ini";
    // Mode 1 writes into the prefix's own application data: keep what was there.
    const std::wstring aside = roaming + L".e2e-aside";
    const bool hadRoaming = ::MoveFileExW(roaming.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING);

    TempFolder elsewhere(L"e2e-cwd");
    struct Case {
        int mode;
        std::wstring expected;
    } cases[] = {
        {0, file},
        {1, roaming},
        {2, program.Path() + L"Users\\" + user + L"\\Lorvane.ini"},
        {7, elsewhere.File(L"Lorvane.ini")}, // no folder: the current folder of the process
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "UserMode " << c.mode);
        RemoveTree(c.expected);
        const std::string mode = "[System]\r\nUserMode=" + std::to_string(c.mode) + "\r\n";
        ASSERT_TRUE(WriteBytes(file, mode));
        ASSERT_EQ(Run(kNormalStart, true, elsewhere.Path()), 0);
        fw::TIniFile ini = Load(c.expected);
        EXPECT_EQ(ini.ReadString(L"System", L"Version", L""), kVersion);
        EXPECT_TRUE(ini.SectionExists(L"Window"));
        if (c.mode != 0) {
            EXPECT_EQ(ReadBytes(file), mode); // the program folder's file is only read
            RemoveTree(c.expected);
        }
    }
    RemoveTree(std::wstring(appData) + L"\\Lorvane\\Lorvane.ini");
    if (hadRoaming)
        ::MoveFileExW(aside.c_str(), roaming.c_str(), MOVEFILE_REPLACE_EXISTING);
}

} // namespace
