#include "SimControl.h"

#include "Endpoints.h"
#include "SharedState.h"
#include "Sessions.h"

#include <mmdeviceapi.h>

namespace endpointsim {

namespace {

// Runs change(access) on the shared state; false when the state cannot be opened.
template <typename Fn> bool Modify(Fn change)
{
    SharedState* state = SharedState::Current();
    if (!state)
        return false;
    SharedState::Access access(*state);
    return change(access);
}

int ResolveIndex(const Layout& data, int index) noexcept
{
    return index == -1 ? data.defaults[eConsole] : index;
}

} // namespace

void UseStateFile(const std::wstring& path)
{
    ::SetEnvironmentVariableW(L"LORVANE_ENDPOINTSIM_STATE", path.c_str());
    SharedState::Forget();
}

std::wstring StateFileBeside(const std::wstring& fileName)
{
    const std::wstring current = SharedState::ConfiguredPath();
    const size_t slash = current.find_last_of(L"\\/");
    return (slash == std::wstring::npos ? std::wstring() : current.substr(0, slash + 1)) + fileName;
}

bool Reset(const std::vector<std::wstring>& names)
{
    return Modify([&](SharedState::Access& access) { return ResetSystem(access, names); });
}

std::vector<EndpointInfo> Show()
{
    std::vector<EndpointInfo> result;
    Modify([&](SharedState::Access& access) {
        const Layout& data = access.Data();
        for (int i = 0; i < data.endpointCount; ++i) {
            const EndpointRecord& e = data.endpoints[i];
            EndpointInfo info;
            info.index = i;
            info.id = e.id;
            info.name = e.name;
            info.active = e.state == DEVICE_STATE_ACTIVE;
            info.scalar = e.scalar;
            info.mute = e.mute != 0;
            info.isDefault = data.defaults[eConsole] == i;
            result.push_back(std::move(info));
        }
        return true;
    });
    return result;
}

bool SetVolume(float scalar, int index)
{
    return Modify([&](SharedState::Access& access) {
        return SUCCEEDED(SetScalar(access, ResolveIndex(access.Data(), index), scalar, GUID_NULL));
    });
}

bool SetMute(bool mute, int index)
{
    return Modify([&](SharedState::Access& access) {
        return SUCCEEDED(endpointsim::SetMute(access, ResolveIndex(access.Data(), index), mute, GUID_NULL));
    });
}

bool SetDefault(int index)
{
    return Modify([&](SharedState::Access& access) {
        if (!IsActive(access.Data(), index))
            return false;
        for (int role = 0; role < RoleCount; ++role)
            endpointsim::SetDefault(access, index, role);
        return true;
    });
}

int Add(const std::wstring& name)
{
    int index = -1;
    Modify([&](SharedState::Access& access) {
        index = AddEndpoint(access, name);
        return true;
    });
    return index;
}

bool SetState(int index, bool active)
{
    return Modify(
        [&](SharedState::Access& access) { return SUCCEEDED(endpointsim::SetState(access, index, active)); });
}

bool SetDelay(unsigned ms)
{
    return Modify([&](SharedState::Access& access) {
        access.Data().delayMs = ms;
        return true;
    });
}

namespace {

// Applies change(access, session) to every live session of the process on the default
// endpoint; false when there is none or a change failed.
template <typename Fn> bool ForProcessSessions(unsigned long processId, Fn change)
{
    return Modify([&](SharedState::Access& access) {
        Layout& data = access.Data();
        const int endpoint = data.defaults[eConsole];
        if (!ValidIndex(data, endpoint))
            return false;
        ExpireOrphanSessions(access);
        bool any = false, ok = true;
        for (const SessionRecord& s : data.sessions) {
            if (s.session == 0 || s.state == SessionExpired || s.system || s.processId != processId ||
                _wcsicmp(s.endpointId, data.endpoints[endpoint].id) != 0)
                continue;
            any = true;
            ok = SUCCEEDED(change(access, s.session)) && ok;
        }
        return any && ok;
    });
}

std::wstring OwnFileName()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring full(path, n < MAX_PATH ? n : 0);
    return full.substr(full.find_last_of(L'\\') + 1);
}

} // namespace

std::vector<SessionInfo> Sessions()
{
    std::vector<SessionInfo> result;
    Modify([&](SharedState::Access& access) {
        Layout& data = access.Data();
        const int endpoint = data.defaults[eConsole];
        if (!ValidIndex(data, endpoint))
            return true;
        ExpireOrphanSessions(access);
        for (const SessionRecord& s : data.sessions) {
            if (s.session == 0 || s.state == SessionExpired || _wcsicmp(s.endpointId, data.endpoints[endpoint].id) != 0)
                continue;
            SessionInfo info;
            info.session = s.session;
            info.processId = s.processId;
            info.executable = s.executable;
            info.displayName = s.displayName;
            info.state = static_cast<int>(s.state);
            info.volume = s.volume;
            info.mute = s.mute != 0;
            info.system = s.system != 0;
            result.push_back(std::move(info));
        }
        return true;
    });
    return result;
}

bool SetSessionVolume(unsigned long processId, float volume)
{
    return ForProcessSessions(processId, [&](SharedState::Access& access, uint32_t session) {
        return endpointsim::SetSessionVolume(access, session, volume, GUID_NULL);
    });
}

bool SetSessionMute(unsigned long processId, bool mute)
{
    return ForProcessSessions(processId, [&](SharedState::Access& access, uint32_t session) {
        return endpointsim::SetSessionMute(access, session, mute, GUID_NULL);
    });
}

uint32_t OpenOwnSession(const std::wstring& displayName)
{
    const std::wstring executable = OwnFileName();
    uint32_t session = 0;
    Modify([&](SharedState::Access& access) {
        session = OpenSession(access, access.Data().defaults[eConsole], ::GetCurrentProcessId(),
                              ProcessCreationTime(::GetCurrentProcess()), displayName, executable, SessionActive);
        return session != 0;
    });
    return session;
}

bool ExpireSession(uint32_t session)
{
    return Modify([&](SharedState::Access& access) {
        return SUCCEEDED(SetSessionState(access, session, SessionExpired));
    });
}

bool HoldNotifications(bool hold)
{
    return Modify([&](SharedState::Access& access) {
        access.Data().held = hold ? 1 : 0;
        if (!hold)
            access.Announce();
        return true;
    });
}

Counters GetCounters()
{
    Counters c;
    SharedState* state = SharedState::Current();
    if (!state)
        return c;
    const std::vector<int32_t> v = state->ReadCounters();
    if (v.size() != static_cast<size_t>(Counter::Count))
        return c;
    auto at = [&](Counter counter) { return static_cast<long>(v[static_cast<size_t>(counter)]); };
    c.getScalar = at(Counter::GetScalar);
    c.getMute = at(Counter::GetMute);
    c.setScalar = at(Counter::SetScalar);
    c.setMute = at(Counter::SetMute);
    c.getId = at(Counter::GetId);
    c.getFriendlyName = at(Counter::GetFriendlyName);
    c.getCount = at(Counter::GetCount);
    c.item = at(Counter::Item);
    c.getDefaultEndpoint = at(Counter::GetDefaultEndpoint);
    c.setDefaultEndpoint = at(Counter::SetDefaultEndpoint);
    return c;
}

void ResetCounters()
{
    if (SharedState* state = SharedState::Current())
        state->ResetCounters();
}

} // namespace endpointsim
