#pragma once
// An endpoint as the enumerator hands it out. It holds only the endpoint's ID and reads the
// shared state at every call, so it sees changes made by any process, and fails once the
// endpoint is disabled or gone. There is one object per endpoint while any reference to it
// lives, as on the platform: the system's sound library tells the default endpoint from the
// others by comparing the pointers.

#include "ComObject.h"

#include <mmdeviceapi.h>
#include <propsys.h>

#include <string>
#include <vector>

namespace endpointsim {

class Device final : public ComObject<IMMDevice, IMMEndpoint> {
  public:
    // The endpoint's object, shared with every other holder in this process.
    static HRESULT Get(const wchar_t* id, IMMDevice** result) noexcept;

    ULONG STDMETHODCALLTYPE Release() noexcept override;

    HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD context, PROPVARIANT* parameters,
                                       void** result) noexcept override;
    HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD access, IPropertyStore** result) noexcept override;
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD* result) noexcept override;
    HRESULT STDMETHODCALLTYPE GetDataFlow(EDataFlow* result) noexcept override;

  private:
    explicit Device(std::wstring id) : id(std::move(id)) {}

    const std::wstring id;
};

// The endpoints that matched at enumeration time, as the platform's collection is a snapshot.
class DeviceCollection final : public ComObject<IMMDeviceCollection> {
  public:
    explicit DeviceCollection(std::vector<std::wstring> ids) : ids(std::move(ids)) {}

    HRESULT STDMETHODCALLTYPE GetCount(UINT* result) noexcept override;
    HRESULT STDMETHODCALLTYPE Item(UINT index, IMMDevice** result) noexcept override;

  private:
    const std::vector<std::wstring> ids;
};

// Read-only: the friendly name and the endpoint GUID (which the system's own sound
// libraries look up); every other key reads as empty.
class PropertyStore final : public ComObject<IPropertyStore> {
  public:
    explicit PropertyStore(std::wstring id) : id(std::move(id)) {}

    HRESULT STDMETHODCALLTYPE GetCount(DWORD* result) noexcept override;
    HRESULT STDMETHODCALLTYPE GetAt(DWORD index, PROPERTYKEY* key) noexcept override;
    HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* value) noexcept override;
    HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY key, REFPROPVARIANT value) noexcept override;
    HRESULT STDMETHODCALLTYPE Commit() noexcept override;

  private:
    const std::wstring id;
};

// A CoTaskMemAlloc copy, as the platform returns strings; nullptr when out of memory.
wchar_t* CoTaskCopy(const wchar_t* text) noexcept;

} // namespace endpointsim
