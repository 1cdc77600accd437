// One range task run on the test thread, which stands in for the pump and so sees every
// message the task posts. The local service supplies ranges and faults.
#include "DownloadTask.h"

#include <gtest/gtest.h>

#include <ostream>

#include <thread>

#include "DownloadThread.h"
#include "EngineMessages.h"
#include "EngineTestSupport.h"
#include "ThreadsManager.h"

namespace {

constexpr int64_t kSize = 10000;

class RangeTask : public ::testing::Test {
protected:
    void SetUp() override {
        name = UniqueId("range") + ".bin";
        source = Pattern(kSize);
        url = ServeFile(name, source);
        ASSERT_TRUE(PreallocateFile(kSize, temp.Get()));
    }
    // Runs a task for [first, last] of url + query; returns Run's result.
    bool RunTask(int64_t first, int64_t last, const std::string& query = "",
                 IBaseThread* thread = nullptr, const std::string* urlOverride = nullptr,
                 int64_t* nextAfter = nullptr) {
        CDownloadTask task(first, last, 1, kSize, temp.Get(), GetTickCount(), 0,
                           urlOverride ? *urlOverride : url + query);
        task.SetPumpThreadId(GetCurrentThreadId());
        task.SetThread(thread);
        const bool done = task.Run();
        if (nextAfter) *nextAfter = task.NextOffset();
        posted.Collect();
        return done;
    }
    int64_t BytesReported() const {
        int64_t sum = 0;
        for (int64_t b : posted.resultBytes) sum += b;
        return sum;
    }
    // True when every written-byte report was posted before the first `message`: the
    // pump must have the whole count before it records a resume entry or reports a failure.
    bool ResultsPrecede(UINT message) const {
        bool seen = false;
        for (const MSG& m : posted.all) {
            if (m.message == message) seen = true;
            if (seen && m.message == WM_TASK_RESULT) return false;
        }
        return true;
    }
    std::string Written(int64_t first, int64_t last) {
        return ReadBytes(temp.Get()).substr(static_cast<size_t>(first), static_cast<size_t>(last - first + 1));
    }

