#pragma once
// Owner of one COM interface pointer: released when the holder goes or is refilled, so that every early return
// lets go of what it obtained.
#include <unknwn.h>

template <class T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { Reset(); }
    // Copies share the interface: each holds its own reference.
    ComRef(const ComRef& other) : ptr_(other.ptr_)
    {
        if (ptr_) ptr_->AddRef();
    }
    ComRef(ComRef&& other) noexcept : ptr_(other.ptr_) { other.ptr_ = nullptr; }
    ComRef& operator=(const ComRef& other)
    {
        CopyFrom(other.ptr_);
        return *this;
    }
    ComRef& operator=(ComRef&& other) noexcept
    {
        if (this != &other) Attach(other.Detach());
        return *this;
    }

    T* Get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

    // The slot for a function that hands out a new reference; whatever was held before is released first.
    T** Put()
    {
        Reset();
        return &ptr_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    void Reset()
    {
        if (ptr_) {
            ptr_->Release();
            ptr_ = nullptr;
        }
    }

    // Takes over a reference the caller owns.
    void Attach(T* ptr)
    {
        if (ptr_ == ptr) return;
        Reset();
        ptr_ = ptr;
    }
    // Gives the held reference to the caller.
    T* Detach()
    {
        T* ptr = ptr_;
        ptr_ = nullptr;
        return ptr;
    }
    // Holds `ptr` with a reference of its own.
    void CopyFrom(T* ptr)
    {
        if (ptr) ptr->AddRef();
        Reset();
        ptr_ = ptr;
    }

    // Asks the held object for another interface; E_POINTER when nothing is held.
    template <class Q>
    HRESULT QueryInterface(REFIID iid, ComRef<Q>& out) const
    {
        if (!ptr_) {
            out.Reset();
            return E_POINTER;
        }
        return ptr_->QueryInterface(iid, out.PutVoid());
    }

private:
    T* ptr_ = nullptr;
};
