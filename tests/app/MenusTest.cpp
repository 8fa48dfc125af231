// The pop-up menus and the pop-up volume bar of the main window, in-process against the
// endpoint simulator.
#include "MainFormTest.h"
#include "SimControl.h"
#include "TextList.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace lorvane;
namespace sim = endpointsim;

// What the system menu shows at one level.
struct Row {
    std::wstring text;
    bool checked = false, bold = false, radio = false, sub = false;
};
std::vector<Row> Rows(HMENU menu)
{
    std::vector<Row> out;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        wchar_t buf[256] = {};
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof(mi);
        mi.fMask = MIIM_STATE | MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
        mi.dwTypeData = buf;
        mi.cch = 255;
        ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mi);
        out.push_back({(mi.fType & MFT_SEPARATOR) ? L"-" : buf, (mi.fState & MFS_CHECKED) != 0,
                       (mi.fState & MFS_DEFAULT) != 0, (mi.fType & MFT_RADIOCHECK) != 0,
                       mi.hSubMenu != nullptr});
    }
    return out;
}
int IndexOf(const std::vector<Row>& rows, const std::wstring& text)
{
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].text == text)
            return static_cast<int>(i);
    }
    return -1;
}
// The same, whatever accelerator the automatic assignment chose.
int IndexOfPlain(const std::vector<Row>& rows, const std::wstring& text)
{
    for (size_t i = 0; i < rows.size(); ++i) {
        std::wstring plain = rows[i].text;
        std::erase(plain, L'&');
        if (plain == text)
            return static_cast<int>(i);
    }
    return -1;
}

class Menus : public MainFormTest {
  protected:
    Menus() : MainFormTest(L"menus-test", true, {L"Speakers"}) {}

    // The main menu as it would open now.
    fw::UniqueHmenu OpenMain()
    {
        form->MainPopupMenuPopup();
        return form->MainPopupMenu->BuildMenu();
    }
};

TEST_F(Menus, DefaultsShowTheVolumeSubmenuWithTenRadioItemsAndTheCurrentOneChecked)
{
    SetLevel(19661); // 30 %
    fw::UniqueHmenu menu = OpenMain();
    std::vector<Row> rows = Rows(menu.get());
    int volume = IndexOf(rows, L"&Volume");
    ASSERT_GE(volume, 0);
    ASSERT_TRUE(rows[static_cast<size_t>(volume)].sub);
    EXPECT_EQ(IndexOf(rows, L"Volume: 30%"), -1); // no preset directly in the menu
    std::vector<Row> presets = Rows(::GetSubMenu(menu.get(), volume));
    ASSERT_EQ(presets.size(), 10u);
    const wchar_t* expected[] = {L"&1: 10%", L"&2: 20%", L"&3: 30%", L"&4: 40%", L"&5: 50%",
                                 L"&6: 60%", L"&7: 70%", L"&8: 80%", L"&9: 90%", L"&0: 100%"};
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(presets[i].text, expected[i]);
        EXPECT_TRUE(presets[i].radio);
        EXPECT_EQ(presets[i].checked, i == 2) << i;
    }
    // The default entries, with automatic accelerators, and no device entries for one device.
    for (const wchar_t* text : {L"&Mute", L"Volume &Control", L"&Audio Properties", L"&Enable Keyboard",
                                L"Enable Mouse &Wheel", L"&Settings", L"E&xit"})
        EXPECT_GE(IndexOf(rows, text), 0) << text;
    EXPECT_EQ(IndexOfPlain(rows, L"Default Device"), -1);
    EXPECT_EQ(IndexOf(rows, L"&Tool"), -1); // no tool has a command

    // Choosing &3 sets 30 %.
    SetLevel(65535);
    form->MainPopupMenuPopup();
    form->MainPopupMenu->Items.Find(L"Volume2SubMenuItem")->Click();
    Settle();
    EXPECT_EQ(form->MasterVolume->Volume(), 19661);
}

