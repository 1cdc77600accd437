#pragma once
// CThreadsManager: the engine's front. Owns the download, notify and pump threads and
// turns one file download into byte-range tasks, fresh or resumed from a record.
#include <cstdint>
#include <string>
#include <vector>

class CDownloadThread;
class CNotifyThread;
class CMessagePumpThread;
struct BreakpointRecord;

class CThreadsManager {
public:
    static CThreadsManager& Instance();
    virtual ~CThreadsManager();
    CThreadsManager(const CThreadsManager&) = delete;
    CThreadsManager& operator=(const CThreadsManager&) = delete;

    // Adds min(processors, 8) download threads; creates the notify and pump threads if
    // absent. Always true.
    bool StartThreads();
    // Stops and deletes every engine thread; returns when all have ended. Ranges that
    // were in progress or still queued become resume entries.
    void StopThreads();
    // Drops queued tasks, results and in-memory resume entries, then StartThreads.
    void Reset();
    // Queues the ranges of one download (resumed from the record file beside path, or
    // fresh) and returns at once. Needs a started engine.
    void StartDownload(const char* url, const char* path, int64_t fileSize, int32_t downloadId,
                       uint32_t startTick);
    void SplitRanges(const char* url, int64_t fileSize, int32_t downloadId, const char* path,
                     uint32_t startTick);
    void ResumeRanges(const BreakpointRecord& record, int32_t downloadId, uint32_t startTick);

private:
    CThreadsManager();

    std::vector<CDownloadThread*> downloadThreads_;
    CNotifyThread* notifyThread_ = nullptr;
    CMessagePumpThread* pumpThread_ = nullptr;
};

// Creates path at its full size filled with zeros, unless a resume record (path + ".cfg")
// exists, in which case the file is kept as it is. False when the file cannot be made.
bool PreallocateFile(int64_t fileSize, const std::string& path);
