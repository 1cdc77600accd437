#include <gtest/gtest.h>

#include <windows.h>
#include <share.h>

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <regex>
#include <thread>
#include <vector>

#include "FileSystem.h"
#include "Log.h"
#include "TestFiles.h"
#include "TextConv.h"

namespace {

void Write(CLog& log, const char* tag, const char* format, ...) {
    va_list args;
    va_start(args, format);
    log.Write(tag, format, args);
    va_end(args);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text after the last line end";
    return lines;
}

class LogTest : public ::testing::Test {
protected:
    std::string Text() const { return ReadBytes(path_); }

    ScratchDir scratch_;
    std::string path_ = scratch_.Join("20240302.log");
};

}  // namespace

TEST_F(LogTest, LineBytes) {
    time_t before = time(nullptr);
    {
        CLog log;
        log.Open(Utf8ToWide(path_));
        Write(log, "CDownloader::ReadDownFileVersion", "downed file version is %d.%d.%d.%d", 3, 5, 0, 1);
    }
    time_t after = time(nullptr);

    std::string text = Text();
    std::smatch m;
    ASSERT_TRUE(std::regex_match(text, m,
                                 std::regex(R"(\[(\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d)\]\t([\s\S]*))")))
        << text;
    EXPECT_EQ(m[7].str(), "CDownloader::ReadDownFileVersion\tdowned file version is 3.5.0.1\r\n");

    // The stamp is local wall-clock time of the moment of writing.
    tm stamp = {};
    stamp.tm_year = std::stoi(m[1]) - 1900;
    stamp.tm_mon = std::stoi(m[2]) - 1;
    stamp.tm_mday = std::stoi(m[3]);
    stamp.tm_hour = std::stoi(m[4]);
    stamp.tm_min = std::stoi(m[5]);
    stamp.tm_sec = std::stoi(m[6]);
    stamp.tm_isdst = -1;
    time_t written = mktime(&stamp);
    EXPECT_GE(written, before);
    EXPECT_LE(written, after);
}

TEST_F(LogTest, IgnoredCallsWriteNothing) {
    CLog closed;
    Write(closed, "tag", "never opened");  // dropped, not a crash

    CLog log;
    log.Open(Utf8ToWide(path_));
    Write(log, nullptr, "message");
    Write(log, "tag", nullptr);
    EXPECT_EQ(Text(), "") << "not even a time stamp";
}

TEST_F(LogTest, AppendsAcrossOpens) {
    {
        CLog first;
        first.Open(Utf8ToWide(path_));
        Write(first, "run", "one");
    }
    CLog second;
    second.Open(Utf8ToWide(path_));
    Write(second, "run", "two");
    second.Open(Utf8ToWide(path_));  // reopening closes the old stream first
    Write(second, "run", "three");

    std::vector<std::string> lines = SplitLines(Text());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(22), "run\tone");
    EXPECT_EQ(lines[1].substr(22), "run\ttwo");
    EXPECT_EQ(lines[2].substr(22), "run\tthree");
}

TEST_F(LogTest, MessageWithItsOwnLineEnd) {
    CLog log;
    log.Open(Utf8ToWide(path_));
    Write(log, "CThreadsManager", "new task---%d\r\n", 7);
    std::string text = Text();
    ASSERT_GT(text.size(), 22u);
    EXPECT_EQ(text.substr(22), "CThreadsManager\tnew task---7\r\n\r\n");
}

TEST_F(LogTest, OtherWritersShareTheFile) {
    CLog log;
    log.Open(Utf8ToWide(path_));
    Write(log, "a", "first");
    FILE* other = _wfsopen(Utf8ToWide(path_).c_str(), L"ab", _SH_DENYNO);
    ASSERT_NE(other, nullptr) << "the log must not lock others out";
    fputs("other\r\n", other);
    fclose(other);
    Write(log, "a", "second");

    std::vector<std::string> lines = SplitLines(Text());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "other");
    EXPECT_EQ(lines[2].substr(22), "a\tsecond");
}

TEST_F(LogTest, ConcurrentLinesNeverInterleave) {
    CLog log;
    log.Open(Utf8ToWide(path_));
    const int kLines = 400;
    const std::string filler(300, 'x');
    auto writer = [&](const char* tag) {
        for (int i = 0; i < kLines; ++i) Write(log, tag, "%d %s", i, filler.c_str());
    };
    std::thread a(writer, "threadA");
    std::thread b(writer, "threadB");
    a.join();
    b.join();

    std::vector<std::string> lines = SplitLines(Text());
    ASSERT_EQ(lines.size(), 2u * kLines);
    std::regex shape(R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\]\t(threadA|threadB)\t(\d+) x{300})");
    int next[2] = {0, 0};
    for (const auto& line : lines) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, shape)) << line.substr(0, 80);
        int who = m[1] == "threadA" ? 0 : 1;
        EXPECT_EQ(std::stoi(m[2]), next[who]++) << "each thread's lines keep their order";
    }
}

TEST(MakeDailyLogPath, NamedByTodayUnderTheUserFolder) {
    auto today = [] {
        time_t now = time(nullptr);
        tm local = {};
        localtime_s(&local, &now);
        char name[32];
        snprintf(name, sizeof(name), "%04d%02d%02d.log", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
        return std::string(name);
    };
    std::string before = today();
    std::string path = MakeDailyLogPath();
    std::string after = today();  // a run across midnight may see either day
    std::string folder = GetAppDataDir() + "\\Tarnix\\log\\";
    EXPECT_TRUE(path == folder + before || path == folder + after) << path;

    DWORD attributes = GetFileAttributesW(Utf8ToWide(GetAppDataDir() + "\\Tarnix\\log").c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
