#pragma once
// The rules of language files, apart from any window: which sections apply on the running
// system, which file the user's locale picks, how a file's texts, action captions and font
// reach the program.

#include "ActionList.h"
#include "Font.h"
#include "IniFile.h"
#include "TextList.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace lorvane {

using fw::FontAtDpi;
using fw::ReadFontRequest;
using fw::ResolveFont;
using fw::SystemMenuFont;
using fw::TFontRequest;
using fw::TFontSpec;

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

// Reads one language file into the text table, the captions of the actions without a
// category and the main font, section by section in suffix order.
void ReadLanguage(const fw::TIniFile& ini, const std::vector<std::wstring>& suffixes, TTextList& texts,
                  fw::TActionList* actions,
                  const std::function<void(const fw::TFontRequest&)>& applyMainFont);

// True when the menus must not add accelerators on their own: the caption of the
// volume-up action is empty or does not start with an ASCII letter.
bool ManualAccelerators(const std::wstring& volumeUpCaption);

// The help file for a language: HelpDir + language + ".chm", else HelpDir + "Lorvane.chm",
// else empty.
std::wstring ChooseHelpFileName(const std::wstring& helpDir, const std::wstring& language,
                                const std::function<bool(const std::wstring&)>& fileExists);

} // namespace lorvane
