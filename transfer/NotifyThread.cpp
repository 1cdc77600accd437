#include "NotifyThread.h"

#include "DownloadEvents.h"
#include "TaskLists.h"

constexpr DWORD kTickMs = 100;

bool CNotifyThread::Start() { return StartRoutine(&CNotifyThread::Routine); }

DWORD WINAPI CNotifyThread::Routine(LPVOID self) {
    auto* thread = static_cast<CNotifyThread*>(self);
    if (thread->IsStopping()) return 0;
    while (!thread->IsStopping()) {
        Tick();
        WaitForSingleObject(thread->StopEvent(), kTickMs);
    }
    return 0;
}

void CNotifyThread::Tick() {
    CResultList& results = ResultList();
    CLockGuard guard(results.Lock());
    CTaskResult* oldest = results.PeekBack();
    if (!oldest) return;
    PostProgress(*oldest);
    if (oldest->downloaded == oldest->totalSize) results.RemoveById(oldest->downloadId);
}

CDownloadProgress MakeDownloadProgress(const CTaskResult& result, uint32_t nowTick) {
    CDownloadProgress progress;
    progress.totalSize = result.totalSize;
    progress.downloaded = result.downloaded;
    progress.percent = result.totalSize ? static_cast<double>(result.downloaded) /
                                              static_cast<double>(result.totalSize) * 100.0
                                        : 0.0;
    uint32_t elapsed = (nowTick - result.startTick) / 1000;
    if (elapsed == 0) elapsed = 1;
    progress.elapsedSeconds = elapsed;
    progress.speed = static_cast<double>(result.downloaded - result.bytesAtStart) / elapsed;
    progress.downloadId = result.downloadId;
    return progress;
}

void PostProgress(const CTaskResult& result) {
    if (result.downloaded > result.totalSize) return;
    const int code = result.downloaded < result.totalSize ? EV_PROGRESS : EV_FINISHED;
    auto* progress = new CDownloadProgress(MakeDownloadProgress(result, GetTickCount()));
    if (!PostDownloadEvent(code, reinterpret_cast<LPARAM>(progress))) delete progress;
}
