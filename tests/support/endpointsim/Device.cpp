#include "Device.h"

#include "EndpointVolume.h"
#include "Endpoints.h"
#include "SessionManager.h"
#include "SystemDevice.h"

#include <audioclient.h>
#include <endpointvolume.h>

#include <algorithm>
#include <cwchar>

namespace endpointsim {

namespace {

constexpr PROPERTYKEY FriendlyNameKey = {
    {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 14};
constexpr PROPERTYKEY EndpointGuidKey = {
    {0x1da5d803, 0xd492, 0x4edd, {0x8c, 0x23, 0xe0, 0xc0, 0xff, 0xee, 0x7f, 0x0e}}, 4};

// The live device objects. Release takes the lock too, so an object found here cannot be
// on its way to destruction.
SRWLOCK devicesLock = SRWLOCK_INIT;
std::vector<Device*> devices;

bool SameKey(const PROPERTYKEY& a, const PROPERTYKEY& b) noexcept
{
    return a.fmtid == b.fmtid && a.pid == b.pid;
}

bool EndpointActive(const std::wstring& id) noexcept
{
    SharedState* state = SharedState::ForClientCall();
    if (!state)
        return false;
    SharedState::Access access(*state);
    return IsActive(access.Data(), FindEndpoint(access.Data(), id.c_str()));
}

HRESULT CountOnly(Counter counter) noexcept
{
    SharedState* state = SharedState::ForClientCall();
    if (!state)
        return E_FAIL;
    SharedState::Access(*state).Count(counter);
    return S_OK;
}

} // namespace

wchar_t* CoTaskCopy(const wchar_t* text) noexcept
{
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(::CoTaskMemAlloc(bytes));
    if (copy)
        memcpy(copy, text, bytes);
    return copy;
}

HRESULT Device::Get(const wchar_t* id, IMMDevice** result) noexcept
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    ::AcquireSRWLockExclusive(&devicesLock);
    for (Device* d : devices) {
        if (_wcsicmp(d->id.c_str(), id) == 0) {
            d->AddRef();
            *result = d;
            break;
        }
    }
    if (!*result) {
        try {
            devices.reserve(devices.size() + 1);
            Device* created = new Device(id);
            devices.push_back(created);
            *result = created;
        } catch (...) {
        }
    }
    ::ReleaseSRWLockExclusive(&devicesLock);
    return *result ? S_OK : E_OUTOFMEMORY;
}

ULONG Device::Release() noexcept
{
    ::AcquireSRWLockExclusive(&devicesLock);
    const ULONG left = --references;
    if (left == 0)
        devices.erase(std::find(devices.begin(), devices.end(), this));
    ::ReleaseSRWLockExclusive(&devicesLock);
    if (left == 0)
        delete this;
    return left;
}

HRESULT Device::Activate(REFIID iid, DWORD context, PROPVARIANT* parameters, void** result) noexcept
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    if (!EndpointActive(id))
        return AUDCLNT_E_DEVICE_INVALIDATED;
    if (iid == __uuidof(IAudioEndpointVolume))
        return CreateObject<EndpointVolume>(iid, result, id);
    if (iid == __uuidof(IAudioSessionManager2) || iid == __uuidof(IAudioSessionManager))
        return CreateObject<SessionManager>(iid, result, id);
    return ActivateOnSystemDevice(iid, context, parameters, result);
}

HRESULT Device::OpenPropertyStore(DWORD, IPropertyStore** result) noexcept
{
    return CreateObject<PropertyStore>(__uuidof(IPropertyStore), reinterpret_cast<void**>(result), id);
}

HRESULT Device::GetId(LPWSTR* result) noexcept
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    if (FAILED(CountOnly(Counter::GetId)))
        return E_FAIL;
    *result = CoTaskCopy(id.c_str());
    return *result ? S_OK : E_OUTOFMEMORY;
}

HRESULT Device::GetState(DWORD* result) noexcept
{
    if (!result)
        return E_POINTER;
    SharedState* state = SharedState::ForClientCall();
    if (!state)
        return E_FAIL;
    SharedState::Access access(*state);
    const int index = FindEndpoint(access.Data(), id.c_str());
    *result = index < 0 ? DEVICE_STATE_NOTPRESENT : access.Data().endpoints[index].state;
    return S_OK;
}

HRESULT Device::GetDataFlow(EDataFlow* result) noexcept
{
    if (!result)
        return E_POINTER;
    *result = eRender;
    return S_OK;
}

HRESULT DeviceCollection::GetCount(UINT* result) noexcept
{
    if (!result)
        return E_POINTER;
    *result = 0;
    if (FAILED(CountOnly(Counter::GetCount)))
        return E_FAIL;
    *result = static_cast<UINT>(ids.size());
    return S_OK;
}

HRESULT DeviceCollection::Item(UINT index, IMMDevice** result) noexcept
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    if (FAILED(CountOnly(Counter::Item)))
        return E_FAIL;
    if (index >= ids.size())
        return E_INVALIDARG;
    return Device::Get(ids[index].c_str(), result);
}

HRESULT PropertyStore::GetCount(DWORD* result) noexcept
{
    if (!result)
        return E_POINTER;
    *result = 2;
    return S_OK;
}

HRESULT PropertyStore::GetAt(DWORD index, PROPERTYKEY* key) noexcept
{
    if (!key)
        return E_POINTER;
    if (index > 1)
        return E_INVALIDARG;
    *key = index == 0 ? FriendlyNameKey : EndpointGuidKey;
    return S_OK;
}

HRESULT PropertyStore::GetValue(REFPROPERTYKEY key, PROPVARIANT* value) noexcept
{
    if (!value)
        return E_POINTER;
    PropVariantInit(value);
    const bool name = SameKey(key, FriendlyNameKey);
    if (!name && !SameKey(key, EndpointGuidKey))
        return S_OK;
    SharedState* state = SharedState::ForClientCall();
    if (!state)
        return E_FAIL;
    wchar_t text[NameCapacity] = {};
    {
        SharedState::Access access(*state);
        const int index = FindEndpoint(access.Data(), id.c_str());
        if (name)
            access.Count(Counter::GetFriendlyName);
        if (index < 0)
            return S_OK; // the endpoint is gone: nothing to report
        const EndpointRecord& e = access.Data().endpoints[index];
        // The ID is "{0.0.0.00000000}." followed by the endpoint's GUID.
        const wchar_t* guid = wcsrchr(e.id, L'{');
        wcsncpy(text, name ? e.name : (guid ? guid : e.id), NameCapacity - 1);
    }
    value->pwszVal = CoTaskCopy(text);
    if (!value->pwszVal)
        return E_OUTOFMEMORY;
    value->vt = VT_LPWSTR;
    return S_OK;
}

HRESULT PropertyStore::SetValue(REFPROPERTYKEY, REFPROPVARIANT) noexcept
{
    return STG_E_ACCESSDENIED;
}

HRESULT PropertyStore::Commit() noexcept
{
    return STG_E_ACCESSDENIED;
}

} // namespace endpointsim
