// The action list and the routines that change level and mute on behalf of actions and verbs.
#include "Main.h"

#include <algorithm>
#include <climits>

namespace lorvane {

namespace {

struct BuiltInAction {
    const wchar_t* name;
    const wchar_t* caption;
    bool visible;
    int tag; // 100: the action changes level, mute or device
};

// List order is part of the program's interface: WM_RUN_ACTION and hotkeys name positions.
constexpr BuiltInAction kBuiltInActions[] = {
    {L"DeviceMenuAction", L"Default Device", true, 0},
    {L"DeviceChangeAction", L"Default Device Change", false, 100},
    {L"VolumeMenuAction", L"Volume", true, 0},
    {L"VolumeUpAction", L"Volume Up", false, 100},
    {L"VolumeDownAction", L"Volume Down", false, 100},
    {L"VolumeResetAction", L"Volume Reset", false, 100},
    {L"MuteChangeAction", L"Mute", true, 100},
    {L"MuteOffAction", L"Mute Off", false, 100},
    {L"MuteOnAction", L"Mute On", false, 100},
    {L"PopupBarAction", L"Volume Bar", false, 0},
    {L"PopupVolumeAction", L"Master Volume", false, 0},
    {L"RunControlAction", L"Volume Control", true, 0},
    {L"RunProperty0Action", L"Audio Properties", true, 0},
    {L"RunProperty1Action", L"Audio Properties (Audio)", false, 0},
    {L"RunProperty2Action", L"Audio Properties (Hardware)", false, 0},
    {L"RunProperty3Action", L"Audio Properties (Extended 1)", false, 0},
    {L"RunProperty4Action", L"Audio Properties (Extended 2)", false, 0},
    {L"RunOptionAction", L"Sound Settings", false, 0},
    {L"ToolMenuAction", L"Tool", true, 0},
    {L"EnableHotKeyAction", L"Enable Keyboard", true, 0},
    {L"EnableWheelAction", L"Enable Mouse Wheel", true, 0},
    {L"ShowOptionAction", L"Settings", true, 0},
    {L"ShowVersionAction", L"Version", false, 0},
    {L"ShowHelpAction", L"Help", false, 0},
    {L"MainMenuAction", L"Menu", false, 0},
    {L"RestartAction", L"Restart", false, 0},
    {L"CloseAction", L"Exit", true, 0},
};

} // namespace

void TMainForm::CreateActions()
{
    MainActionList = std::make_unique<fw::TActionList>(this, L"MainActionList");
    for (const BuiltInAction& b : kBuiltInActions) {
        fw::TAction* a = MainActionList->Add(b.name, b.caption);
        a->Visible = b.visible;
        a->Tag = b.tag;
    }
    auto on = [this](const wchar_t* name, auto handler) {
        MainActionList->Find(name)->OnExecute = [this, handler](fw::TObject* sender) { (this->*handler)(sender); };
    };
    on(L"RestartAction", &TMainForm::RestartActionExecute);
    on(L"CloseAction", &TMainForm::CloseActionExecute);
    MainActionList->Find(L"DeviceChangeAction")->OnExecute = [this](fw::TObject*) {
        MasterVolume->NextDevice();
        ScheduleFeedbackSound();
    };
    MainActionList->Find(L"MuteChangeAction")->OnExecute = [this](fw::TObject*) {
        SetMuteState(!MasterVolume->Mute(), true);
    };
    MainActionList->Find(L"MuteOffAction")->OnExecute = [this](fw::TObject*) { SetMuteState(false, true); };
    MainActionList->Find(L"MuteOnAction")->OnExecute = [this](fw::TObject*) { SetMuteState(true, true); };
    MainActionList->Find(L"VolumeResetAction")->OnExecute = [this](fw::TObject*) { ResetVolume(); };
}

void TMainForm::EnterBusy()
{
    ++busyCount;
}

void TMainForm::LeaveBusy()
{
    if (busyCount > 0)
        --busyCount;
}

void TMainForm::RunAction(fw::TAction* action)
{
    if (!action)
        return;
    EnterBusy();
    action->Execute();
    LeaveBusy();
}

void TMainForm::SetVolumeLevel(long long level, bool delayedSound)
{
    int target = static_cast<int>(std::clamp<long long>(level, MasterVolume->Min, MasterVolume->Max));
    MasterVolume->SetVolume(target);
    if (delayedSound)
        ScheduleFeedbackSound();
}

void TMainForm::SetMuteState(bool mute, bool delayedSound)
{
    MasterVolume->SetMute(mute);
    if (!delayedSound)
        return;
    if (mute)
        CancelFeedbackSound();
    else
        ScheduleFeedbackSound();
}

void TMainForm::ResetVolume()
{
    MasterVolume->SetVolumeMuteDevice(Settings.ReVolume, Settings.ReMute, Settings.ReDevice);
}

void TMainForm::ScheduleFeedbackSound()
{
    // The delayed feedback sound arrives with the sound settings.
}

void TMainForm::CancelFeedbackSound()
{
}

void TMainForm::MasterVolumeChange(fw::TObject*, TVolumeChange)
{
    ++volumeChanges;
}

} // namespace lorvane
