// The one case-insensitive comparison: ASCII letters folded, other bytes
// unsigned, and sorting and searching with it always agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "compare.h"

namespace corvanet {
namespace {

TEST(CompareTest, OrderAndEquality) {
    struct Case {
        std::string A, B;
        int Sign;
    };
    const Case cases[] = {
        {"abc", "ABC", 0}, {"", "", 0}, {"a", "b", -1}, {"B", "a", 1}, {"ab", "abc", -1},
        {"_", "a", -1},    // "_" (0x5F) sorts before the folded letters
        {"_", "A", -1},    // whatever the case of the letter
        {"Z", "\xC3", -1}, // bytes above 127 compare unsigned, after ASCII
        {"\xC3\xA9", "\xC3\x89", 1},  // and are not folded
        {std::string("a\0b", 3), "a", 1},  // an embedded NUL is a byte like any other
    };
    for (const Case& c : cases) {
        const int got = CompareText(c.A, c.B);
        EXPECT_EQ((got > 0) - (got < 0), c.Sign) << c.A << " vs " << c.B;
        EXPECT_EQ(CompareText(c.B, c.A) > 0, c.Sign < 0) << c.A << " vs " << c.B;
        EXPECT_EQ(SameText(c.A, c.B), c.Sign == 0);
    }
}

// The same function sorts and searches: every name is found in the sorted
// list, at a place whose entry equals it exactly when the folded strings do.
TEST(CompareTest, SortAndSearchAgree) {
    std::mt19937 rng(11);
    const std::string alphabet = "aAbB_z\xC3\xE9";
    std::vector<std::string> names;
    for (int i = 0; i < 2000; ++i) {
        std::string n(1 + rng() % 4, ' ');
        for (char& c : n) c = alphabet[rng() % alphabet.size()];
        names.push_back(n);
    }
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end(), TextLess{});
    for (const std::string& n : names) {
        const auto it = std::lower_bound(sorted.begin(), sorted.end(), n, TextLess{});
        ASSERT_TRUE(it != sorted.end());
        EXPECT_TRUE(SameText(*it, n));
        EXPECT_EQ(LowerAscii(*it), LowerAscii(n));
    }
}

}  // namespace
}  // namespace corvanet
