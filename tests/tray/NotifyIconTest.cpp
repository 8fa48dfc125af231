// The component against a recording shell, with real callback messages sent to its window
// and a virtual clock for the leave poll and the animation.
#include "NotifyIcon.h"
#include "TrayMessages.h"
#include "TrayTestSupport.h"

#include "ActionList.h"
#include "Timer.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using traytest::FakeShell;
using Log = std::vector<std::wstring>;

std::wstring FieldText(const wchar_t* field, size_t capacity)
{
    return std::wstring(field, wcsnlen(field, capacity));
}

class NotifyIconTest : public testing::Test {
  protected:
    void SetUp() override
    {
        icon = std::make_unique<TNotifyIcon>(nullptr, L"NotifyIcon", shell.Seams());
        traytest::RecordEvents(*icon, log);
    }
    void TearDown() override { icon.reset(); }

    void Callback(UINT event)
    {
        ::SendMessageW(icon->Handle(), WM_NOTIFYICON_CALLBACK, kNotifyIconId, event);
    }
    void Show()
    {
        icon->SetVisible(true);
        ASSERT_TRUE(shell.present);
        log.clear();
        shell.calls.clear();
    }

    fw::ManualTimerBackend clock; // before the icon: its timers are armed on this clock
    FakeShell shell;
    Log log;
    std::unique_ptr<TNotifyIcon> icon;
};

TEST_F(NotifyIconTest, ShowOnAddChangeWhenShownHideOnDelete)
{
    icon->SetHint(L"Speakers: 30%"); // while hidden: kept for the add, the shell is not asked
    icon->HideBalloon();
    icon->Refresh();
    EXPECT_TRUE(shell.calls.empty());

    icon->SetVisible(true); // straight to the add: no modify that the shell must refuse first
    EXPECT_EQ(log, (Log{L"Show"}));
    ASSERT_EQ(shell.calls.size(), 1u);
    const NOTIFYICONDATAW& add = shell.calls[0].data;
    EXPECT_EQ(shell.calls[0].message, DWORD(NIM_ADD));
    EXPECT_EQ(add.uFlags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(add.cbSize, DWORD(NOTIFYICONDATAW_V2_SIZE));
    EXPECT_EQ(add.hWnd, icon->Handle());
    EXPECT_EQ(add.uID, 1u);
    EXPECT_EQ(add.uCallbackMessage, 32868u);
    EXPECT_EQ(FieldText(add.szTip, 128), L"Speakers: 30%");
    EXPECT_NE(add.hIcon, nullptr);

    // A new picture for a shown icon: a copy of it, and OnChange rather than OnShow.
    HICON picture = ::LoadIconW(nullptr, IDI_WARNING);
    icon->SetIcon(picture);
    EXPECT_EQ(log, (Log{L"Show", L"Change"}));
    EXPECT_EQ(shell.Last().message, DWORD(NIM_MODIFY));
    EXPECT_EQ(shell.Last().data.uFlags, UINT(NIF_ICON));
    EXPECT_NE(shell.Last().data.hIcon, nullptr);
    EXPECT_NE(icon->Icon(), picture);
    EXPECT_EQ(shell.Count(NIM_ADD), 1u);

    icon->SetVisible(true); // no change: no shell call
    EXPECT_EQ(shell.calls.size(), 2u);

    icon->SetVisible(false);
    EXPECT_EQ(log, (Log{L"Show", L"Change", L"Hide"}));
    EXPECT_EQ(shell.Last().message, DWORD(NIM_DELETE));
    EXPECT_EQ(shell.Last().data.uFlags, UINT(NIF_MESSAGE));

    icon->Refresh(); // nothing to delete: no OnHide
    EXPECT_EQ(log.size(), 3u);
}

TEST_F(NotifyIconTest, WithoutPictureTheProgramsOwnSmallIconIsShown)
{
    icon->SetVisible(true);
    HICON shown = shell.calls.back().data.hIcon;
    ASSERT_NE(shown, nullptr) << "the test program carries an icon resource";
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(shown, &info));
    BITMAP bm{};
    ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
    if (info.hbmColor)
        ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    EXPECT_EQ(bm.bmWidth, ::GetSystemMetrics(SM_CXSMICON));
    // Read once: a second refresh shows the same handle.
    icon->Refresh();
    EXPECT_EQ(shell.calls.back().data.hIcon, shown);
}

