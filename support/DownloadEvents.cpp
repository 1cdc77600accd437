#include "DownloadEvents.h"

#include <atomic>

namespace {

std::atomic<HWND> g_eventWindow{nullptr};
std::atomic<const void*> g_currentPrompt{nullptr};

}  // namespace

void SetEventWindow(HWND window) { g_eventWindow.store(window); }

HWND GetEventWindow() { return g_eventWindow.load(); }

bool PostDownloadEvent(int code, LPARAM param) {
    HWND window = g_eventWindow.load();
    if (!window) return false;
    return PostMessageW(window, WM_DOWNLOAD_EVENT, static_cast<WPARAM>(code), param) != FALSE;
}

void SetCurrentPrompt(const void* prompt) { g_currentPrompt.store(prompt); }

bool IsPromptOpen() { return g_currentPrompt.load() != nullptr; }
