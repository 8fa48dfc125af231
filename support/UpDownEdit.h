#pragma once
// TUpDownEdit: a numeric edit with a spin button inside its right edge. The text always ends
// up as a clamped integer: typing is filtered, Up/Down keys, the wheel and the button step by
// Increment, and paste, cut and leaving the edit re-write the value.

#include "ChildControl.h"
#include "Events.h"

#include <string>

namespace support {

// Pure rules of the value, shared by the control and its tests.
namespace updown {
// The nearer bound when MinValue < MaxValue and v lies outside; otherwise v (0..0 clamps nothing).
long long Clamp(long long v, int minValue, int maxValue) noexcept;
// Empty text reads 0, an integer reads itself, anything else the remembered value; then clamped.
int Read(const std::wstring& text, int remembered, int minValue, int maxValue) noexcept;
std::wstring Format(int value, bool showPlus);

enum class TCharRule { Pass, Drop, Beep, MakePositive, Negate, Cancel };
TCharRule ClassifyChar(wchar_t ch, int value, int minValue, int maxValue) noexcept;

// The spin button runs in 0..2 starting at 1: 2 is up, 0 is down, and 1 (the control came
// back to the middle) is the opposite of the previous step. Returns +1 or -1.
int SpinDirection(int position, int previousDirection) noexcept;
} // namespace updown

class TUpDownEdit : public TChildControl {
  public:
    using TChildControl::TChildControl;
    ~TUpDownEdit() override;

    // Creates the edit and its button; right-aligned unless `style` holds ES_LEFT/ES_CENTER.
    bool Create(HWND parent, const RECT& bounds, UINT id = 0, DWORD style = WS_TABSTOP | WS_BORDER,
                DWORD exStyle = WS_EX_CLIENTEDGE);

    int Value();
    void SetValue(int value);
    std::wstring Text() const;
    void SetText(const std::wstring& text);

    int Increment = 1;
    int MinValue = 0;
    int MaxValue = 0;
    bool ShowPlus = false;
    bool AutoSelect = true;
    COLORREF EnableColor = ::GetSysColor(COLOR_WINDOW);
    COLORREF DisableColor = ::GetSysColor(COLOR_BTNFACE);

    bool ReadOnly() const noexcept { return readOnly; }
    void SetReadOnly(bool on);
    void SetMaxLength(int length);
    bool VisibleButton() const noexcept { return visibleButton; }
    void SetVisibleButton(bool on);
    HWND Button() const noexcept { return button; }

    // For the parent's WM_CTLCOLOREDIT/WM_CTLCOLORSTATIC: the background of the current state.
    HBRUSH CtlColor(HDC dc);

    // One step as the button gives it (+1 up, -1 down).
    void Step(int direction);

    fw::TNotifyEvent OnChange;
    fw::TNotifyEvent OnUpClick;
    fw::TNotifyEvent OnDownClick;

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;

  private:
    void PlaceButton();
    void CheckChanged();
    void AddToValue(long long delta);

    HWND button = nullptr; // a child of the edit: destroyed with it
    int remembered = 0;
    int previousSpin = 1;
    bool readOnly = false;
    bool visibleButton = true;
    bool mousePress = false;
    std::wstring lastText = L"0";
    fw::UniqueHbrush brush;
    COLORREF brushColor = CLR_INVALID;
};

} // namespace support
