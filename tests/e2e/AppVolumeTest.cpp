// Per-application volume end to end in Wine's shell desktop, against the simulator's audio
// sessions: `endpointsim play` processes stand for playing applications, real key and pointer
// input drives the program, and the sessions, the bar's windows and the exit codes are
// observed from outside.
#include "DesktopTestLock.h"
#include "LorvaneProcess.h"
#include "SimControl.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace e2e;
namespace sim = endpointsim;

constexpr DWORD kBound = 20000;
constexpr UINT WM_RUN_ACTION = WM_APP + 1002;
constexpr WPARAM kProbeGdi = 7, kProbeUser = 8, kProbeHandles = 9, kProbeRows = 20, kProbeSinks = 21;
// PopupBarAction after the ten default presets.
constexpr LPARAM kPopupBarPosition = 19;
constexpr int kCtrlAltM = 0xC04D, kCtrlAltU = 0xC055;

// A playing application: `endpointsim play NAME`, its session observed through the simulator.
class Player {
  public:
    Player(const std::wstring& name, int seconds = -1, bool window = false) : name(name)
    {
        std::wstring args = L"play \"" + name + L"\"";
        if (seconds >= 0)
            args += L" " + std::to_wstring(seconds);
        if (window)
            args += L" --window";
        // The player opens its session before it shows its window: wait for both.
        started = process.Start(BinDir() + L"endpointsim.exe", args) &&
                  WaitUntil([&] { return Session().has_value() && (!window || Window()); }, kBound);
    }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;
    ~Player() { process.Kill(); } // its session then expires on the next read
    bool Started() const { return started; }
    DWORD Pid() const { return process.Id(); }
    std::optional<sim::SessionInfo> Session() const
    {
        for (const sim::SessionInfo& s : sim::Sessions())
            if (s.processId == process.Id())
                return s;
        return std::nullopt;
    }
    float Volume() const { return Session() ? Session()->volume : -1.0f; }
    bool Muted() const { return Session() && Session()->mute; }
    HWND Window() const { return ::FindWindowW(L"EndpointSimPlayer", name.c_str()); }

  private:
    std::wstring name;
    Process process;
    bool started = false;
};

void Keys(std::initializer_list<WORD> held, WORD key)
{
    std::vector<INPUT> in;
    auto add = [&](WORD vk, bool up) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        in.push_back(i);
    };
    for (WORD vk : held)
        add(vk, false);
    add(key, false);
    add(key, true);
    for (auto it = std::rbegin(held); it != std::rend(held); ++it)
        add(*it, true);
    ::SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

// A click on the window's caption, as the user would; the system refuses a foreground
// change asked for by a program that is not in the foreground itself.
bool Focus(HWND window)
{
    return WaitUntil(
        [&] {
            RECT r{};
            ::GetWindowRect(window, &r);
            ::SetCursorPos((r.left + r.right) / 2, r.top + 8);
            ::Sleep(100);
            INPUT in[2]{};
            in[0].type = in[1].type = INPUT_MOUSE;
            in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
            in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
            ::SendInput(2, in, sizeof(INPUT));
            ::Sleep(200);
            if (::GetForegroundWindow() == window)
                return true;
            // A window another test program left above the title bar takes the click; then
            // the player is brought forward as the shell would on a click on its button.
            ::SetForegroundWindow(window);
            ::Sleep(200);
            return ::GetForegroundWindow() == window;
        },
        kBound);
}

// A window of a process that plays nothing and has no playing child or parent.
struct SilentWindow {
    Process process;
    HWND window = nullptr;
    SilentWindow()
    {
        wchar_t system[MAX_PATH] = {};
        ::GetSystemDirectoryW(system, MAX_PATH);
        if (process.Start(std::wstring(system) + L"\\notepad.exe", L""))
            WaitUntil([&] { return (window = ::FindWindowW(L"Notepad", nullptr)) != nullptr; }, kBound);
    }
    ~SilentWindow() { process.Kill(); }
};

std::wstring Text(HWND h)
{
    wchar_t buf[256] = {};
    ::GetWindowTextW(h, buf, 256);
    return buf;
}

RECT WindowRect(HWND h)
{
    RECT r{};
    ::GetWindowRect(h, &r);
    return r;
}

