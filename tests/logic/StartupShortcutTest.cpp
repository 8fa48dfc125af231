#include "StartupShortcut.h"

#include <shlobj.h>

#include <gtest/gtest.h>

namespace {

using namespace lorvane;

std::wstring TempPath(const wchar_t* name)
{
    wchar_t dir[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

// What the shell itself reads from the link: the program's own reader only sees the wait.
struct LinkFields {
    std::wstring target, arguments, folder;
    int show = 0;
};

LinkFields ReadLinkFields(const std::wstring& path)
{
    LinkFields f;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                     reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
                wchar_t text[MAX_PATH * 2] = {};
                link->GetPath(text, MAX_PATH, nullptr, 0);
                f.target = text;
                text[0] = 0;
                link->GetArguments(text, MAX_PATH * 2);
                f.arguments = text;
                text[0] = 0;
                link->GetWorkingDirectory(text, MAX_PATH);
                f.folder = text;
                link->GetShowCmd(&f.show);
            }
            file->Release();
        }
        link->Release();
    }
    ::CoUninitialize();
    return f;
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
    const LinkFields fields = ReadLinkFields(path);
    EXPECT_EQ(_wcsicmp(fields.target.c_str(), exe), 0) << "target";
    EXPECT_EQ(fields.arguments, L"30"); // a plain number: the start still checks for an instance
    EXPECT_EQ(fields.folder, L"");
    EXPECT_EQ(fields.show, SW_SHOWNORMAL);

    ASSERT_TRUE(WriteStartupShortcutFile(path, exe, {true, 0})); // no argument text at all
    read = ReadStartupShortcutFile(path, nullptr);
    EXPECT_TRUE(read.enabled);
    EXPECT_EQ(read.waitSeconds, 0u);
    EXPECT_EQ(ReadLinkFields(path).arguments, L"");

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
