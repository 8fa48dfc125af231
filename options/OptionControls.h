#pragma once
// Controls of the settings dialog that are not the framework's standard kinds, registered
// under the kind names its form description uses.

#include "Control.h"

namespace lorvane {

// A numeric edit (kind "TUpDownEdit"): reading returns the clamped value.
class TOptionUpDownEdit : public fw::TControl {
  public:
    using fw::TControl::TControl;
    bool CreateHandle(fw::TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool SetProperty(std::wstring_view key, std::wstring_view value) override;
    bool HasCaption() const noexcept override { return false; }

    int Value();
    void SetValue(int value);
    int MaxValue() const noexcept { return maxValue; }

    fw::TNotifyEvent OnChange;

  protected:
    std::optional<LRESULT> Reflect(UINT msg, WPARAM wParam, LPARAM lParam) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;

  private:
    int minValue = 0;
    int maxValue = 0;
    int increment = 1;
    int maxLength = 0;
    int remembered = 0;
    bool readOnly = false;
};

// Registers the dialog's own kinds with the framework (once; later calls do nothing).
void RegisterOptionControls();

} // namespace lorvane
