// Icon lists and the choice of picture, with a loader that counts its calls instead of
// reading files.
#include "IconList.h"
#include "IconLoader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace lorvane;
using Names = std::vector<std::wstring>;

struct Load {
    std::wstring file;
    int size;
    bool operator==(const Load&) const = default;
};

// Every name gives a 1 x 1 picture except those that contain "broken".
struct CountingLoader {
    std::vector<Load> loads;
    TIconList::Loader Get()
    {
        return [this](const std::wstring& file, int size) {
            loads.push_back({file, size});
            if (file.find(L"broken") != std::wstring::npos)
                return fw::UniqueHicon{};
            return IconFromPixels(TPixels{1, 1, {0xFF102030u}});
        };
    }
};

Names NamesOf(const TIconList& list)
{
    Names n;
    for (int i = 0; i < list.Count(); ++i)
        n.push_back(list.Name(i));
    return n;
}

TEST(IconList, LoadsAtOnceWhileLoadingAndOnDemandOtherwise)
{
    CountingLoader loader;
    TIconList list(loader.Get());
    list.Add(L"a");
    EXPECT_EQ(loader.loads, (std::vector<Load>{{L"a", 16}}));

    list.SetLoading(false);
    list.Add(L"b");
    EXPECT_EQ(loader.loads.size(), 1u);
    EXPECT_FALSE(list.IsLoaded(1));
    EXPECT_NE(list.Icon(1), nullptr);
    EXPECT_NE(list.Icon(1), nullptr); // kept: no second load
    EXPECT_EQ(loader.loads, (std::vector<Load>{{L"a", 16}, {L"b", 16}}));
}

TEST(IconList, AFileWithoutPictureIsAskedOnceUntilTheNextRefresh)
{
    CountingLoader loader;
    TIconList list(loader.Get());
    list.Add(L"broken.ico");
    EXPECT_EQ(list.Icon(0), nullptr);
    EXPECT_EQ(list.Icon(0), nullptr);
    EXPECT_EQ(loader.loads.size(), 1u);
    list.Refresh();
    EXPECT_EQ(loader.loads.size(), 2u);
}

TEST(IconList, NestedUpdateRestoresLoadingAndRefreshesOnlyWhenTheLastEnds)
{
    CountingLoader loader;
    TIconList list(loader.Get());
    list.BeginUpdate();
    list.BeginUpdate();
    EXPECT_FALSE(list.Loading());
    list.Add(L"a");
    list.Add(L"b");
    list.Icon(1); // asked for inside the update: loaded on demand
    EXPECT_EQ(loader.loads, (std::vector<Load>{{L"b", 16}}));
    list.SetIconSize(24); // the refresh waits for the update to end
    EXPECT_EQ(loader.loads.size(), 1u);
    list.EndUpdate();
    EXPECT_FALSE(list.Loading());
    EXPECT_EQ(loader.loads.size(), 1u);
    list.EndUpdate();
    EXPECT_TRUE(list.Loading());
    // Only the entry that held an icon is read again, at the size now current.
    EXPECT_EQ(loader.loads, (std::vector<Load>{{L"b", 16}, {L"b", 24}}));
    EXPECT_FALSE(list.IsLoaded(0));
    list.EndUpdate(); // unbalanced: ignored
    EXPECT_TRUE(list.Loading());
}

TEST(IconList, RefreshWithoutLoadingReleasesEveryIcon)
{
    CountingLoader loader;
    TIconList list(loader.Get());
    list.Add(L"a");
    list.Add(L"b");
    list.SetLoading(false);
    list.Refresh();
    EXPECT_FALSE(list.IsLoaded(0));
    EXPECT_FALSE(list.IsLoaded(1));
    EXPECT_EQ(loader.loads.size(), 2u);
    list.Icon(0);
    EXPECT_EQ(loader.loads.size(), 3u);
}

TEST(IconList, ANewSizeReloadsLoadedIconsOnce)
{
    CountingLoader loader;
    TIconList list(loader.Get());
    list.Add(L"a");
    list.SetIconSize(32);
    list.SetIconSize(32);
    EXPECT_EQ(loader.loads, (std::vector<Load>{{L"a", 16}, {L"a", 32}}));
}

TEST(IconList, RenamingDropsTheIconAndLoadsTheNewFile)
{
    CountingLoader loader;
    TIconList list(loader.Get());
    list.Add(L"a");
    list.SetName(0, L"b");
    EXPECT_EQ(list.Name(0), L"b");
    EXPECT_EQ(loader.loads.back(), (Load{L"b", 16}));
    list.SetLoading(false);
    list.SetName(0, L"c");
    EXPECT_FALSE(list.IsLoaded(0));
}

