#pragma once
// Base of the program's components: a name (language files and the settings file address
// components by name) and the owner that destroys it.

#include "Events.h"

#include <algorithm>
#include <string>
#include <vector>

namespace fw {

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

enum class TOperation { Insert, Remove };

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner = nullptr, std::wstring name = {})
        : owner(owner), name(std::move(name))
    {
    }
    ~TComponent() override
    {
        // Everyone that refers to this component hears of its end while it is still whole
        // enough to compare pointers against.
        while (!freeNotifies.empty()) {
            TComponent* other = freeNotifies.back();
            freeNotifies.pop_back();
            Erase(other->freeNotifies, this);
            other->Notification(this, TOperation::Remove);
        }
    }

    // Asks that `other` hear through Notification(this, Remove) when this component is
    // destroyed. The link goes both ways, so whichever of the two ends first unlinks itself.
    void FreeNotification(TComponent* other)
    {
        if (!other || other == this)
            return;
        if (std::find(freeNotifies.begin(), freeNotifies.end(), other) == freeNotifies.end()) {
            freeNotifies.push_back(other);
            other->freeNotifies.push_back(this);
        }
    }
    void RemoveFreeNotification(TComponent* other) noexcept
    {
        if (!other)
            return;
        Erase(freeNotifies, other);
        Erase(other->freeNotifies, this);
    }

    TComponent* Owner() const noexcept { return owner; }
    const std::wstring& Name() const noexcept { return name; }
    void SetName(std::wstring value) { name = std::move(value); }

protected:
    // A component this one registered with (FreeNotification) is going away: drop every
    // reference to it here.
    virtual void Notification(TComponent* component, TOperation operation)
    {
        (void)component;
        (void)operation;
    }

private:
    static void Erase(std::vector<TComponent*>& list, TComponent* c) noexcept
    {
        list.erase(std::remove(list.begin(), list.end(), c), list.end());
    }

    TComponent* owner;
    std::wstring name;
    std::vector<TComponent*> freeNotifies;
};

} // namespace fw
