#pragma once
// Private message numbers of the notification-area icon.

#include <windows.h>

// The shell's callback for the icon (version-0 convention: wParam = icon id, lParam = the
// mouse or balloon message).
inline constexpr UINT WM_NOTIFYICON_CALLBACK = WM_APP + 100; // 32868
static_assert(WM_NOTIFYICON_CALLBACK == 32868);

// The one icon a TNotifyIcon puts into the notification area.
inline constexpr UINT kNotifyIconId = 1;
