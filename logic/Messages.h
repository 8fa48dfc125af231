#pragma once
// Private messages of the main window; other processes of the program post them too.

#include <windows.h>

namespace lorvane {

constexpr UINT WM_INSTANCE_NOTIFY = WM_APP + 1001; // 33769: another start of the program happened
constexpr UINT WM_RUN_ACTION = WM_APP + 1002;      // 33770: lParam = index of an action to run
constexpr UINT WM_HOOK_ACTION = WM_APP + 1003;     // an action a hook callback left to run
constexpr UINT WM_OPTION_RELEASE = WM_APP + 1004;  // the settings dialog has closed: free it

constexpr wchar_t kMainWindowClass[] = L"TMainForm";
constexpr wchar_t kMainWindowCaption[] = L"Lorvane";
constexpr wchar_t kInstanceMutexName[] = L"Lorvane.exe";
constexpr wchar_t kSettingsFileName[] = L"Lorvane.ini";
constexpr wchar_t kStartupShortcutName[] = L"Lorvane.lnk";

// Answered by the main window with a piece of its state, so that scripts and end-to-end
// tests can observe a running instance: wParam selects what (see MainProbe).
constexpr wchar_t kProbeMessageName[] = L"Lorvane.Probe";
enum class MainProbe : WPARAM {
    InstanceNotifies = 0, // WM_INSTANCE_NOTIFY messages received
    Started = 1,          // 1 once the deferred start has run
    VolumeChanges = 2,    // OnChange events of the audio facade received
    StartWait = 3,        // the start-up wait in milliseconds
    ActionCount = 4,      // actions in the main action list
    WheelCapture = 5,     // 1 while the system-wide mouse capture is on
    CursorPoll = 6,       // 1 while the cursor is polled for the wheel areas
    GdiObjects = 7,       // this process's GDI objects
    UserObjects = 8,      // its USER objects
    KernelHandles = 9,    // its kernel handles
    PrivateKBytes = 10,   // its private memory in KiB
    InputRenewals = 11,   // hooks installed again and input threads replaced by the watchdog
    StallInput = 12,      // test seam: the input thread hangs for kInputStallSeam ms (answers 1)
    ActionPosition = 13,  // lParam: a global atom naming an action; its list position, or -1
    ApplicationRows = 20, // application rows of the pop-up bar
    SessionSinks = 21,    // session notification objects alive (0 while nothing follows them)
};
constexpr unsigned kInputStallSeam = 8000;

} // namespace lorvane
