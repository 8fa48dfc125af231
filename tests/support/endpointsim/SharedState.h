#pragma once
// The simulated system lives in one file mapped by every process that uses it (the COM
// server inside each client, endpointsim.exe, test programs), guarded by a named mutex.
// Changes are appended to a ring of records and every registered listener's event is
// signalled; listeners read the records they have not seen yet.

#include "UniqueHandle.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace endpointsim {

constexpr int MaxEndpoints = 32;
constexpr int IdCapacity = 64; // "{0.0.0.00000000}.{GUID}" is 55 characters
constexpr int NameCapacity = 256;
constexpr int RingSize = 256;
constexpr int MaxListeners = 64;
constexpr int MaxProcesses = 64;
constexpr int RoleCount = 3; // eConsole, eMultimedia, eCommunications
constexpr int MaxSessions = 160; // expired sessions free their slot
constexpr int PathCapacity = 260;

enum class ChangeKind : uint32_t {
    Volume = 1,
    DefaultDevice,
    DeviceState,
    DeviceAdded,
    DeviceRemoved,
    SessionCreated, // the rest name a session by ChangeRecord::session
    SessionVolume,
    SessionState,
    SessionName,
};

// AudioSessionState values; a free slot is expired.
enum SessionStateValue : uint32_t { SessionInactive = 0, SessionActive = 1, SessionExpired = 2 };

// An audio session: one per process and endpoint (the process ID 0 and `system` for the
// system sounds session every endpoint has).
struct SessionRecord {
    uint32_t session; // unique for the life of the state file; 0: free slot
    uint32_t processId;
    uint64_t processCreated; // tells a reused process ID from the process that owned it
    uint32_t state;          // SessionStateValue
    int32_t mute;
    float volume;
    int32_t system;
    wchar_t endpointId[IdCapacity];
    wchar_t displayName[NameCapacity];
    wchar_t iconPath[PathCapacity];
    wchar_t executable[PathCapacity]; // file name only
};

struct EndpointRecord {
    wchar_t id[IdCapacity];
    wchar_t name[NameCapacity];
    uint32_t state; // DEVICE_STATE_ACTIVE or DEVICE_STATE_DISABLED
    float scalar;
    int32_t mute;
    uint32_t reserved;
};

struct ChangeRecord {
    uint64_t sequence;
    ChangeKind kind;
    int32_t role;
    GUID context;
    float scalar;
    int32_t mute;
    uint32_t state;
    uint32_t session; // SessionRecord::session for the session kinds
    wchar_t id[IdCapacity]; // empty for "no default endpoint"; the endpoint of a session
    wchar_t name[NameCapacity]; // SessionName
};

struct ListenerSlot {
    GUID token; // names the listener's event; all zero when the slot is free
    uint32_t processId;
    uint32_t reserved;
};

// Indexes into CounterBlock::values, in the order of endpointsim::Counters.
enum class Counter {
    GetScalar,
    GetMute,
    SetScalar,
    SetMute,
    GetId,
    GetFriendlyName,
    GetCount,
    Item,
    GetDefaultEndpoint,
    SetDefaultEndpoint,
    Count
};

struct CounterBlock {
    uint32_t processId; // 0: free
    uint32_t reserved;
    uint64_t processCreated; // tells a reused process ID from the process that owned the block
    int32_t values[static_cast<int>(Counter::Count)];
};

struct Layout {
    uint32_t magic;
    uint32_t version;
    uint32_t size;
    int32_t endpointCount;
    int32_t defaults[RoleCount]; // endpoint index per role, -1 for none
    uint32_t delayMs;            // every client call takes this much longer (a hung service)
    uint64_t nextSequence;
    EndpointRecord endpoints[MaxEndpoints];
    ChangeRecord ring[RingSize];
    ListenerSlot listeners[MaxListeners];
    CounterBlock counters[MaxProcesses];
    SessionRecord sessions[MaxSessions];
    uint32_t nextSession;
    uint32_t reserved;
    uint32_t held; // not 0: no process hears of a change until it is 0 again (then of all, in order)
    uint32_t reserved2;
};

class SharedState {
  public:
    // Holds the mutex; records appended through it are announced to the listeners when it
    // ends, still under the mutex (signalling an event never calls out of the simulator).
    class Access {
      public:
        explicit Access(SharedState& owner) noexcept;
        Access(const Access&) = delete;
        Access& operator=(const Access&) = delete;
        ~Access();

        Layout& Data() noexcept { return *owner.layout; }
        ChangeRecord& Append(ChangeKind kind, const wchar_t* id) noexcept;
        // Counts a call made by this process (dropped when the table of processes is full).
        void Count(Counter counter) noexcept;
        // Wakes every listener when the access ends, as an appended record does.
        void Announce() noexcept { appended = true; }

      private:
        SharedState& owner;
        bool appended = false;
    };

    // The state of this module, opened at first use from LORVANE_ENDPOINTSIM_STATE (or the
    // default file in %TEMP%); nullptr when the file cannot be opened.
    static SharedState* Current() noexcept;
    // The state for a call a client makes through the simulated interfaces: first the delay
    // that `endpointsim delay` set, outside the mutex, as a hung audio service would take.
    static SharedState* ForClientCall() noexcept;
    // Forgets the state opened so far, so the next Current() follows the environment again.
    static void Forget() noexcept;
    static std::wstring ConfiguredPath();

    const std::wstring& Path() const noexcept { return path; }

    // Listener registration: the event is created by the caller and named by EventName.
    std::wstring EventName(const GUID& token) const;
    bool AddListener(const GUID& token, uint64_t& lastSeen) noexcept;
    uint64_t LastSequence() noexcept;
    // The records after lastSeen. A reader that fell so far behind that the ring no longer
    // holds some of them gets, after the rest, records of the present state instead: every
    // endpoint's state and volume and every role's default, as if each had just changed. The
    // platform never drops a notification, and a client that missed the last default switch
    // would otherwise stay on the old endpoint for good.
    std::vector<ChangeRecord> ReadSince(uint64_t& lastSeen) noexcept;
    bool Held() noexcept;

    std::vector<int32_t> ReadCounters() noexcept;
    void ResetCounters() noexcept;

  private:
    SharedState() = default;
    bool Open(const std::wstring& file) noexcept;
    void Signal(Layout& data) noexcept;
    static void AppendPresentState(const Layout& data, uint64_t sequence, std::vector<ChangeRecord>& records);
    CounterBlock* OwnCounters(Layout& data) noexcept;

    std::wstring path;
    std::wstring objectPrefix; // named kernel objects of this state file start with it
    fw::UniqueHandleK mutex;
    fw::UniqueFile file;
    fw::UniqueHandleK mapping;
    fw::UniqueView view;
    Layout* layout = nullptr;
};

// A fresh endpoint ID in the platform's form.
std::wstring NewEndpointId();

// The creation time of a process (0 when unknown), and whether the process that had it
// still runs under that ID.
uint64_t ProcessCreationTime(HANDLE process) noexcept;
bool ProcessAlive(uint32_t processId, uint64_t created) noexcept;

} // namespace endpointsim
