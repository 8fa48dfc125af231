#pragma once
// Private messages of the audio backends' hidden windows. Callbacks from operating-system
// threads only post these; the handlers run on the user-interface thread.

#include <windows.h>

// The default console render endpoint changed: reopen it and raise OnDevice.
inline constexpr UINT WM_MV_DEVICE = 0x06B0; // 1712
// Volume or mute of the opened endpoint changed: invalidate the volume cache, raise OnVolume.
inline constexpr UINT WM_MV_VOLUME = 0x06B1; // 1713
// An endpoint became active or inactive: enumerate again and rebuild the device caches.
inline constexpr UINT WM_MV_DEVICELIST = 0x06B2; // 1714
