#include "TaskLists.h"

#include <climits>

#include "WinHandle.h"

CTaskQueue& TaskQueue() {
    static CTaskQueue queue;
    return queue;
}

CResultList& ResultList() {
    static CResultList results;
    return results;
}

HANDLE TaskQueueSignal() {
    static UniqueHandle signal(CreateSemaphoreW(nullptr, 0, LONG_MAX, nullptr));
    return signal.Get();
}

void QueueTask(CDownloadTask* task) {
    TaskQueue().PushFront(task);
    if (HANDLE signal = TaskQueueSignal()) ReleaseSemaphore(signal, 1, nullptr);
}
