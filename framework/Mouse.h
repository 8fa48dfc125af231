#pragma once
// Mouse buttons, the shift state that goes with a mouse event, and the event types that
// carry them (the tray icon, the system-wide mouse events and the bindings share them).

#include "Events.h"

namespace fw {

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// A set of the flags below.
using TShiftState = unsigned;
inline constexpr TShiftState ssShift = 0x01;
inline constexpr TShiftState ssAlt = 0x02;
inline constexpr TShiftState ssCtrl = 0x04;
inline constexpr TShiftState ssLeft = 0x08;
inline constexpr TShiftState ssRight = 0x10;
inline constexpr TShiftState ssMiddle = 0x20;
inline constexpr TShiftState ssDouble = 0x40;

using TMouseEvent = Event<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = Event<void(TObject* sender, TShiftState shift, int x, int y)>;

} // namespace fw
