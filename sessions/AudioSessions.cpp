#include "AudioSessions.h"
#include "ComImplementation.h"

#include "Lock.h"
#include "UniqueHandle.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace sessions {

namespace {

constexpr wchar_t kWindowClass[] = L"LorvaneAudioSessions";
constexpr UINT WM_SESSIONS_CHANGED = WM_APP + 0x6C0;
constexpr UINT kPollInterval = 1000;

// Marks the program's own session writes, as the platform passes it to every listener.
constexpr GUID kEventContext = {0x5b1c62d4, 0x8e0f, 0x4a8b, {0x9d, 0x61, 0x4f, 0x27, 0x3a, 0x90, 0xc5, 0x12}};

std::wstring TakeString(LPWSTR raw)
{
    fw::UniqueCoTaskString owned(raw);
    return raw ? std::wstring(raw) : std::wstring();
}

// The platform asks that session notifications be registered and unregistered from a
// thread of the multithreaded apartment that is not inside one of its callbacks: the
// user-interface thread is neither, so a short-lived thread does it while this one waits.
template <typename Fn> HRESULT RunInMultithreadedApartment(Fn fn) noexcept
{
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    if (SUCCEEDED(::CoGetApartmentType(&type, &qualifier)) && type == APTTYPE_MTA)
        return fn();
    struct Job {
        Fn* fn;
        HRESULT result;
    } job{&fn, E_FAIL};
    auto run = [](void* param) -> DWORD {
        auto* j = static_cast<Job*>(param);
        const HRESULT init = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        j->result = (*j->fn)();
        if (SUCCEEDED(init))
            ::CoUninitialize();
        return 0;
    };
    fw::UniqueHandleK thread(::CreateThread(nullptr, 0, run, &job, 0, nullptr));
    if (!thread)
        return fn(); // better registered from here than not at all
    ::WaitForSingleObject(thread.get(), INFINITE);
    return job.result;
}

// The callback objects handed to the platform, which may hold (and call) them after the
// program has unregistered them: reference counted.
template <typename Interface> using Sink = fw::ComObject<Interface>;

std::atomic<int> liveSinks{0};

} // namespace

// Callbacks arrive on the platform's threads: they record what changed and post one
// message for all of them to the user-interface thread, never waiting for it.
class TAudioSessions::Poster {
  public:
    explicit Poster(HWND target) noexcept : target(target) {}
    void Post() noexcept
    {
        fw::ExclusiveLock guard(lock);
        if (!target || queued.exchange(true))
            return;
        if (!::PostMessageW(target, WM_SESSIONS_CHANGED, 0, 0))
            queued.store(false);
    }
    void Handled() noexcept { queued.store(false); }
    void Detach() noexcept
    {
        fw::ExclusiveLock guard(lock);
        target = nullptr;
    }

  private:
    SRWLOCK lock = SRWLOCK_INIT;
    HWND target;
    std::atomic<bool> queued{false};
};

class TAudioSessions::CreatedSink final : public Sink<IAudioSessionNotification> {
  public:
    explicit CreatedSink(std::shared_ptr<Poster> poster) noexcept : poster(std::move(poster)) { ++liveSinks; }
    ~CreatedSink() override { --liveSinks; }
    bool TakeCreated() noexcept { return created.exchange(false); }
    HRESULT STDMETHODCALLTYPE OnSessionCreated(IAudioSessionControl*) noexcept override
    {
        // The new session is read with the others on the user-interface thread.
        created.store(true);
        poster->Post();
        return S_OK;
    }

  private:
    std::shared_ptr<Poster> poster;
    std::atomic<bool> created{false};
};

class TAudioSessions::EventSink final : public Sink<IAudioSessionEvents> {
  public:
    explicit EventSink(std::shared_ptr<Poster> poster) noexcept : poster(std::move(poster)) { ++liveSinks; }
    ~EventSink() override { --liveSinks; }

