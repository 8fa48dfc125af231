// Per-application volume: the actions on the focused application, the application verbs,
// the resolution of a process to its application's sessions, and the names and icons the
// bar and the on-screen display show for them.
#include "Main.h"

#include "AppResolve.h"
#include "CommandLine.h"
#include "IntText.h"
#include "Level.h"
#include "SessionRules.h"
#include "TextList.h"
#include "VolumeStep.h"

#include <algorithm>
#include <climits>
#include <cwctype>

namespace lorvane {

namespace {

constexpr int kAppIconSize = 32;

bool SameText(const std::wstring& a, const std::wstring& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towlower(x) == std::towlower(y);
           });
}

} // namespace

sessions::TAudioSessions& TMainForm::Sessions()
{
    if (!AudioSessions) {
        AudioSessions = std::make_unique<sessions::TAudioSessions>(this);
        AudioSessions->OnChange = [this](fw::TObject*, const std::wstring& key) { AudioSessionsChange(key); };
    }
    return *AudioSessions;
}

void TMainForm::CreateApplicationActions()
{
    auto on = [this](const wchar_t* name, std::function<void(fw::TObject*)> handler) {
        MainActionList->Find(name)->OnExecute = std::move(handler);
    };
    on(L"AppVolumeUpAction", [this](fw::TObject*) { ApplicationActionExecute(+1); });
    on(L"AppVolumeDownAction", [this](fw::TObject*) { ApplicationActionExecute(-1); });
    on(L"AppMuteChangeAction", [this](fw::TObject*) { ApplicationActionExecute(0); });
}

void TMainForm::ApplicationActionExecute(int direction)
{
    EnterBusy();
    const std::vector<sessions::TAppSession> app = ApplicationSessions(sessions::FocusedApplicationProcess());
    bool done = false;
    if (!app.empty() && direction == 0) {
        done = SetApplicationMute(app, !app.front().Mute, true);
    } else if (!app.empty() && InHotKey) {
        // Hotkey steps, key repeat included, use the low step, as the master's do.
        const bool accel = Settings.AccelStep;
        Settings.AccelStep = false;
        done = StepApplication(app, direction);
        Settings.AccelStep = accel;
    } else if (!app.empty()) {
        done = StepApplication(app, direction);
    }
    // Nothing plays there: the system's default beep says so, and nothing else happens.
    if (!done && SoundPlayer.Beep)
        SoundPlayer.Beep();
    LeaveBusy();
}

std::vector<sessions::TAppSession> TMainForm::ApplicationSessions(DWORD pid)
{
    std::vector<sessions::TAppSession> result;
    if (pid == 0)
        return result;
    const std::vector<sessions::TAppSession>& all = Sessions().Sessions();
    std::vector<DWORD> owners;
    for (const sessions::TAppSession& s : all)
        if (!s.System && s.ProcessId != 0 && std::find(owners.begin(), owners.end(), s.ProcessId) == owners.end())
            owners.push_back(s.ProcessId);
    std::vector<DWORD> chosen;
    if (std::find(owners.begin(), owners.end(), pid) != owners.end()) {
        chosen.push_back(pid); // its own sessions: no process list needed
    } else if (!owners.empty()) {
        std::vector<DWORD> ask = owners;
        ask.push_back(pid);
        std::vector<sessions::TProcessFacts> facts = sessions::ReadProcessFacts(ask);
        const sessions::TProcessFacts app = facts.back();
        facts.pop_back();
        chosen = sessions::ApplicationProcesses(app, facts);
    }
    for (const sessions::TAppSession& s : all)
        if (!s.System && std::find(chosen.begin(), chosen.end(), s.ProcessId) != chosen.end())
            result.push_back(s);
    return result;
}

std::vector<sessions::TAppSession> TMainForm::ExecutableSessions(const std::wstring& fileName)
{
    std::vector<sessions::TAppSession> result;
    std::map<DWORD, bool> matches;
    for (const sessions::TAppSession& s : Sessions().Sessions()) {
        if (s.System || s.ProcessId == 0)
            continue;
        auto known = matches.find(s.ProcessId);
        if (known == matches.end())
            known = matches
                        .emplace(s.ProcessId,
                                 SameText(sessions::FileNameOf(sessions::ExecutablePathOf(s.ProcessId)), fileName))
                        .first;
        if (known->second)
            result.push_back(s);
    }
    return result;
}

