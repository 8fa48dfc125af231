#pragma once
// Events are std::function members named OnX whose first argument is the sender; raising
// one that nobody assigned does nothing.

#include <functional>
#include <utility>

namespace fw {

template <typename Signature>
using Event = std::function<Signature>;

template <typename Signature, typename... Args>
void Raise(const Event<Signature>& event, Args&&... args)
{
    if (event)
        event(std::forward<Args>(args)...);
}

class TObject;
using TNotifyEvent = Event<void(TObject* sender)>;

} // namespace fw
