#pragma once
// The pictures of an icon set: TIconList (file names with icons loaded on demand),
// TVolIconList (the volume, mute and special lists of a set) and TVolIconManager (which
// picture shows a level and mute state).

#include "UniqueHandle.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace lorvane {

// A list of file names, each with an icon that the list owns and loads when it is first
// asked for (or at once, while the loading flag is on).
class TIconList {
  public:
    // Reads the picture of a file at a size; tests count calls instead of reading files.
    using Loader = std::function<fw::UniqueHicon(const std::wstring& file, int size)>;

    explicit TIconList(Loader loader = {});
    TIconList(const TIconList&) = delete;
    TIconList& operator=(const TIconList&) = delete;

    int Count() const noexcept { return static_cast<int>(entries.size()); }
    // Empty for an index out of range.
    const std::wstring& Name(int index) const noexcept;
    // Drops the entry's icon; loads the new one at once while the loading flag is on.
    void SetName(int index, std::wstring name);
    // The entry's index: its place in name order when the list is sorted, else the end.
    int Add(std::wstring name);
    void Delete(int index);
    void Clear();
    // Loads and keeps the entry's icon when it was not loaded; null out of range or when the
    // file gives no picture (that answer is kept too, until the next refresh).
    HICON Icon(int index) { return SharedIcon(index).get(); }
    // The same icon, for a holder that may outlive the entry (the tray icon).
    const fw::SharedHicon& SharedIcon(int index);
    bool IsLoaded(int index) const noexcept;

    int IconSize() const noexcept { return iconSize; }
    // A change refreshes the list.
    void SetIconSize(int value);
    bool Loading() const noexcept { return loading; }
    void SetLoading(bool value) noexcept { loading = value; }
    // Kept in name order (case-insensitive) from now on; Add inserts at the sorted place.
    // SetName keeps an entry where it is.
    bool Sorted() const noexcept { return sorted; }
    void SetSorted(bool value);

    // The outermost BeginUpdate switches loading off; the matching EndUpdate restores it and
    // refreshes.
    void BeginUpdate();
    void EndUpdate();
    // Skipped inside an update. With loading on, every loaded entry is read again at the
    // current size; with it off, every icon is released, to be loaded again on demand.
    void Refresh();

  private:
    struct Entry {
        std::wstring name;
        fw::SharedHicon icon;
        bool loaded = false; // a load was tried; a file without a picture is not retried
    };
    void Load(Entry& entry);

    Loader loader;
    std::vector<Entry> entries;
    int iconSize = 16;
    bool loading = true;
    bool sorted = false;
    int updateCount = 0;
    bool savedLoading = true;
};

// The lists of one icon set: volume pictures, mute pictures and the four special pictures.
class TVolIconList {
  public:
    enum Special { VolMin = 0, VolMax = 1, MuteMin = 2, MuteMax = 3 };

    explicit TVolIconList(const TIconList::Loader& loader = {});
    virtual ~TVolIconList() = default;

    TIconList& Volumes() noexcept { return volumes; }
    TIconList& Mutes() noexcept { return mutes; }
    const TIconList& Volumes() const noexcept { return volumes; }
    const TIconList& Mutes() const noexcept { return mutes; }

    // Empties the volume and mute lists and the four special names.
    void Clear();
    void BeginUpdate();
    void EndUpdate();
    int IconSize() const noexcept { return volumes.IconSize(); }
    void SetIconSize(int value);
    bool Loading() const noexcept { return volumes.Loading(); }
    void SetLoading(bool value) noexcept;

    const std::wstring& SpecialName(Special which) const noexcept { return specials.Name(which); }
    void SetSpecialName(Special which, std::wstring name) { specials.SetName(which, std::move(name)); }
    HICON SpecialIcon(Special which) { return specials.Icon(which); }

  protected:
    TIconList volumes;
    TIconList mutes;
    TIconList specials; // exactly four entries, in the order of Special
};

// What FindIcon chose: the file's name and its icon (held by the lists and shared with whoever
// keeps it; null when the file gives no picture). An empty name means nothing fits.
struct TFoundIcon {
    std::wstring Name;
    HICON Icon = nullptr;
    fw::SharedHicon Picture; // the same icon as Icon
};

// Chooses the picture for a level and mute state; keeps its volume and mute lists in name
// order, which is the order of the level ranges.
class TVolIconManager : public TVolIconList {
  public:
    explicit TVolIconManager(int min = 0, int max = 65535, const TIconList::Loader& loader = {});

    bool Muted = false;
    int Level = 0;
    int Min = 0;
    int Max = 65535;
    // Every muted state shows the picture for the minimum level.
    bool IconMuteFix = false;

    TFoundIcon FindIcon();

  private:
    bool TakeSpecial(Special which, TFoundIcon& found);
    bool TakeRange(TIconList& list, bool first, TFoundIcon& found);
};

} // namespace lorvane
