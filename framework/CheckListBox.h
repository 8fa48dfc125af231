#pragma once
// A list box whose items carry a check box.

#include "BaseControl.h"

#include <string>
#include <vector>

namespace fw {

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

} // namespace fw
