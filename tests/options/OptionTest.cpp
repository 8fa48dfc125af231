// The settings dialog: its pure rules, and the real dialog of an in-process main window
// against the endpoint simulator (filled, edited, applied, warned, closed).
#include "Option.h"
#include "CheckListBox.h"
#include "CommandLine.h"
#include "Level.h"
#include "FuzzRun.h"
#include "MainFormTest.h"
#include "OptionEditors.h"
#include "SimControl.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace lorvane;
namespace sim = endpointsim;

// ---- Pure rules

TEST(OptionPosition, WorkAreaRules)
{
    const RECT work{0, 0, 1280, 770};
    const RECT cursorWork{1280, 0, 3200, 1040}; // the monitor under the cursor
    const SIZE size{474, 534};
    struct Case {
        POINT in;
        bool placed;
        POINT out; // where the dialog opens
    } cases[] = {
        {{INT_MIN, INT_MIN}, false, {2003, 253}}, // never set: centred on the cursor's monitor
        {{100, 50}, true, {100, 50}},             // inside: unchanged
        {{1280 - 237, 50}, true, {806, 50}},      // half off the right edge: right edges meet
        {{-200, 50}, true, {0, 50}},              // partly off the left edge
        {{100, 700}, true, {100, 236}},           // partly below the bottom
        {{1281, 50}, false, {2003, 253}},         // wholly right of the work area
        {{-475, 50}, false, {2003, 253}},         // wholly left of it
    };
    for (const Case& c : cases) {
        std::optional<POINT> p = PlaceInWorkArea(c.in, size, work);
        ASSERT_EQ(p.has_value(), c.placed) << c.in.x << "," << c.in.y;
        const POINT at = PlaceDialog(c.in, size, work, cursorWork);
        EXPECT_EQ(at.x, c.out.x) << c.in.x;
        EXPECT_EQ(at.y, c.out.y) << c.in.y;
    }
    // Taller than the work area (a large scaling on a small screen): the caption stays reachable.
    const POINT tall = PlaceDialog(POINT{INT_MIN, INT_MIN}, SIZE{700, 795}, work, work);
    EXPECT_EQ(tall.x, 290);
    EXPECT_EQ(tall.y, 0);
}

TEST(OptionPosition, ResolutionFitsTheWorkArea)
{
    const SIZE design{474, 530};
    struct Case {
        int dpi;
        SIZE work;
        int fit;
    } cases[] = {
        {144, {1280, 1040}, 144}, // room enough: the monitor's
        {144, {1280, 772}, 139},  // 795 px on 772: a little smaller
        {144, {600, 1040}, 121},  // too wide as well
        {120, {1280, 600}, 108},
        {144, {400, 300}, 96},    // never below the design
        {96, {400, 300}, 96},
        {72, {1280, 1040}, 72},   // a monitor below the design keeps its own
        {144, {0, 0}, 144},       // no work area known
    };
    for (const Case& c : cases) {
        const int fit = FitDpi(c.dpi, design, c.work);
        EXPECT_EQ(fit, c.fit) << c.dpi << " on " << c.work.cx << "x" << c.work.cy;
        if (fit > 96 && c.work.cy > 0) {
            EXPECT_LE(::MulDiv(design.cy, fit, 96), c.work.cy);
        }
    }
}

TEST(OptionSound, StoredAndShownValues)
{
    const std::wstring base = L"C:\\Prog\\", sounds = L"C:\\Prog\\Sounds\\";
    struct Case {
        std::wstring value, stored, shown;
    } cases[] = {
        {L"C:\\Prog\\Sounds\\ding.wav", L"Sounds\\ding.wav", L"ding.wav"}, // chosen from the list
        {L"Sounds\\ding.wav", L"Sounds\\ding.wav", L"ding.wav"},           // filled from the file
        {L"D:\\x.wav", L"D:\\x.wav", L"D:\\x.wav"},                        // elsewhere: as is
        {L"C:\\Prog\\other.wav", L"other.wav", L"C:\\Prog\\other.wav"},    // program folder: stored relative
        {L"", L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StoredSoundValue(c.value, base), c.stored) << c.value;
        EXPECT_EQ(ShownSoundValue(c.value, sounds, base), c.shown) << c.value;
    }
    // Without a Sounds folder the base is a lone backslash: it strips nothing.
    EXPECT_EQ(StoredSoundValue(L"\\\\server\\share\\x.wav", L"\\"), L"\\\\server\\share\\x.wav");
    EXPECT_EQ(ShownSoundValue(L"C:\\Windows\\media\\ding.wav", L"C:\\Windows\\media\\", L"\\"), L"ding.wav");
}

