// The one case-insensitive comparison: ASCII letters folded, other bytes
// unsigned, and sorting and searching with it always agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "compare.h"

namespace corvanet {
namespace {

// The bytes around the letters: a fold that looked at too few or too many
// bits would take one of them for a letter, or miss one.
const std::string Neighbours = std::string("@AZ[`az{\x00\x7F\x80\xC1\xDA\xE1\xFA\xFF", 16);

// Folding spelled out byte by byte.
bool SameFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char ca = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
        const char cb = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] + 32) : b[i];
        if (ca != cb) return false;
    }
    return true;
}

std::string RandomBytes(std::mt19937& Random, std::size_t Length) {
    std::string s(Length, ' ');
    for (char& c : s)
        c = Random() % 2 ? Neighbours[Random() % Neighbours.size()] : static_cast<char>(Random() % 256);
    return s;
}

// Each ASCII letter in either case, at random; everything else as it is.
std::string VaryCase(std::string s, std::mt19937& Random) {
    for (char& c : s)
        if (((c | 0x20) >= 'a' && (c | 0x20) <= 'z') && Random() % 2) c = static_cast<char>(c ^ 0x20);
    return s;
}

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

TEST(CompareTest, LowerAsciiFoldsTheCapitalsOnly) {
    for (int byte = 0; byte < 256; ++byte) {
        const char c = static_cast<char>(byte);
        EXPECT_EQ(LowerAscii(c), byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + 32) : c) << byte;
    }
}

// Lengths around the eight-byte words SameText compares, with names that
// differ in case only, in one byte anywhere, or in length.
TEST(CompareTest, SameTextAgreesWithByteWiseFolding) {
    std::mt19937 rng(5);
    int same = 0;
    for (int round = 0; round < 20000; ++round) {
        const std::string a = RandomBytes(rng, rng() % 40);
        std::string b = VaryCase(a, rng);
        switch (rng() % 3) {
        case 0: break;
        case 1:
            if (!b.empty()) b[rng() % b.size()] = Neighbours[rng() % Neighbours.size()];
            break;
        default: b += Neighbours[rng() % Neighbours.size()];
        }
        const bool expected = SameFolded(a, b);
        same += expected;
        ASSERT_EQ(SameText(a, b), expected) << round;
        ASSERT_EQ(SameText(b, a), expected) << round;
        ASSERT_EQ(CompareText(a, b) == 0, expected) << round;
    }
    EXPECT_GT(same, 5000);  // both answers are well represented
    EXPECT_LT(same, 15000);
}

TEST(FoldedHashTest, NamesEqualIgnoringCaseHashAlike) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20000; ++round) {
        const std::string a = RandomBytes(rng, rng() % 40);
        const std::string b = VaryCase(a, rng);
        ASSERT_EQ(FoldedHash(a), FoldedHash(b)) << round;
        ASSERT_EQ(FoldedHash(a), FoldedHash(LowerAscii(a))) << round;
        ASSERT_EQ(THashedName(a).Hash, FoldedHash(b)) << round;
    }
}

// Up to eight bytes the mixing is one-to-one, so every name of one length
// whose folded bytes differ has a hash of its own: a byte left out of the
// hash, or folded wrongly, shows as two names sharing one. Names of all
// lengths up to three are taken, longer ones at random, and the empty one.
TEST(FoldedHashTest, ShortNamesWithDifferentFoldedBytesNeverShareAHash) {
    std::vector<std::string> names = {""};
    for (std::size_t from = 0, length = 1; length <= 3; ++length) {
        const std::size_t to = names.size();
        for (std::size_t n = from; n < to; ++n)
            for (const char c : Neighbours) names.push_back(names[n] + c);
        from = to;
    }
    std::mt19937 rng(9);
    for (int round = 0; round < 20000; ++round) names.push_back(RandomBytes(rng, 4 + rng() % 5));
    std::map<std::uint64_t, std::string> folded;  // hash -> folded name
    for (const std::string& name : names) {
        const auto [at, added] = folded.emplace(FoldedHash(name), LowerAscii(name));
        EXPECT_TRUE(added || at->second == LowerAscii(name))
            << "a hash shared by two names of " << name.size() << " bytes";
    }
}

}  // namespace
}  // namespace corvanet
