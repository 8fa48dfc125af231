#pragma once
// TMasterVolume: the one object through which the program reads and sets the master volume
// and mute of the default playback endpoint, lists and switches endpoints, and starts the
// system's own volume and sound-settings programs. It picks its backend once, at creation.

#include "AudioTypes.h"
#include "Component.h"
#include "Events.h"
#include "MasterVolumeVista.h"
#include "MasterVolumeXP.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

using TVolumeChangeEvent = fw::Event<void(fw::TObject* sender, TVolumeChange change)>;

namespace audio {

// ShellExecuteW's parameters and its result as an integer (success when above 32).
using ShellExecuteFn = std::function<INT_PTR(HWND owner, const wchar_t* verb, const wchar_t* file,
                                             const wchar_t* parameters, const wchar_t* directory, int show)>;
// GetCursorPos: false when the position cannot be read.
using CursorPosFn = std::function<bool(POINT& position)>;

INT_PTR SystemShellExecute(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                           const wchar_t* directory, int show);
bool SystemCursorPos(POINT& position);

// What the facade uses of the system; tests substitute fakes.
struct MasterVolumeSeams {
    CoreAudioSeams coreAudio = SystemCoreAudio();
    MixerSeams mixer = SystemMixer();
    ShellExecuteFn shellExecute = SystemShellExecute;
    CursorPosFn cursorPos = SystemCursorPos;
};

// Level of a backend scalar: (max - min) * s + min in extended precision, rounded to the
// nearest integer with ties to even.
int ScalarToLevel(int min, int max, float scalar) noexcept;
// Scalar of a level, after clamping it to min..max. A range with max <= min gives 0.0.
float LevelToScalar(int min, int max, int level) noexcept;

} // namespace audio

// No member lets an exception out: failures give the neutral value (0, false, empty).
class TMasterVolume : public fw::TComponent {
  public:
    /// ownerWindow is the parent of the programs the launchers start; it may also be given
    /// later with SetOwnerWindow, once the owner's window exists.
    TMasterVolume(fw::TComponent* owner, HWND ownerWindow, audio::MasterVolumeSeams seams = {});
    ~TMasterVolume() override;

    void SetOwnerWindow(HWND window) noexcept { ownerWindow = window; }
    HWND OwnerWindow() const noexcept { return ownerWindow; }

    /// Bounds of the integer level scale; Max must be greater than Min.
    int Min = 0;
    int Max = 65535;

    /// The backend's cache mode.
    TPreload Preload() const noexcept;
    void SetPreload(TPreload value) noexcept;

    /// Level Min..Max of the default endpoint.
    int Volume() const noexcept;
    /// Clamps to Min..Max; true when the backend accepted the value.
    bool SetVolume(int level) noexcept;
    bool Mute() const noexcept;
    bool SetMute(bool mute) noexcept;
    /// An own change has not been notified yet (polled while shutting down).
    bool Changing() const noexcept;
    /// What the program's own latest write asked for until the endpoint's next notification
    /// is handled, else Volume and Mute. The reads keep the value from before the write until
    /// then, so a step or toggle that follows another one at once starts from here. Where an
    /// outside change that overtook own writes on their way changed the state they started
    /// from, the next step or toggle starts from the outside state instead.
    int IntendedVolume() const noexcept;
    bool IntendedMute() const noexcept;

    int DeviceCount() const noexcept;
    std::wstring DeviceName(int index) const noexcept;
    std::wstring DeviceId(int index) const noexcept;
    std::wstring DefaultDeviceId() const noexcept;
    std::wstring DefaultDeviceName() const noexcept;
    std::wstring DefaultDeviceShortName() const noexcept;
    /// An endpoint ID ("{...}") or a friendly name as DeviceName gives it.
    bool SetDevice(const std::wstring& device) noexcept;
    bool SetDeviceById(const std::wstring& id) noexcept;
    bool NextDevice() noexcept;
    /// Mute and volume for device (empty: the current endpoint); another endpoint is made
    /// default first and gets the values once the switch has been notified.
    bool SetVolumeMuteDevice(int volume, bool mute, const std::wstring& device) noexcept;

    /// Starts the system volume flyout; true when the Core Audio backend is in use, whether
    /// or not the program started. False means the caller shows its own volume bar.
    bool ShowVolumeFlyout() noexcept;
    bool RunVolumeControl(bool atCursor, bool flyout, bool recording) noexcept;
    /// The Sound control panel at page (-1: no page).
    bool RunAudioProperties(int page) noexcept;
    /// "ms-settings:" followed by page.
    bool RunSettingsPage(const std::wstring& page) noexcept;

    /// Fires on the user-interface thread after the backend's caches were renewed.
    TVolumeChangeEvent OnChange;

    bool UsesCoreAudio() const noexcept { return vista != nullptr; }

  private:
    bool StartVolumeControl(bool atCursor, bool flyout, bool recording);
    bool Execute(const wchar_t* file, const wchar_t* parameters, const wchar_t* directory);
    void BackendChange(TVolumeChange change);
    int ClampLevel(int level) const noexcept;

    HWND ownerWindow;
    audio::MasterVolumeSeams seams;
    // Exactly one of the two exists.
    std::unique_ptr<TMasterVolumeVista> vista;
    std::unique_ptr<TMasterVolumeXP> xp;
    std::optional<int> requestedLevel;
    std::optional<bool> requestedMute;
    int knownLevel = 0;     // the state the own writes on their way started from
    bool knownMute = false;
};