// ---- The dialog of a main window

class OptionDialog : public MainFormTest {
  protected:
    OptionDialog() : MainFormTest(L"option-test", false) {}

    TOptionForm& Open(const std::wstring& page = L"")
    {
        form->ShowOptionForm(page);
        fw::ProcessMessages();
        EXPECT_TRUE(form->OptionForm);
        return *form->OptionForm;
    }

    // What a click on the button does, through the window's own notification.
    static void Click(fw::TControl* c)
    {
        ::SendMessageW(::GetParent(c->Handle()), WM_COMMAND,
                       MAKEWPARAM(::GetDlgCtrlID(c->Handle()), BN_CLICKED),
                       reinterpret_cast<LPARAM>(c->Handle()));
        fw::ProcessMessages();
    }

};

TEST_F(OptionDialog, PercentRoundTripsOfOneApply)
{
    form->Settings.HighStep = 3276;
    form->Settings.ReVolume = 32767;
    form->Settings.BalloonTime = 2500;
    TOptionForm& f = Open();
    EXPECT_EQ(f.HighStepEdit->Value(), 5);
    EXPECT_EQ(f.ReVolumeEdit->Value(), 50);
    EXPECT_EQ(f.BalloonTimeEdit->Value(), 2);
    EXPECT_EQ(f.LowStepEdit->Value(), 1);
    ASSERT_TRUE(form->ApplyOptionForm(false));
    EXPECT_EQ(form->Settings.HighStep, 3277);
    EXPECT_EQ(form->Settings.ReVolume, 32768);
    EXPECT_EQ(form->Settings.BalloonTime, 2000u);
    EXPECT_EQ(form->Settings.LowStep, 655);
}

TEST_F(OptionDialog, EditedValuesReachTheModelAndTheSoundTimer)
{
    TOptionForm& f = Open();
    f.LowStepEdit->SetValue(3);
    f.SoundDelayEdit->SetValue(1230);
    f.AccelStepCheckBox->SetChecked(false);
    f.AutoMuteCheckBox->SetChecked(true);
    f.WheelMarginEdit->SetValue(1500); // beyond 999: clamped
    ASSERT_TRUE(form->ApplyOptionForm(false));
    EXPECT_EQ(form->Settings.LowStep, 1966);
    EXPECT_EQ(form->Settings.SoundDelay, 1230u);
    EXPECT_EQ(form->SoundTimer->Interval(), 1230u);
    EXPECT_FALSE(form->Settings.AccelStep);
    EXPECT_TRUE(form->Settings.AutoMute);
    EXPECT_EQ(form->Settings.WheelMargin, 999);
}

