#pragma once
// MD5 of a whole file as lower-case hex text.
#include <string>

// 0 hashed; -1 null path or FileExists false; -2 cannot be opened or a read failed part-way.
// digest untouched on failure.
int GetFileMd5(const char* path, std::string& digest);
inline int GetFileMd5(const std::string& path, std::string& digest) {
    return GetFileMd5(path.c_str(), digest);
}
