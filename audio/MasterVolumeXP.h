#pragma once
// Waveform-mixer backend of the master-volume facade, for systems without the Core Audio
// device enumerator: volume and mute of the speaker destination of mixer 0, change
// notifications and the device-change broadcast turned into events on the user-interface
// thread. It knows no device list.

#include "AudioTypes.h"
#include "Component.h"
#include "Events.h"
#include "Window.h"

#include <windows.h>

#include <mmsystem.h>

#include <functional>
#include <optional>

namespace audio {

// The six mixer functions of winmm; tests substitute a fake mixer.
struct MixerSeams {
    std::function<MMRESULT(HMIXER* mixer, UINT device, DWORD_PTR callback, DWORD_PTR instance, DWORD flags)>
        open;
    std::function<MMRESULT(HMIXER mixer)> close;
    std::function<MMRESULT(HMIXEROBJ mixer, MIXERLINEA* line, DWORD flags)> getLineInfo;
    std::function<MMRESULT(HMIXEROBJ mixer, MIXERLINECONTROLSA* controls, DWORD flags)> getLineControls;
    std::function<MMRESULT(HMIXEROBJ mixer, MIXERCONTROLDETAILS* details, DWORD flags)> getControlDetails;
    std::function<MMRESULT(HMIXEROBJ mixer, MIXERCONTROLDETAILS* details, DWORD flags)> setControlDetails;
};
// The system's winmm.
MixerSeams SystemMixer();

// Scalar 0.0..1.0 of a control value within its bounds; equal bounds give 0.0.
float MixerValueToScalar(DWORD minimum, DWORD maximum, DWORD value) noexcept;
// Control value of a scalar (clamped to 0.0..1.0), rounded to the nearest, ties to even.
DWORD ScalarToMixerValue(DWORD minimum, DWORD maximum, float scalar) noexcept;

} // namespace audio

// The mixer part without caching.
class TCustomMasterVolumeXP : public fw::TComponent {
  public:
    explicit TCustomMasterVolumeXP(fw::TComponent* owner, audio::MixerSeams seams = audio::SystemMixer());
    ~TCustomMasterVolumeXP() override;

    /// Volume scalar 0.0..1.0 of the speaker line; 0.0 when the mixer is not opened.
    virtual float Volume();
    virtual bool Mute();

    /// Each write returns true when the mixer accepted it.
    bool SetVolume(float scalar);
    bool SetMute(bool mute);
    /// Mute first; the volume only when that succeeded.
    bool SetVolumeMuteDevice(bool mute, float scalar);
    /// An own volume or mute change has not been notified yet.
    bool Changing() const noexcept { return changing; }
    /// Mixer, speaker line and both controls were found.
    bool Opened() const noexcept { return opened; }

    /// A control of the opened mixer changed (by anyone); user-interface thread.
    fw::TNotifyEvent OnVolume;
    /// The set of audio devices changed and the mixer has been reopened.
    fw::TNotifyEvent OnDevice;

  protected:
    virtual void OpenDefaultDevice();
    virtual void DoVolume();
    void DoDevice();
    HWND WindowHandle() const noexcept { return window.Handle(); }

  private:
    void Close() noexcept;
    bool ReadControl(const MIXERCONTROLA& control, DWORD& value);
    bool WriteControl(const MIXERCONTROLA& control, DWORD value);
    void WriteDone();
    std::optional<LRESULT> HandleMessage(UINT msg, WPARAM wParam) noexcept;

    fw::MessageWindow window;
    bool opened = false;
    bool changing = false;
    UINT deviceChangeMessage = 0;
    HMIXER mixer = nullptr; // closed through the seam, so not a UniqueHandle
    MIXERCONTROLA muteControl{};
    MIXERCONTROLA volumeControl{};
    // Some mixers (Wine's among them) never send control-change messages. Until this mixer
    // has sent one, an own write notifies itself, so the icon and Changing still settle.
    bool notifies = false;
    bool selfNoticeQueued = false;
    bool tornDown = false;
    audio::MixerSeams seams;
};

// The mixer part with value caches controlled by Preload.
class TMasterVolumeXP : public TCustomMasterVolumeXP {
  public:
    explicit TMasterVolumeXP(fw::TComponent* owner, audio::MixerSeams seams = audio::SystemMixer());

    TPreload Preload() const noexcept { return preload; }
    void SetPreload(TPreload value);

    float Volume() override;
    bool Mute() override;

  protected:
    void OpenDefaultDevice() override;
    void DoVolume() override;

  private:
    void Invalidate();

    float cachedVolume = 0.0f;
    bool cachedMute = false;
    bool volumeValid = false;
    bool muteValid = false;
    TPreload preload = TPreload::plNone;
};
