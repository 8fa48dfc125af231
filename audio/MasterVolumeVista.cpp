#include "MasterVolumeVista.h"

#include "AudioMessages.h"
#include "ComImplementation.h"
#include "Lock.h"
#include "UniqueHandle.h"

#include <propidl.h>

#include <atomic>
#include <climits>
#include <cstring>

namespace audio {

namespace {

// PKEY_Device_FriendlyName, spelled out so no GUID library is needed.
constexpr PROPERTYKEY FriendlyNameKey = {
    {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 14};

bool IsBlank(wchar_t c) noexcept
{
    return c <= L' ';
}

} // namespace

CoreAudioSeams SystemCoreAudio()
{
    CoreAudioSeams seams;
    seams.createEnumerator = [](IMMDeviceEnumerator** out) {
        return ::CoCreateInstance(DeviceEnumeratorClassId, nullptr, CLSCTX_INPROC_SERVER,
                                  __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(out));
    };
    seams.createPolicyConfig = [](IPolicyConfig** out) {
        return ::CoCreateInstance(PolicyConfigClassId, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IPolicyConfig),
                                  reinterpret_cast<void**>(out));
    };
    return seams;
}

std::wstring ShortenDeviceName(std::wstring_view name)
{
    size_t first = 0;
    size_t last = name.size();
    while (first < last && IsBlank(name[first]))
        ++first;
    while (last > first && IsBlank(name[last - 1]))
        --last;
    std::wstring_view trimmed = name.substr(first, last - first);

    if (size_t usb = trimmed.find(L" (USB "); usb != std::wstring_view::npos)
        return std::wstring(trimmed.substr(0, usb)) + L" (USB)";
    if (size_t paren = trimmed.find(L" ("); paren != std::wstring_view::npos)
        return std::wstring(trimmed.substr(0, paren));
    return std::wstring(trimmed);
}

bool IsDeviceId(std::wstring_view text) noexcept
{
    return text.size() >= 3 && text.front() == L'{' && text.back() == L'}';
}

} // namespace audio

namespace {

constexpr wchar_t WindowClassName[] = L"LorvaneMasterVolumeVista";

using fw::ExclusiveLock;

std::wstring IdOf(IMMDevice* device)
{
    LPWSTR raw = nullptr;
    if (!device || FAILED(device->GetId(&raw)))
        return {};
    fw::UniqueCoTaskString owned(raw);
    return raw ? std::wstring(raw) : std::wstring();
}

// A property value, cleared (with whatever it owns) when it goes.
class PropVariant {
  public:
    PropVariant() noexcept { PropVariantInit(&value); }
    PropVariant(const PropVariant&) = delete;
    PropVariant& operator=(const PropVariant&) = delete;
    ~PropVariant() { PropVariantClear(&value); }
    PROPVARIANT* operator&() noexcept { return &value; }
    const PROPVARIANT* operator->() const noexcept { return &value; }

  private:
    PROPVARIANT value;
};

std::wstring NameOf(IMMDevice* device)
{
    fw::ComPtr<IPropertyStore> store;
    if (!device || FAILED(device->OpenPropertyStore(STGM_READ, store.put())) || !store)
        return {};
    PropVariant value;
    if (FAILED(store->GetValue(audio::FriendlyNameKey, &value)) || value->vt != VT_LPWSTR || !value->pwszVal)
        return {};
    return value->pwszVal;
}

} // namespace

// ---------------------------------------------------------------------------------------
// TCustomMasterVolumeVista

