#include "IconList.h"

#include "IconLoader.h"
#include "Level.h"

#include <algorithm>

namespace lorvane {

namespace {

const std::wstring kNoName;
const fw::SharedHicon kNoIcon;

bool NameLess(const std::wstring& a, const std::wstring& b)
{
    // The user's collation, as the file lists of the shell order names.
    return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()),
                            b.c_str(), static_cast<int>(b.size())) == CSTR_LESS_THAN;
}

} // namespace

// ---- TIconList

TIconList::TIconList(Loader l) : loader(l ? std::move(l) : Loader(LoadPicture)) {}

const std::wstring& TIconList::Name(int index) const noexcept
{
    return index >= 0 && index < Count() ? entries[static_cast<size_t>(index)].name : kNoName;
}

void TIconList::Load(Entry& entry)
{
    entry.icon.reset();
    entry.loaded = true;
    if (!entry.name.empty())
        entry.icon = fw::ShareIcon(loader(entry.name, iconSize));
}

void TIconList::SetName(int index, std::wstring name)
{
    if (index < 0 || index >= Count())
        return;
    Entry& e = entries[static_cast<size_t>(index)];
    e.name = std::move(name);
    e.icon.reset();
    e.loaded = false;
    if (loading)
        Load(e);
}

int TIconList::Add(std::wstring name)
{
    auto at = entries.end();
    if (sorted)
        at = std::upper_bound(entries.begin(), entries.end(), name,
                              [](const std::wstring& n, const Entry& e) { return NameLess(n, e.name); });
    at = entries.insert(at, Entry{std::move(name), {}, false});
    if (loading)
        Load(*at);
    return static_cast<int>(at - entries.begin());
}

void TIconList::Delete(int index)
{
    if (index >= 0 && index < Count())
        entries.erase(entries.begin() + index);
}

void TIconList::Clear()
{
    entries.clear();
}

const fw::SharedHicon& TIconList::SharedIcon(int index)
{
    if (index < 0 || index >= Count())
        return kNoIcon;
    Entry& e = entries[static_cast<size_t>(index)];
    if (!e.loaded)
        Load(e);
    return e.icon;
}

bool TIconList::IsLoaded(int index) const noexcept
{
    return index >= 0 && index < Count() && entries[static_cast<size_t>(index)].loaded;
}

void TIconList::SetIconSize(int value)
{
    if (value == iconSize)
        return;
    iconSize = value;
    Refresh();
}

void TIconList::SetSorted(bool value)
{
    if (value && !sorted)
        std::stable_sort(entries.begin(), entries.end(),
                         [](const Entry& a, const Entry& b) { return NameLess(a.name, b.name); });
    sorted = value;
}

void TIconList::BeginUpdate()
{
    if (updateCount++ == 0) {
        savedLoading = loading;
        loading = false;
    }
}

void TIconList::EndUpdate()
{
    if (updateCount == 0)
        return;
    if (--updateCount == 0) {
        loading = savedLoading;
        Refresh();
    }
}

void TIconList::Refresh()
{
    if (updateCount > 0)
        return;
    for (Entry& e : entries) {
        if (!e.loaded)
            continue;
        if (loading) {
            Load(e);
        } else {
            e.icon.reset();
            e.loaded = false;
        }
    }
}

// ---- TVolIconList

TVolIconList::TVolIconList(const TIconList::Loader& loader) : volumes(loader), mutes(loader), specials(loader)
{
    for (int i = 0; i < 4; ++i)
        specials.Add(L"");
}

void TVolIconList::Clear()
{
    volumes.Clear();
    mutes.Clear();
    for (int i = 0; i < 4; ++i)
        specials.SetName(i, L"");
}

void TVolIconList::BeginUpdate()
{
    volumes.BeginUpdate();
    mutes.BeginUpdate();
    specials.BeginUpdate();
}

void TVolIconList::EndUpdate()
{
    volumes.EndUpdate();
    mutes.EndUpdate();
    specials.EndUpdate();
}

void TVolIconList::SetIconSize(int value)
{
    volumes.SetIconSize(value);
    mutes.SetIconSize(value);
    specials.SetIconSize(value);
}

void TVolIconList::SetLoading(bool value) noexcept
{
    volumes.SetLoading(value);
    mutes.SetLoading(value);
    specials.SetLoading(value);
}

// ---- TVolIconManager

TVolIconManager::TVolIconManager(int min, int max, const TIconList::Loader& loader)
    : TVolIconList(loader), Min(min), Max(max)
{
    volumes.SetSorted(true);
    mutes.SetSorted(true);
}

bool TVolIconManager::TakeSpecial(Special which, TFoundIcon& found)
{
    if (specials.Name(which).empty())
        return false;
    const fw::SharedHicon& icon = specials.SharedIcon(which);
    found = {specials.Name(which), icon.get(), icon};
    return true;
}

bool TVolIconManager::TakeRange(TIconList& list, bool first, TFoundIcon& found)
{
    const int n = list.Count();
    if (n <= 0)
        return false;
    long long index = 0;
    // A level outside Min..Max (or a range without width) must still name an entry.
    if (!first && Max > Min)
        index = std::clamp<long long>(Scale(Level, Min, Max, 0, n - 1), 0, n - 1);
    const int i = static_cast<int>(index);
    if (list.Name(i).empty())
        return false;
    const fw::SharedHicon& icon = list.SharedIcon(i);
    found = {list.Name(i), icon.get(), icon};
    return true;
}

TFoundIcon TVolIconManager::FindIcon()
{
    TFoundIcon found;
    bool taken = false;
    if (Muted) {
        if (IconMuteFix || Level <= Min)
            taken = TakeSpecial(MuteMin, found);
        else if (Level >= Max)
            taken = TakeSpecial(MuteMax, found);
        if (!taken)
            taken = TakeRange(mutes, IconMuteFix, found);
    }
    if (!taken) {
        if (Muted || Level <= Min)
            taken = TakeSpecial(VolMin, found);
        else if (Level >= Max)
            taken = TakeSpecial(VolMax, found);
        if (!taken)
            taken = TakeRange(volumes, Muted, found);
    }
    return taken ? found : TFoundIcon{};
}

} // namespace lorvane
