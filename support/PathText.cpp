#include "PathText.h"

#include <cstring>

std::string GetParentDir(const char* path) {
    if (!path) return std::string();
    // Only the byte 0x5C is compared, which never occurs inside a UTF-8 sequence.
    const char* last = std::strrchr(path, '\\');
    if (!last) return std::string();
    return std::string(path, last);
}
