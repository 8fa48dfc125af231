#include "Folders.h"

namespace lorvane {

std::wstring IncludeTrailingBackslash(std::wstring path)
{
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    return path;
}

std::wstring SettingsDirFor(int userMode, const std::wstring& programDir, const std::wstring& appData,
                            const std::wstring& userName)
{
    switch (userMode & 0xFF) {
    case 0:
        return programDir;
    case 1:
        // Without an application-data folder the settings go below the current folder.
        return appData.empty() ? std::wstring(L"Lorvane\\") : IncludeTrailingBackslash(appData) + L"Lorvane\\";
    case 2:
        return programDir + L"Users\\" + IncludeTrailingBackslash(userName);
    default:
        return {};
    }
}

bool SettingsDirIsCreated(int userMode)
{
    int mode = userMode & 0xFF;
    return mode == 1 || mode == 2;
}

TFolders ComputeFolders(const std::wstring& programDir, int userMode, const std::wstring& appData,
                        const std::wstring& userName, const std::wstring& currentDir)
{
    TFolders f;
    f.ProgramDir = IncludeTrailingBackslash(programDir);
    f.SettingsDir = SettingsDirFor(userMode, f.ProgramDir, appData, userName);
    if (SettingsDirIsCreated(userMode) && appData.empty() && (userMode & 0xFF) == 1)
        f.SettingsDir = IncludeTrailingBackslash(currentDir) + f.SettingsDir;
    f.SettingsFile = f.SettingsDir + L"Lorvane.ini";
    f.IconsDir = f.ProgramDir + L"Icons\\";
    f.LanguagesDir = f.ProgramDir + L"Languages\\";
    f.LanguageFile = f.LanguagesDir + L".ini"; // no language chosen yet
    f.HelpDir = f.ProgramDir + L"Help\\";
    f.SoundsDir = f.ProgramDir + L"Sounds\\";
    return f;
}

} // namespace lorvane