    struct Taken {
        bool any = false;
        bool level = false;
        float volume = 0.0f;
        bool mute = false;
        int state = -1; // an AudioSessionState, -1 when none came
        bool renamed = false;
    };
    // What came since the last call, at most once each.
    Taken Take() noexcept
    {
        Taken t;
        if (!dirty.exchange(false))
            return t;
        t.any = true;
        const uint64_t packed = level.exchange(0);
        if (packed & kPresent) {
            t.level = true;
            const uint32_t bits = static_cast<uint32_t>(packed);
            std::memcpy(&t.volume, &bits, sizeof t.volume);
            t.mute = (packed & kMuted) != 0;
        }
        t.state = state.exchange(-1);
        t.renamed = renamed.exchange(false);
        return t;
    }

    HRESULT STDMETHODCALLTYPE OnDisplayNameChanged(LPCWSTR, LPCGUID) noexcept override
    {
        renamed.store(true);
        return Changed();
    }
    HRESULT STDMETHODCALLTYPE OnIconPathChanged(LPCWSTR, LPCGUID) noexcept override
    {
        renamed.store(true);
        return Changed();
    }
    HRESULT STDMETHODCALLTYPE OnSimpleVolumeChanged(float volume, BOOL mute, LPCGUID) noexcept override
    {
        uint32_t bits = 0;
        std::memcpy(&bits, &volume, sizeof bits);
        level.store(kPresent | (mute ? kMuted : 0) | bits);
        return Changed();
    }
    HRESULT STDMETHODCALLTYPE OnChannelVolumeChanged(DWORD, float[], DWORD, LPCGUID) noexcept override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnGroupingParamChanged(LPCGUID, LPCGUID) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStateChanged(AudioSessionState newState) noexcept override
    {
        state.store(static_cast<int>(newState));
        return Changed();
    }
    HRESULT STDMETHODCALLTYPE OnSessionDisconnected(AudioSessionDisconnectReason) noexcept override
    {
        state.store(AudioSessionStateExpired);
        return Changed();
    }

  private:
    HRESULT Changed() noexcept
    {
        dirty.store(true);
        poster->Post();
        return S_OK;
    }

    static constexpr uint64_t kPresent = uint64_t{1} << 63;
    static constexpr uint64_t kMuted = uint64_t{1} << 32;
    std::shared_ptr<Poster> poster;
    std::atomic<bool> dirty{false};
    std::atomic<uint64_t> level{0};
    std::atomic<int> state{-1};
    std::atomic<bool> renamed{false};
};

struct TAudioSessions::Entry {
    TAppSession info;
    fw::ComPtr<IAudioSessionControl2> control;
    fw::ComPtr<ISimpleAudioVolume> volume;
    fw::ComPtr<EventSink> sink; // registered while followed
};

TAudioSessions::TAudioSessions(fw::TComponent* owner, audio::CoreAudioSeams seams)
    : TComponent(owner), seams(std::move(seams))
{
}

TAudioSessions::~TAudioSessions()
{
    StopFollowing();
    Close();
    window.Destroy();
}

int TAudioSessions::RegisteredCount() const noexcept
{
    return liveSinks.load();
}

bool TAudioSessions::Open()
{
    if (manager)
        return true;
    if (!enumerator && (!seams.createEnumerator || FAILED(seams.createEnumerator(enumerator.put())) || !enumerator)) {
        enumerator.reset();
        return false;
    }
    fw::ComPtr<IMMDevice> device;
    if (FAILED(enumerator->GetDefaultAudioEndpoint(eRender, eConsole, device.put())) || !device)
        return false;
    if (FAILED(device->Activate(__uuidof(IAudioSessionManager2), CLSCTX_INPROC_SERVER, nullptr,
                                manager.put_void())) ||
        !manager) {
        manager.reset();
        return false;
    }
    return true;
}

void TAudioSessions::Close() noexcept
{
    for (Entry& e : entries)
        Unregister(e);
    entries.clear();
    list.clear();
    manager.reset();
}

