// The list editors inside the real settings dialog: rows filled through the editors'
// operations, edited with real keystrokes and clicks (SendInput) and read back.
#include "OptionEditors.h"
#include "DesktopTestLock.h"
#include "FormInput.h"
#include "HotKeyEdit.h"
#include "Option.h"
#include "OptionControls.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>

namespace lorvane {
namespace {

void Pump(DWORD ms = 100)
{
    testsupport::PumpForms(ms);
}

void Key(WORD key, bool down)
{
    testsupport::SendKey(key, down);
}

// A left click (or two) at a point of a window's client area, with the real pointer.
void Click(HWND window, POINT p, int clicks = 1)
{
    ::ClientToScreen(window, &p);
    // The pointer moves asynchronously under the X server: wait until it is there.
    const DWORD end = ::GetTickCount() + 2000;
    POINT now{};
    do {
        ::SetCursorPos(p.x, p.y);
        Pump(30);
        ::GetCursorPos(&now);
    } while ((now.x != p.x || now.y != p.y) && static_cast<LONG>(end - ::GetTickCount()) > 0);
    for (int i = 0; i < clicks; ++i) {
        INPUT in[2]{};
        in[0].type = in[1].type = INPUT_MOUSE;
        in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        ::SendInput(2, in, sizeof(INPUT));
        Pump(30);
    }
    Pump(100);
}

class OptionEditorsTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        dialog = std::make_unique<TOptionForm>(nullptr);
        ASSERT_TRUE(dialog->Create(false));
        e = dialog->Editors();
        ASSERT_NE(e, nullptr);
        dialog->VolumeFormat = L"%d%%";
        dialog->ToolFormat = L"Tool%d";
        dialog->OnHotKeyEnter = [this](fw::TObject*) { ++hotKeyEnters; };
        dialog->OnHotKeyExit = [this](fw::TObject*) { ++hotKeyExits; };
        dialog->Show();
        ::SetForegroundWindow(dialog->Handle());
        Pump();
    }
    void TearDown() override
    {
        dialog.reset();
        Pump(50);
    }

    void Page(const wchar_t* name)
    {
        dialog->ActivatePage(name);
        Pump();
    }
    // Selects a row as the user does and lets the posted refresh run.
    void Select(fw::TListView* list, int row)
    {
        TReportRows(list->Handle()).Select(row);
        Pump();
    }
    bool ApplyEnabled() const { return dialog->ApplyButton->Enabled(); }
    void ResetApply() { dialog->ApplyButton->SetEnabled(false); }

    testsupport::DesktopTestLock lock;
    std::unique_ptr<TOptionForm> dialog;
    TOptionEditors* e = nullptr;
    int hotKeyEnters = 0;
    int hotKeyExits = 0;
};

TEST_F(OptionEditorsTest, NoSelectionDisablesEveryInput)
{
    EXPECT_FALSE(e->MouseComboBox->Enabled());
    EXPECT_FALSE(e->MouseDeleteButton->Enabled());
    EXPECT_FALSE(e->KeyEdit->Enabled());
    EXPECT_FALSE(e->VolumeBar->Enabled());
    EXPECT_FALSE(e->ToolComboBox->Enabled());
    EXPECT_FALSE(e->ToolCommandEdit->Enabled());
    EXPECT_FALSE(e->ToolDialogButton->Enabled());
}

TEST_F(OptionEditorsTest, DeletingTheDoubleClickBindingEmptiesItsAction)
{
    e->MouseBeginUpdate();
    e->MouseComboClear();
    for (const wchar_t* hint : {L"Default Device", L"Volume Bar", L"Menu", L"Mute"})
        e->MouseComboAdd(hint);
    e->MouseClear();
    e->MouseAdd(1, L"Click");
    e->MouseAdd(3, L"Double Click");
    e->MouseAdd(2, L"Right Click");
    e->MouseAdd(9, L"Wheel Click"); // no such action
    e->MouseEndUpdate();
    TReportRows rows(e->MouseListView->Handle());
    EXPECT_EQ(rows.SubItem(1), L"Mute");
    EXPECT_EQ(e->MouseAction(3), -1);
    EXPECT_EQ(rows.SubItem(3), L"");

    Page(L"MouseSheet");
    Select(e->MouseListView, 1);
    EXPECT_TRUE(e->MouseComboBox->Enabled());
    EXPECT_EQ(e->MouseComboBox->ItemIndex(), 3);
    ResetApply();
    e->MouseDeleteButton->Click();
    EXPECT_EQ(e->MouseAction(1), -1);
    EXPECT_EQ(rows.SubItem(1), L"");
    EXPECT_EQ(e->MouseComboBox->ItemIndex(), -1);
    EXPECT_TRUE(ApplyEnabled());
    EXPECT_EQ(e->MouseAction(0), 1); // the others stay
}

