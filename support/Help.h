#pragma once
// THtmlHelp: routes the application's help requests to the compiled-HTML help viewer
// whenever the help file is a ".chm". The viewer's library is bound at run time, so the
// program starts where it is missing (help then does nothing).

#include "Component.h"

#include <windows.h>

#include <functional>
#include <string>

namespace lorvane {

// The viewer's entry point, with the signature of HtmlHelpA; tests record calls here.
using THtmlHelpFunction = std::function<HWND(HWND caller, const char* file, UINT command, DWORD_PTR data)>;

// The keyword-link record of HtmlHelpA (the header declares it with the wide strings of a
// Unicode build; the layout is the same).
struct THHAKLinkA {
    int cbStruct;
    BOOL fReserved;
    const char* pszKeywords;
    const char* pszUrl;
    const char* pszMsgText;
    const char* pszMsgTitle;
    const char* pszWindow;
    BOOL fIndexOnFail;
};

// The text pop-up record of HtmlHelpA.
struct THHPopupA {
    int cbStruct;
    HINSTANCE hinst;
    UINT idString;
    const char* pszText;
    POINT pt;
    COLORREF clrForeground;
    COLORREF clrBackground;
    RECT rcMargins;
    const char* pszFont;
};

class THtmlHelp : public fw::TComponent {
  public:
    explicit THtmlHelp(fw::TComponent* owner = nullptr, std::wstring name = L"HtmlHelp");
    /// Closes the viewer's library session when one was opened.
    ~THtmlHelp() override;

    /// A help file of its own; empty: the application's.
    std::wstring HelpFile;
    /// The window that owns help windows; null: the active form's, else the application's.
    HWND OwnerWindow = nullptr;
    /// The application's window and current help file (the main window connects them).
    HWND ApplicationWindow = nullptr;
    std::function<std::wstring()> ApplicationHelpFile;
    std::wstring ApplicationTitle = L"Lorvane";
    /// The viewer; empty: HtmlHelpA of the system's library, bound on first use.
    THtmlHelpFunction HtmlHelpFunction;
    /// Shows the viewer's error description; empty: a message box.
    std::function<void(const std::wstring& text)> ShowError;

    /// The help file the requests go to (HelpFile, the application's, the program's own
    /// ".chm" when it exists; else empty).
    std::wstring HelpFileName() const;

    /// The application's help handler. False with `handled` false when the help file is no
    /// ".chm" (the default handling then applies); otherwise the viewer's answer.
    bool Help(UINT command, DWORD_PTR data, bool& handled);

    /// The three requests the program makes.
    bool ShowContents();
    bool ShowKeyword(const std::wstring& keyword);
    bool CloseAll();

    DWORD_PTR Cookie() const noexcept { return cookie; }
    POINT PopupPosition{};
    HWND LastResult = nullptr;

  private:
    bool RunCommand(UINT command, DWORD_PTR data);
    HWND Call(HWND caller, const std::string& file, UINT command, DWORD_PTR data);
    void ReportLastError();

    DWORD_PTR cookie = static_cast<DWORD_PTR>(-1);
};

// The extension is ".chm", in any case.
bool IsChmFile(const std::wstring& file);

// Text in the system's ANSI code page, for the viewer's ANSI entry point.
std::string ToAnsi(const std::wstring& text);

} // namespace lorvane
