// The mixer backend through its seam: arithmetic of the native range, opening the speaker
// line, mute-then-volume, notifications, the device-change broadcast and the caches.
#include "AudioMessages.h"
#include "MasterVolume.h"
#include "MixerFake.h"
#include "Window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

TEST(MixerScaling, ValuesAndScalarsBothWays)
{
    const struct {
        DWORD minimum, maximum, value;
        float scalar;
    } reads[] = {
        {0, 65535, 32768, static_cast<float>(32768.0L / 65535.0L)},
        {0, 65535, 0, 0.0f},
        {0, 65535, 65535, 1.0f},
        {100, 200, 150, 0.5f},
        {5, 5, 5, 0.0f}, // equal bounds
        {0, 0xFFFFFFFF, 0xFFFFFFFF, 1.0f},
        {0x80000000, 0xFFFFFFFF, 0xC0000000, 0.5f}, // unsigned, not signed, differences
        {100, 200, 50, 0.0f},                       // out of the driver's own bounds
        {100, 200, 300, 1.0f},
    };
    for (const auto& r : reads)
        EXPECT_EQ(audio::MixerValueToScalar(r.minimum, r.maximum, r.value), r.scalar)
            << r.minimum << ".." << r.maximum << " " << r.value;

    const struct {
        DWORD minimum, maximum;
        float scalar;
        DWORD value;
    } writes[] = {
        {0, 65535, 0.5f, 32768}, // 32767.5 to even
        {0, 65535, 1.5f, 65535}, {0, 65535, -0.2f, 0},  {0, 65535, NAN, 0},
        {0, 5, 0.5f, 2}, // 2.5 to even
        {0, 3, 0.5f, 2}, // 1.5 to even
        {100, 200, 0.25f, 125},  {100, 200, 1.0f, 200}, {0x80000000, 0xFFFFFFFF, 1.0f, 0xFFFFFFFF},
    };
    for (const auto& w : writes)
        EXPECT_EQ(audio::ScalarToMixerValue(w.minimum, w.maximum, w.scalar), w.value)
            << w.minimum << ".." << w.maximum << " " << w.scalar;
}

class MixerBackend : public testing::Test {
  protected:
    fakes::Mixer mixer;
    std::unique_ptr<TMasterVolumeXP> xp;
    int volumeEvents = 0, deviceEvents = 0;

    void Create(TPreload preload = TPreload::plNone)
    {
        xp = std::make_unique<TMasterVolumeXP>(nullptr, mixer.Seams());
        xp->SetPreload(preload);
        xp->OnVolume = [this](fw::TObject* sender) {
            EXPECT_EQ(sender, static_cast<fw::TObject*>(xp.get()));
            ++volumeEvents;
        };
        xp->OnDevice = [this](fw::TObject*) { ++deviceEvents; };
    }
    void Broadcast()
    {
        ::SendMessageW(mixer.callback, ::RegisterWindowMessageA("winmm_devicechange"), 0, 0);
        fw::ProcessMessages();
    }
};

TEST_F(MixerBackend, OpensTheSpeakerLineAndScalesItsVolume)
{
    mixer.volume = 32768;
    Create();
    ASSERT_TRUE(xp->Opened());
    ASSERT_EQ(mixer.open.size(), 1u);
    EXPECT_EQ(::GetParent(mixer.callback), nullptr) << "a top-level window, so broadcasts reach it";
    EXPECT_EQ(::GetAncestor(mixer.callback, GA_PARENT), ::GetDesktopWindow()) << "not message-only";
    EXPECT_EQ(xp->Volume(), static_cast<float>(32768.0L / 65535.0L));
    EXPECT_FALSE(xp->Mute());
    EXPECT_TRUE(xp->SetVolume(0.5f));
    EXPECT_EQ(mixer.volume, 32768u);
    EXPECT_TRUE(xp->SetMute(true));
    EXPECT_EQ(mixer.mute, 1u);
    EXPECT_TRUE(xp->Mute());
    xp.reset();
    EXPECT_EQ(mixer.closed, mixer.open) << "closed once when destroyed";
}

