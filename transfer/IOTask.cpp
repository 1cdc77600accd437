#include "IOTask.h"

#include "EngineMessages.h"
#include "PumpPost.h"
#include "TaskResult.h"

CIOTask::CIOTask(const uint8_t* bytes, int32_t length, int64_t offset, HANDLE file,
                 int64_t fileSize, const std::string& path, uint32_t startTick,
                 int64_t bytesAtStart, int32_t downloadId, uint32_t pumpThreadId)
    : length_(length),
      offset_(offset),
      data_(bytes, bytes + length),
      file_(file),
      fileSize_(fileSize),
      path_(path),
      startTick_(startTick),
      bytesAtStart_(bytesAtStart) {
    downloadId_ = downloadId;
    pumpThreadId_ = pumpThreadId;
}

bool CIOTask::Run() {
    if (!file_) return true;
    OVERLAPPED overlapped = {};
    overlapped.Offset = static_cast<DWORD>(offset_ & 0xFFFFFFFF);
    overlapped.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset_) >> 32);
    DWORD written = 0;
    if (!WriteFile(file_, data_.data(), static_cast<DWORD>(length_), &written, &overlapped)) {
        if (GetLastError() != ERROR_IO_PENDING) return false;
    }
    // One write in flight per handle; a write that completes short or with an error
    // (disk full) must not count as written.
    if (!GetOverlappedResult(file_, &overlapped, &written, TRUE)) return false;
    if (written != static_cast<DWORD>(length_)) return false;

    auto* result = new CTaskResult;
    result->kind = 4;
    result->downloadId = downloadId_;
    result->downloaded = length_;
    result->totalSize = fileSize_;
    result->startTick = startTick_;
    result->bytesAtStart = bytesAtStart_;
    PostToPump(pumpThreadId_, WM_TASK_RESULT, result, length_);
    return true;
}
