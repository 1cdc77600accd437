#include "ControllerHarness.h"

#include <cstdio>
#include <sstream>

#include "DownloadEvents.h"
#include "DownloadProgress.h"
#include "DownloaderPlaces.h"
#include "FileMd5.h"
#include "TestSupport.h"
#include "TextConv.h"
#include "ThreadsManager.h"

EventRecorder::EventRecorder() : window_([this](WPARAM code, LPARAM param) { OnEvent(code, param); }) {}

void EventRecorder::OnEvent(WPARAM code, LPARAM param) {
    if (code == EV_PROGRESS) {
        ++progresses_;
        delete reinterpret_cast<CDownloadProgress*>(param);
        return;
    }
    codes_.push_back(static_cast<int>(code));
    if (code == EV_FINISHED) {
        auto* progress = reinterpret_cast<CDownloadProgress*>(param);
        if (progress != nullptr && controller_ != nullptr) controller_->DownFinished(progress->downloadId);
        delete progress;
    }
}

bool EventRecorder::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    return PumpMessagesUntil(done, timeoutMs);
}

void EventRecorder::PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

bool EventRecorder::WaitForOutcome(DWORD timeoutMs) {
    const int wanted = outcomesWaited_ + 1;
    const bool got = PumpUntil([&] { return Outcomes() >= wanted; }, timeoutMs);
    if (got) outcomesWaited_ = wanted;
    return got;
}

int EventRecorder::Count(int code) const {
    int n = 0;
    for (int c : codes_) n += c == code ? 1 : 0;
    return n;
}

int EventRecorder::Outcomes() const {
    return Count(EV_LOCAL_DIFFERS) + Count(EV_READY) + Count(EV_FAILED);
}

std::string EventRecorder::Describe() const {
    std::ostringstream text;
    text << "events:";
    for (int c : codes_) text << ' ' << c;
    text << " (progress " << progresses_ << ")";
    return text.str();
}

ControllerCase::ControllerCase(const std::string& agent, const char* siteCfg, const std::string& host)
    : agent_(agent) {
    const std::string root = MakeScratchFolder("ctl-" + agent);
    program_ = root + "\\program";
    data_ = root + "\\data";
    CreateDirectoryW(Utf8ToWide(program_).c_str(), nullptr);
    CreateDirectoryW(Utf8ToWide(data_).c_str(), nullptr);
    if (siteCfg != nullptr) {
        const std::string text =
            *siteCfg == '\0' ? "<Site>\n\t<ID value=\"" + agent + "\"/>\n</Site>\n" : std::string(siteCfg);
        WriteBytes(program_ + "\\site.cfg", text);
    }
    Service::ResetAgent(agent);
    DownloaderPlaces places;
    places.programFolder = program_;
    places.dataFolder = data_;
    places.serviceHost = host.empty() ? Service::Host() : host;
    SetDownloaderPlacesForTests(places);
}

ControllerCase::~ControllerCase() {
    if (controller_) Shutdown();
}

CDownloader& ControllerCase::Start() {
    CThreadsManager::Instance().StartThreads();
    controller_.reset(new CDownloader());
    logPath_ = controller_->LogPath();
    controller_->RegisterListener(&listener_);
    recorder_.Attach(controller_.get());
    return *controller_;
}

void ControllerCase::Shutdown() {
    if (!controller_) return;
    controller_->Exit(1);
    recorder_.Attach(nullptr);
    controller_.reset();
}

std::string ControllerCase::InstallerFile() const {
    return program_ + "\\RUZadiDerod_" + agent_ + ".exe";
}

std::string ControllerCase::LogText() const { return ReadBytes(logPath_); }

int ControllerCase::LogLines(const std::string& tag, const std::string& message) const {
    return CountOccurrences(LogText(), "\t" + tag + "\t" + message + "\r\n");
}

std::string VersionReply(const std::string& ver, const std::string& url, const std::string& md5,
                         int upStyle) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<ZQLobbyVerInfo>\n\t<Site ID=\"1\" ver=\"" + ver +
           "\" url=\"" + url + "\" md5=\"" + md5 + "\" updatetime=\"1700000000\" update_desc=\"demo\" upStyle=\"" +
           std::to_string(upStyle) + "\"/>\n</ZQLobbyVerInfo>\n";
}

std::string InstallerBuild(const std::string& name) {
    return GetEnv("TARNIX_INSTALLERS") + "\\" + name + ".exe";
}

std::string Md5Of(const std::string& path) {
    std::string digest;
    GetFileMd5(path, digest);
    return digest;
}

bool MakeTampered(const std::string& source, const std::string& target) {
    std::string bytes = ReadBytes(source);
    // A letter of the DOS stub's message: hashed by the signature, unused by the loader.
    const size_t at = bytes.find("This program");
    if (at == std::string::npos) return false;
    bytes[at] = 't';
    return WriteBytes(target, bytes);
}
