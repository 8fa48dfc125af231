// The tray icon's picture, tooltip and balloon notice against a recording shell, with the
// balloon's time on a virtual clock and icon sets in a scratch Icons folder.
#include "TrayPresentation.h"

#include "IconLoader.h"
#include "TrayMessages.h"
#include "TrayTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace lorvane;

constexpr int k30 = 19661;
constexpr int k45 = 29491;
const std::wstring kFullName = L"Speakers (High Definition Audio Device)";

std::wstring MakeIconsFolder()
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring icons =
        std::wstring(temp) + L"lorvane-traypresentation-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    ::CreateDirectoryW(icons.c_str(), nullptr);
    auto touch = [](const std::wstring& path) {
        ::CloseHandle(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    };
    const std::wstring test = icons + L"Test Set\\";
    ::CreateDirectoryW(test.c_str(), nullptr);
    for (const wchar_t* f :
         {L"VolMin.ico", L"Vol0.ico", L"Vol1.ico", L"vol2.ico", L"Vol3.ico", L"Vol4.ico", L"MuteMin.ico",
          L"Mute0.ico", L"Mute1.ico", L"Mute2.ico", L"Mute3.ico", L"Readme.txt"})
        touch(test + f);
    const std::wstring other = icons + L"Other Set\\";
    ::CreateDirectoryW(other.c_str(), nullptr);
    for (const wchar_t* f : {L"Vol0.png", L"Vol1.ico"})
        touch(other + f);
    // A special is its name alone before the dot, in any case; a longer name is a level picture.
    const std::wstring stems = icons + L"Stem Set\\";
    ::CreateDirectoryW(stems.c_str(), nullptr);
    for (const wchar_t* f : {L"VolMaximum.png", L"volmax.PNG", L"Vol0.png", L"MUTEMIN.png", L"MuteMin2.png"})
        touch(stems + f);
    return icons;
}

const std::wstring& IconsFolder()
{
    static const std::wstring folder = MakeIconsFolder();
    return folder;
}

std::wstring FileName(const std::wstring& path)
{
    return path.substr(path.find_last_of(L'\\') + 1);
}

class Presentation : public testing::Test {
  protected:
    void SetUp() override
    {
        icon = std::make_unique<TNotifyIcon>(nullptr, L"NotifyIcon", shell.Seams());
        icon->SetVisible(true);
        TTrayEndpoint e;
        e.Volume = [this] { return volume; };
        e.Mute = [this] { return mute; };
        e.ShortName = [this] { return shortName; };
        e.FullName = [] { return kFullName; };
        tray = std::make_unique<TTrayPresentation>(nullptr, *icon, settings, e, Loader());
        tray->IconsDir = IconsFolder();
        tray->PopupBarVisible = [this] { return barVisible; };
        shell.calls.clear();
    }

    TIconList::Loader Loader()
    {
        return [this](const std::wstring& file, int size) {
            loads.push_back(FileName(file) + L"@" + std::to_wstring(size));
            return IconFromPixels(TPixels{1, 1, {0xFF808080u}});
        };
    }

    void Change(int level, bool muted)
    {
        volume = level;
        mute = muted;
        tray->UpdateTrayIcon(settings.BalloonHint, settings.BalloonTime, settings.BalloonDelay);
    }

    std::vector<NOTIFYICONDATAW> Calls(UINT flag) const
    {
        std::vector<NOTIFYICONDATAW> out;
        for (const traytest::ShellCall& c : shell.calls)
            if (c.message == NIM_MODIFY && (c.data.uFlags & flag) == flag) // alone or with others
                out.push_back(c.data);
        return out;
    }
    std::vector<NOTIFYICONDATAW> Balloons() const
    {
        std::vector<NOTIFYICONDATAW> shown;
        for (const NOTIFYICONDATAW& d : Calls(NIF_INFO))
            if (d.szInfo[0])
                shown.push_back(d);
        return shown;
    }
    // Whether the last balloon call of the shell hid the notice.
    bool BalloonHidden() const
    {
        std::vector<NOTIFYICONDATAW> info = Calls(NIF_INFO);
        return !info.empty() && info.back().szInfo[0] == 0;
    }
    std::wstring ShellTip() const
    {
        std::vector<NOTIFYICONDATAW> tips = Calls(NIF_TIP);
        return tips.empty() ? L"" : tips.back().szTip;
    }

    fw::ManualTimerBackend clock; // before every timer
    traytest::FakeShell shell;
    std::unique_ptr<TNotifyIcon> icon;
    TSettings settings;
    int volume = k30;
    bool mute = false;
    bool barVisible = false;
    std::wstring shortName = L"Speakers";
    std::vector<std::wstring> loads;
    std::unique_ptr<TTrayPresentation> tray;
};

