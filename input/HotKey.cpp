#include "HotKey.h"
#include "IntText.h"

#include <windows.h>

namespace input {

TShortCut MakeHotKey(unsigned key, fw::TShiftState shift, bool win) noexcept
{
    if (key >= 256)
        return 0;
    unsigned value = key;
    if (win)
        value |= scWin;
    if (shift & fw::ssCtrl)
        value |= scCtrl;
    if (shift & fw::ssShift)
        value |= scShift;
    if (shift & fw::ssAlt)
        value |= scAlt;
    return static_cast<TShortCut>(value);
}

THotKeyParts SplitHotKey(TShortCut value) noexcept
{
    THotKeyParts parts;
    parts.Key = value & 0xFF;
    if (value & scCtrl)
        parts.Shift |= fw::ssCtrl;
    if (value & scShift)
        parts.Shift |= fw::ssShift;
    if (value & scAlt)
        parts.Shift |= fw::ssAlt;
    parts.Win = (value & scWin) != 0;
    return parts;
}

THotKeyRegistration HotKeyRegistration(TShortCut value) noexcept
{
    THotKeyRegistration r;
    r.Key = value & 0xFF;
    if (value & scAlt)
        r.Modifiers |= MOD_ALT;
    if (value & scCtrl)
        r.Modifiers |= MOD_CONTROL;
    if (value & scShift)
        r.Modifiers |= MOD_SHIFT;
    if (value & scWin)
        r.Modifiers |= MOD_WIN;
    return r;
}

const THotKeyNames& DefaultHotKeyNames()
{
    static const THotKeyNames names = {
        L"BkSp", L"Tab",   L"Enter", L"Pause/Break", L"\x534A\x89D2/\x5168\x89D2",
        L"Esc",  L"Space", L"PgUp",  L"PgDn",        L"End",
        L"Home", L"Left",  L"Up",    L"Right",       L"Down",
        L"Ins",  L"Del"};
    return names;
}

THotKeyNames& HotKeyNames()
{
    static THotKeyNames names = DefaultHotKeyNames();
    return names;
}

namespace {

const std::wstring& Name(const THotKeyNames& names, THotKeyName n)
{
    return names[static_cast<std::size_t>(n)];
}

std::wstring LayoutKeyName(unsigned key)
{
    const UINT scan = ::MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    if (scan == 0)
        return {};
    wchar_t buffer[64];
    const int length = ::GetKeyNameTextW(static_cast<LONG>(scan << 16), buffer, 64);
    if (length <= 0)
        return {};
    return std::wstring(buffer, static_cast<std::size_t>(length));
}

bool IsPureModifierValue(TShortCut value) noexcept
{
    return value >= 0x1000 && value % 0x1000 == 0;
}

} // namespace

std::wstring HotKeyKeyName(unsigned key, const THotKeyNames& names)
{
    switch (key) {
    case VK_BACK:
        return Name(names, THotKeyName::BkSp);
    case VK_TAB:
        return Name(names, THotKeyName::Tab);
    case VK_RETURN:
        return Name(names, THotKeyName::Enter);
    case VK_PAUSE:
        return Name(names, THotKeyName::PauseBreak);
    case 25: // the half-width/full-width key of Japanese keyboards, also reported as 243/244
    case 243:
    case 244:
        return Name(names, THotKeyName::HalfFull);
    case VK_ESCAPE:
        return Name(names, THotKeyName::Esc);
    case VK_INSERT:
        return Name(names, THotKeyName::Ins);
    case VK_DELETE:
        return Name(names, THotKeyName::Del);
    default:
        break;
    }
    if (key >= VK_SPACE && key <= VK_DOWN)
        return Name(names, static_cast<THotKeyName>(static_cast<int>(THotKeyName::Space) +
                                                    static_cast<int>(key - VK_SPACE)));
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return std::wstring(1, static_cast<wchar_t>(key));
    if (key >= VK_F1 && key <= VK_F24)
        return L"F" + fw::IntToStr(key - 111);
    return LayoutKeyName(key);
}

std::wstring HotKeyToText(TShortCut value, bool typing, const THotKeyNames& names)
{
    const std::wstring keyName = HotKeyKeyName(value & 0xFF, names);
    std::wstring text;
    if (typing || !keyName.empty()) {
        if (value & scWin)
            text += L"Win+";
        if (value & scCtrl)
            text += L"Ctrl+";
        if (value & scShift)
            text += L"Shift+";
        if (value & scAlt)
            text += L"Alt+";
        text += keyName;
    }
    if (text.empty() && value != 0 && (typing || !IsPureModifierValue(value))) {
        wchar_t hex[8];
        ::wsprintfW(hex, L"$%X", static_cast<unsigned>(value));
        text = hex;
    }
    return text;
}

std::wstring HotKeyToText(TShortCut value, bool typing)
{
    return HotKeyToText(value, typing, HotKeyNames());
}

} // namespace input
