// Written-byte batches: what reaches the pump must add up to exactly the bytes counted,
// in posts no larger than a batch, none held longer than the time limit.
#include "ResultBatch.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "EngineMessages.h"
#include "EngineTestSupport.h"
#include "TaskResult.h"

namespace {

constexpr int32_t K = 4096;
constexpr int32_t kBatch = CResultBatch::kReportBytes;
constexpr uint32_t kLate = CResultBatch::kReportMs;

struct Piece {
    int32_t bytes;
    uint32_t tick;
};

struct BatchCase {
    const char* name;
    std::vector<Piece> pieces;
    bool flush;                  // Flush after the pieces (else only the destructor does)
    std::vector<int64_t> posts;  // lParam of every WM_TASK_RESULT, in order
};
void PrintTo(const BatchCase& c, std::ostream* os) { *os << c.name; }

std::vector<Piece> Pieces(int count, int32_t bytes, uint32_t tick = 0) {
    return std::vector<Piece>(static_cast<size_t>(count), Piece{bytes, tick});
}

class ResultBatchTable : public ::testing::TestWithParam<BatchCase> {};

TEST_P(ResultBatchTable, PostsAddUpToTheBytesCounted) {
    const BatchCase& c = GetParam();
    PostedMessages posted;
    // The results travel as the pump receives them: one CTaskResult per post.
    std::vector<CTaskResult> results;
    {
        CResultBatch batch(5, 1 << 20, 777, 100, GetCurrentThreadId());
        for (const Piece& p : c.pieces) batch.Add(p.bytes, p.tick);
        if (c.flush) {
            batch.Flush();
            EXPECT_EQ(batch.Pending(), 0);
            batch.Flush();  // nothing left: no empty post
        }
    }
    MSG msg;
    while (PeekMessageW(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE)) {
        ASSERT_EQ(msg.message, WM_TASK_RESULT);
        auto* r = reinterpret_cast<CTaskResult*>(msg.wParam);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->downloaded, static_cast<int32_t>(msg.lParam));
        results.push_back(*r);
        posted.resultBytes.push_back(static_cast<int32_t>(msg.lParam));
        delete r;
    }
    EXPECT_EQ(posted.resultBytes, c.posts);
    for (const CTaskResult& r : results) {
        EXPECT_EQ(r.kind, 4);
        EXPECT_EQ(r.downloadId, 5);
        EXPECT_EQ(r.totalSize, 1 << 20);
        EXPECT_EQ(r.startTick, 777u);
        EXPECT_EQ(r.bytesAtStart, 100);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Batches, ResultBatchTable,
    ::testing::Values(
        BatchCase{"NothingCounted", {}, true, {}},
        BatchCase{"ZeroBytesPostNothing", {{0, 0}, {0, 1}}, true, {}},
        BatchCase{"SmallRestOnFlush", {{K, 0}, {100, 1}}, true, {K + 100}},
        BatchCase{"DestructorFlushes", {{K, 0}, {1, 0}}, false, {K + 1}},
        BatchCase{"FullBatchesThenRest", Pieces(2 * kBatch / K + 1, K), true, {kBatch, kBatch, K}},
        BatchCase{"BatchEndsWherePieceEnds", Pieces(kBatch / 1000 + 1, 1000), true,
                  {(kBatch / 1000 + 1) * 1000}},
        // Bytes are never held for longer than the time limit while pieces arrive.
        BatchCase{"OldBytesGoOutWithTheNextPiece", {{K, 10}, {K, 10 + kLate - 1}, {K, 10 + kLate}, {K, 10 + kLate}},
                  true, {3 * K, K}},
        BatchCase{"TickCounterWraps", {{K, 0xFFFFFFF0u}, {K, 0xFFFFFFF0u + kLate}}, true, {2 * K}}),
    [](const ::testing::TestParamInfo<BatchCase>& info) { return std::string(info.param.name); });

}  // namespace
