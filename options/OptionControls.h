#pragma once
// Controls of the settings dialog that are not the framework's standard kinds, registered
// under the kind names its form description uses. The small controls of support/ are hosted
// as they are: the dialog sees their messages and notifications like any other control's.

#include "Control.h"
#include "TrackBarEx.h"
#include "UpDownEdit.h"

namespace lorvane {

// A numeric edit with its spin button (kind "TUpDownEdit"): reading returns the clamped value.
class TOptionUpDownEdit : public fw::TControl {
  public:
    TOptionUpDownEdit(fw::TComponent* owner, std::wstring name);
    ~TOptionUpDownEdit() override;
    bool CreateHandle(fw::TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool SetProperty(std::wstring_view key, std::wstring_view value) override;
    bool HasCaption() const noexcept override { return false; }
    void SetEnabled(bool on) override;

    int Value() { return edit.Value(); }
    void SetValue(int value) { edit.SetValue(value); }
    support::TUpDownEdit& Edit() noexcept { return edit; }

    fw::TNotifyEvent OnChange;

  protected:
    std::optional<LRESULT> Reflect(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    support::TUpDownEdit edit;
    int maxLength = 0;
};

// The extended track bar (kind "TTrackBarEx").
class TOptionTrackBar : public fw::TControl {
  public:
    TOptionTrackBar(fw::TComponent* owner, std::wstring name);
    ~TOptionTrackBar() override;
    bool CreateHandle(fw::TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool SetProperty(std::wstring_view key, std::wstring_view value) override;
    bool HasCaption() const noexcept override { return false; }
    support::TTrackBarEx& Bar() noexcept { return bar; }
    // The thumb is a length of the control, not one of its bounds: it scales here.
    void ScaleBy(int n, int d) override;

  private:
    support::TTrackBarEx bar;
    int thumbLength = 0; // as last set; 0 while the control's own length stands
};

// Registers the dialog's own kinds with the framework (once; later calls do nothing).
void RegisterOptionControls();

} // namespace lorvane
