// Parsing of the version reply and of the site file.
#include <gtest/gtest.h>

#include <string>

#include "VerInfo.h"

namespace {

struct ReplyCase {
    const char* name;
    const char* text;
    bool parsed;    // root and Site were found
    bool complete;  // the reply is usable
    const char* ver;
    const char* url;
    const char* md5;
    int32_t upStyle;
};

const ReplyCase kReplies[] = {
    {"Valid",
     R"(<ZQLobbyVerInfo><Site ID="12x" ver="3.5.0.1" url="http://h/f.exe" md5="ABC" updatetime="99" update_desc="d" upStyle="2"/></ZQLobbyVerInfo>)",
     true, true, "3.5.0.1", "http://h/f.exe", "ABC", 2},
    {"ThreeNumberVersion",
     R"(<ZQLobbyVerInfo><Site ver="2.5.0" url="u" md5="m" upStyle="1"/></ZQLobbyVerInfo>)",
     true, true, "2.5.0.0", "u", "m", 1},
    {"OnlyRevisionSet",
     R"(<ZQLobbyVerInfo><Site ver="0.0.0.7" url="u" md5="m" upStyle="1"/></ZQLobbyVerInfo>)",
     true, false, "0.0.0.7", "u", "m", 1},
    {"UpStyleZero",
     R"(<ZQLobbyVerInfo><Site ver="1.0.0.0" url="u" md5="m" upStyle="0"/></ZQLobbyVerInfo>)",
     true, false, "1.0.0.0", "u", "m", 0},
    {"UpStyleFour",
     R"(<ZQLobbyVerInfo><Site ver="1.0.0.0" url="u" md5="m" upStyle="4"/></ZQLobbyVerInfo>)",
     true, false, "1.0.0.0", "u", "m", 4},
    {"UrlOnFollowingSibling",
     R"(<ZQLobbyVerInfo><Site ver="1.2.3.4" md5="m" upStyle="3"/><Other url="late"/></ZQLobbyVerInfo>)",
     true, true, "1.2.3.4", "late", "m", 3},
    {"LaterValueWins",
     R"(<ZQLobbyVerInfo><Site ver="1.2.3.4" url="a" md5="m" upStyle="3"/><X url="b"/></ZQLobbyVerInfo>)",
     true, true, "1.2.3.4", "b", "m", 3},
    {"NamePrefixesMatch",
     R"(<ZQLobbyVerInfo><Site versions="4.3.2.1" urlx="u" md5sum="m" upStyleX="1"/></ZQLobbyVerInfo>)",
     true, true, "4.3.2.1", "u", "m", 1},
    {"NamesAreCaseSensitive",
     R"(<ZQLobbyVerInfo><Site VER="4.3.2.1" URL="u" MD5="m" upstyle="1"/></ZQLobbyVerInfo>)",
     true, false, "0.0.0.0", "", "", 0},
    {"MissingMd5",
     R"(<ZQLobbyVerInfo><Site ver="1.0.0.0" url="u" upStyle="1"/></ZQLobbyVerInfo>)",
     true, false, "1.0.0.0", "u", "", 1},
    {"SiteNotFirstChildStillFound",
     R"(<ZQLobbyVerInfo><Head/><Site ver="1.0.0.0" url="u" md5="m" upStyle="1"/></ZQLobbyVerInfo>)",
     true, true, "1.0.0.0", "u", "m", 1},
    {"NoSite", R"(<ZQLobbyVerInfo><Other ver="1.0.0.0"/></ZQLobbyVerInfo>)", false, false, "0.0.0.0", "", "", 0},
    {"WrongRoot", R"(<VerInfo><Site ver="1.0.0.0" url="u" md5="m" upStyle="1"/></VerInfo>)", false,
     false, "0.0.0.0", "", "", 0},
    {"NotXml", "ver=1.0.0.0 url=u", false, false, "0.0.0.0", "", "", 0},
    {"Truncated", R"(<ZQLobbyVerInfo><Site ver="1.0.0.0" url="u)", false, false, "0.0.0.0", "", "", 0},
    {"NotFoundPage", "<html><body><h1>404 Not Found</h1></body></html>\n", false, false, "0.0.0.0",
     "", "", 0},
    {"Empty", "", false, false, "0.0.0.0", "", "", 0},
};

class ReplyTest : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyTest, FillsFieldsAndJudgesCompleteness) {
    const ReplyCase& c = GetParam();
    CVerInfo info;
    EXPECT_EQ(c.parsed, ReadVerInfoXml(c.text, info));
    EXPECT_EQ(c.complete, c.parsed && IsVerInfoComplete(info));
    EXPECT_EQ(c.ver, info.ver.ToString());
    EXPECT_EQ(c.url, info.url);
    EXPECT_EQ(c.md5, info.md5);
    EXPECT_EQ(c.upStyle, info.upStyle);
}