TEST_F(OptionDialog, WheelAreaBitsTheRadioPairAndTheApplicationKeys)
{
    // The wheel's keys are in & 15; `app` is clicked into the application's boxes. The same set
    // for both (none at all aside) is refused: warned, the page shown, nothing stored.
    struct Case {
        uint8_t in, out, app;
        bool refused;
    } cases[] = {
        {1 | 16, 1 | 16, 4, false},   // different sets
        {2 | 4 | 8, 2 | 4 | 8, 0, false}, // no application keys
        {3, 2, 3, true},               // equal
        {31, 30, 15, true},            // equal, all four
        {15, 14, 1, false},            // one key of the wheel's set is another set
        {0, 0, 0, false},              // equal, but both none
        {0, 0, 8, false},              // the wheel without keys, the application with Win
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.in) * 100 + c.app);
        form->Settings.WheelAreas = c.in;
        form->Settings.WheelKeys = c.in & 15;
        form->Settings.AppWheelKeys = 0;
        TOptionForm& f = Open();
        form->FillOptionForm();
        f.ActivatePage(L"SystemSheet");
        fw::TCheckBox* const boxes[] = {f.AppShiftCheckBox, f.AppAltCheckBox, f.AppCtrlCheckBox, f.AppWinCheckBox};
        fw::TCheckBox* first = nullptr;
        for (int bit = 0; bit < 4; ++bit) {
            if (c.app & (1 << bit)) {
                Click(boxes[bit]);
                first = first ? first : boxes[bit];
            }
        }
        const size_t warned = warnings.size();
        EXPECT_EQ(form->ApplyOptionForm(false), !c.refused);
        ASSERT_EQ(warnings.size(), warned + (c.refused ? 1 : 0));
        if (c.refused) {
            EXPECT_EQ(f.ActivePageCaption(), L"Mouse");
            EXPECT_EQ(::GetFocus(), first->Handle());
            EXPECT_EQ(form->Settings.WheelAreas, c.in);
            EXPECT_EQ(form->Settings.AppWheelKeys, 0);
        } else {
            EXPECT_EQ(form->Settings.WheelAreas, c.out);
            EXPECT_EQ(form->Settings.WheelKeys, c.in & 15);
            EXPECT_EQ(form->Settings.AppWheelKeys, c.app);
        }
        EXPECT_FALSE(f.NoForegroundWindowCheckBox->Visible()); // "Outside" is never shown
        Click(f.CancelButton);
        fw::ProcessMessages();
    }
}

TEST_F(OptionDialog, EnabledStatesFollowTheirBoxes)
{
    TOptionForm& f = Open();
    f.ResetCheckBox->SetChecked(false);
    EXPECT_FALSE(f.ReVolumeEdit->Enabled());
    EXPECT_FALSE(f.ReDeviceComboBox->Enabled());
    Click(f.ResetCheckBox); // a user click toggles and runs the same rule
    EXPECT_TRUE(f.ResetCheckBox->Checked());
    EXPECT_TRUE(f.ReVolumeEdit->Enabled());
    EXPECT_TRUE(f.ReMuteCheckBox->Enabled());
    f.AccelStepCheckBox->SetChecked(false);
    EXPECT_FALSE(f.HighStepEdit->Enabled());
    f.DesktopCornerCheckBox->SetChecked(true);
    EXPECT_TRUE(f.WheelMarginEdit->Enabled());
    f.SoundCheckBox->SetChecked(false);
    EXPECT_FALSE(f.SoundPlayButton->Enabled());
    EXPECT_FALSE(f.SoundDelayEdit->Enabled());
}

TEST_F(OptionDialog, ApplyButtonFollowsChangesAndIsDisabledByApply)
{
    TOptionForm& f = Open();
    EXPECT_FALSE(f.ApplyButton->Enabled()); // filling is no user change
    f.RoundStepCheckBox->SetChecked(!f.RoundStepCheckBox->Checked());
    EXPECT_TRUE(f.ApplyButton->Enabled());
    const bool round = f.RoundStepCheckBox->Checked();
    Click(f.ApplyButton);
    EXPECT_FALSE(f.ApplyButton->Enabled());
    EXPECT_EQ(form->Settings.RoundStep, round);
    EXPECT_TRUE(f.Showing()); // Apply keeps the dialog open
}