// Callbacks only post to the hidden window: a sent message would block the platform's
// thread against a user-interface thread that may itself be inside an endpoint call
// waiting for that thread (unregistering, for one).
class TCustomMasterVolumeVista::NotificationSink final
    : public fw::ComObject<IMMNotificationClient, IAudioEndpointVolumeCallback> {
  public:
    // Own writes carry `own` as their event context, with the write's serial in Data1.
    NotificationSink(HWND target, const GUID& own) noexcept : own(own), target(target) {}
    NotificationSink(const NotificationSink&) = delete;
    NotificationSink& operator=(const NotificationSink&) = delete;

    // From now on every callback, including one already running, posts nothing.
    void Detach() noexcept
    {
        ExclusiveLock guard(lock);
        target = nullptr;
    }
    // The coalesced message is being handled: a notification from now on posts again.
    void VolumeHandled() noexcept { volumeQueued.store(false); }
    // What the newest volume notification said, taken once: a notification that came
    // without data, or none since the endpoint changed, leaves nothing to take.
    std::optional<audio::TNotifiedVolume> TakeNotified() noexcept
    {
        return Unpack(notified.exchange(kNothingNotified));
    }
    // The same for the newest notification of a change another program made.
    std::optional<audio::TNotifiedVolume> TakeForeign() noexcept
    {
        return Unpack(foreign.exchange(kNothingNotified));
    }
    // The serial of the latest own write notified since the last take; 0 for none.
    uint32_t TakeOwnSerial() noexcept { return ownSerial.exchange(0); }
    // The endpoint went: what it notified is no longer the default endpoint's state.
    void ForgetNotified() noexcept
    {
        notified.store(kNothingNotified);
        foreign.store(kNothingNotified);
        ownSerial.store(0);
    }
    void DeviceListHandled() noexcept { deviceListQueued.store(false); }
    void DefaultHandled() noexcept { defaultQueued.store(false); }

    HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR, DWORD) noexcept override
    {
        // The collection and caches belong to the user-interface thread: enumerate there.
        Post(WM_MV_DEVICELIST, &deviceListQueued);
        return S_OK;
    }
    // A device that arrives or goes changes the list as a state change does; the
    // collection is a snapshot, so it is rebuilt the same way.
    HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR) noexcept override
    {
        Post(WM_MV_DEVICELIST, &deviceListQueued);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR) noexcept override
    {
        Post(WM_MV_DEVICELIST, &deviceListQueued);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR) noexcept override
    {
        // Only the newest default matters: a backlog of switches costs one reopening.
        if (flow == eRender && role == eConsole)
            Post(WM_MV_DEVICE, &defaultQueued);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) noexcept override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnNotify(AUDIO_VOLUME_NOTIFICATION_DATA* data) noexcept override
    {
        // Own and foreign changes alike. Notifications that arrive while one is queued are
        // served by that one: its handler takes the newest state they carried (or reads it
        // afresh when one came without it), stored before the message is posted.
        uint64_t packed = kNothingNotified;
        if (data) {
            uint32_t bits = 0;
            std::memcpy(&bits, &data->fMasterVolume, sizeof bits);
            packed = kNotifiedBit | (data->bMuted ? kMutedBit : 0) | bits;
            const GUID& context = data->guidEventContext;
            if (context.Data2 == own.Data2 && context.Data3 == own.Data3 &&
                std::memcmp(context.Data4, own.Data4, sizeof own.Data4) == 0) {
                for (uint32_t seen = ownSerial.load();
                     seen < context.Data1 && !ownSerial.compare_exchange_weak(seen, context.Data1);) {
                }
            } else {
                foreign.store(packed);
            }
        }
        notified.store(packed);
        Post(WM_MV_VOLUME, &volumeQueued);
        return S_OK;
    }

  private:
    ~NotificationSink() = default;

    void Post(UINT msg, std::atomic<bool>* queued) noexcept
    {
        ExclusiveLock guard(lock);
        if (!target)
            return;
        if (queued && queued->exchange(true))
            return;
        if (!::PostMessageW(target, msg, 0, 0) && queued)
            queued->store(false);
    }

    static constexpr uint64_t kNothingNotified = 0;
    static constexpr uint64_t kNotifiedBit = uint64_t{1} << 63;
    static constexpr uint64_t kMutedBit = uint64_t{1} << 32;

    static std::optional<audio::TNotifiedVolume> Unpack(uint64_t packed) noexcept
    {
        if (!(packed & kNotifiedBit))
            return std::nullopt;
        float scalar = 0.0f;
        const uint32_t bits = static_cast<uint32_t>(packed);
        std::memcpy(&scalar, &bits, sizeof scalar);
        return audio::TNotifiedVolume{scalar, (packed & kMutedBit) != 0};
    }

    const GUID own;
    std::atomic<uint64_t> notified{kNothingNotified}; // scalar bits, mute and presence
    std::atomic<uint64_t> foreign{kNothingNotified};  // the same, of changes made by others
    std::atomic<uint32_t> ownSerial{0};
    SRWLOCK lock = SRWLOCK_INIT;
    HWND target;
    std::atomic<bool> volumeQueued{false};
    std::atomic<bool> deviceListQueued{false};
    std::atomic<bool> defaultQueued{false};
};