std::vector<HWND> Children(HWND parent, const wchar_t* cls)
{
    std::vector<HWND> found;
    for (HWND h = ::FindWindowExW(parent, nullptr, cls, nullptr); h; h = ::FindWindowExW(parent, h, cls, nullptr))
        found.push_back(h);
    return found;
}

// The row controls of the bar by the application name its row shows.
struct Row {
    HWND name = nullptr, slider = nullptr, mute = nullptr;
};
std::map<std::wstring, Row> Rows(HWND bar)
{
    std::map<std::wstring, Row> rows;
    auto middle = [](HWND h) {
        const RECT r = WindowRect(h);
        return (r.top + r.bottom) / 2;
    };
    const std::vector<HWND> sliders = Children(bar, TRACKBAR_CLASSW);
    const std::vector<HWND> boxes = Children(bar, L"Button");
    for (HWND label : Children(bar, L"Static")) {
        const std::wstring text = Text(label);
        if (text.empty() || text.rfind(L"Volume:", 0) == 0)
            continue;
        Row row{label};
        for (HWND s : sliders)
            if (std::abs(middle(s) - middle(label)) <= 2)
                row.slider = s;
        for (HWND b : boxes)
            if (std::abs(middle(b) - middle(label)) <= 2)
                row.mute = b;
        rows[text] = row;
    }
    return rows;
}

HWND FocusOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

class AppVolumeE2E : public testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        sim::UseStateFile(sim::StateFileBeside(L"lorvane-e2e-apps.state"));
        desktopLock = std::make_unique<testsupport::DesktopTestLock>();
    }
    static void TearDownTestSuite() { desktopLock.reset(); }
    static inline std::unique_ptr<testsupport::DesktopTestLock> desktopLock;

    void SetUp() override
    {
        ASSERT_NE(::FindWindowW(L"Shell_TrayWnd", nullptr), nullptr) << "the tests run in Wine's shell desktop";
        CloseAllInstances();
        ASSERT_TRUE(sim::Reset());
        ASSERT_TRUE(sim::SetVolume(0.5f));
        program = std::make_unique<ProgramFolder>(L"e2e-apps");
    }
    void TearDown() override
    {
        CloseAllInstances();
        program.reset();
    }
    void Start(const std::wstring& settings = L"")
    {
        ASSERT_TRUE(program->WriteSettings(settings));
        main = StartInstance(p);
        ASSERT_TRUE(main) << "no running instance";
    }
    LRESULT Probe(WPARAM what) const { return ProbeMain(main, what); }
    bool BarShown() const { return ::IsWindowVisible(main) != FALSE; }
    void ShowBar()
    {
        ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 20, ::GetSystemMetrics(SM_CYSCREEN) - 20);
        ::PostMessageW(main, WM_RUN_ACTION, 0, kPopupBarPosition);
        ASSERT_TRUE(WaitUntil([&] { return BarShown(); }, kBound)) << "no bar";
    }

    std::unique_ptr<ProgramFolder> program;
    Process p;
    HWND main = nullptr;
};

TEST_F(AppVolumeE2E, HotkeysMuteAndStepTheFocusedApplicationOnlyAndLeaveOthersAlone)
{
    Start(L"[Keyboard]\r\nAppMuteChangeAction=" + std::to_wstring(kCtrlAltM) +
          L"\r\nAppVolumeUpAction=" + std::to_wstring(kCtrlAltU) + L"\r\n");
    Player player(L"Focused Player", -1, true);
    Player other(L"Background Player");
    ASSERT_TRUE(player.Started() && other.Started());
    ASSERT_TRUE(sim::SetSessionVolume(player.Pid(), 0.5f));
    // Following for the bound actions: one creation sink and one per live session.
    EXPECT_TRUE(WaitUntil([&] { return Probe(kProbeSinks) >= 3; }, kBound)) << Probe(kProbeSinks);
    ASSERT_TRUE(Focus(player.Window()));

    Keys({VK_CONTROL, VK_MENU}, 'M');
    EXPECT_TRUE(WaitUntil([&] { return player.Muted(); }, kBound)) << "the hotkey did not mute the application";
    Keys({VK_CONTROL, VK_MENU}, 'M');
    EXPECT_TRUE(WaitUntil([&] { return !player.Muted(); }, kBound)) << "the hotkey did not unmute it again";
    Keys({VK_CONTROL, VK_MENU}, 'U');
    EXPECT_TRUE(WaitUntil([&] { return std::abs(player.Volume() - 0.51f) < 0.001f; }, kBound)) << player.Volume();

    EXPECT_FALSE(other.Muted());
    EXPECT_FLOAT_EQ(other.Volume(), 1.0f);
    EXPECT_FLOAT_EQ(sim::Show()[0].scalar, 0.5f) << "the master moved";
    EXPECT_FALSE(sim::Show()[0].mute);

    // Over a window whose application plays nothing, the keys change nothing anywhere.
    SilentWindow silent;
    ASSERT_TRUE(silent.window && Focus(silent.window));
    Keys({VK_CONTROL, VK_MENU}, 'M');
    ::Sleep(500);
    EXPECT_FALSE(player.Muted());
    EXPECT_FALSE(other.Muted());
    EXPECT_FALSE(sim::Show()[0].mute);
}

