// Lorvane.exe in Wine's shell desktop, observed as a user sees it: the icons the notification
// area shows (their place and tooltip text, read from the shell's own tooltip windows) and
// the pixels on the screen.
#include "InstanceTest.h"
#include "PngEncode.h"
#include "ShellTray.h"
#include "SimControl.h"
#include "SystemInfo.h"
#include "UniqueHandle.h"

#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace e2e;
namespace sim = endpointsim;

constexpr DWORD kBound = 20000; // generous: a cold Wine is slow to start programs

struct Pixels {
    int w = 0, h = 0;
    std::vector<uint32_t> px; // 0x00RRGGBB, top row first
    uint32_t At(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
};

Pixels Capture(const RECT& r)
{
    Pixels out;
    out.w = r.right - r.left;
    out.h = r.bottom - r.top;
    out.px.resize(static_cast<size_t>(out.w) * out.h);
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, out.w, out.h);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, out.w, out.h, screen, r.left, r.top, SRCCOPY);
    ::SelectObject(mem, old);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), out.w, -out.h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    ::GetDIBits(mem, bmp, 0, out.h, out.px.data(), &bi, DIB_RGB_COLORS);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    for (uint32_t& p : out.px)
        p &= 0xFFFFFF;
    return out;
}

bool SavePng(const std::wstring& file, const Pixels& p)
{
    std::vector<uint32_t> argb(p.px);
    for (uint32_t& v : argb)
        v |= 0xFF000000u;
    const testpng::Bytes png = testpng::EncodeArgb(p.w, p.h, argb.data());
    FILE* f = _wfopen(file.c_str(), L"wb");
    if (!f)
        return false;
    bool ok = !png.empty() && fwrite(png.data(), 1, png.size(), f) == png.size();
    fclose(f);
    return ok;
}

std::optional<TrayIcon> WaitForTip(const std::wstring& tip, DWORD bound = kBound)
{
    std::optional<TrayIcon> found;
    WaitUntil(
        [&] {
            for (const TrayIcon& i : ShownTrayIcons())
                if (i.tip == tip)
                    found = i;
            return found.has_value();
        },
        bound);
    return found;
}

bool NoIconWithTip(const std::wstring& tip)
{
    for (const TrayIcon& i : ShownTrayIcons())
        if (i.tip == tip)
            return false;
    return true;
}

// How well the screen shows `icon` (drawn at 16 pixels) inside `area`: the share of the
// icon's own pixels, at the best placement, that match it drawn over the area's background.
double PictureMatch(const RECT& area, HICON icon)
{
    constexpr int n = 16;
    const Pixels screen = Capture(area);
    if (screen.w < n || screen.h < n || !icon)
        return 0.0;
    const uint32_t bg = screen.At(0, 0);
    auto draw = [&](uint32_t background) {
        Pixels p;
        p.w = p.h = n;
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), n, -n, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HDC dc = ::CreateCompatibleDC(nullptr);
        HBITMAP bmp = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = ::SelectObject(dc, bmp);
        for (int i = 0; i < n * n; ++i)
            static_cast<uint32_t*>(bits)[i] = background;
        ::DrawIconEx(dc, 0, 0, icon, n, n, 0, nullptr, DI_NORMAL);
        ::GdiFlush();
        p.px.assign(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + n * n);
        for (uint32_t& v : p.px)
            v &= 0xFFFFFF;
        ::SelectObject(dc, old);
        ::DeleteObject(bmp);
        ::DeleteDC(dc);
        return p;
    };
    const Pixels onBg = draw(bg), onOther = draw(bg ^ 0xFFFFFF);
    auto close = [](uint32_t a, uint32_t b) {
        for (int s = 0; s < 24; s += 8)
            if (std::abs(static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF)) > 24)
                return false;
        return true;
    };
    double best = 0.0;
    for (int dy = 0; dy + n <= screen.h; ++dy) {
        for (int dx = 0; dx + n <= screen.w; ++dx) {
            int covered = 0, matched = 0;
            for (int y = 0; y < n; ++y) {
                for (int x = 0; x < n; ++x) {
                    const size_t i = static_cast<size_t>(y) * n + x;
                    if (onBg.px[i] == onOther.px[i])
                        continue; // the icon is transparent there
                    ++covered;
                    matched += close(screen.At(dx + x, dy + y), onBg.px[i]);
                }
            }
            if (covered)
                best = std::max(best, static_cast<double>(matched) / covered);
        }
    }
    return best;
}

