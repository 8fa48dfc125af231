// Faults while Lorvane.exe runs: the shell losing its icon, suspend, resume and session end
// with the reset on, no active endpoint at all, a settings folder that is full, read-only or
// gone at save or a file unreadable at the start, and an outside change overtaking an own write.
// After each: it answers, the tray icon shows the real state, the close ends within its bound
// and the settings file is whole.
#include "FuzzRun.h"
#include "InstanceTest.h"
#include "ShellTray.h"
#include "SimControl.h"
#include "TrayState.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace {

using namespace e2e;
namespace sim = endpointsim;

constexpr UINT kRunAction = WM_APP + 1002;
// Positions in the action list with the default ten presets and ten tools.
constexpr LPARAM kVolumeUp = 13, kEnableHotKey = 39, kShowOption = 41;
constexpr DWORD kBound = 20000;
constexpr DWORD kShown = 3000;           // about a second on a quiet machine; room for a loaded one
constexpr DWORD kSessionEndBound = 5000; // what the system waits before it ends a program itself
constexpr float kReScalar = 16384.0f / 65535.0f;
const std::wstring kResetOn = L"[General]\r\nReset=1\r\nReVolume=16384\r\nReMute=0\r\nBalloonHint=1\r\n"
                              L"BalloonTime=3000\r\n";

float DefaultScalar()
{
    for (const sim::EndpointInfo& e : sim::Show())
        if (e.isDefault)
            return e.scalar;
    return -1;
}

LRESULT Send(HWND main, UINT msg, WPARAM wp, LPARAM lp, DWORD bound = kBound)
{
    DWORD_PTR r = 0;
    return ::SendMessageTimeoutW(main, msg, wp, lp, SMTO_ABORTIFHUNG, bound, &r) ? static_cast<LRESULT>(r)
                                                                                 : -1;
}

// A balloon repeating the tooltip shows after a change the program made itself.
testing::AssertionResult NoticeFollowsAStep(HWND main)
{
    WaitUntil([] { return !ShownBalloon(); }, kBound);
    ::PostMessageW(main, kRunAction, 0, kVolumeUp);
    std::optional<Balloon> b;
    if (WaitUntil([&] { return (b = ShownBalloon()) && b->text == RealTip(); }, 3000))
        return testing::AssertionSuccess();
    const std::wstring tip = RealTip();
    return testing::AssertionFailure()
           << "no balloon for \"" << std::string(tip.begin(), tip.end()) << "\""
           << (b ? ", one shows \"" + std::string(b->text.begin(), b->text.end()) + "\"" : "");
}

// Starts a command of the system under Wine (which starts Unix programs too). Neither its end
// nor its exit code comes back through Wine: callers wait for what it does.
void Shell(const std::string& command)
{
    std::wstring line = L"/bin/sh -c \"" + std::wstring(command.begin(), command.end()) + L" 2>/dev/null\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi))
        return;
    ::WaitForSingleObject(pi.hProcess, 30000);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
}

// A small file system of its own mounted over a folder, so that a full disk and a read-only
// folder are real. Mounting needs a system that lets the test run do it (root, no confinement);
// elsewhere Mounted() is false.
class ScratchDisk {
  public:
    explicit ScratchDisk(const std::wstring& folder) : folder(folder)
    {
        auto unixName = reinterpret_cast<char*(CDECL*)(const wchar_t*)>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
        if (char* name = unixName ? unixName(folder.c_str()) : nullptr) {
            path = name;
            ::HeapFree(::GetProcessHeap(), 0, name);
            Shell("mount -t tmpfs -o size=4m,mode=0777 lorvane-faults '" + path + "'");
            WaitUntil([&] { return Mounted(); }, 5000);
        }
    }
    ~ScratchDisk()
    {
        if (Mounted()) {
            Shell("umount -l '" + path + "'");
            WaitUntil([&] { return !Mounted(); }, 5000);
        }
    }
    ScratchDisk(const ScratchDisk&) = delete;
    ScratchDisk& operator=(const ScratchDisk&) = delete;

