#pragma once
// TOptionForm: the settings dialog, a modeless tabbed window with the pages System,
// Operation, Mouse, Keyboard, Volume, Tool, Icon and About. It is a passive view: the main
// window fills it from its settings model, reads it back on OK and Apply and decides on
// closing; the dialog talks back only through its six events.

#include "DisplayPainter.h"
#include "DpiManager.h"
#include "Font.h"
#include "Form.h"
#include "OptionControls.h"
#include "Settings.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lorvane {

class TOptionEditors;
class TFileVersionInfo;
class TDisplayPreview;

// Posted by the report lists to the dialog itself (WM_APP + 10): wParam is the list's window.
constexpr UINT WM_OPTIONLISTSELECT = WM_APP + 10;

// Where the dialog's first position request leads (SetFormPosition): the point moved inside
// the work area, or nothing when the dialog would lie wholly outside it.
std::optional<POINT> PlaceInWorkArea(POINT p, SIZE size, const RECT& work);

// Where the dialog opens: a saved point moved inside the work area of its monitor; with none,
// or one wholly outside that area, centred in the work area of the cursor's monitor.
POINT PlaceDialog(POINT saved, SIZE size, const RECT& savedWork, const RECT& cursorWork);
// The resolution the dialog is laid out at: the monitor's, or as much less as it takes for a
// dialog of `design` size (at 96 dots per inch) to fit the work area, but never below 96.
int FitDpi(int dpi, SIZE design, SIZE work);
// The row height of a list with fixed rows: its design height at the resolution, or the
// font's line when that is taller.
int ListItemHeight(int designHeight, int dpi, int textHeight);
// The sound value rules: what is stored for a chosen value v, and what the combo shows.
std::wstring StoredSoundValue(const std::wstring& v, const std::wstring& baseFolder);
std::wstring ShownSoundValue(const std::wstring& v, const std::wstring& soundFolder,
                             const std::wstring& baseFolder);

// One modifier set cannot turn both the master and an application: the dialog refuses an
// application key set that equals the wheel's (none at all is no clash).
bool AppWheelKeysClash(unsigned wheelKeys, unsigned appWheelKeys) noexcept;

class TOptionForm : public fw::TForm {
  public:
    explicit TOptionForm(fw::TComponent* owner);
    ~TOptionForm() override;

    // Creates the window (hidden) with every control, then runs FormCreate. `helpButton`
    // puts the "?" in the caption (the application has a help file).
    bool Create(bool helpButton);

