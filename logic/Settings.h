#pragma once
// The settings model held by the main window: one field per key of the settings file, named
// after its key. Every value starts as its built-in default; the settings file only
// overwrites what it contains. The defaults here are those of the level scale 0..65535 that
// the main window gives the audio facade.

#include <windows.h>

#include <climits>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace lorvane {

constexpr int kDefaultLevelMin = 0;
constexpr int kDefaultLevelMax = 65535;
constexpr int kDefaultPresetCount = 10;
constexpr int kDefaultToolCount = 10;
// Bounds of the [Volume] and [Tool] counts: each preset and tool becomes an action, a menu
// item and a hotkey slot, and the program offers no way to set the counts; a negative
// count reads as 0, a larger one as this bound.
constexpr int kMaxPresetCount = 100;
constexpr int kMaxToolCount = 100;
constexpr int kOptionPositionNotSet = INT_MIN;

struct TPreset {
    uint16_t Level = 0;  // a level on the facade's scale
    bool Active = false; // shown directly in the main menu
};

struct TTool {
    std::wstring Command; // a verb or a command line
    bool Active = true;
    std::wstring Caption;
};

// Preset i at Scale(i + 1; 0..count -> min..max), all inactive.
std::vector<TPreset> DefaultPresets(int count, int min, int max);
std::vector<TTool> DefaultTools(int count);

// Tray-icon mouse bindings: the identifier of an action, or empty for none.
struct TMouseBindings {
    std::wstring Click = L"PopupBarAction";
    std::wstring DoubleClick;
    std::wstring RightClick = L"MainMenuAction";
    std::wstring WheelClick = L"MuteChangeAction";
    std::wstring WheelUp = L"VolumeUpAction";
    std::wstring WheelDown = L"VolumeDownAction";
};

struct TWindowGeometry {
    // The pop-up bar's outer size; the bar's own layout replaces these before the load.
    int MainWidth = 233;
    int MainHeight = 209;
    int OptionLeft = kOptionPositionNotSet;
    int OptionTop = kOptionPositionNotSet;
    int OptionPage = 0;
};

// The on-screen display of the level ([Display]). Anchors count row by row from the top
// left: 0 1 2 / 3 4 5 / 6 7 8.
enum TDisplayAnchor : int { daTopLeft, daTop, daTopRight, daLeft, daCenter, daRight, daBottomLeft, daBottom, daBottomRight };
enum TDisplayMonitor : int { dmCursor, dmForeground };
enum TDisplaySize : int { dsSmall, dsMedium, dsLarge };
enum TDisplayTheme : int { dtSystem, dtLight, dtDark };
constexpr unsigned kMaxDisplayDuration = 60000; // ms

struct TDisplaySettings {
    bool Enabled = false;
    int Anchor = daBottom;
    int Monitor = dmCursor;
    int Size = dsMedium;
    unsigned Duration = 1500; // ms without a change before it fades out
    int Theme = dtSystem;
    bool OutsideChanges = false; // also for changes made by other programs
    bool FullScreen = false;     // also over a full-screen program
    bool Device = false;         // the device name above the bar
    bool operator==(const TDisplaySettings&) const = default;
};

struct TSettings {
    // [General]
    std::wstring LangName;
    bool FormatRealVol = false;
    int FormatDevice = 32;
    bool IconMuteFix = false;
    std::wstring IconDir = L"Digital White";
    uint16_t LowStep = (kDefaultLevelMax - kDefaultLevelMin) / 100;
    uint16_t HighStep = (kDefaultLevelMax - kDefaultLevelMin) / 20;
    bool AccelStep = true;
    int AccelStepCount = 6;
    unsigned AccelStepTime = 250; // ms
    bool RoundStep = true;
    bool Reset = false; // reset at session end and suspend
    int ReVolume = (kDefaultLevelMax - kDefaultLevelMin) / 2;
    bool ReMute = false;
    std::wstring ReDevice; // empty keeps the current device
    bool BalloonHint = true;
    unsigned BalloonTime = 2000; // ms
    bool AutoMute = false;
    bool AutoUnmute = true;
    bool SoundEnabled = true;
    std::wstring SoundFile;    // empty: the system beep
    unsigned SoundDelay = 500; // ms
    bool MessageDlg = true;
    unsigned QueInterval = 0; // ms between queued actions; 0 runs actions at once
    bool HotKeyEnabled = true;
    bool WheelEnabled = true;
    int WheelMargin = 1;
    uint8_t WheelAreas = 1;
    uint8_t WheelKeys = 0;
    // The wheel with these modifiers (WheelKeys bits; 0: off) over a window steps that
    // window's application instead of the master volume.
    uint8_t AppWheelKeys = 0;
    bool BarApplications = true; // the pop-up bar shows a row per playing application

    // [Volume] and [Tool]
    std::vector<TPreset> Presets = DefaultPresets(kDefaultPresetCount, kDefaultLevelMin, kDefaultLevelMax);
    std::vector<TTool> Tools = DefaultTools(kDefaultToolCount);

    // [Mouse]
    TMouseBindings Mouse;
    // [Keyboard]: shortcut code by action identifier (exact); a missing name has none.
    std::map<std::wstring, uint16_t> HotKeys;
    // [Menu]: whether the item of a fixed action is shown, by action identifier.
    std::map<std::wstring, bool> MenuVisible;

    // [Window]
    TWindowGeometry Window;
    // [Display]
    TDisplaySettings Display;

    // Not in the file: chosen by the Windows version at start.
    unsigned BalloonDelay = 0;                       // ms before a balloon notice (2000 from Windows 10 on)
    unsigned BarColor = 0x80000000u | COLOR_BTNFACE; // pop-up bar background, a system colour
};

} // namespace lorvane
