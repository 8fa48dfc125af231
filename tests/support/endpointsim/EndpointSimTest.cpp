// The simulator as its clients meet it: through the registered COM classes, through
// endpointsim.exe in another process, and through the control functions.
#include "ComPtr.h"
#include "SimControl.h"
#include "UniqueHandle.h"
#include "Window.h"

#include <audioclient.h>
#include <endpointvolume.h>
#include <mmdeviceapi.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Declared here from the platform's layout, not from the simulator's header, so that a
// wrong slot in the simulator shows. Not in the unnamed namespace: GCC would see that no
// class of this program implements it and drop the calls as unreachable.
struct IPolicyConfigView : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Slot3() = 0;
    virtual HRESULT STDMETHODCALLTYPE Slot4() = 0;
    virtual HRESULT STDMETHODCALLTYPE Slot5() = 0;
    virtual HRESULT STDMETHODCALLTYPE Slot6() = 0;
    virtual HRESULT STDMETHODCALLTYPE Slot7() = 0;
    virtual HRESULT STDMETHODCALLTYPE Slot8() = 0;
    virtual HRESULT STDMETHODCALLTYPE Slot9() = 0;
    virtual HRESULT STDMETHODCALLTYPE Slot10() = 0;
    virtual HRESULT STDMETHODCALLTYPE Slot11() = 0;
    virtual HRESULT STDMETHODCALLTYPE Slot12() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDefaultEndpoint(LPCWSTR id, ERole role) = 0;
};

namespace {

namespace sim = endpointsim;
using fw::ComPtr;

constexpr DWORD NotificationWaitMs = 5000;
constexpr DWORD ProcessWaitMs = 60000;
constexpr GUID OwnContext = {0x6b1f3c2a, 0x51d4, 0x4e0b, {0x9a, 0x61, 0x2c, 0x7e, 0x0d, 0x44, 0xb3, 0x19}};
constexpr CLSID PolicyConfigClass = {
    0x870af99c, 0x171d, 0x4f9e, {0xaf, 0x0d, 0xe6, 0x3d, 0xf4, 0x0c, 0x2b, 0xc9}};
constexpr IID PolicyConfigIid = {
    0xf8679f50, 0x850a, 0x41cf, {0x9c, 0x72, 0x43, 0x0f, 0x29, 0x02, 0x90, 0xc8}};
constexpr PROPERTYKEY FriendlyNameKey = {
    {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 14};

struct Call {
    explicit Call(std::wstring kind, std::wstring id = {}) : kind(std::move(kind)), id(std::move(id)) {}

    std::wstring kind; // "volume", "default", "state", "added", "removed"
    std::wstring id;
    int role = -1;
    DWORD state = 0;
    GUID context{};
    float scalar = -1.0f;
    bool muted = false;
    UINT channels = 0;
    float left = -1.0f, right = -1.0f;
    DWORD thread = 0;
};

// Records every callback with the thread it came on. A hook may act on the notifying thread.
class Callbacks final : public IMMNotificationClient, public IAudioEndpointVolumeCallback {
  public:
    std::function<void(Call&)> hook;

    static ComPtr<Callbacks> Create()
    {
        ComPtr<Callbacks> p;
        p.attach(new Callbacks);
        return p;
    }

    // The calls so far once there are at least `count` of them, or after the wait ran out.
    // Pumps the caller's messages meanwhile: a callback may be sending one.
    std::vector<Call> WaitFor(size_t count)
    {
        const ULONGLONG deadline = ::GetTickCount64() + NotificationWaitMs;
        for (;;) {
            {
                std::lock_guard<std::mutex> guard(lock);
                if (calls.size() >= count)
                    return calls;
            }
            const ULONGLONG now = ::GetTickCount64();
            if (now >= deadline)
                return Calls();
            ::MsgWaitForMultipleObjects(1, &signalRaw, FALSE, static_cast<DWORD>(deadline - now),
                                        QS_ALLINPUT);
            fw::ProcessMessages();
        }
    }
    std::vector<Call> Calls()
    {
        std::lock_guard<std::mutex> guard(lock);
        return calls;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) noexcept override
    {
        *result = nullptr;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IMMNotificationClient))
            *result = static_cast<IMMNotificationClient*>(this);
        else if (iid == __uuidof(IAudioEndpointVolumeCallback))
            *result = static_cast<IAudioEndpointVolumeCallback*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ::InterlockedIncrement(&references); }
    ULONG STDMETHODCALLTYPE Release() noexcept override
    {
        const LONG left = ::InterlockedDecrement(&references);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE OnNotify(AUDIO_VOLUME_NOTIFICATION_DATA* data) noexcept override
    {
        Call c(L"volume");
        c.context = data->guidEventContext;
        c.scalar = data->fMasterVolume;
        c.muted = data->bMuted != FALSE;
        c.channels = data->nChannels;
        c.left = data->afChannelVolumes[0];
        c.right = data->nChannels > 1 ? (&data->afChannelVolumes[0])[1] : -1.0f;
        return Record(c);
    }
    HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR id) noexcept override
    {
        Call c(flow == eRender ? L"default" : L"default of another flow", id ? id : L"(null)");
        c.role = role;
        return Record(c);
    }
    HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR id, DWORD state) noexcept override
    {
        Call c(L"state", id);
        c.state = state;
        return Record(c);
    }
    HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR id) noexcept override
    {
        return Record(Call(L"added", id));
    }
    HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR id) noexcept override
    {
        return Record(Call(L"removed", id));
    }
    HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) noexcept override
    {
        return S_OK;
    }

  private:
    Callbacks() : signal(::CreateEventW(nullptr, FALSE, FALSE, nullptr)), signalRaw(signal.get()) {}
    ~Callbacks() = default;

    HRESULT Record(Call c) noexcept
    {
        c.thread = ::GetCurrentThreadId();
        if (hook)
            hook(c);
        {
            std::lock_guard<std::mutex> guard(lock);
            calls.push_back(c);
        }
        ::SetEvent(signalRaw);
        return S_OK;
    }

    LONG references = 1;
    std::mutex lock;
    std::vector<Call> calls;
    fw::UniqueHandleK signal;
    HANDLE signalRaw;
};