TEST_F(NotifyIconTest, AddIsRetriedOnlyOnTimeoutAndAtMost37Times)
{
    shell.addFailures.assign(36, ERROR_TIMEOUT);
    icon->SetVisible(true);
    EXPECT_EQ(log, (Log{L"Show"}));
    EXPECT_EQ(shell.Count(NIM_ADD), 37u);
    EXPECT_EQ(shell.sleeps, std::vector<DWORD>(36, 1000));

    icon->SetVisible(false);
    shell.calls.clear();
    shell.sleeps.clear();
    log.clear();
    shell.addFailures.assign(40, ERROR_TIMEOUT);
    icon->SetVisible(true);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(shell.Count(NIM_ADD), 37u);
    EXPECT_EQ(shell.sleeps.size(), 36u);

    icon->SetVisible(false);
    shell.calls.clear();
    shell.sleeps.clear();
    shell.addFailures.assign(1, ERROR_ACCESS_DENIED);
    icon->SetVisible(true);
    EXPECT_EQ(shell.Count(NIM_ADD), 1u);
    EXPECT_TRUE(shell.sleeps.empty());
    EXPECT_TRUE(log.empty());
}

TEST_F(NotifyIconTest, TextsAreCutToTheRecordsFieldsWithoutSplittingPairs)
{
    const std::wstring pair = L"\U0001F50A"; // two UTF-16 units
    struct Case {
        std::wstring text;
        size_t kept;
        std::wstring shown; // empty: the kept part as it is
    };

    // The tooltip shows a single "&" only when it is doubled.
    for (const Case& c :
         {Case{std::wstring(200, L'a'), 127, L""}, Case{std::wstring(126, L'a') + pair + L"b", 126, L""},
          Case{std::wstring(125, L'a') + pair + L"b", 127, L""}, Case{std::wstring(127, L'a'), 127, L""},
          Case{L"USB Speakers & Mic: 30%", 0, L"USB Speakers && Mic: 30%"},
          Case{std::wstring(126, L'a') + L"&", 0, std::wstring(126, L'a')},
          Case{std::wstring(125, L'a') + L"&b", 0, std::wstring(125, L'a') + L"&&"}}) {
        Show();
        icon->SetHint(c.text);
        EXPECT_EQ(shell.Last().data.uFlags, UINT(NIF_TIP));
        EXPECT_EQ(FieldText(shell.Last().data.szTip, 128), c.shown.empty() ? c.text.substr(0, c.kept) : c.shown);
        EXPECT_EQ(icon->Hint(), c.text) << "the property keeps the whole text";
    }

    Show();
    for (const auto& [text, title, keptText, keptTitle] :
         {std::tuple{std::wstring(300, L'x'), std::wstring(100, L't'), size_t(255), size_t(63)},
          std::tuple{std::wstring(254, L'x') + pair + L"y", std::wstring(62, L't') + pair, size_t(254),
                     size_t(62)},
          std::tuple{std::wstring(253, L'x') + pair, std::wstring(61, L't') + pair, size_t(255),
                     size_t(63)}}) {
        EXPECT_TRUE(icon->ShowBalloon(text, title, 1, false, 5000));
        const NOTIFYICONDATAW& d = shell.Last().data;
        EXPECT_EQ(FieldText(d.szInfo, 256), text.substr(0, keptText));
        EXPECT_EQ(FieldText(d.szInfoTitle, 64), title.substr(0, keptTitle));
    }
}

TEST_F(NotifyIconTest, BalloonIsHiddenFirstThenShownWithKindSoundAndTimeout)
{
    Show();
    struct Case {
        int kind;
        bool sound;
        DWORD flags;
    };
    for (const Case& c : {Case{0, true, NIIF_NONE}, Case{1, false, NIIF_INFO | NIIF_NOSOUND},
                          Case{2, true, NIIF_WARNING}, Case{3, false, NIIF_ERROR | NIIF_NOSOUND},
                          Case{7, true, NIIF_NONE}, Case{-1, false, NIIF_NOSOUND}}) {
        shell.calls.clear();
        EXPECT_TRUE(icon->ShowBalloon(L"Speakers: 30%", L"Volume has been changed", c.kind, c.sound, 3000));
        ASSERT_EQ(shell.calls.size(), 2u);
        EXPECT_EQ(shell.calls[0].data.uFlags, UINT(NIF_INFO));
        EXPECT_EQ(shell.calls[0].data.szInfo[0], L'\0') << "the old balloon is hidden first";
        const NOTIFYICONDATAW& d = shell.calls[1].data;
        EXPECT_EQ(shell.calls[1].message, DWORD(NIM_MODIFY));
        EXPECT_EQ(d.uFlags, UINT(NIF_INFO));
        EXPECT_EQ(d.dwInfoFlags, c.flags) << "kind " << c.kind;
        EXPECT_EQ(d.uTimeout, 3000u);
        EXPECT_EQ(FieldText(d.szInfo, 256), L"Speakers: 30%");
        EXPECT_EQ(FieldText(d.szInfoTitle, 64), L"Volume has been changed");
    }
    EXPECT_TRUE(icon->HideBalloon());
    EXPECT_EQ(shell.Last().data.szInfo[0], L'\0');

    icon->SetVisible(false);
    EXPECT_FALSE(icon->ShowBalloon(L"text", L"", 0, false, 1000)) << "the shell's answer";
}

