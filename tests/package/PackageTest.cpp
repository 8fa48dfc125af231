// The release packages as a user meets them, each run in a Wine prefix that never saw the
// program (tests/package/run-fresh): the setup installs, starts from the Start menu, keeps each
// user's settings in their application data and removes itself cleanly; the portable zip runs
// where it was unpacked and keeps its settings beside the program.
#include "LorvaneProcess.h"
#include "Messages.h"
#include "ShellTray.h"
#include "StartupShortcut.h"

#include "ComApartment.h"
#include "ComPtr.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace e2e;

constexpr DWORD kBound = 60000; // a new prefix under load is slow to start anything
// EnableWheelAction's place in the action list: the 21st fixed action, after the ten presets
// and ten tools of a new installation.
constexpr LPARAM kEnableWheel = 20 + 10 + 10;
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lorvane";

std::wstring Env(const wchar_t* name)
{
    wchar_t value[MAX_PATH * 2] = {};
    DWORD n = ::GetEnvironmentVariableW(name, value, static_cast<DWORD>(std::size(value)));
    return n && n < std::size(value) ? std::wstring(value) + L"\\" : std::wstring();
}

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring Folder(int csidl)
{
    wchar_t dir[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, dir, csidl, FALSE))
        return {};
    return std::wstring(dir) + L"\\";
}

// The one file in `dir` whose name matches `pattern`.
std::wstring FindOne(const std::wstring& dir, const std::wstring& pattern)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((dir + pattern).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    ::FindClose(h);
    return dir + fd.cFileName;
}

// The user's guide beside the program is a page a browser shows whole: HTML with its pictures
// inside, none left behind as a link to a file that the package lacks.
testing::AssertionResult GuideReadable(const std::wstring& file)
{
    HANDLE h = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return testing::AssertionFailure() << "no Guide.html beside the program";
    std::string text(::GetFileSize(h, nullptr), '\0');
    DWORD read = 0;
    ::ReadFile(h, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    ::CloseHandle(h);
    if (text.rfind("<!DOCTYPE html>", 0) != 0 || text.find("</html>") == std::string::npos)
        return testing::AssertionFailure() << "Guide.html is not a whole HTML page";
    if (text.find("src=\"data:image/png;base64,") == std::string::npos)
        return testing::AssertionFailure() << "Guide.html shows no picture";
    if (text.find("src=\"images/") != std::string::npos)
        return testing::AssertionFailure() << "Guide.html links a picture the package does not hold";
    return testing::AssertionSuccess();
}

// Every shipped language has its help file (English the common one).
testing::AssertionResult HelpForEveryLanguage(const std::wstring& dir)
{
    if (!Exists(dir + L"Help\\Lorvane.chm"))
        return testing::AssertionFailure() << "no Help\\Lorvane.chm";
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((dir + L"Languages\\*.ini").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return testing::AssertionFailure() << "no language files";
    std::wstring missing;
    do {
        std::wstring name = fd.cFileName;
        name.resize(name.size() - 4);
        if (name != L"English" && !Exists(dir + L"Help\\" + name + L".chm"))
            missing += L" " + name;
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
    if (!missing.empty())
        return testing::AssertionFailure() << "no help file for" << std::string(missing.begin(), missing.end());
    return testing::AssertionSuccess();
}

std::wstring FileVersion(const std::wstring& file)
{
    DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), nullptr);
    std::vector<unsigned char> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (!size || !::GetFileVersionInfoW(file.c_str(), 0, size, data.data()) ||
        !::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info)
        return {};
    return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
           std::to_wstring(HIWORD(info->dwFileVersionLS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionLS));
}

std::wstring RegString(HKEY root, const wchar_t* value)
{
    wchar_t data[1024] = {};
    DWORD size = sizeof(data);
    if (::RegGetValueW(root, kUninstallKey, value, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return {};
    return data;
}

struct Link {
    bool ok = false;
    std::wstring target, args, dir;
};

Link ReadLink(const std::wstring& path)
{
    Link link;
    fw::ComApartment com;
    fw::ComPtr<IShellLinkW> shell;
    fw::ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  shell.put_void())) ||
        FAILED(shell.As(file, IID_IPersistFile)) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return link;
    wchar_t text[MAX_PATH + 1] = {};
    shell->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    link.target = text;
    text[0] = 0;
    shell->GetArguments(text, MAX_PATH);
    link.args = text;
    text[0] = 0;
    shell->GetWorkingDirectory(text, MAX_PATH);
    link.dir = text;
    link.ok = true;
    return link;
}

// Runs a command line to its end; its exit code, or -1.
long RunToEnd(const std::wstring& exe, const std::wstring& args)
{
    Process p;
    if (!p.Start(exe, args))
        return -1;
    return p.Wait(kBound * 2);
}

int IniInt(const std::wstring& file, const wchar_t* section, const wchar_t* key)
{
    return static_cast<int>(::GetPrivateProfileIntW(section, key, -1, file.c_str()));
}

std::wstring IniText(const std::wstring& file, const wchar_t* section, const wchar_t* key)
{
    wchar_t text[256] = {};
    ::GetPrivateProfileStringW(section, key, L"", text, 256, file.c_str());
    return text;
}

// Starts `exe` as a user would and waits until its icon shows in the notification area.
void StartAndSeeIcon(Process& p, const std::wstring& exe)
{
    ASSERT_TRUE(p.Start(exe, L""));
    HWND main = WaitForMainWindow(p.Id(), kBound);
    ASSERT_NE(main, nullptr) << "no main window";
    ASSERT_TRUE(WaitUntil([&] { return ProbeMain(main, WPARAM(lorvane::MainProbe::Started)) == 1; }, kBound));
    EXPECT_TRUE(WaitUntil([] { return !ShownTrayIcons().empty(); }, kBound)) << "no tray icon";
}

// Changes a setting the way the program's own actions do, then closes the program as the
// uninstaller and a logoff do: WM_CLOSE to its main window.
void ChangeAndClose(Process& p)
{
    HWND main = WaitForMainWindow(p.Id(), kBound);
    ASSERT_NE(main, nullptr);
    ::PostMessageW(main, lorvane::WM_RUN_ACTION, 0, kEnableWheel);
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.Wait(kBound), 0);
    EXPECT_TRUE(WaitUntil([] { return ShownTrayIcons().empty(); }, kBound)) << "the icon stayed";
}

