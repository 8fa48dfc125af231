// The component in Wine's shell desktop: the real notification area, real callback messages
// from real pointer input (SendInput), and the screen's pixels to see the icon.
#include "DesktopTestLock.h"
#include "NotifyIcon.h"
#include "TrayMessages.h"
#include "TrayTestSupport.h"

#include "Timer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>

namespace {

using Log = std::vector<std::wstring>;
using traytest::PumpFor;
using traytest::PumpUntil;

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);

// A solid, opaque small icon of one colour: easy to find on the screen.
fw::UniqueHicon SolidIcon(COLORREF colour)
{
    const int size = ::GetSystemMetrics(SM_CXSMICON);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    fw::UniqueHbitmap colourBitmap(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    auto* px = static_cast<uint32_t*>(bits);
    for (int i = 0; i < size * size; ++i)
        px[i] = 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    std::vector<uint8_t> zeros(static_cast<size_t>(size) * size / 8 + 16, 0);
    fw::UniqueHbitmap mask(::CreateBitmap(size, size, 1, 1, zeros.data()));
    ICONINFO info{TRUE, 0, 0, mask.get(), colourBitmap.get()};
    return fw::UniqueHicon(::CreateIconIndirect(&info));
}

// The centre of the pixels of `colour` inside `area` of the screen, when there are some.
std::optional<POINT> FindOnScreen(const RECT& area, COLORREF colour)
{
    const int w = area.right - area.left, h = area.bottom - area.top;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    fw::UniqueHbitmap bmp(::CreateCompatibleBitmap(screen, w, h));
    HGDIOBJ old = ::SelectObject(mem, bmp.get());
    ::BitBlt(mem, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
    ::SelectObject(mem, old);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> px(static_cast<size_t>(w) * h);
    ::GetDIBits(mem, bmp.get(), 0, h, px.data(), &bi, DIB_RGB_COLORS);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);

    long sx = 0, sy = 0, n = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint32_t p = px[static_cast<size_t>(y) * w + x];
            if ((((p >> 16) & 0xFF) == GetRValue(colour)) && (((p >> 8) & 0xFF) == GetGValue(colour)) &&
                ((p & 0xFF) == GetBValue(colour))) {
                sx += x;
                sy += y;
                ++n;
            }
        }
    }
    if (n < 16) // more than a stray pixel
        return std::nullopt;
    return POINT{area.left + sx / n, area.top + sy / n};
}

void SendMouse(DWORD flags, int x = 0, int y = 0)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        in.mi.dx = ::MulDiv(x, 65536, ::GetSystemMetrics(SM_CXSCREEN)) + 1;
        in.mi.dy = ::MulDiv(y, 65536, ::GetSystemMetrics(SM_CYSCREEN)) + 1;
    }
    ::SendInput(1, &in, sizeof(in));
}

void MoveTo(POINT p)
{
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, p.x, p.y);
}

bool Contains(const Log& log, const wchar_t* word)
{
    return std::find(log.begin(), log.end(), word) != log.end();
}

// Whether the shell holds an icon of this window and id: it refuses to modify absent ones.
bool ShellHasIcon(HWND window)
{
    NOTIFYICONDATAW d{};
    d.cbSize = NOTIFYICONDATAW_V2_SIZE;
    d.hWnd = window;
    d.uID = kNotifyIconId;
    d.uFlags = NIF_TIP;
    return ::Shell_NotifyIconW(NIM_MODIFY, &d) != FALSE;
}

// Backs up the menu's own closing: a menu left open would hold the test in its loop.
void CALLBACK CloseMenu(HWND, UINT, UINT_PTR, DWORD)
{
    ::EndMenu();
}

class RealShell : public testing::Test {
  protected:
    // Test runs of other build sessions share this Wine desktop and its one pointer; the
    // named mutex keeps their icon and pointer tests from interleaving with these.
    static void SetUpTestSuite()
    {
        desktopLock = std::make_unique<testsupport::DesktopTestLock>();
    }
    static void TearDownTestSuite()
    {
        desktopLock.reset();
    }
    static inline std::unique_ptr<testsupport::DesktopTestLock> desktopLock;

    void SetUp() override
    {
        taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
        ASSERT_NE(taskbar, nullptr) << "the tests run in Wine's shell desktop";
        ::GetWindowRect(taskbar, &taskbarRect);
        icon = std::make_unique<TNotifyIcon>(nullptr);
        traytest::RecordEvents(*icon, log);
    }
    void TearDown() override { icon.reset(); }

    // Shows the icon in `colour` and waits until the taskbar has painted it.
    std::optional<POINT> ShowInColour(COLORREF colour)
    {
        fw::UniqueHicon picture = SolidIcon(colour);
        icon->SetIcon(picture.get());
        icon->SetVisible(true);
        std::optional<POINT> at;
        PumpUntil([&] { return (at = FindOnScreen(taskbarRect, colour)).has_value(); });
        return at;
    }

    HWND taskbar = nullptr;
    RECT taskbarRect{};
    Log log;
    std::unique_ptr<TNotifyIcon> icon;
};

