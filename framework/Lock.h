#pragma once
// Scope guard of a slim reader/writer lock, for the few places where an operating-system
// thread and the user-interface thread share state.

#include <windows.h>

namespace fw {

class ExclusiveLock {
public:
    explicit ExclusiveLock(SRWLOCK& lock) noexcept : lock(lock) { ::AcquireSRWLockExclusive(&lock); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;
    ~ExclusiveLock() { ::ReleaseSRWLockExclusive(&lock); }

private:
    SRWLOCK& lock;
};

} // namespace fw
