#pragma once
// The device enumerator: render endpoints only (capture has none), defaults per role, and
// the registration of notification clients, which are called on the simulator's thread.

#include "ComObject.h"

#include <mmdeviceapi.h>

namespace endpointsim {

class Enumerator final : public ComObject<IMMDeviceEnumerator> {
  public:
    HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow flow, DWORD stateMask,
                                                 IMMDeviceCollection** result) noexcept override;
    HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow flow, ERole role,
                                                      IMMDevice** result) noexcept override;
    HRESULT STDMETHODCALLTYPE GetDevice(LPCWSTR id, IMMDevice** result) noexcept override;
    HRESULT STDMETHODCALLTYPE
    RegisterEndpointNotificationCallback(IMMNotificationClient* client) noexcept override;
    HRESULT STDMETHODCALLTYPE
    UnregisterEndpointNotificationCallback(IMMNotificationClient* client) noexcept override;
};

} // namespace endpointsim