class Installer : public ::testing::Test {
  protected:
    void SetUp() override
    {
        dist = Env(L"LORVANE_DIST");
        ASSERT_FALSE(dist.empty()) << "run through tests/package/run-fresh";
        setup = FindOne(dist, L"Lorvane-*-setup.exe");
        ASSERT_FALSE(setup.empty()) << "no setup in " << std::string(dist.begin(), dist.end());
        version = FileVersion(setup);
        settings = Folder(CSIDL_APPDATA) + L"Lorvane\\Lorvane.ini";
        startup = lorvane::StartupShortcutPath(); // where the settings dialog looks
    }
    // A test that stopped half-way leaves no installation to the next one.
    void TearDown() override
    {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            const std::wstring dir = RegString(root, L"InstallLocation");
            if (dir.empty())
                continue;
            RunToEnd(dir + L"\\Uninstall.exe", L"/S");
            WaitUntil([&] { return !Exists(dir); }, kBound);
            ::RegDeleteTreeW(root, kUninstallKey);
        }
        CloseAllInstances();
    }

    std::wstring dist, setup, version, settings, startup;
};

TEST_F(Installer, InstallsForTheUserRunsFromTheStartMenuAndUninstallsWhileRunning)
{
    EXPECT_NE(setup.find(L"Lorvane-" + version + L"-setup.exe"), std::wstring::npos) << "version in the name";
    ASSERT_EQ(RunToEnd(setup, L"/S"), 0);

    // Per user, without administrator rights: the user's programs folder and HKCU.
    const Link menu = ReadLink(Folder(CSIDL_PROGRAMS) + L"Lorvane.lnk");
    ASSERT_TRUE(menu.ok) << "no Start-menu shortcut";
    const std::wstring exe = menu.target;
    const std::wstring dir = exe.substr(0, exe.find_last_of(L'\\') + 1);
    EXPECT_EQ(_wcsicmp(dir.c_str(), (Folder(CSIDL_LOCAL_APPDATA) + L"Programs\\Lorvane\\").c_str()), 0);
    EXPECT_EQ(FileVersion(exe), version) << "setup and program carry one version";
    for (const wchar_t* data : {L"Icons\\Digital White", L"Languages"})
        EXPECT_TRUE(Exists(dir + data)) << "missing " << std::string(data, data + wcslen(data));
    EXPECT_TRUE(GuideReadable(dir + L"Guide.html"));
    EXPECT_TRUE(HelpForEveryLanguage(dir));
    EXPECT_EQ(IniInt(dir + L"Lorvane.ini", L"System", L"UserMode"), 1);
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, L"DisplayVersion"), version);
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, L"DisplayVersion"), L"");

    // Start with Windows: the settings dialog's shortcut, read by the dialog's own reader.
    const Link autostart = ReadLink(startup);
    ASSERT_TRUE(autostart.ok) << "no Startup shortcut";
    EXPECT_EQ(_wcsicmp(autostart.target.c_str(), exe.c_str()), 0);
    EXPECT_EQ(autostart.args, L"");
    EXPECT_EQ(autostart.dir, L"");
    const lorvane::StartupShortcut seen = lorvane::ReadStartupShortcutFile(startup, nullptr);
    EXPECT_TRUE(seen.enabled);
    EXPECT_EQ(seen.waitSeconds, 0u);

    ASSERT_FALSE(Exists(settings));
    {
        Process p;
        StartAndSeeIcon(p, exe);
        ChangeAndClose(p);
    }
    EXPECT_EQ(IniInt(settings, L"General", L"WheelEnabled"), 0) << "settings not in the application data";
    EXPECT_EQ(IniText(settings, L"System", L"Version"), version);
    EXPECT_EQ(IniInt(dir + L"Lorvane.ini", L"General", L"WheelEnabled"), -1)
        << "settings in the program folder";

    // The dialog sets a wait; an update keeps the shortcut as the dialog wrote it.
    ASSERT_TRUE(lorvane::WriteStartupShortcutFile(startup, exe, {true, 10}));
    ASSERT_EQ(RunToEnd(setup, L"/S"), 0);
    EXPECT_EQ(lorvane::ReadStartupShortcutFile(startup, nullptr).waitSeconds, 10u)
        << "the update lost the wait";

    // Uninstall with the program running: it is asked to close, everything installed goes,
    // the user's settings stay.
    Process running;
    StartAndSeeIcon(running, exe);
    const std::wstring uninstaller = dir + L"Uninstall.exe";
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, L"QuietUninstallString"), L"\"" + uninstaller + L"\" /S");
    ASSERT_EQ(RunToEnd(uninstaller, L"/S"), 0);
    EXPECT_EQ(running.Wait(kBound), 0) << "the uninstaller did not close the program";
    EXPECT_TRUE(WaitUntil([&] { return !Exists(dir); }, kBound)) << "the program folder stayed";
    EXPECT_FALSE(Exists(Folder(CSIDL_PROGRAMS) + L"Lorvane.lnk"));
    EXPECT_FALSE(Exists(startup));
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, L"DisplayName"), L"");
    EXPECT_EQ(IniInt(settings, L"General", L"WheelEnabled"), 0) << "the settings were not kept";
}

