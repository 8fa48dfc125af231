#pragma once
// THotKeyManager: a list of hotkey values registered with the system as global hotkeys. The
// identifier of each is its position in the list (a 0 takes its position without being
// registered), and OnHotKey reports that position. A value the system refuses (another
// program holds it) is simply absent; the others keep their identifiers.

#include "Component.h"
#include "Events.h"
#include "HotKey.h"
#include "Window.h"

#include <windows.h>

#include <functional>
#include <vector>

using THotKeyEvent = fw::Event<void(fw::TObject* sender, int index)>;

namespace input {

// RegisterHotKey / UnregisterHotKey; tests record the calls instead.
struct HotKeySeams {
    std::function<bool(HWND window, int id, UINT modifiers, UINT key)> registerHotKey =
        [](HWND w, int id, UINT m, UINT k) { return ::RegisterHotKey(w, id, m, k) != FALSE; };
    std::function<bool(HWND window, int id)> unregisterHotKey = [](HWND w, int id) {
        return ::UnregisterHotKey(w, id) != FALSE;
    };
};

} // namespace input

class THotKeyManager : public fw::TComponent {
  public:
    explicit THotKeyManager(fw::TComponent* owner = nullptr, std::wstring name = L"HotKeyManager",
                            input::HotKeySeams seams = {});
    ~THotKeyManager() override;

    /// True: every listed value is registered; false: none is.
    bool Enabled() const noexcept { return enabled; }
    void SetEnabled(bool value);

    /// Appends a value (registered at once while Enabled); its position in the list.
    int AddHotKey(input::TShortCut value);
    void ClearHotKeys();
    int Count() const noexcept { return static_cast<int>(hotKeys.size()); }
    input::TShortCut HotKey(int index) const noexcept;
    /// Whether the system refused the value at `index` when it was last registered (another
    /// program holds it); false for 0, while disabled and outside the list.
    bool Refused(int index) const noexcept;
    /// Registers every value again: after the session was locked, the computer slept or the
    /// shell restarted, a hotkey another program held meanwhile may be free again.
    void Reregister();

    THotKeyEvent OnHotKey;
    fw::TNotifyEvent OnChange;
    fw::TNotifyEvent OnChanging;

    /// The window that receives WM_HOTKEY.
    HWND Handle() const noexcept { return window.Handle(); }

  private:
    void Register(input::TShortCut value);
    void UnregisterAll();

    input::HotKeySeams seams;
    bool enabled = true;
    fw::MessageWindow window;
    std::vector<input::TShortCut> hotKeys;
    int nextId = 0;            // identifiers handed to the system: 0 .. nextId - 1
    std::vector<bool> refused; // by identifier
};
