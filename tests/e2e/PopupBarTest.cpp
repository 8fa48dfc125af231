// The pop-up menus and the pop-up volume bar in Wine's shell desktop, driven by real pointer
// and key input on the tray icon, observed from outside: windows, their texts, the endpoint.
//
// Keys go in through SendInput, never through the X server (xdotool). A menu opened by a
// hotkey or a posted action belongs to the hidden main window; Wine does make that window the
// foreground window (GetForegroundWindow names it while the menu is open, and SendInput keys
// move the menu's highlight), but the X keyboard focus can go only to a mapped window, so X
// key events keep going to the window that had it before.
#include "InstanceTest.h"
#include "ShellTray.h"
#include "SimControl.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>

namespace {

using namespace e2e;
namespace sim = endpointsim;

constexpr DWORD kBound = 20000;

void Button(DWORD down, DWORD up)
{
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = down;
    in[1].mi.dwFlags = up;
    ::SendInput(2, in, sizeof(INPUT));
}

// A motion inside the target first: the shell counts clicks on an icon only after one.
void ClickAt(POINT p, bool right = false)
{
    ::SetCursorPos(p.x - 2, p.y);
    ::Sleep(100);
    ::SetCursorPos(p.x, p.y);
    ::Sleep(200);
    Button(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN,
           right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
}

void Key(WORD vk)
{
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, in, sizeof(INPUT));
}

POINT Center(const RECT& r)
{
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

RECT WindowRect(HWND h)
{
    RECT r{};
    ::GetWindowRect(h, &r);
    return r;
}

HWND Child(HWND parent, const wchar_t* cls)
{
    return ::FindWindowExW(parent, nullptr, cls, nullptr);
}

std::wstring Text(HWND h)
{
    wchar_t buf[256] = {};
    ::GetWindowTextW(h, buf, 256);
    return buf;
}

// Pop-up menus on the screen (class "#32768").
int MenuCount()
{
    int n = 0;
    for (HWND h = ::FindWindowW(L"#32768", nullptr); h; h = ::FindWindowExW(nullptr, h, L"#32768", nullptr))
        n += ::IsWindowVisible(h) ? 1 : 0;
    return n;
}

// Whether the process has a module of this file name loaded now.
bool HasModule(DWORD pid, const wchar_t* name)
{
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snap == INVALID_HANDLE_VALUE)
        return false;
    MODULEENTRY32W m{};
    m.dwSize = sizeof m;
    bool found = false;
    for (BOOL more = ::Module32FirstW(snap, &m); more && !found; more = ::Module32NextW(snap, &m))
        found = ::lstrcmpiW(m.szModule, name) == 0;
    ::CloseHandle(snap);
    return found;
}

class PopupBarE2E : public InstanceTest {
  protected:
    PopupBarE2E() : InstanceTest(L"bar", 0.5f) {}

    void SetUp() override
    {
        ASSERT_NE(::FindWindowW(L"Shell_TrayWnd", nullptr), nullptr)
            << "the tests run in Wine's shell desktop";
        InstanceTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(p.Start(LorvanePath(), L""));
        main = WaitForMainWindow(p.Id(), kBound);
        ASSERT_TRUE(main);
        ASSERT_TRUE(WaitUntil([&] { return ProbeMain(main, 1) == 1; }, kBound));
        ASSERT_TRUE(WaitUntil(
            [&] {
                for (const TrayIcon& i : ShownTrayIcons())
                    if (i.tip.rfind(L"Speakers", 0) == 0)
                        icon = Center(i.screen);
                return icon.x != 0;
            },
            kBound))
            << "no tray icon";
    }
    bool BarShown() const { return ::IsWindowVisible(main) != FALSE; }

    Process p;
    HWND main = nullptr;
    POINT icon{};
};

TEST_F(PopupBarE2E, LeftClickShowsTheBarAtTheCursorItFollowsTheEndpointAndHidesAgain)
{
    ASSERT_FALSE(BarShown());
    ClickAt(icon);
    ASSERT_TRUE(WaitUntil([&] { return BarShown(); }, kBound)) << "no bar after a left click";
    // The taskbar is at the bottom: the bar flips above the cursor and stands on the taskbar,
    // inside the work area, with no taskbar button of its own.
    const RECT bar = WindowRect(main);
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(bar.bottom, icon.y < work.bottom ? icon.y : work.bottom - 1); // the placement's one-pixel gap
    EXPECT_NE(::GetWindow(main, GW_OWNER), nullptr);
    EXPECT_LE(bar.right, ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_TRUE(bar.left == icon.x || bar.right == ::GetSystemMetrics(SM_CXSCREEN));

    HWND label = Child(main, L"Static");
    HWND box = Child(main, L"Button");
    HWND slider = Child(main, TRACKBAR_CLASSW);
    ASSERT_TRUE(label && box && slider);
    EXPECT_EQ(Text(label), L"Volume: 50%");
    EXPECT_EQ(Text(box), L"&Mute");
    ASSERT_TRUE(sim::SetVolume(0.25f));
    EXPECT_TRUE(WaitUntil([&] { return Text(label) == L"Volume: 25%"; }, kBound)) << Text(label);
    ASSERT_TRUE(sim::SetMute(true));
    EXPECT_TRUE(WaitUntil([&] { return ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }, kBound));
    ::Sleep(300);
    EXPECT_TRUE(sim::Show()[0].mute) << "following the mute state clicked the box";
    ClickAt(Center(WindowRect(box)));
    EXPECT_TRUE(WaitUntil([] { return !sim::Show()[0].mute; }, kBound)) << "the box did not unmute";

    // Dragging the thumb from the top to below the bottom sets 0.
    const RECT s = WindowRect(slider);
    ::SetCursorPos((s.left + s.right) / 2, s.top + 12);
    ::Sleep(100);
    Button(MOUSEEVENTF_LEFTDOWN, 0);
    for (int y = s.top + 12; y < s.bottom + 20; y += 15) {
        ::SetCursorPos((s.left + s.right) / 2, y);
        ::Sleep(30);
    }
    Button(MOUSEEVENTF_LEFTUP, 0);
    EXPECT_TRUE(WaitUntil([] { return sim::Show()[0].scalar == 0.0f; }, kBound)) << sim::Show()[0].scalar;
    EXPECT_TRUE(WaitUntil([&] { return Text(label) == L"Volume: 0%"; }, kBound));

    // The arrow keys act on the slider at once; Esc hides the bar.
    Key(VK_UP);
    EXPECT_TRUE(WaitUntil([] { return sim::Show()[0].scalar > 0.0f; }, kBound)) << "no step up";
    Key(VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !BarShown(); }, kBound)) << "Esc did not hide the bar";

