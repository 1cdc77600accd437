// The success and failure reports to the statistics service: sent once, never retried.
#include <ctime>
#include <exception>

#include "Downloader.h"
#include "DownloaderPlaces.h"
#include "HttpRequest.h"
#include "ReportBodies.h"

namespace {

// One flag per error type that is reported at most once per process; indexed by type.
bool g_reported[11] = {};

// Local wall-clock time read as if no daylight saving were in effect, as the service expects.
int32_t SubmitDate() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::tm broken = {};
    broken.tm_year = now.wYear - 1900;
    broken.tm_mon = now.wMonth - 1;
    broken.tm_mday = now.wDay;
    broken.tm_hour = now.wHour;
    broken.tm_min = now.wMinute;
    broken.tm_sec = now.wSecond;
    broken.tm_isdst = 0;
    return static_cast<int32_t>(static_cast<int64_t>(std::mktime(&broken)));
}

// Posts body to path on the statistics host and logs the exchange under tag.
bool PostReport(CDownloader& controller, const char* tag, const char* path, const std::string& body) {
    try {
        std::string reply;
        CHttpRequest request;
        request.body = body;
        request.reply = &reply;
        request.replyMode = ReplyToString;
        const std::string url = "http://" + ServiceHost() + path;
        const bool sent = HttpFetch(0, nullptr, &request, 1, url.c_str());
        if (sent) {
            controller.Log(tag, "[url]:%s [post]:%s", url.c_str(), body.c_str());
        } else {
            controller.Log(tag, "[url]:%s [post]:%s [ret-err]:[%s]", url.c_str(), body.c_str(),
                           reply.c_str());
        }
        return sent;
    } catch (const std::exception&) {  // allocation
        return false;
    }
}

}  // namespace

bool CDownloader::Post_Right() {
    return PostReport(*this, "CDownloader::Post_Right", kRightReportPath,
                      BuildRightBody(siteId, useTime, installerSize));
}

bool CDownloader::Post_Error(int32_t errorType, const std::string& versionText) {
    return PostReport(*this, "CDownloader::Post_Error", kErrorReportPath,
                      BuildErrorBody(siteId, versionText, errorType, SubmitDate()));
}

void CDownloader::ReportOnce(int32_t errorType, const std::string& versionText) {
    const bool limited = errorType >= 0 && errorType < 11;
    if (limited && g_reported[errorType]) return;
    if (limited) g_reported[errorType] = true;
    Post_Error(errorType, versionText);
}
