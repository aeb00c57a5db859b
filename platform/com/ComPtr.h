// Owning smart pointer for a COM interface: one reference per ComPtr, released on destruction.
#pragma once
#include <cstddef>
#include <utility>
#include <windows.h>
#include <unknwn.h>

namespace com {

template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Shares p: adds a reference of its own.
    explicit ComPtr(T* p) noexcept : FPtr(p) { if (FPtr) FPtr->AddRef(); }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.FPtr) {}
    ComPtr(ComPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other) noexcept { ComPtr(other).Swap(*this); return *this; }
    ComPtr& operator=(ComPtr&& other) noexcept { ComPtr(std::move(other)).Swap(*this); return *this; }
    ComPtr& operator=(std::nullptr_t) noexcept { Reset(); return *this; }

    // Takes over a reference the caller already owns (an out-parameter's, say).
    static ComPtr Attach(T* p) noexcept { ComPtr r; r.FPtr = p; return r; }
    // Hands the reference to the caller.
    [[nodiscard]] T* Detach() noexcept { return std::exchange(FPtr, nullptr); }

    T* Get() const noexcept { return FPtr; }
    T* operator->() const noexcept { return FPtr; }
    explicit operator bool() const noexcept { return FPtr != nullptr; }

    // For an out-parameter: drops the current reference and lends the slot.
    T** Put() noexcept { Reset(); return &FPtr; }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

    void Reset() noexcept {
        if (T* p = std::exchange(FPtr, nullptr)) p->Release();
    }
    void Swap(ComPtr& other) noexcept { std::swap(FPtr, other.FPtr); }

    // QueryInterface for U; an empty pointer when the object does not answer it.
    template <class U>
    ComPtr<U> As(REFIID iid = __uuidof(U)) const noexcept {
        ComPtr<U> r;
        if (FPtr && FAILED(FPtr->QueryInterface(iid, r.PutVoid()))) r.Reset();
        return r;
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) noexcept { return a.FPtr == b.FPtr; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) noexcept { return a.FPtr == nullptr; }

private:
    T* FPtr = nullptr;
};

}  // namespace com
