// The whole engine in this process: threads manager, pump, download and notify threads,
// against nginx and the local service; and the resume across two engine-fetch runs.
#include "ThreadsManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "BreakpointCfg.h"
#include "DownloadEvents.h"
#include "EngineTestSupport.h"
#include "TaskLists.h"

namespace {

class Engine : public ::testing::Test {
protected:
    void SetUp() override { engine.Reset(); }
    void TearDown() override {
        engine.StopThreads();
        engine.Reset();
        engine.StopThreads();
        SetCurrentPrompt(nullptr);
    }
    void Start(const std::string& url, int64_t size, int32_t id) {
        ASSERT_TRUE(PreallocateFile(size, temp.Get()));
        engine.StartDownload(url.c_str(), temp.Get().c_str(), size, id, GetTickCount());
    }
    bool WaitFinished(DWORD ms) {
        return sink.WaitFor([this] { return sink.Count(EV_FINISHED) > 0 || sink.Count(EV_FAILED) > 0; }, ms) &&
               sink.Count(EV_FINISHED) == 1;
    }

    CThreadsManager& engine = CThreadsManager::Instance();
    EventSink sink;
    ScratchPath temp{"engine"};
};

TEST_F(Engine, FetchesAFileFromNginxInRanges) {
    const int64_t size = 3 * 1024 * 1024 + 123;
    const std::string source = Pattern(static_cast<size_t>(size));
    const std::string url = ServeNginx(UniqueId("whole") + ".bin", source);
    Start(url, size, 11);
    ASSERT_TRUE(WaitFinished(30000));
    EXPECT_EQ(ReadBytes(temp.Get()), source);
    int64_t last = 0;
    for (const DownloadEvent& e : sink.events) {
        EXPECT_EQ(e.downloadId, 11);
        EXPECT_EQ(e.totalSize, size);
        EXPECT_GE(e.downloaded, last);
        last = e.downloaded;
    }
    EXPECT_EQ(sink.events.back().code, EV_FINISHED);
    EXPECT_EQ(sink.events.back().downloaded, size);
    sink.Drain(300);  // the finished result is gone: nothing more is reported
    EXPECT_EQ(sink.events.back().code, EV_FINISHED);
    EXPECT_EQ(sink.Count(EV_FINISHED), 1);
}

TEST_F(Engine, SmallFileIsOneRangeAndSingleByteRangesArrive) {
    const std::string small = UniqueId("small") + ".bin";
    Start(ServeFile(small, Pattern(1000)), 1000, 2);
    ASSERT_TRUE(WaitFinished(15000));
    EXPECT_EQ(RangesLogged(small), std::vector<std::string>{"bytes=0-999"});

    // 4097 bytes: the last block is the single byte 4096 (whatever the processor count).
    engine.StopThreads();
    engine.Reset();
    sink.events.clear();
    const std::string odd = UniqueId("odd") + ".bin";
    const std::string source = Pattern(4097);
    ScratchPath other("odd");
    ASSERT_TRUE(PreallocateFile(4097, other.Get()));
    engine.StartDownload(ServeFile(odd, source).c_str(), other.Get().c_str(), 4097, 3, GetTickCount());
    ASSERT_TRUE(WaitFinished(15000));
    EXPECT_EQ(ReadBytes(other.Get()), source);
    auto ranges = RangesLogged(odd);
    std::sort(ranges.begin(), ranges.end());
    EXPECT_EQ(ranges, (std::vector<std::string>{"bytes=0-4095", "bytes=4096-4096"}));
}

TEST_F(Engine, FailureIsReportedOncePerStartAndWithheldWhilePromptIsOpen) {
    int prompt = 0;
    SetCurrentPrompt(&prompt);
    Start(RefusedUrl(), 100000, 4);
    sink.Drain(600);
    EXPECT_EQ(sink.Count(EV_FAILED), 0);
    SetCurrentPrompt(nullptr);  // the retries keep failing, and now one is shown
    ASSERT_TRUE(sink.WaitFor([this] { return sink.Count(EV_FAILED) > 0; }, 5000));
    sink.Drain(600);
    EXPECT_EQ(sink.Count(EV_FAILED), 1);

    engine.StopThreads();
    engine.Reset();
    Start(RefusedUrl(), 100000, 5);
    ASSERT_TRUE(sink.WaitFor([this] { return sink.Count(EV_FAILED) > 1; }, 5000));
    sink.Drain(400);
    EXPECT_EQ(sink.Count(EV_FAILED), 2);
    EXPECT_EQ(sink.Count(EV_FINISHED), 0);
}

TEST_F(Engine, ServerIgnoringRangesFailsWithoutWritingLaterRanges) {
    const int64_t size = 64 * 1024;
    const std::string source = Pattern(static_cast<size_t>(size));
    Start(ServeFile(UniqueId("norange") + ".bin", source) + "?norange=1", size, 6);
    ASSERT_TRUE(sink.WaitFor([this] { return sink.Count(EV_FAILED) > 0; }, 10000));
    engine.StopThreads();
    const std::string file = ReadBytes(temp.Get());
    ASSERT_EQ(file.size(), static_cast<size_t>(size));
    // Only the range from byte 0 can be right; nothing after it may hold reply bytes.
    const size_t firstEnd = file.find_first_of(std::string(1, '\0'), 1);
    EXPECT_EQ(file.substr(0, firstEnd), source.substr(0, firstEnd));
    EXPECT_EQ(file.find_first_not_of('\0', static_cast<size_t>(size) / 2), std::string::npos);
    EXPECT_EQ(sink.Count(EV_FINISHED), 0);
}

TEST_F(Engine, StopRecordsExactlyTheBytesStillMissing) {
    const int64_t size = 2 * 1024 * 1024;
    const std::string url = ServeFile(UniqueId("stop") + ".bin", Pattern(static_cast<size_t>(size))) +
                            "?rate=500000";
    Start(url, size, 7);
    ASSERT_TRUE(sink.WaitFor([this] { return !sink.events.empty() && sink.events.back().downloaded > 100000; }, 10000));
    engine.StopThreads();

    CBreakpointCfg& cfg = CBreakpointCfg::Instance();
    ASSERT_GT(cfg.EntryCount(), 0u);
    cfg.Write();
    BreakpointRecord record;
    ASSERT_TRUE(cfg.Read(&record, url, temp.Get()));
    int64_t missing = 0;
    for (const auto& e : record.entries) missing += int64_t(e->lastOffset) - e->nextOffset + 1;
    CTaskResult* result = ResultList().FindById(7);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->downloaded + missing, size);
    EXPECT_GT(missing, 0);
}

