#include "DownloadTask.h"

#include <wininet.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "BaseThread.h"
#include "BreakpointRecord.h"
#include "EngineMessages.h"
#include "HttpRequest.h"
#include "IOTask.h"
#include "InetHandle.h"
#include "PumpPost.h"
#include "RangePlan.h"
#include "ResultBatch.h"
#include "TextConv.h"

namespace {

constexpr DWORD kPiece = 4096;

bool QueryStatus(HINTERNET request, DWORD& status) {
    DWORD size = sizeof(status);
    return HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                          nullptr) != FALSE;
}

bool QueryContentRange(HINTERNET request, std::string& value) {
    char buffer[256] = {};
    DWORD size = sizeof(buffer) - 1;
    if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_RANGE, buffer, &size, nullptr)) return false;
    value.assign(buffer, strnlen(buffer, sizeof(buffer)));
    return true;
}

}  // namespace

CDownloadTask::CDownloadTask(int64_t nextOffset, int64_t lastOffset, int32_t downloadId,
                             int64_t fileSize, const std::string& path, uint32_t startTick,
                             int64_t bytesAtStart, const std::string& url)
    : url_(url),
      path_(path),
      nextOffset_(nextOffset),
      lastOffset_(lastOffset),
      fileSize_(fileSize),
      startTick_(startTick),
      bytesAtStart_(bytesAtStart) {
    downloadId_ = downloadId;
}

bool CDownloadTask::Stopping() const { return thread_ && thread_->IsStopping(); }

void CDownloadTask::PostRemaining() const {
    BreakpointEntry entry;
    if (!MakeBreakpointEntry(static_cast<uint32_t>(nextOffset_), static_cast<uint32_t>(lastOffset_),
                             url_, path_, entry)) {
        return;
    }
    PostToPump(pumpThreadId_, WM_BREAKPOINT_ADD, new BreakpointEntry(entry));
}

bool CDownloadTask::Run() {
    // Every exit below closes the file and the WinINet handles (request, connection,
    // session: reverse order of the InetHandles).
    struct FileCloser {
        UniqueHandle& file;
        ~FileCloser() { file.Reset(); }
    } fileCloser{file_};

    file_.Reset(CreateFileW(Utf8ToWide(path_).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    if (!file_) {
        // Retrying silently for ever would hide a vanished or locked temp file from the user.
        PostTransferFailed(pumpThreadId_);
        return false;
    }
    if (url_.empty()) {
        PostTransferFailed(pumpThreadId_);
        return false;
    }

    InetHandle session(OpenHttpSession(nullptr));
    if (!session) {
        PostTransferFailed(pumpThreadId_);
        return false;
    }
    std::string urlPath;
    DWORD flags = 0;
    InetHandle connection(ConnectForUrl(session.Get(), url_.c_str(), urlPath, flags));
    if (!connection) {
        PostTransferFailed(pumpThreadId_);
        return false;
    }
    DWORD maxConns = 80;
    InternetSetOptionA(connection.Get(), INTERNET_OPTION_MAX_CONNS_PER_SERVER, &maxConns,
                       sizeof(maxConns));
    InternetSetOptionA(connection.Get(), INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER, &maxConns,
                       sizeof(maxConns));
    // The range goes into our own file; a second copy in the user's URL cache is only
    // extra disk writes (Wine caches every range reply).
    InetHandle request(HttpOpenRequestA(connection.Get(), "GET", urlPath.c_str(), "HTTP/1.0",
                                        nullptr, nullptr, flags | INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!request) {
        PostTransferFailed(pumpThreadId_);
        return false;
    }
    const bool ranged = nextOffset_ >= 0 && lastOffset_ >= 0 && nextOffset_ <= lastOffset_;
    if (ranged) {
        char header[128] = {};
        const int length = snprintf(header, sizeof(header), "RANGE: bytes=%" PRId64 "-%" PRId64 "\r\n",
                                    nextOffset_, lastOffset_);
        HttpAddRequestHeadersA(request.Get(), header, static_cast<DWORD>(length),
                               HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
    }
    if (!HttpSendRequestA(request.Get(), nullptr, 0, nullptr, 0)) {
        const DWORD error = GetLastError();
        if (error == ERROR_INTERNET_INVALID_CA || error == ERROR_INTERNET_SEC_CERT_REV_FAILED) {
            DWORD security = 0;
            DWORD size = sizeof(security);
            if (InternetQueryOptionA(request.Get(), INTERNET_OPTION_SECURITY_FLAGS, &security, &size)) {
                security |= SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_REVOCATION;
                InternetSetOptionA(request.Get(), INTERNET_OPTION_SECURITY_FLAGS, &security,
                                   sizeof(security));
            }
        }
        PostTransferFailed(pumpThreadId_);
        return false;
    }
    if (ranged) {
        // A reply that does not start at the first requested byte (a server ignoring the
        // range, an error page) would put wrong bytes into the file.
        DWORD status = 0;
        std::string contentRange;
        const bool haveRange = QueryContentRange(request.Get(), contentRange);
        if (!QueryStatus(request.Get(), status) ||
            !RangeReplyStartsAt(status, haveRange ? contentRange.c_str() : nullptr, nextOffset_)) {
            PostTransferFailed(pumpThreadId_);
            return false;
        }
    }

    bool result = true;
    // Written bytes reach the pump in batches; every way out of the loop flushes first, so
    // the totals are complete before a resume entry or a failure report is posted.
    CResultBatch written(downloadId_, fileSize_, startTick_, bytesAtStart_, pumpThreadId_);
    uint8_t buffer[kPiece];
    while (nextOffset_ <= lastOffset_) {
        memset(buffer, 0, sizeof(buffer));
        DWORD bytesRead = 0;
        if (!InternetReadFile(request.Get(), buffer, kPiece, &bytesRead)) {
            result = false;
            written.Flush();
            if (GetLastError() != ERROR_INTERNET_TIMEOUT) PostTransferFailed(pumpThreadId_);
            break;
        }
        if (bytesRead == 0) {
            written.Flush();
            PostTransferFailed(pumpThreadId_);
            result = false;
            break;
        }
        // Bytes past the range's end belong to another range (or to nothing).
        const int64_t wanted = lastOffset_ - nextOffset_ + 1;
        const DWORD useful = static_cast<int64_t>(bytesRead) > wanted ? static_cast<DWORD>(wanted) : bytesRead;
        CIOTask piece(buffer, static_cast<int32_t>(useful), nextOffset_, file_.Get(), fileSize_, path_,
                      startTick_, bytesAtStart_, downloadId_, pumpThreadId_, &written);
        if (!piece.Run()) {
            // Reading on would advance past bytes never written; the range is tried again.
            written.Flush();
            PostTransferFailed(pumpThreadId_);
            result = false;
            break;
        }
        nextOffset_ += useful;
        if (Stopping()) {
            written.Flush();
            PostRemaining();
            break;
        }
    }
    written.Flush();
    return result;
}
