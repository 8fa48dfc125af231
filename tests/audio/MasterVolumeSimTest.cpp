// The facade and its Core Audio backend against the endpoint simulator, which is created
// through the real class registration and calls back on threads of its own.
#include "MasterVolume.h"
#include "SimControl.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace sim = endpointsim;

namespace {

// Pumps this thread's messages until done() holds; false after a generous deadline.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 30000)
{
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    while (!done()) {
        if (::GetTickCount64() > end)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        fw::ProcessMessages();
    }
    return true;
}

struct Change {
    TVolumeChange kind;
    int volume;
    bool mute;
    std::wstring device;
    DWORD thread;
};

class Simulated : public testing::Test {
  protected:
    static void SetUpTestSuite() { sim::UseStateFile(sim::StateFileBeside(L"AudioSimTest.state")); }
    void SetUp() override
    {
        ASSERT_TRUE(sim::Reset());
        mv = std::make_unique<TMasterVolume>(nullptr, nullptr);
        ASSERT_TRUE(mv->UsesCoreAudio()) << "the simulator is not registered";
        mv->SetPreload(TPreload::plAlway);
        mv->OnChange = [this](fw::TObject*, TVolumeChange kind) {
            changes.push_back(
                {kind, mv->Volume(), mv->Mute(), mv->DefaultDeviceId(), ::GetCurrentThreadId()});
        };
    }
    void TearDown() override
    {
        mv.reset();
        fw::ProcessMessages();
    }
    static sim::EndpointInfo At(int i) { return sim::Show().at(static_cast<size_t>(i)); }
    bool Saw(TVolumeChange kind) const
    {
        for (const auto& c : changes)
            if (c.kind == kind)
                return true;
        return false;
    }

