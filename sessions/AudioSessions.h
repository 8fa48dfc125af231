#pragma once
// TAudioSessions: the audio sessions of the default render endpoint, one per application
// that plays (and the system's own sounds), with their volume and mute on the session's 0..1
// scale. While something follows them (the pop-up bar, a bound application action) the list
// is kept current through the platform's session notifications and OnChange tells of every
// change on the user-interface thread; otherwise nothing is registered and every read asks
// the platform afresh, so an idle program wakes for none of it.

#include "AudioTypes.h"
#include "ComPtr.h"
#include "Component.h"
#include "MasterVolumeVista.h"
#include "Timer.h"
#include "Window.h"

#include <audiopolicy.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sessions {

struct TAppSession {
    std::wstring Key; // the session's instance identifier: unique while it lives
    DWORD ProcessId = 0;
    bool System = false; // the system sounds session
    std::wstring DisplayName;
    std::wstring IconPath;
    bool Active = false; // playing now (else inactive; expired sessions are dropped)
    float Volume = 1.0f;
    bool Mute = false;
};

class TAudioSessions : public fw::TComponent {
  public:
    explicit TAudioSessions(fw::TComponent* owner, audio::CoreAudioSeams seams = audio::SystemCoreAudio());
    ~TAudioSessions() override;

    /// Counted: the sessions are followed while at least one holder wants them.
    void Follow();
    void Unfollow();
    bool Following() const noexcept { return followers > 0; }

    /// The sessions of the default endpoint that have not expired: while followed the list
    /// kept current, otherwise read now. Empty without Core Audio or an endpoint.
    const std::vector<TAppSession>& Sessions();
    /// Each write returns true when the platform accepted it.
    bool SetVolume(const std::wstring& key, float volume);
    bool SetMute(const std::wstring& key, bool mute);
    /// The default endpoint changed: the sessions followed are those of the new one.
    void DefaultDeviceChanged();

    /// While followed, on the user-interface thread: `key` empty when the list changed
    /// (sessions came or went, became active or idle, were renamed), else the key of the
    /// one session whose volume or mute changed.
    std::function<void(fw::TObject* sender, const std::wstring& key)> OnChange;

    /// Sessions, notification registrations and callback objects alive now (tests of leaks).
    int RegisteredCount() const noexcept;

  private:
    class Poster;
    class CreatedSink;
    class EventSink;
    struct Entry;

    bool Open();
    void Close() noexcept;
    std::vector<Entry> Enumerate();
    void StartFollowing();
    void StopFollowing() noexcept;
    void Refresh(bool raise);
    void Unregister(Entry& entry) noexcept;
    void HandleNotifications();
    void Publish();
    Entry* Find(const std::wstring& key);

    audio::CoreAudioSeams seams;
    fw::ComPtr<IMMDeviceEnumerator> enumerator;
    fw::ComPtr<IAudioSessionManager2> manager;
    std::vector<Entry> entries;
    std::vector<TAppSession> list;
    int followers = 0;
    std::shared_ptr<Poster> poster;
    fw::ComPtr<CreatedSink> createdSink;
    bool createdRegistered = false;
    fw::MessageWindow window;
    // Where the platform gives no creation notices, a followed list is read again each second.
    std::unique_ptr<fw::TTimer> pollTimer;
};

} // namespace sessions
