#include "StartupShortcut.h"

#include "ComApartment.h"
#include "ComPtr.h"
#include "CommandLine.h"
#include "IntText.h"

#include <shlobj.h>
#include <shobjidl.h>

namespace lorvane {

std::wstring StartupShortcutPath()
{
    wchar_t dir[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, dir, CSIDL_STARTUP, FALSE))
        return {};
    std::wstring path = dir;
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    return path + L"Lorvane.lnk";
}

unsigned ShortcutWaitFromArguments(const std::wstring& args)
{
    std::wstring t = Trim(args);
    if (t.empty())
        return 0;
    unsigned long long value = 0;
    for (wchar_t c : t) {
        if (c < L'0' || c > L'9')
            return 0;
        value = value * 10 + static_cast<unsigned>(c - L'0');
        if (value > 0xFFFFFFFFull)
            value = 0xFFFFFFFFull;
    }
    return static_cast<unsigned>(value);
}

StartupShortcut ReadStartupShortcutFile(const std::wstring& path, HWND owner)
{
    StartupShortcut result;
    if (path.empty() || ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return result;
    result.enabled = true;
    fw::ComApartment com;
    fw::ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  link.put_void())))
        return result;
    fw::ComPtr<IPersistFile> file;
    if (FAILED(link.As(file, IID_IPersistFile)) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return result;
    link->Resolve(owner, SLR_ANY_MATCH | SLR_NO_UI);
    wchar_t target[MAX_PATH + 1] = {};
    wchar_t args[MAX_PATH + 1] = {};
    wchar_t dir[MAX_PATH + 1] = {};
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    if (SUCCEEDED(link->GetArguments(args, MAX_PATH)))
        result.waitSeconds = ShortcutWaitFromArguments(args);
    link->GetWorkingDirectory(dir, MAX_PATH);
    return result;
}

bool WriteStartupShortcutFile(const std::wstring& path, const std::wstring& target,
                              const StartupShortcut& shortcut)
{
    if (path.empty())
        return false;
    if (!shortcut.enabled) {
        return ::DeleteFileW(path.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND ||
               ::GetLastError() == ERROR_PATH_NOT_FOUND;
    }
    fw::ComApartment com;
    fw::ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  link.put_void())))
        return false;
    std::wstring args = shortcut.waitSeconds ? fw::IntToStr(shortcut.waitSeconds) : std::wstring();
    if (FAILED(link->SetPath(target.c_str())) || FAILED(link->SetArguments(args.c_str())) ||
        FAILED(link->SetWorkingDirectory(L"")) || FAILED(link->SetShowCmd(SW_SHOWNORMAL)))
        return false;
    fw::ComPtr<IPersistFile> file;
    return SUCCEEDED(link.As(file, IID_IPersistFile)) && SUCCEEDED(file->Save(path.c_str(), TRUE));
}

} // namespace lorvane
