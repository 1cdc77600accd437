#include "TestFiles.h"

#include <vector>

#include "WinHandle.h"

namespace {

void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = dir + L"\\" + name;
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileW(full.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(dir.c_str());
}

}  // namespace

ScratchDir::ScratchDir() {
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    std::wstring base(temp, n);
    if (!base.empty() && base.back() == L'\\') base.pop_back();
    static LONG counter = 0;
    // "测试 目录" = "test folder"
    std::wstring dir = base + L"\\\u6d4b\u8bd5 \u76ee\u5f55 " + std::to_wstring(GetCurrentProcessId()) + L"-" +
                       std::to_wstring(InterlockedIncrement(&counter));
    RemoveTree(dir);
    CreateDirectoryW(dir.c_str(), nullptr);
    path_ = WideToUtf8(dir);
}

ScratchDir::~ScratchDir() { RemoveTree(Utf8ToWide(path_)); }

bool WriteBytes(const std::string& path, const std::string& bytes) {
    UniqueHandle file(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string ReadBytes(const std::string& path) {
    UniqueHandle file(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return std::string();
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file.Get(), chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
    return bytes;
}

bool CopyTo(const std::string& from, const std::string& to) {
    return CopyFileW(Utf8ToWide(from).c_str(), Utf8ToWide(to).c_str(), FALSE) != FALSE;
}
