#pragma once
// Owning wrappers for Win32 handles: each closes its handle exactly once. Both NULL
// and INVALID_HANDLE_VALUE count as empty, since some calls report failure either way.
#include <windows.h>

#include <utility>

template <typename T, BOOL(WINAPI* Close)(T)>
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(T h) : h_(IsOpen(h) ? h : nullptr) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& o) noexcept : h_(o.Release()) {}
    ScopedHandle& operator=(ScopedHandle&& o) noexcept {
        if (this != &o) Reset(o.Release());
        return *this;
    }

    static bool IsOpen(T h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    T Get() const { return h_; }
    bool Valid() const { return h_ != nullptr; }
    explicit operator bool() const { return Valid(); }
    T Release() { return std::exchange(h_, nullptr); }
    void Reset(T h = nullptr) {
        if (h_ != nullptr) Close(h_);
        h_ = IsOpen(h) ? h : nullptr;
    }

private:
    T h_ = nullptr;
};

// A kernel handle: file, event, thread, process, token.
using UniqueHandle = ScopedHandle<HANDLE, CloseHandle>;
