#include "DisplayLayout.h"

#include <algorithm>

namespace display {

namespace {

// Design values at 96 DPI for the medium size.
constexpr int kWidth = 240, kHeight = 56, kTitledHeight = 80, kRadius = 10, kPadding = 16;
constexpr int kGlyph = 24, kGap = 12, kLevelWidth = 52, kBarHeight = 6, kRowFromBottom = 28;
constexpr int kTitleTop = 12, kTitleHeight = 20, kTitleFont = 14, kLevelFont = 17, kMargin = 24;

// Small, medium and large as fractions of the medium size.
constexpr int kSizeNum[] = {4, 5, 7};
constexpr int kSizeDen = 5;

RECT Box(int left, int top, int width, int height)
{
    return {left, top, left + width, top + height};
}

} // namespace

TDisplayMetrics DisplayMetrics(int size, int dpi, bool withTitle)
{
    size = std::clamp(size, 0, 2);
    dpi = dpi > 0 ? dpi : 96;
    auto px = [&](int design) { return ::MulDiv(design, kSizeNum[size] * dpi, kSizeDen * 96); };
    TDisplayMetrics m;
    m.Width = px(kWidth);
    m.Height = px(withTitle ? kTitledHeight : kHeight);
    m.Radius = px(kRadius);
    m.Margin = ::MulDiv(kMargin, dpi, 96); // the same distance whatever the size
    m.TitleFont = px(kTitleFont);
    m.LevelFont = px(kLevelFont);
    const int pad = px(kPadding), row = m.Height - px(kRowFromBottom);
    const int glyph = px(kGlyph), levelWidth = px(kLevelWidth), bar = std::max(2, px(kBarHeight));
    m.Glyph = Box(pad, row - glyph / 2, glyph, glyph);
    if (withTitle)
        m.Title = Box(pad, px(kTitleTop), m.Width - 2 * pad, px(kTitleHeight));
    const int barLeft = m.Glyph.right + px(kGap);
    m.Level = Box(m.Width - pad - levelWidth, row - glyph / 2, levelWidth, glyph);
    m.Bar = Box(barLeft, row - bar / 2, m.Level.left - px(kGap) / 2 - barLeft, bar);
    return m;
}

POINT DisplayPosition(const RECT& work, SIZE size, int anchor, int margin)
{
    anchor = std::clamp(anchor, 0, 8);
    const int column = anchor % 3, row = anchor / 3;
    auto place = [&](long lo, long hi, long extent, int where) -> long {
        if (where == 0)
            return lo + margin;
        if (where == 2)
            return hi - margin - extent;
        return lo + (hi - lo - extent) / 2;
    };
    return {place(work.left, work.right, size.cx, column), place(work.top, work.bottom, size.cy, row)};
}

int BarFill(int width, int percent)
{
    percent = std::clamp(percent, 0, 100);
    return width <= 0 ? 0 : (width * percent + 50) / 100;
}

bool CoversMonitor(const RECT& window, const RECT& monitor)
{
    return window.left <= monitor.left && window.top <= monitor.top && window.right >= monitor.right &&
           window.bottom >= monitor.bottom;
}

bool FullScreenNotificationState(int state)
{
    // QUNS_BUSY, QUNS_RUNNING_D3D_FULL_SCREEN, QUNS_PRESENTATION_MODE.
    return state == 2 || state == 3 || state == 4;
}

bool DisplayWanted(const lorvane::TDisplaySettings& s, bool ownChange, bool fullScreenInFront)
{
    return s.Enabled && (ownChange || s.OutsideChanges) && (!fullScreenInFront || s.FullScreen);
}

const TDisplayColours& DisplayColours(bool dark)
{
    // The panel lets a little of what is behind it through; the rest is opaque.
    static const TDisplayColours kDark{0xF01E1E1Eu, 0xFF454545u, 0xFFFFFFFFu,
                                       0xFF5A5A5Au, 0xFF4CC2FFu, 0xFF8A8A8Au};
    static const TDisplayColours kLight{0xF5EBEBEBu, 0xFFC8C8C8u, 0xFF1A1A1Au,
                                        0xFFC4C4C4u, 0xFF005FB8u, 0xFF8A8A8Au};
    return dark ? kDark : kLight;
}

} // namespace display
