#pragma once
// Core Audio backend of the master-volume facade: volume and mute of the default console
// render endpoint, the list of active render endpoints, switching the default endpoint, and
// change notifications turned into events on the user-interface thread.

#include "AudioTypes.h"
#include "ComPtr.h"
#include "Component.h"
#include "Events.h"
#include "Window.h"

#include <endpointvolume.h>
#include <mmdeviceapi.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The undocumented policy-configuration interface. Only slot 13 is relied on; slots 3..12
// exist on the platform with other signatures and are declared here only to place it, so
// they must never be called.
struct IPolicyConfig : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Unused3() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused4() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused5() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused6() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused7() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused8() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused9() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused10() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused11() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused12() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDefaultEndpoint(LPCWSTR deviceId, ERole role) = 0;
};
__CRT_UUID_DECL(IPolicyConfig, 0xf8679f50, 0x850a, 0x41cf, 0x9c, 0x72, 0x43, 0x0f, 0x29, 0x02, 0x90, 0xc8)

namespace audio {

inline constexpr CLSID DeviceEnumeratorClassId = {
    0xbcde0395, 0xe52f, 0x467c, {0x8e, 0x3d, 0xc4, 0x57, 0x92, 0x91, 0x69, 0x2e}};
inline constexpr CLSID PolicyConfigClassId = {
    0x870af99c, 0x171d, 0x4f9e, {0xaf, 0x0d, 0xe6, 0x3d, 0xf4, 0x0c, 0x2b, 0xc9}};

// How the backend obtains its platform objects; tests substitute fakes.
struct CoreAudioSeams {
    std::function<HRESULT(IMMDeviceEnumerator** out)> createEnumerator;
    std::function<HRESULT(IPolicyConfig** out)> createPolicyConfig;
};
// CoCreateInstance of the two platform classes, in-process.
CoreAudioSeams SystemCoreAudio();

// Friendly name without its adapter part: "Speakers (Realtek HD Audio)" -> "Speakers",
// "Headset (USB Audio Device)" -> "Headset (USB)".
std::wstring ShortenDeviceName(std::wstring_view name);
// A braced endpoint ID such as "{0.0.0.00000000}.{...}", as opposed to a friendly name.
bool IsDeviceId(std::wstring_view text) noexcept;

} // namespace audio

// The endpoint part without caching.
class TCustomMasterVolumeVista : public fw::TComponent {
  public:
    explicit TCustomMasterVolumeVista(fw::TComponent* owner,
                                      audio::CoreAudioSeams seams = audio::SystemCoreAudio());
    ~TCustomMasterVolumeVista() override;

    /// Master volume scalar 0.0..1.0 of the default endpoint; 0.0 without one.
    virtual float Volume();
    virtual bool Mute();
    virtual std::wstring DefaultDeviceId();
    virtual std::wstring DeviceId(int index);
    virtual std::wstring DefaultDeviceName();
    virtual std::wstring DeviceName(int index);
    virtual std::wstring DefaultDeviceShortName();
    virtual std::wstring DeviceShortName(int index);
    /// Number of active render endpoints.
    virtual int DeviceCount();

    /// Each write returns true when the platform accepted it.
    bool SetVolume(float scalar);
    bool SetMute(bool mute);
    /// An endpoint ID or a friendly name.
    bool SetDevice(const std::wstring& device);
    bool SetDeviceById(const std::wstring& id);
    bool SetDeviceByName(const std::wstring& name);
    bool NextDevice();
    /// Mute then volume on the default endpoint, or, when device names another endpoint,
    /// switch to it first and apply both once the switch has been notified.
    bool SetVolumeMuteDevice(bool mute, const std::wstring& device, float scalar);
    /// An own volume, mute or device change has not been notified yet.
    bool Changing() const noexcept { return changingVolume || changingDevice; }
    /// While OnVolume runs: the state an outside change set while own writes were still on
    /// their way. Those were stepped from the level before it, so the next step starts here.
    const std::optional<audio::TNotifiedVolume>& OutsideLevel() const noexcept { return outsideLevel; }
    /// While OnVolume runs: the notification only confirmed own writes that such an outside
    /// change overtook, so the level it set stays the one to step from.
    bool OnlyOvertakenWrites() const noexcept { return onlyOvertaken; }