TEST(NotifyIconBalloon, FromWindows10ABalloonIsRealTimeAndKeepsQuietHours)
{
    struct Case {
        DWORD major, minor;
        UINT flags;
        DWORD quiet;
    };
    // XP, Vista, 7, 8.1 keep the balloon; 10 and 11 (both 10.0) turn it into a toast.
    for (const Case& c : {Case{5, 1, NIF_INFO, 0}, Case{6, 0, NIF_INFO, 0}, Case{6, 1, NIF_INFO, 0},
                          Case{6, 3, NIF_INFO, 0}, Case{10, 0, NIF_INFO | NIF_REALTIME, NIIF_RESPECT_QUIET_TIME}}) {
        SCOPED_TRACE(testing::Message() << c.major << "." << c.minor);
        fw::ManualTimerBackend clock;
        FakeShell shell;
        tray::NotifyIconSeams seams = shell.Seams();
        seams.version = {c.major, c.minor};
        TNotifyIcon icon(nullptr, L"NotifyIcon", seams);
        icon.SetVisible(true);
        shell.calls.clear();
        EXPECT_TRUE(icon.ShowBalloon(L"Speakers: 30%", L"", 0, false, 2000));
        ASSERT_EQ(shell.calls.size(), 2u);
        EXPECT_EQ(shell.calls[0].data.uFlags, c.flags) << "the hide before it";
        EXPECT_EQ(shell.calls[1].data.uFlags, c.flags);
        EXPECT_EQ(shell.calls[1].data.dwInfoFlags, DWORD(NIIF_NOSOUND) | c.quiet);
        // A balloon held by an update goes with the picture in one call, with the same flags.
        shell.calls.clear();
        icon.BeginUpdate();
        icon.ShowBalloon(L"Speakers: 31%", L"", 0, false, 2000);
        icon.EndUpdate();
        ASSERT_EQ(shell.calls.size(), 1u);
        EXPECT_EQ(shell.calls[0].data.uFlags & c.flags, c.flags);
    }
}

TEST_F(NotifyIconTest, LeftDoubleClickRaisesEventsInOrder)
{
    shell.cursor = {1270, 790};
    std::vector<POINT> moves;
    icon->OnMouseMove = [&](fw::TObject* sender, fw::TShiftState, int x, int y) {
        EXPECT_EQ(sender, icon.get());
        moves.push_back({x, y});
    };
    Callback(WM_MOUSEMOVE);
    Callback(WM_LBUTTONDOWN);
    Callback(WM_LBUTTONUP);
    Callback(WM_LBUTTONDBLCLK);
    Callback(WM_LBUTTONUP);
    EXPECT_EQ(log, (Log{L"Enter", L"DownL", L"Click", L"UpL", L"DblClick", L"DownL2", L"UpL"}));
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].x, 1270);
    EXPECT_EQ(moves[0].y, 790);
    EXPECT_TRUE(icon->MouseInside());
}

TEST_F(NotifyIconTest, ClickNeedsAPressAndReleaseInside)
{
    // Outside (no move yet): buttons are reported, but no click.
    Callback(WM_LBUTTONDOWN);
    Callback(WM_LBUTTONUP);
    EXPECT_EQ(log, (Log{L"DownL", L"UpL"}));

    log.clear();
    Callback(WM_MOUSEMOVE);
    Callback(WM_LBUTTONUP); // a release no press preceded (a drag ending over the icon)
    Callback(WM_LBUTTONDOWN);
    Callback(WM_LBUTTONUP);
    Callback(WM_LBUTTONUP);
    EXPECT_EQ(log, (Log{L"Enter", L"UpL", L"DownL", L"Click", L"UpL", L"UpL"}));

    log.clear();
    for (UINT m :
         {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK})
        Callback(m);
    EXPECT_EQ(log, (Log{L"DownR", L"UpR", L"DownR2", L"DownM", L"UpM", L"DownM2"}));

    log.clear();
    for (UINT m : {UINT(WM_USER), UINT(WM_MOUSEWHEEL), UINT(NIN_SELECT), UINT(WM_CONTEXTMENU), 0u})
        Callback(m);
    EXPECT_TRUE(log.empty());
}