    std::unique_ptr<TMasterVolume> mv;
    std::vector<Change> changes;
};

TEST_F(Simulated, ForeignChangeReachesOnChangeWithFreshValues)
{
    EXPECT_EQ(mv->Volume(), 65535);
    sim::ResetCounters();
    ASSERT_TRUE(sim::SetVolume(0.5f));
    ASSERT_TRUE(PumpUntil([&] { return !changes.empty() && changes.back().volume == 32768; }));
    ASSERT_TRUE(sim::SetMute(true));
    ASSERT_TRUE(PumpUntil([&] { return changes.back().mute; }));
    for (const auto& c : changes) {
        EXPECT_EQ(c.kind, TVolumeChange::vcVolume);
        EXPECT_EQ(c.thread, ::GetCurrentThreadId());
    }
    // Under plAlway the state each notification carried fills the cache: nothing is read back.
    EXPECT_EQ(sim::GetCounters().getScalar, 0);
    // An own change: reads stay on the old value until the notification has been handled.
    EXPECT_TRUE(mv->SetVolume(0));
    EXPECT_TRUE(mv->Changing());
    EXPECT_EQ(mv->Volume(), 32768);
    ASSERT_TRUE(PumpUntil([&] { return !mv->Changing(); }));
    EXPECT_EQ(mv->Volume(), 0);
    EXPECT_EQ(At(0).scalar, 0.0f);
}

TEST_F(Simulated, SetDeviceByNameAndById)
{
    ASSERT_TRUE(mv->SetDevice(L"Headset (USB Audio Device)"));
    ASSERT_TRUE(PumpUntil([&] { return Saw(TVolumeChange::vcDevice); }));
    EXPECT_EQ(changes.back().device, At(1).id);
    EXPECT_TRUE(At(1).isDefault);
    EXPECT_EQ(mv->DefaultDeviceShortName(), L"Headset (USB)");
    changes.clear();
    ASSERT_TRUE(mv->SetDeviceById(At(0).id));
    ASSERT_TRUE(PumpUntil([&] { return Saw(TVolumeChange::vcDevice); }));
    EXPECT_EQ(mv->DefaultDeviceName(), L"Speakers (High Definition Audio Device)");
    EXPECT_FALSE(mv->SetDevice(L"No Such Device"));
}

TEST_F(Simulated, SetVolumeMuteDeviceOnAnotherEndpointAppliesAfterTheSwitch)
{
    ASSERT_TRUE(mv->SetVolumeMuteDevice(16384, true, At(1).name));
    ASSERT_TRUE(PumpUntil([&] { return At(1).mute && At(1).scalar < 0.3f; }));
    EXPECT_FLOAT_EQ(At(1).scalar, 16384.0f / 65535.0f);
    EXPECT_EQ(At(0).scalar, 1.0f);
    EXPECT_FALSE(At(0).mute);
    ASSERT_TRUE(PumpUntil([&] { return !changes.empty() && changes.back().mute; }));
    EXPECT_EQ(changes.front().kind, TVolumeChange::vcDevice);
    EXPECT_EQ(changes.front().device, At(1).id);
    EXPECT_EQ(changes.front().volume, 65535) << "the values follow OnDevice";
    EXPECT_FALSE(changes.front().mute);
    EXPECT_EQ(mv->Volume(), 16384);
}

TEST_F(Simulated, WritesThatChangeNothingLeaveNothingToWaitFor)
{
    // The endpoint stands at 100 %, unmuted, on the first device: none of these changes it,
    // so no notification will come.
    ASSERT_TRUE(mv->SetVolume(65535));
    EXPECT_FALSE(mv->Changing());
    ASSERT_TRUE(mv->SetMute(false));
    EXPECT_FALSE(mv->Changing());
    ASSERT_TRUE(mv->SetDevice(At(0).name));
    ASSERT_TRUE(mv->SetDeviceById(At(0).id));
    EXPECT_FALSE(mv->Changing());
    ASSERT_TRUE(mv->SetVolumeMuteDevice(65535, false, L""));
    EXPECT_FALSE(mv->Changing());

    // A real change still waits for its notification.
    ASSERT_TRUE(mv->SetMute(true));
    EXPECT_TRUE(mv->Changing());
    ASSERT_TRUE(PumpUntil([&] { return !mv->Changing(); }));
    ASSERT_TRUE(mv->SetDevice(At(1).name));
    EXPECT_TRUE(mv->Changing());
    ASSERT_TRUE(PumpUntil([&] { return !mv->Changing(); }));
}

TEST_F(Simulated, OwnWritesAreIntendedUntilTheEndpointConfirmsThem)
{
    ASSERT_TRUE(sim::SetVolume(0.2f));
    ASSERT_TRUE(PumpUntil([&] { return mv->Volume() == 13107; }));
    changes.clear();
    EXPECT_EQ(mv->IntendedVolume(), 13107);
    ASSERT_TRUE(mv->SetVolume(13762));
    ASSERT_TRUE(mv->SetMute(true));
    EXPECT_EQ(mv->Volume(), 13107); // the cache keeps the old value until the notification
    EXPECT_FALSE(mv->Mute());
    EXPECT_EQ(mv->IntendedVolume(), 13762);
    EXPECT_TRUE(mv->IntendedMute());
    ASSERT_TRUE(mv->SetVolume(70000)); // clamped, as the endpoint gets it
    EXPECT_EQ(mv->IntendedVolume(), 65535);
    ASSERT_TRUE(PumpUntil([&] { return !changes.empty() && !mv->Changing(); }));
    EXPECT_EQ(mv->Volume(), 65535);
    EXPECT_EQ(mv->IntendedVolume(), 65535);

    // After the notification, a foreign change is what counts.
    PumpUntil([] { return false; }, 300); // the own writes' later notifications too
    changes.clear();
    ASSERT_TRUE(sim::SetVolume(0.5f));
    ASSERT_TRUE(PumpUntil([&] { return !changes.empty(); }));
    EXPECT_EQ(mv->IntendedVolume(), 32768);
    EXPECT_TRUE(mv->IntendedMute());

    // An outside change that lands before own writes but is heard of after them: the level it
    // changed is where the next step starts; the mute it left alone stays the own toggle's.
    ASSERT_TRUE(sim::HoldNotifications(true));
    ASSERT_TRUE(sim::SetVolume(0.8f));
    ASSERT_TRUE(mv->SetVolume(33423));
    ASSERT_TRUE(mv->SetMute(false));
    ASSERT_TRUE(sim::HoldNotifications(false));
    ASSERT_TRUE(PumpUntil([&] { return mv->Volume() == 33423 && !mv->Mute(); }));
    PumpUntil([] { return false; }, 300); // the own writes' notifications too
    EXPECT_EQ(mv->IntendedVolume(), 52428);
    EXPECT_FALSE(mv->IntendedMute());

    // Values meant for another endpoint are not this one's.
    ASSERT_TRUE(mv->SetVolumeMuteDevice(100, false, At(1).name));
    EXPECT_EQ(mv->IntendedVolume(), mv->Volume());
}

TEST_F(Simulated, DeviceStateChangeRebuildsTheList)
{
    EXPECT_EQ(mv->DeviceCount(), 2);
    ASSERT_TRUE(sim::SetState(1, false));
    ASSERT_TRUE(PumpUntil([&] { return mv->DeviceCount() == 1; }));
    EXPECT_EQ(mv->DeviceName(0), At(0).name);
    ASSERT_TRUE(sim::SetState(1, true));
    ASSERT_TRUE(PumpUntil([&] { return mv->DeviceCount() == 2; }));
    EXPECT_EQ(mv->DeviceId(1), At(1).id);
}

TEST_F(Simulated, AnAddedEndpointJoinsTheList)
{
    EXPECT_EQ(mv->DeviceCount(), 2);
    ASSERT_EQ(sim::Add(L"Monitor (Display Audio)"), 2);
    ASSERT_TRUE(PumpUntil([&] { return mv->DeviceCount() == 3; }));
    EXPECT_EQ(mv->DeviceName(2), L"Monitor (Display Audio)");
}

TEST_F(Simulated, EndpointCallsWhileNotificationsStreamIn)
{
    std::atomic<bool> stop{false};
    std::thread foreign([&] {
        for (int i = 0; !stop && i < 400; ++i)
            sim::SetVolume(static_cast<float>(i % 10) / 10.0f);
    });
    // Switching reopens the endpoint, so unregistering meets callbacks in flight.
    for (int i = 0; i < 40; ++i) {
        mv->SetVolume(i * 1000);
        mv->NextDevice();
        mv->Volume();
        if (i % 4 == 0)
            fw::ProcessMessages();
    }
    stop = true;
    foreign.join();
    ASSERT_TRUE(PumpUntil([&] { return !mv->Changing(); }));
    ASSERT_TRUE(sim::SetVolume(0.75f));
    EXPECT_TRUE(PumpUntil([&] { return mv->Volume() == audio::ScalarToLevel(0, 65535, 0.75f); }))
        << "notifications still arrive";
}

} // namespace