TEST_F(AppVolumeE2E, AltWheelOverAWindowStepsItsApplicationNotTheMasterAndNothingWhereNothingPlays)
{
    Start(L"[General]\r\nAppWheelKeys=2\r\n"); // Alt
    Player player(L"Wheel Player", -1, true);
    ASSERT_TRUE(player.Started());
    ASSERT_TRUE(sim::SetSessionVolume(player.Pid(), 0.5f));
    ASSERT_TRUE(WaitUntil([&] { return player.Window() && Probe(kProbeSinks) >= 3; }, kBound));
    auto altWheel = [](POINT at, int delta) {
        ::SetCursorPos(at.x, at.y);
        ::Sleep(150);
        SendWheel(delta, true);
    };
    const RECT r = WindowRect(player.Window());
    altWheel({(r.left + r.right) / 2, (r.top + r.bottom) / 2}, WHEEL_DELTA);
    EXPECT_TRUE(WaitUntil([&] { return std::abs(player.Volume() - 0.51f) < 0.001f; }, kBound)) << player.Volume();
    altWheel({(r.left + r.right) / 2, (r.top + r.bottom) / 2}, -WHEEL_DELTA);
    EXPECT_TRUE(WaitUntil([&] { return std::abs(player.Volume() - 0.5f) < 0.001f; }, kBound)) << player.Volume();

    SilentWindow silent;
    ASSERT_TRUE(silent.window);
    const RECT n = WindowRect(silent.window);
    altWheel({(n.left + n.right) / 2, (n.top + n.bottom) / 2}, WHEEL_DELTA);
    ::Sleep(500);
    EXPECT_NEAR(player.Volume(), 0.5f, 0.001f);
    EXPECT_FLOAT_EQ(sim::Show()[0].scalar, 0.5f) << "the master moved";
}

TEST_F(AppVolumeE2E, VerbsSetAndToggleByNameProcessAndFocusWithTheirExitCodes)
{
    Player a(L"Alpha", -1, true);
    Player b(L"Bravo");
    ASSERT_TRUE(a.Started() && b.Started());
    ASSERT_TRUE(Focus(a.Window()));
    const std::wstring pa = std::to_wstring(a.Pid()), pb = std::to_wstring(b.Pid());
    struct Case {
        std::wstring args;
        long exit;
        float alpha, bravo; // volumes after it (-1: not checked)
        int alphaMute, bravoMute;
    } cases[] = {
        {L"-AppVolume:endpointsim.exe,30", 0, 0.3f, 0.3f, 0, 0},
        {L"-AppVolume:ENDPOINTSIM.EXE,+10%", 0, 0.4f, 0.4f, 0, 0},
        {L"-AppVolume:" + pb + L",-5", 0, 0.4f, 0.35f, 0, 0},
        {L"-AppMute:" + pa + L",!", 0, 0.4f, 0.35f, 1, 0},
        {L"-AppMute:" + pa + L",!", 0, 0.4f, 0.35f, 0, 0},
        {L"-AppMute:" + pb + L",on", 0, 0.4f, 0.35f, 0, 1},
        {L"-AppVolume:focused,75%", 0, 0.75f, 0.35f, 0, 1},
        {L"-AppMute:focused,1", 0, 0.75f, 0.35f, 1, 1},
        {L"-AppVolume:" + pa + L",150", 0, 1.0f, 0.35f, 1, 1},
        {L"-AppVolume:nosuch.exe,50", 2, 1.0f, 0.35f, 1, 1},
        {L"-AppMute:4000000000,1", 2, 1.0f, 0.35f, 1, 1},
        {L"-AppVolume:endpointsim.exe", 1, 1.0f, 0.35f, 1, 1},
        {L"-AppVolume:,50", 1, 1.0f, 0.35f, 1, 1},
        {L"-AppVolume:endpointsim.exe,loud", 1, 1.0f, 0.35f, 1, 1},
        {L"-AppMute:endpointsim.exe,maybe", 1, 1.0f, 0.35f, 1, 1},
        {L"-AppMute:0,1", 1, 1.0f, 0.35f, 1, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunLorvane(c.args), c.exit) << c.args;
        EXPECT_NEAR(a.Volume(), c.alpha, 0.001f) << c.args;
        EXPECT_NEAR(b.Volume(), c.bravo, 0.001f) << c.args;
        EXPECT_EQ(a.Muted(), c.alphaMute != 0) << c.args;
        EXPECT_EQ(b.Muted(), c.bravoMute != 0) << c.args;
    }
    EXPECT_FLOAT_EQ(sim::Show()[0].scalar, 0.5f) << "a verb moved the master";
}

