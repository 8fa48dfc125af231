// Takes the pictures of the user's guide and the help files: starts Lorvane.exe in Wine's shell
// desktop against the endpoint simulator, opens every surface a user meets with real pointer and
// key input, and writes each one cropped to its windows as a PNG file.
//
//   ShotDriver.exe OUTDIR DPI [--only=WORD,WORD...] CODE=LANGUAGE [CODE=LANGUAGE ...]
//
// The first language names the settings pages (its tab captions, in lower case), so list English
// first. Pictures: tray-SET-DPI (each icon set at several levels and muted, side by side),
// then per language tooltip, menu-main, menu-device, menu-volume, menu-tool, bar, bar-apps
// (with three playing applications), settings-PAGE (every page the dialog has), warning,
// display (the on-screen display after a wheel turn) and display-app (after an application's
// change), each as NAME-CODE-DPI.png. --only takes the pictures whose names start with one of
// the words and a hyphen ("settings-display", "display", "tray"), for a quick partial run.
// Prints one line per picture written and "missed NAME" for a surface that did not show;
// exits 1 when anything was missed.
#include "LorvaneProcess.h"
#include "PngEncode.h"
#include "ShellTray.h"
#include "SimControl.h"

#include <commctrl.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace e2e;
namespace sim = endpointsim;

constexpr DWORD kBound = 20000;
// MainProbe::ApplicationRows of the program's messages: the rows the pop-up bar shows.
constexpr WPARAM kProbeRows = 20;
// MainProbe::SessionSinks: the session notification objects alive (one creation sink, one a session).
constexpr WPARAM kProbeSinks = 21;

int missed = 0;
std::wstring outDir, dpiTag;
std::vector<std::wstring> only; // the words of --only; empty for every picture

// Whether `name` is `word` or starts with it and a hyphen.
bool StartsWithWord(const std::wstring& name, const std::wstring& word)
{
    return name.compare(0, word.size(), word) == 0 && (name.size() == word.size() || name[word.size()] == L'-');
}

// Whether the pictures of `surface` (a name without language and resolution) are asked for.
bool Wanted(const std::wstring& surface)
{
    return only.empty() ||
           std::any_of(only.begin(), only.end(), [&](const std::wstring& w) { return StartsWithWord(surface, w); });
}

// Whether any picture of the group (its names start with `group` and a hyphen) is asked for.
bool AnyWanted(const std::wstring& group)
{
    return Wanted(group) ||
           std::any_of(only.begin(), only.end(), [&](const std::wstring& w) { return StartsWithWord(w, group); });
}

// ---------------------------------------------------------------------------------------------
// Input, as a user gives it.

void Button(DWORD flags)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    ::SendInput(1, &in, sizeof(INPUT));
}

// A motion inside the target first: the shell counts clicks on an icon only after one.
void PointAt(POINT p)
{
    ::SetCursorPos(p.x - 2, p.y);
    ::Sleep(100);
    ::SetCursorPos(p.x, p.y);
    ::Sleep(200);
}

void ClickAt(POINT p, bool right = false)
{
    PointAt(p);
    Button(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    Button(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
}

void Key(WORD vk, int times = 1)
{
    for (int i = 0; i < times; ++i) {
        INPUT in[2]{};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[1].ki.wVk = vk;
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        ::SendInput(2, in, sizeof(INPUT));
        ::Sleep(120);
    }
}

// Turns the wheel by `notches` (up is positive), with Alt held when `alt` is set.
void Wheel(int notches, bool alt = false)
{
    e2e::SendWheel(notches * WHEEL_DELTA, alt);
}

void PointerAway()
{
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) / 3, ::GetSystemMetrics(SM_CYSCREEN) / 3);
}

