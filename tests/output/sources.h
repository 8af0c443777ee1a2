// Source texts for the whole-source tests: samples of every token kind, files
// that stop at each kind of lexical error, random sources from a seed, and the
// example projects.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "token.h"

namespace corvanet::testing {

// One or more samples of every token kind, in the letter cases and line ends
// sources use.
inline std::vector<std::string> TokenSamples() {
    std::vector<std::string> s = {
        "x", "_Foo1", "TCircle", "0", "123", "$FF", "$", "1.5", "1.5e+3", "2E10", "3e-7", "1..2",
        "'abc'", "'It''s'", "#13#10'x'#0", "'<&>\"{}\\'", "''", "'caf\xE9'",
        "{ brace }", "(* star * ) *)", "// line <&> {}\r\n", "{ multi\r\nline }", "{ a\\b }", "{ caf\xE9 }",
        "{$R *.res}", "{$DEFINE FOO}", "(*$IFDEF X*)",
        "(", ")", ":", ",", ";", ".", "=", "<>", "<", "<=", ">", ">=", "+", "-", "*", "/", ":=", "^", "@",
        "..", "[", "]",
        " ", "\t", "\r\n", "\n", "\r\n\r\n  ",
    };
    for (std::size_t i = 0; i < KeywordTable.size(); ++i) {
        std::string w(KeywordTable[i]);
        if (i % 2 == 1) w[0] = static_cast<char>(w[0] - 'a' + 'A');
        s.push_back(w);
    }
    return s;
}

// Every sample once, blanks between, a switched-off region and an unknown
// directive included.
inline std::string EveryTokenKind() {
    std::string out = "{$IFDEF NEVER} hidden := 'x'; {$ELSE} shown {$ENDIF}\r\n";
    for (const std::string& t : TokenSamples()) out += t + " ";
    return out + "\r\nend.\r\n";
}

struct TErrorSource {
    const char* Name;
    std::string Text;
    std::uint8_t Reason;  // the scanner's code at the end
};

// Files that stop at a lexical error of each kind, in different places.
inline std::vector<TErrorSource> LexicalErrorSources() {
    return {
        {"brace after an identifier", "x }rest of the file\r\nend.\r\n", 3},
        {"double quote", "a := \"b\";\r\n", 3},
        {"high byte outside a comment", "x\xE9y := 1;", 3},
        {"form feed", "x\fy", 3},
        {"ctrl-z at the end", "end.\x1A", 3},
        {"backslash", "a \\ b {c}", 3},
        {"error at the first byte", "}{x}", 3},
        {"error after a held identifier in a switched-off region", "{$IFDEF NEVER} x \" y {$ENDIF}", 3},
        {"open string", "s := 'abc\r\nmore'; end.\r\n", 5},
        {"open string with an LF line end", "s := 'abc\nmore\n'; end.\n", 5},
        {"open brace comment", "x { never closed\r\n", 7},
        {"open star comment", "x (* never closed *", 7},
        {"star paren opens a comment", "(*) text", 7},
        {"byte-order mark before an error", "\xEF\xBB\xBFunit U; ! rest", 3},
    };
}

// A random source from a seed: samples, bytes that are no token and line ends
// of every kind in any order.
inline std::string RandomSource(std::uint32_t Seed) {
    static const std::vector<std::string> samples = TokenSamples();
    static const char* const odd[] = {"}", "\"", "!", "\xE9", "\r", "'open\r\n", "{open", "\\", "&"};
    std::mt19937 rng(Seed);
    std::string out;
    for (unsigned n = rng() % 80; n > 0; --n) {
        if (rng() % 40 == 0)
            out += odd[rng() % std::size(odd)];
        else
            out += samples[rng() % samples.size()];
        if (rng() % 2) out += rng() % 5 == 0 ? "\n" : " ";
    }
    return out;
}

// Every source file under examples/, sorted: .pas, .dpr, .dpk, .inc.
inline std::vector<std::string> ExampleSources() {
    std::vector<std::string> out;
    const std::filesystem::path root = std::filesystem::path(CORVANET_SOURCE_DIR) / "examples";
    if (!std::filesystem::exists(root)) return out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        std::string ext = e.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (e.is_regular_file() && (ext == ".pas" || ext == ".dpr" || ext == ".dpk" || ext == ".inc"))
            out.push_back(e.path().string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace corvanet::testing
