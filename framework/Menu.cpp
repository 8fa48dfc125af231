#include "Menu.h"

#include <cwctype>

namespace fw {

std::wstring TMenuItem::ShownCaption() const
{
    if (!Caption.empty() || !Action)
        return Caption;
    return Action->Caption;
}

bool TMenuItem::ShownChecked() const noexcept
{
    return Action ? Action->Checked : Checked;
}

bool TMenuItem::ShownEnabled() const noexcept
{
    return Enabled && (!Action || Action->Enabled);
}

bool TMenuItem::ShownVisible() const noexcept
{
    return Visible && (!Action || Action->Visible);
}

TMenuItem* TMenuItem::Item(int index) const noexcept
{
    if (index < 0 || index >= Count())
        return nullptr;
    return items[static_cast<size_t>(index)].get();
}

int TMenuItem::IndexOf(const TMenuItem* item) const noexcept
{
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].get() == item)
            return static_cast<int>(i);
    }
    return -1;
}

TMenuItem* TMenuItem::Find(const std::wstring& name) const noexcept
{
    for (const auto& i : items) {
        if (i->Name() == name)
            return i.get();
        if (TMenuItem* below = i->Find(name))
            return below;
    }
    return nullptr;
}

TMenuItem* TMenuItem::Add(std::wstring name, TAction* action)
{
    return Insert(Count(), std::move(name), action);
}

TMenuItem* TMenuItem::Insert(int index, std::wstring name, TAction* action)
{
    if (index < 0 || index > Count())
        index = Count();
    auto item = std::make_unique<TMenuItem>(this, std::move(name));
    item->Action = action;
    if (action)
        item->GroupIndex = action->GroupIndex;
    TMenuItem* raw = item.get();
    items.insert(items.begin() + index, std::move(item));
    return raw;
}

TMenuItem* TMenuItem::AddLine(std::wstring name)
{
    TMenuItem* line = Add(std::move(name));
    line->Caption = L"-";
    return line;
}

void TMenuItem::Remove(TMenuItem* item)
{
    std::erase_if(items, [item](const auto& i) { return i.get() == item; });
}

void TMenuItem::Clear()
{
    items.clear();
}

void TMenuItem::Click()
{
    if (OnClick)
        OnClick(this);
    else if (Action)
        Action->Execute();
}

TPopupMenu::TPopupMenu(TComponent* owner, std::wstring name)
    : TComponent(owner, std::move(name)), Items(this, Name() + L"Items")
{
}

TMenuItem* TPopupMenu::ItemOfCommand(UINT command) const noexcept
{
    if (command == 0 || command > commands.size())
        return nullptr;
    return commands[command - 1];
}

UniqueHmenu TPopupMenu::BuildMenu()
{
    commands.clear();
    return UniqueHmenu(BuildLevel(Items));
}

HMENU TPopupMenu::BuildLevel(TMenuItem& parent)
{
    HMENU menu = ::CreatePopupMenu();
    if (!menu)
        return nullptr;
    std::vector<TMenuItem*> shown;
    std::vector<std::wstring> captions;
    for (int i = 0; i < parent.Count(); ++i) {
        TMenuItem* item = parent.Item(i);
        if (!item->ShownVisible())
            continue;
        shown.push_back(item);
        captions.push_back(item->IsLine() ? L"-" : item->ShownCaption());
    }
    if (parent.AutoHotkeys)
        captions = AddAutoHotkeys(captions);
    bool lastWasLine = true; // no line at the top, none twice, none at the bottom
    for (size_t i = 0; i < shown.size(); ++i) {
        TMenuItem* item = shown[i];
        if (item->IsLine()) {
            bool moreBelow = false;
            for (size_t j = i + 1; j < shown.size() && !moreBelow; ++j)
                moreBelow = !shown[j]->IsLine();
            if (!lastWasLine && moreBelow)
                ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            lastWasLine = true;
            continue;
        }
        lastWasLine = false;
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof(mi);
        mi.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
        mi.fType = item->RadioItem ? MFT_RADIOCHECK : MFT_STRING;
        mi.fState = (item->ShownChecked() ? MFS_CHECKED : 0) | (item->ShownEnabled() ? 0 : MFS_DISABLED) |
                    (item->Default ? MFS_DEFAULT : 0);
        commands.push_back(item);
        mi.wID = static_cast<UINT>(commands.size());
        mi.dwTypeData = captions[i].data();
        if (item->Count() > 0) {
            mi.fMask |= MIIM_SUBMENU;
            mi.hSubMenu = BuildLevel(*item);
        }
        ::InsertMenuItemW(menu, ::GetMenuItemCount(menu), TRUE, &mi);
    }
    return menu;
}

bool TPopupMenu::Popup(int x, int y, HWND owner)
{
    Raise(OnPopup, this);
    UniqueHmenu menu = BuildMenu();
    if (!menu)
        return false;
    UINT command = static_cast<UINT>(::TrackPopupMenuEx(
        menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, x, y,
        owner, nullptr));
    // The menu of a notification-area program closes properly only after a message to its owner.
    ::PostMessageW(owner, WM_NULL, 0, 0);
    TMenuItem* chosen = ItemOfCommand(command);
    if (!chosen)
        return false;
    chosen->Click();
    return true;
}

wchar_t HotkeyOf(const std::wstring& caption) noexcept
{
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&')
            continue;
        if (caption[i + 1] == L'&') {
            ++i;
            continue;
        }
        return static_cast<wchar_t>(std::towupper(caption[i + 1]));
    }
    return 0;
}

std::vector<std::wstring> AddAutoHotkeys(const std::vector<std::wstring>& captions)
{
    std::vector<std::wstring> out = captions;
    std::wstring taken;
    for (const std::wstring& c : captions) {
        if (wchar_t h = HotkeyOf(c))
            taken += h;
    }
    auto free = [&](wchar_t ch) {
        return std::iswalnum(ch) && taken.find(static_cast<wchar_t>(std::towupper(ch))) == std::wstring::npos;
    };
    for (std::wstring& c : out) {
        if (c.empty() || c == L"-" || HotkeyOf(c))
            continue;
        size_t at = std::wstring::npos;
        for (size_t i = 0; i < c.size() && at == std::wstring::npos; ++i) {
            bool wordStart = i == 0 || std::iswspace(c[i - 1]);
            if (wordStart && free(c[i]))
                at = i;
        }
        for (size_t i = 0; i < c.size() && at == std::wstring::npos; ++i) {
            if (free(c[i]))
                at = i;
        }
        if (at == std::wstring::npos)
            continue;
        taken += static_cast<wchar_t>(std::towupper(c[at]));
        c.insert(at, 1, L'&');
    }
    return out;
}

} // namespace fw
