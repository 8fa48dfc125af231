// The mixer backend through its seam: the native range, opening the speaker line,
// mute-then-volume, notifications, the device-change broadcast and the caches.
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
    } reads[] = {{0, 65535, 32768, static_cast<float>(32768.0L / 65535)},
                 {100, 200, 150, 0.5f},
                 {5, 5, 5, 0.0f},
                 {0x80000000, 0xFFFFFFFF, 0xC0000000, 0.5f},
                 {100, 200, 50, 0.0f},
                 {100, 200, 300, 1.0f}};
    for (const auto& r : reads)
        EXPECT_EQ(audio::MixerValueToScalar(r.minimum, r.maximum, r.value), r.scalar) << r.value;
    const struct {
        DWORD minimum, maximum;
        float scalar;
        DWORD value;
    } writes[] = {{0, 65535, 0.5f, 32768}, {0, 65535, 1.5f, 65535}, {0, 65535, -0.2f, 0},
                  {0, 65535, NAN, 0},      {0, 5, 0.5f, 2},         {100, 200, 0.25f, 125}};
    for (const auto& w : writes)
        EXPECT_EQ(audio::ScalarToMixerValue(w.minimum, w.maximum, w.scalar), w.value) << w.scalar;
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
        xp->OnVolume = [this](fw::TObject*) { ++volumeEvents; };
        xp->OnDevice = [this](fw::TObject*) { ++deviceEvents; };
    }
};

TEST_F(MixerBackend, WithoutLineOrControlItStaysClosedButKeepsTheHandle)
{
    for (int missing = 0; missing < 3; ++missing) {
        xp.reset();
        mixer = {};
        (missing == 0 ? mixer.speakers : missing == 1 ? mixer.muteControl : mixer.volumeControl) = false;
        Create();
        EXPECT_FALSE(xp->Opened() || xp->Mute() || xp->SetVolume(0.5f) || xp->SetMute(true)) << missing;
        EXPECT_EQ(xp->Volume(), 0.0f);
        EXPECT_EQ(mixer.calls["get"] + mixer.calls["set"], 0);
        EXPECT_TRUE(mixer.closed.empty()) << "the handle stays until the next reopen";
    }
    xp.reset();
    EXPECT_EQ(mixer.closed, mixer.open);
}

TEST_F(MixerBackend, MuteFirstThenVolumeAndOneNoticePerWrite)
{
    Create();
    ASSERT_TRUE(xp->Opened());
    EXPECT_EQ(::GetAncestor(mixer.callback, GA_PARENT), ::GetDesktopWindow())
        << "top-level, so broadcasts reach it";
    EXPECT_TRUE(xp->SetVolumeMuteDevice(true, 0.5f));
    EXPECT_EQ(mixer.writes,
              (decltype(mixer.writes){{fakes::Mixer::MuteId, 1}, {fakes::Mixer::VolumeId, 32768}}));
    EXPECT_TRUE(xp->Changing());
    fw::ProcessMessages();
    EXPECT_FALSE(xp->Changing());
    EXPECT_EQ(volumeEvents, 2);
    ::SendMessageW(mixer.callback, MM_MIXM_CONTROL_CHANGE, 0, fakes::Mixer::MuteId); // another program
    EXPECT_EQ(volumeEvents, 3);
    mixer.setResult = MMSYSERR_ERROR;
    EXPECT_FALSE(xp->SetVolumeMuteDevice(false, 1.0f));
    EXPECT_EQ(mixer.calls["set"], 3) << "no volume write after a refused mute";
}

