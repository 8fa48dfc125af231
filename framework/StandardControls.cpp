#include "StandardControls.h"

#include <windowsx.h>

#include <algorithm>

namespace fw {

// ---- Labels, buttons, check boxes

bool TLabel::CreateHandle(TControl* p, const RECT& bounds, DWORD extraStyle)
{
    return CreateWnd(p, L"STATIC", L"", WS_VISIBLE | SS_LEFT | extraStyle, 0, bounds);
}

bool TButton::CreateHandle(TControl* p, const RECT& bounds, DWORD extraStyle)
{
    DWORD style = WS_VISIBLE | WS_TABSTOP | (Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | extraStyle;
    return CreateWnd(p, L"BUTTON", L"", style, 0, bounds);
}

bool TButton::SetProperty(std::wstring_view key, std::wstring_view value)
{
    if (key == L"Default") {
        Default = IsTrue(value);
        if (Handle())
            ::SendMessageW(Handle(), BM_SETSTYLE, Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
        return true;
    }
    if (key == L"Cancel") {
        Cancel = IsTrue(value);
        return true;
    }
    if (key == L"ModalResult") {
        std::optional<int> v = ParseInt(value);
        if (!v)
            return false;
        ModalResult = *v;
        return true;
    }
    return false;
}

void TButton::Click()
{
    Raise(OnClick, this);
}

std::optional<LRESULT> TButton::Reflect(UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        Click();
        return 0;
    }
    return std::nullopt;
}

bool TCheckBox::CreateHandle(TControl* p, const RECT& bounds, DWORD extraStyle)
{
    return CreateWnd(p, L"BUTTON", L"", WS_VISIBLE | WS_TABSTOP | ButtonStyle() | extraStyle, 0, bounds);
}

bool TCheckBox::Checked() const noexcept
{
    return checkedState;
}

void TCheckBox::SetChecked(bool on)
{
    if (on == checkedState)
        return;
    checkedState = on;
    if (Handle())
        ::SendMessageW(Handle(), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    Click();
}

std::optional<LRESULT> TCheckBox::Reflect(UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        SetChecked(!checkedState);
        return 0;
    }
    return std::nullopt;
}

void TRadioButton::SetCheckedGroup(bool on)
{
    if (on && Parent()) {
        for (TControl* sibling : Parent()->Controls()) {
            if (auto* radio = dynamic_cast<TRadioButton*>(sibling); radio && radio != this)
                radio->SetChecked(false);
        }
    }
    SetChecked(on);
}

std::optional<LRESULT> TRadioButton::Reflect(UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        SetCheckedGroup(true);
        return 0;
    }
    return std::nullopt;
}

// ---- Edit

bool TEdit::CreateHandle(TControl* p, const RECT& bounds, DWORD extraStyle)
{
    return CreateWnd(p, L"EDIT", L"", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | extraStyle, WS_EX_CLIENTEDGE,
                     bounds);
}

bool TEdit::SetProperty(std::wstring_view key, std::wstring_view value)
{
    if (key == L"MaxLength") {
        std::optional<int> v = ParseInt(value);
        if (!v)
            return false;
        SetMaxLength(*v);
        return true;
    }
    if (key == L"ReadOnly") {
        SetReadOnly(IsTrue(value));
        return true;
    }
    return false;
}

void TEdit::SetMaxLength(int length)
{
    if (Handle())
        ::SendMessageW(Handle(), EM_SETLIMITTEXT, static_cast<WPARAM>(std::max(length, 0)), 0);
}

void TEdit::SetReadOnly(bool on)
{
    if (Handle())
        ::SendMessageW(Handle(), EM_SETREADONLY, on, 0);
}

std::optional<LRESULT> TEdit::Reflect(UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_COMMAND && HIWORD(wParam) == EN_CHANGE) {
        Raise(OnChange, this);
        return 0;
    }
    return std::nullopt;
}

// ---- Combo box

bool TComboBox::CreateHandle(TControl* p, const RECT& bounds, DWORD extraStyle)
{
    RECT r = bounds;
    r.bottom = r.top + (bounds.bottom - bounds.top) * (dropDownCount + 1);
    DWORD style =
        WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | (editable ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST);
    if (!CreateWnd(p, L"COMBOBOX", L"", style | extraStyle, 0, r))
        return false;
    ::SendMessageW(Handle(), CB_SETMINVISIBLE, dropDownCount, 0);
    return true;
}

