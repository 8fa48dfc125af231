#pragma once
// Value types shared by the master-volume facade and its backends.

namespace fw {
class TObject;
}

// Argument of TMasterVolume::OnChange; one byte, as the settings and events expect.
enum class TVolumeChange : unsigned char { vcVolume = 0, vcDevice = 1 };

// Cache mode of a backend: plNone reads through every time, plAuto caches what was read
// until the next notification, plAlway also refills the caches right after it.
enum class TPreload { plNone = 0, plAuto = 1, plAlway = 2 };
