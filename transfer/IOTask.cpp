#include "IOTask.h"

#include <cstring>

#include "EngineMessages.h"
#include "PumpPost.h"
#include "ResultBatch.h"
#include "TaskResult.h"

CIOTask::CIOTask(const uint8_t* bytes, int32_t length, int64_t offset, HANDLE file,
                 int64_t fileSize, const std::string& path, uint32_t startTick,
                 int64_t bytesAtStart, int32_t downloadId, uint32_t pumpThreadId,
                 CResultBatch* batch)
    : length_(length < 0 ? 0 : (length > kCapacity ? kCapacity : length)),
      offset_(offset),
      file_(file),
      fileSize_(fileSize),
      path_(path),
      startTick_(startTick),
      bytesAtStart_(bytesAtStart),
      batch_(batch) {
    memcpy(data_, bytes, static_cast<size_t>(length_));
    downloadId_ = downloadId;
    pumpThreadId_ = pumpThreadId;
}

bool CIOTask::Run() {
    if (!file_) return true;
    OVERLAPPED overlapped = {};
    overlapped.Offset = static_cast<DWORD>(offset_ & 0xFFFFFFFF);
    overlapped.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset_) >> 32);
    DWORD written = 0;
    if (!WriteFile(file_, data_, static_cast<DWORD>(length_), &written, &overlapped)) {
        if (GetLastError() != ERROR_IO_PENDING) return false;
    }
    // One write in flight per handle; a write that completes short or with an error
    // (disk full) must not count as written.
    if (!GetOverlappedResult(file_, &overlapped, &written, TRUE)) return false;
    if (written != static_cast<DWORD>(length_)) return false;

    if (batch_) {
        batch_->Add(length_, GetTickCount());
    } else {
        PostToPump(pumpThreadId_, WM_TASK_RESULT,
                   MakeTaskResult(downloadId_, length_, fileSize_, startTick_, bytesAtStart_), length_);
    }
    return true;
}
