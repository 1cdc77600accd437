// The resume record: its file layout, the checks that keep a foreign or damaged record
// from steering the engine, and the record file's life through CBreakpointCfg.
#include "BreakpointCfg.h"
#include "BreakpointRecord.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cstring>
#include <functional>

#include "EngineTestSupport.h"

namespace {

const std::string kUrl = "http://127.0.0.1/files/setup.exe";
const std::string kPath = "C:\\game\\RUZadiDerod1.0.tmp";
constexpr int64_t kTotal = 1000000;

std::unique_ptr<BreakpointEntry> Entry(uint32_t next, uint32_t last, const std::string& url = kUrl,
                                       const std::string& path = kPath) {
    auto e = std::make_unique<BreakpointEntry>();
    EXPECT_TRUE(MakeBreakpointEntry(next, last, url, path, *e));
    return e;
}

std::string TwoEntryRecord() {
    std::vector<std::unique_ptr<BreakpointEntry>> entries;
    entries.push_back(Entry(100, 499999));
    entries.push_back(Entry(500000, 999999));
    return EncodeBreakpointRecord(kTotal, entries);
}

void PutU32(std::string& bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

TEST(BreakpointRecordFormat, IsLittleEndianWithFixedSizeEntries) {
    const std::string bytes = TwoEntryRecord();
    ASSERT_EQ(bytes.size(), 12u + 2 * 520u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x02\x00\x00\x00", 4));
    EXPECT_EQ(bytes.substr(4, 8), std::string("\x40\x42\x0F\x00\x00\x00\x00\x00", 8));
    EXPECT_EQ(bytes.substr(12, 8), std::string("\x64\x00\x00\x00\x1F\xA1\x07\x00", 8));
    EXPECT_EQ(bytes.substr(20, kUrl.size()), kUrl);
    EXPECT_EQ(bytes[20 + kUrl.size()], '\0');
    EXPECT_EQ(bytes.substr(12 + 264, kPath.size()), kPath);
    EXPECT_EQ(bytes[12 + 264 + 255], '\0');
}

TEST(BreakpointRecordFormat, DecodesWhatWasEncoded) {
    BreakpointRecord record;
    ASSERT_TRUE(DecodeBreakpointRecord(TwoEntryRecord(), kTotal, kUrl, kPath, record));
    EXPECT_EQ(record.count, 2);
    EXPECT_EQ(record.totalSize, kTotal);
    ASSERT_EQ(record.entries.size(), 2u);
    EXPECT_EQ(record.entries[0]->nextOffset, 100u);
    EXPECT_EQ(record.entries[1]->lastOffset, 999999u);
    EXPECT_STREQ(record.entries[1]->path, kPath.c_str());
}

TEST(BreakpointRecordFormat, AcceptsEmptyRecordsFinishedRangesAndStaleTails) {
    BreakpointRecord record;
    std::vector<std::unique_ptr<BreakpointEntry>> none;
    EXPECT_TRUE(DecodeBreakpointRecord(EncodeBreakpointRecord(kTotal, none), kTotal, kUrl, kPath, record));
    EXPECT_TRUE(record.entries.empty());

    // A range stopped right after its last byte was written adds nothing to fetch.
    std::vector<std::unique_ptr<BreakpointEntry>> done;
    done.push_back(Entry(1000, 999));
    EXPECT_TRUE(DecodeBreakpointRecord(EncodeBreakpointRecord(kTotal, done), kTotal, kUrl, kPath, record));
    EXPECT_EQ(record.entries.size(), 1u);

    // Bytes of an older, longer record after the last entry are not read.
    std::string withTail = TwoEntryRecord() + std::string(520, 'x');
    EXPECT_TRUE(DecodeBreakpointRecord(withTail, kTotal, kUrl, kPath, record));
    EXPECT_EQ(record.entries.size(), 2u);
}

struct BadRecord {
    const char* name;
    std::function<void(std::string&)> spoil;
};
void PrintTo(const BadRecord& c, std::ostream* os) { *os << c.name; }

class RejectedRecords : public ::testing::TestWithParam<BadRecord> {};

TEST_P(RejectedRecords, AreNotUsed) {
    std::string bytes = TwoEntryRecord();
    GetParam().spoil(bytes);
    BreakpointRecord record;
    EXPECT_FALSE(DecodeBreakpointRecord(bytes, kTotal, kUrl, kPath, record));
    EXPECT_TRUE(record.entries.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, RejectedRecords,
    ::testing::Values(
        BadRecord{"ShortHeader", [](std::string& b) { b.resize(11); }},
        BadRecord{"NegativeCount", [](std::string& b) { PutU32(b, 0, 0xFFFFFFFF); }},
        BadRecord{"CountBeyondFile", [](std::string& b) { PutU32(b, 0, 3); }},
        BadRecord{"TruncatedEntry", [](std::string& b) { b.resize(b.size() - 1); }},
        BadRecord{"HugeCount", [](std::string& b) { PutU32(b, 0, 0x7FFFFFFF); }},
        BadRecord{"OtherTotalSize", [](std::string& b) { b[4] = 0x41; }},
        BadRecord{"LastOffsetAtTotal", [](std::string& b) { PutU32(b, 12 + 520 + 4, kTotal); }},
        BadRecord{"LastOffsetBeyondTotal", [](std::string& b) { PutU32(b, 12 + 4, 0xFFFFFFF0); }},
        BadRecord{"NextBeyondLastPlusOne", [](std::string& b) { PutU32(b, 12, 500001); }},
        BadRecord{"OtherUrl", [](std::string& b) { b[12 + 8 + 7] = 'X'; }},
        BadRecord{"OtherPath", [](std::string& b) { b[12 + 520 + 264 + 3] = 'D'; }},
        BadRecord{"PathWithoutTerminator",
                  [](std::string& b) { memset(&b[12 + 264], 'a', 256); }},
        BadRecord{"LongerPathSamePrefix",
                  [](std::string& b) { memcpy(&b[12 + 264 + kPath.size()], ".x", 2); }}),
    [](const ::testing::TestParamInfo<BadRecord>& info) { return std::string(info.param.name); });

TEST(BreakpointEntryMaking, RecordsTextsUpTo255BytesAndRefusesLonger) {
    BreakpointEntry e;
    const std::string fits(255, 'u');
    ASSERT_TRUE(MakeBreakpointEntry(1, 2, fits, kPath, e));
    EXPECT_EQ(std::string(e.url), fits);

    BreakpointEntry untouched;
    untouched.nextOffset = 77;
    EXPECT_FALSE(MakeBreakpointEntry(1, 2, std::string(256, 'u'), kPath, untouched));
    EXPECT_FALSE(MakeBreakpointEntry(1, 2, kUrl, std::string(256, 'p'), untouched));
    EXPECT_EQ(untouched.nextOffset, 77u);
}

// The record file through the process-wide instance; each test leaves it without entries.
class RecordFile : public ::testing::Test {
protected:
    void SetUp() override { cfg.SetDownload(temp.Get(), kTotal); }
    void TearDown() override {
        CLockGuard guard(cfg.Lock());
        cfg.ClearEntries();
    }
    void Add(uint32_t next, uint32_t last) { cfg.AddEntry(Entry(next, last, kUrl, temp.Get()).release()); }

    ScratchPath temp{"record"};
    CBreakpointCfg& cfg = CBreakpointCfg::Instance();
};

TEST_F(RecordFile, WrittenEntriesAreReadBackForTheSameDownload) {
    Add(10, 4095);
    Add(4096, 999999);
    cfg.Write();
    BreakpointRecord record;
    ASSERT_TRUE(cfg.Read(&record, kUrl, temp.Get()));
    ASSERT_EQ(record.entries.size(), 2u);
    EXPECT_EQ(record.entries[0]->nextOffset, 10u);
    EXPECT_EQ(record.entries[1]->nextOffset, 4096u);
    EXPECT_EQ(ReadBytes(temp.Cfg()).size(), 12u + 2 * 520u);

    EXPECT_FALSE(cfg.Read(&record, kUrl + "?other", temp.Get()));
    EXPECT_TRUE(record.entries.empty());
    EXPECT_FALSE(cfg.Read(nullptr, kUrl, temp.Get()));
}

TEST_F(RecordFile, AShorterRecordReplacesALongerOneWhole) {
    Add(0, 99);
    Add(100, 199);
    Add(200, 299);
    cfg.Write();
    {
        CLockGuard guard(cfg.Lock());
        cfg.ClearEntries();
    }
    Add(150, 199);
    cfg.Write();
    EXPECT_EQ(ReadBytes(temp.Cfg()).size(), 12u + 520u);
    BreakpointRecord record;
    ASSERT_TRUE(cfg.Read(&record, kUrl, temp.Get()));
    ASSERT_EQ(record.entries.size(), 1u);
    EXPECT_EQ(record.entries[0]->nextOffset, 150u);
}

TEST_F(RecordFile, OfAnotherSizeOrMissingIsNotRead) {
    Add(0, 99);
    cfg.Write();
    cfg.SetDownload(temp.Get(), kTotal + 1);
    BreakpointRecord record;
    EXPECT_FALSE(cfg.Read(&record, kUrl, temp.Get()));
    cfg.SetDownload(temp.Get(), kTotal);
    DeleteFileA(temp.Cfg().c_str());
    EXPECT_FALSE(cfg.Read(&record, kUrl, temp.Get()));
}

TEST_F(RecordFile, DeleteRemovesItOnceAndOnlyWhenPresent) {
    cfg.Write();
    ASSERT_TRUE(PathIsThere(temp.Cfg()));
    EXPECT_TRUE(cfg.DeleteRecordFile());
    EXPECT_FALSE(PathIsThere(temp.Cfg()));
    EXPECT_FALSE(cfg.DeleteRecordFile());
}

}  // namespace
