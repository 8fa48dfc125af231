// The rules of the mouse bindings on their own: no hook, no tray, a desktop of our own.
#include "Bindings.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>

using namespace lorvane;

namespace {

struct CaptureCase {
    const char* rule;
    TWheelCaptureState state;
    bool inArea;
    bool wanted;
    bool asksArea;
};

} // namespace

TEST(UpdateWheelCapture, SixRulesFirstMatchWins)
{
    const CaptureCase cases[] = {
        {"busy beats everything", {1, true, wkCtrl, waTaskbar, true}, true, false, false},
        {"busy nested", {2, true, 0, waTrayIcon, true}, true, false, false},
        {"wheel switched off", {0, false, wkCtrl, waTrayIcon, true}, true, false, false},
        {"keys: on anywhere", {0, true, wkWin, waTrayIcon, false}, false, true, false},
        {"keys beat no areas", {0, true, wkShift, 0, false}, false, true, false},
        {"icon only, inside", {0, true, 0, waTrayIcon, true}, false, true, false},
        {"icon only, outside", {0, true, 0, waTrayIcon, false}, true, false, false},
        {"no areas", {0, true, 0, 0, true}, true, false, false},
        {"areas, cursor in", {0, true, 0, waTaskbar, false}, true, true, true},
        {"areas, cursor out", {0, true, 0, waTaskbar | waDesktop, true}, false, false, true},
        {"icon plus edge", {0, true, 0, waTrayIcon | waScreenEdge, false}, true, true, true},
    };
    for (const CaptureCase& c : cases) {
        bool asked = false;
        const bool wanted = WheelCaptureWanted(c.state, [&] {
            asked = true;
            return c.inArea;
        });
        EXPECT_EQ(wanted, c.wanted) << c.rule;
        EXPECT_EQ(asked, c.asksArea) << c.rule;
    }
}

TEST(UpdateWheelCapture, CursorIsPolledOnlyWhereTheAreasNeedIt)
{
    EXPECT_FALSE(CursorTimerWanted(0, 0));
    EXPECT_FALSE(CursorTimerWanted(0, waTrayIcon));
    EXPECT_TRUE(CursorTimerWanted(0, waTaskbar));
    EXPECT_TRUE(CursorTimerWanted(0, waTrayIcon | waScreenEdge));
    EXPECT_FALSE(CursorTimerWanted(wkCtrl, waTaskbar));
}

TEST(WheelKeys, MatchExactlyAndButtonsDoNotCount)
{
    EXPECT_TRUE(WheelKeysMatch(wkCtrl, fw::ssCtrl, false));
    EXPECT_TRUE(WheelKeysMatch(wkCtrl, fw::ssCtrl | fw::ssMiddle | fw::ssDouble, false));
    EXPECT_FALSE(WheelKeysMatch(wkCtrl, fw::ssCtrl | fw::ssShift, false));
    EXPECT_FALSE(WheelKeysMatch(wkCtrl, fw::ssCtrl, true));
    EXPECT_TRUE(WheelKeysMatch(wkWin, 0, true));
    EXPECT_FALSE(WheelKeysMatch(wkWin, fw::ssShift, true));
    EXPECT_TRUE(WheelKeysMatch(wkShift | wkAlt | wkCtrl | wkWin, fw::ssShift | fw::ssAlt | fw::ssCtrl, true));
    EXPECT_FALSE(WheelKeysMatch(0, 0, false));
}

namespace {

// Two monitors side by side: the left one (1024 x 768) at negative coordinates, the
// primary (1280 x 800) at the origin, so the virtual desktop is -1024..1280 x 0..800.
// Windows: the taskbar (with a child), the desktop's shell window, an active application
// window with a child, and another application window.
const HWND kTaskbar = reinterpret_cast<HWND>(0x100);
const HWND kTaskbarChild = reinterpret_cast<HWND>(0x101);
const HWND kDesktopShell = reinterpret_cast<HWND>(0x200);
const HWND kActive = reinterpret_cast<HWND>(0x300);
const HWND kActiveChild = reinterpret_cast<HWND>(0x301);
const HWND kOther = reinterpret_cast<HWND>(0x400);

struct FakeDesktop {
    HWND foreground = kActive;
    bool foregroundVisible = true;
    RECT virtualDesktop{-1024, 0, 1280, 800};

