#pragma once
// CDownloadThread: takes range tasks from TaskQueue and runs each until it is done or the
// thread is stopped. Idle, it blocks until a task is queued or Stop.
#include "BaseThread.h"

class CDownloadThread : public IBaseThread {
public:
    explicit CDownloadThread(const char* name) : IBaseThread(name) {}
    ~CDownloadThread() override { Stop(); }
    bool Start() override;
    void Stop() override { StopAndJoin(); }

private:
    static DWORD WINAPI Routine(LPVOID self);
    DWORD Loop();
};

// Pause after a failed attempt before the same range is tried again; keeps a dead
// server from being hammered in a tight loop. A stop ends the pause at once.
constexpr DWORD kRetryPauseMs = 50;
