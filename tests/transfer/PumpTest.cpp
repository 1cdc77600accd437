// The message pump's handling (result merging, the failure latch, prompts) and the
// progress records the notify thread makes of results.
#include "MessagePumpThread.h"
#include "NotifyThread.h"

#include <gtest/gtest.h>

#include "BreakpointCfg.h"
#include "DownloadEvents.h"
#include "EngineMessages.h"
#include "EngineTestSupport.h"
#include "TaskLists.h"

namespace {

CTaskResult* Result(int32_t id, int64_t downloaded, int64_t total = 10000) {
    auto* r = new CTaskResult;
    r->downloadId = id;
    r->downloaded = downloaded;
    r->totalSize = total;
    r->startTick = 1000;
    r->bytesAtStart = 0;
    return r;
}

class Pump : public ::testing::Test {
protected:
    void SetUp() override { ResultList().Clear(); }
    void TearDown() override { ResultList().Clear(); }
    void Send(UINT message, WPARAM w = 0, LPARAM l = 0) {
        CMessagePumpThread::Handle(message, w, l, latch);
    }
    std::atomic<bool> latch{false};
};

TEST_F(Pump, FirstResultIsKeptAndLaterOnesAddTheirBytes) {
    CTaskResult* first = Result(7, 4096);
    Send(WM_TASK_RESULT, reinterpret_cast<WPARAM>(first), 4096);
    Send(WM_TASK_RESULT, reinterpret_cast<WPARAM>(Result(7, 100)), 100);
    Send(WM_TASK_RESULT, reinterpret_cast<WPARAM>(Result(8, 5)), 5);
    Send(WM_TASK_RESULT, reinterpret_cast<WPARAM>(Result(7, 1)), 1);
    Send(WM_TASK_RESULT, 0, 999);  // nothing to merge

    EXPECT_EQ(ResultList().PeekBack(), first);
    EXPECT_EQ(first->downloaded, 4096 + 100 + 1);
    EXPECT_EQ(first->totalSize, 10000);
    ASSERT_NE(ResultList().FindById(8), nullptr);
    EXPECT_EQ(ResultList().FindById(8)->downloaded, 5);
}

TEST_F(Pump, ReportsOneFailurePerLatchAndNoneWhilePromptIsOpen) {
    EventSink sink;
    int prompt = 0;
    SetCurrentPrompt(&prompt);
    Send(WM_TRANSFER_FAILED);
    EXPECT_FALSE(latch);  // a dropped failure leaves the latch open
    SetCurrentPrompt(nullptr);
    Send(WM_TRANSFER_FAILED);
    Send(WM_TRANSFER_FAILED);
    sink.Drain(100);
    EXPECT_EQ(sink.Count(EV_FAILED), 1);
    EXPECT_TRUE(latch);
}

TEST_F(Pump, QueuesTasksAndHandsEntriesToTheRecord) {
    TaskQueue().Clear();
    auto* task = new CDownloadTask(0, 9, 1, 10, "p", 0, 0, "u");
    Send(WM_TASK_ADD, reinterpret_cast<WPARAM>(task));
    Send(WM_TASK_ADD, 0);  // ignored
    EXPECT_EQ(TaskQueue().PeekBack(), task);
    std::unique_ptr<CDownloadTask> taken(TaskQueue().PopBack());
    EXPECT_EQ(TaskQueue().PopBack(), nullptr);

    CBreakpointCfg& cfg = CBreakpointCfg::Instance();
    const size_t before = cfg.EntryCount();
    Send(WM_BREAKPOINT_ADD, reinterpret_cast<WPARAM>(new BreakpointEntry));
    Send(WM_BREAKPOINT_ADD, 0);
    EXPECT_EQ(cfg.EntryCount(), before + 1);
    CLockGuard guard(cfg.Lock());
    cfg.ClearEntries();
}

TEST_F(Pump, ThreadHandlesEverythingPostedBeforeStop) {
    EventSink sink;
    CMessagePumpThread pump;
    ASSERT_TRUE(pump.Start());
    const DWORD id = pump.GetThreadId();
    ASSERT_NE(id, 0u);
    // Posted at once after Start: the queue exists already.
    for (int i = 0; i < 200; ++i) {
        PostThreadMessageW(id, WM_TASK_RESULT, reinterpret_cast<WPARAM>(Result(3, 10)), 10);
    }
    PostThreadMessageW(id, WM_TRANSFER_FAILED, 0, 0);
    PostThreadMessageW(id, WM_TRANSFER_FAILED, 0, 0);
    pump.Stop();
    ASSERT_NE(ResultList().FindById(3), nullptr);
    EXPECT_EQ(ResultList().FindById(3)->downloaded, 2000);
    sink.Drain(100);
    EXPECT_EQ(sink.Count(EV_FAILED), 1);
}

TEST_F(Pump, StartOnARunningPumpKeepsItsThreadAndReopensTheLatch) {
    EventSink sink;
    CMessagePumpThread pump;
    ASSERT_TRUE(pump.Start());
    const DWORD id = pump.GetThreadId();
    PostThreadMessageW(id, WM_TRANSFER_FAILED, 0, 0);
    ASSERT_TRUE(sink.WaitFor([&] { return sink.Count(EV_FAILED) == 1; }, 2000));
    ASSERT_TRUE(pump.Start());
    EXPECT_EQ(pump.GetThreadId(), id);
    PostThreadMessageW(id, WM_TRANSFER_FAILED, 0, 0);
    PostThreadMessageW(id, WM_TRANSFER_FAILED, 0, 0);
    pump.Stop();
    sink.Drain(100);
    EXPECT_EQ(sink.Count(EV_FAILED), 2);
}

TEST(Progress, CountsElapsedFromOneSecondAndSpeedBeyondBytesPresent) {
    CTaskResult r;
    r.downloadId = 5;
    r.totalSize = 8000;
    r.downloaded = 6000;
    r.bytesAtStart = 2000;
    r.startTick = 0xFFFFFF00;  // the tick count wraps during the download

    CDownloadProgress first = MakeDownloadProgress(r, 0xFFFFFF00 + 400);
    EXPECT_EQ(first.elapsedSeconds, 1u);
    EXPECT_DOUBLE_EQ(first.speed, 4000.0);
    EXPECT_DOUBLE_EQ(first.percent, 75.0);
    EXPECT_EQ(first.downloadId, 5);
    EXPECT_EQ(first.totalSize, 8000);

    CDownloadProgress later = MakeDownloadProgress(r, 0xFFFFFF00 + 4999);
    EXPECT_EQ(later.elapsedSeconds, 4u);
    EXPECT_DOUBLE_EQ(later.speed, 1000.0);
}

TEST(Progress, TickReportsOnlyTheOldestAndDropsItWhenComplete) {
    ResultList().Clear();
    EventSink sink;
    ResultList().PushFront(Result(1, 500, 1000));
    ResultList().PushFront(Result(2, 10, 1000));
    CNotifyThread::Tick();
    ResultList().FindById(1)->downloaded = 1000;
    CNotifyThread::Tick();
    CNotifyThread::Tick();
    ResultList().FindById(2)->downloaded = 1001;  // beyond the total: silent
    CNotifyThread::Tick();
    sink.Drain(100);
    ASSERT_EQ(sink.events.size(), 3u);
    EXPECT_EQ(sink.events[0].code, EV_PROGRESS);
    EXPECT_EQ(sink.events[0].downloadId, 1);
    EXPECT_EQ(sink.events[1].code, EV_FINISHED);
    EXPECT_EQ(sink.events[1].downloaded, 1000);
    EXPECT_EQ(sink.events[2].downloadId, 2);
    EXPECT_EQ(ResultList().FindById(1), nullptr);
    ResultList().Clear();
}

}  // namespace
