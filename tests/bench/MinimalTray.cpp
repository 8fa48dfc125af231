// The least tray programs, yardsticks for tools/bench:
//   MinimalTray.exe          a hidden window and one notification-area icon
//   MinimalTray.exe follow   the same icon following the default endpoint: every change
//                            notification is coalesced into one NIM_MODIFY of picture and
//                            tip; WM_RUN_ACTION 3/4 steps the volume up/down by 2 %. The
//                            probe message names those positions as Lorvane's does.
// WM_CLOSE removes the icon and ends the program.
#include <endpointvolume.h>
#include <mmdeviceapi.h>
#include <shellapi.h>
#include <windows.h>

#include <atomic>
#include <cmath>
#include <cwchar>

namespace {

constexpr UINT WM_TRAY = WM_APP + 100;
constexpr UINT WM_FOLLOW = WM_APP + 1;
constexpr UINT WM_RUN_ACTION = WM_APP + 1002;
constexpr WPARAM kProbeActionPosition = 13;
UINT probeMessage = 0;

HWND window = nullptr;
NOTIFYICONDATAW nid{};
HICON pictures[3] = {};
IAudioEndpointVolume* endpoint = nullptr;
std::atomic<float> lastLevel{0.0f};
std::atomic<bool> lastMute{false};
std::atomic<bool> pending{false};

// Called on the system's thread: keeps the newest state and wakes the window at most once.
class Callback final : public IAudioEndpointVolumeCallback {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IAudioEndpointVolumeCallback)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA data) override
    {
        if (!data)
            return S_OK;
        lastLevel = data->fMasterVolume;
        lastMute = data->bMuted != FALSE;
        if (!pending.exchange(true))
            ::PostMessageW(window, WM_FOLLOW, 0, 0);
        return S_OK;
    }
} callback;

void Follow()
{
    pending = false;
    const int percent = static_cast<int>(std::lround(lastLevel * 100.0f));
    if (lastMute)
        std::swprintf(nid.szTip, 128, L"Speakers: Mute");
    else
        std::swprintf(nid.szTip, 128, L"Speakers: %d%%", percent);
    nid.hIcon = pictures[lastMute ? 0 : percent < 50 ? 1 : 2];
    nid.uFlags = NIF_ICON | NIF_TIP;
    ::Shell_NotifyIconW(NIM_MODIFY, &nid);
}

LRESULT ActionPosition(LPARAM atom)
{
    wchar_t name[64] = {};
    if (atom <= 0 || atom > 0xFFFF || !::GlobalGetAtomNameW(static_cast<ATOM>(atom), name, 64))
        return -1;
    return !std::wcscmp(name, L"VolumeUpAction") ? 3 : !std::wcscmp(name, L"VolumeDownAction") ? 4 : -1;
}

void Step(LPARAM action)
{
    if (!endpoint || (action != 3 && action != 4))
        return;
    float level = 0;
    if (FAILED(endpoint->GetMasterVolumeLevelScalar(&level)))
        return;
    level += action == 3 ? 0.02f : -0.02f;
    endpoint->SetMasterVolumeLevelScalar(level < 0 ? 0 : level > 1 ? 1 : level, nullptr);
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_FOLLOW:
        Follow();
        return 0;
    case WM_RUN_ACTION:
        Step(lp);
        return 0;
    case WM_CLOSE:
        nid.uFlags = 0;
        ::Shell_NotifyIconW(NIM_DELETE, &nid);
        ::DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        if (probeMessage && msg == probeMessage && wp == kProbeActionPosition)
            return ActionPosition(lp);
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
}

bool Connect()
{
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return false;
    IMMDeviceEnumerator* enumerator = nullptr;
    IMMDevice* device = nullptr;
    bool ok =
        SUCCEEDED(::CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                     __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(&enumerator))) &&
        SUCCEEDED(enumerator->GetDefaultAudioEndpoint(eRender, eConsole, &device)) &&
        SUCCEEDED(device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER, nullptr,
                                   reinterpret_cast<void**>(&endpoint))) &&
        SUCCEEDED(endpoint->RegisterControlChangeNotify(&callback));
    if (device)
        device->Release();
    if (enumerator)
        enumerator->Release();
    return ok;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
    const bool follow = commandLine && std::wcscmp(commandLine, L"follow") == 0;
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.lpszClassName = L"MinimalTray";
    ::RegisterClassW(&wc);
    window = ::CreateWindowExW(0, wc.lpszClassName, L"MinimalTray", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               instance, nullptr);
    pictures[0] = ::LoadIconW(nullptr, IDI_ERROR);
    pictures[1] = ::LoadIconW(nullptr, IDI_INFORMATION);
    pictures[2] = ::LoadIconW(nullptr, IDI_APPLICATION);
    nid.cbSize = NOTIFYICONDATAW_V2_SIZE;
    nid.hWnd = window;
    nid.uID = 1;
    nid.uCallbackMessage = WM_TRAY;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.hIcon = pictures[2];
    std::wcscpy(nid.szTip, L"MinimalTray");
    ::Shell_NotifyIconW(NIM_ADD, &nid);
    probeMessage = ::RegisterWindowMessageW(L"Lorvane.Probe"); // after the add: the start stays least
    if (follow && !Connect())
        return 2;
    MSG m;
    while (::GetMessageW(&m, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&m);
    if (endpoint) {
        endpoint->UnregisterControlChangeNotify(&callback);
        endpoint->Release();
    }
    return 0;
}