TEST_F(Installer, AnUpdateKeepsTheSettingsAndTheRunningProgramAndRemovalCanTakeTheSettings)
{
    ASSERT_EQ(RunToEnd(setup, L"/S /AUTOSTART=0 /DISPLAY=1"), 0);
    const std::wstring exe = ReadLink(Folder(CSIDL_PROGRAMS) + L"Lorvane.lnk").target;
    ASSERT_TRUE(Exists(exe));
    EXPECT_FALSE(Exists(startup)) << "start with Windows was not asked for";
    EXPECT_EQ(IniInt(settings, L"Display", L"Enabled"), 1) << "the on-screen display was asked for";
    // The settings of an earlier installation may be there already: the change toggles.
    const int changed = IniInt(settings, L"General", L"WheelEnabled") == 0 ? 1 : 0;
    {
        Process p;
        StartAndSeeIcon(p, exe);
        ChangeAndClose(p);
    }
    ASSERT_EQ(IniInt(settings, L"General", L"WheelEnabled"), changed);
    EXPECT_EQ(IniInt(settings, L"Display", L"Enabled"), 1) << "the program dropped the installer's choice";

    // The update closes the running program, keeps the settings and the choice of no
    // autostart, and starts the program again, which finds the settings as they were.
    Process running;
    StartAndSeeIcon(running, exe);
    ASSERT_EQ(RunToEnd(setup, L"/S"), 0);
    EXPECT_EQ(running.Wait(kBound), 0);
    HWND again = nullptr;
    EXPECT_TRUE(
        WaitUntil([&] { return (again = ::FindWindowW(L"TMainForm", L"Lorvane")) != nullptr; }, kBound))
        << "not started again after the update";
    EXPECT_FALSE(Exists(startup));
    if (again) {
        ::PostMessageW(again, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitUntil([] { return MainWindows().empty(); }, kBound));
    }
    EXPECT_EQ(IniInt(settings, L"General", L"WheelEnabled"), changed) << "the update lost the settings";

    const std::wstring dir = exe.substr(0, exe.find_last_of(L'\\') + 1);
    ASSERT_EQ(RunToEnd(dir + L"Uninstall.exe", L"/S /REMOVESETTINGS"), 0);
    EXPECT_TRUE(WaitUntil([] { return MainWindows().empty(); }, kBound));
    EXPECT_TRUE(WaitUntil([&] { return !Exists(dir); }, kBound));
    EXPECT_TRUE(WaitUntil([&] { return !Exists(settings); }, kBound)) << "settings not removed when asked";
}

