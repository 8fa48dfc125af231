#pragma once
// The volume control of one endpoint. Levels in decibels map linearly onto the scalar over
// MinLevelDb..MaxLevelDb; the two channels always follow the master level (no balance).

#include "ComObject.h"
#include "SharedState.h"

#include <endpointvolume.h>

#include <string>

namespace endpointsim {

class EndpointVolume final : public ComObject<IAudioEndpointVolume> {
  public:
    explicit EndpointVolume(std::wstring id) : id(std::move(id)) {}
    ~EndpointVolume() override;

    HRESULT STDMETHODCALLTYPE
    RegisterControlChangeNotify(IAudioEndpointVolumeCallback* callback) noexcept override;
    HRESULT STDMETHODCALLTYPE
    UnregisterControlChangeNotify(IAudioEndpointVolumeCallback* callback) noexcept override;
    HRESULT STDMETHODCALLTYPE GetChannelCount(UINT* count) noexcept override;
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevel(float levelDb, LPCGUID context) noexcept override;
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevelScalar(float level, LPCGUID context) noexcept override;
    HRESULT STDMETHODCALLTYPE GetMasterVolumeLevel(float* levelDb) noexcept override;
    HRESULT STDMETHODCALLTYPE GetMasterVolumeLevelScalar(float* level) noexcept override;
    HRESULT STDMETHODCALLTYPE SetChannelVolumeLevel(UINT channel, float levelDb,
                                                    LPCGUID context) noexcept override;
    HRESULT STDMETHODCALLTYPE SetChannelVolumeLevelScalar(UINT channel, float level,
                                                          LPCGUID context) noexcept override;
    HRESULT STDMETHODCALLTYPE GetChannelVolumeLevel(UINT channel, float* levelDb) noexcept override;
    HRESULT STDMETHODCALLTYPE GetChannelVolumeLevelScalar(UINT channel, float* level) noexcept override;
    HRESULT STDMETHODCALLTYPE SetMute(BOOL mute, LPCGUID context) noexcept override;
    HRESULT STDMETHODCALLTYPE GetMute(BOOL* mute) noexcept override;
    HRESULT STDMETHODCALLTYPE GetVolumeStepInfo(UINT* step, UINT* stepCount) noexcept override;
    HRESULT STDMETHODCALLTYPE VolumeStepUp(LPCGUID context) noexcept override;
    HRESULT STDMETHODCALLTYPE VolumeStepDown(LPCGUID context) noexcept override;
    HRESULT STDMETHODCALLTYPE QueryHardwareSupport(DWORD* mask) noexcept override;
    HRESULT STDMETHODCALLTYPE GetVolumeRange(float* minDb, float* maxDb,
                                             float* incrementDb) noexcept override;

  private:
    // Runs action(access, index) on the endpoint under the shared mutex, after counting the
    // call; fails when the endpoint is gone or disabled.
    template <typename Action> HRESULT OnEndpoint(Counter counter, Action action) noexcept;
    HRESULT SetScalar(Counter counter, float level, LPCGUID context) noexcept;
    HRESULT GetScalar(Counter counter, float* level) noexcept;
    HRESULT Step(int direction, LPCGUID context) noexcept;

    const std::wstring id;
};

} // namespace endpointsim
