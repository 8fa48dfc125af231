#include "SessionManager.h"

#include "Device.h"
#include "Endpoints.h"
#include "Notifier.h"
#include "Sessions.h"

#include <audioclient.h>

#include <cwchar>

namespace endpointsim {

namespace {

std::wstring OwnExecutableName()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return {};
    const wchar_t* slash = wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}

GUID ContextOf(LPCGUID context) noexcept
{
    return context ? *context : GUID_NULL;
}

std::wstring Number(uint64_t value)
{
    return std::to_wstring(value);
}

} // namespace

HRESULT CreateSessionControl(uint32_t session, IAudioSessionControl** result) noexcept
{
    return CreateObject<SessionControl>(__uuidof(IAudioSessionControl), reinterpret_cast<void**>(result), session);
}

// ---------------------------------------------------------------------------------------
// SessionManager

SessionManager::~SessionManager()
{
    Notifier::Instance().RemoveOwner(this);
}

HRESULT SessionManager::QueryInterface(REFIID iid, void** result) noexcept
{
    if (result && iid == __uuidof(IAudioSessionManager)) {
        *result = static_cast<IAudioSessionManager*>(this);
        AddRef();
        return S_OK;
    }
    return ComObject::QueryInterface(iid, result);
}

uint32_t SessionManager::OwnSession() noexcept
{
    SharedState* state = SharedState::Current();
    if (!state)
        return 0;
    try {
        const std::wstring executable = OwnExecutableName();
        SharedState::Access access(*state);
        Layout& data = access.Data();
        const uint32_t self = ::GetCurrentProcessId();
        for (const SessionRecord& s : data.sessions)
            if (s.session != 0 && s.state != SessionExpired && s.processId == self && !s.system &&
                _wcsicmp(s.endpointId, endpointId.c_str()) == 0)
                return s.session;
        const int index = FindEndpoint(data, endpointId.c_str());
        if (!IsActive(data, index))
            return 0;
        return OpenSession(access, index, self, ProcessCreationTime(::GetCurrentProcess()), L"", executable,
                           SessionInactive);
    } catch (...) {
        return 0;
    }
}

HRESULT SessionManager::GetAudioSessionControl(LPCGUID, DWORD, IAudioSessionControl** result) noexcept
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    const uint32_t session = OwnSession();
    return session ? CreateSessionControl(session, result) : AUDCLNT_E_DEVICE_INVALIDATED;
}

HRESULT SessionManager::GetSimpleAudioVolume(LPCGUID, DWORD, ISimpleAudioVolume** result) noexcept
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    const uint32_t session = OwnSession();
    if (!session)
        return AUDCLNT_E_DEVICE_INVALIDATED;
    return CreateObject<SessionControl>(__uuidof(ISimpleAudioVolume), reinterpret_cast<void**>(result), session);
}

HRESULT SessionManager::GetSessionEnumerator(IAudioSessionEnumerator** result) noexcept
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    SharedState* state = SharedState::Current();
    if (!state)
        return E_FAIL;
    try {
        std::vector<uint32_t> sessions;
        {
            SharedState::Access access(*state);
            Layout& data = access.Data();
            if (!IsActive(data, FindEndpoint(data, endpointId.c_str())))
                return AUDCLNT_E_DEVICE_INVALIDATED;
            ExpireOrphanSessions(access);
            for (const SessionRecord& s : data.sessions)
                if (s.session != 0 && s.state != SessionExpired && _wcsicmp(s.endpointId, endpointId.c_str()) == 0)
                    sessions.push_back(s.session);
        }
        Notifier::Instance().ArmSessionClients(this);
        return CreateObject<SessionEnumerator>(__uuidof(IAudioSessionEnumerator), reinterpret_cast<void**>(result),
                                               std::move(sessions));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT SessionManager::RegisterSessionNotification(IAudioSessionNotification* client) noexcept
{
    return Notifier::Instance().AddSessionClient(this, endpointId, client);
}

HRESULT SessionManager::UnregisterSessionNotification(IAudioSessionNotification* client) noexcept
{
    return Notifier::Instance().RemoveSessionClient(this, client);
}

HRESULT SessionManager::RegisterDuckNotification(LPCWSTR, IAudioVolumeDuckNotification* client) noexcept
{
    return client ? S_OK : E_POINTER; // the simulator never ducks
}

HRESULT SessionManager::UnregisterDuckNotification(IAudioVolumeDuckNotification* client) noexcept
{
    return client ? S_OK : E_POINTER;
}

// ---------------------------------------------------------------------------------------
// SessionEnumerator

HRESULT SessionEnumerator::GetCount(int* count) noexcept
{
    if (!count)
        return E_POINTER;
    *count = static_cast<int>(sessions.size());
    return S_OK;
}

HRESULT SessionEnumerator::GetSession(int index, IAudioSessionControl** result) noexcept
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    if (index < 0 || static_cast<size_t>(index) >= sessions.size())
        return E_INVALIDARG;
    return CreateSessionControl(sessions[static_cast<size_t>(index)], result);
}

// ---------------------------------------------------------------------------------------
// SessionControl

SessionControl::~SessionControl()
{
    Notifier::Instance().RemoveOwner(this);
}

HRESULT SessionControl::QueryInterface(REFIID iid, void** result) noexcept
{
    if (result && iid == __uuidof(IAudioSessionControl)) {
        *result = static_cast<IAudioSessionControl*>(static_cast<IAudioSessionControl2*>(this));
        AddRef();
        return S_OK;
    }
    return ComObject::QueryInterface(iid, result);
}

