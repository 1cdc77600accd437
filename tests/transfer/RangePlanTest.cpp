// How files are cut into ranges, and which range replies may be written.
#include "RangePlan.h"

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const ByteRange& r, std::ostream* os) { *os << r.first << "-" << r.last; }

namespace {

constexpr int64_t K = kRangeBlock;

struct SplitCase {
    const char* name;
    int64_t fileSize;
    uint32_t processors;
    std::vector<ByteRange> ranges;
};
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class SplitTable : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTable, GivesTheExpectedRanges) {
    const SplitCase& c = GetParam();
    EXPECT_EQ(PlanRanges(c.fileSize, c.processors), c.ranges);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, SplitTable,
    ::testing::Values(
        SplitCase{"OneByte", 1, 4, {{0, 0}}},
        SplitCase{"BelowOneBlock", 1000, 4, {{0, 999}}},
        SplitCase{"ExactlyOneBlock", K, 4, {{0, K - 1}}},
        SplitCase{"OneBlockPlusOneByte", K + 1, 4, {{0, K - 1}, {K, K}}},
        SplitCase{"TwoBlocks", 2 * K, 4, {{0, K - 1}, {K, 2 * K - 1}}},
        SplitCase{"BlocksWithRemainder", 2 * K + 100, 4, {{0, K - 1}, {K, 2 * K - 1}, {2 * K, 2 * K + 99}}},
        SplitCase{"ExactlyPBlocks", 4 * K, 4, {{0, K - 1}, {K, 2 * K - 1}, {2 * K, 3 * K - 1}, {3 * K, 4 * K - 1}}},
        SplitCase{"MoreBlocksThanProcessors", 610 * K + 100, 4,
                  {{0, 152 * K - 1}, {152 * K, 304 * K - 1}, {304 * K, 456 * K - 1}, {456 * K, 610 * K + 99}}},
        SplitCase{"OneProcessor", K + 1, 1, {{0, K}}},
        SplitCase{"TwoProcessorsLastTakesRemainder", 5 * K + 7, 2, {{0, 3 * K - 1}, {3 * K, 5 * K + 6}}},
        SplitCase{"ZeroProcessorsCountsAsOne", 3 * K, 0, {{0, 3 * K - 1}}},
        SplitCase{"EmptyFile", 0, 4, {}},
        SplitCase{"NegativeSize", -5, 4, {}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(SplitRanges, SixteenProcessorsGiveSixteenContiguousRanges) {
    const int64_t size = 100 * 1024 * 1024 + 12345;
    const auto ranges = PlanRanges(size, 16);
    ASSERT_EQ(ranges.size(), 16u);
    int64_t next = 0;
    for (const ByteRange& r : ranges) {
        EXPECT_EQ(r.first, next);
        EXPECT_EQ(r.first % K, 0);
        next = r.last + 1;
    }
    EXPECT_EQ(next, size);
}

struct ReplyCase {
    const char* name;
    uint32_t status;
    const char* contentRange;
    int64_t firstByte;
    bool accepted;
};
void PrintTo(const ReplyCase& c, std::ostream* os) { *os << c.name; }

class ReplyTable : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyTable, AcceptsOnlyRepliesStartingAtTheFirstByte) {
    const ReplyCase& c = GetParam();
    EXPECT_EQ(RangeReplyStartsAt(c.status, c.contentRange, c.firstByte), c.accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyTable,
    ::testing::Values(
        ReplyCase{"PartialAtStart", 206, "bytes 4096-8191/10000", 4096, true},
        ReplyCase{"PartialSingleByte", 206, "bytes 5-5/6", 5, true},
        ReplyCase{"PartialElsewhere", 206, "bytes 0-8191/10000", 4096, false},
        ReplyCase{"PartialWithoutContentRange", 206, nullptr, 4096, false},
        ReplyCase{"PartialGarbled", 206, "bytes=4096-8191", 4096, false},
        ReplyCase{"PartialNoNumber", 206, "bytes -8191/10000", 4096, false},
        ReplyCase{"PartialHugeNumber", 206, "bytes 99999999999999999999999-1/2", 4096, false},
        ReplyCase{"WholeFileForRangeFromZero", 200, nullptr, 0, true},
        ReplyCase{"WholeFileForLaterRange", 200, nullptr, 4096, false},
        ReplyCase{"NotFound", 404, nullptr, 0, false},
        ReplyCase{"Unsatisfiable", 416, "bytes */10000", 4096, false}),
    [](const ::testing::TestParamInfo<ReplyCase>& info) { return std::string(info.param.name); });

}  // namespace
