#pragma once
// THotKeyEdit: the hotkey entry control of the Keyboard page. A single-line edit that cannot
// be typed into; it shows its HotKey value as text. While it has the focus and its form and
// the application are active, an owned THotKeyEvents takes every keystroke from the system
// (Enter, Escape, Alt+Tab and Windows-key combinations included), so whatever the user
// presses becomes the hotkey. A plain Tab or Shift+Tab moves the focus on, as the system's
// own hotkey control lets it: without that a keyboard-only user could never leave the edit.

#include "Control.h"
#include "HotKey.h"

#include <memory>
#include <string>

class THotKeyEvents;

namespace lorvane {

// The modifier flags of a combination being typed and the value it makes; key codes go in
// as the capture reports them (sided or generic modifier codes alike).
class THotKeyTyping {
  public:
    // The value after this key went down.
    input::TShortCut KeyDown(unsigned key) noexcept;
    void KeyUp(unsigned key) noexcept;
    // Forgets every held modifier (the capture no longer sees their releases).
    void Reset() noexcept { win = alt = ctrl = shift = false; }
    // Ctrl, Alt or a Windows key is held: Tab then makes a hotkey instead of moving on.
    bool CommandModifier() const noexcept { return win || alt || ctrl; }
    bool Shift() const noexcept { return shift; }
    bool Any() const noexcept { return win || alt || ctrl || shift; }

  private:
    bool win = false;
    bool alt = false;
    bool ctrl = false;
    bool shift = false;
};

class THotKeyEdit : public fw::TControl {
  public:
    THotKeyEdit(fw::TComponent* owner, std::wstring name);
    ~THotKeyEdit() override;

    bool CreateHandle(fw::TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool HasCaption() const noexcept override { return false; }

    input::TShortCut HotKey() const noexcept { return hotKey; }
    /// Stores the value and shows its final text.
    void SetHotKey(input::TShortCut value);
    std::wstring Text() const { return fw::TControl::Caption(); }

    /// Whether the keyboard capture is on now.
    bool Capturing() const noexcept;

    /// After every change of the displayed text (each captured key press and release).
    fw::TNotifyEvent OnChange;

    /// The key handling the capture feeds; public so that tests can type without a hook.
    void KeyDown(unsigned key);
    void KeyUp(unsigned key);

    /// Registers the kind "THotKeyEdit" for form descriptions (later calls do nothing).
    static void Register();

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;
    std::optional<LRESULT> Reflect(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    void Show(bool typing);
    // On the input thread: hands a captured key to this window's thread.
    void PostCaptured(WORD key, bool down) noexcept;
    // A plain Tab or Shift+Tab moves the focus to the next or previous control; false when
    // the key is to be captured.
    bool TabOut(unsigned key);
    // The capture is on exactly while the edit has the focus and its form is the active
    // window of the active application.
    void UpdateCapture();

    input::TShortCut hotKey = 0;
    input::TShortCut beforeTyping = 0; // the value when the combination being typed began
    THotKeyTyping typing;
    std::unique_ptr<THotKeyEvents> events;
};

} // namespace lorvane
