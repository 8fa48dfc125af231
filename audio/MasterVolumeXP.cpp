#include "MasterVolumeXP.h"

#include "AudioMessages.h"

#include <cmath>

namespace audio {

MixerSeams SystemMixer()
{
    MixerSeams seams;
    seams.open = [](HMIXER* mixer, UINT device, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
        return ::mixerOpen(mixer, device, callback, instance, flags);
    };
    seams.close = [](HMIXER mixer) { return ::mixerClose(mixer); };
    seams.getLineInfo = [](HMIXEROBJ mixer, MIXERLINEA* line, DWORD flags) {
        return ::mixerGetLineInfoA(mixer, line, flags);
    };
    seams.getLineControls = [](HMIXEROBJ mixer, MIXERLINECONTROLSA* controls, DWORD flags) {
        return ::mixerGetLineControlsA(mixer, controls, flags);
    };
    seams.getControlDetails = [](HMIXEROBJ mixer, MIXERCONTROLDETAILS* details, DWORD flags) {
        return ::mixerGetControlDetailsA(mixer, details, flags);
    };
    seams.setControlDetails = [](HMIXEROBJ mixer, MIXERCONTROLDETAILS* details, DWORD flags) {
        return ::mixerSetControlDetails(mixer, details, flags);
    };
    return seams;
}

float MixerValueToScalar(DWORD minimum, DWORD maximum, DWORD value) noexcept
{
    const DWORD span = maximum - minimum; // unsigned 32-bit, as the bounds are
    // A driver that reports a value outside its own bounds still reads within 0..1.
    if (span == 0 || value < minimum)
        return 0.0f;
    const long double s = static_cast<long double>(value - minimum) / span;
    return static_cast<float>(s > 1.0L ? 1.0L : s);
}

DWORD ScalarToMixerValue(DWORD minimum, DWORD maximum, float scalar) noexcept
{
    const long double s = ClampedScalar(scalar);
    const DWORD span = maximum - minimum;
    // nearbyint rounds in the current mode: to nearest, ties to even.
    return static_cast<DWORD>(std::nearbyint(s * span + static_cast<long double>(minimum)));
}

} // namespace audio

namespace {

constexpr wchar_t WindowClassName[] = L"LorvaneMasterVolumeXP";
constexpr DWORD NoControl = 0xFFFFFFFF;
// The handle is a mixer handle, never a device number: winmm would take a small handle
// value for a device number without it.
constexpr DWORD HandleFlag = MIXER_OBJECTF_HMIXER;
// wParam of the WM_MV_VOLUME that an own write posts while the mixer has not notified yet.
constexpr WPARAM SelfNotice = 1;

// The details record of one unsigned value for a control; one channel stands for all.
struct UnsignedDetails {
    MIXERCONTROLDETAILS_UNSIGNED value;
    MIXERCONTROLDETAILS details{};

    UnsignedDetails(const MIXERCONTROLA& control, DWORD v) : value{v}
    {
        details.cbStruct = sizeof(details);
        details.dwControlID = control.dwControlID;
        details.cChannels = 1;
        details.cbDetails = sizeof(value);
        details.paDetails = &value;
    }
    UnsignedDetails(const UnsignedDetails&) = delete;
    UnsignedDetails& operator=(const UnsignedDetails&) = delete;
};

} // namespace

// ---------------------------------------------------------------------------------------
// TCustomMasterVolumeXP

TCustomMasterVolumeXP::TCustomMasterVolumeXP(fw::TComponent* owner, audio::MixerSeams seams)
    : TComponent(owner), seams(std::move(seams))
{
    muteControl.dwControlID = NoControl;
    volumeControl.dwControlID = NoControl;
    // A hidden top-level window: the device-change broadcast skips message-only windows.
    window.Create(WindowClassName,
                  [this](UINT msg, WPARAM wParam, LPARAM) noexcept { return HandleMessage(msg, wParam); });
    deviceChangeMessage = ::RegisterWindowMessageA("winmm_devicechange");
    // The derived class's caches are empty and its Preload is plNone here: the base does all.
    TCustomMasterVolumeXP::OpenDefaultDevice();
}

