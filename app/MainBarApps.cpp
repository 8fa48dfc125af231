// The pop-up bar's application rows: below the master slider, one row per playing session
// of the default endpoint (icon, name, slider, mute box). The rows follow the sessions while
// the bar is shown, and the bar grows upward from where it was anchored, within the work area.
#include "Main.h"

#include "AppResolve.h"
#include "CommandLine.h"
#include "Level.h"
#include "SessionRules.h"
#include "TextList.h"

#include <commctrl.h>

#include <algorithm>

namespace lorvane {

namespace {

constexpr int kRowHeight = 26; // at 96 DPI
constexpr int kRowIcon = 16;
constexpr int kRowsMinWidth = 300; // outer width at 96 DPI that leaves the names readable
constexpr int kRowGap = 4;
constexpr int kRowLevelMax = 65535;
constexpr UINT kRowMuteIdBase = 0x4000;
constexpr UINT kRowMuteIdLast = 0x4FFF;

int Scaled(int value, int dpi)
{
    return ::MulDiv(value, dpi > 0 ? dpi : 96, 96);
}

std::wstring WindowTextOf(HWND h)
{
    const int n = ::GetWindowTextLengthW(h);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    s.resize(static_cast<size_t>(::GetWindowTextW(h, s.data(), n + 1)));
    return s;
}

} // namespace

int TMainForm::ApplicationRowsHeight() const
{
    return appRows.empty() ? 0 : Scaled(kRowGap + kRowHeight * static_cast<int>(appRows.size()), BarDpi());
}

void TMainForm::StartApplicationRows()
{
    if (!Settings.BarApplications || barFollowing)
        return;
    barFollowing = true;
    Sessions().Follow();
    SyncApplicationRows(false);
}

void TMainForm::StopApplicationRows()
{
    if (!barFollowing)
        return;
    barFollowing = false;
    const int before = ApplicationRowsHeight();
    appRows.clear(); // their windows and icons go with them
    ResizeForApplicationRows(before);
    if (AudioSessions)
        AudioSessions->Unfollow();
}

// The sessions that get a row: those playing now, in the list's order, as many as the work
// area leaves room for below the master part.
std::vector<sessions::TAppSession> TMainForm::BarSessions()
{
    std::vector<sessions::TAppSession> shown;
    if (!AudioSessions)
        return shown;
    RECT outer{};
    ::GetWindowRect(Handle(), &outer);
    int room = INT_MAX;
    if (HMONITOR monitor = ::MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST)) {
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        if (::GetMonitorInfoW(monitor, &mi)) {
            const int base = (outer.bottom - outer.top) - ApplicationRowsHeight();
            room = std::max<int>(0, (mi.rcWork.bottom - mi.rcWork.top) - base - Scaled(kRowGap, BarDpi())) /
                   std::max(1, Scaled(kRowHeight, BarDpi()));
        }
    }
    for (const sessions::TAppSession& s : AudioSessions->Sessions())
        if (s.Active && static_cast<int>(shown.size()) < room)
            shown.push_back(s);
    return shown;
}

void TMainForm::SyncApplicationRows(bool keepAnchor)
{
    if (!barFollowing || !VolumeBar)
        return;
    const int before = ApplicationRowsHeight();
    const std::vector<sessions::TAppSession> shown = BarSessions();
    // Rows whose session still plays keep their controls (and the focus they may have).
    std::vector<TBarAppRow> kept;
    for (const sessions::TAppSession& s : shown) {
        auto it = std::find_if(appRows.begin(), appRows.end(), [&](const TBarAppRow& r) { return r.Key == s.Key; });
        if (it != appRows.end())
            kept.push_back(std::move(*it));
        else
            kept.push_back(CreateApplicationRow(s));
    }
    HWND focus = ::GetFocus();
    appRows = std::move(kept); // the rows left behind go now
    if (focus && !::IsWindow(focus) && VolumeBar)
        ::SetFocus(VolumeBar->Handle());
    // The tab order follows the rows.
    HWND after = MuteBox;
    for (TBarAppRow& r : appRows) {
        for (HWND h : {r.Slider->Handle(), r.Mute.get()}) {
            ::SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            after = h;
        }
    }
    for (const sessions::TAppSession& s : shown)
        RefreshApplicationRow(s);
    ResizeForApplicationRows(keepAnchor ? before : -1);
}

