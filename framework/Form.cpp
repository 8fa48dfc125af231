#include "Form.h"

#include <algorithm>

namespace fw {

namespace {

std::map<std::wstring, TControlFactory>& Registry()
{
    static std::map<std::wstring, TControlFactory> registry = [] {
        std::map<std::wstring, TControlFactory> r;
        auto add = [&r]<typename T>(const wchar_t* kind, T*) {
            r[kind] = [](TComponent* owner, const std::wstring& name) -> std::unique_ptr<TControl> {
                return std::make_unique<T>(owner, name);
            };
        };
        add(L"TPanel", static_cast<TPanel*>(nullptr));
        add(L"TGroupBox", static_cast<TGroupBox*>(nullptr));
        add(L"TLabel", static_cast<TLabel*>(nullptr));
        add(L"TButton", static_cast<TButton*>(nullptr));
        add(L"TCheckBox", static_cast<TCheckBox*>(nullptr));
        add(L"TRadioButton", static_cast<TRadioButton*>(nullptr));
        add(L"TEdit", static_cast<TEdit*>(nullptr));
        add(L"TComboBox", static_cast<TComboBox*>(nullptr));
        add(L"TListView", static_cast<TListView*>(nullptr));
        add(L"TCheckListBox", static_cast<TCheckListBox*>(nullptr));
        add(L"TImage", static_cast<TImage*>(nullptr));
        add(L"TPageControl", static_cast<TPageControl*>(nullptr));
        add(L"TTabSheet", static_cast<TTabSheet*>(nullptr));
        return r;
    }();
    return registry;
}

// Live forms, for the keyboard navigation of the message loop.
std::vector<TForm*>& LiveForms()
{
    static std::vector<TForm*> forms;
    return forms;
}

} // namespace

int ScaleDesign(int value, int dpi) noexcept
{
    return ::MulDiv(value, dpi, 96);
}

void RegisterControlKind(const std::wstring& kind, TControlFactory factory)
{
    Registry()[kind] = std::move(factory);
}

std::unique_ptr<TControl> CreateControlOfKind(const std::wstring& kind, TComponent* owner,
                                              const std::wstring& name)
{
    auto it = Registry().find(kind);
    if (it == Registry().end() || !it->second)
        return nullptr;
    return it->second(owner, name);
}

TForm::TForm(TComponent* owner, std::wstring name) : TControl(owner, std::move(name))
{
    LiveForms().push_back(this);
}

TForm::~TForm()
{
    std::erase(LiveForms(), this);
    // Controls go before the window; children before their containers.
    while (!components.empty())
        components.pop_back();
}

bool TForm::CreateHandle(TControl*, const RECT& bounds, DWORD extraStyle)
{
    std::wstring className = L"T" + Name();
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExW(instance, className.c_str(), &wc)) {
        wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = instance;
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.hIcon = ::LoadIconW(instance, L"MAINICON");
        wc.lpszClassName = className.c_str();
        if (!::RegisterClassExW(&wc))
            return false;
    }
    return CreateWnd(nullptr, className.c_str(), L"", extraStyle, WS_EX_CONTROLPARENT | createExStyle,
                     bounds);
}

