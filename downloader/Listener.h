#pragma once
// The controller's one listener: it turns controller events into posted
// WM_DOWNLOAD_EVENT messages and remembers the last code for the entry.
#include <atomic>
#include <cstdint>

class IListener {
public:
    // param is pointer-sized: the events carry the address of a progress record.
    virtual void OnEvent(int code, intptr_t param) = 0;

protected:
    ~IListener() = default;
};

class DownloadCallback final : public IListener {
public:
    void OnEvent(int code, intptr_t param) override;
    int32_t LastEvent() const { return lastEvent.load(); }

    // Written on the worker or UI thread that sends, read by the entry after its loop.
    std::atomic<int32_t> lastEvent{-1};
};