struct ProcessResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out, err;
};

std::string ReadAll(HANDLE pipe)
{
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(pipe, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        text.append(buffer, read);
    return text;
}

// Runs build/bin/endpointsim.exe; it inherits this process's state file through the
// environment.
ProcessResult RunControl(const std::vector<std::wstring>& args)
{
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe = self;
    exe.resize(exe.find_last_of(L'\\')); // build\tests
    exe.resize(exe.find_last_of(L'\\')); // build
    exe += L"\\bin\\endpointsim.exe";
    std::wstring commandLine = L"\"" + exe + L"\"";
    for (const auto& a : args)
        commandLine += L" \"" + a + L"\"";

    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    fw::UniqueHandleK outRead, outWrite, errRead, errWrite;
    ::CreatePipe(outRead.put(), outWrite.put(), &inherit, 0);
    ::CreatePipe(errRead.put(), errWrite.put(), &inherit, 0);
    ::SetHandleInformation(outRead.get(), HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = outWrite.get();
    si.hStdError = errWrite.get();
    PROCESS_INFORMATION pi{};
    ProcessResult result;
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                          nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start endpointsim.exe";
        return result;
    }
    fw::UniqueHandleK process(pi.hProcess), thread(pi.hThread);
    outWrite.reset();
    errWrite.reset();
    result.out = ReadAll(outRead.get());
    result.err = ReadAll(errRead.get());
    if (::WaitForSingleObject(process.get(), ProcessWaitMs) != WAIT_OBJECT_0)
        ADD_FAILURE() << "endpointsim.exe did not end";
    ::GetExitCodeProcess(process.get(), &result.exitCode);
    return result;
}

std::string Utf8(const std::wstring& text)
{
    std::string out(static_cast<size_t>(
                        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr)),
                    '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), static_cast<int>(out.size()), nullptr,
                          nullptr);
    out.pop_back();
    return out;
}

std::wstring DeviceId(IMMDevice* device)
{
    fw::UniqueCoTaskString id;
    if (FAILED(device->GetId(id.put())))
        return {};
    return id.get();
}

std::wstring FriendlyName(IMMDevice* device)
{
    ComPtr<IPropertyStore> store;
    if (FAILED(device->OpenPropertyStore(STGM_READ, store.put())))
        return {};
    PROPVARIANT value;
    PropVariantInit(&value);
    std::wstring name;
    if (SUCCEEDED(store->GetValue(FriendlyNameKey, &value)) && value.vt == VT_LPWSTR)
        name = value.pwszVal;
    PropVariantClear(&value);
    return name;
}

class EndpointSim : public testing::Test {
  protected:
    static void SetUpTestSuite() { sim::UseStateFile(sim::StateFileBeside(L"EndpointSimTest.state")); }