    TWheelAreaSystem System()
    {
        TWheelAreaSystem s;
        s.virtualDesktop = [this] { return virtualDesktop; };
        s.windowFromPoint = [](POINT p) {
            if (p.x >= 0 && p.y >= 770)
                return p.x >= 1200 ? kTaskbarChild : kTaskbar; // the primary's taskbar
            if (p.x >= -900 && p.x < -500 && p.y >= 100 && p.y < 400)
                return p.y < 200 ? kActiveChild : kActive; // on the left monitor
            if (p.x >= 100 && p.x < 500 && p.y >= 100 && p.y < 400)
                return kOther;
            return kDesktopShell;
        };
        s.parent = [](HWND w) {
            static const std::map<HWND, HWND> parents = {{kTaskbarChild, kTaskbar}, {kActiveChild, kActive}};
            auto it = parents.find(w);
            return it == parents.end() ? HWND(nullptr) : it->second;
        };
        s.isTaskbar = [](HWND w) { return w == kTaskbar; };
        s.isDesktop = [](HWND top, HWND) { return top == kDesktopShell; };
        s.foreground = [this] { return foreground; };
        s.visible = [this](HWND) { return foregroundVisible; };
        return s;
    }
};

struct AreaCase {
    const char* where;
    uint8_t areas;
    int margin;
    bool mouseInside;
    POINT p;
    bool in;
};

} // namespace

TEST(IsCursorInWheelArea, EveryAreaOnTwoMonitors)
{
    const AreaCase cases[] = {
        {"icon, hovered", waTrayIcon, 1, true, {1262, 790}, true},
        {"icon, not hovered", waTrayIcon, 1, false, {1262, 790}, false},
        {"taskbar counts the icon", waTaskbar, 1, true, {1262, 790}, true},
        {"taskbar", waTaskbar, 1, false, {600, 780}, true},
        {"taskbar's child window", waTaskbar, 1, false, {1250, 780}, true},
        {"taskbar, over the desktop", waTaskbar, 1, false, {600, 500}, false},
        {"desktop", waDesktop, 1, false, {600, 500}, true},
        {"desktop on the left monitor", waDesktop, 1, false, {-1000, 700}, true},
        {"desktop, over a window", waDesktop, 1, false, {200, 200}, false},
        {"desktop, over the taskbar", waDesktop, 1, false, {600, 780}, false},
        {"desktop, icon hovered does not count", waDesktop, 1, true, {200, 200}, false},
        // The edge is that of the whole virtual desktop, not of each monitor.
        {"edge left, outermost column", waScreenEdge, 1, false, {-1024, 300}, true},
        {"edge left, one inside", waScreenEdge, 1, false, {-1023, 300}, false},
        {"edge right, outermost", waScreenEdge, 1, false, {1279, 300}, true},
        {"edge right, one inside", waScreenEdge, 1, false, {1278, 300}, false},
        {"edge top", waScreenEdge, 1, false, {-500, 0}, true},
        {"edge top, one inside", waScreenEdge, 1, false, {-500, 1}, false},
        {"edge bottom", waScreenEdge, 1, false, {10, 799}, true},
        {"edge between the monitors is no edge", waScreenEdge, 1, false, {0, 300}, false},
        {"edge between the monitors, other side", waScreenEdge, 1, false, {-1, 300}, false},
        {"edge margin 5", waScreenEdge, 5, false, {1275, 300}, true},
        {"edge margin 5, inside", waScreenEdge, 5, false, {1274, 300}, false},
        {"edge margin 0: nowhere", waScreenEdge, 0, false, {-1024, 0}, false},
        {"outside: another window", waOutside, 1, false, {200, 200}, true},
        {"outside: the active window", waOutside, 1, false, {-700, 300}, false},
        {"outside: the active window's child", waOutside, 1, false, {-700, 150}, false},
        {"outside: the desktop", waOutside, 1, false, {600, 500}, true},
        {"nothing chosen", 0, 1, true, {-1024, 0}, false},
    };
    FakeDesktop desktop;
    const TWheelAreaSystem system = desktop.System();
    for (const AreaCase& c : cases) {
        TWheelAreaSettings s{c.areas, c.margin, c.mouseInside};
        EXPECT_EQ(IsPointInWheelArea(c.p, s, system), c.in) << c.where;
    }
    // A margin from the file beyond the dialog's 0..999 counts as its bound, on a desktop whose
    // middle lies farther than that from every edge; none overflows the sums.
    const AreaCase margins[] = {
        {"margin 999", waScreenEdge, 999, false, {998, 1080}, true},
        {"margin 999, one inside", waScreenEdge, 999, false, {999, 1080}, false},
        {"margin 100000: still a middle", waScreenEdge, 100000, false, {1920, 1080}, false},
        {"margin INT_MAX", waScreenEdge, INT_MAX, false, {1920, 1080}, false},
        {"margin INT_MIN: as 0", waScreenEdge, INT_MIN, false, {0, 0}, false},
        {"margin -1: as 0", waScreenEdge, -1, false, {3839, 2159}, false},
    };
    desktop.virtualDesktop = {0, 0, 3840, 2160};
    for (const AreaCase& c : margins)
        EXPECT_EQ(IsPointInWheelArea(c.p, {c.areas, c.margin, c.mouseInside}, system), c.in) << c.where;
}

