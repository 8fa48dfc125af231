#include "CommonControls.h"

#include <windowsx.h>

#include <algorithm>

namespace fw {

// ---- List view

bool TListView::CreateHandle(TControl* p, const RECT& bounds, DWORD extraStyle)
{
    DWORD style = WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;
    if (!CreateWnd(p, WC_LISTVIEWW, L"", style | extraStyle, WS_EX_CLIENTEDGE, bounds))
        return false;
    ListView_SetExtendedListViewStyleEx(Handle(), LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    return true;
}

bool TListView::SetProperty(std::wstring_view key, std::wstring_view value)
{
    if (!Handle())
        return false; // columns and styles go to the window once it exists
    if (key == L"Columns") {
        // "Caption:width,Caption:width" at 96 DPI; the form scales them with the rest.
        for (const std::wstring& column : SplitList(value, L',')) {
            size_t colon = column.rfind(L':');
            std::optional<int> width = colon == std::wstring::npos
                                           ? std::nullopt
                                           : ParseInt(std::wstring_view(column).substr(colon + 1));
            if (!width)
                return false;
            std::wstring caption = column.substr(0, colon);
            LVCOLUMNW c{};
            c.mask = LVCF_TEXT | LVCF_WIDTH;
            c.pszText = caption.data();
            c.cx = *width;
            ListView_InsertColumn(Handle(), ColumnCount(), &c);
        }
        return true;
    }
    if (key == L"Checkboxes") {
        ListView_SetExtendedListViewStyleEx(Handle(), LVS_EX_CHECKBOXES,
                                            IsTrue(value) ? LVS_EX_CHECKBOXES : 0);
        return true;
    }
    return false;
}

int TListView::ColumnCount() const noexcept
{
    HWND header = Handle() ? ListView_GetHeader(Handle()) : nullptr;
    return header ? Header_GetItemCount(header) : 0;
}

std::wstring TListView::ColumnCaption(int column) const
{
    wchar_t buf[256] = {};
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT;
    c.pszText = buf;
    c.cchTextMax = 256;
    if (!ListView_GetColumn(Handle(), column, &c))
        return {};
    return buf;
}

void TListView::SetColumnCaption(int column, const std::wstring& text)
{
    std::wstring copy = text;
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT;
    c.pszText = copy.data();
    ListView_SetColumn(Handle(), column, &c);
}

int TListView::ColumnWidth(int column) const noexcept
{
    return Handle() ? ListView_GetColumnWidth(Handle(), column) : 0;
}

void TListView::SetColumnWidth(int column, int width)
{
    if (Handle())
        ListView_SetColumnWidth(Handle(), column, width);
}

void TListView::ScaleBy(int n, int d)
{
    TControl::ScaleBy(n, d);
    for (int i = 0; i < ColumnCount(); ++i)
        SetColumnWidth(i, ::MulDiv(ColumnWidth(i), n, d));
}

std::optional<LRESULT> TListView::Reflect(UINT msg, WPARAM, LPARAM lParam)
{
    if (msg != WM_NOTIFY)
        return std::nullopt;
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (hdr->code == LVN_ITEMCHANGED) {
        auto* nm = reinterpret_cast<NMLISTVIEW*>(lParam);
        if ((nm->uChanged & LVIF_STATE) && ((nm->uNewState ^ nm->uOldState) & LVIS_SELECTED))
            Raise(OnSelectItem, this);
        return 0;
    }
    if (hdr->code == NM_DBLCLK) {
        Raise(OnDblClick, this);
        return 0;
    }
    return std::nullopt;
}

// ---- Page control

bool TPageControl::CreateHandle(TControl* p, const RECT& bounds, DWORD extraStyle)
{
    return CreateWnd(p, WC_TABCONTROLW, L"",
                     WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN | TCS_MULTILINE | extraStyle,
                     WS_EX_CONTROLPARENT, bounds);
}

TTabSheet* TPageControl::Page(int index) const noexcept
{
    return index >= 0 && index < PageCount() ? pages[static_cast<size_t>(index)] : nullptr;
}

int TPageControl::ActivePageIndex() const noexcept
{
    return Handle() ? TabCtrl_GetCurSel(Handle()) : -1;
}

void TPageControl::SetActivePageIndex(int index)
{
    if (index < 0 || index >= PageCount())
        return;
    TabCtrl_SetCurSel(Handle(), index);
    ShowActivePage();
}

void TPageControl::SelectNextPage(bool forward)
{
    if (PageCount() == 0)
        return;
    int i = ActivePageIndex();
    i = forward ? (i + 1) % PageCount() : (i + PageCount() - 1) % PageCount();
    SetActivePageIndex(i);
    Raise(OnChange, this);
}

void TPageControl::AddPage(TTabSheet* page)
{
    pages.push_back(page);
    LayoutPages();
    if (pages.size() == 1)
        SetActivePageIndex(0);
}

void TPageControl::LayoutPages()
{
    RECT r{};
    ::GetClientRect(Handle(), &r);
    TabCtrl_AdjustRect(Handle(), FALSE, &r);
    for (TTabSheet* page : pages)
        page->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void TPageControl::ShowActivePage()
{
    const int active = ActivePageIndex();
    bool focusInside = false;
    for (int i = 0; i < PageCount(); ++i) {
        if (i != active && pages[static_cast<size_t>(i)]->Focused())
            focusInside = true;
    }
    for (int i = 0; i < PageCount(); ++i) {
        if (i == active) {
            ::SetWindowPos(pages[static_cast<size_t>(i)]->Handle(), HWND_TOP, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        } else {
            pages[static_cast<size_t>(i)]->SetVisible(false);
        }
    }
    // A control on a hidden page must not keep the keyboard.
    if (focusInside)
        SetFocus();
}

void TPageControl::SetFont(HFONT font)
{
    TControl::SetFont(font);
    LayoutPages();
}

void TPageControl::ScaleBy(int n, int d)
{
    TControl::ScaleBy(n, d);
    LayoutPages();
}

std::optional<LRESULT> TPageControl::Reflect(UINT msg, WPARAM, LPARAM lParam)
{
    if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == TCN_SELCHANGE) {
        ShowActivePage();
        Raise(OnChange, this);
        return 0;
    }
    return std::nullopt;
}

bool TTabSheet::CreateHandle(TControl* p, const RECT&, DWORD extraStyle)
{
    pageControl = dynamic_cast<TPageControl*>(p);
    if (!pageControl)
        return false;
    if (!TPanel::CreateHandle(p, RECT{}, extraStyle))
        return false;
    SetVisible(false);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    TabCtrl_InsertItem(pageControl->Handle(), pageControl->PageCount(), &item);
    pageControl->AddPage(this);
    return true;
}

void TTabSheet::SetCaption(const std::wstring& text)
{
    caption = text;
    if (!pageControl || !Handle())
        return;
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    TabCtrl_SetItem(pageControl->Handle(), PageIndex(), &item);
    pageControl->LayoutPages(); // a longer caption may add a row of tabs
}

int TTabSheet::PageIndex() const noexcept
{
    if (!pageControl)
        return -1;
    for (int i = 0; i < pageControl->PageCount(); ++i) {
        if (pageControl->Page(i) == this)
            return i;
    }
    return -1;
}

} // namespace fw