TEST_F(RealShell, AddModifyDeleteAndTheTaskbarCreatedBroadcast)
{
    std::optional<POINT> at = ShowInColour(kMagenta);
    ASSERT_TRUE(at) << "no magenta icon on the taskbar";
    EXPECT_EQ(log, (Log{L"Show"}));
    EXPECT_TRUE(ShellHasIcon(icon->Handle()));
    RecordProperty("IconX", std::to_string(at->x));
    RecordProperty("IconY", std::to_string(at->y));

    // A new picture replaces the shown one in place.
    std::optional<POINT> green = ShowInColour(kGreen);
    ASSERT_TRUE(green);
    EXPECT_EQ(log, (Log{L"Show", L"Change"}));
    EXPECT_FALSE(FindOnScreen(taskbarRect, kMagenta));

    // The shell loses the icon; its broadcast after a restart brings it back.
    NOTIFYICONDATAW d{};
    d.cbSize = NOTIFYICONDATAW_V2_SIZE;
    d.hWnd = icon->Handle();
    d.uID = kNotifyIconId;
    ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &d));
    ASSERT_TRUE(PumpUntil([&] { return !FindOnScreen(taskbarRect, kGreen); }));
    ::PostMessageW(HWND_BROADCAST, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return Contains(log, L"TaskbarCreate"); }));
    EXPECT_EQ(log, (Log{L"Show", L"Change", L"Show", L"TaskbarCreate"}));
    EXPECT_TRUE(ShellHasIcon(icon->Handle()));
    EXPECT_TRUE(PumpUntil([&] { return FindOnScreen(taskbarRect, kGreen).has_value(); }));

    icon->SetVisible(false);
    EXPECT_EQ(log.back(), L"Hide");
    EXPECT_FALSE(ShellHasIcon(icon->Handle()));
    EXPECT_TRUE(PumpUntil([&] { return !FindOnScreen(taskbarRect, kGreen); }));
}

