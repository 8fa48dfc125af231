#pragma once
// TTextList: the indexed table of format texts that messages are composed from, each with
// the language-file key that replaces it; and the small text helpers that captions and
// tooltips share (accelerators, the device word, line breaks).

#include <string>
#include <string_view>
#include <vector>

namespace lorvane {

class TTextList {
  public:
    explicit TTextList(int size = 0);

    int Count() const noexcept { return static_cast<int>(entries.size()); }
    // Sets text and key of entry `index`; the table grows to index + 1 entries when needed.
    void Set(int index, std::wstring text, std::wstring key);
    void SetText(int index, std::wstring text);
    // Empty for an index outside the table.
    const std::wstring& Text(int index) const noexcept;
    // Empty when the entry is not translatable.
    const std::wstring& Key(int index) const noexcept;

  private:
    struct Entry {
        std::wstring text;
        std::wstring key;
    };
    std::vector<Entry> entries;
};

// The indexes of the main window's table.
enum TextIndex : int {
    txDefDevice,
    txBarVolume,
    txBarMute,
    txIconVolume,
    txIconMute,
    txIconMuteVol,
    txActVolCaption,
    txActVolHint,
    txActToolCaption,
    txActToolHint,
    txMenuVolCaption,
    txOptVolCaption,
    txOptVolUnit,
    txOptDeviceKeep,
    txOptToolCaption,
    txOptClick,
    txOptDoubleClick,
    txOptRightClick,
    txOptWheelClick,
    txOptWheelUp,
    txOptWheelDown,
    txMsgVolume,
    txDlgTitle,
    txDlgYes,
    txDlgNo,
    txDlgCheckBox,
    txDlgMouse,
    txDlgMenu,
    txDlgSave,
    txOptHotKeyTaken,
    txDlgSaveUnread,
    txDlgApply,
    txDisplayVolume,
    txDisplayMute,
    txAppSystemSounds,
    txDlgAppWheelKeys,
    txCount
};

struct TDefaultText {
    const wchar_t* key;
    const wchar_t* text;
};
// The built-in English texts, in index order.
extern const TDefaultText kDefaultTexts[txCount];

// Fills `list` with the built-in English texts and their keys.
void FillDefaultTexts(TTextList& list);

// Removes accelerator marks: first trailing "(&X)" groups, as languages that append the
// accelerator write them, then every single "&" ("&&" stays as one "&").
std::wstring StripAccelerators(std::wstring_view text);

// Every "&" doubled: a name that is no caption of ours (a device's, a file's) shows as it is
// in a menu or tooltip instead of losing its "&" to an accelerator mark.
std::wstring EscapeAccelerators(std::wstring_view text);

// "&1" … "&9", "&0", "&A" … "&Z" for 0 … 35; empty beyond.
std::wstring AcceleratorPrefix(int index);

// Every "$d" (any case) replaced by `device`; an empty device leaves the text as it is.
std::wstring InsertDevice(std::wstring_view text, std::wstring_view device);

// The two characters "\" and "n" become a line break (CR LF).
std::wstring ExpandLineBreaks(std::wstring_view text);

} // namespace lorvane
