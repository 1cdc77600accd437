#pragma once
// CDownloader: the one download controller. The UI thread gives it commands as plain
// calls; its worker thread runs them (version request, reuse decision, start of the
// transfer); results leave only through the registered listener, as posted messages.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <string>

#include "AppVersion.h"
#include "DownloadProgress.h"
#include "HistoryCfg.h"
#include "Listener.h"
#include "Lock.h"
#include "Log.h"
#include "VerInfo.h"
#include "WinHandle.h"

enum TaskState : int32_t { TASK_PENDING = 0, TASK_RUNNING = 1, TASK_CANCELLED = 2 };

struct DownloadTask {
    int32_t downloadId = 0;
    TaskState state = TASK_PENDING;
};

class CDownloader {
public:
    // Opens the log, loads the history, reads site.cfg and starts the worker.
    CDownloader();
    // Stops the worker if Exit has not; closes the handles.
    ~CDownloader();
    CDownloader(const CDownloader&) = delete;
    CDownloader& operator=(const CDownloader&) = delete;

    // Commands, on the UI thread.
    void RegisterListener(IListener* newListener);
    void DownTarnix();
    void Cancel();
    // Mode 2 also reports that the user broke off. A second call changes nothing.
    void Exit(int mode);
    // Mode 2 also reports that the user installs without updating.
    bool Install(int mode);
    void RemoveInstaller();
    // Verifies and publishes the transfer of command downloadId (on EV_FINISHED).
    void DownFinished(int downloadId);

    void Log(const char* tag, const char* format, ...) __attribute__((format(printf, 3, 4)));

    // Steps of the worker and of the finishing, reachable for tests.
    void Notify(int code, int downloadId);
    bool IsTaskRunning(int downloadId);
    void RemoveTask(int downloadId);
    void GetSiteID();
    // 0 parsed, 1 cancelled or stopped, -1 every attempt failed.
    int Get_Site_Config(int downloadId);
    bool ParseVerInfo(const std::string& text);
    bool ValidateVerInfo();
    void Save_App_Ver();
    void DoDownload(int downloadId);
    // 1 fetch, 2 let the user choose, 3 use the file on disk, 4 fetch after the user discarded it.
    int BeNeedDown();
    bool GetTarnix(int downloadId);
    // 0 handed to the engine, 1 cancelled, -1 failed.
    int DownloadFile(const std::string& url, int downloadId, const std::string& tempPath);
    static bool StartCallback(int32_t downloadId, const uint8_t* buffer, int32_t count,
                              void* context, int32_t reserved);
    void Rename();
    void ReadDownFileVersion();
    std::string InstallerPath() const;
    std::string TempPath() const;
    bool Post_Right();
    bool Post_Error(int32_t errorType, const std::string& versionText);

    const std::string& SiteId() const { return siteId; }
    const CVerInfo& VerInfo() const { return verInfo; }
    const CHistoryCfg& History() const { return history; }
    int32_t CurrentId() const { return currentId.load(); }
    int32_t LastId() const { return lastId; }
    bool SiteConfigLoaded() const { return siteConfigLoaded.load(); }
    bool InstallerRemoved() const { return installerRemoved.load() == 1; }
    std::string LogPath() const { return logPath; }

private:
    static DWORD WINAPI WorkerThreadProc(void* self);
    void WorkerLoop();
    void StopWorker();
    void OpenLog();
    // Reports errorType with versionText unless this process has reported that type already.
    void ReportOnce(int32_t errorType, const std::string& versionText);
    // Deletes the installer and reports EV_FAILED for downloadId.
    void FailFinished(int downloadId);

    IListener* listener = nullptr;  // not owned
    CVerInfo verInfo;
    CHistoryCfg history;
    UniqueHandle cancelEvent;
    AppVersion downloadedVer;
    CLog* log = nullptr;
    uint32_t startTick = 0;
    uint32_t useTime = 0;
    int64_t installerSize = 0;
    CLock listenerLock;
    CDownloadProgress progress;
    std::string siteId = "4501561";
    std::atomic<bool> siteConfigLoaded{false};
    UniqueHandle workerThread;
    UniqueHandle stopEvent;
    DWORD workerThreadId = 0;
    std::atomic<int32_t> currentId{0};
    int32_t lastId = 0;
    std::map<int32_t, DownloadTask> tasks;
    CLock tasksLock;
    std::atomic<int32_t> installerRemoved{0};
    std::string logPath;
    bool workerStopped = false;
};

// The one controller of the process; set by the entry right after construction.
extern CDownloader* g_downloader;
