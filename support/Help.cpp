#include "Help.h"

#include "SystemInfo.h"

#include <oleauto.h>

namespace lorvane {

namespace {

constexpr UINT kHhDisplayTopic = 0x0000;
constexpr UINT kHhKeywordLookup = 0x000D;
constexpr UINT kHhDisplayTextPopup = 0x000E;
constexpr UINT kHhHelpContext = 0x000F;
constexpr UINT kHhCloseAll = 0x0012;
constexpr UINT kHhGetLastError = 0x0014;
constexpr UINT kHhInitialize = 0x001C;
constexpr UINT kHhUninitialize = 0x001D;

// The viewer's answer to HH_GET_LAST_ERROR (not in the platform header).
struct THHLastError {
    int cbStruct;
    HRESULT hr;
    BSTR description;
};

using HtmlHelpAProc = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

// Bound once; the library stays loaded for the viewer's windows.
HtmlHelpAProc SystemHtmlHelp()
{
    static HtmlHelpAProc proc = [] {
        HMODULE lib = ::LoadLibraryW(L"hhctrl.ocx");
        return lib ? reinterpret_cast<HtmlHelpAProc>(
                         reinterpret_cast<void*>(::GetProcAddress(lib, "HtmlHelpA")))
                   : nullptr;
    }();
    return proc;
}

} // namespace

bool IsChmFile(const std::wstring& file)
{
    size_t dot = file.find_last_of(L".\\/");
    if (dot == std::wstring::npos || file[dot] != L'.')
        return false;
    std::wstring ext = file.substr(dot);
    return ::CompareStringOrdinal(ext.c_str(), -1, L".chm", -1, TRUE) == CSTR_EQUAL;
}

std::string ToAnsi(const std::wstring& text)
{
    if (text.empty())
        return {};
    int n = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                  nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr,
                              nullptr);
    return out;
}

THtmlHelp::THtmlHelp(fw::TComponent* owner, std::wstring name) : fw::TComponent(owner, std::move(name)) {}

THtmlHelp::~THtmlHelp()
{
    if (cookie != static_cast<DWORD_PTR>(-1))
        Call(nullptr, {}, kHhUninitialize, cookie);
}

std::wstring THtmlHelp::HelpFileName() const
{
    if (!HelpFile.empty())
        return HelpFile;
    if (ApplicationHelpFile) {
        std::wstring file = ApplicationHelpFile();
        if (!file.empty())
            return file;
    }
    std::wstring own = fw::ExecutablePath();
    size_t dot = own.find_last_of(L".\\");
    if (dot != std::wstring::npos && own[dot] == L'.')
        own.erase(dot);
    own += L".chm";
    return fw::FileExists(own) ? own : std::wstring();
}

bool THtmlHelp::Help(UINT command, DWORD_PTR data, bool& handled)
{
    handled = IsChmFile(HelpFileName());
    if (!handled)
        return false;
    return RunCommand(command, data);
}

bool THtmlHelp::ShowContents()
{
    bool handled = false;
    return Help(HELP_CONTENTS, 0, handled);
}

bool THtmlHelp::ShowKeyword(const std::wstring& keyword)
{
    std::string ansi = ToAnsi(keyword);
    bool handled = false;
    return Help(HELP_KEY, reinterpret_cast<DWORD_PTR>(ansi.c_str()), handled);
}

bool THtmlHelp::CloseAll()
{
    bool handled = false;
    return Help(HELP_QUIT, 0, handled);
}

HWND THtmlHelp::Call(HWND caller, const std::string& file, UINT command, DWORD_PTR data)
{
    if (HtmlHelpFunction)
        return HtmlHelpFunction(caller, file.empty() ? nullptr : file.c_str(), command, data);
    HtmlHelpAProc proc = SystemHtmlHelp();
    return proc ? proc(caller, file.empty() ? nullptr : file.c_str(), command, data) : nullptr;
}

bool THtmlHelp::RunCommand(UINT command, DWORD_PTR data)
{
    HWND owner = OwnerWindow;
    bool popupOwner = true;
    if (!owner)
        owner = ::GetActiveWindow();
    if (!owner) {
        owner = ApplicationWindow;
        popupOwner = false;
    }
    if (cookie == static_cast<DWORD_PTR>(-1)) {
        DWORD_PTR value = 0;
        Call(nullptr, {}, kHhInitialize, reinterpret_cast<DWORD_PTR>(&value));
        cookie = value;
    }

    const std::string file = ToAnsi(HelpFileName());
    switch (command) {
    case HELP_CONTEXT:
        LastResult = Call(owner, file, kHhHelpContext, data);
        break;
    case HELP_QUIT:
        LastResult = Call(nullptr, {}, kHhCloseAll, 0);
        break;
    case HELP_CONTENTS:
    case HELP_FINDER:
        LastResult = Call(owner, file, kHhDisplayTopic, 0);
        break;
    case HELP_KEY: {
        THHAKLinkA link{};
        link.cbStruct = sizeof(link);
        link.pszKeywords = reinterpret_cast<const char*>(data);
        link.fIndexOnFail = TRUE;
        LastResult = Call(owner, file, kHhKeywordLookup, reinterpret_cast<DWORD_PTR>(&link));
        break;
    }
    case HELP_SETPOPUP_POS:
        PopupPosition.x = static_cast<short>(LOWORD(data));
        PopupPosition.y = static_cast<short>(HIWORD(data));
        return true;
    case HELP_CONTEXTPOPUP: {
        LastResult = Call(owner, file, kHhHelpContext, data);
        if (!LastResult) {
            THHPopupA popup{};
            popup.cbStruct = sizeof(popup);
            popup.idString = static_cast<UINT>(data);
            popup.pt = PopupPosition;
            popup.clrForeground = static_cast<COLORREF>(-1);
            popup.clrBackground = static_cast<COLORREF>(-1);
            popup.rcMargins = {-1, -1, -1, -1};
            LastResult = Call(popupOwner ? owner : nullptr, file + "::/cshelp.txt", kHhDisplayTextPopup,
                              reinterpret_cast<DWORD_PTR>(&popup));
        }
        return true;
    }
    default:
        return true;
    }
    if (LastResult)
        return true;
    ReportLastError();
    return false;
}

void THtmlHelp::ReportLastError()
{
    THHLastError error{};
    error.cbStruct = sizeof(error);
    Call(nullptr, {}, kHhGetLastError, reinterpret_cast<DWORD_PTR>(&error));
    if (FAILED(error.hr) && error.description) {
        std::wstring text(error.description, ::SysStringLen(error.description));
        ::SysFreeString(error.description);
        if (ShowError)
            ShowError(text);
        else
            ::MessageBoxW(ApplicationWindow, text.c_str(), ApplicationTitle.c_str(), MB_OK | MB_ICONERROR);
    }
}

} // namespace lorvane