TEST_F(Menus, ActivePresetsAndToolsStandInTheMenuItself)
{
    form->Settings.Presets[2].Active = true;
    form->Settings.Presets[4].Active = true;
    form->Settings.Tools[0] = {L"Mute:1", true, L"Quiet"};
    form->Settings.Tools[1] = {L"Mute:0", true, L"Loud"};
    form->Settings.Tools[2] = {L"", true, L"Nothing"};
    fw::UniqueHmenu menu = OpenMain();
    std::vector<Row> rows = Rows(menu.get());
    int preset = IndexOfPlain(rows, L"Volume: 30%");
    ASSERT_GE(preset, 0);
    EXPECT_EQ(IndexOfPlain(rows, L"Volume: 50%"), preset + 1);
    EXPECT_EQ(IndexOf(rows, L"&Volume"), -1);
    EXPECT_TRUE(rows[static_cast<size_t>(preset)].radio);
    int quiet = IndexOf(rows, L"&Quiet");
    int loud = IndexOf(rows, L"&Loud");
    EXPECT_GE(quiet, 0);
    EXPECT_EQ(loud, quiet + 1);
    EXPECT_EQ(IndexOf(rows, L"&Nothing"), -1);
    EXPECT_EQ(IndexOf(rows, L"&Tool"), -1);

    // No tool Active: all tools with a command in the submenu, and nowhere else.
    for (TTool& t : form->Settings.Tools)
        t.Active = false;
    menu = OpenMain();
    rows = Rows(menu.get());
    int tool = IndexOf(rows, L"&Tool");
    ASSERT_GE(tool, 0);
    std::vector<Row> tools = Rows(::GetSubMenu(menu.get(), tool));
    ASSERT_EQ(tools.size(), 2u);
    EXPECT_EQ(tools[0].text, L"Quiet");
    EXPECT_EQ(tools[1].text, L"Loud");
    EXPECT_EQ(IndexOf(rows, L"&Quiet"), -1);

    // The Volume action hidden: no presets anywhere.
    form->MainActionList->Find(L"VolumeMenuAction")->Visible = false;
    rows = Rows(OpenMain().get());
    EXPECT_EQ(IndexOfPlain(rows, L"Volume: 30%"), -1);
}

TEST_F(Menus, TheDoubleClickActionIsTheBoldDefaultItem)
{
    form->Settings.Mouse.DoubleClick = L"MuteChangeAction";
    std::vector<Row> rows = Rows(OpenMain().get());
    for (const Row& r : rows)
        EXPECT_EQ(r.bold, r.text == L"&Mute") << r.text;
}

TEST_F(Menus, DeviceEntriesNeedTwoDevicesAndChoosingOneMakesItTheDefault)
{
    form->MainActionList->Find(L"DeviceChangeAction")->Visible = true;
    std::vector<Row> rows = Rows(OpenMain().get());
    EXPECT_EQ(IndexOfPlain(rows, L"Default Device"), -1);
    EXPECT_EQ(IndexOfPlain(rows, L"Default Device Change"), -1);
    // The device menu still lists the single device, without a click action.
    form->DevicePopupMenu->OnPopup(form->DevicePopupMenu.get());
    ASSERT_EQ(form->DevicePopupMenu->Items.Count(), 1);
    EXPECT_TRUE(form->DevicePopupMenu->Items.Item(0)->Checked);

    ASSERT_EQ(sim::Add(L"Headset"), 1);
    WaitFor([&] { return form->MasterVolume->DeviceCount() == 2; });
    fw::UniqueHmenu menu = OpenMain();
    rows = Rows(menu.get());
    int devices = IndexOfPlain(rows, L"Default Device");
    ASSERT_GE(devices, 0);
    EXPECT_EQ(IndexOfPlain(rows, L"Default Device Change"), 0);
    std::vector<Row> list = Rows(::GetSubMenu(menu.get(), devices));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_TRUE(list[0].checked && list[0].radio);
    EXPECT_FALSE(list[1].checked);
    EXPECT_NE(list[1].text.find(L"Headset"), std::wstring::npos);

    form->MainPopupMenu->Items.Find(L"DeviceMenuItem")->Item(1)->Click();
    WaitFor([] { return sim::Show().size() == 2 && sim::Show()[1].isDefault; });
    EXPECT_EQ(form->BusyCount(), 0);
}

