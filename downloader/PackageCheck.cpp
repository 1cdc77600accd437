// The reuse decision, the start of the transfer and the finishing of a downloaded installer.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "BreakpointCfg.h"
#include "DownloadEvents.h"
#include "Downloader.h"
#include "DownloaderPlaces.h"
#include "FileMd5.h"
#include "FileSystem.h"
#include "FileTrust.h"
#include "HttpRequest.h"
#include "TextConv.h"
#include "ThreadsManager.h"

namespace {

struct DownloadContext {
    CDownloader* controller = nullptr;
    int64_t totalSize = 0;
    bool cancelled = false;
    std::string tempPath;
    std::string url;
};

bool SameDigest(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool SameFirstThree(const AppVersion& a, const AppVersion& b) {
    return a.major == b.major && a.minor == b.minor && a.build == b.build;
}

// The site identity becomes part of a file name: characters that would leave the
// program's folder or are not allowed in a name are replaced.
std::string FileNamePart(const std::string& text) {
    std::string part = text;
    for (char& c : part) {
        if (std::strchr("\\/:*?\"<>|", c) != nullptr || static_cast<unsigned char>(c) < 0x20) c = '_';
    }
    return part;
}

// The engine's offsets are 32-bit: a larger file cannot be fetched correctly.
constexpr int64_t kLargestFile = INT64_C(0x7FFFFFFF);

}  // namespace

std::string CDownloader::InstallerPath() const {
    return ProgramFolder() + "\\RUZadiDerod_" + FileNamePart(siteId) + ".exe";
}

std::string CDownloader::TempPath() const {
    return ProgramFolder() + "\\RUZadiDerod" + verInfo.ver.ToString() + ".tmp";
}

void CDownloader::DoDownload(int downloadId) {
    Save_App_Ver();
    if (!FileExists(InstallerPath())) {
        GetTarnix(downloadId);
        return;
    }
    switch (BeNeedDown()) {
    case 2:
        Notify(EV_LOCAL_DIFFERS, downloadId);
        break;
    case 3:
        Notify(EV_READY, downloadId);
        break;
    case 4:
        installerRemoved.store(0);
        GetTarnix(downloadId);
        break;
    default:
        GetTarnix(downloadId);
        break;
    }
}

int CDownloader::BeNeedDown() {
    static const char* const kTag = "CDownloader::BeNeedDown";
    const std::string path = InstallerPath();
    const std::wstring widePath = Utf8ToWide(path);
    auto discard = [&](const char* line) {
        if (line != nullptr) Log(kTag, "%s", line);
        DeleteFileW(widePath.c_str());
        return 1;
    };
    AppVersion local;
    ReadFileVersion(path, local);
    const AppVersion& newest = verInfo.ver;
    if (local.IsUnset()) return discard("local file's version is wrong");
    if (!IsFileTrusted(path)) return discard("local file's trust is invalid");
    std::string digest;
    GetFileMd5(path, digest);
    if (local == newest && !SameDigest(digest, verInfo.md5)) return discard("ver same but md5 not");
    if (local.IsGreaterThan(newest)) return discard("new ver smaller than local ver");
    switch (verInfo.upStyle) {
    case 1:
        return local == newest ? 3 : discard(nullptr);
    case 2:
        if (installerRemoved.load() == 1) return 4;
        return local == newest ? 3 : 2;
    case 3:
        return SameFirstThree(local, newest) ? 3 : discard(nullptr);
    default:
        return discard(nullptr);
    }
}

bool CDownloader::GetTarnix(int downloadId) {
    const std::string tempPath = TempPath();
    int attempts = 0;
    for (;;) {
        const int started = DownloadFile(verInfo.url, downloadId, tempPath);
        if (started == 0) return true;
        if (started == 1) {
            OutputDebugStringA("----gettarnix-user-cancel-1\r\n");
            return false;
        }
        if (!IsTaskRunning(downloadId)) {
            OutputDebugStringA("----gettarnix-user-cancel-2\r\n");
            return false;
        }
        if (WaitForSingleObject(cancelEvent.Get(), 1000) != WAIT_TIMEOUT) return false;
        if (++attempts > 4) break;
    }
    Log("CDownloader::GetTarnix", "get tarnix retry over");
    ReportOnce(1, verInfo.ver.ToString());
    if (IsTaskRunning(downloadId)) {
        char text[128];
        std::snprintf(text, sizeof text, "threadid=%lu\r\n", static_cast<unsigned long>(GetCurrentThreadId()));
        OutputDebugStringA(text);
        RemoveTask(downloadId);
        Notify(EV_FAILED, downloadId);
    }
    return false;
}

int CDownloader::DownloadFile(const std::string& url, int downloadId, const std::string& tempPath) {
    if (url.empty() || tempPath.empty()) return -1;
    try {
        CHttpRequest request;
        int64_t size = 0;
        if (!HttpGetContentLength(nullptr, &request, url.c_str(), size) || size <= 0 ||
            size > kLargestFile) {
            return -1;
        }
        DownloadContext context;
        context.controller = this;
        context.totalSize = size;
        context.tempPath = TempPath();
        context.url = url;
        PreallocateFile(size, tempPath);
        startTick = GetTickCount();
        request.replyMode = ReplyToCallback;
        request.callback = &CDownloader::StartCallback;
        request.callbackContext = &context;
        const bool fetched = HttpFetch(downloadId, nullptr, &request, 0, url.c_str());
        if (context.cancelled) return 1;
        return fetched ? 0 : -1;
    } catch (const std::exception&) {  // allocation: a failed attempt
        return -1;
    }
}

bool CDownloader::StartCallback(int32_t downloadId, const uint8_t*, int32_t, void* context, int32_t) {
    auto* download = static_cast<DownloadContext*>(context);
    if (download == nullptr || download->controller == nullptr) return true;
    if (!download->controller->IsTaskRunning(downloadId)) {
        download->cancelled = true;
        return false;
    }
    CThreadsManager::Instance().StartDownload(download->url.c_str(), download->tempPath.c_str(),
                                              download->totalSize, downloadId,
                                              download->controller->startTick);
    return true;
}

void CDownloader::FailFinished(int downloadId) {
    DeleteFileW(Utf8ToWide(InstallerPath()).c_str());
    Notify(EV_FAILED, downloadId);
}

void CDownloader::DownFinished(int downloadId) {
    static const char* const kTag = "CDownloader::DownFinished";
    // A finish of an older command would move away the file a newer one is filling.
    if (downloadId != currentId.load()) return;
    Rename();
    CBreakpointCfg::Instance().DeleteRecordFile();
    ReadDownFileVersion();
    const AppVersion& got = downloadedVer;
    const AppVersion& newest = verInfo.ver;
    const std::string path = InstallerPath();
    if (got.IsUnset()) {
        Log(kTag, "get local file's version faile");
        ReportOnce(3, newest.ToString());
        FailFinished(downloadId);
        return;
    }
    if (!IsFileTrusted(path)) {
        Log(kTag, "local file's trust is invalid");
        ReportOnce(4, got.ToString());
        FailFinished(downloadId);
        return;
    }
    if (got.IsGreaterThan(newest)) {
        Log(kTag, "local ver bigger than newest");
        ReportOnce(5, got.ToString());
        FailFinished(downloadId);
        return;
    }
    if (newest.IsGreaterThan(got)) {
        Log(kTag, "local ver smaller than newest");
        ReportOnce(10, got.ToString());
    }
    std::string digest;
    GetFileMd5(path, digest);
    if (got != newest) {
        // Accepted although it is not the announced version.
        Log(kTag, "Operator cache");
        ReportOnce(6, got.ToString());
    } else if (!SameDigest(digest, verInfo.md5)) {
        Log(kTag, "local file's md5 not equal remote's");
        ReportOnce(7, got.ToString());
        FailFinished(downloadId);
        return;
    }
    installerSize = static_cast<int64_t>(QueryFileSize(Utf8ToWide(path)));
    Post_Right();
    Notify(EV_READY, downloadId);
}

void CDownloader::Rename() {
    const std::string temp = TempPath();
    const std::string installer = InstallerPath();
    const std::wstring wideTemp = Utf8ToWide(temp);
    const std::wstring wideInstaller = Utf8ToWide(installer);
    if (FileExists(temp) && FileExists(installer)) {
        Log("CDownloader::Rename", "file exists: %s", Utf8ToAnsi(temp).c_str());
        DeleteFileW(wideInstaller.c_str());
    }
    MoveFileExW(wideTemp.c_str(), wideInstaller.c_str(), MOVEFILE_REPLACE_EXISTING);
    DeleteFileW(wideTemp.c_str());
}

void CDownloader::ReadDownFileVersion() {
    ReadFileVersion(InstallerPath(), downloadedVer);
    Log("CDownloader::ReadDownFileVersion", "downed file version is %d.%d.%d.%d",
        downloadedVer.major, downloadedVer.minor, downloadedVer.build, downloadedVer.revision);
}
