// The Core Audio backend against counting fakes: names, device choice, caches, pending
// values, and how notifications from other threads reach the user-interface thread.
#include "MasterVolumeVista.h"
#include "CoreAudioFakes.h"
#include "UniqueHandle.h"
#include "Window.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <thread>

using fakes::Guid;
using Log = std::vector<std::wstring>;

TEST(DeviceNames, Shortening)
{
    const struct {
        const wchar_t *name, *shortName;
    } cases[] = {
        {L"Speakers (Realtek High Definition Audio)", L"Speakers"},
        {L"Headset (USB Audio Device)", L"Headset (USB)"},
        {L"Front (Rear) (USB Hub 2)", L"Front (Rear) (USB)"}, // the USB rule wins over the first " ("
        {L"Line (usb Audio)", L"Line"},                       // case-sensitive
        {L"Dock (USB)", L"Dock"},                             // " (USB" without its blank
        {L" \t Speakers \r\n", L"Speakers"},
        {L"Speakers(Realtek)", L"Speakers(Realtek)"},
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(audio::ShortenDeviceName(c.name), c.shortName) << c.name;
}

TEST(DeviceNames, IdTest)
{
    const struct {
        const wchar_t* text;
        bool id;
    } cases[] = {{L"{0.0.0.00000000}.{4a1f}", true},
                 {L"{a}", true},
                 {L"{}", false},
                 {L"{", false},
                 {L"{abc", false},
                 {L"abc}", false},
                 {L" {a}", false},
                 {L"", false}};
    for (const auto& c : cases)
        EXPECT_EQ(audio::IsDeviceId(c.text), c.id) << c.text;
}

class Backend : public testing::Test {
  protected:
    fakes::System sys;
    std::unique_ptr<TMasterVolumeVista> mv;
    std::vector<std::string> events;
    std::function<void()> onVolume, onDevice;

    void Create(TPreload preload = TPreload::plNone)
    {
        mv.reset(); // its teardown unregisters from the fakes
        mv = std::make_unique<TMasterVolumeVista>(nullptr, sys.Seams());
        mv->OnVolume = [this](fw::TObject* sender) {
            EXPECT_EQ(sender, static_cast<fw::TObject*>(mv.get()));
            events.push_back("volume");
            if (onVolume)
                onVolume();
        };
        mv->OnDevice = [this](fw::TObject*) {
            events.push_back("device");
            if (onDevice)
                onDevice();
        };
        mv->SetPreload(preload);
    }
    static void Pump() { fw::ProcessMessages(); }
    std::wstring Id(int i) const { return sys.endpoints[i].id; }
    Log Switches() const
    {
        Log out;
        for (const auto& entry : sys.log)
            if (entry.rfind(L"SetDefault", 0) == 0)
                out.push_back(entry);
        return out;
    }
};

TEST_F(Backend, LifetimeRegistersOnceAndReleasesEverything)
{
    ASSERT_TRUE(fakes::TaskMemory::Instance().Install());
    Create();
    EXPECT_EQ(sys.Calls("RegisterEndpointNotificationCallback"), 1);
    EXPECT_EQ(sys.Calls("RegisterControlChangeNotify"), 1);
    for (int i = 0; i < mv->DeviceCount(); ++i)
        EXPECT_FALSE(mv->DeviceId(i).empty() || mv->DeviceName(i).empty());
    EXPECT_EQ(mv->DefaultDeviceId(), Id(0));
    EXPECT_EQ(mv->DefaultDeviceShortName(), L"Speakers");
    mv.reset();
    EXPECT_EQ(sys.client, nullptr);
    EXPECT_TRUE(sys.volumeCallbacks.empty());
    EXPECT_EQ(sys.liveObjects, 0);
    EXPECT_EQ(fakes::TaskMemory::Instance().Outstanding(), 0u) << "IDs and names are freed";
}

TEST_F(Backend, WithoutEnumeratorEverythingIsNeutral)
{
    sys.enumeratorFails = true;
    Create(TPreload::plAlway);
    EXPECT_EQ(mv->Volume(), 0.0f);
    EXPECT_FALSE(mv->Mute());
    EXPECT_EQ(mv->DeviceCount(), 0);
    EXPECT_EQ(mv->DefaultDeviceName(), L"");
    EXPECT_EQ(mv->DeviceId(0), L"");
    EXPECT_FALSE(mv->SetVolume(0.5f) || mv->SetMute(true) || mv->NextDevice());
    EXPECT_FALSE(mv->Changing());
}

TEST_F(Backend, WithoutDefaultEndpointOnlyTheListWorksUntilOneAppears)
{
    sys.defaultIndex = -1;
    Create(TPreload::plAuto);
    EXPECT_EQ(mv->DeviceCount(), 2);
    EXPECT_EQ(mv->DeviceName(1), sys.endpoints[1].name);
    EXPECT_EQ(mv->DefaultDeviceId(), L"");
    EXPECT_FALSE(mv->SetVolume(0.5f));
    sys.defaultIndex = 1;
    sys.NotifyDefault();
    Pump();
    EXPECT_EQ(mv->DefaultDeviceShortName(), L"Headset (USB)");
    EXPECT_TRUE(mv->SetVolume(0.5f));
}

TEST_F(Backend, PlNoneAsksThePlatformEveryTimeAndPlAutoOnce)
{
    for (TPreload preload : {TPreload::plNone, TPreload::plAuto}) {
        sys.calls.clear();
        Create(preload);
        const int times = preload == TPreload::plNone ? 2 : 1;
        for (int i = 0; i < 2; ++i) {
            mv->DefaultDeviceName();
            mv->Volume();
            mv->DeviceId(1);
        }
        EXPECT_EQ(sys.Calls("GetValue"), times);
        EXPECT_EQ(sys.Calls("GetMasterVolumeLevelScalar"), times);
        EXPECT_EQ(sys.Calls("Item"), times);
        // A volume notification renews volume and mute only.
        sys.NotifyVolume(0);
        Pump();
        mv->DefaultDeviceName();
        mv->Volume();
        EXPECT_EQ(sys.Calls("GetValue"), preload == TPreload::plNone ? 3 : 1);
        EXPECT_EQ(sys.Calls("GetMasterVolumeLevelScalar"), times + 1);
    }
}

TEST_F(Backend, WritesLeaveTheCacheUntilTheirNotificationIsHandled)
{
    for (TPreload preload : {TPreload::plAuto, TPreload::plAlway}) {
        sys.endpoints[0].scalar = 1.0f;
        sys.endpoints[0].mute = false;
        Create(preload);
        EXPECT_EQ(mv->Volume(), 1.0f);
        EXPECT_FALSE(mv->Mute());
        EXPECT_TRUE(mv->SetVolume(0.25f));
        EXPECT_TRUE(mv->SetMute(true));
        EXPECT_EQ(mv->Volume(), 1.0f);
        EXPECT_FALSE(mv->Mute());
        EXPECT_TRUE(mv->Changing());
        Pump();
        EXPECT_EQ(mv->Volume(), 0.25f);
        EXPECT_TRUE(mv->Mute());
        EXPECT_FALSE(mv->Changing());
    }
}

TEST_F(Backend, PlAlwayRefillsSoReadsAndHandlersCostNothing)
{
    Create(TPreload::plAlway);
    sys.calls.clear();
    mv->SetPreload(TPreload::plAlway); // unchanged: no invalidation
    mv->Volume();
    mv->Mute();
    mv->DefaultDeviceShortName();
    for (int i = 0; i < mv->DeviceCount(); ++i)
        mv->DeviceId(i), mv->DeviceName(i), mv->DeviceShortName(i);
    EXPECT_TRUE(sys.calls.empty());

    float seen = -1;
    onVolume = [&] { seen = mv->Volume(); };
    sys.endpoints[0].scalar = 0.5f; // a foreign change
    sys.NotifyVolume(0);
    Pump();
    EXPECT_EQ(seen, 0.5f);
    EXPECT_EQ(sys.Calls("GetMasterVolumeLevelScalar"), 1) << "the refill, not the handler";
}

TEST_F(Backend, TheStateANotificationCarriesFillsTheCachesWithoutReadingBack)
{
    for (TPreload preload : {TPreload::plNone, TPreload::plAuto, TPreload::plAlway}) {
        Create(preload);
        sys.calls.clear();
        std::vector<std::pair<float, bool>> seen;
        onVolume = [&] { seen.emplace_back(mv->Volume(), mv->Mute()); };
        sys.endpoints[0].scalar = 0.3f;
        sys.endpoints[0].mute = true;
        sys.NotifyVolumeData(0, 0.4f, false); // coalesced: the newest one counts
        sys.NotifyVolumeData(0, 0.3f, true);
        Pump();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0], std::make_pair(0.3f, true));
        const int reads = preload == TPreload::plNone ? 1 : 0;
        EXPECT_EQ(sys.Calls("GetMasterVolumeLevelScalar"), reads);
        EXPECT_EQ(sys.Calls("GetMute"), reads);
        // One that carried nothing reads the state back.
        sys.endpoints[0].scalar = 0.6f;
        sys.NotifyVolume(0);
        Pump();
        EXPECT_EQ(seen.back(), std::make_pair(0.6f, true));
        EXPECT_EQ(sys.Calls("GetMasterVolumeLevelScalar"), reads + 1);
    }
}

