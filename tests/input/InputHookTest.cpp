// The hook components: dispatch rules on records handed to them directly and the one shared
// hook. Real input through them is the end-to-end tests' part (InputBindingsTest).
#include "DesktopTestLock.h"
#include "InputThread.h"
#include "KeyBoardEvents.h"
#include "SysMouseEvents.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::wstring>;

MSLLHOOKSTRUCT MouseRecord(int x, int y, DWORD mouseData = 0)
{
    MSLLHOOKSTRUCT r{};
    r.pt = {x, y};
    r.mouseData = mouseData;
    return r;
}

KBDLLHOOKSTRUCT KeyRecord(DWORD vk, DWORD flags = 0)
{
    KBDLLHOOKSTRUCT r{};
    r.vkCode = vk;
    r.flags = flags;
    return r;
}

SHORT WINAPI NoKeysDown(int)
{
    return 0;
}
SHORT WINAPI CtrlDown(int vk)
{
    return vk == VK_CONTROL ? SHORT(0x8000) : SHORT(0);
}

struct DoubleCase {
    int dblClickTime;
    unsigned system;
    std::vector<uint32_t> presses; // tick counts
    std::vector<bool> doubles;
};

} // namespace

TEST(SysMouseEvents, DoublePressFollowsDblClickTime)
{
    const DoubleCase cases[] = {
        {-1, 500, {1000, 1001, 1002}, {false, false, false}},
        {0, 500, {1000, 1500, 1600}, {false, true, false}},
        {0, 500, {1000, 1501}, {false, false}},
        // The limit is inclusive; a third quick press is single again, a fourth double.
        {300, 500, {1000, 1300, 1310, 1320}, {false, true, false, true}},
        {300, 500, {1000, 1301, 1500}, {false, false, true}},
        {0, 0, {1000, 1001}, {false, false}},
        // The tick count wraps after 49.7 days.
        {300, 500, {0xFFFFFF00u, 0x00000010u}, {false, true}},
    };
    for (const DoubleCase& c : cases) {
        uint32_t last = 0;
        for (size_t i = 0; i < c.presses.size(); ++i)
            EXPECT_EQ(input::IsDoublePress(last, c.presses[i], c.dblClickTime, c.system), c.doubles[i])
                << "time " << c.dblClickTime << " press " << i;
    }
}

TEST(SysMouseEvents, WheelDeltaIsTheSignedHighWord)
{
    EXPECT_EQ(input::WheelDelta(0x00780000), 120);
    EXPECT_EQ(input::WheelDelta(0xFF880000), -120);
    EXPECT_EQ(input::WheelDelta(0x8000FFFF), -32768);
}

TEST(SysMouseEvents, DispatchStopsAtTheFirstHandlerThatHandles)
{
    TSysMouseEvents::KeyState = NoKeysDown;
    TSysMouseEvents a, b;
    Log log;
    a.OnMouseUp = [&](fw::TObject*, fw::TMouseButton button, fw::TShiftState, int x, int y, bool& handled) {
        log.push_back(L"a up " + std::to_wstring(int(button)) + L" " + std::to_wstring(x) + L"," +
                      std::to_wstring(y));
        handled = button == fw::TMouseButton::mbRight;
    };
    b.OnMouseUp = [&](fw::TObject*, fw::TMouseButton, fw::TShiftState, int, int, bool&) {
        log.push_back(L"b up");
    };
    a.SetEnabled(true);
    b.SetEnabled(true);

    EXPECT_TRUE(TSysMouseEvents::Dispatch(HC_ACTION, WM_RBUTTONUP, MouseRecord(-5, 7)));
    EXPECT_FALSE(TSysMouseEvents::Dispatch(HC_ACTION, WM_LBUTTONUP, MouseRecord(1, 2)));
    EXPECT_EQ(log, (Log{L"a up 1 -5,7", L"a up 0 1,2", L"b up"}));

    // Not an action code, extra buttons and the horizontal wheel: nobody hears of them.
    log.clear();
    EXPECT_FALSE(TSysMouseEvents::Dispatch(HC_NOREMOVE, WM_RBUTTONUP, MouseRecord(0, 0)));
    EXPECT_FALSE(TSysMouseEvents::Dispatch(HC_ACTION, WM_XBUTTONUP, MouseRecord(0, 0)));
    EXPECT_FALSE(TSysMouseEvents::Dispatch(HC_ACTION, WM_MOUSEHWHEEL, MouseRecord(0, 0, 0x00780000)));
    EXPECT_TRUE(log.empty());
    TSysMouseEvents::KeyState = ::GetAsyncKeyState;
}

