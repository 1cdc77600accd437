#pragma once
// Range arithmetic of the segmented download: how a file is cut into byte ranges and
// whether a range reply starts where it was asked to. No platform calls.
#include <cstdint>
#include <vector>

struct ByteRange {
    int64_t first = 0;
    int64_t last = 0;  // inclusive
    bool operator==(const ByteRange& o) const { return first == o.first && last == o.last; }
};

constexpr int64_t kRangeBlock = 4096;

// Up to `processors` ranges of whole 4096-byte blocks in ascending order; the last range
// takes the remainder. Files up to one block are one range. Empty for fileSize < 1.
std::vector<ByteRange> PlanRanges(int64_t fileSize, uint32_t processors);

// True when a reply with this status and Content-Range header (null when absent) delivers
// bytes starting at firstByte: a 206 whose Content-Range begins there, or a 200 (the
// whole file) when firstByte is 0.
bool RangeReplyStartsAt(uint32_t status, const char* contentRange, int64_t firstByte);
