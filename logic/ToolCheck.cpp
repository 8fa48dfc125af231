#include "ToolCheck.h"

#include "CommandLine.h"

namespace lorvane {

namespace {

bool Signed(const std::wstring& number)
{
    return !number.empty() && (number.front() == L'+' || number.front() == L'-');
}

bool SameLevel(const std::wstring& number, const ToolCheckState& s)
{
    std::optional<long double> percent = ParseDecimal(number, s.decimalSeparator);
    return percent && s.levelOfPercent && s.percentOfLevel &&
           s.percentOfLevel(s.levelOfPercent(*percent)) == s.levelPercent;
}

} // namespace

bool ToolCommandChecked(const std::wstring& command, const ToolCheckState& s)
{
    if (auto v = MatchVerb(command, L"Device:"))
        return *v != L"!" && !v->empty() && (*v == s.defaultDeviceId || *v == s.defaultDeviceName);
    if (auto v = MatchVerb(command, L"Mute:")) {
        std::optional<MuteValue> m = ParseMuteValue(*v);
        if (!m)
            return false;
        return *m == MuteValue::Off ? !s.muted : s.muted;
    }
    if (auto v = MatchVerb(command, L"Volume:")) {
        std::wstring number = v->substr(0, v->find(L'%'));
        return !Signed(number) && SameLevel(number, s);
    }
    if (auto v = MatchVerb(command, L"Sound:")) {
        size_t pct = v->find(L'%');
        if (pct == std::wstring::npos)
            return false;
        std::wstring number = Trim(v->substr(0, pct));
        bool mute = !number.empty() && number.front() == L'!';
        if (mute)
            number.erase(0, 1);
        std::wstring device = Trim(v->substr(pct + 1));
        return !Signed(number) && SameLevel(number, s) && mute == s.muted &&
               (device.empty() || device == s.defaultDeviceId || device == s.defaultDeviceName);
    }
    if (auto v = MatchVerb(command, L"Action:"))
        return s.actionChecked && s.actionChecked(*v);
    return false;
}

} // namespace lorvane
