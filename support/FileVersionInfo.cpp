#include "FileVersionInfo.h"

#include "Format.h"
#include "IntText.h"
#include "SystemInfo.h"

#include <shellapi.h>

#include <cwchar>
#include <vector>

namespace lorvane {

namespace {

constexpr const wchar_t* kKeyNames[] = {
    L"CompanyName",     L"FileDescription",  L"FileVersion", L"InternalName",   L"LegalCopyright",
    L"LegalTradeMarks", L"OriginalFilename", L"ProductName", L"ProductVersion", L"Comments"};

} // namespace

TFileVersionInfo::TFileVersionInfo(fw::TComponent* owner, std::wstring name)
    : fw::TComponent(owner, std::move(name)), FileName(fw::ExecutablePath())
{
}

std::wstring TFileVersionInfo::Value(int key) const
{
    if (key < viCompanyName || key > viTranslation || FileName.empty())
        return {};
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(FileName.c_str(), &ignored);
    if (size == 0)
        return {};
    std::vector<BYTE> record(size);
    if (!::GetFileVersionInfoW(FileName.c_str(), 0, size, record.data()))
        return {};
    void* entry = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation", &entry, &length) || !entry ||
        length < 2 * sizeof(WORD))
        return {};
    const WORD* words = static_cast<const WORD*>(entry);
    const std::wstring table = TranslationTableName(words[0], words[1]);
    if (key == viTranslation)
        return table;
    const std::wstring path = L"\\StringFileInfo\\" + table + L"\\" + kKeyNames[key];
    void* value = nullptr;
    if (!::VerQueryValueW(record.data(), path.c_str(), &value, &length) || !value)
        return {};
    // The length counts characters, the terminator included where the record has one.
    const wchar_t* text = static_cast<const wchar_t*>(value);
    return std::wstring(text, ::wcsnlen(text, length));
}

std::wstring TranslationTableName(WORD language, WORD codePage)
{
    return fw::IntToHex(language, 4) + fw::IntToHex(codePage, 4);
}

std::array<std::wstring, 4> SplitVersion(std::wstring_view version)
{
    std::array<std::wstring, 4> parts;
    size_t part = 0;
    for (wchar_t c : version) {
        if (c == L'.') {
            if (++part == parts.size())
                break;
        } else {
            parts[part] += c;
        }
    }
    return parts;
}

std::wstring VersionLine(std::wstring_view description, std::wstring_view fileVersion)
{
    auto p = SplitVersion(fileVersion);
    return fw::Format(L"%s Version %s.%s.%s (Build %s)", {description, p[0], p[1], p[2], p[3]}).value_or(L"");
}

std::wstring UpdateAddress(std::wstring_view comments, std::wstring_view internalName,
                           std::wstring_view fileVersion)
{
    std::wstring url(comments);
    url += L'?';
    url += internalName;
    url += L'=';
    url += fileVersion;
    return url;
}

void OpenUrl(const std::wstring& url, HWND owner)
{
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpVerb = L"open";
    info.lpFile = url.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (::ShellExecuteExW(&info) && info.hProcess)
        ::CloseHandle(info.hProcess); // asked for by the mask; nothing waits on it
}

} // namespace lorvane
