// The history file: its exact bytes, its ordering and how it survives bad input.
#include <gtest/gtest.h>

#include <string>

#include "HistoryCfg.h"
#include "TestSupport.h"
#include "TextConv.h"

namespace {

const std::string kDeclaration = "<?xml version='1.0' encoding='utf-8' ?>\n";

std::string ItemLine(const std::string& ver, const std::string& md5) {
    return "\t<Item ver=\"" + ver + "\" md5=\"" + md5 + "\"/>\n";
}

class HistoryFile : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = MakeScratchFolder(std::string("history-") +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        history_.Init(base_);
    }
    std::string FilePath() const { return base_ + "\\Tarnix\\Downloader\\hi.cfg"; }
    std::string FileBytes() const { return ReadBytes(FilePath()); }
    // Writes text as hi.cfg and loads it into a fresh object.
    CHistoryCfg LoadFrom(const std::string& text) {
        EXPECT_TRUE(WriteBytes(FilePath(), text));
        CHistoryCfg loaded;
        loaded.Init(base_);
        EXPECT_FALSE(loaded.Load());
        return loaded;
    }

    std::string base_;
    CHistoryCfg history_;
};

TEST_F(HistoryFile, FirstRunCreatesFoldersAndAnEmptyDocument) {
    EXPECT_EQ(FilePath(), history_.FilePath());
    EXPECT_FALSE(history_.Load());
    EXPECT_EQ(kDeclaration + "<HistoryInfo/>\n\n", FileBytes());
    EXPECT_TRUE(history_.Items().empty());
}

TEST_F(HistoryFile, EntriesAreWrittenInTextOrderNotInTheOrderAdded) {
    history_.Load();
    EXPECT_TRUE(history_.Save({"3.5.0.1", "aaa"}));
    EXPECT_EQ(kDeclaration + "<HistoryInfo>\n" + ItemLine("3.5.0.1", "aaa") + "</HistoryInfo>\n\n",
              FileBytes());
    EXPECT_TRUE(history_.Save({"3.10.0.2", "bbb"}));
    EXPECT_EQ(kDeclaration + "<HistoryInfo>\n" + ItemLine("3.10.0.2", "bbb") +
                  ItemLine("3.5.0.1", "aaa") + "</HistoryInfo>\n\n",
              FileBytes());
}

TEST_F(HistoryFile, SavingAKnownVersionChangesNothing) {
    history_.Load();
    ASSERT_TRUE(history_.Save({"1.0.0.1", "first"}));
    const std::string before = FileBytes();
    EXPECT_FALSE(history_.Save({"1.0.0.1", "second"}));
    EXPECT_EQ(before, FileBytes());
    EXPECT_EQ("first", history_.Items().at("1.0.0.1").md5);
}

TEST_F(HistoryFile, SpecialCharactersAreEscaped) {
    history_.Load();
    ASSERT_TRUE(history_.Save({"1<2", "a&\"b"}));
    EXPECT_EQ(kDeclaration + "<HistoryInfo>\n\t<Item ver=\"1&lt;2\" md5='a&amp;\"b'/>\n</HistoryInfo>\n\n",
              FileBytes());
    CHistoryCfg again = LoadFrom(FileBytes());
    EXPECT_EQ("a&\"b", again.Items().at("1<2").md5);
}

TEST_F(HistoryFile, LoadReadsAttributesByPrefixInAnyOrder) {
    CHistoryCfg loaded = LoadFrom(
        "<?xml version='1.0'?>\n<HistoryInfo>\n"
        "\t<Item md5=\"m1\" ver=\"2.0.0.0\"/>\n"
        "\t<Item version=\"2.1.0.0\" md5sum=\"m2\"/>\n"
        "\t<Other ver=\"2.2.0.0\"/>\n"
        "\t<Item ver=\"2.0.0.0\" md5=\"duplicate\"/>\n"
        "</HistoryInfo>\n");
    const HistoryMap& items = loaded.Items();
    ASSERT_EQ(3u, items.size());
    EXPECT_EQ("m1", items.at("2.0.0.0").md5);  // the first digest of a version stays
    EXPECT_EQ("m2", items.at("2.1.0.0").md5);
    EXPECT_EQ("", items.at("2.2.0.0").md5);
    // The next accepted save writes every version once.
    ASSERT_TRUE(loaded.Save({"1.0.0.0", "x"}));
    EXPECT_EQ(kDeclaration + "<HistoryInfo>\n" + ItemLine("1.0.0.0", "x") + ItemLine("2.0.0.0", "m1") +
                  ItemLine("2.1.0.0", "m2") + ItemLine("2.2.0.0", "") + "</HistoryInfo>\n\n",
              FileBytes());
}

TEST_F(HistoryFile, ItemsBeforeTheFirstItemElementAreSkipped) {
    CHistoryCfg loaded = LoadFrom("<HistoryInfo><Old ver=\"0.1.0.0\"/><Item ver=\"1.0.0.0\"/></HistoryInfo>");
    ASSERT_EQ(1u, loaded.Items().size());
    EXPECT_EQ(1u, loaded.Items().count("1.0.0.0"));
}

TEST_F(HistoryFile, MalformedOrForeignFilesLoadNothingAndDoNotThrow) {
    const char* texts[] = {
        "<HistoryInfo><Item ver=\"1.0.0.0\"",  // cut off
        "not xml at all & <",
        "<Other><Item ver=\"1.0.0.0\"/></Other>",
        "",
    };
    for (const char* text : texts) {
        CHistoryCfg loaded = LoadFrom(text);
        EXPECT_TRUE(loaded.Items().empty()) << text;
        EXPECT_EQ(text, FileBytes()) << "Load must not rewrite an existing file";
        ASSERT_TRUE(loaded.Save({"5.0.0.0", "m"})) << text;
        EXPECT_EQ(kDeclaration + "<HistoryInfo>\n" + ItemLine("5.0.0.0", "m") + "</HistoryInfo>\n\n",
                  FileBytes());
    }
}

TEST_F(HistoryFile, AFileWithoutTheArchiveAttributeIsReplacedByAnEmptyOne) {
    ASSERT_TRUE(WriteBytes(FilePath(), "<HistoryInfo><Item ver=\"1.0.0.0\"/></HistoryInfo>"));
    if (!ClearArchive(FilePath())) GTEST_SKIP() << "this file system keeps no archive attribute (Wine)";
    EXPECT_FALSE(history_.Load());
    EXPECT_TRUE(history_.Items().empty());
    EXPECT_EQ(kDeclaration + "<HistoryInfo/>\n\n", FileBytes());
}

TEST(HistoryFileUnwritable, SaveFailsButKeepsTheEntry) {
    CHistoryCfg history;
    history.Init(TestProgramFolder() + "\\no-such-folder\\deeper");
    EXPECT_FALSE(history.Save({"1.0.0.0", "m"}));
    EXPECT_EQ(1u, history.Items().count("1.0.0.0"));
    EXPECT_FALSE(history.Save({"1.0.0.0", "m"}));
}

}  // namespace
