#pragma once
// Pictures of the icon-set list: a set's preview file drawn into a square, and the list item
// that shows it with the set's name.

#include "UniqueHandle.h"

#include <windows.h>

#include <map>
#include <string>

namespace lorvane {

// The first icon of an .ico, .dll or .exe file at size x size (below 1 counts as 16).
fw::UniqueHicon LoadIconFromFile(const std::wstring& path, int size);

// Draws the picture file into `rect` by its extension (.bmp with the colour at its top-left
// pixel transparent, .png with its alpha, the first icon of .ico, .dll, .exe at the
// rectangle's size); false, drawing nothing, for a missing file or another kind.
bool DrawIconFile(HDC dc, const RECT& rect, const std::wstring& path);

// The side of a preview at the dialog's resolution: 16 at 96 DPI, never taller than the item.
int PreviewSize(int dpi, int itemHeight) noexcept;

// Previews loaded once per size: the list repaints often, the files do not change.
class TPreviewCache {
  public:
    HICON Get(const std::wstring& path, int size);
    void Clear() { icons.clear(); }

  private:
    std::map<std::pair<std::wstring, int>, fw::UniqueHicon> icons;
};

// One item of the icon-set list, for the rectangle right of its check box: the background in
// the current brush colour, a silver square behind white sets unless selected, the preview
// centred in the square of the item's height, and the set's name after it.
void DrawIconSetItem(HDC dc, const RECT& rect, const std::wstring& path, bool selected, int previewSize,
                     TPreviewCache& cache);

} // namespace lorvane
