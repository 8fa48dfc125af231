// Forms built from a description: nesting, names, reflected notifications, the standard
// kinds' rules, page switching, keyboard navigation and scaling.
#include "Form.h"
#include "Window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace fw;

const TControlDesc kControls[] = {
    {L"TPageControl", L"Pages", L"", L"", 5, 5, 300, 200},
    {L"TTabSheet", L"FirstSheet", L"Pages", L"First", 0, 0, 0, 0},
    {L"TGroupBox", L"Group", L"FirstSheet", L"Group", 8, 8, 200, 120},
    {L"TCheckBox", L"Box", L"Group", L"&Box", 10, 20, 150, 17},
    {L"TRadioButton", L"RadioA", L"Group", L"&A", 10, 40, 60, 17},
    {L"TRadioButton", L"RadioB", L"Group", L"&B", 80, 40, 60, 17},
    {L"TComboBox", L"Combo", L"Group", L"", 10, 64, 150, 21, 0, L"Style=List;DropDownCount=5"},
    {L"TTabSheet", L"SecondSheet", L"Pages", L"Second", 0, 0, 0, 0},
    {L"TListView", L"List", L"SecondSheet", L"", 8, 8, 200, 100, 0, L"Columns=One:80,Two:90"},
    {L"TCheckListBox", L"Checks", L"SecondSheet", L"", 8, 112, 200, 60, 0, L"ItemHeight=16"},
    {L"TPanel", L"Buttons", L"", L"", 0, 210, 320, 30},
    {L"TButton", L"Ok", L"Buttons", L"OK", 100, 2, 80, 25, 0, L"Default=1;ModalResult=1"},
    {L"TButton", L"Cancel", L"Buttons", L"Cancel", 190, 2, 80, 25, 0, L"Cancel=1;ModalResult=2"},
};
const TFormDesc kDesc = {L"FormTestForm",
                         L"Test",
                         320,
                         240,
                         WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                         0,
                         kControls,
                         sizeof(kControls) / sizeof(kControls[0])};

class FormTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(form.CreateFromDesc(kDesc, 96)); }

    // What the system sends the parent when the user clicks the control.
    static void UserClick(TControl* c)
    {
        ::SendMessageW(::GetParent(c->Handle()), WM_COMMAND,
                       MAKEWPARAM(::GetDlgCtrlID(c->Handle()), BN_CLICKED),
                       reinterpret_cast<LPARAM>(c->Handle()));
    }

    TForm form{nullptr, L"FormTestForm"};
};

TEST_F(FormTest, EveryRowBecomesANamedControlInItsParent)
{
    ASSERT_EQ(form.Components().size(), sizeof(kControls) / sizeof(kControls[0]));
    for (const TControlDesc& d : kControls) {
        TControl* c = form.FindComponent(d.Name);
        ASSERT_NE(c, nullptr) << d.Name;
        TControl* parent = *d.Parent ? form.FindComponent(d.Parent) : &form;
        EXPECT_EQ(c->Parent(), parent) << d.Name;
        EXPECT_EQ(::GetParent(c->Handle()), parent->Handle()) << d.Name;
    }
    EXPECT_EQ(form.Find<TCheckBox>(L"Box")->Caption(), L"&Box");
    EXPECT_EQ(form.Find<TGroupBox>(L"Group")->Caption(), L"Group");
    EXPECT_EQ(form.Find<TButton>(L"Nothing"), nullptr);
    EXPECT_EQ(form.Find<TButton>(L"Box"), form.FindComponent(L"Box")); // a check box is a button
    EXPECT_EQ(form.DefaultButton, form.FindComponent(L"Ok"));
    EXPECT_EQ(form.CancelButton, form.FindComponent(L"Cancel"));
    RECT r = form.FindComponent(L"Box")->BoundsRect();
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.bottom - r.top, 17);
}

