// The hotkey edit and its keyboard capture against real windows, a real low-level hook and
// keystrokes sent through SendInput.
#include "HotKeyEdit.h"
#include "DesktopTestLock.h"
#include "Form.h"
#include "FormInput.h"
#include "HotKeyEvents.h"

#include <gtest/gtest.h>

#include <vector>

namespace lorvane {
namespace {

const fw::TControlDesc kControls[] = {
    {L"THotKeyEdit", L"KeyEdit", L"", L"", 10, 10, 200, 21},
    {L"TButton", L"OKButton", L"", L"OK", 10, 40, 88, 25},
    {L"TButton", L"CancelButton", L"", L"Cancel", 110, 40, 88, 25},
};
const fw::TFormDesc kDesc = {
    L"HotKeyTestForm", L"Hotkey test", 220, 80, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0, kControls, 3};

void Pump(DWORD ms = 150)
{
    testsupport::PumpForms(ms);
}

void Send(WORD key, bool down)
{
    testsupport::SendKey(key, down);
}

class HotKeyEditTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        THotKeyEdit::Register();
        ASSERT_TRUE(form.CreateFromDesc(kDesc, 96));
        edit = form.Find<THotKeyEdit>(L"KeyEdit");
        ok = form.Find<fw::TButton>(L"OKButton");
        cancel = form.Find<fw::TButton>(L"CancelButton");
        ASSERT_TRUE(edit && ok && cancel);
        form.DefaultButton = ok;
        form.CancelButton = cancel;
        ok->OnClick = [this](fw::TObject*) { ++okClicks; };
        cancel->OnClick = [this](fw::TObject*) { ++cancelClicks; };
        edit->OnChange = [this](fw::TObject*) { texts.push_back(edit->Text()); };
        form.Show();
        ::SetForegroundWindow(form.Handle());
        Pump();
        edit->SetFocus();
        Pump();
    }
    void TearDown() override
    {
        // Nothing may keep the keyboard after the test.
        if (edit)
            ok->SetFocus();
        Pump(50);
    }

    testsupport::DesktopTestLock lock;
    fw::TForm form{nullptr, L"HotKeyTestForm"};
    THotKeyEdit* edit = nullptr;
    fw::TButton* ok = nullptr;
    fw::TButton* cancel = nullptr;
    int okClicks = 0;
    int cancelClicks = 0;
    std::vector<std::wstring> texts;
};

TEST_F(HotKeyEditTest, CtrlThenAGivesCtrlA)
{
    ASSERT_TRUE(edit->Capturing());
    Send(VK_LCONTROL, true);
    Send('A', true);
    Send('A', false);
    Send(VK_LCONTROL, false);
    EXPECT_EQ(edit->HotKey(), 0x4041); // Ctrl (0x4000) + the key code 65
    EXPECT_EQ(edit->Text(), L"Ctrl+A");
    // Every press and release shows its text: the row follows while it is typed.
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"Ctrl+", L"Ctrl+A", L"Ctrl+A", L"Ctrl+A"}));
}

TEST_F(HotKeyEditTest, CtrlAloneShowsNothingButKeepsItsValue)
{
    Send(VK_RCONTROL, true);
    EXPECT_EQ(edit->Text(), L"Ctrl+");
    Send(VK_RCONTROL, false);
    EXPECT_EQ(edit->Text(), L"");
    EXPECT_EQ(edit->HotKey(), 0x4000);
}

TEST_F(HotKeyEditTest, EnterEscapeAndCtrlTabBecomeHotkeysAndPressNoButton)
{
    const std::vector<std::pair<WORD, input::TShortCut>> keys = {
        {VK_RETURN, 0x000D}, {VK_ESCAPE, 0x001B}, {VK_TAB, 0x4009}};
    for (auto [key, value] : keys) {
        if (value & 0x4000)
            Send(VK_LCONTROL, true);
        Send(key, true);
        Send(key, false);
        if (value & 0x4000)
            Send(VK_LCONTROL, false);
        EXPECT_EQ(edit->HotKey(), value);
        EXPECT_TRUE(edit->Focused()); // Ctrl+Tab moved nothing
    }
    EXPECT_EQ(okClicks, 0);
    EXPECT_EQ(cancelClicks, 0);
    EXPECT_TRUE(form.Showing());
}

