#pragma once
// Changes of the simulated endpoints, shared by the COM objects and the control functions so
// that a change made either way is recorded and notified the same way. Each runs under an
// Access of the shared state and records a change only when something actually changed, as
// the platform notifies only real changes of level, mute, default or state.

#include "SharedState.h"

#include <string>
#include <vector>

namespace endpointsim {

constexpr float MinLevelDb = -65.25f;
constexpr float MaxLevelDb = 0.0f;
constexpr UINT VolumeSteps = 51; // 2 % per step

// Replaces every endpoint by the named active ones (none named: the two default ones),
// endpoint 0 the default of every role. False (and nothing changed) for more than
// MaxEndpoints names or a name that is empty or too long.
bool ResetSystem(SharedState::Access& access, const std::vector<std::wstring>& names) noexcept;
std::vector<std::wstring> DefaultEndpointNames();

// -1 when there is no such endpoint. IDs compare without regard to case.
int FindEndpoint(const Layout& data, const wchar_t* id) noexcept;
bool ValidIndex(const Layout& data, int index) noexcept;
bool IsActive(const Layout& data, int index) noexcept;

// AUDCLNT_E_DEVICE_INVALIDATED for an endpoint that is gone or disabled, E_INVALIDARG for a
// scalar outside 0..1 (or not a number).
HRESULT SetScalar(SharedState::Access& access, int index, float scalar, const GUID& context) noexcept;
HRESULT SetMute(SharedState::Access& access, int index, bool mute, const GUID& context) noexcept;

// E_INVALIDARG for an endpoint that does not exist or is not active, or a bad role.
HRESULT SetDefault(SharedState::Access& access, int index, int role) noexcept;

// Disabling a default endpoint hands its roles to the first other active endpoint (or to
// none); enabling one gives it the roles that had no default endpoint. So every role has a
// default exactly while some endpoint is active, which the system's wave functions assume.
HRESULT SetState(SharedState::Access& access, int index, bool active) noexcept;

// The new endpoint's index, or -1 when the table is full or the name empty or too long.
int AddEndpoint(SharedState::Access& access, const std::wstring& name) noexcept;

} // namespace endpointsim
