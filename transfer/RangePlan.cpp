#include "RangePlan.h"

#include <cctype>
#include <cstring>

std::vector<ByteRange> PlanRanges(int64_t fileSize, uint32_t processors) {
    std::vector<ByteRange> ranges;
    if (fileSize < 1) return ranges;
    if (processors < 1) processors = 1;
    if (fileSize <= kRangeBlock) {
        ranges.push_back({0, fileSize - 1});
        return ranges;
    }
    const int64_t blocks = (fileSize + kRangeBlock - 1) / kRangeBlock;
    if (blocks > processors) {
        const int64_t share = (blocks / processors) * kRangeBlock;
        for (uint32_t i = 0; i + 1 < processors; ++i) {
            ranges.push_back({i * share, i * share + share - 1});
        }
        ranges.push_back({(processors - 1) * share, fileSize - 1});
    } else {
        for (int64_t j = 0; j + 1 < blocks; ++j) {
            ranges.push_back({j * kRangeBlock, j * kRangeBlock + kRangeBlock - 1});
        }
        ranges.push_back({(blocks - 1) * kRangeBlock, fileSize - 1});
    }
    return ranges;
}

bool RangeReplyStartsAt(uint32_t status, const char* contentRange, int64_t firstByte) {
    if (status == 200) return firstByte == 0;
    if (status != 206 || !contentRange) return false;
    // "bytes first-last/total"
    const char* p = contentRange;
    while (*p == ' ') ++p;
    if (strncmp(p, "bytes", 5) != 0) return false;
    p += 5;
    while (*p == ' ') ++p;
    if (!isdigit(static_cast<unsigned char>(*p))) return false;
    int64_t first = 0;
    for (; isdigit(static_cast<unsigned char>(*p)); ++p) {
        if (first > (INT64_MAX - 9) / 10) return false;
        first = first * 10 + (*p - '0');
    }
    return *p == '-' && first == firstByte;
}
