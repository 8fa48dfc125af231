#include "TrayPresentation.h"

#include "Folders.h"

#include <cwchar>
#include <string_view>
#include <vector>

namespace lorvane {

namespace {

// The entries that the directory search returns for the pattern, files and folders alike, in
// its order.
std::vector<std::wstring> Matches(const std::wstring& folder, const wchar_t* pattern)
{
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((folder + pattern).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return found;
    do {
        found.push_back(folder + fd.cFileName);
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
    return found;
}

// The first of `paths` (each `folder` + a name) whose name "stem.*" matches: the stem alone or
// followed by a dot, in any case.
std::wstring FirstWithStem(const std::vector<std::wstring>& paths, size_t folderLength,
                           std::wstring_view stem)
{
    for (const std::wstring& path : paths) {
        const wchar_t* name = path.c_str() + folderLength;
        if (::_wcsnicmp(name, stem.data(), stem.size()) == 0 &&
            (!name[stem.size()] || name[stem.size()] == L'.'))
            return path;
    }
    return {};
}

} // namespace

TTrayPresentation::TTrayPresentation(fw::TComponent* owner, TNotifyIcon& icon, TSettings& settings,
                                     TTrayEndpoint endpoint, const TIconList::Loader& loader)
    : fw::TComponent(owner, L"TrayPresentation"), BalloonTimer(this, L"BalloonTimer", 1000, false),
      icon(icon), settings(settings), endpoint(std::move(endpoint)),
      manager(this->endpoint.Min, this->endpoint.Max, loader)
{
    iconSize = manager.IconSize();
    BalloonTimer.OnTimer = [this](fw::TObject*) { BalloonTimerTimer(); };
}

void TTrayPresentation::LoadIconSet(const std::wstring& name)
{
    settings.IconDir = name;
    manager.Clear();
    setLoaded = true;
    const std::wstring folder = IncludeTrailingBackslash(IconsDir + name);

    // Two directory passes where six would do: every name that "VolMin.*" matches also matches
    // "Vol*.*", and a folder lists its names in one order on every pass, so the first VolMin of
    // the "Vol*.*" pass is the one a search of its own would return (Mute likewise).
    const std::vector<std::wstring> volumes = Matches(folder, L"Vol*.*");
    const std::vector<std::wstring> mutes = Matches(folder, L"Mute*.*");
    static constexpr struct {
        TVolIconList::Special which;
        const wchar_t* stem;
        bool mute;
    } kSpecials[] = {{TVolIconList::VolMin, L"VolMin", false},
                     {TVolIconList::VolMax, L"VolMax", false},
                     {TVolIconList::MuteMin, L"MuteMin", true},
                     {TVolIconList::MuteMax, L"MuteMax", true}};
    for (const auto& s : kSpecials)
        manager.SetSpecialName(s.which, FirstWithStem(s.mute ? mutes : volumes, folder.size(), s.stem));

    auto addExcept = [](TIconList& list, const std::vector<std::wstring>& files, const std::wstring& a,
                        const std::wstring& b) {
        for (const std::wstring& file : files)
            if (file != a && file != b)
                list.Add(file);
    };
    addExcept(manager.Volumes(), volumes, manager.SpecialName(TVolIconList::VolMin),
              manager.SpecialName(TVolIconList::VolMax));
    addExcept(manager.Mutes(), mutes, manager.SpecialName(TVolIconList::MuteMin),
              manager.SpecialName(TVolIconList::MuteMax));
    UpdateTrayIcon(false, 0, 0);
}

std::wstring TTrayPresentation::FormatVolumeText(int level, std::wstring_view format, bool withDevice) const
{
    TVolumeTextContext c;
    c.Min = endpoint.Min;
    c.Max = endpoint.Max;
    c.FormatDevice = settings.FormatDevice;
    c.FormatRealVol = settings.FormatRealVol;
    c.DefDevice = Texts.DefDevice;
    if (endpoint.ShortName)
        c.ShortName = endpoint.ShortName();
    if (withDevice && endpoint.FullName)
        c.FullName = endpoint.FullName();
    c.DecimalSeparator = DecimalSeparator;
    return lorvane::FormatVolumeText(level, format, withDevice, c);
}

void TTrayPresentation::UpdateTrayIcon(bool balloon, unsigned time, unsigned delay)
{
    const bool muted = endpoint.Mute ? endpoint.Mute() : false;
    const int level = endpoint.Volume ? endpoint.Volume() : endpoint.Min;

    std::wstring tip;
    if (muted) {
        tip = FormatVolumeText(level, Texts.IconMute, true);
        // The first update after muting says so; later ones while muted give the level too.
        // Only the level line counts: a device name on a line of its own would never match.
        auto levelLine = [](const std::wstring& text) { return text.substr(0, text.find(L"\r\n")); };
        if (levelLine(hint).find(levelLine(tip)) != std::wstring::npos)
            tip = FormatVolumeText(level, Texts.IconMuteVol, true);
    } else {
        tip = FormatVolumeText(level, Texts.IconVolume, true);
    }

    bool sizeChanged = false;
    if (manager.IconSize() != iconSize) {
        manager.SetIconSize(iconSize);
        sizeChanged = true;
    }

    // Picture, tip and balloon reach the shell in one call.
    tray::UpdateScope update(icon);
    manager.Muted = muted;
    manager.Level = level;
    manager.IconMuteFix = settings.IconMuteFix;
    TFoundIcon found = manager.FindIcon();
    if (sizeChanged || found.Name != iconFile) {
        iconFile = found.Name;
        if (pushPicture)
            icon.SetIcon(found.Picture); // no picture: the tray shows the program's own icon
    }

    if (tip != hint) {
        hint = tip;
        icon.SetHint(tip);
        icon.RefreshTip();
        if (balloon) {
            if (icon.MouseInside() || (PopupBarVisible && PopupBarVisible()))
                icon.HideBalloon();
            else
                StartBalloon(time, delay);
        }
    }
}

void TTrayPresentation::StartBalloon(unsigned time, unsigned delay)
{
    balloonTag = time;
    if (delay > 0)
        BalloonTimer.Postpone(delay); // every change starts the wait again
    else
        ShowNotice(false);
}

void TTrayPresentation::BalloonTimerTimer()
{
    if (balloonTag < 0) {
        BalloonTimer.SetEnabled(false);
        icon.HideBalloon();
        return;
    }
    // A notice that waited for the changes to settle says what happened; an immediate one
    // only repeats the tooltip.
    ShowNotice(BalloonTimer.Interval() >= kTitledBalloonDelay);
}

void TTrayPresentation::ShowNotice(bool titled)
{
    const unsigned time = static_cast<unsigned>(balloonTag);
    {
        tray::UpdateScope update(icon); // the hide of the last notice and the new one: one call
        icon.ShowBalloon(icon.Hint(), titled ? Texts.MsgVolume : std::wstring(), titled ? 1 : 0, false, time);
    }
    balloonTag = -1;
    BalloonTimer.Postpone(time); // hidden `time` ms from now
}

std::wstring TTrayPresentation::IconPreview(const std::wstring& name)
{
    if (name.empty())
        return iconFile;
    const bool savedLoading = manager.Loading();
    const bool savedPush = pushPicture;
    const std::wstring savedDir = settings.IconDir;
    manager.SetLoading(false);
    pushPicture = false;
    LoadIconSet(name);
    std::wstring preview = iconFile;
    LoadIconSet(savedDir);
    pushPicture = savedPush;
    manager.SetLoading(savedLoading);
    return preview;
}

void TTrayPresentation::ChangeDpi(int oldDpi, int newDpi)
{
    if (oldDpi <= 0 || newDpi <= 0)
        return;
    const int size = ::MulDiv(iconSize, newDpi, oldDpi);
    if (size <= 0 || size == iconSize)
        return;
    iconSize = size;
    UpdateTrayIcon(false, 0, 0);
}

} // namespace lorvane
