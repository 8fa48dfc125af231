// Lorvane.exe processes against the endpoint simulator: verbs, single instance, messages.
#include "InstanceTest.h"
#include "SimControl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

using namespace e2e;
namespace sim = endpointsim;

const std::wstring kSpeakers = L"Speakers (High Definition Audio Device)";
const std::wstring kHeadset = L"Headset (USB Audio Device)";

float LevelScalar(int level)
{
    return static_cast<float>(level / 65535.0L);
}

class LorvaneE2E : public InstanceTest {
protected:
    LorvaneE2E() : InstanceTest(L"startup", std::nullopt) {}

    static constexpr WPARAM kInstanceNotifies = 0, kStarted = 1, kVolumeChanges = 2, kStartWait = 3,
                            kActionCount = 4, kActionPosition = 13;
    static constexpr UINT kRunAction = WM_APP + 1002;
    // Positions with the default ten presets and ten tools.
    static constexpr LPARAM kVolumeUp = 13, kMuteOn = 18, kTool0 = 29, kRestart = 45, kClose = 46,
                            kActions = 50; // the three application actions come after Close
    static sim::EndpointInfo At(int i) { return sim::Show().at(static_cast<size_t>(i)); }
    static int DefaultIndex()
    {
        for (const auto& e : sim::Show())
            if (e.isDefault)
                return e.index;
        return -1;
    }
};

TEST_F(LorvaneE2E, VolumeVerbSetsAbsoluteAndRelativeLevels)
{
    EXPECT_EQ(RunLorvane(L"-Volume:50"), 0);
    EXPECT_FLOAT_EQ(At(0).scalar, LevelScalar(32768)); // 0.500008

    ASSERT_TRUE(sim::SetVolume(0.5f));
    ASSERT_TRUE(sim::SetMute(true));
    EXPECT_EQ(RunLorvane(L"-volume:+5%"), 0);
    // 0.5 reads as 32768 (ties to even), plus round(0.05 * 65535) = 3277.
    EXPECT_FLOAT_EQ(At(0).scalar, LevelScalar(32768 + 3277));
    EXPECT_TRUE(At(0).mute) << "a quiet verb applies no automatic unmute";

    EXPECT_EQ(RunLorvane(L"-Volume:-200%"), 0); // clamped at the bottom
    EXPECT_FLOAT_EQ(At(0).scalar, 0.0f);
}

TEST_F(LorvaneE2E, InvalidVolumeChangesNothingAndExitsOne)
{
    ASSERT_TRUE(sim::SetVolume(0.25f));
    for (const wchar_t* bad : {L"-Volume:abc", L"-Volume:1e999", L"-Volume:nan", L"-Volume:", L"-Bogus:1"}) {
        EXPECT_EQ(RunLorvane(bad), 1) << bad;
        EXPECT_FLOAT_EQ(At(0).scalar, 0.25f) << bad;
    }
}

TEST_F(LorvaneE2E, MuteVerbValues)
{
    struct Step {
        const wchar_t* args;
        bool muted;
        long exit;
    } steps[] = {
        {L"-Mute:TRUE", true, 0}, {L"-Mute:off", false, 0}, {L"-Mute:+1", true, 0},
        {L"-Mute:!", false, 0},   {L"-Mute:!", true, 0},    {L"-Mute:maybe", true, 1},
        {L"-Mute:0", false, 0},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(RunLorvane(s.args), s.exit) << s.args;
        EXPECT_EQ(At(0).mute, s.muted) << s.args;
    }
}

TEST_F(LorvaneE2E, DeviceVerbNextByNameAndById)
{
    EXPECT_EQ(RunLorvane(L"-Device:!"), 0);
    EXPECT_EQ(DefaultIndex(), 1);
    EXPECT_EQ(RunLorvane(L"-Device:!"), 0); // wraps
    EXPECT_EQ(DefaultIndex(), 0);

    EXPECT_EQ(RunLorvane(L"\"-Device:" + kHeadset + L"\""), 0);
    EXPECT_EQ(DefaultIndex(), 1);
    EXPECT_EQ(RunLorvane(L"-Device:" + At(0).id), 0);
    EXPECT_EQ(DefaultIndex(), 0);

    ASSERT_TRUE(sim::Reset({L"Only Speakers"}));
    EXPECT_EQ(RunLorvane(L"-Device:!"), 0);
    EXPECT_EQ(DefaultIndex(), 0);
}

