// Runs one download through the controller without the skinned window: a hidden
// window on this thread receives the events and answers them as the main window would.
//
// usage: download-driver.exe [--install-local]
//   When an installer of another version is on disk and the site lets the user choose,
//   the driver fetches the newest one, or with --install-local starts the one on disk.
// Exit code: 0 when the installer was started, 1 on failure, 2 when set-up failed.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "DownloadEvents.h"
#include "DownloadProgress.h"
#include "Downloader.h"
#include "Listener.h"
#include "ThreadsManager.h"

namespace {

bool g_installLocal = false;
int g_result = 1;

void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

void OnDownloadEvent(WPARAM code, LPARAM param) {
    switch (code) {
    case EV_PROGRESS: {
        auto* progress = reinterpret_cast<CDownloadProgress*>(param);
        if (progress == nullptr) break;
        Say("progress %5.1f%%  %lld of %lld bytes  %.0f KB/s  (command %d)\n", progress->percent,
            static_cast<long long>(progress->downloaded), static_cast<long long>(progress->totalSize),
            progress->speed / 1024.0, progress->downloadId);
        delete progress;
        break;
    }
    case EV_FINISHED: {
        auto* progress = reinterpret_cast<CDownloadProgress*>(param);
        if (progress == nullptr) break;
        Say("finished: %lld bytes in %u s (command %d); verifying\n",
            static_cast<long long>(progress->totalSize), progress->elapsedSeconds, progress->downloadId);
        g_downloader->DownFinished(progress->downloadId);
        delete progress;
        break;
    }
    case EV_READY:
        Say("ready: the installer is verified\n");
        PostQuitMessage(0);
        break;
    case EV_LOCAL_DIFFERS:
        if (g_installLocal) {
            Say("another version is on disk: starting it without updating\n");
            g_result = g_downloader->Install(2) ? 0 : 1;
            g_downloader->Exit(1);
            PostQuitMessage(0);
        } else {
            Say("another version is on disk: fetching the newest instead\n");
            g_downloader->RemoveInstaller();
            g_downloader->Cancel();
            g_downloader->DownTarnix();
        }
        break;
    case EV_FAILED:
        Say("failed (%s)\n", param == 0 ? "transfer" : "controller");
        CThreadsManager::Instance().StopThreads();
        g_result = 1;
        PostQuitMessage(0);
        break;
    default:
        Say("event %u\n", static_cast<unsigned>(code));
        break;
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DOWNLOAD_EVENT) {
        OnDownloadEvent(wParam, lParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--install-local") == 0) g_installLocal = true;
    }
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TarnixDownloadDriver";
    if (RegisterClassW(&windowClass) == 0) return 2;
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
    if (window == nullptr) return 2;
    SetEventWindow(window);

    CThreadsManager::Instance().StartThreads();
    g_downloader = new CDownloader();
    auto* listener = new DownloadCallback();
    g_downloader->RegisterListener(listener);
    Say("site %s, installer %s\n", g_downloader->SiteId().c_str(), g_downloader->InstallerPath().c_str());
    g_downloader->DownTarnix();

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }

    // The same order as the program's own shut-down.
    if (listener->LastEvent() == EV_READY) {
        g_result = g_downloader->Install(1) ? 0 : 1;
        Say(g_result == 0 ? "installer started\n" : "the installer could not be started\n");
    }
    g_downloader->Exit(1);
    delete listener;
    delete g_downloader;
    g_downloader = nullptr;
    SetEventWindow(nullptr);
    DestroyWindow(window);
    return g_result;
}
