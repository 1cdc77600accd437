#pragma once
// CIOTask: one received piece (at most 4096 bytes) written at its offset through the
// download task's overlapped handle, then reported to the pump: into the download task's
// CResultBatch when it has one, else as a CTaskResult of its own.
#include <windows.h>

#include <cstdint>
#include <string>

#include "Task.h"

class CResultBatch;

class CIOTask : public ITask {
public:
    static constexpr int32_t kCapacity = 4096;

    // `bytes` is copied (at most kCapacity of them); `file`, `path` and `batch` are
    // borrowed and must outlive the task.
    CIOTask(const uint8_t* bytes, int32_t length, int64_t offset, HANDLE file, int64_t fileSize,
            const std::string& path, uint32_t startTick, int64_t bytesAtStart, int32_t downloadId,
            uint32_t pumpThreadId, CResultBatch* batch = nullptr);
    // False when the piece was not written in full; nothing is reported then.
    bool Run() override;

private:
    int32_t capacity_ = kCapacity;
    int32_t length_;
    int64_t offset_;
    uint8_t data_[kCapacity];  // inline: a piece needs no allocation of its own
    HANDLE file_;
    int64_t fileSize_;
    const std::string& path_;
    uint32_t startTick_;
    int64_t bytesAtStart_;
    CResultBatch* batch_;
};
