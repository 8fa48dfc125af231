#include "SharedState.h"

#include "Endpoints.h"

#include <objbase.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <memory>
#include <mutex>

namespace endpointsim {

namespace {

constexpr uint32_t LayoutMagic = 0x53455643; // "CVES"
constexpr uint32_t LayoutVersion = 2;
constexpr wchar_t StateVariable[] = L"LORVANE_ENDPOINTSIM_STATE";

std::mutex currentLock;
std::unique_ptr<SharedState> current;
// States replaced by Forget stay alive: another thread of the module may still use them.
std::vector<std::unique_ptr<SharedState>> retired;

std::wstring HexDigits(uint64_t value, int digits)
{
    std::wstring text(static_cast<size_t>(digits), L'0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4)
        text[static_cast<size_t>(i)] = L"0123456789abcdef"[value & 0xF];
    return text;
}

// Every process must derive the same object names from the same file, however the path
// was spelled.
uint64_t PathHash(const std::wstring& fullPath) noexcept
{
    uint64_t hash = 14695981039346656037ull;
    for (wchar_t c : fullPath) {
        hash ^= static_cast<uint16_t>(std::towupper(c == L'/' ? L'\\' : c));
        hash *= 1099511628211ull;
    }
    return hash;
}

std::wstring FullPath(const std::wstring& file)
{
    DWORD needed = ::GetFullPathNameW(file.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return file;
    std::wstring full(needed, L'\0');
    DWORD written = ::GetFullPathNameW(file.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed)
        return file;
    full.resize(written);
    return full;
}

} // namespace

uint64_t ProcessCreationTime(HANDLE process) noexcept
{
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return (static_cast<uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

bool ProcessAlive(uint32_t processId, uint64_t created) noexcept
{
    fw::UniqueHandleK process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process)
        return ::GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    if (::GetExitCodeProcess(process.get(), &code) && code != STILL_ACTIVE)
        return false;
    return ProcessCreationTime(process.get()) == created;
}

namespace {

bool IsZero(const GUID& g) noexcept
{
    return g == GUID{};
}

} // namespace

std::wstring NewEndpointId()
{
    GUID guid{};
    if (FAILED(::CoCreateGuid(&guid)))
        return {};
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    std::wstring id = L"{0.0.0.00000000}.";
    for (const wchar_t* p = text; *p; ++p)
        id += static_cast<wchar_t>(std::towlower(*p));
    return id;
}

SharedState::Access::Access(SharedState& owner) noexcept : owner(owner)
{
    // An abandoned mutex still hands over ownership; the state it guards is whole records.
    ::WaitForSingleObject(owner.mutex.get(), INFINITE);
}

SharedState::Access::~Access()
{
    if (appended)
        owner.Signal(*owner.layout);
    ::ReleaseMutex(owner.mutex.get());
}

ChangeRecord& SharedState::Access::Append(ChangeKind kind, const wchar_t* id) noexcept
{
    Layout& data = Data();
    ChangeRecord& r = data.ring[data.nextSequence % RingSize];
    r = {};
    r.sequence = data.nextSequence++;
    r.kind = kind;
    wcsncpy(r.id, id ? id : L"", IdCapacity - 1);
    appended = true;
    return r;
}

std::wstring SharedState::ConfiguredPath()
{
    wchar_t buffer[MAX_PATH * 2];
    DWORD n = ::GetEnvironmentVariableW(StateVariable, buffer, ARRAYSIZE(buffer));
    if (n > 0 && n < ARRAYSIZE(buffer))
        return buffer;
    n = ::GetTempPathW(ARRAYSIZE(buffer), buffer);
    std::wstring dir = (n > 0 && n < ARRAYSIZE(buffer)) ? std::wstring(buffer, n) : std::wstring(L".\\");
    if (dir.back() != L'\\')
        dir += L'\\';
    return dir + L"lorvane-endpointsim.state";
}

SharedState* SharedState::Current() noexcept
{
    try {
        std::lock_guard<std::mutex> guard(currentLock);
        if (!current) {
            std::unique_ptr<SharedState> opened(new SharedState);
            if (!opened->Open(ConfiguredPath()))
                return nullptr;
            current = std::move(opened);
        }
        return current.get();
    } catch (...) {
        return nullptr;
    }
}

SharedState* SharedState::ForClientCall() noexcept
{
    SharedState* state = Current();
    if (state && state->layout) {
        const uint32_t delay = reinterpret_cast<volatile const uint32_t&>(state->layout->delayMs);
        if (delay > 0)
            ::Sleep(delay);
    }
    return state;
}

void SharedState::Forget() noexcept
{
    try {
        std::lock_guard<std::mutex> guard(currentLock);
        if (current)
            retired.push_back(std::move(current));
    } catch (...) {
    }
}

bool SharedState::Open(const std::wstring& requested) noexcept
{
    try {
        path = FullPath(requested);
        objectPrefix = L"Local\\LorvaneEndpointSim-" + HexDigits(PathHash(path), 16);
        mutex.reset(::CreateMutexW(nullptr, FALSE, (objectPrefix + L"-lock").c_str()));
        if (!mutex)
            return false;
        ::WaitForSingleObject(mutex.get(), INFINITE);
        struct Unlock {
            HANDLE h;
            ~Unlock() { ::ReleaseMutex(h); }
        } unlock{mutex.get()};

        file.reset(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false;
        // A mapping larger than the file grows the file (with zeros) to the mapping's size.
        mapping.reset(::CreateFileMappingW(file.get(), nullptr, PAGE_READWRITE, 0, sizeof(Layout), nullptr));
        if (!mapping)
            return false;
        view.reset(::MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Layout)));
        if (!view)
            return false;
        layout = static_cast<Layout*>(view.get());

        if (layout->magic != LayoutMagic || layout->version != LayoutVersion ||
            layout->size != sizeof(Layout)) {
            std::memset(layout, 0, sizeof(Layout));
            layout->nextSequence = 1;
            for (int& d : layout->defaults)
                d = -1;
            // The mutex is held already; a thread may take it again (it counts recursion).
            Access init(*this);
            ResetSystem(init, {});
            layout->magic = LayoutMagic;
            layout->version = LayoutVersion;
            layout->size = sizeof(Layout);
        }
        return true;
    } catch (...) {
        return false;
    }
}

std::wstring SharedState::EventName(const GUID& token) const
{
    wchar_t text[40] = {};
    ::StringFromGUID2(token, text, 40);
    return objectPrefix + L"-listener-" + text;
}

bool SharedState::AddListener(const GUID& token, uint64_t& lastSeen) noexcept
{
    Access access(*this);
    Layout& data = access.Data();
    for (int pass = 0; pass < 2; ++pass) {
        for (ListenerSlot& slot : data.listeners) {
            if (IsZero(slot.token)) {
                slot.token = token;
                slot.processId = ::GetCurrentProcessId();
                lastSeen = data.nextSequence - 1;
                return true;
            }
        }
        // Full: drop the slots of processes that have gone, then try once more.
        Signal(data);
    }
    return false;
}

void SharedState::Signal(Layout& data) noexcept
{
    try {
        for (ListenerSlot& slot : data.listeners) {
            if (IsZero(slot.token))
                continue;
            fw::UniqueHandleK event(::OpenEventW(EVENT_MODIFY_STATE, FALSE, EventName(slot.token).c_str()));
            if (event)
                ::SetEvent(event.get());
            else if (::GetLastError() == ERROR_FILE_NOT_FOUND)
                slot = {}; // the event dies with the last handle, that is with its process
        }
    } catch (...) {
    }
}

void SharedState::AppendPresentState(const Layout& data, uint64_t sequence,
                                     std::vector<ChangeRecord>& records)
{
    auto add = [&](ChangeKind kind, const wchar_t* id) -> ChangeRecord& {
        ChangeRecord& r = records.emplace_back();
        r.sequence = sequence; // a registration made after it knows this state already
        r.kind = kind;
        wcsncpy(r.id, id, IdCapacity - 1);
        return r;
    };
    const int count = std::clamp(data.endpointCount, 0, MaxEndpoints);
    for (int i = 0; i < count; ++i) {
        const EndpointRecord& e = data.endpoints[i];
        add(ChangeKind::DeviceState, e.id).state = e.state;
        ChangeRecord& volume = add(ChangeKind::Volume, e.id);
        volume.scalar = e.scalar;
        volume.mute = e.mute;
    }
    for (int role = 0; role < RoleCount; ++role) {
        const int index = data.defaults[role];
        add(ChangeKind::DefaultDevice, index >= 0 && index < count ? data.endpoints[index].id : L"").role =
            role;
    }
    // Sessions: a listener that missed a creation hears of it now (the notifier announces
    // each session once), and of every session's present volume and state.
    for (const SessionRecord& session : data.sessions) {
        if (session.session == 0)
            continue;
        if (session.state != SessionExpired)
            add(ChangeKind::SessionCreated, session.endpointId).session = session.session;
        ChangeRecord& volume = add(ChangeKind::SessionVolume, session.endpointId);
        volume.session = session.session;
        volume.scalar = session.volume;
        volume.mute = session.mute;
        ChangeRecord& state = add(ChangeKind::SessionState, session.endpointId);
        state.session = session.session;
        state.state = session.state;
    }
}

bool SharedState::Held() noexcept
{
    Access access(*this);
    return access.Data().held != 0;
}

std::vector<ChangeRecord> SharedState::ReadSince(uint64_t& lastSeen) noexcept
{
    std::vector<ChangeRecord> records;
    try {
        Access access(*this);
        const Layout& data = access.Data();
        const uint64_t end = data.nextSequence;
        uint64_t first = lastSeen + 1;
        if (end > RingSize)
            first = std::max(first, end - RingSize);
        for (uint64_t s = first; s < end; ++s)
            records.push_back(data.ring[s % RingSize]);
        if (first > lastSeen + 1)
            AppendPresentState(data, end - 1, records);
        lastSeen = end - 1;
    } catch (...) {
    }
    return records;
}

CounterBlock* SharedState::OwnCounters(Layout& data) noexcept
{
    static const uint64_t created = ProcessCreationTime(::GetCurrentProcess());
    const uint32_t self = ::GetCurrentProcessId();
    for (CounterBlock& block : data.counters)
        if (block.processId == self && block.processCreated == created)
            return &block;
    for (CounterBlock& block : data.counters) {
        if (block.processId == 0 || !ProcessAlive(block.processId, block.processCreated)) {
            block = {};
            block.processId = self;
            block.processCreated = created;
            return &block;
        }
    }
    return nullptr;
}

void SharedState::Access::Count(Counter counter) noexcept
{
    if (CounterBlock* block = owner.OwnCounters(Data()))
        ++block->values[static_cast<int>(counter)];
}

uint64_t SharedState::LastSequence() noexcept
{
    Access access(*this);
    return access.Data().nextSequence - 1;
}

std::vector<int32_t> SharedState::ReadCounters() noexcept
{
    try {
        std::vector<int32_t> values(static_cast<size_t>(Counter::Count), 0);
        Access access(*this);
        if (CounterBlock* block = OwnCounters(access.Data()))
            std::copy(std::begin(block->values), std::end(block->values), values.begin());
        return values;
    } catch (...) {
        return {};
    }
}

void SharedState::ResetCounters() noexcept
{
    Access access(*this);
    if (CounterBlock* block = OwnCounters(access.Data()))
        std::fill(std::begin(block->values), std::end(block->values), 0);
}

} // namespace endpointsim
