#include "ThreadsManager.h"

#include <windows.h>

#include <cstdio>

#include "BreakpointCfg.h"
#include "DownloadThread.h"
#include "EngineMessages.h"
#include "FileSystem.h"
#include "MessagePumpThread.h"
#include "NotifyThread.h"
#include "PumpPost.h"
#include "RangePlan.h"
#include "TaskLists.h"
#include "TextConv.h"
#include "WinHandle.h"

namespace {

uint32_t ProcessorCount() {
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors ? info.dwNumberOfProcessors : 1;
}

constexpr uint32_t kMaxThreadsPerStart = 8;

}  // namespace

CThreadsManager& CThreadsManager::Instance() {
    static CThreadsManager instance;
    return instance;
}

CThreadsManager::CThreadsManager() {
    // Built first so they are destroyed last: the threads stopped by our destructor still
    // post into them, and the record is written after the threads are gone.
    CBreakpointCfg::Instance();
    TaskQueue();
    ResultList();
    TaskQueueSignal();
}

CThreadsManager::~CThreadsManager() { StopThreads(); }

bool CThreadsManager::StartThreads() {
    uint32_t count = ProcessorCount();
    if (count > kMaxThreadsPerStart) count = kMaxThreadsPerStart;
    for (uint32_t i = 0; i < count; ++i) {
        char name[32] = {};
        snprintf(name, sizeof(name), "DownloadThread-%u", static_cast<unsigned>(i));
        auto* thread = new CDownloadThread(name);
        thread->Start();
        downloadThreads_.push_back(thread);
    }
    if (!notifyThread_) {
        notifyThread_ = new CNotifyThread;
        notifyThread_->Start();
    }
    if (!pumpThread_) {
        pumpThread_ = new CMessagePumpThread;
        pumpThread_->Start();
    }
    return true;
}

void CThreadsManager::StopThreads() {
    for (CDownloadThread* thread : downloadThreads_) {
        thread->Stop();
        delete thread;
    }
    downloadThreads_.clear();
    if (pumpThread_) {
        pumpThread_->Stop();
        delete pumpThread_;
        pumpThread_ = nullptr;
        // Tasks still waiting in the queue have fetched nothing yet; without an entry the
        // next run would count their ranges as present.
        CTaskQueue& queue = TaskQueue();
        CBreakpointCfg& record = CBreakpointCfg::Instance();
        queue.ForEachReverse([&record](CDownloadTask* task) {
            BreakpointEntry entry;
            if (task && MakeBreakpointEntry(static_cast<uint32_t>(task->NextOffset()),
                                            static_cast<uint32_t>(task->LastOffset()),
                                            task->Url(), task->Path(), entry)) {
                record.AddEntry(new BreakpointEntry(entry));
            }
        });
    }
    if (notifyThread_) {
        notifyThread_->Stop();
        delete notifyThread_;
        notifyThread_ = nullptr;
    }
}

void CThreadsManager::Reset() {
    TaskQueue().Clear();
    ResultList().Clear();
    {
        CBreakpointCfg& record = CBreakpointCfg::Instance();
        CLockGuard guard(record.Lock());
        record.ClearEntries();
    }
    StartThreads();
}

void CThreadsManager::StartDownload(const char* url, const char* path, int64_t fileSize,
                                    int32_t downloadId, uint32_t startTick) {
    const std::string urlText = url ? url : "";
    const std::string pathText = path ? path : "";
    CBreakpointCfg& cfg = CBreakpointCfg::Instance();
    cfg.SetDownload(pathText, fileSize);
    BreakpointRecord record;
    if (cfg.Read(&record, urlText, pathText) && !record.entries.empty()) {
        ResumeRanges(record, downloadId, startTick);
    } else {
        SplitRanges(urlText.c_str(), fileSize, downloadId, pathText.c_str(), startTick);
    }
}

void CThreadsManager::SplitRanges(const char* url, int64_t fileSize, int32_t downloadId,
                                  const char* path, uint32_t startTick) {
    const uint32_t pump = pumpThread_ ? pumpThread_->GetThreadId() : 0;
    for (const ByteRange& range : PlanRanges(fileSize, ProcessorCount())) {
        auto* task = new CDownloadTask(range.first, range.last, downloadId, fileSize,
                                       path ? path : "", startTick, 0, url ? url : "");
        task->GenerateId();
        task->SetPumpThreadId(pump);
        PostToPump(pump, WM_TASK_ADD, task);
    }
}

void CThreadsManager::ResumeRanges(const BreakpointRecord& record, int32_t downloadId,
                                   uint32_t startTick) {
    const uint32_t pump = pumpThread_ ? pumpThread_->GetThreadId() : 0;
    int64_t remaining = 0;
    for (const auto& entry : record.entries) {
        remaining += static_cast<int64_t>(entry->lastOffset) - static_cast<int64_t>(entry->nextOffset) + 1;
    }
    const int64_t present = record.totalSize - remaining;

    auto* result = new CTaskResult;
    result->kind = 4;
    result->downloadId = downloadId;
    result->downloaded = present;
    result->totalSize = record.totalSize;
    result->startTick = startTick;
    result->bytesAtStart = present;
    PostToPump(pump, WM_TASK_RESULT, result, static_cast<LPARAM>(static_cast<int32_t>(present)));

    for (const auto& entry : record.entries) {
        auto* task = new CDownloadTask(entry->nextOffset, entry->lastOffset, downloadId,
                                       record.totalSize, entry->path, startTick, present,
                                       entry->url);
        task->GenerateId();
        task->SetPumpThreadId(pump);
        PostToPump(pump, WM_TASK_ADD, task);
    }
}

bool PreallocateFile(int64_t fileSize, const std::string& path) {
    const std::wstring widePath = Utf8ToWide(path);
    // An interrupted download's bytes stay for the resume.
    if (FileExists(path + ".cfg")) return true;
    UniqueHandle file(CreateFileW(widePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CREATE_ALWAYS, FILE_FLAG_OVERLAPPED, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    size.QuadPart = fileSize;
    return SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
}
