// Language texts: the choice of the language file, its texts, captions and main font; the
// help file that follows the language; the help requests and the settings warnings.
#include "Main.h"

#include "Format.h"
#include "Help.h"
#include "Language.h"
#include "SystemInfo.h"
#include "WarningBox.h"

#include <exception>

namespace lorvane {

using fw::FileExists;
using fw::ScreenDpi;

void TMainForm::CreateHelp()
{
    HtmlHelp = std::make_unique<THtmlHelp>(this, L"HtmlHelp");
    HtmlHelp->ApplicationWindow = Handle();
    HtmlHelp->ApplicationHelpFile = [this] { return HelpFile; };
    MainActionList->Find(L"ShowHelpAction")->OnExecute = [this](fw::TObject*) {
        EnterBusy();
        ShowHelp(L"");
        LeaveBusy();
    };
}

void TMainForm::SelectLanguage(const std::wstring& name)
{
    std::wstring chosen = name;
    if (!FileExists(folders.LanguagesDir + chosen + L".ini")) {
        chosen = PickLocaleFile(folders.LanguagesDir, L".ini", UserLocaleNames(), FileExists);
        if (chosen.empty())
            chosen = L"English"; // needs no file: the built-in texts are English
    }
    Settings.LangName = chosen;
    if (chosen == languageName)
        return;
    languageName = chosen;
    folders.LanguageFile = folders.LanguagesDir + chosen + L".ini";
    ApplyLanguage(folders.LanguageFile, false);
    ChooseHelpFile();
}

void TMainForm::ApplyLanguage(const std::wstring& file, bool force)
{
    if (!force && file == languageFileInUse)
        return;
    languageFileInUse = file;
    try {
        fw::TIniFile ini;
        ini.LoadFromFile(file); // a missing or unreadable file reads as empty: nothing changes
        const fw::OsVersion v = fw::SystemVersion();
        ReadLanguage(ini, LanguageSectionSuffixes(v.major, v.minor, true), Texts, MainActionList.get(),
                     [this](const TFontRequest& request) { ApplyMainFont(request); });
    } catch (const std::exception&) {
        // A bad language file never stops the program.
    }
    fw::TAction* up = MainActionList->Find(L"VolumeUpAction");
    MenuAutoHotkeys = !ManualAccelerators(up ? up->Caption : std::wstring());
    ConnectTexts();
}

void TMainForm::ConnectTexts()
{
    if (Tray) {
        TTrayTexts& t = Tray->Texts;
        t.DefDevice = Texts.Text(txDefDevice);
        t.IconVolume = Texts.Text(txIconVolume);
        t.IconMute = Texts.Text(txIconMute);
        t.IconMuteVol = Texts.Text(txIconMuteVol);
        t.MsgVolume = Texts.Text(txMsgVolume);
    }
    RefreshActionStates();
    // The tooltip follows at once, once there is a set to show (not while the settings load).
    if (Tray && Tray->SetLoaded())
        UpdateTrayIcon(false, 0, 0);
}

void TMainForm::ApplyMainFont(const TFontRequest& request)
{
    const TFontSpec font = ResolveFont(request, SystemMenuFont());
    if (font == mainFontSpec && mainFont)
        return;
    mainFontSpec = font;
    const LOGFONTW lf = FontAtDpi(font, ScreenDpi());
    if (HFONT font = ::CreateFontIndirectW(&lf)) {
        mainFont.reset(font);
        if (OnMainFontChange)
            OnMainFontChange();
    }
}

HFONT TMainForm::MainFont()
{
    if (!mainFont) {
        // The design font until a language applies one.
        const LOGFONTW lf = FontAtDpi(mainFontSpec, ScreenDpi());
        mainFont.reset(::CreateFontIndirectW(&lf));
    }
    return mainFont.get();
}

void TMainForm::ChooseHelpFile()
{
    HelpFile = ChooseHelpFileName(folders.HelpDir, languageName, FileExists);
    if (fw::TAction* a = MainActionList->Find(L"ShowHelpAction"))
        a->Enabled = !HelpFile.empty();
}

bool TMainForm::ShowHelp(const std::wstring& keyword)
{
    if (HelpFile.empty() || !HtmlHelp)
        return false;
    HtmlHelp->OwnerWindow = Handle();
    return keyword.empty() ? HtmlHelp->ShowContents() : HtmlHelp->ShowKeyword(keyword);
}

void TMainForm::CloseHelp()
{
    if (!HelpFile.empty() && HtmlHelp)
        HtmlHelp->CloseAll();
}

bool TMainForm::ConfirmWarning(int textIndex, const std::wstring& actionHint)
{
    TWarning w;
    w.Type = TMsgDlgType::mtWarning;
    w.Title = Texts.Text(txDlgTitle);
    w.CheckBoxCaption = Texts.Text(txDlgCheckBox);
    w.ButtonCaptions[mbYes] = Texts.Text(txDlgYes);
    w.ButtonCaptions[mbNo] = Texts.Text(txDlgNo);
    w.Buttons = MsgDlgButton(mbYes) | MsgDlgButton(mbNo);
    const wchar_t* english =
        kDefaultTexts[textIndex >= 0 && textIndex < txCount ? textIndex : txDlgMouse].text;
    // A translation that does not fit its argument falls back to the built-in text.
    w.Text = fw::Format(Texts.Text(textIndex), {actionHint})
                 .value_or(fw::Format(english, {actionHint}).value_or(english));
    w.Owner = ::GetActiveWindow();
    bool checked = false;
    const int answer = ShowWarning(w, checked);
    if (checked)
        Settings.MessageDlg = false;
    return answer == IDYES;
}

void TMainForm::ReportSaveFailure(int textIndex)
{
    const std::wstring& file = folders.SettingsFile;
    const int index = textIndex >= 0 && textIndex < txCount ? textIndex : txDlgSave;
    std::wstring text = fw::Format(Texts.Text(index), {file})
                            .value_or(fw::Format(kDefaultTexts[index].text, {file}).value_or(file));
    bool checked = false;
    if (OptionWarningBox) {
        OptionWarningBox(text, checked);
        return;
    }
    // Nothing to decide and nothing to silence: a plain box, without the warning's check box.
    ::MessageBoxW(::GetActiveWindow(), ExpandLineBreaks(text).c_str(), Texts.Text(txDlgTitle).c_str(),
                  MB_OK | MB_ICONERROR);
}

void TMainForm::ReportOptionRefusal(int textIndex)
{
    const int index = textIndex >= 0 && textIndex < txCount ? textIndex : txDlgAppWheelKeys;
    const std::wstring text = Texts.Text(index).empty() ? std::wstring(kDefaultTexts[index].text) : Texts.Text(index);
    bool checked = false;
    if (OptionWarningBox) {
        OptionWarningBox(text, checked);
        return;
    }
    TWarning w;
    w.Type = TMsgDlgType::mtWarning;
    w.Title = Texts.Text(txDlgTitle);
    w.Text = text;
    w.Owner = ::GetActiveWindow();
    ShowWarning(w, checked);
}

} // namespace lorvane
