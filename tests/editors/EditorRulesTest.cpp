// The list editors' rules that need no window: row texts, icon-set checks and names.
#include "EditorRules.h"
#include "HotKeyEdit.h"
#include "IconDraw.h"

#include <gtest/gtest.h>

namespace lorvane {
namespace {

TEST(ToolRowCaption, NameOrNumberedDefault)
{
    EXPECT_EQ(ToolRowCaption(L"Mixer", L"Tool%d", 0), L"Mixer");
    EXPECT_EQ(ToolRowCaption(L"", L"Tool%d", 2), L"Tool3");
    EXPECT_EQ(ToolRowCaption(L"", L"Werkzeug %d", 9), L"Werkzeug 10");
    // A translation that asks for a string falls back to the built-in caption.
    EXPECT_EQ(ToolRowCaption(L"", L"Tool%s", 2), L"Tool3");
}

TEST(VolumeRowText, PercentThroughTheFormat)
{
    EXPECT_EQ(VolumeRowText(L"%d%%", 40), L"40%");
    EXPECT_EQ(VolumeRowText(L"%d %%", 0), L"0 %");
    EXPECT_EQ(VolumeRowText(L"%f", 55), L"55%");
    EXPECT_EQ(VolumeRowCaption(L"Volume%d", 0), L"Volume1");
}

TEST(MouseRowText, HintAtPositionOrNothing)
{
    const std::vector<std::wstring> hints = {L"Default Device", L"Volume", L"Mute"};
    EXPECT_EQ(MouseRowText(hints, 2), L"Mute");
    EXPECT_EQ(MouseRowText(hints, -1), L"");
    EXPECT_EQ(MouseRowText(hints, 3), L"");
}

TEST(KeyRowText, FinalFormAndTakenMark)
{
    EXPECT_EQ(KeyRowText(0xC026, false, kOptHotKeyTaken), L"Ctrl+Alt+Up");
    EXPECT_EQ(KeyRowText(0xC026, true, kOptHotKeyTaken), L"Ctrl+Alt+Up (taken)");
    EXPECT_EQ(KeyRowText(0x4000, false, kOptHotKeyTaken), L"");
    EXPECT_EQ(KeyRowText(0, true, kOptHotKeyTaken), L"");
    EXPECT_EQ(KeyRowText(0x4041, true, L"%d"), L"Ctrl+A (taken)");
}

TEST(PathNames, FileTitleAndFolder)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* title;
        const wchar_t* folder;
    } cases[] = {
        {L"C:\\Tools\\app.exe", L"app", L"Tools"},
        {L"C:\\Program Files\\Lorvane\\Icons\\Digital White\\Vol050.ico", L"Vol050", L"Digital White"},
        {L"C:\\a.b\\run.me.bat", L"run.me", L"a.b"},
        {L"C:\\Tools\\noext", L"noext", L"Tools"},
        {L"C:app.exe", L"app", L""},
        {L"C:\\.hidden", L".hidden", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileTitle(c.path), c.title) << c.path;
        EXPECT_EQ(LastFolderName(c.path), c.folder) << c.path;
    }
}

TEST(SilverSquare, WhiteSetsUnlessSelected)
{
    EXPECT_TRUE(SilverSquareBehind(L"Digital White", false));
    EXPECT_TRUE(SilverSquareBehind(L"WHITE", false));
    EXPECT_TRUE(SilverSquareBehind(L"snowwhite", false));
    EXPECT_FALSE(SilverSquareBehind(L"Digital White", true));
    EXPECT_FALSE(SilverSquareBehind(L"Speaker Blue", false));
}

TEST(IconChecks, AtMostTheClickedItemStaysChecked)
{
    std::vector<bool> checks = {true, false, true};
    IconClickCheck(checks, 1); // the selected item was just unchecked: nothing stays
    EXPECT_EQ(checks, (std::vector<bool>{false, false, false}));

    checks = {true, true, false}; // item 1 was just checked while item 0 was
    IconClickCheck(checks, 1);
    EXPECT_EQ(checks, (std::vector<bool>{false, true, false}));

    checks = {false, false}; // the only checked item was unchecked
    IconClickCheck(checks, 0);
    EXPECT_EQ(checks, (std::vector<bool>{false, false}));

    checks = {true, false, false};
    IconDoubleClick(checks, 2);
    EXPECT_EQ(checks, (std::vector<bool>{false, false, true}));
    IconDoubleClick(checks, -1);
    EXPECT_EQ(checks, (std::vector<bool>{false, false, false}));
}

TEST(IconChecks, FirstCheckedSetOrEmpty)
{
    const std::vector<std::wstring> items = {L"C:\\I\\Bar Meter\\Vol0.bmp",
                                             L"C:\\I\\Digital White\\Vol050.ico"};
    EXPECT_EQ(CheckedIconSet(items, {false, true}), L"Digital White");
    EXPECT_EQ(CheckedIconSet(items, {true, true}), L"Bar Meter");
    EXPECT_EQ(CheckedIconSet(items, {false, false}), L"");
}

TEST(MenuIndexMap, ListedActionsOnly)
{
    TMenuIndexMap map;
    map.Add(true, 0);
    map.Add(false, 7);
    map.Add(true, 1);
    EXPECT_EQ(map.Size(), 3);
    EXPECT_EQ(map.Item(0), 0);
    EXPECT_EQ(map.Item(1), -1);
    EXPECT_EQ(map.Item(2), 1);
    EXPECT_EQ(map.Item(3), -1);
    EXPECT_EQ(map.Item(-1), -1);
    map.Clear();
    EXPECT_EQ(map.Item(0), -1);
}

