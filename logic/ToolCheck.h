#pragma once
// Whether a tool's command describes the current state, for its check mark in menus.

#include <functional>
#include <string>

namespace lorvane {

struct ToolCheckState {
    long long levelPercent = 0; // percent of the current level
    bool muted = false;
    std::wstring defaultDeviceId, defaultDeviceName;
    std::function<long long(long long level)> percentOfLevel;
    std::function<long long(long double percent)> levelOfPercent;
    wchar_t decimalSeparator = L'.';
    std::function<bool(const std::wstring& actionName)> actionChecked;
};

// "Action:" follows the named action's check; absolute "Volume:" and "Sound:" match the
// current level (and mute and device); "Mute:" on or toggle while muted, off while not;
// "Device:" with a name while it is the default. Anything else is unchecked.
bool ToolCommandChecked(const std::wstring& command, const ToolCheckState& state);

} // namespace lorvane
