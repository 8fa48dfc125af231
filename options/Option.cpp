#include "Option.h"

#include "FileVersionInfo.h"
#include "Font.h"
#include "IniFile.h"
#include "IntText.h"
#include "OptionEditors.h"
#include "OptionForm.h"

#include <mmsystem.h>

#include <algorithm>
#include <exception>
#include <initializer_list>

namespace lorvane {

namespace {

// The icon-set list's rows are at least this tall (design units), more when the font is.
constexpr int kIconItemHeight = 18;
constexpr int kMenuItemHeight = 13;
constexpr wchar_t kMeasureText[] = L"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

std::wstring WithBackslash(std::wstring folder)
{
    if (folder.empty() || folder.back() != L'\\')
        folder += L'\\';
    return folder;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix)
{
    return !prefix.empty() && text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

std::optional<POINT> PlaceInWorkArea(POINT p, SIZE size, const RECT& w)
{
    // Wholly outside (the "not set" point always is): the system's default position stays.
    if (static_cast<long long>(p.x) + size.cx < w.left || p.x > w.right ||
        static_cast<long long>(p.y) + size.cy < w.top || p.y > w.bottom)
        return std::nullopt;
    if (p.x + size.cx >= w.right)
        p.x = w.right - size.cx;
    if (p.x <= w.left)
        p.x = w.left;
    if (p.y + size.cy >= w.bottom)
        p.y = w.bottom - size.cy;
    if (p.y <= w.top)
        p.y = w.top;
    return p;
}

POINT PlaceDialog(POINT saved, SIZE size, const RECT& savedWork, const RECT& cursorWork)
{
    if (std::optional<POINT> p = PlaceInWorkArea(saved, size, savedWork))
        return *p;
    // No saved place (or one on a monitor that is gone): the middle of the monitor the user
    // looks at, its top-left corner kept inside when the dialog is larger.
    const long x = cursorWork.left + (cursorWork.right - cursorWork.left - size.cx) / 2;
    const long y = cursorWork.top + (cursorWork.bottom - cursorWork.top - size.cy) / 2;
    return POINT{std::max(x, cursorWork.left), std::max(y, cursorWork.top)};
}

int FitDpi(int dpi, SIZE design, SIZE work)
{
    int fit = dpi;
    // A large scaling on a small screen: a slightly smaller font beats buttons below the taskbar.
    for (auto [d, w] : {std::pair{design.cx, work.cx}, std::pair{design.cy, work.cy}})
        if (d > 0 && w > 0 && static_cast<long long>(d) * dpi > static_cast<long long>(w) * 96)
            fit = std::min(fit, static_cast<int>(static_cast<long long>(w) * 96 / d));
    return std::max(fit, std::min(dpi, 96));
}

int ListItemHeight(int designHeight, int dpi, int textHeight)
{
    return std::max(fw::ScaleDesign(designHeight, dpi), textHeight);
}

std::wstring StoredSoundValue(const std::wstring& v, const std::wstring& baseFolder)
{
    // A base of a lone backslash stands for "no program folder": stripping it would turn
    // "\\server\share\x.wav" into a different path.
    if (baseFolder.size() > 1 && StartsWith(v, baseFolder))
        return v.substr(baseFolder.size());
    return v;
}

std::wstring ShownSoundValue(const std::wstring& v, const std::wstring& soundFolder,
                             const std::wstring& baseFolder)
{
    size_t cut = v.find_last_of(L"\\:");
    if (cut == std::wstring::npos)
        return v;
    std::wstring folder = v.substr(0, cut + 1);
    if (folder == StoredSoundValue(soundFolder, baseFolder) || folder == soundFolder)
        return v.substr(cut + 1);
    return v;
}

bool AppWheelKeysClash(unsigned wheelKeys, unsigned appWheelKeys) noexcept
{
    return appWheelKeys != 0 && appWheelKeys == wheelKeys;
}

TOptionForm::TOptionForm(fw::TComponent* owner)
    : fw::TForm(owner, L"OptionForm"), FileVersionInfo(std::make_unique<TFileVersionInfo>(this))
{
}

TOptionForm::~TOptionForm()
{
    editors.reset(); // before the controls it works on
    DpiManager.reset();
}

bool TOptionForm::Create(bool withHelp)
{
    RegisterOptionControls();
    helpButton = withHelp;
    DWORD exStyle = WS_EX_APPWINDOW | (withHelp ? WS_EX_CONTEXTHELP : 0);
    // Laid out at the design resolution; the DPI component scales it to the monitor's.
    if (!CreateFromDesc(kOptionFormDesc, 96, exStyle))
        return false;
    RECT created{};
    ::GetWindowRect(Handle(), &created);
    const SIZE design{created.right - created.left, created.bottom - created.top};
    DpiManager = std::make_unique<support::TDpiManager>(this, L"DpiManager", Handle());
    DpiManager->DpiProbe = [design](HWND form) {
        const int dpi = support::SystemDpiOf(form);
        MONITORINFO mi{};
        mi.cbSize = sizeof(mi);
        if (dpi <= 0 || !::GetMonitorInfoW(::MonitorFromWindow(form, MONITOR_DEFAULTTONEAREST), &mi))
            return dpi;
        return FitDpi(dpi, design, SIZE{mi.rcWork.right - mi.rcWork.left, mi.rcWork.bottom - mi.rcWork.top});
    };
    DpiManager->OnScaleContents = [this](int n, int d) {
        ScaleBy(n, d);
        // A combo box's height follows its font, not its scaled bounds: the buttons beside
        // it follow the combo again.
        EqualiseButtonHeights();
    };
    FindControls();
    ConnectHandlers();
    FormCreate();
    return true;
}

void TOptionForm::FindControls()
{
    PageControl = Find<fw::TPageControl>(L"PageControl");
    OKButton = Find<fw::TButton>(L"OKButton");
    CancelButton = Find<fw::TButton>(L"CancelButton");
    ApplyButton = Find<fw::TButton>(L"ApplyButton");
    StartUpCheckBox = Find<fw::TCheckBox>(L"StartUpCheckBox");
    WaitTimeEdit = Find<TOptionUpDownEdit>(L"WaitTimeEdit");
    ResetCheckBox = Find<fw::TCheckBox>(L"ResetCheckBox");
    ReVolumeEdit = Find<TOptionUpDownEdit>(L"ReVolumeEdit");
    ReMuteCheckBox = Find<fw::TCheckBox>(L"ReMuteCheckBox");
    ReDeviceComboBox = Find<fw::TComboBox>(L"ReDeviceComboBox");
    LangComboBox = Find<fw::TComboBox>(L"LangComboBox");
    LowStepEdit = Find<TOptionUpDownEdit>(L"LowStepEdit");
    AccelStepCheckBox = Find<fw::TCheckBox>(L"AccelStepCheckBox");
    HighStepEdit = Find<TOptionUpDownEdit>(L"HighStepEdit");
    RoundStepCheckBox = Find<fw::TCheckBox>(L"RoundStepCheckBox");
    AutoUnmuteCheckBox = Find<fw::TCheckBox>(L"AutoUnmuteCheckBox");
    AutoMuteCheckBox = Find<fw::TCheckBox>(L"AutoMuteCheckBox");
    SoundCheckBox = Find<fw::TCheckBox>(L"SoundCheckBox");
    SoundComboBox = Find<fw::TComboBox>(L"SoundComboBox");
    SoundDialogButton = Find<fw::TButton>(L"SoundDialogButton");
    SoundPlayButton = Find<fw::TButton>(L"SoundPlayButton");
    SoundDelayEdit = Find<TOptionUpDownEdit>(L"SoundDelayEdit");
    BalloonHintCheckBox = Find<fw::TCheckBox>(L"BalloonHintCheckBox");
    BalloonTimeEdit = Find<TOptionUpDownEdit>(L"BalloonTimeEdit");
    NotifyIconButton = Find<fw::TRadioButton>(L"NotifyIconButton");
    TaskbarButton = Find<fw::TRadioButton>(L"TaskbarButton");
    DesktopCheckBox = Find<fw::TCheckBox>(L"DesktopCheckBox");
    DesktopCornerCheckBox = Find<fw::TCheckBox>(L"DesktopCornerCheckBox");
    NoForegroundWindowCheckBox = Find<fw::TCheckBox>(L"NoForegroundWindowCheckBox");
    WheelMarginEdit = Find<TOptionUpDownEdit>(L"WheelMarginEdit");
    ShiftCheckBox = Find<fw::TCheckBox>(L"ShiftCheckBox");
    AltCheckBox = Find<fw::TCheckBox>(L"AltCheckBox");
    CtrlCheckBox = Find<fw::TCheckBox>(L"CtrlCheckBox");
    WinCheckBox = Find<fw::TCheckBox>(L"WinCheckBox");
    AppShiftCheckBox = Find<fw::TCheckBox>(L"AppShiftCheckBox");
    AppAltCheckBox = Find<fw::TCheckBox>(L"AppAltCheckBox");
    AppCtrlCheckBox = Find<fw::TCheckBox>(L"AppCtrlCheckBox");
    AppWinCheckBox = Find<fw::TCheckBox>(L"AppWinCheckBox");
    BarApplicationsCheckBox = Find<fw::TCheckBox>(L"BarApplicationsCheckBox");
    IconMuteFixCheckBox = Find<fw::TCheckBox>(L"IconMuteFixCheckBox");
    FileNameLabel = Find<fw::TLabel>(L"FileNameLabel");
    CopyrightLabel = Find<fw::TLabel>(L"CopyrightLabel");
    FindDisplayControls();
}

void TOptionForm::ConnectHandlers()
{
    auto apply = [this](fw::TObject*) { ApplyEnableChange(); };
    for (const auto& c : Components()) {
        if (auto* radio = dynamic_cast<fw::TRadioButton*>(c.get()))
            radio->OnClick = apply;
        else if (auto* box = dynamic_cast<fw::TCheckBox*>(c.get()))
            box->OnClick = apply;
        else if (auto* edit = dynamic_cast<TOptionUpDownEdit*>(c.get()))
            edit->OnChange = apply;
    }
    for (fw::TCheckBox* box : {StartUpCheckBox, ResetCheckBox, BalloonHintCheckBox, SoundCheckBox})
        box->OnClick = [this](fw::TObject* sender) { CheckBoxEnableChange(sender); };
    AccelStepCheckBox->OnClick = [this](fw::TObject*) { AccelStepCheckBoxClick(); };
    DesktopCornerCheckBox->OnClick = [this](fw::TObject*) { DesktopCornerCheckBoxClick(); };
    ReDeviceComboBox->OnSelect = apply;
    LangComboBox->OnSelect = apply;
    SoundComboBox->OnSelect = [this](fw::TObject*) { SoundComboBoxSelect(); };
    SoundComboBox->OnChange = [this](fw::TObject*) {
        const std::wstring text = SoundComboBox->Text();
        SoundComboBox->Hint = text == SoundBeepText ? std::wstring() : StoredSoundValue(text, baseFolder);
        ApplyEnableChange();
    };
    SoundDialogButton->OnClick = [this](fw::TObject*) { SoundDialogButtonClick(); };
    SoundPlayButton->OnClick = [this](fw::TObject*) { PlaySoundFile(); };
    OKButton->OnClick = [this](fw::TObject*) {
        ModalResult = OKButton->ModalResult;
        fw::Raise(OnButtonOk, this);
        Close();
    };
    CancelButton->OnClick = [this](fw::TObject*) {
        ModalResult = CancelButton->ModalResult;
        fw::Raise(OnButtonCancel, this);
        Close();
    };
    ApplyButton->OnClick = [this](fw::TObject*) { fw::Raise(OnButtonApply, this); };
    if (auto* up = Find<fw::TButton>(L"VersionUpButton"))
        up->OnClick = [this](fw::TObject*) {
            OpenUrl(UpdateAddress(FileVersionInfo->Comments(), FileVersionInfo->InternalName(),
                                  FileVersionInfo->FileVersion()),
                    Handle());
        };
    OnShow = [this](fw::TObject*) { FormShow(); };
    PlayFile = [](const std::wstring& file) { return ::sndPlaySoundW(file.c_str(), SND_ASYNC) != FALSE; };
    PlayBeep = [] { return ::MessageBeep(0) != FALSE; };
    ConnectDisplayHandlers();
}

void TOptionForm::FormCreate()
{
    // The dependent controls' enabled states follow the boxes from the start.
    for (fw::TCheckBox* box : {BalloonHintCheckBox, SoundCheckBox, StartUpCheckBox, ResetCheckBox})
        CheckBoxEnableChange(box);
    DesktopCornerCheckBoxClick();
    AccelStepCheckBoxClick();
    DisplayCheckBoxClick();
    for (const wchar_t* list : {L"VolumeListView", L"ToolListView", L"MouseListView", L"KeyListView"})
        FitLastColumn(list);
    editors = std::make_unique<TOptionEditors>(*this);
    FillAbout(FileVersionInfo->FileDescription(), FileVersionInfo->FileVersion(),
              FileVersionInfo->LegalCopyright(), ::LoadIconW(::GetModuleHandleW(nullptr), L"MAINICON"));
    ApplyButton->SetEnabled(false);
}

void TOptionForm::FormShow()
{
    ApplyButton->SetEnabled(false);
}

void TOptionForm::FitLastColumn(const wchar_t* listName)
{
    auto* list = Find<fw::TListView>(listName);
    if (!list || list->ColumnCount() == 0)
        return;
    RECT client{};
    ::GetClientRect(list->Handle(), &client);
    int width = client.right - ::GetSystemMetrics(SM_CXVSCROLL);
    const int last = list->ColumnCount() - 1;
    for (int i = 0; i < last; ++i)
        width -= list->ColumnWidth(i);
    list->SetColumnWidth(last, width);
}

void TOptionForm::ApplyEnableChange()
{
    if (ApplyButton)
        ApplyButton->SetEnabled(true);
}

void TOptionForm::CheckBoxEnableChange(fw::TObject* sender)
{
    auto* box = dynamic_cast<fw::TCheckBox*>(sender);
    if (!box || !box->Parent())
        return;
    for (fw::TControl* other : box->Parent()->Controls()) {
        if (other != box)
            other->SetEnabled(box->Checked());
    }
    ApplyEnableChange();
}

void TOptionForm::AccelStepCheckBoxClick()
{
    HighStepEdit->SetEnabled(AccelStepCheckBox->Checked());
    if (auto* unit = FindComponent(L"AccelStepUnitLabel"))
        unit->SetEnabled(AccelStepCheckBox->Checked());
    ApplyEnableChange();
}

void TOptionForm::DesktopCornerCheckBoxClick()
{
    WheelMarginEdit->SetEnabled(DesktopCornerCheckBox->Checked());
    if (auto* unit = FindComponent(L"WheelMarginUnitLabel"))
        unit->SetEnabled(DesktopCornerCheckBox->Checked());
    ApplyEnableChange();
}

// ---- Wheel areas and keys

void TOptionForm::SetWheelAreas(unsigned areas)
{
    // Unchecking first: checking one radio button of the pair unchecks the other.
    NotifyIconButton->SetChecked(false);
    TaskbarButton->SetChecked(false);
    if (areas & 1)
        NotifyIconButton->SetCheckedGroup(true);
    if (areas & 2)
        TaskbarButton->SetCheckedGroup(true);
    DesktopCheckBox->SetChecked((areas & 4) != 0);
    DesktopCornerCheckBox->SetChecked((areas & 8) != 0);
    NoForegroundWindowCheckBox->SetChecked((areas & 16) != 0);
}

unsigned TOptionForm::WheelAreas() const
{
    return (NotifyIconButton->Checked() ? 1u : 0u) | (TaskbarButton->Checked() ? 2u : 0u) |
           (DesktopCheckBox->Checked() ? 4u : 0u) | (NoForegroundWindowCheckBox->Checked() ? 16u : 0u) |
           (DesktopCornerCheckBox->Checked() ? 8u : 0u);
}

namespace {

// The four boxes of a modifier set, in the order of its bits (Shift, Alt, Ctrl, Win).
void SetKeyBoxes(std::initializer_list<fw::TCheckBox*> boxes, unsigned keys)
{
    unsigned bit = 1;
    for (fw::TCheckBox* box : boxes) {
        box->SetChecked((keys & bit) != 0);
        bit <<= 1;
    }
}

unsigned KeyBoxes(std::initializer_list<fw::TCheckBox*> boxes)
{
    unsigned keys = 0, bit = 1;
    for (fw::TCheckBox* box : boxes) {
        keys |= box->Checked() ? bit : 0u;
        bit <<= 1;
    }
    return keys;
}

} // namespace

void TOptionForm::SetWheelKeys(unsigned keys)
{
    SetKeyBoxes({ShiftCheckBox, AltCheckBox, CtrlCheckBox, WinCheckBox}, keys);
}

unsigned TOptionForm::WheelKeys() const
{
    return KeyBoxes({ShiftCheckBox, AltCheckBox, CtrlCheckBox, WinCheckBox});
}

void TOptionForm::SetAppWheelKeys(unsigned keys)
{
    SetKeyBoxes({AppShiftCheckBox, AppAltCheckBox, AppCtrlCheckBox, AppWinCheckBox}, keys);
}

unsigned TOptionForm::AppWheelKeys() const
{
    return KeyBoxes({AppShiftCheckBox, AppAltCheckBox, AppCtrlCheckBox, AppWinCheckBox});
}

void TOptionForm::FocusAppWheelKeys()
{
    ActivatePage(L"MouseSheet");
    for (fw::TCheckBox* box : {AppShiftCheckBox, AppAltCheckBox, AppCtrlCheckBox, AppWinCheckBox}) {
        if (box->Checked()) {
            box->SetFocus();
            return;
        }
    }
    AppShiftCheckBox->SetFocus();
}

// ---- Sound

void TOptionForm::SetSoundFolders(const std::wstring& sound, const std::wstring& base)
{
    soundFolder = WithBackslash(sound);
    baseFolder = WithBackslash(base);
    FillSoundList();
}

void TOptionForm::FillSoundList()
{
    std::wstring keep = SoundComboBox->Text();
    SoundComboBox->BeginUpdate();
    try {
        SoundComboBox->Clear();
        // No file is the system's beep: the first row says so.
        SoundComboBox->Add(SoundBeepText);
        WIN32_FIND_DATAW fd{};
        HANDLE find = ::FindFirstFileW((soundFolder + L"*.wav").c_str(), &fd);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                SoundComboBox->Add(fd.cFileName);
            } while (::FindNextFileW(find, &fd));
            ::FindClose(find);
        }
    } catch (const std::exception&) {
    }
    SoundComboBox->EndUpdate();
    SoundComboBox->SetText(keep);
}

void TOptionForm::SetSoundValue(const std::wstring& value)
{
    SoundComboBox->Hint = StoredSoundValue(value, baseFolder);
    SoundComboBox->SetText(value.empty() ? SoundBeepText : ShownSoundValue(value, soundFolder, baseFolder));
}

std::wstring TOptionForm::SoundValue() const
{
    return SoundComboBox->Hint;
}

void TOptionForm::SoundComboBoxSelect()
{
    int row = SoundComboBox->ItemIndex();
    if (row < 0)
        return;
    SetSoundValue(row == 0 ? std::wstring() : soundFolder + SoundComboBox->Item(row));
    ApplyEnableChange();
}

void TOptionForm::SoundDialogButtonClick()
{
    if (!OpenFile)
        return;
    std::wstring file = OpenFile(SoundOpenDialogFilter);
    if (!file.empty()) {
        SetSoundValue(file);
        ApplyEnableChange();
    }
}

void TOptionForm::PlaySoundFile()
{
    const std::wstring value = SoundValue();
    if (value.empty()) {
        if (PlayBeep)
            PlayBeep();
        return;
    }
    // Relative values are relative to the program folder.
    if (!ProgramDir.empty())
        ::SetCurrentDirectoryW(ProgramDir.c_str());
    if (PlayFile)
        PlayFile(value);
}

// ---- Reset device list

void TOptionForm::ReDeviceBeginUpdate()
{
    ReDeviceComboBox->BeginUpdate();
}

void TOptionForm::ReDeviceEndUpdate()
{
    ReDeviceComboBox->EndUpdate();
}

void TOptionForm::ReDeviceClear()
{
    ReDeviceComboBox->Clear();
}

void TOptionForm::ReDeviceAdd(const std::wstring& id, const std::wstring& text)
{
    ReDeviceComboBox->Add(text, id);
}

void TOptionForm::ReDeviceSelect(const std::wstring& id)
{
    for (int i = ReDeviceComboBox->Count() - 1; i >= 0; --i) {
        if (ReDeviceComboBox->ItemData(i) == id) {
            ReDeviceComboBox->SetItemIndex(i);
            return;
        }
    }
    ReDeviceComboBox->SetItemIndex(-1);
}

std::wstring TOptionForm::ReDeviceSelected() const
{
    return ReDeviceComboBox->ItemData(ReDeviceComboBox->ItemIndex());
}

// ---- Language list

void TOptionForm::LangBeginUpdate()
{
    LangComboBox->BeginUpdate();
}

void TOptionForm::LangEndUpdate()
{
    LangComboBox->EndUpdate();
}

void TOptionForm::LangClear()
{
    LangComboBox->Clear();
}

void TOptionForm::LangAdd(const std::wstring& name, const std::wstring& ownName)
{
    // Shown in its own words; the file's name stays the value.
    LangComboBox->Add(ownName.empty() ? name : ownName, name);
}

void TOptionForm::LangSelect(const std::wstring& name)
{
    int row = -1;
    for (int i = 0; i < LangComboBox->Count() && row < 0; ++i) {
        if (LangComboBox->ItemData(i) == name)
            row = i;
    }
    LangComboBox->SetItemIndex(row);
}

std::wstring TOptionForm::LangText() const
{
    return LangComboBox->ItemData(LangComboBox->ItemIndex());
}

// ---- Pages

void TOptionForm::ActivatePage(int index)
{
    PageControl->SetActivePageIndex(index);
}

void TOptionForm::ActivatePage(const std::wstring& name)
{
    for (int i = 0; i < PageControl->PageCount(); ++i) {
        if (PageControl->Page(i)->Name() == name) {
            ActivatePage(i);
            return;
        }
    }
}

int TOptionForm::ActivePageIndex() const
{
    return PageControl->ActivePageIndex();
}

std::wstring TOptionForm::ActivePageCaption() const
{
    fw::TTabSheet* page = PageControl->Page(PageControl->ActivePageIndex());
    return page ? page->Caption() : std::wstring();
}

// ---- Position

void TOptionForm::SetFormPosition(POINT p)
{
    // The work area of the monitor nearest to a point; the primary one's when that fails.
    auto workAt = [](POINT at) {
        RECT work{};
        MONITORINFO mi{};
        mi.cbSize = sizeof(mi);
        if (::GetMonitorInfoW(::MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &mi))
            work = mi.rcWork;
        else
            ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        return work;
    };
    if (DpiManager)
        DpiManager->Check(); // placed at the size it is shown at
    POINT cursor{};
    ::GetCursorPos(&cursor);
    RECT r{};
    ::GetWindowRect(Handle(), &r);
    const POINT placed = PlaceDialog(p, SIZE{r.right - r.left, r.bottom - r.top}, workAt(p), workAt(cursor));
    ::SetWindowPos(Handle(), nullptr, placed.x, placed.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

POINT TOptionForm::FormPosition() const
{
    RECT r{};
    ::GetWindowRect(Handle(), &r);
    return POINT{r.left, r.top};
}

// ---- Language and font

void TOptionForm::ApplyLanguage(const std::wstring& file, bool force)
{
    if (!force && file == appliedLanguageFile)
        return;
    appliedLanguageFile = file;
    fw::TControl* panels[] = {FindComponent(L"ClientPanel"), FindComponent(L"ButtonPanel")};
    HWND focus = ::GetFocus();
    for (fw::TControl* panel : panels)
        panel->SetVisible(false);
    try {
        fw::TIniFile ini;
        ini.LoadFromFile(file); // a missing file reads as empty: every text stays
        for (const auto& c : Components()) {
            const std::wstring& name = c->Name();
            if (c.get() == FileNameLabel || c.get() == CopyrightLabel)
                continue; // from the version record
            if (c->HasCaption()) {
                c->SetCaption(ini.ReadString(L"Option", name, c->Caption()));
            } else if (auto* list = dynamic_cast<fw::TListView*>(c.get())) {
                for (int i = 0; i < list->ColumnCount(); ++i)
                    list->SetColumnCaption(
                        i, ini.ReadString(L"Option", name + fw::IntToStr(i), list->ColumnCaption(i)));
            }
        }
        SoundOpenDialogFilter = ini.ReadString(L"Option", L"SoundOpenDialog", SoundOpenDialogFilter);
        ToolOpenDialogFilter = ini.ReadString(L"Option", L"ToolOpenDialog", ToolOpenDialogFilter);
        if (std::wstring beep = ini.ReadString(L"Option", L"SoundSystemBeep", SoundBeepText); beep != SoundBeepText) {
            const std::wstring value = SoundValue();
            SoundBeepText = beep;
            FillSoundList();
            SetSoundValue(value);
        }
        ApplyFont(ini.ReadString(L"Font", L"OptionFontName", L""),
                  ini.ReadInteger(L"Font", L"OptionFontSize", -1),
                  ini.ReadInteger(L"Font", L"OptionFontCharset", -1));
        EqualiseButtonHeights();
    } catch (const std::exception&) {
    }
    for (fw::TControl* panel : panels)
        panel->SetVisible(true);
    // Hiding took the keyboard from the control that had it.
    if (focus && ::IsChild(Handle(), focus) && ::IsWindowEnabled(focus))
        ::SetFocus(focus);
}

void TOptionForm::EqualiseButtonHeights()
{
    auto match = [this](const wchar_t* button, const wchar_t* beside) {
        fw::TControl* b = FindComponent(button);
        fw::TControl* c = FindComponent(beside);
        if (b && c)
            b->SetHeight(c->Height());
    };
    match(L"SoundDialogButton", L"SoundComboBox");
    match(L"SoundPlayButton", L"SoundComboBox");
    match(L"MouseDeleteButton", L"MouseComboBox");
    match(L"KeyDeleteButton", L"KeyEdit");
    match(L"ToolDialogButton", L"ToolCommandEdit");
    match(L"ToolDeleteButton", L"ToolCommandEdit");
}

void TOptionForm::ApplyFont(const std::wstring& name, int size, int charset)
{
    const fw::TFontSpec font = fw::ResolveFont(fw::TFontRequest{name, size, charset}, fw::SystemMenuFont());
    if (font == fontSpec)
        return;
    fontSpec = font;
    const int dpi = DpiManager ? DpiManager->Dpi() : CreationDpi();
    SetFormFont(fw::FontAtDpi(font, dpi));

    // Lists with a fixed row height grow with the font: the icon-set list (owner-drawn) and the
    // menu-display list, whose rows a taller script would otherwise clip.
    int textHeight = 0;
    if (HDC dc = ::GetDC(Handle())) {
        HGDIOBJ old = ::SelectObject(dc, Font());
        SIZE s{};
        if (::GetTextExtentPoint32W(dc, kMeasureText, static_cast<int>(wcslen(kMeasureText)), &s))
            textHeight = s.cy;
        ::SelectObject(dc, old);
        ::ReleaseDC(Handle(), dc);
    }
    if (auto* icons = Find<fw::TCheckListBox>(L"IconListBox"))
        icons->SetItemHeight(ListItemHeight(kIconItemHeight, dpi, textHeight));
    if (auto* menu = Find<fw::TCheckListBox>(L"MenuListBox"))
        menu->SetItemHeight(ListItemHeight(kMenuItemHeight, dpi, textHeight));
}

// ---- About

void TOptionForm::FillAbout(const std::wstring& description, const std::wstring& fileVersion,
                            const std::wstring& copyright, HICON icon)
{
    FileNameLabel->SetCaption(VersionLine(description, fileVersion));
    CopyrightLabel->SetCaption(copyright);
    if (auto* image = Find<fw::TImage>(L"IconImage"))
        image->SetIcon(icon);
}

// ---- Messages

LRESULT TOptionForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    try {
        switch (msg) {
        case WM_NCLBUTTONDOWN:
            // The caption's "?" must not start the system's context-help mode.
            if (helpButton && wParam == HTHELP)
                return 0;
            break;
        case WM_NCLBUTTONUP:
            if (helpButton && wParam == HTHELP) {
                fw::Raise(OnButtonHelp, this);
                return 0;
            }
            break;
        case WM_OPTIONLISTSELECT:
            if (editors)
                editors->ListSelect(reinterpret_cast<HWND>(wParam));
            return 0;
        default:
            break;
        }
    } catch (...) {
        return 0;
    }
    return fw::TForm::WndProc(msg, wParam, lParam);
}

} // namespace lorvane
