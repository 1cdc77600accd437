#include <gtest/gtest.h>

#include "PathText.h"

TEST(GetParentDir, Cases) {
    struct { const char* in; const char* out; } cases[] = {
        {"C:\\a\\b.exe", "C:\\a"},
        {"C:\\a\\", "C:\\a"},
        {"b.exe", ""},
        {"", ""},
        // Chinese folder names: no byte of a UTF-8 sequence is a backslash.
        {"C:\\\xe4\xb8\xad\xe6\x96\x87\\x.exe", "C:\\\xe4\xb8\xad\xe6\x96\x87"},
    };
    for (const auto& c : cases) EXPECT_EQ(GetParentDir(c.in), c.out) << c.in;
    EXPECT_EQ(GetParentDir(nullptr), "");
}
