#include "ReportList.h"

#include <commctrl.h>

#include <algorithm>

namespace lorvane {

int TReportRows::Count() const noexcept
{
    return list ? static_cast<int>(ListView_GetItemCount(list)) : 0;
}

void TReportRows::Clear() noexcept
{
    if (list)
        ListView_DeleteAllItems(list);
}

int TReportRows::Add(const std::wstring& caption, LPARAM data)
{
    if (!list)
        return -1;
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = Count();
    item.pszText = const_cast<wchar_t*>(caption.c_str());
    item.lParam = data;
    return static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

std::wstring TReportRows::Text(int row, int column) const
{
    if (!list || row < 0 || row >= Count())
        return {};
    // The list reports how much it copied, not how long the text is: grow until it fits.
    std::wstring buffer(256, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        auto got = static_cast<size_t>(::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                                      reinterpret_cast<LPARAM>(&item)));
        if (got + 1 < buffer.size() || buffer.size() >= 65536) {
            buffer.resize(std::min(got, buffer.size()));
            return buffer;
        }
        buffer.resize(buffer.size() * 4);
    }
}

void TReportRows::SetText(int row, int column, const std::wstring& text)
{
    if (!list || row < 0 || row >= Count())
        return;
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::wstring TReportRows::Caption(int row) const
{
    return Text(row, 0);
}

void TReportRows::SetCaption(int row, const std::wstring& text)
{
    SetText(row, 0, text);
}

std::wstring TReportRows::SubItem(int row) const
{
    return Text(row, 1);
}

void TReportRows::SetSubItem(int row, const std::wstring& text)
{
    SetText(row, 1, text);
}

LPARAM TReportRows::Data(int row) const noexcept
{
    if (!list || row < 0 || row >= Count())
        return 0;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    ::SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}

void TReportRows::SetData(int row, LPARAM data) noexcept
{
    if (!list || row < 0 || row >= Count())
        return;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = data;
    ::SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

bool TReportRows::Checked(int row) const noexcept
{
    return list && row >= 0 && row < Count() && ListView_GetCheckState(list, row) != 0;
}

void TReportRows::SetChecked(int row, bool on) noexcept
{
    if (list && row >= 0 && row < Count())
        ListView_SetCheckState(list, row, on);
}

int TReportRows::Selected() const noexcept
{
    return list ? static_cast<int>(ListView_GetNextItem(list, -1, LVNI_SELECTED)) : -1;
}

void TReportRows::Select(int row) noexcept
{
    if (!list)
        return;
    if (row < 0) {
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        return;
    }
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, row, FALSE);
}

void TReportRows::BeginUpdate() noexcept
{
    if (list)
        ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
}

void TReportRows::EndUpdate() noexcept
{
    if (!list)
        return;
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
}

bool TReportRows::OnCheckBox(POINT p) const noexcept
{
    if (!list)
        return false;
    LVHITTESTINFO hit{};
    hit.pt = p;
    if (ListView_SubItemHitTest(list, &hit) < 0)
        return false;
    // Left of the row's label rectangle: the state image, that is the check box.
    RECT label{};
    if (!ListView_GetItemRect(list, hit.iItem, &label, LVIR_LABEL))
        return false;
    return hit.iSubItem == 0 && p.x < label.left;
}

} // namespace lorvane
