// The one case-insensitive comparison of the system. Defines, unit names and
// every symbol-table key go through it, so sorting and searching always agree:
// ASCII letters are folded, every other byte compares as an unsigned value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvanet {

// <0, 0, >0 like strcmp, on the ASCII-folded bytes.
int CompareText(std::string_view a, std::string_view b) noexcept;

// True exactly when CompareText(a, b) == 0.
bool SameText(std::string_view a, std::string_view b) noexcept;

// Strict weak order for std::sort / std::lower_bound.
struct TextLess {
    bool operator()(std::string_view a, std::string_view b) const noexcept {
        return CompareText(a, b) < 0;
    }
};

// Inline, as it runs for every byte compared or hashed.
constexpr char LowerAscii(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// The ASCII letters of [From, To) lower-cased in place.
void LowerAscii(char* From, char* To) noexcept;
// s lower-cased into Out, reusing its room.
void LowerAscii(std::string_view s, std::string& Out);
std::string LowerAscii(std::string_view s);

// A hash of the folded bytes and the length: names SameText calls equal hash
// alike. It serves the hash tables of the symbol table, which never let the
// order of their slots show.
std::uint64_t FoldedHash(std::string_view Key) noexcept;

// A name with its FoldedHash, for looking one name up in several tables
// while hashing it once.
struct THashedName {
    explicit THashedName(std::string_view Name) noexcept : Text(Name), Hash(FoldedHash(Name)) {}

    std::string_view Text;
    std::uint64_t Hash;
};

}  // namespace corvanet
