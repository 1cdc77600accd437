#pragma once
// Small owning wrappers for Win32 handles: each closes its handle exactly once.
#include <windows.h>

#include <utility>

// A kernel handle; both NULL and INVALID_HANDLE_VALUE count as empty.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) Reset(o.Release());
        return *this;
    }

    HANDLE Get() const { return h_; }
    bool Valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return Valid(); }
    HANDLE Release() { return std::exchange(h_, nullptr); }
    void Reset(HANDLE h = nullptr) {
        if (Valid()) CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = nullptr;
};