TEST_F(Menus, PresetItemsFollowARebuildOfThePresets)
{
    form->Settings.Presets.resize(3);
    form->RebuildPresets();
    EXPECT_EQ(form->VolumePopupMenu->Items.Count(), 3);
    EXPECT_TRUE(form->MainPopupMenu->Items.Find(L"Volume2MenuItem"));
    EXPECT_FALSE(form->MainPopupMenu->Items.Find(L"Volume3MenuItem"));
    EXPECT_EQ(form->MainPopupMenu->Items.Find(L"VolumeMenuItem")->Count(), 3);
    // Preset items stand directly in front of the Volume submenu.
    fw::TMenuItem& items = form->MainPopupMenu->Items;
    EXPECT_EQ(items.IndexOf(items.Find(L"Volume2MenuItem")) + 1,
              items.IndexOf(items.Find(L"VolumeMenuItem")));
}

TEST_F(Menus, MenuRequestWhileTheMouseIsCapturedIsIgnored)
{
    ::SetCapture(form->Handle());
    EXPECT_FALSE(form->PopupMenuAtCursor(*form->MainPopupMenu));
    ::ReleaseCapture();
    EXPECT_EQ(form->BusyCount(), 0);
}

// The start leaves the bar unbuilt; its first need builds it as the start would have.
TEST_F(Menus, ALateBarTakesItsDefaultSizeFromTheBuiltInCaptionAndKeepsASavedOne)
{
    form->DeferVolumeBar();
    EXPECT_FALSE(form->VolumeBar);
    EXPECT_TRUE(form->BarSizeUnresolved());
    // A long translation: a default taken from it would be far wider than the window.
    form->Texts.SetText(txBarMute, L"Lautsprecher stumm schalten und so bleiben lassen");
    form->EnsureVolumeBar();
    ASSERT_TRUE(form->VolumeBar);
    EXPECT_FALSE(form->BarSizeUnresolved());
    EXPECT_EQ(form->Settings.Window.MainWidth, 181); // "Mute" in the design font, as at the start
    EXPECT_EQ(form->Settings.Window.MainHeight, 205);
    wchar_t caption[64] = {};
    ::GetWindowTextW(form->MuteBox, caption, 64);
    EXPECT_STREQ(caption, L"Lautsprecher stumm schalten und so bleiben lassen"); // today's text shows
    RECT r{};
    ::GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.right - r.left, 181);
    EXPECT_EQ(r.bottom - r.top, 205);
    EXPECT_EQ(form->BusyCount(), 0);
}

TEST_F(Menus, ALateBarTakesTheSizeTheSettingsNamedAndShowingBuildsIt)
{
    form->DeferVolumeBar();
    form->Settings.Window.MainWidth = 300; // as read from a settings file
    form->Settings.Window.MainHeight = 260;
    form->ShowVolumeBar(100, 100, false, TBarAlign::Left);
    ASSERT_TRUE(form->VolumeBar);
    EXPECT_TRUE(form->VolumeBarShowing());
    RECT r{};
    ::GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 260);
    EXPECT_EQ(form->Settings.Window.MainWidth, 300);
    EXPECT_EQ(form->Settings.Window.MainHeight, 260);
    form->HideVolumeBar();
}

TEST_F(Menus, ABarBuiltOnceIsNotBuiltAgain)
{
    form->DeferVolumeBar();
    form->EnsureVolumeBar();
    support::TTrackBarEx* first = form->VolumeBar.get();
    form->EnsureVolumeBar();
    form->ShowVolumeBar(100, 100, false, TBarAlign::Left);
    EXPECT_EQ(form->VolumeBar.get(), first);
    form->HideVolumeBar();
}

class Bar : public Menus {
  protected:
    void SetUp() override
    {
        Menus::SetUp();
        form->CreateVolumeBar();
    }
    int Position() { return form->VolumeBar->Position(); }
};

