#pragma once
// Level arithmetic shared by the command line, the actions, the texts and the bar: percentages
// and scales between the facade's range and the ones users see, rounded half away from zero.

namespace lorvane {

// Round half away from zero.
long long RoundHalfAway(long double x);

// Level of a percentage on the facade's scale Min..Max.
long long PercentToLevel(long double percent, int min, int max);

// Scale(a; b..c -> e..d) = e + Round((a - b) / (c - b) * (d - e)).
long long Scale(long double a, long double b, long double c, long double e, long double d);

} // namespace lorvane
