#pragma once
// The engine's two process-wide lists: queued range tasks (FIFO) and one progress result
// per download. Only the pump adds to either.
#include <windows.h>

#include "DbLinkLst.h"
#include "DownloadTask.h"
#include "TaskResult.h"

using CTaskQueue = dblinklst::DbLinkLst<CDownloadTask, char>;
using CResultList = dblinklst::DbLinkLst<CTaskResult, char>;

CTaskQueue& TaskQueue();
CResultList& ResultList();

// A semaphore released once per task put into TaskQueue through QueueTask, so idle
// download threads block on it instead of polling. Null if it could not be made.
HANDLE TaskQueueSignal();
void QueueTask(CDownloadTask* task);
