#include "ResultBatch.h"

#include "EngineMessages.h"
#include "PumpPost.h"
#include "TaskResult.h"

CTaskResult* MakeTaskResult(int32_t downloadId, int64_t length, int64_t fileSize,
                            uint32_t startTick, int64_t bytesAtStart) {
    auto* result = new CTaskResult;
    result->kind = 4;
    result->downloadId = downloadId;
    result->downloaded = length;
    result->totalSize = fileSize;
    result->startTick = startTick;
    result->bytesAtStart = bytesAtStart;
    return result;
}

CResultBatch::CResultBatch(int32_t downloadId, int64_t fileSize, uint32_t startTick,
                           int64_t bytesAtStart, uint32_t pumpThreadId)
    : downloadId_(downloadId),
      fileSize_(fileSize),
      startTick_(startTick),
      bytesAtStart_(bytesAtStart),
      pumpThreadId_(pumpThreadId) {}

void CResultBatch::Add(int32_t length, uint32_t nowTick) {
    if (length <= 0) return;
    if (pending_ == 0) firstPendingTick_ = nowTick;
    pending_ += length;
    // The pump adds lParam as a signed 32-bit count: the threshold keeps it far below.
    if (pending_ >= kReportBytes || nowTick - firstPendingTick_ >= kReportMs) Flush();
}

void CResultBatch::Flush() {
    if (pending_ == 0) return;
    const int32_t bytes = pending_;
    pending_ = 0;
    PostToPump(pumpThreadId_, WM_TASK_RESULT,
               MakeTaskResult(downloadId_, bytes, fileSize_, startTick_, bytesAtStart_), bytes);
}
