#include "DisplayPage.h"

#include "Option.h"

#include <algorithm>
#include <vector>

namespace lorvane {

namespace {

// The design height of the preview: its resolution is the dialog's by that measure.
constexpr int kPreviewDesignHeight = 66;

template <typename T> int CheckedIndex(const std::vector<T*>& buttons, int fallback)
{
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i] && buttons[i]->Checked())
            return static_cast<int>(i);
    }
    return fallback;
}

void Check(const std::vector<fw::TRadioButton*>& buttons, int index)
{
    // Unchecking first: checking one radio button of a group unchecks the others anyway.
    for (fw::TRadioButton* b : buttons)
        b->SetChecked(false);
    if (index >= 0 && index < static_cast<int>(buttons.size()))
        buttons[static_cast<size_t>(index)]->SetCheckedGroup(true);
}

} // namespace

bool TDisplayPreview::CreateHandle(fw::TControl* p, const RECT& bounds, DWORD extraStyle)
{
    return CreateWnd(p, L"STATIC", L"", WS_VISIBLE | SS_OWNERDRAW | extraStyle, 0, bounds);
}

void TDisplayPreview::SetPreview(int size, const display::TDisplayLook& look,
                                 const display::TDisplayContent& content)
{
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int w = std::max<int>(1, client.right), h = std::max<int>(1, client.bottom);
    int dpi = ::MulDiv(96, h, kPreviewDesignHeight);
    metrics = display::DisplayMetrics(size, dpi, !content.Title.empty());
    // Too large for the page (large, with a title): smaller, in proportion.
    if (metrics.Width > w || metrics.Height > h) {
        dpi = std::min(::MulDiv(dpi, w, metrics.Width), ::MulDiv(dpi, h, metrics.Height));
        metrics = display::DisplayMetrics(size, dpi, !content.Title.empty());
    }
    painted = painter.Paint(metrics, look, content);
    ::InvalidateRect(Handle(), nullptr, FALSE);
}

std::optional<LRESULT> TDisplayPreview::Reflect(UINT msg, WPARAM, LPARAM lParam)
{
    if (msg != WM_DRAWITEM)
        return std::nullopt;
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    Draw(item->hDC, item->rcItem);
    return TRUE;
}

void TDisplayPreview::Draw(HDC dc, const RECT& area) const
{
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0)
        return;
    // The page's face colour behind the translucent panel, as a desktop would be behind it.
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    const uint32_t back = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
    std::vector<uint32_t> canvas(static_cast<size_t>(w) * h, back);
    if (painted) {
        const SIZE size = painter.Size();
        const int left = (w - size.cx) / 2, top = (h - size.cy) / 2;
        for (int y = 0; y < size.cy; ++y) {
            for (int x = 0; x < size.cx; ++x) {
                if (left + x < 0 || left + x >= w || top + y < 0 || top + y >= h)
                    continue;
                const uint32_t s = painter.Pixels()[static_cast<size_t>(y) * size.cx + x];
                uint32_t& d = canvas[static_cast<size_t>(top + y) * w + left + x];
                const uint32_t keep = 255 - (s >> 24);
                uint32_t out = 0;
                for (int shift = 0; shift < 24; shift += 8)
                    out |= std::min<uint32_t>(255, ((s >> shift) & 0xFF) + (((d >> shift) & 0xFF) * keep + 127) / 255)
                           << shift;
                d = out;
            }
        }
    }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    ::SetDIBitsToDevice(dc, area.left, area.top, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0, 0,
                        static_cast<UINT>(h), canvas.data(), &bi, DIB_RGB_COLORS);
}

// ---- The page

