#pragma once
// Counting fakes of the Core Audio objects the backend uses. Identifiers are parsed from
// their documented text, not taken from the SDK headers, so a wrong IID in the product
// shows up as a failed call. Writes notify synchronously on the calling thread, which is
// how the product sees them too: a callback that only posts.

#include "MasterVolumeVista.h"

#include <objbase.h>
#include <propidl.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace fakes {

inline GUID Guid(const wchar_t* text)
{
    GUID g{};
    ::CLSIDFromString(text, &g);
    return g;
}

struct Endpoint {
    std::wstring id, name;
    float scalar = 1.0f;
    bool mute = false;
    bool active = true;
    HRESULT setDefault = S_OK, setMute = S_OK, activate = S_OK;
};

// Outstanding task-memory blocks handed out by the fakes; a malloc spy removes the ones
// that the product frees.
class TaskMemory : public IMallocSpy {
  public:
    static TaskMemory& Instance()
    {
        static TaskMemory spy;
        return spy;
    }
    bool Install() { return installed || (installed = SUCCEEDED(::CoRegisterMallocSpy(this))); }
    wchar_t* Copy(const std::wstring& s)
    {
        auto* p = static_cast<wchar_t*>(::CoTaskMemAlloc((s.size() + 1) * sizeof(wchar_t)));
        s.copy(p, s.size());
        p[s.size()] = 0;
        std::lock_guard lock(m);
        live.insert(p);
        return p;
    }
    size_t Outstanding()
    {
        std::lock_guard lock(m);
        return live.size();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = iid == IID_IUnknown || iid == IID_IMallocSpy ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T n) override { return n; }
    void* STDMETHODCALLTYPE PostAlloc(void* p) override { return p; }
    void* STDMETHODCALLTYPE PreFree(void* p, BOOL) override
    {
        std::lock_guard lock(m);
        live.erase(p);
        return p;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* p, SIZE_T n, void** out, BOOL) override { return *out = p, n; }
    void* STDMETHODCALLTYPE PostRealloc(void* p, BOOL) override { return p; }
    void* STDMETHODCALLTYPE PreGetSize(void* p, BOOL) override { return p; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T n, BOOL) override { return n; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* p, BOOL) override { return p; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int r) override { return r; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

  private:
    std::mutex m;
    std::set<void*> live;
    bool installed = false;
};

// One simulated machine: endpoints, the console default, registered callbacks, counters.
class System {
  public:
    std::vector<Endpoint> endpoints;
    int defaultIndex = 0; // -1: no default endpoint
    bool enumeratorFails = false;
    std::map<std::string, int> calls; // "GetMasterVolumeLevelScalar" -> count
    std::vector<std::wstring> log;    // ordered writes, e.g. L"SetMute 1 #2"
    std::set<DWORD> enumThreads;      // threads that called EnumAudioEndpoints
    long liveObjects = 0;             // objects are made on the user-interface thread only
    IMMNotificationClient* client = nullptr;
    std::map<int, IAudioEndpointVolumeCallback*> volumeCallbacks; // by endpoint index
    // Runs inside SetMasterVolumeLevelScalar on the caller's thread, before it returns.
    std::function<void(int index)> duringSetVolume;

    explicit System(std::vector<std::wstring> names = {L"Speakers (High Definition Audio Device)",
                                                       L"Headset (USB Audio Device)"})
    {
        for (size_t i = 0; i < names.size(); ++i)
            endpoints.push_back({L"{0.0.0.00000000}.{" + std::to_wstring(i) + L"}", names[i]});
    }

    audio::CoreAudioSeams Seams();
    int Calls(const char* name) { return calls[name]; }
    void NotifyVolume(int index)
    {
        if (auto it = volumeCallbacks.find(index); it != volumeCallbacks.end())
            it->second->OnNotify(nullptr);
    }
    // A notification carrying the state it reports, as the platform's do.
    void NotifyVolumeData(int index, float scalar, bool mute)
    {
        AUDIO_VOLUME_NOTIFICATION_DATA data{};
        data.fMasterVolume = scalar;
        data.bMuted = mute ? TRUE : FALSE;
        data.nChannels = 1;
        data.afChannelVolumes[0] = scalar;
        if (auto it = volumeCallbacks.find(index); it != volumeCallbacks.end())
            it->second->OnNotify(&data);
    }
    void NotifyDefault(EDataFlow flow = eRender, ERole role = eConsole)
    {
        if (client)
            client->OnDefaultDeviceChanged(flow, role, nullptr);
    }
    void NotifyState(int index)
    {
        if (client)
            client->OnDeviceStateChanged(endpoints[index].id.c_str(), endpoints[index].active ? 1 : 4);
    }
};

template <typename I> class Com : public I {
  public:
    explicit Com(System& s, const wchar_t* iid) : sys(s), iid(Guid(iid)) { ++sys.liveObjects; }
    virtual ~Com() { --sys.liveObjects; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID r, void** out) override
    {
        if (r != IID_IUnknown && r != iid)
            return *out = nullptr, E_NOINTERFACE;
        this->AddRef();
        return *out = this, S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG n = --refs;
        if (n == 0)
            delete this;
        return n;
    }

  protected:
    System& sys;
    GUID iid;
    std::atomic<ULONG> refs{1};
};

#define FAKE_NOTIMPL(name, ...)                                                                              \
    HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) override                                                     \
    {                                                                                                        \
        return E_NOTIMPL;                                                                                    \
    }

