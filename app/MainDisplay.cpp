// The on-screen display: which changes it shows, with what, and its settings.
#include "Main.h"

#include "Level.h"
#include "DisplayLayout.h"
#include "Format.h"
#include "Timer.h"

namespace lorvane {

namespace {

// A notification this soon after an own write is that write's (or its device switch's).
constexpr uint64_t kOwnChangeWindow = 1500; // ms

} // namespace

void TMainForm::NoteOwnChange()
{
    ownChangeTick = fw::TickCount();
    ownChangeMade = true;
}

bool TMainForm::OwnChangeRecent() const
{
    return ownChangeMade && fw::TickCount() - ownChangeTick <= kOwnChangeWindow;
}

display::TDisplayContent TMainForm::DisplayContent(int percent, bool muted, const std::wstring& title) const
{
    display::TDisplayContent c;
    c.Percent = percent;
    c.Muted = muted;
    c.Title = title;
    if (muted) {
        c.LevelText = Texts.Text(txDisplayMute);
    } else {
        // A translated format that does not fit a number falls back to the built-in one.
        c.LevelText = fw::Format(Texts.Text(txDisplayVolume), {static_cast<long long>(percent)})
                          .value_or(fw::Format(kDefaultTexts[txDisplayVolume].text, {static_cast<long long>(percent)})
                                        .value_or(std::wstring()));
    }
    return c;
}

display::TDisplayLook TMainForm::DisplayLook() const
{
    display::TDisplayLook look;
    look.FontName = mainFontSpec.Name;
    look.Charset = mainFontSpec.Charset;
    look.Dark = Display ? Display->DarkLook() : true;
    return look;
}

bool TMainForm::ShowDisplay(const display::TDisplayContent& content, bool own)
{
    if (!Settings.Display.Enabled || !started || closing || SessionEnding || CommandMode())
        return false;
    // The pop-up bar shows the level itself.
    if (PopupBarVisible && PopupBarVisible())
        return false;
    if (!Display) {
        Display = std::make_unique<display::TOnScreenDisplay>();
        Display->Owner = Handle();
    }
    Display->Settings = Settings.Display;
    Display->FontName = mainFontSpec.Name;
    Display->FontCharset = mainFontSpec.Charset;
    // Shown already: the check for a full-screen program was made when it appeared.
    const bool fullScreen = !Display->Visible() && !Settings.Display.FullScreen && Display->FullScreenInFront();
    if (!display::DisplayWanted(Settings.Display, own, fullScreen))
        return false;
    return Display->Show(content);
}

void TMainForm::ShowLevelDisplay(bool own)
{
    if (!Settings.Display.Enabled || !MasterVolume)
        return;
    TMasterVolume& mv = *MasterVolume;
    const int percent = static_cast<int>(Scale(mv.IntendedVolume(), mv.Min, mv.Max, 0, 100));
    ShowDisplay(DisplayContent(percent, mv.IntendedMute(), Settings.Display.Device ? mv.DefaultDeviceName() : L""),
                own);
}

void TMainForm::ShowApplicationDisplay(const std::wstring& name, HICON icon, int percent, bool muted)
{
    display::TDisplayContent c = DisplayContent(percent, muted, name);
    c.Icon = icon;
    ShowDisplay(c, true);
}

void TMainForm::ApplyDisplaySettings()
{
    // Switched off, or changed while shown: the next change shows it as now set.
    if (Display && Display->Visible())
        Display->Hide();
}

} // namespace lorvane