// Whether the icon with the tooltip `tip` shows `picture` (placed anew on every poll: icons
// of other programs coming and going move it).
bool ShowsPicture(const std::wstring& tip, HICON picture, DWORD bound = kBound)
{
    return WaitUntil(
        [&] {
            for (const TrayIcon& i : ShownTrayIcons())
                if (i.tip == tip && PictureMatch(i.screen, picture) > 0.95)
                    return true;
            return false;
        },
        bound);
}

double CurrentMatch(const std::wstring& tip, HICON picture)
{
    double best = 0.0;
    for (const TrayIcon& i : ShownTrayIcons())
        if (i.tip == tip)
            best = std::max(best, PictureMatch(i.screen, picture));
    return best;
}

fw::UniqueHicon IconFile(const std::wstring& file)
{
    return fw::UniqueHicon(
        static_cast<HICON>(::LoadImageW(nullptr, file.c_str(), IMAGE_ICON, 16, 16, LR_LOADFROMFILE)));
}

// The hidden window that owns the program's icon in the shell.
class TrayIconE2E : public InstanceTest {
  protected:
    TrayIconE2E() : InstanceTest(L"tray") {}

    void SetUp() override
    {
        ASSERT_NE(::FindWindowW(L"Shell_TrayWnd", nullptr), nullptr)
            << "the tests run in Wine's shell desktop";
        InstanceTest::SetUp();
    }

    void WithIconSets() { CopyTree(BinDir() + L"Icons\\", program->File(L"Icons\\")); }
    std::wstring SetFile(const std::wstring& name) const
    {
        return program->File(L"Icons\\Digital White\\") + name;
    }

    HWND Start(Process& p, const std::wstring& args = L"") { return StartInstance(p, args, kBound); }

    // Runs the simulator's control program, as a user at a console would.
    static void EndpointSim(const std::wstring& args)
    {
        Process p;
        ASSERT_TRUE(p.Start(BinDir() + L"endpointsim.exe", args));
        ASSERT_EQ(p.Wait(kBound), 0) << "endpointsim " << std::string(args.begin(), args.end());
    }

};

TEST_F(TrayIconE2E, TheIconAppearsAtStartAndFollowsEveryChange)
{
    WithIconSets();
    Process p;
    ASSERT_TRUE(Start(p));
    std::optional<TrayIcon> icon = WaitForTip(L"Speakers: 45%");
    ASSERT_TRUE(icon) << "no icon with the tooltip \"Speakers: 45%\"";
    fw::UniqueHicon vol45 = IconFile(SetFile(L"Vol045.ico"));
    ASSERT_TRUE(ShowsPicture(L"Speakers: 45%", vol45.get()))
        << "the notification area does not show Vol045.ico: " << CurrentMatch(L"Speakers: 45%", vol45.get());

    // The picture for the record: the notification area and the icon, enlarged.
    RECT bar{};
    ::GetWindowRect(::FindWindowW(L"Shell_TrayWnd", nullptr), &bar);
    RECT corner{std::max(bar.left, bar.right - 160), bar.top, bar.right, bar.bottom};
    Pixels shot = Capture(corner), big;
    constexpr int zoom = 6;
    big.w = shot.w * zoom;
    big.h = shot.h * zoom;
    for (int y = 0; y < big.h; ++y)
        for (int x = 0; x < big.w; ++x)
            big.px.push_back(shot.At(x / zoom, y / zoom));
    EXPECT_TRUE(SavePng(BinDir() + L"..\\tray-icon.png", big));

    // A change made by another program, through the endpoint itself.
    EndpointSim(L"volume 0.3");
    ASSERT_TRUE(WaitForTip(L"Speakers: 30%"));
    fw::UniqueHicon vol30 = IconFile(SetFile(L"Vol030.ico"));
    EXPECT_TRUE(ShowsPicture(L"Speakers: 30%", vol30.get())) << CurrentMatch(L"Speakers: 30%", vol30.get());
    EXPECT_LT(CurrentMatch(L"Speakers: 30%", vol45.get()), 0.9); // the old picture is gone
    EXPECT_TRUE(NoIconWithTip(L"Speakers: 45%"));

    EndpointSim(L"mute 1");
    ASSERT_TRUE(WaitForTip(L"Speakers: Mute"));
    fw::UniqueHicon mute30 = IconFile(SetFile(L"Mute030.ico"));
    EXPECT_TRUE(ShowsPicture(L"Speakers: Mute", mute30.get()))
        << CurrentMatch(L"Speakers: Mute", mute30.get());

    EndpointSim(L"volume 0.5");
    EXPECT_TRUE(WaitForTip(L"Speakers: Mute (50%)"));
    EndpointSim(L"mute 0");
    EXPECT_TRUE(WaitForTip(L"Speakers: 50%"));
}

