#pragma once
// The resume record's entries and its file layout (little-endian): int32 count, int64
// totalSize, then count entries of 520 bytes. Pure data handling, no platform calls.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One unfinished range; the same bytes in memory and in the file.
struct BreakpointEntry {
    uint32_t nextOffset = 0;  // first byte not yet written
    uint32_t lastOffset = 0;  // last byte of the range, inclusive
    char url[256] = {};
    char path[256] = {};
};
static_assert(sizeof(BreakpointEntry) == 520, "record entries are 520 bytes");

struct BreakpointRecord {
    int32_t count = 0;
    int64_t totalSize = 0;
    std::vector<std::unique_ptr<BreakpointEntry>> entries;
};

constexpr size_t kBreakpointHeaderSize = 12;
constexpr size_t kBreakpointTextMax = 255;  // bytes of url or path an entry can hold

// Fills an entry; false (entry untouched) when url or path does not fit whole.
bool MakeBreakpointEntry(uint32_t nextOffset, uint32_t lastOffset, const std::string& url,
                         const std::string& path, BreakpointEntry& entry);

std::string EncodeBreakpointRecord(int64_t totalSize,
                                   const std::vector<std::unique_ptr<BreakpointEntry>>& entries);

// Decodes and checks a record file's bytes against the current download. False (record
// emptied) for a short header, a count below 0 or beyond the bytes present, a different
// totalSize, an entry outside the file or running backwards, or an entry naming another
// url or path.
bool DecodeBreakpointRecord(const std::string& bytes, int64_t expectedTotalSize,
                            const std::string& expectedUrl, const std::string& expectedPath,
                            BreakpointRecord& record);