INSTANTIATE_TEST_SUITE_P(Replies, ReplyTest, ::testing::ValuesIn(kReplies),
                         [](const ::testing::TestParamInfo<ReplyCase>& info) { return info.param.name; });

TEST(ReplyTest, FieldsMissingFromALaterReplyKeepTheirValues) {
    CVerInfo info;
    ASSERT_TRUE(ReadVerInfoXml(R"(<ZQLobbyVerInfo><Site ver="1.2.3.4" url="u" upStyle="9"/></ZQLobbyVerInfo>)", info));
    EXPECT_FALSE(IsVerInfoComplete(info));
    ASSERT_TRUE(ReadVerInfoXml(R"(<ZQLobbyVerInfo><Site md5="m" upStyle="1" ver="7"/></ZQLobbyVerInfo>)", info));
    EXPECT_TRUE(IsVerInfoComplete(info));
    EXPECT_EQ("7.2.3.4", info.ver.ToString());
    EXPECT_EQ("u", info.url);
}

TEST(ReplyTest, StoresTheOptionalFields) {
    CVerInfo info;
    ASSERT_TRUE(ReadVerInfoXml(
        R"(<ZQLobbyVerInfo><Site ID=" 42abc" updatetime="-5" update_desc="a &amp; b" upStyle=""/></ZQLobbyVerInfo>)", info));
    EXPECT_EQ(42, info.id);
    EXPECT_EQ(-5, info.updateTime);
    EXPECT_EQ("a & b", info.updateDesc);
    EXPECT_EQ(0, info.upStyle);  // an attribute without a value counts as ""
}

struct VersionCase {
    const char* text;
    const char* expected;  // starting from 9.9.9.9
};

TEST(VersionText, ReadsLikeScanfAndStopsAtTheFirstMismatch) {
    const VersionCase cases[] = {
        {"1.2.3.4", "1.2.3.4"},
        {"1.2.3", "1.2.3.9"},
        {"1.x.3.4", "1.9.9.9"},
        {" 1. 2.+3.-4", "1.2.3.-4"},
        {"1..3.4", "1.9.9.9"},
        {"1.2.3.4.5", "1.2.3.4"},
        {"", "9.9.9.9"},
        {"2147483647.-2147483648.0.0", "2147483647.-2147483648.0.0"},
        // Out of range: treated as a mismatch instead of undefined behaviour.
        {"1.2147483648.3.4", "1.9.9.9"},
        {"99999999999999999999", "9.9.9.9"},
    };
    for (const VersionCase& c : cases) {
        AppVersion v{9, 9, 9, 9};
        ParseVersionText(c.text, v);
        EXPECT_EQ(c.expected, v.ToString()) << "text: " << c.text;
    }
}

TEST(LeadingInt, ReadsLikeAtoiWithinInt32) {
    EXPECT_EQ(12, ParseLeadingInt("12abc"));
    EXPECT_EQ(-3, ParseLeadingInt("  -3"));
    EXPECT_EQ(0, ParseLeadingInt("abc"));
    EXPECT_EQ(0, ParseLeadingInt(nullptr));
    EXPECT_EQ(INT32_MAX, ParseLeadingInt("99999999999"));
    EXPECT_EQ(INT32_MIN, ParseLeadingInt("-99999999999"));
}

struct SiteCase {
    const char* name;
    const char* text;
    bool found;
    const char* id;
};

const SiteCase kSites[] = {
    {"Valid", R"(<Site><ID value="777"/></Site>)", true, "777"},
    {"AttributeNameIgnored", R"(<Site><ID whatever="abc" second="x"/></Site>)", true, "abc"},
    {"WithDeclaration", "<?xml version=\"1.0\"?>\n<Site>\n  <ID v=\"9\"/>\n</Site>\n", true, "9"},
    {"EmptyValue", R"(<Site><ID v=""/></Site>)", true, ""},
    {"IdWithoutAttribute", R"(<Site><ID>777</ID></Site>)", false, "default"},
    {"NoId", R"(<Site><Id v="1"/></Site>)", false, "default"},
    {"NoSite", R"(<site><ID v="1"/></site>)", false, "default"},
    {"NotXml", "site=777", false, "default"},
    {"Unclosed", R"(<Site><ID v="1">)", false, "default"},
};

class SiteTest : public ::testing::TestWithParam<SiteCase> {};

TEST_P(SiteTest, ReadsTheFirstAttributeOfSiteId) {
    const SiteCase& c = GetParam();
    std::string id = "default";
    EXPECT_EQ(c.found, ReadSiteIdXml(c.text, id));
    EXPECT_EQ(c.id, id);
}

INSTANTIATE_TEST_SUITE_P(Sites, SiteTest, ::testing::ValuesIn(kSites),
                         [](const ::testing::TestParamInfo<SiteCase>& info) { return info.param.name; });

}  // namespace
