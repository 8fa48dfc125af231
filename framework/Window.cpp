#include "Window.h"

namespace fw {

Window::~Window()
{
    Destroy();
}

bool Window::CreateHidden(const wchar_t* className, const wchar_t* caption, DWORD style, DWORD exStyle,
                          UINT classStyle, HWND parent)
{
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExW(instance, className, &wc)) {
        wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = classStyle;
        wc.lpfnWndProc = StaticWndProc;
        wc.hInstance = instance;
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = className;
        if (!::RegisterClassExW(&wc))
            return false;
    }
    HWND created =
        ::CreateWindowExW(exStyle, className, caption, style, 0, 0, 0, 0, parent, nullptr, instance, this);
    if (!created)
        return false;
    owned.reset(created);
    return true;
}

void Window::Destroy() noexcept
{
    owned.reset();
}

LRESULT Window::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    return DefaultProc(msg, wParam, lParam);
}

LRESULT Window::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    return ::DefWindowProcW(raw, msg, wParam, lParam);
}

LRESULT CALLBACK Window::StaticWndProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    Window* self;
    if (msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->raw = h;
        ::SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Window*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
    }
    if (!self)
        return ::DefWindowProcW(h, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(h, GWLP_USERDATA, 0);
        LRESULT r = self->WndProc(msg, wParam, lParam);
        // The window is gone: forget it without destroying it a second time.
        self->raw = nullptr;
        (void)self->owned.release();
        return r;
    }
    return self->WndProc(msg, wParam, lParam);
}

bool MessageWindow::Create(const wchar_t* className, Handler h, const wchar_t* caption)
{
    handler = std::move(h);
    return CreateHidden(className, caption);
}

bool MessageWindow::CreateMessageOnly(const wchar_t* className, Handler h)
{
    handler = std::move(h);
    return CreateHidden(className, L"", 0, 0, 0, HWND_MESSAGE);
}

LRESULT MessageWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    if (handler) {
        if (std::optional<LRESULT> r = handler(msg, wParam, lParam))
            return *r;
    }
    return DefaultProc(msg, wParam, lParam);
}

bool ProcessMessages() noexcept
{
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(m.wParam));
            return false;
        }
        ::TranslateMessage(&m);
        ::DispatchMessageW(&m);
    }
    return true;
}

} // namespace fw
