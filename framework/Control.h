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

// A window of the framework's own class that only holds other controls: the panels and the
// frames of group boxes and tab sheets. Tab and arrow keys pass into it (WS_EX_CONTROLPARENT).
class TPanel : public TControl {
  public:
    using TControl::TControl;
    bool CreateHandle(TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool HasCaption() const noexcept override { return false; }
};

// A caption frame around the controls inside it. The frame is a system group box behind the
// children, so it looks like every other group box of the system.
class TGroupBox : public TPanel {
  public:
    using TPanel::TPanel;
    bool CreateHandle(TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool HasCaption() const noexcept override { return true; }
    std::wstring Caption() const override;
    void SetCaption(const std::wstring& text) override;
    void SetFont(HFONT font) override;
    void ScaleBy(int n, int d) override;

  protected:
    void ChildAdded(TControl* child) override;

  private:
    HWND frame = nullptr; // destroyed with the panel
};

class TLabel : public TControl {
  public:
    using TControl::TControl;
    bool CreateHandle(TControl* parent, const RECT& bounds, DWORD extraStyle) override;
};

// Push button; `OnClick` also runs for Click() and for the form's Enter and Escape keys.
class TButton : public TControl {
  public:
    using TControl::TControl;
    bool CreateHandle(TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool SetProperty(std::wstring_view key, std::wstring_view value) override;
    void Click();
    // The form's default (Enter) and cancel (Escape) roles; the modal result the form records.
    bool Default = false;
    bool Cancel = false;
    int ModalResult = 0;
    TNotifyEvent OnClick;

  protected:
    std::optional<LRESULT> Reflect(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// Check box and radio button: `Checked` writes fire OnClick when the state changes, as a user
// click does; writing the state it already has fires nothing.
class TCheckBox : public TButton {
  public:
    using TButton::TButton;
    bool CreateHandle(TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool Checked() const noexcept;
    void SetChecked(bool on);

  protected:
    std::optional<LRESULT> Reflect(UINT msg, WPARAM wParam, LPARAM lParam) override;
    virtual DWORD ButtonStyle() const noexcept { return BS_CHECKBOX; }
    bool checkedState = false;
};

// Radio buttons of one parent form one group: checking one unchecks the others.
class TRadioButton : public TCheckBox {
  public:
    using TCheckBox::TCheckBox;
    void SetCheckedGroup(bool on);

  protected:
    std::optional<LRESULT> Reflect(UINT msg, WPARAM wParam, LPARAM lParam) override;
    DWORD ButtonStyle() const noexcept override { return BS_RADIOBUTTON; }
};

class TEdit : public TControl {
  public:
    using TControl::TControl;
    bool CreateHandle(TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool SetProperty(std::wstring_view key, std::wstring_view value) override;
    bool HasCaption() const noexcept override { return false; }
    std::wstring Text() const { return TControl::Caption(); }
    void SetText(const std::wstring& text) { TControl::SetCaption(text); }
    void SetMaxLength(int length);
    void SetReadOnly(bool on);
    TNotifyEvent OnChange;

  protected:
    std::optional<LRESULT> Reflect(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// Drop-down list ("Style=List", no typing) or editable combo box ("Style=Edit"). Items carry
// an owned string each (a device ID, a command).
class TComboBox : public TControl {
  public:
    using TControl::TControl;
    bool CreateHandle(TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool SetProperty(std::wstring_view key, std::wstring_view value) override;
    bool HasCaption() const noexcept override { return false; }

    std::wstring Text() const { return TControl::Caption(); }
    void SetText(const std::wstring& text);
    int Count() const noexcept;
    int ItemIndex() const noexcept;
    void SetItemIndex(int index);
    std::wstring Item(int index) const;
    const std::wstring& ItemData(int index) const;
    int Add(const std::wstring& text, std::wstring data = {});
    void Clear();
    void BeginUpdate();
    void EndUpdate();
    int IndexOf(const std::wstring& text) const;
    // The closed height; the list below it is sized from the drop-down count.
    void SetBounds(int left, int top, int width, int height) override;
    // Text kept apart from what the combo shows (the settings dialog keeps a value there).
    std::wstring Hint;

    TNotifyEvent OnChange; // the text of an editable combo changed by typing
    TNotifyEvent OnSelect; // a row of the list was chosen

  protected:
    std::optional<LRESULT> Reflect(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void ScaleItems(int n, int d) override;

  private:
    bool editable = false;
    int dropDownCount = 8;
    std::vector<std::wstring> data; // parallel to the items
};

// Report-style list view with the captions of its columns ("Columns=Button:170,Action:220").
class TListView : public TControl {
  public:
    using TControl::TControl;
    bool CreateHandle(TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool SetProperty(std::wstring_view key, std::wstring_view value) override;
    bool HasCaption() const noexcept override { return false; }

    int ColumnCount() const noexcept;
    std::wstring ColumnCaption(int column) const;
    void SetColumnCaption(int column, const std::wstring& text);
    int ColumnWidth(int column) const noexcept;
    void SetColumnWidth(int column, int width);
    void ScaleBy(int n, int d) override;

    TNotifyEvent OnSelectItem;
    TNotifyEvent OnDblClick;

  protected:
    std::optional<LRESULT> Reflect(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// List box whose items carry a check box (owner-drawn, fixed item height).
class TCheckListBox : public TControl {
  public:
    using TControl::TControl;
    bool CreateHandle(TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool SetProperty(std::wstring_view key, std::wstring_view value) override;
    bool HasCaption() const noexcept override { return false; }
    int ItemHeight() const noexcept;
    void SetItemHeight(int height);

    int Count() const noexcept;
    int Add(const std::wstring& text, bool checked);
    void Clear();
    std::wstring Item(int index) const;
    bool Checked(int index) const noexcept;
    void SetChecked(int index, bool on);
    int ItemIndex() const noexcept;
    void SetItemIndex(int index);
    void BeginUpdate();
    void EndUpdate();

    // Draws the part right of the check box; without it the item's text is drawn.
    Event<void(TObject* sender, int index, HDC dc, const RECT& rect, bool selected)> OnDrawItem;
    TNotifyEvent OnClickCheck; // the user toggled a check box
    TNotifyEvent OnDblClick;

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;
    std::optional<LRESULT> Reflect(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void ScaleItems(int n, int d) override;
    int CheckWidth() const noexcept;
    void Toggle(int index);
    int itemHeight = 16;
    bool sorted = false;
};

// A picture: the icon it shows, stretched to its size.
class TImage : public TControl {
  public:
    using TControl::TControl;
    bool CreateHandle(TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool HasCaption() const noexcept override { return false; }
    void SetIcon(HICON icon); // not owned
};

// The tabs; each TTabSheet inside is one page, laid over the tab control's display area.
class TTabSheet;
class TPageControl : public TControl {
  public:
    using TControl::TControl;
    bool CreateHandle(TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool HasCaption() const noexcept override { return false; }

    int PageCount() const noexcept { return static_cast<int>(pages.size()); }
    TTabSheet* Page(int index) const noexcept;
    int ActivePageIndex() const noexcept;
    // Ignored unless 0 <= index < PageCount.
    void SetActivePageIndex(int index);
    // Next or previous page, wrapping (Ctrl+Tab, Ctrl+PgDn …).
    void SelectNextPage(bool forward);
    void SetFont(HFONT font) override;
    void ScaleBy(int n, int d) override;

    TNotifyEvent OnChange;

  private:
    friend class TTabSheet;
    void AddPage(TTabSheet* page);
    void LayoutPages();
    void ShowActivePage();
    std::optional<LRESULT> Reflect(UINT msg, WPARAM wParam, LPARAM lParam) override;
    std::vector<TTabSheet*> pages;
};

class TTabSheet : public TPanel {
  public:
    using TPanel::TPanel;
    // The parent must be a TPageControl; the bounds are its display area.
    bool CreateHandle(TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool HasCaption() const noexcept override { return true; }
    std::wstring Caption() const override { return caption; }
    void SetCaption(const std::wstring& text) override;
    int PageIndex() const noexcept;

  private:
    std::wstring caption;
    TPageControl* pageControl = nullptr;
};

// Parses "a:1,b:2" style lists of a form description.
std::vector<std::wstring> SplitList(std::wstring_view text, wchar_t separator);
std::optional<int> ParseInt(std::wstring_view text);

} // namespace fw