TCustomMasterVolumeVista::TCustomMasterVolumeVista(fw::TComponent* owner, audio::CoreAudioSeams seams)
    : TComponent(owner), seams(std::move(seams))
{
    // Only the notification thread's posted messages arrive here: no broadcast to wait for.
    window.CreateMessageOnly(WindowClassName,
                             [this](UINT msg, WPARAM, LPARAM) noexcept { return HandleMessage(msg); });
    if (FAILED(::CoCreateGuid(&writeContext))) {
        const DWORD pid = ::GetCurrentProcessId();
        writeContext = {0, LOWORD(pid), HIWORD(pid), {'L', 'o', 'r', 'v', 'a', 'n', 'e', 0}};
    }
    sink.attach(new NotificationSink(window.Handle(), writeContext));
    if (!this->seams.createEnumerator || FAILED(this->seams.createEnumerator(enumerator.put())) ||
        !enumerator) {
        enumerator.reset();
        return;
    }
    // Virtual calls do not reach a derived class from here; its caches are empty and its
    // Preload is plNone during construction, so the base versions do the whole job.
    TCustomMasterVolumeVista::EnumDevices();
    clientRegistered = SUCCEEDED(enumerator->RegisterEndpointNotificationCallback(sink.get()));
    TCustomMasterVolumeVista::OpenDefaultDevice();
}

TCustomMasterVolumeVista::~TCustomMasterVolumeVista()
{
    tornDown = true;
    ReleaseEndpoint();
    if (enumerator && clientRegistered)
        enumerator->UnregisterEndpointNotificationCallback(sink.get());
    clientRegistered = false;
    // A platform may still deliver through a reference it holds; the sink then posts nothing.
    sink->Detach();
    devices.reset();
    enumerator.reset();
    window.Destroy(); // discards whatever was still posted
}

void TCustomMasterVolumeVista::ReleaseEndpoint() noexcept
{
    if (endpointVolume && registered)
        endpointVolume->UnregisterControlChangeNotify(sink.get());
    registered = false;
    sink->ForgetNotified();
    endpointVolume.reset();
    device.reset();
    changingVolume = false;
    changingDevice = false;
}

void TCustomMasterVolumeVista::OpenDefaultDevice()
{
    ReleaseEndpoint();
    if (!enumerator)
        return;
    if (FAILED(enumerator->GetDefaultAudioEndpoint(eRender, eConsole, device.put())) || !device) {
        device.reset();
        return;
    }
    if (FAILED(device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER, nullptr,
                                endpointVolume.put_void())) ||
        !endpointVolume) {
        endpointVolume.reset();
        return;
    }
    registered = SUCCEEDED(endpointVolume->RegisterControlChangeNotify(sink.get()));
}

void TCustomMasterVolumeVista::EnumDevices()
{
    if (!enumerator)
        return;
    devices.reset();
    if (FAILED(enumerator->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, devices.put())))
        devices.reset();
}

float TCustomMasterVolumeVista::Volume()
{
    float scalar = 0.0f;
    if (!endpointVolume || FAILED(endpointVolume->GetMasterVolumeLevelScalar(&scalar)))
        return 0.0f;
    return scalar;
}