TEST_F(NotifyIconTest, BalloonNotificationsRaiseTheirEvents)
{
    for (UINT m : {NIN_BALLOONSHOW, NIN_BALLOONHIDE, NIN_BALLOONTIMEOUT, NIN_BALLOONUSERCLICK})
        Callback(m);
    EXPECT_EQ(log, (Log{L"BalloonShow", L"BalloonHide", L"BalloonTimeout", L"BalloonClick"}));
}

TEST_F(NotifyIconTest, ShiftStateComesFromTheKeysAtHandlingTime)
{
    std::vector<fw::TShiftState> seen;
    icon->OnMouseDown = [&](fw::TObject*, fw::TMouseButton, fw::TShiftState s, int, int) {
        seen.push_back(s);
    };
    Callback(WM_MOUSEMOVE);
    shell.keys[VK_CONTROL] = SHORT(0x8000);
    shell.keys[VK_LBUTTON] = SHORT(0x8000);
    shell.keys[VK_SHIFT] = 1; // toggled, not down
    Callback(WM_LBUTTONDOWN);
    shell.keys.assign(256, 0);
    shell.keys[VK_SHIFT] = SHORT(0x8001);
    shell.keys[VK_MENU] = SHORT(0x8000);
    shell.keys[VK_RBUTTON] = SHORT(0x8000);
    shell.keys[VK_MBUTTON] = SHORT(0x8000);
    Callback(WM_LBUTTONDBLCLK);
    EXPECT_EQ(seen,
              (std::vector<fw::TShiftState>{fw::ssCtrl | fw::ssLeft, fw::ssShift | fw::ssAlt | fw::ssRight |
                                                                         fw::ssMiddle | fw::ssDouble}));
}

TEST_F(NotifyIconTest, DisabledIconIgnoresTheMouseAndRaisesNothing)
{
    icon->Enabled = false;
    for (UINT m : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP})
        Callback(m);
    Callback(NIN_BALLOONSHOW);
    icon->SetVisible(true);
    ::SendMessageW(icon->Handle(), ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(icon->MouseInside());
    EXPECT_TRUE(shell.present) << "the shell calls still happen";
}

TEST_F(NotifyIconTest, LeavePollRaisesLeaveOnceTheCursorMoves)
{
    shell.cursor = {1270, 790};
    Callback(WM_MOUSEMOVE);
    clock.Advance(20 * tray::kLeavePollInterval); // resting still: twenty polls, no leave
    shell.cursor = {1271, 790};
    Callback(WM_MOUSEMOVE); // moving over the icon: no second enter
    EXPECT_EQ(log, (Log{L"Enter"}));

    shell.cursor = {600, 400};
    clock.Advance(tray::kLeavePollInterval - 1);
    EXPECT_EQ(log, (Log{L"Enter"}));
    clock.Advance(1);
    EXPECT_EQ(log, (Log{L"Enter", L"Leave"}));
    EXPECT_FALSE(icon->MouseInside());

    // The poll stopped: a running one would report the moved cursor again.
    shell.cursor = {10, 10};
    clock.Advance(1000);
    EXPECT_EQ(log, (Log{L"Enter", L"Leave"}));

    // A cursor that cannot be read ends the poll too.
    Callback(WM_MOUSEMOVE);
    shell.cursorReadable = false;
    clock.Advance(tray::kLeavePollInterval);
    EXPECT_EQ(log, (Log{L"Enter", L"Leave", L"Enter", L"Leave"}));
}

TEST_F(NotifyIconTest, AMoveHandledAfterThePointerLeftTheShellNeitherEntersNorHoldsThePoll)
{
    // Handled late, the move finds the pointer resting over another program's window.
    shell.cursor = {600, 400};
    shell.cursorOnShell = false;
    Callback(WM_MOUSEMOVE);
    clock.Advance(1000);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(icon->MouseInside());

    shell.cursor = {1270, 790};
    shell.cursorOnShell = true;
    Callback(WM_MOUSEMOVE);
    ASSERT_TRUE(icon->MouseInside());
    // The pointer left; the shell's last move for it is handled only now, with the pointer
    // resting where the poll would otherwise take it for still.
    shell.cursor = {600, 400};
    shell.cursorOnShell = false;
    Callback(WM_MOUSEMOVE);
    EXPECT_EQ(log, (Log{L"Enter", L"Leave"}));
    EXPECT_FALSE(icon->MouseInside());
    clock.Advance(1000);
    EXPECT_EQ(log, (Log{L"Enter", L"Leave"})) << "the poll stopped with the leave";

    // Buttons are not second-guessed.
    Callback(WM_LBUTTONDOWN);
    EXPECT_EQ(log.back(), L"DownL");
}

