#pragma once
// The audio sessions of one endpoint as the platform's session manager hands them out: the
// manager, its enumerator (a snapshot of the live sessions) and the session controls, which
// read the shared state at every call and so follow changes made by any process.

#include "ComObject.h"

#include <audiopolicy.h>

#include <cstdint>
#include <string>
#include <vector>

namespace endpointsim {

class SessionManager final : public ComObject<IAudioSessionManager2> {
  public:
    explicit SessionManager(std::wstring endpointId) : endpointId(std::move(endpointId)) {}
    ~SessionManager() override;

    // Also answers for the first version of the interface, which the second extends.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) noexcept override;

    HRESULT STDMETHODCALLTYPE GetAudioSessionControl(LPCGUID group, DWORD flags,
                                                     IAudioSessionControl** result) noexcept override;
    HRESULT STDMETHODCALLTYPE GetSimpleAudioVolume(LPCGUID group, DWORD flags,
                                                   ISimpleAudioVolume** result) noexcept override;
    HRESULT STDMETHODCALLTYPE GetSessionEnumerator(IAudioSessionEnumerator** result) noexcept override;
    HRESULT STDMETHODCALLTYPE RegisterSessionNotification(IAudioSessionNotification* client) noexcept override;
    HRESULT STDMETHODCALLTYPE UnregisterSessionNotification(IAudioSessionNotification* client) noexcept override;
    HRESULT STDMETHODCALLTYPE RegisterDuckNotification(LPCWSTR sessionId,
                                                       IAudioVolumeDuckNotification* client) noexcept override;
    HRESULT STDMETHODCALLTYPE UnregisterDuckNotification(IAudioVolumeDuckNotification* client) noexcept override;

  private:
    // This process's own session on the endpoint, opened (idle) when it has none.
    uint32_t OwnSession() noexcept;

    const std::wstring endpointId;
};

class SessionEnumerator final : public ComObject<IAudioSessionEnumerator> {
  public:
    explicit SessionEnumerator(std::vector<uint32_t> sessions) : sessions(std::move(sessions)) {}

    HRESULT STDMETHODCALLTYPE GetCount(int* count) noexcept override;
    HRESULT STDMETHODCALLTYPE GetSession(int index, IAudioSessionControl** result) noexcept override;

  private:
    const std::vector<uint32_t> sessions;
};

class SessionControl final : public ComObject<IAudioSessionControl2, ISimpleAudioVolume> {
  public:
    explicit SessionControl(uint32_t session) : session(session) {}
    ~SessionControl() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) noexcept override;

    HRESULT STDMETHODCALLTYPE GetState(AudioSessionState* state) noexcept override;
    HRESULT STDMETHODCALLTYPE GetDisplayName(LPWSTR* name) noexcept override;
    HRESULT STDMETHODCALLTYPE SetDisplayName(LPCWSTR name, LPCGUID context) noexcept override;
    HRESULT STDMETHODCALLTYPE GetIconPath(LPWSTR* path) noexcept override;
    HRESULT STDMETHODCALLTYPE SetIconPath(LPCWSTR path, LPCGUID context) noexcept override;
    HRESULT STDMETHODCALLTYPE GetGroupingParam(GUID* group) noexcept override;
    HRESULT STDMETHODCALLTYPE SetGroupingParam(LPCGUID group, LPCGUID context) noexcept override;
    HRESULT STDMETHODCALLTYPE RegisterAudioSessionNotification(IAudioSessionEvents* events) noexcept override;
    HRESULT STDMETHODCALLTYPE UnregisterAudioSessionNotification(IAudioSessionEvents* events) noexcept override;
    HRESULT STDMETHODCALLTYPE GetSessionIdentifier(LPWSTR* id) noexcept override;
    HRESULT STDMETHODCALLTYPE GetSessionInstanceIdentifier(LPWSTR* id) noexcept override;
    HRESULT STDMETHODCALLTYPE GetProcessId(DWORD* processId) noexcept override;
    HRESULT STDMETHODCALLTYPE IsSystemSoundsSession() noexcept override;
    HRESULT STDMETHODCALLTYPE SetDuckingPreference(BOOL optOut) noexcept override;

    HRESULT STDMETHODCALLTYPE SetMasterVolume(float level, LPCGUID context) noexcept override;
    HRESULT STDMETHODCALLTYPE GetMasterVolume(float* level) noexcept override;
    HRESULT STDMETHODCALLTYPE SetMute(BOOL mute, LPCGUID context) noexcept override;
    HRESULT STDMETHODCALLTYPE GetMute(BOOL* mute) noexcept override;

  private:
    // Runs read(record) on the session under the shared mutex; AUDCLNT_E_DEVICE_INVALIDATED
    // once it has expired (or its slot went to another session).
    template <typename Read> HRESULT OnSession(Read read) noexcept;
    HRESULT Identifier(LPWSTR* id, bool instance) noexcept;

    const uint32_t session;
};

HRESULT CreateSessionControl(uint32_t session, IAudioSessionControl** result) noexcept;

} // namespace endpointsim
