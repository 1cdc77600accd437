#include "DownloadThread.h"

#include "TaskLists.h"

bool CDownloadThread::Start() { return StartRoutine(&CDownloadThread::Routine); }

DWORD WINAPI CDownloadThread::Routine(LPVOID self) {
    return static_cast<CDownloadThread*>(self)->Loop();
}

DWORD CDownloadThread::Loop() {
    if (IsStopping()) return 0;
    HANDLE signal = TaskQueueSignal();
    const HANDLE waits[2] = {StopEvent(), signal};
    while (!IsStopping()) {
        if (signal) {
            const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
            if (woke != WAIT_OBJECT_0 + 1) break;
        } else {
            WaitForSingleObject(StopEvent(), 10);
        }
        CDownloadTask* task = TaskQueue().PopBack();
        if (!task) continue;  // a signal left over from a cleared task
        task->SetThread(this);
        bool done = false;
        while (!IsStopping()) {
            if (task->Run()) {
                done = true;
                break;
            }
            WaitForSingleObject(StopEvent(), kRetryPauseMs);
        }
        // Stopped between attempts: the range is still missing and must be resumed,
        // not counted as present by the next run.
        if (!done) task->PostRemaining();
        delete task;
    }
    return 0;
}
