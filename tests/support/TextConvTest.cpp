#include <gtest/gtest.h>

#include <windows.h>

#include "TextConv.h"

namespace {

struct TextCase {
    const char* name;
    const char* utf8;
    const wchar_t* wide;
};

const TextCase kTexts[] = {
    {"empty", "", L""},
    {"ascii", "C:\\a b\\c.exe", L"C:\\a b\\c.exe"},
    // U+00E9 LATIN SMALL LETTER E WITH ACUTE
    {"two-byte", "\xC3\xA9", L"\u00E9"},
    // U+4E2D CJK UNIFIED IDEOGRAPH (zhong), U+6587 CJK UNIFIED IDEOGRAPH (wen)
    {"three-byte", "\xE4\xB8\xAD\xE6\x96\x87", L"\u4E2D\u6587"},
    // U+1F600 GRINNING FACE: four UTF-8 bytes, a surrogate pair in UTF-16
    {"surrogate pair", "\xF0\x9F\x98\x80", L"\xD83D\xDE00"},
    // U+0041 LATIN CAPITAL LETTER A, U+20AC EURO SIGN, U+1F600 GRINNING FACE, U+005C REVERSE SOLIDUS
    {"mixed", "A\xE2\x82\xAC\xF0\x9F\x98\x80\\", L"A\u20AC\xD83D\xDE00\\"},
};

}  // namespace

TEST(TextConv, RoundTripsBothWays) {
    for (const auto& c : kTexts) {
        EXPECT_EQ(Utf8ToWide(c.utf8), std::wstring(c.wide)) << c.name;
        EXPECT_EQ(WideToUtf8(c.wide), std::string(c.utf8)) << c.name;
        EXPECT_EQ(WideToUtf8(Utf8ToWide(c.utf8)), std::string(c.utf8)) << c.name;
    }
}

TEST(TextConv, NullGivesEmpty) {
    EXPECT_EQ(Utf8ToWide(static_cast<const char*>(nullptr)), L"");
    EXPECT_EQ(WideToUtf8(static_cast<const wchar_t*>(nullptr)), "");
    EXPECT_EQ(Utf8ToAnsi(static_cast<const char*>(nullptr)), "");
}

TEST(TextConv, StopsAtTheFirstZero) {
    std::string withZero("ab\0cd", 5);
    EXPECT_EQ(Utf8ToWide(withZero), L"ab");
    EXPECT_EQ(Utf8ToAnsi(withZero), "ab");
}

TEST(TextConv, Utf8ToAnsiUsesTheActiveCodePage) {
    EXPECT_EQ(Utf8ToAnsi(""), "");
    EXPECT_EQ(Utf8ToAnsi("config of site <ok/>"), "config of site <ok/>");
    // Whatever the code page, its text must read back as the same characters
    // where it can hold them, and as its replacement character where it cannot.
    std::string ansi = Utf8ToAnsi("A\xC3\xA9\xE4\xB8\xAD");  // A, U+00E9, U+4E2D
    wchar_t back[16] = {};
    ASSERT_GT(MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, back, 16), 0);
    EXPECT_EQ(back[0], L'A');
    if (GetACP() == 1252) {
        EXPECT_EQ(ansi, "A\xE9?");
    } else if (GetACP() == 936) {
        EXPECT_EQ(std::wstring(back), L"A\u00E9\u4E2D");
    }
}
