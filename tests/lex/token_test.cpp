// Keyword lookup and kind names: the lookup must agree with a plain linear
// scan of KeywordTable for every word and every near miss of one.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "token.h"

namespace corvanet {
namespace {

// The lookup gives exactly the answer of the linear scan the table describes,
// for every word and for near misses of every word.
TEST(KeywordTest, LookupMatchesLinearScan) {
    auto linear = [](std::string_view word) {
        std::string lower(word);
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        for (std::size_t i = 0; i < KeywordTable.size(); ++i)
            if (KeywordTable[i] == lower) return static_cast<TTokenKind>(FirstKeyword + i);
        return tkIdentifier;
    };
    std::vector<std::string> words;
    for (std::string_view w : KeywordTable) {
        std::string upper(w), mixed(w);
        for (std::size_t i = 0; i < w.size(); ++i) {
            upper[i] = static_cast<char>(w[i] - 'a' + 'A');
            if (i % 2 == 0) mixed[i] = upper[i];
        }
        words.insert(words.end(), {std::string(w), upper, mixed, std::string(w) + "s", "_" + std::string(w)});
        for (std::size_t len = 0; len < w.size(); ++len) words.emplace_back(w.substr(0, len));
        for (std::size_t i = 0; i < w.size(); ++i)
            for (char c : {'a', 'e', 'z', '0', '_', '\xC1'}) {
                std::string m(w);
                m[i] = c;
                words.push_back(m);
            }
    }
    std::mt19937 rng(7);
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_0123456789";
    for (int i = 0; i < 20000; ++i) {
        std::string w(1 + rng() % 16, ' ');
        for (char& c : w) c = alphabet[rng() % alphabet.size()];
        words.push_back(w);
    }
    for (const std::string& w : words) ASSERT_EQ(LookupKeyword(w), linear(w)) << w;
}

TEST(KeywordTest, KindNames) {
    EXPECT_EQ(TokenKindName(tkIdentifier), "tkIdentifier");
    EXPECT_EQ(TokenKindName(tkResourcestring), "tkResourcestring");
    EXPECT_EQ(TokenKindName(tkAutomated), "tkAutomated");
    EXPECT_EQ(TokenKindName(tkEndOfInput), "tkEndOfInput");
    EXPECT_EQ(TokenKindName(static_cast<TTokenKind>(23)), "tk(unused)");
}

}  // namespace
}  // namespace corvanet
