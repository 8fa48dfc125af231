#pragma once
// The 16-bit hotkey value shared by the settings file, the hotkey registration and the
// hotkey edit, and its text form.
//
//   15   14   13   12   11..8   7..........0
//  +----+----+----+----+-------+-------------+
//  |Alt |Ctrl|Shft|Win |   0   | virtual key |   0 = no hotkey
//  +----+----+----+----+-------+-------------+
//
// Bits 13-15 are the window system's own menu-shortcut flags; bit 12 adds the Windows key.

#include "Mouse.h"

#include <array>
#include <cstdint>
#include <string>

namespace input {

using TShortCut = std::uint16_t;

inline constexpr TShortCut scWin = 0x1000;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

// 0 when key is not a virtual-key code (256 or more). Only the shift, ctrl and alt flags of
// `shift` count.
TShortCut MakeHotKey(unsigned key, fw::TShiftState shift, bool win) noexcept;

struct THotKeyParts {
    unsigned Key = 0;
    fw::TShiftState Shift = 0;
    bool Win = false;
};
THotKeyParts SplitHotKey(TShortCut value) noexcept;

// The MOD_* flags and the key that RegisterHotKey takes for a value.
struct THotKeyRegistration {
    unsigned Modifiers = 0;
    unsigned Key = 0;
};
THotKeyRegistration HotKeyRegistration(TShortCut value) noexcept;

// The key names a language file can replace, in the order of THotKeyNames.
enum class THotKeyName {
    BkSp,
    Tab,
    Enter,
    PauseBreak,
    HalfFull,
    Esc,
    Space,
    PgUp,
    PgDn,
    End,
    Home,
    Left,
    Up,
    Right,
    Down,
    Ins,
    Del,
    Count
};
using THotKeyNames = std::array<std::wstring, static_cast<std::size_t>(THotKeyName::Count)>;
// The English defaults.
const THotKeyNames& DefaultHotKeyNames();
// The names HotKeyToText uses; the language texts replace them here (UI thread only).
THotKeyNames& HotKeyNames();

// The name of a key code alone: the table above, the character of digits and letters,
// "F1".."F24", else the keyboard layout's name; empty when there is none.
std::wstring HotKeyKeyName(unsigned key, const THotKeyNames& names);

// The text form, e.g. 0x5041 "Win+Ctrl+A". While the user is typing (Typing) a value of
// modifiers alone reads as those modifiers ("Ctrl+"); otherwise it reads empty. A value
// whose key has no name reads "$" and its hexadecimal digits.
std::wstring HotKeyToText(TShortCut value, bool typing, const THotKeyNames& names);
std::wstring HotKeyToText(TShortCut value, bool typing = false);

} // namespace input