    // A click elsewhere hides it too.
    ClickAt(icon);
    ASSERT_TRUE(WaitUntil([&] { return BarShown(); }, kBound));
    ClickAt({300, 300});
    EXPECT_TRUE(WaitUntil([&] { return !BarShown(); }, kBound)) << "a click elsewhere did not hide the bar";
}

TEST_F(PopupBarE2E, TheStartBuildsNoBarAndLoadsNoCommonControlsTheFirstClickBuildsIt)
{
    ASSERT_TRUE(HasModule(p.Id(), L"user32.dll")) << "the module list cannot be read";
    EXPECT_FALSE(Child(main, TRACKBAR_CLASSW));
    EXPECT_FALSE(HasModule(p.Id(), L"comctl32.dll"));
    EXPECT_FALSE(HasModule(p.Id(), L"comdlg32.dll"));
    EXPECT_FALSE(HasModule(p.Id(), L"winmm.dll"));
    ClickAt(icon);
    ASSERT_TRUE(WaitUntil([&] { return BarShown(); }, kBound)) << "no bar after a left click";
    EXPECT_TRUE(Child(main, TRACKBAR_CLASSW));
    EXPECT_TRUE(HasModule(p.Id(), L"comctl32.dll"));
    // Built late, it has the default size of a bar built at the start.
    RECT r = WindowRect(main);
    EXPECT_EQ(r.right - r.left, 181);
    EXPECT_EQ(r.bottom - r.top, 205);
    Key(VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !BarShown(); }, kBound));
}

TEST_F(PopupBarE2E, RightClickOpensTheMainMenuAndItsExitEndsTheProgramWithTheSettingsSaved)
{
    ClickAt(icon, true);
    HWND menu = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            menu = ::FindWindowW(L"#32768", nullptr);
            return menu && ::IsWindowVisible(menu);
        },
        kBound))
        << "no menu after a right click";
    RECT m = WindowRect(menu);
    EXPECT_LE(m.bottom, icon.y + 1);
    // The keyboard works in the menu at once: V opens the "&Volume" submenu, 3 chooses 30 %.
    ::Sleep(200);
    Key('V');
    ASSERT_TRUE(WaitUntil([] { return MenuCount() == 2; }, kBound)) << "no preset submenu";
    Key('3');
    EXPECT_TRUE(WaitUntil([] { return std::abs(sim::Show()[0].scalar - 0.3f) < 0.0001f; }, kBound))
        << sim::Show()[0].scalar;
    EXPECT_TRUE(WaitUntil([] { return MenuCount() == 0; }, kBound));

    // Two devices: D opens the device list (the default first), the other one is chosen.
    ClickAt(icon, true);
    ASSERT_TRUE(WaitUntil([] { return MenuCount() == 1; }, kBound));
    ::Sleep(200);
    Key('D');
    ASSERT_TRUE(WaitUntil([] { return MenuCount() == 2; }, kBound)) << "no device submenu";
    Key(VK_DOWN);
    Key(VK_RETURN);
    EXPECT_TRUE(WaitUntil([] { return sim::Show()[1].isDefault; }, kBound))
        << "the second device is not the default";

    // Exit is the last item.
    ClickAt(icon, true);
    ASSERT_TRUE(WaitUntil([] { return MenuCount() == 1; }, kBound));
    m = WindowRect(::FindWindowW(L"#32768", nullptr));
    ClickAt({m.left + 30, m.bottom - 10});
    EXPECT_EQ(p.Wait(kBound), 0) << "Exit did not end the program";
    const std::wstring ini = program->ReadSettings();
    EXPECT_NE(ini.find(L"[Window]"), std::wstring::npos);
    EXPECT_NE(ini.find(L"MainWidth="), std::wstring::npos);
}

} // namespace
