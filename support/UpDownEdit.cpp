#include "UpDownEdit.h"
#include "IntText.h"

#include <commctrl.h>
#include <imm.h>

#include <climits>
#include <cwctype>

namespace support {

namespace updown {

long long Clamp(long long v, int minValue, int maxValue) noexcept
{
    if (minValue < maxValue) {
        if (v < minValue)
            return minValue;
        if (v > maxValue)
            return maxValue;
    }
    return v;
}

namespace {
bool ParseInteger(const std::wstring& text, long long& out) noexcept
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
        negative = text[i++] == L'-';
    if (i == text.size())
        return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return false;
        v = v * 10 + (text[i] - L'0');
        if (v > INT_MAX + 1LL)
            return false;
    }
    v = negative ? -v : v;
    if (v > INT_MAX || v < INT_MIN)
        return false;
    out = v;
    return true;
}
} // namespace

int Read(const std::wstring& text, int remembered, int minValue, int maxValue) noexcept
{
    long long v = remembered;
    if (text.empty())
        v = 0;
    else
        ParseInteger(text, v);
    return static_cast<int>(Clamp(v, minValue, maxValue));
}

std::wstring Format(int value, bool showPlus)
{
    std::wstring s = fw::IntToStr(value);
    return showPlus && value > 0 ? L"+" + s : s;
}

TCharRule ClassifyChar(wchar_t ch, int value, int minValue, int maxValue) noexcept
{
    if (ch >= L'0' && ch <= L'9')
        return TCharRule::Pass;
    switch (ch) {
    case L'+':
        return value < 0 && maxValue >= 0 ? TCharRule::MakePositive : TCharRule::Drop;
    case L'-':
        return value != 0 && minValue <= 0 && maxValue >= 0 ? TCharRule::Negate : TCharRule::Drop;
    case L'\r':
    case L'\n':
        return TCharRule::Beep;
    case 27:
        return TCharRule::Cancel;
    case L'\t':
        return TCharRule::Drop; // a multi-line edit would insert it
    default:
        return ch < 32 || ch == 127 ? TCharRule::Pass : TCharRule::Beep;
    }
}

int SpinDirection(int position, int previousDirection) noexcept
{
    if (position >= 2)
        return 1;
    if (position <= 0)
        return -1;
    return previousDirection > 0 ? -1 : 1;
}

} // namespace updown

TUpDownEdit::~TUpDownEdit() = default;

bool TUpDownEdit::Create(HWND parent, const RECT& bounds, UINT id, DWORD style, DWORD exStyle)
{
    if (!(style & (ES_CENTER | ES_RIGHT)))
        style |= ES_RIGHT;
    // Multi-line so that the text rectangle can leave room for the button; one line all the same.
    if (!CreateWnd(parent, L"EDIT", style | WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL, exStyle, bounds, id))
        return false;
    ::ImmAssociateContext(Handle(), nullptr);
    button = ::CreateWindowExW(0, UPDOWN_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, Handle(), nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
    if (button) {
        ::SendMessageW(button, UDM_SETRANGE32, 0, 2);
        ::SendMessageW(button, UDM_SETPOS32, 0, 1);
    }
    lastText.clear();
    SetValue(remembered);
    PlaceButton();
    return true;
}

std::wstring TUpDownEdit::Text() const
{
    if (!Handle())
        return lastText;
    int n = ::GetWindowTextLengthW(Handle());
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    s.resize(static_cast<size_t>(::GetWindowTextW(Handle(), s.data(), n + 1)));
    return s;
}

void TUpDownEdit::SetText(const std::wstring& text)
{
    if (Handle())
        ::SetWindowTextW(Handle(), text.c_str());
    CheckChanged();
}

int TUpDownEdit::Value()
{
    remembered = updown::Read(Text(), remembered, MinValue, MaxValue);
    return remembered;
}

void TUpDownEdit::SetValue(int value)
{
    remembered = static_cast<int>(updown::Clamp(value, MinValue, MaxValue));
    std::wstring text = updown::Format(remembered, ShowPlus);
    if (!Handle()) {
        lastText = text;
        return;
    }
    if (Text() != text)
        SetText(text);
}

void TUpDownEdit::AddToValue(long long delta)
{
    long long v = static_cast<long long>(Value()) + delta;
    v = v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : v;
    SetValue(static_cast<int>(v));
}

void TUpDownEdit::Step(int direction)
{
    if (readOnly)
        return;
    if (Handle() && ::GetFocus() != Handle() && ::IsWindowEnabled(Handle()) && ::IsWindowVisible(Handle()))
        ::SetFocus(Handle());
    AddToValue(direction > 0 ? Increment : -static_cast<long long>(Increment));
    fw::Raise(direction > 0 ? OnUpClick : OnDownClick, this);
}

void TUpDownEdit::SetReadOnly(bool on)
{
    readOnly = on;
    if (Handle())
        ::SendMessageW(Handle(), EM_SETREADONLY, on, 0);
}

void TUpDownEdit::SetMaxLength(int length)
{
    if (Handle())
        ::SendMessageW(Handle(), EM_SETLIMITTEXT, static_cast<WPARAM>(length < 0 ? 0 : length), 0);
}

void TUpDownEdit::SetVisibleButton(bool on)
{
    visibleButton = on;
    PlaceButton();
}

void TUpDownEdit::PlaceButton()
{
    if (!Handle())
        return;
    RECT client{};
    ::GetClientRect(Handle(), &client);
    RECT text = client;
    if (button) {
        int w = ::GetSystemMetrics(SM_CXVSCROLL);
        int h = client.bottom - client.top;
        ::SetWindowPos(button, nullptr, client.right - w, 0, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
        ::ShowWindow(button, visibleButton ? SW_SHOWNA : SW_HIDE);
        if (visibleButton)
            text.right -= w;
    }
    text.left += 1;
    text.right -= 1;
    // A box taller than its line (scaled bounds, a small font) shows the digits in its middle,
    // not at its top.
    if (HDC dc = ::GetDC(Handle())) {
        HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0)));
        TEXTMETRICW tm{};
        if (::GetTextMetricsW(dc, &tm) && tm.tmHeight < client.bottom - client.top)
            text.top = client.top + (client.bottom - client.top - tm.tmHeight) / 2;
        ::SelectObject(dc, old);
        ::ReleaseDC(Handle(), dc);
    }
    ::SendMessageW(Handle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&text));
}

