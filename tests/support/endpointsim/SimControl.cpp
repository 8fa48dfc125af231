#include "SimControl.h"

#include "Endpoints.h"
#include "SharedState.h"

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
