// The program's own handler for an uncaught exception: the same report on stderr as the
// runtime's default one (the type by its raw name) and the same abnormal end.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

struct Ending {
    std::string err;
    DWORD exitCode = 0;
};

Ending RunProbe(const std::wstring& argument)
{
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe = self;
    exe = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"TerminateProbe.exe";
    std::wstring line = L"\"" + exe + L"\" " + argument;

    SECURITY_ATTRIBUTES inherit{};
    inherit.nLength = sizeof(inherit);
    inherit.bInheritHandle = TRUE;
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    EXPECT_TRUE(::CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdError = writeEnd;
    si.hStdOutput = writeEnd;
    si.hStdInput = nullptr;
    PROCESS_INFORMATION pi{};
    Ending ending;
    const bool started = ::CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                          nullptr, nullptr, &si, &pi);
    ::CloseHandle(writeEnd);
    EXPECT_TRUE(started) << ::GetLastError();
    if (started) {
        char buf[512];
        DWORD got = 0;
        while (::ReadFile(readEnd, buf, sizeof(buf), &got, nullptr) && got > 0)
            for (DWORD i = 0; i < got; ++i)
                if (buf[i] != '\r') // stderr is in text mode
                    ending.err += buf[i];
        EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
        ::GetExitCodeProcess(pi.hProcess, &ending.exitCode);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    ::CloseHandle(readEnd);
    return ending;
}

TEST(UncaughtException, TheReportNamesTheTypeAndTheMessageAndTheProcessAborts)
{
    const Ending e = RunProbe(L"");
    EXPECT_NE(e.err.find("terminate called after throwing an instance of 'St13runtime_error'\n"
                         "  what():  step out of range\n"),
              std::string::npos)
        << e.err;
    EXPECT_EQ(e.exitCode, 3u); // abort()
}

TEST(UncaughtException, AnythingElseThrownIsNamedWithoutAMessage)
{
    const Ending e = RunProbe(L"silent");
    EXPECT_NE(e.err.find("terminate called after throwing an instance of 'i'\n"), std::string::npos) << e.err;
    EXPECT_EQ(e.err.find("what()"), std::string::npos) << e.err;
    EXPECT_EQ(e.exitCode, 3u);
}

TEST(UncaughtException, TerminateWithoutAnExceptionSaysSo)
{
    const Ending e = RunProbe(L"none");
    EXPECT_NE(e.err.find("terminate called without an active exception\n"), std::string::npos) << e.err;
    EXPECT_EQ(e.exitCode, 3u);
}

} // namespace
