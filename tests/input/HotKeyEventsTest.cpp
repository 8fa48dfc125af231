// The keyboard capture of the hotkey edit: every key message is taken while an instance is
// enabled; real keystrokes through SendInput reach its handlers and no window.
#include "HotKeyEvents.h"
#include "DesktopTestLock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(HotKeyEvents, EveryKeyMessageIsTakenAndEachInstanceHearsItOnce)
{
    THotKeyEvents a(nullptr, L"A"), b(nullptr, L"B");
    std::vector<std::wstring> heard;
    a.OnKeyDown = [&](fw::TObject*, WORD key) {
        heard.push_back(L"a down " + std::to_wstring(key));
        // Leaving and re-entering the list inside the handler: no second delivery.
        EXPECT_FALSE(a.Enabled());
        a.SetEnabled(true);
        a.SetEnabled(false);
    };
    b.OnKeyUp = [&](fw::TObject*, WORD key) { heard.push_back(L"b up " + std::to_wstring(key)); };
    a.SetEnabled(true);
    b.SetEnabled(true);
    EXPECT_TRUE(THotKeyEvents::Dispatch(HC_ACTION, WM_SYSKEYDOWN, VK_TAB));
    EXPECT_TRUE(THotKeyEvents::Dispatch(HC_ACTION, WM_SYSKEYUP, VK_TAB));
    // A key held since before the capture: its release goes to the system too, or the key
    // would stay down there.
    EXPECT_FALSE(THotKeyEvents::Dispatch(HC_ACTION, WM_KEYUP, 'Z'));
    EXPECT_FALSE(THotKeyEvents::Dispatch(HC_ACTION, WM_CHAR, 'Z'));
    EXPECT_FALSE(THotKeyEvents::Dispatch(HC_NOREMOVE, WM_KEYDOWN, 'Z'));
    EXPECT_EQ(heard, (std::vector<std::wstring>{L"a down 9", L"b up 9", L"b up 90"}));
    EXPECT_TRUE(a.Enabled()); // restored after its handler
    a.SetEnabled(false);
    b.SetEnabled(false);
    EXPECT_EQ(THotKeyEvents::Hook(), nullptr);
}

TEST(HotKeyEvents, RealKeystrokesReachTheHandlerAndNoWindow)
{
    testsupport::DesktopTestLock lock;
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE, 10, 10, 200, 24, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    ::SetForegroundWindow(edit);
    ::SetFocus(edit);
    THotKeyEvents capture;
    std::vector<WORD> downs, ups;
    capture.OnKeyDown = [&](fw::TObject*, WORD key) { downs.push_back(key); };
    capture.OnKeyUp = [&](fw::TObject*, WORD key) { ups.push_back(key); };
    capture.SetEnabled(true);
    auto send = [](WORD key, DWORD flags) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = key;
        in.ki.dwFlags = flags;
        ::SendInput(1, &in, sizeof(in));
        const DWORD end = ::GetTickCount() + 100;
        while (static_cast<LONG>(end - ::GetTickCount()) > 0) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            ::Sleep(5);
        }
    };
    send('Q', 0);
    send('Q', KEYEVENTF_KEYUP);
    capture.SetEnabled(false);
    EXPECT_EQ(downs, std::vector<WORD>{'Q'});
    EXPECT_EQ(ups, std::vector<WORD>{'Q'});
    EXPECT_EQ(::GetWindowTextLengthW(edit), 0); // the focused edit never saw the key
    EXPECT_EQ(THotKeyEvents::Hook(), nullptr);
    ::DestroyWindow(edit);
}

} // namespace