    // ---- Controls (valid after Create)
    fw::TPageControl* PageControl = nullptr;
    fw::TButton* OKButton = nullptr;
    fw::TButton* CancelButton = nullptr;
    fw::TButton* ApplyButton = nullptr;
    // System
    fw::TCheckBox* StartUpCheckBox = nullptr;
    TOptionUpDownEdit* WaitTimeEdit = nullptr;
    fw::TCheckBox* ResetCheckBox = nullptr;
    TOptionUpDownEdit* ReVolumeEdit = nullptr;
    fw::TCheckBox* ReMuteCheckBox = nullptr;
    fw::TComboBox* ReDeviceComboBox = nullptr;
    fw::TComboBox* LangComboBox = nullptr;
    // Operation
    TOptionUpDownEdit* LowStepEdit = nullptr;
    fw::TCheckBox* AccelStepCheckBox = nullptr;
    TOptionUpDownEdit* HighStepEdit = nullptr;
    fw::TCheckBox* RoundStepCheckBox = nullptr;
    fw::TCheckBox* AutoUnmuteCheckBox = nullptr;
    fw::TCheckBox* AutoMuteCheckBox = nullptr;
    fw::TCheckBox* SoundCheckBox = nullptr;
    fw::TComboBox* SoundComboBox = nullptr;
    fw::TButton* SoundDialogButton = nullptr;
    fw::TButton* SoundPlayButton = nullptr;
    TOptionUpDownEdit* SoundDelayEdit = nullptr;
    fw::TCheckBox* BalloonHintCheckBox = nullptr;
    TOptionUpDownEdit* BalloonTimeEdit = nullptr;
    // Mouse (wheel)
    fw::TRadioButton* NotifyIconButton = nullptr;
    fw::TRadioButton* TaskbarButton = nullptr;
    fw::TCheckBox* DesktopCheckBox = nullptr;
    fw::TCheckBox* DesktopCornerCheckBox = nullptr;
    fw::TCheckBox* NoForegroundWindowCheckBox = nullptr;
    TOptionUpDownEdit* WheelMarginEdit = nullptr;
    fw::TCheckBox* ShiftCheckBox = nullptr;
    fw::TCheckBox* AltCheckBox = nullptr;
    fw::TCheckBox* CtrlCheckBox = nullptr;
    fw::TCheckBox* WinCheckBox = nullptr;
    fw::TCheckBox* AppShiftCheckBox = nullptr;
    fw::TCheckBox* AppAltCheckBox = nullptr;
    fw::TCheckBox* AppCtrlCheckBox = nullptr;
    fw::TCheckBox* AppWinCheckBox = nullptr;
    fw::TCheckBox* BarApplicationsCheckBox = nullptr;
    // Icon
    fw::TCheckBox* IconMuteFixCheckBox = nullptr;
    // About
    fw::TLabel* FileNameLabel = nullptr;
    fw::TLabel* CopyrightLabel = nullptr;
    // Display
    fw::TCheckBox* DisplayCheckBox = nullptr;
    TOptionUpDownEdit* DisplayTimeEdit = nullptr;
    fw::TCheckBox* OutsideChangesCheckBox = nullptr;
    fw::TCheckBox* FullScreenCheckBox = nullptr;
    fw::TCheckBox* DisplayDeviceCheckBox = nullptr;
    TDisplayPreview* DisplayPreview = nullptr;

    // The list editors of the Mouse, Keyboard, Volume, Tool and Icon pages.
    TOptionEditors* Editors() const noexcept { return editors.get(); }

    // ---- Wheel areas and keys as the check boxes show them
    void SetWheelAreas(unsigned areas);
    unsigned WheelAreas() const;
    void SetWheelKeys(unsigned keys);
    unsigned WheelKeys() const;
    void SetAppWheelKeys(unsigned keys);
    unsigned AppWheelKeys() const;
    // Shows the Mouse page with the focus on the application's keys, after a refusal.
    void FocusAppWheelKeys();

    // ---- On-screen display: the [Display] settings as the page shows them
    void SetDisplaySettings(const TDisplaySettings& s);
    TDisplaySettings DisplaySettings();
    // What the preview takes from the main window besides the page's choices: the level, the
    // device's name, the font and the system's theme.
    display::TDisplayContent PreviewContent;
    std::wstring PreviewDevice;
    display::TDisplayLook PreviewLook;
    bool SystemDark = false;
    void RefreshDisplayPreview();

    // ---- Sound
    const std::wstring& SoundFolder() const noexcept { return soundFolder; }
    const std::wstring& BaseFolder() const noexcept { return baseFolder; }
    // Each gets a trailing backslash; the combo's list is refilled from the sound folder.
    void SetSoundFolders(const std::wstring& sound, const std::wstring& base);
    void SetSoundValue(const std::wstring& value);
    std::wstring SoundValue() const;
    // Plays the stored value (relative to the program folder), or beeps when it is empty.
    void PlaySoundFile();
    std::wstring ProgramDir; // the folder relative sound values resolve against
    std::function<bool(const std::wstring& file)> PlayFile;
    std::function<bool()> PlayBeep;
    // The file dialog; empty when nothing was chosen.
    std::function<std::wstring(const std::wstring& filter)> OpenFile;

