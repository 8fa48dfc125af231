#include "Control.h"

#include <windowsx.h>

#include <algorithm>
#include <charconv>

namespace fw {

namespace {

constexpr UINT_PTR kSubclassId = 0x4C56; // one subclass per control window
constexpr wchar_t kPanelClass[] = L"LorvanePanel";
constexpr wchar_t kControlProp[] = L"fw.TControl"; // the control of a window, for reflection
UINT nextControlId = 1000;

UINT NewControlId() noexcept
{
    if (nextControlId >= 0x7F00)
        nextControlId = 1000;
    return nextControlId++;
}

bool RegisterPanelClass() noexcept
{
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (::GetClassInfoExW(instance, kPanelClass, &wc))
        return true;
    wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kPanelClass;
    return ::RegisterClassExW(&wc) != 0;
}

std::wstring WindowText(HWND h)
{
    if (!h)
        return {};
    int length = ::GetWindowTextLengthW(h);
    std::wstring text(static_cast<size_t>(std::max(length, 0)) + 1, L'\0');
    int got = ::GetWindowTextW(h, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return text;
}

bool IsTrue(std::wstring_view v)
{
    return v == L"1" || v == L"true" || v == L"True";
}

} // namespace

std::vector<std::wstring> SplitList(std::wstring_view text, wchar_t separator)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::wstring_view::npos)
            end = text.size();
        parts.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::optional<int> ParseInt(std::wstring_view text)
{
    std::string narrow;
    for (wchar_t c : text) {
        if (c > 127)
            return std::nullopt;
        narrow.push_back(static_cast<char>(c));
    }
    int value = 0;
    auto [end, ec] = std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
    if (ec != std::errc() || end != narrow.data() + narrow.size() || narrow.empty())
        return std::nullopt;
    return value;
}

// ---- TControl

TControl::TControl(TComponent* owner, std::wstring name) : TComponent(owner, std::move(name)) {}

TControl::~TControl()
{
    for (TControl* child : children)
        child->parent = nullptr;
    if (parent)
        std::erase(parent->children, this);
    if (handle) {
        HWND h = handle;
        Detach();
        if (ownsWindow)
            ::DestroyWindow(h);
    }
}

void TControl::Detach() noexcept
{
    if (handle) {
        ::RemovePropW(handle, kControlProp);
        ::RemoveWindowSubclass(handle, SubclassProc, kSubclassId);
    }
    handle = nullptr;
}

bool TControl::CreateWnd(TControl* parentControl, const wchar_t* className, const std::wstring& text,
                         DWORD style, DWORD exStyle, const RECT& bounds, UINT id)
{
    static const bool registered = [] {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES |
                                                  ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
        return ::InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)registered;
    HWND parentHandle = parentControl ? parentControl->Handle() : nullptr;
    if (parentHandle) {
        style |= WS_CHILD | WS_CLIPSIBLINGS;
        if (!id)
            id = NewControlId();
    }
    HWND h = ::CreateWindowExW(exStyle, className, text.c_str(), style, bounds.left, bounds.top,
                               bounds.right - bounds.left, bounds.bottom - bounds.top, parentHandle,
                               parentHandle ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
    if (!h)
        return false;
    ownsWindow = true;
    if (!Adopt(parentControl, h)) {
        ::DestroyWindow(h);
        return false;
    }
    return true;
}

bool TControl::AttachWnd(TControl* parentControl, HWND window)
{
    ownsWindow = false;
    return window && Adopt(parentControl, window);
}

bool TControl::Adopt(TControl* parentControl, HWND h)
{
    if (!::SetPropW(h, kControlProp, this))
        return false;
    if (!::SetWindowSubclass(h, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        ::RemovePropW(h, kControlProp);
        return false;
    }
    handle = h;
    parent = parentControl;
    if (parent) {
        parent->children.push_back(this);
        if (HFONT f = reinterpret_cast<HFONT>(::SendMessageW(parent->Handle(), WM_GETFONT, 0, 0)))
            ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(f), FALSE);
        parent->ChildAdded(this);
    }
    return true;
}

TControl* TControl::FromHandle(HWND hwnd) noexcept
{
    return hwnd ? static_cast<TControl*>(::GetPropW(hwnd, kControlProp)) : nullptr;
}

LRESULT CALLBACK TControl::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR data) noexcept
{
    auto* self = reinterpret_cast<TControl*>(data);
    if (msg == WM_NCDESTROY) {
        ::RemovePropW(hwnd, kControlProp);
        ::RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
        if (self->handle == hwnd)
            self->handle = nullptr;
        return ::DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    return self->WndProc(msg, wParam, lParam);
}

LRESULT TControl::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    return ::DefSubclassProc(handle, msg, wParam, lParam);
}

std::optional<LRESULT> TControl::ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    HWND from = nullptr;
    switch (msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        from = reinterpret_cast<HWND>(lParam);
        break;
    case WM_NOTIFY:
        from = reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
        break;
    case WM_DRAWITEM:
        if (wParam)
            from = reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem;
        break;
    default:
        return std::nullopt;
    }
    TControl* child = FromHandle(from);
    if (!child)
        return std::nullopt;
    try {
        return child->Reflect(msg, wParam, lParam);
    } catch (...) {
        return std::nullopt; // nothing leaves a window procedure
    }
}

