#pragma once
// Audio sessions of the simulated endpoints, changed under an Access of the shared state the
// way Endpoints.h changes the endpoints: each records (and so notifies) only a real change.

#include "SharedState.h"

#include <string>

namespace endpointsim {

// The display name the system sounds session has on the platform: an indirect string.
inline constexpr wchar_t SystemSoundsName[] = L"@%SystemRoot%\\System32\\AudioSrv.Dll,-202";

// The slot of the session, or -1.
int FindSession(const Layout& data, uint32_t session) noexcept;

// A new session on the endpoint at `endpointIndex`, owned by the process (0 and `system` for
// the system sounds session); its number, or 0 when the endpoint does not exist, the text
// does not fit or every slot holds a live session.
uint32_t OpenSession(SharedState::Access& access, int endpointIndex, uint32_t processId, uint64_t processCreated,
                     const std::wstring& displayName, const std::wstring& executable, uint32_t state,
                     bool system = false) noexcept;

// E_INVALIDARG for a volume outside 0..1, AUDCLNT_E_DEVICE_INVALIDATED for a session that
// has expired or gone.
HRESULT SetSessionVolume(SharedState::Access& access, uint32_t session, float volume, const GUID& context) noexcept;
HRESULT SetSessionMute(SharedState::Access& access, uint32_t session, bool mute, const GUID& context) noexcept;
HRESULT SetSessionState(SharedState::Access& access, uint32_t session, uint32_t state) noexcept;
HRESULT SetSessionName(SharedState::Access& access, uint32_t session, const wchar_t* name,
                       const GUID& context) noexcept;
HRESULT SetSessionIcon(SharedState::Access& access, uint32_t session, const wchar_t* path) noexcept;

// Every live session of the endpoint expires (it went away, or the system was reset).
void ExpireEndpointSessions(SharedState::Access& access, const wchar_t* endpointId) noexcept;
// The sessions of processes that ended without closing them expire, as the platform's do
// when their streams go.
void ExpireOrphanSessions(SharedState::Access& access) noexcept;

} // namespace endpointsim