TEST_F(OptionEditorsTest, TypedHotkeysFollowTheSelectedRow)
{
    e->KeyBeginUpdate();
    e->KeyClear();
    e->KeyAdd(0, L"Volume Up");
    e->KeyAdd(0x4041, L"Volume Down");
    e->KeyEndUpdate();
    TReportRows rows(e->KeyListView->Handle());
    EXPECT_EQ(rows.SubItem(1), L"Ctrl+A");

    Page(L"KeyboardSheet");
    Select(e->KeyListView, 0);
    ASSERT_TRUE(e->KeyEdit->Enabled());
    e->KeyEdit->SetFocus();
    Pump();
    ASSERT_TRUE(e->KeyEdit->Capturing());
    EXPECT_EQ(hotKeyEnters, 1);
    ResetApply();

    Key(VK_LCONTROL, true);
    Key(VK_LMENU, true);
    Key(VK_UP, true);
    EXPECT_EQ(rows.SubItem(0), L"Ctrl+Alt+Up"); // the row follows while it is typed
    Key(VK_UP, false);
    Key(VK_LMENU, false);
    Key(VK_LCONTROL, false);
    EXPECT_EQ(e->KeyValue(0), 0xC026);
    EXPECT_TRUE(ApplyEnabled());

    // Ctrl alone: no text, but the value stays in the row.
    Key(VK_RCONTROL, true);
    Key(VK_RCONTROL, false);
    EXPECT_EQ(e->KeyValue(0), 0x4000);
    EXPECT_EQ(rows.SubItem(0), L"");

    // Enter and Escape are hotkeys here: neither OK nor Cancel acts.
    bool closed = false;
    dialog->OnButtonOk = [&](fw::TObject*) { closed = true; };
    dialog->OnButtonCancel = [&](fw::TObject*) { closed = true; };
    Key(VK_RETURN, true);
    Key(VK_RETURN, false);
    EXPECT_EQ(e->KeyValue(0), VK_RETURN);
    Key(VK_ESCAPE, true);
    Key(VK_ESCAPE, false);
    EXPECT_EQ(e->KeyValue(0), VK_ESCAPE);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(dialog->Showing());

    // Leaving the edit gives the buttons their roles back and ends the suspension.
    e->KeyListView->SetFocus();
    Pump();
    EXPECT_FALSE(e->KeyEdit->Capturing());
    EXPECT_EQ(hotKeyExits, 1);
    EXPECT_EQ(dialog->DefaultButton, dialog->OKButton);
    EXPECT_EQ(dialog->CancelButton, dialog->CancelButton);

    e->KeyDeleteButton->Click();
    EXPECT_EQ(e->KeyValue(0), 0);
    EXPECT_EQ(e->KeyEdit->HotKey(), 0);
}

TEST_F(OptionEditorsTest, TakenHotkeyIsMarkedUntilTheRowChanges)
{
    e->KeyBeginUpdate();
    e->KeyClear();
    e->KeyAdd(0xC026, L"Volume Up");
    e->KeyEndUpdate();
    TReportRows rows(e->KeyListView->Handle());
    e->SetKeyTaken(0, true);
    EXPECT_EQ(rows.SubItem(0), L"Ctrl+Alt+Up (taken)");
    EXPECT_EQ(e->KeyValue(0), 0xC026);
    Page(L"KeyboardSheet");
    Select(e->KeyListView, 0);
    e->KeyDeleteButton->Click();
    EXPECT_FALSE(e->KeyTaken(0));
    EXPECT_EQ(rows.SubItem(0), L"");
}

