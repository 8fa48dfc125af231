#include "Level.h"

#include <cmath>

namespace lorvane {

long long RoundHalfAway(long double x)
{
    return static_cast<long long>(x >= 0 ? std::trunc(x + 0.5L) : std::trunc(x - 0.5L));
}

long long PercentToLevel(long double percent, int min, int max)
{
    long double level = percent / 100 * (static_cast<long double>(max) - min) + min;
    // Keep absurd percentages inside the integer range; the facade clamps further.
    constexpr long double bound = 1e15L;
    if (level > bound)
        level = bound;
    if (level < -bound)
        level = -bound;
    return RoundHalfAway(level);
}

long long Scale(long double a, long double b, long double c, long double e, long double d)
{
    return static_cast<long long>(e) + RoundHalfAway((a - b) / (c - b) * (d - e));
}

} // namespace lorvane