TMainForm::TBarAppRow TMainForm::CreateApplicationRow(const sessions::TAppSession& s)
{
    HWND h = Handle();
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    const int dpi = BarDpi();
    TBarAppRow row;
    row.Key = s.Key;
    const int iconSize = Scaled(kRowIcon, dpi);
    row.Icon.reset(::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, 0, 0,
                                     iconSize, iconSize, h, nullptr, instance, nullptr));
    const std::wstring exe = s.System ? std::wstring() : sessions::ExecutablePathOf(s.ProcessId);
    row.SmallIcon = sessions::ApplicationIcon(s.IconPath, exe, iconSize);
    if (row.Icon && row.SmallIcon)
        ::SendMessageW(row.Icon.get(), STM_SETICON, reinterpret_cast<WPARAM>(row.SmallIcon.get()), 0);
    row.Name.reset(::CreateWindowExW(0, L"STATIC", ApplicationName(s).c_str(),
                                     WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS | SS_CENTERIMAGE,
                                     0, 0, 10, 10, h, nullptr, instance, nullptr));
    row.Slider = std::make_unique<support::TTrackBarEx>(this, L"AppVolumeBar");
    row.Slider->Create(h, RECT{0, 0, 10, 10}, 0, WS_TABSTOP | TBS_HORZ | TBS_BOTH | TBS_NOTICKS);
    row.Slider->SetRange(0, kRowLevelMax);
    row.Slider->SetLineSize(655);
    row.Slider->SetPageSize(6553);
    row.Slider->TrackMode = support::TTrackMode::tmCursor;
    const std::wstring key = s.Key;
    row.Slider->OnScroll = [this, key](fw::TObject*, int code, int position) {
        ApplicationRowScroll(key, code, position);
    };
    // Every row's box has the same caption: without its accelerator, so none clashes.
    UINT id = kRowMuteIdBase;
    while (id <= kRowMuteIdLast && ::GetDlgItem(h, static_cast<int>(id)))
        ++id;
    row.Mute.reset(::CreateWindowExW(0, L"BUTTON", StripAccelerators(BarText(txBarMute)).c_str(),
                                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 0, 10, 10, h,
                                     reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance, nullptr));
    HFONT font = DpiManager ? DpiManager->Font() : nullptr;
    for (HWND c : {row.Name.get(), row.Slider->Handle(), row.Mute.get()})
        if (c && font)
            ::SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return row;
}

void TMainForm::RefreshApplicationRow(const sessions::TAppSession& s)
{
    auto it = std::find_if(appRows.begin(), appRows.end(), [&](const TBarAppRow& r) { return r.Key == s.Key; });
    if (it == appRows.end())
        return;
    const int position = sessions::LevelOfScalar(s.Volume, 0, kRowLevelMax);
    // A thumb the user holds is not pulled away under the pointer.
    if (it->Slider->Position() != position && ::GetCapture() != it->Slider->Handle())
        it->Slider->SetPosition(position);
    ::SendMessageW(it->Mute.get(), BM_SETCHECK, s.Mute ? BST_CHECKED : BST_UNCHECKED, 0);
    const std::wstring& name = ApplicationName(s);
    if (WindowTextOf(it->Name.get()) != name)
        ::SetWindowTextW(it->Name.get(), name.c_str());
}

void TMainForm::LayoutApplicationRows()
{
    if (appRows.empty())
        return;
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int dpi = BarDpi();
    const int rowHeight = Scaled(kRowHeight, dpi);
    const int icon = Scaled(kRowIcon, dpi);
    const int pad = Scaled(4, dpi);
    const int width = client.right;
    HFONT font = DpiManager ? DpiManager->Font() : nullptr;
    // The mute box takes what its caption needs; the name a third of what is left.
    int muteWidth = Scaled(60, dpi);
    if (HDC dc = ::GetDC(Handle())) {
        HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
        const std::wstring caption = WindowTextOf(appRows.front().Mute.get());
        SIZE size{};
        if (::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size))
            muteWidth = size.cx + Scaled(22, dpi);
        if (old)
            ::SelectObject(dc, old);
        ::ReleaseDC(Handle(), dc);
    }
    const int nameLeft = pad + icon + pad;
    const int rest = std::max(0, width - nameLeft - muteWidth - 2 * pad);
    const int nameWidth = rest / 3;
    const int sliderLeft = nameLeft + nameWidth + pad;
    const int sliderWidth = std::max(0, rest - nameWidth - pad);
    int top = client.bottom - ApplicationRowsHeight() + Scaled(kRowGap, dpi);
    for (TBarAppRow& r : appRows) {
        auto place = [&](HWND h, int x, int y, int w, int hh) {
            ::SetWindowPos(h, nullptr, x, y, w, hh, SWP_NOZORDER | SWP_NOACTIVATE);
        };
        place(r.Icon.get(), pad, top + (rowHeight - icon) / 2, icon, icon);
        place(r.Name.get(), nameLeft, top, nameWidth, rowHeight);
        place(r.Slider->Handle(), sliderLeft, top, sliderWidth, rowHeight);
        place(r.Mute.get(), width - pad - muteWidth, top, muteWidth, rowHeight);
        top += rowHeight;
    }
}

