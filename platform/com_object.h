// Owners of COM resources: the COM apartment of the calling thread and one
// interface pointer.  Both give back what they hold when they go out of
// scope, so an early return never leaks an object or leaves COM initialized.
#pragma once

#include <objbase.h>
#include <windows.h>

namespace txr::com {

// Initializes COM for the calling thread (apartment model) and uninitializes
// it again, but only when this initialization succeeded: a thread that had
// already chosen another model keeps its COM as it was.
class Apartment {
public:
    Apartment() : result_(CoInitialize(nullptr)) {}
    ~Apartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;

    // S_OK, S_FALSE (already initialized) or the failure.
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

// Holds one reference to a COM interface and releases it.
template <class Interface>
class Ptr {
public:
    Ptr() = default;
    ~Ptr() { Reset(); }
    Ptr(const Ptr&) = delete;
    Ptr& operator=(const Ptr&) = delete;
    Ptr(Ptr&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    Ptr& operator=(Ptr&& other) noexcept {
        if (this != &other) {
            Reset();
            object_ = other.object_;
            other.object_ = nullptr;
        }
        return *this;
    }

    Interface* get() const { return object_; }
    Interface* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // For the out parameter of CoCreateInstance / QueryInterface; releases
    // what was held before.
    void** receive() {
        Reset();
        return reinterpret_cast<void**>(&object_);
    }

    void Reset() {
        if (object_) {
            Interface* object = object_;
            object_ = nullptr;
            object->Release();
        }
    }

private:
    Interface* object_ = nullptr;
};

}  // namespace txr::com