    /// Volume or mute of the default endpoint changed (by anyone); user-interface thread.
    fw::TNotifyEvent OnVolume;
    /// The default console render endpoint changed and has been reopened.
    fw::TNotifyEvent OnDevice;

  protected:
    virtual void OpenDefaultDevice();
    virtual void EnumDevices();
    virtual void DoVolume();
    void DoDevice();
    bool Registered() const noexcept { return registered; }
    /// While DoVolume runs: the state the notification carried, when it carried one.
    const std::optional<audio::TNotifiedVolume>& NotifiedVolume() const noexcept { return notifiedVolume; }

  private:
    // The callback object handed to the platform (IMMNotificationClient and
    // IAudioEndpointVolumeCallback). It is reference-counted on its own: the platform may
    // still hold it, and call it, after this object has unregistered and gone.
    class NotificationSink;

    void ReleaseEndpoint() noexcept;
    std::optional<LRESULT> HandleMessage(UINT msg) noexcept;
    void HandleVolume();
    // The event context of the next own write: the process's own GUID with the write's serial.
    const GUID* NextWriteContext() noexcept;

    fw::ComPtr<IMMDevice> device;
    fw::ComPtr<IAudioEndpointVolume> endpointVolume;
    fw::ComPtr<IMMDeviceEnumerator> enumerator;
    fw::ComPtr<IMMDeviceCollection> devices;
    fw::MessageWindow window;
    bool registered = false;       // control-change callback registered on endpointVolume
    bool clientRegistered = false; // endpoint notification client registered on enumerator
    bool pending = false;
    float pendingVolume = 0.0f;
    bool pendingMute = false;
    bool changingVolume = false;
    bool changingDevice = false;
    bool tornDown = false;
    std::optional<audio::TNotifiedVolume> notifiedVolume;
    std::optional<audio::TNotifiedVolume> outsideLevel;
    bool onlyOvertaken = false;
    GUID writeContext{};
    uint32_t writeSerial = 0;   // of the latest own write
    uint32_t overtakenUpTo = 0; // own writes up to this serial were overtaken by an outside change
    audio::CoreAudioSeams seams;
    fw::ComPtr<NotificationSink> sink;
};

// The endpoint part with value caches controlled by Preload.
class TMasterVolumeVista : public TCustomMasterVolumeVista {
  public:
    explicit TMasterVolumeVista(fw::TComponent* owner,
                                audio::CoreAudioSeams seams = audio::SystemCoreAudio());

    TPreload Preload() const noexcept { return preload; }
    void SetPreload(TPreload value);

    float Volume() override;
    bool Mute() override;
    std::wstring DefaultDeviceId() override;
    std::wstring DeviceId(int index) override;
    std::wstring DefaultDeviceName() override;
    std::wstring DeviceName(int index) override;
    std::wstring DefaultDeviceShortName() override;
    std::wstring DeviceShortName(int index) override;
    int DeviceCount() override;

  protected:
    void OpenDefaultDevice() override;
    void EnumDevices() override;
    void DoVolume() override;

  private:
    void Invalidate(bool volume, bool deviceList);
    template <typename Read> std::wstring CachedAt(std::vector<std::wstring>& cache, int index, Read read);

    float cachedVolume = 0.0f;
    bool cachedMute = false;
    int cachedCount = 0;
    std::wstring cachedDefaultId;
    std::wstring cachedDefaultName;
    std::wstring cachedDefaultShortName;
    std::vector<std::wstring> cachedIds;
    std::vector<std::wstring> cachedNames;
    std::vector<std::wstring> cachedShortNames;
    bool volumeValid = false;
    bool muteValid = false;
    bool countValid = false;
    bool defaultIdValid = false;
    bool defaultNameValid = false;
    bool defaultShortNameValid = false;
    TPreload preload = TPreload::plNone;
};
