#include "VolumeStep.h"

#include "Level.h"

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

} // namespace lorvane
