#include "Sessions.h"

#include "Endpoints.h"

#include <audioclient.h>

#include <cwchar>

namespace endpointsim {

namespace {

bool Fits(const std::wstring& text, size_t capacity) noexcept
{
    return text.size() < capacity;
}

void Copy(wchar_t* target, size_t capacity, const wchar_t* text) noexcept
{
    wcsncpy(target, text ? text : L"", capacity - 1);
    target[capacity - 1] = L'\0';
}

SessionRecord* LiveSession(Layout& data, uint32_t session) noexcept
{
    const int slot = FindSession(data, session);
    if (slot < 0 || data.sessions[slot].state == SessionExpired)
        return nullptr;
    return &data.sessions[slot];
}

ChangeRecord& Record(SharedState::Access& access, ChangeKind kind, const SessionRecord& s) noexcept
{
    ChangeRecord& r = access.Append(kind, s.endpointId);
    r.session = s.session;
    return r;
}

void RecordVolume(SharedState::Access& access, const SessionRecord& s, const GUID& context) noexcept
{
    ChangeRecord& r = Record(access, ChangeKind::SessionVolume, s);
    r.scalar = s.volume;
    r.mute = s.mute;
    r.context = context;
}

} // namespace

int FindSession(const Layout& data, uint32_t session) noexcept
{
    if (session == 0)
        return -1;
    for (int i = 0; i < MaxSessions; ++i)
        if (data.sessions[i].session == session)
            return i;
    return -1;
}

uint32_t OpenSession(SharedState::Access& access, int endpointIndex, uint32_t processId, uint64_t processCreated,
                     const std::wstring& displayName, const std::wstring& executable, uint32_t state,
                     bool system) noexcept
{
    Layout& data = access.Data();
    if (!ValidIndex(data, endpointIndex) || !Fits(displayName, NameCapacity) || !Fits(executable, PathCapacity))
        return 0;
    // A free slot, else the one that expired first (its number is the lowest).
    SessionRecord* slot = nullptr;
    for (SessionRecord& s : data.sessions) {
        if (s.session == 0) {
            slot = &s;
            break;
        }
        if (s.state == SessionExpired && (!slot || s.session < slot->session))
            slot = &s;
    }
    if (!slot)
        return 0;
    if (data.nextSession == 0)
        data.nextSession = 1;
    *slot = {};
    slot->session = data.nextSession++;
    slot->processId = processId;
    slot->processCreated = processCreated;
    slot->state = state;
    slot->volume = 1.0f;
    slot->system = system ? 1 : 0;
    Copy(slot->endpointId, IdCapacity, data.endpoints[endpointIndex].id);
    Copy(slot->displayName, NameCapacity, displayName.c_str());
    Copy(slot->executable, PathCapacity, executable.c_str());
    Record(access, ChangeKind::SessionCreated, *slot);
    return slot->session;
}

HRESULT SetSessionVolume(SharedState::Access& access, uint32_t session, float volume, const GUID& context) noexcept
{
    if (!(volume >= 0.0f && volume <= 1.0f))
        return E_INVALIDARG;
    SessionRecord* s = LiveSession(access.Data(), session);
    if (!s)
        return AUDCLNT_E_DEVICE_INVALIDATED;
    if (s->volume != volume) {
        s->volume = volume;
        RecordVolume(access, *s, context);
    }
    return S_OK;
}

HRESULT SetSessionMute(SharedState::Access& access, uint32_t session, bool mute, const GUID& context) noexcept
{
    SessionRecord* s = LiveSession(access.Data(), session);
    if (!s)
        return AUDCLNT_E_DEVICE_INVALIDATED;
    if ((s->mute != 0) != mute) {
        s->mute = mute ? 1 : 0;
        RecordVolume(access, *s, context);
    }
    return S_OK;
}

HRESULT SetSessionState(SharedState::Access& access, uint32_t session, uint32_t state) noexcept
{
    if (state > SessionExpired)
        return E_INVALIDARG;
    SessionRecord* s = LiveSession(access.Data(), session);
    if (!s)
        return AUDCLNT_E_DEVICE_INVALIDATED;
    if (s->state != state) {
        s->state = state;
        Record(access, ChangeKind::SessionState, *s).state = state;
    }
    return S_OK;
}

HRESULT SetSessionName(SharedState::Access& access, uint32_t session, const wchar_t* name,
                       const GUID& context) noexcept
{
    if (!name || wcslen(name) >= NameCapacity)
        return E_INVALIDARG;
    SessionRecord* s = LiveSession(access.Data(), session);
    if (!s)
        return AUDCLNT_E_DEVICE_INVALIDATED;
    if (wcscmp(s->displayName, name) != 0) {
        Copy(s->displayName, NameCapacity, name);
        ChangeRecord& r = Record(access, ChangeKind::SessionName, *s);
        Copy(r.name, NameCapacity, name);
        r.context = context;
    }
    return S_OK;
}

HRESULT SetSessionIcon(SharedState::Access& access, uint32_t session, const wchar_t* path) noexcept
{
    if (!path || wcslen(path) >= PathCapacity)
        return E_INVALIDARG;
    SessionRecord* s = LiveSession(access.Data(), session);
    if (!s)
        return AUDCLNT_E_DEVICE_INVALIDATED;
    Copy(s->iconPath, PathCapacity, path);
    return S_OK;
}

void ExpireEndpointSessions(SharedState::Access& access, const wchar_t* endpointId) noexcept
{
    for (SessionRecord& s : access.Data().sessions)
        if (s.session != 0 && s.state != SessionExpired && _wcsicmp(s.endpointId, endpointId) == 0)
            SetSessionState(access, s.session, SessionExpired);
}

void ExpireOrphanSessions(SharedState::Access& access) noexcept
{
    for (SessionRecord& s : access.Data().sessions)
        if (s.session != 0 && s.state != SessionExpired && !s.system &&
            !ProcessAlive(s.processId, s.processCreated))
            SetSessionState(access, s.session, SessionExpired);
}

} // namespace endpointsim
