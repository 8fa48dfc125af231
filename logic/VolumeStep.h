#pragma once
// The volume step: acceleration within a burst, rounding to evenly spaced step points,
// clamping. Pure, so every rule is tested without timers or a device.

#include <optional>

namespace lorvane {

struct StepRules {
    int min = 0, max = 65535;
    int lowStep = 655, highStep = 3276;
    bool accelStep = true;
    int accelStepCount = 6;
    bool roundStep = true;
};

// One step in `direction` (+1 or -1) from `current`. With acceleration on, `burstCount`
// counts this step and decides between the low and the high step. Returns the new level,
// or nothing when the level would not change.
std::optional<int> ComputeStep(const StepRules& rules, int current, int direction, int& burstCount);

} // namespace lorvane