TEST(SysMouseEvents, WheelRunsAllThreeEventsForOneTurn)
{
    TSysMouseEvents::KeyState = CtrlDown;
    TSysMouseEvents e;
    Log log;
    e.OnMouseWheel = [&](fw::TObject*, fw::TShiftState s, int delta, POINT p, bool& handled) {
        log.push_back(L"wheel " + std::to_wstring(delta) + L" " + std::to_wstring(p.x) +
                      (s == fw::ssCtrl ? L" ctrl" : L""));
        handled = true;
    };
    e.OnMouseWheelUp = [&](fw::TObject*, fw::TShiftState, POINT, bool&) { log.push_back(L"up"); };
    e.OnMouseWheelDown = [&](fw::TObject*, fw::TShiftState, POINT, bool&) { log.push_back(L"down"); };
    e.SetEnabled(true);
    EXPECT_TRUE(TSysMouseEvents::Dispatch(HC_ACTION, WM_MOUSEWHEEL, MouseRecord(3, 4, 0xFF880000)));
    EXPECT_TRUE(TSysMouseEvents::Dispatch(HC_ACTION, WM_MOUSEWHEEL, MouseRecord(3, 4, 0x00F00000)));
    EXPECT_EQ(log, (Log{L"wheel -120 3 ctrl", L"down", L"wheel 240 3 ctrl", L"up"}));
    TSysMouseEvents::KeyState = ::GetAsyncKeyState;
}

TEST(SysMouseEvents, OneHookForAllInstancesAndAHandlerMayLeaveDuringDispatch)
{
    ASSERT_EQ(TSysMouseEvents::Hook(), nullptr);
    TSysMouseEvents a, b, c;
    a.SetEnabled(true);
    const HHOOK hook = TSysMouseEvents::Hook();
    ASSERT_NE(hook, nullptr);
    b.SetEnabled(true);
    c.SetEnabled(true);
    EXPECT_EQ(TSysMouseEvents::Hook(), hook);

    Log log;
    auto note = [&](const wchar_t* who) {
        return [&, who](fw::TObject*, fw::TMouseButton, fw::TShiftState, int, int, bool&) {
            log.push_back(who);
        };
    };
    a.OnMouseDown = [&](fw::TObject*, fw::TMouseButton, fw::TShiftState, int, int, bool&) {
        log.push_back(L"a");
        a.SetEnabled(false); // leaves, and the later ones are still visited
        b.SetEnabled(false);
        b.SetEnabled(true); // back at the end of the list
    };
    b.OnMouseDown = note(L"b");
    c.OnMouseDown = note(L"c");
    TSysMouseEvents::Dispatch(HC_ACTION, WM_MBUTTONDOWN, MouseRecord(0, 0));
    EXPECT_EQ(log, (Log{L"a", L"c", L"b"}));
    log.clear();
    TSysMouseEvents::Dispatch(HC_ACTION, WM_MBUTTONDOWN, MouseRecord(0, 0));
    EXPECT_EQ(log, (Log{L"c", L"b"}));

    // A handler that throws ends its dispatch like any other: the last one out still
    // removes the hook.
    b.OnMouseDown = [&](fw::TObject*, fw::TMouseButton, fw::TShiftState, int, int, bool&) {
        b.SetEnabled(false);
        throw 1;
    };
    EXPECT_FALSE(TSysMouseEvents::Dispatch(HC_ACTION, WM_MBUTTONDOWN, MouseRecord(0, 0)));
    b.SetEnabled(true);
    c.SetEnabled(false);
    EXPECT_EQ(TSysMouseEvents::Hook(), hook);
    b.SetEnabled(false);
    EXPECT_EQ(TSysMouseEvents::Hook(), nullptr);
}

