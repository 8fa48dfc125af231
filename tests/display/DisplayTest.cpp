// The on-screen display: placement, sizes and the show rule as tables; its picture read back
// from the bitmap; its window on the desktop (never active, one window, gone after Duration).
#include "DisplayLayout.h"
#include "OnScreenDisplay.h"
#include "Window.h"

#include <gtest/gtest.h>

namespace {

using namespace display;
using lorvane::TDisplaySettings;

TEST(DisplayLayout, NineAnchorsOnTheWorkAreaWithTheMargin)
{
    const RECT work{100, 0, 1100, 760}; // a taskbar below, a monitor to the left
    const SIZE size{240, 56};
    const POINT expected[9] = {{124, 24},  {480, 24},  {836, 24},  {124, 352}, {480, 352},
                               {836, 352}, {124, 680}, {480, 680}, {836, 680}};
    for (int anchor = 0; anchor < 9; ++anchor) {
        POINT p = DisplayPosition(work, size, anchor, 24);
        EXPECT_EQ(p.x, expected[anchor].x) << anchor;
        EXPECT_EQ(p.y, expected[anchor].y) << anchor;
    }
    // A value outside the nine is clamped, never off the work area.
    EXPECT_EQ(DisplayPosition(work, size, 42, 24).x, expected[8].x);
}

TEST(DisplayLayout, SizesScaleWithTheResolutionAndThePartsStayInside)
{
    for (int size = 0; size < 3; ++size) {
        for (int dpi : {96, 120, 144, 192, 240}) {
            for (bool title : {false, true}) {
                SCOPED_TRACE(testing::Message() << size << " " << dpi << " " << title);
                const TDisplayMetrics m = DisplayMetrics(size, dpi, title);
                const TDisplayMetrics base = DisplayMetrics(size, 96, title);
                EXPECT_NEAR(m.Width, base.Width * dpi / 96.0, 1.0);
                EXPECT_NEAR(m.Height, base.Height * dpi / 96.0, 1.0);
                for (const RECT& r : {m.Glyph, m.Bar, m.Level}) {
                    EXPECT_GE(r.left, m.Radius / 2);
                    EXPECT_LE(r.right, m.Width - m.Radius / 2);
                    EXPECT_GT(r.right, r.left);
                    EXPECT_GE(r.top, 0);
                    EXPECT_LE(r.bottom, m.Height);
                }
                EXPECT_LE(m.Glyph.right, m.Bar.left);
                EXPECT_LE(m.Bar.right, m.Level.left);
                EXPECT_EQ(::IsRectEmpty(&m.Title), !title);
                if (title)
                    EXPECT_LE(m.Title.bottom, m.Glyph.top);
            }
        }
    }
    EXPECT_LT(DisplayMetrics(0, 96, false).Width, DisplayMetrics(1, 96, false).Width);
    EXPECT_LT(DisplayMetrics(1, 96, false).Width, DisplayMetrics(2, 96, false).Width);
}

TEST(DisplayLayout, BarFillAndTheShowRule)
{
    EXPECT_EQ(BarFill(116, 0), 0);
    EXPECT_EQ(BarFill(116, 50), 58);
    EXPECT_EQ(BarFill(116, 45), 52); // 52.2
    EXPECT_EQ(BarFill(10, 25), 3);   // 2.5 rounds up
    EXPECT_EQ(BarFill(116, 150), 116);
    EXPECT_EQ(BarFill(116, -3), 0);
    EXPECT_EQ(BarFill(0, 50), 0);

    EXPECT_TRUE(CoversMonitor({0, 0, 1280, 800}, {0, 0, 1280, 800}));
    EXPECT_TRUE(CoversMonitor({-8, -8, 1288, 808}, {0, 0, 1280, 800})); // a maximised frame
    EXPECT_FALSE(CoversMonitor({0, 0, 1280, 770}, {0, 0, 1280, 800}));  // the taskbar shows
    for (int state = 0; state <= 7; ++state)
        EXPECT_EQ(FullScreenNotificationState(state), state >= 2 && state <= 4) << state;

    struct Case {
        bool enabled, outside, fullScreenAllowed, own, fullScreenInFront, shown;
    } cases[] = {
        {false, true, true, true, false, false}, {true, false, false, true, false, true},
        {true, false, false, false, false, false}, {true, true, false, false, false, true},
        {true, true, false, true, true, false},    {true, true, true, true, true, true},
    };
    for (const Case& c : cases) {
        TDisplaySettings s;
        s.Enabled = c.enabled;
        s.OutsideChanges = c.outside;
        s.FullScreen = c.fullScreenAllowed;
        EXPECT_EQ(DisplayWanted(s, c.own, c.fullScreenInFront), c.shown)
            << c.enabled << c.outside << c.fullScreenAllowed << c.own << c.fullScreenInFront;
    }
}

// The colour channels of a premultiplied pixel.
uint32_t Rgb(uint32_t p)
{
    return p & 0xFFFFFF;
}

TEST(DisplayPainter, BarFilledToTheLevelOnARoundedTranslucentPanel)
{
    for (bool dark : {true, false}) {
        TDisplayPainter painter;
        TDisplayLook look;
        look.Dark = dark;
        const TDisplayColours& colours = DisplayColours(dark);
        const TDisplayMetrics m = DisplayMetrics(lorvane::dsMedium, 144, true);
        for (int percent : {0, 37, 100}) {
            TDisplayContent c;
            c.Percent = percent;
            c.LevelText = std::to_wstring(percent) + L"%";
            c.Title = L"Speakers (Test Audio)";
            ASSERT_TRUE(painter.Paint(m, look, c));
            const uint32_t* px = painter.Pixels();
            auto at = [&](LONG x, LONG y) { return px[static_cast<size_t>(y) * m.Width + x]; };
            const LONG row = (m.Bar.top + m.Bar.bottom) / 2;
            int filled = 0;
            for (LONG x = m.Bar.left; x < m.Bar.right; ++x) {
                EXPECT_EQ(at(x, row) >> 24, 0xFFu) << "the bar is opaque";
                filled += Rgb(at(x, row)) == Rgb(colours.Fill);
            }
            EXPECT_EQ(filled, BarFill(m.Bar.right - m.Bar.left, percent)) << percent;
            EXPECT_EQ(at(0, 0) >> 24, 0u) << "outside the rounded corner";
            const uint32_t inside = at(m.Width / 2, m.Height - 4);
            EXPECT_EQ(inside >> 24, colours.Back >> 24) << "the panel lets a little through";
            // Premultiplied: no channel above the alpha.
            for (int shift : {0, 8, 16})
                EXPECT_LE((inside >> shift) & 0xFF, inside >> 24);
            int titleInk = 0;
            for (LONG x = m.Title.left; x < m.Title.right; ++x)
                for (LONG y = m.Title.top; y < m.Title.bottom; ++y)
                    titleInk += at(x, y) != at(m.Title.left, m.Title.top);
            EXPECT_GT(titleInk, 20) << "the title is drawn";
        }
        // Muted: the bar keeps its length in the muted colour, and the speaker is struck.
        TDisplayContent plain, muted;
        plain.Percent = muted.Percent = 60;
        muted.Muted = true;
        ASSERT_TRUE(painter.Paint(m, look, plain));
        const std::vector<uint32_t> speaker(painter.Pixels(), painter.Pixels() + m.Width * m.Height);
        ASSERT_TRUE(painter.Paint(m, look, muted));
        const LONG row = (m.Bar.top + m.Bar.bottom) / 2;
        EXPECT_EQ(Rgb(painter.Pixels()[static_cast<size_t>(row) * m.Width + m.Bar.left]), Rgb(colours.MutedFill));
        int glyphChanges = 0;
        for (LONG y = m.Glyph.top; y < m.Glyph.bottom; ++y)
            for (LONG x = m.Glyph.left; x < m.Glyph.right; ++x)
                glyphChanges += speaker[static_cast<size_t>(y) * m.Width + x] !=
                                painter.Pixels()[static_cast<size_t>(y) * m.Width + x];
        EXPECT_GT(glyphChanges, 20);
    }
}

// A plain window of the test's own that it makes the foreground.
class FrontWindow : public fw::Window {
  public:
    bool Create(const RECT& r)
    {
        if (!CreateHidden(L"DisplayTestFront", L"front", WS_POPUP | WS_VISIBLE, 0))
            return false;
        ::SetWindowPos(Handle(), HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_SHOWWINDOW);
        ::SetForegroundWindow(Handle());
        return true;
    }
};

void PumpFor(DWORD ms)
{
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        fw::ProcessMessages();
        ::Sleep(10);
    }
}

