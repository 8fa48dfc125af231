#include "StartupShortcut.h"

#include <gtest/gtest.h>

namespace {

using namespace lorvane;

std::wstring TempPath(const wchar_t* name)
{
    wchar_t dir[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

TEST(StartupShortcut, WriteReadDeleteThroughTheShellLink)
{
    const std::wstring path = TempPath(L"LorvaneShortcutTest.lnk");
    ::DeleteFileW(path.c_str());
    EXPECT_FALSE(ReadStartupShortcutFile(path, nullptr).enabled);

    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    ASSERT_TRUE(WriteStartupShortcutFile(path, exe, {true, 30}));
    StartupShortcut read = ReadStartupShortcutFile(path, nullptr);
    EXPECT_TRUE(read.enabled);
    EXPECT_EQ(read.waitSeconds, 30u);

    ASSERT_TRUE(WriteStartupShortcutFile(path, exe, {true, 0})); // no argument text at all
    read = ReadStartupShortcutFile(path, nullptr);
    EXPECT_TRUE(read.enabled);
    EXPECT_EQ(read.waitSeconds, 0u);

    EXPECT_TRUE(WriteStartupShortcutFile(path, exe, {false, 0}));
    EXPECT_EQ(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(WriteStartupShortcutFile(path, exe, {false, 0})); // deleting a missing file is fine
}

TEST(StartupShortcut, UnreadableFileCountsAsPresentWithNoWait)
{
    const std::wstring path = TempPath(L"LorvaneShortcutGarbage.lnk");
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written;
    ::WriteFile(h, "not a link", 10, &written, nullptr);
    ::CloseHandle(h);
    StartupShortcut read = ReadStartupShortcutFile(path, nullptr);
    EXPECT_TRUE(read.enabled);
    EXPECT_EQ(read.waitSeconds, 0u);
    ::DeleteFileW(path.c_str());
}

TEST(StartupShortcut, ArgumentTextToWait)
{
    EXPECT_EQ(ShortcutWaitFromArguments(L"120"), 120u);
    EXPECT_EQ(ShortcutWaitFromArguments(L""), 0u);
    EXPECT_EQ(ShortcutWaitFromArguments(L"abc"), 0u);
    EXPECT_EQ(ShortcutWaitFromArguments(L"-5"), 0u);
    EXPECT_EQ(ShortcutWaitFromArguments(L"99999999999"), 4294967295u);
    EXPECT_FALSE(StartupShortcutPath().empty());
}

} // namespace