TEST_F(LorvaneE2E, SoundVerbSwitchesThenAppliesPendingValues)
{
    EXPECT_EQ(RunLorvane(L"\"-Sound:!30%" + kHeadset + L"\""), 0);
    sim::EndpointInfo headset = At(1);
    EXPECT_TRUE(headset.isDefault);
    EXPECT_FLOAT_EQ(headset.scalar, LevelScalar(19661));
    EXPECT_TRUE(headset.mute);
    EXPECT_FLOAT_EQ(At(0).scalar, 1.0f); // the old default is left alone
    EXPECT_FALSE(At(0).mute);

    // Relative, naming a device that is not the default: only the switch happens.
    ASSERT_TRUE(sim::SetDefault(0));
    ASSERT_TRUE(sim::SetVolume(0.5f, 1));
    EXPECT_EQ(RunLorvane(L"\"-Sound:+10%" + kHeadset + L"\""), 0);
    EXPECT_EQ(DefaultIndex(), 1);
    EXPECT_FLOAT_EQ(At(1).scalar, 0.5f);
    EXPECT_FLOAT_EQ(At(0).scalar, 1.0f);

    EXPECT_EQ(RunLorvane(L"-Sound:30"), 1); // no "%"
}

TEST_F(LorvaneE2E, VerbsThatChangeNothingEndWithoutTheCloseDownWait)
{
    // The close-down wait for an unconfirmed change is about 3 s; a verb that changes nothing
    // has nothing to wait for. The bound leaves room for a slow start of the process.
    ASSERT_TRUE(sim::SetVolume(LevelScalar(16384))); // 25 %, unmuted, the first device
    const std::wstring verbs[] = {L"-Mute:off",           L"-Volume:25",
                                  L"-Volume:+0%",         L"\"-Device:" + kSpeakers + L"\"",
                                  L"-Device:" + At(0).id, L"-Sound:25%"};
    for (const std::wstring& args : verbs) {
        const DWORD start = ::GetTickCount();
        EXPECT_EQ(RunLorvane(args), 0) << std::string(args.begin(), args.end());
        EXPECT_LT(::GetTickCount() - start, 2500u) << std::string(args.begin(), args.end());
    }
    EXPECT_FLOAT_EQ(At(0).scalar, LevelScalar(16384));
    EXPECT_EQ(DefaultIndex(), 0);
}

TEST_F(LorvaneE2E, VerbsTheSystemRefusesExitTwo)
{
    EXPECT_EQ(RunLorvane(L"-Device:No Such Device"), 2);
    EXPECT_EQ(RunLorvane(L"\"-Sound:+5%No Such Device\""), 2);
    EXPECT_EQ(DefaultIndex(), 0);
    // Without any active endpoint nothing can be set.
    ASSERT_TRUE(sim::SetState(0, false));
    ASSERT_TRUE(sim::SetState(1, false));
    for (const wchar_t* args : {L"-Volume:50", L"-Mute:on", L"-Sound:30%", L"-Device:!"})
        EXPECT_EQ(RunLorvane(args), 2) << args;
    EXPECT_EQ(RunLorvane(L"-Volume:abc"), 1); // not understood stays 1
}

TEST_F(LorvaneE2E, ActionVerbIsRefusedOnTheCommandLine)
{
    ASSERT_TRUE(sim::SetVolume(0.5f));
    EXPECT_EQ(RunLorvane(L"-Action:MuteOn"), 1);
    EXPECT_FALSE(At(0).mute);
}

