// A plain start that finds the instance mutex owned, on a virtual clock: the running
// instance hears of it even when its window comes late, and no start is lost quietly.
#include "SingleInstance.h"

#include <gtest/gtest.h>

namespace {

using lorvane::SecondStart;

constexpr DWORD kNever = 0xFFFFFFFF;
const HWND kWindow = reinterpret_cast<HWND>(0x1234);

// The other process: its window exists from windowAt on, it ends (leaving the mutex) at
// ownerEndsAt, and the first failedPosts posts find the window gone.
struct Other {
    DWORD windowAt = kNever, ownerEndsAt = kNever;
    int failedPosts = 0;
};

struct Outcome {
    SecondStart result;
    int posts;
    DWORD waited;
};

Outcome Start(const Other& other, DWORD clockStart = 1000)
{
    DWORD now = clockStart;
    int posts = 0, failures = other.failedPosts;
    auto since = [&](DWORD at) { return at != kNever && now - clockStart >= at; };
    lorvane::InstanceSeams s;
    s.findMain = [&] { return since(other.windowAt) ? kWindow : nullptr; };
    s.notify = [&](HWND w) {
        EXPECT_EQ(w, kWindow);
        return failures-- <= 0 && ++posts;
    };
    s.takeMutex = [&] { return since(other.ownerEndsAt); };
    s.sleep = [&](DWORD ms) { now += ms; };
    s.tick = [&] { return now; };
    const SecondStart result = lorvane::NotifyRunningInstance(s);
    return {result, posts, now - clockStart};
}

TEST(SecondStart, TheRunningInstanceIsToldOnceEvenWhenItsWindowComesLate)
{
    const struct {
        const char* what;
        Other other;
        SecondStart result;
        int posts;
        DWORD maxWait;
    } cases[] = {
        {"window there", {0}, SecondStart::Notified, 1, 0},
        {"window after 0.3 s", {300}, SecondStart::Notified, 1, 300 + lorvane::kInstanceWindowPoll},
        {"window just before the end of the wait",
         {lorvane::kInstanceWindowWait - 1},
         SecondStart::Notified,
         1,
         lorvane::kInstanceWindowWait},
        {"owner ends before its window",
         {kNever, 500},
         SecondStart::Owner,
         0,
         500 + lorvane::kInstanceWindowPoll},
        {"window went at the post, then its owner",
         {0, 200, 1000},
         SecondStart::Owner,
         0,
         200 + lorvane::kInstanceWindowPoll},
        {"window went at the post, came back",
         {0, kNever, 2},
         SecondStart::Notified,
         1,
         2 * lorvane::kInstanceWindowPoll},
        {"nothing ever",
         {},
         SecondStart::Lost,
         0,
         lorvane::kInstanceWindowWait + lorvane::kInstanceWindowPoll},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome run = Start(c.other);
        EXPECT_EQ(run.result, c.result);
        EXPECT_EQ(run.posts, c.posts);
        EXPECT_LE(run.waited, c.maxWait);
        if (c.result == SecondStart::Lost) {
            EXPECT_GE(run.waited, lorvane::kInstanceWindowWait) << "gave up early";
        }
    }
}

TEST(SecondStart, TheWaitHoldsAcrossTheTickCounterWrapping)
{
    const Outcome run = Start({}, 0xFFFFFFFF - 100);
    EXPECT_EQ(run.result, SecondStart::Lost);
    EXPECT_GE(run.waited, lorvane::kInstanceWindowWait);
    EXPECT_EQ(Start({700}, 0xFFFFFFFF - 100).posts, 1);
}

} // namespace