bool TCustomMasterVolumeVista::Mute()
{
    BOOL mute = FALSE;
    return endpointVolume && SUCCEEDED(endpointVolume->GetMute(&mute)) && mute;
}

int TCustomMasterVolumeVista::DeviceCount()
{
    UINT count = 0;
    if (!devices || FAILED(devices->GetCount(&count)))
        return 0;
    return count > INT_MAX ? INT_MAX : static_cast<int>(count);
}

std::wstring TCustomMasterVolumeVista::DefaultDeviceId()
{
    return IdOf(device.get());
}

std::wstring TCustomMasterVolumeVista::DeviceId(int index)
{
    fw::ComPtr<IMMDevice> item;
    if (!devices || index < 0 || FAILED(devices->Item(static_cast<UINT>(index), item.put())))
        return {};
    return IdOf(item.get());
}

std::wstring TCustomMasterVolumeVista::DefaultDeviceName()
{
    return NameOf(device.get());
}

std::wstring TCustomMasterVolumeVista::DeviceName(int index)
{
    fw::ComPtr<IMMDevice> item;
    if (!devices || index < 0 || FAILED(devices->Item(static_cast<UINT>(index), item.put())))
        return {};
    return NameOf(item.get());
}

std::wstring TCustomMasterVolumeVista::DefaultDeviceShortName()
{
    return audio::ShortenDeviceName(DefaultDeviceName());
}

std::wstring TCustomMasterVolumeVista::DeviceShortName(int index)
{
    return audio::ShortenDeviceName(DeviceName(index));
}

// A write that leaves the endpoint as it was is not notified: only a real change makes the
// program wait for its notification (at close, for one).
bool TCustomMasterVolumeVista::SetVolume(float scalar)
{
    if (!endpointVolume)
        return false;
    float before = 0.0f;
    const bool known = SUCCEEDED(endpointVolume->GetMasterVolumeLevelScalar(&before));
    if (FAILED(endpointVolume->SetMasterVolumeLevelScalar(scalar, NextWriteContext())))
        return false;
    if (!known || before != scalar)
        changingVolume = true;
    return true;
}

bool TCustomMasterVolumeVista::SetMute(bool mute)
{
    if (!endpointVolume)
        return false;
    BOOL before = FALSE;
    const bool known = SUCCEEDED(endpointVolume->GetMute(&before));
    if (FAILED(endpointVolume->SetMute(mute ? TRUE : FALSE, NextWriteContext())))
        return false;
    if (!known || (before != FALSE) != mute)
        changingVolume = true;
    return true;
}

const GUID* TCustomMasterVolumeVista::NextWriteContext() noexcept
{
    if (++writeSerial == 0) // 0 stands for "no own write"
        ++writeSerial;
    writeContext.Data1 = writeSerial;
    return &writeContext;
}

bool TCustomMasterVolumeVista::SetDeviceById(const std::wstring& id)
{
    if (id.empty() || !seams.createPolicyConfig)
        return false;
    fw::ComPtr<IPolicyConfig> policy;
    if (FAILED(seams.createPolicyConfig(policy.put())) || !policy)
        return false;
    // The endpoint that is the default now, asked afresh: making it the default again is no
    // change and brings no notification.
    fw::ComPtr<IMMDevice> current;
    std::wstring currentId;
    if (enumerator && SUCCEEDED(enumerator->GetDefaultAudioEndpoint(eRender, eConsole, current.put())))
        currentId = IdOf(current.get());
    // Only the console role: multimedia and communications keep the user's own choice.
    if (FAILED(policy->SetDefaultEndpoint(id.c_str(), eConsole)))
        return false;
    if (currentId.empty() || _wcsicmp(currentId.c_str(), id.c_str()) != 0)
        changingDevice = true;
    return true;
}

bool TCustomMasterVolumeVista::SetDeviceByName(const std::wstring& name)
{
    if (name.empty())
        return false;
    // Endpoints may share a friendly name: try each in order until one can be made default.
    const int count = DeviceCount();
    for (int index = 0; index < count; ++index) {
        if (DeviceName(index) == name && SetDeviceById(DeviceId(index)))
            return true;
    }
    return false;
}

