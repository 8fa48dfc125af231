#pragma once
// A fake waveform mixer behind the backend's seam: one speaker line with a mute and a volume
// control, each of which can be missing. Wrong record sizes or flags fail as in winmm. A
// notifying mixer posts MM_MIXM_CONTROL_CHANGE after each write; Wine's posts nothing.

#include "MasterVolumeXP.h"

#include <map>
#include <string>
#include <vector>

namespace fakes {

struct Mixer {
    static constexpr DWORD MuteId = 3, VolumeId = 7;
    MMRESULT openResult = MMSYSERR_NOERROR, setResult = MMSYSERR_NOERROR;
    bool speakers = true, muteControl = true, volumeControl = true, notifies = true;
    DWORD minimum = 0, maximum = 65535, volume = 65535, mute = 0;
    HWND callback = nullptr;
    std::vector<HMIXER> open, closed;
    std::map<std::string, int> calls;
    std::vector<std::pair<DWORD, DWORD>> writes; // control identifier, value

    audio::MixerSeams Seams()
    {
        audio::MixerSeams s;
        s.open = [this](HMIXER* mixer, UINT device, DWORD_PTR cb, DWORD_PTR, DWORD flags) -> MMRESULT {
            if (device != 0 || flags != CALLBACK_WINDOW || openResult)
                return openResult ? openResult : MMSYSERR_INVALPARAM;
            callback = reinterpret_cast<HWND>(cb);
            open.push_back(*mixer = reinterpret_cast<HMIXER>(static_cast<INT_PTR>(0x8000 + open.size())));
            return MMSYSERR_NOERROR;
        };
        s.close = [this](HMIXER mixer) -> MMRESULT { return closed.push_back(mixer), MMSYSERR_NOERROR; };
        s.getLineInfo = [this](HMIXEROBJ mixer, MIXERLINEA* line, DWORD flags) -> MMRESULT {
            if (!Live(mixer, flags, MIXER_GETLINEINFOF_COMPONENTTYPE) || line->cbStruct != sizeof(MIXERLINEA))
                return MMSYSERR_INVALPARAM;
            line->dwLineID = 0xFFFF0000;
            return speakers && line->dwComponentType == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS
                       ? 0
                       : MIXERR_INVALLINE;
        };
        s.getLineControls = [this](HMIXEROBJ mixer, MIXERLINECONTROLSA* q, DWORD flags) -> MMRESULT {
            if (!Live(mixer, flags, MIXER_GETLINECONTROLSF_ONEBYTYPE) ||
                q->cbStruct != sizeof(MIXERLINECONTROLSA) || q->cbmxctrl != sizeof(MIXERCONTROLA) ||
                q->cControls != 1 || q->dwLineID != 0xFFFF0000)
                return MMSYSERR_INVALPARAM;
            const bool isMute = q->dwControlType == MIXERCONTROL_CONTROLTYPE_MUTE;
            if (isMute ? !muteControl : q->dwControlType != MIXERCONTROL_CONTROLTYPE_VOLUME || !volumeControl)
                return MIXERR_INVALCONTROL;
            q->pamxctrl->dwControlID = isMute ? MuteId : VolumeId;
            q->pamxctrl->Bounds.dwMinimum = isMute ? 0 : minimum;
            q->pamxctrl->Bounds.dwMaximum = isMute ? 1 : maximum;
            return MMSYSERR_NOERROR;
        };
        s.getControlDetails = [this](HMIXEROBJ mixer, MIXERCONTROLDETAILS* d, DWORD flags) -> MMRESULT {
            ++calls["get"];
            DWORD* value = Control(mixer, d, flags);
            return value ? (Unsigned(d) = *value, MMSYSERR_NOERROR) : MMSYSERR_INVALPARAM;
        };
        s.setControlDetails = [this](HMIXEROBJ mixer, MIXERCONTROLDETAILS* d, DWORD flags) -> MMRESULT {
            ++calls["set"];
            DWORD* value = Control(mixer, d, flags);
            if (!value || setResult)
                return value ? setResult : MMSYSERR_INVALPARAM;
            writes.emplace_back(d->dwControlID, *value = Unsigned(d));
            if (notifies)
                ::PostMessageW(callback, MM_MIXM_CONTROL_CHANGE, 0, d->dwControlID);
            return MMSYSERR_NOERROR;
        };
        return s;
    }

  private:
    // An open handle passed as a handle (not as a device number), with the expected query.
    bool Live(HMIXEROBJ mixer, DWORD flags, DWORD query) const
    {
        auto h = reinterpret_cast<HMIXER>(mixer);
        return (flags & 0xF0000000) == MIXER_OBJECTF_HMIXER && (flags & 0xF) == query && !open.empty() &&
               h == open.back() && (closed.empty() || closed.back() != h);
    }
    static DWORD& Unsigned(MIXERCONTROLDETAILS* d)
    {
        return static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(d->paDetails)->dwValue;
    }
    DWORD* Control(HMIXEROBJ mixer, MIXERCONTROLDETAILS* d, DWORD flags)
    {
        if (!Live(mixer, flags, 0) || d->cbStruct != sizeof(MIXERCONTROLDETAILS) || d->cChannels != 1 ||
            d->cMultipleItems != 0 || d->cbDetails != sizeof(MIXERCONTROLDETAILS_UNSIGNED))
            return nullptr;
        return d->dwControlID == MuteId && muteControl       ? &mute
               : d->dwControlID == VolumeId && volumeControl ? &volume
                                                             : nullptr;
    }
};

} // namespace fakes
