#pragma once
// Path text helpers that need no platform call.
#include <string>

// The text before the last backslash; empty for null or when there is none.
std::string GetParentDir(const char* path);
inline std::string GetParentDir(const std::string& path) { return GetParentDir(path.c_str()); }