POINT Center(const RECT& r)
{
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

RECT WindowRect(HWND h)
{
    RECT r{};
    ::GetWindowRect(h, &r);
    return r;
}

RECT Union(RECT a, const RECT& b)
{
    RECT u{};
    ::UnionRect(&u, &a, &b);
    return u;
}

RECT Inflated(RECT r, int by)
{
    ::InflateRect(&r, by, by);
    return r;
}

// ---------------------------------------------------------------------------------------------
// Pictures: the screen's pixels, cropped and written as PNG.

struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> argb;
};

// The screen inside `r`; with `keep` given, what lies outside those windows is transparent.
Picture Grab(RECT r, const std::vector<RECT>& keep = {})
{
    RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::IntersectRect(&r, &r, &screen);
    Picture pic;
    pic.width = r.right - r.left;
    pic.height = r.bottom - r.top;
    if (pic.width <= 0 || pic.height <= 0)
        return {};
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = pic.width;
    bi.bmiHeader.biHeight = -pic.height; // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC screenDc = ::GetDC(nullptr);
    HDC memDc = ::CreateCompatibleDC(screenDc);
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(screenDc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memDc, bmp);
    ::BitBlt(memDc, 0, 0, pic.width, pic.height, screenDc, r.left, r.top, SRCCOPY | CAPTUREBLT);
    ::GdiFlush();
    const auto* px = static_cast<const uint32_t*>(bits);
    pic.argb.assign(px, px + static_cast<size_t>(pic.width) * pic.height);
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            const POINT at{r.left + x, r.top + y};
            bool inside = keep.empty();
            for (const RECT& k : keep)
                inside = inside || ::PtInRect(&k, at);
            uint32_t& p = pic.argb[static_cast<size_t>(y) * pic.width + x];
            p = inside ? (p | 0xFF000000u) : 0;
        }
    ::SelectObject(memDc, old);
    ::DeleteObject(bmp);
    ::DeleteDC(memDc);
    ::ReleaseDC(nullptr, screenDc);
    return pic;
}

// Pictures side by side, `gap` transparent pixels apart.
Picture SideBySide(const std::vector<Picture>& pics, int gap)
{
    Picture out;
    for (const Picture& p : pics) {
        out.width += p.width + (out.width ? gap : 0);
        out.height = std::max(out.height, p.height);
    }
    if (pics.empty() || out.width == 0)
        return {};
    out.argb.assign(static_cast<size_t>(out.width) * out.height, 0);
    int x0 = 0;
    for (const Picture& p : pics) {
        for (int y = 0; y < p.height; ++y)
            std::copy_n(&p.argb[static_cast<size_t>(y) * p.width], p.width,
                        &out.argb[static_cast<size_t>(y) * out.width + x0]);
        x0 += p.width + gap;
    }
    return out;
}

void Save(const Picture& pic, const std::wstring& name)
{
    const std::wstring file = outDir + name + L"-" + dpiTag + L".png";
    testpng::Bytes png = pic.width ? testpng::EncodeArgb(pic.width, pic.height, pic.argb.data()) : testpng::Bytes{};
    // No file for a picture that was not taken: the last good one in docs/images stays.
    HANDLE h = png.empty() ? INVALID_HANDLE_VALUE
                           : ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool ok = !png.empty() && h != INVALID_HANDLE_VALUE &&
                    ::WriteFile(h, png.data(), static_cast<DWORD>(png.size()), &written, nullptr) &&
                    written == png.size();
    if (h != INVALID_HANDLE_VALUE)
        ::CloseHandle(h);
    if (!ok && h != INVALID_HANDLE_VALUE)
        ::DeleteFileW(file.c_str());
    if (ok) {
        std::printf("wrote %ls-%ls.png\n", name.c_str(), dpiTag.c_str());
    } else {
        std::printf("missed %ls (could not write)\n", name.c_str());
        ++missed;
    }
    std::fflush(stdout);
}

void Miss(const std::wstring& name, const char* why)
{
    std::printf("missed %ls-%ls: %s\n", name.c_str(), dpiTag.c_str(), why);
    std::fflush(stdout);
    ++missed;
}