    void SetUp() override
    {
        ASSERT_TRUE(sim::Reset());
        ASSERT_HRESULT_SUCCEEDED(::CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr,
                                                    CLSCTX_INPROC_SERVER, __uuidof(IMMDeviceEnumerator),
                                                    enumerator.put_void()));
        std::vector<std::wstring> expected;
        for (const auto& e : sim::Show())
            expected.push_back(e.id);
        if (Ids(DEVICE_STATE_ACTIVE) != expected)
            GTEST_SKIP() << "the Core Audio enumerator class is not the endpoint simulator; run the test "
                            "through tools/winerun, which registers build/bin/endpointsim.dll";
    }

    std::vector<std::wstring> Ids(DWORD mask, EDataFlow flow = eRender)
    {
        std::vector<std::wstring> ids;
        ComPtr<IMMDeviceCollection> devices;
        UINT count = 0;
        if (FAILED(enumerator->EnumAudioEndpoints(flow, mask, devices.put())) ||
            FAILED(devices->GetCount(&count)))
            return {L"(enumeration failed)"};
        for (UINT i = 0; i < count; ++i) {
            ComPtr<IMMDevice> device;
            if (SUCCEEDED(devices->Item(i, device.put())))
                ids.push_back(DeviceId(device.get()));
        }
        return ids;
    }
    ComPtr<IMMDevice> Device(int index)
    {
        ComPtr<IMMDevice> device;
        EXPECT_HRESULT_SUCCEEDED(enumerator->GetDevice(Id(index).c_str(), device.put()));
        return device;
    }
    ComPtr<IAudioEndpointVolume> Volume(int index)
    {
        ComPtr<IAudioEndpointVolume> volume;
        EXPECT_HRESULT_SUCCEEDED(Device(index)->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER,
                                                         nullptr, volume.put_void()));
        return volume;
    }
    std::wstring DefaultId(ERole role)
    {
        ComPtr<IMMDevice> device;
        if (FAILED(enumerator->GetDefaultAudioEndpoint(eRender, role, device.put())))
            return L"(none)";
        return DeviceId(device.get());
    }
    static std::wstring Id(int index) { return sim::Show().at(static_cast<size_t>(index)).id; }

    ComPtr<IMMDeviceEnumerator> enumerator;
};

TEST_F(EndpointSim, EnumeratorListsRenderEndpointsWithIdsNamesAndDefaults)
{
    const auto endpoints = sim::Show();
    ASSERT_EQ(endpoints.size(), 2u);
    for (const auto& e : endpoints) {
        EXPECT_EQ(e.id.rfind(L"{0.0.0.00000000}.{", 0), 0u) << e.id;
        EXPECT_EQ(e.id.size(), 55u) << e.id;
        EXPECT_EQ(FriendlyName(Device(e.index).get()), e.name);
    }
    EXPECT_EQ(endpoints[0].name, L"Speakers (High Definition Audio Device)");
    EXPECT_EQ(endpoints[1].name, L"Headset (USB Audio Device)");
    EXPECT_NE(endpoints[0].id, endpoints[1].id);
    for (ERole role : {eConsole, eMultimedia, eCommunications})
        EXPECT_EQ(DefaultId(role), endpoints[0].id);

    // Capture has no endpoints; unknown IDs are not found.
    EXPECT_TRUE(Ids(DEVICE_STATEMASK_ALL, eCapture).empty());
    ComPtr<IMMDevice> none;
    EXPECT_EQ(enumerator->GetDefaultAudioEndpoint(eCapture, eConsole, none.put()), E_NOTFOUND);
    EXPECT_EQ(enumerator->GetDevice(L"{0.0.0.00000000}.{00000000-0000-0000-0000-000000000000}", none.put()),
              E_NOTFOUND);
    EXPECT_EQ(none.get(), nullptr);
}

// The system's wave functions tell the default endpoint from the others by comparing the
// pointers; with two objects for one endpoint they crashed.
TEST_F(EndpointSim, OneObjectPerEndpointSoTheSystemWaveFunctionsListTheEndpoints)
{
    ComPtr<IMMDevice> byDefault, byId, byItem;
    ComPtr<IMMDeviceCollection> devices;
    ASSERT_HRESULT_SUCCEEDED(enumerator->GetDefaultAudioEndpoint(eRender, eConsole, byDefault.put()));
    ASSERT_HRESULT_SUCCEEDED(enumerator->GetDevice(Id(0).c_str(), byId.put()));
    ASSERT_HRESULT_SUCCEEDED(enumerator->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, devices.put()));
    ASSERT_HRESULT_SUCCEEDED(devices->Item(0, byItem.put()));
    EXPECT_EQ(byDefault.get(), byId.get());
    EXPECT_EQ(byDefault.get(), byItem.get());

    ASSERT_EQ(::waveOutGetNumDevs(), 2u);
    WAVEOUTCAPSW caps{};
    ASSERT_EQ(::waveOutGetDevCapsW(0, &caps, sizeof(caps)), MMSYSERR_NOERROR);
    EXPECT_EQ(std::wstring(caps.szPname), sim::Show()[0].name.substr(0, ARRAYSIZE(caps.szPname) - 1));
    ASSERT_EQ(::waveOutGetDevCapsW(1, &caps, sizeof(caps)), MMSYSERR_NOERROR);
    EXPECT_EQ(std::wstring(caps.szPname), sim::Show()[1].name);
}

