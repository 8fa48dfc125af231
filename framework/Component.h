#pragma once
// Base of the program's components: a name (language files and the settings file address
// components by name) and the owner that destroys it.

#include "Events.h"

#include <string>

namespace fw {

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner = nullptr, std::wstring name = {})
        : owner(owner), name(std::move(name))
    {
    }

    TComponent* Owner() const noexcept { return owner; }
    const std::wstring& Name() const noexcept { return name; }
    void SetName(std::wstring value) { name = std::move(value); }

private:
    TComponent* owner;
    std::wstring name;
};

} // namespace fw
