#include "Endpoints.h"

#include "Sessions.h"

#include <audioclient.h>
#include <mmdeviceapi.h>

#include <cmath>
#include <cwchar>

namespace endpointsim {

namespace {

void CopyText(wchar_t* target, size_t capacity, const wchar_t* text) noexcept
{
    wcsncpy(target, text, capacity - 1);
    target[capacity - 1] = L'\0';
}

bool UsableName(const std::wstring& name) noexcept
{
    return !name.empty() && name.size() < NameCapacity;
}

void RecordDefault(SharedState::Access& access, int role) noexcept
{
    Layout& data = access.Data();
    const int index = data.defaults[role];
    ChangeRecord& r = access.Append(ChangeKind::DefaultDevice, index >= 0 ? data.endpoints[index].id : L"");
    r.role = role;
}

int FirstActiveExcept(const Layout& data, int excluded) noexcept
{
    for (int i = 0; i < data.endpointCount; ++i)
        if (i != excluded && IsActive(data, i))
            return i;
    return -1;
}

// Every endpoint has the session of the system's own sounds, idle until one plays.
void OpenSystemSession(SharedState::Access& access, int index) noexcept
{
    try {
        OpenSession(access, index, 0, 0, SystemSoundsName, L"", SessionInactive, true);
    } catch (...) {
    }
}

} // namespace

std::vector<std::wstring> DefaultEndpointNames()
{
    return {L"Speakers (High Definition Audio Device)", L"Headset (USB Audio Device)"};
}

bool ResetSystem(SharedState::Access& access, const std::vector<std::wstring>& names) noexcept
{
    try {
        const std::vector<std::wstring> wanted = names.empty() ? DefaultEndpointNames() : names;
        if (wanted.size() > MaxEndpoints)
            return false;
        for (const auto& name : wanted)
            if (!UsableName(name))
                return false;

        Layout& data = access.Data();
        data.delayMs = 0;
        data.held = 0;
        for (int i = 0; i < data.endpointCount; ++i) {
            ExpireEndpointSessions(access, data.endpoints[i].id);
            access.Append(ChangeKind::DeviceRemoved, data.endpoints[i].id);
        }
        data.endpointCount = 0;
        for (const auto& name : wanted) {
            EndpointRecord& e = data.endpoints[data.endpointCount++];
            e = {};
            CopyText(e.id, IdCapacity, NewEndpointId().c_str());
            CopyText(e.name, NameCapacity, name.c_str());
            e.state = DEVICE_STATE_ACTIVE;
            e.scalar = 1.0f;
            access.Append(ChangeKind::DeviceAdded, e.id);
            OpenSystemSession(access, data.endpointCount - 1);
        }
        for (int role = 0; role < RoleCount; ++role) {
            data.defaults[role] = 0;
            RecordDefault(access, role);
        }
        return true;
    } catch (...) {
        return false;
    }
}

int FindEndpoint(const Layout& data, const wchar_t* id) noexcept
{
    if (!id)
        return -1;
    for (int i = 0; i < data.endpointCount; ++i)
        if (_wcsicmp(data.endpoints[i].id, id) == 0)
            return i;
    return -1;
}

bool ValidIndex(const Layout& data, int index) noexcept
{
    return index >= 0 && index < data.endpointCount;
}

bool IsActive(const Layout& data, int index) noexcept
{
    return ValidIndex(data, index) && data.endpoints[index].state == DEVICE_STATE_ACTIVE;
}

HRESULT SetScalar(SharedState::Access& access, int index, float scalar, const GUID& context) noexcept
{
    Layout& data = access.Data();
    if (!IsActive(data, index))
        return AUDCLNT_E_DEVICE_INVALIDATED;
    if (!(scalar >= 0.0f && scalar <= 1.0f))
        return E_INVALIDARG;
    EndpointRecord& e = data.endpoints[index];
    if (e.scalar == scalar)
        return S_OK;
    e.scalar = scalar;
    ChangeRecord& r = access.Append(ChangeKind::Volume, e.id);
    r.context = context;
    r.scalar = e.scalar;
    r.mute = e.mute;
    return S_OK;
}

HRESULT SetMute(SharedState::Access& access, int index, bool mute, const GUID& context) noexcept
{
    Layout& data = access.Data();
    if (!IsActive(data, index))
        return AUDCLNT_E_DEVICE_INVALIDATED;
    EndpointRecord& e = data.endpoints[index];
    if ((e.mute != 0) == mute)
        return S_OK;
    e.mute = mute ? 1 : 0;
    ChangeRecord& r = access.Append(ChangeKind::Volume, e.id);
    r.context = context;
    r.scalar = e.scalar;
    r.mute = e.mute;
    return S_OK;
}

HRESULT SetDefault(SharedState::Access& access, int index, int role) noexcept
{
    Layout& data = access.Data();
    if (role < 0 || role >= RoleCount || !IsActive(data, index))
        return E_INVALIDARG;
    if (data.defaults[role] != index) {
        data.defaults[role] = index;
        RecordDefault(access, role);
    }
    return S_OK;
}

HRESULT SetState(SharedState::Access& access, int index, bool active) noexcept
{
    Layout& data = access.Data();
    if (!ValidIndex(data, index))
        return E_INVALIDARG;
    EndpointRecord& e = data.endpoints[index];
    const uint32_t state = active ? DEVICE_STATE_ACTIVE : DEVICE_STATE_DISABLED;
    if (e.state == state)
        return S_OK;
    e.state = state;
    access.Append(ChangeKind::DeviceState, e.id).state = state;
    for (int role = 0; role < RoleCount; ++role) {
        int& current = data.defaults[role];
        if (!active && current == index) {
            current = FirstActiveExcept(data, index);
            RecordDefault(access, role);
        } else if (active && current < 0) {
            current = index;
            RecordDefault(access, role);
        }
    }
    return S_OK;
}

int AddEndpoint(SharedState::Access& access, const std::wstring& name) noexcept
{
    try {
        Layout& data = access.Data();
        if (data.endpointCount >= MaxEndpoints || !UsableName(name))
            return -1;
        const int index = data.endpointCount;
        EndpointRecord& e = data.endpoints[index];
        e = {};
        CopyText(e.id, IdCapacity, NewEndpointId().c_str());
        CopyText(e.name, NameCapacity, name.c_str());
        e.state = DEVICE_STATE_ACTIVE;
        e.scalar = 1.0f;
        data.endpointCount = index + 1;
        access.Append(ChangeKind::DeviceAdded, e.id);
        OpenSystemSession(access, index);
        for (int role = 0; role < RoleCount; ++role) {
            if (data.defaults[role] < 0) {
                data.defaults[role] = index;
                RecordDefault(access, role);
            }
        }
        return index;
    } catch (...) {
        return -1;
    }
}

} // namespace endpointsim