TEST_F(MixerBackend, WithoutLineOrControlItStaysClosedButKeepsTheHandle)
{
    const struct {
        const char* what;
        bool speakers, mute, volume;
    } cases[] = {
        {"no speaker destination", false, true, true},
        {"no mute control", true, false, true},
        {"no volume control", true, true, false},
    };
    for (const auto& c : cases) {
        mixer = {};
        mixer.speakers = c.speakers;
        mixer.muteControl = c.mute;
        mixer.volumeControl = c.volume;
        Create();
        EXPECT_FALSE(xp->Opened()) << c.what;
        EXPECT_EQ(xp->Volume(), 0.0f) << c.what;
        EXPECT_FALSE(xp->Mute() || xp->SetVolume(0.5f) || xp->SetMute(true) ||
                     xp->SetVolumeMuteDevice(true, 0.5f))
            << c.what;
        EXPECT_TRUE(mixer.writes.empty()) << c.what;
        EXPECT_EQ(mixer.calls["get"], 0) << c.what;
        EXPECT_EQ(mixer.open.size(), 1u) << c.what;
        EXPECT_TRUE(mixer.closed.empty()) << c.what << ": the handle stays until the next reopen";
        Broadcast();
        EXPECT_EQ(mixer.closed.size(), 1u) << c.what;
        xp.reset();
        EXPECT_EQ(mixer.closed, mixer.open) << c.what;
    }
}

TEST_F(MixerBackend, NoMixerAtAllIsNeutral)
{
    mixer.openResult = MMSYSERR_BADDEVICEID;
    Create(TPreload::plAlway);
    EXPECT_FALSE(xp->Opened());
    EXPECT_EQ(xp->Volume(), 0.0f);
    EXPECT_FALSE(xp->SetVolume(1.0f) || xp->Changing());
    xp.reset();
    EXPECT_TRUE(mixer.closed.empty()) << "nothing to close";
}

TEST_F(MixerBackend, VolumeFollowsMuteOnlyWhenMuteWasAccepted)
{
    Create();
    EXPECT_TRUE(xp->SetVolumeMuteDevice(true, 0.25f));
    ASSERT_EQ(mixer.writes.size(), 2u);
    EXPECT_EQ(mixer.writes[0], std::make_pair(fakes::Mixer::MuteId, DWORD{1}));
    EXPECT_EQ(mixer.writes[1].first, fakes::Mixer::VolumeId);
    mixer.writes.clear();
    mixer.setResult = MMSYSERR_ERROR;
    EXPECT_FALSE(xp->SetVolumeMuteDevice(false, 1.0f));
    EXPECT_EQ(mixer.calls["set"], 3) << "no volume write after a refused mute";
}

TEST_F(MixerBackend, ControlChangeRaisesOnVolumeAndEndsChanging)
{
    Create();
    EXPECT_TRUE(xp->SetVolume(0.5f));
    EXPECT_TRUE(xp->Changing());
    fw::ProcessMessages();
    EXPECT_FALSE(xp->Changing());
    EXPECT_EQ(volumeEvents, 1);
    mixer.External(fakes::Mixer::MuteId, 1); // another program mutes
    EXPECT_EQ(volumeEvents, 2);
    EXPECT_TRUE(xp->Mute());
    EXPECT_EQ(deviceEvents, 0);
}

TEST_F(MixerBackend, AMixerThatNeverNotifiesStillSettlesOwnWrites)
{
    mixer.notifies = false;
    Create(TPreload::plAlway);
    EXPECT_TRUE(xp->SetVolumeMuteDevice(true, 0.0f));
    EXPECT_EQ(xp->Volume(), 1.0f) << "the cached value until the change is handled";
    fw::ProcessMessages();
    EXPECT_FALSE(xp->Changing());
    EXPECT_EQ(volumeEvents, 1) << "one notice for both writes";
    EXPECT_EQ(xp->Volume(), 0.0f);
    EXPECT_TRUE(xp->Mute());
}

TEST_F(MixerBackend, CachesKeepThePreviousValueUntilTheNotificationIsHandled)
{
    for (TPreload preload : {TPreload::plAuto, TPreload::plAlway}) {
        xp.reset();
        mixer = {};
        volumeEvents = 0;
        Create(preload);
        float seen = -1.0f;
        xp->OnVolume = [&](fw::TObject*) { seen = xp->Volume(); };
        EXPECT_EQ(xp->Volume(), 1.0f);
        EXPECT_FALSE(xp->Mute());
        const int reads = mixer.calls["get"];
        EXPECT_TRUE(xp->SetVolume(0.0f));
        EXPECT_TRUE(xp->SetMute(true));
        EXPECT_EQ(xp->Volume(), 1.0f) << static_cast<int>(preload);
        EXPECT_FALSE(xp->Mute()) << static_cast<int>(preload);
        EXPECT_EQ(mixer.calls["get"], reads) << "served from the caches";
        fw::ProcessMessages();
        EXPECT_EQ(seen, 0.0f) << "the handler reads the new value";
        const int refilled = mixer.calls["get"];
        EXPECT_TRUE(xp->Mute());
        EXPECT_EQ(mixer.calls["get"], refilled + (preload == TPreload::plAlway ? 0 : 1))
            << "plAlway refilled before the event";
    }
}

