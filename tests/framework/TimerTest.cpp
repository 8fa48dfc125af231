#include "Timer.h"
#include "Window.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Runs the message loop until pred holds or the generous bound passes.
template <typename Pred> bool PumpUntil(Pred pred, DWORD boundMs = 5000)
{
    DWORD start = ::GetTickCount();
    while (!pred()) {
        if (::GetTickCount() - start > boundMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        fw::ProcessMessages();
    }
    return true;
}

TEST(TTimer, FiresRepeatedlyWithSenderAndStopsWhenDisabled)
{
    fw::TTimer timer(nullptr, L"TestTimer", 20, false);
    int ticks = 0;
    fw::TObject* sender = nullptr;
    timer.OnTimer = [&](fw::TObject* s) {
        sender = s;
        ++ticks;
    };
    timer.SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }));
    EXPECT_EQ(sender, &timer);
    timer.SetEnabled(false);
    int frozen = ticks;
    ::Sleep(100);
    fw::ProcessMessages();
    EXPECT_EQ(ticks, frozen);
}

TEST(TTimer, DisableEnableRestartsTheInterval)
{
    // A long interval re-armed shortly before it would fire must not fire at the old time.
    fw::TTimer timer(nullptr, L"TestTimer", 600, true);
    int ticks = 0;
    timer.OnTimer = [&](fw::TObject*) { ++ticks; };
    DWORD start = ::GetTickCount();
    ::Sleep(400);
    timer.SetEnabled(false);
    timer.SetEnabled(true);
    DWORD rearmed = ::GetTickCount();
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; }));
    DWORD fired = ::GetTickCount();
    EXPECT_GE(fired - rearmed, 500u) << "fired " << (fired - start) << " ms after the first start";
}

TEST(TTimer, ARunningTimerRestartedInPlaceKeepsOneTimerAtTheNewInterval)
{
    // The system timer is re-armed under its own id: the old due time and interval are gone
    // and no second timer runs beside it.
    fw::TTimer timer(nullptr, L"TestTimer", 600, true);
    std::vector<DWORD> ticks;
    timer.OnTimer = [&](fw::TObject*) { ticks.push_back(::GetTickCount()); };
    ::Sleep(400);
    const DWORD rearmed = ::GetTickCount();
    timer.Restart(150);
    ASSERT_TRUE(PumpUntil([&] { return ticks.size() >= 3; }));
    timer.SetEnabled(false);
    EXPECT_GE(ticks[0] - rearmed, 100u);
    EXPECT_LT(ticks[0] - rearmed, 550u) << "still on the old interval";
    ::Sleep(400);
    const size_t after = ticks.size();
    fw::ProcessMessages();
    EXPECT_EQ(ticks.size(), after) << "a disabled timer left nothing running";
}

TEST(ManualTimerBackend, ChangesCostOneCallAndSameValuesNone)
{
    fw::ManualTimerBackend clock;
    fw::TTimer timer(nullptr, L"Step", 250, true);
    const int armed = clock.Calls();
    timer.SetInterval(250); // unchanged: still due at 250
    timer.SetEnabled(true);
    EXPECT_EQ(clock.Calls(), armed);
    clock.Advance(100);
    timer.Restart(); // one re-arm, not a stop and a start
    EXPECT_EQ(clock.Calls(), armed + 1);
    int ticks = 0;
    timer.OnTimer = [&](fw::TObject*) { ++ticks; };
    clock.Advance(249);
    EXPECT_EQ(ticks, 0);
    clock.Advance(1);
    EXPECT_EQ(ticks, 1);
    timer.Restart(50);
    EXPECT_EQ(clock.Calls(), armed + 2);
    clock.Advance(50);
    EXPECT_EQ(ticks, 2);
}