TEST_F(OptionDialog, SoundChosenFromTheListIsStoredRelativeAndPlayRules)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring program = std::wstring(temp) + L"lorvane-option-prog\\";
    ::CreateDirectoryW(program.c_str(), nullptr);
    ::CreateDirectoryW((program + L"Sounds").c_str(), nullptr);
    std::ofstream(std::filesystem::path(program + L"Sounds\\ding.wav")) << "RIFF";

    TOptionForm& f = Open();
    std::vector<std::wstring> played;
    f.PlayFile = [&](const std::wstring& file) {
        played.push_back(file);
        return true;
    };
    f.PlayBeep = [&] {
        played.push_back(L"beep");
        return true;
    };
    f.SetSoundValue(L"");
    Click(f.SoundPlayButton);
    EXPECT_EQ(played, std::vector<std::wstring>{L"beep"}); // an empty value only beeps

    f.SetSoundFolders(program + L"Sounds", program);
    f.ProgramDir = program;
    const int row = f.SoundComboBox->IndexOf(L"ding.wav");
    ASSERT_GE(row, 0);
    f.SoundComboBox->SetItemIndex(row);
    ::SendMessageW(::GetParent(f.SoundComboBox->Handle()), WM_COMMAND,
                   MAKEWPARAM(::GetDlgCtrlID(f.SoundComboBox->Handle()), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(f.SoundComboBox->Handle()));
    EXPECT_EQ(f.SoundValue(), L"Sounds\\ding.wav");
    EXPECT_TRUE(f.ApplyButton->Enabled());
    Click(f.SoundPlayButton);
    EXPECT_EQ(played.back(), L"Sounds\\ding.wav");
    ASSERT_TRUE(form->ApplyOptionForm(false));
    EXPECT_EQ(form->Settings.SoundFile, L"Sounds\\ding.wav");

    form->Settings.SoundFile = L"D:\\x.wav";
    f.SetSoundValue(form->Settings.SoundFile);
    EXPECT_EQ(f.SoundComboBox->Text(), L"D:\\x.wav");
    ASSERT_TRUE(form->ApplyOptionForm(false));
    EXPECT_EQ(form->Settings.SoundFile, L"D:\\x.wav");

    // The first row is the system's beep: it shows for no file and chooses none.
    ASSERT_EQ(f.SoundComboBox->Item(0), f.SoundBeepText);
    f.SoundComboBox->SetItemIndex(0);
    ::SendMessageW(::GetParent(f.SoundComboBox->Handle()), WM_COMMAND,
                   MAKEWPARAM(::GetDlgCtrlID(f.SoundComboBox->Handle()), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(f.SoundComboBox->Handle()));
    EXPECT_EQ(f.SoundValue(), L"");
    ASSERT_TRUE(form->ApplyOptionForm(false));
    EXPECT_EQ(form->Settings.SoundFile, L"");
    f.SetSoundValue(L"");
    EXPECT_EQ(f.SoundComboBox->Text(), f.SoundBeepText);
    ::DeleteFileW((program + L"Sounds\\ding.wav").c_str());
    ::RemoveDirectoryW((program + L"Sounds").c_str());
    ::RemoveDirectoryW(program.c_str());
}

TEST_F(OptionDialog, PagesOfTheTwoActionsAndTheLastClose)
{
    form->Settings.Window.OptionPage = 2;
    ASSERT_TRUE(form->RunActionByName(L"ShowVersionAction"));
    fw::ProcessMessages();
    ASSERT_TRUE(form->OptionForm);
    EXPECT_EQ(form->OptionForm->ActivePageCaption(), L"About");
    form->OptionForm->ActivatePage(3);
    Click(form->OptionForm->CancelButton);
    fw::ProcessMessages(); // the closed dialog is freed
    EXPECT_FALSE(form->OptionForm);
    EXPECT_EQ(form->Settings.Window.OptionPage, 3);
    ASSERT_TRUE(form->RunActionByName(L"ShowOptionAction"));
    fw::ProcessMessages();
    ASSERT_TRUE(form->OptionForm);
    EXPECT_EQ(form->OptionForm->ActivePageIndex(), 3);
    form->OptionForm->ActivatePage(L"NoSuchSheet"); // unknown names and indexes change nothing
    form->OptionForm->ActivatePage(9); // one past the last page, Display
    EXPECT_EQ(form->OptionForm->ActivePageIndex(), 3);
}

TEST_F(OptionDialog, OpeningWhileVisibleKeepsUnappliedEdits)
{
    TOptionForm& f = Open();
    f.LowStepEdit->SetValue(42);
    form->ShowOptionForm(L"AboutSheet");
    EXPECT_EQ(&f, form->OptionForm.get());
    EXPECT_EQ(f.LowStepEdit->Value(), 42);
    EXPECT_NE(f.ActivePageCaption(), L"About"); // the page is not changed either
}

TEST_F(OptionDialog, SavedPositionHalfOffTheRightEdgeMovesInside)
{
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    TOptionForm& probe = Open();
    const int width = probe.Width();
    Click(probe.CancelButton);
    fw::ProcessMessages();
    form->Settings.Window.OptionLeft = work.right - width / 2;
    form->Settings.Window.OptionTop = work.top + 10;
    TOptionForm& f = Open();
    EXPECT_EQ(f.FormPosition().x, work.right - width);
    EXPECT_EQ(f.FormPosition().y, work.top + 10);
}

// Lists with fixed rows grow with the font, so a taller script is not clipped.
TEST_F(OptionDialog, ListRowsFollowTheFont)
{
    TOptionForm& f = Open();
    for (int size : {8, 12, 18, 9}) {
        f.ApplyFont(L"Tahoma", size, DEFAULT_CHARSET);
        int line = 0;
        HDC dc = ::GetDC(f.Handle());
        HGDIOBJ old = ::SelectObject(dc, f.Font());
        TEXTMETRICW tm{};
        if (::GetTextMetricsW(dc, &tm))
            line = tm.tmHeight;
        ::SelectObject(dc, old);
        ::ReleaseDC(f.Handle(), dc);
        ASSERT_GT(line, 0);
        for (const wchar_t* name : {L"MenuListBox", L"IconListBox"}) {
            auto* list = f.Find<fw::TCheckListBox>(name);
            ASSERT_TRUE(list) << name;
            EXPECT_GE(list->ItemHeight(), line) << name << " at " << size << " pt";
            EXPECT_GE(list->ItemHeight(), std::wstring(name) == L"MenuListBox" ? 13 : 18) << name;
        }
    }
}

TEST_F(OptionDialog, HiddenSettingsEntryWarnsOnEveryApply)
{
    form->MainActionList->Find(L"ShowOptionAction")->Visible = false;
    TOptionForm& f = Open();
    f.LowStepEdit->SetValue(7);
    answer = IDNO;
    EXPECT_FALSE(form->ApplyOptionForm(false));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find(L"'Settings' in the menu is hidden."), std::wstring::npos);
    EXPECT_EQ(form->Settings.LowStep, 655); // nothing applied
    EXPECT_TRUE(form->Settings.MessageDlg);

    answer = IDYES;
    EXPECT_TRUE(form->ApplyOptionForm(false));
    EXPECT_EQ(warnings.size(), 2u); // again, although nothing about it changed
    EXPECT_EQ(form->Settings.LowStep, PercentToLevel(7, 0, 65535));

    checkWarning = true; // "do not show again"
    EXPECT_TRUE(form->ApplyOptionForm(false));
    EXPECT_FALSE(form->Settings.MessageDlg);
    EXPECT_TRUE(form->ApplyOptionForm(false));
    EXPECT_EQ(warnings.size(), 3u);
}

