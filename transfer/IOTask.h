#pragma once
// CIOTask: one received piece (at most 4096 bytes) written at its offset through the
// download task's overlapped handle, then reported to the pump as a CTaskResult.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Task.h"

class CIOTask : public ITask {
public:
    CIOTask(const uint8_t* bytes, int32_t length, int64_t offset, HANDLE file, int64_t fileSize,
            const std::string& path, uint32_t startTick, int64_t bytesAtStart, int32_t downloadId,
            uint32_t pumpThreadId);
    // False when the piece was not written in full; nothing is reported then.
    bool Run() override;

private:
    int32_t capacity_ = 4096;
    int32_t length_;
    int64_t offset_;
    std::vector<uint8_t> data_;
    HANDLE file_;  // borrowed from the download task
    int64_t fileSize_;
    std::string path_;
    uint32_t startTick_;
    int64_t bytesAtStart_;
};