void TOptionForm::FindDisplayControls()
{
    DisplayCheckBox = Find<fw::TCheckBox>(L"DisplayCheckBox");
    DisplayTimeEdit = Find<TOptionUpDownEdit>(L"DisplayTimeEdit");
    OutsideChangesCheckBox = Find<fw::TCheckBox>(L"OutsideChangesCheckBox");
    FullScreenCheckBox = Find<fw::TCheckBox>(L"FullScreenCheckBox");
    DisplayDeviceCheckBox = Find<fw::TCheckBox>(L"DisplayDeviceCheckBox");
    DisplayPreview = Find<TDisplayPreview>(L"DisplayPreview");
    static constexpr const wchar_t* kRadios[] = {
        L"Anchor0Button",     L"Anchor1Button",     L"Anchor2Button",       L"Anchor3Button",
        L"Anchor4Button",     L"Anchor5Button",     L"Anchor6Button",       L"Anchor7Button",
        L"Anchor8Button",     L"SmallSizeButton",   L"MediumSizeButton",    L"LargeSizeButton",
        L"SystemThemeButton", L"LightThemeButton",  L"DarkThemeButton",     L"CursorMonitorButton",
        L"ForegroundMonitorButton"};
    std::vector<fw::TRadioButton*> all;
    for (const wchar_t* name : kRadios)
        all.push_back(Find<fw::TRadioButton>(name));
    anchorButtons.assign(all.begin(), all.begin() + 9);
    sizeButtons.assign(all.begin() + 9, all.begin() + 12);
    themeButtons.assign(all.begin() + 12, all.begin() + 15);
    monitorButtons.assign(all.begin() + 15, all.end());
}

void TOptionForm::ConnectDisplayHandlers()
{
    auto changed = [this](fw::TObject*) {
        ApplyEnableChange();
        RefreshDisplayPreview();
    };
    for (auto* list : {&anchorButtons, &sizeButtons, &themeButtons, &monitorButtons})
        for (fw::TRadioButton* b : *list)
            b->OnClick = changed;
    for (fw::TCheckBox* box : {OutsideChangesCheckBox, FullScreenCheckBox, DisplayDeviceCheckBox})
        box->OnClick = changed;
    DisplayCheckBox->OnClick = [this](fw::TObject*) { DisplayCheckBoxClick(); };
}

void TOptionForm::DisplayCheckBoxClick()
{
    // Everything on the page but the switch and the preview follows the switch.
    const bool on = DisplayCheckBox->Checked();
    for (fw::TControl* group : DisplayCheckBox->Parent()->Parent()->Controls()) {
        if (group->Name() == L"PreviewGroupBox")
            continue;
        for (fw::TControl* c : group->Controls()) {
            if (c != DisplayCheckBox)
                c->SetEnabled(on);
        }
    }
    ApplyEnableChange();
}

void TOptionForm::SetDisplaySettings(const TDisplaySettings& s)
{
    DisplayCheckBox->SetChecked(s.Enabled);
    DisplayTimeEdit->SetValue(static_cast<int>(s.Duration));
    OutsideChangesCheckBox->SetChecked(s.OutsideChanges);
    FullScreenCheckBox->SetChecked(s.FullScreen);
    DisplayDeviceCheckBox->SetChecked(s.Device);
    Check(anchorButtons, s.Anchor);
    Check(sizeButtons, s.Size);
    Check(themeButtons, s.Theme);
    Check(monitorButtons, s.Monitor);
    RefreshDisplayPreview();
}

TDisplaySettings TOptionForm::DisplaySettings()
{
    const TDisplaySettings defaults;
    TDisplaySettings s;
    s.Enabled = DisplayCheckBox->Checked();
    s.Duration = static_cast<unsigned>(DisplayTimeEdit->Value());
    s.OutsideChanges = OutsideChangesCheckBox->Checked();
    s.FullScreen = FullScreenCheckBox->Checked();
    s.Device = DisplayDeviceCheckBox->Checked();
    s.Anchor = CheckedIndex(anchorButtons, defaults.Anchor);
    s.Size = CheckedIndex(sizeButtons, defaults.Size);
    s.Theme = CheckedIndex(themeButtons, defaults.Theme);
    s.Monitor = CheckedIndex(monitorButtons, defaults.Monitor);
    return s;
}

void TOptionForm::RefreshDisplayPreview()
{
    if (!DisplayPreview || !DisplayPreview->Handle())
        return;
    const TDisplaySettings s = DisplaySettings();
    display::TDisplayLook look = PreviewLook;
    look.Dark = s.Theme == dtDark || (s.Theme == dtSystem && SystemDark);
    display::TDisplayContent content = PreviewContent;
    if (content.Title.empty() && s.Device)
        content.Title = PreviewDevice;
    DisplayPreview->SetPreview(s.Size, look, content);
}

} // namespace lorvane
