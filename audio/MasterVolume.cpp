#include "MasterVolume.h"
#include "IntText.h"

#include <shellapi.h>

#include <cmath>
#include <cstdint>
#include <memory>

namespace audio {

INT_PTR SystemShellExecute(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                           const wchar_t* directory, int show)
{
    return reinterpret_cast<INT_PTR>(::ShellExecuteW(owner, verb, file, parameters, directory, show));
}

bool SystemCursorPos(POINT& position)
{
    return ::GetCursorPos(&position) != FALSE;
}

int ScalarToLevel(int min, int max, float scalar) noexcept
{
    // A scalar outside 0..1 breaks the platform's contract; keep the level in range anyway.
    const long double s = ClampedScalar(scalar);
    const long double span = static_cast<long double>(max) - static_cast<long double>(min);
    // nearbyint rounds in the current mode, which is to-nearest-even unless someone changed it.
    const long double level = std::nearbyint(span * s + static_cast<long double>(min));
    if (level <= static_cast<long double>(INT32_MIN))
        return INT32_MIN;
    if (level >= static_cast<long double>(INT32_MAX))
        return INT32_MAX;
    return static_cast<int>(level);
}

float LevelToScalar(int min, int max, int level) noexcept
{
    if (max <= min)
        return 0.0f;
    if (level < min)
        level = min;
    if (level > max)
        level = max;
    const long double s = (static_cast<long double>(level) - static_cast<long double>(min)) /
                          (static_cast<long double>(max) - static_cast<long double>(min));
    return static_cast<float>(s);
}

} // namespace audio

namespace {

// The enumerator when Core Audio is there: the backend takes this one over, since making a
// second costs a COM activation at every start.
fw::ComPtr<IMMDeviceEnumerator> ProbeCoreAudio(const audio::CoreAudioSeams& seams)
{
    fw::ComPtr<IMMDeviceEnumerator> probe;
    if (!seams.createEnumerator || FAILED(seams.createEnumerator(probe.put())))
        probe.reset();
    return probe;
}

audio::CoreAudioSeams HandOver(audio::CoreAudioSeams seams, fw::ComPtr<IMMDeviceEnumerator> made)
{
    auto first = std::make_shared<fw::ComPtr<IMMDeviceEnumerator>>(std::move(made));
    seams.createEnumerator = [first, create = std::move(seams.createEnumerator)](IMMDeviceEnumerator** out) {
        if (*first) {
            *out = first->detach();
            return S_OK;
        }
        return create(out);
    };
    return seams;
}

// No exception leaves the component: whatever fails ends with the neutral value.
template <typename T, typename F> T Guarded(T neutral, F&& f) noexcept
{
    try {
        return f();
    } catch (...) {
        return neutral;
    }
}

// Screen position packed as sndvol expects it: y in the high 16 bits, x added (32-bit).
int32_t PackCursor(POINT p) noexcept
{
    const uint32_t packed = (static_cast<uint32_t>(p.y) << 16) + static_cast<uint32_t>(p.x);
    return static_cast<int32_t>(packed);
}

} // namespace

TMasterVolume::TMasterVolume(fw::TComponent* owner, HWND ownerWindow, audio::MasterVolumeSeams seams)
    : TComponent(owner, L"MasterVolume"), ownerWindow(ownerWindow), seams(std::move(seams))
{
    // No version test: whether the enumerator can be created alone decides.
    if (auto enumerator = ProbeCoreAudio(this->seams.coreAudio)) {
        vista = std::make_unique<TMasterVolumeVista>(this,
                                                     HandOver(this->seams.coreAudio, std::move(enumerator)));
        vista->OnVolume = [this](fw::TObject*) { BackendChange(TVolumeChange::vcVolume); };
        vista->OnDevice = [this](fw::TObject*) { BackendChange(TVolumeChange::vcDevice); };
    } else {
        xp = std::make_unique<TMasterVolumeXP>(this, this->seams.mixer);
        xp->OnVolume = [this](fw::TObject*) { BackendChange(TVolumeChange::vcVolume); };
        xp->OnDevice = [this](fw::TObject*) { BackendChange(TVolumeChange::vcDevice); };
    }
}

