#include "Menu.h"

#include <gtest/gtest.h>

namespace {

TEST(AutoHotkeys, WordStartsFirstThenAnyLetterAndExistingOnesKept)
{
    std::vector<std::wstring> in = {L"Volume Up",      L"Volume Down", L"-", L"&Mute", L"Settings",
                                    L"Sound Settings", L"Mute Off",    L"",  L"Exit"};
    std::vector<std::wstring> out = fw::AddAutoHotkeys(in);
    EXPECT_EQ(out, (std::vector<std::wstring>{L"&Volume Up", L"Volume &Down", L"-", L"&Mute", L"&Settings",
                                              L"S&ound Settings", L"M&ute Off", L"", L"&Exit"}));
    // Every caption gets a distinct key.
    std::wstring keys;
    for (const auto& c : out) {
        if (wchar_t k = fw::HotkeyOf(c)) {
            EXPECT_EQ(keys.find(k), std::wstring::npos) << static_cast<char>(k);
            keys += k;
        }
    }
    EXPECT_EQ(fw::HotkeyOf(L"Rock && Roll"), 0);
    EXPECT_EQ(fw::HotkeyOf(L"&1: 10%"), L'1');
}

TEST(AutoHotkeys, CaptionsWithoutAFreeCharacterStayAsTheyAre)
{
    EXPECT_EQ(fw::AddAutoHotkeys({L"&A", L"a", L"!!"}), (std::vector<std::wstring>{L"&A", L"a", L"!!"}));
}

// Reads back what the system menu holds.
struct Shown {
    std::wstring text;
    UINT state;
    UINT type;
    bool sub;
};
std::vector<Shown> Read(HMENU menu)
{
    std::vector<Shown> out;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        wchar_t buf[128] = {};
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof(mi);
        mi.fMask = MIIM_STATE | MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
        mi.dwTypeData = buf;
        mi.cch = 127;
        ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mi);
        out.push_back({buf, mi.fState, mi.fType, mi.hSubMenu != nullptr});
    }
    return out;
}

TEST(PopupMenu, ItemsShowTheirActionAndHiddenOnesLeaveNoStrayLines)
{
    fw::TActionList actions;
    fw::TAction* mute = actions.Add(L"MuteAction", L"Mute");
    mute->Checked = true;
    fw::TAction* hidden = actions.Add(L"HiddenAction", L"Hidden");
    hidden->Visible = false;
    int runs = 0;
    mute->OnExecute = [&](fw::TObject*) { ++runs; };

    fw::TPopupMenu menu(nullptr, L"Menu");
    menu.SetAutoHotkeys(true);
    menu.Items.AddLine();
    fw::TMenuItem* m = menu.Items.Add(L"MuteMenuItem", mute);
    m->Default = true;
    menu.Items.AddLine();
    menu.Items.Add(L"HiddenMenuItem", hidden);
    menu.Items.AddLine();
    fw::TMenuItem* sub = menu.Items.Add(L"SubMenuItem");
    sub->Caption = L"More";
    fw::TMenuItem* radio = sub->Add(L"RadioItem");
    radio->Caption = L"Radio";
    radio->RadioItem = true;
    radio->Checked = true;
    menu.Items.AddLine();

    fw::UniqueHmenu h = menu.BuildMenu();
    std::vector<Shown> shown = Read(h.get());
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text, L"&Mute");
    EXPECT_TRUE(shown[0].state & MFS_CHECKED);
    EXPECT_TRUE(shown[0].state & MFS_DEFAULT);
    EXPECT_TRUE(shown[1].type & MFT_SEPARATOR);
    EXPECT_EQ(shown[2].text, L"M&ore");
    ASSERT_TRUE(shown[2].sub);
    // The submenu assigns no accelerators of its own.
    std::vector<Shown> inner = Read(::GetSubMenu(h.get(), 2));
    ASSERT_EQ(inner.size(), 1u);
    EXPECT_EQ(inner[0].text, L"Radio");
    EXPECT_TRUE(inner[0].type & MFT_RADIOCHECK);
    EXPECT_TRUE(inner[0].state & MFS_CHECKED);

    // Commands map back to the items of this build; a click runs the linked action.
    UINT id = ::GetMenuItemID(h.get(), 0);
    ASSERT_EQ(menu.ItemOfCommand(id), m);
    menu.ItemOfCommand(id)->Click();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(menu.ItemOfCommand(0), nullptr);
    EXPECT_EQ(menu.ItemOfCommand(999), nullptr);
    EXPECT_EQ(menu.Items.Find(L"RadioItem"), radio);
}

} // namespace