TEST_F(TrayIconE2E, ALostIconComesBackWithTaskbarCreatedAndWithASecondStart)
{
    WithIconSets();
    Process p;
    ASSERT_TRUE(Start(p));
    ASSERT_TRUE(WaitForTip(L"Speakers: 45%"));
    HWND owner = NotifyIconWindow(p.Id());
    ASSERT_NE(owner, nullptr);

    auto lose = [&] {
        NOTIFYICONDATAW d{};
        d.cbSize = NOTIFYICONDATAW_V2_SIZE;
        d.hWnd = owner;
        d.uID = 1;
        ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &d));
        ASSERT_TRUE(WaitUntil([] { return NoIconWithTip(L"Speakers: 45%"); }, kBound));
    };

    lose();
    // What a restarted shell announces to every top-level window.
    ::PostMessageW(HWND_BROADCAST, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    ASSERT_TRUE(WaitForTip(L"Speakers: 45%")) << "TaskbarCreated did not bring the icon back";
    fw::UniqueHicon vol45 = IconFile(SetFile(L"Vol045.ico"));
    EXPECT_TRUE(ShowsPicture(L"Speakers: 45%", vol45.get()));

    lose();
    Process second;
    ASSERT_TRUE(second.Start(LorvanePath(), L""));
    EXPECT_EQ(second.Wait(kBound), 0);
    EXPECT_TRUE(WaitForTip(L"Speakers: 45%")) << "a second start did not bring the icon back";
    EXPECT_TRUE(p.Running());
}

TEST_F(TrayIconE2E, ClosingTheProgramRemovesItsIcon)
{
    WithIconSets();
    Process p;
    HWND main = Start(p);
    ASSERT_TRUE(main);
    std::optional<TrayIcon> icon = WaitForTip(L"Speakers: 45%");
    ASSERT_TRUE(icon);
    fw::UniqueHicon vol45 = IconFile(SetFile(L"Vol045.ico"));
    ASSERT_TRUE(ShowsPicture(L"Speakers: 45%", vol45.get()));
    icon = WaitForTip(L"Speakers: 45%"); // where it is now
    ASSERT_TRUE(icon);

    ::PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.Wait(kBound), 0);
    EXPECT_TRUE(WaitUntil([] { return NoIconWithTip(L"Speakers: 45%"); }, kBound));
    EXPECT_TRUE(WaitUntil([&] { return PictureMatch(icon->screen, vol45.get()) < 0.5; }, kBound));
}

TEST_F(TrayIconE2E, WithoutAnyIconSetTheProgramsOwnIconShows)
{
    Process p; // the program folder holds no Icons folder at all
    ASSERT_TRUE(Start(p));
    ASSERT_TRUE(WaitForTip(L"Speakers: 45%"));
    HICON large = nullptr, small = nullptr;
    ASSERT_GT(::ExtractIconExW(LorvanePath().c_str(), 0, &large, &small, 1), 0u);
    fw::UniqueHicon own(small), other(large);
    EXPECT_TRUE(ShowsPicture(L"Speakers: 45%", own.get())) << CurrentMatch(L"Speakers: 45%", own.get());
}

