#pragma once
// TMenuItem / TPopupMenu: pop-up menus described as a tree of items. An item linked to an
// action shows the action's caption, check mark, enabled state and visibility; radio items
// show a bullet; one item may be the bold default. The system menu is built anew for every
// opening, so the tree can change freely in between.

#include "ActionList.h"
#include "UniqueHandle.h"

#include <memory>
#include <string>
#include <vector>

namespace fw {

class TMenuItem : public TComponent {
  public:
    using TComponent::TComponent;

    // Linked action: caption (unless Caption is set), check mark, enabled state and
    // visibility come from it; a click executes it.
    TAction* Action = nullptr;
    std::wstring Caption; // "-" is a separator line
    std::wstring Hint;
    bool Checked = false;
    bool Enabled = true;
    bool Visible = true;
    bool RadioItem = false;
    bool Default = false; // drawn bold
    int GroupIndex = 0;
    // Give the captions of the items below accelerators of their own (where they have none).
    bool AutoHotkeys = false;
    TNotifyEvent OnClick;

    // What the item shows, the action taken into account.
    std::wstring ShownCaption() const;
    bool ShownChecked() const noexcept;
    bool ShownEnabled() const noexcept;
    bool ShownVisible() const noexcept;
    bool IsLine() const noexcept { return Caption == L"-"; }

    int Count() const noexcept { return static_cast<int>(items.size()); }
    TMenuItem* Item(int index) const noexcept;
    int IndexOf(const TMenuItem* item) const noexcept;
    TMenuItem* Find(const std::wstring& name) const noexcept; // this level and below
    TMenuItem* Add(std::wstring name, TAction* action = nullptr);
    TMenuItem* Insert(int index, std::wstring name, TAction* action = nullptr);
    TMenuItem* AddLine(std::wstring name = {});
    void Remove(TMenuItem* item);
    void Clear();

    // Click as the menu does: OnClick, else the action's execution.
    void Click();

  private:
    std::vector<std::unique_ptr<TMenuItem>> items;
};

class TPopupMenu : public TComponent {
  public:
    TPopupMenu(TComponent* owner, std::wstring name);

    TMenuItem Items;
    bool AutoHotkeys() const noexcept { return Items.AutoHotkeys; }
    void SetAutoHotkeys(bool on) { Items.AutoHotkeys = on; }
    TNotifyEvent OnPopup; // before the menu is built, every time it opens

    // Runs OnPopup, shows the menu with its top-left corner at (x, y) for `owner` and runs
    // the chosen item after the menu has closed. False when nothing was chosen.
    bool Popup(int x, int y, HWND owner);

    // The system menu for the current state of the items; command identifiers map back to
    // items through ItemOfCommand until the next build.
    UniqueHmenu BuildMenu();
    TMenuItem* ItemOfCommand(UINT command) const noexcept;

  private:
    HMENU BuildLevel(TMenuItem& parent);
    std::vector<TMenuItem*> commands; // index + 1 is the command identifier
};

// Captions with accelerators added where they have none, on letters or digits not yet taken
// in the same menu (word starts first, then any letter). Captions that already carry one keep
// it; lines ("-") and empty captions are left alone.
std::vector<std::wstring> AddAutoHotkeys(const std::vector<std::wstring>& captions);
// The accelerator character of a caption (upper case), 0 when it has none.
wchar_t HotkeyOf(const std::wstring& caption) noexcept;

} // namespace fw
