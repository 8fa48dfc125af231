#include "IconDraw.h"

#include "EditorRules.h"
#include "IconLoader.h"

#include <algorithm>

namespace lorvane {

namespace {

constexpr COLORREF kSilver = RGB(0xC0, 0xC0, 0xC0);

void DrawPicture(HDC dc, const RECT& rect, HICON icon)
{
    if (icon)
        ::DrawIconEx(dc, rect.left, rect.top, icon, rect.right - rect.left, rect.bottom - rect.top, 0,
                     nullptr, DI_NORMAL);
}

} // namespace

fw::UniqueHicon LoadIconFromFile(const std::wstring& path, int size)
{
    return ExtractFirstIcon(path, size);
}

bool DrawIconFile(HDC dc, const RECT& rect, const std::wstring& path)
{
    fw::UniqueHicon icon = LoadPicture(path, std::min(rect.right - rect.left, rect.bottom - rect.top));
    DrawPicture(dc, rect, icon.get());
    return static_cast<bool>(icon);
}

int PreviewSize(int dpi, int itemHeight) noexcept
{
    int size = ::MulDiv(16, dpi > 0 ? dpi : 96, 96);
    return std::max(1, itemHeight > 0 ? std::min(size, itemHeight) : size);
}

HICON TPreviewCache::Get(const std::wstring& path, int size)
{
    auto key = std::make_pair(path, size);
    auto it = icons.find(key);
    if (it == icons.end())
        it = icons.emplace(key, LoadPicture(path, size)).first;
    return it->second.get();
}

void DrawIconSetItem(HDC dc, const RECT& rect, const std::wstring& path, bool selected, int previewSize,
                     TPreviewCache& cache)
{
    const std::wstring name = LastFolderName(path);
    const int h = rect.bottom - rect.top;
    const COLORREF back = ::GetBkColor(dc);
    ::SetDCBrushColor(dc, back);
    ::FillRect(dc, &rect, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));

    RECT square{rect.left, rect.top, rect.left + h, rect.bottom};
    if (SilverSquareBehind(name, selected)) {
        ::SetDCBrushColor(dc, kSilver);
        ::FillRect(dc, &square, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    }
    const int offset = (h - previewSize) / 2;
    RECT picture{square.left + offset, square.top + offset, 0, 0};
    picture.right = picture.left + previewSize;
    picture.bottom = picture.top + previewSize;
    DrawPicture(dc, picture, cache.Get(path, previewSize));

    RECT text = rect;
    text.left = rect.left + h + 3;
    const int mode = ::SetBkMode(dc, TRANSPARENT);
    ::DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &text,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    ::SetBkMode(dc, mode);
}

} // namespace lorvane