// ---------------------------------------------------------------------------------------------
// Windows on the screen.

std::vector<HWND> VisibleMenus()
{
    std::vector<HWND> menus;
    for (HWND h = nullptr; (h = ::FindWindowExW(nullptr, h, L"#32768", nullptr));)
        if (::IsWindowVisible(h))
            menus.push_back(h);
    return menus;
}

// The visible top-level windows of a process, other than its main window.
std::vector<HWND> ProcessWindows(DWORD pid, const wchar_t* cls = nullptr)
{
    struct Ctx {
        DWORD pid;
        const wchar_t* cls;
        std::vector<HWND> found;
    } ctx{pid, cls, {}};
    ::EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(h, &owner);
            wchar_t name[64] = {};
            ::GetClassNameW(h, name, 64);
            if (owner == c->pid && ::IsWindowVisible(h) && std::wstring(name) != L"TMainForm" &&
                (!c->cls || std::wstring(name) == c->cls))
                c->found.push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

HWND Descendant(HWND parent, const wchar_t* cls)
{
    struct Ctx {
        const wchar_t* cls;
        HWND found;
    } ctx{cls, nullptr};
    ::EnumChildWindows(
        parent,
        [](HWND h, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            wchar_t name[64] = {};
            ::GetClassNameW(h, name, 64);
            if (std::wstring(name) == c->cls) {
                c->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

// The notification area's tooltip for an icon (not a balloon), when one shows.
HWND ShownTrayTip()
{
    HWND tray = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    for (HWND tip = nullptr; (tip = ::FindWindowExW(nullptr, tip, L"tooltips_class32", nullptr));)
        if (::GetWindow(tip, GW_OWNER) == tray && ::IsWindowVisible(tip) &&
            !(::GetWindowLongW(tip, GWL_STYLE) & TTS_BALLOON))
            return tip;
    return nullptr;
}

// The shell keeps an icon's tooltip up while a menu holds the pointer: it is put away before
// a picture of a menu or the bar.
void HideTrayTips()
{
    for (HWND tip = ShownTrayTip(); tip; tip = ShownTrayTip()) {
        ::SendMessageW(tip, TTM_POP, 0, 0);
        if (::IsWindowVisible(tip))
            ::ShowWindow(tip, SW_HIDE);
    }
}

// Reads a tab control of another process through a buffer placed in that process: the
// messages that fill a structure are not carried across processes.
class RemoteTabs {
  public:
    explicit RemoteTabs(HWND tabs) : tabs(tabs)
    {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(tabs, &pid);
        process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process)
            remote = static_cast<unsigned char*>(::VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    }
    ~RemoteTabs()
    {
        if (remote)
            ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
        if (process)
            ::CloseHandle(process);
    }
    RemoteTabs(const RemoteTabs&) = delete;
    RemoteTabs& operator=(const RemoteTabs&) = delete;

    int Count() const { return static_cast<int>(::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0)); }
    // The tab's rectangle on the screen.
    RECT ItemRect(int i) const
    {
        RECT r{};
        if (!remote || !::SendMessageW(tabs, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(remote)))
            return r;
        ::ReadProcessMemory(process, remote, &r, sizeof r, nullptr);
        ::MapWindowPoints(tabs, nullptr, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    std::wstring Caption(int i) const
    {
        if (!remote)
            return {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = reinterpret_cast<wchar_t*>(remote + 256);
        item.cchTextMax = 256;
        const wchar_t none = 0;
        ::WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        ::WriteProcessMemory(process, remote + 256, &none, sizeof none, nullptr);
        ::SendMessageW(tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(remote));
        wchar_t text[257] = {};
        ::ReadProcessMemory(process, remote + 256, text, 256 * sizeof(wchar_t), nullptr);
        return text;
    }
    int Selected() const { return static_cast<int>(::SendMessageW(tabs, TCM_GETCURSEL, 0, 0)); }

  private:
    HWND tabs;
    HANDLE process = nullptr;
    unsigned char* remote = nullptr;
};

// ---------------------------------------------------------------------------------------------
// The program, started from a folder of its own with the settings of one set of pictures.

std::wstring Lower(std::wstring s)
{
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(::towlower(c));
    return s;
}

std::wstring FileName(std::wstring s)
{
    s = Lower(s);
    for (wchar_t& c : s)
        if (!::iswalnum(c))
            c = L'-';
    return s;
}

std::vector<std::wstring> IconSets()
{
    std::vector<std::wstring> sets;
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((BinDir() + L"Icons\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return sets;
    do {
        const std::wstring name = fd.cFileName;
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            sets.push_back(name);
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
    std::sort(sets.begin(), sets.end());
    return sets;
}

// Names in the language of the pictures: tools that a user might register, and applications
// that play.
struct LocalNames {
    const wchar_t* code;
    const wchar_t* quiet;
    const wchar_t* headset;
    const wchar_t* notepad;
    const wchar_t* music;
    const wchar_t* browser;
    const wchar_t* call;
};
// The bar's rows have room for about ten letters: the applications' names stay that short.
constexpr LocalNames kLocalNames[] = {
    {L"en", L"Quiet evening (20%)", L"Headset", L"Notepad", L"Music", L"Browser", L"Video call"},
    {L"de", L"Leiser Abend (20 %)", L"Headset", L"Editor", L"Musik", L"Browser", L"Videoanruf"},
    {L"fr", L"Soirée calme (20 %)", L"Casque", L"Bloc-notes", L"Musique", L"Navigateur", L"Appel vidéo"},
    {L"es", L"Noche tranquila (20 %)", L"Auriculares", L"Bloc de notas", L"Música", L"Navegador", L"Llamada"},
    {L"ru", L"Тихий вечер (20 %)", L"Гарнитура", L"Блокнот", L"Музыка", L"Браузер", L"Звонок"},
    {L"ja", L"静かな夜 (20%)", L"ヘッドセット", L"メモ帳", L"音楽", L"ブラウザー", L"ビデオ通話"},
    {L"zh", L"安静的夜晚 (20%)", L"耳机", L"记事本", L"音乐", L"浏览器", L"视频通话"},
};

const LocalNames& NamesFor(const std::wstring& code)
{
    for (const LocalNames& n : kLocalNames)
        if (code == n.code)
            return n;
    return kLocalNames[0];
}

// A playing application: `endpointsim play NAME`, an audio session of a process of its own at
// `volume`; with a window titled NAME at the desktop's centre when asked for.
class Player {
  public:
    Player(const std::wstring& name, float volume, bool window = false) : name(name)
    {
        const std::wstring args = L"play \"" + name + L"\"" + (window ? L" --window" : L"");
        // The player opens its session before it shows its window: wait for both.
        started = process.Start(BinDir() + L"endpointsim.exe", args) &&
                  WaitUntil([&] { return Playing() && (!window || Window()); }, kBound) &&
                  sim::SetSessionVolume(process.Id(), volume);
    }
    ~Player() { process.Kill(); } // its session then expires on the next read
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    bool Started() const { return started; }
    HWND Window() const { return ::FindWindowW(L"EndpointSimPlayer", name.c_str()); }
    float Volume() const
    {
        for (const sim::SessionInfo& s : sim::Sessions())
            if (s.processId == process.Id())
                return s.volume;
        return -1.0f;
    }

  private:
    bool Playing() const { return Volume() >= 0.0f; }

    std::wstring name;
    Process process;
    bool started = false;
};

class Session {
  public:
    Session(const std::wstring& code, const std::wstring& language) : code(code), language(language) {}
    ~Session() { Stop(); }

    // Starts the program with the language, the icon set, `general` lines of [General] and
    // `extra` sections; false when its tray icon does not show.
    bool Start(const std::wstring& iconSet, const std::wstring& extra = L"", const std::wstring& general = L"")
    {
        Stop();
        program = std::make_unique<ProgramFolder>(L"shots");
        for (const wchar_t* dir : {L"Icons", L"Languages", L"Sounds", L"Help"})
            CopyTree(BinDir() + dir + L"\\", program->Path() + dir + L"\\");
        const LocalNames* names = &NamesFor(code);
        std::wstring ini = L"[General]\r\nLangName=" + language + L"\r\nIconDir=" + iconSet +
                           L"\r\nBalloonHint=0\r\n" + general + L"[Tool]\r\nCount=3\r\n" +
                           L"Tool0=Volume:20%\r\nCaption0=" + names->quiet + L"\r\nActive0=0\r\n" +
                           L"Tool1=Device:Headset\r\nCaption1=" + names->headset + L"\r\nActive1=0\r\n" +
                           L"Tool2=notepad.exe\r\nCaption2=" + names->notepad + L"\r\nActive2=0\r\n" + extra;
        program->WriteSettings(ini);
        sim::Reset();
        sim::SetVolume(0.5f);
        PointerAway();
        main = StartInstance(process, L"", kBound);
        if (!main)
            return false;
        return WaitUntil(
            [&] {
                for (const TrayIcon& i : ShownTrayIcons())
                    if (i.tip.find(L"Speakers") != std::wstring::npos) {
                        icon = i.screen;
                        return true;
                    }
                return false;
            },
            kBound);
    }
    void Stop()
    {
        if (main) {
            CloseAllInstances();
            main = nullptr;
        }
        program.reset();
    }

    HWND Main() const { return main; }
    DWORD Pid() const { return process.Id(); }
    RECT Icon() const { return icon; }
    // The icon's tooltip text now.
    std::wstring Tip() const
    {
        for (const TrayIcon& i : ShownTrayIcons())
            if (i.tip.find(L"Speakers") != std::wstring::npos)
                return i.tip;
        return {};
    }
    std::wstring Name(const std::wstring& surface) const { return surface + L"-" + code; }
    const LocalNames& Names() const { return NamesFor(code); }

  private:
    std::wstring code, language;
    std::unique_ptr<ProgramFolder> program;
    Process process;
    HWND main = nullptr;
    RECT icon{};
};

// ---------------------------------------------------------------------------------------------
// The surfaces.

// Each icon set at four levels and muted, as the notification area shows it.
void TrayIcons()
{
    for (const std::wstring& set : IconSets()) {
        const std::wstring name = L"tray-" + FileName(set);
        if (!Wanted(name))
            continue;
        Session s(L"en", L"English");
        if (!s.Start(set)) {
            Miss(name, "no tray icon");
            continue;
        }
        std::vector<Picture> cells;
        struct State {
            float scalar;
            bool mute;
        };
        for (State st : {State{0.0f, false}, State{0.3f, false}, State{0.7f, false}, State{1.0f, false},
                         State{0.5f, true}}) {
            sim::SetMute(st.mute);
            sim::SetVolume(st.scalar);
            const std::wstring want = st.mute ? L"Mute" : std::to_wstring(static_cast<int>(st.scalar * 100 + 0.5)) + L"%";
            WaitUntil([&] { return s.Tip().find(want) != std::wstring::npos; }, kBound);
            ::Sleep(400);
            RECT cell = Inflated(s.Icon(), 3);
            const RECT bar = WindowRect(::FindWindowW(L"Shell_TrayWnd", nullptr));
            ::IntersectRect(&cell, &cell, &bar);
            cells.push_back(Grab(cell));
        }
        Save(SideBySide(cells, 6), name);
    }
}

void Tooltip(Session& s)
{
    if (!Wanted(L"tooltip"))
        return;
    sim::SetVolume(0.45f);
    ::Sleep(300);
    HWND tip = nullptr;
    for (int attempt = 0; attempt < 3 && !tip; ++attempt) {
        PointerAway();
        ::Sleep(300);
        PointAt(Center(s.Icon()));
        WaitUntil([&] { return (tip = ShownTrayTip()) != nullptr; }, 5000);
    }
    if (!tip)
        return Miss(s.Name(L"tooltip"), "no tooltip");
    ::Sleep(300);
    // The pointer stands on the icon, so the picture is taken around the two.
    RECT cell = Inflated(s.Icon(), 3);
    const RECT bar = WindowRect(::FindWindowW(L"Shell_TrayWnd", nullptr));
    ::IntersectRect(&cell, &cell, &bar);
    Save(Grab(Union(WindowRect(tip), cell), {WindowRect(tip), cell}), s.Name(L"tooltip"));
    PointerAway();
}

// The main menu alone, then with each submenu opened by the keyboard (Down `downs` times, Right).
void Menus(Session& s)
{
    struct Sub {
        const wchar_t* name;
        int downs;
    };
    // The main menu's order here: Default Device, Volume, Mute, Volume Control, three Audio
    // Properties items, Tool (the tools are not shown directly).
    for (Sub sub : {Sub{L"menu-main", 0}, Sub{L"menu-device", 1}, Sub{L"menu-volume", 2}, Sub{L"menu-tool", 8}}) {
        if (!Wanted(sub.name))
            continue;
        ClickAt(Center(s.Icon()), true);
        if (!WaitUntil([] { return VisibleMenus().size() == 1; }, kBound)) {
            Miss(s.Name(sub.name), "no menu after a right click");
            Key(VK_ESCAPE, 2);
            continue;
        }
        // Away from the icon, so that its tooltip goes; outside the menus, so no item is chosen.
        ::SetCursorPos(5, 5);
        ::Sleep(600);
        if (sub.downs) {
            Key(VK_DOWN, sub.downs);
            Key(VK_RIGHT);
            if (!WaitUntil([] { return VisibleMenus().size() == 2; }, 5000)) {
                Miss(s.Name(sub.name), "no submenu");
                Key(VK_ESCAPE, 2);
                WaitUntil([] { return VisibleMenus().empty(); }, 5000);
                continue;
            }
            ::Sleep(300);
        }
        RECT r{};
        std::vector<RECT> menus;
        for (HWND m : VisibleMenus()) {
            menus.push_back(WindowRect(m));
            r = ::IsRectEmpty(&r) ? menus.back() : Union(r, menus.back());
        }
        HideTrayTips();
        ::Sleep(200);
        Save(Grab(r, menus), s.Name(sub.name));
        Key(VK_ESCAPE, sub.downs ? 2 : 1);
        WaitUntil([] { return VisibleMenus().empty(); }, 5000);
        ::Sleep(200);
    }
}

// The bar opened by a click on the icon; `rows` applications playing give it as many rows.
void Bar(Session& s, const std::wstring& name, size_t rows = 0)
{
    sim::SetVolume(0.45f);
    ClickAt(Center(s.Icon()));
    if (!WaitUntil([&] { return ::IsWindowVisible(s.Main()) != FALSE; }, kBound))
        return Miss(s.Name(name), "no bar after a click");
    if (!WaitUntil([&] { return ProbeMain(s.Main(), kProbeRows) == static_cast<LRESULT>(rows); }, kBound))
        Miss(s.Name(name), "the bar did not show a row for each application");
    else {
        PointerAway();
        HideTrayTips();
        ::Sleep(500);
        Save(Grab(WindowRect(s.Main())), s.Name(name));
    }
    Key(VK_ESCAPE);
    WaitUntil([&] { return !::IsWindowVisible(s.Main()); }, 5000);
}

void Bars(Session& s)
{
    if (Wanted(L"bar"))
        Bar(s, L"bar");
    if (!Wanted(L"bar-apps"))
        return;
    const LocalNames& n = s.Names();
    Player music(n.music, 0.8f), browser(n.browser, 0.35f), call(n.call, 1.0f);
    if (!music.Started() || !browser.Started() || !call.Started())
        return Miss(s.Name(L"bar-apps"), "the players did not start");
    Bar(s, L"bar-apps", 3);
}

// A second start of the program opens the settings dialog of the running one.
HWND OpenSettings(Session& s)
{
    Process second;
    second.Start(LorvanePath(), L"");
    HWND dialog = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : ProcessWindows(s.Pid()))
                if (Descendant(w, WC_TABCONTROLW))
                    dialog = w;
            return dialog != nullptr;
        },
        kBound);
    second.Wait(kBound);
    return dialog;
}

// Every page of the dialog, chosen by a click on its tab; `pages` takes the page names when
// it is empty (the first language) and gives them otherwise.
void Settings(Session& s, std::vector<std::wstring>& pages)
{
    if (!AnyWanted(L"settings"))
        return;
    // The Display page's preview shows the level: the same one whichever pictures a run takes.
    sim::SetVolume(0.45f);
    HWND dialog = OpenSettings(s);
    if (!dialog)
        return Miss(s.Name(L"settings"), "no settings dialog");
    ::Sleep(800);
    // The pictures show what the screen shows: a dialog beyond it is cut off there.
    RECT work{}, shown = WindowRect(dialog);
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    if (shown.bottom - shown.top > work.bottom - work.top) {
        std::printf("note: the settings dialog is %ld px high, the work area %ld px: its pictures are cut off\n",
                    shown.bottom - shown.top, work.bottom - work.top);
        std::fflush(stdout);
    }
    HWND tabs = Descendant(dialog, WC_TABCONTROLW);
    RemoteTabs remote(tabs);
    const int count = remote.Count();
    const bool naming = pages.empty();
    for (int i = 0; i < count; ++i) {
        if (naming)
            pages.push_back(FileName(remote.Caption(i)));
        const std::wstring page = L"settings-" + (i < static_cast<int>(pages.size()) ? pages[i] : std::to_wstring(i));
        if (!Wanted(page))
            continue;
        const std::wstring name = s.Name(page);
        ClickAt(Center(remote.ItemRect(i)));
        if (!WaitUntil([&] { return remote.Selected() == i; }, 5000)) {
            Miss(name, "the tab did not open its page");
            continue;
        }
        PointerAway();
        ::Sleep(600);
        Save(Grab(WindowRect(dialog)), name);
    }
    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    WaitUntil([&] { return !::IsWindow(dialog); }, 5000);
}

// With Settings hidden from the menu, OK warns that the dialog may become unreachable.
void Warning(Session& s)
{
    HWND dialog = OpenSettings(s);
    if (!dialog)
        return Miss(s.Name(L"warning"), "no settings dialog");
    ::Sleep(800);
    Key(VK_RETURN);
    HWND box = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : ProcessWindows(s.Pid(), L"#32770"))
                box = w;
            return box != nullptr;
        },
        kBound);
    if (!box)
        return Miss(s.Name(L"warning"), "no warning after OK");
    ::Sleep(600);
    Save(Grab(WindowRect(box)), s.Name(L"warning"));
    Key(VK_ESCAPE);
    ::Sleep(300);
}

// The program's on-screen display window, shown.
HWND ShownDisplay(DWORD pid)
{
    for (HWND w : ProcessWindows(pid, L"LorvaneDisplay"))
        return w;
    return nullptr;
}

// Settings that switch the on-screen display on, with the device's name, for long enough to
// take its pictures; Alt and the wheel change the application under the pointer.
constexpr wchar_t kDisplaySettings[] = L"[Display]\r\nEnabled=1\r\nDuration=60000\r\nDevice=1\r\n";
constexpr wchar_t kAltWheelForApplications[] = L"AppWheelKeys=2\r\n";

// The display after a wheel turn over the icon, then after Alt and the wheel over a player's
// window, which shows that application in place of the device.
void Displays(Session& s)
{
    sim::SetVolume(0.69f);
    WaitUntil([&] { return s.Tip().find(L"69%") != std::wstring::npos; }, kBound);
    HWND display = nullptr;
    if (Wanted(L"display")) {
        PointAt(Center(s.Icon()));
        Wheel(1);
        if (!WaitUntil([&] { return (display = ShownDisplay(s.Pid())) != nullptr; }, kBound))
            return Miss(s.Name(L"display"), "no display after a wheel turn over the icon");
        PointerAway();
        HideTrayTips();
        ::Sleep(600);
        Save(Grab(WindowRect(display)), s.Name(L"display"));
    }
    if (!Wanted(L"display-app"))
        return;
    Player player(s.Names().music, 0.6f, true);
    if (!player.Started())
        return Miss(s.Name(L"display-app"), "the player did not start");
    // The program follows the sessions (the system's sounds, the player's) before it can step one.
    WaitUntil([&] { return ProbeMain(s.Main(), kProbeSinks) >= 3; }, kBound);
    PointAt(Center(WindowRect(player.Window())));
    Wheel(1, true);
    if (!WaitUntil([&] { return player.Volume() > 0.605f; }, kBound))
        return Miss(s.Name(L"display-app"), "Alt and the wheel over the player did not change its volume");
    if (!WaitUntil([&] { return (display = ShownDisplay(s.Pid())) != nullptr; }, kBound))
        return Miss(s.Name(L"display-app"), "no display after Alt and the wheel over a player");
    // The display shows the change once the session's notice has come back.
    ::Sleep(800);
    PointerAway();
    Save(Grab(WindowRect(display)), s.Name(L"display-app"));
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argc < 4) {
        std::fprintf(stderr, "usage: ShotDriver OUTDIR DPI [--only=WORD,WORD...] CODE=LANGUAGE...\n");
        return 2;
    }
    outDir = argv[1];
    if (outDir.back() != L'\\')
        outDir += L'\\';
    dpiTag = argv[2];
    if (!::FindWindowW(L"Shell_TrayWnd", nullptr)) {
        std::fprintf(stderr, "ShotDriver runs in Wine's shell desktop\n");
        return 2;
    }
    const std::wstring onlyFlag = L"--only=";
    int first = 3;
    if (argc > 3 && std::wstring(argv[3]).rfind(onlyFlag, 0) == 0) {
        std::wstring words = std::wstring(argv[3]).substr(onlyFlag.size()) + L",";
        for (size_t at = 0, comma; (comma = words.find(L',', at)) != std::wstring::npos; at = comma + 1)
            if (comma > at)
                only.push_back(words.substr(at, comma - at));
        first = 4;
    }
    CloseAllInstances();
    TrayIcons();
    std::vector<std::wstring> pages;
    for (int a = first; a < argc; ++a) {
        const std::wstring arg = argv[a];
        const size_t eq = arg.find(L'=');
        if (eq == std::wstring::npos)
            continue;
        Session s(arg.substr(0, eq), arg.substr(eq + 1));
        if (AnyWanted(L"tooltip") || AnyWanted(L"menu") || AnyWanted(L"bar") || AnyWanted(L"settings")) {
            if (s.Start(L"Digital White")) {
                Tooltip(s);
                Menus(s);
                Bars(s);
                Settings(s, pages);
            } else {
                Miss(s.Name(L"all"), "the program did not start");
            }
        }
        if (AnyWanted(L"warning")) {
            if (s.Start(L"Digital White", L"[Menu]\r\nShowOptionAction=0\r\n"))
                Warning(s);
            else
                Miss(s.Name(L"warning"), "the program did not start");
        }
        if (AnyWanted(L"display")) {
            if (s.Start(L"Digital White", kDisplaySettings, kAltWheelForApplications))
                Displays(s);
            else
                Miss(s.Name(L"display"), "the program did not start");
        }
    }
    CloseAllInstances();
    return missed ? 1 : 0;
}