TEST_F(LorvaneE2E, SecondStartNotifiesTheRunningInstanceAndEnds)
{
    Process first;
    ASSERT_TRUE(first.Start(LorvanePath(), L""));
    HWND main = WaitForMainWindow(first.Id());
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitUntil([&] { return ProbeMain(main, kStarted) == 1; })); // started
    EXPECT_FALSE(::IsWindowVisible(main));

    EXPECT_EQ(RunLorvane(L""), 0);
    EXPECT_TRUE(WaitUntil([&] { return ProbeMain(main, kInstanceNotifies) == 1; })); // one WM_INSTANCE_NOTIFY
    EXPECT_EQ(MainWindows().size(), 1u);

    // A waiting number behaves like a plain second start while an instance runs.
    EXPECT_EQ(RunLorvane(L"10"), 0);
    EXPECT_TRUE(WaitUntil([&] { return ProbeMain(main, kInstanceNotifies) == 2; }));

    // A leading "-" skips the check: a second full instance starts after 0.1 s.
    Process second;
    ASSERT_TRUE(second.Start(LorvanePath(), L"-0.1"));
    HWND other = WaitForMainWindow(second.Id());
    ASSERT_TRUE(other);
    EXPECT_TRUE(WaitUntil([&] { return ProbeMain(other, kStarted) == 1; }));
    EXPECT_EQ(MainWindows().size(), 2u);

    ::PostMessageW(other, WM_CLOSE, 0, 0);
    EXPECT_EQ(second.Wait(10000), 0);
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.Wait(10000), 0);
}

TEST_F(LorvaneE2E, StartsAtOnceMakeOneInstanceThatHearsAllTheOthers)
{
    // Those that find the mutex taken before its owner has made its window wait for the window.
    std::vector<Process> starts(11);
    for (Process& p : starts)
        ASSERT_TRUE(p.Start(LorvanePath(), L""));
    auto ended = [&] {
        int n = 0;
        for (Process& p : starts)
            n += !p.Running() && p.Wait(0) == 0;
        return n;
    };
    EXPECT_TRUE(WaitUntil([&] { return ended() == 10; }, 60000)) << ended() << " of 10 second starts ended";
    const std::vector<HWND> windows = MainWindows();
    ASSERT_EQ(windows.size(), 1u);
    // Started, the window is top-level (the shell's broadcasts reach no other), even when
    // the notices came while it was still in the message-only layer.
    EXPECT_TRUE(WaitUntil([&] { return ::GetAncestor(windows[0], GA_PARENT) == ::GetDesktopWindow(); }));
    EXPECT_TRUE(WaitUntil([&] { return ProbeMain(windows[0], kInstanceNotifies) == 10; }))
        << ProbeMain(windows[0], kInstanceNotifies) << " of 10 notices arrived";
}

TEST_F(LorvaneE2E, ARestartedInstanceIsTheOneALaterStartFinds)
{
    // What a restart does when the new process checks the mutex before the old one has gone.
    Process first, survivor;
    HWND old = StartInstance(first);
    ASSERT_TRUE(old);
    HWND main = StartInstance(survivor, L"-0.1");
    ASSERT_TRUE(main);
    ::PostMessageW(old, WM_CLOSE, 0, 0);
    ASSERT_EQ(first.Wait(10000), 0);

    // The survivor took the mutex over: a plain start only notifies it.
    Process third;
    ASSERT_TRUE(third.Start(LorvanePath(), L""));
    EXPECT_EQ(third.Wait(10000), 0) << "a second full instance started";
    EXPECT_TRUE(WaitUntil([&] { return ProbeMain(main, kInstanceNotifies) == 1; }));
    EXPECT_EQ(MainWindows().size(), 1u);
    EXPECT_TRUE(survivor.Running());
}

TEST_F(LorvaneE2E, SecondStartCutsTheStartupWaitShort)
{
    Process first;
    ASSERT_TRUE(first.Start(LorvanePath(), L"30"));
    HWND main = WaitForMainWindow(first.Id());
    ASSERT_TRUE(main);
    EXPECT_EQ(ProbeMain(main, kStartWait), 30000); // waiting 30 s
    EXPECT_EQ(ProbeMain(main, kStarted), 0);
    EXPECT_EQ(RunLorvane(L""), 0);
    EXPECT_TRUE(WaitUntil([&] { return ProbeMain(main, kStarted) == 1; }, 5000));
}

