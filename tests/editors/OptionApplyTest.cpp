// The editors between the settings model and the dialog, in-process: the main window fills
// the dialog, the test edits it as a user would and applies, then reads the model.
#include "DisplayPage.h"
#include "HotKeyEdit.h"
#include "MainFormTest.h"
#include "Option.h"
#include "OptionControls.h"
#include "OptionEditors.h"
#include "SimControl.h"

#include <gtest/gtest.h>

#include <memory>

namespace lorvane {
namespace {

namespace sim = endpointsim;

void Pump()
{
    for (int i = 0; i < 5; ++i) {
        fw::ProcessMessages();
        ::Sleep(5);
    }
}

class OptionApply : public MainFormTest {
  protected:
    OptionApply() : MainFormTest(L"option-apply-test") {}

    void SetUp() override
    {
        MainFormTest::SetUp();
        if (HasFatalFailure())
            return;
        form->ShowOptionForm(L"");
        Pump();
        ASSERT_TRUE(form->OptionForm);
        e = form->OptionForm->Editors();
        ASSERT_NE(e, nullptr);
    }

    int Position(const wchar_t* name) const
    {
        return form->MainActionList->IndexOf(form->MainActionList->Find(name));
    }

    TOptionEditors* e = nullptr;
};

TEST_F(OptionApply, FilledFromTheModel)
{
    const int count = form->MainActionList->Count();
    EXPECT_EQ(e->KeyCount(), count);
    EXPECT_EQ(e->MouseCount(), 6);
    EXPECT_EQ(e->MouseAction(0), Position(L"PopupBarAction"));
    EXPECT_EQ(e->MouseAction(1), -1);
    EXPECT_EQ(e->VolumeCount(), 10);
    EXPECT_EQ(e->VolumePercent(3), 40);
    EXPECT_EQ(e->ToolCaption(2), L"Tool3");
    // One device entry per playback endpoint, carrying its verb.
    ASSERT_EQ(e->ToolComboBox->Count(), form->MasterVolume->DeviceCount());
    EXPECT_EQ(e->ToolComboBox->ItemData(1), L"Device:" + form->MasterVolume->DeviceId(1));
    // Presets and tools are no menu items of their own.
    EXPECT_EQ(e->MenuIndexMap().Size(), count);
    EXPECT_EQ(e->MenuIndexMap().Item(Position(L"Volume0Action")), -1);
    EXPECT_TRUE(e->MenuShown(Position(L"ShowOptionAction")));
}

TEST_F(OptionApply, DeletedDoubleClickAndPresetAndUnnamedToolAreStored)
{
    form->Settings.Mouse.DoubleClick = L"MuteChangeAction";
    form->FillOptionForm();
    EXPECT_EQ(e->MouseAction(1), Position(L"MuteChangeAction"));
    TReportRows(e->MouseListView->Handle()).Select(1);
    Pump();
    e->MouseDeleteButton->Click();

    TReportRows(e->VolumeListView->Handle()).Select(2);
    Pump();
    e->VolumeBar->Bar().SetPosition(55);
    TReportRows(e->VolumeListView->Handle()).SetChecked(2, true);

    ASSERT_TRUE(form->ApplyOptionForm(false));
    EXPECT_EQ(form->Settings.Mouse.DoubleClick, L"");
    EXPECT_EQ(form->Settings.Presets[2].Level, 36044); // 55 x 65535 / 100 = 36044.25
    EXPECT_TRUE(form->Settings.Presets[2].Active);
    EXPECT_EQ(form->Settings.Tools[2].Caption, L""); // unnamed: composed in the language of the day
    form->FillOptionForm();
    EXPECT_EQ(e->VolumePercent(2), 55);
}

TEST_F(OptionApply, DisplayPageAppliesEveryKeyAndThePreviewFollows)
{
    TOptionForm& f = *form->OptionForm;
    f.ActivatePage(L"DisplaySheet");
    Pump();
    auto click = [&](const wchar_t* name) {
        fw::TControl* c = f.FindComponent(name);
        ASSERT_NE(c, nullptr) << name;
        ::SendMessageW(c->Handle(), BM_CLICK, 0, 0);
        Pump();
    };
    // The page's choices follow the switch.
    EXPECT_FALSE(f.DisplayCheckBox->Checked());
    EXPECT_FALSE(f.FindComponent(L"Anchor0Button")->Enabled());
    click(L"DisplayCheckBox");
    EXPECT_TRUE(f.FindComponent(L"Anchor0Button")->Enabled());
    EXPECT_TRUE(f.FindComponent(L"DarkThemeButton")->Enabled());

    // The preview: bigger for a larger size, a title line with the device, its colours.
    const int mediumWidth = f.DisplayPreview->Metrics().Width;
    EXPECT_TRUE(::IsRectEmpty(&f.DisplayPreview->Metrics().Title));
    auto panel = [&] { // a pixel of the panel left of the bar, as drawn
        const display::TDisplayMetrics& m = f.DisplayPreview->Metrics();
        return f.DisplayPreview->Painter().Pixels()[static_cast<size_t>(m.Height - 4) * m.Width + m.Width / 2] & 0xFFFFFF;
    };
    click(L"LightThemeButton");
    const uint32_t light = panel();
    click(L"DarkThemeButton");
    EXPECT_LT(panel(), light) << "the dark panel is darker";
    click(L"LargeSizeButton");
    EXPECT_GT(f.DisplayPreview->Metrics().Width, mediumWidth);
    click(L"DisplayDeviceCheckBox");
    EXPECT_FALSE(::IsRectEmpty(&f.DisplayPreview->Metrics().Title));

    click(L"Anchor2Button");
    click(L"ForegroundMonitorButton");
    click(L"OutsideChangesCheckBox");
    click(L"FullScreenCheckBox");
    click(L"LightThemeButton");
    f.DisplayTimeEdit->SetValue(2500);
    EXPECT_TRUE(f.ApplyButton->Enabled());
    ASSERT_TRUE(form->ApplyOptionForm(false));
    const TDisplaySettings expected{true, daTopRight, dmForeground, dsLarge, 2500, dtLight, true, true, true};
    EXPECT_EQ(form->Settings.Display, expected);

    // Filled again from the model, the page shows what was applied.
    form->Settings.Display.Anchor = daCenter;
    form->FillOptionForm();
    EXPECT_EQ(f.DisplaySettings().Anchor, daCenter);
    EXPECT_EQ(f.DisplaySettings().Duration, 2500u);
}

TEST_F(OptionApply, MousePageStoresTheBarRowsAndTheApplicationKeysForTheInputThread)
{
    TOptionForm& f = *form->OptionForm;
    EXPECT_TRUE(f.BarApplicationsCheckBox->Checked());
    for (fw::TCheckBox* box : {f.BarApplicationsCheckBox, f.AppAltCheckBox, f.AppCtrlCheckBox})
        ::SendMessageW(box->Handle(), BM_CLICK, 0, 0);
    Pump();
    EXPECT_TRUE(f.ApplyButton->Enabled());
    ASSERT_TRUE(form->ApplyOptionForm(false));
    EXPECT_FALSE(form->Settings.BarApplications);
    EXPECT_EQ(form->Settings.AppWheelKeys, 2 | 4);
    // The wheel's own keys stayed: the new set still reaches the hook's snapshot.
    EXPECT_EQ(form->WheelCapture->State.keys[1].load(), 2 | 4);
    form->Settings.AppWheelKeys = 8;
    form->FillOptionForm();
    EXPECT_EQ(f.AppWheelKeys(), 8u);
}

TEST_F(OptionApply, HotkeysReachTheActionsAndTheModel)
{
    const int up = Position(L"VolumeUpAction");
    TReportRows(e->KeyListView->Handle()).Select(up);
    Pump();
    e->KeyEdit->KeyDown(VK_LCONTROL);
    e->KeyEdit->KeyDown(VK_LMENU);
    e->KeyEdit->KeyDown(VK_UP);
    ASSERT_TRUE(form->ApplyOptionForm(false));
    EXPECT_EQ(form->MainActionList->Action(up)->ShortCut, 0xC026);
    EXPECT_EQ(form->Settings.HotKeys[L"VolumeUpAction"], 0xC026);
}

TEST_F(OptionApply, AHotkeyAnotherProgramHoldsIsMarkedTaken)
{
    // Another window of another registration holds Ctrl+Alt+F9 first.
    HWND other = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(::RegisterHotKey(other, 1, MOD_CONTROL | MOD_ALT, VK_F9));
    form->Texts.SetText(txOptHotKeyTaken, L"%s (belegt)"); // the mark is a text of the language
    form->FillOptionForm();
    const int down = Position(L"VolumeDownAction");
    TReportRows rows(e->KeyListView->Handle());
    rows.Select(down);
    Pump();
    e->KeyEdit->SetHotKey(0xC078);
    e->KeyEdit->OnChange(e->KeyEdit);
    ASSERT_TRUE(form->ApplyOptionForm(false));
    EXPECT_TRUE(e->KeyTaken(down));
    EXPECT_EQ(rows.SubItem(down), L"Ctrl+Alt+F9 (belegt)");
    EXPECT_EQ(e->KeyValue(down), 0xC078); // the value itself is kept
    ::UnregisterHotKey(other, 1);
    ::DestroyWindow(other);
    ASSERT_TRUE(form->ApplyOptionForm(false));
    EXPECT_FALSE(e->KeyTaken(down));
}

TEST_F(OptionApply, MouseWarningOnlyWhenTheMenuLosesItsClick)
{
    ASSERT_TRUE(form->ApplyOptionForm(false));
    EXPECT_TRUE(warnings.empty());
    TReportRows(e->MouseListView->Handle()).Select(2); // Right Click: MainMenuAction
    Pump();
    e->MouseDeleteButton->Click();
    ASSERT_TRUE(form->ApplyOptionForm(false));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find(L"Menu"), std::wstring::npos);
    // Applied: the same rows no longer differ from the bindings in force.
    ASSERT_TRUE(form->ApplyOptionForm(false));
    EXPECT_EQ(warnings.size(), 1u);
}

TEST_F(OptionApply, HiddenSettingsItemWarnsOnEveryApply)
{
    const int show = Position(L"ShowOptionAction");
    const int item = e->MenuIndexMap().Item(show);
    ASSERT_GE(item, 0);
    e->MenuListBox->SetChecked(item, false);
    ASSERT_TRUE(form->ApplyOptionForm(false));
    ASSERT_TRUE(form->ApplyOptionForm(false));
    EXPECT_EQ(warnings.size(), 2u);
    EXPECT_FALSE(form->MainActionList->Action(show)->Visible);
    EXPECT_FALSE(form->Settings.MenuVisible[L"ShowOptionAction"]);
}

} // namespace
} // namespace lorvane
