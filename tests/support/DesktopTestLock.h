#pragma once
// Test programs of every build session share one Wine desktop and its one pointer; holding
// this named mutex keeps their icon and pointer tests from interleaving.

#include "UniqueHandle.h"

#include <windows.h>

namespace testsupport {

class DesktopTestLock {
public:
    DesktopTestLock() : mutex(::CreateMutexW(nullptr, FALSE, L"LorvaneDesktopPointerTests"))
    {
        if (mutex)
            ::WaitForSingleObject(mutex.get(), 5 * 60 * 1000);
    }
    ~DesktopTestLock()
    {
        if (mutex)
            ::ReleaseMutex(mutex.get());
    }
    DesktopTestLock(const DesktopTestLock&) = delete;
    DesktopTestLock& operator=(const DesktopTestLock&) = delete;

private:
    fw::UniqueHandleK mutex;
};

} // namespace testsupport
