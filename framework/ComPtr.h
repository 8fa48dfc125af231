#pragma once
// Minimal COM smart pointer: releases on reset and before handing out its address.

#include <unknwn.h>

#include <utility>

namespace fw {

template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a new reference.
    explicit ComPtr(T* p) noexcept : ptr(p)
    {
        if (ptr)
            ptr->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.ptr) {}
    ComPtr(ComPtr&& other) noexcept : ptr(std::exchange(other.ptr, nullptr)) {}
    ComPtr& operator=(const ComPtr& other) noexcept
    {
        ComPtr(other).swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        ComPtr(std::move(other)).swap(*this);
        return *this;
    }
    ~ComPtr() { reset(); }

    T* get() const noexcept { return ptr; }
    T* operator->() const noexcept { return ptr; }
    explicit operator bool() const noexcept { return ptr != nullptr; }

    void reset() noexcept
    {
        if (T* old = std::exchange(ptr, nullptr))
            old->Release();
    }
    // Adopts a reference the caller already owns.
    void attach(T* p) noexcept
    {
        reset();
        ptr = p;
    }
    [[nodiscard]] T* detach() noexcept { return std::exchange(ptr, nullptr); }
    T** put() noexcept
    {
        reset();
        return &ptr;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
    void swap(ComPtr& other) noexcept { std::swap(ptr, other.ptr); }

    template <typename U>
    HRESULT As(ComPtr<U>& out, REFIID iid) const noexcept
    {
        if (!ptr)
            return E_POINTER;
        return ptr->QueryInterface(iid, out.put_void());
    }

private:
    T* ptr = nullptr;
};

} // namespace fw
