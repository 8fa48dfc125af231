#pragma once
// The standard controls: label, button, check box, radio button, edit and combo box.

#include "BaseControl.h"

#include <string>
#include <vector>

namespace fw {

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

} // namespace fw
