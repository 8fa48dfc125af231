#include "Window.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageWindow, ReceivesPostedMessagesOnItsOwnProcedure)
{
    int seen = 0;
    fw::MessageWindow w;
    ASSERT_TRUE(w.Create(L"LorvaneTestWindow", [&](UINT msg, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_APP + 5) {
            seen += static_cast<int>(wp);
            return 42;
        }
        return std::nullopt;
    }));
    ASSERT_TRUE(w.Handle());
    EXPECT_EQ(::SendMessageW(w.Handle(), WM_APP + 5, 2, 0), 42);
    ::PostMessageW(w.Handle(), WM_APP + 5, 3, 0);
    fw::ProcessMessages();
    EXPECT_EQ(seen, 5);
    // Unhandled messages reach DefWindowProcW.
    EXPECT_EQ(::SendMessageW(w.Handle(), WM_NULL, 0, 0), 0);
}

// Broadcasts such as "TaskbarCreated" reach hidden top-level windows only, not
// message-only ones; this is why components use this kind of window.
TEST(MessageWindow, HiddenTopLevelWindowReceivesRegisteredBroadcast)
{
    // Other processes may broadcast the same message at the same time: count only ours.
    const UINT broadcast = ::RegisterWindowMessageW(L"LorvaneTestBroadcast");
    const WPARAM cookie = ::GetCurrentProcessId();
    int seen = 0;
    fw::MessageWindow w;
    ASSERT_TRUE(
        w.Create(L"LorvaneBroadcastWindow", [&](UINT msg, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
            if (msg == broadcast) {
                if (wp == cookie)
                    ++seen;
                return 0;
            }
            return std::nullopt;
        }));
    EXPECT_FALSE(::IsWindowVisible(w.Handle()));
    EXPECT_EQ(::GetParent(w.Handle()), nullptr);
    ::PostMessageW(HWND_BROADCAST, broadcast, cookie, 0);
    for (int i = 0; i < 200 && seen == 0; ++i) {
        fw::ProcessMessages();
        ::Sleep(10);
    }
    fw::ProcessMessages();
    EXPECT_EQ(seen, 1);
}

TEST(MessageWindow, MessageOnlyWindowTakesPostedMessagesButNoBroadcast)
{
    const UINT broadcast = ::RegisterWindowMessageW(L"LorvaneTestBroadcast");
    const WPARAM cookie = ::GetCurrentProcessId();
    int posted = 0, broadcasts = 0;
    fw::MessageWindow w;
    ASSERT_TRUE(w.CreateMessageOnly(L"LorvaneMessageOnlyWindow",
                                    [&](UINT msg, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
                                        if (msg == WM_APP + 7) {
                                            ++posted;
                                            return 0;
                                        }
                                        if (msg == broadcast && wp == cookie)
                                            ++broadcasts;
                                        return std::nullopt;
                                    }));
    // Not a top-level window: its parent is the message-only root, not the desktop.
    ASSERT_NE(w.Handle(), nullptr);
    EXPECT_NE(::GetAncestor(w.Handle(), GA_PARENT), ::GetDesktopWindow());
    ::PostMessageW(w.Handle(), WM_APP + 7, 0, 0);
    ::PostMessageW(HWND_BROADCAST, broadcast, cookie, 0);
    for (int i = 0; i < 50 && posted == 0; ++i) {
        fw::ProcessMessages();
        ::Sleep(10);
    }
    ::Sleep(100);
    fw::ProcessMessages();
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(broadcasts, 0);
}

TEST(MessageWindow, DestroyClearsHandleAndLaterMessagesGoNowhere)
{
    bool destroyed = false;
    fw::MessageWindow w;
    ASSERT_TRUE(w.Create(L"LorvaneTestWindow", [&](UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_DESTROY)
            destroyed = true;
        return std::nullopt;
    }));
    HWND h = w.Handle();
    w.Destroy();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(w.Handle(), nullptr);
    EXPECT_FALSE(::IsWindow(h));
}

} // namespace
