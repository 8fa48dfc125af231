// A plain start that finds the instance mutex owned, on a virtual clock: the running
// instance hears of it even when its window comes late, and no start is lost quietly.
#include "SingleInstance.h"

#include <gtest/gtest.h>

namespace {

using lorvane::SecondStart;
constexpr DWORD kNever = 0xFFFFFFFF, kWait = lorvane::kInstanceWindowWait,
                kPoll = lorvane::kInstanceWindowPoll;

TEST(SecondStart, TheRunningInstanceIsToldOnceEvenWhenItsWindowComesLate)
{
    // The other process: its window exists from windowAt on, it ends (leaving the mutex) at
    // ownerEndsAt, and the first failedPosts posts find the window gone.
    const struct {
        const char* what;
        DWORD windowAt, ownerEndsAt;
        int failedPosts;
        SecondStart result;
        DWORD minWait, maxWait;
        DWORD clock = 1000;
    } cases[] = {
        {"window there", 0, kNever, 0, SecondStart::Notified, 0, 0},
        {"window after 0.3 s", 300, kNever, 0, SecondStart::Notified, 300, 300 + kPoll},
        {"window at the end of the wait", kWait - 1, kNever, 0, SecondStart::Notified, kWait - 1, kWait},
        {"owner ends before its window", kNever, 500, 0, SecondStart::Owner, 500, 500 + kPoll},
        {"window gone at the post, then its owner", 0, 200, 1000, SecondStart::Owner, 200, 200 + kPoll},
        {"window gone at the post, back", 0, kNever, 2, SecondStart::Notified, 2 * kPoll, 2 * kPoll},
        {"nothing ever", kNever, kNever, 0, SecondStart::Lost, kWait, kWait + kPoll},
        {"nothing, tick counter wraps", kNever, kNever, 0, SecondStart::Lost, kWait, kWait + kPoll,
         kNever - 100},
        {"window, tick counter wraps", 700, kNever, 0, SecondStart::Notified, 700, 700 + kPoll, kNever - 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DWORD now = c.clock;
        int posts = 0, failures = c.failedPosts;
        auto since = [&](DWORD at) { return at != kNever && now - c.clock >= at; };
        const HWND window = reinterpret_cast<HWND>(0x1234);
        lorvane::InstanceSeams s;
        s.findMain = [&] { return since(c.windowAt) ? window : nullptr; };
        s.notify = [&](HWND w) { return w == window && failures-- <= 0 && ++posts; };
        s.takeMutex = [&] { return since(c.ownerEndsAt); };
        s.sleep = [&](DWORD ms) { now += ms; };
        s.tick = [&] { return now; };
        EXPECT_EQ(lorvane::NotifyRunningInstance(s), c.result);
        EXPECT_EQ(posts, c.result == SecondStart::Notified ? 1 : 0);
        EXPECT_GE(now - c.clock, c.minWait);
        EXPECT_LE(now - c.clock, c.maxWait);
    }
}

} // namespace