TEST_F(Backend, ANotificationOlderThanAnOwnWriteIsReadBack)
{
    Create(TPreload::plAlway);
    sys.endpoints[0].mute = false;
    sys.NotifyVolumeData(0, sys.endpoints[0].scalar, false); // a foreign change, still queued
    const auto callbacks = sys.volumeCallbacks;
    sys.volumeCallbacks.clear(); // the write's own notification comes only later
    ASSERT_TRUE(mv->SetMute(true));
    sys.volumeCallbacks = callbacks;
    Pump();
    EXPECT_TRUE(mv->Mute()) << "the write's state, not the older notification's";
}

TEST_F(Backend, AReplacedEndpointsLateNotificationIsReadBackFromTheNewOne)
{
    Create(TPreload::plAlway);
    IAudioEndpointVolumeCallback* old = sys.volumeCallbacks[0];
    sys.endpoints[1].scalar = 0.7f;
    sys.defaultIndex = 1;
    sys.NotifyDefault(); // queued before the late notification of the old endpoint
    AUDIO_VOLUME_NOTIFICATION_DATA data{};
    data.fMasterVolume = 0.1f;
    data.nChannels = 1;
    old->OnNotify(&data);
    Pump();
    EXPECT_EQ(mv->DefaultDeviceId(), Id(1));
    EXPECT_EQ(mv->Volume(), 0.7f);
}