TEST_F(MixerBackend, CachesKeepThePreviousValueUntilTheNoticeEvenWithoutMixerNotices)
{
    for (TPreload preload : {TPreload::plAuto, TPreload::plAlway}) {
        xp.reset();
        mixer = {};
        mixer.notifies = preload == TPreload::plAuto; // Wine's mixer never notifies
        volumeEvents = 0;
        Create(preload);
        float seen = -1.0f;
        xp->OnVolume = [&](fw::TObject*) { seen = xp->Volume(), ++volumeEvents; };
        EXPECT_EQ(xp->Volume(), 1.0f);
        EXPECT_FALSE(xp->Mute());
        EXPECT_TRUE(xp->SetVolumeMuteDevice(true, 0.0f));
        EXPECT_EQ(xp->Volume(), 1.0f);
        EXPECT_FALSE(xp->Mute());
        fw::ProcessMessages();
        EXPECT_EQ(seen, 0.0f) << "the handler reads the new value";
        EXPECT_EQ(volumeEvents, preload == TPreload::plAuto ? 2 : 1) << "one self-notice for both writes";
        const int reads = mixer.calls["get"];
        EXPECT_TRUE(xp->Mute());
        EXPECT_EQ(mixer.calls["get"], reads + (preload == TPreload::plAlway ? 0 : 1)) << "plAlway refilled";
        EXPECT_FALSE(xp->Changing());
    }
}

TEST_F(MixerBackend, WritingTheValuesItHoldsLeavesNothingToWaitFor)
{
    mixer.notifies = false; // only the backend's own notice would end the wait
    Create(TPreload::plAlway);
    ASSERT_TRUE(xp->Opened());
    EXPECT_TRUE(xp->SetVolumeMuteDevice(false, xp->Volume()));
    EXPECT_FALSE(xp->Changing());
    fw::ProcessMessages();
    EXPECT_EQ(volumeEvents, 0);
    EXPECT_TRUE(xp->SetMute(true));
    EXPECT_TRUE(xp->Changing());
    fw::ProcessMessages();
    EXPECT_FALSE(xp->Changing());
    EXPECT_EQ(volumeEvents, 1);
}

TEST(MixerFacade, NoCoreAudioMeansTheMixerAndNoDevices)
{
    fakes::Mixer mixer;
    audio::MasterVolumeSeams seams;
    seams.coreAudio.createEnumerator = [](IMMDeviceEnumerator** out) {
        return *out = nullptr, REGDB_E_CLASSNOTREG;
    };
    seams.mixer = mixer.Seams();
    TMasterVolume mv(nullptr, nullptr, seams);
    std::vector<TVolumeChange> changes;
    mv.OnChange = [&](fw::TObject*, TVolumeChange change) { changes.push_back(change); };
    mv.SetPreload(TPreload::plAlway);
    EXPECT_EQ(mv.Volume(), 65535);
    EXPECT_TRUE(mv.SetVolumeMuteDevice(32768, true, L"{other}"));
    EXPECT_EQ(mixer.volume, 32768u) << "the device argument is ignored";
    fw::ProcessMessages();
    EXPECT_EQ(mv.Volume(), 32768);
    EXPECT_TRUE(mv.Mute());
    EXPECT_EQ(mv.DeviceCount(), 0);
    EXPECT_FALSE(mv.SetDevice(L"x") || mv.NextDevice() || mv.ShowVolumeFlyout());
    // Another sound card with its own range: reopened before OnChange reads it.
    mixer.maximum = 255;
    mixer.volume = 51;
    changes.clear();
    int seen = -1;
    mv.OnChange = [&](fw::TObject*, TVolumeChange change) { changes.push_back(change), seen = mv.Volume(); };
    ::SendMessageW(mixer.callback, ::RegisterWindowMessageA("winmm_devicechange"), 0, 0);
    EXPECT_TRUE(changes.empty()) << "posted, handled from the message loop";
    fw::ProcessMessages();
    EXPECT_EQ(changes, std::vector<TVolumeChange>{TVolumeChange::vcDevice});
    EXPECT_EQ(seen, 13107);
    ASSERT_EQ(mixer.open.size(), 2u);
    EXPECT_EQ(mixer.closed, std::vector<HMIXER>{mixer.open[0]});
}
