#pragma once
// An owning WinINet handle (session, connection or request): closed exactly once.
#include <windows.h>
#include <wininet.h>

#include <utility>

class InetHandle {
public:
    InetHandle() = default;
    // Both null and INVALID_HANDLE_VALUE count as empty: some WinINet calls report
    // failure either way.
    explicit InetHandle(HINTERNET h) : h_(IsOpen(h) ? h : nullptr) {}
    ~InetHandle() { Reset(); }
    InetHandle(const InetHandle&) = delete;
    InetHandle& operator=(const InetHandle&) = delete;
    InetHandle(InetHandle&& o) noexcept : h_(o.Release()) {}
    InetHandle& operator=(InetHandle&& o) noexcept {
        if (this != &o) Reset(o.Release());
        return *this;
    }

    static bool IsOpen(HINTERNET h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    HINTERNET Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    HINTERNET Release() { return std::exchange(h_, nullptr); }
    void Reset(HINTERNET h = nullptr) {
        if (h_ != nullptr) InternetCloseHandle(h_);
        h_ = IsOpen(h) ? h : nullptr;
    }

private:
    HINTERNET h_ = nullptr;
};