TEST_F(EndpointSim, CollectionIsASnapshotAndDisabledEndpointsAreOnlyInTheFullList)
{
    ComPtr<IMMDeviceCollection> before;
    ASSERT_HRESULT_SUCCEEDED(enumerator->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, before.put()));
    const int added = sim::Add(L"Line Out (USB Audio Device)");
    ASSERT_EQ(added, 2);
    UINT count = 0;
    ASSERT_HRESULT_SUCCEEDED(before->GetCount(&count));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(Ids(DEVICE_STATE_ACTIVE), (std::vector<std::wstring>{Id(0), Id(1), Id(2)}));

    ASSERT_TRUE(sim::SetState(1, false));
    EXPECT_EQ(Ids(DEVICE_STATE_ACTIVE), (std::vector<std::wstring>{Id(0), Id(2)}));
    EXPECT_EQ(Ids(DEVICE_STATE_DISABLED), (std::vector<std::wstring>{Id(1)}));
    EXPECT_EQ(Ids(DEVICE_STATEMASK_ALL).size(), 3u);
    DWORD state = 0;
    ASSERT_HRESULT_SUCCEEDED(Device(1)->GetState(&state));
    EXPECT_EQ(state, static_cast<DWORD>(DEVICE_STATE_DISABLED));
}

TEST_F(EndpointSim, DisabledEndpointRefusesVolumeCallsUntilEnabledAgain)
{
    ComPtr<IAudioEndpointVolume> volume = Volume(1);
    ComPtr<IMMDevice> device = Device(1);
    ASSERT_TRUE(sim::SetState(1, false));

    float scalar = -1.0f;
    BOOL muted = TRUE;
    EXPECT_EQ(volume->GetMasterVolumeLevelScalar(&scalar), AUDCLNT_E_DEVICE_INVALIDATED);
    EXPECT_EQ(volume->SetMasterVolumeLevelScalar(0.5f, nullptr), AUDCLNT_E_DEVICE_INVALIDATED);
    EXPECT_EQ(volume->GetMute(&muted), AUDCLNT_E_DEVICE_INVALIDATED);
    EXPECT_EQ(volume->SetMute(TRUE, nullptr), AUDCLNT_E_DEVICE_INVALIDATED);
    ComPtr<IAudioEndpointVolume> again;
    EXPECT_EQ(
        device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER, nullptr, again.put_void()),
        AUDCLNT_E_DEVICE_INVALIDATED);
    EXPECT_FALSE(sim::SetVolume(0.5f, 1));
    EXPECT_FLOAT_EQ(sim::Show()[1].scalar, 1.0f);

    ASSERT_TRUE(sim::SetState(1, true));
    EXPECT_HRESULT_SUCCEEDED(volume->SetMasterVolumeLevelScalar(0.5f, nullptr));
    EXPECT_FLOAT_EQ(sim::Show()[1].scalar, 0.5f);
}

TEST_F(EndpointSim, DisablingTheDefaultHandsItsRolesToTheNextActiveEndpoint)
{
    auto events = Callbacks::Create();
    ASSERT_HRESULT_SUCCEEDED(enumerator->RegisterEndpointNotificationCallback(events.get()));
    const std::wstring first = Id(0), second = Id(1);

    ASSERT_TRUE(sim::SetState(0, false));
    for (ERole role : {eConsole, eMultimedia, eCommunications})
        EXPECT_EQ(DefaultId(role), second);
    ASSERT_TRUE(sim::SetState(1, false));
    EXPECT_EQ(DefaultId(eConsole), L"(none)");
    ASSERT_TRUE(sim::SetState(0, true));
    EXPECT_EQ(DefaultId(eConsole), first);

    // A state change, then one default change per role; "no default" arrives as an empty ID
    // (null would crash the system's wave functions, which listen in this process too).
    const auto calls = events->WaitFor(12);
    ASSERT_EQ(calls.size(), 12u);
    EXPECT_EQ(calls[0].kind, L"state");
    EXPECT_EQ(calls[0].id, first);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(calls[i].kind, L"default");
        EXPECT_EQ(calls[i].role, i - 1);
        EXPECT_EQ(calls[i].id, second);
    }
    EXPECT_EQ(calls[5].id, L"");
    EXPECT_EQ(calls[8].kind, L"state");
    EXPECT_EQ(calls[11].id, first);
    EXPECT_HRESULT_SUCCEEDED(enumerator->UnregisterEndpointNotificationCallback(events.get()));
}