TEST_F(NotifyIconTest, ASharedPictureIsShownWithoutACopyAndKeptWhileShown)
{
    Show();
    fw::SharedHicon picture = fw::ShareIcon(fw::UniqueHicon(::CopyIcon(::LoadIconW(nullptr, IDI_WARNING))));
    HICON handle = picture.get();
    icon->SetIcon(picture);
    EXPECT_EQ(shell.Last().data.hIcon, handle);
    picture.reset(); // the list that lent it cleared
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(icon->Icon(), &info)) << "still alive for a later add";
    if (info.hbmColor)
        ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    ::SendMessageW(icon->Handle(), ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_EQ(shell.Last().message, DWORD(NIM_ADD));
    EXPECT_EQ(shell.Last().data.hIcon, handle);

    icon->SetIcon(HICON{}); // the plain form copies: null shows the program's own icon
    EXPECT_NE(shell.Last().data.hIcon, handle);
}

TEST_F(NotifyIconTest, RightReleasePopsTheMenuOnlyWhenVisibleAndInside)
{
    fw::UniqueHmenu menu(::CreatePopupMenu());
    ::AppendMenuW(menu.get(), MF_STRING, 100, L"&Mute");
    icon->SetPopupMenu(menu.get());
    shell.cursor = {1270, 790};

    Callback(WM_MOUSEMOVE);
    Callback(WM_RBUTTONDOWN);
    Callback(WM_RBUTTONUP);
    EXPECT_TRUE(shell.popups.empty()) << "not Visible: no menu";
    EXPECT_EQ(log, (Log{L"Enter", L"DownR", L"UpR"}));

    icon->SetVisible(true);
    Callback(WM_RBUTTONUP);
    ASSERT_EQ(shell.popups.size(), 1u);
    EXPECT_EQ(shell.popups[0].menu, menu.get());
    EXPECT_EQ(shell.popups[0].at.x, 1270);
    EXPECT_EQ(shell.popups[0].at.y, 790);
    EXPECT_EQ(shell.popups[0].owner, icon->Handle());

    fw::MessageWindow app;
    ASSERT_TRUE(app.Create(L"LorvaneTestAppWindow", nullptr, L"App"));
    icon->SetApplicationWindow(app.Handle());
    Callback(WM_RBUTTONUP);
    ASSERT_EQ(shell.popups.size(), 2u);
    EXPECT_EQ(shell.popups[1].owner, app.Handle()) << "the application window owns the menu";

    Callback(WM_LBUTTONUP);
    Callback(WM_MBUTTONUP);
    icon->SetPopupMenu(nullptr);
    Callback(WM_RBUTTONUP);
    shell.cursor = {0, 0};
    clock.Advance(tray::kLeavePollInterval); // left
    icon->SetPopupMenu(menu.get());
    Callback(WM_RBUTTONUP);
    EXPECT_EQ(shell.popups.size(), 2u);

    // Messages pending before the menu may end the program or destroy the component.
    Callback(WM_MOUSEMOVE);
    ::PostQuitMessage(0);
    Callback(WM_RBUTTONUP);
    MSG quit;
    EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "WM_QUIT stays for the main loop";
    fw::MessageWindow closer;
    ASSERT_TRUE(closer.Create(L"LorvaneTestCloser", [&](UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_APP)
            icon.reset();
        return std::nullopt;
    }));
    ::PostMessageW(closer.Handle(), WM_APP, 0, 0);
    Callback(WM_RBUTTONUP);
    EXPECT_EQ(icon, nullptr);
    EXPECT_EQ(shell.popups.size(), 2u);
}

TEST_F(NotifyIconTest, TaskbarCreatedPutsAVisibleIconBack)
{
    const UINT taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    Show();
    shell.present = false; // the shell restarted and forgot the icon
    ::SendMessageW(icon->Handle(), taskbarCreated, 0, 0);
    EXPECT_EQ(log, (Log{L"Show", L"TaskbarCreate"}));
    EXPECT_TRUE(shell.present);

    icon->SetVisible(false);
    log.clear();
    ::SendMessageW(icon->Handle(), taskbarCreated, 0, 0);
    EXPECT_EQ(log, (Log{L"TaskbarCreate"}));
    EXPECT_FALSE(shell.present);
}

