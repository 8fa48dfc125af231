#pragma once
// Reference counting and QueryInterface for objects of our own handed to COM (callback sinks,
// the simulator's objects): free-threaded, deleted at the last Release, answering IUnknown
// and each listed interface.

#include <unknwn.h>

#include <atomic>

namespace fw {

template <typename First, typename... Rest> class ComObject : public First, public Rest... {
  public:
    ComObject() noexcept = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

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
    virtual ~ComObject() = default;

    std::atomic<ULONG> references{1}; // an object with its own Release counts here too
};

} // namespace fw