TEST_F(RealShell, TaskbarAndDesktopWindowTests)
{
    EXPECT_TRUE(icon->IsTaskbarWindow(taskbar));
    POINT onBar{(taskbarRect.left + taskbarRect.right) / 2, (taskbarRect.top + taskbarRect.bottom) / 2};
    EXPECT_TRUE(icon->IsTaskbarWindow(::GetAncestor(::WindowFromPoint(onBar), GA_ROOT)));
    EXPECT_FALSE(icon->IsTaskbarWindow(::GetDesktopWindow()));
    EXPECT_FALSE(icon->IsTaskbarWindow(icon->Handle()));
    EXPECT_FALSE(icon->IsTaskbarWindow(nullptr));

    EXPECT_TRUE(icon->IsDesktopWindow(nullptr, ::GetDesktopWindow()));
    EXPECT_FALSE(icon->IsDesktopWindow(taskbar, ::WindowFromPoint(onBar)));

    // An ordinary window over the desktop is not the desktop; the bare desktop beside it is.
    fw::MessageWindow ordinary;
    ASSERT_TRUE(ordinary.Create(L"LorvaneOrdinaryWindow", nullptr, L"Ordinary"));
    ::SetWindowPos(ordinary.Handle(), HWND_TOPMOST, 100, 100, 200, 150, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    HWND under = ::WindowFromPoint(POINT{150, 150});
    EXPECT_EQ(under, ordinary.Handle());
    EXPECT_FALSE(icon->IsDesktopWindow(::GetAncestor(under, GA_ROOT), under));
    // Where a late move callback may find the pointer: the taskbar may hold the icon, another
    // program's window (this one, to the shell) may not.
    EXPECT_TRUE(tray::SystemPointOnShell(onBar));
    EXPECT_TRUE(tray::SystemPointOnShell(POINT{taskbarRect.right - 2, onBar.y}));
    EXPECT_FALSE(tray::SystemPointOnShell(POINT{150, 150}));
    HWND bare = ::WindowFromPoint(POINT{5, 5});
    if (bare == ::GetDesktopWindow()) {
        EXPECT_TRUE(icon->IsDesktopWindow(::GetAncestor(bare, GA_ROOT), bare));
    }
}

// Tooltip windows owned by the taskbar stand in for the shell's own; a subclass counts what
// the component sends them.
class CountingTip {
  public:
    CountingTip(HWND owner, DWORD style)
        : tip(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, 0, 0, 0, 0, owner,
                                nullptr, ::GetModuleHandleW(nullptr), nullptr))
    {
        ::SetWindowSubclass(tip.get(), Proc, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    ~CountingTip() { ::RemoveWindowSubclass(tip.get(), Proc, 1); }
    HWND get() const { return tip.get(); }
    int updates = 0, activates = 0;

  private:
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR ref)
    {
        auto* self = reinterpret_cast<CountingTip*>(ref);
        self->updates += m == TTM_UPDATE;
        self->activates += m == TTM_ACTIVATE && w == 1;
        return ::DefSubclassProc(h, m, w, l);
    }
    fw::UniqueHwnd tip;
};

TEST_F(RealShell, ShellTooltipsGetUpdateAndActivateOnlyWhileInside)
{
    fw::ManualTimerBackend clock; // no leave poll: the real pointer may be anywhere
    TNotifyIcon inside(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    CountingTip hover(taskbar, TTS_ALWAYSTIP), balloon(taskbar, TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_BALLOON);
    CountingTip foreign(inside.Handle(), TTS_ALWAYSTIP);
    ASSERT_EQ(::GetParent(hover.get()), taskbar);

    inside.RefreshTip();
    inside.ActivateTip();
    EXPECT_EQ(hover.updates + hover.activates, 0) << "the mouse is not inside";

    // A move callback counts only while the pointer is over the shell, as a real one would be.
    MoveTo(POINT{(taskbarRect.left + taskbarRect.right) / 2, (taskbarRect.top + taskbarRect.bottom) / 2});
    ASSERT_TRUE(PumpUntil([] {
        POINT p{};
        return ::GetCursorPos(&p) && tray::SystemPointOnShell(p);
    }));
    ::SendMessageW(inside.Handle(), WM_NOTIFYICON_CALLBACK, kNotifyIconId, WM_MOUSEMOVE);
    ASSERT_TRUE(inside.MouseInside());
    inside.RefreshTip();
    EXPECT_EQ(hover.updates, 1);
    EXPECT_EQ(balloon.updates, 0) << "balloons are left alone";
    EXPECT_EQ(foreign.updates, 0) << "only the taskbar's tooltips";
    inside.ActivateTip();
    EXPECT_LE(hover.activates, 1) << "at most the first one";
    EXPECT_EQ(balloon.activates + foreign.activates, 0);
    RecordProperty("HoverTipActivated", hover.activates);
}

TEST_F(RealShell, RealPointerEntersClicksDoubleClicksOpensTheMenuAndLeaves)
{
    std::optional<POINT> at = ShowInColour(kMagenta);
    ASSERT_TRUE(at);
    const POINT away{640, 300};
    MoveTo(away);
    PumpFor(200);
    log.clear();
    MoveTo(*at);
    ASSERT_TRUE(PumpUntil([&] { return icon->MouseInside(); })) << "no move message from the shell";
    EXPECT_EQ(log, (Log{L"Enter"}));

    PumpFor(400); // resting on the icon: no leave
    EXPECT_EQ(log, (Log{L"Enter"}));

    log.clear();
    for (DWORD f : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP})
        SendMouse(f);
    ASSERT_TRUE(PumpUntil([&] { return log.size() >= 6; }));
    EXPECT_EQ(log, (Log{L"DownL", L"Click", L"UpL", L"DblClick", L"DownL2", L"UpL"}));

    // The right button opens the menu at the cursor for the application window, which
    // closes it again as soon as it is open.
    bool menuOpened = false;
    fw::UniqueHmenu menu(::CreatePopupMenu());
    ::AppendMenuW(menu.get(), MF_STRING, 100, L"&Mute");
    fw::MessageWindow app;
    ASSERT_TRUE(
        app.Create(L"LorvaneTestAppWindow", [&](UINT msg, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
            if (msg == WM_INITMENUPOPUP && reinterpret_cast<HMENU>(wp) == menu.get()) {
                menuOpened = true;
                ::PostMessageW(app.Handle(), WM_CANCELMODE, 0, 0);
            }
            return std::nullopt;
        }));
    icon->SetApplicationWindow(app.Handle());
    icon->SetPopupMenu(menu.get());
    UINT_PTR closer = ::SetTimer(nullptr, 0, 500, CloseMenu);
    log.clear();
    SendMouse(MOUSEEVENTF_RIGHTDOWN);
    SendMouse(MOUSEEVENTF_RIGHTUP);
    EXPECT_TRUE(PumpUntil([&] { return menuOpened && Contains(log, L"UpR"); }));
    ::KillTimer(nullptr, closer);
    EXPECT_EQ(log, (Log{L"DownR", L"UpR"}));
    icon->SetPopupMenu(nullptr);

    log.clear();
    PumpUntil([&] { return icon->MouseInside(); }, 1000);
    ULONGLONG start = ::GetTickCount64();
    MoveTo(away);
    ASSERT_TRUE(PumpUntil([&] { return Contains(log, L"Leave"); }));
    ULONGLONG took = ::GetTickCount64() - start;
    RecordProperty("LeaveMs", static_cast<int>(took));
    EXPECT_LT(took, 2000u) << "the poll runs every 50 ms";
}

// Not a check: keeps the program's own icon, a tooltip and a balloon on the screen for
// LORVANE_TRAY_SHOWCASE_MS, for a screenshot of the notification area.
TEST_F(RealShell, Showcase)
{
    wchar_t ms[16] = {};
    if (!::GetEnvironmentVariableW(L"LORVANE_TRAY_SHOWCASE_MS", ms, 16))
        GTEST_SKIP() << "set LORVANE_TRAY_SHOWCASE_MS to hold the icon for a screenshot";
    icon->SetHint(L"Speakers: 30%");
    icon->SetVisible(true);
    icon->ShowBalloon(L"Speakers: 30%", L"Volume has been changed", 1, false, 10000);
    PumpFor(static_cast<DWORD>(_wtoi(ms)));
}

} // namespace