// A keyboard-only user leaves the edit as any other control; a Shift held on the way in is
// released to the system, not kept down for every program.
TEST_F(HotKeyEditTest, TabAndShiftTabMoveOnAndLeaveNoKeyDown)
{
    edit->SetHotKey(0x001B);
    ok->SetFocus();
    Pump();
    Send(VK_LSHIFT, true);
    Send(VK_TAB, true); // back from OK into the edit
    Send(VK_TAB, false);
    ASSERT_TRUE(edit->Focused());
    ASSERT_TRUE(edit->Capturing());
    Send(VK_LSHIFT, false);
    EXPECT_GE(::GetAsyncKeyState(VK_SHIFT), 0) << "Shift stays down for the system";

    Send(VK_TAB, true);
    Send(VK_TAB, false);
    EXPECT_TRUE(ok->Focused());
    edit->SetFocus();
    Pump();
    Send(VK_LSHIFT, true);
    Send(VK_TAB, true);
    Send(VK_TAB, false);
    Send(VK_LSHIFT, false);
    EXPECT_TRUE(cancel->Focused());
    EXPECT_EQ(edit->HotKey(), 0x001B) << "Tab became the hotkey";
    for (int vk : {VK_SHIFT, VK_TAB})
        EXPECT_GE(::GetAsyncKeyState(vk), 0) << "key " << vk << " stays down";
    EXPECT_EQ(okClicks + cancelClicks, 0);
}

TEST_F(HotKeyEditTest, KeystrokesNeverReachTheEditItself)
{
    int keyMessages = 0;
    // The edit sees its own messages first through the framework; a second subclass counts.
    ::SetWindowSubclass(
        edit->Handle(),
        [](HWND h, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR data) -> LRESULT {
            if (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN || msg == WM_KEYUP || msg == WM_SYSKEYUP)
                ++*reinterpret_cast<int*>(data);
            return ::DefSubclassProc(h, msg, w, l);
        },
        1, reinterpret_cast<DWORD_PTR>(&keyMessages));
    Send(VK_LMENU, true);
    Send(VK_F4, true);
    Send(VK_F4, false);
    Send(VK_LMENU, false);
    EXPECT_EQ(edit->HotKey(), 0x8073);
    EXPECT_EQ(edit->Text(), L"Alt+F4");
    EXPECT_EQ(keyMessages, 0);
    EXPECT_TRUE(form.Showing()); // Alt+F4 closed nothing
}

TEST_F(HotKeyEditTest, CaptureOnlyWhileFocused)
{
    EXPECT_TRUE(edit->Capturing());
    EXPECT_NE(THotKeyEvents::Hook(), nullptr);
    ok->SetFocus();
    Pump();
    EXPECT_FALSE(edit->Capturing());
    EXPECT_EQ(THotKeyEvents::Hook(), nullptr);
    edit->SetFocus();
    Pump();
    EXPECT_TRUE(edit->Capturing());
}

TEST_F(HotKeyEditTest, LeavingForgetsHeldModifiers)
{
    Send(VK_LCONTROL, true);
    ok->SetFocus(); // by the mouse, say, while Ctrl is still down
    Pump();
    Send(VK_LCONTROL, false);
    edit->SetFocus();
    Pump();
    Send('B', true);
    Send('B', false);
    EXPECT_EQ(edit->HotKey(), 'B');
}

TEST_F(HotKeyEditTest, WritingTheValueShowsItsFinalText)
{
    texts.clear();
    edit->SetHotKey(0x5041);
    EXPECT_EQ(edit->Text(), L"Win+Ctrl+A");
    edit->SetHotKey(0x4000);
    EXPECT_EQ(edit->Text(), L"");
    EXPECT_EQ(texts.size(), 2u);
}

} // namespace
} // namespace lorvane
