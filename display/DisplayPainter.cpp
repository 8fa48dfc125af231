#include "DisplayPainter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace display {

namespace {

uint32_t Alpha(uint32_t c) { return c >> 24; }

// A straight colour at `coverage` (0..1) as a premultiplied pixel.
uint32_t Premultiply(uint32_t c, float coverage)
{
    const float a = static_cast<float>(Alpha(c)) / 255.0f * std::clamp(coverage, 0.0f, 1.0f);
    auto ch = [&](int shift) { return static_cast<uint32_t>(((c >> shift) & 0xFF) * a + 0.5f) << shift; };
    return (static_cast<uint32_t>(a * 255.0f + 0.5f) << 24) | ch(16) | ch(8) | ch(0);
}

// Premultiplied `src` over premultiplied `dst`.
uint32_t Over(uint32_t src, uint32_t dst)
{
    const uint32_t keep = 255 - Alpha(src);
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
        out |= std::min<uint32_t>(255, s + (d * keep + 127) / 255) << shift;
    }
    return out;
}

// The speaker in a unit square: a box, a cone widening to the right, and two sound waves;
// muted, a stroke from bottom left to top right crosses it with a gap on each side.
bool InSpeaker(float x, float y, bool muted)
{
    const float dy = std::fabs(y - 0.5f);
    bool in = (x >= 0.08f && x <= 0.32f && dy <= 0.14f) || (x >= 0.30f && x <= 0.56f && dy <= 0.14f + (x - 0.30f) * 1.25f);
    if (!muted) {
        const float rx = x - 0.50f, ry = y - 0.5f, r = std::sqrt(rx * rx + ry * ry);
        const bool ahead = rx > 0.10f && std::fabs(ry) < rx * 1.3f;
        in = in || (ahead && ((r > 0.18f && r < 0.26f) || (r > 0.34f && r < 0.42f)));
        return in;
    }
    // Distance to the stroke from (0.1, 0.9) to (0.9, 0.1).
    const float d = std::fabs(x + y - 1.0f) / 1.41421356f;
    const bool onStroke = d < 0.055f && x > 0.08f && x < 0.92f;
    const bool gap = d < 0.12f;
    return onStroke || (in && !gap);
}

} // namespace

bool TDisplayPainter::Prepare(const TDisplayMetrics& m, const TDisplayLook& look)
{
    if (!dc || width != m.Width || height != m.Height) {
        dc.reset();
        maskDc.reset();
        bitmap.reset();
        maskBitmap.reset();
        pixels = mask = nullptr;
        backgroundRadius = -1;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = m.Width;
        bi.bmiHeader.biHeight = -m.Height; // top-down
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        void* maskBits = nullptr;
        bitmap.reset(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        maskBitmap.reset(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &maskBits, nullptr, 0));
        dc.reset(::CreateCompatibleDC(nullptr));
        maskDc.reset(::CreateCompatibleDC(nullptr));
        if (!bitmap || !maskBitmap || !dc || !maskDc)
            return false;
        ::SelectObject(dc.get(), bitmap.get());
        ::SelectObject(maskDc.get(), maskBitmap.get());
        ::SetBkMode(maskDc.get(), TRANSPARENT);
        ::SetTextColor(maskDc.get(), RGB(255, 255, 255));
        pixels = static_cast<uint32_t*>(bits);
        mask = static_cast<uint32_t*>(maskBits);
        width = m.Width;
        height = m.Height;
    }
    if (!titleFont || !levelFont || !(fontLook == look) || titlePx != m.TitleFont || levelPx != m.LevelFont) {
        LOGFONTW lf{};
        if (look.FontName.empty()) {
            NONCLIENTMETRICSW ncm{};
            ncm.cbSize = sizeof(ncm);
            if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0))
                lf = ncm.lfMessageFont;
        } else {
            lstrcpynW(lf.lfFaceName, look.FontName.c_str(), LF_FACESIZE);
            lf.lfCharSet = static_cast<BYTE>(look.Charset);
        }
        // Grey-scale smoothing: sub-pixel colours would not survive as coverage.
        lf.lfQuality = ANTIALIASED_QUALITY;
        lf.lfHeight = -m.TitleFont;
        lf.lfWeight = FW_NORMAL;
        titleFont.reset(::CreateFontIndirectW(&lf));
        lf.lfHeight = -m.LevelFont;
        lf.lfWeight = FW_SEMIBOLD;
        levelFont.reset(::CreateFontIndirectW(&lf));
        fontLook = look;
        titlePx = m.TitleFont;
        levelPx = m.LevelFont;
    }
    return true;
}

void TDisplayPainter::PaintBackground(const TDisplayMetrics& m, const TDisplayColours& colours)
{
    background.assign(static_cast<size_t>(width) * height, 0);
    const float r = static_cast<float>(m.Radius);
    const float hw = width / 2.0f, hh = height / 2.0f;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Signed distance to the rounded outline, negative inside.
            const float qx = std::max(std::fabs(x + 0.5f - hw) - (hw - r), 0.0f);
            const float qy = std::max(std::fabs(y + 0.5f - hh) - (hh - r), 0.0f);
            const float d = std::sqrt(qx * qx + qy * qy) - r;
            const float outer = std::clamp(0.5f - d, 0.0f, 1.0f);
            const float inner = std::clamp(-0.5f - d, 0.0f, 1.0f);
            background[static_cast<size_t>(y) * width + x] =
                Over(Premultiply(colours.Back, inner), Premultiply(colours.Border, outer - inner));
        }
    }
}

