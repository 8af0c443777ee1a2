// Keyword lookup and kind names. LookupKeyword must give exactly the answer of
// a linear scan of KeywordTable; it buckets the table by (length, first
// letter) at compile time, so a word is compared with at most a few entries.
#include "token.h"

#include <cstring>

namespace corvanet {
namespace {

constexpr std::size_t MaxKeywordLength = 14;  // "implementation", "initialization", ...
constexpr std::size_t Letters = 26;
constexpr std::size_t Buckets = (MaxKeywordLength + 1) * Letters;

constexpr std::size_t BucketOf(std::size_t length, char first) {
    return length * Letters + static_cast<std::size_t>(first - 'a');
}

// Table positions grouped by bucket, in table order within a bucket, so the
// first equal entry of a bucket is the first equal entry of the whole table.
struct TKeywordIndex {
    std::array<std::uint8_t, Buckets + 1> Start{};
    std::array<std::uint8_t, KeywordTable.size()> Order{};
};

constexpr TKeywordIndex BuildKeywordIndex() {
    TKeywordIndex index;
    std::array<std::uint8_t, Buckets + 1> count{};
    for (std::string_view word : KeywordTable) ++count[BucketOf(word.size(), word[0]) + 1];
    for (std::size_t b = 1; b <= Buckets; ++b) count[b] = static_cast<std::uint8_t>(count[b] + count[b - 1]);
    index.Start = count;
    for (std::size_t i = 0; i < KeywordTable.size(); ++i) {
        const std::size_t b = BucketOf(KeywordTable[i].size(), KeywordTable[i][0]);
        index.Order[count[b]++] = static_cast<std::uint8_t>(i);
    }
    return index;
}

constexpr bool TableFitsIndex() {
    for (std::string_view word : KeywordTable) {
        if (word.size() < 2 || word.size() > MaxKeywordLength || word[0] < 'a' || word[0] > 'z') return false;
        for (char c : word)
            if (c < 'a' || c > 'z') return false;
    }
    return true;
}
static_assert(TableFitsIndex(), "keywords must be 2..14 lower-case letters for the bucket index");

constexpr TKeywordIndex KeywordIndex = BuildKeywordIndex();

constexpr std::array<std::string_view, tkEndOfInput + 1> BuildKindNames() {
    std::array<std::string_view, tkEndOfInput + 1> names{};
    constexpr std::string_view fixed[] = {
        "tkIdentifier", "tkIntNumber", "tkRealNumber", "tkUnknown", "tkQuotedString", "tkComment",
        "tkDirective", "tkLParen", "tkRParen", "tkColon", "tkComma", "tkSemicolon",
        "tkPeriod", "tkEqual", "tkNotEqual", "tkLess", "tkLessEqual", "tkGreater",
        "tkGreaterEqual", "tkPlus", "tkMinus", "tkStar", "tkSlash", "", "",
        "tkAssign", "tkCaret", "tkAt", "tkRange", "tkLBracket", "tkRBracket",
    };
    static_assert(std::size(fixed) == FirstKeyword);
    for (std::size_t i = 0; i < std::size(fixed); ++i) names[i] = fixed[i];
    names[tkWhitespace] = "tkWhitespace";
    names[tkEndOfInput] = "tkEndOfInput";
    return names;
}

constexpr std::array<std::string_view, tkEndOfInput + 1> FixedKindNames = BuildKindNames();

// "tk" + the word with its first letter in capitals: built once, on first use.
const std::array<std::string, KeywordTable.size()>& KeywordKindNames() {
    static const std::array<std::string, KeywordTable.size()> names = [] {
        std::array<std::string, KeywordTable.size()> out;
        for (std::size_t i = 0; i < KeywordTable.size(); ++i) {
            out[i] = "tk" + std::string(KeywordTable[i]);
            out[i][2] = static_cast<char>(out[i][2] - ('a' - 'A'));
        }
        return out;
    }();
    return names;
}

}  // namespace

// Setting bit 0x20 lowers exactly the ASCII capitals among the bytes that can
// equal a table letter (only "A".."Z" and "a".."z" land on "a".."z"), so the
// word needs no lowered copy.
inline char FoldForKeyword(char c) { return static_cast<char>(c | 0x20); }

TTokenKind LookupKeyword(std::string_view word) noexcept {
    const std::size_t n = word.size();
    if (n < 2 || n > MaxKeywordLength) return tkIdentifier;
    const char first = FoldForKeyword(word[0]);
    if (first < 'a' || first > 'z') return tkIdentifier;
    const std::size_t b = BucketOf(n, first);
    for (std::size_t k = KeywordIndex.Start[b]; k < KeywordIndex.Start[b + 1]; ++k) {
        const std::size_t pos = KeywordIndex.Order[k];
        const char* entry = KeywordTable[pos].data();
        std::size_t i = 1;
        while (i < n && entry[i] == FoldForKeyword(word[i])) ++i;  // words are short: no library call
        if (i == n) return static_cast<TTokenKind>(FirstKeyword + pos);
    }
    return tkIdentifier;
}

std::string_view TokenKindName(TTokenKind k) noexcept {
    if (k >= FirstKeyword && k <= LastKeyword) return KeywordKindNames()[k - FirstKeyword];
    if (k <= tkEndOfInput && !FixedKindNames[k].empty()) return FixedKindNames[k];
    return "tk(unused)";
}

}  // namespace corvanet
