#pragma once
// TControl: a component with a child window of the system's own classes (or a container of
// the framework's), subclassed so that the control sees its own messages and the
// notifications that its parent receives from it (WM_COMMAND, WM_NOTIFY, WM_HSCROLL …).
// Containers (panels, group boxes, tab sheets, forms) are TControls too: every control's
// window procedure hands the notifications of child controls back to them ("reflection"),
// so nesting does not lose a click.

#include "Component.h"

#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

class TControl : public TComponent {
  public:
    TControl(TComponent* owner, std::wstring name);
    ~TControl() override;

    HWND Handle() const noexcept { return handle; }
    TControl* Parent() const noexcept { return parent; }
    // Child controls in creation order (which is the tab order).
    const std::vector<TControl*>& Controls() const noexcept { return children; }

    // Creates the window inside `parent` (top level when null) at `bounds` (pixels, parent
    // client coordinates) with the kind's styles plus `extraStyle`. False when the system
    // refused it.
    virtual bool CreateHandle(TControl* parent, const RECT& bounds, DWORD extraStyle) = 0;

    // Sets one property that a form description names ("Max=100"); false when the kind has
    // no such property or the value does not fit.
    virtual bool SetProperty(std::wstring_view key, std::wstring_view value);

    // Whether the control shows a caption that a language file may replace.
    virtual bool HasCaption() const noexcept { return true; }
    virtual std::wstring Caption() const;
    virtual void SetCaption(const std::wstring& text);

    bool Enabled() const noexcept;
    virtual void SetEnabled(bool on);
    bool Visible() const noexcept;
    void SetVisible(bool on);
    bool Focused() const noexcept;
    // Enabled and visible up to the top-level window.
    bool CanFocus() const noexcept;
    void SetFocus();

    RECT BoundsRect() const; // in the parent's client coordinates
    virtual void SetBounds(int left, int top, int width, int height);
    int Left() const { return BoundsRect().left; }
    int Top() const { return BoundsRect().top; }
    int Width() const;
    int Height() const;
    void SetHeight(int height);

    // The font of this control and every control inside it (not owned).
    virtual void SetFont(HFONT font);
    // Positions, sizes and item heights times n / d, recursively (resolution changes).
    virtual void ScaleBy(int n, int d);

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    static TControl* FromHandle(HWND hwnd) noexcept;

  protected:
    // Creates and subclasses the window; used by CreateHandle of each kind.
    bool CreateWnd(TControl* parentControl, const wchar_t* className, const std::wstring& text, DWORD style,
                   DWORD exStyle, const RECT& bounds, UINT id = 0);
    // Takes a window that another object created and owns (a control of its own class
    // hierarchy): this control sees its messages first but never destroys it.
    bool AttachWnd(TControl* parentControl, HWND window);
    // Stops seeing the window's messages; the window stays.
    void Detach() noexcept;
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    // A notification that this control's parent received from it; empty when unhandled.
    virtual std::optional<LRESULT> Reflect(UINT msg, WPARAM wParam, LPARAM lParam);
    // A control was created inside this one.
    virtual void ChildAdded(TControl* child) { (void)child; }
    // The item heights of a list or combo box times n / d.
    virtual void ScaleItems(int n, int d)
    {
        (void)n;
        (void)d;
    }

  private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data) noexcept;
    static std::optional<LRESULT> ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    bool Adopt(TControl* parentControl, HWND window);

    HWND handle = nullptr;
    bool ownsWindow = true;
    TControl* parent = nullptr;
    std::vector<TControl*> children;
};

// Parses "a:1,b:2" style lists and the values of a form description.
std::vector<std::wstring> SplitList(std::wstring_view text, wchar_t separator);
std::optional<int> ParseInt(std::wstring_view text);
bool IsTrue(std::wstring_view value);

// A window's text, whole.
std::wstring WindowText(HWND window);

} // namespace fw
