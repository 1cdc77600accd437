#pragma once
// Helpers for the engine tests: the loopback services' folders and URLs, scratch files,
// and collectors for the window events and thread messages the engine posts.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "TestCommon.h"

// A file served by the local service under files/<name>; returns its URL (no query).
std::string ServeFile(const std::string& name, const std::string& bytes);
// The service's request log of files/<name>: "<request line>\t<Range header>" per line.
std::vector<std::string> RequestLog(const std::string& name);
// The Range header values of the log's lines from index `from` on; "" for none.
std::vector<std::string> RangesLogged(const std::string& name, size_t from = 0);
// A file served by nginx from www/<relative> ("slow/x" is throttled).
std::string ServeNginx(const std::string& relative, const std::string& bytes);
std::string RefusedUrl();

// A fresh path in the temp folder; the file and path + ".cfg" are deleted on destruction.
class ScratchPath {
public:
    explicit ScratchPath(const char* what);
    ~ScratchPath();
    const std::string& Get() const { return path_; }
    std::string Cfg() const { return path_ + ".cfg"; }

private:
    std::string path_;
};

struct DownloadEvent {
    int code = 0;
    int64_t downloaded = 0;
    int64_t totalSize = 0;
    double speed = 0;
    uint32_t elapsedSeconds = 0;
    int32_t downloadId = 0;
};

// A hidden window set as the event window while it lives; collects WM_DOWNLOAD_EVENT.
class EventSink {
public:
    EventSink();
    // Pumps this thread's messages until done() or timeoutMs has passed; returns done().
    bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs);
    // Pumps for ms milliseconds.
    void Drain(DWORD ms);
    int Count(int code) const;
    std::vector<DownloadEvent> events;

private:
    EventWindow window_;
};

// Thread messages the engine posted to the calling thread (used as a stand-in pump).
struct PostedMessages {
    // Gives the calling thread its message queue, so posts to it are kept.
    PostedMessages() {
        MSG m;
        PeekMessageW(&m, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    }
    std::vector<MSG> all;
    // Takes every message now queued; frees the objects they carry after noting them.
    void Collect();
    int Count(UINT message) const;
    std::vector<int64_t> resultBytes;                    // lParam of WM_TASK_RESULT
    std::vector<std::pair<uint32_t, uint32_t>> entries;  // WM_BREAKPOINT_ADD ranges
};
