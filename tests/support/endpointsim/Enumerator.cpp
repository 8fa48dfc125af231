#include "Enumerator.h"

#include "Device.h"
#include "Endpoints.h"
#include "Notifier.h"

namespace endpointsim {

HRESULT Enumerator::EnumAudioEndpoints(EDataFlow flow, DWORD stateMask, IMMDeviceCollection** result) noexcept
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    if (flow < eRender || flow > eAll || stateMask == 0 || (stateMask & ~DEVICE_STATEMASK_ALL) != 0)
        return E_INVALIDARG;
    SharedState* state = SharedState::ForClientCall();
    if (!state)
        return E_FAIL;
    try {
        std::vector<std::wstring> ids;
        if (flow != eCapture) {
            SharedState::Access access(*state);
            const Layout& data = access.Data();
            for (int i = 0; i < data.endpointCount; ++i)
                if (data.endpoints[i].state & stateMask)
                    ids.emplace_back(data.endpoints[i].id);
        }
        return CreateObject<DeviceCollection>(__uuidof(IMMDeviceCollection), reinterpret_cast<void**>(result),
                                              std::move(ids));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Enumerator::GetDefaultAudioEndpoint(EDataFlow flow, ERole role, IMMDevice** result) noexcept
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    SharedState* state = SharedState::ForClientCall();
    if (!state)
        return E_FAIL;
    wchar_t id[IdCapacity] = {};
    {
        SharedState::Access access(*state);
        access.Count(Counter::GetDefaultEndpoint);
        if (flow < eRender || flow >= eAll || role < eConsole || role >= RoleCount)
            return E_INVALIDARG;
        const int index = flow == eRender ? access.Data().defaults[role] : -1;
        if (index < 0)
            return E_NOTFOUND;
        wcscpy(id, access.Data().endpoints[index].id);
    }
    return Device::Get(id, result);
}

HRESULT Enumerator::GetDevice(LPCWSTR requested, IMMDevice** result) noexcept
{
    if (!result || !requested)
        return E_POINTER;
    *result = nullptr;
    SharedState* state = SharedState::ForClientCall();
    if (!state)
        return E_FAIL;
    wchar_t id[IdCapacity] = {};
    {
        SharedState::Access access(*state);
        const int index = FindEndpoint(access.Data(), requested);
        if (index < 0)
            return E_NOTFOUND;
        wcscpy(id, access.Data().endpoints[index].id);
    }
    return Device::Get(id, result);
}

HRESULT Enumerator::RegisterEndpointNotificationCallback(IMMNotificationClient* client) noexcept
{
    return Notifier::Instance().AddClient(client);
}

HRESULT Enumerator::UnregisterEndpointNotificationCallback(IMMNotificationClient* client) noexcept
{
    return Notifier::Instance().RemoveClient(client);
}

} // namespace endpointsim
