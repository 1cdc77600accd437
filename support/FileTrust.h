#pragma once
// Code-signing trust (catalog first, then embedded signature) and product version of a file.
#include <string>

#include "AppVersion.h"

bool IsFileTrusted(const std::string& path);
// The product version; false leaves version untouched.
bool ReadFileVersion(const std::string& path, AppVersion& version);