    // ---- Reset device list
    void ReDeviceBeginUpdate();
    void ReDeviceEndUpdate();
    void ReDeviceClear();
    void ReDeviceAdd(const std::wstring& id, const std::wstring& text);
    // The last row whose ID equals `id`; no row when none does.
    void ReDeviceSelect(const std::wstring& id);
    std::wstring ReDeviceSelected() const;

    // ---- Language list
    void LangBeginUpdate();
    void LangEndUpdate();
    void LangClear();
    // A language file's name, and the name the language gives itself (shown when not empty).
    void LangAdd(const std::wstring& name, const std::wstring& ownName = {});
    void LangSelect(const std::wstring& name);
    std::wstring LangText() const;

    // ---- Pages
    void ActivatePage(int index);
    void ActivatePage(const std::wstring& name);
    int ActivePageIndex() const;
    std::wstring ActivePageCaption() const;

    // ---- Position
    void SetFormPosition(POINT p);
    POINT FormPosition() const;

    // ---- Language and font
    const std::wstring& AppliedLanguageFile() const noexcept { return appliedLanguageFile; }
    void ApplyLanguage(const std::wstring& file, bool force);
    void ApplyFont(const std::wstring& name, int size, int charset);
    // Rescales the dialog from its design resolution (96) to its monitor's.
    std::unique_ptr<support::TDpiManager> DpiManager;

    // ---- Formats given by the main window, for the list editors
    std::wstring ToolFormat;
    std::wstring VolumeFormat;
    // Filters of the two file dialogs (translated like captions).
    std::wstring SoundOpenDialogFilter = L"Audio Files (*.wav)|*.wav|All Files (*.*)|*.*";
    // The sound list's first row, standing for no file.
    std::wstring SoundBeepText = L"(System beep)";
    std::wstring ToolOpenDialogFilter = L"Executable Files (*.exe;*.com;*.bat;*.vbs;*.vbe;*.js;*.wsf)|"
                                        L"*.exe;*.com;*.bat;*.vbs;*.vbe;*.js;*.wsf|All Files (*.*)|*.*";

    // ---- About page: filled from the program's version record.
    void FillAbout(const std::wstring& description, const std::wstring& fileVersion,
                   const std::wstring& copyright, HICON icon);
    // The version record the About page shows (the running program's).
    std::unique_ptr<TFileVersionInfo> FileVersionInfo;

    // The Apply rule: any change of a value enables ApplyButton.
    void ApplyEnableChange();

    fw::TNotifyEvent OnButtonOk;
    fw::TNotifyEvent OnButtonCancel;
    fw::TNotifyEvent OnButtonApply;
    fw::TNotifyEvent OnButtonHelp;
    fw::TNotifyEvent OnHotKeyEnter;
    fw::TNotifyEvent OnHotKeyExit;

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;

  private:
    void FindControls();
    void ConnectHandlers();
    void FormCreate();
    void FormShow();
    void FitLastColumn(const wchar_t* listName);
    void CheckBoxEnableChange(fw::TObject* sender);
    void AccelStepCheckBoxClick();
    void DesktopCornerCheckBoxClick();
    void SoundComboBoxSelect();
    void SoundDialogButtonClick();
    void EqualiseButtonHeights();
    void FillSoundList();
    void FindDisplayControls();
    void ConnectDisplayHandlers();
    void DisplayCheckBoxClick();

    std::unique_ptr<TOptionEditors> editors;
    // The page's radio groups, in the order of the values they stand for.
    std::vector<fw::TRadioButton*> anchorButtons, sizeButtons, themeButtons, monitorButtons;
    std::wstring appliedLanguageFile;
    std::wstring soundFolder = L"\\";
    std::wstring baseFolder = L"\\";
    bool helpButton = false;
    // The font as the language asked for it (the design font Tahoma 8 pt at first).
    fw::TFontSpec fontSpec{L"Tahoma", 8, DEFAULT_CHARSET};
};

} // namespace lorvane