TEST_F(OptionEditorsTest, PresetBarMovedByTheMouseEnablesApplySelectingDoesNot)
{
    e->VolumeBeginUpdate();
    e->VolumeClear();
    e->VolumeAdd(10, L"Volume1", false);
    e->VolumeAdd(55, L"Volume2", true);
    e->VolumeEndUpdate();
    TReportRows rows(e->VolumeListView->Handle());
    EXPECT_EQ(rows.SubItem(1), L"55%");
    EXPECT_TRUE(e->VolumeChecked(1));

    Page(L"VolumeSheet");
    ResetApply();
    Select(e->VolumeListView, 1);
    EXPECT_EQ(e->VolumeBar->Bar().Position(), 55);
    EXPECT_EQ(e->VolumeEdit->Caption(), L"55%");
    Select(e->VolumeListView, 0);
    EXPECT_EQ(e->VolumeBar->Bar().Position(), 10);
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_EQ(e->VolumePercent(1), 55);

    // A click on the channel far right of the thumb pages the bar up.
    RECT channel{};
    ::SendMessageW(e->VolumeBar->Handle(), TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    Click(e->VolumeBar->Handle(), POINT{channel.right - 4, (channel.top + channel.bottom) / 2});
    EXPECT_GT(e->VolumePercent(0), 10);
    EXPECT_EQ(e->VolumePercent(0), e->VolumeBar->Bar().Position());
    EXPECT_EQ(rows.SubItem(0), std::to_wstring(e->VolumePercent(0)) + L"%");
    EXPECT_TRUE(ApplyEnabled());
    EXPECT_FALSE(e->VolumeChecked(0)); // the check is the row's own
}

TEST_F(OptionEditorsTest, ToolNamesFromDefaultDeviceEntryAndFileDialog)
{
    e->ToolBeginUpdate();
    e->ToolClear();
    e->ToolAdd(L"notepad.exe", L"Editor", true);
    e->ToolAdd(L"", L"", true);
    e->ToolAdd(L"calc.exe", L"", false);
    e->ToolEndUpdate();
    e->ToolDeviceBeginUpdate();
    e->ToolDeviceClear();
    e->ToolDeviceAdd(L"Device:{0.0.0.00000000}.{aaaa}", L"Headphones");
    e->ToolDeviceAdd(L"Device:{0.0.0.00000000}.{bbbb}", L"Speakers");
    e->ToolDeviceEndUpdate();
    EXPECT_EQ(e->ToolCaption(0), L"Editor");
    EXPECT_EQ(e->ToolCaption(2), L"Tool3"); // unnamed: the numbered caption is shown, no name stored
    EXPECT_EQ(e->ToolName(2), L"");
    EXPECT_FALSE(e->ToolChecked(2));

    Page(L"ToolSheet");
    Select(e->ToolListView, 1);
    EXPECT_TRUE(e->ToolComboBox->Enabled());
    EXPECT_EQ(e->ToolComboBox->Text(), L"Tool2");
    // The user opens the list and chooses Speakers.
    ResetApply();
    ::SendMessageW(e->ToolComboBox->Handle(), CB_SETCURSEL, 1, 0);
    ::SendMessageW(::GetParent(e->ToolComboBox->Handle()), WM_COMMAND,
                   MAKEWPARAM(::GetDlgCtrlID(e->ToolComboBox->Handle()), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(e->ToolComboBox->Handle()));
    Pump();
    EXPECT_EQ(e->ToolCaption(1), L"Speakers");
    EXPECT_EQ(e->ToolCommand(1), L"Device:{0.0.0.00000000}.{bbbb}");
    EXPECT_EQ(e->ToolCommandEdit->Text(), L"Device:{0.0.0.00000000}.{bbbb}");
    EXPECT_EQ(e->ToolDeviceLabel->Caption(), L"Speakers"); // the ID's device by name
    EXPECT_TRUE(ApplyEnabled());

    // Typing a command renames nothing; clearing the name falls back to the numbered caption.
    e->ToolCommandEdit->SetText(L"mmsys.cpl");
    EXPECT_EQ(e->ToolCommand(1), L"mmsys.cpl");
    EXPECT_EQ(e->ToolCaption(1), L"Speakers");
    EXPECT_EQ(e->ToolDeviceLabel->Caption(), L"");
    e->ToolDeleteButton->Click();
    EXPECT_EQ(e->ToolCaption(1), L"Tool2");
    EXPECT_EQ(e->ToolCommand(1), L"");
    EXPECT_TRUE(e->ToolChecked(1));
    // A command typed into an unnamed row, its numbered caption in the name box, leaves it
    // unnamed.
    Select(e->ToolListView, 2);
    EXPECT_EQ(e->ToolComboBox->Text(), L"Tool3");
    e->ToolCommandEdit->SetText(L"mmsys.cpl");
    EXPECT_EQ(e->ToolCommand(2), L"mmsys.cpl");
    EXPECT_EQ(e->ToolName(2), L"");

    // A double click on a row opens the file dialog; the chosen file names the tool.
    std::wstring filter;
    dialog->OpenFile = [&](const std::wstring& f) {
        filter = f;
        return std::wstring(L"C:\\Tools\\app.exe");
    };
    RECT item{};
    ListView_GetItemRect(e->ToolListView->Handle(), 2, &item, LVIR_LABEL);
    Click(e->ToolListView->Handle(), POINT{item.left + 20, (item.top + item.bottom) / 2}, 2);
    EXPECT_EQ(filter, dialog->ToolOpenDialogFilter);
    EXPECT_EQ(e->ToolCaption(2), L"app");
    EXPECT_EQ(e->ToolCommand(2), L"C:\\Tools\\app.exe");

    // Choosing nothing changes nothing.
    dialog->OpenFile = [](const std::wstring&) { return std::wstring(); };
    e->ToolDialogButton->Click();
    EXPECT_EQ(e->ToolCaption(2), L"app");
}

TEST_F(OptionEditorsTest, CheckBoxClickOnAPresetEnablesApply)
{
    e->VolumeBeginUpdate();
    e->VolumeClear();
    e->VolumeAdd(35, L"Volume1", false);
    e->VolumeEndUpdate();
    Page(L"VolumeSheet");
    ResetApply();
    RECT label{};
    ListView_GetItemRect(e->VolumeListView->Handle(), 0, &label, LVIR_LABEL);
    Click(e->VolumeListView->Handle(), POINT{label.left - 8, (label.top + label.bottom) / 2});
    EXPECT_TRUE(e->VolumeChecked(0));
    EXPECT_TRUE(ApplyEnabled());
}

TEST_F(OptionEditorsTest, AtMostOneIconSetChecked)
{
    e->IconBeginUpdate();
    e->IconClear();
    e->IconAdd(L"C:\\I\\Speaker Blue\\Vol3.png", false);
    e->IconAdd(L"C:\\I\\Bar Meter\\Vol0.bmp", true);
    e->IconAdd(L"C:\\I\\Digital White\\Vol050.ico", false);
    e->IconEndUpdate();
    // Sorted by path.
    EXPECT_EQ(e->IconText(0), L"C:\\I\\Bar Meter\\Vol0.bmp");
    EXPECT_TRUE(e->IconChecked(0));

    Page(L"IconSheet");
    ResetApply();
    const int h = e->IconListBox->ItemHeight();
    Click(e->IconListBox->Handle(), POINT{4, h * 2 + h / 2}); // the check box of item 2
    EXPECT_FALSE(e->IconChecked(0));
    EXPECT_TRUE(e->IconChecked(2));
    EXPECT_TRUE(ApplyEnabled());
    ::Sleep(::GetDoubleClickTime() + 50);                     // a second click, not a double click
    Click(e->IconListBox->Handle(), POINT{4, h * 2 + h / 2}); // unchecking the only one
    for (int i = 0; i < e->IconCount(); ++i)
        EXPECT_FALSE(e->IconChecked(i));
    Click(e->IconListBox->Handle(), POINT{60, h + h / 2}, 2); // double click on item 1
    EXPECT_TRUE(e->IconChecked(1));
    EXPECT_FALSE(e->IconChecked(0));
}

TEST_F(OptionEditorsTest, MenuListShowsFixedActionsOnly)
{
    e->MenuBeginUpdate();
    e->MenuClear();
    e->MenuAdd(true, L"Default Device", true);
    e->MenuAdd(true, L"Volume1 (10%)", false);
    e->MenuAdd(true, L"Settings", true);
    e->MenuEndUpdate();
    EXPECT_EQ(e->MenuListBox->Count(), 2);
    EXPECT_EQ(e->MenuIndexMap().Item(1), -1);
    EXPECT_FALSE(e->MenuShown(1)); // not listed
    EXPECT_TRUE(e->MenuShown(2));

    Page(L"IconSheet");
    ResetApply();
    const int h = e->MenuListBox->ItemHeight();
    Click(e->MenuListBox->Handle(), POINT{4, h + h / 2}); // uncheck Settings
    EXPECT_FALSE(e->MenuShown(2));
    EXPECT_TRUE(ApplyEnabled());
}

} // namespace
} // namespace lorvane
