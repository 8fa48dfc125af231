// Process entry: the single-instance rule, the COM apartment, the main window and its loop.
#include "ComApartment.h"
#include "CommandLine.h"
#include "Form.h"
#include "Main.h"
#include "Messages.h"
#include "SingleInstance.h"

#include <cstdlib>

namespace {

// The first argument as the runtime splits the command line; only its first character
// matters here.
std::wstring FirstArgument()
{
    return __argc > 1 && __wargv && __wargv[1] ? __wargv[1] : L"";
}

// A start with "-" that found the instance mutex owned (a restart while the old instance
// still closes) takes it over once its owner is gone, so that it is the one a later plain
// start finds. The waiting thread keeps ownership until the process ends.
DWORD WINAPI TakeOverInstanceMutex(void* mutex)
{
    const DWORD wait = ::WaitForSingleObject(static_cast<HANDLE>(mutex), INFINITE);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) // abandoned: its owner ended, it is ours
        ::Sleep(INFINITE);
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    using namespace lorvane;
    const std::wstring first = FirstArgument();
    const bool checkInstance = first.empty() || first.front() != L'-';

    // Never closed: ownership ends with the process. WAIT_ABANDONED means the previous owner
    // ended without releasing it: this process owns it now.
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, kInstanceMutexName);
    DWORD wait = mutex ? ::WaitForSingleObject(mutex, 0) : WAIT_FAILED;
    if (checkInstance && wait == WAIT_TIMEOUT) {
        if (NotifyRunningInstance(SystemInstance(mutex)) != SecondStart::Owner)
            return 0;
        wait = WAIT_OBJECT_0;
    }
    const std::wstring tail = CommandTail(::GetCommandLineW());
    if (!checkInstance && wait == WAIT_TIMEOUT && !CommandVerb(tail)) {
        if (HANDLE waiter = ::CreateThread(nullptr, 64 * 1024, TakeOverInstanceMutex, mutex,
                                           STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr))
            ::CloseHandle(waiter);
    }

    fw::ComApartment com;
    TMainForm form(tail);
    if (!form.Create())
        return 1;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (form.IsVolumeBarMessage(&msg))
            continue;
        if (fw::TForm::IsFormMessage(&msg))
            continue; // keyboard navigation of the settings dialog
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return form.ExitCode();
}