    PostedMessages posted;
    ScratchPath temp{"task"};
    std::string name, source, url;
};

struct RunCase {
    const char* name;
    const char* query;
    int64_t first, last;
    bool done;
    bool failureReported;
    int64_t bytesReported;  // and written from `first` on
    const char* rangeSent;  // "" for no Range header
};
void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

class RangeTaskTable : public RangeTask, public ::testing::WithParamInterface<RunCase> {};

TEST_P(RangeTaskTable, WritesOnlyTheBytesOfItsRange) {
    const RunCase& c = GetParam();
    EXPECT_EQ(RunTask(c.first, c.last, c.query), c.done);
    EXPECT_EQ(posted.Count(WM_TRANSFER_FAILED), c.failureReported ? 1 : 0);
    EXPECT_EQ(BytesReported(), c.bytesReported);
    EXPECT_TRUE(ResultsPrecede(WM_TRANSFER_FAILED));
    const std::string file = ReadBytes(temp.Get());
    ASSERT_EQ(file.size(), static_cast<size_t>(kSize));
    for (int64_t i = 0; i < kSize; ++i) {
        const bool written = i >= c.first && i < c.first + c.bytesReported;
        ASSERT_EQ(file[i], written ? source[i] : '\0') << "byte " << i;
    }
    const auto ranges = RangesLogged(name);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0], c.rangeSent);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, RangeTaskTable,
    ::testing::Values(
        RunCase{"WholeFile", "", 0, kSize - 1, true, false, kSize, "bytes=0-9999"},
        RunCase{"MiddleRange", "", 4096, 8191, true, false, 4096, "bytes=4096-8191"},
        RunCase{"SingleByte", "", 4096, 4096, true, false, 1, "bytes=4096-4096"},
        RunCase{"LastByte", "", kSize - 1, kSize - 1, true, false, 1, "bytes=9999-9999"},
        RunCase{"AlreadyFinished", "", 5000, 4999, true, false, 0, ""},
        // A server ignoring the range: from byte 0 its bytes are right (only the range is
        // taken), anywhere else not one byte may be written.
        RunCase{"IgnoredRangeFromZero", "?norange=1", 0, 4095, true, false, 4096, "bytes=0-4095"},
        RunCase{"IgnoredRangeElsewhere", "?norange=1", 4096, 8191, false, true, 0, "bytes=4096-8191"},
        RunCase{"ErrorStatus", "?status=404", 0, kSize - 1, false, true, 0, "bytes=0-9999"},
        RunCase{"ReplyEndsEarly", "?drop=5000", 0, kSize - 1, false, true, 5000, "bytes=0-9999"}),
    [](const ::testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

TEST_F(RangeTask, UnreachableServerOrEmptyUrlIsReported) {
    const std::string refused = RefusedUrl();
    EXPECT_FALSE(RunTask(0, 99, "", nullptr, &refused));
    const std::string empty;
    EXPECT_FALSE(RunTask(0, 99, "", nullptr, &empty));
    EXPECT_EQ(posted.Count(WM_TRANSFER_FAILED), 2);
    EXPECT_EQ(BytesReported(), 0);
}

TEST_F(RangeTask, MissingTempFileIsReportedNotRetriedSilently) {
    DeleteFileA(temp.Get().c_str());
    EXPECT_FALSE(RunTask(0, kSize - 1));
    EXPECT_EQ(posted.Count(WM_TRANSFER_FAILED), 1);
    EXPECT_TRUE(RequestLog(name).empty());  // nothing fetched for a file it cannot write
}

TEST_F(RangeTask, FailedWriteStopsTheReadAtOnce) {
    // Wine does not enforce byte-range locks against other handles, so the "temp file" is a
    // pipe whose server goes away as soon as the task has opened it: every write fails.
    const std::string pipeName = "\\\\.\\pipe\\" + UniqueId("engine-write");
    HANDLE server = CreateNamedPipeA(pipeName.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT,
                                     1, 0, 0, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    std::thread closer([server] {
        ConnectNamedPipe(server, nullptr);
        CloseHandle(server);
    });
    CDownloadTask task(0, kSize - 1, 1, kSize, pipeName, GetTickCount(), 0, url);
    task.SetPumpThreadId(GetCurrentThreadId());
    const bool done = task.Run();
    closer.join();
    posted.Collect();

    EXPECT_FALSE(done);
    EXPECT_EQ(posted.Count(WM_TRANSFER_FAILED), 1);
    EXPECT_EQ(BytesReported(), 0);
    EXPECT_EQ(task.NextOffset(), 0);  // the whole range is still to be fetched
}

TEST_F(RangeTask, StopInsideTheReadLeavesAnEntryForTheRest) {
    CDownloadThread stopped("DownloadThread-0");  // never started, so it counts as stopping
    ASSERT_TRUE(stopped.IsStopping());
    EXPECT_TRUE(RunTask(0, kSize - 1, "", &stopped));
    ASSERT_EQ(posted.entries.size(), 1u);
    EXPECT_EQ(posted.entries[0], std::make_pair(4096u, static_cast<uint32_t>(kSize - 1)));
    EXPECT_EQ(BytesReported(), 4096);
    EXPECT_TRUE(ResultsPrecede(WM_BREAKPOINT_ADD));
    EXPECT_EQ(posted.Count(WM_TRANSFER_FAILED), 0);
}

TEST_F(RangeTask, LongRangeIsReportedInBatchesThatSumExactly) {
    // Pieces are reported in batches, not one post each; not one byte may go missing.
    const int64_t size = 300001;
    const std::string bigName = UniqueId("batches") + ".bin";
    const std::string bytes = Pattern(static_cast<size_t>(size));
    const std::string bigUrl = ServeFile(bigName, bytes);
    ScratchPath big("batches");
    ASSERT_TRUE(PreallocateFile(size, big.Get()));
    CDownloadTask task(1, size - 1, 1, size, big.Get(), GetTickCount(), 0, bigUrl);
    task.SetPumpThreadId(GetCurrentThreadId());
    EXPECT_TRUE(task.Run());
    posted.Collect();

    EXPECT_EQ(BytesReported(), size - 1);
    const int pieces = static_cast<int>((size - 1 + 4095) / 4096);
    EXPECT_LT(posted.Count(WM_TASK_RESULT), pieces);
    for (int64_t b : posted.resultBytes) {
        EXPECT_GT(b, 0);
        EXPECT_LT(b, 64 * 1024 + 4096);
    }
    EXPECT_EQ(ReadBytes(big.Get()), std::string(1, '\0') + bytes.substr(1));
}

TEST_F(RangeTask, StopWithAnUnrecordableUrlLeavesNoEntry) {
    CDownloadThread stopped("DownloadThread-0");
    const std::string longUrl = url + "?pad=" + std::string(300 - url.size(), 'a');
    EXPECT_TRUE(RunTask(0, kSize - 1, "", &stopped, &longUrl));
    EXPECT_TRUE(posted.entries.empty());
    EXPECT_EQ(BytesReported(), 4096);
}

}  // namespace
