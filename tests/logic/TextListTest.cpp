#include "TextList.h"
#include "Menu.h"

#include <gtest/gtest.h>

namespace {

using namespace lorvane;

TEST(TextList, GrowsOnSetAndAnswersEmptyOutside)
{
    TTextList list(2);
    EXPECT_EQ(list.Count(), 2);
    list.Set(4, L"four", L"Four");
    EXPECT_EQ(list.Count(), 5);
    EXPECT_EQ(list.Text(4), L"four");
    EXPECT_EQ(list.Key(4), L"Four");
    EXPECT_EQ(list.Key(3), L"");
    list.SetText(4, L"vier");
    EXPECT_EQ(list.Text(4), L"vier");
    EXPECT_EQ(list.Key(4), L"Four"); // the key stays with its entry
    EXPECT_EQ(list.Text(5), L"");
    EXPECT_EQ(list.Text(-1), L"");
    list.Set(-1, L"x", L"y");
    EXPECT_EQ(list.Count(), 5);
}

TEST(TextList, DefaultTableHasEveryKeyOnce)
{
    TTextList list;
    FillDefaultTexts(list);
    ASSERT_EQ(list.Count(), 36); // with the save notices, the mark of a refused hotkey, the display's texts,
                                 // the system sounds' name and the refused application keys
    for (int i = 0; i < list.Count(); ++i)
        for (int j = i + 1; j < list.Count(); ++j)
            EXPECT_NE(list.Key(i), list.Key(j)) << i << " " << j;
}

TEST(TextList, WarningTextShowsThreeLinesWithAnEmptyLineAfterTheFirst)
{
    std::wstring text = ExpandLineBreaks(kDefaultTexts[txDlgMouse].text);
    EXPECT_EQ(text,
              L"'%s' is not assigned to the mouse.\r\n\r\nIn this setting, you may not be able to display "
              L"the setting.\r\nDo you really want to apply this setting?");
    EXPECT_EQ(ExpandLineBreaks(L"a\\nb\\"), L"a\r\nb\\"); // a lone backslash at the end stays
    EXPECT_EQ(ExpandLineBreaks(L"\\\\n"), L"\\\r\n");
}

TEST(TextHelpers, StripAccelerators)
{
    struct Case {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"Volume(&V)", L"Volume"},
        {L"Save && E&xit", L"Save & Exit"},
        {L"&Settings", L"Settings"},
        {L"Einstellungen(&S)", L"Einstellungen"},
        {L"(&S)only", L"(S)only"}, // a bracket at the start is no suffix
        {L"A(&B)C(&D)", L"AC"},
        {L"trailing&", L"trailing"},
        {L"音量(&V)", L"音量"},
        {L"x(&ab)", L"x(ab)"}, // not one letter in the brackets: only the "&" goes
        {L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StripAccelerators(c.in), c.out) << c.in;
}

// A name escaped for a menu reads back as the same name, whatever brackets and "&" it holds.
TEST(TextHelpers, EscapedNamesSurviveTheMenusAcceleratorRules)
{
    for (const wchar_t* name : {L"USB Speakers & Mic", L"&&", L"a(&)b", L"Mic (&L)", L"Out(&)", L"&", L"R&D (&&)",
                                L"Speakers", L""}) {
        const std::wstring escaped = EscapeAccelerators(name);
        EXPECT_EQ(StripAccelerators(escaped), name) << escaped;
        EXPECT_EQ(fw::HotkeyOf(escaped), 0) << escaped; // no letter is taken for an accelerator
    }
}

TEST(TextHelpers, AcceleratorPrefix)
{
    EXPECT_EQ(AcceleratorPrefix(0), L"&1");
    EXPECT_EQ(AcceleratorPrefix(8), L"&9");
    EXPECT_EQ(AcceleratorPrefix(9), L"&0");
    EXPECT_EQ(AcceleratorPrefix(10), L"&A");
    EXPECT_EQ(AcceleratorPrefix(35), L"&Z");
    EXPECT_EQ(AcceleratorPrefix(36), L"");
    EXPECT_EQ(AcceleratorPrefix(-1), L"");
}

TEST(TextHelpers, InsertDevice)
{
    EXPECT_EQ(InsertDevice(L"$d: %d%%", L""), L"$d: %d%%");
    EXPECT_EQ(InsertDevice(L"$d: %d%% ($D)", L"Speakers"), L"Speakers: %d%% (Speakers)");
    EXPECT_EQ(InsertDevice(L"$d", L"$d$d"), L"$d$d"); // the inserted name is not searched again
}

} // namespace