TEST_F(TrayIconE2E, ABrokenIconSetShowsTheProgramsOwnIconAndTheProgramRuns)
{
    // Files whose headers point outside them: the system's loaders read out of bounds on these.
    const std::wstring set = program->File(L"Icons\\Broken\\");
    ::CreateDirectoryW(program->File(L"Icons\\").c_str(), nullptr);
    ::CreateDirectoryW(set.c_str(), nullptr);
    auto write = [&](const wchar_t* name, std::vector<unsigned char> bytes) {
        HANDLE h = ::CreateFileW((set + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(h);
    };
    std::vector<unsigned char> bmp(54, 0);
    bmp[0] = 'B', bmp[1] = 'M', bmp[10] = 0xFF, bmp[11] = 0xFF, bmp[12] = 0xFF,
    bmp[13] = 0x7F; // pixels at 2 GiB
    bmp[14] = 40, bmp[18] = 16, bmp[22] = 16, bmp[26] = 1, bmp[28] = 24;
    write(L"Vol0.bmp", bmp);
    write(L"Vol1.ico",
          {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 40, 0, 0, 0, 0, 0x10, 0, 0}); // image at 4096
    write(L"VolMin.ico", {0, 0, 1, 0, 0xFF, 0xFF});
    write(L"Mute0.png", std::vector<unsigned char>(100, 0x89));
    ASSERT_TRUE(program->WriteSettings(L"[General]\r\nIconDir=Broken\r\n"));

    Process p;
    HWND main = Start(p);
    ASSERT_TRUE(main) << "the program did not start with a broken icon set";
    ASSERT_TRUE(WaitForTip(L"Speakers: 45%"));
    HICON large = nullptr, small = nullptr;
    ASSERT_GT(::ExtractIconExW(LorvanePath().c_str(), 0, &large, &small, 1), 0u);
    fw::UniqueHicon own(small), other(large);
    EXPECT_TRUE(ShowsPicture(L"Speakers: 45%", own.get())) << CurrentMatch(L"Speakers: 45%", own.get());
    // Every picture of the set is tried: the level and mute changes walk through them.
    EndpointSim(L"volume 0");
    ASSERT_TRUE(WaitForTip(L"Speakers: 0%"));
    EndpointSim(L"mute 1");
    ASSERT_TRUE(WaitForTip(L"Speakers: Mute"));
    EXPECT_TRUE(p.Running());
    EXPECT_EQ(ProbeMain(main, 1), 1);
}

TEST_F(TrayIconE2E, ABalloonRepeatsTheLastTooltipAfterChanges)
{
    // Wine's shell draws a balloon 2 s after it is asked to: the notice must outlast that.
    ASSERT_TRUE(program->WriteSettings(L"[General]\r\nBalloonHint=1\r\nBalloonTime=8000\r\n"));
    // A device name with "&": the shell's tooltip would hide a single one, the balloon shows it.
    ASSERT_TRUE(sim::Reset({L"USB Speakers & Mic"}));
    ASSERT_TRUE(sim::SetVolume(0.45f));
    Process p;
    ASSERT_TRUE(Start(p));
    ASSERT_TRUE(WaitForTip(L"USB Speakers && Mic: 45%"));
    EXPECT_FALSE(ShownBalloon()) << "loading the icon set shows no balloon";

    for (float scalar : {0.5f, 0.55f, 0.6f}) {
        ASSERT_TRUE(sim::SetVolume(scalar));
        ::Sleep(300);
    }
    ASSERT_TRUE(WaitForTip(L"USB Speakers && Mic: 60%"));
    std::optional<Balloon> shown;
    ASSERT_TRUE(WaitUntil(
        [&] {
            shown = ShownBalloon();
            return shown && shown->text == L"USB Speakers & Mic: 60%";
        },
        kBound))
        << "no balloon with the last tooltip";
    // Before Windows 10 the notice comes at once and only repeats the tooltip; from Windows 10
    // on it waits for the changes to settle and says what happened.
    EXPECT_EQ(shown->title, fw::SystemVersion().major >= 10 ? L"Volume has been changed" : L"");
    EXPECT_TRUE(WaitUntil([] { return !ShownBalloon(); }, kBound)) << "the balloon stays";
}

} // namespace

// Without Core Audio the program runs on the waveform mixer. The simulator refuses the first
// enumerator of each process (the program's probe); Wine's mixer, asked later, keeps a level
// of its own per process, so the icon shows the mixer's 100 %, not the endpoint's 45 %.
TEST_F(TrayIconE2E, OnTheMixerTheIconShowsItsLevelAndAWheelStepChangesIt)
{
    ::SetEnvironmentVariableW(L"LORVANE_ENDPOINTSIM_REFUSE_FIRST", L"1");
    EXPECT_EQ(RunLorvane(L"-Volume:50"), 0) << "the mixer accepted the write";
    WithIconSets();
    Process p;
    HWND main = Start(p);
    ::SetEnvironmentVariableW(L"LORVANE_ENDPOINTSIM_REFUSE_FIRST", nullptr);
    ASSERT_TRUE(main);
    std::optional<TrayIcon> icon = WaitForTip(L"Volume: 100%");
    ASSERT_TRUE(icon) << "no icon with the mixer's level and no device name";
    fw::UniqueHicon vol100 = IconFile(SetFile(L"Vol100.ico"));
    EXPECT_TRUE(ShowsPicture(L"Volume: 100%", vol100.get())) << CurrentMatch(L"Volume: 100%", vol100.get());

    const POINT at{(icon->screen.left + icon->screen.right) / 2,
                   (icon->screen.top + icon->screen.bottom) / 2};
    ::SetCursorPos(at.x - 2, at.y);
    ::Sleep(100);
    ::SetCursorPos(at.x, at.y); // the shell counts a pointer motion inside the icon
    ::Sleep(200);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_WHEEL;
    in.mi.mouseData = static_cast<DWORD>(-WHEEL_DELTA);
    ::SendInput(1, &in, sizeof(in));
    auto stepped = [] {
        for (const TrayIcon& i : ShownTrayIcons())
            if (i.tip.rfind(L"Volume: 9", 0) == 0)
                return true;
        return false;
    };
    EXPECT_TRUE(WaitUntil(stepped, kBound)) << "the wheel step was not read back from the mixer";
    const LRESULT before = ProbeMain(main, 2);
    ::PostMessageW(HWND_BROADCAST, ::RegisterWindowMessageA("winmm_devicechange"), 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return ProbeMain(main, 2) > before; }, kBound))
        << "no reopen after the broadcast";
    EXPECT_TRUE(stepped()) << "the reopened mixer lost the level";
    // No own change stays unconfirmed, so closing does not wait for one.
    const ULONGLONG closing = ::GetTickCount64();
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.Wait(kBound), 0);
    EXPECT_LT(::GetTickCount64() - closing, 2500u);
}

