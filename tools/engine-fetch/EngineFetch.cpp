// engine-fetch URL PATH [--stop-after=BYTES] [--size=BYTES] [--quiet]
// Downloads URL into PATH through the transfer engine the way the program does: measure,
// pre-allocate, start the threads, queue the ranges (resumed from PATH.cfg when present),
// take the events on a hidden window. Ctrl+C, closing the console or --stop-after stop the
// engine as the program's exit does, so the resume record is written at process end.
// Exit codes: 0 finished, 1 transfer failed, 2 bad use or no size, 3 stopped.
#include <windows.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BreakpointCfg.h"
#include "DownloadEvents.h"
#include "DownloadProgress.h"
#include "FileMd5.h"
#include "HttpRequest.h"
#include "ThreadsManager.h"
#include "WinHandle.h"

namespace {

constexpr UINT WM_STOP_REQUEST = WM_APP + 1;

HWND g_window = nullptr;
UniqueHandle g_stopped;  // set once the engine has stopped after a console stop
int64_t g_stopAfter = -1;
int64_t g_givenSize = 0;
bool g_quiet = false;
int g_exitCode = 3;
int64_t g_downloaded = 0;
DWORD g_lastPrint = 0;

BOOL WINAPI OnConsoleEvent(DWORD type) {
    PostMessageW(g_window, WM_STOP_REQUEST, 0, 0);
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) return TRUE;
    // Closing the console ends the process when this returns; hold it until the engine
    // has stopped and the main thread is on its way out through the normal exit path.
    WaitForSingleObject(g_stopped.Get(), 10000);
    Sleep(INFINITE);
    return TRUE;
}

void PrintProgress(const CDownloadProgress& p, bool force) {
    const DWORD now = GetTickCount();
    if (g_quiet || (!force && now - g_lastPrint < 1000)) return;
    g_lastPrint = now;
    printf("progress %" PRId64 "/%" PRId64 " %.1f%% %.0f B/s %us\n", p.downloaded, p.totalSize,
           p.percent, p.speed, static_cast<unsigned>(p.elapsedSeconds));
    fflush(stdout);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_STOP_REQUEST) {
        g_exitCode = 3;
        PostQuitMessage(0);
        return 0;
    }
    if (msg != WM_DOWNLOAD_EVENT) return DefWindowProcW(hwnd, msg, wParam, lParam);
    switch (static_cast<int>(wParam)) {
    case EV_PROGRESS:
    case EV_FINISHED: {
        auto* progress = reinterpret_cast<CDownloadProgress*>(lParam);
        g_downloaded = progress->downloaded;
        const bool finished = wParam == EV_FINISHED;
        PrintProgress(*progress, finished);
        delete progress;
        if (finished) {
            g_exitCode = 0;
            PostQuitMessage(0);
        } else if (g_stopAfter >= 0 && g_downloaded >= g_stopAfter) {
            g_exitCode = 3;
            PostQuitMessage(0);
        }
        break;
    }
    case EV_FAILED:
        printf("failed: transfer failure\n");
        g_exitCode = 1;
        PostQuitMessage(0);
        break;
    default:
        break;
    }
    return 0;
}

bool StartsWith(const char* text, const char* prefix) {
    return strncmp(text, prefix, strlen(prefix)) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* url = nullptr;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (StartsWith(argv[i], "--stop-after=")) {
            g_stopAfter = _strtoi64(argv[i] + 13, nullptr, 10);
        } else if (StartsWith(argv[i], "--size=")) {
            g_givenSize = _strtoi64(argv[i] + 7, nullptr, 10);
        } else if (strcmp(argv[i], "--quiet") == 0) {
            g_quiet = true;
        } else if (!url) {
            url = argv[i];
        } else if (!path) {
            path = argv[i];
        }
    }
    if (!url || !path) {
        fprintf(stderr, "usage: engine-fetch URL PATH [--stop-after=BYTES] [--size=BYTES] [--quiet]\n");
        return 2;
    }

    // The engine comes first so that its process-wide objects outlive everything here.
    CThreadsManager& engine = CThreadsManager::Instance();

    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"EngineFetchEvents";
    RegisterClassW(&wc);
    g_window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, nullptr);
    if (!g_window) {
        fprintf(stderr, "cannot create the event window\n");
        return 2;
    }
    SetEventWindow(g_window);
    g_stopped.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);

    CHttpRequest request;
    int64_t size = g_givenSize;
    if (size <= 0 && (!HttpGetContentLength(nullptr, &request, url, size) || size <= 0)) {
        fprintf(stderr, "cannot learn the size of %s\n", url);
        return 2;
    }
    if (!PreallocateFile(size, path)) fprintf(stderr, "note: cannot pre-allocate %s\n", path);

    const DWORD startTick = GetTickCount();
    engine.StartThreads();
    engine.Reset();
    engine.StartDownload(url, path, size, 1, startTick);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    engine.StopThreads();
    if (g_exitCode == 0) CBreakpointCfg::Instance().DeleteRecordFile();
    SetEventWindow(nullptr);
    SetEvent(g_stopped.Get());

    const double seconds = (GetTickCount() - startTick) / 1000.0;
    std::string md5;
    if (GetFileMd5(path, md5) != 0) md5 = "-";
    printf("bytes=%" PRId64 " seconds=%.3f md5=%s\n", g_exitCode == 0 ? size : g_downloaded, seconds,
           md5.c_str());
    fflush(stdout);
    return g_exitCode;
}
