#pragma once
// A window whose procedure is a member function: `this` is stored at WM_NCCREATE and
// cleared at WM_NCDESTROY; whatever the member does not handle goes to DefWindowProcW.

#include "UniqueHandle.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace fw {

class Window {
  public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Handle() const noexcept { return raw; }

    // Registers the class on first use. A hidden top-level window (not HWND_MESSAGE):
    // broadcasts such as "TaskbarCreated" are not delivered to message-only windows.
    // With `parent` HWND_MESSAGE a message-only window: no broadcasts, but far cheaper than
    // a thread's first top-level window under Wine.
    bool CreateHidden(const wchar_t* className, const wchar_t* caption, DWORD style = WS_POPUP,
                      DWORD exStyle = WS_EX_TOOLWINDOW, UINT classStyle = 0, HWND parent = nullptr);
    void Destroy() noexcept;

  protected:
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

  private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

    UniqueHwnd owned;   // destroys the window with this object
    HWND raw = nullptr; // valid from WM_NCCREATE to WM_NCDESTROY, also while destroying
};

// A hidden window for components that only need a message target: messages go to a
// handler that returns a result when it handled the message.
class MessageWindow : public Window {
  public:
    using Handler = std::function<std::optional<LRESULT>(UINT msg, WPARAM wParam, LPARAM lParam)>;

    bool Create(const wchar_t* className, Handler handler, const wchar_t* caption = L"");
    // For a target of posted and sent messages only (it never sees a broadcast).
    bool CreateMessageOnly(const wchar_t* className, Handler handler);

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;

  private:
    Handler handler;
};

// Pumps the calling thread's queue until it is empty; returns false when WM_QUIT was seen
// (and re-posts it so the outer loop still ends).
bool ProcessMessages() noexcept;

} // namespace fw