TEST(KeyBoardEvents, ShiftStateOfAKeyboardRecord)
{
    struct Case {
        DWORD vk;
        DWORD flags;
        SHORT(WINAPI* keys)(int);
        fw::TShiftState shift;
    };
    const Case cases[] = {
        {'A', 0, NoKeysDown, 0},
        {VK_SHIFT, 0, NoKeysDown, fw::ssShift},
        {VK_CONTROL, 0, NoKeysDown, fw::ssCtrl},
        // Sided codes count only through the key state.
        {VK_LSHIFT, 0, NoKeysDown, 0},
        {VK_RCONTROL, 0, NoKeysDown, 0},
        {VK_RCONTROL, 0, CtrlDown, fw::ssCtrl},
        {'A', LLKHF_ALTDOWN, CtrlDown, fw::ssAlt | fw::ssCtrl},
        {VK_MBUTTON, 0, NoKeysDown, fw::ssMiddle},
    };
    for (const Case& c : cases)
        EXPECT_EQ(input::KeyShiftState(KeyRecord(c.vk, c.flags), c.keys), c.shift) << c.vk;
}

TEST(KeyBoardEvents, AHandledReleaseStopsDispatchAndAnUnhandledKeyPasses)
{
    TKeyBoardEvents::KeyState = NoKeysDown;
    TKeyBoardEvents a, b;
    Log log;
    a.OnKeyUp = [&](fw::TObject*, WORD key, fw::TShiftState, bool& handled) {
        log.push_back(L"a up " + std::to_wstring(key));
        handled = key == VK_LWIN;
    };
    b.OnKeyUp = [&](fw::TObject*, WORD key, fw::TShiftState, bool&) {
        log.push_back(L"b up " + std::to_wstring(key));
    };
    b.OnKeyDown = [&](fw::TObject*, WORD key, fw::TShiftState s, bool&) {
        log.push_back(L"b down " + std::to_wstring(key) + (s & fw::ssAlt ? L" alt" : L""));
    };
    a.SetEnabled(true);
    b.SetEnabled(true);
    EXPECT_TRUE(TKeyBoardEvents::Dispatch(HC_ACTION, WM_KEYUP, KeyRecord(VK_LWIN)));
    EXPECT_FALSE(TKeyBoardEvents::Dispatch(HC_ACTION, WM_SYSKEYUP, KeyRecord('B')));
    EXPECT_FALSE(TKeyBoardEvents::Dispatch(HC_ACTION, WM_SYSKEYDOWN, KeyRecord('C', LLKHF_ALTDOWN)));
    EXPECT_FALSE(TKeyBoardEvents::Dispatch(HC_ACTION, WM_CHAR, KeyRecord('D')));
    EXPECT_EQ(log, (Log{L"a up 91", L"a up 66", L"b up 66", L"b down 67 alt"}));
    a.SetEnabled(false);
    EXPECT_NE(TKeyBoardEvents::Hook(), nullptr);
    b.SetEnabled(false);
    EXPECT_EQ(TKeyBoardEvents::Hook(), nullptr);
    TKeyBoardEvents::KeyState = ::GetAsyncKeyState;
}

// The system drops a hook that kept it waiting too long, without a word: input arrives that
// the hook never sees, and the input thread installs it again.
TEST(InputThread, AHookTheSystemDroppedIsInstalledAgain)
{
    testsupport::DesktopTestLock lock;
    TSysMouseEvents e;
    std::atomic<int> moves{0};
    e.OnMouseMove = [&](fw::TObject*, fw::TShiftState, int, int, bool&) { ++moves; };
    e.SetEnabled(true);
    const HHOOK first = TSysMouseEvents::Hook();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(::UnhookWindowsHookEx(first));
    const long renewals = input::TInputThread::Renewals();
    auto move = [](int i) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = MOUSEEVENTF_MOVE;
        in.mi.dx = i % 2 ? 7 : -7;
        ::SendInput(1, &in, sizeof(in));
        ::Sleep(50);
    };
    const DWORD start = ::GetTickCount();
    for (int i = 0; input::TInputThread::Renewals() == renewals && ::GetTickCount() - start < 5000; ++i)
        move(i);
    EXPECT_GT(input::TInputThread::Renewals(), renewals);
    EXPECT_NE(TSysMouseEvents::Hook(), first);
    moves = 0;
    move(1);
    move(2);
    EXPECT_GT(moves, 0) << "the hook installed again hears nothing";
    e.SetEnabled(false);
    EXPECT_EQ(TSysMouseEvents::Hook(), nullptr);
}
