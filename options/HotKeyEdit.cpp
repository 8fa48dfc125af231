#include "HotKeyEdit.h"

#include "Form.h"
#include "HotKeyEvents.h"

namespace lorvane {

namespace {

// Asked again once the activation that gave the edit its focus has settled.
constexpr UINT kRecheckCapture = WM_APP + 0x4B;
// A key the capture took on the input thread: wParam the key, lParam 1 down, 0 up.
constexpr UINT kCapturedKey = WM_APP + 0x4C;

} // namespace

input::TShortCut THotKeyTyping::KeyDown(unsigned key) noexcept
{
    switch (key) {
    case VK_LWIN:
    case VK_RWIN:
        win = true;
        break;
    case VK_LMENU:
    case VK_RMENU:
    case VK_MENU:
        alt = true;
        break;
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_CONTROL:
        ctrl = true;
        break;
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_SHIFT:
        shift = true;
        break;
    default:
        break;
    }
    switch (key) {
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_LMENU:
    case VK_RMENU:
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LWIN:
    case VK_RWIN:
        key = 0; // a modifier is no key of its own
        break;
    default:
        break;
    }
    fw::TShiftState state = 0;
    if (ctrl)
        state |= fw::ssCtrl;
    if (shift)
        state |= fw::ssShift;
    if (alt)
        state |= fw::ssAlt;
    return input::MakeHotKey(key, state, win);
}

void THotKeyTyping::KeyUp(unsigned key) noexcept
{
    switch (key) {
    case VK_LWIN:
    case VK_RWIN:
        win = false;
        break;
    case VK_LMENU:
    case VK_RMENU:
    case VK_MENU:
        alt = false;
        break;
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_CONTROL:
        ctrl = false;
        break;
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_SHIFT:
        shift = false;
        break;
    default:
        break;
    }
}

THotKeyEdit::THotKeyEdit(fw::TComponent* owner, std::wstring name)
    : fw::TControl(owner, std::move(name)), events(std::make_unique<THotKeyEvents>(this, L"HotKeyEvents"))
{
    events->OnKeyDown = [this](fw::TObject*, WORD key) { PostCaptured(key, true); };
    events->OnKeyUp = [this](fw::TObject*, WORD key) { PostCaptured(key, false); };
}

THotKeyEdit::~THotKeyEdit()
{
    // The capture must never outlive the control that receives it.
    events->SetEnabled(false);
}

bool THotKeyEdit::CreateHandle(fw::TControl* parent, const RECT& bounds, DWORD extraStyle)
{
    if (!CreateWnd(parent, L"EDIT", L"", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY | extraStyle,
                   WS_EX_CLIENTEDGE, bounds))
        return false;
    return true;
}

void THotKeyEdit::SetHotKey(input::TShortCut value)
{
    hotKey = value;
    Show(false);
}

bool THotKeyEdit::Capturing() const noexcept
{
    return events->Enabled();
}

void THotKeyEdit::PostCaptured(WORD key, bool down) noexcept
{
    if (HWND h = Handle())
        ::PostMessageW(h, kCapturedKey, key, down ? 1 : 0);
}

void THotKeyEdit::KeyDown(unsigned key)
{
    UpdateCapture();
    if (!typing.Any())
        beforeTyping = hotKey;
    if (TabOut(key)) {
        // A Shift pressed for Shift+Tab made no hotkey.
        hotKey = beforeTyping;
        Show(false);
        return;
    }
    hotKey = typing.KeyDown(key);
    Show(true);
}

bool THotKeyEdit::TabOut(unsigned key)
{
    HWND h = Handle();
    if (key != VK_TAB || !h)
        return false;
    // A modifier held since before the capture is known to the system only.
    auto down = [](int vk) { return ::GetAsyncKeyState(vk) < 0; };
    if (typing.CommandModifier() || down(VK_CONTROL) || down(VK_MENU) || down(VK_LWIN) || down(VK_RWIN))
        return false;
    const bool back = typing.Shift() || down(VK_SHIFT);
    HWND next = ::GetNextDlgTabItem(::GetAncestor(h, GA_ROOT), h, back ? TRUE : FALSE);
    if (next && next != h)
        ::SetFocus(next);
    return true;
}

void THotKeyEdit::KeyUp(unsigned key)
{
    UpdateCapture();
    typing.KeyUp(key);
    Show(false);
}

void THotKeyEdit::Show(bool typingForm)
{
    if (HWND h = Handle()) {
        const std::wstring text = input::HotKeyToText(hotKey, typingForm);
        ::SetWindowTextW(h, text.c_str());
        const auto end = static_cast<WPARAM>(text.size());
        ::SendMessageW(h, EM_SETSEL, end, static_cast<LPARAM>(end));
    }
    fw::Raise(OnChange, this);
}

void THotKeyEdit::UpdateCapture()
{
    bool on = false;
    if (HWND h = Handle(); h && ::GetFocus() == h && ::IsWindowEnabled(h) && ::IsWindowVisible(h)) {
        HWND root = ::GetAncestor(h, GA_ROOT);
        HWND foreground = ::GetForegroundWindow();
        // The form is the active window, and the active window belongs to this thread
        // (the application is active).
        on = ::GetActiveWindow() == root && foreground == root;
    }
    events->SetEnabled(on);
}

LRESULT THotKeyEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    switch (msg) {
    case WM_SETFOCUS: {
        LRESULT r = fw::TControl::WndProc(msg, wParam, lParam);
        try {
            UpdateCapture();
            if (!Capturing())
                ::PostMessageW(Handle(), kRecheckCapture, 0, 0);
        } catch (...) {
        }
        return r;
    }
    case WM_KILLFOCUS: {
        try {
            events->SetEnabled(false);
            typing.Reset();
        } catch (...) {
        }
        return fw::TControl::WndProc(msg, wParam, lParam);
    }
    case kCapturedKey:
        try {
            if (lParam)
                KeyDown(static_cast<unsigned>(wParam));
            else
                KeyUp(static_cast<unsigned>(wParam));
        } catch (...) {
        }
        return 0;
    case kRecheckCapture:
    case WM_ENABLE:
    case WM_SHOWWINDOW:
        try {
            UpdateCapture();
        } catch (...) {
        }
        if (msg == kRecheckCapture)
            return 0;
        break;
    case WM_CHAR:
    case WM_SYSCHAR:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
        // Nothing is typed into the text; it only ever shows the value.
        return 0;
    default:
        break;
    }
    return fw::TControl::WndProc(msg, wParam, lParam);
}

std::optional<LRESULT> THotKeyEdit::Reflect(UINT msg, WPARAM wParam, LPARAM)
{
    // OnChange is raised by Show, once per displayed change, never by the system's echo.
    if (msg == WM_COMMAND && HIWORD(wParam) == EN_CHANGE)
        return 0;
    if (msg == WM_CTLCOLORSTATIC && Enabled()) {
        // A read-only edit paints like a disabled one; this one is an input field.
        ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOW));
        ::SetTextColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
    }
    return std::nullopt;
}

void THotKeyEdit::Register()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    fw::RegisterControlKind(L"THotKeyEdit", [](fw::TComponent* owner, const std::wstring& name) {
        return std::unique_ptr<fw::TControl>(std::make_unique<THotKeyEdit>(owner, name));
    });
}

} // namespace lorvane