TEST(OnScreenDisplay, ShowsWithoutActivationUpdatesOneWindowAndFadesAfterDuration)
{
    FrontWindow front;
    ASSERT_TRUE(front.Create({100, 100, 300, 200}));
    PumpFor(200);
    const HWND foreground = ::GetForegroundWindow();

    TOnScreenDisplay osd;
    osd.Settings.Enabled = true;
    osd.Settings.Duration = 400;
    osd.Settings.Anchor = lorvane::daTopLeft;
    EXPECT_EQ(osd.Handle(), nullptr) << "made at its first need";
    TDisplayContent c;
    c.Percent = 10;
    c.LevelText = L"10%";
    ASSERT_TRUE(osd.Show(c));
    const HWND window = osd.Handle();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(::IsWindowVisible(window));
    const LONG_PTR ex = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
    const LONG_PTR wanted = WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
    EXPECT_EQ(ex & wanted, wanted);
    for (int i = 1; i <= 10; ++i) {
        c.Percent = 10 + i;
        ASSERT_TRUE(osd.Show(c));
        PumpFor(30);
    }
    EXPECT_EQ(osd.Handle(), window) << "updated in place";
    EXPECT_EQ(osd.Paints(), 11);
    EXPECT_EQ(::GetForegroundWindow(), foreground);
    RECT r{};
    ::GetWindowRect(window, &r);
    const TDisplayMonitor monitor = MonitorAt({r.left, r.top});
    const TDisplayMetrics m = DisplayMetrics(lorvane::dsMedium, monitor.Dpi, false);
    EXPECT_EQ(r.left, monitor.Work.left + m.Margin);
    EXPECT_EQ(r.top, monitor.Work.top + m.Margin);
    EXPECT_EQ(r.right - r.left, m.Width);

    // Still there before the duration has passed since the last change, gone after it.
    PumpFor(250);
    EXPECT_TRUE(osd.Visible());
    const DWORD start = ::GetTickCount();
    while (osd.Visible() && ::GetTickCount() - start < 5000)
        PumpFor(20);
    EXPECT_FALSE(osd.Visible());
    EXPECT_FALSE(::IsWindowVisible(window));
}

TEST(OnScreenDisplay, AWindowCoveringItsMonitorInFrontIsFullScreen)
{
    TDisplaySystem system = TDisplaySystem::Real();
    HWND front = nullptr;
    system.Foreground = [&] { return front; };
    system.NotificationState = [] { return 5; }; // accepts notifications
    TOnScreenDisplay osd(system);
    EXPECT_FALSE(osd.FullScreenInFront()) << "no window in front";
    const TDisplayMonitor monitor = MonitorAt({0, 0});
    FrontWindow full, small;
    ASSERT_TRUE(full.Create(monitor.Area));
    ASSERT_TRUE(small.Create({10, 10, 200, 200}));
    front = full.Handle();
    EXPECT_TRUE(osd.FullScreenInFront());
    front = small.Handle();
    EXPECT_FALSE(osd.FullScreenInFront());
    front = ::GetDesktopWindow();
    EXPECT_FALSE(osd.FullScreenInFront()) << "the desktop is no program";
    system.NotificationState = [] { return 3; }; // a Direct3D game
    TOnScreenDisplay game(system);
    EXPECT_TRUE(game.FullScreenInFront());
}

} // namespace