TEST_F(AppVolumeE2E, BarShowsARowPerPlayingApplicationFollowsThemAndGrowsUpwardWithinTheWorkArea)
{
    Start();
    // Ended when the test says so: a timed end could fall on any step of a slow run.
    auto first = std::make_unique<Player>(L"First");
    Player second(L"Second");
    Player third(L"Third");
    ASSERT_TRUE(first->Started() && second.Started() && third.Started());
    EXPECT_EQ(Probe(kProbeSinks), 0) << "sessions followed while nothing needs them";
    ShowBar();
    ASSERT_TRUE(WaitUntil([&] { return Probe(kProbeRows) == 3; }, kBound)) << Probe(kProbeRows);
    std::map<std::wstring, Row> rows = Rows(main);
    EXPECT_EQ(rows.count(L"First") + rows.count(L"Second") + rows.count(L"Third"), 3u);
    const RECT three = WindowRect(main);

    Player fourth(L"Fourth");
    ASSERT_TRUE(fourth.Started());
    ASSERT_TRUE(WaitUntil([&] { return Probe(kProbeRows) == 4; }, kBound)) << "no row for a fourth application";
    const RECT four = WindowRect(main);
    EXPECT_EQ(four.bottom, three.bottom) << "the bar left its anchor";
    EXPECT_LT(four.top, three.top);
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_GE(four.top, work.top);
    EXPECT_LE(four.bottom, work.bottom);

    // The row's box and slider change their own application.
    rows = Rows(main);
    ASSERT_TRUE(rows[L"Fourth"].mute && rows[L"Fourth"].slider);
    ::SendMessageW(rows[L"Fourth"].mute, BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return fourth.Muted(); }, kBound)) << "the row's box did not mute its application";
    EXPECT_FALSE(second.Muted());
    ASSERT_TRUE(sim::SetSessionVolume(second.Pid(), 0.25f));
    EXPECT_TRUE(WaitUntil(
        [&] { return ::SendMessageW(Rows(main)[L"Second"].slider, TBM_GETPOS, 0, 0) == 16384; }, kBound))
        << "the row did not follow an outside change";

    // Tab reaches every row's slider, and the arrow keys move the one that has the focus.
    std::vector<HWND> reached;
    for (int i = 0; i < 12; ++i) {
        Keys({}, VK_TAB);
        ::Sleep(100);
        reached.push_back(FocusOf(main));
    }
    rows = Rows(main);
    for (const auto& [name, row] : rows)
        EXPECT_NE(std::find(reached.begin(), reached.end(), row.slider), reached.end()) << name << " not reached";
    for (int i = 0; i < 12 && FocusOf(main) != rows[L"Third"].slider; ++i) {
        Keys({}, VK_TAB);
        ::Sleep(100);
    }
    ASSERT_EQ(FocusOf(main), rows[L"Third"].slider);
    Keys({}, VK_LEFT);
    EXPECT_TRUE(WaitUntil([&] { return third.Volume() < 1.0f; }, kBound)) << "no step on the row";

    // The first application stops playing: its row goes and the bar shrinks back down.
    first.reset();
    ASSERT_TRUE(WaitUntil(
        [&] {
            const std::vector<sim::SessionInfo> all = sim::Sessions(); // the read expires a gone process's session
            return std::none_of(all.begin(), all.end(), [](const sim::SessionInfo& s) { return s.displayName == L"First"; });
        },
        kBound));
    ASSERT_TRUE(WaitUntil([&] { return Probe(kProbeRows) == 3; }, kBound))
        << "an expired session kept its row: " << Probe(kProbeRows) << " rows, bar shown " << BarShown();
    EXPECT_EQ(Rows(main).count(L"First"), 0u);
    EXPECT_EQ(WindowRect(main).bottom, three.bottom);
    EXPECT_FLOAT_EQ(sim::Show()[0].scalar, 0.5f) << "a row moved the master";

    Keys({}, VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !BarShown(); }, kBound));
    EXPECT_TRUE(WaitUntil([&] { return Probe(kProbeSinks) == 0 && Probe(kProbeRows) == 0; }, kBound))
        << "the hidden bar still follows the sessions";
}