class Volume : public Com<IAudioEndpointVolume> {
  public:
    Volume(System& s, int i) : Com(s, L"{5CDF2C82-841E-4546-9722-0CF74078229A}"), index(i) {}
    HRESULT STDMETHODCALLTYPE RegisterControlChangeNotify(IAudioEndpointVolumeCallback* cb) override
    {
        ++sys.calls["RegisterControlChangeNotify"];
        sys.volumeCallbacks[index] = cb;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UnregisterControlChangeNotify(IAudioEndpointVolumeCallback*) override
    {
        ++sys.calls["UnregisterControlChangeNotify"];
        sys.volumeCallbacks.erase(index);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevelScalar(float s, LPCGUID) override
    {
        ++sys.calls["SetMasterVolumeLevelScalar"];
        sys.endpoints[index].scalar = s;
        sys.log.push_back(L"SetVolume " + std::to_wstring(s) + L" #" + std::to_wstring(index));
        if (sys.duringSetVolume)
            sys.duringSetVolume(index);
        sys.NotifyVolume(index);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMasterVolumeLevelScalar(float* s) override
    {
        ++sys.calls["GetMasterVolumeLevelScalar"];
        return *s = sys.endpoints[index].scalar, S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMute(BOOL m, LPCGUID) override
    {
        ++sys.calls["SetMute"];
        sys.log.push_back(L"SetMute " + std::to_wstring(m) + L" #" + std::to_wstring(index));
        if (FAILED(sys.endpoints[index].setMute))
            return sys.endpoints[index].setMute;
        sys.endpoints[index].mute = m != FALSE;
        sys.NotifyVolume(index);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMute(BOOL* m) override
    {
        ++sys.calls["GetMute"];
        return *m = sys.endpoints[index].mute, S_OK;
    }
    FAKE_NOTIMPL(GetChannelCount, UINT*)
    FAKE_NOTIMPL(SetMasterVolumeLevel, float, LPCGUID)
    FAKE_NOTIMPL(GetMasterVolumeLevel, float*)
    FAKE_NOTIMPL(SetChannelVolumeLevel, UINT, float, LPCGUID)
    FAKE_NOTIMPL(SetChannelVolumeLevelScalar, UINT, float, LPCGUID)
    FAKE_NOTIMPL(GetChannelVolumeLevel, UINT, float*)
    FAKE_NOTIMPL(GetChannelVolumeLevelScalar, UINT, float*)
    FAKE_NOTIMPL(GetVolumeStepInfo, UINT*, UINT*)
    FAKE_NOTIMPL(VolumeStepUp, LPCGUID)
    FAKE_NOTIMPL(VolumeStepDown, LPCGUID)
    FAKE_NOTIMPL(QueryHardwareSupport, DWORD*)
    FAKE_NOTIMPL(GetVolumeRange, float*, float*, float*)

  private:
    int index;
};

class Store : public Com<IPropertyStore> {
  public:
    Store(System& s, int i) : Com(s, L"{886D8EEB-8CF2-4446-8D02-CDBA1DBDCF99}"), index(i) {}
    HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* v) override
    {
        PropVariantInit(v);
        if (key.fmtid != Guid(L"{A45C254E-DF1C-4EFD-8020-67D146A850E0}") || key.pid != 14)
            return S_OK; // VT_EMPTY, as for an unknown key
        ++sys.calls["GetValue"];
        v->vt = VT_LPWSTR;
        v->pwszVal = TaskMemory::Instance().Copy(sys.endpoints[index].name);
        return S_OK;
    }
    FAKE_NOTIMPL(GetCount, DWORD*)
    FAKE_NOTIMPL(GetAt, DWORD, PROPERTYKEY*)
    FAKE_NOTIMPL(SetValue, REFPROPERTYKEY, REFPROPVARIANT)
    FAKE_NOTIMPL(Commit)

  private:
    int index;
};

class Device : public Com<IMMDevice> {
  public:
    Device(System& s, int i) : Com(s, L"{D666063F-1587-4E43-81F1-B948E807363F}"), index(i) {}
    HRESULT STDMETHODCALLTYPE Activate(REFIID r, DWORD ctx, PROPVARIANT*, void** out) override
    {
        ++sys.calls["Activate"];
        *out = nullptr;
        if (r != Guid(L"{5CDF2C82-841E-4546-9722-0CF74078229A}") || ctx != CLSCTX_INPROC_SERVER)
            return E_NOINTERFACE;
        if (FAILED(sys.endpoints[index].activate))
            return sys.endpoints[index].activate;
        return *out = static_cast<IAudioEndpointVolume*>(new Volume(sys, index)), S_OK;
    }
    HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD access, IPropertyStore** out) override
    {
        if (access != STGM_READ)
            return *out = nullptr, E_ACCESSDENIED;
        return *out = new Store(sys, index), S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR* out) override
    {
        ++sys.calls["GetId"];
        return *out = TaskMemory::Instance().Copy(sys.endpoints[index].id), S_OK;
    }
    FAKE_NOTIMPL(GetState, DWORD*)

  private:
    int index;
};

class Collection : public Com<IMMDeviceCollection> {
  public:
    explicit Collection(System& s) : Com(s, L"{0BD7A1BE-7A1A-44DB-8397-CC5392387B5E}")
    {
        for (size_t i = 0; i < s.endpoints.size(); ++i)
            if (s.endpoints[i].active)
                active.push_back(static_cast<int>(i));
    }
    HRESULT STDMETHODCALLTYPE GetCount(UINT* n) override
    {
        ++sys.calls["GetCount"];
        return *n = static_cast<UINT>(active.size()), S_OK;
    }
    HRESULT STDMETHODCALLTYPE Item(UINT i, IMMDevice** out) override
    {
        ++sys.calls["Item"];
        if (i >= active.size())
            return *out = nullptr, E_INVALIDARG;
        return *out = new Device(sys, active[i]), S_OK;
    }

  private:
    std::vector<int> active; // a snapshot, as the platform's collection is
};

class Enumerator : public Com<IMMDeviceEnumerator> {
  public:
    explicit Enumerator(System& s) : Com(s, L"{A95664D2-9614-4F35-A746-DE8DB63617E6}") {}
    HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow flow, DWORD mask,
                                                 IMMDeviceCollection** out) override
    {
        ++sys.calls["EnumAudioEndpoints"];
        sys.enumThreads.insert(::GetCurrentThreadId());
        if (flow != eRender || mask != DEVICE_STATE_ACTIVE)
            return *out = nullptr, E_INVALIDARG;
        return *out = new Collection(sys), S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow flow, ERole role, IMMDevice** out) override
    {
        ++sys.calls["GetDefaultAudioEndpoint"];
        if (flow != eRender || role != eConsole || sys.defaultIndex < 0)
            return *out = nullptr, E_NOTFOUND;
        return *out = new Device(sys, sys.defaultIndex), S_OK;
    }
    HRESULT STDMETHODCALLTYPE RegisterEndpointNotificationCallback(IMMNotificationClient* c) override
    {
        ++sys.calls["RegisterEndpointNotificationCallback"];
        return sys.client = c, S_OK;
    }
    HRESULT STDMETHODCALLTYPE UnregisterEndpointNotificationCallback(IMMNotificationClient*) override
    {
        ++sys.calls["UnregisterEndpointNotificationCallback"];
        return sys.client = nullptr, S_OK;
    }
    FAKE_NOTIMPL(GetDevice, LPCWSTR, IMMDevice**)
};

class Policy : public Com<IPolicyConfig> {
  public:
    explicit Policy(System& s) : Com(s, L"{F8679F50-850A-41CF-9C72-430F290290C8}") {}
    HRESULT STDMETHODCALLTYPE SetDefaultEndpoint(LPCWSTR id, ERole role) override
    {
        ++sys.calls["SetDefaultEndpoint"];
        sys.log.push_back(L"SetDefault " + std::wstring(id) + L" " + std::to_wstring(role));
        for (size_t i = 0; i < sys.endpoints.size(); ++i) {
            if (sys.endpoints[i].id != id || !sys.endpoints[i].active)
                continue;
            if (FAILED(sys.endpoints[i].setDefault))
                return sys.endpoints[i].setDefault;
            sys.defaultIndex = static_cast<int>(i);
            sys.NotifyDefault();
            return S_OK;
        }
        return E_INVALIDARG;
    }
    FAKE_NOTIMPL(Unused3)
    FAKE_NOTIMPL(Unused4)
    FAKE_NOTIMPL(Unused5)
    FAKE_NOTIMPL(Unused6)
    FAKE_NOTIMPL(Unused7)
    FAKE_NOTIMPL(Unused8)
    FAKE_NOTIMPL(Unused9)
    FAKE_NOTIMPL(Unused10)
    FAKE_NOTIMPL(Unused11)
    FAKE_NOTIMPL(Unused12)
};

#undef FAKE_NOTIMPL

inline audio::CoreAudioSeams System::Seams()
{
    audio::CoreAudioSeams seams;
    seams.createEnumerator = [this](IMMDeviceEnumerator** out) {
        if (enumeratorFails)
            return *out = nullptr, REGDB_E_CLASSNOTREG;
        return *out = new Enumerator(*this), S_OK;
    };
    seams.createPolicyConfig = [this](IPolicyConfig** out) { return *out = new Policy(*this), S_OK; };
    return seams;
}

} // namespace fakes
