#include "OptionEditors.h"

#include "TextList.h"

#include "HotKeyEdit.h"
#include "Option.h"
#include "OptionControls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace lorvane {

namespace {

constexpr UINT_PTR kCheckWatchId = 0x4345; // the check-box watch on the preset and tool lists

} // namespace

class TOptionEditors::Quiet {
  public:
    explicit Quiet(TOptionEditors& e) : e(e) { ++e.quiet; }
    ~Quiet() { --e.quiet; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

  private:
    TOptionEditors& e;
};

TOptionEditors::TOptionEditors(TOptionForm& f) : form(f)
{
    MouseListView = form.Find<fw::TListView>(L"MouseListView");
    MouseComboBox = form.Find<fw::TComboBox>(L"MouseComboBox");
    MouseDeleteButton = form.Find<fw::TButton>(L"MouseDeleteButton");
    KeyListView = form.Find<fw::TListView>(L"KeyListView");
    KeyEdit = form.Find<THotKeyEdit>(L"KeyEdit");
    KeyDeleteButton = form.Find<fw::TButton>(L"KeyDeleteButton");
    VolumeListView = form.Find<fw::TListView>(L"VolumeListView");
    VolumeBar = form.Find<TOptionTrackBar>(L"VolumeBar");
    VolumeEdit = form.Find<TOptionUpDownEdit>(L"VolumeEdit");
    ToolListView = form.Find<fw::TListView>(L"ToolListView");
    ToolComboBox = form.Find<fw::TComboBox>(L"ToolComboBox");
    ToolCommandEdit = form.Find<fw::TEdit>(L"ToolCommandEdit");
    ToolDialogButton = form.Find<fw::TButton>(L"ToolDialogButton");
    ToolDeleteButton = form.Find<fw::TButton>(L"ToolDeleteButton");
    ToolDeviceLabel = form.Find<fw::TLabel>(L"ToolDeviceLabel");
    IconListBox = form.Find<fw::TCheckListBox>(L"IconListBox");
    MenuListBox = form.Find<fw::TCheckListBox>(L"MenuListBox");
    mouseRows = TReportRows(MouseListView ? MouseListView->Handle() : nullptr);
    keyRows = TReportRows(KeyListView ? KeyListView->Handle() : nullptr);
    volumeRows = TReportRows(VolumeListView ? VolumeListView->Handle() : nullptr);
    toolRows = TReportRows(ToolListView ? ToolListView->Handle() : nullptr);
    Connect();
    VolumeRefresh();
    ToolRefresh();
    MouseRefresh();
    KeyRefresh();
}

TOptionEditors::~TOptionEditors()
{
    for (const TReportRows* rows : {&volumeRows, &toolRows}) {
        if (rows->Handle())
            ::RemoveWindowSubclass(rows->Handle(), CheckBoxWatch, kCheckWatchId);
    }
    // The controls outlive the editors; nothing of theirs may call back into them.
    for (fw::TListView* list : {MouseListView, KeyListView, VolumeListView, ToolListView}) {
        if (list) {
            list->OnSelectItem = nullptr;
            list->OnDblClick = nullptr;
        }
    }
    if (MouseComboBox)
        MouseComboBox->OnSelect = nullptr;
    if (KeyEdit) {
        KeyEdit->OnChange = nullptr;
        KeyEdit->OnEnter = nullptr;
        KeyEdit->OnExit = nullptr;
    }
    if (VolumeBar) {
        VolumeBar->Bar().OnChange = nullptr;
        VolumeBar->Bar().OnScroll = nullptr;
    }
    if (ToolComboBox) {
        ToolComboBox->OnChange = nullptr;
        ToolComboBox->OnSelect = nullptr;
    }
    if (ToolCommandEdit)
        ToolCommandEdit->OnChange = nullptr;
    for (fw::TButton* b : {MouseDeleteButton, KeyDeleteButton, ToolDialogButton, ToolDeleteButton}) {
        if (b)
            b->OnClick = nullptr;
    }
    for (fw::TCheckListBox* l : {IconListBox, MenuListBox}) {
        if (l) {
            l->OnDrawItem = nullptr;
            l->OnClickCheck = nullptr;
            l->OnDblClick = nullptr;
        }
    }
}

void TOptionEditors::Connect()
{
    for (fw::TListView* list : {MouseListView, KeyListView, VolumeListView, ToolListView}) {
        if (list)
            list->OnSelectItem = [this](fw::TObject* sender) { ListViewSelectItem(sender); };
    }
    for (const TReportRows* rows : {&volumeRows, &toolRows}) {
        if (rows->Handle())
            ::SetWindowSubclass(rows->Handle(), CheckBoxWatch, kCheckWatchId,
                                reinterpret_cast<DWORD_PTR>(this));
    }
    if (MouseListView)
        MouseListView->OnDblClick = [this](fw::TObject*) {
            if (MouseComboBox && MouseComboBox->CanFocus())
                MouseComboBox->SetFocus();
        };
    if (MouseComboBox)
        MouseComboBox->OnSelect = [this](fw::TObject*) { MouseComboBoxChange(); };
    if (MouseDeleteButton)
        MouseDeleteButton->OnClick = [this](fw::TObject*) { MouseDeleteButtonClick(); };

    if (KeyListView)
        KeyListView->OnDblClick = [this](fw::TObject*) {
            if (KeyEdit && KeyEdit->CanFocus())
                KeyEdit->SetFocus();
        };
    if (KeyEdit) {
        KeyEdit->OnChange = [this](fw::TObject*) { KeyEditChange(); };
        KeyEdit->OnEnter = [this](fw::TObject*) { KeyEditEnter(); };
        KeyEdit->OnExit = [this](fw::TObject*) { KeyEditExit(); };
    }
    if (KeyDeleteButton)
        KeyDeleteButton->OnClick = [this](fw::TObject*) { KeyDeleteButtonClick(); };

    if (VolumeListView)
        VolumeListView->OnDblClick = [this](fw::TObject*) {
            if (VolumeBar && VolumeBar->CanFocus())
                VolumeBar->SetFocus();
        };
    // The preset's edit only shows the bar's value: what it shows is no change of its own.
    if (VolumeEdit)
        VolumeEdit->OnChange = nullptr;
    if (VolumeBar) {
        VolumeBar->Bar().OnChange = [this](fw::TObject*) { VolumeBarChange(); };
        // Only the user's moves count as a change: filling and selecting move the bar too.
        VolumeBar->Bar().OnScroll = [this](fw::TObject*, int, int) {
            if (!quiet)
                ApplyRule();
        };
    }

    if (ToolListView)
        ToolListView->OnDblClick = [this](fw::TObject*) {
            if (ToolDialogButton && ToolDialogButton->CanFocus())
                ToolDialogButtonClick();
        };
    if (ToolComboBox) {
        ToolComboBox->OnChange = [this](fw::TObject*) { ToolEditChange(); };
        ToolComboBox->OnSelect = [this](fw::TObject*) { ToolComboBoxSelect(); };
    }
    if (ToolCommandEdit)
        ToolCommandEdit->OnChange = [this](fw::TObject*) { ToolEditChange(); };
    if (ToolDialogButton)
        ToolDialogButton->OnClick = [this](fw::TObject*) { ToolDialogButtonClick(); };
    if (ToolDeleteButton)
        ToolDeleteButton->OnClick = [this](fw::TObject*) { ToolDeleteButtonClick(); };

    if (IconListBox) {
        IconListBox->OnDrawItem = [this](fw::TObject*, int index, HDC dc, const RECT& rect, bool selected) {
            IconListBoxDrawItem(index, dc, rect, selected);
        };
        IconListBox->OnClickCheck = [this](fw::TObject*) { IconListBoxClickCheck(); };
        IconListBox->OnDblClick = [this](fw::TObject*) { IconListBoxDblClick(); };
    }
    if (MenuListBox) {
        MenuListBox->OnClickCheck = [this](fw::TObject*) { ApplyRule(); };
        MenuListBox->OnDblClick = [this](fw::TObject*) { MenuListBoxDblClick(); };
    }
}

void TOptionEditors::ApplyRule()
{
    form.ApplyEnableChange();
}

// ---- Selection

void TOptionEditors::ListViewSelectItem(fw::TObject* sender)
{
    // The list finishes its selection change first; the refresh reads the newer selection.
    auto* list = dynamic_cast<fw::TListView*>(sender);
    if (list && list->Handle() && form.Handle())
        ::PostMessageW(form.Handle(), WM_OPTIONLISTSELECT, reinterpret_cast<WPARAM>(list->Handle()), 0);
}

void TOptionEditors::ListSelect(HWND list)
{
    if (!list)
        return;
    if (list == volumeRows.Handle())
        VolumeRefresh();
    else if (list == toolRows.Handle())
        ToolRefresh();
    else if (list == mouseRows.Handle())
        MouseRefresh();
    else if (list == keyRows.Handle())
        KeyRefresh();
}

LRESULT CALLBACK TOptionEditors::CheckBoxWatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                               DWORD_PTR data) noexcept
{
    auto* self = reinterpret_cast<TOptionEditors*>(data);
    try {
        if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
            POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (TReportRows(hwnd).OnCheckBox(p))
                self->ApplyRule();
        } else if (msg == WM_KEYDOWN && wParam == VK_SPACE) {
            self->ApplyRule();
        }
    } catch (...) {
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

// ---- Mouse

void TOptionEditors::MouseBeginUpdate()
{
    if (MouseComboBox)
        MouseComboBox->BeginUpdate();
    mouseRows.BeginUpdate();
}

void TOptionEditors::MouseEndUpdate()
{
    mouseRows.EndUpdate();
    if (MouseComboBox)
        MouseComboBox->EndUpdate();
    MouseRefresh();
}

void TOptionEditors::MouseComboClear()
{
    mouseItems.clear();
    if (MouseComboBox)
        MouseComboBox->Clear();
}

void TOptionEditors::MouseComboAdd(const std::wstring& hint)
{
    mouseItems.push_back(hint);
    if (MouseComboBox)
        MouseComboBox->Add(hint);
}

void TOptionEditors::MouseClear()
{
    Quiet q(*this);
    mouseRows.Clear();
}

void TOptionEditors::MouseAdd(int position, const std::wstring& caption)
{
    Quiet q(*this);
    int row = mouseRows.Add(caption);
    SetMouseRow(row, position);
}

int TOptionEditors::MouseCount() const
{
    return mouseRows.Count();
}

int TOptionEditors::MouseAction(int row) const
{
    if (row < 0 || row >= mouseRows.Count())
        return -1;
    return static_cast<int>(mouseRows.Data(row));
}

void TOptionEditors::SetMouseRow(int row, int position)
{
    if (position < -1 || position >= static_cast<int>(mouseItems.size()))
        position = -1;
    mouseRows.SetData(row, position);
    mouseRows.SetSubItem(row, MouseRowText(mouseItems, position));
}

void TOptionEditors::MouseRefresh()
{
    Quiet q(*this);
    const int row = mouseRows.Selected();
    if (MouseComboBox) {
        MouseComboBox->SetItemIndex(row >= 0 ? MouseAction(row) : -1);
        MouseComboBox->SetEnabled(row >= 0);
    }
    if (MouseDeleteButton)
        MouseDeleteButton->SetEnabled(row >= 0);
}

void TOptionEditors::MouseComboBoxChange()
{
    if (quiet || !MouseComboBox)
        return;
    const int row = mouseRows.Selected();
    if (row >= 0)
        SetMouseRow(row, MouseComboBox->ItemIndex());
    ApplyRule();
}

void TOptionEditors::MouseDeleteButtonClick()
{
    const int row = mouseRows.Selected();
    if (row >= 0) {
        SetMouseRow(row, -1);
        Quiet q(*this);
        if (MouseComboBox)
            MouseComboBox->SetItemIndex(-1);
    }
    ApplyRule();
}

// ---- Keyboard

void TOptionEditors::KeyBeginUpdate()
{
    keyRows.BeginUpdate();
}

void TOptionEditors::KeyEndUpdate()
{
    keyRows.EndUpdate();
    KeyRefresh();
}

void TOptionEditors::KeyClear()
{
    Quiet q(*this);
    keyRows.Clear();
    keyTaken.clear();
}

void TOptionEditors::KeyAdd(input::TShortCut value, const std::wstring& caption)
{
    Quiet q(*this);
    int row = keyRows.Add(caption);
    if (row < 0)
        return;
    keyTaken.resize(static_cast<size_t>(keyRows.Count()), false);
    SetKeyRow(row, value);
}

int TOptionEditors::KeyCount() const
{
    return keyRows.Count();
}

input::TShortCut TOptionEditors::KeyValue(int row) const
{
    return static_cast<input::TShortCut>(keyRows.Data(row) & 0xFFFF);
}

void TOptionEditors::SetKeyTaken(int row, bool taken)
{
    if (row < 0 || row >= static_cast<int>(keyTaken.size()))
        return;
    keyTaken[static_cast<size_t>(row)] = taken;
    keyRows.SetSubItem(row, KeyRowText(KeyValue(row), taken, KeyTakenFormat));
}

bool TOptionEditors::KeyTaken(int row) const
{
    return row >= 0 && row < static_cast<int>(keyTaken.size()) && keyTaken[static_cast<size_t>(row)];
}

void TOptionEditors::SetKeyRow(int row, input::TShortCut value)
{
    keyRows.SetData(row, value);
    // A new value has not been offered to the system yet.
    SetKeyTaken(row, false);
}

void TOptionEditors::KeyRefresh()
{
    Quiet q(*this);
    const int row = keyRows.Selected();
    if (KeyEdit) {
        KeyEdit->SetHotKey(row >= 0 ? KeyValue(row) : 0);
        KeyEdit->SetEnabled(row >= 0);
    }
    if (KeyDeleteButton)
        KeyDeleteButton->SetEnabled(row >= 0);
}

void TOptionEditors::KeyEditChange()
{
    if (quiet || !KeyEdit)
        return;
    const int row = keyRows.Selected();
    if (row >= 0)
        SetKeyRow(row, KeyEdit->HotKey());
    ApplyRule();
}

void TOptionEditors::KeyDeleteButtonClick()
{
    const int row = keyRows.Selected();
    if (row >= 0) {
        SetKeyRow(row, 0);
        Quiet q(*this);
        if (KeyEdit)
            KeyEdit->SetHotKey(0);
    }
    ApplyRule();
}

void TOptionEditors::KeyEditEnter()
{
    // Enter and Escape belong to the hotkey edit while it has the focus.
    if (!hotKeyEntered) {
        savedDefault = form.DefaultButton;
        savedCancel = form.CancelButton;
        form.DefaultButton = nullptr;
        form.CancelButton = nullptr;
        hotKeyEntered = true;
    }
    fw::Raise(form.OnHotKeyEnter, &form);
}

void TOptionEditors::KeyEditExit()
{
    if (hotKeyEntered) {
        form.DefaultButton = savedDefault;
        form.CancelButton = savedCancel;
        hotKeyEntered = false;
    }
    fw::Raise(form.OnHotKeyExit, &form);
}

// ---- Volume presets

void TOptionEditors::VolumeBeginUpdate()
{
    volumeRows.BeginUpdate();
}

void TOptionEditors::VolumeEndUpdate()
{
    volumeRows.EndUpdate();
    VolumeRefresh();
}

void TOptionEditors::VolumeClear()
{
    Quiet q(*this);
    volumeRows.Clear();
}

void TOptionEditors::VolumeAdd(int percent, const std::wstring& caption, bool checked)
{
    Quiet q(*this);
    int row = volumeRows.Add(caption);
    volumeRows.SetChecked(row, checked);
    SetVolumeRow(row, percent);
}

int TOptionEditors::VolumeCount() const
{
    return volumeRows.Count();
}

int TOptionEditors::VolumePercent(int row) const
{
    return static_cast<int>(volumeRows.Data(row));
}

bool TOptionEditors::VolumeChecked(int row) const
{
    return volumeRows.Checked(row);
}

void TOptionEditors::SetVolumeRow(int row, int percent)
{
    percent = std::clamp(percent, 0, 100);
    volumeRows.SetData(row, percent);
    volumeRows.SetSubItem(row, VolumeRowText(form.VolumeFormat, percent));
}

void TOptionEditors::VolumeRefresh()
{
    Quiet q(*this);
    const int row = volumeRows.Selected();
    if (VolumeBar) {
        VolumeBar->Bar().SetPosition(row >= 0 ? VolumePercent(row) : 0);
        VolumeBar->SetEnabled(row >= 0);
    }
    if (VolumeEdit)
        VolumeEdit->SetEnabled(row >= 0);
    VolumeBarChange(); // also when the position stayed: the edit shows it
}

void TOptionEditors::VolumeBarChange()
{
    if (!VolumeBar)
        return;
    const int position = VolumeBar->Bar().Position();
    const int row = volumeRows.Selected();
    if (row >= 0 && !quiet)
        SetVolumeRow(row, position);
    if (VolumeEdit && VolumeEdit->Handle())
        ::SetWindowTextW(VolumeEdit->Handle(), VolumeRowText(form.VolumeFormat, position).c_str());
}

// ---- Tools

void TOptionEditors::ToolBeginUpdate()
{
    toolRows.BeginUpdate();
}

void TOptionEditors::ToolEndUpdate()
{
    toolRows.EndUpdate();
    ToolRefresh();
}

void TOptionEditors::ToolClear()
{
    Quiet q(*this);
    toolRows.Clear();
}

void TOptionEditors::ToolAdd(const std::wstring& command, const std::wstring& name, bool checked)
{
    Quiet q(*this);
    int row = toolRows.Add(std::wstring());
    toolRows.SetChecked(row, checked);
    SetToolRow(row, name, command);
}

int TOptionEditors::ToolCount() const
{
    return toolRows.Count();
}

std::wstring TOptionEditors::ToolCommand(int row) const
{
    return toolRows.SubItem(row);
}

bool TOptionEditors::ToolChecked(int row) const
{
    return toolRows.Checked(row);
}

std::wstring TOptionEditors::ToolCaption(int row) const
{
    return toolRows.Caption(row);
}

std::wstring TOptionEditors::ToolName(int row) const
{
    return toolRows.Data(row) ? toolRows.Caption(row) : std::wstring();
}

void TOptionEditors::ShowToolDevice()
{
    if (!ToolDeviceLabel || !ToolComboBox || !ToolCommandEdit)
        return;
    // A device tool's command is an endpoint ID no one can read: its device's name beside it.
    const std::wstring command = ToolCommandEdit->Text();
    std::wstring name;
    for (int i = 0; i < ToolComboBox->Count() && name.empty() && !command.empty(); ++i) {
        if (ToolComboBox->ItemData(i) == command)
            name = ToolComboBox->Item(i);
    }
    ToolDeviceLabel->SetCaption(EscapeAccelerators(name));
}

void TOptionEditors::ToolDeviceBeginUpdate()
{
    if (ToolComboBox)
        ToolComboBox->BeginUpdate();
}

void TOptionEditors::ToolDeviceEndUpdate()
{
    if (ToolComboBox)
        ToolComboBox->EndUpdate();
    ToolRefresh(); // clearing the list also cleared the combo's text
}

void TOptionEditors::ToolDeviceClear()
{
    Quiet q(*this);
    if (ToolComboBox)
        ToolComboBox->Clear();
}

void TOptionEditors::ToolDeviceAdd(const std::wstring& command, const std::wstring& name)
{
    if (ToolComboBox)
        ToolComboBox->Add(name, command);
}

void TOptionEditors::SetToolRow(int row, const std::wstring& name, const std::wstring& command)
{
    // A row the user never named keeps no name: its caption is composed in the language of
    // the day wherever it shows.
    toolRows.SetData(row, name.empty() ? 0 : 1);
    toolRows.SetCaption(row, ToolRowCaption(name, form.ToolFormat, row));
    toolRows.SetSubItem(row, command);
}

void TOptionEditors::ToolRefresh()
{
    Quiet q(*this);
    const int row = toolRows.Selected();
    const bool on = row >= 0;
    if (ToolComboBox) {
        ToolComboBox->SetItemIndex(-1);
        ToolComboBox->SetText(on ? toolRows.Caption(row) : std::wstring());
        ToolComboBox->SetEnabled(on);
    }
    if (ToolCommandEdit) {
        ToolCommandEdit->SetText(on ? toolRows.SubItem(row) : std::wstring());
        ToolCommandEdit->SetEnabled(on);
    }
    if (ToolDialogButton)
        ToolDialogButton->SetEnabled(on);
    if (ToolDeleteButton)
        ToolDeleteButton->SetEnabled(on);
    ShowToolDevice();
}

void TOptionEditors::ToolEditChange()
{
    if (quiet || !ToolComboBox || !ToolCommandEdit)
        return;
    const int row = toolRows.Selected();
    if (row >= 0) {
        std::wstring name = ToolComboBox->Text();
        // The composed caption of an unnamed row, left as it was shown, names nothing.
        if (toolRows.Data(row) == 0 && name == ToolRowCaption(std::wstring(), form.ToolFormat, row))
            name.clear();
        SetToolRow(row, name, ToolCommandEdit->Text());
    }
    ShowToolDevice();
    ApplyRule();
}

void TOptionEditors::ToolComboBoxSelect()
{
    if (quiet || !ToolComboBox || !ToolCommandEdit)
        return;
    const int index = ToolComboBox->ItemIndex();
    if (index < 0)
        return;
    // While the list closes the combo's edit still holds the old text: take the entry's.
    const std::wstring name = ToolComboBox->Item(index);
    const std::wstring command = ToolComboBox->ItemData(index);
    {
        Quiet q(*this);
        ToolComboBox->SetText(name);
        ToolCommandEdit->SetText(command);
    }
    const int row = toolRows.Selected();
    if (row >= 0)
        SetToolRow(row, name, command);
    ApplyRule();
    ShowToolDevice();
}

void TOptionEditors::ToolDialogButtonClick()
{
    if (!form.OpenFile || !ToolComboBox || !ToolCommandEdit)
        return;
    const std::wstring file = form.OpenFile(form.ToolOpenDialogFilter);
    if (file.empty())
        return; // nothing chosen changes nothing
    {
        Quiet q(*this);
        ToolComboBox->SetText(FileTitle(file));
        ToolCommandEdit->SetText(file);
    }
    const int row = toolRows.Selected();
    if (row >= 0)
        SetToolRow(row, FileTitle(file), file);
    ApplyRule();
    if (ToolCommandEdit->CanFocus())
        ToolComboBox->SetFocus();
}

void TOptionEditors::ToolDeleteButtonClick()
{
    const int row = toolRows.Selected();
    if (row >= 0) {
        {
            Quiet q(*this);
            if (ToolComboBox)
                ToolComboBox->SetText(std::wstring());
            if (ToolCommandEdit)
                ToolCommandEdit->SetText(std::wstring());
        }
        SetToolRow(row, std::wstring(), std::wstring());
    }
    ApplyRule();
}

// ---- Icon sets

void TOptionEditors::IconBeginUpdate()
{
    if (IconListBox)
        IconListBox->BeginUpdate();
}

void TOptionEditors::IconEndUpdate()
{
    if (IconListBox)
        IconListBox->EndUpdate();
}

void TOptionEditors::IconClear()
{
    previews.Clear();
    if (IconListBox)
        IconListBox->Clear();
}

void TOptionEditors::IconAdd(const std::wstring& previewPath, bool checked)
{
    if (IconListBox)
        IconListBox->Add(previewPath, checked);
}

int TOptionEditors::IconCount() const
{
    return IconListBox ? IconListBox->Count() : 0;
}

bool TOptionEditors::IconChecked(int index) const
{
    return IconListBox && IconListBox->Checked(index);
}

std::wstring TOptionEditors::IconText(int index) const
{
    return IconListBox ? IconListBox->Item(index) : std::wstring();
}

void TOptionEditors::IconListBoxDrawItem(int index, HDC dc, const RECT& rect, bool selected)
{
    const int dpi = form.DpiManager ? form.DpiManager->Dpi() : 96;
    DrawIconSetItem(dc, rect, IconText(index), selected, PreviewSize(dpi, rect.bottom - rect.top), previews);
}

namespace {

std::vector<bool> Checks(const fw::TCheckListBox& list)
{
    std::vector<bool> checks(static_cast<size_t>(std::max(list.Count(), 0)));
    for (size_t i = 0; i < checks.size(); ++i)
        checks[i] = list.Checked(static_cast<int>(i));
    return checks;
}

void SetChecks(fw::TCheckListBox& list, const std::vector<bool>& checks)
{
    for (size_t i = 0; i < checks.size(); ++i) {
        if (list.Checked(static_cast<int>(i)) != checks[i])
            list.SetChecked(static_cast<int>(i), checks[i]);
    }
}

} // namespace

void TOptionEditors::IconListBoxClickCheck()
{
    if (!IconListBox)
        return;
    std::vector<bool> checks = Checks(*IconListBox);
    IconClickCheck(checks, IconListBox->ItemIndex());
    SetChecks(*IconListBox, checks);
    ApplyRule();
}

void TOptionEditors::IconListBoxDblClick()
{
    if (!IconListBox)
        return;
    std::vector<bool> checks = Checks(*IconListBox);
    IconDoubleClick(checks, IconListBox->ItemIndex());
    SetChecks(*IconListBox, checks);
    ApplyRule();
}

// ---- Menu display

void TOptionEditors::MenuBeginUpdate()
{
    if (MenuListBox)
        MenuListBox->BeginUpdate();
}

void TOptionEditors::MenuEndUpdate()
{
    if (MenuListBox)
        MenuListBox->EndUpdate();
}

void TOptionEditors::MenuClear()
{
    menuIndexMap.Clear();
    if (MenuListBox)
        MenuListBox->Clear();
}

void TOptionEditors::MenuAdd(bool shown, const std::wstring& hint, bool listed)
{
    int item = -1;
    if (listed && MenuListBox)
        item = MenuListBox->Add(hint, shown);
    menuIndexMap.Add(item >= 0, item);
}

bool TOptionEditors::MenuShown(int action) const
{
    const int item = menuIndexMap.Item(action);
    return item >= 0 && MenuListBox && MenuListBox->Checked(item);
}

void TOptionEditors::MenuListBoxDblClick()
{
    if (!MenuListBox)
        return;
    const int index = MenuListBox->ItemIndex();
    if (index >= 0 && index < MenuListBox->Count())
        MenuListBox->SetChecked(index, !MenuListBox->Checked(index));
    ApplyRule();
}

} // namespace lorvane
