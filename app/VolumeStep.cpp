#include "VolumeStep.h"

#include "CommandLine.h"

#include <algorithm>
#include <cmath>

namespace lorvane {

std::optional<int> ComputeStep(const StepRules& r, int current, int direction, int& burstCount)
{
    int step = r.lowStep;
    if (r.accelStep) {
        ++burstCount;
        if (burstCount >= r.accelStepCount)
            step = r.highStep;
    }
    if (direction * step == 0)
        return std::nullopt;
    long long next = std::clamp<long long>(static_cast<long long>(current) + static_cast<long long>(direction) * step,
                                           r.min, r.max);
    if (r.roundStep && r.max > r.min) {
        // Snap to the nearest of n + 1 evenly spaced points (whole percents for 655).
        long long n = RoundHalfAway(static_cast<long double>(r.max - r.min) / step);
        if (n > 0) {
            long long k = Scale(next, r.min, r.max, 0, n);
            next = Scale(k, 0, n, r.min, r.max);
        }
    }
    if (next == current)
        return std::nullopt;
    return static_cast<int>(next);
}

std::wstring StripAccelerators(const std::wstring& caption)
{
    std::wstring text = caption;
    for (;;) {
        size_t pos = text.find(L"(&");
        if (pos == std::wstring::npos || pos == 0 || pos + 3 >= text.size() || text[pos + 3] != L')')
            break;
        text.erase(pos, 4);
    }
    std::wstring out;
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

std::wstring PresetAccelerator(int index)
{
    if (index >= 0 && index <= 8)
        return std::wstring(L"&") + static_cast<wchar_t>(L'1' + index);
    if (index == 9)
        return L"&0";
    if (index >= 10 && index <= 35)
        return std::wstring(L"&") + static_cast<wchar_t>(L'A' + index - 10);
    return {};
}

} // namespace lorvane
