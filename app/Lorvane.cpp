// Process entry: the single-instance rule, the COM apartment, the main window and its loop.
#include "CommandLine.h"
#include "ComApartment.h"
#include "Form.h"
#include "Main.h"
#include "Messages.h"

#include <shellapi.h>

namespace {

// The first argument as the runtime splits the command line; only its first character
// matters here.
std::wstring FirstArgument()
{
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::wstring first = (argv && argc > 1) ? argv[1] : L"";
    ::LocalFree(argv);
    return first;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    using namespace lorvane;
    const std::wstring first = FirstArgument();
    const bool checkInstance = first.empty() || first.front() != L'-';

    // Never closed: ownership ends with the process. A leading "-" ignores the outcome.
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, kInstanceMutexName);
    DWORD wait = mutex ? ::WaitForSingleObject(mutex, 0) : WAIT_FAILED;
    if (checkInstance && wait == WAIT_TIMEOUT) {
        if (HWND running = ::FindWindowW(kMainWindowClass, kMainWindowCaption))
            ::PostMessageW(running, WM_INSTANCE_NOTIFY, 0, 0);
        return 0;
    }

    fw::ComApartment com;
    TMainForm form(CommandTail(::GetCommandLineW()));
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
