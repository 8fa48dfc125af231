#pragma once
// Helpers of the notification-icon tests: a shell that behaves as Wine's does (it refuses to
// modify or delete an absent icon and to add a present one) and records every call.

#include "NotifyIcon.h"
#include "Window.h"

#include <deque>
#include <string>
#include <vector>

namespace traytest {

struct ShellCall {
    DWORD message;
    NOTIFYICONDATAW data; // as the component passed it
};

class FakeShell {
  public:
    std::vector<ShellCall> calls;
    bool present = false;
    std::deque<DWORD> addFailures; // errors of the next adds, one each
    std::vector<DWORD> sleeps;
    POINT cursor{100, 200};
    bool cursorReadable = true;
    bool cursorOnShell = true; // the cursor is over the shell's windows
    std::vector<SHORT> keys = std::vector<SHORT>(256, 0);
    struct Popup {
        HMENU menu;
        POINT at;
        HWND owner;
    };
    std::vector<Popup> popups;

    tray::NotifyIconSeams Seams()
    {
        tray::NotifyIconSeams s;
        s.shellNotify = [this](DWORD m, NOTIFYICONDATAW& d, DWORD& e) { return Notify(m, d, e); };
        s.sleep = [this](DWORD ms) { sleeps.push_back(ms); };
        s.cursorPos = [this](POINT& p) {
            p = cursor;
            return cursorReadable;
        };
        s.pointOnShell = [this](POINT) { return cursorOnShell; };
        s.keyState = [this](int vk) { return vk >= 0 && vk < 256 ? keys[vk] : SHORT(0); };
        s.trackPopup = [this](HMENU m, int x, int y, HWND owner) {
            popups.push_back({m, POINT{x, y}, owner});
        };
        return s;
    }

    size_t Count(DWORD message) const
    {
        size_t n = 0;
        for (const ShellCall& c : calls)
            n += c.message == message;
        return n;
    }
    const ShellCall& Last() const { return calls.back(); }

  private:
    bool Notify(DWORD message, NOTIFYICONDATAW& data, DWORD& error)
    {
        calls.push_back({message, data});
        const DWORD refused = static_cast<DWORD>(E_FAIL); // what Wine reports
        switch (message) {
        case NIM_ADD:
            if (!addFailures.empty()) {
                error = addFailures.front();
                addFailures.pop_front();
                return false;
            }
            if (present) {
                error = refused;
                return false;
            }
            present = true;
            return true;
        case NIM_MODIFY:
            if (!present)
                error = refused;
            return present;
        case NIM_DELETE:
            if (!present) {
                error = refused;
                return false;
            }
            present = false;
            return true;
        default:
            error = refused;
            return false;
        }
    }
};

// Records the component's events, in order, as short words.
inline void RecordEvents(TNotifyIcon& icon, std::vector<std::wstring>& log)
{
    auto note = [&log](const wchar_t* word) { return [&log, word](fw::TObject*) { log.push_back(word); }; };
    icon.OnClick = note(L"Click");
    icon.OnDblClick = note(L"DblClick");
    icon.OnMouseEnter = note(L"Enter");
    icon.OnMouseLeave = note(L"Leave");
    icon.OnShow = note(L"Show");
    icon.OnHide = note(L"Hide");
    icon.OnChange = note(L"Change");
    icon.OnBalloonHintShow = note(L"BalloonShow");
    icon.OnBalloonHintHide = note(L"BalloonHide");
    icon.OnBalloonHintTimeout = note(L"BalloonTimeout");
    icon.OnBalloonHintClick = note(L"BalloonClick");
    icon.OnTaskbarCreate = note(L"TaskbarCreate");
    auto button = [](fw::TMouseButton b) {
        return b == fw::TMouseButton::mbLeft ? L"L" : b == fw::TMouseButton::mbRight ? L"R" : L"M";
    };
    icon.OnMouseDown = [&log, button](fw::TObject*, fw::TMouseButton b, fw::TShiftState s, int, int) {
        log.push_back(std::wstring(L"Down") + button(b) + (s & fw::ssDouble ? L"2" : L""));
    };
    icon.OnMouseUp = [&log, button](fw::TObject*, fw::TMouseButton b, fw::TShiftState, int, int) {
        log.push_back(std::wstring(L"Up") + button(b));
    };
}

// Runs the message loop until pred holds or the generous bound passes.
template <typename Pred> bool PumpUntil(Pred pred, DWORD boundMs = 5000)
{
    ULONGLONG start = ::GetTickCount64();
    while (!pred()) {
        if (::GetTickCount64() - start > boundMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        fw::ProcessMessages();
    }
    return true;
}

inline void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

} // namespace traytest