TEST_F(EndpointSim, VolumeMuteAndLevelsRoundTripAndBadScalarsAreRefused)
{
    ComPtr<IAudioEndpointVolume> volume = Volume(0);
    float scalar = -1.0f, db = 1.0f;
    ASSERT_HRESULT_SUCCEEDED(volume->SetMasterVolumeLevelScalar(0.3f, nullptr));
    ASSERT_HRESULT_SUCCEEDED(volume->GetMasterVolumeLevelScalar(&scalar));
    EXPECT_FLOAT_EQ(scalar, 0.3f);
    EXPECT_FLOAT_EQ(sim::Show()[0].scalar, 0.3f);
    EXPECT_FLOAT_EQ(sim::Show()[1].scalar, 1.0f);

    for (float bad : {-0.01f, 1.01f, std::numeric_limits<float>::quiet_NaN()})
        EXPECT_EQ(volume->SetMasterVolumeLevelScalar(bad, nullptr), E_INVALIDARG) << bad;
    EXPECT_FLOAT_EQ(sim::Show()[0].scalar, 0.3f);

    float minDb = 0, maxDb = 0, stepDb = 0;
    ASSERT_HRESULT_SUCCEEDED(volume->GetVolumeRange(&minDb, &maxDb, &stepDb));
    EXPECT_LT(minDb, maxDb);
    EXPECT_GT(stepDb, 0.0f);
    ASSERT_HRESULT_SUCCEEDED(volume->SetMasterVolumeLevel(minDb, nullptr));
    EXPECT_FLOAT_EQ(sim::Show()[0].scalar, 0.0f);
    ASSERT_HRESULT_SUCCEEDED(volume->SetMasterVolumeLevel(maxDb, nullptr));
    ASSERT_HRESULT_SUCCEEDED(volume->GetMasterVolumeLevel(&db));
    EXPECT_FLOAT_EQ(db, maxDb);
    EXPECT_EQ(volume->SetMasterVolumeLevel(maxDb + 1.0f, nullptr), E_INVALIDARG);

    UINT channels = 0, step = 0, steps = 0;
    ASSERT_HRESULT_SUCCEEDED(volume->GetChannelCount(&channels));
    EXPECT_EQ(channels, 2u);
    ASSERT_HRESULT_SUCCEEDED(volume->VolumeStepDown(nullptr));
    ASSERT_HRESULT_SUCCEEDED(volume->GetVolumeStepInfo(&step, &steps));
    EXPECT_EQ(step, steps - 2);
    ASSERT_HRESULT_SUCCEEDED(volume->GetChannelVolumeLevelScalar(1, &scalar));
    EXPECT_FLOAT_EQ(scalar, sim::Show()[0].scalar);
    EXPECT_EQ(volume->GetChannelVolumeLevelScalar(2, &scalar), E_INVALIDARG);

    BOOL muted = FALSE;
    ASSERT_HRESULT_SUCCEEDED(volume->SetMute(TRUE, nullptr));
    ASSERT_HRESULT_SUCCEEDED(volume->GetMute(&muted));
    EXPECT_TRUE(muted);
    EXPECT_TRUE(sim::Show()[0].mute);
    EXPECT_FALSE(sim::Show()[1].mute);
}

TEST_F(EndpointSim, OwnChangesNotifyOnTheSimulatorThreadWithTheirContext)
{
    ComPtr<IAudioEndpointVolume> volume = Volume(0);
    auto events = Callbacks::Create();
    ASSERT_HRESULT_SUCCEEDED(volume->RegisterControlChangeNotify(events.get()));

    ASSERT_HRESULT_SUCCEEDED(volume->SetMasterVolumeLevelScalar(0.4f, &OwnContext));
    // Neither an unchanged value nor another endpoint's change reaches this callback.
    ASSERT_HRESULT_SUCCEEDED(volume->SetMasterVolumeLevelScalar(0.4f, &OwnContext));
    ASSERT_TRUE(sim::SetVolume(0.7f, 1));
    ASSERT_HRESULT_SUCCEEDED(volume->SetMute(TRUE, nullptr));

    const auto calls = events->WaitFor(2);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].kind, L"volume");
    EXPECT_EQ(calls[0].context, OwnContext);
    EXPECT_FLOAT_EQ(calls[0].scalar, 0.4f);
    EXPECT_FALSE(calls[0].muted);
    EXPECT_EQ(calls[0].channels, 2u);
    EXPECT_FLOAT_EQ(calls[0].left, 0.4f);
    EXPECT_FLOAT_EQ(calls[0].right, 0.4f);
    EXPECT_EQ(calls[1].context, GUID_NULL);
    EXPECT_TRUE(calls[1].muted);
    EXPECT_FLOAT_EQ(calls[1].scalar, 0.4f);
    for (const auto& c : calls)
        EXPECT_NE(c.thread, ::GetCurrentThreadId());

    // After unregistering nothing more arrives; a second callback proves that the changes
    // were delivered by then.
    ASSERT_HRESULT_SUCCEEDED(volume->UnregisterControlChangeNotify(events.get()));
    auto probe = Callbacks::Create();
    ASSERT_HRESULT_SUCCEEDED(volume->RegisterControlChangeNotify(probe.get()));
    ASSERT_HRESULT_SUCCEEDED(volume->SetMute(FALSE, nullptr));
    ASSERT_HRESULT_SUCCEEDED(volume->SetMute(TRUE, nullptr));
    EXPECT_EQ(probe->WaitFor(2).size(), 2u);
    EXPECT_EQ(events->Calls().size(), 2u);
}

