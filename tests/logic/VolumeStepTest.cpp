#include "VolumeStep.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace lorvane;

std::optional<int> Step(const StepRules& r, int current, int direction)
{
    int burst = 0;
    return ComputeStep(r, current, direction, burst);
}

TEST(VolumeStep, DefaultsSnapToWholePercents)
{
    StepRules r;
    EXPECT_EQ(Step(r, 0, +1), 655);
    EXPECT_EQ(Step(r, 33000, +1), 33423); // 51 %
    EXPECT_EQ(Step(r, 33000, -1), 32112); // 49 %
    EXPECT_EQ(Step(r, 65535, +1), std::nullopt); // at the top nothing changes
    EXPECT_EQ(Step(r, 0, -1), std::nullopt);
    EXPECT_EQ(Step(r, 65000, +1), 65535);
}

TEST(VolumeStep, WithoutRoundingStepsAndClamps)
{
    StepRules r;
    r.roundStep = false;
    EXPECT_EQ(Step(r, 100, +1), 755);
    EXPECT_EQ(Step(r, 100, -1), 0);
    EXPECT_EQ(Step(r, 65500, +1), 65535);
}

TEST(VolumeStep, HighStepUsesTheTwentyPointGrid)
{
    StepRules r;
    r.accelStepCount = 1; // every step is a high step
    EXPECT_EQ(Step(r, 0, +1), 3277);
    EXPECT_EQ(Step(r, 3277, +1), 6554);
}

TEST(VolumeStep, BurstUsesLowStepsThenHighSteps)
{
    StepRules r;
    int burst = 0;
    int level = 0;
    std::vector<int> levels;
    for (int i = 0; i < 7; ++i) {
        level = ComputeStep(r, level, +1, burst).value_or(level);
        levels.push_back(level);
    }
    // Five low steps (1 % each), then high steps on the 5 % grid.
    EXPECT_EQ(levels, (std::vector<int>{655, 1311, 1966, 2621, 3277, 6554, 9830}));
    EXPECT_EQ(burst, 7);

    burst = 0; // the burst timer fired: a new burst starts low again
    EXPECT_EQ(ComputeStep(r, level, +1, burst), 10486);

    r.accelStep = false; // off: always low, the count is untouched
    burst = 9;
    EXPECT_EQ(ComputeStep(r, 0, +1, burst), 655);
    EXPECT_EQ(burst, 9);
}

TEST(VolumeStep, ZeroStepDoesNothing)
{
    StepRules r;
    r.lowStep = 0;
    r.accelStep = false;
    EXPECT_EQ(Step(r, 1000, +1), std::nullopt);
}

} // namespace