TEST_F(LorvaneE2E, RunActionMessageIgnoresBadIndexesAndRunsCloseAction)
{
    Process p;
    HWND main = StartInstance(p);
    ASSERT_TRUE(main);
    EXPECT_EQ(ProbeMain(main, kActionCount), kActions);
    for (LPARAM bad : {LPARAM(-1), kActions, LPARAM(1000)})
        ::PostMessageW(main, kRunAction, 0, bad);
    ::PostMessageW(main, kRunAction, 0, kMuteOn);
    EXPECT_TRUE(WaitUntil([] { return sim::Show().at(0).mute; }));
    EXPECT_TRUE(p.Running());
    ::PostMessageW(main, kRunAction, 0, kClose);
    EXPECT_EQ(p.Wait(10000), 0);
    // Closing saved the settings.
    std::wstring ini = program->ReadSettings();
    EXPECT_NE(ini.find(L"[General]"), std::wstring::npos);
    EXPECT_NE(ini.find(L"Version=1.8.3.104"), std::wstring::npos);
}

TEST_F(LorvaneE2E, VolumeUpActionRaisesTheEndpointByOneStep)
{
    ASSERT_TRUE(sim::SetVolume(0.5f));
    Process p;
    HWND main = StartInstance(p);
    ASSERT_TRUE(main);
    ::PostMessageW(main, kRunAction, 0, kVolumeUp);
    // 0.5 reads as 32768; one 1 % step snaps to the 51 % point, 33423.
    EXPECT_TRUE(WaitUntil([] { return sim::Show().at(0).scalar > 0.5f; }));
    EXPECT_FLOAT_EQ(At(0).scalar, LevelScalar(33423));
}

TEST_F(LorvaneE2E, FiveQuickStepsFromTwentyPercentReachTwentyFive)
{
    Process p;
    HWND main = StartInstance(p);
    ASSERT_TRUE(main);
    const LRESULT seen = ProbeMain(main, kVolumeChanges);
    ASSERT_TRUE(sim::SetVolume(LevelScalar(13107))); // 20 %
    ASSERT_TRUE(WaitUntil([&] { return ProbeMain(main, kVolumeChanges) > seen; }));
    for (int i = 0; i < 5; ++i)
        ::PostMessageW(main, kRunAction, 0, kVolumeUp); // back to back, as a fast wheel gives them
    EXPECT_TRUE(WaitUntil([] { return std::fabs(sim::Show().at(0).scalar - LevelScalar(16384)) < 1e-6f; }))
        << "ended at " << sim::Show().at(0).scalar * 100 << " %";
    // Nothing more arrives later.
    ::Sleep(500);
    EXPECT_FLOAT_EQ(At(0).scalar, LevelScalar(16384));
}

TEST_F(LorvaneE2E, ToolRunsItsVerbFromTheSettingsFile)
{
    ASSERT_TRUE(program->WriteSettings(L"[Tool]\r\nCount=2\r\nTool0=Volume:25\r\nTool1=Action:MuteOn\r\n"));
    Process p;
    HWND main = StartInstance(p);
    ASSERT_TRUE(main);
    EXPECT_EQ(ProbeMain(main, kActionCount), kActions - 8);
    ::PostMessageW(main, kRunAction, 0, kTool0);
    EXPECT_TRUE(WaitUntil([] { return std::fabs(sim::Show().at(0).scalar - LevelScalar(16384)) < 1e-6f; }));
    ::PostMessageW(main, kRunAction, 0, kTool0 + 1); // the "Action:" verb runs MuteOnAction
    EXPECT_TRUE(WaitUntil([] { return sim::Show().at(0).mute; }));
}

