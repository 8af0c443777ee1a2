// Helpers shared by the lexical tests: scanning a text to the end, and a
// generator of random Object Pascal-like sources from a seed, so property
// tests see blanks, comments, strings and numbers in every combination.
#pragma once

#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "scanner.h"

namespace corvanet {
// Test messages show kinds by name rather than as a raw byte.
inline void PrintTo(TTokenKind kind, std::ostream* os) { *os << TokenKindName(kind); }
}  // namespace corvanet

namespace corvanet::lextest {

struct TScanned {
    TTokenKind Kind;
    std::string Text;
    std::uint64_t Offset;
    int Line;
};

struct TScanOutcome {
    std::vector<TScanned> Tokens;  // every token before the end
    std::uint8_t Reason = srToken; // the code that ended the scan
    std::uint64_t StopOffset = 0;
    int StopLine = 0;
};

// Scans until GetToken returns nonzero (at most MaxTokens, so a fault cannot hang a test).
inline TScanOutcome ScanToEnd(TScanner& scanner, std::size_t MaxTokens = 10'000'000) {
    TScanOutcome out;
    TToken token;
    while (out.Tokens.size() < MaxTokens) {
        const std::uint8_t reason = scanner.GetToken(token);
        if (reason != srToken) {
            out.Reason = reason;
            out.StopOffset = scanner.TokenOffset();
            out.StopLine = scanner.TokenLine();
            return out;
        }
        out.Tokens.push_back({token.Kind, std::string(token.Text), scanner.TokenOffset(), scanner.TokenLine()});
    }
    return out;
}

inline TScanOutcome ScanText(const std::string& text, TDialect Dialect = TDialect::Classic) {
    TScanner scanner;
    scanner.Dialect = Dialect;
    scanner.OpenText(text);
    return ScanToEnd(scanner);
}

inline std::string Concatenate(const std::vector<TScanned>& tokens) {
    std::string all;
    for (const auto& t : tokens) all += t.Text;
    return all;
}

// Random source text: fragments of every token form, with all three line ends.
// With Faults set, it sometimes adds bytes that stop the scan (stray "}",
// control characters, unclosed strings and comments).
inline std::string RandomSource(std::uint32_t seed, std::size_t approxBytes, bool Faults) {
    static const char* const Fragments[] = {
        "begin", "End", "ENDS", "x", "_a1", "Unit1", "stringresource", "1", "1.5", "1.5e+3", "2E9",
        "1..2", "1.", "$FF", "$", "'It''s'", "''", "#13#10'a'#0", "#", "{ c }", "{$IFDEF X}",
        "(* a*b *)", "(*)*)", "(***)", "// c", ":=", "<>", "<=", ">=", "..", ".", "(", ")", "[", "]", ";",
        ",", ":", "=", "+", "-", "*", "/", "^", "@", "<", ">", "=>", " ", "\t", "  ",
    };
    static const char* const LineEnds[] = {"\r\n", "\n", "\r"};
    static const char* const Stoppers[] = {"}", "\"", "!", "\f", "\x1a", "\x80", "'open", "{ open", "(* open"};
    std::mt19937 rng(seed);
    std::string out;
    while (out.size() < approxBytes) {
        const unsigned pick = rng() % 100;
        if (Faults && pick == 0) {
            out += Stoppers[rng() % std::size(Stoppers)];
        } else if (pick < 12) {
            out += LineEnds[rng() % std::size(LineEnds)];
        } else {
            out += Fragments[rng() % std::size(Fragments)];
            // A blank between most fragments, so they also stand on their own.
            if (rng() % 3 != 0) out += ' ';
        }
    }
    return out;
}

}  // namespace corvanet::lextest