TEST_F(EndpointSim, ControlProgramChangesAreSeenAndNotifiedInThisProcess)
{
    ComPtr<IAudioEndpointVolume> volume = Volume(0);
    auto events = Callbacks::Create();
    ASSERT_HRESULT_SUCCEEDED(volume->RegisterControlChangeNotify(events.get()));
    ASSERT_HRESULT_SUCCEEDED(enumerator->RegisterEndpointNotificationCallback(events.get()));
    const std::wstring second = Id(1);

    EXPECT_EQ(RunControl({L"volume", L"0.25"}).exitCode, 0u);
    float scalar = -1.0f;
    ASSERT_HRESULT_SUCCEEDED(volume->GetMasterVolumeLevelScalar(&scalar));
    EXPECT_FLOAT_EQ(scalar, 0.25f);
    EXPECT_EQ(RunControl({L"state", L"1", L"disabled"}).exitCode, 0u);
    EXPECT_EQ(RunControl({L"state", L"1", L"active"}).exitCode, 0u);
    EXPECT_EQ(RunControl({L"default", L"1"}).exitCode, 0u);

    const auto calls = events->WaitFor(6);
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0].kind, L"volume");
    EXPECT_EQ(calls[0].context, GUID_NULL);
    EXPECT_FLOAT_EQ(calls[0].scalar, 0.25f);
    EXPECT_EQ(calls[1].kind, L"state");
    EXPECT_EQ(calls[1].id, second);
    EXPECT_EQ(calls[1].state, static_cast<DWORD>(DEVICE_STATE_DISABLED));
    EXPECT_EQ(calls[2].state, static_cast<DWORD>(DEVICE_STATE_ACTIVE));
    for (int role = 0; role < 3; ++role) {
        EXPECT_EQ(calls[3 + role].kind, L"default");
        EXPECT_EQ(calls[3 + role].role, role);
        EXPECT_EQ(calls[3 + role].id, second);
    }
    for (const auto& c : calls)
        EXPECT_NE(c.thread, ::GetCurrentThreadId());
    EXPECT_EQ(DefaultId(eCommunications), second);
    EXPECT_HRESULT_SUCCEEDED(enumerator->UnregisterEndpointNotificationCallback(events.get()));
}

TEST_F(EndpointSim, PolicyConfigChangesOnlyTheRequestedRole)
{
    ComPtr<IPolicyConfigView> policy;
    ASSERT_HRESULT_SUCCEEDED(::CoCreateInstance(PolicyConfigClass, nullptr, CLSCTX_INPROC_SERVER,
                                                PolicyConfigIid, policy.put_void()));
    auto events = Callbacks::Create();
    ASSERT_HRESULT_SUCCEEDED(enumerator->RegisterEndpointNotificationCallback(events.get()));
    const std::wstring first = Id(0), second = Id(1);

    EXPECT_EQ(policy->SetDefaultEndpoint(L"{0.0.0.00000000}.{unknown}", eConsole), E_INVALIDARG);
    ASSERT_HRESULT_SUCCEEDED(policy->SetDefaultEndpoint(second.c_str(), eConsole));
    EXPECT_EQ(DefaultId(eConsole), second);
    EXPECT_EQ(DefaultId(eMultimedia), first);
    EXPECT_TRUE(sim::Show()[1].isDefault);
    ASSERT_HRESULT_SUCCEEDED(policy->SetDefaultEndpoint(second.c_str(), eCommunications));
    ASSERT_TRUE(sim::SetState(0, false));
    EXPECT_EQ(policy->SetDefaultEndpoint(first.c_str(), eMultimedia), E_INVALIDARG); // disabled

    // Console, communications, then the disabled endpoint's state and its multimedia role.
    const auto calls = events->WaitFor(4);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].kind, L"default");
    EXPECT_EQ(calls[0].role, eConsole);
    EXPECT_EQ(calls[0].id, second);
    EXPECT_EQ(calls[1].role, eCommunications);
    EXPECT_EQ(calls[2].kind, L"state");
    EXPECT_EQ(calls[3].role, eMultimedia);
    EXPECT_EQ(calls[3].id, second);
    EXPECT_HRESULT_SUCCEEDED(enumerator->UnregisterEndpointNotificationCallback(events.get()));
}

