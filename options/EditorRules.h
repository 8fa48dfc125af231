#pragma once
// The rules of the settings dialog's list editors that need no window: row texts, the
// icon-set list's checks and names, and the map from actions to menu-display items.

#include "HotKey.h"

#include <string>
#include <vector>

namespace lorvane {

// The mouse editor's rows, in order: Click, Double Click, Right Click, Wheel Click, Wheel Up,
// Wheel Down.
inline constexpr int kMouseRowCount = 6;
// The first rows that the mouse warning looks at (the clicks).
inline constexpr int kMouseClickRowCount = 4;

// Built-in texts the main window passes as ToolFormat and VolumeFormat; also what a
// translated format that does not fit its number falls back to.
inline constexpr wchar_t kOptToolCaption[] = L"Tool%d";
inline constexpr wchar_t kOptVolUnit[] = L"%d%%";
inline constexpr wchar_t kOptVolCaption[] = L"Volume%d";
// A hotkey that the system refused (another program holds it).
inline constexpr wchar_t kOptHotKeyTaken[] = L"%s (taken)";

// A tool row's caption: its name, or the numbered default caption (row counts from 0).
std::wstring ToolRowCaption(const std::wstring& name, const std::wstring& toolFormat, int row);
// A preset row's second column.
std::wstring VolumeRowText(const std::wstring& volumeFormat, int percent);
// A preset row's first column (row counts from 0).
std::wstring VolumeRowCaption(const std::wstring& captionFormat, int row);
// A mouse row's second column: the combo item at `position`; empty for -1 or outside.
std::wstring MouseRowText(const std::vector<std::wstring>& items, int position);
// A hotkey row's second column; a hotkey the system refused says so.
std::wstring KeyRowText(input::TShortCut value, bool taken, const std::wstring& takenFormat);

// "C:\Tools\app.exe" -> "app": the file name without folder and extension.
std::wstring FileTitle(const std::wstring& path);
// "…\Icons\Digital White\Vol05.ico" -> "Digital White": the folder that holds the file.
std::wstring LastFolderName(const std::wstring& path);
// White pictures would vanish on a white list: such sets get a silver square behind their
// preview, except on the selected (highlighted) row.
bool SilverSquareBehind(const std::wstring& setName, bool selected);

// Check rules of the icon-set list: a click on a check box leaves at most the selected item
// checked (unchecking it leaves none); a double click checks exactly that item.
void IconClickCheck(std::vector<bool>& checks, int selected);
void IconDoubleClick(std::vector<bool>& checks, int index);
// The set that applying chooses: the folder of the first checked item; empty with none.
std::wstring CheckedIconSet(const std::vector<std::wstring>& items, const std::vector<bool>& checks);

// One entry per action of the main action list: the menu-display item of that action, or -1
// for an action the list does not show.
class TMenuIndexMap {
  public:
    void Clear() { items.clear(); }
    // Appends the entry of the next action: `item` when listed, else -1.
    void Add(bool listed, int item) { items.push_back(listed ? item : -1); }
    int Item(int action) const noexcept
    {
        return action >= 0 && action < static_cast<int>(items.size()) ? items[static_cast<size_t>(action)]
                                                                      : -1;
    }
    int Size() const noexcept { return static_cast<int>(items.size()); }

  private:
    std::vector<int> items;
};

} // namespace lorvane