TEST_F(MixerBackend, PlNoneReadsThroughEveryTime)
{
    Create();
    xp->Volume();
    xp->Volume();
    EXPECT_EQ(mixer.calls["get"], 2);
    xp->SetPreload(TPreload::plAuto);
    xp->Volume();
    xp->Volume();
    EXPECT_EQ(mixer.calls["get"], 3);
}

TEST_F(MixerBackend, DeviceBroadcastReopensThenRaisesOnDevice)
{
    Create(TPreload::plAlway);
    EXPECT_EQ(xp->Volume(), 1.0f);
    mixer.maximum = 255; // another sound card with its own range
    mixer.volume = 51;
    float seen = -1.0f;
    bool openedInHandler = false;
    xp->OnDevice = [&](fw::TObject*) {
        ++deviceEvents;
        openedInHandler = xp->Opened();
        seen = xp->Volume();
    };
    ::SendMessageW(mixer.callback, ::RegisterWindowMessageA("winmm_devicechange"), 0, 0);
    EXPECT_EQ(deviceEvents, 0) << "posted, handled from the message loop";
    fw::ProcessMessages();
    EXPECT_EQ(deviceEvents, 1);
    EXPECT_TRUE(openedInHandler);
    EXPECT_EQ(seen, 0.2f);
    ASSERT_EQ(mixer.open.size(), 2u);
    EXPECT_EQ(mixer.closed, std::vector<HMIXER>{mixer.open[0]});
    EXPECT_EQ(volumeEvents, 0);
}

TEST_F(MixerBackend, NothingIsRaisedAfterDestruction)
{
    Create();
    HWND window = mixer.callback;
    EXPECT_TRUE(xp->SetVolume(0.5f)); // posts a change notice
    xp.reset();
    fw::ProcessMessages();
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(volumeEvents, 0);
}

// The facade on the mixer: the probe alone decides, device operations are inert.
TEST(MixerFacade, CarriesVolumeAndMuteAndNoDevices)
{
    fakes::Mixer mixer;
    audio::MasterVolumeSeams seams;
    seams.coreAudio.createEnumerator = [](IMMDeviceEnumerator** out) {
        return *out = nullptr, REGDB_E_CLASSNOTREG;
    };
    seams.mixer = mixer.Seams();
    int launches = 0;
    seams.shellExecute = [&](HWND, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, int) {
        return ++launches, INT_PTR{42};
    };
    TMasterVolume mv(nullptr, nullptr, seams);
    EXPECT_FALSE(mv.UsesCoreAudio());
    std::vector<TVolumeChange> changes;
    mv.OnChange = [&](fw::TObject* sender, TVolumeChange change) {
        EXPECT_EQ(sender, static_cast<fw::TObject*>(&mv));
        changes.push_back(change);
    };
    mv.SetPreload(TPreload::plAlway);
    EXPECT_EQ(mv.Preload(), TPreload::plAlway);
    EXPECT_EQ(mv.Volume(), 65535);
    EXPECT_TRUE(mv.SetVolume(32768));
    EXPECT_EQ(mixer.volume, 32768u);
    EXPECT_EQ(mv.Volume(), 65535) << "until the notification";
    EXPECT_TRUE(mv.Changing());
    fw::ProcessMessages();
    EXPECT_EQ(mv.Volume(), 32768);
    EXPECT_TRUE(mv.SetVolumeMuteDevice(70000, true, L"{other}"));
    EXPECT_EQ(mixer.volume, 65535u) << "clamped; the device argument is ignored";
    EXPECT_EQ(mixer.mute, 1u);
    fw::ProcessMessages();
    EXPECT_TRUE(mv.Mute());

    EXPECT_EQ(mv.DeviceCount(), 0);
    EXPECT_EQ(mv.DeviceName(0) + mv.DeviceId(0) + mv.DefaultDeviceId() + mv.DefaultDeviceName() +
                  mv.DefaultDeviceShortName(),
              L"");
    EXPECT_FALSE(mv.SetDevice(L"x") || mv.SetDeviceById(L"{x}") || mv.NextDevice());
    EXPECT_FALSE(mv.ShowVolumeFlyout());
    EXPECT_EQ(launches, 0);

    EXPECT_EQ(changes, std::vector<TVolumeChange>(3, TVolumeChange::vcVolume)) << "one per write";
    changes.clear();
    ::SendMessageW(mixer.callback, ::RegisterWindowMessageA("winmm_devicechange"), 0, 0);
    fw::ProcessMessages();
    EXPECT_EQ(changes, std::vector<TVolumeChange>{TVolumeChange::vcDevice});
}
