#include "FileText.h"

#include <cstdio>
#include <exception>

#include "FileSystem.h"

bool ReadFileText(const std::string& path, std::string& text) {
    text.clear();
    // Through the wide path, so folders outside the ANSI code page work too.
    FILE* stream = OpenFileStream(path, "rb");
    if (stream == nullptr) return false;
    char buffer[4096];
    size_t got = 0;
    bool ok = true;
    try {
        while ((got = std::fread(buffer, 1, sizeof buffer, stream)) > 0) text.append(buffer, got);
        ok = std::ferror(stream) == 0;
    } catch (const std::exception&) {  // allocation
        ok = false;
    }
    std::fclose(stream);
    return ok;
}

bool WriteFileText(const std::string& path, const std::string& text) {
    FILE* stream = OpenFileStream(path, "wb");
    if (stream == nullptr) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
    ok = std::fflush(stream) == 0 && ok;
    ok = std::fclose(stream) == 0 && ok;
    return ok;
}