bool TCustomMasterVolumeVista::SetDevice(const std::wstring& device)
{
    if (audio::IsDeviceId(device))
        return SetDeviceById(device) || SetDeviceByName(device);
    return SetDeviceByName(device) || SetDeviceById(device);
}

bool TCustomMasterVolumeVista::NextDevice()
{
    const int count = DeviceCount();
    if (count < 2)
        return false;
    const std::wstring current = DefaultDeviceId();
    int target = 0;
    if (!current.empty()) {
        for (int index = 0; index < count; ++index) {
            if (DeviceId(index) == current) {
                target = index + 1 < count ? index + 1 : 0;
                break;
            }
        }
    }
    return SetDeviceById(DeviceId(target));
}

bool TCustomMasterVolumeVista::SetVolumeMuteDevice(bool mute, const std::wstring& device, float scalar)
{
    if (!device.empty() && device != DefaultDeviceId() && device != DefaultDeviceName()) {
        pending = true;
        pendingVolume = scalar;
        pendingMute = mute;
        if (SetDevice(device))
            return true;
        // No switch is coming for these values; left pending they would land on whatever
        // endpoint the next unrelated default change brings.
        pending = false;
        return false;
    }
    return SetMute(mute) && SetVolume(scalar);
}

void TCustomMasterVolumeVista::DoVolume()
{
    changingVolume = false;
    fw::Raise(OnVolume, static_cast<fw::TObject*>(this));
}

void TCustomMasterVolumeVista::DoDevice()
{
    OpenDefaultDevice();
    changingDevice = false;
    fw::Raise(OnDevice, static_cast<fw::TObject*>(this));
    if (pending) {
        pending = false;
        SetMute(pendingMute);
        SetVolume(pendingVolume);
    }
}

void TCustomMasterVolumeVista::HandleVolume()
{
    sink->VolumeHandled(); // before the reads, so no later notification is lost
    outsideLevel.reset();  // (a handler that threw last time left them set)
    notifiedVolume.reset();
    const std::optional<audio::TNotifiedVolume> foreign = sink->TakeForeign();
    const uint32_t confirmed = sink->TakeOwnSerial();
    // Every own write not yet notified was stepped from a level this outside change replaced.
    if (foreign && changingVolume) {
        overtakenUpTo = writeSerial;
        outsideLevel = foreign;
    }
    onlyOvertaken = !foreign && confirmed != 0 && confirmed <= overtakenUpTo;
    // An own write not notified yet may be newer than the state the notification carried:
    // that one is read back.
    if (auto notified = sink->TakeNotified(); notified && !changingVolume)
        notifiedVolume = notified;
    DoVolume();
    notifiedVolume.reset();
    outsideLevel.reset();
    onlyOvertaken = false;
}

std::optional<LRESULT> TCustomMasterVolumeVista::HandleMessage(UINT msg) noexcept
{
    if (msg != WM_MV_DEVICE && msg != WM_MV_VOLUME && msg != WM_MV_DEVICELIST)
        return std::nullopt;
    if (tornDown)
        return 0;
    try {
        switch (msg) {
        case WM_MV_DEVICE:
            sink->DefaultHandled(); // before the reopening asks which endpoint is the default
            DoDevice();
            break;
        case WM_MV_VOLUME:
            HandleVolume();
            break;
        case WM_MV_DEVICELIST:
            sink->DeviceListHandled();
            EnumDevices();
            break;
        }
    } catch (...) {
        // Nothing may leave a window procedure; the next notification starts afresh.
    }
    return 0;
}

// ---------------------------------------------------------------------------------------
// TMasterVolumeVista

TMasterVolumeVista::TMasterVolumeVista(fw::TComponent* owner, audio::CoreAudioSeams seams)
    : TCustomMasterVolumeVista(owner, std::move(seams))
{
}

void TMasterVolumeVista::SetPreload(TPreload value)
{
    if (value == preload)
        return;
    preload = value;
    Invalidate(true, true);
}

