#include "BarLayout.h"

#include <algorithm>

namespace lorvane {

POINT PlaceBar(int x, int y, int width, int height, const RECT& area, TBarAlign align) noexcept
{
    const RECT r{x, y + 1, x + width, y + height + 2};
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    int left = r.left;
    if (align == TBarAlign::Right)
        left -= w;
    else if (align == TBarAlign::Center)
        left -= w / 2;
    int top = r.bottom <= area.bottom ? r.top : r.top - h;
    if (left + w > area.right)
        left = area.right - w;
    if (top + h > area.bottom)
        top = area.bottom - h;
    left = std::max(left, static_cast<int>(area.left));
    top = std::max(top, static_cast<int>(area.top));
    return {left, top};
}

TBarLayout LayoutBar(int W, int H, std::optional<SIZE> labelText, std::optional<SIZE> muteCaption,
                     int barWidth, const RECT& labelNow, const RECT& muteNow, int frameWidth) noexcept
{
    TBarLayout out;
    RECT label = labelNow;
    int tw = labelNow.right - labelNow.left;
    if (labelText) {
        tw = labelText->cx;
        const int left = W / 2 - tw / 2;
        label = {left, 4, left + 2 * tw, 4 + labelText->cy};
        out.Label = label;
    }
    RECT mute = muteNow;
    int w = muteNow.right - muteNow.left;
    if (muteCaption) {
        w = muteCaption->cx + 16;
        const int h = std::max<int>(muteCaption->cy, 16);
        const int left = W / 2 - w / 2;
        mute = {left, H - h - 4, left + 2 * w, H - 4};
        out.Mute = mute;
    }
    const int barTop = label.bottom + 4;
    const int barHeight =
        std::max(0, static_cast<int>(mute.top - label.top - (label.bottom - label.top) - 8));
    const int barLeft = W / 2 - barWidth / 2;
    out.Bar = {barLeft, barTop, barLeft + barWidth, barTop + barHeight};
    out.MinWidth = frameWidth + std::max(tw, w + 8);
    return out;
}

} // namespace lorvane
