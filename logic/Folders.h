#pragma once
// The folder set of the program, chosen by the settings mode.

#include <string>

namespace lorvane {

struct TFolders {
    std::wstring ProgramDir, SettingsDir, SettingsFile, IconsDir, LanguagesDir, LanguageFile, HelpDir,
        SoundsDir;
};

// Appends a backslash unless the text already ends with one (or is empty).
std::wstring IncludeTrailingBackslash(std::wstring path);

// UserMode 0: portable, 1: roaming application data, 2: per-user folder below the program,
// anything else: no folder (the file name relative to the current folder). Only the low
// byte of the stored value counts. `appData` empty means the shell could not name it.
std::wstring SettingsDirFor(int userMode, const std::wstring& programDir, const std::wstring& appData,
                            const std::wstring& userName);
bool SettingsDirIsCreated(int userMode);

// `currentDir` is the process's current folder: a settings folder below it (mode 1 without an
// application-data folder) is named in full, since folders are created from full paths only.
TFolders ComputeFolders(const std::wstring& programDir, int userMode, const std::wstring& appData,
                        const std::wstring& userName, const std::wstring& currentDir = L"");

} // namespace lorvane
