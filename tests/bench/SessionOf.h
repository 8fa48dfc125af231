#pragma once
// The session of process PID on the default render endpoint, or null: the bench's load
// generator and the floor it is measured against find the session they drive the same way.
// The enumerator, device and manager stay referenced for the life of the process.
#include <audiopolicy.h>
#include <mmdeviceapi.h>
#include <windows.h>

inline IAudioSessionControl2* SessionOf(DWORD pid)
{
    IMMDeviceEnumerator* enumerator = nullptr;
    IMMDevice* device = nullptr;
    IAudioSessionManager2* manager = nullptr;
    IAudioSessionEnumerator* sessions = nullptr;
    if (FAILED(::CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                  __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(&enumerator))) ||
        FAILED(enumerator->GetDefaultAudioEndpoint(eRender, eConsole, &device)) ||
        FAILED(device->Activate(__uuidof(IAudioSessionManager2), CLSCTX_INPROC_SERVER, nullptr,
                                reinterpret_cast<void**>(&manager))) ||
        FAILED(manager->GetSessionEnumerator(&sessions)))
        return nullptr;
    IAudioSessionControl2* found = nullptr;
    int count = 0;
    sessions->GetCount(&count);
    for (int i = 0; i < count && !found; ++i) {
        IAudioSessionControl* control = nullptr;
        IAudioSessionControl2* control2 = nullptr;
        DWORD owner = 0;
        if (SUCCEEDED(sessions->GetSession(i, &control)) &&
            SUCCEEDED(control->QueryInterface(__uuidof(IAudioSessionControl2), reinterpret_cast<void**>(&control2))) &&
            SUCCEEDED(control2->GetProcessId(&owner)) && owner == pid)
            found = control2;
        else if (control2)
            control2->Release();
        if (control)
            control->Release();
    }
    return found;
}