void TMasterVolumeVista::Invalidate(bool volume, bool deviceList)
{
    if (volume) {
        volumeValid = false;
        muteValid = false;
    }
    if (deviceList) {
        countValid = false;
        defaultIdValid = false;
        defaultNameValid = false;
        defaultShortNameValid = false;
        cachedIds.clear();
        cachedNames.clear();
        cachedShortNames.clear();
    }
    if (preload != TPreload::plAlway || !Registered())
        return;
    if (volume) {
        Volume();
        Mute();
    }
    if (deviceList) {
        DefaultDeviceId();
        DefaultDeviceName();
        DefaultDeviceShortName();
        const int count = DeviceCount();
        for (int index = 0; index < count; ++index) {
            DeviceId(index);
            DeviceName(index);
            DeviceShortName(index);
        }
    }
}

void TMasterVolumeVista::OpenDefaultDevice()
{
    TCustomMasterVolumeVista::OpenDefaultDevice();
    Invalidate(true, true);
}

void TMasterVolumeVista::EnumDevices()
{
    TCustomMasterVolumeVista::EnumDevices();
    Invalidate(false, true);
}

void TMasterVolumeVista::DoVolume()
{
    // The notification carried the new state: the caches take it without reading it back.
    if (const auto& notified = NotifiedVolume(); notified && preload != TPreload::plNone) {
        cachedVolume = notified->Scalar;
        cachedMute = notified->Muted;
        volumeValid = muteValid = true;
    } else {
        Invalidate(true, false);
    }
    TCustomMasterVolumeVista::DoVolume();
}

template <typename Read>
std::wstring TMasterVolumeVista::CachedAt(std::vector<std::wstring>& cache, int index, Read read)
{
    if (index < 0)
        return {};
    const size_t at = static_cast<size_t>(index);
    if (preload != TPreload::plNone && at < cache.size() && !cache[at].empty())
        return cache[at];
    std::wstring value = read();
    cache.resize(at + 1);
    cache[at] = value;
    return value;
}

float TMasterVolumeVista::Volume()
{
    return audio::Cached(preload, volumeValid, cachedVolume,
                         [this] { return TCustomMasterVolumeVista::Volume(); });
}

bool TMasterVolumeVista::Mute()
{
    return audio::Cached(preload, muteValid, cachedMute, [this] { return TCustomMasterVolumeVista::Mute(); });
}

int TMasterVolumeVista::DeviceCount()
{
    return audio::Cached(preload, countValid, cachedCount,
                         [this] { return TCustomMasterVolumeVista::DeviceCount(); });
}

std::wstring TMasterVolumeVista::DefaultDeviceId()
{
    return audio::Cached(preload, defaultIdValid, cachedDefaultId,
                         [this] { return TCustomMasterVolumeVista::DefaultDeviceId(); });
}

std::wstring TMasterVolumeVista::DefaultDeviceName()
{
    return audio::Cached(preload, defaultNameValid, cachedDefaultName,
                         [this] { return TCustomMasterVolumeVista::DefaultDeviceName(); });
}

std::wstring TMasterVolumeVista::DefaultDeviceShortName()
{
    // The base shortens DefaultDeviceName(), which dispatches back here to the cached name.
    return audio::Cached(preload, defaultShortNameValid, cachedDefaultShortName,
                         [this] { return TCustomMasterVolumeVista::DefaultDeviceShortName(); });
}

std::wstring TMasterVolumeVista::DeviceId(int index)
{
    return CachedAt(cachedIds, index, [&] { return TCustomMasterVolumeVista::DeviceId(index); });
}

std::wstring TMasterVolumeVista::DeviceName(int index)
{
    return CachedAt(cachedNames, index, [&] { return TCustomMasterVolumeVista::DeviceName(index); });
}

std::wstring TMasterVolumeVista::DeviceShortName(int index)
{
    return CachedAt(cachedShortNames, index,
                    [&] { return TCustomMasterVolumeVista::DeviceShortName(index); });
}