TEST_F(AppVolumeE2E, ThousandOutsideChangesAndHundredSessionsLeaveNoStaleRowAndNoLeak)
{
    Start();
    Player steady(L"Steady");
    ASSERT_TRUE(steady.Started());
    ShowBar();
    ASSERT_TRUE(WaitUntil([&] { return Probe(kProbeRows) == 1; }, kBound));
    auto churn = [&](int sessions, int changes) {
        for (int i = 0; i < changes; ++i)
            ASSERT_TRUE(sim::SetSessionVolume(steady.Pid(), static_cast<float>(i % 101) / 100.0f));
        for (int i = 0; i < sessions; ++i) {
            const uint32_t session = sim::OpenOwnSession(L"Session " + std::to_wstring(i));
            ASSERT_NE(session, 0u) << i;
            if (i % 10 == 0)
                ::Sleep(50); // some of them live long enough to get a row
            ASSERT_TRUE(sim::ExpireSession(session));
        }
        ASSERT_TRUE(WaitUntil([&] { return Probe(kProbeRows) == 1; }, kBound));
    };
    // Once through the whole path, and once with a second row for certain (on a slow machine
    // the churn's sessions may all end before their row), so that what is built once and what
    // the system caches for the larger bar are counted before.
    churn(20, 1000);
    const uint32_t warmUp = sim::OpenOwnSession(L"Warm-up");
    ASSERT_NE(warmUp, 0u);
    ASSERT_TRUE(WaitUntil([&] { return Probe(kProbeRows) == 2; }, kBound));
    ASSERT_TRUE(sim::ExpireSession(warmUp));
    ASSERT_TRUE(WaitUntil([&] { return Probe(kProbeRows) == 1; }, kBound));
    const LRESULT gdi = Probe(kProbeGdi), user = Probe(kProbeUser), handles = Probe(kProbeHandles);
    churn(100, 1000);
    // The last change set 0.90 (as a float, on the bar's scale 0..65535).
    const LRESULT last = static_cast<LRESULT>(std::llround(static_cast<long double>(0.9f) * 65535.0L));
    EXPECT_TRUE(WaitUntil(
        [&] {
            const std::map<std::wstring, Row> rows = Rows(main);
            return Probe(kProbeRows) == 1 && rows.size() == 1 && rows.count(L"Steady") &&
                   ::SendMessageW(rows.at(L"Steady").slider, TBM_GETPOS, 0, 0) == last;
        },
        kBound))
        << "rows " << Probe(kProbeRows);
    EXPECT_TRUE(BarShown());
    // Flat: every row took its windows and icon along; the wait only lets the simulator's
    // callback threads end.
    EXPECT_TRUE(WaitUntil(
        [&] {
            return Probe(kProbeGdi) <= gdi && Probe(kProbeUser) <= user && Probe(kProbeHandles) <= handles;
        },
        kBound))
        << "GDI " << Probe(kProbeGdi) - gdi << ", USER " << Probe(kProbeUser) - user << ", handles "
        << Probe(kProbeHandles) - handles;
    EXPECT_EQ(Probe(kProbeSinks), 3) << "one creation sink, the steady session's and the system sounds'";
}

} // namespace