// The ranges of one temp file that the record holds, as missing byte count.
int64_t MissingIn(const std::string& path) {
    int64_t missing = 0;
    CBreakpointCfg& cfg = CBreakpointCfg::Instance();
    cfg.SetDownload(path, 0);
    cfg.Write();
    const std::string bytes = ReadBytes(path + ".cfg");
    for (size_t at = 12; at + 520 <= bytes.size(); at += 520) {
        if (std::string(bytes.c_str() + at + 264) != path) continue;
        uint32_t next = 0, last = 0;
        memcpy(&next, bytes.data() + at, 4);
        memcpy(&last, bytes.data() + at + 4, 4);
        missing += int64_t(last) - next + 1;
    }
    return missing;
}

TEST_F(Engine, StopBetweenFailedAttemptsKeepsTheRangesMissing) {
    Start(RefusedUrl(), 100000, 8);
    ASSERT_TRUE(sink.WaitFor([this] { return sink.Count(EV_FAILED) > 0; }, 5000));
    engine.StopThreads();
    EXPECT_EQ(MissingIn(temp.Get()), 100000);
}

TEST_F(Engine, StopKeepsQueuedRangesMissing) {
    // The first download keeps every thread busy, so the second one's tasks stay queued.
    const int64_t size = 1024 * 1024;
    const std::string source = Pattern(static_cast<size_t>(size));
    Start(ServeFile(UniqueId("busy") + ".bin", source) + "?rate=200000", size, 9);
    sink.Drain(300);
    ScratchPath queued("queued");
    ASSERT_TRUE(PreallocateFile(size, queued.Get()));
    engine.StartDownload((ServeFile(UniqueId("queued") + ".bin", source)).c_str(), queued.Get().c_str(),
                         size, 10, GetTickCount());
    sink.Drain(300);
    engine.StopThreads();
    EXPECT_EQ(MissingIn(queued.Get()), size);
}

TEST(Preallocate, KeepsTheFileOfAnInterruptedDownloadOnly) {
    ScratchPath temp("prealloc");
    ASSERT_TRUE(WriteBytes(temp.Get(), "partial data"));
    ASSERT_TRUE(PreallocateFile(10000, temp.Get()));
    EXPECT_EQ(ReadBytes(temp.Get()), std::string(10000, '\0'));

    ASSERT_TRUE(WriteBytes(temp.Get(), "partial data"));
    ASSERT_TRUE(WriteBytes(temp.Cfg(), std::string(12, '\0')));
    ASSERT_TRUE(PreallocateFile(10000, temp.Get()));
    EXPECT_EQ(ReadBytes(temp.Get()), "partial data");

    EXPECT_FALSE(PreallocateFile(10, "Z:\\no such folder\\x.tmp"));
}

int RunEngineFetch(const std::string& args) {
    std::string command = "\"" ENGINE_FETCH_EXE "\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return -1;
    }
    DWORD code = 0;
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 99);
        code = 99;
    } else {
        GetExitCodeProcess(pi.hProcess, &code);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

TEST(Resume, SecondRunFetchesOnlyTheRecordedRanges) {
    const int64_t size = 4 * 1024 * 1024 + 5;
    const std::string source = Pattern(static_cast<size_t>(size));
    const std::string name = UniqueId("resume") + ".bin";
    const std::string url = ServeFile(name, source) + "?rate=1000000";
    ScratchPath temp("resume");

    ASSERT_EQ(RunEngineFetch(url + " \"" + temp.Get() + "\" --quiet --stop-after=1000000"), 3);
    BreakpointRecord record;
    ASSERT_TRUE(DecodeBreakpointRecord(ReadBytes(temp.Cfg()), size, url, temp.Get(), record));
    ASSERT_FALSE(record.entries.empty());
    std::set<std::string> expected;
    for (const auto& e : record.entries) {
        EXPECT_GT(e->nextOffset, 0u);
        if (e->nextOffset <= e->lastOffset) {
            expected.insert("bytes=" + std::to_string(e->nextOffset) + "-" + std::to_string(e->lastOffset));
        }
    }
    const size_t firstRunRequests = RequestLog(name).size();

    ASSERT_EQ(RunEngineFetch(url + " \"" + temp.Get() + "\" --quiet"), 0);
    std::set<std::string> requested;
    for (const std::string& r : RangesLogged(name, firstRunRequests)) {
        if (!r.empty()) requested.insert(r);
    }
    EXPECT_EQ(requested, expected);
    EXPECT_TRUE(ReadBytes(temp.Get()) == source);
    EXPECT_FALSE(PathIsThere(temp.Cfg()));
}

}  // namespace