TEST_F(LorvaneE2E, ActionPositionsAreAskedByNameAsTheFileOrdersThem)
{
    ASSERT_TRUE(program->WriteSettings(L"[Volume]\r\nCount=4\r\n[Tool]\r\nCount=2\r\n"));
    ASSERT_TRUE(sim::SetVolume(0.5f));
    Process p;
    HWND main = StartInstance(p);
    ASSERT_TRUE(main);
    static const UINT probe = ::RegisterWindowMessageW(L"Lorvane.Probe");
    auto positionOf = [&](const wchar_t* name) {
        const ATOM atom = ::GlobalAddAtomW(name);
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(main, probe, kActionPosition, atom, SMTO_ABORTIFHUNG, 5000, &result);
        ::GlobalDeleteAtom(atom);
        return static_cast<LRESULT>(result);
    };
    // Four presets after VolumeMenuAction, two tools after ToolMenuAction.
    const struct {
        const wchar_t* name;
        LRESULT position;
    } cases[] = {{L"DeviceMenuAction", 0},    {L"Volume0Action", 3},    {L"Volume3Action", 6},
                 {L"VolumeUpAction", 7},      {L"VolumeDownAction", 8}, {L"Tool1Action", 24},
                 {L"EnableHotKeyAction", 25}, {L"CloseAction", 32},     {L"Volume4Action", -1},
                 {L"Tool2Action", -1},        {L"volumeupaction", -1},  {L"VolumeUp", -1}};
    for (const auto& c : cases)
        EXPECT_EQ(positionOf(c.name), c.position) << c.name;
    DWORD_PTR noAtom = 0;
    ::SendMessageTimeoutW(main, probe, kActionPosition, 0, SMTO_ABORTIFHUNG, 5000, &noAtom);
    EXPECT_EQ(static_cast<LRESULT>(noAtom), -1);

    // The position found is the one that runs: one step up from 50 %.
    ::PostMessageW(main, kRunAction, 0, positionOf(L"VolumeUpAction"));
    EXPECT_TRUE(WaitUntil([] { return sim::Show().at(0).scalar > 0.5f; }));
    EXPECT_FLOAT_EQ(At(0).scalar, LevelScalar(33423));
}

TEST_F(LorvaneE2E, ToolsThatNameThemselvesLeaveTheProgramRunning)
{
    ASSERT_TRUE(
        program->WriteSettings(L"[Tool]\r\nCount=3\r\nTool0=Action:Tool0Action\r\nTool1=Action:Tool2\r\n"
                               L"Tool2=Action:Tool1Action\r\n"));
    ASSERT_TRUE(sim::SetVolume(0.5f));
    Process p;
    HWND main = StartInstance(p);
    ASSERT_TRUE(main);
    ::PostMessageW(main, kRunAction, 0, kTool0);
    ::PostMessageW(main, kRunAction, 0, kTool0 + 1);
    ::PostMessageW(main, kRunAction, 0, kVolumeUp); // still answered after the tools
    EXPECT_TRUE(WaitUntil([] { return sim::Show().at(0).scalar > 0.5f; }));
    EXPECT_TRUE(p.Running());
    EXPECT_EQ(ProbeMain(main, kStarted), 1);
}

TEST_F(LorvaneE2E, ForeignVolumeChangeReachesTheRunningInstance)
{
    Process p;
    ASSERT_TRUE(p.Start(LorvanePath(), L""));
    HWND main = WaitForMainWindow(p.Id());
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitUntil([&] { return ProbeMain(main, kStarted) == 1; }));
    LRESULT before = ProbeMain(main, kVolumeChanges);
    ASSERT_TRUE(sim::SetVolume(0.3f));
    EXPECT_TRUE(WaitUntil([&] { return ProbeMain(main, kVolumeChanges) > before; }));
    before = ProbeMain(main, kVolumeChanges);
    ASSERT_TRUE(sim::SetDefault(1));
    EXPECT_TRUE(WaitUntil([&] { return ProbeMain(main, kVolumeChanges) > before; }));
}

TEST_F(LorvaneE2E, RestartActionStartsANewInstanceWithTheSavedSettings)
{
    ASSERT_TRUE(program->WriteSettings(L"[Volume]\r\nCount=4\r\n"));
    Process p;
    HWND main = StartInstance(p);
    ASSERT_TRUE(main);
    EXPECT_EQ(ProbeMain(main, kActionCount), kActions - 6);
    ::PostMessageW(main, kRunAction, 0, kRestart - 6);
    EXPECT_EQ(p.Wait(10000), 0);
    HWND next = nullptr;
    EXPECT_TRUE(WaitUntil([&] {
        auto w = MainWindows();
        next = w.size() == 1 && w[0] != main ? w[0] : nullptr;
        return next && ProbeMain(next, kStarted) == 1;
    }));
    ASSERT_TRUE(next);
    EXPECT_EQ(ProbeMain(next, kActionCount), kActions - 6);
}

} // namespace

