#pragma once
// The program's built-in actions, in list order.

namespace lorvane {

struct BuiltInAction {
    const wchar_t* name;
    const wchar_t* caption;
    bool visible;
    int tag; // 100: the action changes level, mute or device
};

// List order is part of the program's interface: WM_RUN_ACTION and hotkeys name positions.
inline constexpr BuiltInAction kBuiltInActions[] = {
    {L"DeviceMenuAction", L"Default Device", true, 0},
    {L"DeviceChangeAction", L"Default Device Change", false, 100},
    {L"VolumeMenuAction", L"Volume", true, 0},
    {L"VolumeUpAction", L"Volume Up", false, 100},
    {L"VolumeDownAction", L"Volume Down", false, 100},
    {L"VolumeResetAction", L"Volume Reset", false, 100},
    {L"MuteChangeAction", L"Mute", true, 100},
    {L"MuteOffAction", L"Mute Off", false, 100},
    {L"MuteOnAction", L"Mute On", false, 100},
    {L"PopupBarAction", L"Volume Bar", false, 0},
    {L"PopupVolumeAction", L"Master Volume", false, 0},
    {L"RunControlAction", L"Volume Control", true, 0},
    {L"RunProperty0Action", L"Audio Properties", true, 0},
    {L"RunProperty1Action", L"Audio Properties (Audio)", false, 0},
    {L"RunProperty2Action", L"Audio Properties (Hardware)", false, 0},
    {L"RunProperty3Action", L"Audio Properties (Extended 1)", false, 0},
    {L"RunProperty4Action", L"Audio Properties (Extended 2)", false, 0},
    {L"RunOptionAction", L"Sound Settings", false, 0},
    {L"ToolMenuAction", L"Tool", true, 0},
    {L"EnableHotKeyAction", L"Enable Keyboard", true, 0},
    {L"EnableWheelAction", L"Enable Mouse Wheel", true, 0},
    {L"ShowOptionAction", L"Settings", true, 0},
    {L"ShowVersionAction", L"Version", false, 0},
    {L"ShowHelpAction", L"Help", false, 0},
    {L"MainMenuAction", L"Menu", false, 0},
    {L"RestartAction", L"Restart", false, 0},
    {L"CloseAction", L"Exit", true, 0},
    // The focused application's sessions; appended, so stored positions keep their meaning.
    {L"AppVolumeUpAction", L"Application Volume Up", false, 0},
    {L"AppVolumeDownAction", L"Application Volume Down", false, 0},
    {L"AppMuteChangeAction", L"Application Mute", false, 0},
};

} // namespace lorvane
