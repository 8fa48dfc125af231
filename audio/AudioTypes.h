#pragma once
// Value types and small helpers shared by the master-volume facade and its backends.

#include <cmath>

namespace fw {
class TObject;
}

// Argument of TMasterVolume::OnChange; one byte, as the settings and events expect.
enum class TVolumeChange : unsigned char { vcVolume = 0, vcDevice = 1 };

// Cache mode of a backend: plNone reads through every time, plAuto caches what was read
// until the next notification, plAlway also refills the caches right after it.
enum class TPreload { plNone = 0, plAuto = 1, plAlway = 2 };

namespace audio {

// Volume and mute as a change notification reported them.
struct TNotifiedVolume {
    float Scalar = 0.0f;
    bool Muted = false;
};

// A backend scalar held to 0.0..1.0 in extended precision; NaN counts as 0.0.
inline long double ClampedScalar(float scalar) noexcept
{
    if (std::isnan(scalar) || scalar < 0.0f)
        return 0.0L;
    return scalar > 1.0f ? 1.0L : static_cast<long double>(scalar);
}

// A cached read under Preload: served from the cache while valid, unless plNone.
template <typename T, typename Read> T Cached(TPreload preload, bool& valid, T& cache, Read read)
{
    if (preload != TPreload::plNone && valid)
        return cache;
    cache = read();
    valid = true;
    return cache;
}

} // namespace audio
