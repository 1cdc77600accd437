#pragma once
// CMessagePumpThread: the engine's one point of serialisation. It queues tasks, adds up
// results, collects resume entries and reports the first transfer failure of its life.
#include <atomic>

#include "BaseThread.h"

class CMessagePumpThread : public IBaseThread {
public:
    CMessagePumpThread() = default;
    ~CMessagePumpThread() override { Stop(); }
    // Returns once the thread's message queue exists, so posts right after it are kept.
    bool Start() override;
    // Posts WM_QUIT after everything already posted and waits for the thread.
    void Stop() override;

    // Acts on one engine message; failureReported is the once-per-start latch.
    static void Handle(UINT message, WPARAM wParam, LPARAM lParam, std::atomic<bool>& failureReported);

private:
    static DWORD WINAPI Routine(LPVOID self);

    std::atomic<bool> failureReported_{false};  // cleared by Start on the caller's thread
    UniqueHandle ready_;
};