TEST(IsCursorInWheelArea, OutsideNeedsAVisibleForegroundThatIsNoShellWindow)
{
    FakeDesktop desktop;
    const TWheelAreaSystem system = desktop.System();
    const TWheelAreaSettings s{waOutside, 1, false};
    const POINT overOther{200, 200};
    EXPECT_TRUE(IsPointInWheelArea(overOther, s, system));
    desktop.foregroundVisible = false;
    EXPECT_FALSE(IsPointInWheelArea(overOther, s, system));
    desktop.foregroundVisible = true;
    desktop.foreground = kTaskbar;
    EXPECT_FALSE(IsPointInWheelArea(overOther, s, system));
    desktop.foreground = kDesktopShell;
    EXPECT_FALSE(IsPointInWheelArea(overOther, s, system));
    desktop.foreground = nullptr;
    EXPECT_FALSE(IsPointInWheelArea(overOther, s, system));
}

TEST(IsCursorInWheelArea, TopLevelOfStopsAtSelfParentAndCycles)
{
    const HWND a = reinterpret_cast<HWND>(1), b = reinterpret_cast<HWND>(2);
    EXPECT_EQ(TopLevelOf(a, [&](HWND w) { return w == a ? b : HWND(nullptr); }), b);
    EXPECT_EQ(TopLevelOf(a, [&](HWND w) { return w; }), a);
    // A cycle of owners ends after a bounded walk instead of hanging.
    TopLevelOf(a, [&](HWND w) { return w == a ? b : a; });
    EXPECT_EQ(TopLevelOf(nullptr, [](HWND) { return HWND(nullptr); }), nullptr);
}

TEST(MiddleButton, PendingActionFromPressToRelease)
{
    struct Case {
        const char* what;
        bool downInside, downArea, downKeys;
        bool bound;
        bool handledDown;
        bool upInside, upArea, upKeys;
        bool runs;
    };
    const Case cases[] = {
        {"in an area", false, true, false, true, true, false, true, false, true},
        {"released off the area", false, true, false, true, true, false, false, false, false},
        {"released over the icon", false, true, false, true, true, true, false, false, true},
        {"by keys", false, false, true, true, true, false, false, true, true},
        {"keys let go before the release", false, false, true, true, true, false, false, false, false},
        {"unbound: passes", false, true, false, false, false, false, true, false, false},
        {"over the icon: the icon's own", true, true, true, true, false, true, true, true, false},
        {"nowhere", false, false, false, true, false, false, true, true, false},
    };
    for (const Case& c : cases) {
        TMiddleButton m;
        int areaAsked = 0;
        TMiddleButton::Where down{c.downInside, [&] { return ++areaAsked, c.downArea; }, c.downKeys};
        EXPECT_EQ(m.Down(down, c.bound), c.handledDown) << c.what;
        if (c.downInside) {
            EXPECT_EQ(areaAsked, 0) << c.what;
        }
        TMiddleButton::Where up{c.upInside, [&] { return c.upArea; }, c.upKeys};
        EXPECT_EQ(m.Up(up), c.runs) << c.what;
        EXPECT_FALSE(m.Pending()) << c.what;
        EXPECT_FALSE(m.Up(up)) << c.what << ": a second release runs nothing";
    }
}

TEST(MiddleButton, APressForgetsTheLastPendingAction)
{
    TMiddleButton m;
    EXPECT_TRUE(m.Down({false, [] { return true; }, false}, true));
    EXPECT_TRUE(m.Pending());
    EXPECT_FALSE(m.PendingByKeys());
    EXPECT_FALSE(m.Down({true, nullptr, false}, true));
    EXPECT_FALSE(m.Pending());
    EXPECT_TRUE(m.Down({false, [] { return false; }, true}, true));
    EXPECT_TRUE(m.PendingByKeys());
}
