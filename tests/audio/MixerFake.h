#pragma once
// A fake waveform mixer behind the backend's seam: one speaker destination with a mute and
// a volume control, each of which can be taken away. Calls with a wrong record size or
// flag fail as winmm fails them. A notifying mixer posts MM_MIXM_CONTROL_CHANGE to the
// callback window after every write, as a real driver does; Wine's mixer posts nothing.

#include "MasterVolumeXP.h"

#include <map>
#include <string>
#include <vector>

namespace fakes {

struct Mixer {
    MMRESULT openResult = MMSYSERR_NOERROR;
    bool speakers = true, muteControl = true, volumeControl = true;
    MMRESULT setResult = MMSYSERR_NOERROR;
    DWORD minimum = 0, maximum = 65535;
    DWORD volume = 65535, mute = 0;
    bool notifies = true;

    static constexpr DWORD MuteId = 3, VolumeId = 7, LineId = 0xFFFF0000;
    HWND callback = nullptr;
    std::vector<HMIXER> open, closed;
    std::map<std::string, int> calls;
    std::vector<std::pair<DWORD, DWORD>> writes; // control identifier, value

    audio::MixerSeams Seams()
    {
        audio::MixerSeams seams;
        seams.open = [this](HMIXER* mixer, UINT device, DWORD_PTR cb, DWORD_PTR, DWORD flags) {
            ++calls["open"];
            if (device != 0 || flags != CALLBACK_WINDOW || !::IsWindow(reinterpret_cast<HWND>(cb)))
                return static_cast<MMRESULT>(MMSYSERR_INVALPARAM);
            if (openResult != MMSYSERR_NOERROR)
                return openResult;
            callback = reinterpret_cast<HWND>(cb);
            *mixer = reinterpret_cast<HMIXER>(static_cast<INT_PTR>(0x8000 + open.size()));
            open.push_back(*mixer);
            return static_cast<MMRESULT>(MMSYSERR_NOERROR);
        };
        seams.close = [this](HMIXER mixer) {
            closed.push_back(mixer);
            return static_cast<MMRESULT>(MMSYSERR_NOERROR);
        };
        seams.getLineInfo = [this](HMIXEROBJ mixer, MIXERLINEA* line, DWORD flags) {
            ++calls["line"];
            if (!Live(mixer, flags) || line->cbStruct != sizeof(MIXERLINEA) ||
                (flags & MIXER_GETLINEINFOF_QUERYMASK) != MIXER_GETLINEINFOF_COMPONENTTYPE)
                return static_cast<MMRESULT>(MMSYSERR_INVALPARAM);
            if (!speakers || line->dwComponentType != MIXERLINE_COMPONENTTYPE_DST_SPEAKERS)
                return static_cast<MMRESULT>(MIXERR_INVALLINE);
            line->dwLineID = LineId;
            return static_cast<MMRESULT>(MMSYSERR_NOERROR);
        };
        seams.getLineControls = [this](HMIXEROBJ mixer, MIXERLINECONTROLSA* query, DWORD flags) {
            ++calls["controls"];
            if (!Live(mixer, flags) || query->cbStruct != sizeof(MIXERLINECONTROLSA) ||
                query->cbmxctrl != sizeof(MIXERCONTROLA) || query->cControls != 1 ||
                query->dwLineID != LineId ||
                (flags & MIXER_GETLINECONTROLSF_QUERYMASK) != MIXER_GETLINECONTROLSF_ONEBYTYPE)
                return static_cast<MMRESULT>(MMSYSERR_INVALPARAM);
            MIXERCONTROLA& c = *query->pamxctrl;
            if (query->dwControlType == MIXERCONTROL_CONTROLTYPE_MUTE && muteControl) {
                c.dwControlID = MuteId;
                c.Bounds.dwMinimum = 0;
                c.Bounds.dwMaximum = 1;
            } else if (query->dwControlType == MIXERCONTROL_CONTROLTYPE_VOLUME && volumeControl) {
                c.dwControlID = VolumeId;
                c.Bounds.dwMinimum = minimum;
                c.Bounds.dwMaximum = maximum;
            } else {
                return static_cast<MMRESULT>(MIXERR_INVALCONTROL);
            }
            c.dwControlType = query->dwControlType;
            return static_cast<MMRESULT>(MMSYSERR_NOERROR);
        };
        seams.getControlDetails = [this](HMIXEROBJ mixer, MIXERCONTROLDETAILS* d, DWORD flags) {
            ++calls["get"];
            DWORD* value = Control(mixer, d, flags);
            if (!value)
                return static_cast<MMRESULT>(MMSYSERR_INVALPARAM);
            static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(d->paDetails)->dwValue = *value;
            return static_cast<MMRESULT>(MMSYSERR_NOERROR);
        };
        seams.setControlDetails = [this](HMIXEROBJ mixer, MIXERCONTROLDETAILS* d, DWORD flags) {
            ++calls["set"];
            DWORD* value = Control(mixer, d, flags);
            if (!value)
                return static_cast<MMRESULT>(MMSYSERR_INVALPARAM);
            if (setResult != MMSYSERR_NOERROR)
                return setResult;
            *value = static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(d->paDetails)->dwValue;
            writes.emplace_back(d->dwControlID, *value);
            if (notifies)
                ::PostMessageW(callback, MM_MIXM_CONTROL_CHANGE, 0, d->dwControlID);
            return static_cast<MMRESULT>(MMSYSERR_NOERROR);
        };
        return seams;
    }

    // Another program changes a control: the mixer tells every open handle.
    void External(DWORD id, DWORD value)
    {
        (id == MuteId ? mute : volume) = value;
        ::SendMessageW(callback, MM_MIXM_CONTROL_CHANGE, 0, id);
    }

  private:
    // An open handle, passed as a handle (not as a device number).
    bool Live(HMIXEROBJ mixer, DWORD flags) const
    {
        if ((flags & 0xF0000000) != MIXER_OBJECTF_HMIXER)
            return false;
        auto h = reinterpret_cast<HMIXER>(mixer);
        for (HMIXER c : closed)
            if (c == h)
                return false;
        for (HMIXER o : open)
            if (o == h)
                return true;
        return false;
    }
    DWORD* Control(HMIXEROBJ mixer, MIXERCONTROLDETAILS* d, DWORD flags)
    {
        // Value queries only (MIXER_GETCONTROLDETAILSF_VALUE = MIXER_SETCONTROLDETAILSF_VALUE = 0).
        if (!Live(mixer, flags) || (flags & 0x0000000F) != 0 || d->cbStruct != sizeof(MIXERCONTROLDETAILS) ||
            d->cChannels != 1 || d->cMultipleItems != 0 ||
            d->cbDetails != sizeof(MIXERCONTROLDETAILS_UNSIGNED))
            return nullptr;
        if (d->dwControlID == MuteId && muteControl)
            return &mute;
        if (d->dwControlID == VolumeId && volumeControl)
            return &volume;
        return nullptr;
    }
};

} // namespace fakes
