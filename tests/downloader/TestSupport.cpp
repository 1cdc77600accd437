#include "TestSupport.h"

#include <cstdio>
#include <vector>

#include "TextConv.h"

std::string GetEnv(const char* name) {
    const std::wstring wide = Utf8ToWide(name);
    DWORD size = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
    if (size == 0) return std::string();
    std::vector<wchar_t> buffer(size);
    GetEnvironmentVariableW(wide.c_str(), buffer.data(), size);
    return WideToUtf8(buffer.data());
}

std::string TestProgramFolder() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string text = WideToUtf8(std::wstring(path, n));
    return text.substr(0, text.rfind('\\'));
}

void DeleteTree(const std::string& path) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(Utf8ToWide(path + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::string child = path + "\\" + WideToUtf8(name);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(child);
            } else {
                SetFileAttributesW(Utf8ToWide(child).c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(Utf8ToWide(child).c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(Utf8ToWide(path).c_str());
}

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

bool WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* f = _wfopen(Utf8ToWide(path).c_str(), L"wb");
    if (f == nullptr) return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

std::string ReadBytes(const std::string& path) {
    FILE* f = _wfopen(Utf8ToWide(path).c_str(), L"rb");
    if (f == nullptr) return std::string();
    std::string text;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, got);
    fclose(f);
    return text;
}

bool CopyFileTo(const std::string& from, const std::string& to) {
    return CopyFileW(Utf8ToWide(from).c_str(), Utf8ToWide(to).c_str(), FALSE) != FALSE;
}

bool FileIsThere(const std::string& path) {
    return GetFileAttributesW(Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
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