TCustomMasterVolumeXP::~TCustomMasterVolumeXP()
{
    tornDown = true;
    Close();
    window.Destroy(); // discards whatever was still posted
}

void TCustomMasterVolumeXP::Close() noexcept
{
    opened = false;
    changing = false;
    notifies = false; // the next mixer may be another driver
    muteControl.dwControlID = NoControl;
    volumeControl.dwControlID = NoControl;
    if (mixer) {
        if (seams.close) {
            try {
                seams.close(mixer);
            } catch (...) {
            }
        }
        mixer = nullptr;
    }
}

void TCustomMasterVolumeXP::OpenDefaultDevice()
{
    Close();
    HWND callback = window.Handle();
    if (!seams.open || !callback)
        return;
    HMIXER opening = nullptr;
    if (seams.open(&opening, 0, reinterpret_cast<DWORD_PTR>(callback), 0, CALLBACK_WINDOW) !=
        MMSYSERR_NOERROR)
        return;
    mixer = opening;
    auto object = reinterpret_cast<HMIXEROBJ>(mixer);

    MIXERLINEA line{};
    line.cbStruct = sizeof(line);
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    if (!seams.getLineInfo ||
        seams.getLineInfo(object, &line, MIXER_GETLINEINFOF_COMPONENTTYPE | HandleFlag) != MMSYSERR_NOERROR)
        return;

    auto find = [&](DWORD type, MIXERCONTROLA& control) {
        MIXERCONTROLA found{};
        found.cbStruct = sizeof(found);
        MIXERLINECONTROLSA query{};
        query.cbStruct = sizeof(query);
        query.dwLineID = line.dwLineID;
        query.dwControlType = type;
        query.cControls = 1;
        query.cbmxctrl = sizeof(found);
        query.pamxctrl = &found;
        if (!seams.getLineControls ||
            seams.getLineControls(object, &query, MIXER_GETLINECONTROLSF_ONEBYTYPE | HandleFlag) !=
                MMSYSERR_NOERROR)
            return false;
        control = found;
        return true;
    };
    // The handle stays open when a control is missing: a device-change reopen closes it.
    if (!find(MIXERCONTROL_CONTROLTYPE_MUTE, muteControl) ||
        !find(MIXERCONTROL_CONTROLTYPE_VOLUME, volumeControl))
        return;
    opened = true;
}

bool TCustomMasterVolumeXP::ReadControl(const MIXERCONTROLA& control, DWORD& value)
{
    UnsignedDetails d(control, 0);
    if (!opened || !seams.getControlDetails ||
        seams.getControlDetails(reinterpret_cast<HMIXEROBJ>(mixer), &d.details,
                                MIXER_GETCONTROLDETAILSF_VALUE | HandleFlag) != MMSYSERR_NOERROR)
        return false;
    value = d.value.dwValue;
    return true;
}

bool TCustomMasterVolumeXP::WriteControl(const MIXERCONTROLA& control, DWORD value)
{
    // Writing the value the control holds is no change and brings no notification.
    DWORD before = 0;
    const bool known = ReadControl(control, before);
    UnsignedDetails d(control, value);
    if (!opened || !seams.setControlDetails ||
        seams.setControlDetails(reinterpret_cast<HMIXEROBJ>(mixer), &d.details,
                                MIXER_SETCONTROLDETAILSF_VALUE | HandleFlag) != MMSYSERR_NOERROR)
        return false;
    if (!known || before != value)
        WriteDone();
    return true;
}

void TCustomMasterVolumeXP::WriteDone()
{
    changing = true;
    // One notice serves every write before it is handled, since the handler reads afresh.
    if (!notifies && !selfNoticeQueued)
        selfNoticeQueued = ::PostMessageW(window.Handle(), WM_MV_VOLUME, SelfNotice, 0) != FALSE;
}