TMasterVolume::~TMasterVolume()
{
    // The backend unregisters its notifications before OnChange and the seams go.
    vista.reset();
    xp.reset();
}

void TMasterVolume::BackendChange(TVolumeChange change)
{
    const bool volume = vista && change == TVolumeChange::vcVolume;
    if (volume && vista->OutsideLevel()) {
        // Own writes on their way were made from the state before this outside change: what it
        // changed of that state is where the next step or toggle starts.
        const int level = audio::ScalarToLevel(Min, Max, vista->OutsideLevel()->Scalar);
        const bool muted = vista->OutsideLevel()->Muted;
        if (requestedLevel && level != knownLevel)
            requestedLevel = knownLevel = level;
        if (requestedMute && muted != knownMute)
            requestedMute = knownMute = muted;
    } else if (!(volume && vista->OnlyOvertakenWrites())) {
        // The endpoint has spoken: its reads are fresh again.
        requestedLevel.reset();
        requestedMute.reset();
    }
    fw::Raise(OnChange, static_cast<fw::TObject*>(this), change);
}

TPreload TMasterVolume::Preload() const noexcept
{
    return vista ? vista->Preload() : xp ? xp->Preload() : TPreload::plNone;
}

void TMasterVolume::SetPreload(TPreload value) noexcept
{
    Guarded(false, [&] {
        if (vista)
            vista->SetPreload(value);
        else if (xp)
            xp->SetPreload(value);
        return true;
    });
}

int TMasterVolume::Volume() const noexcept
{
    return Guarded(Min, [&] {
        return audio::ScalarToLevel(Min, Max, vista ? vista->Volume() : xp ? xp->Volume() : 0.0f);
    });
}

bool TMasterVolume::SetVolume(int level) noexcept
{
    // The state a run of own writes starts from, read before the first: an outside change that
    // overtakes them is told by it.
    const int known = requestedLevel ? knownLevel : Volume();
    const float scalar = audio::LevelToScalar(Min, Max, level);
    const bool done =
        Guarded(false, [&] { return vista ? vista->SetVolume(scalar) : xp && xp->SetVolume(scalar); });
    if (done) {
        knownLevel = known;
        requestedLevel = ClampLevel(level);
    }
    return done;
}

int TMasterVolume::ClampLevel(int level) const noexcept
{
    return level < Min ? Min : level > Max ? Max : level;
}

int TMasterVolume::IntendedVolume() const noexcept
{
    return requestedLevel ? *requestedLevel : Volume();
}

bool TMasterVolume::IntendedMute() const noexcept
{
    return requestedMute ? *requestedMute : Mute();
}

bool TMasterVolume::Mute() const noexcept
{
    return Guarded(false, [&] { return vista ? vista->Mute() : xp && xp->Mute(); });
}

bool TMasterVolume::SetMute(bool mute) noexcept
{
    const bool known = requestedMute ? knownMute : Mute();
    const bool done = Guarded(false, [&] { return vista ? vista->SetMute(mute) : xp && xp->SetMute(mute); });
    if (done) {
        knownMute = known;
        requestedMute = mute;
    }
    return done;
}

bool TMasterVolume::Changing() const noexcept
{
    return vista ? vista->Changing() : xp && xp->Changing();
}

int TMasterVolume::DeviceCount() const noexcept
{
    return Guarded(0, [&] { return vista ? vista->DeviceCount() : 0; });
}

std::wstring TMasterVolume::DeviceName(int index) const noexcept
{
    return Guarded(std::wstring(), [&] { return vista ? vista->DeviceName(index) : std::wstring(); });
}

std::wstring TMasterVolume::DeviceId(int index) const noexcept
{
    return Guarded(std::wstring(), [&] { return vista ? vista->DeviceId(index) : std::wstring(); });
}

std::wstring TMasterVolume::DefaultDeviceId() const noexcept
{
    return Guarded(std::wstring(), [&] { return vista ? vista->DefaultDeviceId() : std::wstring(); });
}

