#pragma once
// CLog: one append-only text file; every line "[time]\ttag\tmessage\r\n" is written
// and flushed under one lock, so lines of different threads never interleave.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "Lock.h"

class CLog {
public:
    CLog() = default;
    virtual ~CLog();
    CLog(const CLog&) = delete;
    CLog& operator=(const CLog&) = delete;

    // Closes any open file, then opens path for appending, shared with other writers.
    void Open(const std::wstring& path);
    // Writes nothing when tag, format or args is null or no file is open.
    void Write(const char* tag, const char* format, va_list args);

private:
    FILE* stream_ = nullptr;
    CLock lock_;
};

// The day-named log path under the per-user folder; creates the two folder levels.
std::string MakeDailyLogPath();
