#include "BaseThread.h"

#include <cstring>

IBaseThread::IBaseThread(const char* name)
    : stopEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (name) strncpy(name_, name, sizeof(name_) - 1);
}

IBaseThread::~IBaseThread() = default;

bool IBaseThread::StartRoutine(LPTHREAD_START_ROUTINE routine) {
    if (threadHandle_.Valid()) return true;
    // Cleared before the thread exists: the routine's first step reads it.
    stopping_ = false;
    DWORD id = 0;
    HANDLE h = CreateThread(nullptr, 0, routine, this, 0, &id);
    if (!h) {
        stopping_ = true;
        return true;
    }
    threadId_ = id;
    threadHandle_.Reset(h);
    return true;
}

void IBaseThread::StopAndJoin() {
    // Stop flag, wake, wait, close: in this order.
    stopping_ = true;
    if (stopEvent_) SetEvent(stopEvent_.Get());
    if (threadHandle_) WaitForSingleObject(threadHandle_.Get(), INFINITE);
    threadHandle_.Reset();
}