TEST_F(Presentation, TooltipSaysMuteFirstThenTheLevelWhileMuted)
{
    Change(k45, false);
    EXPECT_EQ(tray->CurrentHint(), L"Speakers: 45%");
    Change(k45, true);
    EXPECT_EQ(tray->CurrentHint(), L"Speakers: Mute");
    Change(k30, true);
    EXPECT_EQ(tray->CurrentHint(), L"Speakers: Mute (30%)");
    Change(k30 + 655, true);
    EXPECT_EQ(tray->CurrentHint(), L"Speakers: Mute (31%)");
    Change(k30, false);
    EXPECT_EQ(tray->CurrentHint(), L"Speakers: 30%");
    EXPECT_EQ(icon->Hint(), L"Speakers: 30%");
    EXPECT_EQ(ShellTip(), L"Speakers: 30%");
}

TEST_F(Presentation, WithTheDeviceOnItsOwnLineTheMutedTooltipSettles)
{
    settings.FormatDevice = -1;
    Change(k30, false);
    Change(k30, true);
    EXPECT_EQ(tray->CurrentHint(), L"Volume: Mute\r\n" + kFullName);
    for (int i = 0; i < 3; ++i) { // further notifications while muted: one form, no flipping
        Change(k30, true);
        EXPECT_EQ(tray->CurrentHint(), L"Volume: Mute (30%)\r\n" + kFullName) << i;
    }
}

TEST_F(Presentation, SettingsAndTextsApplyAtTheNextUpdate)
{
    settings.FormatDevice = 0;
    Change(k30, false);
    EXPECT_EQ(tray->CurrentHint(), L"Volume: 30%");
    settings.FormatDevice = -1;
    Change(k30, false);
    EXPECT_EQ(tray->CurrentHint(), L"Volume: 30%\r\n" + kFullName);
    settings.FormatDevice = 32;
    settings.FormatRealVol = true;
    Change(32768, false);
    EXPECT_EQ(tray->CurrentHint(), L"Speakers: 50.00%");
    // A hostile text from a language file: the bare number.
    settings.FormatRealVol = false;
    tray->Texts.IconVolume = L"%s%n%d%d%";
    Change(k30, false);
    EXPECT_EQ(tray->CurrentHint(), L"30");
}

TEST_F(Presentation, NothingChangedPushesNothing)
{
    tray->LoadIconSet(L"Test Set");
    const size_t calls = shell.calls.size();
    EXPECT_GT(calls, 0u);
    Change(k30, false);
    tray->UpdateTrayIcon(true, 2000, 0);
    EXPECT_EQ(shell.calls.size(), calls);
}

TEST_F(Presentation, BalloonBeforeWindows10ShowsAtOnceWithoutTitle)
{
    settings.BalloonHint = true;
    settings.BalloonTime = 3000;
    settings.BalloonDelay = 0;
    Change(k45, false);
    std::vector<NOTIFYICONDATAW> shown = Balloons();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_STREQ(shown[0].szInfo, L"Speakers: 45%");
    EXPECT_STREQ(shown[0].szInfoTitle, L"");
    EXPECT_EQ(shown[0].dwInfoFlags, static_cast<DWORD>(NIIF_NONE | NIIF_NOSOUND));
    EXPECT_EQ(shown[0].uTimeout, 3000u);
    clock.Advance(2999);
    EXPECT_FALSE(BalloonHidden());
    clock.Advance(1);
    EXPECT_TRUE(BalloonHidden());
    clock.Advance(10000);
    EXPECT_EQ(Balloons().size(), 1u);
}

TEST_F(Presentation, EveryChangeOfABurstIsOneShellCallAndNoTimerCall)
{
    tray->LoadIconSet(L"Test Set");
    settings.BalloonHint = true;
    settings.BalloonTime = 2000;
    settings.BalloonDelay = 0;
    Change(0, false); // the first notice arms the balloon timer
    shell.calls.clear();
    const int timerCalls = clock.Calls();
    const int levels[] = {6554, 13107, 19661, 26214, 32768, 39322};
    for (int level : levels)
        Change(level, false);
    ASSERT_EQ(shell.calls.size(), std::size(levels)) << "picture, tip and balloon go together";
    EXPECT_EQ(clock.Calls(), timerCalls) << "the running balloon timer is only postponed";
    for (const traytest::ShellCall& c : shell.calls) {
        EXPECT_EQ(c.message, DWORD(NIM_MODIFY));
        EXPECT_TRUE(c.data.uFlags & NIF_TIP);
        EXPECT_TRUE(c.data.uFlags & NIF_INFO);
        EXPECT_STREQ(c.data.szInfo, c.data.szTip);
    }
    // The last change of the burst is what the icon, the tip and the notice show.
    const NOTIFYICONDATAW& last = shell.calls.back().data;
    EXPECT_STREQ(last.szTip, L"Speakers: 60%");
    EXPECT_STREQ(last.szInfo, L"Speakers: 60%");
    EXPECT_EQ(FileName(tray->CurrentIconFile()), L"vol2.ico");
    clock.Advance(1000);
    Change(45875, false); // later in the burst: the notice stays 2 s from this change
    clock.Advance(1999);
    EXPECT_FALSE(BalloonHidden());
    clock.Advance(1);
    EXPECT_TRUE(BalloonHidden());
}

