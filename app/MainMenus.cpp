// The pop-up menus (main, volume, tool, device) and the pop-up volume bar, which is the main
// window itself: a vertical slider with the level above it and a mute box below.
#include "Main.h"

#include "BarLayout.h"
#include "Format.h"
#include "IntText.h"
#include "Level.h"
#include "Messages.h"
#include "TextList.h"
#include "VolumeText.h"

#include <commctrl.h>

#include <algorithm>

namespace lorvane {

namespace {

constexpr int kBarLevelMax = 65535; // the bar runs inverted: position p is level 65535 - p
constexpr int kBarLine = 655;
constexpr int kBarPage = 6553;
constexpr int kBarThumb = 21;
constexpr int kBarWidth = 25; // at 96 DPI
constexpr int kBarClientWidth = 233;
constexpr int kBarClientHeight = 209;
constexpr int kBarMinHeight = 100;
constexpr int kBarFontHeight = 11; // pixels at 96 DPI
constexpr int kDesignDpi = 96;
constexpr UINT kWmDpiChanged = 0x02E0;
constexpr UINT kMuteBoxId = 101;

struct MenuRow {
    const wchar_t* item;
    const wchar_t* action; // null: a separator line
    bool radio = false;
    int group = 0;
};

// The main menu in its order; presets go in front of VolumeMenuItem and tools in front of
// ToolMenuItem when they are created.
const MenuRow kMainMenu[] = {
    {L"DeviceChangeMenuItem", L"DeviceChangeAction"},
    {L"DeviceMenuItem", L"DeviceMenuAction"},
    {L"VolumeUpMenuItem", L"VolumeUpAction"},
    {L"VolumeDownMenuItem", L"VolumeDownAction"},
    {L"VolumeMenuItem", L"VolumeMenuAction"},
    {L"MuteOffMenuItem", L"MuteOffAction", true, 2},
    {L"MuteOnMenuItem", L"MuteOnAction", true, 2},
    {L"MuteMenuItem", L"MuteChangeAction"},
    {L"N1", nullptr},
    {L"PopupBarMenuItem", L"PopupBarAction"},
    {L"PopupVolumeMenuItem", L"PopupVolumeAction"},
    {L"VolumeControlMenuItem", L"RunControlAction"},
    {L"RunProperty0MenuItem", L"RunProperty0Action"},
    {L"RunProperty1MenuItem", L"RunProperty1Action"},
    {L"RunProperty2MenuItem", L"RunProperty2Action"},
    {L"RunProperty3MenuItem", L"RunProperty3Action"},
    {L"RunProperty4MenuItem", L"RunProperty4Action"},
    {L"RunOptionMenuItem", L"RunOptionAction"},
    {L"ToolMenuItem", L"ToolMenuAction"},
    {L"N2", nullptr},
    {L"HotKeyMenuItem", L"EnableHotKeyAction"},
    {L"WheelMenuItem", L"EnableWheelAction"},
    {L"ShowOptionMenuItem", L"ShowOptionAction"},
    {L"N3", nullptr},
    {L"ShowVersionMenuItem", L"ShowVersionAction"},
    {L"ShowHelpMenuItem", L"ShowHelpAction"},
    {L"PopupMenuMenuItem", L"MainMenuAction"},
    {L"N4", nullptr},
    {L"RestartMenuItem", L"RestartAction"},
    {L"CloseMenuItem", L"CloseAction"},
};

bool StartsWith(const std::wstring& s, const wchar_t* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

bool EndsWith(const std::wstring& s, const std::wstring& suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Removes the items named prefix + index + suffix ("Volume3MenuItem") from one level.
void RemoveNumbered(fw::TMenuItem& parent, const wchar_t* prefix, const wchar_t* suffix)
{
    for (int i = parent.Count() - 1; i >= 0; --i) {
        const std::wstring& n = parent.Item(i)->Name();
        if (StartsWith(n, prefix) && EndsWith(n, suffix) && n.size() > wcslen(prefix) + wcslen(suffix) &&
            std::iswdigit(n[wcslen(prefix)]))
            parent.Remove(parent.Item(i));
    }
}

std::optional<SIZE> MeasureText(HWND window, HFONT font, const std::wstring& text)
{
    HDC dc = ::GetDC(window);
    if (!dc)
        return std::nullopt;
    HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
    SIZE size{};
    BOOL ok = ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    if (old)
        ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
    if (!ok)
        return std::nullopt;
    return size;
}

std::wstring WindowText(HWND h)
{
    int n = ::GetWindowTextLengthW(h);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    s.resize(static_cast<size_t>(::GetWindowTextW(h, s.data(), n + 1)));
    return s;
}

RECT ChildBounds(HWND parent, HWND child)
{
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void SetBounds(HWND h, const RECT& r)
{
    ::SetWindowPos(h, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

std::vector<std::wstring> MainMenuActionNames()
{
    std::vector<std::wstring> names;
    for (const MenuRow& row : kMainMenu) {
        if (row.action)
            names.push_back(row.action);
    }
    return names;
}

// ---------------------------------------------------------------------------------------
// Menus

void TMainForm::CreateMenus()
{
    auto action = [this](const wchar_t* name) { return MainActionList->Find(name); };

    MainPopupMenu = std::make_unique<fw::TPopupMenu>(this, L"MainPopupMenu");
    MainPopupMenu->SetAutoHotkeys(true);
    for (const MenuRow& row : kMainMenu) {
        if (!row.action) {
            MainPopupMenu->Items.AddLine(row.item);
            continue;
        }
        fw::TMenuItem* item = MainPopupMenu->Items.Add(row.item, action(row.action));
        item->RadioItem = row.radio;
        item->GroupIndex = row.group;
    }
    MainPopupMenu->OnPopup = [this](fw::TObject*) { MainPopupMenuPopup(); };

    VolumePopupMenu = std::make_unique<fw::TPopupMenu>(this, L"VolumePopupMenu");
    VolumePopupMenu->OnPopup = [this](fw::TObject*) {
        EnterBusy();
        RefreshActionStates();
        LeaveBusy();
    };
    ToolPopupMenu = std::make_unique<fw::TPopupMenu>(this, L"ToolPopupMenu");
    ToolPopupMenu->OnPopup = VolumePopupMenu->OnPopup;
    DevicePopupMenu = std::make_unique<fw::TPopupMenu>(this, L"DevicePopupMenu");
    DevicePopupMenu->OnPopup = [this](fw::TObject*) {
        EnterBusy();
        RebuildDeviceMenu(DevicePopupMenu->Items);
        LeaveBusy();
    };

    PopupBarVisible = [this] { return VolumeBarShowing(); };
    OnMainFontChange = [this] {
        barFontChanged = true;
        ApplyBarFont();
    };
    RefreshPopupBar = [this] { RefreshVolumeBar(); };
    RefreshApplicationRows = [this](const std::wstring& key) { ApplicationRowsChange(key); };

    auto open = [this](fw::TPopupMenu* menu) {
        return [this, menu](fw::TObject*) { PopupMenuAtCursor(*menu); };
    };
    action(L"MainMenuAction")->OnExecute = open(MainPopupMenu.get());
    action(L"VolumeMenuAction")->OnExecute = open(VolumePopupMenu.get());
    action(L"ToolMenuAction")->OnExecute = open(ToolPopupMenu.get());
    action(L"DeviceMenuAction")->OnExecute = open(DevicePopupMenu.get());
    action(L"PopupBarAction")->OnExecute = [this](fw::TObject*) {
        EnterBusy();
        POINT p{};
        CursorPosition(p);
        // The work area, as the system's own flyouts: the bar stands next to the taskbar
        // instead of over it and the tray icon.
        ShowVolumeBar(p.x, p.y, true, TBarAlign::Left);
        LeaveBusy();
    };
}

void TMainForm::RebuildPresetMenuItems()
{
    RebuildNumberedMenuItems(L"Volume", Settings.Presets.size(), *VolumePopupMenu, true);
}

void TMainForm::RebuildToolMenuItems()
{
    RebuildNumberedMenuItems(L"Tool", Settings.Tools.size(), *ToolPopupMenu, false);
}

// Items "Volume3MenuItem" in front of the main menu's "VolumeMenuItem", "Volume3SubMenuItem"
// inside it and "Volume3PopupMenuItem" in the pop-up menu of their own (likewise for tools).
void TMainForm::RebuildNumberedMenuItems(const wchar_t* prefix, size_t count, fw::TPopupMenu& popup,
                                         bool radio)
{
    fw::TMenuItem& main = MainPopupMenu->Items;
    fw::TMenuItem* sub = main.Find(std::wstring(prefix) + L"MenuItem");
    RemoveNumbered(main, prefix, L"MenuItem");
    RemoveNumbered(*sub, prefix, L"SubMenuItem");
    RemoveNumbered(popup.Items, prefix, L"PopupMenuItem");
    for (size_t i = 0; i < count; ++i) {
        const std::wstring n = prefix + fw::IntToStr(i);
        fw::TAction* a = MainActionList->Find(n + L"Action");
        main.Insert(main.IndexOf(sub), n + L"MenuItem", a)->RadioItem = radio;
        sub->Add(n + L"SubMenuItem", a)->RadioItem = radio;
        popup.Items.Add(n + L"PopupMenuItem", a)->RadioItem = radio;
    }
}

void TMainForm::MainPopupMenuPopup()
{
    EnterBusy();
    RefreshActionStates();
    MainPopupMenu->SetAutoHotkeys(MenuAutoHotkeys);
    fw::TMenuItem& items = MainPopupMenu->Items;
    auto visible = [this](const wchar_t* name) { return MainActionList->Find(name)->Visible; };

    // Device switching is offered only with two devices or more.
    const bool a = visible(L"DeviceMenuAction");
    const bool b = visible(L"DeviceChangeAction");
    fw::TMenuItem* deviceMenu = items.Find(L"DeviceMenuItem");
    fw::TMenuItem* deviceChange = items.Find(L"DeviceChangeMenuItem");
    int n = 0;
    if (a || b)
        n = RebuildDeviceMenu(*deviceMenu);
    deviceMenu->Visible = a && n >= 2;
    deviceChange->Visible = b && n >= 2;

    const bool v = visible(L"VolumeMenuAction");
    const bool t = visible(L"ToolMenuAction");
    const fw::TAction* doubleClick = MainActionList->Find(Settings.Mouse.DoubleClick);
    int presetsShown = 0, presetsHidden = 0, toolsShown = 0, toolsHidden = 0;
    for (int i = 0; i < items.Count(); ++i) {
        fw::TMenuItem* item = items.Item(i);
        item->Default = item->Action && item->Action == doubleClick;
        if (!item->Action)
            continue;
        const std::wstring& category = item->Action->Category;
        const size_t index = static_cast<size_t>(item->Action->Tag);
        if (category == L"Volume" && index < Settings.Presets.size()) {
            if (!v || !item->Action->Visible) {
                item->Visible = false;
            } else if (Settings.Presets[index].Active) {
                const int pct = static_cast<int>(
                    Scale(Settings.Presets[index].Level, MasterVolume->Min, MasterVolume->Max, 0, 100));
                std::vector<fw::FormatArg> args{pct, AcceleratorPrefix(item->Action->Tag)};
                item->Caption =
                    fw::Format(BarText(txMenuVolCaption), args)
                        .value_or(fw::Format(kDefaultTexts[txMenuVolCaption].text, args).value_or(L""));
                item->Visible = true;
                ++presetsShown;
            } else {
                item->Visible = false;
                ++presetsHidden;
            }
        } else if (category == L"Tool" && index < Settings.Tools.size()) {
            if (!t || !item->Action->Visible) {
                item->Visible = false;
            } else if (Settings.Tools[index].Active) {
                item->Visible = true;
                ++toolsShown;
            } else {
                item->Visible = false;
                ++toolsHidden;
            }
        }
    }
    // Active entries stand in the menu itself; only when none is active do all of them
    // appear in their submenu.
    items.Find(L"VolumeMenuItem")->Visible = v && presetsShown == 0 && presetsHidden > 0;
    items.Find(L"ToolMenuItem")->Visible = t && toolsShown == 0 && toolsHidden > 0;
    LeaveBusy();
}

int TMainForm::RebuildDeviceMenu(fw::TMenuItem& menu)
{
    menu.Clear();
    const int n = std::max(0, MasterVolume->DeviceCount());
    const std::wstring current = MasterVolume->DefaultDeviceId();
    for (int i = 0; i < n; ++i) {
        fw::TMenuItem* item = menu.Add(L"Device" + fw::IntToStr(i) + L"MenuItem");
        item->Caption = EscapeAccelerators(MasterVolume->DeviceName(i));
        item->Hint = MasterVolume->DeviceId(i);
        item->RadioItem = true;
        item->Checked = item->Hint == current;
        if (n > 1 && !item->Checked) {
            item->OnClick = [this](fw::TObject* sender) {
                EnterBusy();
                NoteOwnChange();
                MasterVolume->SetDeviceById(static_cast<fw::TMenuItem*>(sender)->Hint);
                ScheduleFeedbackSound();
                LeaveBusy();
            };
        } else {
            item->OnClick = [](fw::TObject*) {}; // the checked device: nothing to do
        }
    }
    return n;
}

void TMainForm::BecomeTopLevel()
{
    if (Handle() && ::GetAncestor(Handle(), GA_PARENT) != ::GetDesktopWindow())
        ::SetParent(Handle(), nullptr);
}

bool TMainForm::BringToForeground(HWND window)
{
    if (!window)
        return false;
    if (window == Handle())
        BecomeTopLevel(); // a menu or the bar before the start has ended
    HWND foreground = ::GetForegroundWindow();
    if (foreground == window)
        return true;
    const DWORD own = ::GetWindowThreadProcessId(window, nullptr);
    const DWORD other = foreground ? ::GetWindowThreadProcessId(foreground, nullptr) : 0;
    const bool attach = other && other != own && ::AttachThreadInput(own, other, TRUE);
    ::BringWindowToTop(window);
    ::SetForegroundWindow(window);
    if (attach)
        ::AttachThreadInput(own, other, FALSE);
    if (::GetForegroundWindow() != window) {
        // The system refuses a foreground change until its lock time-out passed: lift it
        // for the one call.
        DWORD timeout = 0;
        if (::SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0)) {
            ::SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, SPIF_SENDCHANGE);
            ::BringWindowToTop(window);
            ::SetForegroundWindow(window);
            ::SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                                    reinterpret_cast<void*>(static_cast<ULONG_PTR>(timeout)),
                                    SPIF_SENDCHANGE);
        }
    }
    return ::GetForegroundWindow() == window;
}

bool TMainForm::PopupMenuAtCursor(fw::TPopupMenu& menu)
{
    // A drag of the bar's thumb (or any other capture) keeps its mouse: no menu, not queued.
    if (::GetCapture())
        return false;
    EnterBusy();
    BringToForeground(Handle());
    fw::ProcessMessages();
    POINT p{};
    CursorPosition(p);
    bool chosen = menu.Popup(p.x, p.y, Handle());
    LeaveBusy();
    return chosen;
}

// ---------------------------------------------------------------------------------------
// The pop-up volume bar

void TMainForm::CreateVolumeBar()
{
    if (!Handle())
        return;
    if (!VolumeBar)
        CreateVolumeBarControls();
    LayoutVolumeBar();
    // The size before the settings are read: the mute box's right and bottom edges.
    RECT box = ChildBounds(Handle(), MuteBox);
    Settings.Window.MainWidth = BarDesignSize(box.right);
    Settings.Window.MainHeight = BarDesignSize(box.bottom);
}

void TMainForm::DeferVolumeBar()
{
    // Built when first needed (shown, or its size saved): its controls need the common
    // controls library, which costs a start more than all else it does. Until then its size
    // is what the settings say, or else the default its layout will give.
    barDeferred = true;
    Settings.Window.MainWidth = kBarSizeFromLayout;
    Settings.Window.MainHeight = kBarSizeFromLayout;
    // The resolution a bar built now would have told the icon of.
    barlessDpi = support::SystemDpiOf(Handle());
    if (barlessDpi > 0 && barlessDpi != kDesignDpi)
        ChangeIconDpi(kDesignDpi, barlessDpi);
}

void TMainForm::EnsureVolumeBar()
{
    if (VolumeBar || !barDeferred || !Handle())
        return;
    barDeferred = false;
    EnterBusy();
    const int width = Settings.Window.MainWidth, height = Settings.Window.MainHeight;
    barCreating = true;
    CreateVolumeBarControls();
    barCreating = false;
    // The default size as a bar built at the start has it: from the built-in caption in the
    // design font, whatever the language is now.
    ::SetWindowTextW(MuteBox, kDefaultTexts[txBarMute].text);
    LayoutVolumeBar();
    const RECT box = ChildBounds(Handle(), MuteBox);
    Settings.Window.MainWidth = width == kBarSizeFromLayout ? BarDesignSize(box.right) : width;
    Settings.Window.MainHeight = height == kBarSizeFromLayout ? BarDesignSize(box.bottom) : height;
    if (barFontChanged)
        ApplyBarFont();
    RefreshVolumeBar(); // today's caption, level and mute
    ApplyVolumeBarSize();
    LeaveBusy();
}

bool TMainForm::BarSizeUnresolved() const noexcept
{
    return Settings.Window.MainWidth == kBarSizeFromLayout ||
           Settings.Window.MainHeight == kBarSizeFromLayout;
}

void TMainForm::CreateVolumeBarControls()
{
    HWND h = Handle();
    // Topmost from now on; the window style already has the sizing frame.
    ::SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RECT frame{0, 0, kBarClientWidth, kBarClientHeight};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(h, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(h, GWL_EXSTYLE)));
    ::SetWindowPos(h, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    VolumeLabel = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 4, 80, 14, h,
                                    nullptr, instance, nullptr);
    VolumeBar = std::make_unique<support::TTrackBarEx>(this, L"VolumeBar");
    VolumeBar->Create(h, RECT{0, 22, kBarWidth, 180}, 0, WS_TABSTOP | TBS_VERT | TBS_BOTH | TBS_NOTICKS);
    VolumeBar->SetRange(0, kBarLevelMax);
    VolumeBar->SetLineSize(kBarLine);
    VolumeBar->SetPageSize(kBarPage);
    VolumeBar->SetThumbLength(kBarThumb);
    VolumeBar->TrackMode = support::TTrackMode::tmCursor;
    VolumeBar->OnChange = [this](fw::TObject*) { VolumeBarChange(); };
    VolumeBar->OnScroll = [this](fw::TObject*, int code, int position) { VolumeBarScroll(code, position); };
    MuteBox = ::CreateWindowExW(
        0, L"BUTTON", BarText(txBarMute).c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0,
        185, 80, 16, h, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kMuteBoxId)), instance, nullptr);
    // The hint is a caption without its marks: the tip shows it as it is.
    MuteTip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, h, nullptr, instance,
                                nullptr);
    if (MuteTip) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = h;
        tool.uId = reinterpret_cast<UINT_PTR>(MuteBox);
        tool.lpszText = const_cast<wchar_t*>(L"");
        ::SendMessageW(MuteTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }

