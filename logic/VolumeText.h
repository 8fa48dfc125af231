#pragma once
// The display text of a level: the tooltip of the tray icon and the label of the pop-up bar.
// Pure, so every rule (the device word "$d", real percentages, hostile language texts) is
// tested without a window.

#include <string>
#include <string_view>

namespace lorvane {

struct TVolumeTextContext {
    int Min = 0;
    int Max = 65535;
    // Below 0: the generic word, the full device name on a second line. 0 up to the short
    // name's length: the generic word. Otherwise the short name.
    int FormatDevice = 32;
    // "%d" shows the level as a real percentage with two decimals.
    bool FormatRealVol = false;
    std::wstring DefDevice; // the generic word ("Volume")
    std::wstring ShortName; // of the default device
    std::wstring FullName;  // of the default device
    wchar_t DecimalSeparator = L'.';
};

// `format` is a language text: "$d" (any case) stands for the device word, "%d" for the
// percentage. A text that does not fit its argument falls back to the real percentage, then
// to the bare whole percentage. Device names are never read as format text.
std::wstring FormatVolumeText(int level, std::wstring_view format, bool withDevice,
                              const TVolumeTextContext& c);

} // namespace lorvane