TEST(PreviewSize, FollowsTheDialogsResolution)
{
    EXPECT_EQ(PreviewSize(96, 18), 16);
    EXPECT_EQ(PreviewSize(144, 27), 24);
    EXPECT_EQ(PreviewSize(192, 36), 32);
    EXPECT_EQ(PreviewSize(192, 20), 20); // never taller than the item
    EXPECT_EQ(PreviewSize(0, 18), 16);
}

// Key codes as the capture reports them, and the value and texts after each step.
TEST(HotKeyTyping, CombinationsAsTheyArePressed)
{
    struct Step {
        bool down;
        unsigned key;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        input::TShortCut value;
    } cases[] = {
        {"Ctrl then A, both released",
         {{true, VK_LCONTROL}, {true, 'A'}, {false, 'A'}, {false, VK_LCONTROL}},
         0x4041},
        {"Ctrl alone", {{true, VK_RCONTROL}, {false, VK_RCONTROL}}, 0x4000},
        {"Ctrl+Alt+Up", {{true, VK_LCONTROL}, {true, VK_LMENU}, {true, VK_UP}}, 0xC026},
        {"Win+Shift+F1", {{true, VK_LWIN}, {true, VK_RSHIFT}, {true, VK_F1}}, 0x3070},
        {"released modifier no longer counts",
         {{true, VK_SHIFT}, {false, VK_SHIFT}, {true, VK_ESCAPE}},
         0x001B},
        {"generic Alt", {{true, VK_MENU}, {true, VK_TAB}}, 0x8009},
        {"Enter alone", {{true, VK_RETURN}}, 0x000D},
        {"Backspace is a key", {{true, VK_BACK}}, 0x0008},
    };
    for (const Case& c : cases) {
        THotKeyTyping typing;
        input::TShortCut value = 0;
        for (const Step& s : c.steps) {
            if (s.down)
                value = typing.KeyDown(s.key);
            else
                typing.KeyUp(s.key);
        }
        EXPECT_EQ(value, c.value) << c.name;
    }
}

TEST(HotKeyTyping, ResetForgetsHeldModifiers)
{
    THotKeyTyping typing;
    typing.KeyDown(VK_LCONTROL);
    typing.KeyDown(VK_LWIN);
    typing.Reset();
    EXPECT_EQ(typing.KeyDown('B'), 'B');
    EXPECT_EQ(typing.KeyDown(300), 0); // no virtual-key code
}

// ---- previews of the sets laid beside the program (build/bin/Icons), drawn into a bitmap

std::wstring ShippedSet(const wchar_t* set)
{
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir = self;
    dir.resize(dir.find_last_of(L'\\'));     // build\tests
    dir.resize(dir.find_last_of(L'\\') + 1); // build\ .
    return dir + L"bin\\Icons\\" + set + L"\\";
}

int IconSide(HICON icon)
{
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info))
        return 0;
    BITMAP bm{};
    ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
    if (info.hbmColor)
        ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    return bm.bmWidth;
}

// A 32-bit white canvas of w x h pixels.
class Canvas {
  public:
    Canvas(int w, int h) : dc(::CreateCompatibleDC(nullptr))
    {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bitmap = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        old = ::SelectObject(dc, bitmap);
        width = w;
        RECT all{0, 0, w, h};
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        ::SetBkColor(dc, RGB(255, 255, 255));
    }
    ~Canvas()
    {
        ::SelectObject(dc, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
    }
    uint32_t At(int x, int y) const { return bits[y * width + x] & 0xFFFFFF; }
    HDC dc;

  private:
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    uint32_t* bits = nullptr;
    int width = 0;
};

TEST(IconPreviews, WhiteSetsOnSilverUnlessSelected)
{
    const std::wstring white = ShippedSet(L"Digital White") + L"Vol050.ico";
    TPreviewCache cache;
    for (bool selected : {false, true}) {
        Canvas canvas(200, 18);
        DrawIconSetItem(canvas.dc, RECT{0, 0, 200, 18}, white, selected, 16, cache);
        // The square's corner, outside the 16-pixel picture centred in it.
        EXPECT_EQ(canvas.At(0, 0), selected ? 0xFFFFFFu : 0xC0C0C0u) << selected;
    }
    Canvas blue(200, 18);
    DrawIconSetItem(blue.dc, RECT{0, 0, 200, 18}, ShippedSet(L"Speaker Blue") + L"Vol0.ico", false, 16,
                    cache);
    EXPECT_EQ(blue.At(0, 0), 0xFFFFFFu);
}

TEST(IconPreviews, DrawnAtTheDialogsSizeFromTheSet)
{
    const std::wstring file = ShippedSet(L"Digital White") + L"Vol050.ico";
    TPreviewCache cache;
    // At 144 and 192 DPI the set's own 24- and 32-pixel pictures, not the 16-pixel one stretched.
    EXPECT_EQ(IconSide(cache.Get(file, PreviewSize(144, 27))), 24);
    EXPECT_EQ(IconSide(cache.Get(file, PreviewSize(192, 36))), 32);
    EXPECT_EQ(IconSide(LoadIconFromFile(file, 0).get()), 16);

    Canvas canvas(32, 32);
    EXPECT_TRUE(DrawIconFile(canvas.dc, RECT{0, 0, 32, 32}, file));
    EXPECT_FALSE(DrawIconFile(canvas.dc, RECT{0, 0, 32, 32}, file + L".missing"));
    EXPECT_FALSE(DrawIconFile(canvas.dc, RECT{0, 0, 32, 32}, ShippedSet(L"Digital White")));
    int drawn = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            drawn += canvas.At(x, y) != 0xFFFFFFu;
    EXPECT_GT(drawn, 0);
}

} // namespace
} // namespace lorvane
