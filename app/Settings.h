#pragma once
// The settings model held by the main window. Every value starts as its built-in default;
// the settings file only overwrites what it contains.

#include <windows.h>

#include <string>

namespace lorvane {

struct TSettings {
    // Reset at session end and suspend.
    bool Reset = false;
    int ReVolume = 32767;
    bool ReMute = false;
    std::wstring ReDevice;

    unsigned QueInterval = 0; // ms between queued actions; 0 runs actions at once
    bool BalloonHint = true;
    unsigned BalloonDelay = 0; // ms before a balloon notice (2000 from Windows 10 on)
    unsigned BarColor = 0x80000000u | COLOR_BTNFACE; // pop-up bar background, a system colour
};

} // namespace lorvane
