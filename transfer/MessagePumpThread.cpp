#include "MessagePumpThread.h"

#include "BreakpointCfg.h"
#include "DownloadEvents.h"
#include "EngineMessages.h"
#include "TaskLists.h"

bool CMessagePumpThread::Start() {
    failureReported_ = false;
    if (HasThread()) return true;
    ready_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    StartRoutine(&CMessagePumpThread::Routine);
    if (HasThread() && ready_) {
        const HANDLE waits[2] = {ready_.Get(), threadHandle_.Get()};
        WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    }
    return true;
}

void CMessagePumpThread::Stop() {
    stopping_ = true;
    if (HasThread()) {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        WaitForSingleObject(threadHandle_.Get(), INFINITE);
    }
    threadHandle_.Reset();
}

DWORD WINAPI CMessagePumpThread::Routine(LPVOID self) {
    auto* pump = static_cast<CMessagePumpThread*>(self);
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // makes the queue
    if (pump->ready_) SetEvent(pump->ready_.Get());
    // Blocks while idle; WM_QUIT (GetMessageW returns 0) comes after all earlier posts.
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) return 0;
        Handle(msg.message, msg.wParam, msg.lParam, pump->failureReported_);
    }
}

void CMessagePumpThread::Handle(UINT message, WPARAM wParam, LPARAM lParam,
                                std::atomic<bool>& failureReported) {
    switch (message) {
    case WM_TASK_RESULT: {
        auto* posted = reinterpret_cast<CTaskResult*>(wParam);
        if (!posted) break;
        CResultList& results = ResultList();
        {
            CLockGuard guard(results.Lock());
            if (CTaskResult* kept = results.FindById(posted->downloadId)) {
                kept->downloaded += static_cast<int32_t>(lParam);
                delete posted;
                break;
            }
        }
        results.PushFront(posted);
        break;
    }
    case WM_TASK_ADD:
        if (wParam) QueueTask(reinterpret_cast<CDownloadTask*>(wParam));
        break;
    case WM_BREAKPOINT_ADD:
        if (wParam) CBreakpointCfg::Instance().AddEntry(reinterpret_cast<BreakpointEntry*>(wParam));
        break;
    case WM_TRANSFER_FAILED:
        // A failure while a prompt is open is dropped without closing the latch.
        if (!failureReported && !IsPromptOpen()) {
            failureReported = true;
            PostDownloadEvent(EV_FAILED, 0);
        }
        break;
    default:
        break;
    }
}
