#include "InputThread.h"

#include <atomic>
#include <cstdint>
#include <mutex>

namespace input {

namespace {

constexpr UINT kReconcile = WM_APP + 1; // bring the hooks in line with what is wanted
constexpr UINT kPing = WM_APP + 2;      // the watchdog asks whether the thread answers
constexpr UINT kRenew = WM_APP + 3;     // wParam: a slot whose hook the system dropped
constexpr UINT kStall = WM_APP + 4;     // wParam: milliseconds to hang (test seam)
constexpr wchar_t kWindowClass[] = L"LorvaneInputThread";

// A caller never waits longer than this for the input thread.
constexpr DWORD kCallTimeout = 1000;
constexpr DWORD kStartTimeout = 5000;
// While a hook is installed the watchdog looks every interval; a thread that leaves a ping
// unanswered this long hangs, and input the mouse hook has not seen for this long after it
// arrived means the system dropped the hook.
constexpr DWORD kWatchInterval = 500;
constexpr DWORD kHungAfter = 600;
constexpr DWORD kDroppedAfter = 1000;

struct Slot {
    int idHook = 0;
    HOOKPROC proc = nullptr;
    std::atomic<bool> wanted{false};
    std::atomic<HHOOK> hook{nullptr};
    std::atomic<DWORD> lastCall{0};
    std::atomic<bool> mouse{false};
};

struct State {
    Slot slots[TInputThread::kMaxSlots];
    std::atomic<int> slotCount{0};
    std::mutex start; // starting and replacing the thread
    std::atomic<HWND> window{nullptr};
    std::atomic<DWORD> threadId{0};
    std::atomic<unsigned> generation{0};
    std::atomic<DWORD> lastAlive{0};
    std::atomic<DWORD> pingSent{0}; // 0: none outstanding
    std::atomic<long> renewals{0};
    std::atomic<uint64_t> pointer{0}; // where a mouse hook saw the pointer last
    HANDLE ready = nullptr;           // the new thread's window exists
    HANDLE watchWake = nullptr;
    DWORD mismatchSince = 0; // the watchdog's own
};

// Never destroyed: the threads may still run while the process's statics go.
State& S() noexcept
{
    static State* state = new State;
    return *state;
}

uint64_t Pack(POINT p) noexcept
{
    return (static_cast<uint64_t>(static_cast<uint32_t>(p.x)) << 32) | static_cast<uint32_t>(p.y);
}

POINT Unpack(uint64_t v) noexcept
{
    return {static_cast<LONG>(static_cast<int32_t>(v >> 32)), static_cast<LONG>(static_cast<int32_t>(v))};
}

bool Later(DWORD a, DWORD b, DWORD by) noexcept
{
    return static_cast<LONG>(a - b) > static_cast<LONG>(by);
}

void Install(Slot& slot) noexcept
{
    slot.lastCall = ::GetTickCount();
    slot.hook = ::SetWindowsHookExW(slot.idHook, slot.proc, ::GetModuleHandleW(nullptr), 0);
}

// On the input thread.
void Reconcile() noexcept
{
    State& s = S();
    for (int i = 0; i < s.slotCount; ++i) {
        Slot& slot = s.slots[i];
        if (slot.wanted && !slot.hook) {
            Install(slot);
        } else if (!slot.wanted && slot.hook) {
            // Forgotten whether or not the system still knew it: a dead handle kept would
            // stand in for a hook that no longer runs.
            ::UnhookWindowsHookEx(slot.hook.exchange(nullptr));
        }
    }
}

// On a new input thread: its own hooks for every wanted slot, then the old thread's go. In
// that order no event slips between them.
void TakeOver() noexcept
{
    State& s = S();
    for (int i = 0; i < s.slotCount; ++i) {
        Slot& slot = s.slots[i];
        HHOOK old = slot.hook.exchange(nullptr);
        if (slot.wanted)
            Install(slot);
        if (old)
            ::UnhookWindowsHookEx(old);
    }
}

void Renew(int index) noexcept
{
    State& s = S();
    if (index < 0 || index >= s.slotCount)
        return;
    Slot& slot = s.slots[index];
    if (!slot.wanted)
        return;
    HHOOK old = slot.hook.exchange(nullptr);
    Install(slot);
    if (old)
        ::UnhookWindowsHookEx(old);
    ++s.renewals;
}

LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    if (msg < kReconcile || msg > kStall)
        return ::DefWindowProcW(window, msg, wParam, lParam);
    State& s = S();
    // A thread that was replaced does nothing more: the hooks are its successor's.
    if (static_cast<unsigned>(::GetWindowLongPtrW(window, GWLP_USERDATA)) != s.generation)
        return 0;
    s.lastAlive = ::GetTickCount();
    switch (msg) {
    case kReconcile:
        Reconcile();
        break;
    case kPing:
        s.pingSent = 0;
        break;
    case kRenew:
        Renew(static_cast<int>(wParam));
        break;
    case kStall:
        ::Sleep(static_cast<DWORD>(wParam));
        break;
    default:
        break;
    }
    return 0;
}

DWORD WINAPI ThreadProc(void* parameter) noexcept
{
    State& s = S();
    const auto generation = static_cast<unsigned>(reinterpret_cast<uintptr_t>(parameter));
    HWND window = ::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    if (window) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, static_cast<LONG_PTR>(generation));
        s.lastAlive = ::GetTickCount();
        s.threadId = ::GetCurrentThreadId();
        TakeOver();
        s.window = window;
    }
    ::SetEvent(s.ready);
    if (!window)
        return 1;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0 && generation == s.generation)
        ::DispatchMessageW(&msg);
    ::DestroyWindow(window);
    return 0;
}