    DpiManager = std::make_unique<support::TDpiManager>(this, L"DpiManager", h);
    DpiManager->OnChange = [this](fw::TObject*, int oldDpi, int newDpi, const RECT& rect,
                                  support::TDpiState) { DpiManagerChange(oldDpi, newDpi, rect); };
    LOGFONTW lf{};
    lf.lfHeight = -kBarFontHeight;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    wcscpy_s(lf.lfFaceName, L"Tahoma");
    DpiManager->SetFont(lf);
    // Everything above is in design units at 96 DPI: the check scales it to the monitor now,
    // before the default size is taken and the saved one applied (both in current pixels).
    DpiManager->Check();
}

int TMainForm::BarDpi() const noexcept
{
    return DpiManager && DpiManager->Dpi() > 0 ? DpiManager->Dpi() : kDesignDpi;
}

// The saved size is kept at 96 DPI, as the dialog's: a bar saved on one monitor has the same
// size for its text on another.
int TMainForm::BarDesignSize(int pixels) const noexcept
{
    return ::MulDiv(pixels, kDesignDpi, BarDpi());
}

void TMainForm::ApplyVolumeBarSize()
{
    if (!VolumeBar)
        return;
    const int w = ::MulDiv(Settings.Window.MainWidth, BarDpi(), kDesignDpi);
    const int h = ::MulDiv(Settings.Window.MainHeight, BarDpi(), kDesignDpi);
    if (w > 0 && h > 0 && appRows.empty())
        ::SetWindowPos(Handle(), nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    else if (w > 0 && h > 0)
        ResizeForApplicationRows(-1);
}

bool TMainForm::VolumeBarShowing() const
{
    return VolumeBar && ::IsWindowVisible(Handle());
}

std::wstring TMainForm::BarText(int index) const
{
    // Before the deferred start filled the table, the built-in texts stand.
    const std::wstring& text = Texts.Text(index);
    return text.empty() ? std::wstring(kDefaultTexts[index].text) : text;
}

void TMainForm::ApplyBarFont()
{
    if (!DpiManager)
        return;
    LOGFONTW lf{};
    if (::GetObjectW(MainFont(), sizeof(lf), &lf) == sizeof(lf)) {
        DpiManager->SetFont(lf);
        LayoutVolumeBar();
    }
}

std::wstring TMainForm::BarLevelText(int level) const
{
    if (Tray)
        return FormatVolumeText(level, BarText(txBarVolume), false);
    TVolumeTextContext c;
    c.Min = MasterVolume->Min;
    c.Max = MasterVolume->Max;
    c.FormatRealVol = Settings.FormatRealVol;
    c.DecimalSeparator = LocaleDecimalSeparator();
    return lorvane::FormatVolumeText(level, BarText(txBarVolume), false, c);
}

void TMainForm::LayoutVolumeBar()
{
    if (!VolumeBar)
        return;
    HWND h = Handle();
    RECT client{}, outer{};
    ::GetClientRect(h, &client);
    ::GetWindowRect(h, &outer);
    HFONT font = DpiManager ? DpiManager->Font() : nullptr;
    std::optional<SIZE> text = MeasureText(h, font, StripAccelerators(BarLevelText(32767)));
    std::optional<SIZE> caption = MeasureText(h, font, StripAccelerators(WindowText(MuteBox)));
    RECT bar = ChildBounds(h, VolumeBar->Handle());
    // The application rows take the bottom of the window; the master part the rest.
    TBarLayout l = LayoutBar(client.right, client.bottom - ApplicationRowsHeight(), text, caption, bar.right - bar.left,
                             ChildBounds(h, VolumeLabel), ChildBounds(h, MuteBox),
                             (outer.right - outer.left) - client.right);
    if (l.Label)
        SetBounds(VolumeLabel, *l.Label);
    if (l.Mute)
        SetBounds(MuteBox, *l.Mute);
    SetBounds(VolumeBar->Handle(), l.Bar);
    barMinWidth = l.MinWidth;
    LayoutApplicationRows();
}

void TMainForm::RefreshVolumeBar()
{
    if (!VolumeBar)
        return;
    const std::wstring mute = BarText(txBarMute);
    if (WindowText(MuteBox) != mute)
        ::SetWindowTextW(MuteBox, mute.c_str());
    if (const fw::TAction* a = MainActionList ? MainActionList->Find(L"MuteChangeAction") : nullptr;
        a && MuteTip && a->Hint != muteHint) {
        muteHint = a->Hint;
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.hwnd = Handle();
        tool.uId = reinterpret_cast<UINT_PTR>(MuteBox);
        tool.lpszText = muteHint.data();
        ::SendMessageW(MuteTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    // BM_SETCHECK sends no click: the box follows mute without toggling it back.
    ::SendMessageW(MuteBox, BM_SETCHECK, MasterVolume->Mute() ? BST_CHECKED : BST_UNCHECKED, 0);
    const int position = kBarLevelMax - MasterVolume->Volume();
    if (VolumeBar->Position() != position)
        VolumeBar->SetPosition(position);
    VolumeBarChange();
}

void TMainForm::VolumeBarChange()
{
    if (!VolumeBar)
        return;
    std::wstring text = BarLevelText(kBarLevelMax - VolumeBar->Position());
    if (WindowText(VolumeLabel) != text) {
        ::SetWindowTextW(VolumeLabel, text.c_str());
        ::UpdateWindow(VolumeLabel);
    }
}

void TMainForm::VolumeBarScroll(int code, int position)
{
    EnterBusy();
    // A drag keeps one more busy level from press to release, so the capture stays off.
    if (code == support::tsPress && !barDragBusy) {
        barDragBusy = true;
        EnterBusy();
    }
    const int level = kBarLevelMax - position;
    if (code == support::tsTrack || code == support::tsPress)
        SetVolumeLevel(level, SoundMode::None, false);
    else if (code == support::tsRelease)
        SetVolumeLevel(level, SoundMode::Immediate, false);
    else
        SetVolumeLevel(level, SoundMode::Delayed, false);
    if (code == support::tsRelease && barDragBusy) {
        barDragBusy = false;
        LeaveBusy();
    }
    LeaveBusy();
}

void TMainForm::MuteBoxClick()
{
    EnterBusy();
    SetMuteState(!MasterVolume->IntendedMute(), true, false);
    LeaveBusy();
}

void TMainForm::ShowVolumeBar(int x, int y, bool useWorkArea, TBarAlign align)
{
    EnsureVolumeBar();
    if (!VolumeBar)
        return;
    RefreshVolumeBar();
    StartApplicationRows();
    LayoutVolumeBar();
    HWND h = Handle();
    RECT outer{};
    ::GetWindowRect(h, &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    RECT area{::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
    area.right = area.left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
    area.bottom = area.top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
    // The monitor of the point itself: one pixel below the bottom row of one monitor may be
    // another.
    if (HMONITOR monitor = ::MonitorFromPoint(POINT{x, y}, MONITOR_DEFAULTTONEAREST)) {
        MONITORINFO mi{};
        mi.cbSize = sizeof(mi);
        if (::GetMonitorInfoW(monitor, &mi))
            area = useWorkArea ? mi.rcWork : mi.rcMonitor;
    }
    POINT at = PlaceBar(x, y, width, height, area, align);
    // Some shells (Wine's among them) give any unowned window a task-bar button, tool window
    // or not: a hidden owner keeps the bar off the task bar on every shell. Made here, not at
    // the start: Wine gives every hidden top-level window an X window, which costs a start
    // as much as the rest of the way to its first icon.
    BecomeTopLevel();
    if (!barOwner) {
        barOwner = CreateOwnerWindow();
        ::SetWindowLongPtrW(h, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(barOwner.get()));
    }
    ::SetWindowPos(h, HWND_TOPMOST, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    BringToForeground(h);
    ::ShowWindow(h, SW_SHOW);
    ::SetForegroundWindow(h);
    ::SetFocus(VolumeBar->Handle());
}

void TMainForm::HideVolumeBar()
{
    if (VolumeBarShowing())
        ::ShowWindow(Handle(), SW_HIDE);
    // Hidden, the bar follows no session: nothing is registered and nothing wakes.
    StopApplicationRows();
}

void TMainForm::DpiManagerChange(int oldDpi, int newDpi, const RECT& rect)
{
    EnterBusy();
    DpiManager->AutoSize = false;
    DpiManager->Resize(newDpi, oldDpi, rect);
    // The thumb is a length of the control, not a bound the resize scales.
    VolumeBar->SetThumbLength(::MulDiv(kBarThumb, newDpi, kDesignDpi));
    // A bar built late scales to the monitor it finds; the icon heard of that at the start.
    if (!barCreating)
        ChangeIconDpi(oldDpi, newDpi);
    LayoutVolumeBar();
    LeaveBusy();
}

bool TMainForm::IsVolumeBarMessage(MSG* msg)
{
    if (!VolumeBarShowing() || !msg->hwnd || (msg->hwnd != Handle() && !::IsChild(Handle(), msg->hwnd)))
        return false;
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
        HideVolumeBar();
        return true;
    }
    // Tab moves between the slider and the box.
    return ::IsDialogMessageW(Handle(), msg) != FALSE;
}

std::optional<LRESULT> TMainForm::VolumeBarMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!VolumeBar && barDeferred && msg == kWmDpiChanged) {
        // Without the bar's resolution manager the icon still follows the monitor.
        const int dpi = std::max<int>(LOWORD(wParam), HIWORD(wParam));
        if (dpi > 0 && barlessDpi > 0 && dpi != barlessDpi)
            ChangeIconDpi(barlessDpi, dpi);
        barlessDpi = dpi;
        return 0;
    }
    if (!VolumeBar)
        return std::nullopt;
    switch (msg) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            HideVolumeBar();
        else if (VolumeBar->Handle())
            ::SetFocus(VolumeBar->Handle());
        return 0;
    case WM_ACTIVATEAPP:
        if (!wParam)
            HideVolumeBar();
        return std::nullopt;
    case WM_SIZE:
        LayoutVolumeBar();
        if (started) {
            RECT r{};
            ::GetWindowRect(Handle(), &r);
            // The rows widen the bar for themselves: that width is not the user's.
            if (appRows.empty())
                Settings.Window.MainWidth = BarDesignSize(r.right - r.left);
            Settings.Window.MainHeight = BarDesignSize(r.bottom - r.top - ApplicationRowsHeight());
        }
        return 0;
    case WM_GETMINMAXINFO: {
        auto* mm = reinterpret_cast<MINMAXINFO*>(lParam);
        mm->ptMinTrackSize.x = std::max<LONG>(mm->ptMinTrackSize.x, barMinWidth);
        mm->ptMinTrackSize.y =
            (DpiManager ? ::MulDiv(kBarMinHeight, DpiManager->Dpi(), 96) : kBarMinHeight) + ApplicationRowsHeight();
        return 0;
    }
    case WM_ERASEBKGND: {
        RECT r{};
        ::GetClientRect(Handle(), &r);
        ::FillRect(reinterpret_cast<HDC>(wParam), &r, BarBrush());
        return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkColor(dc, ::GetSysColor(static_cast<int>(Settings.BarColor & 0xFF)));
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(BarBrush());
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == kMuteBoxId && HIWORD(wParam) == BN_CLICKED) {
            MuteBoxClick();
            return 0;
        }
        if (HIWORD(wParam) == BN_CLICKED && ApplicationMuteClick(LOWORD(wParam)))
            return 0;
        if (LOWORD(wParam) == IDCANCEL) {
            HideVolumeBar();
            return 0;
        }
        return std::nullopt;
    case WM_CONTEXTMENU:
        PopupMenuAtCursor(*DevicePopupMenu);
        return 0;
    default:
        return std::nullopt;
    }
}

HBRUSH TMainForm::BarBrush() const
{
    return ::GetSysColorBrush(static_cast<int>(Settings.BarColor & 0xFF));
}

} // namespace lorvane
