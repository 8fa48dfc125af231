#include "Notifier.h"

#include "ComPtr.h"
#include "Lock.h"
#include "SessionManager.h"

#include <objbase.h>

#include <atomic>
#include <cstddef>
#include <set>

namespace endpointsim {

struct Notifier::Registration {
    const void* owner = nullptr;
    std::wstring endpointId;
    fw::ComPtr<IMMNotificationClient> client;
    fw::ComPtr<IAudioEndpointVolumeCallback> volume;
    fw::ComPtr<IAudioSessionNotification> sessionClient;
    fw::ComPtr<IAudioSessionEvents> sessionEvents;
    uint32_t session = 0;
    std::atomic<bool> armed{false};  // a session client after its manager's enumeration
    std::set<uint32_t> announced;    // sessions a client was told of; the thread's own
    uint64_t since = 0; // records up to this one happened before the registration
};

namespace {

using fw::ExclusiveLock;

// The platform's notification data ends in a one-element array sized for every channel.
struct VolumeNotification {
    AUDIO_VOLUME_NOTIFICATION_DATA data;
    float secondChannel;
};
static_assert(offsetof(VolumeNotification, secondChannel) ==
              offsetof(AUDIO_VOLUME_NOTIFICATION_DATA, afChannelVolumes) + sizeof(float));

} // namespace

Notifier& Notifier::Instance() noexcept
{
    // Never destroyed: at process exit the registrations may name callbacks of modules that
    // are already gone.
    static Notifier* instance = new Notifier;
    return *instance;
}

Notifier::Notifier() noexcept = default;

bool Notifier::Listening() const noexcept
{
    ExclusiveLock guard(lock);
    return state != nullptr;
}

HRESULT Notifier::AddClient(IMMNotificationClient* client) noexcept
{
    if (!client)
        return E_POINTER;
    try {
        auto r = std::make_shared<Registration>();
        r->client = fw::ComPtr<IMMNotificationClient>(client);
        return Add(std::move(r));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Notifier::AddVolumeCallback(const void* owner, const std::wstring& id,
                                    IAudioEndpointVolumeCallback* callback) noexcept
{
    if (!callback)
        return E_POINTER;
    try {
        auto r = std::make_shared<Registration>();
        r->owner = owner;
        r->endpointId = id;
        r->volume = fw::ComPtr<IAudioEndpointVolumeCallback>(callback);
        return Add(std::move(r));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Notifier::Add(std::shared_ptr<Registration> r) noexcept
{
    SharedState* current = SharedState::Current();
    if (!current)
        return E_FAIL;
    try {
        ExclusiveLock guard(lock);
        for (const auto& existing : registrations)
            if (existing->owner == r->owner && existing->client.get() == r->client.get() &&
                existing->volume.get() == r->volume.get() &&
                existing->sessionClient.get() == r->sessionClient.get() &&
                existing->sessionEvents.get() == r->sessionEvents.get())
                return S_OK; // registered already: one notification per change, not two
        if (!EnsureListening(*current))
            return E_FAIL;
        r->since = state->LastSequence();
        registrations.push_back(std::move(r));
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Notifier::RemoveClient(IMMNotificationClient* client) noexcept
{
    if (!client)
        return E_POINTER;
    std::shared_ptr<Registration> removed; // released after the lock, it may run client code
    ExclusiveLock guard(lock);
    for (auto it = registrations.begin(); it != registrations.end(); ++it) {
        if ((*it)->client.get() == client) {
            removed = std::move(*it);
            registrations.erase(it);
            return S_OK;
        }
    }
    return E_NOTFOUND;
}

HRESULT Notifier::RemoveVolumeCallback(const void* owner, IAudioEndpointVolumeCallback* callback) noexcept
{
    if (!callback)
        return E_POINTER;
    std::shared_ptr<Registration> removed;
    ExclusiveLock guard(lock);
    for (auto it = registrations.begin(); it != registrations.end(); ++it) {
        if ((*it)->owner == owner && (*it)->volume.get() == callback) {
            removed = std::move(*it);
            registrations.erase(it);
            return S_OK;
        }
    }
    return E_NOTFOUND;
}

void Notifier::RemoveOwner(const void* owner) noexcept
{
    Registrations removed;
    ExclusiveLock guard(lock);
    for (auto it = registrations.begin(); it != registrations.end();) {
        if ((*it)->owner == owner) {
            try {
                removed.push_back(std::move(*it));
            } catch (...) {
            }
            it = registrations.erase(it);
        } else {
            ++it;
        }
    }
}

HRESULT Notifier::AddSessionClient(const void* owner, const std::wstring& endpointId,
                                   IAudioSessionNotification* client) noexcept
{
    if (!client)
        return E_POINTER;
    try {
        auto r = std::make_shared<Registration>();
        r->owner = owner;
        r->endpointId = endpointId;
        r->sessionClient = fw::ComPtr<IAudioSessionNotification>(client);
        return Add(std::move(r));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Notifier::AddSessionEvents(const void* owner, uint32_t session, IAudioSessionEvents* events) noexcept
{
    if (!events)
        return E_POINTER;
    try {
        auto r = std::make_shared<Registration>();
        r->owner = owner;
        r->session = session;
        r->sessionEvents = fw::ComPtr<IAudioSessionEvents>(events);
        return Add(std::move(r));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

template <typename Match> HRESULT Notifier::Remove(Match match) noexcept
{
    std::shared_ptr<Registration> removed; // released after the lock, it may run client code
    ExclusiveLock guard(lock);
    for (auto it = registrations.begin(); it != registrations.end(); ++it) {
        if (match(**it)) {
            removed = std::move(*it);
            registrations.erase(it);
            return S_OK;
        }
    }
    return E_NOTFOUND;
}

HRESULT Notifier::RemoveSessionClient(const void* owner, IAudioSessionNotification* client) noexcept
{
    if (!client)
        return E_POINTER;
    return Remove([&](const Registration& r) { return r.owner == owner && r.sessionClient.get() == client; });
}

HRESULT Notifier::RemoveSessionEvents(const void* owner, IAudioSessionEvents* events) noexcept
{
    if (!events)
        return E_POINTER;
    return Remove([&](const Registration& r) { return r.owner == owner && r.sessionEvents.get() == events; });
}

void Notifier::ArmSessionClients(const void* owner) noexcept
{
    ExclusiveLock guard(lock);
    for (const auto& r : registrations)
        if (r->owner == owner && r->sessionClient)
            r->armed = true;
}

// Called with the lock held.
bool Notifier::EnsureListening(SharedState& current) noexcept
{
    if (state)
        return true;
    try {
        GUID token{};
        if (FAILED(::CoCreateGuid(&token)))
            return false;
        event.reset(::CreateEventW(nullptr, FALSE, FALSE, current.EventName(token).c_str()));
        if (!event || !current.AddListener(token, lastSeen))
            return false;
        // The thread lives as long as the process: the module must never be unloaded under it.
        HMODULE self = nullptr;
        ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                             reinterpret_cast<LPCWSTR>(&Notifier::ThreadMain), &self);
        fw::UniqueHandleK thread(::CreateThread(nullptr, 0, &Notifier::ThreadMain, this, 0, nullptr));
        if (!thread)
            return false;
        state = &current;
        return true;
    } catch (...) {
        return false;
    }
}

DWORD WINAPI Notifier::ThreadMain(void* self) noexcept
{
    // Clients are called from the multithreaded apartment, as the platform does.
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    static_cast<Notifier*>(self)->Run();
    return 0;
}

void Notifier::Run() noexcept
{
    for (;;) {
        ::WaitForSingleObject(event.get(), INFINITE);
        if (state->Held())
            continue; // the release wakes every listener again
        for (const ChangeRecord& record : state->ReadSince(lastSeen))
            Deliver(record);
    }
}

Notifier::Registrations Notifier::Snapshot() noexcept
{
    try {
        ExclusiveLock guard(lock);
        return registrations;
    } catch (...) {
        return {};
    }
}

void Notifier::Deliver(const ChangeRecord& record) noexcept
{
    // "No default endpoint" comes as an empty ID, not as the platform's null: Wine's wave
    // functions, registered in every process that plays a sound, compare it unchecked.
    const wchar_t* id = record.id;
    for (const auto& r : Snapshot()) {
        if (r->since >= record.sequence)
            continue;
        if (r->sessionClient) {
            DeliverToSessionClient(*r, record);
            continue;
        }
        if (r->sessionEvents) {
            DeliverToSessionEvents(*r, record);
            continue;
        }
        if (r->volume) {
            if (record.kind != ChangeKind::Volume || _wcsicmp(r->endpointId.c_str(), record.id) != 0)
                continue;
            VolumeNotification n{};
            n.data.guidEventContext = record.context;
            n.data.bMuted = record.mute ? TRUE : FALSE;
            n.data.fMasterVolume = record.scalar;
            n.data.nChannels = 2;
            n.data.afChannelVolumes[0] = record.scalar;
            n.secondChannel = record.scalar;
            r->volume->OnNotify(&n.data);
            continue;
        }
        switch (record.kind) {
        case ChangeKind::DefaultDevice:
            r->client->OnDefaultDeviceChanged(eRender, static_cast<ERole>(record.role), id);
            break;
        case ChangeKind::DeviceState:
            r->client->OnDeviceStateChanged(id, record.state);
            break;
        case ChangeKind::DeviceAdded:
            r->client->OnDeviceAdded(id);
            break;
        case ChangeKind::DeviceRemoved:
            r->client->OnDeviceRemoved(id);
            break;
        default:
            break;
        }
    }
}

void Notifier::DeliverToSessionClient(Registration& r, const ChangeRecord& record) noexcept
{
    if (record.kind != ChangeKind::SessionCreated || !r.armed || _wcsicmp(r.endpointId.c_str(), record.id) != 0)
        return;
    try {
        // A listener that fell behind gets the present sessions again: each is told once.
        if (!r.announced.insert(record.session).second)
            return;
    } catch (...) {
        return;
    }
    fw::ComPtr<IAudioSessionControl> control;
    if (SUCCEEDED(CreateSessionControl(record.session, control.put())))
        r.sessionClient->OnSessionCreated(control.get());
}

void Notifier::DeliverToSessionEvents(Registration& r, const ChangeRecord& record) noexcept
{
    if (record.session != r.session)
        return;
    switch (record.kind) {
    case ChangeKind::SessionVolume:
        r.sessionEvents->OnSimpleVolumeChanged(record.scalar, record.mute ? TRUE : FALSE, &record.context);
        break;
    case ChangeKind::SessionState:
        r.sessionEvents->OnStateChanged(static_cast<AudioSessionState>(record.state));
        break;
    case ChangeKind::SessionName:
        r.sessionEvents->OnDisplayNameChanged(record.name, &record.context);
        break;
    default:
        break;
    }
}

} // namespace endpointsim
