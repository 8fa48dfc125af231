#pragma once
// The enabled instances of one kind of hook component, in the order they were enabled, and
// the one system-wide low-level hook they share. Dispatch may run handlers that disable or
// enable instances (their own included): a removal during dispatch only empties the slot,
// which is closed up once the outermost dispatch has ended.

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace input {

template <typename T> class THookList {
  public:
    THookList(int idHook, HOOKPROC proc) noexcept : idHook(idHook), proc(proc) {}
    THookList(const THookList&) = delete;
    THookList& operator=(const THookList&) = delete;

    // Appends the instance when it is not listed; installs the hook when there is none
    // (a failed installation is tried again on the next Add).
    void Add(T* instance)
    {
        if (std::find(instances.begin(), instances.end(), instance) == instances.end())
            instances.push_back(instance);
        if (!hook)
            hook = ::SetWindowsHookExW(idHook, proc, ::GetModuleHandleW(nullptr), 0);
    }

    // The Enabled setter of a hook component: a change lists or unlists the instance.
    void SetEnabled(T* instance, bool& enabled, bool value)
    {
        if (value == enabled)
            return;
        enabled = value;
        if (value)
            Add(instance);
        else
            Remove(instance);
    }

    // Removes the instance; the last one out removes the hook, and the handle is forgotten
    // only when that succeeded.
    void Remove(T* instance) noexcept
    {
        auto it = std::find(instances.begin(), instances.end(), instance);
        if (it == instances.end())
            return;
        if (dispatching > 0) {
            *it = nullptr;
            holes = true;
        } else {
            instances.erase(it);
        }
        if (Empty() && hook && ::UnhookWindowsHookEx(hook))
            hook = nullptr;
    }

    bool Contains(const T* instance) const noexcept
    {
        return std::find(instances.begin(), instances.end(), instance) != instances.end();
    }
    bool Empty() const noexcept
    {
        return std::all_of(instances.begin(), instances.end(), [](T* t) { return t == nullptr; });
    }
    HHOOK Hook() const noexcept { return hook; }

    // Calls visit(instance) for every listed instance in order until it returns true (the
    // event was handled); whether one did. Allocates nothing.
    template <typename Visit> bool Dispatch(Visit&& visit)
    {
        ++dispatching;
        bool handled = false;
        // By index: a handler may append to the list and so move its storage.
        for (std::size_t i = 0; i < instances.size() && !handled; ++i) {
            if (T* t = instances[i])
                handled = visit(*t);
        }
        if (--dispatching == 0 && holes) {
            instances.erase(std::remove(instances.begin(), instances.end(), nullptr), instances.end());
            holes = false;
        }
        return handled;
    }

    LRESULT Next(int code, WPARAM wParam, LPARAM lParam) const noexcept
    {
        return ::CallNextHookEx(hook, code, wParam, lParam);
    }

  private:
    int idHook;
    HOOKPROC proc;
    HHOOK hook = nullptr;
    std::vector<T*> instances;
    int dispatching = 0;
    bool holes = false;
};

} // namespace input
