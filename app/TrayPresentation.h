#pragma once
// The tray icon's picture, tooltip and balloon notice for the state of the default endpoint:
// loads the icon set, chooses the picture, composes the tooltip, times the balloon. Owned by
// the main window, which forwards LoadIconSet, UpdateTrayIcon and the rest to it.

#include "Component.h"
#include "IconList.h"
#include "NotifyIcon.h"
#include "Settings.h"
#include "TextList.h"
#include "Timer.h"
#include "VolumeText.h"

#include <functional>
#include <string>

namespace lorvane {

// The texts of the tray icon, with their English defaults; the main window gives it those of
// the language in use.
struct TTrayTexts {
    std::wstring IconVolume = kDefaultTexts[txIconVolume].text;
    std::wstring IconMute = kDefaultTexts[txIconMute].text;
    std::wstring IconMuteVol = kDefaultTexts[txIconMuteVol].text;
    std::wstring DefDevice = kDefaultTexts[txDefDevice].text;
    std::wstring MsgVolume = kDefaultTexts[txMsgVolume].text;
};

// What the presentation reads of the endpoint, when it needs it.
struct TTrayEndpoint {
    std::function<int()> Volume;
    std::function<bool()> Mute;
    std::function<std::wstring()> ShortName;
    std::function<std::wstring()> FullName;
    int Min = 0;
    int Max = 65535;
};

// Balloon delays from this length on give the notice a title and an information icon.
inline constexpr unsigned kTitledBalloonDelay = 1000;

class TTrayPresentation : public fw::TComponent {
  public:
    /// The icon and the settings must outlive the presentation. Timers come from the
    /// thread's timer backend at construction.
    TTrayPresentation(fw::TComponent* owner, TNotifyIcon& icon, TSettings& settings, TTrayEndpoint endpoint,
                      const TIconList::Loader& loader = {});

    /// The program's icon-set folder, with a trailing backslash.
    std::wstring IconsDir;
    TTrayTexts Texts;
    wchar_t DecimalSeparator = L'.';
    /// Whether the pop-up volume bar is on the screen (it hides a pending balloon).
    std::function<bool()> PopupBarVisible;

    TVolIconManager& IconManager() noexcept { return manager; }
    fw::TTimer BalloonTimer;

    /// Makes `name` the settings' IconDir, scans its folder and refreshes the icon.
    void LoadIconSet(const std::wstring& name);
    /// Recomputes tooltip and picture and pushes what changed; with `balloon`, a changed
    /// tooltip also starts the balloon notice (shown after `delay` ms for `time` ms).
    void UpdateTrayIcon(bool balloon, unsigned time, unsigned delay);
    std::wstring FormatVolumeText(int level, std::wstring_view format, bool withDevice) const;
    /// The file that the set `name` would show now (empty: the current one), without
    /// touching the tray icon's picture. Empty when the set has nothing to show.
    std::wstring IconPreview(const std::wstring& name);
    /// The size follows a change of the pop-up window's DPI.
    void ChangeDpi(int oldDpi, int newDpi);
    int IconSize() const noexcept { return iconSize; }

    const std::wstring& CurrentHint() const noexcept { return hint; }
    const std::wstring& CurrentIconFile() const noexcept { return iconFile; }
    /// A set has been scanned at least once.
    bool SetLoaded() const noexcept { return setLoaded; }

  private:
    void StartBalloon(unsigned time, unsigned delay);
    void BalloonTimerTimer();
    void ShowNotice(bool titled);

    TNotifyIcon& icon;
    TSettings& settings;
    TTrayEndpoint endpoint;
    TVolIconManager manager;
    std::wstring hint;
    std::wstring iconFile;
    int iconSize = 16;
    bool pushPicture = true; // off while a preview borrows the lists
    bool setLoaded = false;
    long long balloonTag = -1; // the balloon's time while its delay runs, else -1
};

} // namespace lorvane
