#pragma once
// Helpers of the settings tests: a scratch folder, raw file bytes, encodings, and the
// action list of the main window as the settings file sees it.

#include "SettingsModel.h"

#include <windows.h>

#include <string>
#include <vector>

namespace settingstest {

// A fresh folder below the temporary folder, removed with everything in it.
class TempFolder {
  public:
    explicit TempFolder(const std::wstring& tag);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return path; } // ends with a backslash
    std::wstring File(const std::wstring& name) const { return path + name; }
    std::vector<std::wstring> Names() const; // files and folders directly inside

  private:
    std::wstring path;
};

void RemoveTree(const std::wstring& path); // no trailing backslash needed
std::string ReadBytes(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::string& bytes);

std::string Utf16LeWithBom(const std::wstring& text);
std::string Utf16BeWithBom(const std::wstring& text);
std::string Utf8WithBom(const std::wstring& text);
// The text in the system's ANSI code page; false when the code page cannot hold it.
bool Ansi(const std::wstring& text, std::string& out);

fw::TIniFile Parse(const std::wstring& text);
std::vector<std::wstring> Keys(const fw::TIniFile& ini, const wchar_t* section); // in file order

// The 27 fixed actions of the main window in list order, as the settings file knows them.
std::vector<lorvane::TActionRef> FixedActions();
// Menu visibility as the actions have it before any settings are read.
std::map<std::wstring, bool> DesignMenuVisibility();

} // namespace settingstest
