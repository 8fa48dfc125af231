// The version record reader against real records: the program's own and the test's.
#include "FileVersionInfo.h"

#include "SystemInfo.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace lorvane;

std::wstring ProgramFile()
{
    std::wstring dir = fw::ExecutablePath();
    dir.erase(dir.find_last_of(L'\\'));     // tests
    dir.erase(dir.find_last_of(L'\\') + 1); // build
    return dir + L"bin\\Lorvane.exe";
}

TEST(VersionText, PartsOfTheVersion)
{
    auto p = SplitVersion(L"1.8.3.104");
    EXPECT_EQ(p[0], L"1");
    EXPECT_EQ(p[1], L"8");
    EXPECT_EQ(p[2], L"3");
    EXPECT_EQ(p[3], L"104");
    EXPECT_EQ(VersionLine(L"Lorvane", L"1.8.3.104"), L"Lorvane Version 1.8.3 (Build 104)");
    EXPECT_EQ(VersionLine(L"Lorvane", L"1.8.3"), L"Lorvane Version 1.8.3 (Build )");
    EXPECT_EQ(VersionLine(L"", L""), L" Version .. (Build )");
    EXPECT_EQ(SplitVersion(L"1.2.3.4.5")[3], L"4");
    EXPECT_EQ(UpdateAddress(L"https://example.org/u", L"Lorvane", L"1.8.3.104"),
              L"https://example.org/u?Lorvane=1.8.3.104");
    EXPECT_EQ(TranslationTableName(0x0409, 1200), L"040904B0");
}

TEST(VersionRecord, FirstOfTwoTranslationsNamesTheTable)
{
    TFileVersionInfo info; // this test program: its record lists 0407/04E4 before 0409/04B0
    EXPECT_EQ(info.Translation(), L"040704E4");
    EXPECT_EQ(info.FileDescription(), L"Erste Tabelle");
    EXPECT_EQ(info.FileVersion(), L"2.0.1");
    EXPECT_EQ(info.CompanyName(), L""); // empty in the record
    EXPECT_EQ(info.ProductName(), L""); // not in the table at all
    EXPECT_EQ(info.Value(11), L"");
}

TEST(VersionRecord, FileWithoutRecordGivesEmptyValues)
{
    TFileVersionInfo info;
    info.FileName = ProgramFile();
    info.FileName.replace(info.FileName.size() - 11, 11, L"Languages\\German.ini");
    EXPECT_EQ(info.FileVersion(), L"");
    EXPECT_EQ(info.Translation(), L"");
    info.FileName = L"Z:\\nowhere\\missing.exe";
    EXPECT_EQ(info.FileDescription(), L"");
}

TEST(VersionRecord, ProgramCarriesItsRecord)
{
    TFileVersionInfo info;
    info.FileName = ProgramFile();
    EXPECT_EQ(info.FileDescription(), L"Lorvane");
    EXPECT_EQ(info.FileVersion(), L"1.8.3.104");
    EXPECT_EQ(info.InternalName(), L"Lorvane");
    EXPECT_EQ(info.OriginalFilename(), L"Lorvane.exe");
    EXPECT_EQ(info.ProductVersion(), L"1.0.0.0");
    EXPECT_EQ(info.CompanyName(), L"");
    EXPECT_EQ(info.ProductName(), L"");
    EXPECT_EQ(info.LegalTradeMarks(), L"");
    EXPECT_FALSE(info.LegalCopyright().empty());
    EXPECT_EQ(info.Comments().rfind(L"https://", 0), 0u);
    EXPECT_EQ(VersionLine(info.FileDescription(), info.FileVersion()), L"Lorvane Version 1.8.3 (Build 104)");

    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(info.FileName.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> record(size);
    ASSERT_TRUE(::GetFileVersionInfoW(info.FileName.c_str(), 0, size, record.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(::VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010008u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00030068u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010008u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00030068u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    WORD* translation = nullptr;
    ASSERT_TRUE(::VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation",
                                 reinterpret_cast<void**>(&translation), &len));
    EXPECT_EQ(len, 2 * sizeof(WORD)); // one entry
}

} // namespace
