// The main window's actions against the endpoint simulator, with time on a virtual clock.
#include "ActionTable.h"
#include "MainFormTest.h"
#include "SimControl.h"
#include "SystemInfo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

namespace {

using namespace lorvane;
namespace sim = endpointsim;

float LevelScalar(int level)
{
    return static_cast<float>(level / 65535.0L);
}

class Actions : public MainFormTest {
  protected:
    Actions() : MainFormTest(L"actions-test") {}

    void Run(const wchar_t* name)
    {
        ASSERT_TRUE(form->RunActionByName(name)) << name;
        Settle();
    }

    int Level() { return form->MasterVolume->Volume(); }
};

TEST_F(Actions, StepsFromTheEndpointLevel)
{
    SetLevel(0);
    Run(L"VolumeUpAction");
    EXPECT_EQ(Level(), 655);
    clock->Advance(1000); // the burst ends; the sound plays
    SetLevel(33000);
    Run(L"VolumeUpAction");
    EXPECT_EQ(Level(), 33423);
    clock->Advance(1000);
    SetLevel(33000);
    Run(L"VolumeDownAction");
    EXPECT_EQ(Level(), 32112);
}

TEST_F(Actions, UpAtTheTopChangesNothingAndSoundsNothing)
{
    SetLevel(65535);
    Run(L"VolumeUpAction");
    clock->Advance(2000);
    EXPECT_EQ(Level(), 65535);
    EXPECT_TRUE(sounds.empty());
}

TEST_F(Actions, BurstAcceleratesAfterFiveStepsAndAPauseStartsAnew)
{
    SetLevel(0);
    std::vector<int> levels;
    for (int i = 0; i < 6; ++i) {
        Run(L"VolumeUpAction");
        levels.push_back(Level());
        clock->Advance(200); // within the 250 ms burst window
    }
    EXPECT_EQ(levels, (std::vector<int>{655, 1311, 1966, 2621, 3277, 6554}));
    clock->Advance(300); // burst over
    Run(L"VolumeUpAction");
    EXPECT_EQ(Level(), 7209); // a low step again
}

TEST_F(Actions, HotkeyStepsNeverAccelerate)
{
    SetLevel(0);
    form->InHotKey = true;
    for (int i = 0; i < 8; ++i)
        Run(L"VolumeUpAction"); // key repeat: no time passes at all
    form->InHotKey = false;
    EXPECT_EQ(Level(), 5243); // eight whole percents
    EXPECT_TRUE(form->Settings.AccelStep);
}

TEST_F(Actions, AutoMuteAtZeroIsSilentAndAutoUnmuteOnAnyChange)
{
    form->Settings.AutoMute = true;
    SetLevel(655);
    Run(L"VolumeDownAction");
    EXPECT_EQ(Level(), 0);
    EXPECT_TRUE(sim::Show()[0].mute);
    clock->Advance(2000);
    EXPECT_TRUE(sounds.empty()); // stepping to the bottom cancels the sound

    Run(L"VolumeUpAction"); // AutoUnmute is on by default
    EXPECT_FALSE(sim::Show()[0].mute);
    clock->Advance(600);
    EXPECT_EQ(sounds, (std::vector<std::wstring>{L"beep"}));
}

TEST_F(Actions, MuteOnCancelsAPendingSoundMuteOffSchedulesOne)
{
    SetLevel(30000);
    Run(L"VolumeUpAction");
    Run(L"MuteOnAction");
    clock->Advance(1000);
    EXPECT_TRUE(sounds.empty());
    EXPECT_TRUE(sim::Show()[0].mute);
    Run(L"MuteOffAction");
    clock->Advance(499);
    EXPECT_TRUE(sounds.empty());
    clock->Advance(1);
    EXPECT_EQ(sounds, (std::vector<std::wstring>{L"beep"}));
}

TEST_F(Actions, StepsAndTogglesInQuickSuccessionBuildOnEachOther)
{
    // Back to back, before any notification is handled: each starts where the last one went.
    SetLevel(13107); // 20 %
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(form->RunActionByName(L"VolumeUpAction"));
    Settle();
    EXPECT_EQ(Level(), 16384); // 25 %, not 21 %
    clock->Advance(1000);

    ASSERT_TRUE(form->RunActionByName(L"MuteChangeAction"));
    ASSERT_TRUE(form->RunActionByName(L"MuteChangeAction"));
    Settle();
    EXPECT_FALSE(sim::Show()[0].mute);

    // Muting and stepping at once: the step unmutes (AutoUnmute), though the read still says
    // unmuted.
    ASSERT_TRUE(form->RunActionByName(L"MuteOnAction"));
    ASSERT_TRUE(form->RunActionByName(L"VolumeDownAction"));
    Settle();
    EXPECT_FALSE(sim::Show()[0].mute);
    EXPECT_EQ(Level(), 15728); // 24 %

    // Relative verbs of tools too.
    form->Settings.Tools[0].Command = L"Volume:+10%";
    form->RebuildTools();
    ASSERT_TRUE(form->RunActionByName(L"Tool0Action"));
    ASSERT_TRUE(form->RunActionByName(L"Tool0Action"));
    Settle();
    EXPECT_EQ(Level(), 15728 + 2 * 6554);
}

TEST_F(Actions, QuickStepsGiveOneSoundAfterTheLastAndSoundFilesPlay)
{
    SetLevel(10000);
    for (int i = 0; i < 5; ++i) {
        Run(L"VolumeUpAction");
        clock->Advance(100);
    }
    clock->Advance(399);
    EXPECT_TRUE(sounds.empty());
    clock->Advance(1);
    EXPECT_EQ(sounds, (std::vector<std::wstring>{L"beep"}));

    sounds.clear();
    form->Settings.SoundFile = L"Sounds\\ding.wav";
    form->Settings.SoundDelay = 0; // at once
    form->ApplyTimerSettings();
    Run(L"VolumeDownAction");
    EXPECT_EQ(sounds, (std::vector<std::wstring>{L"play Sounds\\ding.wav"}));

    sounds.clear();
    form->SessionEnding = true; // no sound while Windows ends the session
    Run(L"VolumeDownAction");
    form->Settings.SoundEnabled = false;
    form->SessionEnding = false;
    Run(L"VolumeDownAction");
    EXPECT_TRUE(sounds.empty());
}

TEST_F(Actions, QueueSpacesActionsByTheInterval)
{
    form->Settings.QueInterval = 100;
    form->ApplyTimerSettings();
    SetLevel(0);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(form->RunActionByName(L"VolumeUpAction"));
    std::vector<int> levels;
    for (int t = 0; t < 4; ++t) {
        Settle();
        levels.push_back(Level());
        clock->Advance(100);
    }
    Settle();
    levels.push_back(Level());
    // Nothing at once; one step at 100, 200 and 300 ms.
    EXPECT_EQ(levels, (std::vector<int>{0, 655, 1311, 1966, 1966}));
    EXPECT_FALSE(clock->IsArmed(form->QueActionTimer.get()));
    EXPECT_FALSE(form->RunAction(nullptr));
}

// The list the window builds is the table, whole and in order, with the presets and tools
// inserted between its rows rather than over them.
TEST_F(Actions, BuiltInActionsFollowTheirTableInOrder)
{
    std::vector<fw::TAction*> builtIn;
    for (int i = 0; i < form->MainActionList->Count(); ++i)
        if (fw::TAction* a = form->MainActionList->Action(i); a->Category.empty())
            builtIn.push_back(a);
    ASSERT_EQ(builtIn.size(), std::size(kBuiltInActions));
    for (size_t i = 0; i < builtIn.size(); ++i) {
        const BuiltInAction& row = kBuiltInActions[i];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(builtIn[i]->Name(), row.name);
        EXPECT_EQ(builtIn[i]->Caption, row.caption);
        EXPECT_EQ(builtIn[i]->Visible, row.visible);
        EXPECT_EQ(builtIn[i]->Tag, row.tag);
    }
    // Positions that settings files and other programs name.
    EXPECT_EQ(form->MainActionList->Action(0)->Name(), L"DeviceMenuAction");
    EXPECT_EQ(builtIn[std::size(kBuiltInActions) - 4]->Name(), L"CloseAction");
    // Appended after it, so that every older position keeps its meaning.
    EXPECT_EQ(builtIn.back()->Name(), L"AppMuteChangeAction");
}

TEST_F(Actions, PresetsAreActionsAtTheirPlaceWithTheirCaptions)
{
    fw::TActionList& list = *form->MainActionList;
    ASSERT_EQ(list.Count(), 50);
    EXPECT_EQ(list.Action(3)->Name(), L"Volume0Action");
    EXPECT_EQ(list.Action(12)->Name(), L"Volume9Action");
    EXPECT_EQ(list.Action(13)->Name(), L"VolumeUpAction");
    EXPECT_EQ(list.Action(29)->Name(), L"Tool0Action");

    SetLevel(65535);
    Run(L"Volume0Action");
    EXPECT_EQ(Level(), 6554);
    form->RefreshActionStates();
    fw::TAction* first = list.Find(L"Volume0Action");
    EXPECT_EQ(first->Caption, L"&1: 10%");
    EXPECT_EQ(first->Hint, L"Volume1 (10%)");
    EXPECT_TRUE(first->Checked);
    EXPECT_FALSE(list.Find(L"Volume1Action")->Checked);
    EXPECT_EQ(list.Find(L"Volume9Action")->Caption, L"&0: 100%");
    EXPECT_EQ(list.Find(L"ShowOptionAction")->Hint, L"Settings");

    form->Settings.Presets.clear();
    form->RebuildPresets();
    EXPECT_EQ(list.Count(), 40);
    EXPECT_EQ(list.Find(L"Volume0Action"), nullptr);
    EXPECT_EQ(list.Action(3)->Name(), L"VolumeUpAction");
}

TEST_F(Actions, LanguageFileCaptionsTheActionsAndTheComposedTexts)
{
    std::wstring languages = fw::ExecutablePath();
    languages.erase(languages.find_last_of(L'\\'));
    languages.erase(languages.find_last_of(L'\\') + 1);
    languages += L"bin\\Languages\\";
    fw::TActionList& list = *form->MainActionList;
    SetLevel(6554);

    form->ApplyLanguage(languages + L"German.ini", false);
    EXPECT_EQ(list.Find(L"VolumeUpAction")->Caption, L"Lauter");
    EXPECT_EQ(list.Find(L"ShowOptionAction")->Hint, L"Einstellungen");
    EXPECT_EQ(list.Find(L"Volume0Action")->Caption, L"&1: 10%");
    EXPECT_EQ(list.Find(L"Volume0Action")->Hint, L"Lautstärke 1 (10%)");
    EXPECT_EQ(form->Texts.Text(txMsgVolume), L"Die Lautstärke wurde geändert");
    EXPECT_TRUE(form->MenuAutoHotkeys);

    // Scripts without Latin letters bring their own accelerators; hints drop them.
    form->ApplyLanguage(languages + L"Japanese.ini", false);
    EXPECT_EQ(list.Find(L"VolumeUpAction")->Caption, L"音量を上げる(&U)");
    EXPECT_EQ(list.Find(L"VolumeUpAction")->Hint, L"音量を上げる");
    EXPECT_EQ(list.Find(L"Volume0Action")->Hint, L"音量1 (10%)");
    EXPECT_FALSE(form->MenuAutoHotkeys);

    // A file that lacks a key keeps the text of the language before; the same file again is
    // not read again unless forced.
    form->ApplyLanguage(languages + L"..\\Icons\\missing.ini", false);
    EXPECT_EQ(list.Find(L"CloseAction")->Caption, L"終了(&X)");
    form->ApplyLanguage(languages + L"German.ini", false);
    list.Find(L"CloseAction")->Caption = L"changed";
    form->ApplyLanguage(languages + L"German.ini", false);
    EXPECT_EQ(list.Find(L"CloseAction")->Caption, L"changed");
    form->ApplyLanguage(languages + L"German.ini", true);
    EXPECT_EQ(list.Find(L"CloseAction")->Caption, L"Beenden");
}

TEST_F(Actions, ToolsRunVerbsAndCarryChecks)
{
    form->Settings.Tools[0].Command = L"Action:MuteChange";
    form->Settings.Tools[1].Command = L"Volume:25";
    form->Settings.Tools[1].Caption = L"Quiet";
    form->RebuildTools();
    fw::TActionList& list = *form->MainActionList;
    SetLevel(50000);

    Run(L"Tool0Action");
    EXPECT_TRUE(sim::Show()[0].mute);
    form->RefreshActionStates();
    EXPECT_TRUE(list.Find(L"MuteChangeAction")->Checked);
    EXPECT_TRUE(list.Find(L"Tool0Action")->Checked);
    EXPECT_TRUE(list.Find(L"Tool0Action")->Visible);
    EXPECT_FALSE(list.Find(L"Tool2Action")->Visible); // empty command: hidden
    EXPECT_EQ(list.Find(L"Tool0Action")->Hint, L"Tool1");
    EXPECT_EQ(list.Find(L"Tool1Action")->Hint, L"Tool2 (Quiet)");
    EXPECT_EQ(list.Find(L"Tool1Action")->Caption, L"Quiet");

    Run(L"Tool1Action");
    EXPECT_EQ(Level(), 16384);
    EXPECT_FALSE(sim::Show()[0].mute); // a level change unmutes
    form->RefreshActionStates();
    EXPECT_TRUE(list.Find(L"Tool1Action")->Checked);
    EXPECT_FALSE(list.Find(L"Tool0Action")->Checked);
}

TEST_F(Actions, ToolsInTheProgramsLanguageAreNeverStartedAsPrograms)
{
    std::vector<std::wstring> started;
    form->StartProgram = [&](const std::wstring& line) {
        started.push_back(line);
        return true;
    };
    for (const wchar_t* command : {L"Action:NoSuchAction", L"Volume:abc", L"Mute:maybe", L"Device:", L"notepad.exe"})
        form->RunToolCommand(command);
    EXPECT_EQ(started, std::vector<std::wstring>{L"notepad.exe"});
}

TEST_F(Actions, ToolsThatRunThemselvesRunOnceAndReturn)
{
    // Itself, a ring of three, and a chain that ends in a real verb.
    const wchar_t* commands[] = {L"Action:Tool0Action", L"Action:Tool2", L"Action:Tool3Action",
                                 L"Action:Tool1",       L"Action:Tool5", L"Volume:25"};
    for (size_t i = 0; i < std::size(commands); ++i)
        form->Settings.Tools[i].Command = commands[i];
    form->RebuildTools();
    SetLevel(50000);
    for (const wchar_t* tool : {L"Tool0Action", L"Tool1Action", L"Tool2Action"})
        Run(tool); // before: the stack overflowed
    EXPECT_EQ(Level(), 50000);
    Run(L"Tool4Action"); // a tool through another one still works
    EXPECT_EQ(Level(), 16384);

    // Queued, a self-naming tool used to queue itself again at every tick.
    form->Settings.QueInterval = 100;
    form->ApplyTimerSettings();
    SetLevel(50000);
    ASSERT_TRUE(form->RunActionByName(L"Tool1Action"));
    for (int tick = 0; tick < 10 && clock->IsArmed(form->QueActionTimer.get()); ++tick)
        clock->Advance(100);
    EXPECT_FALSE(clock->IsArmed(form->QueActionTimer.get()));
    ASSERT_TRUE(form->RunActionByName(L"Tool4Action"));
    for (int tick = 0; tick < 3; ++tick) {
        clock->Advance(100);
        Settle();
    }
    EXPECT_EQ(Level(), 16384); // the guard is gone once the tools have run
    EXPECT_FALSE(clock->IsArmed(form->QueActionTimer.get()));
}

TEST_F(Actions, BusyBracketSwitchesTheCapturesOffAndBack)
{
    bool keyboard = true;
    int wheelUpdates = 0;
    std::vector<int> busyAtUpdate;
    form->KeyboardCaptureEnabled = [&] { return keyboard; };
    form->SetKeyboardCaptureEnabled = [&](bool on) { keyboard = on; };
    form->UpdateWheelCapture = [&] {
        ++wheelUpdates;
        busyAtUpdate.push_back(form->BusyCount());
    };
    form->MainActionList->Find(L"MuteOnAction")->OnExecute = [&](fw::TObject*) {
        form->EnterBusy();
        EXPECT_FALSE(keyboard);
        form->LeaveBusy();
    };
    form->EnterBusy();
    EXPECT_FALSE(keyboard);
    Run(L"MuteOnAction");
    form->LeaveBusy();
    EXPECT_TRUE(keyboard);
    EXPECT_EQ(busyAtUpdate.front(), 1);
    EXPECT_EQ(busyAtUpdate.back(), 0); // the last update sees the bracket closed
    form->LeaveBusy();                 // never below zero
    EXPECT_EQ(form->BusyCount(), 0);
}

SHORT WINAPI LeftWinDown(int vk)
{
    return vk == VK_LWIN ? SHORT(0x8000) : SHORT(0);
}

TEST_F(Actions, HookCallbacksOnlyDecideAndTheirActionRunsAfterThem)
{
    SetLevel(32768);
    form->SetWheelAreasKeys(waTrayIcon, wkCtrl);
    ASSERT_TRUE(form->WheelCaptureEnabled());
    const POINT p{5, 5};
    bool handled = false;
    form->SysMouseEventsMouseWheel(fw::ssCtrl, WHEEL_DELTA, p, handled);
    EXPECT_TRUE(handled) << "a bound turn is swallowed";
    EXPECT_FLOAT_EQ(sim::Show()[0].scalar, LevelScalar(32768)) << "the step ran inside the hook callback";
    Settle();
    EXPECT_EQ(Level(), 33423);

    auto passes = [&](fw::TShiftState shift, int delta) {
        bool h = false;
        form->SysMouseEventsMouseWheel(shift, delta, p, h);
        return !h;
    };
    EXPECT_TRUE(passes(fw::ssCtrl | fw::ssShift, WHEEL_DELTA)) << "keys that do not match";
    form->Settings.Mouse.WheelDown = L"NoSuchAction";
    form->SetWheelAreasKeys(waTrayIcon, wkCtrl, true); // the input thread reads what was applied
    EXPECT_TRUE(passes(fw::ssCtrl, -WHEEL_DELTA)) << "an unknown binding binds nothing";
    form->EnterBusy();
    EXPECT_TRUE(passes(fw::ssCtrl, WHEEL_DELTA)) << "the capture is off while busy";
    form->LeaveBusy();
    Settle();
    EXPECT_EQ(Level(), 33423);
    // A turn taken just before a modal loop began is not lost in it: it runs after the loop.
    EXPECT_FALSE(passes(fw::ssCtrl, WHEEL_DELTA));
    form->EnterBusy();
    Settle();
    EXPECT_EQ(Level(), 33423) << "the step ran inside the modal loop";
    form->LeaveBusy();
    Settle();
    EXPECT_GT(Level(), 33423) << "the taken turn was dropped";

    // The middle button: swallowed on the press, its action posted on the release.
    bool down = false, up = false;
    form->SysMouseEventsMouseDown(fw::TMouseButton::mbMiddle, fw::ssCtrl | fw::ssMiddle, p, down);
    form->SysMouseEventsMouseUp(fw::TMouseButton::mbMiddle, fw::ssCtrl, p, up);
    EXPECT_TRUE(down && up);
    EXPECT_FALSE(sim::Show()[0].mute);
    Settle();
    EXPECT_TRUE(form->MasterVolume->Mute());

    // Win + wheel waits for the Windows key's release, then lets go of the keyboard.
    TSysMouseEvents::KeyState = LeftWinDown;
    form->SetWheelAreasKeys(waTrayIcon, wkWin);
    handled = false;
    form->SysMouseEventsMouseWheel(0, WHEEL_DELTA, p, handled);
    TSysMouseEvents::KeyState = ::GetAsyncKeyState;
    EXPECT_TRUE(handled);
    EXPECT_TRUE(form->KeyBoardEvents->Enabled());
    form->KeyBoardEventsKeyUp('A', 0);
    EXPECT_TRUE(form->KeyBoardEvents->Enabled());
    form->KeyBoardEventsKeyUp(VK_LWIN, fw::ssShift);
    EXPECT_FALSE(form->KeyBoardEvents->Enabled());
    Settle();
}

TEST_F(Actions, HotKeysNameListPositionsAndSuspensionsNest)
{
    fw::TAction* muteOn = form->MainActionList->Find(L"MuteOnAction");
    const int position = form->MainActionList->IndexOf(muteOn);
    bool flagInside = false;
    muteOn->OnExecute = [&](fw::TObject*) { flagInside = form->InHotKey; };
    form->HotKeyManagerHotKey(position);
    EXPECT_TRUE(flagInside);
    EXPECT_FALSE(form->InHotKey);
    form->HotKeyManagerHotKey(-1); // outside the list: nothing
    form->HotKeyManagerHotKey(form->MainActionList->Count());

    muteOn->ShortCut = 0xC07B;
    form->ApplyHotKeys();
    ASSERT_TRUE(form->HotKeyManager->Enabled());
    EXPECT_EQ(form->HotKeyManager->Count(), form->MainActionList->Count());
    EXPECT_EQ(form->HotKeyManager->HotKey(position), 0xC07B);
    form->SuspendHotKeys();
    form->SuspendHotKeys();
    form->ResumeHotKeys();
    EXPECT_FALSE(form->HotKeyManager->Enabled()) << "one suspension is still open";
    form->ResumeHotKeys();
    EXPECT_TRUE(form->HotKeyManager->Enabled());
    form->ResumeHotKeys(); // never below zero: one suspension suspends again
    form->SuspendHotKeys();
    EXPECT_FALSE(form->HotKeyManager->Enabled());
    form->ResumeHotKeys();
    form->Settings.HotKeyEnabled = false;
    form->ApplyHotKeys();
    EXPECT_FALSE(form->HotKeyManager->Enabled());
}

// A short tone as a wave file, written where the test can play it.
std::wstring WriteTone(const wchar_t* name)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring path = std::wstring(temp) + name;
    const uint32_t rate = 8000, samples = 800;
    std::vector<uint8_t> data(samples);
    for (uint32_t i = 0; i < samples; ++i)
        data[i] = static_cast<uint8_t>(128 + 60 * std::sin(i * 2 * 3.14159265 * 880 / rate));
    auto u32 = [](std::string& s, uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](std::string& s, uint16_t v) { s.append(reinterpret_cast<const char*>(&v), 2); };
    std::string wav = "RIFF";
    u32(wav, 36 + samples);
    wav += "WAVEfmt ";
    u32(wav, 16);
    u16(wav, 1); // PCM
    u16(wav, 1);
    u32(wav, rate);
    u32(wav, rate);
    u16(wav, 1);
    u16(wav, 8);
    wav += "data";
    u32(wav, samples);
    wav.append(data.begin(), data.end());
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(h, wav.data(), static_cast<DWORD>(wav.size()), &written, nullptr);
    ::CloseHandle(h);
    return path;
}

TEST(FeedbackSound, SystemPlayerPlaysFilesAndBeeps)
{
    TFeedbackSoundPlayer player = TFeedbackSoundPlayer::System();
    const std::wstring tone = WriteTone(L"lorvane-tone.wav");
    EXPECT_TRUE(player.PlayFile(tone));
    EXPECT_TRUE(player.StopFile());
    EXPECT_TRUE(player.Beep());
    ::DeleteFileW(tone.c_str());
}

} // namespace
