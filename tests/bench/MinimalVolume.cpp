// The least a program can do to set the master volume: the yardstick for the start-up cost
// of a command-line verb (tools/bench).
#include <endpointvolume.h>
#include <mmdeviceapi.h>
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    float level = argc > 1 ? static_cast<float>(std::wcstod(argv[1], nullptr)) : 0.5f;
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 2;
    int rc = 1;
    IMMDeviceEnumerator* enumerator = nullptr;
    if (SUCCEEDED(::CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                     __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(&enumerator)))) {
        IMMDevice* device = nullptr;
        if (SUCCEEDED(enumerator->GetDefaultAudioEndpoint(eRender, eConsole, &device))) {
            IAudioEndpointVolume* volume = nullptr;
            if (SUCCEEDED(device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER, nullptr,
                                           reinterpret_cast<void**>(&volume)))) {
                if (SUCCEEDED(volume->SetMasterVolumeLevelScalar(level, nullptr)))
                    rc = 0;
                volume->Release();
            }
            device->Release();
        }
        enumerator->Release();
    }
    ::CoUninitialize();
    return rc;
}
