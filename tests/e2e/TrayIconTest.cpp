// Lorvane.exe in Wine's shell desktop, observed as a user sees it: the icons the notification
// area shows (their place and tooltip text, read from the shell's own tooltip windows) and
// the pixels on the screen.
#include "LorvaneProcess.h"
#include "SimControl.h"
#include "UniqueHandle.h"

#include <png.h>

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
    std::vector<uint32_t> bgra(p.px);
    for (uint32_t& v : bgra)
        v |= 0xFF000000u;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = p.w;
    image.height = p.h;
    image.format = PNG_FORMAT_BGRA;
    FILE* f = _wfopen(file.c_str(), L"wb");
    if (!f)
        return false;
    bool ok = png_image_write_to_stdio(&image, f, 0, bgra.data(), 0, nullptr) != 0;
    fclose(f);
    return ok;
}

// One icon of the notification area: where the shell shows it and its tooltip text.
struct TrayIcon {
    RECT screen{};
    std::wstring tip;
};

// Wine's shell gives every icon a tooltip window of its own (and keeps those of removed icons,
// with an empty tool rectangle). The tool's text and rectangle live in the shell's process,
// so they are read through a buffer placed there.
std::vector<TrayIcon> ShownTrayIcons()
{
    std::vector<TrayIcon> icons;
    HWND tray = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!tray)
        return icons;
    DWORD shellPid = 0;
    ::GetWindowThreadProcessId(tray, &shellPid);
    HANDLE shell = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, shellPid);
    if (!shell)
        return icons;
    constexpr size_t kTextChars = 1024;
    const size_t size = sizeof(TTTOOLINFOW) + (kTextChars + 1) * sizeof(wchar_t);
    auto* remote = static_cast<unsigned char*>(::VirtualAllocEx(shell, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    wchar_t* remoteText = reinterpret_cast<wchar_t*>(remote + sizeof(TTTOOLINFOW));
    for (HWND tip = nullptr; (tip = ::FindWindowExW(nullptr, tip, L"tooltips_class32", nullptr));) {
        if (::GetWindow(tip, GW_OWNER) != tray)
            continue;
        DWORD_PTR count = 0;
        if (!::SendMessageTimeoutW(tip, TTM_GETTOOLCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count) || count < 1)
            continue;
        TTTOOLINFOW info{};
        info.cbSize = sizeof(info);
        DWORD_PTR ok = 0;
        ::WriteProcessMemory(shell, remote, &info, sizeof info, nullptr);
        ::SendMessageTimeoutW(tip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 2000, &ok);
        ::ReadProcessMemory(shell, remote, &info, sizeof info, nullptr);
        if (!ok || ::IsRectEmpty(&info.rect))
            continue;
        const wchar_t none = 0;
        ::WriteProcessMemory(shell, remoteText, &none, sizeof none, nullptr);
        info.lpszText = remoteText;
        ::WriteProcessMemory(shell, remote, &info, sizeof info, nullptr);
        ::SendMessageTimeoutW(tip, TTM_GETTEXTW, kTextChars, reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG,
                              2000, &ok);
        std::vector<wchar_t> text(kTextChars + 1, 0);
        ::ReadProcessMemory(shell, remoteText, text.data(), kTextChars * sizeof(wchar_t), nullptr);
        TrayIcon icon;
        icon.tip = text.data();
        icon.screen = info.rect;
        ::MapWindowPoints(info.hwnd, nullptr, reinterpret_cast<POINT*>(&icon.screen), 2);
        icons.push_back(icon);
    }
    ::VirtualFreeEx(shell, remote, 0, MEM_RELEASE);
    ::CloseHandle(shell);
    return icons;
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

void CopyTree(const std::wstring& from, const std::wstring& to)
{
    ::CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((from + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(from + name + L"\\", to + name + L"\\");
        else
            ::CopyFileW((from + name).c_str(), (to + name).c_str(), FALSE);
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
}

// The hidden window that owns the program's icon in the shell.
HWND NotifyIconWindow(DWORD pid)
{
    for (HWND w = nullptr; (w = ::FindWindowExW(nullptr, w, L"LorvaneNotifyIcon", nullptr));) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(w, &owner);
        if (owner == pid)
            return w;
    }
    return nullptr;
}

class TrayIconE2E : public testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        sim::UseStateFile(std::wstring(temp) + L"lorvane-e2e-tray.state");
        // Other test programs (also of other build sessions) show icons and move the pointer
        // in this one desktop.
        desktopLock.reset(::CreateMutexW(nullptr, FALSE, L"LorvaneDesktopPointerTests"));
        if (desktopLock)
            ::WaitForSingleObject(desktopLock.get(), 5 * 60 * 1000);
    }
    static void TearDownTestSuite()
    {
        if (desktopLock)
            ::ReleaseMutex(desktopLock.get());
        desktopLock.reset();
    }
    static inline fw::UniqueHandleK desktopLock;

    void SetUp() override
    {
        ASSERT_NE(::FindWindowW(L"Shell_TrayWnd", nullptr), nullptr) << "the tests run in Wine's shell desktop";
        CloseAllInstances();
        ASSERT_TRUE(sim::Reset());
        ASSERT_TRUE(sim::SetVolume(0.45f));
        program = std::make_unique<ProgramFolder>(L"e2e-tray");
    }
    void TearDown() override
    {
        CloseAllInstances();
        program.reset();
    }

    void WithIconSets() { CopyTree(BinDir() + L"Icons\\", program->File(L"Icons\\")); }
    std::wstring SetFile(const std::wstring& name) const { return program->File(L"Icons\\Digital White\\") + name; }

    HWND Start(Process& p, const std::wstring& args = L"")
    {
        if (!p.Start(LorvanePath(), args))
            return nullptr;
        HWND main = WaitForMainWindow(p.Id(), kBound);
        if (main && !WaitUntil([&] { return ProbeMain(main, 1) == 1; }, kBound))
            return nullptr;
        return main;
    }

    // Runs the simulator's control program, as a user at a console would.
    static void EndpointSim(const std::wstring& args)
    {
        Process p;
        ASSERT_TRUE(p.Start(BinDir() + L"endpointsim.exe", args));
        ASSERT_EQ(p.Wait(kBound), 0) << "endpointsim " << std::string(args.begin(), args.end());
    }

    std::unique_ptr<ProgramFolder> program;
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
    EXPECT_TRUE(ShowsPicture(L"Speakers: Mute", mute30.get())) << CurrentMatch(L"Speakers: Mute", mute30.get());

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

} // namespace
