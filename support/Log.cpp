#include "Log.h"

#include <share.h>

#include <cstring>
#include <ctime>

#include "FileSystem.h"
#include "TextConv.h"

CLog::~CLog() {
    CLockGuard guard(lock_);
    if (stream_) {
        fclose(stream_);
        stream_ = nullptr;
    }
}

void CLog::Open(const std::wstring& path) {
    CLockGuard guard(lock_);
    if (stream_) {
        fclose(stream_);
        stream_ = nullptr;
    }
    // Binary append, so "\r\n" reaches the file as it stands; other writers stay welcome.
    stream_ = _wfsopen(path.c_str(), L"ab+", _SH_DENYNO);
}

void CLog::Write(const char* tag, const char* format, va_list args) {
    if (!tag || !format || !args) return;
    CLockGuard guard(lock_);
    if (!stream_) return;

    time_t now = time(nullptr);
    tm local = {};
    char stamp[128] = {};
    if (localtime_s(&local, &now) == 0) strftime(stamp, sizeof(stamp), "[%Y-%m-%d %H:%M:%S]\t", &local);
    fwrite(stamp, 1, strlen(stamp), stream_);
    fwrite(tag, 1, strlen(tag), stream_);
    fputc('\t', stream_);
    vfprintf(stream_, format, args);
    fwrite("\r\n", 1, 2, stream_);
    fflush(stream_);
}

std::string MakeDailyLogPath() {
    std::string path = GetAppDataDir() + "\\Tarnix";
    MakeDir(path);
    path += "\\log\\";
    MakeDir(path);

    time_t now = time(nullptr);
    tm local = {};
    localtime_s(&local, &now);
    char name[32] = {};
    snprintf(name, sizeof(name), "%04d%02d%02d.log", local.tm_year + 1900, local.tm_mon + 1,
             local.tm_mday);
    return path + name;
}
