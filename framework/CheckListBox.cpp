#include "CheckListBox.h"

#include <windowsx.h>

#include <algorithm>

namespace fw {

// ---- Check list box

bool TCheckListBox::CreateHandle(TControl* p, const RECT& bounds, DWORD extraStyle)
{
    DWORD style = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY |
                  LBS_NOINTEGRALHEIGHT | (sorted ? LBS_SORT : 0);
    if (!CreateWnd(p, L"LISTBOX", L"", style | extraStyle, WS_EX_CLIENTEDGE, bounds))
        return false;
    SetItemHeight(itemHeight);
    return true;
}

bool TCheckListBox::SetProperty(std::wstring_view key, std::wstring_view value)
{
    if (key == L"ItemHeight") {
        std::optional<int> v = ParseInt(value);
        if (!v || *v < 1)
            return false;
        SetItemHeight(*v);
        return true;
    }
    if (key == L"Sorted") {
        sorted = IsTrue(value);
        return !Handle();
    }
    if (key == L"Columns") {
        std::optional<int> v = ParseInt(value);
        if (!v || *v < 1 || !Handle())
            return false;
        if (*v > 1) {
            // Columns are a style of the list: switch it on and size the columns to the list.
            ::SetWindowLongW(Handle(), GWL_STYLE,
                             ::GetWindowLongW(Handle(), GWL_STYLE) | LBS_MULTICOLUMN | WS_HSCROLL);
            RECT c{};
            ::GetClientRect(Handle(), &c);
            ::SendMessageW(Handle(), LB_SETCOLUMNWIDTH, c.right / *v, 0);
        }
        return true;
    }
    return false;
}

int TCheckListBox::ItemHeight() const noexcept
{
    return itemHeight;
}

void TCheckListBox::SetItemHeight(int height)
{
    itemHeight = std::max(height, 1);
    if (Handle()) {
        ::SendMessageW(Handle(), LB_SETITEMHEIGHT, 0, itemHeight);
        ::InvalidateRect(Handle(), nullptr, TRUE);
    }
}

int TCheckListBox::Count() const noexcept
{
    return Handle() ? static_cast<int>(::SendMessageW(Handle(), LB_GETCOUNT, 0, 0)) : 0;
}

int TCheckListBox::Add(const std::wstring& text, bool checked)
{
    if (!Handle())
        return -1;
    auto index =
        static_cast<int>(::SendMessageW(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    if (index >= 0)
        ::SendMessageW(Handle(), LB_SETITEMDATA, index, checked ? 1 : 0);
    return index;
}

void TCheckListBox::Clear()
{
    if (Handle())
        ::SendMessageW(Handle(), LB_RESETCONTENT, 0, 0);
}

std::wstring TCheckListBox::Item(int index) const
{
    if (index < 0 || index >= Count())
        return {};
    LRESULT length = ::SendMessageW(Handle(), LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    ::SendMessageW(Handle(), LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

bool TCheckListBox::Checked(int index) const noexcept
{
    if (index < 0 || index >= Count())
        return false;
    return ::SendMessageW(Handle(), LB_GETITEMDATA, index, 0) == 1;
}

void TCheckListBox::SetChecked(int index, bool on)
{
    if (index < 0 || index >= Count())
        return;
    ::SendMessageW(Handle(), LB_SETITEMDATA, index, on ? 1 : 0);
    RECT r{};
    if (::SendMessageW(Handle(), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r)) != LB_ERR)
        ::InvalidateRect(Handle(), &r, TRUE);
}

int TCheckListBox::ItemIndex() const noexcept
{
    return Handle() ? static_cast<int>(::SendMessageW(Handle(), LB_GETCURSEL, 0, 0)) : -1;
}

void TCheckListBox::SetItemIndex(int index)
{
    if (Handle())
        ::SendMessageW(Handle(), LB_SETCURSEL, index, 0);
}

void TCheckListBox::BeginUpdate()
{
    if (Handle())
        ::SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
}

void TCheckListBox::EndUpdate()
{
    if (Handle()) {
        ::SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(Handle(), nullptr, TRUE);
    }
}

int TCheckListBox::CheckWidth() const noexcept
{
    return std::min(itemHeight, ::GetSystemMetrics(SM_CXMENUCHECK) + 4);
}

void TCheckListBox::Toggle(int index)
{
    if (index < 0 || index >= Count())
        return;
    SetChecked(index, !Checked(index));
    Raise(OnClickCheck, this);
}

LRESULT TCheckListBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    try {
        if (msg == WM_LBUTTONDOWN) {
            LRESULT hit = ::SendMessageW(Handle(), LB_ITEMFROMPOINT, 0, lParam);
            LRESULT r = DefaultProc(msg, wParam, lParam);
            int x = GET_X_LPARAM(lParam);
            RECT item{};
            if (!HIWORD(hit) &&
                ::SendMessageW(Handle(), LB_GETITEMRECT, LOWORD(hit), reinterpret_cast<LPARAM>(&item)) !=
                    LB_ERR &&
                x >= item.left && x < item.left + CheckWidth())
                Toggle(LOWORD(hit));
            return r;
        }
        if (msg == WM_KEYDOWN && wParam == VK_SPACE) {
            Toggle(ItemIndex());
            return 0;
        }
        if (msg == WM_CHAR && wParam == L' ')
            return 0;
    } catch (...) {
        return 0;
    }
    return TControl::WndProc(msg, wParam, lParam);
}

std::optional<LRESULT> TCheckListBox::Reflect(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && HIWORD(wParam) == LBN_DBLCLK) {
        Raise(OnDblClick, this);
        return 0;
    }
    if (msg != WM_DRAWITEM)
        return std::nullopt;
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    if (dis->itemID == static_cast<UINT>(-1))
        return TRUE;
    const bool selected = (dis->itemState & ODS_SELECTED) != 0;
    const int index = static_cast<int>(dis->itemID);
    RECT box = dis->rcItem;
    box.right = box.left + CheckWidth();
    ::FillRect(dis->hDC, &box, ::GetSysColorBrush(COLOR_WINDOW));
    int size = std::min<int>(box.right - box.left, box.bottom - box.top) - 2;
    RECT check{box.left + 1, box.top + (box.bottom - box.top - size) / 2, 0, 0};
    check.right = check.left + size;
    check.bottom = check.top + size;
    ::DrawFrameControl(dis->hDC, &check, DFC_BUTTON,
                       DFCS_BUTTONCHECK | DFCS_FLAT | (Checked(index) ? DFCS_CHECKED : 0) |
                           (Enabled() ? 0 : DFCS_INACTIVE));
    RECT rest = dis->rcItem;
    rest.left = box.right;
    ::SetBkColor(dis->hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    ::SetTextColor(dis->hDC, ::GetSysColor(!Enabled() ? COLOR_GRAYTEXT
                                           : selected ? COLOR_HIGHLIGHTTEXT
                                                      : COLOR_WINDOWTEXT));
    ::FillRect(dis->hDC, &rest, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (OnDrawItem) {
        OnDrawItem(this, index, dis->hDC, rest, selected);
    } else {
        std::wstring text = Item(index);
        RECT t = rest;
        t.left += 2;
        ::DrawTextW(dis->hDC, text.c_str(), static_cast<int>(text.size()), &t,
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if (dis->itemState & ODS_FOCUS)
        ::DrawFocusRect(dis->hDC, &rest);
    return TRUE;
}

void TCheckListBox::ScaleItems(int n, int d)
{
    SetItemHeight(::MulDiv(itemHeight, n, d));
}

} // namespace fw
