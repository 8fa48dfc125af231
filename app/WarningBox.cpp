#include "WarningBox.h"

#include "TextList.h"
#include "UniqueHandle.h"

#include <algorithm>

namespace lorvane {

namespace {

constexpr int kStandardButtonIds[kMsgDlgBtnCount] = {IDYES,    IDNO, IDOK, IDCANCEL, IDABORT, IDRETRY,
                                                     IDIGNORE, 0,    0,    0,        IDHELP};
constexpr int kMessageTextId = 0xFFFF; // the text of the system's message box
constexpr int kCheckBoxExtra = 16;     // the box's square and its gap, at 96 DPI
constexpr int kCheckBoxMinHeight = 16;

struct BoxContext {
    const TWarning* warning;
    bool checked;
    HWND box = nullptr;
    WNDPROC boxProc = nullptr;
    bool laidOut = false;
};

thread_local BoxContext* activeBox = nullptr;

RECT ChildRect(HWND parent, HWND child)
{
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

HWND MessageText(HWND box)
{
    if (HWND text = ::GetDlgItem(box, kMessageTextId))
        return text;
    // Any static with text will do where the system numbers its text otherwise.
    for (HWND c = ::GetWindow(box, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[16] = {};
        ::GetClassNameW(c, cls, 16);
        if (::lstrcmpiW(cls, L"Static") == 0 && ::GetWindowTextLengthW(c) > 0)
            return c;
    }
    return nullptr;
}

void AddCheckBox(BoxContext& ctx, HWND box)
{
    const TWarning& w = *ctx.warning;
    RECT client{};
    ::GetClientRect(box, &client);
    const int oldHeight = client.bottom;

    HWND buttons[kMsgDlgBtnCount] = {};
    int firstTop = oldHeight;
    for (int i = 0; i < kMsgDlgBtnCount; ++i) {
        int id = kStandardButtonIds[i];
        if (id == 0 || !(buttons[i] = ::GetDlgItem(box, id)))
            continue;
        firstTop = std::min<int>(firstTop, ChildRect(box, buttons[i]).top);
    }
    if (w.CheckBoxCaption.empty()) {
        // A notice with nothing to silence: the buttons only take their captions.
        for (int i = 0; i < kMsgDlgBtnCount; ++i)
            if (buttons[i] && !w.ButtonCaptions[static_cast<size_t>(i)].empty())
                ::SetWindowTextW(buttons[i], w.ButtonCaptions[static_cast<size_t>(i)].c_str());
        return;
    }
    const int band = oldHeight - firstTop;

    HWND text = MessageText(box);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(text ? text : box, WM_GETFONT, 0, 0));
    const RECT textRect = text ? ChildRect(box, text) : RECT{0, 0, client.right, 0};
    int width = client.right;
    bool measured = false;
    int height = kCheckBoxMinHeight;
    if (HDC dc = ::GetDC(box)) {
        const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
        height = ::MulDiv(kCheckBoxMinHeight, dpi, 96);
        HGDIOBJ old = ::SelectObject(dc, font);
        RECT r{};
        if (::DrawTextW(dc, w.CheckBoxCaption.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE) > 0) {
            width = r.right - r.left + ::MulDiv(kCheckBoxExtra, dpi, 96);
            measured = true;
            height = std::max(height, static_cast<int>(r.bottom - r.top));
        }
        ::SelectObject(dc, old);
        ::ReleaseDC(box, dc);
    }

    const int left = textRect.left;
    HWND check = ::CreateWindowExW(
        0, L"BUTTON", w.CheckBoxCaption.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, left,
        firstTop, width, height, box, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kWarningCheckBoxId)),
        nullptr, nullptr);
    if (check) {
        ::SendMessageW(check, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        ::SendMessageW(check, BM_SETCHECK, ctx.checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }

    // The buttons go below the check box, which takes their old place.
    for (int i = 0; i < kMsgDlgBtnCount; ++i) {
        if (!buttons[i])
            continue;
        RECT r = ChildRect(box, buttons[i]);
        ::SetWindowPos(buttons[i], nullptr, r.left, r.top + band, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (!w.ButtonCaptions[static_cast<size_t>(i)].empty())
            ::SetWindowTextW(buttons[i], w.ButtonCaptions[static_cast<size_t>(i)].c_str());
    }
    // A translated caption longer than the text must not be cut off by the frame.
    const int grow =
        measured ? std::max(0, left + width - static_cast<int>(std::max(textRect.right, textRect.left))) : 0;
    RECT outer{};
    ::GetWindowRect(box, &outer);
    ::SetWindowPos(box, nullptr, outer.left - grow / 2, outer.top, outer.right - outer.left + grow,
                   outer.bottom - outer.top + band, SWP_NOZORDER | SWP_NOACTIVATE);
    if (grow > 0) {
        for (HWND b : buttons)
            if (b) {
                RECT r = ChildRect(box, b);
                ::SetWindowPos(b, nullptr, r.left + grow / 2, r.top, 0, 0,
                               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
    }
}

// The box places its text and buttons while it initialises (after it may have been
// activated): the check box goes in once that is done.
LRESULT CALLBACK BoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    BoxContext* ctx = activeBox;
    if (!ctx || hwnd != ctx->box)
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    LRESULT r = ::CallWindowProcW(ctx->boxProc, hwnd, msg, wParam, lParam);
    if (msg == WM_INITDIALOG && !ctx->laidOut) {
        ctx->laidOut = true;
        AddCheckBox(*ctx, hwnd);
    }
    return r;
}

LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam) noexcept
{
    BoxContext* ctx = activeBox;
    if (ctx) {
        HWND hwnd = reinterpret_cast<HWND>(wParam);
        auto isBox = [hwnd] {
            wchar_t cls[16] = {};
            ::GetClassNameW(hwnd, cls, 16);
            return ::lstrcmpW(cls, L"#32770") == 0;
        };
        if (code == HCBT_CREATEWND && !ctx->box && isBox()) {
            ctx->box = hwnd;
            ctx->boxProc = reinterpret_cast<WNDPROC>(
                ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BoxProc)));
        } else if (code == HCBT_DESTROYWND && hwnd == ctx->box) {
            ctx->checked = ::IsDlgButtonChecked(hwnd, kWarningCheckBoxId) == BST_CHECKED;
            if (ctx->boxProc)
                ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ctx->boxProc));
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

const wchar_t* TypeTitle(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::mtWarning:
        return L"Warning";
    case TMsgDlgType::mtError:
        return L"Error";
    case TMsgDlgType::mtInformation:
        return L"Information";
    case TMsgDlgType::mtConfirmation:
        return L"Confirm";
    case TMsgDlgType::mtCustom:
        break;
    }
    return L"Lorvane";
}

} // namespace

int StandardButtonId(TMsgDlgBtn button)
{
    return button >= 0 && button < kMsgDlgBtnCount ? kStandardButtonIds[button] : 0;
}

UINT WarningBoxStyle(TMsgDlgType type, TMsgDlgButtons buttons)
{
    UINT style = 0;
    switch (type) {
    case TMsgDlgType::mtWarning:
        style = MB_ICONEXCLAMATION;
        break;
    case TMsgDlgType::mtError:
        style = MB_ICONHAND;
        break;
    case TMsgDlgType::mtInformation:
        style = MB_ICONASTERISK;
        break;
    case TMsgDlgType::mtConfirmation:
        style = MB_ICONQUESTION;
        break;
    case TMsgDlgType::mtCustom:
        break;
    }
    auto has = [buttons](TMsgDlgBtn b) { return (buttons & MsgDlgButton(b)) != 0; };
    // The system's fixed button rows that hold the requested buttons.
    if (has(mbAbort) || has(mbIgnore))
        style |= MB_ABORTRETRYIGNORE;
    else if (has(mbYes) || has(mbNo))
        style |= has(mbCancel) ? MB_YESNOCANCEL : MB_YESNO;
    else if (has(mbRetry))
        style |= MB_RETRYCANCEL;
    else if (has(mbCancel))
        style |= MB_OKCANCEL;
    else
        style |= MB_OK;
    if (has(mbHelp))
        style |= MB_HELP;
    return style;
}

int ShowWarning(const TWarning& warning, bool& checked)
{
    BoxContext ctx{&warning, checked};
    BoxContext* outer = activeBox;
    activeBox = &ctx;
    fw::UniqueHhook hook(::SetWindowsHookExW(WH_CBT, BoxHook, nullptr, ::GetCurrentThreadId()));

    const std::wstring text = ExpandLineBreaks(warning.Text);
    const std::wstring title = warning.Title.empty() ? TypeTitle(warning.Type) : warning.Title;
    MSGBOXPARAMSW p{};
    p.cbSize = sizeof(p);
    p.hwndOwner = warning.Owner;
    p.hInstance = ::GetModuleHandleW(nullptr);
    p.lpszText = text.c_str();
    p.lpszCaption = title.c_str();
    // The system's box plays the sound of its icon itself.
    p.dwStyle = WarningBoxStyle(warning.Type, warning.Buttons) | MB_SETFOREGROUND;
    p.dwContextHelpId = warning.HelpContext;
    int result = ::MessageBoxIndirectW(&p);

    hook.reset();
    activeBox = outer;
    checked = ctx.checked;
    return result;
}

} // namespace lorvane