namespace {

// The language named in the settings file speaks in the tooltip; a script without Latin
// letters arrives as it is written.
TEST_F(TrayIconE2E, TheLanguageOfTheSettingsFileSpeaksInTheTooltip)
{
    CopyTree(BinDir() + L"Languages\\", program->File(L"Languages\\"));
    struct Case {
        std::wstring language, level, muted;
    };
    // Japanese writes its colon full-width.
    for (const Case& c : {Case{L"German", L"Speakers: 45%", L"Speakers: Stumm"},
                          Case{L"Japanese", L"Speakers：45%", L"Speakers：ミュート"}}) {
        const std::wstring& language = c.language;
        const std::wstring& muted = c.muted;
        SCOPED_TRACE(std::string(language.begin(), language.end()));
        ASSERT_TRUE(sim::SetMute(false));
        ASSERT_TRUE(program->WriteSettings(L"[General]\r\nLangName=" + language + L"\r\n"));
        Process p;
        ASSERT_TRUE(Start(p));
        ASSERT_TRUE(WaitForTip(c.level));
        ASSERT_TRUE(sim::SetMute(true));
        EXPECT_TRUE(WaitForTip(muted)) << "no icon with the translated tooltip";
        CloseAllInstances();
        EXPECT_NE(program->ReadSettings().find(L"LangName=" + language), std::wstring::npos);
    }
}

} // namespace
