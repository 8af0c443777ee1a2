// The one case-insensitive comparison of the system. Defines, unit names and
// every symbol-table key go through it, so sorting and searching always agree:
// ASCII letters are folded, every other byte compares as an unsigned value.
#pragma once

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

char LowerAscii(char c) noexcept;
std::string LowerAscii(std::string_view s);

}  // namespace corvanet
