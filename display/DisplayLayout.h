#pragma once
// The on-screen display's rules without a window: its size and parts at a resolution, where
// it goes on a work area, how much of the bar is filled, and when it shows at all.

#include "Settings.h"

#include <windows.h>

#include <cstdint>

namespace display {

// The parts of the display in its own pixels at one resolution and size.
struct TDisplayMetrics {
    int Width = 0;
    int Height = 0;
    int Radius = 0;  // of the rounded corners
    int Margin = 0;  // from the work area's edges
    int TitleFont = 0; // pixel heights of the two fonts
    int LevelFont = 0;
    RECT Glyph{};   // the speaker (or the application's icon)
    RECT Title{};   // empty without a title line
    RECT Bar{};
    RECT Level{};   // the percentage or the mute text
};

// `size` is a TDisplaySize; the design sizes are those at 96 DPI for the medium size.
TDisplayMetrics DisplayMetrics(int size, int dpi, bool withTitle);

// The top left corner for one of the nine anchors (TDisplayAnchor) of a work area.
POINT DisplayPosition(const RECT& work, SIZE size, int anchor, int margin);

// Pixels of a bar `width` long filled for `percent` (0..100, clamped), rounded half up.
int BarFill(int width, int percent);

// A window that covers its whole monitor: a full-screen program or game.
bool CoversMonitor(const RECT& window, const RECT& monitor);

// SHQueryUserNotificationState's answers that mean full screen: a busy full-screen
// program, a Direct3D full-screen game, presentation mode.
bool FullScreenNotificationState(int state);

// Whether a change is shown: own changes, others only when asked for, and over a full-screen
// program only when asked for.
bool DisplayWanted(const lorvane::TDisplaySettings& settings, bool ownChange, bool fullScreenInFront);

// Colours of the two looks as 0xAARRGGBB, not premultiplied.
struct TDisplayColours {
    uint32_t Back;   // the panel, slightly translucent
    uint32_t Border;
    uint32_t Text;
    uint32_t Track;  // the bar's empty part
    uint32_t Fill;   // its filled part
    uint32_t MutedFill;
};
const TDisplayColours& DisplayColours(bool dark);

} // namespace display
