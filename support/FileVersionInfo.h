#pragma once
// TFileVersionInfo: the string values of a file's version record (the About page's name,
// version, copyright and update address). Nothing is cached: every read opens the record
// anew, so a file replaced on disk is read as it is now.

#include "Component.h"

#include <windows.h>

#include <array>
#include <string>
#include <string_view>

namespace lorvane {

class TFileVersionInfo : public fw::TComponent {
  public:
    // Selectors of Value, in the order of the record's standard keys.
    enum Key : int {
        viCompanyName,
        viFileDescription,
        viFileVersion,
        viInternalName,
        viLegalCopyright,
        viLegalTradeMarks,
        viOriginalFilename,
        viProductName,
        viProductVersion,
        viComments,
        viTranslation, // the table name itself ("040904B0")
    };

    /// FileName starts as the running program's full path.
    explicit TFileVersionInfo(fw::TComponent* owner = nullptr, std::wstring name = L"FileVersionInfo");

    std::wstring FileName;

    /// Empty when the file has no version record, no translation entry, or lacks the key.
    std::wstring Value(int key) const;

    std::wstring CompanyName() const { return Value(viCompanyName); }
    std::wstring FileDescription() const { return Value(viFileDescription); }
    std::wstring FileVersion() const { return Value(viFileVersion); }
    std::wstring InternalName() const { return Value(viInternalName); }
    std::wstring LegalCopyright() const { return Value(viLegalCopyright); }
    std::wstring LegalTradeMarks() const { return Value(viLegalTradeMarks); }
    std::wstring OriginalFilename() const { return Value(viOriginalFilename); }
    std::wstring ProductName() const { return Value(viProductName); }
    std::wstring ProductVersion() const { return Value(viProductVersion); }
    std::wstring Comments() const { return Value(viComments); }
    std::wstring Translation() const { return Value(viTranslation); }
};

// The string-table name of a translation entry (language word, then code-page word), as
// eight upper-case hexadecimal digits.
std::wstring TranslationTableName(WORD language, WORD codePage);

// "1.8.3.104" → {"1", "8", "3", "104"}; missing parts are empty, parts beyond the fourth
// are ignored.
std::array<std::wstring, 4> SplitVersion(std::wstring_view version);

// "Lorvane Version 1.8.3 (Build 104)".
std::wstring VersionLine(std::wstring_view description, std::wstring_view fileVersion);

// The update page's address: comments + "?" + internal name + "=" + file version.
std::wstring UpdateAddress(std::wstring_view comments, std::wstring_view internalName,
                           std::wstring_view fileVersion);

// Opens an address with the system's handler for it; the result is not examined.
void OpenUrl(const std::wstring& url, HWND owner);

} // namespace lorvane