// The bar keeps the corner it was anchored at: rows that come push its top edge up (rows
// that go let it down), and it never leaves the work area.
void TMainForm::ResizeForApplicationRows(int rowsHeightBefore)
{
    HWND h = Handle();
    RECT outer{};
    ::GetWindowRect(h, &outer);
    // The stored size is in design units.
    const int base = Settings.Window.MainHeight > 0 ? Scaled(Settings.Window.MainHeight, BarDpi())
                                                    : (outer.bottom - outer.top) - ApplicationRowsHeight();
    const int height = base + ApplicationRowsHeight();
    // The rows want room for their names: the bar widens while it has them, towards the
    // side away from the screen edge it is nearer.
    const int baseWidth =
        Settings.Window.MainWidth > 0 ? Scaled(Settings.Window.MainWidth, BarDpi()) : (outer.right - outer.left);
    const int width = appRows.empty() ? baseWidth : std::max(baseWidth, Scaled(kRowsMinWidth, BarDpi()));
    int left = outer.left;
    int top = outer.top;
    if (rowsHeightBefore >= 0)
        top = outer.bottom - height;
    if (HMONITOR monitor = ::MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST)) {
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        if (::GetMonitorInfoW(monitor, &mi)) {
            top = std::min(top, static_cast<int>(mi.rcWork.bottom) - height);
            top = std::max(top, static_cast<int>(mi.rcWork.top));
            if (outer.right - (mi.rcWork.left + mi.rcWork.right) / 2 > 0)
                left = outer.right - width; // nearer the right edge: keep the right side
            left = std::min(left, static_cast<int>(mi.rcWork.right) - width);
            left = std::max(left, static_cast<int>(mi.rcWork.left));
        }
    }
    ::SetWindowPos(h, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutVolumeBar();
}

void TMainForm::ApplicationRowsChange(const std::wstring& key)
{
    if (!barFollowing)
        return;
    if (key.empty()) {
        SyncApplicationRows(true);
        return;
    }
    for (const sessions::TAppSession& s : AudioSessions->Sessions())
        if (s.Key == key)
            RefreshApplicationRow(s);
}

void TMainForm::ApplicationRowScroll(const std::wstring& key, int code, int position)
{
    EnterBusy();
    std::vector<sessions::TAppSession> app;
    if (AudioSessions)
        for (const sessions::TAppSession& s : AudioSessions->Sessions())
            if (s.Key == key)
                app.push_back(s);
    SetApplicationLevel(app, Scale(position, 0, kRowLevelMax, MasterVolume->Min, MasterVolume->Max),
                        code != support::tsTrack, true);
    LeaveBusy();
}

bool TMainForm::ApplicationMuteClick(UINT id)
{
    if (id < kRowMuteIdBase || id > kRowMuteIdLast)
        return false;
    HWND box = ::GetDlgItem(Handle(), static_cast<int>(id));
    auto row = std::find_if(appRows.begin(), appRows.end(), [&](const TBarAppRow& r) { return r.Mute.get() == box; });
    if (row == appRows.end() || !AudioSessions)
        return true;
    EnterBusy();
    std::vector<sessions::TAppSession> app;
    for (const sessions::TAppSession& s : AudioSessions->Sessions())
        if (s.Key == row->Key)
            app.push_back(s);
    if (!app.empty())
        SetApplicationMute(app, !app.front().Mute, true);
    LeaveBusy();
    return true;
}

} // namespace lorvane
