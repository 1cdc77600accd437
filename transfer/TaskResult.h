#pragma once
// CTaskResult: the byte count of one download as the pump adds it up.
#include <cstdint>

class CTaskResult {
public:
    virtual ~CTaskResult() = default;
    int32_t GetDownloadId() const { return downloadId; }

    int32_t kind = 4;
    int32_t downloadId = 0;
    int64_t downloaded = 0;
    int64_t totalSize = 0;
    uint32_t startTick = 0;
    int64_t bytesAtStart = 0;  // present at the start; the speed counts only bytes beyond
};