template <typename Read> HRESULT SessionControl::OnSession(Read read) noexcept
{
    SharedState* state = SharedState::Current();
    if (!state)
        return E_FAIL;
    SharedState::Access access(*state);
    const int slot = FindSession(access.Data(), session);
    if (slot < 0)
        return AUDCLNT_E_DEVICE_INVALIDATED;
    return read(access, access.Data().sessions[slot]);
}

HRESULT SessionControl::GetState(AudioSessionState* result) noexcept
{
    if (!result)
        return E_POINTER;
    *result = AudioSessionStateExpired;
    const HRESULT hr = OnSession([&](SharedState::Access&, const SessionRecord& s) {
        *result = static_cast<AudioSessionState>(s.state);
        return S_OK;
    });
    return hr == AUDCLNT_E_DEVICE_INVALIDATED ? S_OK : hr; // a session whose slot went has expired
}

HRESULT SessionControl::GetDisplayName(LPWSTR* name) noexcept
{
    if (!name)
        return E_POINTER;
    *name = nullptr;
    wchar_t text[NameCapacity] = {};
    const HRESULT hr = OnSession([&](SharedState::Access&, const SessionRecord& s) {
        wcscpy(text, s.displayName);
        return S_OK;
    });
    if (FAILED(hr))
        return hr;
    *name = CoTaskCopy(text);
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT SessionControl::SetDisplayName(LPCWSTR name, LPCGUID context) noexcept
{
    return OnSession([&](SharedState::Access& access, const SessionRecord&) {
        return SetSessionName(access, session, name, ContextOf(context));
    });
}

HRESULT SessionControl::GetIconPath(LPWSTR* path) noexcept
{
    if (!path)
        return E_POINTER;
    *path = nullptr;
    wchar_t text[PathCapacity] = {};
    const HRESULT hr = OnSession([&](SharedState::Access&, const SessionRecord& s) {
        wcscpy(text, s.iconPath);
        return S_OK;
    });
    if (FAILED(hr))
        return hr;
    *path = CoTaskCopy(text);
    return *path ? S_OK : E_OUTOFMEMORY;
}

HRESULT SessionControl::SetIconPath(LPCWSTR path, LPCGUID) noexcept
{
    return OnSession(
        [&](SharedState::Access& access, const SessionRecord&) { return SetSessionIcon(access, session, path); });
}

HRESULT SessionControl::GetGroupingParam(GUID* group) noexcept
{
    if (!group)
        return E_POINTER;
    *group = GUID_NULL;
    return S_OK;
}

HRESULT SessionControl::SetGroupingParam(LPCGUID, LPCGUID) noexcept
{
    return S_OK;
}

HRESULT SessionControl::RegisterAudioSessionNotification(IAudioSessionEvents* events) noexcept
{
    return Notifier::Instance().AddSessionEvents(this, session, events);
}

HRESULT SessionControl::UnregisterAudioSessionNotification(IAudioSessionEvents* events) noexcept
{
    return Notifier::Instance().RemoveSessionEvents(this, events);
}

HRESULT SessionControl::Identifier(LPWSTR* id, bool instance) noexcept
{
    if (!id)
        return E_POINTER;
    *id = nullptr;
    try {
        std::wstring text;
        const HRESULT hr = OnSession([&](SharedState::Access&, const SessionRecord& s) {
            text = std::wstring(s.endpointId) + L"|" + (s.system ? L"#%b{SystemSounds}" : s.executable);
            if (instance)
                text += L"|" + Number(s.processId) + L"%b#" + Number(s.session);
            return S_OK;
        });
        if (FAILED(hr))
            return hr;
        *id = CoTaskCopy(text.c_str());
        return *id ? S_OK : E_OUTOFMEMORY;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT SessionControl::GetSessionIdentifier(LPWSTR* id) noexcept
{
    return Identifier(id, false);
}

HRESULT SessionControl::GetSessionInstanceIdentifier(LPWSTR* id) noexcept
{
    return Identifier(id, true);
}

HRESULT SessionControl::GetProcessId(DWORD* processId) noexcept
{
    if (!processId)
        return E_POINTER;
    *processId = 0;
    return OnSession([&](SharedState::Access&, const SessionRecord& s) {
        *processId = s.processId;
        return S_OK;
    });
}

HRESULT SessionControl::IsSystemSoundsSession() noexcept
{
    const HRESULT hr =
        OnSession([&](SharedState::Access&, const SessionRecord& s) { return s.system ? S_OK : S_FALSE; });
    return FAILED(hr) ? S_FALSE : hr;
}

HRESULT SessionControl::SetDuckingPreference(BOOL) noexcept
{
    return S_OK;
}

HRESULT SessionControl::SetMasterVolume(float level, LPCGUID context) noexcept
{
    return OnSession([&](SharedState::Access& access, const SessionRecord&) {
        return SetSessionVolume(access, session, level, ContextOf(context));
    });
}

HRESULT SessionControl::GetMasterVolume(float* level) noexcept
{
    if (!level)
        return E_POINTER;
    *level = 0.0f;
    return OnSession([&](SharedState::Access&, const SessionRecord& s) {
        *level = s.volume;
        return S_OK;
    });
}

HRESULT SessionControl::SetMute(BOOL mute, LPCGUID context) noexcept
{
    return OnSession([&](SharedState::Access& access, const SessionRecord&) {
        return SetSessionMute(access, session, mute != FALSE, ContextOf(context));
    });
}

HRESULT SessionControl::GetMute(BOOL* mute) noexcept
{
    if (!mute)
        return E_POINTER;
    *mute = FALSE;
    return OnSession([&](SharedState::Access&, const SessionRecord& s) {
        *mute = s.mute ? TRUE : FALSE;
        return S_OK;
    });
}

} // namespace endpointsim