TEST(ManualTimerBackend, PostponeMovesTheTickWithoutASystemCallPerStep)
{
    fw::ManualTimerBackend clock;
    fw::TTimer timer(nullptr, L"Balloon", 250, true);
    std::vector<uint64_t> ticks;
    timer.OnTimer = [&](fw::TObject*) { ticks.push_back(clock.Now()); };
    const uint64_t start = clock.Now();
    const int armed = clock.Calls();
    for (int step = 0; step < 10; ++step) { // a burst: a step every 20 ms
        timer.Postpone();
        clock.Advance(20);
    }
    EXPECT_EQ(clock.Calls(), armed) << "no call while the burst runs";
    clock.Advance(229);
    EXPECT_TRUE(ticks.empty()) << "the system timer came due early and waits out the rest";
    clock.Advance(1);
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_EQ(ticks[0], start + 180 + 250) << "one full interval after the last step";
    EXPECT_EQ(clock.Calls(), armed + 2) << "the rest of the interval, then the full one again";
    clock.Advance(250);
    ASSERT_EQ(ticks.size(), 2u);
    EXPECT_EQ(ticks[1], ticks[0] + 250);
}

TEST(ManualTimerBackend, PostponeStartsAStoppedTimerAndTakesANewIntervalAtOnce)
{
    fw::ManualTimerBackend clock;
    fw::TTimer timer(nullptr, L"Sound", 500, false);
    int ticks = 0;
    timer.OnTimer = [&](fw::TObject*) {
        ++ticks;
        timer.SetEnabled(false);
    };
    timer.Postpone();
    EXPECT_TRUE(timer.Enabled());
    clock.Advance(500);
    EXPECT_EQ(ticks, 1);

    timer.Postpone(300); // stopped, and another interval
    clock.Advance(100);
    timer.Postpone(100); // a new interval re-arms now
    EXPECT_EQ(timer.Interval(), 100u);
    clock.Advance(100);
    EXPECT_EQ(ticks, 2);

    // A restart forgets a pending postponement: its shorter interval holds.
    timer.SetEnabled(true);
    timer.Postpone();
    timer.Restart(50);
    clock.Advance(50);
    EXPECT_EQ(ticks, 3);
}

TEST(TTimer, OneShotPatternAndIntervalChange)
{
    fw::TTimer timer(nullptr, L"StartTimer", 30, true);
    int ticks = 0;
    timer.OnTimer = [&](fw::TObject*) {
        ++ticks;
        timer.SetEnabled(false); // a handler may disable its own timer
    };
    ASSERT_TRUE(PumpUntil([&] { return ticks == 1; }));
    ::Sleep(100);
    fw::ProcessMessages();
    EXPECT_EQ(ticks, 1);
    timer.SetInterval(10); // does not enable a disabled timer
    ::Sleep(60);
    fw::ProcessMessages();
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(timer.Enabled());
}

TEST(TTimer, DestroyedTimerNeverFires)
{
    int ticks = 0;
    {
        fw::TTimer timer(nullptr, L"T", 10, true);
        timer.OnTimer = [&](fw::TObject*) { ++ticks; };
    }
    ::Sleep(60);
    fw::ProcessMessages();
    EXPECT_EQ(ticks, 0);
}

} // namespace

namespace {

TEST(ManualTimerBackend, FiresInDueOrderAndRestartPushesTheDeadline)
{
    fw::ManualTimerBackend clock;
    std::vector<std::wstring> fired;
    fw::TTimer slow(nullptr, L"Slow", 300, true);
    fw::TTimer fast(nullptr, L"Fast", 100, true);
    slow.OnTimer = [&](fw::TObject*) { fired.push_back(L"slow"); };
    fast.OnTimer = [&](fw::TObject*) {
        fired.push_back(L"fast");
        if (fired.size() == 2)
            fast.SetEnabled(false); // one-shot after its second tick
    };
    uint64_t start = fw::TickCount();
    clock.Advance(250);
    EXPECT_EQ(fired, (std::vector<std::wstring>{L"fast", L"fast"}));
    EXPECT_EQ(fw::TickCount() - start, 250u);
    slow.Restart(); // due again 300 ms from now, not at 300
    clock.Advance(100);
    EXPECT_EQ(fired.size(), 2u);
    clock.Advance(200);
    EXPECT_EQ(fired.back(), L"slow");
    EXPECT_FALSE(clock.IsArmed(&fast));
    EXPECT_TRUE(clock.IsArmed(&slow));
}

TEST(ManualTimerBackend, RestoresTheSystemBackendWhenItEnds)
{
    {
        fw::ManualTimerBackend clock;
        EXPECT_EQ(&fw::CurrentTimerBackend(), &clock);
    }
    uint64_t a = fw::TickCount();
    ::Sleep(20);
    EXPECT_GE(fw::TickCount() - a, 10u);
}

} // namespace
