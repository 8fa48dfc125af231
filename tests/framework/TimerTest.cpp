#include "Timer.h"
#include "Window.h"

#include <gtest/gtest.h>

namespace {

// Runs the message loop until pred holds or the generous bound passes.
template <typename Pred>
bool PumpUntil(Pred pred, DWORD boundMs = 5000)
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