TEST_F(NotifyIconTest, ANewShellGetsTheAddAtOnce)
{
    Show();
    shell.present = false;
    ::SendMessageW(icon->Handle(), ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    ASSERT_EQ(shell.calls.size(), 1u) << "a new shell holds no icon: no modify it must refuse";
    EXPECT_EQ(shell.calls[0].message, DWORD(NIM_ADD));
}

TEST_F(NotifyIconTest, AnUpdateSendsPictureTipAndBalloonInOneCall)
{
    Show();
    HICON picture = ::LoadIconW(nullptr, IDI_WARNING);
    {
        tray::UpdateScope outer(*icon);
        icon->SetIcon(picture);
        {
            tray::UpdateScope inner(*icon);
            icon->SetHint(L"Speakers: 31%");
            icon->RefreshTip();
        }
        EXPECT_TRUE(shell.calls.empty()) << "an inner update does not end the outer one";
        icon->SetHint(L"Speakers: 32%");
        EXPECT_TRUE(icon->ShowBalloon(L"old", L"", 0, false, 2000));
        EXPECT_TRUE(icon->ShowBalloon(icon->Hint(), L"Title", 1, false, 3000)); // the last one counts
        EXPECT_TRUE(shell.calls.empty());
        EXPECT_TRUE(log.empty());
    }
    ASSERT_EQ(shell.calls.size(), 1u);
    const NOTIFYICONDATAW& d = shell.calls[0].data;
    EXPECT_EQ(shell.calls[0].message, DWORD(NIM_MODIFY));
    EXPECT_EQ(d.uFlags, UINT(NIF_ICON | NIF_TIP | NIF_INFO));
    EXPECT_NE(d.hIcon, nullptr);
    EXPECT_EQ(FieldText(d.szTip, 128), L"Speakers: 32%");
    EXPECT_EQ(FieldText(d.szInfo, 256), L"Speakers: 32%");
    EXPECT_EQ(FieldText(d.szInfoTitle, 64), L"Title");
    EXPECT_EQ(d.uTimeout, 3000u);
    EXPECT_EQ(d.dwInfoFlags, DWORD(NIIF_INFO | NIIF_NOSOUND));
    EXPECT_EQ(log, (Log{L"Change"}));

    // Only a tip and a hidden balloon: one call with both, no OnChange.
    shell.calls.clear();
    log.clear();
    icon->BeginUpdate();
    icon->SetHint(L"Speakers: Mute");
    icon->HideBalloon();
    icon->EndUpdate();
    icon->EndUpdate(); // unbalanced: harmless
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].data.uFlags, UINT(NIF_TIP | NIF_INFO));
    EXPECT_EQ(shell.calls[0].data.szInfo[0], L'\0');
    EXPECT_TRUE(log.empty());

    // An update with nothing in it asks nothing of the shell.
    shell.calls.clear();
    {
        tray::UpdateScope empty(*icon);
    }
    EXPECT_TRUE(shell.calls.empty());
}

TEST_F(NotifyIconTest, AnUpdateOfAnIconTheShellLostAddsItAndThenShowsTheBalloon)
{
    Show();
    shell.present = false; // removed from outside
    {
        tray::UpdateScope update(*icon);
        icon->SetIcon(::LoadIconW(nullptr, IDI_ERROR));
        icon->SetHint(L"Speakers: 40%");
        icon->ShowBalloon(L"Speakers: 40%", L"", 0, false, 2000);
    }
    ASSERT_EQ(shell.calls.size(), 3u);
    EXPECT_EQ(shell.calls[0].message, DWORD(NIM_MODIFY)); // refused
    EXPECT_EQ(shell.calls[1].message, DWORD(NIM_ADD));
    EXPECT_EQ(FieldText(shell.calls[1].data.szTip, 128), L"Speakers: 40%");
    EXPECT_EQ(shell.calls[2].message, DWORD(NIM_MODIFY));
    EXPECT_EQ(shell.calls[2].data.uFlags, UINT(NIF_INFO));
    EXPECT_EQ(FieldText(shell.calls[2].data.szInfo, 256), L"Speakers: 40%");
    EXPECT_EQ(log, (Log{L"Show"}));

    // While hidden an update reaches the shell only through the delete.
    icon->SetVisible(false);
    shell.calls.clear();
    {
        tray::UpdateScope update(*icon);
        icon->SetIcon(nullptr);
        icon->SetHint(L"Speakers: 41%");
        icon->ShowBalloon(L"Speakers: 41%", L"", 0, false, 2000);
    }
    EXPECT_TRUE(shell.calls.empty());
}

// An image list of n distinct icons, destroyed with the object.
class IconList {
  public:
    explicit IconList(int n) : list(::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, n, 0))
    {
        const wchar_t* ids[] = {IDI_APPLICATION, IDI_WARNING, IDI_ERROR, IDI_INFORMATION};
        for (int i = 0; i < n; ++i)
            ::ImageList_ReplaceIcon(list, -1, ::LoadIconW(nullptr, ids[i % 4]));
    }
    ~IconList() { ::ImageList_Destroy(list); }
    IconList(const IconList&) = delete;
    IconList& operator=(const IconList&) = delete;
    HIMAGELIST get() const { return list; }

  private:
    HIMAGELIST list;
};