TEST_F(OptionDialog, OkAppliesAndClosesCancelDiscardsDeclinedOkStaysOpen)
{
    TOptionForm* f = &Open();
    f->LowStepEdit->SetValue(9);
    Click(f->CancelButton);
    fw::ProcessMessages();
    EXPECT_FALSE(form->OptionForm);
    EXPECT_EQ(form->Settings.LowStep, 655);

    f = &Open();
    f->LowStepEdit->SetValue(9);
    // The user unticks Settings in the menu list.
    const int show = form->MainActionList->IndexOf(form->MainActionList->Find(L"ShowOptionAction"));
    f->Editors()->MenuListBox->SetChecked(f->Editors()->MenuIndexMap().Item(show), false);
    answer = IDNO;
    Click(f->OKButton);
    ASSERT_TRUE(form->OptionForm); // refused: open with its edits
    EXPECT_TRUE(f->Showing());
    EXPECT_EQ(f->LowStepEdit->Value(), 9);

    // A failure half-way (here the warning box throws) ends the busy section and keeps the
    // dialog open with its edits and a notice, after Apply and after OK alike.
    const auto box = form->OptionWarningBox;
    for (fw::TButton* button : {f->ApplyButton, f->OKButton}) {
        bool thrown = false;
        form->OptionWarningBox = [&](const std::wstring& text, bool& checked) {
            if (!std::exchange(thrown, true))
                throw std::bad_alloc();
            return box(text, checked);
        };
        f->ApplyButton->SetEnabled(true);
        Click(button);
        EXPECT_EQ(form->BusyCount(), 0);
        ASSERT_TRUE(form->OptionForm);
        EXPECT_TRUE(f->ApplyButton->Enabled());
        EXPECT_NE(warnings.back().find(L"Not all settings could be applied"), std::wstring::npos);
    }
    form->OptionWarningBox = box;
    answer = IDYES;
    ::SendMessageW(f->Handle(), WM_CLOSE, 0, 0); // the caption's close applies again after OK
    fw::ProcessMessages();
    EXPECT_FALSE(form->OptionForm);
    EXPECT_EQ(form->Settings.LowStep, PercentToLevel(9, 0, 65535));
}

