#pragma once
// The window message by which the controller and the engine report to the main
// window, and the process-wide state both read: the target window and the open prompt.
#include <windows.h>

constexpr UINT WM_DOWNLOAD_EVENT = WM_USER + 101;  // 1125

enum DOWNLOAD_EVENT {
    EV_LOCAL_DIFFERS = 3,
    EV_PROGRESS = 4,
    EV_FINISHED = 5,
    EV_READY = 6,
    EV_FAILED = 7,
};

// The window that receives WM_DOWNLOAD_EVENT; null until the application sets it.
void SetEventWindow(HWND window);
HWND GetEventWindow();
// Posts WM_DOWNLOAD_EVENT to the event window; false when there is none or the post failed
// (the caller then still owns whatever lParam points to).
bool PostDownloadEvent(int code, LPARAM param);

// Non-null while a modal prompt runs; the engine withholds failures then.
void SetCurrentPrompt(const void* prompt);
bool IsPromptOpen();
