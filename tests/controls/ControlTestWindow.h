#pragma once
// A plain top-level window to hold the controls under test.

#include "Window.h"

#include <windows.h>

namespace testsupport {

class TestHost : public fw::Window {
  public:
    explicit TestHost(int width = 300, int height = 200, bool visible = false)
    {
        CreateHidden(L"LorvaneControlTestHost", L"Control test", WS_POPUP | (visible ? WS_VISIBLE : 0), 0);
        ::SetWindowPos(Handle(), nullptr, 40, 40, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
};

} // namespace testsupport