    bool Mounted() const
    {
        ULARGE_INTEGER total{};
        return ::GetDiskFreeSpaceExW(folder.c_str(), nullptr, &total, nullptr) &&
               total.QuadPart <= (8u << 20);
    }
    bool ReadOnly(bool on)
    {
        // A read-only view of the folder laid over it: open files below do not stand in the way.
        Shell((on ? "mount --bind -o ro '" + path + "' '" : "umount '") + path + "'");
        const std::wstring probe = folder + L"probe.tmp";
        return WaitUntil(
            [&] {
                HANDLE h = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_FLAG_DELETE_ON_CLOSE, nullptr);
                return (h != INVALID_HANDLE_VALUE && ::CloseHandle(h)) != on;
            },
            5000);
    }

  private:
    std::wstring folder;
    std::string path;
};

// Writes to `file` until the disk refuses more.
bool FillDisk(const std::wstring& file)
{
    HANDLE h = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    std::vector<char> block(64 << 10, 'x');
    DWORD written = 0;
    for (DWORD size : {64u << 10, 4u << 10, 1u})
        while (::WriteFile(h, block.data(), size, &written, nullptr) && written == size) {
        }
    const DWORD error = ::GetLastError();
    ::CloseHandle(h);
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((folder + L"*").c_str(), &fd);
    for (bool more = h != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(h, &fd))
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(fd.cFileName);
    if (h != INVALID_HANDLE_VALUE)
        ::FindClose(h);
    return names;
}

// A top-level window of class `cls` of process `pid`.
HWND WindowOf(DWORD pid, const wchar_t* cls)
{
    for (HWND w = nullptr; (w = ::FindWindowExW(nullptr, w, cls, nullptr));) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(w, &owner);
        if (owner == pid && ::IsWindowVisible(w))
            return w;
    }
    return nullptr;
}