std::vector<TAudioSessions::Entry> TAudioSessions::Enumerate()
{
    std::vector<Entry> found;
    fw::ComPtr<IAudioSessionEnumerator> sessions;
    if (!Open() || FAILED(manager->GetSessionEnumerator(sessions.put())) || !sessions)
        return found;
    int count = 0;
    if (FAILED(sessions->GetCount(&count)))
        return found;
    for (int i = 0; i < count; ++i) {
        fw::ComPtr<IAudioSessionControl> plain;
        Entry e;
        AudioSessionState state = AudioSessionStateExpired;
        if (FAILED(sessions->GetSession(i, plain.put())) || !plain ||
            FAILED(plain.As(e.control, __uuidof(IAudioSessionControl2))) || !e.control ||
            FAILED(e.control->GetState(&state)) || state == AudioSessionStateExpired)
            continue;
        LPWSTR raw = nullptr;
        if (FAILED(e.control->GetSessionInstanceIdentifier(&raw)))
            continue;
        e.info.Key = TakeString(raw);
        if (e.info.Key.empty())
            continue;
        e.info.Active = state == AudioSessionStateActive;
        e.info.System = e.control->IsSystemSoundsSession() == S_OK;
        if (FAILED(e.control->GetProcessId(&e.info.ProcessId)))
            e.info.ProcessId = 0;
        raw = nullptr;
        if (SUCCEEDED(e.control->GetDisplayName(&raw)))
            e.info.DisplayName = TakeString(raw);
        raw = nullptr;
        if (SUCCEEDED(e.control->GetIconPath(&raw)))
            e.info.IconPath = TakeString(raw);
        if (SUCCEEDED(e.control.As(e.volume, __uuidof(ISimpleAudioVolume))) && e.volume) {
            BOOL mute = FALSE;
            if (FAILED(e.volume->GetMasterVolume(&e.info.Volume)))
                e.info.Volume = 0.0f;
            e.info.Mute = SUCCEEDED(e.volume->GetMute(&mute)) && mute;
        }
        found.push_back(std::move(e));
    }
    return found;
}

void TAudioSessions::Follow()
{
    if (++followers == 1)
        StartFollowing();
}

void TAudioSessions::Unfollow()
{
    if (followers == 0)
        return;
    if (--followers == 0)
        StopFollowing();
}

void TAudioSessions::StartFollowing()
{
    if (!window.Handle())
        window.CreateMessageOnly(kWindowClass, [this](UINT msg, WPARAM, LPARAM) noexcept -> std::optional<LRESULT> {
            if (msg != WM_SESSIONS_CHANGED)
                return std::nullopt;
            try {
                HandleNotifications();
            } catch (...) {
                // Nothing may leave a window procedure; the next notification reads afresh.
            }
            return 0;
        });
    poster = std::make_shared<Poster>(window.Handle());
    createdSink.attach(new CreatedSink(poster));
    Close(); // what a plain read left holds no registration
    if (Open()) {
        IAudioSessionManager2* m = manager.get();
        IAudioSessionNotification* client = createdSink.get();
        createdRegistered = SUCCEEDED(RunInMultithreadedApartment([m, client] { return m->RegisterSessionNotification(client); }));
    }
    // The first enumeration after registering starts the notifications.
    Refresh(false);
    if (!createdRegistered && manager) {
        if (!pollTimer) {
            pollTimer = std::make_unique<fw::TTimer>(this, L"SessionPollTimer", kPollInterval, false);
            pollTimer->OnTimer = [this](fw::TObject*) { Refresh(true); };
        }
        pollTimer->SetEnabled(true);
    }
}

void TAudioSessions::StopFollowing() noexcept
{
    if (pollTimer)
        pollTimer->SetEnabled(false);
    if (poster)
        poster->Detach();
    if (manager && createdRegistered) {
        IAudioSessionManager2* m = manager.get();
        IAudioSessionNotification* client = createdSink.get();
        RunInMultithreadedApartment([m, client] { return m->UnregisterSessionNotification(client); });
    }
    createdRegistered = false;
    createdSink.reset();
    Close();
    poster.reset();
}

void TAudioSessions::Unregister(Entry& e) noexcept
{
    if (e.sink && e.control)
        e.control->UnregisterAudioSessionNotification(e.sink.get());
    e.sink.reset();
}

TAudioSessions::Entry* TAudioSessions::Find(const std::wstring& key)
{
    auto it = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.info.Key == key; });
    return it == entries.end() ? nullptr : &*it;
}

