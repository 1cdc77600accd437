#include <gtest/gtest.h>

#include "AppVersion.h"

namespace {

AppVersion V(int32_t a, int32_t b, int32_t c, int32_t d) {
    AppVersion v;
    v.major = a;
    v.minor = b;
    v.build = c;
    v.revision = d;
    return v;
}

}  // namespace

TEST(AppVersion, ToString) {
    EXPECT_EQ(AppVersion().ToString(), "0.0.0.0");
    EXPECT_EQ(V(3, 5, 12, 100).ToString(), "3.5.12.100");
    EXPECT_EQ(V(-1, 0, 65535, 2147483647).ToString(), "-1.0.65535.2147483647");
}

TEST(AppVersion, OrderIsByText) {
    struct {
        AppVersion self, other;
        bool greater;
    } cases[] = {
        // Not numeric: "1.9" sorts after "1.10", "10" before "2".
        {V(1, 9, 0, 0), V(1, 10, 0, 0), true},
        {V(1, 10, 0, 0), V(1, 9, 0, 0), false},
        {V(10, 0, 0, 0), V(2, 0, 0, 0), false},
        {V(2, 0, 0, 0), V(10, 0, 0, 0), true},
        // A text that is a prefix of the other sorts first.
        {V(3, 5, 0, 10), V(3, 5, 0, 1), true},
        {V(3, 5, 0, 1), V(3, 5, 0, 10), false},
        {V(3, 5, 0, 1), V(3, 5, 0, 1), false},
        {V(3, 5, 0, 2), V(3, 5, 0, 1), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.self.IsGreaterThan(c.other), c.greater) << c.self.ToString() << " vs " << c.other.ToString();
}

TEST(AppVersion, EqualityAndUnset) {
    EXPECT_EQ(V(3, 5, 0, 1), V(3, 5, 0, 1));
    EXPECT_NE(V(3, 5, 0, 1), V(3, 5, 0, 2));
    EXPECT_TRUE(V(0, 0, 0, 7).IsUnset());
    EXPECT_FALSE(V(0, 0, 1, 0).IsUnset());
}
