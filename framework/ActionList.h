#pragma once
// TAction / TActionList: named commands in a fixed order. The order matters: a position in
// the list is what WM_RUN_ACTION and hotkey identifiers name.

#include "Component.h"

#include <memory>
#include <string>
#include <vector>

namespace fw {

class TAction : public TComponent {
public:
    using TComponent::TComponent;

    std::wstring Caption;
    std::wstring Hint;
    std::wstring Category;
    int Tag = 0;
    bool Visible = true;
    bool Checked = false;
    bool Enabled = true;
    int GroupIndex = 0;
    unsigned short ShortCut = 0;

    TNotifyEvent OnExecute;

    // Runs OnExecute; false when the action has no handler or is disabled.
    bool Execute();
};

class TActionList : public TComponent {
public:
    using TComponent::TComponent;

    int Count() const noexcept { return static_cast<int>(actions.size()); }
    TAction* Action(int index) const noexcept;
    TAction* Find(const std::wstring& name) const noexcept; // exact, case-sensitive
    int IndexOf(const TAction* action) const noexcept;

    TAction* Add(std::wstring name, std::wstring caption);
    TAction* Insert(int index, std::wstring name, std::wstring caption);
    void Remove(TAction* action);

private:
    std::vector<std::unique_ptr<TAction>> actions;
};

} // namespace fw
