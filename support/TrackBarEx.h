#pragma once
// TTrackBarEx: a track bar whose OnScroll tells how the user moved it (the codes below), with
// a mode in which a press on the channel first jumps the thumb to the cursor, the mouse wheel
// taken as one arrow key per message, and enter and leave events.

#include "ChildControl.h"
#include "Events.h"

namespace support {

enum class TTrackMode { tmDefault, tmCursor };

// Scroll codes of OnScroll.
enum TTrackScrollCode : int {
    tsLineUp = 0,   // Up or Left key (or the wheel turned away from the user)
    tsLineDown = 1, // Down or Right key (or the wheel turned towards the user)
    tsPageUp = 2,
    tsPageDown = 3,
    tsEnd = 4,
    tsHome = 5,
    tsTrack = 6,   // moved with only the left button held
    tsPress = 7,   // left button pressed on the track
    tsRelease = 8, // that button released
};

using TTrackScrollEvent = fw::Event<void(fw::TObject* sender, int scrollCode, int scrollPos)>;

namespace trackbar {
// The code of a key that moved the thumb; -1 for keys without one.
int KeyScrollCode(WPARAM key) noexcept;
// A vertical bar's channel comes back as if the bar were horizontal; `channel` is as reported.
bool PressOnTrack(POINT p, const RECT& channel, const RECT& thumb, bool vertical) noexcept;
// The position under cursor coordinate `c` along a channel lo..hi with a thumb of length
// `thumb`; halves round to even, the result is clamped to min..max.
int CursorPosition(int c, int lo, int hi, int thumb, int min, int max) noexcept;
} // namespace trackbar

class TTrackBarEx : public TChildControl {
  public:
    using TChildControl::TChildControl;

    // `style` adds to WS_CHILD | WS_VISIBLE; TBS_VERT makes it vertical.
    bool Create(HWND parent, const RECT& bounds, UINT id = 0, DWORD style = WS_TABSTOP);

    bool Vertical() const noexcept;
    int Min() const noexcept;
    int Max() const noexcept;
    void SetRange(int min, int max);
    int Position() const noexcept;
    void SetPosition(int position); // raises OnChange when it moved
    void SetLineSize(int size);
    void SetPageSize(int size);
    void SetThumbLength(int length);

    TTrackMode TrackMode = TTrackMode::tmDefault;
    bool ShowSelRange() const noexcept { return showSelRange; }
    void SetShowSelRange(bool on);
    void SetSelection(int selStart, int selEnd);
    int SelStart() const noexcept { return selStart; }
    int SelEnd() const noexcept { return selEnd; }

    TTrackScrollEvent OnScroll;
    fw::TNotifyEvent OnChange; // every change of the position, by the user or the program
    fw::TNotifyEvent OnMouseEnter;
    fw::TNotifyEvent OnMouseLeave;

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;

  private:
    void Scroll(int code);
    void CheckChanged();
    void ApplySelection();

    bool pressOnTrack = false;
    bool inButtonUp = false;
    bool mouseInside = false;
    bool showSelRange = false;
    int selStart = 0;
    int selEnd = 0;
    int lastPosition = 0;
};

} // namespace support
