#pragma once
// The program's own path, the per-user folder and the small file helpers. All
// paths are UTF-8. A file is present only when it carries the archive attribute.
#include <cstdint>
#include <cstdio>
#include <string>

// Empty when the path cannot be read; never a truncated path.
std::string GetModuleFilePath();
// GetParentDir(GetModuleFilePath()).
std::string GetModuleDir();
// The per-user application data folder, or empty.
std::string GetAppDataDir();
// Creates one directory level; true only if this call created it.
bool MakeDir(const char* path);
inline bool MakeDir(const std::string& path) { return MakeDir(path.c_str()); }

bool FileExists(const std::string& path);
bool RemoveFile(const std::string& path);
// Buffered stream: shared for reading while open with "rb", exclusive otherwise. Null on failure.
FILE* OpenFileStream(const std::string& path, const std::string& mode);
// 0 when the file cannot be opened.
uint64_t QueryFileSize(const std::wstring& path);
