#pragma once
// What the input thread needs to decide, without waiting for the user-interface thread,
// whether a window's process belongs to an application that plays: the processes that have
// sessions, their parents and their executables' paths (hashed). The user-interface thread
// publishes it whenever the followed sessions change; the input thread reads it inside the
// mouse hook, where nothing may allocate or wait.

#include "SessionRules.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

namespace sessions {

class TAppWheelTable {
  public:
    static constexpr int kSlots = 64;

    // User-interface thread. Processes beyond the table's slots are left out.
    void Publish(const std::vector<TProcessFacts>& withSessions) noexcept;
    // Input thread: the rules of ApplicationProcesses, in their order, for process `pid`.
    bool Matches(DWORD pid) const noexcept;
    bool Empty() const noexcept { return count.load(std::memory_order_acquire) == 0; }

  private:
    std::atomic<int> count{0};
    std::atomic<DWORD> pids[kSlots] = {};
    std::atomic<DWORD> parents[kSlots] = {};
    std::atomic<uint64_t> paths[kSlots] = {};
};

// A hash of a path that ignores the case of ASCII letters (0 for an empty path).
uint64_t PathHash(const wchar_t* path) noexcept;
// The parent of a process and the hash of its executable's path, without allocating;
// 0 where it cannot be read.
DWORD ParentProcessOf(DWORD pid) noexcept;
uint64_t ExecutableHashOf(DWORD pid) noexcept;

} // namespace sessions