void TUpDownEdit::CheckChanged()
{
    std::wstring now = Text();
    if (now == lastText)
        return;
    lastText = std::move(now);
    fw::Raise(OnChange, this);
}

HBRUSH TUpDownEdit::CtlColor(HDC dc)
{
    COLORREF c = Handle() && ::IsWindowEnabled(Handle()) && !readOnly ? EnableColor : DisableColor;
    if (c != brushColor || !brush) {
        brush.reset(::CreateSolidBrush(c));
        brushColor = c;
    }
    ::SetBkColor(dc, c);
    return brush.get();
}

LRESULT TUpDownEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    switch (msg) {
    case WM_GETDLGCODE:
        // One line: Tab, Enter and Escape belong to the dialog.
        return DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL;
    case WM_KEYDOWN:
        if (wParam == VK_UP || wParam == VK_DOWN) {
            if (!readOnly)
                AddToValue(wParam == VK_UP ? Increment : -static_cast<long long>(Increment));
            return 0;
        }
        break;
    case WM_CHAR:
        if (readOnly)
            break;
        switch (updown::ClassifyChar(static_cast<wchar_t>(wParam), Value(), MinValue, MaxValue)) {
        case updown::TCharRule::Pass:
            break;
        case updown::TCharRule::Drop:
            return 0;
        case updown::TCharRule::Beep:
            ::MessageBeep(0);
            return 0;
        case updown::TCharRule::MakePositive:
        case updown::TCharRule::Negate:
            AddToValue(-2LL * Value());
            return 0;
        case updown::TCharRule::Cancel:
            ::PostMessageW(::GetAncestor(Handle(), GA_ROOT), WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
            return 0;
        }
        break;
    case WM_MOUSEWHEEL:
        if (!readOnly)
            AddToValue(GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? Increment : -static_cast<long long>(Increment));
        return 0;
    case WM_VSCROLL:
        if (reinterpret_cast<HWND>(lParam) == button && button) {
            if (LOWORD(wParam) == SB_THUMBPOSITION) {
                previousSpin = updown::SpinDirection(static_cast<short>(HIWORD(wParam)), previousSpin);
                // Back to the middle, so that neither end ever blocks a further click.
                ::SendMessageW(button, UDM_SETPOS32, 0, 1);
                Step(previousSpin);
            }
            return 0;
        }
        break;
    case WM_LBUTTONDOWN: {
        mousePress = true;
        LRESULT r = DefaultProc(msg, wParam, lParam);
        mousePress = false;
        return r;
    }
    case WM_SETFOCUS: {
        LRESULT r = DefaultProc(msg, wParam, lParam);
        if (!mousePress && AutoSelect)
            ::SendMessageW(Handle(), EM_SETSEL, 0, -1);
        return r;
    }
    case WM_KILLFOCUS: {
        LRESULT r = DefaultProc(msg, wParam, lParam);
        SetValue(Value());
        return r;
    }
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR: {
        if (readOnly)
            return 0;
        LRESULT r = DefaultProc(msg, wParam, lParam);
        SetValue(Value());
        CheckChanged();
        return r;
    }
    case WM_ENABLE:
        if (button)
            ::EnableWindow(button, static_cast<BOOL>(wParam));
        break;
    case WM_SIZE:
    case WM_SETFONT: {
        LRESULT r = DefaultProc(msg, wParam, lParam);
        PlaceButton();
        return r;
    }
    default:
        break;
    }
    LRESULT r = DefaultProc(msg, wParam, lParam);
    switch (msg) {
    case WM_CHAR:
    case WM_KEYDOWN:
    case WM_SETTEXT:
    case WM_UNDO:
    case EM_UNDO:
    case EM_REPLACESEL:
    case WM_IME_CHAR:
        CheckChanged();
        break;
    default:
        break;
    }
    return r;
}

} // namespace support