// The product's callbacks send a message to the user-interface thread and wait; that
// thread may be calling into the simulator at the time, and may re-enumerate from a callback.
TEST_F(EndpointSim, CallbacksMayWaitForAThreadThatCallsIntoTheSimulator)
{
    ComPtr<IAudioEndpointVolume> volume = Volume(0);
    float readOnUiThread = -1.0f;
    fw::MessageWindow window;
    ASSERT_TRUE(
        window.Create(L"EndpointSimTestWindow", [&](UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (msg != WM_APP)
                return std::nullopt;
            volume->GetMasterVolumeLevelScalar(&readOnUiThread);
            return 1;
        }));
    auto events = Callbacks::Create();
    events->hook = [&](Call& c) {
        DWORD_PTR answered = 0;
        if (c.kind == L"volume" &&
            ::SendMessageTimeoutW(window.Handle(), WM_APP, 0, 0, SMTO_NORMAL, NotificationWaitMs, &answered))
            c.kind = L"volume, answered";
        if (c.kind == L"state") {
            ComPtr<IMMDeviceCollection> devices;
            UINT count = 99;
            if (SUCCEEDED(enumerator->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, devices.put())))
                devices->GetCount(&count);
            c.state = count;
        }
    };
    ASSERT_HRESULT_SUCCEEDED(volume->RegisterControlChangeNotify(events.get()));
    ASSERT_HRESULT_SUCCEEDED(enumerator->RegisterEndpointNotificationCallback(events.get()));

    ASSERT_HRESULT_SUCCEEDED(volume->SetMasterVolumeLevelScalar(0.6f, &OwnContext));
    ASSERT_TRUE(sim::SetState(1, false));
    const auto calls = events->WaitFor(2);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].kind, L"volume, answered");
    EXPECT_FLOAT_EQ(readOnUiThread, 0.6f);
    EXPECT_EQ(calls[1].kind, L"state");
    EXPECT_EQ(calls[1].state, 1u); // enumerated on the notifying thread, after the change
    EXPECT_HRESULT_SUCCEEDED(enumerator->UnregisterEndpointNotificationCallback(events.get()));
}

// A client whose notifying thread is held up while more changes than the ring holds pass:
// it still ends on the present state, the last default switch included.
TEST_F(EndpointSim, AReaderThatFellBehindTheRingIsToldThePresentState)
{
    ComPtr<IAudioEndpointVolume> volume = Volume(0);
    fw::UniqueHandleK release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    auto events = Callbacks::Create();
    events->hook = [&](Call& c) {
        if (c.kind == L"added")
            ::WaitForSingleObject(release.get(), ProcessWaitMs);
    };
    ASSERT_HRESULT_SUCCEEDED(volume->RegisterControlChangeNotify(events.get()));
    ASSERT_HRESULT_SUCCEEDED(enumerator->RegisterEndpointNotificationCallback(events.get()));

    const int added = sim::Add(L"Line Out (Stall Audio)");
    ASSERT_GE(added, 2);
    ASSERT_TRUE(sim::SetDefault(1));
    for (int i = 0; i < 300; ++i) // the ring holds 256
        ASSERT_TRUE(sim::SetVolume(0.01f * static_cast<float>(i % 50 + 1), 0));
    ASSERT_TRUE(sim::SetVolume(0.55f, 0));
    ::SetEvent(release.get());

    std::wstring console = L"(none)";
    float scalar = -1.0f;
    const ULONGLONG deadline = ::GetTickCount64() + NotificationWaitMs;
    for (size_t seen = 0; (console != Id(1) || scalar != 0.55f) && ::GetTickCount64() < deadline;) {
        const std::vector<Call> calls = events->WaitFor(seen + 1);
        for (; seen < calls.size(); ++seen) {
            if (calls[seen].kind == L"default" && calls[seen].role == eConsole)
                console = calls[seen].id;
            if (calls[seen].kind == L"volume")
                scalar = calls[seen].scalar;
        }
    }
    EXPECT_EQ(console, Id(1));
    EXPECT_FLOAT_EQ(scalar, 0.55f);
    EXPECT_HRESULT_SUCCEEDED(enumerator->UnregisterEndpointNotificationCallback(events.get()));
    EXPECT_HRESULT_SUCCEEDED(volume->UnregisterControlChangeNotify(events.get()));
}