TEST_F(Backend, DeviceNotificationReopensBeforeOnDevice)
{
    Create(TPreload::plAuto);
    std::wstring seen;
    onDevice = [&] { seen = mv->DefaultDeviceName(); };
    EXPECT_EQ(mv->DefaultDeviceName(), sys.endpoints[0].name);
    EXPECT_TRUE(mv->SetDeviceById(Id(1)));
    EXPECT_TRUE(mv->Changing());
    EXPECT_EQ(Switches(), Log{L"SetDefault " + Id(1) + L" 0"}) << "console role only";
    Pump();
    EXPECT_EQ(events, std::vector<std::string>{"device"});
    EXPECT_EQ(seen, sys.endpoints[1].name);
    EXPECT_FALSE(mv->Changing());
    EXPECT_EQ(sys.volumeCallbacks.count(0), 0u);
    EXPECT_EQ(sys.volumeCallbacks.count(1), 1u);

    for (auto [flow, role] :
         {std::pair{eCapture, eConsole}, {eRender, eMultimedia}, {eRender, eCommunications}})
        sys.NotifyDefault(flow, role);
    Pump();
    EXPECT_EQ(events.size(), 1u) << "other flows and roles are ignored";
}

TEST_F(Backend, NextDeviceWrapsAndNeedsTwoEndpoints)
{
    const struct {
        int count, defaultIndex, inactive, target; // target -1: no switch
    } cases[] = {{1, 0, -1, -1}, {3, 2, -1, 0}, {3, 0, -1, 1}, {3, 1, -1, 2}, {3, 2, 2, 0}};
    for (const auto& c : cases) {
        sys = fakes::System(std::vector<std::wstring>(c.count, L"Speakers"));
        sys.defaultIndex = c.defaultIndex;
        if (c.inactive >= 0)
            sys.endpoints[c.inactive].active = false;
        Create();
        EXPECT_EQ(mv->NextDevice(), c.target >= 0);
        EXPECT_EQ(Switches(), c.target < 0 ? Log{} : Log{L"SetDefault " + Id(c.target) + L" 0"})
            << c.count << " endpoints, default " << c.defaultIndex;
        mv.reset();
    }
}

