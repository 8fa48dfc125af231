#include "VolumeText.h"

#include "Level.h"
#include "Format.h"
#include "IntText.h"

#include <cwctype>
#include <optional>

namespace lorvane {

namespace {

bool SameIgnoringCase(wchar_t a, wchar_t b)
{
    return std::towlower(a) == std::towlower(b);
}

// Every occurrence of the two-character `pattern`, compared without regard to case; the
// inserted text is not searched again.
std::wstring ReplaceIgnoringCase(std::wstring_view text, std::wstring_view pattern, std::wstring_view by)
{
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (i + pattern.size() <= text.size() && SameIgnoringCase(text[i], pattern[0]) &&
            SameIgnoringCase(text[i + 1], pattern[1])) {
            out.append(by);
            i += pattern.size();
        } else {
            out.push_back(text[i++]);
        }
    }
    return out;
}

// A device name goes into the text that is formatted: its "%" must stay a percent sign.
std::wstring Literal(std::wstring_view word)
{
    std::wstring out;
    for (wchar_t c : word) {
        out.push_back(c);
        if (c == L'%')
            out.push_back(L'%');
    }
    return out;
}

} // namespace

std::wstring FormatVolumeText(int level, std::wstring_view format, bool withDevice,
                              const TVolumeTextContext& c)
{
    const bool range = c.Max > c.Min;
    const long long percent = range ? Scale(level, c.Min, c.Max, 0, 100) : 0;
    const double real =
        range ? (static_cast<double>(level) - c.Min) / (static_cast<double>(c.Max) - c.Min) * 100.0 : 0.0;

    // Before the device words go in, so that a "%d" in a device name is never touched.
    std::wstring text = c.FormatRealVol ? ReplaceIgnoringCase(format, L"%d", L"%f") : std::wstring(format);

    const std::wstring& generic = c.DefDevice;
    const std::wstring& shortName = c.ShortName;
    std::wstring word;
    if (c.FormatDevice < 0 || static_cast<size_t>(c.FormatDevice) < shortName.size())
        word = generic.empty() ? shortName : generic;
    else
        word = shortName.empty() ? generic : shortName;
    if (!word.empty())
        text = ReplaceIgnoringCase(text, L"$d", Literal(word));
    if (c.FormatDevice < 0 && withDevice && !c.FullName.empty())
        text += L"\r\n" + Literal(c.FullName);

    const fw::TFormatSettings settings{c.DecimalSeparator};
    std::optional<std::wstring> out;
    if (!c.FormatRealVol)
        out = fw::Format(text, {percent}, settings);
    if (!out)
        out = fw::Format(text, {real}, settings);
    return out ? *out : fw::IntToStr(percent);
}

} // namespace lorvane