// Under s.start.
bool StartThread() noexcept
{
    State& s = S();
    const unsigned generation = ++s.generation;
    ::ResetEvent(s.ready);
    HANDLE thread = ::CreateThread(nullptr, 0, ThreadProc,
                                   reinterpret_cast<void*>(static_cast<uintptr_t>(generation)), 0, nullptr);
    if (!thread)
        return false;
    ::CloseHandle(thread);
    return ::WaitForSingleObject(s.ready, kStartTimeout) == WAIT_OBJECT_0 && s.window;
}

bool AnyWanted() noexcept
{
    State& s = S();
    for (int i = 0; i < s.slotCount; ++i)
        if (s.slots[i].wanted)
            return true;
    return false;
}

void Replace() noexcept
{
    State& s = S();
    std::lock_guard<std::mutex> lock(s.start);
    HWND old = s.window.exchange(nullptr);
    s.pingSent = 0;
    ++s.renewals;
    StartThread();
    if (old)
        ::PostMessageW(old, WM_NULL, 0, 0); // ends the old loop once it runs again
}

// Input arrived well after the mouse hook's last call, the pointer is not where the hook saw
// it last, and so it stays for a while: the system no longer calls the hook. (The hook is
// called before the system moves the pointer, so the two differ for a moment on their own.)
void CheckDropped(DWORD now) noexcept
{
    State& s = S();
    for (int i = 0; i < s.slotCount; ++i) {
        Slot& slot = s.slots[i];
        if (!slot.mouse || !slot.wanted || !slot.hook)
            continue;
        POINT cursor{};
        LASTINPUTINFO input{sizeof(input), 0};
        const POINT seen = Unpack(s.pointer);
        if (!::GetCursorPos(&cursor) || (cursor.x == seen.x && cursor.y == seen.y) ||
            !::GetLastInputInfo(&input) || !Later(input.dwTime, slot.lastCall, kWatchInterval)) {
            s.mismatchSince = 0;
            continue;
        }
        if (s.mismatchSince == 0) {
            s.mismatchSince = now;
        } else if (Later(now, s.mismatchSince, kDroppedAfter - 1)) {
            s.mismatchSince = 0;
            s.pointer = Pack(cursor);
            ::PostMessageW(s.window, kRenew, static_cast<WPARAM>(i), 0);
        }
    }
}

void Check() noexcept
{
    State& s = S();
    if (!AnyWanted()) {
        s.pingSent = 0;
        return;
    }
    const DWORD now = ::GetTickCount();
    if (const DWORD sent = s.pingSent) {
        if (Later(now, sent, kHungAfter - 1))
            Replace();
        return;
    }
    if (Later(now, s.lastAlive, kWatchInterval - 1)) {
        s.pingSent = now | 1; // never 0
        ::PostMessageW(s.window, kPing, 0, 0);
    }
    CheckDropped(now);
}

DWORD WINAPI WatchProc(void*) noexcept
{
    State& s = S();
    for (;;) {
        ::WaitForSingleObject(s.watchWake, AnyWanted() ? kWatchInterval : INFINITE);
        Check();
    }
}

HWND EnsureStarted() noexcept
{
    State& s = S();
    if (HWND w = s.window)
        return w;
    std::lock_guard<std::mutex> lock(s.start);
    if (HWND w = s.window)
        return w;
    if (!s.ready) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kWindowClass;
        ::RegisterClassW(&wc);
        s.ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        s.watchWake = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
        if (!s.ready || !s.watchWake)
            return nullptr;
        if (HANDLE watch = ::CreateThread(nullptr, 0, WatchProc, nullptr, 0, nullptr))
            ::CloseHandle(watch);
    }
    StartThread();
    return s.window;
}

} // namespace

int TInputThread::Register(int idHook, HOOKPROC proc) noexcept
{
    State& s = S();
    const int index = s.slotCount.fetch_add(1);
    if (index >= kMaxSlots)
        return -1;
    Slot& slot = s.slots[index];
    slot.idHook = idHook;
    slot.proc = proc;
    slot.mouse = idHook == WH_MOUSE_LL;
    return index;
}

void TInputThread::Want(int index, bool on) noexcept
{
    if (index >= 0 && index < kMaxSlots)
        S().slots[index].wanted = on;
}

void TInputThread::Apply(int index) noexcept
{
    State& s = S();
    if (index < 0 || index >= kMaxSlots)
        return;
    Slot& slot = s.slots[index];
    const bool on = slot.wanted;
    if (Current()) {
        Reconcile();
    } else if (on || slot.hook) {
        if (HWND window = EnsureStarted()) {
            DWORD_PTR result = 0;
            ::SendMessageTimeoutW(window, kReconcile, 0, 0, SMTO_NORMAL, kCallTimeout, &result);
        }
    }
    if (on && s.watchWake)
        ::SetEvent(s.watchWake); // starts the watch
}

HHOOK TInputThread::Hook(int index) noexcept
{
    return index >= 0 && index < kMaxSlots ? S().slots[index].hook.load() : nullptr;
}

void TInputThread::NoteCall(int index) noexcept
{
    State& s = S();
    const DWORD now = ::GetTickCount();
    s.lastAlive = now;
    if (index >= 0 && index < kMaxSlots)
        s.slots[index].lastCall = now;
}

void TInputThread::NoteCall(int index, POINT pointer) noexcept
{
    NoteCall(index);
    S().pointer = Pack(pointer);
}

bool TInputThread::Current() noexcept
{
    return S().threadId == ::GetCurrentThreadId();
}

long TInputThread::Renewals() noexcept
{
    return S().renewals;
}

void TInputThread::Stall(DWORD ms) noexcept
{
    if (HWND window = S().window)
        ::PostMessageW(window, kStall, ms, 0);
}

} // namespace input
