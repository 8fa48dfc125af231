// The facade: level scaling, the launchers' command texts, events and the fallback when
// no Core Audio enumerator can be created.
#include "MasterVolume.h"
#include "CoreAudioFakes.h"
#include "MixerFake.h"
#include "Window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

TEST(Scaling, ScalarToLevelRoundsTiesToEven)
{
    const struct {
        int min, max;
        float scalar;
        int level;
    } cases[] = {
        {0, 65535, 0.5f, 32768}, // 32767.5
        {10, 20, 0.25f, 12},     // 12.5
        {10, 20, 0.75f, 18},     // 17.5
        {0, 100, 0.125f, 12},    // 12.5
        {0, 100, 0.375f, 38},    // 37.5
        {0, 65535, 0.0f, 0},     {0, 65535, 1.0f, 65535},
        {-100, 100, 0.5f, 0},    {0, 65535, 1.5f, 65535}, // out of contract: stays in range
        {0, 65535, -0.5f, 0},    {5, 9, NAN, 5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(audio::ScalarToLevel(c.min, c.max, c.scalar), c.level)
            << c.min << ".." << c.max << " " << c.scalar;
}

TEST(Scaling, LevelToScalarClamps)
{
    const struct {
        int min, max, level;
        float scalar;
    } cases[] = {
        {10, 20, 15, 0.5f},      {0, 65535, 65535, 1.0f}, {0, 65535, 0, 0.0f}, {0, 65535, -1, 0.0f},
        {0, 65535, 70000, 1.0f}, {10, 20, 5, 0.0f},       {10, 20, 25, 1.0f},  {7, 7, 7, 0.0f},
    };
    for (const auto& c : cases)
        EXPECT_EQ(audio::LevelToScalar(c.min, c.max, c.level), c.scalar)
            << c.min << ".." << c.max << " " << c.level;
}

TEST(Scaling, EveryLevelSurvivesTheFloatRoundTrip)
{
    for (int level = 0; level <= 65535; ++level)
        ASSERT_EQ(audio::ScalarToLevel(0, 65535, audio::LevelToScalar(0, 65535, level)), level);
}

struct ShellCall {
    HWND owner;
    std::wstring verb, file;
    std::optional<std::wstring> parameters, directory; // nullopt: a null pointer
    int show;
};

class Facade : public testing::Test {
  protected:
    fakes::System sys;
    fakes::Mixer mixer;
    std::vector<ShellCall> shell;
    INT_PTR shellResult = 42;
    std::optional<POINT> cursor = POINT{100, 100};
    int cursorReads = 0;
    std::unique_ptr<TMasterVolume> mv;
    HWND owner = reinterpret_cast<HWND>(0x1234);

    void Create()
    {
        mv.reset();
        audio::MasterVolumeSeams seams;
        seams.coreAudio = sys.Seams();
        seams.mixer = mixer.Seams();
        seams.shellExecute = [this](HWND o, const wchar_t* verb, const wchar_t* file, const wchar_t* params,
                                    const wchar_t* dir, int show) {
            auto text = [](const wchar_t* s) { return s ? std::optional<std::wstring>(s) : std::nullopt; };
            shell.push_back({o, verb, file, text(params), text(dir), show});
            return shellResult;
        };
        seams.cursorPos = [this](POINT& p) {
            ++cursorReads;
            return cursor ? (p = *cursor, true) : false;
        };
        mv = std::make_unique<TMasterVolume>(nullptr, owner, seams);
    }
};

TEST_F(Facade, VolumeIsScaledBothWaysAndClamped)
{
    Create();
    ASSERT_TRUE(mv->UsesCoreAudio());
    EXPECT_EQ(mv->Name(), L"MasterVolume");
    mv->Min = 10;
    mv->Max = 20;
    sys.endpoints[0].scalar = 0.25f;
    EXPECT_EQ(mv->Volume(), 12);
    const struct {
        int level;
        float scalar;
    } writes[] = {{15, 0.5f}, {-3, 0.0f}, {99, 1.0f}, {20, 1.0f}, {10, 0.0f}};
    for (const auto& w : writes) {
        EXPECT_TRUE(mv->SetVolume(w.level));
        EXPECT_EQ(sys.endpoints[0].scalar, w.scalar) << w.level;
    }
    EXPECT_TRUE(mv->SetVolumeMuteDevice(30, true, L""));
    EXPECT_EQ(sys.endpoints[0].scalar, 1.0f);
    EXPECT_TRUE(sys.endpoints[0].mute);
}

TEST_F(Facade, OnChangeReportsTheKindWithTheFacadeAsSender)
{
    Create();
    std::vector<TVolumeChange> changes;
    sys.NotifyVolume(0); // no handler yet: nothing to call
    fw::ProcessMessages();
    mv->OnChange = [&](fw::TObject* sender, TVolumeChange change) {
        EXPECT_EQ(sender, static_cast<fw::TObject*>(mv.get()));
        changes.push_back(change);
    };
    sys.NotifyVolume(0);
    fw::ProcessMessages();
    EXPECT_TRUE(mv->NextDevice());
    fw::ProcessMessages();
    EXPECT_EQ(changes, (std::vector<TVolumeChange>{TVolumeChange::vcVolume, TVolumeChange::vcDevice}));
}

TEST_F(Facade, PlAlwayReadsTheOldValueUntilTheNotificationIsHandled)
{
    Create();
    mv->SetPreload(TPreload::plAlway);
    EXPECT_EQ(mv->Preload(), TPreload::plAlway);
    EXPECT_EQ(mv->Volume(), 65535);
    EXPECT_TRUE(mv->SetVolume(0));
    EXPECT_EQ(mv->Volume(), 65535);
    EXPECT_TRUE(mv->Changing());
    fw::ProcessMessages();
    EXPECT_EQ(mv->Volume(), 0);
    EXPECT_FALSE(mv->Changing());
}

TEST_F(Facade, WithoutCoreAudioOrMixerEverythingIsNeutral)
{
    sys.enumeratorFails = true;
    mixer.openResult = MMSYSERR_NODRIVER;
    Create();
    EXPECT_FALSE(mv->UsesCoreAudio());
    mv->Min = 0;
    mv->SetPreload(TPreload::plAlway);
    EXPECT_EQ(mv->Preload(), TPreload::plAlway);
    EXPECT_EQ(mv->Volume(), 0);
    EXPECT_FALSE(mv->Mute() || mv->Changing());
    EXPECT_EQ(mv->DeviceCount(), 0);
    EXPECT_EQ(mv->DeviceName(0) + mv->DeviceId(0) + mv->DefaultDeviceId() + mv->DefaultDeviceName() +
                  mv->DefaultDeviceShortName(),
              L"");
    EXPECT_FALSE(mv->SetVolume(10) || mv->SetMute(true) || mv->SetDevice(L"x") || mv->SetDeviceById(L"{x}") ||
                 mv->NextDevice() || mv->SetVolumeMuteDevice(1, true, L""));
    EXPECT_FALSE(mv->ShowVolumeFlyout());
    EXPECT_TRUE(shell.empty()) << "the flyout starts nothing here";
    EXPECT_TRUE(mv->RunVolumeControl(true, true, true));
    EXPECT_TRUE(mv->RunVolumeControl(true, true, false));
    ASSERT_EQ(shell.size(), 2u);
    EXPECT_EQ(shell[0].file, L"sndvol32.exe");
    EXPECT_EQ(shell[0].parameters, L"-r");
    EXPECT_EQ(shell[1].parameters, std::nullopt);
    EXPECT_EQ(cursorReads, 0);
}

TEST_F(Facade, VolumeControlParameters)
{
    const struct {
        bool atCursor, flyout, recording;
        std::optional<POINT> cursor;
        std::optional<std::wstring> parameters;
    } cases[] = {
        {true, true, false, POINT{100, 100}, L"-f 6553700"},
        {true, true, false, POINT{100, 200}, L"-f 13107300"},
        {true, true, false, std::nullopt, L"-f 0"}, // cursor unreadable
        {true, true, false, POINT{-100, 100}, L"-f 6553500"},
        {true, true, false, POINT{100, -1}, L"-f -65436"},
        {false, true, false, POINT{100, 100}, L"-f"},
        {true, false, false, POINT{100, 100}, L"- 6553700"},
        {false, false, false, POINT{100, 100}, std::nullopt},
        {false, false, true, POINT{100, 100}, std::nullopt}, // recording is the mixer's
    };
    Create();
    for (const auto& c : cases) {
        shell.clear();
        cursor = c.cursor;
        EXPECT_TRUE(mv->RunVolumeControl(c.atCursor, c.flyout, c.recording));
        ASSERT_EQ(shell.size(), 1u);
        const ShellCall& call = shell[0];
        EXPECT_EQ(call.parameters, c.parameters) << c.atCursor << c.flyout << c.recording;
        EXPECT_EQ(call.file, L"sndvol.exe");
        EXPECT_EQ(call.verb, L"open");
        EXPECT_EQ(call.owner, owner);
        EXPECT_EQ(call.directory, std::nullopt);
        EXPECT_EQ(call.show, SW_SHOWNORMAL);
    }
}

TEST_F(Facade, LaunchersSucceedOnlyAboveThirtyTwo)
{
    Create();
    shellResult = 32;
    EXPECT_FALSE(mv->RunVolumeControl(false, false, false));
    EXPECT_FALSE(mv->RunAudioProperties(-1));
    EXPECT_FALSE(mv->RunSettingsPage(L"sound"));
    EXPECT_TRUE(mv->ShowVolumeFlyout()) << "true whether or not the flyout started";
    EXPECT_EQ(shell.back().parameters, L"-f 6553700");
    shellResult = 33;
    EXPECT_TRUE(mv->RunAudioProperties(2));
    EXPECT_TRUE(mv->RunSettingsPage(L"sound"));
}

TEST_F(Facade, SoundPanelAndSettingsTargets)
{
    Create();
    mv->RunAudioProperties(-1);
    mv->RunAudioProperties(0);
    mv->RunAudioProperties(2);
    mv->RunSettingsPage(L"sound");
    ASSERT_EQ(shell.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(shell[i].file, L"rundll32.exe");
        EXPECT_EQ(shell[i].directory, L"") << "an empty directory, not a null one";
    }
    EXPECT_EQ(shell[0].parameters, L"shell32.dll,Control_RunDLL mmsys.cpl");
    EXPECT_EQ(shell[1].parameters, L"shell32.dll,Control_RunDLL mmsys.cpl,,0");
    EXPECT_EQ(shell[2].parameters, L"shell32.dll,Control_RunDLL mmsys.cpl,,2");
    EXPECT_EQ(shell[3].file, L"ms-settings:sound");
    EXPECT_EQ(shell[3].parameters, L"");
    EXPECT_EQ(shell[3].directory, L"");
}
