#include "EndpointVolume.h"

#include "Endpoints.h"
#include "Notifier.h"

#include <audioclient.h>

#include <algorithm>
#include <cmath>

namespace endpointsim {

namespace {

constexpr UINT ChannelCount = 2;
// Calls that the tests of caching do not ask about.
constexpr Counter Uncounted = Counter::Count;

float ScalarFromDb(float levelDb) noexcept
{
    return (levelDb - MinLevelDb) / (MaxLevelDb - MinLevelDb);
}

float DbFromScalar(float scalar) noexcept
{
    return MinLevelDb + scalar * (MaxLevelDb - MinLevelDb);
}

GUID ContextOf(LPCGUID context) noexcept
{
    return context ? *context : GUID_NULL;
}

} // namespace

EndpointVolume::~EndpointVolume()
{
    Notifier::Instance().RemoveOwner(this);
}

template <typename Action> HRESULT EndpointVolume::OnEndpoint(Counter counter, Action action) noexcept
{
    SharedState* state = SharedState::ForClientCall();
    if (!state)
        return E_FAIL;
    SharedState::Access access(*state);
    if (counter != Uncounted)
        access.Count(counter);
    const int index = FindEndpoint(access.Data(), id.c_str());
    if (!IsActive(access.Data(), index))
        return AUDCLNT_E_DEVICE_INVALIDATED;
    return action(access, index);
}

HRESULT EndpointVolume::RegisterControlChangeNotify(IAudioEndpointVolumeCallback* callback) noexcept
{
    if (!callback)
        return E_POINTER;
    const HRESULT hr = OnEndpoint(Uncounted, [](SharedState::Access&, int) { return S_OK; });
    if (FAILED(hr))
        return hr;
    return Notifier::Instance().AddVolumeCallback(this, id, callback);
}

HRESULT EndpointVolume::UnregisterControlChangeNotify(IAudioEndpointVolumeCallback* callback) noexcept
{
    return Notifier::Instance().RemoveVolumeCallback(this, callback);
}

HRESULT EndpointVolume::GetChannelCount(UINT* count) noexcept
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return OnEndpoint(Uncounted, [&](SharedState::Access&, int) {
        *count = ChannelCount;
        return S_OK;
    });
}

HRESULT EndpointVolume::SetScalar(Counter counter, float level, LPCGUID context) noexcept
{
    return OnEndpoint(counter, [&](SharedState::Access& access, int index) {
        return endpointsim::SetScalar(access, index, level, ContextOf(context));
    });
}

HRESULT EndpointVolume::GetScalar(Counter counter, float* level) noexcept
{
    if (!level)
        return E_POINTER;
    *level = 0.0f;
    return OnEndpoint(counter, [&](SharedState::Access& access, int index) {
        *level = access.Data().endpoints[index].scalar;
        return S_OK;
    });
}

HRESULT EndpointVolume::SetMasterVolumeLevel(float levelDb, LPCGUID context) noexcept
{
    if (!(levelDb >= MinLevelDb && levelDb <= MaxLevelDb))
        return E_INVALIDARG;
    return SetScalar(Uncounted, ScalarFromDb(levelDb), context);
}

HRESULT EndpointVolume::SetMasterVolumeLevelScalar(float level, LPCGUID context) noexcept
{
    return SetScalar(Counter::SetScalar, level, context);
}

HRESULT EndpointVolume::GetMasterVolumeLevel(float* levelDb) noexcept
{
    const HRESULT hr = GetScalar(Uncounted, levelDb);
    if (SUCCEEDED(hr))
        *levelDb = DbFromScalar(*levelDb);
    return hr;
}

HRESULT EndpointVolume::GetMasterVolumeLevelScalar(float* level) noexcept
{
    return GetScalar(Counter::GetScalar, level);
}

HRESULT EndpointVolume::SetChannelVolumeLevel(UINT channel, float levelDb, LPCGUID context) noexcept
{
    return channel < ChannelCount ? SetMasterVolumeLevel(levelDb, context) : E_INVALIDARG;
}

HRESULT EndpointVolume::SetChannelVolumeLevelScalar(UINT channel, float level, LPCGUID context) noexcept
{
    return channel < ChannelCount ? SetScalar(Uncounted, level, context) : E_INVALIDARG;
}

HRESULT EndpointVolume::GetChannelVolumeLevel(UINT channel, float* levelDb) noexcept
{
    return channel < ChannelCount ? GetMasterVolumeLevel(levelDb) : E_INVALIDARG;
}

HRESULT EndpointVolume::GetChannelVolumeLevelScalar(UINT channel, float* level) noexcept
{
    return channel < ChannelCount ? GetScalar(Uncounted, level) : E_INVALIDARG;
}

HRESULT EndpointVolume::SetMute(BOOL mute, LPCGUID context) noexcept
{
    return OnEndpoint(Counter::SetMute, [&](SharedState::Access& access, int index) {
        return endpointsim::SetMute(access, index, mute != FALSE, ContextOf(context));
    });
}

HRESULT EndpointVolume::GetMute(BOOL* mute) noexcept
{
    if (!mute)
        return E_POINTER;
    *mute = FALSE;
    return OnEndpoint(Counter::GetMute, [&](SharedState::Access& access, int index) {
        *mute = access.Data().endpoints[index].mute ? TRUE : FALSE;
        return S_OK;
    });
}

HRESULT EndpointVolume::GetVolumeStepInfo(UINT* step, UINT* stepCount) noexcept
{
    if (!step || !stepCount)
        return E_POINTER;
    return OnEndpoint(Uncounted, [&](SharedState::Access& access, int index) {
        *step = static_cast<UINT>(std::lround(access.Data().endpoints[index].scalar * (VolumeSteps - 1)));
        *stepCount = VolumeSteps;
        return S_OK;
    });
}

HRESULT EndpointVolume::Step(int direction, LPCGUID context) noexcept
{
    return OnEndpoint(Uncounted, [&](SharedState::Access& access, int index) {
        const long last = VolumeSteps - 1;
        const long current = std::lround(access.Data().endpoints[index].scalar * last);
        const long next = std::clamp(current + direction, 0L, last);
        return endpointsim::SetScalar(access, index, static_cast<float>(next) / last, ContextOf(context));
    });
}

HRESULT EndpointVolume::VolumeStepUp(LPCGUID context) noexcept
{
    return Step(+1, context);
}

HRESULT EndpointVolume::VolumeStepDown(LPCGUID context) noexcept
{
    return Step(-1, context);
}

HRESULT EndpointVolume::QueryHardwareSupport(DWORD* mask) noexcept
{
    if (!mask)
        return E_POINTER;
    *mask = ENDPOINT_HARDWARE_SUPPORT_VOLUME | ENDPOINT_HARDWARE_SUPPORT_MUTE;
    return S_OK;
}

HRESULT EndpointVolume::GetVolumeRange(float* minDb, float* maxDb, float* incrementDb) noexcept
{
    if (!minDb || !maxDb || !incrementDb)
        return E_POINTER;
    *minDb = MinLevelDb;
    *maxDb = MaxLevelDb;
    *incrementDb = (MaxLevelDb - MinLevelDb) / (VolumeSteps - 1);
    return S_OK;
}

} // namespace endpointsim
