#pragma once
// The settings file's sections read into the model and written back from it. Plain
// functions over plain data: the main window supplies a snapshot of its action list and
// applies the model to its components afterwards.

#include "IniFile.h"
#include "Settings.h"

#include <string>
#include <vector>

namespace lorvane {

// What the settings file needs to know of an action of the main action list.
struct TActionRef {
    std::wstring Name;
    std::wstring Category; // empty for the fixed actions, "Volume" for presets, "Tool" for tools
};

// The identifiers of the main action list in list order once it holds `presets` preset and
// `tools` tool actions: those of the snapshot's categories are replaced by "Volume<i>Action"
// after VolumeMenuAction and "Tool<i>Action" after ToolMenuAction. This is the list the
// [Keyboard] section and the mouse bindings name, whether or not those actions exist yet.
std::vector<std::wstring> ActionNamesForCounts(const std::vector<TActionRef>& actions, size_t presets,
                                               size_t tools);
// The fixed actions (empty category), in list order: the keys of [Menu].
std::vector<std::wstring> FixedActionNames(const std::vector<TActionRef>& actions);

// Reads every section except [System] into `s`. Each key is read with the current value of
// `s` as its default, except the counts, which default to 10 and rebuild the preset and tool
// lists at their defaults. HotKeys and MenuVisible end up holding exactly the actions of the
// new counts; a mouse binding that names no such action becomes empty. `min`..`max` is the
// level scale for the presets' default levels.
void ReadSettings(const fw::TIniFile& ini, TSettings& s, const std::vector<TActionRef>& actions, int min,
                  int max);

// Erases the eight sections [General] … [Display] and writes them anew from `s`, in the
// file's order; other sections keep their place and content.
void WriteSettings(fw::TIniFile& ini, const TSettings& s, const std::vector<TActionRef>& actions);

// The section names in the order a save leaves them.
inline constexpr const wchar_t* kSettingsSections[] = {L"System", L"General",  L"Volume", L"Tool",   L"Mouse",
                                                       L"Keyboard", L"Menu",   L"Window", L"Display"};

} // namespace lorvane
