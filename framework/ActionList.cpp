#include "ActionList.h"

#include <algorithm>

namespace fw {

bool TAction::Execute()
{
    if (!Enabled || !OnExecute)
        return false;
    OnExecute(this);
    return true;
}

TAction* TActionList::Action(int index) const noexcept
{
    if (index < 0 || index >= Count())
        return nullptr;
    return actions[static_cast<size_t>(index)].get();
}

TAction* TActionList::Find(const std::wstring& name) const noexcept
{
    for (const auto& a : actions) {
        if (a->Name() == name)
            return a.get();
    }
    return nullptr;
}

int TActionList::IndexOf(const TAction* action) const noexcept
{
    for (size_t i = 0; i < actions.size(); ++i) {
        if (actions[i].get() == action)
            return static_cast<int>(i);
    }
    return -1;
}

TAction* TActionList::Add(std::wstring name, std::wstring caption)
{
    return Insert(Count(), std::move(name), std::move(caption));
}

TAction* TActionList::Insert(int index, std::wstring name, std::wstring caption)
{
    index = std::clamp(index, 0, Count());
    auto action = std::make_unique<TAction>(this, std::move(name));
    action->Caption = std::move(caption);
    TAction* raw = action.get();
    actions.insert(actions.begin() + index, std::move(action));
    return raw;
}

void TActionList::Remove(TAction* action)
{
    std::erase_if(actions, [action](const auto& a) { return a.get() == action; });
}

} // namespace fw
