#include "EngineTestSupport.h"

#include <fstream>
#include <sstream>

#include "BreakpointRecord.h"
#include "DownloadEvents.h"
#include "DownloadProgress.h"
#include "EngineMessages.h"
#include "TaskResult.h"

std::string Env(const char* name) {
    char value[1024] = {};
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof(value));
    return (n > 0 && n < sizeof(value)) ? std::string(value, n) : std::string();
}

std::string ServiceUrl(const std::string& pathAndQuery) {
    return "http://127.0.0.1:" + Env("TARNIX_SERVICE_PORT") + pathAndQuery;
}

std::string ServeFile(const std::string& name, const std::string& bytes) {
    WriteBytes(Env("TARNIX_SERVICE_ROOT") + "\\files\\" + name, bytes);
    return ServiceUrl("/files/" + name);
}

std::vector<std::string> RequestLog(const std::string& name) {
    std::istringstream in(ReadBytes(Env("TARNIX_SERVICE_ROOT") + "\\files\\" + name + ".requests"));
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
    WriteBytes(Env("TARNIX_NGINX_ROOT") + "\\www\\" + windowsRelative, bytes);
    return "http://127.0.0.1:" + Env("TARNIX_NGINX_PORT") + "/" + relative;
}

std::string RefusedUrl() { return "http://127.0.0.1:" + Env("TARNIX_REFUSED_PORT") + "/x.bin"; }

std::string UniqueId(const char* what) {
    static int serial = 0;
    return std::string(what) + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount()) + "-" + std::to_string(++serial);
}

std::string Pattern(size_t size) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7) ^ (i >> 12) ^ (i >> 20));
    return s;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return out.good();
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

ScratchPath::ScratchPath(const char* what) {
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    path_ = std::string(dir) + UniqueId(what) + ".tmp";
}

ScratchPath::~ScratchPath() {
    DeleteFileA(path_.c_str());
    DeleteFileA(Cfg().c_str());
}

EventSink::EventSink() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &EventSink::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"EngineTestEvents";
    RegisterClassW(&wc);  // fails harmlessly when already registered
    window_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetEventWindow(window_);
}

EventSink::~EventSink() {
    SetEventWindow(nullptr);
    Drain(0);
    DestroyWindow(window_);
}

LRESULT CALLBACK EventSink::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_DOWNLOAD_EVENT) return DefWindowProcW(hwnd, msg, wParam, lParam);
    auto* self = reinterpret_cast<EventSink*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    DownloadEvent e;
    e.code = static_cast<int>(wParam);
    if ((e.code == EV_PROGRESS || e.code == EV_FINISHED) && lParam) {
        auto* p = reinterpret_cast<CDownloadProgress*>(lParam);
        e.downloaded = p->downloaded;
        e.totalSize = p->totalSize;
        e.speed = p->speed;
        e.elapsedSeconds = p->elapsedSeconds;
        e.downloadId = p->downloadId;
        delete p;
    }
    if (self) self->events.push_back(e);
    return 0;
}

bool EventSink::WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

void EventSink::Drain(DWORD ms) {
    WaitFor([] { return false; }, ms);
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