TEST_F(Bar, DefaultSizeComesFromTheLayoutAndTheControlsAreLaidOut)
{
    RECT box{}, client{};
    ::GetClientRect(form->Handle(), &client);
    EXPECT_EQ(client.right, 233);
    EXPECT_EQ(client.bottom, 209);
    ::GetWindowRect(form->MuteBox, &box);
    ::MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&box), 2);
    EXPECT_EQ(form->Settings.Window.MainWidth, box.right);
    EXPECT_EQ(form->Settings.Window.MainHeight, box.bottom);
    EXPECT_EQ(box.bottom, 205);
    RECT bar{};
    ::GetWindowRect(form->VolumeBar->Handle(), &bar);
    EXPECT_EQ(bar.right - bar.left, 25);
}

TEST_F(Bar, ResolutionChangeScalesTheBarToTheSuggestedRectangle)
{
    RECT suggested{100, 100, 100 + 300, 100 + 330};
    ::SendMessageW(form->Handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144),
                   reinterpret_cast<LPARAM>(&suggested));
    RECT r{};
    ::GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 330);
    ::GetWindowRect(form->VolumeBar->Handle(), &r);
    EXPECT_EQ(r.right - r.left, 38); // 25 at 96 DPI
    LOGFONTW lf{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(form->MuteBox, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
    EXPECT_EQ(lf.lfHeight, -17); // 11 pixels at 96 DPI
    EXPECT_EQ(form->DpiManager->Dpi(), 144);
    EXPECT_EQ(form->BusyCount(), 0);
    // The layout followed: the box sits at the bottom of the new client area.
    RECT client{}, box{};
    ::GetClientRect(form->Handle(), &client);
    ::GetWindowRect(form->MuteBox, &box);
    ::MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&box), 2);
    EXPECT_EQ(box.bottom, client.bottom - 4);
}

// A saved size is at 96 DPI: on any monitor the bar keeps its size for its text, and its
// thumb grows with it.
TEST_F(Bar, TheSavedSizeAndTheThumbFollowTheResolution)
{
    form->Settings.Window.MainWidth = 240;
    form->Settings.Window.MainHeight = 260;
    for (int dpi : {120, 144, 192, 96}) {
        RECT suggested{50, 50, 50 + ::MulDiv(240, dpi, 96), 50 + ::MulDiv(260, dpi, 96)};
        ::SendMessageW(form->Handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                       reinterpret_cast<LPARAM>(&suggested));
        form->ApplyVolumeBarSize();
        RECT r{};
        ::GetWindowRect(form->Handle(), &r);
        EXPECT_EQ(r.right - r.left, ::MulDiv(240, dpi, 96)) << dpi;
        EXPECT_EQ(r.bottom - r.top, ::MulDiv(260, dpi, 96)) << dpi;
        EXPECT_EQ(form->BarDesignSize(r.right - r.left), 240) << dpi;
        EXPECT_EQ(form->BarDesignSize(r.bottom - r.top), 260) << dpi;
        EXPECT_EQ(::SendMessageW(form->VolumeBar->Handle(), TBM_GETTHUMBLENGTH, 0, 0), ::MulDiv(21, dpi, 96)) << dpi;
        // The slider sits in the middle of the window.
        RECT bar{}, client{};
        ::GetWindowRect(form->VolumeBar->Handle(), &bar);
        ::MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&bar), 2);
        ::GetClientRect(form->Handle(), &client);
        EXPECT_LE(std::abs((bar.left + bar.right) - client.right), 2) << dpi;
    }
}

