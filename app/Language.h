#pragma once
// The rules of language files, apart from any window: which sections apply on the running
// system, which file the user's locale picks, how a file's texts, action captions and font
// reach the program, and the font rule shared by the main window and the settings dialog.

#include "ActionList.h"
#include "IniFile.h"
#include "TextList.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace lorvane {

// The Windows names of version-specific sections, oldest first.
inline constexpr const wchar_t* kWindowsSectionNames[] = {L"Windows NT",   L"Windows 2000",  L"Windows XP",
                                                          L"Windows 2003", L"Windows Vista", L"Windows 7",
                                                          L"Windows 8",    L"Windows 8.1",   L"Windows 10"};

// The section suffixes that apply, in the order they are read: the empty one first, then
// " Windows …" for every name the system has reached.
std::vector<std::wstring> LanguageSectionSuffixes(DWORD major, DWORD minor, bool nt);

// The six texts of the user's locale that name a language file.
struct TLocaleNames {
    std::wstring EnglishLanguage, EnglishCountry;
    std::wstring AbbrevLanguage, AbbrevCountry;
    std::wstring NativeLanguage, NativeCountry;
};
TLocaleNames UserLocaleNames();

// The candidate file names (without extension) in the order they are tried.
std::vector<std::wstring> LocaleCandidates(const TLocaleNames& names);

// The first candidate for which folder + candidate + extension exists; empty when none.
std::wstring PickLocaleFile(const std::wstring& folder, std::wstring extension, const TLocaleNames& names,
                            const std::function<bool(const std::wstring&)>& fileExists);

// A font as a language file asks for it: an empty name or a negative size or character
// set stands for the system menu font's value.
struct TFontRequest {
    std::wstring Name;
    int Size = -1;
    int Charset = -1;
};

// Reads [Font] (+ suffix) keys with the given prefix ("Main" or "Option").
TFontRequest ReadFontRequest(const fw::TIniFile& ini, const std::wstring& section,
                             const std::wstring& prefix);

// A font by name, size in points and character set.
struct TFontSpec {
    std::wstring Name;
    int Size = 8;
    int Charset = DEFAULT_CHARSET;
    bool operator==(const TFontSpec&) const = default;
};

// The request completed from the menu font.
TFontSpec ResolveFont(const TFontRequest& request, const TFontSpec& menuFont);

// The logical font of a spec at a resolution: the height of `size` points at the design
// resolution of 96 DPI, scaled to `dpi`.
LOGFONTW FontAtDpi(const TFontSpec& spec, int dpi);

// The system menu font's name, size and character set.
TFontSpec SystemMenuFont();

// Reads one language file into the text table, the captions of the actions without a
// category and the main font, section by section in suffix order.
void ReadLanguage(const fw::TIniFile& ini, const std::vector<std::wstring>& suffixes, TTextList& texts,
                  fw::TActionList* actions, const std::function<void(const TFontRequest&)>& applyMainFont);

// True when the menus must not add accelerators on their own: the caption of the
// volume-up action is empty or does not start with an ASCII letter.
bool ManualAccelerators(const std::wstring& volumeUpCaption);

// The help file for a language: HelpDir + language + ".chm", else HelpDir + "Lorvane.chm",
// else empty.
std::wstring ChooseHelpFileName(const std::wstring& helpDir, const std::wstring& language,
                                const std::function<bool(const std::wstring&)>& fileExists);

} // namespace lorvane