namespace {

using namespace e2e;
namespace sim = endpointsim;

class SessionEnd : public InstanceTest {
protected:
    SessionEnd() : InstanceTest(L"session", std::nullopt) {}
    HWND Start(Process& p) { return StartInstance(p); }
};

TEST_F(SessionEnd, ResetAppliesTheStoredStateAndTheSessionMayEnd)
{
    // Reset on, ReVolume 32767, ReMute off, ReDevice empty: half volume, unmuted.
    ASSERT_TRUE(program->WriteSettings(L"[General]\r\nReset=1\r\nReVolume=32767\r\nReMute=0\r\n"));
    ASSERT_TRUE(sim::SetVolume(0.9f));
    ASSERT_TRUE(sim::SetMute(true));
    Process p;
    HWND main = Start(p);
    ASSERT_TRUE(main);
    DWORD_PTR answer = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(answer, TRUE); // closing is never refused
    EXPECT_TRUE(WaitUntil([] { return std::fabs(sim::Show().at(0).scalar - 32767 / 65535.0f) < 1e-6f; }));
    EXPECT_FALSE(sim::Show().at(0).mute);
    // The settings were saved by the query.
    EXPECT_NE(program->ReadSettings().find(L"Reset=1"), std::wstring::npos);
    ::PostMessageW(main, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(p.Wait(10000), 0);
}

TEST_F(SessionEnd, SuspendWithoutResetLeavesTheVolume)
{
    ASSERT_TRUE(sim::SetVolume(0.9f));
    Process p;
    HWND main = Start(p);
    ASSERT_TRUE(main);
    DWORD_PTR answer = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0, SMTO_ABORTIFHUNG, 10000, &answer));
    ::Sleep(300);
    EXPECT_FLOAT_EQ(sim::Show().at(0).scalar, 0.9f); // Reset is off by default
    ::SendMessageTimeoutW(main, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0, SMTO_ABORTIFHUNG, 10000, &answer);
    EXPECT_TRUE(p.Running());
}

TEST_F(SessionEnd, SuspendWithResetAppliesTheStoredState)
{
    ASSERT_TRUE(program->WriteSettings(L"[General]\r\nReset=1\r\nReVolume=32767\r\nReMute=0\r\n"));
    ASSERT_TRUE(sim::SetVolume(0.9f));
    ASSERT_TRUE(sim::SetMute(true));
    Process p;
    HWND main = Start(p);
    ASSERT_TRUE(main);
    DWORD_PTR answer = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0, SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_TRUE(WaitUntil([] { return std::fabs(sim::Show().at(0).scalar - 32767 / 65535.0f) < 1e-6f; }));
    EXPECT_FALSE(sim::Show().at(0).mute);
    ::SendMessageTimeoutW(main, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0, SMTO_ABORTIFHUNG, 10000, &answer);
    EXPECT_TRUE(p.Running());
}

TEST_F(SessionEnd, QueuedActionsRunOnTheRealTimer)
{
    ASSERT_TRUE(program->WriteSettings(L"[General]\r\nQueInterval=400\r\n"));
    ASSERT_TRUE(sim::SetVolume(0.5f));
    Process p;
    HWND main = Start(p);
    ASSERT_TRUE(main);
    const DWORD posted = ::GetTickCount();
    ::PostMessageW(main, WM_APP + 1002, 0, 13); // VolumeUpAction, queued
    ::PostMessageW(main, WM_APP + 1002, 0, 13);
    EXPECT_TRUE(WaitUntil([] { return sim::Show().at(0).scalar > 0.5f; }));
    EXPECT_GE(::GetTickCount() - posted, 300u); // not at once
    EXPECT_TRUE(WaitUntil([] { return std::fabs(sim::Show().at(0).scalar - 34078 / 65535.0f) < 1e-6f; }));
}

} // namespace
