// The settings file: the settings mode, the migration, the load at start and the save.
#include "Main.h"

#include "Migration.h"
#include "SettingsModel.h"

#include <exception>

namespace lorvane {

namespace {

// The version record of the running program is the one source of its version.
const std::wstring& ProgramVersion()
{
    static const std::wstring version = ModuleVersionText(nullptr);
    return version;
}

} // namespace

int TMainForm::ReadUserMode(const std::wstring& file)
{
    if (file.empty())
        return 0;
    // Through the system's profile reader: installers and users set this key with the
    // same API, and it is read before the program knows its settings folder.
    return static_cast<int>(::GetPrivateProfileIntW(L"System", L"UserMode", 0, file.c_str()));
}

std::vector<TActionRef> TMainForm::ActionRefs() const
{
    std::vector<TActionRef> refs;
    for (int i = 0; i < MainActionList->Count(); ++i) {
        const fw::TAction* a = MainActionList->Action(i);
        refs.push_back({a->Name(), a->Category});
    }
    return refs;
}

void TMainForm::CollectActionState()
{
    // The actions carry hotkeys and menu visibility while the program runs; the model keeps
    // the values of actions that do not exist (yet), so that nothing read is lost.
    for (int i = 0; i < MainActionList->Count(); ++i) {
        const fw::TAction* a = MainActionList->Action(i);
        Settings.HotKeys[a->Name()] = a->ShortCut;
        if (a->Category.empty())
            Settings.MenuVisible[a->Name()] = a->Visible;
    }
}

void TMainForm::ApplyLoadedSettings()
{
    // The language first: it captions the actions that the rest shows.
    SelectLanguage(Settings.LangName);
    // Presets and tools first: their actions take hotkeys like the fixed ones.
    RebuildPresets();
    RebuildTools();
    ApplyTimerSettings();
    for (int i = 0; i < MainActionList->Count(); ++i) {
        fw::TAction* a = MainActionList->Action(i);
        if (auto code = Settings.HotKeys.find(a->Name()); code != Settings.HotKeys.end())
            a->ShortCut = code->second;
        if (a->Category.empty()) {
            if (auto shown = Settings.MenuVisible.find(a->Name()); shown != Settings.MenuVisible.end())
                a->Visible = shown->second;
        }
    }
    ApplyIconSettings();
    ApplyBindingSettings();
    ApplyVolumeBarSize();
}

void TMainForm::MigrateSettings(const std::wstring& file)
{
    if (file.empty())
        return;
    try {
        fw::TIniFile ini;
        // A file that exists but cannot be read is left alone rather than replaced.
        if (!fw::SafeToOverwrite(ini.LoadFromFile(file)))
            return;
        if (MigrateIni(ini, ProgramVersion(), LocalDateTimeText()))
            ini.SaveToFile(file);
    } catch (const std::exception&) {
        // Bad user files never stop the program.
    }
}

void TMainForm::LoadSettings(const std::wstring& file)
{
    if (file.empty())
        return;
    EnterBusy();
    try {
        fw::TIniFile ini;
        // Saving over a file that could not be read would replace the user's settings with
        // the defaults: this run then leaves it alone.
        settingsUnreadable = !fw::SafeToOverwrite(ini.LoadFromFile(file));
        CollectActionState();
        ReadSettings(ini, Settings, ActionRefs(), MasterVolume->Min, MasterVolume->Max);
        ApplyLoadedSettings();
    } catch (const std::exception&) {
    }
    LeaveBusy();
}

bool TMainForm::SaveSettings(const std::wstring& file)
{
    if (file.empty() || settingsUnreadable)
        return false;
    // A size that waits for the bar's layout is written as that layout gives it.
    if (BarSizeUnresolved())
        EnsureVolumeBar();
    try {
        fw::TIniFile ini;
        if (!fw::SafeToOverwrite(ini.LoadFromFile(file)))
            return false;
        CollectActionState();
        WriteSettings(ini, Settings, ActionRefs());
        // The folder may have gone while the program ran; the start makes it, and so does a save.
        MakeSettingsFolder();
        return ini.SaveToFile(file);
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace lorvane
