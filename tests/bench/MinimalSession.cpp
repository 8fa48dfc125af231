// The least a program can do to follow one application's session: the yardstick for the cost
// of a session change while the pop-up bar shows its rows (tools/bench). It registers for the
// events of the session of process PID and, for each, reads its volume and mute on its own
// window's thread, as a row must.
//   MinimalSession PID        (ends at WM_CLOSE to its window of class "MinimalSession")
#include <audiopolicy.h>
#include <mmdeviceapi.h>
#include <windows.h>

#include "SessionOf.h"

#include <atomic>
#include <cwchar>

namespace {

constexpr UINT WM_SESSION_CHANGED = WM_APP + 1;
HWND window = nullptr;
std::atomic<bool> queued{false};

class Events final : public IAudioSessionEvents {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid != __uuidof(IUnknown) && iid != __uuidof(IAudioSessionEvents))
            return *out = nullptr, E_NOINTERFACE;
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE OnDisplayNameChanged(LPCWSTR, LPCGUID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnIconPathChanged(LPCWSTR, LPCGUID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnSimpleVolumeChanged(float, BOOL, LPCGUID) override
    {
        if (!queued.exchange(true))
            ::PostMessageW(window, WM_SESSION_CHANGED, 0, 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnChannelVolumeChanged(DWORD, float[], DWORD, LPCGUID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnGroupingParamChanged(LPCGUID, LPCGUID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStateChanged(AudioSessionState) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnSessionDisconnected(AudioSessionDisconnectReason) override { return S_OK; }
};

ISimpleAudioVolume* volume = nullptr;
float lastVolume = 0.0f;
BOOL lastMute = FALSE;

LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_SESSION_CHANGED) {
        queued = false;
        volume->GetMasterVolume(&lastVolume);
        volume->GetMute(&lastMute);
        return 0;
    }
    if (msg == WM_DESTROY)
        ::PostQuitMessage(0);
    return ::DefWindowProcW(h, msg, wp, lp);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const DWORD pid = argc > 1 ? static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10)) : 0;
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 2;
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = L"MinimalSession";
    ::RegisterClassW(&wc);
    window = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    static Events events;
    IAudioSessionControl2* followed = SessionOf(pid);
    if (!followed ||
        FAILED(followed->QueryInterface(__uuidof(ISimpleAudioVolume), reinterpret_cast<void**>(&volume))) ||
        FAILED(followed->RegisterAudioSessionNotification(&events)))
        return 1;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&msg);
    followed->UnregisterAudioSessionNotification(&events);
    return 0;
}
