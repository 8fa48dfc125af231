#pragma once
// In-process control of the endpoint simulator's shared state, for tests and for
// endpointsim.exe. Every change notifies the processes that registered callbacks, exactly
// as a change made by another program would.

#include <cstdint>
#include <string>
#include <vector>

namespace endpointsim {

struct EndpointInfo {
    int index = 0;
    std::wstring id;   // "{0.0.0.00000000}.{GUID}"
    std::wstring name; // friendly name
    bool active = true;
    float scalar = 1.0f;
    bool mute = false;
    bool isDefault = false; // default for the console role
};

// Points this process (and the processes it starts, through the environment variable
// LORVANE_ENDPOINTSIM_STATE) at its own state file, so test programs run in parallel do not
// share one simulated system. Call before the first use of the simulator in the process.
void UseStateFile(const std::wstring& path);
// A path in the folder of the state file currently configured (or of the default one), for
// UseStateFile: StateFileBeside(L"MyTest.state").
std::wstring StateFileBeside(const std::wstring& fileName);

// A fresh system: the named active render endpoints (none named: "Speakers (High
// Definition Audio Device)" and "Headset (USB Audio Device)"), endpoint 0 the default for
// every role, volume 1.0, not muted.
bool Reset(const std::vector<std::wstring>& names = {});
std::vector<EndpointInfo> Show();

// index -1 means the console default endpoint. Each returns false for a bad index, a
// disabled endpoint (volume, mute, default) or a scalar outside 0..1.
bool SetVolume(float scalar, int index = -1);
bool SetMute(bool mute, int index = -1);
bool SetDefault(int index);        // every role
int Add(const std::wstring& name); // the new endpoint's index, or -1
bool SetState(int index, bool active);
// Every later call of a client through the simulated interfaces takes `ms` longer (0 ends it;
// a reset ends it too).
bool SetDelay(unsigned ms);

// Audio sessions of the default console endpoint. Those of processes that ended without
// closing them expire before they are listed.
struct SessionInfo {
    uint32_t session = 0;
    unsigned long processId = 0; // 0 for the system sounds session
    std::wstring executable;     // file name; empty for the system sounds session
    std::wstring displayName;
    int state = 0; // 0 inactive, 1 active (AudioSessionState)
    float volume = 1.0f;
    bool mute = false;
    bool system = false;
};
std::vector<SessionInfo> Sessions();
// Every live session of the process on the default endpoint; false when it has none (or
// the volume is outside 0..1).
bool SetSessionVolume(unsigned long processId, float volume);
bool SetSessionMute(unsigned long processId, bool mute);
// An active session of this process on the default endpoint, named `displayName`, as a
// process that starts playing opens one; its number, or 0.
uint32_t OpenOwnSession(const std::wstring& displayName);
// The session expires, as when its process stops playing for good.
bool ExpireSession(uint32_t session);

// While held, no process hears of a change; the release delivers every held one in order
// (a backlog beyond the ring comes as the present state). Reset releases too.
bool HoldNotifications(bool hold);

// Calls made into the simulator's COM objects by this process, for tests of caching.
struct Counters {
    long getScalar = 0, getMute = 0, setScalar = 0, setMute = 0;
    long getId = 0, getFriendlyName = 0, getCount = 0, item = 0;
    long getDefaultEndpoint = 0, setDefaultEndpoint = 0;
};
Counters GetCounters();
void ResetCounters();

} // namespace endpointsim