std::wstring TMasterVolume::DefaultDeviceName() const noexcept
{
    return Guarded(std::wstring(), [&] { return vista ? vista->DefaultDeviceName() : std::wstring(); });
}

std::wstring TMasterVolume::DefaultDeviceShortName() const noexcept
{
    return Guarded(std::wstring(), [&] { return vista ? vista->DefaultDeviceShortName() : std::wstring(); });
}

bool TMasterVolume::SetDevice(const std::wstring& device) noexcept
{
    return Guarded(false, [&] { return vista && vista->SetDevice(device); });
}

bool TMasterVolume::SetDeviceById(const std::wstring& id) noexcept
{
    return Guarded(false, [&] { return vista && vista->SetDeviceById(id); });
}

bool TMasterVolume::NextDevice() noexcept
{
    return Guarded(false, [&] { return vista && vista->NextDevice(); });
}

bool TMasterVolume::SetVolumeMuteDevice(int volume, bool mute, const std::wstring& device) noexcept
{
    const float scalar = audio::LevelToScalar(Min, Max, volume);
    // The mixer knows no devices: it sets mute and volume of the one it has.
    const bool here =
        !vista || device.empty() || device == DefaultDeviceId() || device == DefaultDeviceName();
    const int known = requestedLevel ? knownLevel : Volume();
    const bool knownMuted = requestedMute ? knownMute : Mute();
    const bool done = Guarded(false, [&] {
        return vista ? vista->SetVolumeMuteDevice(mute, device, scalar)
                     : xp && xp->SetVolumeMuteDevice(mute, scalar);
    });
    if (done && here) {
        knownLevel = known;
        knownMute = knownMuted;
        requestedLevel = ClampLevel(volume);
        requestedMute = mute;
    } else if (done) {
        // The values go to another endpoint once it is the default.
        requestedLevel.reset();
        requestedMute.reset();
    }
    return done;
}

bool TMasterVolume::Execute(const wchar_t* file, const wchar_t* parameters, const wchar_t* directory)
{
    if (!seams.shellExecute)
        return false;
    return seams.shellExecute(ownerWindow, L"open", file, parameters, directory, SW_SHOWNORMAL) > 32;
}

bool TMasterVolume::ShowVolumeFlyout() noexcept
{
    if (!UsesCoreAudio())
        return false;
    RunVolumeControl(true, true, false);
    return true;
}

bool TMasterVolume::RunVolumeControl(bool atCursor, bool flyout, bool recording) noexcept
{
    return Guarded(false, [&] { return StartVolumeControl(atCursor, flyout, recording); });
}

bool TMasterVolume::StartVolumeControl(bool atCursor, bool flyout, bool recording)
{
    std::wstring parameters;
    if (UsesCoreAudio()) {
        int32_t position = 0;
        POINT cursor{};
        if (atCursor && seams.cursorPos && seams.cursorPos(cursor))
            position = PackCursor(cursor);
        if (flyout)
            parameters = atCursor ? L"-f " + fw::IntToStr(position) : L"-f";
        else if (atCursor)
            parameters = L"- " + fw::IntToStr(position);
        return Execute(L"sndvol.exe", parameters.empty() ? nullptr : parameters.c_str(), nullptr);
    }
    if (recording)
        parameters = L"-r";
    return Execute(L"sndvol32.exe", parameters.empty() ? nullptr : parameters.c_str(), nullptr);
}

bool TMasterVolume::RunAudioProperties(int page) noexcept
{
    return Guarded(false, [&] {
        std::wstring parameters = L"shell32.dll,Control_RunDLL mmsys.cpl";
        if (page >= 0)
            parameters += L",," + fw::IntToStr(page);
        return Execute(L"rundll32.exe", parameters.c_str(), L"");
    });
}

bool TMasterVolume::RunSettingsPage(const std::wstring& page) noexcept
{
    return Guarded(false, [&] {
        const std::wstring target = L"ms-settings:" + page;
        return Execute(target.c_str(), L"", L"");
    });
}