bool TComboBox::SetProperty(std::wstring_view key, std::wstring_view value)
{
    if (key == L"Style") {
        // Only before the window exists: the system fixes the kind of a combo box at creation.
        editable = value == L"Edit";
        return !Handle();
    }
    if (key == L"DropDownCount") {
        std::optional<int> v = ParseInt(value);
        if (!v || *v < 1)
            return false;
        dropDownCount = *v;
        if (Handle())
            ::SendMessageW(Handle(), CB_SETMINVISIBLE, dropDownCount, 0);
        return true;
    }
    return false;
}

void TComboBox::SetBounds(int left, int top, int width, int height)
{
    if (!Handle())
        return;
    ::SetWindowPos(Handle(), nullptr, left, top, width, height * (dropDownCount + 1),
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void TComboBox::SetText(const std::wstring& text)
{
    if (!Handle())
        return;
    if (editable)
        ::SetWindowTextW(Handle(), text.c_str());
    else
        SetItemIndex(IndexOf(text));
}

int TComboBox::Count() const noexcept
{
    return Handle() ? static_cast<int>(::SendMessageW(Handle(), CB_GETCOUNT, 0, 0)) : 0;
}

int TComboBox::ItemIndex() const noexcept
{
    return Handle() ? static_cast<int>(::SendMessageW(Handle(), CB_GETCURSEL, 0, 0)) : -1;
}

void TComboBox::SetItemIndex(int index)
{
    if (Handle())
        ::SendMessageW(Handle(), CB_SETCURSEL, index >= 0 && index < Count() ? index : -1, 0);
}

std::wstring TComboBox::Item(int index) const
{
    if (index < 0 || index >= Count())
        return {};
    LRESULT length = ::SendMessageW(Handle(), CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    ::SendMessageW(Handle(), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

const std::wstring& TComboBox::ItemData(int index) const
{
    static const std::wstring none;
    if (index < 0 || static_cast<size_t>(index) >= data.size())
        return none;
    return data[static_cast<size_t>(index)];
}

int TComboBox::Add(const std::wstring& text, std::wstring itemData)
{
    if (!Handle())
        return -1;
    auto index =
        static_cast<int>(::SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    if (index >= 0)
        data.insert(data.begin() + std::min<size_t>(static_cast<size_t>(index), data.size()),
                    std::move(itemData));
    return index;
}

void TComboBox::Clear()
{
    data.clear();
    if (Handle())
        ::SendMessageW(Handle(), CB_RESETCONTENT, 0, 0);
}

void TComboBox::BeginUpdate()
{
    if (Handle())
        ::SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
}

void TComboBox::EndUpdate()
{
    if (Handle()) {
        ::SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(Handle(), nullptr, TRUE);
    }
}

int TComboBox::IndexOf(const std::wstring& text) const
{
    for (int i = 0; i < Count(); ++i) {
        if (Item(i) == text)
            return i;
    }
    return -1;
}

std::optional<LRESULT> TComboBox::Reflect(UINT msg, WPARAM wParam, LPARAM)
{
    if (msg != WM_COMMAND)
        return std::nullopt;
    switch (HIWORD(wParam)) {
    case CBN_EDITCHANGE:
        Raise(OnChange, this);
        return 0;
    case CBN_SELCHANGE:
        Raise(OnSelect, this);
        return 0;
    case CBN_SETFOCUS:
        Raise(OnEnter, this);
        return 0;
    case CBN_KILLFOCUS:
        Raise(OnExit, this);
        return 0;
    default:
        return std::nullopt;
    }
}

void TComboBox::ScaleItems(int n, int d)
{
    if (!Handle())
        return;
    for (WPARAM which : {static_cast<WPARAM>(-1), static_cast<WPARAM>(0)}) {
        LRESULT h = ::SendMessageW(Handle(), CB_GETITEMHEIGHT, which, 0);
        if (h > 0)
            ::SendMessageW(Handle(), CB_SETITEMHEIGHT, which, ::MulDiv(static_cast<int>(h), n, d));
    }
}

} // namespace fw
