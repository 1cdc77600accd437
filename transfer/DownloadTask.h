#pragma once
// CDownloadTask: fetches one byte range with its own HTTP/1.0 GET and writes it at its
// offsets in the temp file, piece by piece; stopped inside its read loop it hands the
// rest of its range to the pump as a resume entry.
#include <windows.h>

#include <cstdint>
#include <string>

#include "Task.h"
#include "WinHandle.h"

class IBaseThread;

class CDownloadTask : public ITask {
public:
    CDownloadTask(int64_t nextOffset, int64_t lastOffset, int32_t downloadId, int64_t fileSize,
                  const std::string& path, uint32_t startTick, int64_t bytesAtStart,
                  const std::string& url);
    ~CDownloadTask() override = default;

    // True when the range is done or the task was stopped on request; false to retry.
    bool Run() override;

    void SetThread(IBaseThread* thread) { thread_ = thread; }
    // Posts the unwritten rest of the range as a resume entry (nothing when the url or
    // path does not fit an entry).
    void PostRemaining() const;

    int64_t NextOffset() const { return nextOffset_; }
    int64_t LastOffset() const { return lastOffset_; }
    const std::string& Url() const { return url_; }
    const std::string& Path() const { return path_; }

private:
    bool Stopping() const;

    std::string url_;
    std::string path_;
    int64_t nextOffset_;
    int64_t lastOffset_;
    int64_t fileSize_;
    uint32_t startTick_;
    IBaseThread* thread_ = nullptr;  // the download thread running the task, not owned
    int64_t bytesAtStart_;
    UniqueHandle file_;  // open while Run works
};
