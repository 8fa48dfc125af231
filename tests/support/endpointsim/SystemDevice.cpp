#include "SystemDevice.h"

#include "ComPtr.h"

#include <cwchar>

namespace endpointsim {

namespace {

INIT_ONCE loaded = INIT_ONCE_STATIC_INIT;
IMMDeviceEnumerator* systemEnumerator = nullptr; // kept for the life of the process

// Asks the system's DLL directly: the registered class is this simulator.
BOOL CALLBACK LoadSystemEnumerator(INIT_ONCE*, void*, void**) noexcept
{
    wchar_t path[MAX_PATH];
    const UINT n = ::GetSystemDirectoryW(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH - 16)
        return TRUE;
    wcscpy(path + n, L"\\mmdevapi.dll");
    HMODULE module = ::LoadLibraryW(path);
    if (!module)
        return TRUE;
    auto getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
    fw::ComPtr<IClassFactory> factory;
    if (!getClassObject ||
        FAILED(getClassObject(__uuidof(MMDeviceEnumerator), __uuidof(IClassFactory), factory.put_void())))
        return TRUE;
    fw::ComPtr<IMMDeviceEnumerator> enumerator;
    if (SUCCEEDED(factory->CreateInstance(nullptr, __uuidof(IMMDeviceEnumerator), enumerator.put_void())))
        systemEnumerator = enumerator.detach();
    return TRUE;
}

} // namespace

HRESULT ActivateOnSystemDevice(REFIID iid, DWORD context, PROPVARIANT* parameters, void** result) noexcept
{
    *result = nullptr;
    ::InitOnceExecuteOnce(&loaded, LoadSystemEnumerator, nullptr, nullptr);
    if (!systemEnumerator)
        return E_NOINTERFACE;
    fw::ComPtr<IMMDevice> device;
    const HRESULT hr = systemEnumerator->GetDefaultAudioEndpoint(eRender, eConsole, device.put());
    if (FAILED(hr))
        return hr;
    return device->Activate(iid, context, parameters, result);
}

} // namespace endpointsim
