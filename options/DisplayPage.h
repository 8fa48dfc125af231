#pragma once
// The settings dialog's Display page: its preview control, drawn by the display's own painter.

#include "Control.h"
#include "DisplayPainter.h"

namespace lorvane {

// The on-screen display as it would look (kind "TDisplayPreview"), at the dialog's resolution,
// made smaller when it does not fit.
class TDisplayPreview : public fw::TControl {
  public:
    using fw::TControl::TControl;
    bool CreateHandle(fw::TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool HasCaption() const noexcept override { return false; }

    // Paints the picture anew and shows it.
    void SetPreview(int size, const display::TDisplayLook& look, const display::TDisplayContent& content);
    // The picture last painted (tests read it).
    const display::TDisplayPainter& Painter() const noexcept { return painter; }
    const display::TDisplayMetrics& Metrics() const noexcept { return metrics; }

  protected:
    std::optional<LRESULT> Reflect(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    void Draw(HDC dc, const RECT& area) const;
    display::TDisplayPainter painter;
    display::TDisplayMetrics metrics;
    bool painted = false;
};

} // namespace lorvane
