#pragma once
// Posting to the engine's pump thread: the object travels with the message and is
// deleted here when the post fails, so it never leaks.
#include <windows.h>

#include <cstdint>

#include "EngineMessages.h"

template <typename T>
void PostToPump(uint32_t pumpThreadId, UINT message, T* object, LPARAM lParam = 0) {
    if (!PostThreadMessageW(pumpThreadId, message, reinterpret_cast<WPARAM>(object), lParam)) {
        delete object;
    }
}

inline void PostTransferFailed(uint32_t pumpThreadId) {
    PostThreadMessageW(pumpThreadId, WM_TRANSFER_FAILED, 0, 0);
}