TEST_F(NotifyIconTest, ImagesClampTheIndexAndTheAnimationCyclesThem)
{
    IconList three(3), none(0);
    ASSERT_EQ(::ImageList_GetImageCount(three.get()), 3);

    icon->SetImageIndex(5); // no list yet: only stored
    EXPECT_EQ(icon->ImageIndex(), 5);
    EXPECT_TRUE(shell.calls.empty());

    icon->SetImages(three.get());
    EXPECT_EQ(icon->ImageIndex(), 2);
    EXPECT_NE(icon->Icon(), nullptr);

    Show();
    icon->SetImageIndex(7); // clamps to the current one: nothing happens
    EXPECT_TRUE(shell.calls.empty());
    icon->SetImageIndex(-3);
    EXPECT_EQ(icon->ImageIndex(), 0);
    EXPECT_EQ(log, (Log{L"Change"}));

    log.clear();
    icon->SetInterval(200);
    icon->SetAnimate(true);
    std::vector<int> seen;
    icon->OnChange = [&](fw::TObject*) { seen.push_back(icon->ImageIndex()); };
    clock.Advance(199);
    EXPECT_TRUE(seen.empty());
    clock.Advance(1 + 200 * 3);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 0, 1}));
    icon->SetAnimate(false);
    clock.Advance(2000);
    EXPECT_EQ(seen.size(), 4u);

    icon->SetImages(none.get());
    EXPECT_EQ(icon->ImageIndex(), -1);
    icon->SetImages(nullptr);
    EXPECT_EQ(icon->Icon(), nullptr);
    icon->SetAnimate(true);
    clock.Advance(1000); // no list: the ticks change nothing
    EXPECT_EQ(icon->ImageIndex(), -1);
}

TEST_F(NotifyIconTest, ActionBecomesTheClickAndIsForgottenWhenDestroyed)
{
    auto action = std::make_unique<fw::TAction>(nullptr, L"MuteAction");
    std::vector<fw::TObject*> senders;
    action->OnExecute = [&](fw::TObject* s) { senders.push_back(s); };
    icon->SetAction(action.get());
    EXPECT_EQ(icon->Action(), action.get());
    Callback(WM_MOUSEMOVE);
    Callback(WM_LBUTTONDOWN);
    Callback(WM_LBUTTONUP);
    EXPECT_EQ(senders, (std::vector<fw::TObject*>{icon.get()}));

    action.reset();
    EXPECT_EQ(icon->Action(), nullptr);
    Callback(WM_LBUTTONDOWN);
    Callback(WM_LBUTTONUP); // OnClick went with the action
    EXPECT_EQ(senders.size(), 1u);

    // The other order: the icon goes first, and the action must not call back into it.
    auto second = std::make_unique<fw::TAction>(nullptr, L"VolumeUpAction");
    icon->SetAction(second.get());
    icon.reset();
    second.reset();
}

