#include "HotKey.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace input;

namespace {

struct TextCase {
    TShortCut value;
    bool typing;
    const wchar_t* text;
};

const TextCase textCases[] = {
    {0x5041, false, L"Win+Ctrl+A"},
    // Modifiers always read Win, Ctrl, Shift, Alt, whatever order they were pressed in.
    {0xE070, false, L"Ctrl+Shift+Alt+F1"},
    {0xF087, false, L"Win+Ctrl+Shift+Alt+F24"},
    {0x4000, false, L""},
    {0x4000, true, L"Ctrl+"},
    {0x1000, false, L""},
    {0xF000, true, L"Win+Ctrl+Shift+Alt+"},
    {0x2007, false, L"$2007"},
    {0x2007, true, L"Shift+"}, // while typing, a nameless key shows its modifiers
    {0x0007, true, L"$7"},
    {0x0000, false, L""},
    {0x0000, true, L""},
    {0x0008, false, L"BkSp"},
    {0x0009, false, L"Tab"},
    {0x000D, false, L"Enter"},
    {0x0013, false, L"Pause/Break"},
    {0x0019, false, L"\x534A\x89D2/\x5168\x89D2"},
    {0x00F3, false, L"\x534A\x89D2/\x5168\x89D2"},
    {0x00F4, false, L"\x534A\x89D2/\x5168\x89D2"},
    {0x001B, false, L"Esc"},
    {0x0020, false, L"Space"},
    {0x0021, false, L"PgUp"},
    {0x0022, false, L"PgDn"},
    {0x0023, false, L"End"},
    {0x0024, false, L"Home"},
    {0x0025, false, L"Left"},
    {0x0026, false, L"Up"},
    {0x0027, false, L"Right"},
    {0x0028, false, L"Down"},
    {0x002D, false, L"Ins"},
    {0x002E, false, L"Del"},
    {0x0030, false, L"0"},
    {0x0039, false, L"9"},
    {0x8041, false, L"Alt+A"},
    {0x305A, false, L"Win+Shift+Z"},
};

} // namespace

TEST(HotKeyText, ReadsEveryTableCase)
{
    for (const TextCase& c : textCases)
        EXPECT_EQ(HotKeyToText(c.value, c.typing, DefaultHotKeyNames()), c.text)
            << std::hex << c.value << " typing " << c.typing;
}

TEST(HotKeyText, KeysOutsideTheTableTakeTheLayoutsNameOrHex)
{
    // ';' on the layouts Wine and Windows start with; whatever the layout calls it, it is a
    // name, not the hexadecimal fallback.
    const std::wstring oem = HotKeyToText(0x40BA, false, DefaultHotKeyNames());
    ASSERT_GT(oem.size(), 5u);
    EXPECT_EQ(oem.substr(0, 5), L"Ctrl+");
    EXPECT_NE(oem[5], L'$');
    // Code 0xFF has no scan code: hexadecimal, also without a modifier.
    EXPECT_EQ(HotKeyToText(0x00FF, false, DefaultHotKeyNames()), L"$FF");
}

TEST(HotKeyText, UsesTheLanguagesNames)
{
    THotKeyNames names = DefaultHotKeyNames();
    names[static_cast<std::size_t>(THotKeyName::Esc)] = L"\x00C9"
                                                        L"chap";
    names[static_cast<std::size_t>(THotKeyName::Down)] = L"Bas";
    EXPECT_EQ(HotKeyToText(0x401B, false, names), L"Ctrl+\x00C9"
                                                  L"chap");
    EXPECT_EQ(HotKeyToText(0x0028, false, names), L"Bas");
    // A language that blanks a name leaves the hexadecimal form, never a bare "Ctrl+".
    names[static_cast<std::size_t>(THotKeyName::Tab)] = L"";
    EXPECT_EQ(HotKeyToText(0x4009, false, names), L"$4009");
}

TEST(HotKeyValue, MakeAndSplitAgree)
{
    EXPECT_EQ(MakeHotKey('A', fw::ssCtrl | fw::ssLeft | fw::ssDouble, true), 0x5041);
    EXPECT_EQ(MakeHotKey(VK_F1, fw::ssCtrl | fw::ssShift | fw::ssAlt, false), 0xE070);
    EXPECT_EQ(MakeHotKey(0, fw::ssCtrl, false), 0x4000);
    EXPECT_EQ(MakeHotKey(256, fw::ssCtrl, true), 0);
    EXPECT_EQ(MakeHotKey(0x1FF, 0, false), 0);

    for (unsigned value : {0x5041u, 0xE070u, 0x2007u, 0x1000u, 0x00FFu}) {
        const THotKeyParts p = SplitHotKey(static_cast<TShortCut>(value));
        EXPECT_EQ(MakeHotKey(p.Key, p.Shift, p.Win), value) << std::hex << value;
    }
    const THotKeyParts p = SplitHotKey(0x5041);
    EXPECT_EQ(p.Key, 65u);
    EXPECT_EQ(p.Shift, fw::ssCtrl);
    EXPECT_TRUE(p.Win);
}

TEST(HotKeyValue, RegistersWithTheSystemsModifierFlags)
{
    THotKeyRegistration r = HotKeyRegistration(0x5041);
    EXPECT_EQ(r.Modifiers, unsigned(MOD_CONTROL | MOD_WIN));
    EXPECT_EQ(r.Key, 65u);
    r = HotKeyRegistration(0xE070);
    EXPECT_EQ(r.Modifiers, unsigned(MOD_CONTROL | MOD_SHIFT | MOD_ALT));
    EXPECT_EQ(r.Key, unsigned(VK_F1));
}