bool TForm::CreateFromDesc(const TFormDesc& desc, int dpi, DWORD extraExStyle)
{
    creationDpi = dpi > 0 ? dpi : 96;
    RECT r{0, 0, ScaleDesign(desc.ClientWidth, creationDpi), ScaleDesign(desc.ClientHeight, creationDpi)};
    ::AdjustWindowRectEx(&r, desc.Style, FALSE, desc.ExStyle | extraExStyle);
    RECT bounds{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT + (r.right - r.left),
                CW_USEDEFAULT + (r.bottom - r.top)};
    // Extended styles such as the caption's "?" only take effect when given at creation.
    createExStyle = desc.ExStyle | extraExStyle;
    if (!CreateHandle(nullptr, bounds, desc.Style))
        return false;
    // Position is the system's choice; the size is that of the client area asked for.
    ::SetWindowTextW(Handle(), desc.Caption);
    SetClientSize(ScaleDesign(desc.ClientWidth, creationDpi), ScaleDesign(desc.ClientHeight, creationDpi));

    // The design font; the owner replaces it as the language asks.
    LOGFONTW lf{};
    lf.lfHeight = -::MulDiv(8, creationDpi, 72);
    lf.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(lf.lfFaceName, L"Tahoma");
    SetFormFont(lf);

    for (size_t i = 0; i < desc.Count; ++i) {
        const TControlDesc& c = desc.Controls[i];
        TControl* parentControl = (c.Parent && *c.Parent) ? FindComponent(c.Parent) : this;
        if (!parentControl)
            return false;
        std::unique_ptr<TControl> control = CreateControlOfKind(c.Kind, this, c.Name);
        if (!control)
            return false;
        // Properties that decide the window's kind come before it exists; the rest after.
        std::vector<std::wstring> props = SplitList(c.Props ? c.Props : L"", L';');
        std::vector<std::pair<std::wstring, std::wstring>> later;
        for (const std::wstring& p : props) {
            size_t eq = p.find(L'=');
            if (eq == std::wstring::npos)
                continue;
            std::wstring key = p.substr(0, eq), value = p.substr(eq + 1);
            if (!control->SetProperty(key, value))
                later.emplace_back(std::move(key), std::move(value));
        }
        RECT b{ScaleDesign(c.Left, creationDpi), ScaleDesign(c.Top, creationDpi),
               ScaleDesign(c.Left + c.Width, creationDpi), ScaleDesign(c.Top + c.Height, creationDpi)};
        if (!control->CreateHandle(parentControl, b, c.Style))
            return false;
        for (const auto& [key, value] : later) {
            // Properties every control has.
            if (key == L"Visible")
                control->SetVisible(value != L"0");
            else if (key == L"TabStop" && value == L"0")
                ::SetWindowLongW(control->Handle(), GWL_STYLE,
                                 ::GetWindowLongW(control->Handle(), GWL_STYLE) & ~WS_TABSTOP);
            else
                control->SetProperty(key, value);
        }
        if (c.Caption && control->HasCaption())
            control->SetCaption(c.Caption);
        if (auto* list = dynamic_cast<TListView*>(control.get()); list && creationDpi != 96) {
            for (int col = 0; col < list->ColumnCount(); ++col)
                list->SetColumnWidth(col, ScaleDesign(list->ColumnWidth(col), creationDpi));
        }
        if (auto* box = dynamic_cast<TCheckListBox*>(control.get()); box && creationDpi != 96)
            box->SetItemHeight(ScaleDesign(box->ItemHeight(), creationDpi));
        if (auto* button = dynamic_cast<TButton*>(control.get())) {
            if (button->Default)
                DefaultButton = button;
            if (button->Cancel)
                CancelButton = button;
        }
        components.push_back(std::move(control));
    }
    return true;
}

TControl* TForm::FindComponent(std::wstring_view name) const noexcept
{
    for (const auto& c : components) {
        if (c->Name() == name)
            return c.get();
    }
    return nullptr;
}

void TForm::SetFormFont(const LOGFONTW& lf)
{
    UniqueHfont created(::CreateFontIndirectW(&lf));
    if (!created)
        return;
    HFONT f = created.get();
    SetFont(f); // every control switches before the old font goes
    font = std::move(created);
}

LOGFONTW TForm::FontInfo() const
{
    LOGFONTW lf{};
    if (font)
        ::GetObjectW(font.get(), sizeof(lf), &lf);
    return lf;
}

void TForm::ScaleBy(int n, int d)
{
    if (d == 0 || n == d)
        return;
    TControl::ScaleBy(n, d);
    LOGFONTW lf = FontInfo();
    lf.lfHeight = ::MulDiv(lf.lfHeight, n, d);
    SetFormFont(lf);
}

