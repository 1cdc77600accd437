#pragma once
// CResultBatch: the bytes one download task has written, reported to the pump as one
// CTaskResult per kReportBytes or kReportMs instead of one per piece (each post and each
// pump wake-up is a kernel round trip). Flush reports what is pending at once; the task
// calls it before a resume entry or a failure report and at the end of every attempt.
#include <cstdint>

class CResultBatch {
public:
    static constexpr int32_t kReportBytes = 64 * 1024;
    static constexpr uint32_t kReportMs = 50;  // half a progress tick

    CResultBatch(int32_t downloadId, int64_t fileSize, uint32_t startTick, int64_t bytesAtStart,
                 uint32_t pumpThreadId);
    ~CResultBatch() { Flush(); }
    CResultBatch(const CResultBatch&) = delete;
    CResultBatch& operator=(const CResultBatch&) = delete;

    // Counts `length` written bytes; reports them when enough bytes or time have gathered.
    void Add(int32_t length, uint32_t nowTick);
    // Posts the pending bytes (if any) as one CTaskResult.
    void Flush();
    int32_t Pending() const { return pending_; }

private:
    int32_t downloadId_;
    int64_t fileSize_;
    uint32_t startTick_;
    int64_t bytesAtStart_;
    uint32_t pumpThreadId_;
    int32_t pending_ = 0;
    uint32_t firstPendingTick_ = 0;  // when the oldest unreported byte was counted
};

// One piece's result as the pump expects it: `length` bytes of the download.
class CTaskResult;
CTaskResult* MakeTaskResult(int32_t downloadId, int64_t length, int64_t fileSize,
                            uint32_t startTick, int64_t bytesAtStart);
