// The action list and everything the actions do: volume steps, mute rules, presets, tools,
// the feedback sound, the action queue and the busy bracket.
#include "Main.h"

#include "ActionTable.h"
#include "CommandLine.h"
#include "Format.h"
#include "IntText.h"
#include "Level.h"
#include "TextList.h"
#include "ToolCheck.h"
#include "VolumeStep.h"

#include <mmsystem.h>

#include <algorithm>
#include <climits>

namespace lorvane {

namespace {

constexpr UINT kAccelStepDesignInterval = 250;
constexpr UINT kSoundDesignInterval = 500;

// A translated text that does not fit its arguments falls back to the built-in one.
std::wstring FormatOr(const std::wstring& format, const wchar_t* fallback,
                      const std::vector<fw::FormatArg>& args)
{
    if (auto text = fw::Format(format, args))
        return *text;
    return fw::Format(fallback, args).value_or(std::wstring());
}

int ClampToInt(long long v)
{
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

// The index in "Volume12Action" / "Tool3Action".
int IndexOfName(const std::wstring& name, const std::wstring& prefix)
{
    return std::stoi(name.substr(prefix.size()));
}

} // namespace

std::vector<std::wstring> FixedActionNames()
{
    std::vector<std::wstring> names;
    for (const BuiltInAction& b : kBuiltInActions)
        names.push_back(b.name);
    return names;
}

TFeedbackSoundPlayer TFeedbackSoundPlayer::System()
{
    TFeedbackSoundPlayer p;
    p.PlayFile = [](const std::wstring& file) { return ::sndPlaySoundW(file.c_str(), SND_ASYNC) != FALSE; };
    p.StopFile = [] { return ::sndPlaySoundW(nullptr, 0) != FALSE; };
    p.Beep = [] { return ::MessageBeep(0) != FALSE; };
    return p;
}

void TMainForm::CreateActions()
{
    MainActionList = std::make_unique<fw::TActionList>(this, L"MainActionList");
    for (const BuiltInAction& b : kBuiltInActions) {
        fw::TAction* a = MainActionList->Add(b.name, b.caption);
        a->Visible = b.visible;
        a->Tag = b.tag;
    }
    auto on = [this](const wchar_t* name, std::function<void(fw::TObject*)> handler) {
        MainActionList->Find(name)->OnExecute = std::move(handler);
    };
    auto member = [this](void (TMainForm::*handler)(fw::TObject*)) {
        return [this, handler](fw::TObject* sender) { (this->*handler)(sender); };
    };
    on(L"RestartAction", member(&TMainForm::RestartActionExecute));
    on(L"CloseAction", member(&TMainForm::CloseActionExecute));
    on(L"VolumeUpAction", member(&TMainForm::VolumeUpDownActionExecute));
    on(L"VolumeDownAction", member(&TMainForm::VolumeUpDownActionExecute));
    for (int page = 0; page <= 4; ++page)
        on((L"RunProperty" + fw::IntToStr(page) + L"Action").c_str(),
           member(&TMainForm::ShowPropertyActionExecute));
    on(L"DeviceChangeAction", [this](fw::TObject*) {
        EnterBusy();
        NoteOwnChange();
        MasterVolume->NextDevice();
        ScheduleFeedbackSound();
        LeaveBusy();
    });
    on(L"MuteChangeAction", [this](fw::TObject*) {
        EnterBusy();
        SetMuteState(!MasterVolume->IntendedMute(), false, true);
        LeaveBusy();
    });
    on(L"MuteOffAction", [this](fw::TObject*) {
        EnterBusy();
        SetMuteState(false, false, true);
        LeaveBusy();
    });
    on(L"MuteOnAction", [this](fw::TObject*) {
        EnterBusy();
        SetMuteState(true, false, true);
        LeaveBusy();
    });
    on(L"VolumeResetAction", [this](fw::TObject*) {
        EnterBusy();
        ResetVolume(false, true);
        LeaveBusy();
    });
    on(L"RunControlAction", [this](fw::TObject*) {
        EnterBusy();
        MasterVolume->RunVolumeControl(true, false, false);
        LeaveBusy();
    });
    on(L"PopupVolumeAction", [this](fw::TObject*) {
        EnterBusy();
        // Without the system's flyout (mixer backend) the program's own bar stands in.
        if (!MasterVolume->ShowVolumeFlyout())
            MainActionList->Find(L"PopupBarAction")->Execute();
        LeaveBusy();
    });
    on(L"RunOptionAction", [this](fw::TObject*) {
        EnterBusy();
        if (!MasterVolume->RunSettingsPage(L"sound"))
            MasterVolume->RunAudioProperties(-1);
        LeaveBusy();
    });
    on(L"EnableWheelAction", [this](fw::TObject*) {
        EnterBusy();
        Settings.WheelEnabled = !Settings.WheelEnabled;
        LeaveBusy(); // re-evaluates the wheel capture
    });
    on(L"ShowOptionAction", [this](fw::TObject*) {
        EnterBusy();
        ShowOptionForm(L"");
        LeaveBusy();
    });
    on(L"ShowVersionAction", [this](fw::TObject*) {
        EnterBusy();
        ShowOptionForm(L"AboutSheet");
        LeaveBusy();
    });
    on(L"EnableHotKeyAction", [this](fw::TObject*) {
        EnterBusy();
        Settings.HotKeyEnabled = !Settings.HotKeyEnabled;
        ApplyHotKeys();
        LeaveBusy();
    });
    CreateApplicationActions();
    CreateActionTimers();
}

void TMainForm::CreateActionTimers()
{
    AccelStepTimer = std::make_unique<fw::TTimer>(this, L"AccelStepTimer", kAccelStepDesignInterval, false);
    AccelStepTimer->OnTimer = [this](fw::TObject*) {
        AccelStepTimer->SetEnabled(false);
        burstCount = 0;
    };
    SoundTimer = std::make_unique<fw::TTimer>(this, L"SoundTimer", kSoundDesignInterval, false);
    SoundTimer->OnTimer = [this](fw::TObject*) { PlayFeedbackSound(); };
    QueActionTimer = std::make_unique<fw::TTimer>(this, L"QueActionTimer", 0, false);
    QueActionTimer->OnTimer = [this](fw::TObject*) { QueActionTimerTimer(); };
}

void TMainForm::ApplyTimerSettings()
{
    AccelStepTimer->SetInterval(Settings.AccelStepTime);
    SoundTimer->SetInterval(Settings.SoundDelay);
    QueActionTimer->SetInterval(Settings.QueInterval);
}

void TMainForm::EnterBusy()
{
    if (++busyCount == 1) {
        keyboardCaptureBeforeBusy = KeyboardCaptureEnabled && KeyboardCaptureEnabled();
        if (SetKeyboardCaptureEnabled)
            SetKeyboardCaptureEnabled(false);
    }
    if (UpdateWheelCapture)
        UpdateWheelCapture();
}

void TMainForm::LeaveBusy()
{
    if (busyCount == 0)
        return;
    if (--busyCount == 0) {
        if (UpdateWheelCapture)
            UpdateWheelCapture();
        if (SetKeyboardCaptureEnabled)
            SetKeyboardCaptureEnabled(keyboardCaptureBeforeBusy);
    }
}

bool TMainForm::RunAction(fw::TAction* action)
{
    if (!action)
        return false;
    if (Settings.QueInterval == 0) {
        action->Execute();
        return true;
    }
    actionQueue.push_back({action->Name(), runningTools});
    // A timer that already runs keeps its rhythm; an idle one starts a full interval now.
    if (!QueActionTimer->Enabled()) {
        QueActionTimer->SetInterval(Settings.QueInterval);
        QueActionTimer->SetEnabled(true);
    }
    return true;
}

bool TMainForm::RunActionByName(const std::wstring& name)
{
    fw::TAction* action = MainActionList->Find(name);
    return action && RunAction(action);
}

bool TMainForm::RunActionAt(int position)
{
    fw::TAction* action = MainActionList->Action(position);
    return action && RunAction(action);
}

void TMainForm::QueActionTimerTimer()
{
    if (actionQueue.empty()) {
        QueActionTimer->SetEnabled(false);
        return;
    }
    TQueuedAction queued = std::move(actionQueue.front());
    actionQueue.pop_front();
    if (actionQueue.empty())
        QueActionTimer->SetEnabled(false);
    if (fw::TAction* action = MainActionList->Find(queued.Name)) {
        std::swap(runningTools, queued.Tools);
        action->Execute();
        std::swap(runningTools, queued.Tools);
    }
}

void TMainForm::VolumeUpDownActionExecute(fw::TObject* sender)
{
    EnterBusy();
    const int direction = sender == MainActionList->Find(L"VolumeDownAction") ? -1 : +1;
    if (InHotKey) {
        // Hotkey steps, key repeat included, always use the low step and never count.
        const bool accel = Settings.AccelStep;
        Settings.AccelStep = false;
        StepVolume(direction, SoundMode::Delayed, false);
        Settings.AccelStep = accel;
    } else {
        StepVolume(direction, SoundMode::Delayed, false);
    }
    LeaveBusy();
}

StepRules TMainForm::BeginStep()
{
    if (Settings.AccelStep)
        AccelStepTimer->Postpone(Settings.AccelStepTime); // the burst ends AccelStepTime after this step
    StepRules rules;
    rules.min = MasterVolume->Min;
    rules.max = MasterVolume->Max;
    rules.lowStep = Settings.LowStep;
    rules.highStep = Settings.HighStep;
    rules.accelStep = Settings.AccelStep;
    rules.accelStepCount = Settings.AccelStepCount;
    rules.roundStep = Settings.RoundStep;
    return rules;
}

void TMainForm::StepVolume(int direction, SoundMode mode, bool skipRules)
{
    if (std::optional<int> level = ComputeStep(BeginStep(), MasterVolume->IntendedVolume(), direction, burstCount))
        SetVolumeLevel(*level, mode, skipRules);
}

void TMainForm::SetVolumeLevel(long long level, SoundMode mode, bool skipRules)
{
    NoteOwnChange();
    MasterVolume->SetVolume(ClampToInt(level));
    if (!skipRules) {
        if (Settings.AutoMute && level <= 0)
            MasterVolume->SetMute(true);
        else if (Settings.AutoUnmute && MasterVolume->IntendedMute())
            MasterVolume->SetMute(false);
    }
    ShowLevelDisplay(true);
    if (mode == SoundMode::None)
        return;
    if (level <= MasterVolume->Min)
        CancelFeedbackSound();
    else if (mode == SoundMode::Delayed)
        ScheduleFeedbackSound();
    else
        PlayFeedbackSound();
}

void TMainForm::SetMuteState(bool on, bool silent, bool delayed)
{
    NoteOwnChange();
    MasterVolume->SetMute(on);
    ShowLevelDisplay(true);
    if (silent)
        return;
    if (on)
        CancelFeedbackSound();
    else if (delayed)
        ScheduleFeedbackSound();
    else
        PlayFeedbackSound();
}

bool TMainForm::ResetVolume(bool silent, bool delayed)
{
    NoteOwnChange();
    if (!MasterVolume->SetVolumeMuteDevice(Settings.ReVolume, Settings.ReMute, Settings.ReDevice))
        return false;
    ShowLevelDisplay(true);
    if (!silent) {
        if (Settings.ReMute || Settings.ReVolume <= MasterVolume->Min)
            CancelFeedbackSound();
        else if (delayed)
            ScheduleFeedbackSound();
        else
            PlayFeedbackSound();
    }
    return true;
}

bool TMainForm::RunToolCommand(const std::wstring& command)
{
    if (ExecuteVerb(command, false))
        return true;
    // A command in the program's own language that it cannot handle ("Action:NoSuchAction",
    // "Volume:abc") is no program to start.
    for (const wchar_t* verb : {L"Device:", L"Mute:", L"Volume:", L"Sound:", L"Action:", L"AppVolume:", L"AppMute:"}) {
        if (MatchVerb(command, verb))
            return false;
    }
    return StartProgram ? StartProgram(command) : RunCommandLine(command);
}

void TMainForm::ScheduleFeedbackSound()
{
    if (Settings.SoundDelay == 0) {
        PlayFeedbackSound();
        return;
    }
    // A run of changes gives one sound SoundDelay after the last of them.
    SoundTimer->Postpone(Settings.SoundDelay);
}

void TMainForm::CancelFeedbackSound()
{
    if (!SoundTimer->Enabled())
        return;
    SoundTimer->SetEnabled(false);
    if (!Settings.SoundFile.empty() && SoundPlayer.StopFile)
        SoundPlayer.StopFile();
}

void TMainForm::PlayFeedbackSound()
{
    CancelFeedbackSound();
    if (!Settings.SoundEnabled || SessionEnding)
        return;
    if (!Settings.SoundFile.empty()) {
        // A relative sound file name means one beside the program.
        if (!folders.ProgramDir.empty())
            ::SetCurrentDirectoryW(folders.ProgramDir.c_str());
        if (SoundPlayer.PlayFile)
            SoundPlayer.PlayFile(Settings.SoundFile);
    } else if (SoundPlayer.Beep) {
        SoundPlayer.Beep();
    }
}

void TMainForm::ShowPropertyActionExecute(fw::TObject* sender)
{
    EnterBusy();
    for (int page = 0; page <= 4; ++page) {
        if (sender == MainActionList->Find(L"RunProperty" + fw::IntToStr(page) + L"Action"))
            MasterVolume->RunAudioProperties(page);
    }
    LeaveBusy();
}

void TMainForm::RemoveActionsOfCategory(const std::wstring& category)
{
    for (int i = MainActionList->Count() - 1; i >= 0; --i) {
        fw::TAction* a = MainActionList->Action(i);
        if (a->Category == category)
            MainActionList->Remove(a);
    }
}

void TMainForm::RebuildPresets()
{
    RemoveActionsOfCategory(L"Volume");
    int at = MainActionList->IndexOf(MainActionList->Find(L"VolumeMenuAction")) + 1;
    for (int i = 0; i < static_cast<int>(Settings.Presets.size()); ++i) {
        fw::TAction* a = MainActionList->Insert(at + i, L"Volume" + fw::IntToStr(i) + L"Action", {});
        a->Category = L"Volume";
        a->Tag = i;
        a->GroupIndex = 1; // the radio group of the preset menu
        a->OnExecute = [this](fw::TObject* sender) {
            auto* action = static_cast<fw::TAction*>(sender);
            size_t index = static_cast<size_t>(IndexOfName(action->Name(), L"Volume"));
            if (index >= Settings.Presets.size())
                return;
            EnterBusy();
            SetVolumeLevel(Settings.Presets[index].Level, SoundMode::Delayed, false);
            LeaveBusy();
        };
    }
    RebuildPresetMenuItems();
}

void TMainForm::RebuildTools()
{
    RemoveActionsOfCategory(L"Tool");
    int at = MainActionList->IndexOf(MainActionList->Find(L"ToolMenuAction")) + 1;
    for (int i = 0; i < static_cast<int>(Settings.Tools.size()); ++i) {
        fw::TAction* a = MainActionList->Insert(at + i, L"Tool" + fw::IntToStr(i) + L"Action", {});
        a->Category = L"Tool";
        a->Tag = i;
        a->Visible = !Settings.Tools[static_cast<size_t>(i)].Command.empty();
        a->OnExecute = [this](fw::TObject* sender) {
            auto* action = static_cast<fw::TAction*>(sender);
            size_t index = static_cast<size_t>(IndexOfName(action->Name(), L"Tool"));
            if (index >= Settings.Tools.size())
                return;
            // A tool that names itself, directly or through other tools, would recurse until
            // the stack overflows (or, queued, run forever).
            if (std::find(runningTools.begin(), runningTools.end(), action->Name()) != runningTools.end())
                return;
            runningTools.push_back(action->Name());
            const std::wstring command = Settings.Tools[index].Command; // a tool may rebuild the list
            EnterBusy();
            RunToolCommand(command);
            LeaveBusy();
            runningTools.pop_back();
        };
    }
    RebuildToolMenuItems();
}

void TMainForm::RefreshActionStates()
{
    TMasterVolume& mv = *MasterVolume;
    const bool muted = mv.Mute();
    const int level = mv.Volume();
    auto pct = [&mv](long long l) { return Scale(l, mv.Min, mv.Max, 0, 100); };
    auto find = [this](const wchar_t* name) { return MainActionList->Find(name); };
    find(L"EnableHotKeyAction")->Checked = Settings.HotKeyEnabled;
    find(L"EnableWheelAction")->Checked = Settings.WheelEnabled;
    find(L"MuteChangeAction")->Checked = muted;
    find(L"MuteOnAction")->Checked = muted;
    find(L"MuteOffAction")->Checked = !muted;
    find(L"ShowHelpAction")->Enabled = !HelpFile.empty();
    // The composed captions: the language's text, the built-in one when it does not fit.
    auto text = [this](int index) -> const std::wstring& { return Texts.Text(index); };
    auto builtIn = [](int index) { return kDefaultTexts[index].text; };

    ToolCheckState state;
    state.levelPercent = pct(level);
    state.muted = muted;
    state.defaultDeviceId = mv.DefaultDeviceId();
    state.defaultDeviceName = mv.DefaultDeviceName();
    state.percentOfLevel = [&](long long l) { return pct(l); };
    state.levelOfPercent = [&](long double p) { return PercentToLevel(p, mv.Min, mv.Max); };
    state.decimalSeparator = LocaleDecimalSeparator();
    state.actionChecked = [this](const std::wstring& name) {
        fw::TAction* a = MainActionList->Find(name);
        if (!a)
            a = MainActionList->Find(name + L"Action");
        return a && a->Checked;
    };

    for (int i = 0; i < MainActionList->Count(); ++i) {
        fw::TAction* a = MainActionList->Action(i);
        a->Hint = StripAccelerators(a->Caption);
        if (a->Category == L"Volume") {
            size_t index = static_cast<size_t>(a->Tag);
            if (index >= Settings.Presets.size())
                continue;
            long long presetPct = pct(Settings.Presets[index].Level);
            a->Checked = presetPct == state.levelPercent;
            a->Caption = FormatOr(text(txActVolCaption), builtIn(txActVolCaption),
                                  {AcceleratorPrefix(a->Tag), static_cast<long long>(presetPct)});
            a->Hint = FormatOr(text(txActVolHint), builtIn(txActVolHint),
                               {a->Tag + 1, static_cast<long long>(presetPct)});
        } else if (a->Category == L"Tool") {
            size_t index = static_cast<size_t>(a->Tag);
            if (index >= Settings.Tools.size())
                continue;
            const TTool& tool = Settings.Tools[index];
            std::wstring plain = FormatOr(text(txActToolCaption), builtIn(txActToolCaption), {a->Tag + 1});
            a->Hint = (!tool.Caption.empty() && tool.Caption != plain)
                          ? FormatOr(text(txActToolHint), builtIn(txActToolHint), {a->Tag + 1, tool.Caption})
                          : plain;
            // An unnamed tool speaks the current language; one named after its device shows
            // that name as the device menu does, "&" and all.
            if (tool.Caption.empty())
                a->Caption = plain;
            else if (ToolDeviceName(tool.Command) == tool.Caption)
                a->Caption = EscapeAccelerators(tool.Caption);
            else
                a->Caption = tool.Caption;
            a->Visible = !tool.Command.empty();
            a->Checked = ToolCommandChecked(tool.Command, state);
        }
    }
}

std::wstring TMainForm::ToolDeviceName(const std::wstring& command) const
{
    constexpr std::wstring_view verb = L"Device:";
    if (command.size() <= verb.size() || ::CompareStringOrdinal(command.c_str(), static_cast<int>(verb.size()),
                                                                verb.data(), static_cast<int>(verb.size()),
                                                                TRUE) != CSTR_EQUAL)
        return {};
    const std::wstring id = command.substr(verb.size());
    for (int i = 0; i < MasterVolume->DeviceCount(); ++i) {
        if (MasterVolume->DeviceId(i) == id)
            return MasterVolume->DeviceName(i);
    }
    return {};
}

void TMainForm::MasterVolumeChange(fw::TObject*, TVolumeChange change)
{
    ++volumeChanges;
    if (change == TVolumeChange::vcDevice && AudioSessions)
        AudioSessions->DefaultDeviceChanged();
    // Every change, own or foreign, reaches the icon only through here.
    UpdateTrayIcon(Settings.BalloonHint && !SessionEnding, Settings.BalloonTime, Settings.BalloonDelay);
    // An own level change showed when it was asked for; a notification then would only
    // bring an older level back for a moment.
    const bool own = OwnChangeRecent();
    if (!own || change == TVolumeChange::vcDevice || !Display || !Display->Visible())
        ShowLevelDisplay(own);
    if (PopupBarVisible && PopupBarVisible() && RefreshPopupBar)
        RefreshPopupBar();
}

} // namespace lorvane
