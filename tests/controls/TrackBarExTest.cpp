#include "TrackBarEx.h"

#include "ControlTestWindow.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

using namespace support;

namespace {

TEST(TrackBarRules, CursorPositionRoundsHalvesToEvenAndClamps)
{
    // Channel 10..120 with a thumb of 10: positions run from 15 to 115.
    EXPECT_EQ(trackbar::CursorPosition(65, 10, 120, 10, 0, 100), 50);
    EXPECT_EQ(trackbar::CursorPosition(15, 10, 120, 10, 0, 100), 0);
    EXPECT_EQ(trackbar::CursorPosition(0, 10, 120, 10, 0, 100), 0);
    EXPECT_EQ(trackbar::CursorPosition(500, 10, 120, 10, 0, 100), 100);
    // 0..10 over 0..5: c = 1 is 0.5 and c = 3 is 1.5, both go to the even neighbour.
    EXPECT_EQ(trackbar::CursorPosition(1, 0, 10, 0, 0, 5), 0);
    EXPECT_EQ(trackbar::CursorPosition(3, 0, 10, 0, 0, 5), 2);
    EXPECT_EQ(trackbar::CursorPosition(5, 0, 10, 0, 10, 20), 15); // Min is added
    EXPECT_EQ(trackbar::CursorPosition(5, 0, 10, 20, 0, 100), 0); // no room for the thumb
}

struct ScrollLog {
    std::vector<int> codes;
    std::vector<int> positions;
    void Attach(TTrackBarEx& bar)
    {
        bar.OnScroll = [this](fw::TObject*, int code, int pos) {
            codes.push_back(code);
            positions.push_back(pos);
        };
    }
};

class TrackBarExTest : public testing::Test {
  protected:
    testsupport::TestHost host{400, 300, true};
    TTrackBarEx bar{nullptr, L"Bar"};
    ScrollLog log;

    RECT Channel() const
    {
        RECT r{};
        ::SendMessageW(bar.Handle(), TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    RECT Thumb() const
    {
        RECT r{};
        ::SendMessageW(bar.Handle(), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    void Press(int x, int y) { ::SendMessageW(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
    void Release(int x, int y) { ::SendMessageW(bar.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }
};

TEST_F(TrackBarExTest, ClickInTheMiddleOfTheChannelJumpsThereInCursorMode)
{
    ASSERT_TRUE(bar.Create(host.Handle(), RECT{10, 10, 310, 50}));
    bar.SetRange(0, 100);
    bar.TrackMode = TTrackMode::tmCursor;
    log.Attach(bar);
    RECT c = Channel(), t = Thumb();
    int middle = (c.left + c.right) / 2;
    Press(middle, (t.top + t.bottom) / 2);
    EXPECT_EQ(bar.Position(), 50);
    EXPECT_EQ(log.codes, (std::vector<int>{tsPress, tsTrack}));
    Release(middle, (t.top + t.bottom) / 2);
    EXPECT_EQ(log.codes.back(), tsRelease);
    EXPECT_EQ(log.positions.back(), 50);
}

TEST_F(TrackBarExTest, VerticalBarTakesTheCursorAlongItsHeight)
{
    ASSERT_TRUE(bar.Create(host.Handle(), RECT{10, 10, 45, 260}, 0, TBS_VERT | TBS_BOTH | TBS_NOTICKS));
    bar.SetRange(0, 65535);
    bar.SetThumbLength(21);
    bar.TrackMode = TTrackMode::tmCursor;
    log.Attach(bar);
    RECT t = Thumb();
    RECT c = Channel();
    int bottom = std::max(c.right, c.bottom); // the far end, turned or not
    Press((t.left + t.right) / 2, bottom - 1);
    EXPECT_GT(bar.Position(), 60000);
    ASSERT_FALSE(log.codes.empty());
    EXPECT_EQ(log.codes.front(), tsPress);
    // A press beside the thumb's column is not on the track: no codes.
    log.codes.clear();
    Release((t.left + t.right) / 2, bottom - 1);
    log.codes.clear();
    Press(t.right + 2, 100);
    Release(t.right + 2, 100);
    EXPECT_TRUE(log.codes.empty());
}

TEST_F(TrackBarExTest, KeysAndWheelReportCodesOnlyWhenThePositionMoved)
{
    ASSERT_TRUE(bar.Create(host.Handle(), RECT{10, 10, 310, 50}));
    bar.SetRange(0, 100);
    bar.SetLineSize(5);
    bar.SetPageSize(20);
    log.Attach(bar);
    int changes = 0;
    bar.OnChange = [&](fw::TObject*) { ++changes; };

    ::SendMessageW(bar.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-360)), 0);
    EXPECT_EQ(bar.Position(), 5); // one line per message, whatever the delta
    ::SendMessageW(bar.Handle(), WM_KEYDOWN, VK_NEXT, 0);
    ::SendMessageW(bar.Handle(), WM_KEYDOWN, VK_END, 0);
    ::SendMessageW(bar.Handle(), WM_KEYDOWN, VK_END, 0); // already there: no code
    ::SendMessageW(bar.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    ::SendMessageW(bar.Handle(), WM_KEYDOWN, VK_HOME, 0);
    ::SendMessageW(bar.Handle(), WM_KEYDOWN, VK_UP, 0); // at the start: no code
    EXPECT_EQ(log.codes, (std::vector<int>{tsLineDown, tsPageDown, tsEnd, tsLineUp, tsHome}));
    EXPECT_EQ(log.positions, (std::vector<int>{5, 25, 100, 95, 0}));
    bar.SetPosition(40);
    bar.SetPosition(40);
    EXPECT_EQ(changes, 6);
}

TEST_F(TrackBarExTest, DragReportsMovesWithTheLeftButtonOnlyAndALostPressStillEnds)
{
    ASSERT_TRUE(bar.Create(host.Handle(), RECT{10, 10, 310, 50}));
    bar.SetRange(0, 100);
    bar.TrackMode = TTrackMode::tmCursor;
    log.Attach(bar);
    RECT c = Channel(), t = Thumb();
    int y = (t.top + t.bottom) / 2;
    Press(c.left + 20, y);
    ::SendMessageW(bar.Handle(), WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, MAKELPARAM(c.left + 60, y));
    ::SendMessageW(bar.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(c.left + 120, y));
    EXPECT_EQ(log.codes.back(), tsTrack);
    size_t before = log.codes.size();
    // The press loses the mouse without a release (the window hid): it still gets its end.
    ::ReleaseCapture();
    ::SendMessageW(bar.Handle(), WM_CAPTURECHANGED, 0, 0);
    ASSERT_EQ(log.codes.size(), before + 1);
    EXPECT_EQ(log.codes.back(), tsRelease);
    Release(c.left + 120, y);
    EXPECT_EQ(log.codes.size(), before + 1); // and only once
}

} // namespace