LRESULT TControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    if (std::optional<LRESULT> r = ReflectToChild(msg, wParam, lParam))
        return *r;
    try {
        if (msg == WM_SETFOCUS) {
            LRESULT r = DefaultProc(msg, wParam, lParam);
            Raise(OnEnter, this);
            return r;
        }
        if (msg == WM_KILLFOCUS) {
            LRESULT r = DefaultProc(msg, wParam, lParam);
            Raise(OnExit, this);
            return r;
        }
    } catch (...) {
        return 0;
    }
    return DefaultProc(msg, wParam, lParam);
}

std::optional<LRESULT> TControl::Reflect(UINT, WPARAM, LPARAM)
{
    return std::nullopt;
}

bool TControl::SetProperty(std::wstring_view, std::wstring_view)
{
    return false;
}

std::wstring TControl::Caption() const
{
    return WindowText(handle);
}

void TControl::SetCaption(const std::wstring& text)
{
    if (handle)
        ::SetWindowTextW(handle, text.c_str());
}

bool TControl::Enabled() const noexcept
{
    return handle && ::IsWindowEnabled(handle);
}

void TControl::SetEnabled(bool on)
{
    if (!handle)
        return;
    // A disabled control cannot keep the keyboard: the next control of the tab order takes it.
    if (!on && Focused()) {
        HWND root = ::GetAncestor(handle, GA_ROOT);
        if (HWND next = ::GetNextDlgTabItem(root, handle, FALSE); next && next != handle)
            ::SetFocus(next);
        else
            ::SetFocus(root);
    }
    ::EnableWindow(handle, on);
}

bool TControl::Visible() const noexcept
{
    return handle && (::GetWindowLongW(handle, GWL_STYLE) & WS_VISIBLE) != 0;
}

void TControl::SetVisible(bool on)
{
    if (handle)
        ::ShowWindow(handle, on ? SW_SHOWNA : SW_HIDE);
}

bool TControl::Focused() const noexcept
{
    HWND f = ::GetFocus();
    return handle && (f == handle || ::IsChild(handle, f));
}

bool TControl::CanFocus() const noexcept
{
    for (HWND h = handle; h; h = ::GetParent(h)) {
        if (!::IsWindowEnabled(h) || !(::GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE))
            return false;
        if (!(::GetWindowLongW(h, GWL_STYLE) & WS_CHILD))
            break;
    }
    return handle != nullptr;
}

void TControl::SetFocus()
{
    if (handle)
        ::SetFocus(handle);
}

