#include "UpDownEdit.h"

#include "ControlTestWindow.h"

#include <commctrl.h>
#include <gtest/gtest.h>

using namespace support;

namespace {

TEST(UpDownRules, ClampReadAndFormat)
{
    EXPECT_EQ(updown::Clamp(250, 0, 100), 100);
    EXPECT_EQ(updown::Clamp(-5, 0, 100), 0);
    EXPECT_EQ(updown::Clamp(250, 0, 0), 250);    // no range: nothing is clamped
    EXPECT_EQ(updown::Clamp(250, 100, 10), 250); // an inverted range neither

    struct Case {
        const wchar_t* text;
        int remembered, min, max, expected;
    } cases[] = {
        {L"250", 0, 0, 100, 100},     {L"abc", 40, 0, 100, 40},
        {L"", 40, 0, 100, 0},         {L"", 40, 5, 100, 5},
        {L"+12", 0, -50, 50, 12},     {L"-7", 0, -50, 50, -7},
        {L"12a", 3, 0, 0, 3},         {L"-", 9, -50, 50, 9},
        {L"99999999999", 8, 0, 0, 8}, {L"-2147483648", 0, 0, 0, INT_MIN},
        {L" 5", 6, 0, 10, 6},
    };
    for (const Case& c : cases)
        EXPECT_EQ(updown::Read(c.text, c.remembered, c.min, c.max), c.expected) << c.text;

    EXPECT_EQ(updown::Format(5, true), L"+5");
    EXPECT_EQ(updown::Format(0, true), L"0");
    EXPECT_EQ(updown::Format(-5, true), L"-5");
    EXPECT_EQ(updown::Format(5, false), L"5");
}

TEST(UpDownRules, TypedCharacters)
{
    using R = updown::TCharRule;
    struct Case {
        wchar_t ch;
        int value, min, max;
        R expected;
    } cases[] = {
        {L'7', 0, 0, 100, R::Pass},  {L'\b', 0, 0, 100, R::Pass},          {L'a', 0, 0, 100, R::Beep},
        {L'\r', 0, 0, 100, R::Beep}, {L'+', -4, -10, 10, R::MakePositive}, {L'+', -4, -10, -1, R::Drop},
        {L'+', 4, -10, 10, R::Drop}, {L'-', 4, -10, 10, R::Negate},        {L'-', 0, -10, 10, R::Drop},
        {L'-', 4, 0, 10, R::Negate}, // 0 ≤ 0: negation allowed
        {L'-', 4, 1, 10, R::Drop},   {L'-', 4, -10, -1, R::Drop},          {27, 4, 0, 10, R::Cancel},
    };
    for (const Case& c : cases)
        EXPECT_EQ(updown::ClassifyChar(c.ch, c.value, c.min, c.max), c.expected)
            << int(c.ch) << " " << c.value;
}

TEST(UpDownRules, SpinButtonDirections)
{
    EXPECT_EQ(updown::SpinDirection(2, -1), 1);
    EXPECT_EQ(updown::SpinDirection(0, 1), -1);
    // Back in the middle: the opposite of the step before.
    EXPECT_EQ(updown::SpinDirection(1, 1), -1);
    EXPECT_EQ(updown::SpinDirection(1, -1), 1);
}

class UpDownEditTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(edit.Create(host.Handle(), RECT{10, 10, 110, 31})); }
    void Char(wchar_t ch) { ::SendMessageW(edit.Handle(), WM_CHAR, ch, 0); }
    void Key(WPARAM vk) { ::SendMessageW(edit.Handle(), WM_KEYDOWN, vk, 0); }
    void Spin(int position)
    {
        ::SendMessageW(edit.Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, position),
                       reinterpret_cast<LPARAM>(edit.Button()));
    }

    testsupport::TestHost host{300, 200, true};
    TUpDownEdit edit{nullptr, L"Edit"};
};

