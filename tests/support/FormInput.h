#pragma once
// Real keystrokes into forms: the message loop a form needs (dialog keys included) and
// SendInput, for the tests that drive the settings dialog and its controls.

#include "Form.h"

#include <windows.h>

namespace testsupport {

inline void PumpForms(DWORD ms)
{
    const DWORD end = ::GetTickCount() + ms;
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (fw::TForm::IsFormMessage(&msg))
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(5);
    } while (static_cast<LONG>(end - ::GetTickCount()) > 0);
}

// One key going down or up, then time for the forms to see it.
inline void SendKey(WORD key, bool down)
{
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    ::SendInput(1, &in, sizeof(in));
    PumpForms(60);
}

} // namespace testsupport
