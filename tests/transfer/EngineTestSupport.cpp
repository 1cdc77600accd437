#include "EngineTestSupport.h"

#include <fstream>
#include <sstream>

#include "BreakpointRecord.h"
#include "DownloadEvents.h"
#include "DownloadProgress.h"
#include "EngineMessages.h"
#include "TaskResult.h"

std::string ServeFile(const std::string& name, const std::string& bytes) {
    WriteBytes(GetEnv("TARNIX_SERVICE_ROOT") + "\\files\\" + name, bytes);
    return ServiceUrl("/files/" + name);
}

std::vector<std::string> RequestLog(const std::string& name) {
    std::istringstream in(ReadBytes(GetEnv("TARNIX_SERVICE_ROOT") + "\\files\\" + name + ".requests"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> RangesLogged(const std::string& name, size_t from) {
    std::vector<std::string> ranges;
    const auto lines = RequestLog(name);
    for (size_t i = from; i < lines.size(); ++i) {
        const size_t tab = lines[i].find('\t');
        ranges.push_back(tab == std::string::npos ? "" : lines[i].substr(tab + 1));
    }
    return ranges;
}

std::string ServeNginx(const std::string& relative, const std::string& bytes) {
    std::string windowsRelative = relative;
    for (char& c : windowsRelative) {
        if (c == '/') c = '\\';
    }
    WriteBytes(GetEnv("TARNIX_NGINX_ROOT") + "\\www\\" + windowsRelative, bytes);
    return "http://127.0.0.1:" + GetEnv("TARNIX_NGINX_PORT") + "/" + relative;
}

std::string RefusedUrl() { return "http://127.0.0.1:" + GetEnv("TARNIX_REFUSED_PORT") + "/x.bin"; }

ScratchPath::ScratchPath(const char* what) {
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    path_ = std::string(dir) + UniqueId(what) + ".tmp";
}

ScratchPath::~ScratchPath() {
    DeleteFileA(path_.c_str());
    DeleteFileA(Cfg().c_str());
}

EventSink::EventSink()
    : window_([this](WPARAM code, LPARAM param) {
          DownloadEvent e;
          e.code = static_cast<int>(code);
          if ((e.code == EV_PROGRESS || e.code == EV_FINISHED) && param) {
              auto* p = reinterpret_cast<CDownloadProgress*>(param);
              e.downloaded = p->downloaded;
              e.totalSize = p->totalSize;
              e.speed = p->speed;
              e.elapsedSeconds = p->elapsedSeconds;
              e.downloadId = p->downloadId;
              delete p;
          }
          events.push_back(e);
      }) {}

bool EventSink::WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    return PumpMessagesUntil(done, timeoutMs);
}

void EventSink::Drain(DWORD ms) {
    PumpMessagesUntil([] { return false; }, ms);
}

int EventSink::Count(int code) const {
    int n = 0;
    for (const auto& e : events) n += e.code == code;
    return n;
}

void PostedMessages::Collect() {
    MSG msg;
    while (PeekMessageW(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE)) {
        all.push_back(msg);
        if (msg.message == WM_TASK_RESULT) {
            resultBytes.push_back(static_cast<int32_t>(msg.lParam));
            delete reinterpret_cast<CTaskResult*>(msg.wParam);
        } else if (msg.message == WM_BREAKPOINT_ADD) {
            auto* e = reinterpret_cast<BreakpointEntry*>(msg.wParam);
            entries.emplace_back(e->nextOffset, e->lastOffset);
            delete e;
        }
    }
}

int PostedMessages::Count(UINT message) const {
    int n = 0;
    for (const auto& m : all) n += m.message == message;
    return n;
}