void TForm::SetClientSize(int width, int height)
{
    RECT r{0, 0, width, height};
    ::AdjustWindowRectEx(&r, static_cast<DWORD>(::GetWindowLongW(Handle(), GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongW(Handle(), GWL_EXSTYLE)));
    ::SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::Show()
{
    if (!Handle())
        return;
    const bool wasVisible = Showing();
    ::ShowWindow(Handle(), SW_SHOW);
    ::SetForegroundWindow(Handle());
    if (!wasVisible) {
        if (HWND first = ::GetNextDlgTabItem(Handle(), nullptr, FALSE))
            ::SetFocus(first);
        Raise(OnShow, this);
    }
}

bool TForm::Showing() const noexcept
{
    return Handle() && ::IsWindowVisible(Handle());
}

void TForm::Close()
{
    if (!Handle())
        return;
    if (OnCloseQuery && !OnCloseQuery(this))
        return;
    ::ShowWindow(Handle(), SW_HIDE);
    Raise(OnClose, this);
}

bool TForm::KeyPreview(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || !(::GetKeyState(VK_CONTROL) & 0x8000))
        return false;
    bool forward;
    if (msg.wParam == VK_TAB)
        forward = !(::GetKeyState(VK_SHIFT) & 0x8000);
    else if (msg.wParam == VK_NEXT)
        forward = true;
    else if (msg.wParam == VK_PRIOR)
        forward = false;
    else
        return false;
    for (const auto& c : components) {
        if (auto* pages = dynamic_cast<TPageControl*>(c.get())) {
            pages->SelectNextPage(forward);
            return true;
        }
    }
    return false;
}

bool TForm::IsFormMessage(MSG* msg) noexcept
{
    if (!msg->hwnd)
        return false;
    HWND root = ::GetAncestor(msg->hwnd, GA_ROOT);
    for (TForm* form : LiveForms()) {
        if (form->Handle() != root || !form->Showing())
            continue;
        try {
            if (form->KeyPreview(*msg))
                return true;
        } catch (...) {
            return true;
        }
        return ::IsDialogMessageW(root, msg) != FALSE;
    }
    return false;
}

LRESULT TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    try {
        Raise(OnMessage, this, msg, wParam, lParam);
        switch (msg) {
        case WM_CLOSE:
            Close();
            return 0;
        case DM_GETDEFID:
            if (DefaultButton && DefaultButton->Handle())
                return MAKELRESULT(::GetDlgCtrlID(DefaultButton->Handle()), DC_HASDEFID);
            return 0;
        case WM_COMMAND:
            // Enter and Escape from the dialog manager arrive without a control.
            if (lParam == 0 || !FromHandle(reinterpret_cast<HWND>(lParam))) {
                TButton* target = nullptr;
                if (LOWORD(wParam) == IDOK)
                    target = DefaultButton;
                else if (LOWORD(wParam) == IDCANCEL)
                    target = CancelButton;
                else if (DefaultButton && DefaultButton->Handle() &&
                         LOWORD(wParam) == ::GetDlgCtrlID(DefaultButton->Handle()))
                    target = DefaultButton;
                if (target && target->Enabled())
                    target->Click();
                if (target)
                    return 0;
            }
            break;
        case WM_ACTIVATE:
            // The control that had the keyboard gets it back when the form is activated again.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND f = ::GetFocus();
                if (f && ::IsChild(Handle(), f))
                    ::SetPropW(Handle(), L"fw.LastFocus", f);
            } else if (HWND last = static_cast<HWND>(::GetPropW(Handle(), L"fw.LastFocus"));
                       last && ::IsWindow(last) && ::IsChild(Handle(), last)) {
                ::SetFocus(last);
                return 0;
            }
            break;
        case WM_DESTROY:
            ::RemovePropW(Handle(), L"fw.LastFocus");
            break;
        default:
            break;
        }
    } catch (...) {
        return 0;
    }
    return TControl::WndProc(msg, wParam, lParam);
}

} // namespace fw
