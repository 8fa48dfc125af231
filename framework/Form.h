#pragma once
// TForm: a top-level window whose controls are created from a form description, a table of
// rows (control kind, component name, parent name, caption, bounds at 96 DPI, extra
// styles, properties). Every control keeps its name, so that a language file can address
// it, and the form finds any of them by name. Control kinds are looked up in a registry:
// the framework's standard kinds are there from the start, and units with controls of
// their own add theirs (RegisterControlKind).

#include "Control.h"
#include "UniqueHandle.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fw {

struct TControlDesc {
    const wchar_t* Kind;          // registered kind, for example L"TCheckBox"
    const wchar_t* Name;          // component name
    const wchar_t* Parent;        // name of the containing control; empty for the form itself
    const wchar_t* Caption;       // built-in (English) caption
    int Left, Top, Width, Height; // design units at 96 DPI, in the parent's client area
    DWORD Style = 0;              // window styles added to those of the kind
    const wchar_t* Props = L"";   // "Key=Value;Key=Value" handed to SetProperty
};

struct TFormDesc {
    const wchar_t* Name;
    const wchar_t* Caption;
    int ClientWidth, ClientHeight; // at 96 DPI
    DWORD Style, ExStyle;
    const TControlDesc* Controls;
    size_t Count;
};

using TControlFactory = std::function<std::unique_ptr<TControl>(TComponent* owner, const std::wstring& name)>;
// Later registrations of a kind replace earlier ones.
void RegisterControlKind(const std::wstring& kind, TControlFactory factory);
std::unique_ptr<TControl> CreateControlOfKind(const std::wstring& kind, TComponent* owner,
                                              const std::wstring& name);

class TForm : public TControl {
  public:
    TForm(TComponent* owner, std::wstring name);
    ~TForm() override;

    bool CreateHandle(TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    // Creates the window (hidden) and every control of `desc`, scaled from 96 DPI to `dpi`.
    // False when the window or a control could not be created.
    bool CreateFromDesc(const TFormDesc& desc, int dpi, DWORD extraExStyle = 0);

    // Every control the form owns, in creation order (the description's order).
    const std::vector<std::unique_ptr<TControl>>& Components() const noexcept { return components; }
    TControl* FindComponent(std::wstring_view name) const noexcept;
    template <typename T> T* Find(std::wstring_view name) const noexcept
    {
        return dynamic_cast<T*>(FindComponent(name));
    }

    // The form's font (owned); every control gets it.
    HFONT Font() const noexcept { return font.get(); }
    void SetFormFont(const LOGFONTW& lf);
    LOGFONTW FontInfo() const;
    int DesignDpi() const noexcept { return designDpi; }
    int CreationDpi() const noexcept { return creationDpi; }

    void Show();  // modeless, activated
    void Close(); // runs the close query; destroys nothing
    bool Showing() const noexcept;
    void SetClientSize(int width, int height);

    // The modal result the buttons recorded (0 when none); read by the close query.
    int ModalResult = 0;
    TButton* DefaultButton = nullptr; // Enter
    TButton* CancelButton = nullptr;  // Escape

    std::function<bool(TForm* sender)> OnCloseQuery; // false keeps the form open
    TNotifyEvent OnClose;                            // after it was hidden
    TNotifyEvent OnShow;
    Event<void(TObject* sender, UINT msg, WPARAM wParam, LPARAM lParam)> OnMessage; // watchers

    // Keyboard navigation of modeless forms: the message loop calls this for every message
    // before dispatching it; true when a form handled it.
    static bool IsFormMessage(MSG* msg) noexcept;

    // The controls and the font times n / d; the window itself is sized by the caller.
    void ScaleBy(int n, int d) override;

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;
    // Ctrl+Tab and friends; false when the key was not for the form.
    virtual bool KeyPreview(const MSG& msg);

  private:
    std::vector<std::unique_ptr<TControl>> components;
    UniqueHfont font;
    int designDpi = 96;
    int creationDpi = 96;
    DWORD createExStyle = 0;
};

// Design units at 96 DPI to pixels at `dpi` (rounded).
int ScaleDesign(int value, int dpi) noexcept;

} // namespace fw
