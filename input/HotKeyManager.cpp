#include "HotKeyManager.h"

THotKeyManager::THotKeyManager(fw::TComponent* owner, std::wstring name, input::HotKeySeams seams)
    : fw::TComponent(owner, std::move(name)), seams(std::move(seams))
{
    // WM_HOTKEY is posted to the window: a message-only one spares Wine an X window.
    window.CreateMessageOnly(L"LorvaneHotKeyWindow",
                             [this](UINT msg, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
                                 if (msg != WM_HOTKEY)
                                     return std::nullopt;
                                 fw::Raise(OnHotKey, this, static_cast<int>(wParam));
                                 return 0;
                             });
}

THotKeyManager::~THotKeyManager()
{
    ClearHotKeys();
    UnregisterAll();
}

void THotKeyManager::SetEnabled(bool value)
{
    if (value == enabled)
        return;
    enabled = value;
    if (value) {
        for (input::TShortCut v : hotKeys)
            Register(v);
    } else {
        UnregisterAll();
    }
}

int THotKeyManager::AddHotKey(input::TShortCut value)
{
    fw::Raise(OnChanging, this);
    hotKeys.push_back(value);
    if (enabled)
        Register(value);
    fw::Raise(OnChange, this);
    return Count() - 1;
}

void THotKeyManager::ClearHotKeys()
{
    if (hotKeys.empty())
        return;
    fw::Raise(OnChanging, this);
    hotKeys.clear();
    if (enabled)
        UnregisterAll();
    fw::Raise(OnChange, this);
}

input::TShortCut THotKeyManager::HotKey(int index) const noexcept
{
    return index >= 0 && index < Count() ? hotKeys[static_cast<size_t>(index)] : 0;
}

bool THotKeyManager::Refused(int index) const noexcept
{
    return index >= 0 && static_cast<size_t>(index) < refused.size() && refused[static_cast<size_t>(index)];
}

void THotKeyManager::Reregister()
{
    if (!enabled)
        return;
    UnregisterAll();
    for (input::TShortCut v : hotKeys)
        Register(v);
}

void THotKeyManager::Register(input::TShortCut value)
{
    // Every value takes an identifier, 0 included, so identifiers stay list positions.
    const int id = nextId++;
    refused.resize(static_cast<size_t>(nextId), false);
    if (value == 0 || !window.Handle())
        return;
    const input::THotKeyRegistration r = input::HotKeyRegistration(value);
    refused[static_cast<size_t>(id)] = !seams.registerHotKey(window.Handle(), id, r.Modifiers, r.Key);
}

void THotKeyManager::UnregisterAll()
{
    for (int id = 0; id < nextId; ++id)
        seams.unregisterHotKey(window.Handle(), id);
    nextId = 0;
    refused.clear();
}
