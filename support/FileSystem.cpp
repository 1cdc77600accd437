#include "FileSystem.h"

#include <windows.h>
#include <shlobj.h>
#include <share.h>

#include <vector>

#include "PathText.h"
#include "TextConv.h"
#include "WinHandle.h"

std::string GetModuleFilePath() {
    // A path longer than MAX_PATH is cut short without an error, so grow the
    // buffer until the whole path fits rather than hand back a truncated one.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::string();
        if (n < buffer.size()) return WideToUtf8(std::wstring(buffer.data(), n));
        if (buffer.size() >= 32768) return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

std::string GetModuleDir() { return GetParentDir(GetModuleFilePath()); }

std::string GetAppDataDir() {
    wchar_t buffer[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_APPDATA, FALSE)) return std::string();
    return WideToUtf8(buffer);
}

bool MakeDir(const char* path) {
    if (!path) return false;
    std::wstring wide = Utf8ToWide(path);
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return CreateDirectoryW(wide.c_str(), nullptr) != FALSE;
}

bool FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_ARCHIVE);
}

bool RemoveFile(const std::string& path) {
    return DeleteFileW(Utf8ToWide(path).c_str()) != FALSE;
}

FILE* OpenFileStream(const std::string& path, const std::string& mode) {
    // Plain reading lets other readers in; any mode that writes keeps the file to itself.
    bool readOnly = mode.find('r') != std::string::npos && mode.find('+') == std::string::npos;
    return _wfsopen(Utf8ToWide(path).c_str(), Utf8ToWide(mode).c_str(),
                    readOnly ? _SH_DENYWR : _SH_DENYRW);
}

uint64_t QueryFileSize(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    DWORD high = 0;
    DWORD low = GetFileSize(file.Get(), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return 0;
    return (static_cast<uint64_t>(high) << 32) | low;
}
