#pragma once
// The undocumented policy-config interface: only slot 13, SetDefaultEndpoint, does
// anything. The placeholders keep the platform's argument counts so that a 32-bit caller's
// stack stays balanced should one of them be called.

#include "ComObject.h"

#include <mmdeviceapi.h>

namespace endpointsim {

struct IPolicyConfig : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Unused3(LPCWSTR, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused4(LPCWSTR, INT, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused5(LPCWSTR) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused6(LPCWSTR, void*, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused7(LPCWSTR, INT, void*, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused8(LPCWSTR, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused9(LPCWSTR, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused10(LPCWSTR, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused11(LPCWSTR, const PROPERTYKEY&, PROPVARIANT*) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused12(LPCWSTR, const PROPERTYKEY&, PROPVARIANT*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDefaultEndpoint(LPCWSTR id, ERole role) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetEndpointVisibility(LPCWSTR id, INT visible) = 0;
};

} // namespace endpointsim

__CRT_UUID_DECL(endpointsim::IPolicyConfig, 0xf8679f50, 0x850a, 0x41cf, 0x9c, 0x72, 0x43, 0x0f, 0x29, 0x02,
                0x90, 0xc8)

namespace endpointsim {

class PolicyConfig final : public ComObject<IPolicyConfig> {
  public:
    HRESULT STDMETHODCALLTYPE Unused3(LPCWSTR, void*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unused4(LPCWSTR, INT, void*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unused5(LPCWSTR) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unused6(LPCWSTR, void*, void*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unused7(LPCWSTR, INT, void*, void*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unused8(LPCWSTR, void*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unused9(LPCWSTR, void*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unused10(LPCWSTR, void*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unused11(LPCWSTR, const PROPERTYKEY&, PROPVARIANT*) noexcept override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Unused12(LPCWSTR, const PROPERTYKEY&, PROPVARIANT*) noexcept override
    {
        return E_NOTIMPL;
    }
    // Only the given role changes; E_INVALIDARG for an unknown or disabled endpoint.
    HRESULT STDMETHODCALLTYPE SetDefaultEndpoint(LPCWSTR id, ERole role) noexcept override;
    HRESULT STDMETHODCALLTYPE SetEndpointVisibility(LPCWSTR, INT) noexcept override { return E_NOTIMPL; }
};

} // namespace endpointsim