TEST(IconList, SortedListsInsertInNameOrderIgnoringCase)
{
    TIconList list(CountingLoader{}.Get());
    list.SetLoading(false);
    for (const wchar_t* n : {L"vol2", L"Vol10", L"VOL1", L"Vol3", L"Vol0"})
        list.Add(n);
    EXPECT_EQ(NamesOf(list), (Names{L"vol2", L"Vol10", L"VOL1", L"Vol3", L"Vol0"}));
    list.SetSorted(true);
    EXPECT_EQ(NamesOf(list), (Names{L"Vol0", L"VOL1", L"Vol10", L"vol2", L"Vol3"}));
    EXPECT_EQ(list.Add(L"vol05"), 1);
}

TEST(IconList, IndexesOutOfRangeAreHarmless)
{
    CountingLoader loader;
    TIconList list(loader.Get());
    list.Add(L"a");
    EXPECT_EQ(list.Icon(-1), nullptr);
    EXPECT_EQ(list.Icon(1), nullptr);
    EXPECT_EQ(list.Name(5), L"");
    list.SetName(3, L"x");
    list.Delete(-2);
    EXPECT_EQ(NamesOf(list), (Names{L"a"}));
    EXPECT_EQ(loader.loads.size(), 1u);
}

TEST(VolIconList, ClearKeepsFourEmptySpecialEntriesAndSizeReachesEveryList)
{
    CountingLoader loader;
    TVolIconList set(loader.Get());
    set.SetSpecialName(TVolIconList::MuteMax, L"MuteMax.ico");
    set.Volumes().Add(L"Vol0.ico");
    set.Mutes().Add(L"Mute0.ico");
    set.SetIconSize(20);
    EXPECT_EQ(loader.loads, (std::vector<Load>{{L"MuteMax.ico", 16},
                                               {L"Vol0.ico", 16},
                                               {L"Mute0.ico", 16},
                                               {L"Vol0.ico", 20},
                                               {L"Mute0.ico", 20},
                                               {L"MuteMax.ico", 20}}));
    EXPECT_EQ(set.IconSize(), 20);
    set.Clear();
    EXPECT_EQ(set.Volumes().Count(), 0);
    EXPECT_EQ(set.Mutes().Count(), 0);
    for (auto s : {TVolIconList::VolMin, TVolIconList::VolMax, TVolIconList::MuteMin, TVolIconList::MuteMax})
        EXPECT_EQ(set.SpecialName(s), L"");
    EXPECT_EQ(set.SpecialIcon(TVolIconList::MuteMax), nullptr);
}

// ---- the choice of picture

struct IconSet {
    Names vols, mutes;
    std::wstring volMin, volMax, muteMin, muteMax;
};

const IconSet kFive{{L"Vol0", L"Vol1", L"Vol2", L"Vol3", L"Vol4"}, {}, L"", L"", L"", L""};
const IconSet kFiveWithEnds{
    {L"Vol0", L"Vol1", L"Vol2", L"Vol3", L"Vol4"}, {}, L"VolMin", L"VolMax", L"", L""};
const IconSet kMuteFour{{L"Vol0", L"Vol1", L"Vol2", L"Vol3", L"Vol4"},
                        {L"Mute0", L"Mute1", L"Mute2", L"Mute3"},
                        L"",
                        L"",
                        L"MuteMin",
                        L""};
const IconSet kMuteEnds{{L"Vol0", L"Vol4"}, {L"Mute0", L"Mute1"}, L"VolMin",
                        L"VolMax",          L"MuteMin",           L"MuteMax"};
const IconSet kMuteListOnly{{L"Vol0", L"Vol4"}, {L"Mute0", L"Mute1", L"Mute2"}, L"", L"", L"", L""};
const IconSet kOnlyEnds{{}, {}, L"VolMin", L"VolMax", L"", L""};
const IconSet kEmpty{};

constexpr int k45Percent = 29491; // Round(0.45 * 65535)

struct Choice {
    const char* what;
    const IconSet* set;
    bool muted;
    int level;
    bool muteFix;
    const wchar_t* expected;
};