// A name with "&" shows whole in the device menu, and in a tool named after that device.
TEST_F(Menus, NamesWithAmpersandsShowWhole)
{
    ASSERT_TRUE(sim::Reset({L"USB Speakers & Mic", L"R&D (&&)"}));
    WaitFor([&] { return form->MasterVolume->DeviceCount() == 2; });
    form->RebuildDeviceMenu(form->DevicePopupMenu->Items);
    fw::UniqueHmenu menu = form->DevicePopupMenu->BuildMenu();
    std::vector<Row> rows = Rows(menu.get());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].text, L"USB Speakers && Mic");
    EXPECT_EQ(rows[1].text, L"R&&D (&&&&)");

    form->Settings.Tools[0] = TTool{L"Device:" + form->MasterVolume->DeviceId(0), true, L"USB Speakers & Mic"};
    form->Settings.Tools[1] = TTool{L"notepad.exe", true, L"Save && &Exit"}; // the user's own marks
    form->Settings.Tools[2] = TTool{L"notepad.exe", true, L""};            // never named
    rows = Rows(OpenMain().get());
    auto shown = [&rows](const std::wstring& text) {
        return std::any_of(rows.begin(), rows.end(), [&](const Row& r) { return StripAccelerators(r.text) == text; });
    };
    EXPECT_TRUE(shown(L"USB Speakers & Mic"));
    EXPECT_TRUE(shown(L"Save & Exit"));
    EXPECT_TRUE(shown(L"Tool3"));
}

TEST_F(Bar, FollowsLevelAndMuteAndItsDragSoundsOnceOnRelease)
{
    SetLevel(19661);
    form->RefreshVolumeBar();
    EXPECT_EQ(Position(), 65535 - 19661);
    wchar_t label[64] = {};
    ::GetWindowTextW(form->VolumeLabel, label, 64);
    EXPECT_STREQ(label, L"Volume: 30%");

    // A drag: press, moves, release. Silent until the release; busy throughout.
    form->VolumeBarScroll(support::tsPress, 30000);
    EXPECT_EQ(form->BusyCount(), 1);
    form->VolumeBarScroll(support::tsTrack, 40000);
    Settle();
    EXPECT_EQ(form->MasterVolume->Volume(), 65535 - 40000);
    EXPECT_EQ(form->BusyCount(), 1);
    form->VolumeBarScroll(support::tsRelease, 40000);
    fw::ProcessMessages(); // the same level again: no change to wait for
    EXPECT_EQ(form->BusyCount(), 0);
    EXPECT_EQ(SoundsPlayed(), 1);
    // Keys sound after the delay.
    form->VolumeBarScroll(support::tsLineDown, 40655);
    EXPECT_EQ(SoundsPlayed(), 1);
    clock->Advance(600);
    EXPECT_EQ(SoundsPlayed(), 2);

    // The mute box toggles silently and follows mute changes made elsewhere.
    ::SendMessageW(form->MuteBox, BM_CLICK, 0, 0);
    Settle();
    EXPECT_TRUE(form->MasterVolume->Mute());
    clock->Advance(1000);
    EXPECT_EQ(SoundsPlayed(), 2);
    ASSERT_TRUE(sim::SetMute(false));
    WaitFor([&] { return !form->MasterVolume->Mute(); });
    form->RefreshVolumeBar();
    EXPECT_EQ(::SendMessageW(form->MuteBox, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(form->MasterVolume->Mute()); // following did not click it back
}

TEST_F(Bar, ShowsAtTheCursorTakesTheFocusAndEscapeHidesIt)
{
    form->ShowVolumeBar(100, 100, false, TBarAlign::Left);
    ASSERT_TRUE(form->VolumeBarShowing());
    RECT r{};
    ::GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 101);
    EXPECT_EQ(::GetFocus(), form->VolumeBar->Handle());
    // While shown it follows changes made elsewhere by itself.
    ASSERT_TRUE(sim::SetVolume(0.25f));
    WaitFor([&] { return Position() == 65535 - 16384; });
    MSG tab{form->VolumeBar->Handle(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_TRUE(form->IsVolumeBarMessage(&tab));
    EXPECT_EQ(::GetFocus(), form->MuteBox); // the slider first, then the box
    MSG esc{form->MuteBox, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_TRUE(form->IsVolumeBarMessage(&esc));
    EXPECT_FALSE(form->VolumeBarShowing());
}

} // namespace