TEST_F(Installer, ForAllUsersInstallsIntoProgramFilesAndTheMachineKey)
{
    // A Startup shortcut of another copy (a portable one, say) now starts the installed program.
    ASSERT_TRUE(lorvane::WriteStartupShortcutFile(startup, L"C:\\Elsewhere\\Lorvane.exe", {true, 30}));
    ASSERT_EQ(RunToEnd(setup, L"/S /AllUsers"), 0);
    const std::wstring dir = Folder(CSIDL_PROGRAM_FILES) + L"Lorvane\\";
    EXPECT_TRUE(Exists(dir + L"Lorvane.exe"));
    EXPECT_EQ(IniInt(dir + L"Lorvane.ini", L"System", L"UserMode"), 1);
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, L"DisplayVersion"), version);
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, L"DisplayVersion"), L"");
    EXPECT_EQ(_wcsicmp(ReadLink(Folder(CSIDL_COMMON_PROGRAMS) + L"Lorvane.lnk").target.c_str(),
                       (dir + L"Lorvane.exe").c_str()),
              0);
    const Link autostart = ReadLink(startup);
    EXPECT_EQ(_wcsicmp(autostart.target.c_str(), (dir + L"Lorvane.exe").c_str()), 0)
        << "the user's own Startup folder";
    EXPECT_EQ(autostart.args, L"");

    ASSERT_EQ(RunToEnd(dir + L"Uninstall.exe", L"/S"), 0);
    EXPECT_TRUE(WaitUntil([&] { return !Exists(dir); }, kBound));
    EXPECT_FALSE(Exists(Folder(CSIDL_COMMON_PROGRAMS) + L"Lorvane.lnk"));
    EXPECT_FALSE(Exists(startup));
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, L"DisplayName"), L"");
}

TEST(Portable, RunsWhereUnpackedAndKeepsTheSettingsBesideTheProgram)
{
    const std::wstring dir = Env(L"LORVANE_UNPACKED");
    ASSERT_FALSE(dir.empty()) << "run through tests/package/run-fresh --unzip";
    const std::wstring ini = dir + L"Lorvane.ini";
    ASSERT_EQ(IniInt(ini, L"System", L"UserMode"), 0);
    EXPECT_TRUE(Exists(dir + L"Icons\\Digital White"));
    EXPECT_TRUE(GuideReadable(dir + L"Guide.html"));
    EXPECT_TRUE(HelpForEveryLanguage(dir));
    {
        Process p;
        StartAndSeeIcon(p, dir + L"Lorvane.exe");
        ChangeAndClose(p);
    }
    EXPECT_EQ(IniInt(ini, L"System", L"UserMode"), 0);
    EXPECT_EQ(IniInt(ini, L"General", L"WheelEnabled"), 0) << "the change is not beside the program";
    EXPECT_EQ(IniText(ini, L"System", L"Version"), FileVersion(dir + L"Lorvane.exe"));
    EXPECT_FALSE(Exists(Folder(CSIDL_APPDATA) + L"Lorvane")) << "a portable program wrote outside its folder";
}

} // namespace