const Choice kChoices[] = {
    {"n=5: level 0 is the first picture", &kFive, false, 0, false, L"Vol0"},
    {"n=5: 8191 is just below the half step", &kFive, false, 8191, false, L"Vol0"},
    {"n=5: 8192 (12.5 %) rounds up", &kFive, false, 8192, false, L"Vol1"},
    {"n=5: 45 %", &kFive, false, k45Percent, false, L"Vol2"},
    {"n=5: the top", &kFive, false, 65535, false, L"Vol4"},
    {"VolMin wins at level 0", &kFiveWithEnds, false, 0, false, L"VolMin"},
    {"VolMax wins at the top", &kFiveWithEnds, false, 65535, false, L"VolMax"},
    {"between the ends the list decides", &kFiveWithEnds, false, 65534, false, L"Vol4"},
    {"muted 45 % without the fix: Round(0.45 * 3)", &kMuteFour, true, k45Percent, false, L"Mute1"},
    {"muted 45 % with the fix", &kMuteFour, true, k45Percent, true, L"MuteMin"},
    {"muted at 0 without the fix", &kMuteFour, true, 0, false, L"MuteMin"},
    {"muted at the top without MuteMax: the list", &kMuteFour, true, 65535, false, L"Mute3"},
    {"muted at the top with MuteMax", &kMuteEnds, true, 65535, false, L"MuteMax"},
    {"muted at the top with the fix", &kMuteEnds, true, 65535, true, L"MuteMin"},
    {"fix without MuteMin: the first mute picture", &kMuteListOnly, true, 65535, true, L"Mute0"},
    {"no MuteMin at 0: the first mute picture", &kMuteListOnly, true, 0, false, L"Mute0"},
    {"no mute pictures: VolMin", &kFiveWithEnds, true, k45Percent, false, L"VolMin"},
    {"no mute pictures, no VolMin: the first volume picture", &kFive, true, 65535, false, L"Vol0"},
    {"nothing but the ends, between them", &kOnlyEnds, false, k45Percent, false, L""},
    {"nothing but the ends, muted", &kOnlyEnds, true, k45Percent, false, L"VolMin"},
    {"an empty set", &kEmpty, true, 0, true, L""},
    {"an empty set, not muted", &kEmpty, false, 65535, false, L""},
};

std::unique_ptr<TVolIconManager> Manager(const IconSet& s, CountingLoader& loader)
{
    auto manager = std::make_unique<TVolIconManager>(0, 65535, loader.Get());
    TVolIconManager& m = *manager;
    m.SetLoading(false);
    // Added in reverse: the manager's lists order themselves.
    for (auto it = s.vols.rbegin(); it != s.vols.rend(); ++it)
        m.Volumes().Add(*it);
    for (auto it = s.mutes.rbegin(); it != s.mutes.rend(); ++it)
        m.Mutes().Add(*it);
    m.SetSpecialName(TVolIconList::VolMin, s.volMin);
    m.SetSpecialName(TVolIconList::VolMax, s.volMax);
    m.SetSpecialName(TVolIconList::MuteMin, s.muteMin);
    m.SetSpecialName(TVolIconList::MuteMax, s.muteMax);
    return manager;
}

TEST(FindIcon, ChoosesThePictureForLevelAndMuteState)
{
    for (const Choice& c : kChoices) {
        CountingLoader loader;
        auto owned = Manager(*c.set, loader);
        TVolIconManager& m = *owned;
        m.Muted = c.muted;
        m.Level = c.level;
        m.IconMuteFix = c.muteFix;
        TFoundIcon found = m.FindIcon();
        EXPECT_EQ(found.Name, c.expected) << c.what;
        // Only the chosen picture is read.
        if (*c.expected) {
            EXPECT_NE(found.Icon, nullptr) << c.what;
            EXPECT_EQ(loader.loads, (std::vector<Load>{{c.expected, 16}})) << c.what;
        } else {
            EXPECT_EQ(found.Icon, nullptr) << c.what;
            EXPECT_TRUE(loader.loads.empty()) << c.what;
        }
    }
}

TEST(FindIcon, EveryLevelMapsToTheNearestOfNPictures)
{
    CountingLoader loader;
    auto owned = Manager(kFive, loader);
    TVolIconManager& m = *owned;
    // Picture k covers (k - 0.5) / 4 .. (k + 0.5) / 4 of the range.
    const std::pair<int, const wchar_t*> bounds[] = {{24575, L"Vol1"}, {24576, L"Vol2"}, {40959, L"Vol2"},
                                                     {40960, L"Vol3"}, {57343, L"Vol3"}, {57344, L"Vol4"}};
    for (auto [level, name] : bounds) {
        m.Level = level;
        EXPECT_EQ(m.FindIcon().Name, name) << level;
    }
}

TEST(FindIcon, LevelsOutsideTheRangeAndAnEmptyRangeStillNameAPicture)
{
    CountingLoader loader;
    auto owned = Manager(kFive, loader);
    TVolIconManager& m = *owned;
    m.Level = -5000;
    EXPECT_EQ(m.FindIcon().Name, L"Vol0");
    m.Level = 90000;
    EXPECT_EQ(m.FindIcon().Name, L"Vol4");
    m.Min = m.Max = 100;
    m.Level = 100;
    EXPECT_EQ(m.FindIcon().Name, L"Vol0");
}

TEST(FindIcon, AFileWithoutPictureStillCountsAsPresent)
{
    CountingLoader loader;
    auto owned = Manager(IconSet{{L"Vol0"}, {}, L"broken VolMin", L"", L"", L""}, loader);
    TVolIconManager& m = *owned;
    m.Level = 0;
    TFoundIcon found = m.FindIcon();
    EXPECT_EQ(found.Name, L"broken VolMin");
    EXPECT_EQ(found.Icon, nullptr);
}

} // namespace
