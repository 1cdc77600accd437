#pragma once
// A real CDownloader in a scratch folder, talking to the local service, with a hidden
// window on the test's thread that receives its events as the main window would.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Downloader.h"
#include "Listener.h"
#include "TestCommon.h"

// Records every WM_DOWNLOAD_EVENT; on EV_FINISHED calls DownFinished with the record's
// downloadId, as the main window does.
class EventRecorder {
public:
    EventRecorder();
    // Events still queued then are freed without reaching the controller, which may be gone.
    ~EventRecorder() { controller_ = nullptr; }
    EventRecorder(const EventRecorder&) = delete;
    EventRecorder& operator=(const EventRecorder&) = delete;

    void Attach(CDownloader* controller) { controller_ = controller; }
    // Pumps this thread's messages until done() holds or timeoutMs pass; returns done().
    bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
    void PumpFor(DWORD ms);
    // Waits for the first event other than progress and finish beyond those seen so far.
    bool WaitForOutcome(DWORD timeoutMs);

    // Codes in arrival order, progress events left out.
    const std::vector<int>& Codes() const { return codes_; }
    int Count(int code) const;
    int Outcomes() const;  // EV_LOCAL_DIFFERS, EV_READY and EV_FAILED seen
    int Progresses() const { return progresses_; }
    std::string Describe() const;

private:
    void OnEvent(WPARAM code, LPARAM param);

    CDownloader* controller_ = nullptr;  // not owned
    std::vector<int> codes_;
    int progresses_ = 0;
    int outcomesWaited_ = 0;
    EventWindow window_;  // last: its end hands queued events to OnEvent
};

// One controller case: its own agent id, program folder and data folder.
class ControllerCase {
public:
    // siteCfg: the site file's text; nullptr writes none. The agent's old files at the
    // service are removed.
    explicit ControllerCase(const std::string& agent, const char* siteCfg = "", const std::string& host = "");
    ~ControllerCase();

    // Constructs the controller (the engine is started first, as the entry does).
    CDownloader& Start();
    // Exit(1) and delete, as the entry's shut-down does.
    void Shutdown();

    CDownloader& Controller() { return *controller_; }
    EventRecorder& Events() { return recorder_; }
    DownloadCallback& Listener() { return listener_; }
    const std::string& Agent() const { return agent_; }
    const std::string& ProgramDir() const { return program_; }
    const std::string& DataDir() const { return data_; }
    std::string InstallerFile() const;
    std::string LogText() const;
    // Count of log lines "<tab>tag<tab>message\r\n".
    int LogLines(const std::string& tag, const std::string& message) const;

private:
    std::string agent_;
    std::string program_;
    std::string data_;
    std::string logPath_;
    EventRecorder recorder_;
    DownloadCallback listener_;
    std::unique_ptr<CDownloader> controller_;
};

// The text of a version reply.
std::string VersionReply(const std::string& ver, const std::string& url, const std::string& md5,
                         int upStyle);
// A demo installer built by the project (TARNIX_INSTALLERS).
std::string InstallerBuild(const std::string& name);
std::string Md5Of(const std::string& path);
// A copy of source whose signed content has one byte changed.
bool MakeTampered(const std::string& source, const std::string& target);