float TCustomMasterVolumeXP::Volume()
{
    DWORD value = 0;
    if (!ReadControl(volumeControl, value))
        return 0.0f;
    return audio::MixerValueToScalar(volumeControl.Bounds.dwMinimum, volumeControl.Bounds.dwMaximum, value);
}

bool TCustomMasterVolumeXP::Mute()
{
    DWORD value = 0;
    return ReadControl(muteControl, value) && value != 0;
}

bool TCustomMasterVolumeXP::SetVolume(float scalar)
{
    return WriteControl(volumeControl, audio::ScalarToMixerValue(volumeControl.Bounds.dwMinimum,
                                                                 volumeControl.Bounds.dwMaximum, scalar));
}

bool TCustomMasterVolumeXP::SetMute(bool mute)
{
    return WriteControl(muteControl, mute ? 1 : 0);
}

bool TCustomMasterVolumeXP::SetVolumeMuteDevice(bool mute, float scalar)
{
    return SetMute(mute) && SetVolume(scalar);
}

void TCustomMasterVolumeXP::DoVolume()
{
    changing = false;
    fw::Raise(OnVolume, static_cast<fw::TObject*>(this));
}

void TCustomMasterVolumeXP::DoDevice()
{
    OpenDefaultDevice();
    fw::Raise(OnDevice, static_cast<fw::TObject*>(this));
}

std::optional<LRESULT> TCustomMasterVolumeXP::HandleMessage(UINT msg, WPARAM wParam) noexcept
{
    const bool deviceChange = deviceChangeMessage != 0 && msg == deviceChangeMessage;
    if (msg != MM_MIXM_CONTROL_CHANGE && msg != WM_MV_VOLUME && msg != WM_MV_DEVICE && !deviceChange)
        return std::nullopt;
    if (tornDown)
        return 0;
    try {
        if (msg == MM_MIXM_CONTROL_CHANGE) {
            // Any control of the opened mixer counts; the identifier is not examined.
            notifies = true;
            ::SendMessageW(window.Handle(), WM_MV_VOLUME, 0, 0);
        } else if (msg == WM_MV_VOLUME) {
            const bool self = wParam == SelfNotice;
            if (self)
                selfNoticeQueued = false;
            // The mixer's own notice, handled meanwhile, has already told of this write.
            if (!self || !notifies)
                DoVolume();
        } else if (msg == WM_MV_DEVICE) {
            DoDevice();
        } else {
            // Broadcast to every top-level window: reopen later, outside the sender's loop.
            ::PostMessageW(window.Handle(), WM_MV_DEVICE, 0, 0);
        }
    } catch (...) {
        // Nothing may leave a window procedure; the next notification starts afresh.
    }
    return 0;
}

// ---------------------------------------------------------------------------------------
// TMasterVolumeXP

TMasterVolumeXP::TMasterVolumeXP(fw::TComponent* owner, audio::MixerSeams seams)
    : TCustomMasterVolumeXP(owner, std::move(seams))
{
}

void TMasterVolumeXP::SetPreload(TPreload value)
{
    if (value == preload)
        return;
    preload = value;
    Invalidate();
}

void TMasterVolumeXP::Invalidate()
{
    volumeValid = false;
    muteValid = false;
    if (preload == TPreload::plAlway && Opened()) {
        Volume();
        Mute();
    }
}

void TMasterVolumeXP::OpenDefaultDevice()
{
    TCustomMasterVolumeXP::OpenDefaultDevice();
    Invalidate();
}

void TMasterVolumeXP::DoVolume()
{
    Invalidate();
    TCustomMasterVolumeXP::DoVolume();
}

float TMasterVolumeXP::Volume()
{
    return audio::Cached(preload, volumeValid, cachedVolume,
                         [this] { return TCustomMasterVolumeXP::Volume(); });
}

bool TMasterVolumeXP::Mute()
{
    return audio::Cached(preload, muteValid, cachedMute, [this] { return TCustomMasterVolumeXP::Mute(); });
}
