// The list editors' part of the settings dialog's fill and apply, in the step
// order of the dialog: filled after the reset devices, applied after the reset
// values (lists) and after the wheel (bindings).
#include "Main.h"

#include "Format.h"
#include "Level.h"
#include "Option.h"
#include "OptionEditors.h"

#include <array>

namespace lorvane {

namespace {

// The texts of the mouse rows, in row order.
constexpr std::array<int, kMouseRowCount> kMouseRowTexts = {
    txOptClick, txOptDoubleClick, txOptRightClick, txOptWheelClick, txOptWheelUp, txOptWheelDown};

std::array<std::wstring*, kMouseRowCount> MouseBindings(TMouseBindings& m)
{
    return {&m.Click, &m.DoubleClick, &m.RightClick, &m.WheelClick, &m.WheelUp, &m.WheelDown};
}

// Every entry of the icons folder that may be a set: hidden, system and
// volume-label entries are skipped, files and folders alike, in the order of
// the directory search.
std::vector<std::wstring> IconFolderEntries(const std::wstring& iconsDir)
{
    std::vector<std::wstring> names;
    if (iconsDir.empty())
        return names;
    std::wstring pattern = iconsDir;
    if (pattern.back() != L'\\')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW fd{};
    HANDLE find = ::FindFirstFileW(pattern.c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (fd.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | 0x8 /* volume label */))
            continue;
        names.push_back(name);
    } while (::FindNextFileW(find, &fd));
    ::FindClose(find);
    return names;
}

// Every list is filled between a begin and an end update; the end also runs
// when the filling fails half-way.
template <typename Begin, typename End, typename Fill> void Filled(Begin begin, End end, Fill fill)
{
    begin();
    try {
        fill();
    } catch (...) {
        end();
        throw;
    }
    end();
}

} // namespace

void TMainForm::FillOptionEditors()
{
    if (!OptionForm || !OptionForm->Editors())
        return;
    TOptionForm& f = *OptionForm;
    TOptionEditors& e = *f.Editors();
    const int count = MainActionList->Count();

    Filled([&] { e.MenuBeginUpdate(); }, [&] { e.MenuEndUpdate(); },
           [&] {
               e.MenuClear();
               for (int j = 0; j < count; ++j) {
                   const fw::TAction* a = MainActionList->Action(j);
                   e.MenuAdd(a->Visible, a->Hint, a->Category.empty());
               }
           });

    Filled([&] { e.IconBeginUpdate(); }, [&] { e.IconEndUpdate(); },
           [&] {
               e.IconClear();
               for (const std::wstring& name : IconFolderEntries(folders.IconsDir)) {
                   std::wstring preview = IconPreview(name);
                   if (!preview.empty())
                       e.IconAdd(preview, name == Settings.IconDir);
               }
           });
    f.IconMuteFixCheckBox->SetChecked(Settings.IconMuteFix);

    f.VolumeFormat = Texts.Text(txOptVolUnit);
    Filled([&] { e.VolumeBeginUpdate(); }, [&] { e.VolumeEndUpdate(); },
           [&] {
               e.VolumeClear();
               for (size_t i = 0; i < Settings.Presets.size(); ++i) {
                   const TPreset& p = Settings.Presets[i];
                   e.VolumeAdd(LevelToPercent(p.Level),
                               VolumeRowCaption(Texts.Text(txOptVolCaption), static_cast<int>(i)), p.Active);
               }
           });

    f.ToolFormat = Texts.Text(txOptToolCaption);
    Filled([&] { e.ToolBeginUpdate(); }, [&] { e.ToolEndUpdate(); },
           [&] {
               e.ToolClear();
               for (const TTool& t : Settings.Tools)
                   e.ToolAdd(t.Command, t.Caption, t.Active);
           });
    Filled([&] { e.ToolDeviceBeginUpdate(); }, [&] { e.ToolDeviceEndUpdate(); },
           [&] {
               e.ToolDeviceClear();
               for (int i = 0; i < MasterVolume->DeviceCount(); ++i)
                   e.ToolDeviceAdd(L"Device:" + MasterVolume->DeviceId(i), MasterVolume->DeviceName(i));
           });

    Filled([&] { e.MouseBeginUpdate(); }, [&] { e.MouseEndUpdate(); },
           [&] {
               e.MouseComboClear();
               for (int j = 0; j < count; ++j)
                   e.MouseComboAdd(MainActionList->Action(j)->Hint);
               e.MouseClear();
               auto bindings = MouseBindings(Settings.Mouse);
               for (int row = 0; row < kMouseRowCount; ++row) {
                   const fw::TAction* a = MainActionList->Find(*bindings[static_cast<size_t>(row)]);
                   e.MouseAdd(a ? MainActionList->IndexOf(a) : -1,
                              Texts.Text(kMouseRowTexts[static_cast<size_t>(row)]));
               }
           });

    e.KeyTakenFormat = Texts.Text(txOptHotKeyTaken);
    Filled([&] { e.KeyBeginUpdate(); }, [&] { e.KeyEndUpdate(); },
           [&] {
               e.KeyClear();
               for (int j = 0; j < count; ++j) {
                   const fw::TAction* a = MainActionList->Action(j);
                   e.KeyAdd(a->ShortCut, a->Hint);
               }
           });
    MarkRefusedHotKeys();
}

