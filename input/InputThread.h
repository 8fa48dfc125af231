#pragma once
// The thread that owns the program's low-level hooks. The system waits for a low-level hook
// before it delivers any input to any program, and silently drops a hook that keeps it
// waiting too long; a hook on the user-interface thread would hold up the whole desktop
// whenever that thread blocks (a hung audio service, a slow save, a modal loop's work). So
// the hooks live on a thread that does nothing but own them and pump its messages, and the
// hook procedures decide from state the user-interface thread publishes.
//
// A watchdog thread looks after them while any hook is installed: a hook the system dropped
// (input arrived that it did not see) is installed again, and an input thread that stops
// answering is replaced by a new one that takes over every hook.

#include <windows.h>

namespace input {

class TInputThread {
  public:
    static constexpr int kMaxSlots = 4;

    /// A hook kind the input thread keeps installed while it is wanted; slots live for the
    /// whole process. -1 when every slot is taken.
    static int Register(int idHook, HOOKPROC proc) noexcept;
    /// Whether the slot's hook should be installed; cheap, and safe under a caller's lock.
    static void Want(int slot, bool on) noexcept;
    /// Brings the slot's hook in line with Want on the input thread and returns once that
    /// happened (or after a bounded wait, should the input thread not answer: the watchdog
    /// then sets things right). A hook whose removal fails is forgotten all the same, so the
    /// next install makes a fresh one instead of trusting a dead handle.
    static void Apply(int slot) noexcept;
    static HHOOK Hook(int slot) noexcept;

    /// First thing of every hook call: the thread is alive, and (for the mouse) where the
    /// pointer was seen last.
    static void NoteCall(int slot) noexcept;
    static void NoteCall(int slot, POINT pointer) noexcept;

    /// Whether the caller is the input thread.
    static bool Current() noexcept;
    /// Hooks installed again and input threads replaced since the start.
    static long Renewals() noexcept;
    /// Test seam: the input thread sleeps for `ms` as if it hung.
    static void Stall(DWORD ms) noexcept;
};

} // namespace input