TEST_F(Presentation, BalloonFromWindows10ComesOnce2sAfterTheLastChangeWithATitle)
{
    settings.BalloonHint = true; // the user's choice: off by default there
    settings.BalloonTime = 2000;
    settings.BalloonDelay = 2000;
    Change(k30, false);
    clock.Advance(1000);
    Change(k45, false);
    clock.Advance(1000);
    Change(k30 + 655, false);
    EXPECT_TRUE(Balloons().empty());
    clock.Advance(1999);
    EXPECT_TRUE(Balloons().empty());
    clock.Advance(1);
    std::vector<NOTIFYICONDATAW> shown = Balloons();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_STREQ(shown[0].szInfo, L"Speakers: 31%");
    EXPECT_STREQ(shown[0].szInfoTitle, L"Volume has been changed");
    EXPECT_EQ(shown[0].dwInfoFlags, static_cast<DWORD>(NIIF_INFO | NIIF_NOSOUND));
    EXPECT_EQ(shown[0].uTimeout, 2000u);
    clock.Advance(1999);
    EXPECT_FALSE(BalloonHidden());
    clock.Advance(1);
    EXPECT_TRUE(BalloonHidden());
    clock.Advance(60000);
    EXPECT_EQ(Balloons().size(), 1u);
    EXPECT_FALSE(clock.IsArmed(&tray->BalloonTimer));
}

TEST_F(Presentation, NoBalloonWhenNotAllowedOrWhileTheUserLooksAtTheIconOrBar)
{
    tray->UpdateTrayIcon(false, 2000, 0);
    volume = k45;
    tray->UpdateTrayIcon(false, 2000, 0);
    tray->UpdateTrayIcon(true, 2000, 0); // nothing new
    volume = k30;
    tray->UpdateTrayIcon(false, 2000, 0);
    EXPECT_TRUE(Calls(NIF_INFO).empty());

    // The pointer rests on the icon: its tooltip is showing, the notice would cover it.
    ::SendMessageW(icon->Handle(), WM_NOTIFYICON_CALLBACK, kNotifyIconId, WM_MOUSEMOVE);
    ASSERT_TRUE(icon->MouseInside());
    volume = k45;
    tray->UpdateTrayIcon(true, 2000, 0);
    clock.Advance(5000);
    EXPECT_TRUE(Balloons().empty());
    EXPECT_TRUE(BalloonHidden());

    shell.cursor.x += 50; // the pointer leaves
    clock.Advance(100);
    ASSERT_FALSE(icon->MouseInside());
    barVisible = true;
    volume = k30;
    shell.calls.clear();
    tray->UpdateTrayIcon(true, 2000, 0);
    clock.Advance(5000);
    EXPECT_TRUE(Balloons().empty());
    EXPECT_TRUE(BalloonHidden());
}

