#include "TextList.h"

#include "IniFile.h"

namespace lorvane {

const TDefaultText kDefaultTexts[txCount] = {
    {L"DefDevice", L"Volume"},
    {L"BarVolume", L"Volume: %d%%"},
    {L"BarMute", L"&Mute"},
    {L"IconVolume", L"$d: %d%%"},
    {L"IconMute", L"$d: Mute"},
    {L"IconMuteVol", L"$d: Mute (%d%%)"},
    {L"ActVolCaption", L"%s: %d%%"},
    {L"ActVolHint", L"Volume%d (%d%%)"},
    {L"ActToolCaption", L"Tool%d"},
    {L"ActToolHint", L"Tool%d (%s)"},
    {L"MenuVolCaption", L"Volume: %d%%"},
    {L"OptVolCaption", L"Volume%d"},
    {L"OptVolUnit", L"%d%%"},
    {L"OptDeviceKeep", L"(Keep)"},
    {L"OptToolCaption", L"Tool%d"},
    {L"OptClick", L"Click"},
    {L"OptDoubleClick", L"Double Click"},
    {L"OptRightClick", L"Right Click"},
    {L"OptWheelClick", L"Wheel Click"},
    {L"OptWheelUp", L"Wheel Up"},
    {L"OptWheelDown", L"Wheel Down"},
    {L"MsgVolume", L"Volume has been changed"},
    {L"DlgTitle", L"Warning"},
    {L"DlgYes", L"&Yes"},
    {L"DlgNo", L"&No"},
    {L"DlgCheckBox", L"&Do not show this message again."},
    {L"DlgMouse",
     L"'%s' is not assigned to the mouse.\\n\\nIn this setting, you may not be able to display the "
     L"setting.\\nDo you really want to apply this setting?"},
    {L"DlgMenu", L"'%s' in the menu is hidden.\\n\\nIn this setting, you may not be able to display the "
                 L"setting.\\nDo you really want to apply this setting?"},
    {L"DlgSave",
     L"The settings could not be saved to '%s'.\\n\\nThe disk may be full or the folder read-only."},
    {L"OptHotKeyTaken", L"%s (taken)"},
    {L"DlgSaveUnread",
     L"The settings could not be saved to '%s'.\\n\\nThe file could not be read when the program started, so "
     L"it is left as it was: none of its settings are lost."},
    {L"DlgApply", L"Not all settings could be applied, and nothing was saved to '%s'.\\n\\nThe system may be "
                  L"short of memory. Your changes are still in the dialog: try again with OK or Apply."},
    {L"DisplayVolume", L"%d%%"},
    {L"DisplayMute", L"Mute"},
    {L"AppSystemSounds", L"System Sounds"},
    {L"DlgAppWheelKeys", L"The keys for the application under the pointer are those of the mouse wheel.\\n\\n"
                         L"Choose other keys for one of them, or none for the application."},
};

TTextList::TTextList(int size) : entries(size > 0 ? static_cast<size_t>(size) : 0) {}

void TTextList::Set(int index, std::wstring text, std::wstring key)
{
    if (index < 0)
        return;
    if (static_cast<size_t>(index) >= entries.size())
        entries.resize(static_cast<size_t>(index) + 1);
    entries[static_cast<size_t>(index)] = {std::move(text), std::move(key)};
}

void TTextList::SetText(int index, std::wstring text)
{
    if (index < 0)
        return;
    if (static_cast<size_t>(index) >= entries.size())
        entries.resize(static_cast<size_t>(index) + 1);
    entries[static_cast<size_t>(index)].text = std::move(text);
}

const std::wstring& TTextList::Text(int index) const noexcept
{
    static const std::wstring empty;
    return index >= 0 && static_cast<size_t>(index) < entries.size()
               ? entries[static_cast<size_t>(index)].text
               : empty;
}

const std::wstring& TTextList::Key(int index) const noexcept
{
    static const std::wstring empty;
    return index >= 0 && static_cast<size_t>(index) < entries.size() ? entries[static_cast<size_t>(index)].key
                                                                     : empty;
}

void FillDefaultTexts(TTextList& list)
{
    for (int i = 0; i < txCount; ++i)
        list.Set(i, kDefaultTexts[i].text, kDefaultTexts[i].key);
}

std::wstring StripAccelerators(std::wstring_view caption)
{
    std::wstring text(caption);
    for (;;) {
        size_t pos = text.find(L"(&");
        // "(&&)" is an escaped "&" in brackets, not an accelerator.
        if (pos == std::wstring::npos || pos == 0 || pos + 3 >= text.size() || text[pos + 3] != L')' ||
            text[pos + 2] == L'&')
            break;
        text.erase(pos, 4);
    }
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&') {
            if (i + 1 < text.size() && text[i + 1] == L'&') {
                out += L'&';
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

std::wstring EscapeAccelerators(std::wstring_view text)
{
    std::wstring out;
    out.reserve(text.size() + 4);
    for (wchar_t c : text) {
        if (c == L'&')
            out += L'&';
        out += c;
    }
    return out;
}

std::wstring AcceleratorPrefix(int index)
{
    if (index >= 0 && index <= 8)
        return std::wstring(L"&") + static_cast<wchar_t>(L'1' + index);
    if (index == 9)
        return L"&0";
    if (index >= 10 && index <= 35)
        return std::wstring(L"&") + static_cast<wchar_t>(L'A' + index - 10);
    return {};
}

std::wstring InsertDevice(std::wstring_view text, std::wstring_view device)
{
    if (device.empty())
        return std::wstring(text);
    return fw::ReplaceAllIgnoreCase(text, L"$d", device);
}

std::wstring ExpandLineBreaks(std::wstring_view text)
{
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == L'n') {
            out += L"\r\n";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace lorvane
