#pragma once
// Delivers the simulator's change records to the callbacks registered in this process, on a
// thread of its own, as the platform calls its clients on threads of its own. The thread
// starts with the first registration and waits on this process's listener event; it takes
// no lock while a callback runs, so a callback may call back into the simulator or wait
// for a thread that is itself inside a simulator call. Names never change, so
// OnPropertyValueChanged is never called.

#include "SharedState.h"

#include <audiopolicy.h>
#include <endpointvolume.h>
#include <mmdeviceapi.h>

#include <memory>
#include <string>
#include <vector>

namespace endpointsim {

class Notifier {
  public:
    static Notifier& Instance() noexcept;

    HRESULT AddClient(IMMNotificationClient* client) noexcept;
    HRESULT RemoveClient(IMMNotificationClient* client) noexcept;
    // owner: the endpoint-volume object; its callbacks end with it.
    HRESULT AddVolumeCallback(const void* owner, const std::wstring& id,
                              IAudioEndpointVolumeCallback* callback) noexcept;
    HRESULT RemoveVolumeCallback(const void* owner, IAudioEndpointVolumeCallback* callback) noexcept;
    void RemoveOwner(const void* owner) noexcept;
    // owner: the session manager. As on the platform, sessions are announced to a client
    // only after the manager's first session enumeration since it registered.
    HRESULT AddSessionClient(const void* owner, const std::wstring& endpointId,
                             IAudioSessionNotification* client) noexcept;
    HRESULT RemoveSessionClient(const void* owner, IAudioSessionNotification* client) noexcept;
    void ArmSessionClients(const void* owner) noexcept;
    // owner: the session control; its callbacks end with it.
    HRESULT AddSessionEvents(const void* owner, uint32_t session, IAudioSessionEvents* events) noexcept;
    HRESULT RemoveSessionEvents(const void* owner, IAudioSessionEvents* events) noexcept;

    bool Listening() const noexcept;

  private:
    struct Registration;
    using Registrations = std::vector<std::shared_ptr<Registration>>;

    Notifier() noexcept;
    HRESULT Add(std::shared_ptr<Registration> registration) noexcept;
    template <typename Match> HRESULT Remove(Match match) noexcept;
    void DeliverToSessionClient(Registration& r, const ChangeRecord& record) noexcept;
    void DeliverToSessionEvents(Registration& r, const ChangeRecord& record) noexcept;
    bool EnsureListening(SharedState& state) noexcept;
    static DWORD WINAPI ThreadMain(void* self) noexcept;
    void Run() noexcept;
    void Deliver(const ChangeRecord& record) noexcept;
    Registrations Snapshot() noexcept;

    mutable SRWLOCK lock = SRWLOCK_INIT;
    Registrations registrations;
    SharedState* state = nullptr; // the state the thread listens to
    fw::UniqueHandleK event;
    uint64_t lastSeen = 0; // used by the thread only, once started
};

} // namespace endpointsim
