#pragma once
// The server's free-threaded objects: every live one keeps the module loaded (DllCanUnloadNow).

#include "ComImplementation.h"

namespace endpointsim {

void ModuleAddRef() noexcept;
void ModuleRelease() noexcept;

template <typename First, typename... Rest> class ComObject : public fw::ComObject<First, Rest...> {
  public:
    ComObject() noexcept { ModuleAddRef(); }
    ~ComObject() override { ModuleRelease(); }
};

// Hands the new object's first reference, as the requested interface, to the caller.
template <typename T, typename... Args>
HRESULT CreateObject(REFIID iid, void** result, Args&&... args) noexcept
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    T* object = nullptr;
    try {
        object = new T(static_cast<Args&&>(args)...);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = object->QueryInterface(iid, result);
    object->Release();
    return hr;
}

} // namespace endpointsim
