#pragma once
// A child window of a system control class that sees its own messages first: the window is
// subclassed (SetWindowSubclass) for as long as this object lives and destroyed with it.
// The small controls of this folder stand on it; they need nothing from their parent, so any
// container can host them.

#include "Component.h"
#include "UniqueHandle.h"

#include <windows.h>

namespace support {

class TChildControl : public fw::TComponent {
  public:
    using fw::TComponent::TComponent;
    ~TChildControl() override;

    HWND Handle() const noexcept { return handle; }

  protected:
    // Creates the window of `className` in `parent` and subclasses it; false when refused.
    bool CreateWnd(HWND parent, const wchar_t* className, DWORD style, DWORD exStyle, const RECT& bounds,
                   UINT id);
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

  private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data) noexcept;
    void Detach() noexcept;

    HWND handle = nullptr;
    fw::UniqueHwnd owned;
};

} // namespace support