void TDisplayPainter::FillBox(RECT box, uint32_t colour)
{
    box.left = std::max<LONG>(box.left, 0);
    box.top = std::max<LONG>(box.top, 0);
    box.right = std::min<LONG>(box.right, width);
    box.bottom = std::min<LONG>(box.bottom, height);
    const uint32_t p = Premultiply(colour, 1.0f);
    for (LONG y = box.top; y < box.bottom; ++y) {
        uint32_t* row = pixels + static_cast<size_t>(y) * width;
        for (LONG x = box.left; x < box.right; ++x)
            row[x] = Over(p, row[x]);
    }
}

void TDisplayPainter::PaintSpeaker(const RECT& box, bool muted, uint32_t colour)
{
    constexpr int kSamples = 4; // per axis and pixel
    const float w = static_cast<float>(box.right - box.left), h = static_cast<float>(box.bottom - box.top);
    for (LONG y = std::max<LONG>(box.top, 0); y < std::min<LONG>(box.bottom, height); ++y) {
        for (LONG x = std::max<LONG>(box.left, 0); x < std::min<LONG>(box.right, width); ++x) {
            int hits = 0;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx)
                    hits += InSpeaker((x - box.left + (sx + 0.5f) / kSamples) / w,
                                      (y - box.top + (sy + 0.5f) / kSamples) / h, muted);
            if (hits) {
                uint32_t& p = pixels[static_cast<size_t>(y) * width + x];
                p = Over(Premultiply(colour, hits / float(kSamples * kSamples)), p);
            }
        }
    }
}

void TDisplayPainter::PaintIcon(const RECT& box, HICON icon)
{
    // Drawn once on black and once on white: the difference is the icon's own alpha,
    // whatever kind of icon it is (mask, 32-bit with alpha).
    const int w = box.right - box.left, h = box.bottom - box.top;
    if (w <= 0 || h <= 0)
        return;
    RECT area{0, 0, w, h};
    ::FillRect(maskDc.get(), &area, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ::DrawIconEx(maskDc.get(), 0, 0, icon, w, h, 0, nullptr, DI_NORMAL);
    ::GdiFlush();
    std::vector<uint32_t> onBlack(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        std::memcpy(&onBlack[static_cast<size_t>(y) * w], mask + static_cast<size_t>(y) * width, w * 4u);
    ::FillRect(maskDc.get(), &area, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::DrawIconEx(maskDc.get(), 0, 0, icon, w, h, 0, nullptr, DI_NORMAL);
    ::GdiFlush();
    for (int y = 0; y < h && box.top + y < height; ++y) {
        for (int x = 0; x < w && box.left + x < width; ++x) {
            const uint32_t b = onBlack[static_cast<size_t>(y) * w + x] & 0xFFFFFF;
            const uint32_t wh = mask[static_cast<size_t>(y) * width + x];
            const uint32_t gb = (b >> 8) & 0xFF, gw = (wh >> 8) & 0xFF;
            const uint32_t a = 255 - (gw > gb ? gw - gb : 0);
            if (a == 0 || box.left + x < 0 || box.top + y < 0)
                continue;
            uint32_t& p = pixels[static_cast<size_t>(box.top + y) * width + box.left + x];
            p = Over((a << 24) | b, p);
        }
    }
}

void TDisplayPainter::PaintText(const RECT& box, const std::wstring& text, HFONT font, UINT align,
                                uint32_t colour)
{
    if (text.empty() || ::IsRectEmpty(&box))
        return;
    RECT r = box;
    ::FillRect(maskDc.get(), &r, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    HGDIOBJ old = ::SelectObject(maskDc.get(), font);
    ::DrawTextW(maskDc.get(), text.c_str(), static_cast<int>(text.size()), &r,
                align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    ::SelectObject(maskDc.get(), old);
    ::GdiFlush();
    for (LONG y = std::max<LONG>(box.top, 0); y < std::min<LONG>(box.bottom, height); ++y) {
        for (LONG x = std::max<LONG>(box.left, 0); x < std::min<LONG>(box.right, width); ++x) {
            const uint32_t m = mask[static_cast<size_t>(y) * width + x];
            // Grey-scale text: every channel holds the coverage; the largest is the safest.
            const uint32_t cover = std::max({m & 0xFF, (m >> 8) & 0xFF, (m >> 16) & 0xFF});
            if (cover) {
                uint32_t& p = pixels[static_cast<size_t>(y) * width + x];
                p = Over(Premultiply(colour, cover / 255.0f), p);
            }
        }
    }
}

bool TDisplayPainter::Paint(const TDisplayMetrics& m, const TDisplayLook& look, const TDisplayContent& content)
{
    if (m.Width <= 0 || m.Height <= 0 || !Prepare(m, look))
        return false;
    const TDisplayColours& colours = DisplayColours(look.Dark);
    if (backgroundRadius != m.Radius || backgroundLook.Dark != look.Dark ||
        background.size() != static_cast<size_t>(width) * height) {
        PaintBackground(m, colours);
        backgroundRadius = m.Radius;
        backgroundLook = look;
    }
    ::GdiFlush(); // the system may still write to the bitmap
    std::memcpy(pixels, background.data(), background.size() * sizeof(uint32_t));

    if (content.Icon)
        PaintIcon(m.Glyph, content.Icon);
    else
        PaintSpeaker(m.Glyph, content.Muted, colours.Text);
    PaintText(m.Title, content.Title, titleFont.get(), DT_LEFT, colours.Text);
    FillBox(m.Bar, colours.Track);
    RECT filled = m.Bar;
    filled.right = filled.left + BarFill(m.Bar.right - m.Bar.left, content.Percent);
    FillBox(filled, content.Muted ? colours.MutedFill : colours.Fill);
    PaintText(m.Level, content.LevelText, levelFont.get(), DT_RIGHT, colours.Text);
    return true;
}

} // namespace display
