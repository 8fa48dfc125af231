// The warning box against the system's real message box: the check box's place, the
// buttons moved below it, translated captions, the state handed back.
#include "WarningBox.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using namespace lorvane;

struct Seen {
    bool found = false;
    RECT check{}, yes{}, no{}, text{};
    std::wstring yesCaption, noCaption, checkCaption;
    int clientHeight = 0;
};

thread_local std::function<void(HWND)> onBox;

RECT RectIn(HWND box, HWND child)
{
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(HWND_DESKTOP, box, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring TextOf(HWND w)
{
    wchar_t buf[256] = {};
    ::GetWindowTextW(w, buf, 256);
    return buf;
}

void CALLBACK FindBox(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND box = ::GetActiveWindow();
    wchar_t cls[16] = {};
    if (!box || !::GetClassNameW(box, cls, 16) || std::wstring(cls) != L"#32770")
        return;
    ::KillTimer(nullptr, id);
    if (onBox)
        onBox(box);
}

// Shows the box; `act` runs once the box is up, inside its modal loop.
int Show(const TWarning& w, bool& checked, std::function<void(HWND)> act)
{
    onBox = std::move(act);
    UINT_PTR timer = ::SetTimer(nullptr, 0, 50, FindBox);
    int r = ShowWarning(w, checked);
    ::KillTimer(nullptr, timer);
    onBox = nullptr;
    return r;
}

TWarning GermanWarning()
{
    TWarning w;
    w.Text = L"'Menü' ist keiner Maustaste zugewiesen.\\n\\nZweite Zeile.\\nDritte Zeile?";
    w.Title = L"Warnung";
    w.CheckBoxCaption = L"&Diese Meldung nicht mehr anzeigen.";
    w.ButtonCaptions[mbYes] = L"&Ja";
    w.ButtonCaptions[mbNo] = L"&Nein";
    w.Buttons = MsgDlgButton(mbYes) | MsgDlgButton(mbNo);
    return w;
}

TEST(WarningBox, CheckBoxTakesTheButtonsPlaceAndTheButtonsMoveBelow)
{
    Seen seen;
    bool checked = false;
    int result = Show(GermanWarning(), checked, [&](HWND box) {
        HWND check = ::GetDlgItem(box, kWarningCheckBoxId);
        HWND yes = ::GetDlgItem(box, IDYES);
        HWND no = ::GetDlgItem(box, IDNO);
        HWND text = ::GetDlgItem(box, 0xFFFF);
        if (!check || !yes || !no || !text)
            return;
        seen.found = true;
        seen.check = RectIn(box, check);
        seen.yes = RectIn(box, yes);
        seen.no = RectIn(box, no);
        seen.text = RectIn(box, text);
        seen.yesCaption = TextOf(yes);
        seen.noCaption = TextOf(no);
        seen.checkCaption = TextOf(check);
        RECT c{};
        ::GetClientRect(box, &c);
        seen.clientHeight = c.bottom;
        ::SendMessageW(check, BM_CLICK, 0, 0);
        ::SendMessageW(yes, BM_CLICK, 0, 0);
    });
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(result, IDYES);
    EXPECT_TRUE(checked);
    EXPECT_EQ(seen.yesCaption, L"&Ja");
    EXPECT_EQ(seen.noCaption, L"&Nein");
    EXPECT_EQ(seen.checkCaption, L"&Diese Meldung nicht mehr anzeigen.");
    EXPECT_EQ(seen.check.left, seen.text.left);
    EXPECT_GE(seen.check.top, seen.text.bottom);
    EXPECT_GE(seen.check.bottom - seen.check.top, 16);
    EXPECT_GT(seen.check.right - seen.check.left, 16);
    // The buttons sit below the check box, in one row, inside the grown box.
    EXPECT_GE(seen.yes.top, seen.check.bottom);
    EXPECT_EQ(seen.yes.top, seen.no.top);
    EXPECT_LE(seen.yes.bottom, seen.clientHeight);
}

TEST(WarningBox, NoKeepsAnUntouchedState)
{
    for (bool initial : {false, true}) {
        bool checked = initial;
        bool stateShown = !initial;
        int result = Show(GermanWarning(), checked, [&](HWND box) {
            stateShown = ::IsDlgButtonChecked(box, kWarningCheckBoxId) == BST_CHECKED;
            ::SendMessageW(::GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
        });
        EXPECT_EQ(result, IDNO);
        EXPECT_EQ(stateShown, initial);
        EXPECT_EQ(checked, initial);
    }
}

TEST(WarningBox, ANoticeWithoutCheckBoxCaptionHasNoCheckBox)
{
    TWarning w = GermanWarning();
    w.CheckBoxCaption.clear();
    w.Buttons = MsgDlgButton(mbOK);
    w.ButtonCaptions[mbOK] = L"&Gut";
    bool checked = false, hasCheck = true;
    std::wstring ok;
    int result = Show(w, checked, [&](HWND box) {
        hasCheck = ::GetDlgItem(box, kWarningCheckBoxId) != nullptr;
        ok = TextOf(::GetDlgItem(box, IDOK));
        ::SendMessageW(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_FALSE(hasCheck);
    EXPECT_EQ(ok, L"&Gut");
}

} // namespace