TEST_F(NotifyIconTest, MinToTrayFollowsTheApplicationWindow)
{
    int sizes = 0;
    fw::MessageWindow app;
    ASSERT_TRUE(app.Create(L"LorvaneTestAppWindow", [&](UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        sizes += msg == WM_SIZE;
        return std::nullopt;
    }));
    ::ShowWindow(app.Handle(), SW_SHOWNOACTIVATE);
    icon->SetApplicationWindow(app.Handle());
    EXPECT_EQ(icon->ApplicationWindow(), app.Handle());

    ::SendMessageW(app.Handle(), WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_FALSE(icon->Visible()) << "MinToTray is off";

    icon->SetMinToTray(true); // the window is not minimised: the icon stays hidden
    EXPECT_FALSE(icon->Visible());
    sizes = 0;
    ::SendMessageW(app.Handle(), WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_TRUE(icon->Visible());
    EXPECT_FALSE(::IsWindowVisible(app.Handle()));
    ::SendMessageW(app.Handle(), WM_SIZE, SIZE_MAXIMIZED, 0);
    EXPECT_TRUE(icon->Visible());
    ::SendMessageW(app.Handle(), WM_SIZE, SIZE_RESTORED, 0);
    EXPECT_FALSE(icon->Visible());
    EXPECT_EQ(sizes, 3) << "the window's own procedure still sees every WM_SIZE";
    EXPECT_EQ(log, (Log{L"Show", L"Hide"}));

    // Turning MinToTray on applies the rule to a window that is already minimised.
    icon->SetMinToTray(false);
    ::ShowWindow(app.Handle(), SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(::IsIconic(app.Handle()));
    EXPECT_FALSE(icon->Visible());
    icon->SetMinToTray(true);
    EXPECT_TRUE(icon->Visible());
    EXPECT_FALSE(::IsWindowVisible(app.Handle()));

    // A destroyed window unhooks itself.
    app.Destroy();
    EXPECT_EQ(icon->ApplicationWindow(), nullptr);
}

TEST_F(NotifyIconTest, AnUnwatchedApplicationWindowReadsNullOnceDestroyed)
{
    fw::MessageWindow app;
    ASSERT_TRUE(app.Create(L"LorvaneTestAppWindow2",
                           [](UINT, WPARAM, LPARAM) -> std::optional<LRESULT> { return std::nullopt; }));
    icon->SetApplicationWindow(app.Handle()); // MinToTray off: not watched
    EXPECT_EQ(icon->ApplicationWindow(), app.Handle());
    icon->SetMinToTray(true); // watched from now on, and again off
    icon->SetMinToTray(false);
    ::ShowWindow(app.Handle(), SW_SHOWNOACTIVATE);
    ::SendMessageW(app.Handle(), WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_FALSE(icon->Visible()) << "no longer watched";
    app.Destroy();
    EXPECT_EQ(icon->ApplicationWindow(), nullptr);
}

// A top-level window of the given class and caption, optionally with a child of another
// class, all of them registered here with the default procedure.
class ShellLikeWindow {
  public:
    ShellLikeWindow(const wchar_t* cls, const wchar_t* caption, const wchar_t* childClass)
    {
        top.reset(Create(cls, caption, WS_POPUP, nullptr));
        if (childClass)
            child = Create(childClass, L"", WS_CHILD, top.get());
    }
    HWND get() const { return top.get(); }

  private:
    static HWND Create(const wchar_t* cls, const wchar_t* caption, DWORD style, HWND parent)
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = cls;
        ::RegisterClassW(&wc); // a second registration fails harmlessly
        return ::CreateWindowExW(0, cls, caption, style, 0, 0, 10, 10, parent, nullptr, wc.hInstance,
                                 nullptr);
    }
    fw::UniqueHwnd top;
    HWND child = nullptr; // destroyed with its parent
};

TEST_F(NotifyIconTest, DesktopWindowRules)
{
    ShellLikeWindow progman(L"Progman", L"Program Manager", L"SHELLDLL_DefView");
    ShellLikeWindow progmanNoView(L"Progman", L"Program Manager", nullptr);
    ShellLikeWindow progmanOtherTitle(L"Progman", L"Program manager", L"SHELLDLL_DefView");
    ShellLikeWindow worker(L"WorkerW", L"", L"SHELLDLL_DefView");
    ShellLikeWindow workerTitled(L"WorkerW", L"x", L"SHELLDLL_DefView");
    ShellLikeWindow workerNoView(L"WorkerW", L"", L"LorvaneOtherChild");
    ShellLikeWindow ordinary(L"LorvaneOrdinaryWindow", L"Program Manager", L"SHELLDLL_DefView");
    ASSERT_TRUE(progman.get() && worker.get() && ordinary.get());

    tray::NotifyIconSeams vista = shell.Seams();
    vista.version = {6, 0};
    tray::NotifyIconSeams xp = shell.Seams();
    xp.version = {5, 1};
    TNotifyIcon onVista(nullptr, L"NotifyIcon", vista), onXp(nullptr, L"NotifyIcon", xp);

    EXPECT_TRUE(onVista.IsDesktopWindow(progman.get(), nullptr));
    EXPECT_TRUE(onXp.IsDesktopWindow(progman.get(), nullptr));
    EXPECT_FALSE(onVista.IsDesktopWindow(progmanNoView.get(), nullptr));
    EXPECT_FALSE(onVista.IsDesktopWindow(progmanOtherTitle.get(), nullptr));
    EXPECT_TRUE(onVista.IsDesktopWindow(worker.get(), nullptr));
    EXPECT_FALSE(onXp.IsDesktopWindow(worker.get(), nullptr)) << "WorkerW desktops came with Vista";
    EXPECT_FALSE(onVista.IsDesktopWindow(workerTitled.get(), nullptr));
    EXPECT_FALSE(onVista.IsDesktopWindow(workerNoView.get(), nullptr));
    EXPECT_FALSE(onVista.IsDesktopWindow(ordinary.get(), ordinary.get()));
    EXPECT_FALSE(onVista.IsDesktopWindow(nullptr, nullptr));
    EXPECT_TRUE(onXp.IsDesktopWindow(ordinary.get(), ::GetDesktopWindow()));
}

} // namespace