TEST_F(Backend, SetDeviceTriesIdAndNamesInOrder)
{
    const std::wstring id0 = L"{0.0.0.00000000}.{0}", id1 = L"{0.0.0.00000000}.{1}";
    const struct {
        std::vector<std::wstring> names;
        int failing; // endpoint whose switch fails, or -1
        std::wstring device;
        bool result;
        Log tried;
    } cases[] = {
        {{L"A", L"B"}, -1, id1, true, {id1}},
        {{L"A", L"B"}, -1, L"B", true, {id1}},
        {{L"Same", L"Same"}, 0, L"Same", true, {id0, id1}},
        {{L"Same", L"Same"}, -1, L"Same", true, {id0}},
        {{L"{odd}", L"B"}, -1, L"{odd}", true, {L"{odd}", id0}}, // looks like an ID, is a name
        {{L"A", L"B"}, -1, L"C", false, {L"C"}},
        {{L"A", L"B"}, -1, L"", false, {}},
    };
    for (const auto& c : cases) {
        sys = fakes::System(c.names);
        if (c.failing >= 0)
            sys.endpoints[c.failing].setDefault = E_FAIL;
        Create();
        EXPECT_EQ(mv->SetDevice(c.device), c.result) << c.device;
        Log expected;
        for (const auto& id : c.tried)
            expected.push_back(L"SetDefault " + id + L" 0");
        EXPECT_EQ(Switches(), expected) << c.device;
        mv.reset();
    }
}

TEST_F(Backend, SetVolumeMuteDeviceOnTheCurrentEndpointSetsMuteThenVolume)
{
    for (std::wstring device : {std::wstring(), Id(0), sys.endpoints[0].name}) {
        sys.log.clear();
        Create();
        EXPECT_TRUE(mv->SetVolumeMuteDevice(true, device, 0.25f));
        EXPECT_EQ(sys.log, (Log{L"SetMute 1 #0", L"SetVolume 0.250000 #0"})) << device;
    }
    sys.log.clear();
    sys.endpoints[0].setMute = E_FAIL;
    EXPECT_FALSE(mv->SetVolumeMuteDevice(false, L"", 0.5f));
    EXPECT_EQ(sys.log, Log{L"SetMute 0 #0"}) << "no volume after a failed mute";
}

TEST_F(Backend, SetVolumeMuteDeviceOnAnotherEndpointAppliesAfterOnDevice)
{
    for (HRESULT muteResult : {S_OK, E_FAIL}) {
        sys = fakes::System();
        sys.endpoints[1].setMute = muteResult;
        events.clear();
        Create(TPreload::plAlway);
        bool appliedBeforeOnDevice = true;
        onDevice = [&] { appliedBeforeOnDevice = sys.endpoints[1].scalar != 1.0f; };
        EXPECT_TRUE(mv->SetVolumeMuteDevice(true, sys.endpoints[1].name, 0.25f));
        EXPECT_EQ(sys.endpoints[1].scalar, 1.0f);
        Pump();
        EXPECT_FALSE(appliedBeforeOnDevice);
        EXPECT_EQ(sys.endpoints[1].scalar, 0.25f) << "volume is set even when mute fails";
        EXPECT_EQ(sys.endpoints[1].mute, muteResult == S_OK);
        EXPECT_EQ(sys.endpoints[0].scalar, 1.0f);
        EXPECT_FALSE(sys.endpoints[0].mute);
        EXPECT_EQ(events.front(), "device");
        mv.reset();
    }
}

TEST_F(Backend, FailedSwitchDoesNotLeaveValuesForALaterDeviceChange)
{
    sys.endpoints[1].setDefault = E_FAIL;
    Create();
    EXPECT_FALSE(mv->SetVolumeMuteDevice(true, Id(1), 0.25f));
    sys.defaultIndex = 1; // later, the user switches elsewhere
    sys.NotifyDefault();
    Pump();
    EXPECT_EQ(sys.endpoints[1].scalar, 1.0f);
    EXPECT_FALSE(sys.endpoints[1].mute);
}

// ---- threads ----

TEST_F(Backend, ForeignNotificationRaisesOnVolumeOnTheUserInterfaceThread)
{
    Create(TPreload::plAlway);
    const DWORD ui = ::GetCurrentThreadId();
    DWORD thread = 0;
    float seen = -1;
    onVolume = [&] { thread = ::GetCurrentThreadId(), seen = mv->Volume(); };
    IAudioEndpointVolumeCallback* callback = sys.volumeCallbacks.at(0);
    std::thread([&] {
        sys.endpoints[0].scalar = 0.5f;
        for (int i = 0; i < 50; ++i)
            callback->OnNotify(nullptr);
    }).join();
    EXPECT_TRUE(events.empty()) << "nothing runs on the notifying thread";
    Pump();
    EXPECT_EQ(events.size(), 1u) << "a burst is served by one handler run";
    EXPECT_EQ(thread, ui);
    EXPECT_EQ(seen, 0.5f);
    std::thread([&] { callback->OnNotify(nullptr); }).join();
    Pump();
    EXPECT_EQ(events.size(), 2u) << "the next notification still arrives";
}

