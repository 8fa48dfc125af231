#pragma once
// The enabled instances of one kind of hook component, in the order they were enabled, and
// the one system-wide low-level hook they share, which the input thread owns (InputThread.h).
// Instances are enabled and disabled from any thread; the hook procedure dispatches on the
// input thread. Dispatch may run handlers that disable or enable instances (their own
// included): a removal during dispatch only empties the slot, which is closed up (and the
// hook removed, should the list have become empty) once the outermost dispatch has ended.

#include "InputThread.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace input {

template <typename T> class THookList {
  public:
    THookList(int idHook, HOOKPROC proc) noexcept : slot(TInputThread::Register(idHook, proc))
    {
        ::InitializeCriticalSection(&lock);
    }
    ~THookList() { ::DeleteCriticalSection(&lock); }
    THookList(const THookList&) = delete;
    THookList& operator=(const THookList&) = delete;

    // Appends the instance when it is not listed; installs the hook when there is none
    // (a failed installation is tried again on the next Add).
    void Add(T* instance)
    {
        {
            Guard g(lock);
            if (std::find(instances.begin(), instances.end(), instance) == instances.end())
                instances.push_back(instance);
            TInputThread::Want(slot, true);
        }
        TInputThread::Apply(slot);
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

    // Removes the instance; the last one out removes the hook.
    void Remove(T* instance) noexcept
    {
        {
            Guard g(lock);
            auto it = std::find(instances.begin(), instances.end(), instance);
            if (it == instances.end())
                return;
            if (dispatching > 0) {
                *it = nullptr;
                holes = true;
                return;
            }
            instances.erase(it);
            if (!instances.empty())
                return;
            TInputThread::Want(slot, false);
        }
        TInputThread::Apply(slot);
    }

    bool Contains(const T* instance) const noexcept
    {
        Guard g(lock);
        return std::find(instances.begin(), instances.end(), instance) != instances.end();
    }
    bool Empty() const noexcept
    {
        Guard g(lock);
        return std::all_of(instances.begin(), instances.end(), [](T* t) { return t == nullptr; });
    }
    HHOOK Hook() const noexcept { return TInputThread::Hook(slot); }
    int Slot() const noexcept { return slot; }

    // Calls visit(instance) for every listed instance in order until it returns true (the
    // event was handled); whether one did. Allocates nothing. A handler that throws leaves
    // the list as any other dispatch does.
    template <typename Visit> bool Dispatch(Visit&& visit)
    {
        // Declared first, so it runs after the lock is released: waiting for the input
        // thread under the lock could hold up that thread's own dispatch.
        struct ApplyAfter {
            int slot;
            bool due = false;
            ~ApplyAfter()
            {
                if (due)
                    TInputThread::Apply(slot);
            }
        } after{slot};
        Guard g(lock);
        struct Depth {
            THookList& list;
            bool& emptied;
            Depth(THookList& l, bool& e) noexcept : list(l), emptied(e) { ++list.dispatching; }
            ~Depth()
            {
                if (--list.dispatching > 0 || !list.holes)
                    return;
                list.instances.erase(std::remove(list.instances.begin(), list.instances.end(), nullptr),
                                     list.instances.end());
                list.holes = false;
                if (list.instances.empty()) {
                    TInputThread::Want(list.slot, false);
                    emptied = true;
                }
            }
        } depth(*this, after.due);
        bool handled = false;
        // By index: a handler may append to the list and so move its storage.
        for (std::size_t i = 0; i < instances.size() && !handled; ++i) {
            if (T* t = instances[i])
                handled = visit(*t);
        }
        return handled;
    }

    LRESULT Next(int code, WPARAM wParam, LPARAM lParam) const noexcept
    {
        return ::CallNextHookEx(Hook(), code, wParam, lParam);
    }

  private:
    struct Guard {
        CRITICAL_SECTION& cs;
        explicit Guard(CRITICAL_SECTION& c) noexcept : cs(c) { ::EnterCriticalSection(&cs); }
        ~Guard() { ::LeaveCriticalSection(&cs); }
    };

    int slot;
    mutable CRITICAL_SECTION lock; // recursive: handlers enable and disable during dispatch
    std::vector<T*> instances;
    int dispatching = 0;
    bool holes = false;
};

} // namespace input