bool TMainForm::StepApplication(const std::vector<sessions::TAppSession>& app, int direction)
{
    if (app.empty())
        return false;
    const StepRules rules = BeginStep();
    const int current = sessions::LevelOfScalar(app.front().Volume, rules.min, rules.max);
    if (std::optional<int> level = ComputeStep(rules, current, direction, burstCount))
        return SetApplicationLevel(app, *level, true, true);
    // Already at the end of the scale: nothing to change, but the display still says where.
    AnnounceApplication(app, current, app.front().Mute);
    return true;
}

bool TMainForm::SetApplicationLevel(const std::vector<sessions::TAppSession>& app, long long level, bool announce,
                                    bool muteRules)
{
    if (app.empty())
        return false;
    const int min = MasterVolume->Min, max = MasterVolume->Max;
    level = std::clamp<long long>(level, min, max);
    const float scalar = sessions::ScalarOfLevel(level, min, max);
    bool ok = true;
    for (const sessions::TAppSession& s : app)
        ok = Sessions().SetVolume(s.Key, scalar) && ok;
    // The master's mute rules, on the application's own mute.
    bool muted = app.front().Mute;
    if (muteRules && Settings.AutoMute && level <= min)
        muted = true;
    else if (muteRules && Settings.AutoUnmute && muted)
        muted = false;
    if (muted != app.front().Mute)
        for (const sessions::TAppSession& s : app)
            ok = Sessions().SetMute(s.Key, muted) && ok;
    if (announce)
        AnnounceApplication(app, level, muted);
    return ok;
}

bool TMainForm::SetApplicationMute(const std::vector<sessions::TAppSession>& app, bool mute, bool announce)
{
    if (app.empty())
        return false;
    bool ok = true;
    for (const sessions::TAppSession& s : app)
        ok = Sessions().SetMute(s.Key, mute) && ok;
    if (announce)
        AnnounceApplication(app, sessions::LevelOfScalar(app.front().Volume, MasterVolume->Min, MasterVolume->Max),
                            mute);
    return ok;
}

void TMainForm::AnnounceApplication(const std::vector<sessions::TAppSession>& app, long long level, bool muted)
{
    if (app.empty() || (!OnAppLevelChange && !Settings.Display.Enabled))
        return;
    sessions::TAppLevelChange change;
    change.Name = ApplicationName(app.front());
    change.Icon = ApplicationIcon(app.front());
    change.ProcessId = app.front().ProcessId;
    change.Level = static_cast<int>(std::clamp<long long>(level, INT_MIN, INT_MAX));
    change.Percent = static_cast<int>(Scale(level, MasterVolume->Min, MasterVolume->Max, 0, 100));
    change.Muted = muted;
    // The display shows the application's name and icon in place of the device's.
    if (Settings.Display.Enabled)
        ShowApplicationDisplay(change.Name, change.Icon, change.Percent, change.Muted);
    if (OnAppLevelChange)
        OnAppLevelChange(change);
}

const std::wstring& TMainForm::ApplicationName(const sessions::TAppSession& session)
{
    TAppLook& look = appLooks[session.Key];
    if (look.Name.empty()) {
        const std::wstring exe = session.System ? std::wstring() : sessions::ExecutablePathOf(session.ProcessId);
        const std::wstring system = Texts.Text(txAppSystemSounds);
        look.Name = sessions::ApplicationName(session.DisplayName, exe.empty() ? L"" : sessions::FileDescriptionOf(exe),
                                              exe, session.System,
                                              system.empty() ? kDefaultTexts[txAppSystemSounds].text : system);
        if (look.Name.empty())
            look.Name = fw::IntToStr(static_cast<long long>(session.ProcessId));
    }
    return look.Name;
}

HICON TMainForm::ApplicationIcon(const sessions::TAppSession& session)
{
    TAppLook& look = appLooks[session.Key];
    if (!look.Icon) {
        const std::wstring exe = session.System ? std::wstring() : sessions::ExecutablePathOf(session.ProcessId);
        look.Icon = sessions::ApplicationIcon(session.IconPath, exe, kAppIconSize);
    }
    return look.Icon.get();
}