TEST_F(Backend, NotificationWhileTheUserInterfaceThreadWaitsInAnEndpointCall)
{
    Create(TPreload::plAlway);
    IAudioEndpointVolumeCallback* callback = sys.volumeCallbacks.at(0);
    bool returned = false;
    // The platform may deliver on its thread and wait for it before the call returns.
    sys.duringSetVolume = [&](int) {
        auto done = std::make_shared<fw::UniqueHandleK>(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        std::thread t([callback, done] {
            callback->OnNotify(nullptr);
            ::SetEvent(done->get());
        });
        returned = ::WaitForSingleObject(done->get(), 30000) == WAIT_OBJECT_0;
        returned ? t.join() : t.detach();
    };
    EXPECT_TRUE(mv->SetVolume(0.3f));
    EXPECT_TRUE(returned) << "the callback blocked on the user-interface thread";
    Pump();
    EXPECT_EQ(mv->Volume(), 0.3f);
}

TEST_F(Backend, DeviceStateChangeIsEnumeratedOnTheUserInterfaceThread)
{
    Create(TPreload::plAlway);
    EXPECT_EQ(mv->DeviceCount(), 2);
    sys.endpoints.push_back({L"{0.0.0.00000000}.{2}", L"Line Out (HD Audio)"});
    IMMNotificationClient* client = sys.client;
    std::thread([&] { client->OnDeviceStateChanged(L"{0.0.0.00000000}.{2}", DEVICE_STATE_ACTIVE); }).join();
    EXPECT_EQ(sys.enumThreads, std::set<DWORD>{::GetCurrentThreadId()});
    EXPECT_EQ(mv->DeviceCount(), 2);
    Pump();
    sys.calls.clear();
    EXPECT_EQ(mv->DeviceCount(), 3);
    EXPECT_EQ(mv->DeviceShortName(2), L"Line Out");
    EXPECT_TRUE(sys.calls.empty()) << "rebuilt and refilled";
    sys.endpoints[0].active = false;
    sys.NotifyState(0);
    Pump();
    EXPECT_EQ(mv->DeviceCount(), 2);
    EXPECT_EQ(mv->DeviceName(0), sys.endpoints[1].name);
}

TEST_F(Backend, NothingArrivesAfterDestruction)
{
    Create();
    sys.NotifyVolume(0);
    sys.NotifyDefault();
    mv.reset();
    Pump();
    EXPECT_TRUE(events.empty());
}

TEST_F(Backend, HandlerExceptionsStayInsideTheWindowProcedure)
{
    Create();
    onVolume = [] { throw std::runtime_error("handler"); };
    sys.NotifyVolume(0);
    Pump();
    sys.NotifyVolume(0);
    Pump();
    EXPECT_EQ(events.size(), 2u);
}

TEST_F(Backend, LateCallbacksThroughAHeldReferenceAreHarmless)
{
    Create();
    // The platform may keep its reference and deliver once more after unregistering.
    fw::ComPtr<IMMNotificationClient> client(sys.client);
    fw::ComPtr<IAudioEndpointVolumeCallback> volume;
    ASSERT_EQ(client.As(volume, Guid(L"{657804FA-D6AD-4496-8A60-352752AF4F89}")), S_OK);
    fw::ComPtr<IMMNotificationClient> again;
    EXPECT_EQ(volume.As(again, Guid(L"{7991EEC9-7E89-4D85-8390-6C703CEC60C0}")), S_OK);
    EXPECT_EQ(again.get(), client.get());
    fw::ComPtr<IUnknown> other;
    EXPECT_EQ(client.As(other, IID_IDispatch), E_NOINTERFACE);
    mv.reset();
    std::thread([&] {
        client->OnDefaultDeviceChanged(eRender, eConsole, nullptr);
        client->OnDeviceStateChanged(L"x", DEVICE_STATE_ACTIVE);
        volume->OnNotify(nullptr);
    }).join();
    Pump();
    EXPECT_TRUE(events.empty());
}
