#pragma once
// TDpiManager: watches the resolution of the monitor a form is on and rescales the form from
// the resolution it was designed for. It checks once after creation (a posted message), at
// the form's first show and on the system's WM_DPICHANGED notice; OnChange reports every
// change, and with AutoSize off the owner decides what to do.

#include "Component.h"
#include "Events.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <functional>

namespace support {

enum class TDpiState { Check = 0, System = 1 };

using TDpiChangeEvent = fw::Event<void(fw::TObject* sender, int oldDotsPerInch, int newDotsPerInch,
                                       const RECT& newFormRect, TDpiState state)>;

// The check message the manager posts to its form after creation.
constexpr UINT WM_DPI_CHECK = WM_APP + 0x60; // 32864

class TCustomDpiManager : public fw::TComponent {
  public:
    // Replaces the form's window procedure until destroyed and posts the first check.
    TCustomDpiManager(fw::TComponent* owner, std::wstring name, HWND form);
    ~TCustomDpiManager() override;

    bool AutoSize = true;
    int PixelsPerInch = 96; // the design resolution
    TDpiChangeEvent OnChange;
    // Where the current resolution comes from; the system's monitor query by default.
    std::function<int(HWND form)> DpiProbe;

    HWND Form() const noexcept { return form; }
    int Dpi() const noexcept { return current; }
    int PreviousDpi() const noexcept { return previous; }
    // The resolution of the monitor nearest to the form now.
    int CurrentDpi() const;
    // A design value at the current resolution (runs a pending check first).
    int Scale(int value);
    void Check();
    // Moves and sizes the form to `r` (when empty: its size times n / d) and scales its
    // children, list and combo item heights and its font by n / d.
    void Resize(int n, int d, RECT r);

    // The form's font, owned here, so that a resize can scale it; every child gets it.
    void SetFont(const LOGFONTW& font);
    HFONT Font() const noexcept { return font.get(); }
    // Scales what is inside the form instead of the manager's own child scaling (forms that
    // lay out their own controls).
    std::function<void(int n, int d)> OnScaleContents;

  private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data) noexcept;
    LRESULT FormProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    void SystemNotice(int dpi, const RECT& suggested);
    void ScaleContents(int n, int d);
    void ApplyFont(HFONT old);

    HWND form = nullptr;
    int current = 96;
    int previous = 96;
    bool pending = true;
    bool shown = false;
    fw::UniqueHfont font;
};

class TDpiManager : public TCustomDpiManager {
  public:
    using TCustomDpiManager::TCustomDpiManager;
};

// System query: GetDpiForMonitor when SHCore.dll is loaded already, else the screen's
// logical resolution; 0 when neither answers.
int SystemDpiOf(HWND window) noexcept;

} // namespace support
