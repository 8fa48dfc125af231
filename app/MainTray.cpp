// The tray icon's presentation: icon set, picture, tooltip and balloon notice follow the
// default endpoint through the facade's change notification.
#include "Main.h"

namespace lorvane {

void TMainForm::CreateTray()
{
    // This window passes the shell's broadcasts on: the icon's own window can be message-only.
    NotifyIcon = std::make_unique<TNotifyIcon>(this, L"NotifyIcon", tray::NotifyIconSeams{},
                                               tray::Broadcasts::Forwarded);
    NotifyIcon->SetApplicationWindow(Handle());
    ConnectTrayBindings();

    TTrayEndpoint endpoint;
    endpoint.Volume = [this] { return MasterVolume->Volume(); };
    endpoint.Mute = [this] { return MasterVolume->Mute(); };
    endpoint.ShortName = [this] { return MasterVolume->DefaultDeviceShortName(); };
    endpoint.FullName = [this] { return MasterVolume->DefaultDeviceName(); };
    endpoint.Min = MasterVolume->Min;
    endpoint.Max = MasterVolume->Max;
    Tray = std::make_unique<TTrayPresentation>(this, *NotifyIcon, Settings, std::move(endpoint));
    Tray->DecimalSeparator = LocaleDecimalSeparator();
    Tray->PopupBarVisible = [this] { return PopupBarVisible && PopupBarVisible(); };
    // The set is scanned while the settings are read, without loading a picture; the first
    // update then loads only the one it shows.
    Tray->IconManager().BeginUpdate();
}

void TMainForm::ShowTray()
{
    // Settings that could not be read never chose a set: the default one still shows.
    if (!Tray->SetLoaded())
        LoadIconSet(Settings.IconDir);
    Tray->IconManager().EndUpdate();
    NotifyIcon->SetVisible(true);
}

void TMainForm::ApplyIconSettings()
{
    if (!Tray)
        return;
    Tray->IconManager().BeginUpdate();
    LoadIconSet(Settings.IconDir);
    Tray->IconManager().EndUpdate();
}

void TMainForm::LoadIconSet(const std::wstring& name)
{
    if (!Tray) {
        Settings.IconDir = name;
        return;
    }
    Tray->IconsDir = folders.IconsDir;
    Tray->LoadIconSet(name);
}

void TMainForm::UpdateTrayIcon(bool balloon, unsigned balloonTime, unsigned balloonDelay)
{
    if (Tray)
        Tray->UpdateTrayIcon(balloon, balloonTime, balloonDelay);
}

std::wstring TMainForm::FormatVolumeText(int level, const std::wstring& format, bool withDevice) const
{
    return Tray ? Tray->FormatVolumeText(level, format, withDevice) : std::wstring();
}

std::wstring TMainForm::IconPreview(const std::wstring& setName)
{
    if (!Tray)
        return {};
    Tray->IconsDir = folders.IconsDir;
    return Tray->IconPreview(setName);
}

void TMainForm::ChangeIconDpi(int oldDpi, int newDpi)
{
    if (Tray)
        Tray->ChangeDpi(oldDpi, newDpi);
}

} // namespace lorvane