TEST_F(Presentation, LoadingASetScansItsFolderIntoSortedLists)
{
    tray->IconManager().BeginUpdate(); // as at start-up: the scan reads no file
    tray->LoadIconSet(L"Test Set");
    EXPECT_EQ(settings.IconDir, L"Test Set");
    TVolIconManager& m = tray->IconManager();
    std::vector<std::wstring> vols, mutes;
    for (int i = 0; i < m.Volumes().Count(); ++i)
        vols.push_back(FileName(m.Volumes().Name(i)));
    for (int i = 0; i < m.Mutes().Count(); ++i)
        mutes.push_back(FileName(m.Mutes().Name(i)));
    EXPECT_EQ(vols,
              (std::vector<std::wstring>{L"Vol0.ico", L"Vol1.ico", L"vol2.ico", L"Vol3.ico", L"Vol4.ico"}));
    EXPECT_EQ(mutes, (std::vector<std::wstring>{L"Mute0.ico", L"Mute1.ico", L"Mute2.ico", L"Mute3.ico"}));
    EXPECT_EQ(m.SpecialName(TVolIconList::VolMin), IconsFolder() + L"Test Set\\VolMin.ico");
    EXPECT_EQ(m.SpecialName(TVolIconList::MuteMin), IconsFolder() + L"Test Set\\MuteMin.ico");
    EXPECT_EQ(m.SpecialName(TVolIconList::VolMax), L"");
    EXPECT_EQ(m.SpecialName(TVolIconList::MuteMax), L"");
    // 30 % of five pictures: Round(1.2) = 1.
    EXPECT_EQ(tray->CurrentIconFile(), IconsFolder() + L"Test Set\\Vol1.ico");
    EXPECT_EQ(loads, (std::vector<std::wstring>{L"Vol1.ico@16"}));
    EXPECT_NE(icon->Icon(), nullptr);
    EXPECT_EQ(Calls(NIF_ICON).size(), 1u);
    m.EndUpdate();

    Change(k45, true);
    EXPECT_EQ(FileName(tray->CurrentIconFile()), L"Mute1.ico");
    settings.IconMuteFix = true;
    Change(k30, true);
    EXPECT_EQ(FileName(tray->CurrentIconFile()), L"MuteMin.ico");
    Change(0, false);
    EXPECT_EQ(FileName(tray->CurrentIconFile()), L"VolMin.ico");

    tray->LoadIconSet(L"Stem Set");
    EXPECT_EQ(FileName(m.SpecialName(TVolIconList::VolMax)), L"volmax.PNG");
    EXPECT_EQ(FileName(m.SpecialName(TVolIconList::MuteMin)), L"MUTEMIN.png");
    EXPECT_EQ(m.SpecialName(TVolIconList::VolMin), L"");
    ASSERT_EQ(m.Volumes().Count(), 2);
    EXPECT_EQ(FileName(m.Volumes().Name(1)), L"VolMaximum.png");
    ASSERT_EQ(m.Mutes().Count(), 1);
    EXPECT_EQ(FileName(m.Mutes().Name(0)), L"MuteMin2.png");
}

TEST_F(Presentation, AMissingSetLeavesTheProgramsOwnIcon)
{
    tray->LoadIconSet(L"Test Set");
    ASSERT_NE(icon->Icon(), nullptr);
    tray->LoadIconSet(L"No Such Set");
    EXPECT_EQ(settings.IconDir, L"No Such Set");
    EXPECT_EQ(tray->CurrentIconFile(), L"");
    EXPECT_EQ(icon->Icon(), nullptr);
    EXPECT_EQ(tray->IconManager().Volumes().Count(), 0);
    tray->LoadIconSet(L"");
    EXPECT_EQ(tray->CurrentIconFile(), L""); // the Icons folder itself holds no pictures
}

TEST_F(Presentation, PreviewOfAnotherSetLeavesTheTrayPictureAlone)
{
    tray->LoadIconSet(L"Test Set");
    const HICON shown = icon->Icon();
    const size_t pictures = Calls(NIF_ICON).size();
    loads.clear();

    EXPECT_EQ(tray->IconPreview(L"Other Set"), IconsFolder() + L"Other Set\\Vol0.png");
    EXPECT_EQ(tray->IconPreview(L"No Such Set"), L"");
    EXPECT_EQ(tray->IconPreview(L""), IconsFolder() + L"Test Set\\Vol1.ico");

    EXPECT_EQ(icon->Icon(), shown);
    EXPECT_EQ(Calls(NIF_ICON).size(), pictures);
    EXPECT_EQ(settings.IconDir, L"Test Set");
    EXPECT_EQ(tray->CurrentIconFile(), IconsFolder() + L"Test Set\\Vol1.ico");
    EXPECT_TRUE(tray->IconManager().Loading());
    // Loading was off while the sets were borrowed: only the chosen pictures were read.
    EXPECT_EQ(loads, (std::vector<std::wstring>{L"Vol0.png@16", L"Vol1.ico@16", L"Vol1.ico@16"}));

    // The real set is in place again: a change still shows its pictures.
    Change(65535, false);
    EXPECT_EQ(FileName(tray->CurrentIconFile()), L"Vol4.ico");
    EXPECT_EQ(Calls(NIF_ICON).size(), pictures + 1);
}