TEST_F(FormTest, UnknownKindOrParentFailsTheForm)
{
    const TControlDesc bad[] = {{L"TNoSuchKind", L"X", L"", L"", 0, 0, 10, 10}};
    TForm other(nullptr, L"FormTestBad");
    EXPECT_FALSE(other.CreateFromDesc({L"FormTestBad", L"", 50, 50, WS_POPUP, 0, bad, 1}, 96));
    const TControlDesc orphan[] = {{L"TLabel", L"X", L"Missing", L"", 0, 0, 10, 10}};
    TForm third(nullptr, L"FormTestOrphan");
    EXPECT_FALSE(third.CreateFromDesc({L"FormTestOrphan", L"", 50, 50, WS_POPUP, 0, orphan, 1}, 96));
}

TEST_F(FormTest, CheckBoxWritesFireOnlyOnChangeAndClicksThroughNestingToggle)
{
    auto* box = form.Find<TCheckBox>(L"Box");
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    box->SetChecked(false); // the state it has: nothing
    EXPECT_EQ(clicks, 0);
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(::SendMessageW(box->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    UserClick(box); // reflected from the group box to the box
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(clicks, 2);
}

TEST_F(FormTest, RadioButtonsOfOneParentExcludeEachOther)
{
    auto* a = form.Find<TRadioButton>(L"RadioA");
    auto* b = form.Find<TRadioButton>(L"RadioB");
    UserClick(a);
    EXPECT_TRUE(a->Checked());
    UserClick(b);
    EXPECT_TRUE(b->Checked());
    EXPECT_FALSE(a->Checked());
    b->SetCheckedGroup(false);
    EXPECT_FALSE(a->Checked() || b->Checked());
}

TEST_F(FormTest, ComboItemsCarryTheirData)
{
    auto* combo = form.Find<TComboBox>(L"Combo");
    combo->Add(L"Speakers", L"{id-1}");
    combo->Add(L"Headset", L"{id-2}");
    combo->SetText(L"Headset");
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->ItemData(combo->ItemIndex()), L"{id-2}");
    EXPECT_EQ(combo->ItemData(-1), L"");
    combo->SetText(L"Absent");
    EXPECT_EQ(combo->ItemIndex(), -1);
    combo->Clear();
    EXPECT_EQ(combo->Count(), 0);
    EXPECT_EQ(combo->ItemData(0), L"");
}

TEST_F(FormTest, ListColumnsFromTheDescription)
{
    auto* list = form.Find<TListView>(L"List");
    ASSERT_EQ(list->ColumnCount(), 2);
    EXPECT_EQ(list->ColumnCaption(1), L"Two");
    EXPECT_EQ(list->ColumnWidth(0), 80);
    list->SetColumnCaption(0, L"Eins");
    EXPECT_EQ(list->ColumnCaption(0), L"Eins");
}

TEST_F(FormTest, CheckListTogglesByCheckBoxClickAndSpaceOnly)
{
    auto* checks = form.Find<TCheckListBox>(L"Checks");
    checks->Add(L"first", false);
    checks->Add(L"second", true);
    int toggles = 0;
    checks->OnClickCheck = [&](TObject*) { ++toggles; };
    form.Find<TPageControl>(L"Pages")->SetActivePageIndex(1);
    ::SendMessageW(checks->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4)); // on the box
    ::SendMessageW(checks->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    EXPECT_TRUE(checks->Checked(0));
    ::SendMessageW(checks->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 20)); // on the text
    ::SendMessageW(checks->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(100, 20));
    EXPECT_TRUE(checks->Checked(1));
    EXPECT_EQ(checks->ItemIndex(), 1);
    ::SendMessageW(checks->Handle(), WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_FALSE(checks->Checked(1));
    EXPECT_EQ(toggles, 2);
}

TEST_F(FormTest, PagesShowOneSheetAndCtrlTabWraps)
{
    auto* pages = form.Find<TPageControl>(L"Pages");
    ASSERT_EQ(pages->PageCount(), 2);
    EXPECT_EQ(pages->ActivePageIndex(), 0);
    EXPECT_TRUE(pages->Page(0)->Visible());
    EXPECT_FALSE(pages->Page(1)->Visible());
    pages->SetActivePageIndex(5); // out of range: nothing
    EXPECT_EQ(pages->ActivePageIndex(), 0);
    form.Show();
    form.Find<TCheckBox>(L"Box")->SetFocus();
    MSG m{form.Find<TCheckBox>(L"Box")->Handle(), WM_KEYDOWN, VK_NEXT, 0, 0, {}};
    ::keybd_event(VK_CONTROL, 0, 0, 0);
    ProcessMessages();
    const bool ctrl = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
    const bool handled = TForm::IsFormMessage(&m);
    ::keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
    ProcessMessages();
    if (ctrl) {
        EXPECT_TRUE(handled);
        EXPECT_EQ(pages->ActivePageIndex(), 1);
        EXPECT_FALSE(pages->Page(0)->Visible());
        EXPECT_FALSE(form.Find<TCheckBox>(L"Box")->Focused()); // no focus left on a hidden page
    }
    const int before = pages->ActivePageIndex();
    pages->SelectNextPage(true); // wraps round at both ends
    EXPECT_EQ(pages->ActivePageIndex(), (before + 1) % 2);
    pages->SelectNextPage(false);
    EXPECT_EQ(pages->ActivePageIndex(), before);
    pages->Page(1)->SetCaption(L"Zwei");
    EXPECT_EQ(pages->Page(1)->Caption(), L"Zwei");
}

TEST_F(FormTest, EnterAndEscapeReachTheirButtonsOnlyWhileTheyHaveTheRole)
{
    std::vector<std::wstring> pressed;
    form.Find<TButton>(L"Ok")->OnClick = [&](TObject*) { pressed.push_back(L"ok"); };
    form.Find<TButton>(L"Cancel")->OnClick = [&](TObject*) { pressed.push_back(L"cancel"); };
    form.Show();
    form.Find<TCheckBox>(L"Box")->SetFocus();
    MSG esc{form.Find<TCheckBox>(L"Box")->Handle(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_TRUE(TForm::IsFormMessage(&esc));
    MSG enter{form.Find<TCheckBox>(L"Box")->Handle(), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(TForm::IsFormMessage(&enter));
    EXPECT_EQ(pressed, (std::vector<std::wstring>{L"cancel", L"ok"}));
    form.DefaultButton = nullptr;
    form.CancelButton = nullptr;
    TForm::IsFormMessage(&esc);
    TForm::IsFormMessage(&enter);
    EXPECT_EQ(pressed.size(), 2u);
}

TEST_F(FormTest, CloseQueryCanRefuse)
{
    bool allow = false;
    int closed = 0;
    form.OnCloseQuery = [&](TForm*) { return allow; };
    form.OnClose = [&](TObject*) { ++closed; };
    form.Show();
    ::SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(form.Showing());
    allow = true;
    ::SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(form.Showing());
    EXPECT_EQ(closed, 1);
}

TEST_F(FormTest, ScalingMovesSizesAndGrowsTheFont)
{
    const LONG height = form.FontInfo().lfHeight;
    form.ScaleBy(3, 2);
    RECT box = form.FindComponent(L"Box")->BoundsRect();
    EXPECT_EQ(box.left, 15);
    EXPECT_EQ(box.top, 30);
    EXPECT_EQ(box.right - box.left, 225);
    RECT group = form.FindComponent(L"Group")->BoundsRect();
    EXPECT_EQ(group.right - group.left, 300);
    EXPECT_EQ(form.FontInfo().lfHeight, ::MulDiv(height, 3, 2));
    EXPECT_EQ(form.Find<TListView>(L"List")->ColumnWidth(1), 135);
    EXPECT_EQ(form.Find<TCheckListBox>(L"Checks")->ItemHeight(), 24);
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(form.FindComponent(L"Box")->Handle(), WM_GETFONT, 0, 0)),
              form.Font());
}

TEST_F(FormTest, DisablingTheFocusedControlHandsTheKeyboardOn)
{
    form.Show();
    auto* ok = form.Find<TButton>(L"Ok");
    ok->SetFocus();
    ASSERT_TRUE(ok->Focused());
    ok->SetEnabled(false);
    EXPECT_FALSE(ok->Focused());
    EXPECT_TRUE(::IsChild(form.Handle(), ::GetFocus()) || ::GetFocus() == form.Handle());
}

} // namespace
