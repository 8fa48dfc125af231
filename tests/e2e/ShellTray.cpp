#include "ShellTray.h"

#include <commctrl.h>

namespace e2e {

namespace {

// The shell's tooltip windows keep their tools' texts in the shell's process: they are read
// through a buffer placed there.
class ShellTips {
  public:
    ShellTips()
    {
        tray = ::FindWindowW(L"Shell_TrayWnd", nullptr);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(tray, &pid);
        shell = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (shell)
            remote = static_cast<unsigned char*>(
                ::VirtualAllocEx(shell, nullptr, kSize, MEM_COMMIT, PAGE_READWRITE));
    }
    ~ShellTips()
    {
        if (remote)
            ::VirtualFreeEx(shell, remote, 0, MEM_RELEASE);
        if (shell)
            ::CloseHandle(shell);
    }
    ShellTips(const ShellTips&) = delete;
    ShellTips& operator=(const ShellTips&) = delete;

    HWND Tray() const { return tray; }
    // The tooltip windows of the taskbar, newest first.
    std::vector<HWND> Windows() const
    {
        std::vector<HWND> tips;
        for (HWND tip = nullptr; (tip = ::FindWindowExW(nullptr, tip, L"tooltips_class32", nullptr));)
            if (tray && ::GetWindow(tip, GW_OWNER) == tray)
                tips.push_back(tip);
        return tips;
    }
    // The first tool of `tip`: its rectangle (in its window's coordinates) and text.
    bool FirstTool(HWND tip, TTTOOLINFOW& info, std::wstring& text) const
    {
        if (!remote)
            return false;
        DWORD_PTR result = 0;
        if (!Send(tip, TTM_GETTOOLCOUNT, 0, nullptr, result) || result < 1)
            return false;
        info = TTTOOLINFOW{};
        info.cbSize = sizeof(info);
        ::WriteProcessMemory(shell, remote, &info, sizeof info, nullptr);
        if (!Send(tip, TTM_ENUMTOOLSW, 0, remote, result) || !result)
            return false;
        ::ReadProcessMemory(shell, remote, &info, sizeof info, nullptr);
        info.lpszText = TextBuffer();
        ::WriteProcessMemory(shell, remote, &info, sizeof info, nullptr);
        ClearText();
        Send(tip, TTM_GETTEXTW, kTextChars, remote, result);
        text = ReadText();
        return true;
    }
    std::wstring Title(HWND tip) const
    {
        if (!remote)
            return {};
        TTGETTITLE title{sizeof(TTGETTITLE), 0, kTextChars, TextBuffer()};
        ::WriteProcessMemory(shell, remote, &title, sizeof title, nullptr);
        ClearText();
        DWORD_PTR result = 0;
        Send(tip, TTM_GETTITLE, 0, remote, result);
        return ReadText();
    }

  private:
    static constexpr UINT kTextChars = 1024;
    static constexpr size_t kSize = 256 + (kTextChars + 1) * sizeof(wchar_t);

    bool Send(HWND w, UINT msg, WPARAM wp, void* lp, DWORD_PTR& result) const
    {
        return ::SendMessageTimeoutW(w, msg, wp, reinterpret_cast<LPARAM>(lp), SMTO_ABORTIFHUNG, 2000,
                                     &result) != 0;
    }
    wchar_t* TextBuffer() const { return reinterpret_cast<wchar_t*>(remote + 256); }
    void ClearText() const
    {
        const wchar_t none = 0;
        ::WriteProcessMemory(shell, TextBuffer(), &none, sizeof none, nullptr);
    }
    std::wstring ReadText() const
    {
        std::vector<wchar_t> text(kTextChars + 1, 0);
        ::ReadProcessMemory(shell, TextBuffer(), text.data(), kTextChars * sizeof(wchar_t), nullptr);
        return text.data();
    }

    HWND tray = nullptr;
    HANDLE shell = nullptr;
    unsigned char* remote = nullptr;
};

} // namespace

// Wine's shell gives every icon a tooltip window of its own (and keeps those of removed
// icons, with an empty tool rectangle).
std::vector<TrayIcon> ShownTrayIcons()
{
    std::vector<TrayIcon> icons;
    ShellTips tips;
    for (HWND tip : tips.Windows()) {
        if (::GetWindowLongW(tip, GWL_STYLE) & TTS_BALLOON)
            continue;
        TTTOOLINFOW info{};
        TrayIcon icon;
        if (!tips.FirstTool(tip, info, icon.tip) || ::IsRectEmpty(&info.rect))
            continue;
        icon.screen = info.rect;
        ::MapWindowPoints(info.hwnd, nullptr, reinterpret_cast<POINT*>(&icon.screen), 2);
        icons.push_back(icon);
    }
    return icons;
}

std::optional<Balloon> ShownBalloon()
{
    ShellTips tips;
    for (HWND tip : tips.Windows()) {
        if (!(::GetWindowLongW(tip, GWL_STYLE) & TTS_BALLOON) || !::IsWindowVisible(tip))
            continue;
        TTTOOLINFOW info{};
        Balloon b;
        if (tips.FirstTool(tip, info, b.text)) {
            b.title = tips.Title(tip);
            return b;
        }
    }
    return std::nullopt;
}

HWND NotifyIconWindow(DWORD pid)
{
    // Message-only where the main window passes the shell's broadcasts on.
    for (HWND parent : {HWND_MESSAGE, HWND(nullptr)}) {
        for (HWND w = nullptr; (w = ::FindWindowExW(parent, w, L"LorvaneNotifyIcon", nullptr));) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(w, &owner);
            if (owner == pid)
                return w;
        }
    }
    return nullptr;
}

} // namespace e2e
