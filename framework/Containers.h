#pragma once
// Controls that hold or show others: panels, group boxes and the image.

#include "BaseControl.h"

#include <string>
#include <vector>

namespace fw {

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

// A picture: the icon it shows, stretched to its size.
class TImage : public TControl {
  public:
    using TControl::TControl;
    bool CreateHandle(TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool HasCaption() const noexcept override { return false; }
    void SetIcon(HICON icon); // not owned
};

} // namespace fw
