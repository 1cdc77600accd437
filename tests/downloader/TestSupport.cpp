#include "TestSupport.h"

#include <cstdio>
#include <vector>

#include "TextConv.h"

std::string MakeScratchFolder(const std::string& name) {
    const std::string base = TestProgramFolder() + "\\scratch";
    CreateDirectoryW(Utf8ToWide(base).c_str(), nullptr);
    std::string safe = name;
    for (char& c : safe) {
        if (c == '/' || c == '\\' || c == ':') c = '-';
    }
    const std::string path = base + "\\" + safe;
    DeleteTree(path);
    CreateDirectoryW(Utf8ToWide(path).c_str(), nullptr);
    return path;
}

std::string Service::Root() { return GetEnv("TARNIX_SERVICE_ROOT"); }
std::string Service::Host() { return "127.0.0.1:" + GetEnv("TARNIX_SERVICE_PORT"); }
std::string Service::RefusedHost() { return "127.0.0.1:" + GetEnv("TARNIX_REFUSED_PORT"); }

std::string Service::FileUrl(const std::string& name, const std::string& query) {
    return "http://" + Host() + "/files/" + name + (query.empty() ? "" : "?" + query);
}

void Service::ResetAgent(const std::string& agent) {
    for (const char* name : {"\\ver\\%s.xml", "\\ver\\%s.requests", "\\stats\\%s.download_device_stat.log",
                             "\\stats\\%s.download_device_error_stat.log"}) {
        char path[512];
        std::snprintf(path, sizeof path, name, agent.c_str());
        DeleteFileW(Utf8ToWide(Root() + path).c_str());
    }
}

bool Service::SetReply(const std::string& agent, const std::string& xml) {
    return WriteBytes(Root() + "\\ver\\" + agent + ".xml", xml);
}

int Service::VersionRequests(const std::string& agent) {
    return CountLines(ReadBytes(Root() + "\\ver\\" + agent + ".requests"));
}

bool Service::PutFile(const std::string& name, const std::string& source) {
    DeleteFileW(Utf8ToWide(Root() + "\\files\\" + name + ".requests").c_str());
    return CopyFileTo(source, Root() + "\\files\\" + name);
}

int Service::FileRequests(const std::string& name) {
    return CountLines(ReadBytes(Root() + "\\files\\" + name + ".requests"));
}

std::string Service::SuccessReports(const std::string& agent) {
    return ReadBytes(Root() + "\\stats\\" + agent + ".download_device_stat.log");
}

std::string Service::ErrorReports(const std::string& agent) {
    return ReadBytes(Root() + "\\stats\\" + agent + ".download_device_error_stat.log");
}

int CountLines(const std::string& text) { return CountOccurrences(text, "\n"); }

int CountOccurrences(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

bool ClearArchive(const std::string& path) {
    const std::wstring wide = Utf8ToWide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    SetFileAttributesW(wide.c_str(), (attributes & ~FILE_ATTRIBUTE_ARCHIVE) | FILE_ATTRIBUTE_NORMAL);
    return (GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_ARCHIVE) == 0;
}
