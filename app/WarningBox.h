#pragma once
// The warning box: a standard message box with a check box ("Do not show this message
// again.") between the text and the buttons, and button captions from the language file.

#include <windows.h>

#include <array>
#include <string>

namespace lorvane {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Button numbers; a set of buttons is a bit mask of (1 << number).
enum TMsgDlgBtn : int {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp,
    kMsgDlgBtnCount
};
using TMsgDlgButtons = unsigned;
constexpr TMsgDlgButtons MsgDlgButton(TMsgDlgBtn b)
{
    return 1u << b;
}

// A caption per button number; an empty one keeps the system's caption.
using TMsgDlgCaptions = std::array<std::wstring, kMsgDlgBtnCount>;

struct TWarning {
    std::wstring Text; // "\n" (two characters) is a line break
    TMsgDlgType Type = TMsgDlgType::mtWarning;
    std::wstring Title; // empty: the type's own title
    DWORD HelpContext = 0;
    std::wstring CheckBoxCaption; // empty: a notice without the check box
    TMsgDlgCaptions ButtonCaptions;
    TMsgDlgButtons Buttons = MsgDlgButton(mbOK);
    HWND Owner = nullptr;
};

// Shows the box modally and returns the pressed button's identifier (IDYES, IDNO, IDOK…;
// 0 when the box could not be shown). `checked` gives the check box's first state and
// receives its last one. The standard box offers Yes/No/OK/Cancel/Abort/Retry/Ignore and
// Help; All, NoToAll and YesToAll have no standard button and are left out.
int ShowWarning(const TWarning& warning, bool& checked);

// The message-box style for a type and a set of buttons.
UINT WarningBoxStyle(TMsgDlgType type, TMsgDlgButtons buttons);

// The dialog identifier of each standard button number (0 for those without one).
int StandardButtonId(TMsgDlgBtn button);

// Identifier of the added check box inside the box.
inline constexpr int kWarningCheckBoxId = 0x3F10;

} // namespace lorvane
