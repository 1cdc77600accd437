#pragma once
// Reading a whole small file (a settings or history document) into memory.
#include <string>

// False when the file cannot be opened or read; text then holds what was read.
bool ReadFileText(const std::string& path, std::string& text);
// Creates or truncates path and writes text; false when any step fails.
bool WriteFileText(const std::string& path, const std::string& text);
