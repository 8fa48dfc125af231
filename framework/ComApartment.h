#pragma once
// The user-interface thread owns a single-threaded COM apartment for the whole run; this
// scope object enters it and leaves it only when the entry succeeded.

#include <objbase.h>

namespace fw {

class ComApartment {
public:
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) noexcept
        : hr(::CoInitializeEx(nullptr, model))
    {
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment()
    {
        // S_FALSE (already initialised on this thread) still needs its matching call.
        if (SUCCEEDED(hr))
            ::CoUninitialize();
    }
    HRESULT Result() const noexcept { return hr; }
    bool Ok() const noexcept { return SUCCEEDED(hr); }

private:
    HRESULT hr;
};

} // namespace fw
