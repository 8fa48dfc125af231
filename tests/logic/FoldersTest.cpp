#include "Folders.h"

#include <gtest/gtest.h>

namespace {

using namespace lorvane;

TEST(Folders, UserModeChoosesTheSettingsFolder)
{
    const std::wstring prog = L"C:\\Lorvane\\";
    const std::wstring appData = L"C:\\Users\\anna\\AppData\\Roaming";
    struct Case {
        int mode;
        const wchar_t* settingsFile;
        bool created;
    } cases[] = {
        {0, L"C:\\Lorvane\\Lorvane.ini", false},
        {256, L"C:\\Lorvane\\Lorvane.ini", false}, // only the low byte counts
        {1, L"C:\\Users\\anna\\AppData\\Roaming\\Lorvane\\Lorvane.ini", true},
        {2, L"C:\\Lorvane\\Users\\anna\\Lorvane.ini", true},
        {258, L"C:\\Lorvane\\Users\\anna\\Lorvane.ini", true},
        {3, L"Lorvane.ini", false},
        {-1, L"Lorvane.ini", false},
    };
    for (const Case& c : cases) {
        TFolders f = ComputeFolders(prog, c.mode, appData, L"anna");
        EXPECT_EQ(f.SettingsFile, c.settingsFile) << c.mode;
        EXPECT_EQ(SettingsDirIsCreated(c.mode), c.created) << c.mode;
    }
}

TEST(Folders, DataFoldersBesideTheProgramEndWithBackslash)
{
    TFolders f = ComputeFolders(L"D:\\Tools\\Lorvane", 0, L"", L"");
    EXPECT_EQ(f.ProgramDir, L"D:\\Tools\\Lorvane\\");
    EXPECT_EQ(f.IconsDir, L"D:\\Tools\\Lorvane\\Icons\\");
    EXPECT_EQ(f.LanguagesDir, L"D:\\Tools\\Lorvane\\Languages\\");
    EXPECT_EQ(f.LanguageFile, L"D:\\Tools\\Lorvane\\Languages\\.ini");
    EXPECT_EQ(f.HelpDir, L"D:\\Tools\\Lorvane\\Help\\");
    EXPECT_EQ(f.SoundsDir, L"D:\\Tools\\Lorvane\\Sounds\\");
    // Without an application-data folder mode 1 uses a folder below the current one, named in
    // full so that it can be created.
    EXPECT_EQ(ComputeFolders(L"D:\\L\\", 1, L"", L"x", L"C:\\Work").SettingsFile,
              L"C:\\Work\\Lorvane\\Lorvane.ini");
    EXPECT_EQ(ComputeFolders(L"D:\\L\\", 3, L"", L"x", L"C:\\Work").SettingsFile, L"Lorvane.ini");
}

} // namespace
