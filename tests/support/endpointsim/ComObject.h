#pragma once
// Reference counting and QueryInterface for the server's free-threaded objects. Every live
// object keeps the module loaded (DllCanUnloadNow).

#include <unknwn.h>

#include <atomic>

namespace endpointsim {

void ModuleAddRef() noexcept;
void ModuleRelease() noexcept;

template <typename First, typename... Rest> class ComObject : public First, public Rest... {
  public:
    ComObject() noexcept { ModuleAddRef(); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;
    virtual ~ComObject() { ModuleRelease(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) noexcept override
    {
        if (!result)
            return E_POINTER;
        *result = nullptr;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(First))
            *result = static_cast<First*>(this);
        else
            (void)((iid == __uuidof(Rest) && (*result = static_cast<Rest*>(this), true)) || ...);
        if (!*result)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() noexcept override
    {
        const ULONG left = --references;
        if (left == 0)
            delete this;
        return left;
    }

  protected:
    std::atomic<ULONG> references{1};
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