TEST_F(UpDownEditTest, TextAboveTheRangeReadsAndShowsTheBoundAfterLeaving)
{
    edit.MaxValue = 100;
    ::SetFocus(edit.Handle());
    edit.SetText(L"250");
    EXPECT_EQ(edit.Value(), 100);
    ::SetFocus(host.Handle());
    EXPECT_EQ(edit.Text(), L"100");
}

TEST_F(UpDownEditTest, TextThatIsNoNumberReadsTheLastValue)
{
    edit.SetValue(40);
    edit.SetText(L"abc");
    EXPECT_EQ(edit.Value(), 40);
}

TEST_F(UpDownEditTest, KeysWheelAndButtonStepWithinTheBounds)
{
    edit.Increment = 10;
    edit.MaxValue = 3600;
    edit.SetValue(3600);
    Key(VK_UP);
    EXPECT_EQ(edit.Value(), 3600);
    Key(VK_DOWN);
    EXPECT_EQ(edit.Value(), 3590);
    ::SendMessageW(edit.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(edit.Value(), 3580);
    ::SendMessageW(edit.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, 240), 0); // one step per message
    EXPECT_EQ(edit.Value(), 3590);

    int ups = 0, downs = 0;
    edit.OnUpClick = [&](fw::TObject*) { ++ups; };
    edit.OnDownClick = [&](fw::TObject*) { ++downs; };
    Spin(0);
    Spin(0); // the button is back in the middle after each step: a second click still counts
    Spin(2);
    EXPECT_EQ(edit.Value(), 3580);
    EXPECT_EQ(downs, 2);
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(::GetFocus(), edit.Handle()); // a step takes the focus
    EXPECT_EQ(::SendMessageW(edit.Button(), UDM_GETPOS32, 0, 0), 1);

    edit.SetReadOnly(true);
    Spin(2);
    Key(VK_UP);
    EXPECT_EQ(edit.Value(), 3580);
}

TEST_F(UpDownEditTest, TypingIsFilteredAndSignsActOnTheValue)
{
    edit.MinValue = -50;
    edit.MaxValue = 50;
    edit.SetText(L"");
    int changes = 0;
    edit.OnChange = [&](fw::TObject*) { ++changes; };
    Char(L'1');
    Char(L'x');
    Char(L'2');
    EXPECT_EQ(edit.Text(), L"12");
    EXPECT_EQ(changes, 2);
    Char(L'-');
    EXPECT_EQ(edit.Text(), L"-12");
    Char(L'+');
    EXPECT_EQ(edit.Text(), L"12");
    edit.ShowPlus = true;
    edit.SetValue(7);
    EXPECT_EQ(edit.Text(), L"+7");
    EXPECT_EQ(edit.Value(), 7);
}

TEST_F(UpDownEditTest, PasteRewritesTheValueAndTheButtonFollowsEnabling)
{
    edit.MaxValue = 100;
    edit.SetValue(5);
    ASSERT_TRUE(::OpenClipboard(host.Handle()));
    ::EmptyClipboard();
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, sizeof(L"250"));
    ASSERT_TRUE(mem);
    memcpy(::GlobalLock(mem), L"250", sizeof(L"250"));
    ::GlobalUnlock(mem);
    ::SetClipboardData(CF_UNICODETEXT, mem);
    ::CloseClipboard();
    ::SendMessageW(edit.Handle(), EM_SETSEL, 0, -1);
    ::SendMessageW(edit.Handle(), WM_PASTE, 0, 0);
    EXPECT_EQ(edit.Text(), L"100");

    ::EnableWindow(edit.Handle(), FALSE);
    EXPECT_FALSE(::IsWindowEnabled(edit.Button()));
    ::EnableWindow(edit.Handle(), TRUE);
    EXPECT_TRUE(::IsWindowEnabled(edit.Button()));
    edit.SetVisibleButton(false);
    EXPECT_FALSE(::IsWindowVisible(edit.Button()));
}

} // namespace
