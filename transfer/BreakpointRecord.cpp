#include "BreakpointRecord.h"

#include <cstring>

namespace {

void PutLe(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint64_t GetLe(const std::string& in, size_t at, int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value |= static_cast<uint64_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
    }
    return value;
}

// A 256-byte text field must hold its terminator; returns its length or -1.
int FieldLength(const char* field) {
    const void* nul = memchr(field, 0, 256);
    return nul ? static_cast<int>(static_cast<const char*>(nul) - field) : -1;
}

bool FieldEquals(const char* field, const std::string& text) {
    const int len = FieldLength(field);
    return len >= 0 && static_cast<size_t>(len) == text.size() &&
           memcmp(field, text.data(), text.size()) == 0;
}

}  // namespace

bool MakeBreakpointEntry(uint32_t nextOffset, uint32_t lastOffset, const std::string& url,
                         const std::string& path, BreakpointEntry& entry) {
    // A cut url or path would name another file; such a range is not recorded at all.
    if (url.size() > kBreakpointTextMax || path.size() > kBreakpointTextMax) return false;
    if (url.find('\0') != std::string::npos || path.find('\0') != std::string::npos) return false;
    entry = BreakpointEntry();
    entry.nextOffset = nextOffset;
    entry.lastOffset = lastOffset;
    memcpy(entry.url, url.data(), url.size());
    memcpy(entry.path, path.data(), path.size());
    return true;
}

std::string EncodeBreakpointRecord(int64_t totalSize,
                                   const std::vector<std::unique_ptr<BreakpointEntry>>& entries) {
    std::string out;
    out.reserve(kBreakpointHeaderSize + entries.size() * sizeof(BreakpointEntry));
    PutLe(out, static_cast<uint32_t>(entries.size()), 4);
    PutLe(out, static_cast<uint64_t>(totalSize), 8);
    for (const auto& e : entries) {
        PutLe(out, e->nextOffset, 4);
        PutLe(out, e->lastOffset, 4);
        out.append(e->url, sizeof(e->url));
        out.append(e->path, sizeof(e->path));
    }
    return out;
}

bool DecodeBreakpointRecord(const std::string& bytes, int64_t expectedTotalSize,
                            const std::string& expectedUrl, const std::string& expectedPath,
                            BreakpointRecord& record) {
    record = BreakpointRecord();
    if (bytes.size() < kBreakpointHeaderSize) return false;
    const int32_t count = static_cast<int32_t>(GetLe(bytes, 0, 4));
    const int64_t totalSize = static_cast<int64_t>(GetLe(bytes, 4, 8));
    if (count < 0) return false;
    // Older, longer records may leave bytes after the last entry; fewer bytes than the
    // count announces mean the file was cut short.
    if (static_cast<uint64_t>(count) >
        (bytes.size() - kBreakpointHeaderSize) / sizeof(BreakpointEntry)) {
        return false;
    }
    if (totalSize != expectedTotalSize || totalSize < 1) return false;

    BreakpointRecord parsed;
    parsed.count = count;
    parsed.totalSize = totalSize;
    for (int32_t i = 0; i < count; ++i) {
        const size_t at = kBreakpointHeaderSize + static_cast<size_t>(i) * sizeof(BreakpointEntry);
        auto entry = std::make_unique<BreakpointEntry>();
        entry->nextOffset = static_cast<uint32_t>(GetLe(bytes, at, 4));
        entry->lastOffset = static_cast<uint32_t>(GetLe(bytes, at + 4, 4));
        memcpy(entry->url, bytes.data() + at + 8, sizeof(entry->url));
        memcpy(entry->path, bytes.data() + at + 8 + sizeof(entry->url), sizeof(entry->path));
        if (static_cast<int64_t>(entry->lastOffset) >= totalSize) return false;
        if (static_cast<uint64_t>(entry->nextOffset) > static_cast<uint64_t>(entry->lastOffset) + 1) {
            return false;
        }
        // The record must never direct the engine at any file but the current one.
        if (!FieldEquals(entry->url, expectedUrl) || !FieldEquals(entry->path, expectedPath)) {
            return false;
        }
        parsed.entries.push_back(std::move(entry));
    }
    record = std::move(parsed);
    return true;
}