// Reads the list again: sessions that are new get their notifications, those that went give
// theirs up, and those that stay keep their objects (and report a change when they have one).
void TAudioSessions::Refresh(bool raise)
{
    std::vector<Entry> fresh = Enumerate();
    bool listChanged = fresh.size() != entries.size();
    std::vector<std::wstring> levels;
    for (Entry& f : fresh) {
        if (Entry* old = Find(f.info.Key)) {
            listChanged = listChanged || old->info.Active != f.info.Active ||
                          old->info.DisplayName != f.info.DisplayName || old->info.IconPath != f.info.IconPath;
            if (old->info.Volume != f.info.Volume || old->info.Mute != f.info.Mute)
                levels.push_back(f.info.Key);
            std::swap(f.sink, old->sink);
            f.control = old->control; // the registration was made on this object
        } else {
            listChanged = true;
            if (Following() && poster) {
                f.sink.attach(new EventSink(poster));
                if (FAILED(f.control->RegisterAudioSessionNotification(f.sink.get())))
                    f.sink.reset();
            }
        }
    }
    for (Entry& old : entries)
        if (old.sink)
            Unregister(old); // went away (those kept had their sink moved out)
    entries = std::move(fresh);
    Publish();
    if (!raise || !OnChange)
        return;
    if (listChanged)
        OnChange(this, std::wstring());
    for (const std::wstring& key : levels)
        OnChange(this, key);
}

void TAudioSessions::HandleNotifications()
{
    if (!poster || !Following())
        return;
    poster->Handled(); // before the reads: a notification from now on posts again
    bool listChanged = false;
    if (createdSink && createdSink->TakeCreated()) {
        Refresh(false);
        listChanged = true;
    }
    std::vector<std::wstring> levels;
    for (size_t i = 0; i < entries.size();) {
        Entry& e = entries[i];
        const EventSink::Taken t = e.sink ? e.sink->Take() : EventSink::Taken{};
        if (t.state == AudioSessionStateExpired) {
            Unregister(e);
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
            listChanged = true;
            continue;
        }
        if (t.state >= 0 && (t.state == AudioSessionStateActive) != e.info.Active) {
            e.info.Active = t.state == AudioSessionStateActive;
            listChanged = true;
        }
        if (t.renamed) {
            LPWSTR raw = nullptr;
            if (SUCCEEDED(e.control->GetDisplayName(&raw)))
                e.info.DisplayName = TakeString(raw);
            raw = nullptr;
            if (SUCCEEDED(e.control->GetIconPath(&raw)))
                e.info.IconPath = TakeString(raw);
            listChanged = true;
        }
        if (t.level && (t.volume != e.info.Volume || t.mute != e.info.Mute)) {
            e.info.Volume = t.volume;
            e.info.Mute = t.mute;
            levels.push_back(e.info.Key);
        }
        ++i;
    }
    Publish();
    if (!OnChange)
        return;
    if (listChanged)
        OnChange(this, std::wstring());
    for (const std::wstring& key : levels)
        OnChange(this, key);
}

void TAudioSessions::Publish()
{
    list.clear();
    list.reserve(entries.size());
    for (const Entry& e : entries)
        list.push_back(e.info);
}

const std::vector<TAppSession>& TAudioSessions::Sessions()
{
    if (!Following()) {
        // Read afresh each time: without notifications a kept list would go stale.
        Close();
        entries = Enumerate();
        Publish();
    }
    return list;
}

bool TAudioSessions::SetVolume(const std::wstring& key, float volume)
{
    Entry* e = Find(key);
    if (!e || !e->volume || FAILED(e->volume->SetMasterVolume(std::clamp(volume, 0.0f, 1.0f), &kEventContext)))
        return false;
    // The list says what was asked at once; the notification confirms it.
    e->info.Volume = std::clamp(volume, 0.0f, 1.0f);
    Publish();
    return true;
}

bool TAudioSessions::SetMute(const std::wstring& key, bool mute)
{
    Entry* e = Find(key);
    if (!e || !e->volume || FAILED(e->volume->SetMute(mute ? TRUE : FALSE, &kEventContext)))
        return false;
    e->info.Mute = mute;
    Publish();
    return true;
}

void TAudioSessions::DefaultDeviceChanged()
{
    if (!Following()) {
        Close();
        return;
    }
    const int held = followers;
    StopFollowing();
    StartFollowing();
    followers = held;
    if (OnChange)
        OnChange(this, std::wstring());
}

} // namespace sessions