TEST_F(EndpointSim, ShowPrintsOneUtf8LinePerEndpointAndResetTakesNames)
{
    ASSERT_TRUE(sim::Reset({L"Lautsprecher (Würfel)", L"Kopfhörer 耳机"}));
    ASSERT_TRUE(sim::SetVolume(0.25f, 1));
    ASSERT_TRUE(sim::SetMute(true, 1));
    ASSERT_TRUE(sim::SetState(1, false));
    const auto shown = RunControl({L"show"});
    EXPECT_EQ(shown.exitCode, 0u);
    EXPECT_EQ(shown.out, Utf8(L"0\t" + Id(0) +
                              L"\tLautsprecher (Würfel)\tactive\t1.000000\t0\t*\n"
                              L"1\t" +
                              Id(1) + L"\tKopfhörer 耳机\tdisabled\t0.250000\t1\t-\n"));
    EXPECT_EQ(shown.err, "");

    EXPECT_EQ(RunControl({L"reset", L"Alpha", L"Beta", L"Gamma"}).exitCode, 0u);
    const auto added = RunControl({L"add", L"Delta"});
    EXPECT_EQ(added.exitCode, 0u);
    EXPECT_EQ(added.out, "3\n");
    std::vector<std::wstring> names;
    for (const auto& e : sim::Show())
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Alpha", L"Beta", L"Gamma", L"Delta"}));
    EXPECT_EQ(RunControl({L"reset"}).exitCode, 0u);
    EXPECT_EQ(sim::Show().size(), 2u);
}

TEST_F(EndpointSim, BadControlArgumentsExitTwoAndChangeNothing)
{
    ASSERT_TRUE(sim::SetVolume(0.5f, 0));
    auto snapshot = [] {
        std::wstring text;
        for (const auto& e : sim::Show())
            text += e.id + e.name + (e.active ? L"a" : L"d") + std::to_wstring(e.scalar) +
                    (e.mute ? L"m" : L"-") + (e.isDefault ? L"*" : L"-") + L"\n";
        return text;
    };
    const std::wstring before = snapshot();
    const std::vector<std::vector<std::wstring>> cases = {
        {},
        {L"frobnicate"},
        {L"volume"},
        {L"volume", L"abc"},
        {L"volume", L"0.5x"},
        {L"volume", L"1.5"},
        {L"volume", L"-0.1"},
        {L"volume", L"nan"},
        {L"volume", L"0.3", L"7"},
        {L"volume", L"0.3", L"-1"},
        {L"volume", L"0.3", L"1", L"2"},
        {L"mute", L"2"},
        {L"mute", L"1", L"x"},
        {L"default"},
        {L"default", L"2"},
        {L"state", L"1"},
        {L"state", L"1", L"sleeping"},
        {L"show", L"extra"},
        {L"add", L""},
        {L"reset", L""},
    };
    for (const auto& args : cases) {
        std::wstring joined;
        for (const auto& a : args)
            joined += L"[" + a + L"]";
        const auto r = RunControl(args);
        EXPECT_EQ(r.exitCode, 2u) << Utf8(joined);
        EXPECT_FALSE(r.err.empty()) << Utf8(joined);
        EXPECT_EQ(r.out, "") << Utf8(joined);
        EXPECT_EQ(snapshot(), before) << Utf8(joined);
    }
}

TEST_F(EndpointSim, CountersCountThisProcessCallsAcrossModules)
{
    ComPtr<IAudioEndpointVolume> volume = Volume(0);
    ComPtr<IMMDeviceCollection> devices;
    ASSERT_HRESULT_SUCCEEDED(enumerator->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, devices.put()));
    sim::ResetCounters();

    float scalar = 0;
    BOOL muted = FALSE;
    UINT count = 0;
    volume->GetMasterVolumeLevelScalar(&scalar);
    volume->GetMasterVolumeLevelScalar(&scalar);
    volume->GetMute(&muted);
    volume->SetMasterVolumeLevelScalar(0.5f, nullptr);
    volume->SetMasterVolumeLevelScalar(2.0f, nullptr); // refused, but a call all the same
    volume->SetMute(TRUE, nullptr);
    devices->GetCount(&count);
    ComPtr<IMMDevice> device;
    devices->Item(1, device.put());
    DeviceId(device.get());
    FriendlyName(device.get());
    DefaultId(eConsole);

    const sim::Counters c = sim::GetCounters();
    EXPECT_EQ(c.getScalar, 2);
    EXPECT_EQ(c.getMute, 1);
    EXPECT_EQ(c.setScalar, 2);
    EXPECT_EQ(c.setMute, 1);
    EXPECT_EQ(c.getCount, 1);
    EXPECT_EQ(c.item, 1);
    EXPECT_EQ(c.getId, 2); // DefaultId reads the ID too
    EXPECT_EQ(c.getFriendlyName, 1);
    EXPECT_EQ(c.getDefaultEndpoint, 1);
    EXPECT_EQ(c.setDefaultEndpoint, 0);
    sim::ResetCounters();
    EXPECT_EQ(sim::GetCounters().getScalar, 0);
}

} // namespace
