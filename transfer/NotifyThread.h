#pragma once
// CNotifyThread: every 100 ms reports the oldest download's progress to the event window,
// and its completion once all bytes are in.
#include <cstdint>

#include "BaseThread.h"
#include "DownloadProgress.h"
#include "TaskResult.h"

class CNotifyThread : public IBaseThread {
public:
    CNotifyThread() = default;
    ~CNotifyThread() override { Stop(); }
    bool Start() override;
    void Stop() override { StopAndJoin(); }

    // One tick: report the oldest result, drop it when complete. Holds the list's lock.
    static void Tick();

private:
    static DWORD WINAPI Routine(LPVOID self);
};

// The progress of result at nowTick (a GetTickCount value).
CDownloadProgress MakeDownloadProgress(const CTaskResult& result, uint32_t nowTick);
// Posts EV_PROGRESS below the total, EV_FINISHED at it, nothing beyond it.
void PostProgress(const CTaskResult& result);
