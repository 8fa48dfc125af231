#pragma once
// The list editors of the settings dialog: mouse bindings, hotkeys, volume presets, tools,
// icon sets and the menu items shown. Four are report lists with input controls below that
// edit the selected row, two are check lists. Like the rest of the dialog they only hold
// values: the main window fills them and reads them back through the operations below.

#include "Control.h"
#include "EditorRules.h"
#include "HotKey.h"
#include "IconDraw.h"
#include "ReportList.h"

#include <windows.h>

#include <string>
#include <vector>

namespace fw {
class TButton;
class TCheckListBox;
class TComboBox;
class TControl;
class TEdit;
class TListView;
class TObject;
} // namespace fw

namespace lorvane {

class THotKeyEdit;
class TOptionForm;
class TOptionTrackBar;
class TOptionUpDownEdit;

class TOptionEditors {
  public:
    // Connects to the dialog's controls and brings the four report lists into their state
    // for no selected row.
    explicit TOptionEditors(TOptionForm& form);
    ~TOptionEditors();
    TOptionEditors(const TOptionEditors&) = delete;
    TOptionEditors& operator=(const TOptionEditors&) = delete;

    // The refresh of the report list `list` after its selection changed (WM_OPTIONLISTSELECT).
    void ListSelect(HWND list);

    // ---- Mouse bindings: six rows, each the position of an action in the main action list
    // (-1 for none); the combo lists every action's hint by position.
    void MouseBeginUpdate();
    void MouseEndUpdate();
    void MouseComboClear();
    void MouseComboAdd(const std::wstring& hint);
    void MouseClear();
    void MouseAdd(int position, const std::wstring& caption);
    int MouseCount() const;
    int MouseAction(int row) const;

    // ---- Hotkeys: one row per action.
    void KeyBeginUpdate();
    void KeyEndUpdate();
    void KeyClear();
    void KeyAdd(input::TShortCut value, const std::wstring& caption);
    int KeyCount() const;
    input::TShortCut KeyValue(int row) const;
    // A registered hotkey the system refused is marked in its row until the row is edited.
    void SetKeyTaken(int row, bool taken);
    bool KeyTaken(int row) const;
    std::wstring KeyTakenFormat = kOptHotKeyTaken;

    // ---- Volume presets: percent and check per row; the second column through VolumeFormat.
    void VolumeBeginUpdate();
    void VolumeEndUpdate();
    void VolumeClear();
    void VolumeAdd(int percent, const std::wstring& caption, bool checked);
    int VolumeCount() const;
    int VolumePercent(int row) const;
    bool VolumeChecked(int row) const;

    // ---- Tools: name (the caption, or the numbered default through ToolFormat), command and
    // check per row; the combo's list offers the playback endpoints as "Device:" commands.
    void ToolBeginUpdate();
    void ToolEndUpdate();
    void ToolClear();
    void ToolAdd(const std::wstring& command, const std::wstring& name, bool checked);
    int ToolCount() const;
    std::wstring ToolCommand(int row) const;
    bool ToolChecked(int row) const;
    std::wstring ToolCaption(int row) const;
    // The name to store: empty for a row the user never named.
    std::wstring ToolName(int row) const;
    void ToolDeviceBeginUpdate();
    void ToolDeviceEndUpdate();
    void ToolDeviceClear();
    void ToolDeviceAdd(const std::wstring& command, const std::wstring& name);

    // ---- Icon sets: one item per usable set, its text the preview file; at most one checked.
    void IconBeginUpdate();
    void IconEndUpdate();
    void IconClear();
    void IconAdd(const std::wstring& previewPath, bool checked);
    int IconCount() const;
    bool IconChecked(int index) const;
    std::wstring IconText(int index) const;

    // ---- Menu display: one item per fixed action; shown(j) for every action position.
    void MenuBeginUpdate();
    void MenuEndUpdate();
    void MenuClear();
    void MenuAdd(bool shown, const std::wstring& hint, bool listed);
    bool MenuShown(int action) const;
    const TMenuIndexMap& MenuIndexMap() const noexcept { return menuIndexMap; }

    // The controls, for tests and the dialog (valid while the dialog lives).
    fw::TListView* MouseListView = nullptr;
    fw::TComboBox* MouseComboBox = nullptr;
    fw::TButton* MouseDeleteButton = nullptr;
    fw::TListView* KeyListView = nullptr;
    THotKeyEdit* KeyEdit = nullptr;
    fw::TButton* KeyDeleteButton = nullptr;
    fw::TListView* VolumeListView = nullptr;
    TOptionTrackBar* VolumeBar = nullptr;
    TOptionUpDownEdit* VolumeEdit = nullptr;
    fw::TListView* ToolListView = nullptr;
    fw::TComboBox* ToolComboBox = nullptr;
    fw::TEdit* ToolCommandEdit = nullptr;
    fw::TButton* ToolDialogButton = nullptr;
    fw::TButton* ToolDeleteButton = nullptr;
    fw::TLabel* ToolDeviceLabel = nullptr;
    fw::TCheckListBox* IconListBox = nullptr;
    fw::TCheckListBox* MenuListBox = nullptr;

  private:
    // Handlers run while no fill or refresh of the editors' own is under way.
    class Quiet;
    void Connect();
    void ApplyRule();
    void ListViewSelectItem(fw::TObject* sender);
    static LRESULT CALLBACK CheckBoxWatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR data) noexcept;

    // Mouse
    void MouseRefresh();
    void SetMouseRow(int row, int position);
    void MouseComboBoxChange();
    void MouseDeleteButtonClick();
    // Keyboard
    void KeyRefresh();
    void SetKeyRow(int row, input::TShortCut value);
    void KeyEditChange();
    void KeyDeleteButtonClick();
    void KeyEditEnter();
    void KeyEditExit();
    // Volume
    void VolumeRefresh();
    void SetVolumeRow(int row, int percent);
    void VolumeBarChange();
    // Tool
    void ToolRefresh();
    void ShowToolDevice();
    void SetToolRow(int row, const std::wstring& name, const std::wstring& command);
    void ToolEditChange();
    void ToolComboBoxSelect();
    void ToolDialogButtonClick();
    void ToolDeleteButtonClick();
    // Icon
    void IconListBoxDrawItem(int index, HDC dc, const RECT& rect, bool selected);
    void IconListBoxClickCheck();
    void IconListBoxDblClick();
    // Menu
    void MenuListBoxDblClick();

    TOptionForm& form;
    TReportRows mouseRows, keyRows, volumeRows, toolRows;
    std::vector<std::wstring> mouseItems; // the combo's texts by action position
    std::vector<bool> keyTaken;           // parallel to the hotkey rows
    TMenuIndexMap menuIndexMap;
    TPreviewCache previews;
    int quiet = 0;
    // The buttons that had the Enter and Escape roles while the hotkey edit has the focus.
    fw::TButton* savedDefault = nullptr;
    fw::TButton* savedCancel = nullptr;
    bool hotKeyEntered = false;
};

} // namespace lorvane