void TMainForm::UpdateSessionFollowing()
{
    bool wanted = Settings.AppWheelKeys != 0;
    for (const wchar_t* name : {L"AppVolumeUpAction", L"AppVolumeDownAction", L"AppMuteChangeAction"}) {
        const fw::TAction* a = MainActionList ? MainActionList->Find(name) : nullptr;
        if (a && a->ShortCut != 0)
            wanted = true;
        for (const std::wstring* bound : {&Settings.Mouse.Click, &Settings.Mouse.DoubleClick, &Settings.Mouse.RightClick,
                                          &Settings.Mouse.WheelClick, &Settings.Mouse.WheelUp, &Settings.Mouse.WheelDown})
            if (*bound == name)
                wanted = true;
    }
    if (wanted == followForBindings)
        return;
    followForBindings = wanted;
    if (wanted)
        Sessions().Follow();
    else if (AudioSessions)
        AudioSessions->Unfollow();
    PublishApplicationWheel();
}

bool TMainForm::TAppWheelTarget::PlaysAt(POINT p) const noexcept
{
    return Table.Matches(sessions::ApplicationProcessAt(p));
}

void TMainForm::PublishApplicationWheel()
{
    std::vector<DWORD> pids;
    if (AudioSessions && AudioSessions->Following())
        for (const sessions::TAppSession& s : AudioSessions->Sessions())
            if (!s.System && s.ProcessId != 0 && std::find(pids.begin(), pids.end(), s.ProcessId) == pids.end())
                pids.push_back(s.ProcessId);
    appWheelTarget.Table.Publish(sessions::ReadProcessFacts(pids));
}

void TMainForm::ApplicationWheel(POINT p, int direction)
{
    EnterBusy();
    const std::vector<sessions::TAppSession> app = ApplicationSessions(sessions::ApplicationProcessAt(p));
    // The session may have ended since the turn was taken: the beep says nothing changed.
    if (!StepApplication(app, direction) && SoundPlayer.Beep)
        SoundPlayer.Beep();
    LeaveBusy();
}

void TMainForm::AudioSessionsChange(const std::wstring& key)
{
    if (key.empty()) {
        // A session that went takes its name and icon with it; a renamed one is named anew.
        appLooks.clear();
        PublishApplicationWheel();
    }
    if (RefreshApplicationRows)
        RefreshApplicationRows(key);
}

bool TMainForm::ExecuteApplicationVerb(const std::wstring& text, bool mute, bool quiet)
{
    std::optional<sessions::TAppVerbArgs> args = sessions::ParseAppVerbArgs(text);
    if (!args)
        return false;
    std::optional<MuteValue> muteValue;
    std::optional<long double> percent;
    bool relative = false;
    if (mute) {
        muteValue = ParseMuteValue(args->Value);
        if (!muteValue)
            return false;
    } else {
        const std::wstring number = Trim(args->Value.substr(0, args->Value.find(L'%')));
        relative = !number.empty() && (number.front() == L'+' || number.front() == L'-');
        percent = ParseDecimal(number, LocaleDecimalSeparator());
        if (!percent)
            return false;
    }
    std::vector<sessions::TAppSession> app;
    switch (args->Kind) {
    case sessions::TAppVerbArgs::Target::Focused:
        app = ApplicationSessions(sessions::FocusedApplicationProcess());
        break;
    case sessions::TAppVerbArgs::Target::ProcessId:
        app = ApplicationSessions(args->Pid);
        break;
    case sessions::TAppVerbArgs::Target::FileName:
        app = ExecutableSessions(args->Name);
        break;
    }
    bool done = false;
    if (app.empty()) {
        done = false; // understood, but no such application plays
    } else if (mute) {
        const bool on = *muteValue == MuteValue::Toggle ? !app.front().Mute : *muteValue == MuteValue::On;
        done = SetApplicationMute(app, on, !quiet);
    } else {
        const int min = MasterVolume->Min, max = MasterVolume->Max;
        long long level = PercentToLevel(*percent, min, max);
        if (relative)
            level += sessions::LevelOfScalar(app.front().Volume, min, max);
        done = SetApplicationLevel(app, level, !quiet, !quiet);
    }
    verbCarriedOut = verbCarriedOut && done;
    return true;
}

} // namespace lorvane
