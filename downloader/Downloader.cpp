#include "Downloader.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <new>

#include "BreakpointCfg.h"
#include "DownloaderPlaces.h"
#include "FileSystem.h"
#include "Launch.h"
#include "TextConv.h"
#include "ThreadsManager.h"

CDownloader* g_downloader = nullptr;

CDownloader::CDownloader() {
    OpenLog();
    history.Init(DataFolder());
    history.Load();
    GetSiteID();
    cancelEvent.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    stopEvent.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    workerThread.Reset(CreateThread(nullptr, 0, &CDownloader::WorkerThreadProc, this, 0,
                                    &workerThreadId));
}

CDownloader::~CDownloader() {
    // The worker reads this object: it must have ended before the members go.
    if (!workerStopped) StopWorker();
    delete log;
    log = nullptr;
}

void CDownloader::OpenLog() {
    log = new (std::nothrow) CLog();
    if (log == nullptr) return;
    std::string path = DataFolder() + "\\Tarnix";
    MakeDir(path);
    path += "\\log\\";
    MakeDir(path);
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[16];
    std::snprintf(date, sizeof date, "%04d%02d%02d", now.wYear, now.wMonth, now.wDay);
    logPath = path + date + ".log";
    log->Open(Utf8ToWide(logPath));
}

void CDownloader::Log(const char* tag, const char* format, ...) {
    if (tag == nullptr || format == nullptr || log == nullptr) return;
    va_list args;
    va_start(args, format);
    log->Write(tag, format, args);
    va_end(args);
}

void CDownloader::RegisterListener(IListener* newListener) {
    CLockGuard guard(listenerLock);
    listener = newListener;
    Log("CDownloader::RegisterListener", newListener != nullptr ? "register listener" : "release listener");
}

void CDownloader::Notify(int code, int downloadId) {
    CLockGuard guard(listenerLock);
    if (listener != nullptr && currentId.load() == downloadId) {
        listener->OnEvent(code, reinterpret_cast<intptr_t>(&progress));
    }
}

bool CDownloader::IsTaskRunning(int downloadId) {
    CLockGuard guard(tasksLock);
    auto it = tasks.find(downloadId);
    return it != tasks.end() && it->second.state == TASK_RUNNING;
}

void CDownloader::RemoveTask(int downloadId) {
    CLockGuard guard(tasksLock);
    tasks.erase(downloadId);
}

DWORD WINAPI CDownloader::WorkerThreadProc(void* self) {
    static_cast<CDownloader*>(self)->WorkerLoop();
    return 0;
}

void CDownloader::WorkerLoop() {
    while (WaitForSingleObject(stopEvent.Get(), 100) == WAIT_TIMEOUT) {
        int32_t id = -1;
        {
            // Taking the command and marking it running is one step, so that a Cancel
            // or a newer command cannot slip in between.
            CLockGuard guard(tasksLock);
            auto it = tasks.find(currentId.load());
            if (it != tasks.end() && it->second.state == TASK_PENDING) {
                it->second.state = TASK_RUNNING;
                id = it->second.downloadId;
            }
        }
        if (id == -1) continue;
        if (!siteConfigLoaded.load() && Get_Site_Config(id) != 0) continue;
        DoDownload(id);
    }
}

void CDownloader::DownTarnix() {
    CThreadsManager::Instance().Reset();
    ++lastId;
    Log("CDownloader::DownTarnix", "new task---%d\r\n", lastId);
    CLockGuard guard(tasksLock);
    currentId.store(lastId);
    tasks[lastId] = DownloadTask{lastId, TASK_PENDING};
}

void CDownloader::Cancel() {
    Log("CDownloader::Cancel", "user cancel---%d\r\n", lastId);
    CLockGuard guard(tasksLock);
    auto it = tasks.find(lastId);
    if (it != tasks.end()) it->second.state = TASK_CANCELLED;
}

void CDownloader::StopWorker() {
    {
        CLockGuard guard(tasksLock);
        auto it = tasks.find(currentId.load());
        if (it != tasks.end()) it->second.state = TASK_CANCELLED;
    }
    // Stop the loop at its next wait and end a retry pause at once.
    if (stopEvent) SetEvent(stopEvent.Get());
    if (cancelEvent) SetEvent(cancelEvent.Get());
    RegisterListener(nullptr);
    if (workerThread) WaitForSingleObject(workerThread.Get(), INFINITE);
    workerStopped = true;
    CLockGuard guard(tasksLock);
    tasks.clear();
}

void CDownloader::Exit(int mode) {
    CThreadsManager::Instance().StopThreads();
    Log("CDownloader::Exit", "user exit");
    if (mode == 2) Post_Error(8, verInfo.ver.ToString());
    StopWorker();
    Log("CDownloader::Exit", "good bye");
    delete log;
    log = nullptr;
}

bool CDownloader::Install(int mode) {
    if (mode == 2) {
        Log("CDownloader::Install", "user select model,no update,direct install");
        ReadDownFileVersion();
        Post_Error(9, downloadedVer.ToString());
    }
    return CreateProcessWithIntegrity(Utf8ToWide(InstallerPath()));
}

void CDownloader::RemoveInstaller() {
    DeleteFileW(Utf8ToWide(InstallerPath()).c_str());
    installerRemoved.store(1);
}
