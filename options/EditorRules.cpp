#include "EditorRules.h"

#include "Format.h"

#include <algorithm>
#include <cwctype>

namespace lorvane {

namespace {

// A format from a language file that does not fit its argument falls back to the built-in.
std::wstring FormatOr(const std::wstring& format, const wchar_t* fallback, const fw::FormatArg& arg)
{
    if (auto text = fw::Format(format, {arg}))
        return *text;
    return fw::Format(fallback, {arg}).value_or(std::wstring());
}

} // namespace

std::wstring ToolRowCaption(const std::wstring& name, const std::wstring& toolFormat, int row)
{
    if (!name.empty())
        return name;
    return FormatOr(toolFormat, kOptToolCaption, row + 1);
}

std::wstring VolumeRowText(const std::wstring& volumeFormat, int percent)
{
    return FormatOr(volumeFormat, kOptVolUnit, percent);
}

std::wstring VolumeRowCaption(const std::wstring& captionFormat, int row)
{
    return FormatOr(captionFormat, kOptVolCaption, row + 1);
}

std::wstring MouseRowText(const std::vector<std::wstring>& items, int position)
{
    if (position < 0 || position >= static_cast<int>(items.size()))
        return {};
    return items[static_cast<size_t>(position)];
}

std::wstring KeyRowText(input::TShortCut value, bool taken, const std::wstring& takenFormat)
{
    std::wstring text = input::HotKeyToText(value, false);
    if (!taken || value == 0)
        return text;
    return FormatOr(takenFormat, kOptHotKeyTaken, text);
}

std::wstring FileTitle(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/:");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0)
        name.resize(dot);
    return name;
}

std::wstring LastFolderName(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return {};
    std::wstring folder = path.substr(0, slash);
    size_t before = folder.find_last_of(L"\\/:");
    return before == std::wstring::npos ? folder : folder.substr(before + 1);
}

bool SilverSquareBehind(const std::wstring& setName, bool selected)
{
    if (selected)
        return false;
    std::wstring lower = setName;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t c) { return std::towlower(c); });
    return lower.find(L"white") != std::wstring::npos;
}

void IconClickCheck(std::vector<bool>& checks, int selected)
{
    for (size_t i = 0; i < checks.size(); ++i) {
        if (static_cast<int>(i) != selected)
            checks[i] = false;
    }
}

void IconDoubleClick(std::vector<bool>& checks, int index)
{
    for (size_t i = 0; i < checks.size(); ++i)
        checks[i] = static_cast<int>(i) == index;
}

std::wstring CheckedIconSet(const std::vector<std::wstring>& items, const std::vector<bool>& checks)
{
    for (size_t i = 0; i < items.size() && i < checks.size(); ++i) {
        if (checks[i])
            return LastFolderName(items[i]);
    }
    return {};
}

} // namespace lorvane