void TMainForm::MarkRefusedHotKeys()
{
    if (!OptionForm || !OptionForm->Editors() || !HotKeyManager)
        return;
    TOptionEditors& e = *OptionForm->Editors();
    // While the edit suspends the hotkeys nothing is registered, and nothing was
    // refused.
    for (int j = 0; j < e.KeyCount(); ++j)
        e.SetKeyTaken(j, HotKeyManager->Refused(j) && HotKeyManager->HotKey(j) == e.KeyValue(j));
}

void TMainForm::ApplyOptionLists()
{
    if (!OptionForm || !OptionForm->Editors())
        return;
    TOptionForm& f = *OptionForm;
    TOptionEditors& e = *f.Editors();

    for (int j = 0; j < MainActionList->Count(); ++j) {
        fw::TAction* a = MainActionList->Action(j);
        if (!a->Category.empty())
            continue;
        a->Visible = e.MenuShown(j);
        Settings.MenuVisible[a->Name()] = a->Visible;
    }

    std::vector<std::wstring> items;
    std::vector<bool> checks;
    for (int i = 0; i < e.IconCount(); ++i) {
        items.push_back(e.IconText(i));
        checks.push_back(e.IconChecked(i));
    }
    if (std::wstring set = CheckedIconSet(items, checks); set != Settings.IconDir) {
        Settings.IconDir = set;
        ApplyIconSettings();
    }
    if (const bool fix = f.IconMuteFixCheckBox->Checked(); fix != Settings.IconMuteFix) {
        Settings.IconMuteFix = fix;
        UpdateTrayIcon(false, Settings.BalloonTime, Settings.BalloonDelay);
    }

    for (int j = 0; j < e.VolumeCount() && j < static_cast<int>(Settings.Presets.size()); ++j) {
        TPreset& p = Settings.Presets[static_cast<size_t>(j)];
        p.Level = static_cast<uint16_t>(PercentToLevelOf(e.VolumePercent(j)));
        p.Active = e.VolumeChecked(j);
    }
    for (int j = 0; j < e.ToolCount() && j < static_cast<int>(Settings.Tools.size()); ++j) {
        TTool& t = Settings.Tools[static_cast<size_t>(j)];
        t.Command = e.ToolCommand(j);
        t.Active = e.ToolChecked(j);
        // An unnamed tool keeps the caption it shows, in the current language.
        t.Caption = e.ToolName(j);
    }
    RefreshActionStates();
}

void TMainForm::ApplyOptionBindings()
{
    if (!OptionForm || !OptionForm->Editors())
        return;
    TOptionEditors& e = *OptionForm->Editors();
    auto bindings = MouseBindings(Settings.Mouse);
    for (int row = 0; row < kMouseRowCount; ++row) {
        const fw::TAction* a = MainActionList->Action(e.MouseAction(row));
        *bindings[static_cast<size_t>(row)] = a ? a->Name() : std::wstring();
    }
    for (int j = 0; j < MainActionList->Count() && j < e.KeyCount(); ++j) {
        fw::TAction* a = MainActionList->Action(j);
        a->ShortCut = e.KeyValue(j);
        Settings.HotKeys[a->Name()] = a->ShortCut;
    }
    ApplyHotKeys();
    MarkRefusedHotKeys();
    UpdateSessionFollowing();
}

bool TMainForm::OptionMouseWarningDue()
{
    if (!OptionForm || !OptionForm->Editors())
        return false;
    TOptionEditors& e = *OptionForm->Editors();
    const fw::TAction* menu = MainActionList->Find(L"MainMenuAction");
    const int menuPosition = menu ? MainActionList->IndexOf(menu) : -1;
    auto bindings = MouseBindings(Settings.Mouse);
    bool menuBound = false;
    bool changed = false;
    for (int row = 0; row < kMouseClickRowCount; ++row) {
        const int position = e.MouseAction(row);
        menuBound = menuBound || (position >= 0 && position == menuPosition);
        const fw::TAction* now = MainActionList->Find(*bindings[static_cast<size_t>(row)]);
        changed = changed || position != (now ? MainActionList->IndexOf(now) : -1);
    }
    return !menuBound && changed;
}

bool TMainForm::OptionSettingsShownInMenu()
{
    if (!OptionForm || !OptionForm->Editors())
        return true;
    const fw::TAction* show = MainActionList->Find(L"ShowOptionAction");
    return show && OptionForm->Editors()->MenuShown(MainActionList->IndexOf(show));
}

} // namespace lorvane