TEST_F(Presentation, ADpiChangeReloadsThePictureAtTheNewSize)
{
    tray->IconManager().BeginUpdate();
    tray->LoadIconSet(L"Test Set");
    tray->IconManager().EndUpdate();
    const size_t pictures = Calls(NIF_ICON).size();
    loads.clear();
    tray->ChangeDpi(96, 144);
    EXPECT_EQ(tray->IconSize(), 24);
    EXPECT_EQ(tray->IconManager().IconSize(), 24);
    EXPECT_EQ(loads, (std::vector<std::wstring>{L"Vol1.ico@24"}));
    // The same file, pushed again at its new size.
    EXPECT_EQ(Calls(NIF_ICON).size(), pictures + 1);
    tray->ChangeDpi(144, 144);
    tray->ChangeDpi(0, 96);
    EXPECT_EQ(Calls(NIF_ICON).size(), pictures + 1);
    EXPECT_EQ(tray->IconSize(), 24);
}

} // namespace

// ---- the sets laid beside the program (build/bin/Icons), read by the real decoders

std::wstring ShippedIcons()
{
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir = self;
    dir.resize(dir.find_last_of(L'\\'));     // build\tests
    dir.resize(dir.find_last_of(L'\\') + 1); // build\ .
    return dir + L"bin\\Icons\\";
}

int IconSide(HICON icon)
{
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info))
        return 0;
    fw::UniqueHbitmap colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    ::GetObjectW(colour.get(), sizeof bm, &bm);
    return bm.bmWidth == bm.bmHeight ? bm.bmWidth : -1;
}

class ShippedSets : public Presentation {
  protected:
    void SetUp() override
    {
        Presentation::SetUp();
        // The real decoders this time.
        TTrayEndpoint e;
        e.Volume = [this] { return volume; };
        e.Mute = [this] { return mute; };
        e.ShortName = [this] { return shortName; };
        real = std::make_unique<TTrayPresentation>(nullptr, *icon, settings, e);
        real->IconsDir = ShippedIcons();
    }
    std::unique_ptr<TTrayPresentation> real;
};

TEST_F(ShippedSets, EveryPictureOfEverySetDecodes)
{
    int files = 0;
    for (const wchar_t* set : {L"Digital White", L"Speaker Blue", L"Bar Meter"}) {
        const std::wstring folder = ShippedIcons() + set + L"\\";
        WIN32_FIND_DATAW fd;
        HANDLE h = ::FindFirstFileW((folder + L"*.*").c_str(), &fd);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << "no set " << set;
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            ++files;
            const std::wstring file = folder + fd.cFileName;
            // Every set has its own picture at every tray size from 100 to 300 %.
            for (int size : {16, 20, 24, 32, 40, 48}) {
                fw::UniqueHicon picture = LoadPicture(file, size);
                EXPECT_EQ(IconSide(picture.get()), size) << fd.cFileName << " @" << size;
            }
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    EXPECT_EQ(files, 101 + 101 + 3 + 5 + 7);
}

TEST_F(ShippedSets, TheirFileNamesFollowTheLevelRanges)
{
    const struct {
        const wchar_t* set;
        int level;
        bool muted, muteFix;
        const wchar_t* file;
    } cases[] = {
        {L"Digital White", k45, false, false, L"Vol045.ico"},
        {L"Digital White", 328, false, false, L"Vol001.ico"},
        {L"Digital White", 65208, false, false, L"Vol100.ico"}, // 99.5 %
        {L"Digital White", 0, false, false, L"VolMin.ico"},
        {L"Digital White", 65535, false, false, L"VolMax.ico"},
        {L"Digital White", k45, true, false, L"Mute045.ico"},
        {L"Digital White", 30801, true, false, L"Mute047.ico"}, // muted, the level it comes back to
        {L"Digital White", 24248, true, false, L"Mute037.ico"},
        {L"Digital White", k45, true, true, L"MuteMin.ico"},
        {L"Digital White", 0, true, false, L"MuteMin.ico"},
        {L"Speaker Blue", 0, false, false, L"Vol0.ico"},
        {L"Speaker Blue", k45, false, false, L"Vol1.ico"},
        {L"Speaker Blue", 65535, false, false, L"Vol3.ico"},
        {L"Speaker Blue", k45, true, false, L"Mute.ico"},
        {L"Speaker Blue", 0, true, true, L"Mute.ico"},
        {L"Bar Meter", k45, false, false, L"Vol2.ico"},
        {L"Bar Meter", 65535, false, false, L"Vol5.ico"},
        {L"Bar Meter", k45, true, false, L"Mute.ico"},
    };
    for (const auto& c : cases) {
        volume = c.level;
        mute = c.muted;
        settings.IconMuteFix = c.muteFix;
        real->LoadIconSet(c.set);
        EXPECT_EQ(FileName(real->CurrentIconFile()), c.file) << c.set << " " << c.level;
        EXPECT_NE(icon->Icon(), nullptr) << c.set << " " << c.level;
    }
}
