#pragma once
// TOnScreenDisplay: the level shown on the screen for a moment after a change. A layered,
// click-through, topmost window that never takes the focus or the foreground; it is created
// at its first need, updated in place while shown, and fades out after the settings'
// Duration without a change. Hidden it has no timer running.

#include "DisplayPainter.h"
#include "Settings.h"
#include "Window.h"

#include <windows.h>

#include <functional>

namespace display {

// What the display reads of the system; tests substitute their own.
struct TDisplaySystem {
    std::function<bool(POINT&)> CursorPos;
    std::function<HWND()> Foreground;
    // SHQueryUserNotificationState's answer, or 0 when the system has no such call.
    std::function<int()> NotificationState;
    // AppsUseLightTheme: true unless the user chose dark applications.
    std::function<bool()> LightTheme;
    static TDisplaySystem Real();
};

// The monitor's work area, whole area and dots per inch.
struct TDisplayMonitor {
    RECT Work{};
    RECT Area{};
    int Dpi = 96;
};
TDisplayMonitor MonitorAt(POINT p);
TDisplayMonitor MonitorOf(HWND window);

class TOnScreenDisplay : public fw::Window {
  public:
    static constexpr wchar_t kClassName[] = L"LorvaneDisplay";

    explicit TOnScreenDisplay(TDisplaySystem system = TDisplaySystem::Real());
    ~TOnScreenDisplay() override;

    lorvane::TDisplaySettings Settings;
    // Owned by the program's window, it never gets a taskbar button of its own.
    HWND Owner = nullptr;
    std::wstring FontName; // the language's font, empty for the system's
    int FontCharset = DEFAULT_CHARSET;

    // Whether a program covers its monitor in front (or the system says it is busy so).
    bool FullScreenInFront() const;
    // Shows `content` (or updates it in place) and starts the Duration anew. False when the
    // window could not be made or drawn.
    bool Show(const TDisplayContent& content);
    void Hide();
    bool Visible() const noexcept { return shown; }
    // How often the picture was drawn, and how often the window was made (tests, the bench).
    long Paints() const noexcept { return paints; }

    // The look the settings choose now (the system's theme unless one is chosen).
    bool DarkLook() const;

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;

  private:
    bool EnsureWindow();
    TDisplayMonitor TargetMonitor() const;
    bool Present(BYTE alpha);
    void TimerTick(UINT_PTR id);

    TDisplaySystem system;
    TDisplayPainter painter;
    TDisplayContent content;
    TDisplayLook look;
    POINT position{};
    bool shown = false;
    int fadeStep = 0;
    long paints = 0;
};

} // namespace display