// The texts of a window's children, one after the other, and the child captioned `caption`.
std::wstring ChildTexts(HWND parent, const std::wstring& caption, HWND* found)
{
    struct Walk {
        std::wstring all, caption;
        HWND* found;
    } walk{L"", caption, found};
    ::EnumChildWindows(
        parent,
        [](HWND child, LPARAM lp) -> BOOL {
            auto* w = reinterpret_cast<Walk*>(lp);
            wchar_t text[512] = {};
            ::GetWindowTextW(child, text, 512);
            w->all += std::wstring(text) + L"\n";
            if (w->found && w->caption == text)
                *w->found = child;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
    return walk.all;
}

// Presses a button the way a click does: its parent hears of it.
void Press(HWND button)
{
    ::PostMessageW(::GetParent(button), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
}

class Faults : public InstanceTest {
  protected:
    Faults() : InstanceTest(L"faults") {}
    void TearDown() override
    {
        InstanceTest::TearDown();
        fuzz::Tally::Add("faults while running", cases, HasFailure() ? 1 : 0);
    }

    HWND Start(const std::wstring& settings = L"")
    {
        if (!settings.empty() && !program->WriteSettings(settings))
            return nullptr;
        p = Process();
        HWND main = StartInstance(p, L"", kBound);
        return main && TipShowsRealState(kBound) ? main : nullptr;
    }

    // What holds after every fault: a step runs and shows within a second, the close ends in
    // time and leaves a whole settings file.
    void AnswersShowsAndCloses(HWND main)
    {
        ASSERT_TRUE(sim::SetVolume(0.45f));
        EXPECT_TRUE(TipShowsRealState(kShown));
        ::PostMessageW(main, kRunAction, 0, kVolumeUp);
        EXPECT_TRUE(WaitUntil([&] { return DefaultScalar() > 0.455f; }, 3000))
            << "the step did not run: " << DefaultScalar();
        EXPECT_TRUE(TipShowsRealState(kShown));
        ::PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(p.Wait(10000), 0);
        const std::wstring ini = program->ReadSettings();
        EXPECT_NE(ini.find(L"[General]"), std::wstring::npos);
        EXPECT_NE(ini.find(L"Version="), std::wstring::npos);
    }

    Process p;
    long cases = 1; // faults a test tried, for the closing table
};

TEST_F(Faults, TaskbarCreatedBringsBackAnIconRemovedFromOutsideWithTheCurrentTip)
{
    HWND main = Start();
    ASSERT_TRUE(main);
    HWND owner = NotifyIconWindow(p.Id());
    ASSERT_TRUE(owner);
    const UINT taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    // A broadcast while the icon is there adds no second one; the volume changes while it is gone.
    cases = 3;
    for (bool removed : {false, true, true}) {
        if (removed) {
            NOTIFYICONDATAW d{};
            d.cbSize = sizeof d;
            d.hWnd = owner;
            d.uID = 1;
            ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &d));
            ASSERT_TRUE(WaitUntil([] { return ShownTrayIcons().empty(); }, kBound));
            ASSERT_TRUE(sim::SetVolume(DefaultScalar() > 0.5f ? 0.3f : 0.7f));
            ::Sleep(200);
        }
        ::SendMessageTimeoutW(HWND_BROADCAST, taskbarCreated, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
        EXPECT_TRUE(TipShowsRealState(kShown)) << "after the broadcast, removed " << removed;
        EXPECT_EQ(ShownTrayIcons().size(), 1u);
    }
    AnswersShowsAndCloses(main);
}

TEST_F(Faults, SuspendAndResumeWithResetOnResetAndBringTheNoticesBack)
{
    HWND main = Start(kResetOn);
    ASSERT_TRUE(main);
    ASSERT_TRUE(NoticeFollowsAStep(main));
    // On resume the system always sends the automatic event; the user's only follows input.
    const std::vector<std::vector<WPARAM>> resumes = {
        {PBT_APMRESUMEAUTOMATIC, PBT_APMRESUMESUSPEND}, {PBT_APMRESUMEAUTOMATIC}, {PBT_APMRESUMECRITICAL}};
    cases = static_cast<long>(resumes.size());
    for (const std::vector<WPARAM>& resume : resumes) {
        SCOPED_TRACE(testing::Message() << "resume with " << resume.size() << " events, first " << resume[0]);
        ASSERT_TRUE(sim::SetVolume(0.8f));
        ASSERT_TRUE(sim::SetMute(true));
        EXPECT_EQ(Send(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0), TRUE);
        EXPECT_NEAR(DefaultScalar(), kReScalar, 0.001);
        EXPECT_FALSE(sim::Show().at(0).mute);
        for (WPARAM event : resume)
            EXPECT_EQ(Send(main, WM_POWERBROADCAST, event, 0), TRUE);
        EXPECT_TRUE(TipShowsRealState(kShown));
        EXPECT_TRUE(NoticeFollowsAStep(main));
    }
    AnswersShowsAndCloses(main);
}

TEST_F(Faults, SessionEndWithResetOnResetsSavesAndEndsInTime)
{
    HWND main = Start(kResetOn);
    ASSERT_TRUE(main);
    cases = 2;
    for (BOOL ends : {FALSE, TRUE}) {
        SCOPED_TRACE(ends ? "the session ends" : "another program refused the end");
        ASSERT_TRUE(sim::SetVolume(0.8f));
        ASSERT_TRUE(sim::SetMute(true));
        ASSERT_TRUE(program->WriteSettings(L"[General]\r\nReset=1\r\nReVolume=16384\r\n"));
        const DWORD start = ::GetTickCount();
        EXPECT_EQ(Send(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, kSessionEndBound), TRUE);
        EXPECT_NEAR(DefaultScalar(), kReScalar, 0.001);
        EXPECT_FALSE(sim::Show().at(0).mute);
        EXPECT_NE(program->ReadSettings().find(L"ReMute=0"), std::wstring::npos) << "not saved at the query";
        Send(main, WM_ENDSESSION, ends, ENDSESSION_LOGOFF, kSessionEndBound);
        if (ends) {
            EXPECT_EQ(p.Wait(kSessionEndBound), 0);
            EXPECT_LT(::GetTickCount() - start, kSessionEndBound);
            EXPECT_NE(program->ReadSettings().find(L"Reset=1"), std::wstring::npos);
        } else {
            EXPECT_TRUE(p.Running());
            EXPECT_TRUE(TipShowsRealState(kShown));
            EXPECT_TRUE(NoticeFollowsAStep(main));
        }
    }
}

TEST_F(Faults, WithoutAnyActiveEndpointTheIconSaysSoVerbsAreRefusedAndItComesBack)
{
    HWND main = Start();
    ASSERT_TRUE(main);
    ASSERT_TRUE(sim::SetState(0, false));
    ASSERT_TRUE(sim::SetState(1, false));
    std::vector<TrayIcon> icons;
    EXPECT_TRUE(WaitUntil(
        [&] { return (icons = ShownTrayIcons()).size() == 1 && icons[0].tip == L"Volume: 0%"; }, kShown))
        << "the icon still names a device: "
        << (icons.size() == 1 ? std::string(icons[0].tip.begin(), icons[0].tip.end()) : "no single icon");
    for (const wchar_t* verb : {L"-Volume:50", L"-Mute:on", L"-Sound:30%", L"-Device:!"})
        EXPECT_EQ(RunLorvane(verb), 2) << verb;
    for (LPARAM action = 1; action <= 18; ++action)
        ::PostMessageW(main, kRunAction, 0, action);
    EXPECT_EQ(Send(main, WM_NULL, 0, 0), 0);
    ASSERT_TRUE(sim::SetState(1, true));
    ASSERT_TRUE(sim::SetState(0, true));
    EXPECT_TRUE(TipShowsRealState(kShown));
    AnswersShowsAndCloses(main);
}

TEST_F(Faults, ASettingsFolderDeletedWhileItRunsIsMadeAgainBySaves)
{
    // Settings in a folder of the user's below the program's, which the start makes.
    HWND main = Start(L"[System]\r\nUserMode=2\r\n");
    ASSERT_TRUE(main);
    wchar_t user[257] = {};
    DWORD size = 257;
    ASSERT_TRUE(::GetUserNameW(user, &size));
    const std::wstring folder = L"Users\\" + std::wstring(user), ini = folder + L"\\Lorvane.ini";
    cases = 2;
    // A save while it runs (a session end another program refused), then the one at the close.
    for (bool atClose : {false, true}) {
        ASSERT_TRUE(::DeleteFileW(program->File(ini).c_str()));
        ASSERT_TRUE(::RemoveDirectoryW(program->File(folder).c_str()));
        Send(main, kRunAction, 0, kEnableHotKey);
        if (atClose) {
            ::PostMessageW(main, WM_CLOSE, 0, 0);
            EXPECT_EQ(p.Wait(10000), 0);
        } else {
            EXPECT_EQ(Send(main, WM_QUERYENDSESSION, 0, 0), TRUE);
            Send(main, WM_ENDSESSION, FALSE, 0);
        }
        EXPECT_NE(program->ReadSettings(ini).find(atClose ? L"HotKeyEnabled=1" : L"HotKeyEnabled=0"),
                  std::wstring::npos);
    }
}

// An outside change that lands while the program's own write is on its way, and is heard of
// only after that write replaced it: the next step starts from the outside level.
TEST_F(Faults, AStepAfterAnOutsideChangeThatOvertookAnOwnWriteStartsFromIt)
{
    HWND main = Start();
    ASSERT_TRUE(main);
    auto reaches = [](float scalar) {
        return WaitUntil([&] { return std::fabs(DefaultScalar() - scalar) < 0.004f; }, kBound);
    };
    ASSERT_TRUE(sim::HoldNotifications(true));
    ASSERT_TRUE(sim::SetVolume(0.8f));
    ::PostMessageW(main, kRunAction, 0, kVolumeUp);
    EXPECT_TRUE(reaches(0.46f)) << DefaultScalar(); // stepped from 45 %, the last it heard of
    ASSERT_TRUE(sim::HoldNotifications(false));
    EXPECT_TRUE(TipShowsRealState(kShown));
    ::Sleep(300); // the own write's notice follows the outside one
    ::PostMessageW(main, kRunAction, 0, kVolumeUp);
    EXPECT_TRUE(reaches(0.81f)) << DefaultScalar();
    AnswersShowsAndCloses(main);
}

TEST_F(Faults, AFullDiskOrAReadOnlySettingsFolderAtSaveLosesNothing)
{
    ScratchDisk disk(program->Path());
    ASSERT_TRUE(!disk.Mounted() || ::CopyFileW((BinDir() + L"Lorvane.exe").c_str(),
                                               program->File(L"Lorvane.exe").c_str(), FALSE));
    const std::wstring filler = program->File(L"filler.bin"), ini = program->File(L"Lorvane.ini");
    HANDLE locked = INVALID_HANDLE_VALUE;
    struct Fault {
        const char* name;
        bool needsDisk;
        bool atStart; // on while the program starts and off at once: the file could not be read then
        const wchar_t* why;
        std::function<bool()> on, off;
    };
    const Fault faults[] = {
        {"full disk", true, false, L"disk may be full", [&] { return FillDisk(filler); },
         [&] { return ::DeleteFileW(filler.c_str()) != 0; }},
        {"read-only folder", true, false, L"disk may be full", [&] { return disk.ReadOnly(true); },
         [&] { return disk.ReadOnly(false); }},
        {"read-only file", false, false, L"disk may be full",
         [&] { return ::SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY) != 0; },
         [&] { return ::SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL) != 0; }},
        {"file unreadable at the start", false, true, L"could not be read when the program started",
         [&] {
             locked = ::CreateFileW(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
             return locked != INVALID_HANDLE_VALUE;
         },
         [&] { return ::CloseHandle(locked) != 0; }},
    };
    cases = 0;
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        if (fault.needsDisk && !disk.Mounted()) {
            std::printf("%s: no file system of its own can be mounted here, case left out\n", fault.name);
            continue;
        }
        ++cases;
        ASSERT_TRUE(program->WriteSettings(L"[General]\r\nHotKeyEnabled=1\r\n"));
        ASSERT_TRUE(!fault.atStart || fault.on());
        HWND main = Start();
        ASSERT_TRUE(!fault.atStart || fault.off());
        ASSERT_TRUE(main);
        const std::wstring before = program->ReadSettings();
        const std::vector<std::wstring> files = FilesIn(program->Path());
        ::PostMessageW(main, kRunAction, 0, kEnableHotKey); // what the next save would change
        ASSERT_TRUE(fault.atStart || fault.on());
        // A save the user asked for: OK in the settings dialog says that the file was not written.
        ::PostMessageW(main, kRunAction, 0, kShowOption);
        HWND dialog = nullptr, ok = nullptr, box = nullptr;
        ASSERT_TRUE(
            WaitUntil([&] { return (dialog = WindowOf(p.Id(), L"TOptionForm")) != nullptr; }, kBound));
        ChildTexts(dialog, L"OK", &ok);
        ASSERT_TRUE(ok);
        Press(ok);
        ASSERT_TRUE(WaitUntil([&] { return (box = WindowOf(p.Id(), L"#32770")) != nullptr; }, kBound));
        const std::wstring said = ChildTexts(box, L"", nullptr);
        EXPECT_NE(said.find(L"could not be saved to '" + program->File(L"Lorvane.ini") + L"'"),
                  std::wstring::npos)
            << std::string(said.begin(), said.end());
        EXPECT_NE(said.find(fault.why), std::wstring::npos) << std::string(said.begin(), said.end());
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntil([&] { return !WindowOf(p.Id(), L"TOptionForm"); }, kBound));
        EXPECT_EQ(program->ReadSettings(), before);
        // A save while it runs (a session end another program refused), then one at the close.
        EXPECT_EQ(Send(main, WM_QUERYENDSESSION, 0, 0), TRUE);
        Send(main, WM_ENDSESSION, FALSE, 0);
        EXPECT_TRUE(p.Running());
        EXPECT_EQ(program->ReadSettings(), before);
        ::PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(p.Wait(10000), 0);
        EXPECT_EQ(program->ReadSettings(), before);
        ASSERT_TRUE(fault.atStart || fault.off());
        EXPECT_EQ(FilesIn(program->Path()), files) << "a temporary file was left behind";
        // Once the fault is gone the next save writes again.
        main = Start();
        ASSERT_TRUE(main);
        ::PostMessageW(main, kRunAction, 0, kEnableHotKey);
        AnswersShowsAndCloses(main);
        EXPECT_NE(program->ReadSettings().find(L"HotKeyEnabled=0"), std::wstring::npos);
    }
}

} // namespace