TEST_F(OptionDialog, EscapeCancelsEnterPressesOk)
{
    TOptionForm* f = &Open();
    f->LowStepEdit->SetValue(11);
    f->LowStepEdit->SetFocus();
    MSG esc{f->LowStepEdit->Handle(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_TRUE(fw::TForm::IsFormMessage(&esc));
    fw::ProcessMessages();
    EXPECT_FALSE(form->OptionForm);
    EXPECT_EQ(form->Settings.LowStep, 655);

    f = &Open();
    f->LowStepEdit->SetValue(11);
    f->RoundStepCheckBox->SetFocus();
    MSG enter{f->RoundStepCheckBox->Handle(), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(fw::TForm::IsFormMessage(&enter));
    fw::ProcessMessages();
    EXPECT_FALSE(form->OptionForm);
    EXPECT_EQ(form->Settings.LowStep, PercentToLevel(11, 0, 65535));
}

TEST_F(OptionDialog, LanguageFileRetranslatesByComponentName)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring file = std::wstring(temp) + L"lorvane-option-lang.ini";
    std::ofstream(std::filesystem::path(file))
        << "[Option]\nStartUpCheckBox=Autostart\nMouseListView0=Taste\nSystemSheet=Allgemein\n"
           "FileNameLabel=nope\nOKButton=Gut\n";
    TOptionForm& f = Open();
    const std::wstring version = f.FileNameLabel->Caption();
    f.ApplyLanguage(file, false);
    EXPECT_EQ(f.StartUpCheckBox->Caption(), L"Autostart");
    EXPECT_EQ(f.OKButton->Caption(), L"Gut");
    EXPECT_EQ(f.Find<fw::TListView>(L"MouseListView")->ColumnCaption(0), L"Taste");
    EXPECT_EQ(f.Find<fw::TListView>(L"MouseListView")->ColumnCaption(1), L"Action"); // missing key: kept
    EXPECT_EQ(f.PageControl->Page(0)->Caption(), L"Allgemein");
    EXPECT_EQ(f.FileNameLabel->Caption(), version); // from the version record, never translated
    EXPECT_EQ(f.AppliedLanguageFile(), file);
    ::DeleteFileW(file.c_str());
}

TEST_F(OptionDialog, AboutPageShowsTheVersionLine)
{
    TOptionForm& f = Open(L"AboutSheet");
    EXPECT_EQ(f.ActivePageCaption(), L"About");
    // The test program carries no version record: the fixed words stay.
    EXPECT_EQ(f.FileNameLabel->Caption().find(L" Version "), 0u);
}

} // namespace

namespace {

TEST_F(OptionDialog, CaptionHelpButtonOnlyWithAHelpFileAndItsReleaseAsksForHelp)
{
    TOptionForm* f = &Open();
    EXPECT_FALSE(::GetWindowLongW(f->Handle(), GWL_EXSTYLE) & WS_EX_CONTEXTHELP);
    EXPECT_TRUE(::GetWindowLongW(f->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    Click(f->CancelButton);
    fw::ProcessMessages();

    form->HelpFile = L"C:\\nowhere\\Lorvane.chm";
    f = &Open(L"MouseSheet");
    EXPECT_TRUE(::GetWindowLongW(f->Handle(), GWL_EXSTYLE) & WS_EX_CONTEXTHELP);
    std::vector<std::wstring> asked;
    f->OnButtonHelp = [&](fw::TObject*) { asked.push_back(f->ActivePageCaption()); };
    EXPECT_EQ(::SendMessageW(f->Handle(), WM_NCLBUTTONDOWN, HTHELP, 0), 0); // no context-help mode
    EXPECT_TRUE(asked.empty());
    ::SendMessageW(f->Handle(), WM_NCLBUTTONUP, HTHELP, 0);
    EXPECT_EQ(asked, std::vector<std::wstring>{L"Mouse"});
}

} // namespace

namespace {

TEST_F(OptionDialog, ResetDeviceListKeepsIdsAndAnAbsentDeviceFallsBackToKeep)
{
    ASSERT_GE(form->MasterVolume->DeviceCount(), 2);
    const std::wstring second = form->MasterVolume->DeviceId(1);
    form->Settings.ReDevice = second;
    TOptionForm& f = Open();
    ASSERT_EQ(f.ReDeviceComboBox->Count(), form->MasterVolume->DeviceCount() + 1);
    EXPECT_EQ(f.ReDeviceComboBox->Item(0), L"(Keep)");
    EXPECT_EQ(f.ReDeviceComboBox->Item(2), form->MasterVolume->DeviceName(1));
    EXPECT_EQ(f.ReDeviceSelected(), second);
    f.ReDeviceComboBox->SetItemIndex(0);
    ASSERT_TRUE(form->ApplyOptionForm(false));
    EXPECT_EQ(form->Settings.ReDevice, L""); // "(Keep)"

    form->Settings.ReDevice = L"{not-present}";
    form->FillOptionForm();
    EXPECT_EQ(f.ReDeviceComboBox->ItemIndex(), -1); // no row selected ...
    ASSERT_TRUE(form->ApplyOptionForm(false));
    EXPECT_EQ(form->Settings.ReDevice, L""); // ... stores the empty device
}

TEST_F(OptionDialog, StartupShortcutFollowsTheBoxOnEveryApply)
{
    TOptionForm& f = Open();
    f.StartUpCheckBox->SetChecked(true);
    f.WaitTimeEdit->SetValue(30);
    ASSERT_TRUE(form->ApplyOptionForm(false));
    StartupShortcut written = form->ReadStartupShortcut();
    EXPECT_TRUE(written.enabled);
    EXPECT_EQ(written.waitSeconds, 30u);
    form->FillOptionForm();
    EXPECT_TRUE(f.StartUpCheckBox->Checked());
    EXPECT_EQ(f.WaitTimeEdit->Value(), 30);
    EXPECT_TRUE(f.WaitTimeEdit->Enabled());

    f.StartUpCheckBox->SetChecked(false);
    ASSERT_TRUE(form->ApplyOptionForm(false));
    EXPECT_FALSE(form->ReadStartupShortcut().enabled); // deleted
    EXPECT_FALSE(f.WaitTimeEdit->Enabled());
}

TEST_F(OptionDialog, OkWithAnotherLanguageClosesWithoutRefilling)
{
    TOptionForm& f = Open();
    f.LangClear();
    f.LangAdd(L"English");
    f.LangAdd(L"Japanese", L"日本語"); // shown in its own words, chosen by its file's name
    f.LangSelect(L"Japanese");
    EXPECT_EQ(f.LangComboBox->Text(), L"日本語");
    EXPECT_EQ(f.LangText(), L"Japanese");
    f.LangAdd(L"Klingon");
    f.LangSelect(L"Klingon");
    EXPECT_EQ(f.LangText(), L"Klingon");
    f.LowStepEdit->SetValue(4);
    Click(f.OKButton);
    fw::ProcessMessages();
    EXPECT_FALSE(form->OptionForm);
    // No such file: the language falls back, but the choice was carried out and saved.
    EXPECT_FALSE(form->Settings.LangName.empty());
    EXPECT_EQ(form->Settings.LowStep, PercentToLevel(4, 0, 65535));
}

} // namespace

namespace {

// Language files whose [Option] section is hostile: long, format, accelerator and control
// characters, empty values, keys missing, repeated or unknown, lines that are no entry. The
// open dialog takes each, paints every page and is cancelled: each caption shown is one of
// the file's texts for its control (or the one it had), and nothing of the model changed.
TEST_F(OptionDialog, HostileOptionCaptionsAreShownAsTheirTextAndCancelStillWorks)
{
    const std::wstring hostile[] = {std::wstring(4000, L'W'),
                                    L"%s%n%999999d",
                                    L"&&&",
                                    L"a\x01\x07\tb\x1b\x7f",
                                    L"",
                                    L"%",
                                    L"&",
                                    L"\u202e\uFFFF\xD800",
                                    L"[Option]",
                                    L"x=y=z",
                                    L"%1:s%0:d&"};
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring file = std::wstring(temp) + L"lorvane-option-hostile.ini";
    std::mt19937 rng(1717u);
    const int files = fuzz::Cases(12);
    long failed = 0;
    std::vector<std::pair<std::wstring, std::wstring>> captioned; // control, caption it opens with
    for (const auto& c : Open().Components())
        if (c->HasCaption() && c->Name() != L"FileNameLabel" && c->Name() != L"CopyrightLabel")
            captioned.emplace_back(c->Name(), c->Caption());
    ::SendMessageW(form->OptionForm->Handle(), WM_CLOSE, 0, 0);
    fw::ProcessMessages();
    for (int n = 0; n < files; ++n) {
        SCOPED_TRACE(testing::Message() << "file " << n);
        const long before = fuzz::FailedChecks();
        std::map<std::wstring, std::vector<std::wstring>> allowed; // control: texts it may show
        std::wstring text = L"\xFEFF[Option]\r\nno entry at all\r\nNoSuchControl=%s\r\n=\r\n";
        for (const auto& [name, caption] : captioned) {
            auto& texts = allowed[name];
            if (rng() % 5 == 0) { // missing: kept
                texts.push_back(caption);
                continue;
            }
            for (int copies = rng() % 4 == 0 ? 2 : 1; copies-- > 0;) {
                texts.push_back(hostile[rng() % std::size(hostile)]);
                text += name + L"=" + texts.back() + L"\r\n";
            }
        }
        const std::wstring& volumeFormat = hostile[rng() % std::size(hostile)];
        const std::wstring& toolFormat = hostile[rng() % std::size(hostile)];
        text += L"SoundOpenDialog=" + hostile[rng() % std::size(hostile)] + L"\r\n[Main]\r\nOptVolUnit=" +
                volumeFormat + L"\r\nOptToolCaption=" + toolFormat + L"\r\n";
        {
            std::ofstream out(std::filesystem::path(file), std::ios::binary);
            out.write(reinterpret_cast<const char*>(text.data()),
                      static_cast<std::streamsize>(text.size() * 2));
        }
        // As a language change does: texts of the program, the dialog filled, then its captions.
        form->ApplyLanguage(file, true);
        TOptionForm& f = Open(n % 3 ? L"" : L"AboutSheet");
        form->TranslateOptionForm(file, true);
        for (int page = 0; page < f.PageControl->PageCount(); ++page) {
            f.PageControl->SetActivePageIndex(page);
            ::RedrawWindow(f.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        }
        for (const auto& [name, texts] : allowed) {
            const std::wstring shown = f.FindComponent(name)->Caption();
            EXPECT_NE(std::find(texts.begin(), texts.end(), shown), texts.end())
                << testing::PrintToString(name) << " shows " << shown.size() << " characters";
        }
        // Rows composed from the formats: bounded whatever the format asked for, and empty
        // only when the format is.
        for (auto [list, column, format] :
             {std::tuple{L"VolumeListView", 1, volumeFormat}, std::tuple{L"ToolListView", 0, toolFormat}}) {
            HWND rows = f.Find<fw::TListView>(list)->Handle();
            for (int row = 0; row < ListView_GetItemCount(rows); ++row) {
                std::wstring cell(16384, L'\0');
                ListView_GetItemText(rows, row, column, cell.data(), static_cast<int>(cell.size()));
                const size_t length = std::wcslen(cell.c_str());
                EXPECT_TRUE((length > 0 || format.empty()) && length < 8192)
                    << testing::PrintToString(list) << " row " << row << ": " << length << " characters";
            }
        }
        MSG esc{f.Handle(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
        EXPECT_TRUE(fw::TForm::IsFormMessage(&esc));
        fw::ProcessMessages();
        EXPECT_FALSE(form->OptionForm);
        EXPECT_EQ(form->Settings.LowStep, 655);
        if (fuzz::FailedChecks() != before && ++failed > 3)
            break;
    }
    ::DeleteFileW(file.c_str());
    fuzz::Tally::Add("hostile dialog captions", files, failed);
}

} // namespace
