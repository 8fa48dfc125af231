#pragma once
// Interfaces the simulator does not model (the audio client, sessions, meters...) come from
// the real default render endpoint of the system's own Core Audio, so that the system's
// sound functions, which enumerate devices through the simulated class too, still play
// where a real device exists.

#include <mmdeviceapi.h>

namespace endpointsim {

HRESULT ActivateOnSystemDevice(REFIID iid, DWORD context, PROPVARIANT* parameters, void** result) noexcept;

} // namespace endpointsim
