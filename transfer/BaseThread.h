#pragma once
// IBaseThread: the common shell of the engine's threads. A thread object is started once,
// stopped once (Stop joins it) and then deleted; its stop event wakes any wait inside.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "WinHandle.h"

class IBaseThread {
public:
    explicit IBaseThread(const char* name = nullptr);
    virtual ~IBaseThread();
    IBaseThread(const IBaseThread&) = delete;
    IBaseThread& operator=(const IBaseThread&) = delete;

    virtual std::string GetName() const { return name_; }
    // True also when the OS thread could not be made (the object then stays stopping).
    virtual bool Start() = 0;
    virtual void Stop() = 0;
    virtual bool IsStopping() const { return stopping_.load(); }
    virtual uint32_t GetThreadId() const { return threadId_; }

    // Signalled by Stop; the routines wait on it instead of sleeping.
    HANDLE StopEvent() const { return stopEvent_.Get(); }

protected:
    // Creates the OS thread running routine(this) unless one exists.
    bool StartRoutine(LPTHREAD_START_ROUTINE routine);
    // Sets stopping and the stop event, then waits for the thread and closes its handle.
    void StopAndJoin();
    bool HasThread() const { return threadHandle_.Valid(); }

    char name_[32] = {};
    uint32_t threadId_ = 0;
    std::atomic<bool> stopping_{true};
    UniqueHandle threadHandle_;
    UniqueHandle stopEvent_;
};