RECT TControl::BoundsRect() const
{
    RECT r{};
    if (!handle)
        return r;
    ::GetWindowRect(handle, &r);
    if (HWND p = ::GetParent(handle); p && (::GetWindowLongW(handle, GWL_STYLE) & WS_CHILD))
        ::MapWindowPoints(HWND_DESKTOP, p, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int TControl::Width() const
{
    RECT r = BoundsRect();
    return r.right - r.left;
}

int TControl::Height() const
{
    RECT r = BoundsRect();
    return r.bottom - r.top;
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    if (handle)
        ::SetWindowPos(handle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TControl::SetHeight(int height)
{
    RECT r = BoundsRect();
    SetBounds(r.left, r.top, r.right - r.left, height);
}

void TControl::SetFont(HFONT font)
{
    if (handle)
        ::SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    for (TControl* child : children)
        child->SetFont(font);
}

void TControl::ScaleBy(int n, int d)
{
    if (d == 0 || n == d)
        return;
    ScaleItems(n, d);
    for (TControl* child : children) {
        RECT r = child->BoundsRect();
        child->SetBounds(::MulDiv(r.left, n, d), ::MulDiv(r.top, n, d), ::MulDiv(r.right - r.left, n, d),
                         ::MulDiv(r.bottom - r.top, n, d));
        child->ScaleBy(n, d);
    }
}

// ---- Containers

bool TPanel::CreateHandle(TControl* p, const RECT& bounds, DWORD extraStyle)
{
    if (!RegisterPanelClass())
        return false;
    return CreateWnd(p, kPanelClass, L"", WS_VISIBLE | WS_CLIPCHILDREN | extraStyle, WS_EX_CONTROLPARENT,
                     bounds);
}

bool TGroupBox::CreateHandle(TControl* p, const RECT& bounds, DWORD extraStyle)
{
    if (!TPanel::CreateHandle(p, bounds, extraStyle))
        return false;
    // The frame paints only its edge and caption: the panel's own background must show
    // through inside it, so the panel paints under its children.
    ::SetWindowLongW(Handle(), GWL_STYLE, ::GetWindowLongW(Handle(), GWL_STYLE) & ~WS_CLIPCHILDREN);
    frame = ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 0, 0,
                              bounds.right - bounds.left, bounds.bottom - bounds.top, Handle(), nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
    if (!frame)
        return false;
    if (HFONT f = reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0)))
        ::SendMessageW(frame, WM_SETFONT, reinterpret_cast<WPARAM>(f), FALSE);
    return true;
}

std::wstring TGroupBox::Caption() const
{
    return WindowText(frame);
}

void TGroupBox::SetCaption(const std::wstring& text)
{
    if (frame)
        ::SetWindowTextW(frame, text.c_str());
}

void TGroupBox::SetFont(HFONT font)
{
    if (frame)
        ::SendMessageW(frame, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    TPanel::SetFont(font);
}

void TGroupBox::ScaleBy(int n, int d)
{
    TPanel::ScaleBy(n, d);
    RECT c{};
    ::GetClientRect(Handle(), &c);
    if (frame)
        ::SetWindowPos(frame, HWND_BOTTOM, 0, 0, c.right, c.bottom, SWP_NOACTIVATE);
}

void TGroupBox::ChildAdded(TControl*)
{
    // Children are inserted below their older siblings; the frame stays below them all so
    // that it never hides them.
    if (frame)
        ::SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

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

// ---- Image

bool TImage::CreateHandle(TControl* p, const RECT& bounds, DWORD extraStyle)
{
    return CreateWnd(p, L"STATIC", L"",
                     WS_VISIBLE | SS_ICON | SS_REALSIZECONTROL | SS_CENTERIMAGE | extraStyle, 0, bounds);
}

void TImage::SetIcon(HICON icon)
{
    if (!Handle())
        return;
    RECT r = BoundsRect();
    ::SendMessageW(Handle(), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    // The system sizes an icon control to its picture; the picture is stretched to the design.
    SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
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
