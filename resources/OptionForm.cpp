// The settings dialog as its designer laid it out at 96 DPI (client area 468 x 505).
// Rows are created in order, so the order is also the tab order; a parent comes before
// its children.
#include "OptionForm.h"

namespace lorvane {

namespace {

using fw::TControlDesc;

const TControlDesc kControls[] = {
    // Frame: the pages above, the buttons below.
    {L"TPanel", L"ClientPanel", L"", L"", 0, 0, 468, 471},
    {L"TPageControl", L"PageControl", L"ClientPanel", L"", 5, 5, 458, 461},
    {L"TPanel", L"ButtonPanel", L"", L"", 0, 471, 468, 34},
    {L"TButton", L"OKButton", L"ButtonPanel", L"OK", 187, 5, 88, 25, 0, L"Default=1;ModalResult=1"},
    {L"TButton", L"CancelButton", L"ButtonPanel", L"Cancel", 281, 5, 88, 25, 0, L"Cancel=1;ModalResult=2"},
    {L"TButton", L"ApplyButton", L"ButtonPanel", L"&Apply", 375, 5, 88, 25, WS_DISABLED},

    // System
    {L"TTabSheet", L"SystemSheet", L"PageControl", L"System", 0, 0, 0, 0},
    {L"TGroupBox", L"StartGroupBox", L"SystemSheet", L"Start", 8, 8, 432, 76},
    {L"TCheckBox", L"StartUpCheckBox", L"StartGroupBox", L"&Start automatically when Windows starts up", 12,
     20, 410, 17},
    {L"TLabel", L"WaitTimeLabel", L"StartGroupBox", L"Waiting time at startup:", 28, 48, 158, 13},
    {L"TUpDownEdit", L"WaitTimeEdit", L"StartGroupBox", L"", 190, 44, 60, 21, 0,
     L"MaxValue=3600;MaxLength=4;Increment=10"},
    {L"TLabel", L"WaitTimeUnitLabel", L"StartGroupBox", L"sec", 256, 48, 60, 13},
    {L"TGroupBox", L"ExitGroupBox", L"SystemSheet", L"Exit", 8, 92, 432, 132},
    {L"TCheckBox", L"ResetCheckBox", L"ExitGroupBox", L"&Reset the volume when exiting Windows", 12, 20, 410,
     17},
    {L"TLabel", L"ReVolumeLabel", L"ExitGroupBox", L"Volume:", 28, 48, 158, 13},
    {L"TUpDownEdit", L"ReVolumeEdit", L"ExitGroupBox", L"", 190, 44, 60, 21, 0, L"MaxValue=100;MaxLength=3"},
    {L"TLabel", L"ReVolumeUnitLabel", L"ExitGroupBox", L"%", 256, 48, 40, 13},
    {L"TCheckBox", L"ReMuteCheckBox", L"ExitGroupBox", L"&Mute", 28, 72, 380, 17},
    {L"TLabel", L"ReDeviceLabel", L"ExitGroupBox", L"Default Device:", 28, 100, 158, 13},
    {L"TComboBox", L"ReDeviceComboBox", L"ExitGroupBox", L"", 190, 96, 230, 21, 0,
     L"Style=List;DropDownCount=20"},
    {L"TGroupBox", L"LangGroupBox", L"SystemSheet", L"Language", 8, 232, 432, 56},
    {L"TComboBox", L"LangComboBox", L"LangGroupBox", L"", 12, 22, 408, 21, 0, L"Style=List;DropDownCount=20"},

    // Operation
    {L"TTabSheet", L"OperationSheet", L"PageControl", L"Operation", 0, 0, 0, 0},
    {L"TGroupBox", L"ControlGroupBox", L"OperationSheet", L"Volume", 8, 8, 432, 148},
    {L"TLabel", L"LowStepLabel", L"ControlGroupBox", L"Volume Step:", 12, 24, 170, 13},
    {L"TUpDownEdit", L"LowStepEdit", L"ControlGroupBox", L"", 190, 20, 60, 21, 0,
     L"MaxValue=100;MaxLength=3"},
    {L"TLabel", L"LowStepUnitLabel", L"ControlGroupBox", L"%", 256, 24, 40, 13},
    {L"TCheckBox", L"AccelStepCheckBox", L"ControlGroupBox", L"A&cceleration:", 12, 50, 174, 17},
    {L"TUpDownEdit", L"HighStepEdit", L"ControlGroupBox", L"", 190, 48, 60, 21, 0,
     L"MaxValue=100;MaxLength=3"},
    {L"TLabel", L"AccelStepUnitLabel", L"ControlGroupBox", L"%", 256, 52, 40, 13},
    {L"TCheckBox", L"RoundStepCheckBox", L"ControlGroupBox", L"&Step by rounding number", 12, 78, 410, 17},
    {L"TCheckBox", L"AutoUnmuteCheckBox", L"ControlGroupBox", L"&Off mute at changing volume", 12, 100, 410,
     17},
    {L"TCheckBox", L"AutoMuteCheckBox", L"ControlGroupBox", L"&Mute when volume is zero", 12, 122, 410, 17},
    {L"TGroupBox", L"SoundGroupBox", L"OperationSheet", L"Beep", 8, 164, 432, 102},
    {L"TCheckBox", L"SoundCheckBox", L"SoundGroupBox", L"&Change sound:", 12, 20, 410, 17},
    {L"TComboBox", L"SoundComboBox", L"SoundGroupBox", L"", 28, 42, 290, 21, 0,
     L"Style=Edit;DropDownCount=20"},
    {L"TButton", L"SoundDialogButton", L"SoundGroupBox", L"...", 322, 42, 25, 21},
    {L"TButton", L"SoundPlayButton", L"SoundGroupBox", L"&Play", 351, 42, 69, 21},
    {L"TLabel", L"SoundDelayLabel", L"SoundGroupBox", L"Delay time:", 28, 74, 158, 13},
    {L"TUpDownEdit", L"SoundDelayEdit", L"SoundGroupBox", L"", 190, 70, 60, 21, 0,
     L"MaxValue=9999;MaxLength=4;Increment=10"},
    {L"TLabel", L"SoundDelayUnitLabel", L"SoundGroupBox", L"ms", 256, 74, 60, 13},
    {L"TGroupBox", L"NotifyGroupBox", L"OperationSheet", L"Notify", 8, 274, 432, 76},
    {L"TCheckBox", L"BalloonHintCheckBox", L"NotifyGroupBox",
     L"&Display notification window when volume is changed", 12, 20, 410, 17},
    {L"TLabel", L"BalloonTimeLabel", L"NotifyGroupBox", L"Time to display:", 28, 48, 158, 13},
    {L"TUpDownEdit", L"BalloonTimeEdit", L"NotifyGroupBox", L"", 190, 44, 60, 21, 0,
     L"MaxValue=3600;MaxLength=3"},
    {L"TLabel", L"BalloonTimeUnitLabel", L"NotifyGroupBox", L"sec", 256, 48, 60, 13},

    // Mouse
    {L"TTabSheet", L"MouseSheet", L"PageControl", L"Mouse", 0, 0, 0, 0},
    {L"TGroupBox", L"MouseGroupBox", L"MouseSheet", L"Mouse operation", 8, 8, 432, 232},
    {L"TListView", L"MouseListView", L"MouseGroupBox", L"", 12, 20, 408, 142, 0,
     L"Columns=Button:170,Action:220"},
    {L"TGroupBox", L"MouseInputGroupBox", L"MouseGroupBox", L"Action", 12, 168, 408, 54},
    {L"TComboBox", L"MouseComboBox", L"MouseInputGroupBox", L"", 10, 20, 300, 21, 0,
     L"Style=List;DropDownCount=20"},
    {L"TButton", L"MouseDeleteButton", L"MouseInputGroupBox", L"&Delete", 318, 20, 80, 21},
    {L"TGroupBox", L"MouseWheelGroupBox", L"MouseSheet", L"Mouse wheel", 8, 248, 432, 156},
    {L"TLabel", L"AreaLabel", L"MouseWheelGroupBox", L"Area to react:", 12, 20, 410, 13},
    {L"TRadioButton", L"NotifyIconButton", L"MouseWheelGroupBox", L"&Icon in notification area", 24, 38, 200,
     17},
    {L"TRadioButton", L"TaskbarButton", L"MouseWheelGroupBox", L"&Taskbar", 230, 38, 190, 17},
    {L"TCheckBox", L"DesktopCheckBox", L"MouseWheelGroupBox", L"&Desktop", 24, 58, 200, 17},
    {L"TCheckBox", L"NoForegroundWindowCheckBox", L"MouseWheelGroupBox", L"&Outside", 230, 58, 190, 17, 0,
     L"Visible=0"},
    {L"TCheckBox", L"DesktopCornerCheckBox", L"MouseWheelGroupBox", L"Screen &edge:", 24, 80, 120, 17},
    {L"TUpDownEdit", L"WheelMarginEdit", L"MouseWheelGroupBox", L"", 150, 78, 60, 21, 0,
     L"MaxValue=999;MaxLength=3"},
    {L"TLabel", L"WheelMarginUnitLabel", L"MouseWheelGroupBox", L"pixels", 216, 82, 80, 13},
    {L"TLabel", L"KeyLabel", L"MouseWheelGroupBox", L"Key to react:", 12, 108, 410, 13},
    {L"TCheckBox", L"ShiftCheckBox", L"MouseWheelGroupBox", L"&Shift", 24, 126, 90, 17},
    {L"TCheckBox", L"AltCheckBox", L"MouseWheelGroupBox", L"A&lt", 118, 126, 90, 17},
    {L"TCheckBox", L"CtrlCheckBox", L"MouseWheelGroupBox", L"&Ctrl", 212, 126, 90, 17},
    {L"TCheckBox", L"WinCheckBox", L"MouseWheelGroupBox", L"&Win", 306, 126, 90, 17},

    // Keyboard
    {L"TTabSheet", L"KeyboardSheet", L"PageControl", L"Keyboard", 0, 0, 0, 0},
    {L"TGroupBox", L"KeyGroupBox", L"KeyboardSheet", L"Keyboard operation", 8, 8, 432, 396},
    {L"TListView", L"KeyListView", L"KeyGroupBox", L"", 12, 20, 408, 306, 0,
     L"Columns=Action:220,Hotkey:170"},
    {L"TGroupBox", L"KeyInputGroupBox", L"KeyGroupBox", L"Hotkey", 12, 332, 408, 54},
    {L"THotKeyEdit", L"KeyEdit", L"KeyInputGroupBox", L"", 10, 20, 300, 21},
    {L"TButton", L"KeyDeleteButton", L"KeyInputGroupBox", L"&Delete", 318, 20, 80, 21},

    // Volume
    {L"TTabSheet", L"VolumeSheet", L"PageControl", L"Volume", 0, 0, 0, 0},
    {L"TGroupBox", L"VolumeGroupBox", L"VolumeSheet", L"Volume registration", 8, 8, 432, 396},
    {L"TListView", L"VolumeListView", L"VolumeGroupBox", L"", 12, 20, 408, 290, 0,
     L"Checkboxes=1;Columns=Action:170,Volume:220"},
    {L"TGroupBox", L"VolumeInputGroupBox", L"VolumeGroupBox", L"Volume", 12, 316, 408, 70},
    {L"TTrackBarEx", L"VolumeBar", L"VolumeInputGroupBox", L"", 10, 18, 320, 40, 0,
     L"Max=100;PageSize=10;Frequency=10;ThumbLength=18"},
    {L"TUpDownEdit", L"VolumeEdit", L"VolumeInputGroupBox", L"", 338, 24, 60, 21, 0,
     L"MaxValue=100;ReadOnly=1;VisibleButton=0;TabStop=0"},

    // Tool
    {L"TTabSheet", L"ToolSheet", L"PageControl", L"Tool", 0, 0, 0, 0},
    {L"TGroupBox", L"ToolGroupBox", L"ToolSheet", L"Tool registration", 8, 8, 432, 396},
    {L"TListView", L"ToolListView", L"ToolGroupBox", L"", 12, 20, 408, 274, 0,
     L"Checkboxes=1;Columns=Name:160,Command:230"},
    {L"TGroupBox", L"ToolInputGroupBox", L"ToolGroupBox", L"Tool", 12, 300, 408, 86},
    {L"TComboBox", L"ToolComboBox", L"ToolInputGroupBox", L"", 10, 20, 388, 21, 0,
     L"Style=Edit;DropDownCount=20"},
    {L"TEdit", L"ToolCommandEdit", L"ToolInputGroupBox", L"", 10, 52, 270, 21},
    {L"TButton", L"ToolDialogButton", L"ToolInputGroupBox", L"...", 286, 52, 25, 21},
    {L"TButton", L"ToolDeleteButton", L"ToolInputGroupBox", L"&Delete", 318, 52, 80, 21},

    // Icon
    {L"TTabSheet", L"IconSheet", L"PageControl", L"Icon", 0, 0, 0, 0},
    {L"TGroupBox", L"IconGroupBox", L"IconSheet", L"Icon selection", 8, 8, 432, 200},
    {L"TCheckListBox", L"IconListBox", L"IconGroupBox", L"", 12, 20, 408, 148, 0,
     L"Sorted=1;ItemHeight=18;Columns=2"},
    {L"TCheckBox", L"IconMuteFixCheckBox", L"IconGroupBox", L"&Always display 0% when muting", 12, 174, 410,
     17},
    {L"TGroupBox", L"MenuGroupBox", L"IconSheet", L"Menu display", 8, 216, 432, 188},
    {L"TCheckListBox", L"MenuListBox", L"MenuGroupBox", L"", 12, 20, 408, 158, 0, L"ItemHeight=13;Columns=2"},

    // About
    {L"TTabSheet", L"AboutSheet", L"PageControl", L"About", 0, 0, 0, 0},
    {L"TGroupBox", L"VersionGroupBox", L"AboutSheet", L"Version", 8, 8, 432, 116},
    {L"TImage", L"IconImage", L"VersionGroupBox", L"", 16, 24, 32, 32},
    {L"TLabel", L"FileNameLabel", L"VersionGroupBox", L"", 60, 26, 360, 13, SS_NOPREFIX},
    {L"TLabel", L"CopyrightLabel", L"VersionGroupBox", L"", 60, 46, 360, 13, SS_NOPREFIX},
    {L"TButton", L"VersionUpButton", L"VersionGroupBox", L"&Check for updates", 60, 76, 193, 25},
};

} // namespace

const fw::TFormDesc kOptionFormDesc = {
    L"OptionForm",
    L"Lorvane",
    468,
    505,
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
    WS_EX_DLGMODALFRAME,
    kControls,
    sizeof(kControls) / sizeof(kControls[0]),
};

} // namespace lorvane
