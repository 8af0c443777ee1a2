// Scanner: kinds, texts and reason codes of single inputs; where tokens begin;
// files read through the window versus the same bytes in memory; the rest of
// a file after a lexical error; the byte-for-byte property on random sources.
#include <gtest/gtest.h>

#include <random>
#include <utility>

#include "error.h"
#include "lex_test_util.h"
#include "scratch_dir.h"

namespace corvanet {
namespace {

using lextest::ScanText;
using lextest::TScanOutcome;

struct TScanCase {
    const char* Name;
    std::string Input;
    std::vector<std::pair<TTokenKind, std::string>> Tokens;
    std::uint8_t Reason;
};

const TScanCase ScanCases[] = {
    {"range after integer", "x:=1..2", {{tkIdentifier, "x"}, {tkAssign, ":="}, {tkIntNumber, "1"}, {tkRange, ".."}, {tkIntNumber, "2"}}, srEndOfInput},
    {"range at end of file", "1..", {{tkIntNumber, "1"}, {tkRange, ".."}}, srEndOfInput},
    {"real with exponent", "1.5e+3", {{tkRealNumber, "1.5e+3"}}, srEndOfInput},
    {"real with bare fraction", "1.;", {{tkRealNumber, "1."}, {tkSemicolon, ";"}}, srEndOfInput},
    {"integer then word", "123abc", {{tkIntNumber, "123"}, {tkIdentifier, "abc"}}, srEndOfInput},
    {"exponent without fraction", "2E9 1E-5", {{tkRealNumber, "2E9"}, {tkWhitespace, " "}, {tkRealNumber, "1E-5"}}, srEndOfInput},
    {"exponent takes one character whatever it is", "1e;2", {{tkRealNumber, "1e;2"}}, srEndOfInput},
    {"exponent at end of file takes nothing", "1.5E+", {{tkRealNumber, "1.5E+"}}, srEndOfInput},
    {"exponent letter at end of file", "7e", {{tkRealNumber, "7e"}}, srEndOfInput},
    {"period between words", "a.b", {{tkIdentifier, "a"}, {tkPeriod, "."}, {tkIdentifier, "b"}}, srEndOfInput},
    {"hex number", "$FFz", {{tkIntNumber, "$FF"}, {tkIdentifier, "z"}}, srEndOfInput},
    {"lone dollar", "$", {{tkIntNumber, "$"}}, srEndOfInput},
    {"doubled quote", "'It''s'", {{tkQuotedString, "'It''s'"}}, srEndOfInput},
    {"empty strings", "'' ''''", {{tkQuotedString, "''"}, {tkWhitespace, " "}, {tkQuotedString, "''''"}}, srEndOfInput},
    {"chained string parts", "#13#10'text'#0", {{tkQuotedString, "#13#10'text'#0"}}, srEndOfInput},
    {"hash takes decimal digits only", "#$0D", {{tkQuotedString, "#"}, {tkIntNumber, "$0D"}}, srEndOfInput},
    {"string then bare hash", "'a'#;", {{tkQuotedString, "'a'#"}, {tkSemicolon, ";"}}, srEndOfInput},
    {"directive", "{$DEFINE X}", {{tkDirective, "{$DEFINE X}"}}, srEndOfInput},
    {"blank after brace makes a comment", "{ $DEFINE X}", {{tkComment, "{ $DEFINE X}"}}, srEndOfInput},
    {"star comment", "(* a*b *)", {{tkComment, "(* a*b *)"}}, srEndOfInput},
    {"star comment with star run", "(***)x", {{tkComment, "(***)"}, {tkIdentifier, "x"}}, srEndOfInput},
    {"star dollar is a comment", "(*$IFDEF X*)", {{tkComment, "(*$IFDEF X*)"}}, srEndOfInput},
    {"comments do not nest", "{ (* }(* { *)", {{tkComment, "{ (* }"}, {tkComment, "(* { *)"}}, srEndOfInput},
    {"line comment with CR LF", "// c\r\nx", {{tkComment, "// c\r\n"}, {tkIdentifier, "x"}}, srEndOfInput},
    {"line comment with lone LF", "// c\nx\n", {{tkComment, "// c\n"}, {tkIdentifier, "x"}, {tkWhitespace, "\n"}}, srEndOfInput},
    {"line comment with lone CR", "// c\rx", {{tkComment, "// c\r"}, {tkIdentifier, "x"}}, srEndOfInput},
    {"line comment to end of file", "x // c", {{tkIdentifier, "x"}, {tkWhitespace, " "}, {tkComment, "// c"}}, srEndOfInput},
    {"slash and div", "a/b div c", {{tkIdentifier, "a"}, {tkSlash, "/"}, {tkIdentifier, "b"}, {tkWhitespace, " "}, {tkDiv, "div"}, {tkWhitespace, " "}, {tkIdentifier, "c"}}, srEndOfInput},
    {"keyword case kept", "BEGIN Begin", {{tkBegin, "BEGIN"}, {tkWhitespace, " "}, {tkBegin, "Begin"}}, srEndOfInput},
    {"table ends", "automated published", {{tkAutomated, "automated"}, {tkWhitespace, " "}, {tkPublished, "published"}}, srEndOfInput},
    {"rarer keywords", "stringresource inline out", {{tkStringresource, "stringresource"}, {tkWhitespace, " "}, {tkInline, "inline"}, {tkWhitespace, " "}, {tkOut, "out"}}, srEndOfInput},
    {"keyword prefixes are identifiers", "ends beginner _a1", {{tkIdentifier, "ends"}, {tkWhitespace, " "}, {tkIdentifier, "beginner"}, {tkWhitespace, " "}, {tkIdentifier, "_a1"}}, srEndOfInput},
    {"two-character symbols", ":=<=<>>=..", {{tkAssign, ":="}, {tkLessEqual, "<="}, {tkNotEqual, "<>"}, {tkGreaterEqual, ">="}, {tkRange, ".."}}, srEndOfInput},
    {"equal then greater", "=>", {{tkEqual, "="}, {tkGreater, ">"}}, srEndOfInput},
    {"single symbols", "+-*)(,;:^@[]>(<", {{tkPlus, "+"}, {tkMinus, "-"}, {tkStar, "*"}, {tkRParen, ")"}, {tkLParen, "("}, {tkComma, ","}, {tkSemicolon, ";"}, {tkColon, ":"}, {tkCaret, "^"}, {tkAt, "@"}, {tkLBracket, "["}, {tkRBracket, "]"}, {tkGreater, ">"}, {tkLParen, "("}, {tkLess, "<"}}, srEndOfInput},
    {"empty file", "", {}, srEndOfInput},
    {"trailing blanks", "x \t\r\n", {{tkIdentifier, "x"}, {tkWhitespace, " \t\r\n"}}, srEndOfInput},
    {"stray closing brace", "a }b", {{tkIdentifier, "a"}, {tkWhitespace, " "}}, srBadChar},
    {"double quote", "\"s\"", {}, srBadChar},
    {"form feed", "a\f", {{tkIdentifier, "a"}}, srBadChar},
    {"ctrl-z", "\x1a", {}, srBadChar},
    {"NUL byte", std::string("a\0b", 3), {{tkIdentifier, "a"}}, srBadChar},
    {"byte above 127", "\xC3\xA9", {}, srBadChar},
    {"byte-order mark skipped", "\xEF\xBB\xBFunit", {{tkUnit, "unit"}}, srEndOfInput},
    {"byte-order mark only at the start", "x\xEF\xBB\xBF", {{tkIdentifier, "x"}}, srBadChar},
    {"half a byte-order mark", "\xEF\xBB", {}, srBadChar},
    {"string meets CR LF", "'abc\r\n'", {}, srOpenString},
    {"string meets lone LF", "x'abc\ndef'", {{tkIdentifier, "x"}}, srOpenString},
    {"string at end of file", "'abc", {}, srOpenString},
    {"string part after hash at end of file", "#13'", {}, srOpenString},
    {"brace comment at end of file", "{ abc", {}, srOpenComment},
    {"directive at end of file", "{$I x", {}, srOpenComment},
    {"star comment at end of file", "(* a *", {}, srOpenComment},
    {"paren star paren does not close", "(*)", {}, srOpenComment},
};

// The modern lexis: what it reads that the classic one does not, and where
// the classic one stops, a token instead. Every row ends normally.
const TScanCase ModernCases[] = {
    {"escaped names are never keywords", "&begin &Type", {{tkIdentifier, "&begin"}, {tkWhitespace, " "}, {tkIdentifier, "&Type"}}, srEndOfInput},
    {"doubled escape", "&&op_Equality &&;", {{tkIdentifier, "&&op_Equality"}, {tkWhitespace, " "}, {tkUnknown, "&&"}, {tkSemicolon, ";"}}, srEndOfInput},
    {"octal", "&17 &8", {{tkIntNumber, "&17"}, {tkWhitespace, " "}, {tkUnknown, "&"}, {tkIntNumber, "8"}}, srEndOfInput},
    {"binary", "%0101;%2", {{tkIntNumber, "%0101"}, {tkSemicolon, ";"}, {tkUnknown, "%"}, {tkIntNumber, "2"}}, srEndOfInput},
    {"digit separators", "1_000_000 $FF_FF 1_0.5", {{tkIntNumber, "1_000_000"}, {tkWhitespace, " "}, {tkIntNumber, "$FF_FF"}, {tkWhitespace, " "}, {tkRealNumber, "1_0.5"}}, srEndOfInput},
    {"hex and decimal codes mixed with quotes", "#13#$0A'a'#9'b'", {{tkQuotedString, "#13#$0A'a'#9'b'"}}, srEndOfInput},
    {"bytes above 127 are name characters", "caf\xC3\xA9 \xC3\xA9t\xC3\xA9", {{tkIdentifier, "caf\xC3\xA9"}, {tkWhitespace, " "}, {tkIdentifier, "\xC3\xA9t\xC3\xA9"}}, srEndOfInput},
    {"byte-order mark is not part of a name", "\xEF\xBB\xBF\xC3\xA9", {{tkIdentifier, "\xC3\xA9"}}, srEndOfInput},
    {"star dollar is a directive", "(*$IFDEF X*)(* c *)", {{tkDirective, "(*$IFDEF X*)"}, {tkComment, "(* c *)"}}, srEndOfInput},
    {"stray bytes are tokens", "a }\"!\f", {{tkIdentifier, "a"}, {tkWhitespace, " "}, {tkUnknown, "}"}, {tkUnknown, "\""}, {tkUnknown, "!"}, {tkUnknown, "\f"}}, srEndOfInput},
    {"NUL byte", std::string("a\0b", 3), {{tkIdentifier, "a"}, {tkUnknown, std::string(1, '\0')}, {tkIdentifier, "b"}}, srEndOfInput},
    {"unclosed string ends at its line end", "x'abc\r\ny", {{tkIdentifier, "x"}, {tkQuotedString, "'abc"}, {tkWhitespace, "\r\n"}, {tkIdentifier, "y"}}, srEndOfInput},
    {"unclosed string at end of file", "'abc", {{tkQuotedString, "'abc"}}, srEndOfInput},
    {"unclosed comments run to the end", "x{ a\r\n", {{tkIdentifier, "x"}, {tkComment, "{ a\r\n"}}, srEndOfInput},
    {"unclosed star comment", "(* a *", {{tkComment, "(* a *"}}, srEndOfInput},
    {"multi-line string", "s:='''\r\n  a\r\n  'b'\r\n  ''';", {{tkIdentifier, "s"}, {tkAssign, ":="}, {tkQuotedString, "'''\r\n  a\r\n  'b'\r\n  '''"}, {tkSemicolon, ";"}}, srEndOfInput},
    {"multi-line string of five quotes", "'''''\n'''\n'''''x", {{tkQuotedString, "'''''\n'''\n'''''"}, {tkIdentifier, "x"}}, srEndOfInput},
    {"unclosed multi-line string", "'''\nabc", {{tkQuotedString, "'''\nabc"}}, srEndOfInput},
    {"three quotes not at a line end", "'''xml'' is'", {{tkQuotedString, "'''xml'' is'"}}, srEndOfInput},
    {"four quotes at a line end", "''''\n", {{tkQuotedString, "''''"}, {tkWhitespace, "\n"}}, srEndOfInput},
};

TEST(ScannerTest, ModernKindsAndTexts) {
    for (const TScanCase& c : ModernCases) {
        SCOPED_TRACE(c.Name);
        const TScanOutcome out = ScanText(c.Input, TDialect::Modern);
        std::vector<std::pair<TTokenKind, std::string>> got;
        for (const auto& t : out.Tokens) got.emplace_back(t.Kind, t.Text);
        EXPECT_EQ(got, c.Tokens);
        EXPECT_EQ(static_cast<int>(out.Reason), static_cast<int>(c.Reason));
    }
}

// The modern lexis never stops, through the file window too: the tokens give
// back every byte (less a leading byte-order mark), and a file read through
// the window scans as the same bytes in memory.
TEST(ScannerTest, ModernScanNeverStops) {
    testsupport::TScratchDir dir;
    const std::string path = dir.Path() + "modern.pas";
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        std::string text = lextest::RandomSource(seed, seed <= 56 ? 2000 : 200'000, true);
        if (seed % 3 == 0) text += "'''\r\n a '''' \r\n ''' &x %01 &7 #$0D\x80\xFF";
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        const TScanOutcome out = ScanText(text, TDialect::Modern);
        ASSERT_EQ(out.Reason, srEndOfInput);
        ASSERT_EQ(lextest::Concatenate(out.Tokens), text);
        if (text.size() > 100'000) {
            testsupport::WriteBytes(path, text);
            TScanner scanner;
            scanner.Dialect = TDialect::Modern;
            scanner.Open(path);
            const TScanOutcome fromFile = lextest::ScanToEnd(scanner);
            ASSERT_EQ(fromFile.Tokens.size(), out.Tokens.size());
            for (std::size_t i = 0; i < out.Tokens.size(); ++i) ASSERT_EQ(fromFile.Tokens[i].Text, out.Tokens[i].Text);
        }
    }
}

TEST(ScannerTest, KindsTextsAndReasons) {
    for (const TScanCase& c : ScanCases) {
        SCOPED_TRACE(c.Name);
        const TScanOutcome out = ScanText(c.Input);
        std::vector<std::pair<TTokenKind, std::string>> got;
        for (const auto& t : out.Tokens) got.emplace_back(t.Kind, t.Text);
        EXPECT_EQ(got, c.Tokens);
        EXPECT_EQ(static_cast<int>(out.Reason), static_cast<int>(c.Reason));
    }
}

TEST(ScannerTest, FailedTokenKeepsFormerTextAndScanStaysStopped) {
    TScanner scanner;
    scanner.OpenText("abc\r\n  \"x\" def");
    TToken token;
    while (scanner.GetToken(token) == srToken) {
    }
    EXPECT_EQ(token.Kind, tkEndOfInput);
    EXPECT_EQ(token.Text, "\r\n  ");  // the last good token's text
    for (int again = 0; again < 3; ++again) {
        EXPECT_EQ(scanner.GetToken(token), srBadChar);
        EXPECT_EQ(scanner.TokenOffset(), 7u);
        EXPECT_EQ(scanner.TokenLine(), 2);
    }
    TToken end;
    scanner.OpenText("");
    EXPECT_EQ(scanner.GetToken(end), srEndOfInput);
    EXPECT_EQ(scanner.GetToken(end), srEndOfInput);
}

// Offsets count every byte (a byte-order mark too); CR LF, LF and CR each end one line.
TEST(ScannerTest, TokenOffsetsAndLines) {
    struct Case {
        std::string Input;
        std::vector<std::pair<std::uint64_t, int>> Starts;  // offset and line of each token
        std::pair<std::uint64_t, int> Stop;
    };
    const Case cases[] = {
        {"a\r\nb\nc\rd", {{0, 1}, {1, 1}, {3, 2}, {4, 2}, {5, 3}, {6, 3}, {7, 4}}, {8, 4}},
        {"\r\n\r\n\n\rx", {{0, 1}, {6, 5}}, {7, 5}},
        {"// a\rb // c\nd", {{0, 1}, {5, 2}, {6, 2}, {7, 2}, {12, 3}}, {13, 3}},
        {"{ a\r\n b }c", {{0, 1}, {9, 2}}, {10, 2}},
        {"1..2", {{0, 1}, {1, 1}, {3, 1}}, {4, 1}},
        {"\xEF\xBB\xBFx\n\n  'open", {{3, 1}, {4, 1}}, {8, 3}},
        {"x\n(* a\r\n", {{0, 1}, {1, 1}}, {2, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Input);
        const TScanOutcome out = ScanText(c.Input);
        std::vector<std::pair<std::uint64_t, int>> starts;
        for (const auto& t : out.Tokens) starts.emplace_back(t.Offset, t.Line);
        EXPECT_EQ(starts, c.Starts);
        EXPECT_EQ(std::make_pair(out.StopOffset, out.StopLine), c.Stop);
    }
}

std::string CopiedRest(TScanner& scanner, std::vector<std::string>* chunks = nullptr) {
    std::string rest;
    scanner.CopyRest([&](std::string_view chunk) {
        EXPECT_FALSE(chunk.empty());
        rest += chunk;
        if (chunks) chunks->emplace_back(chunk);
    });
    return rest;
}

TEST(ScannerTest, CopyRestHandsOverFromTheFailedToken) {
    TScanner scanner;
    scanner.OpenText("x := 1; { never closed\r\n y");
    const TScanOutcome out = lextest::ScanToEnd(scanner);
    ASSERT_EQ(out.Reason, srOpenComment);
    EXPECT_EQ(CopiedRest(scanner), "{ never closed\r\n y");
    EXPECT_EQ(CopiedRest(scanner), "{ never closed\r\n y");  // may be asked twice

    scanner.OpenText("x y");
    lextest::ScanToEnd(scanner);
    EXPECT_EQ(CopiedRest(scanner), "");  // a normal end leaves nothing over
}

// No chunk ends between a CR and its LF, wherever the pair falls.
TEST(ScannerTest, CopyRestNeverSplitsCrLf) {
    testsupport::TScratchDir dir;
    for (std::size_t crAt : {65536u, 65537u, 65538u, 131073u}) {
        std::string text = "a \"";
        text.resize(crAt, 'x');
        text += "\r\n\r\r\ntail";
        text.append(70000, 'y');
        text += "\r";
        const std::string path = dir.Path() + "crlf.pas";
        testsupport::WriteBytes(path, text);
        TScanner scanner;
        scanner.Open(path);
        ASSERT_EQ(lextest::ScanToEnd(scanner).Reason, srBadChar);
        std::vector<std::string> chunks;
        EXPECT_EQ(CopiedRest(scanner, &chunks), text.substr(2));
        for (std::size_t i = 0; i + 1 < chunks.size(); ++i)
            EXPECT_FALSE(chunks[i].back() == '\r' && chunks[i + 1].front() == '\n') << "chunk " << i;
    }
}

TEST(ScannerTest, OpenErrorsNameTheFile) {
    testsupport::TScratchDir dir;
    TScanner scanner;
    const std::pair<std::string, std::string> Cases[] = {
        {dir.Path() + "missing.pas", "No such file or directory"},
        {dir.Path(), "Is a directory"},
    };
    for (const auto& [path, reason] : Cases) {
        try {
            scanner.Open(path);
            ADD_FAILURE() << "opened " << path;
        } catch (const CorvanetError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file " + path + ": " + reason);
        }
    }
}

void ExpectSameScan(const TScanOutcome& a, const TScanOutcome& b) {
    ASSERT_EQ(a.Tokens.size(), b.Tokens.size());
    for (std::size_t i = 0; i < a.Tokens.size(); ++i) {
        ASSERT_EQ(a.Tokens[i].Kind, b.Tokens[i].Kind) << "token " << i;
        ASSERT_EQ(a.Tokens[i].Text, b.Tokens[i].Text) << "token " << i;
        ASSERT_EQ(a.Tokens[i].Offset, b.Tokens[i].Offset) << "token " << i;
        ASSERT_EQ(a.Tokens[i].Line, b.Tokens[i].Line) << "token " << i;
    }
    EXPECT_EQ(a.Reason, b.Reason);
    EXPECT_EQ(a.StopOffset, b.StopOffset);
    EXPECT_EQ(a.StopLine, b.StopLine);
}

// A file is read through a 64 KiB window: tokens that straddle a refill must
// come out exactly as from the same bytes held in memory.
TEST(ScannerTest, FileWindowMatchesMemory) {
    testsupport::TScratchDir dir;
    const std::string path = dir.Path() + "window.pas";
    const char* const straddlers[] = {"1..2", "1.5e+3", "'It''s'#13", "{ c }", "(* a **)", "// c\r\n",
                                      "\r\n", "identifier", "\"stop", "'open\r\n", "{ open", "\xEF\xBB\xBF"};
    for (const char* s : straddlers) {
        for (std::size_t at = 65531; at <= 65537; ++at) {
            std::string text(at, ' ');
            text += s;
            text += " x";
            SCOPED_TRACE(testing::Message() << s << " at " << at);
            testsupport::WriteBytes(path, text);
            TScanner scanner;
            scanner.Open(path);
            ExpectSameScan(lextest::ScanToEnd(scanner), ScanText(text));
        }
    }
    // The window ends in a NUL of the scanner's own; one in the text, just
    // before, at or after that place, still stops the scan where it stands.
    for (std::size_t at = 65530; at <= 65538; ++at) {
        std::string text(at - 4, ' ');
        text += "word";
        text += '\0';
        text += "x  ";
        SCOPED_TRACE(testing::Message() << "NUL at " << at);
        testsupport::WriteBytes(path, text);
        TScanner scanner;
        scanner.Open(path);
        const TScanOutcome out = lextest::ScanToEnd(scanner);
        EXPECT_EQ(out.Reason, srBadChar);
        EXPECT_EQ(out.StopOffset, at);
        ExpectSameScan(out, ScanText(text));
    }
    // A word running to the end of the file ends there, whatever the window's
    // buffer held beyond the last bytes read (here letters of the first window).
    {
        std::string text(65536 + 100, ' ');
        text.replace(90, 20, std::string(20, 'q'));
        text.replace(text.size() - 4, 4, "last");
        testsupport::WriteBytes(path, text);
        TScanner scanner;
        scanner.Open(path);
        const TScanOutcome out = lextest::ScanToEnd(scanner);
        ASSERT_FALSE(out.Tokens.empty());
        EXPECT_EQ(out.Tokens.back().Text, "last");
        ExpectSameScan(out, ScanText(text));
    }
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        const std::string text = lextest::RandomSource(seed, 300'000, seed % 2 == 0);
        testsupport::WriteBytes(path, text);
        TScanner scanner;
        scanner.Open(path);
        EXPECT_EQ(scanner.FileSize(), text.size());
        ExpectSameScan(lextest::ScanToEnd(scanner), ScanText(text));
    }
}

// The line of a token is 1 + the line ends (CR LF, LF, CR) before its first
// byte, whether or not the lines of the tokens before it were asked for, and
// wherever the window boundaries fall.
TEST(ScannerTest, TokenLinesCountLineEndsBeforeTheToken) {
    auto LinesAt = [](const std::string& text) {  // the line at each offset
        std::vector<int> lines(text.size() + 1, 1);
        for (std::size_t i = 0; i < text.size(); ++i)
            lines[i + 1] = lines[i] + (text[i] == '\r' || (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')));
        return lines;
    };
    testsupport::TScratchDir dir;
    const std::string path = dir.Path() + "lines.pas";
    std::mt19937 rng(7);
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        std::string text = lextest::RandomSource(seed, seed <= 3 ? 3000 : 200'000, seed % 2 == 0);
        if (seed == 4) text.insert(65535, "\r\n");  // a pair split by the first refill
        if (seed == 6) text.insert(65536 - 3, "1..2");  // the dots of a range after a refill
        testsupport::WriteBytes(path, text);
        const std::vector<int> lines = LinesAt(text);
        for (int every : {1, 3, 1000}) {  // how often a line is asked for
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", asked every " << every);
            TScanner scanner;
            if (seed <= 3) scanner.OpenText(text);
            else scanner.Open(path);
            TToken token;
            int checked = 0;
            for (std::size_t n = 0;; ++n) {
                const std::uint8_t reason = scanner.GetToken(token);
                if (reason != srToken || rng() % every == 0) {
                    ASSERT_EQ(scanner.TokenLine(), lines[scanner.TokenOffset()]) << "token " << n;
                    ++checked;
                }
                if (reason != srToken) break;
            }
            EXPECT_GT(checked, 0);
        }
    }
}

// The token record views the window, and the window moves on: the text a
// record keeps after the end of the file or an error is still the last good
// token's when a refill came between, when the file is closed, and in a copy.
TEST(ScannerTest, KeptTextsOutliveTheWindow) {
    testsupport::TScratchDir dir;
    const std::string path = dir.Path() + "kept.pas";
    const std::string endings[] = {"", "\"", "{ open" + std::string(70000, 'x'), "'open" + std::string(70000, 'x')};
    for (std::size_t at : {65530u, 65533u, 65536u, 65540u}) {
        for (const std::string& ending : endings) {
            SCOPED_TRACE(testing::Message() << "last token ends at " << at << ", then " << ending.substr(0, 6));
            std::string text(at - 4, ' ');
            text += "last" + ending;
            testsupport::WriteBytes(path, text);
            TScanner scanner;
            scanner.Open(path);
            TToken token, copy;
            while (scanner.GetToken(token) == srToken)
                if (token.Text == "last") copy = token;
            EXPECT_EQ(token.Text, "last");
            EXPECT_EQ(scanner.GetToken(token), scanner.LastResult());
            EXPECT_EQ(token.Text, "last");
            scanner.Close();
            EXPECT_EQ(token.Text, "last");
            EXPECT_EQ(copy.Text, "last");
        }
    }
}

// For any input: the tokens' texts, followed by the rest handed over after an
// error, give back the input byte for byte; no token has an unused kind.
TEST(ScannerTest, TokensKeepEveryByte) {
    int stopped = 0;
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        const std::string text = lextest::RandomSource(seed, 2000, seed % 2 == 0);
        TScanner scanner;
        scanner.OpenText(text);
        const TScanOutcome out = lextest::ScanToEnd(scanner);
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        for (const auto& t : out.Tokens) {
            ASSERT_FALSE(t.Text.empty());
            ASSERT_TRUE(t.Kind != 3 && t.Kind != 23 && t.Kind != 24 && t.Kind < tkEndOfInput);
        }
        if (out.Reason == srEndOfInput) {
            ASSERT_EQ(lextest::Concatenate(out.Tokens), text);
        } else {
            ++stopped;
            ASSERT_EQ(lextest::Concatenate(out.Tokens) + CopiedRest(scanner), text);
        }
    }
    EXPECT_GT(stopped, 20);  // the faulty half of the seeds does reach the error paths
}

// A switched-off region that nothing writes is passed over directive to
// directive: GetDirective must meet exactly the directives GetToken meets
// (none hidden in a string or comment, none made up), at the same offsets
// and lines, wherever the window boundaries fall.
TEST(ScannerTest, GetDirectiveMeetsTheDirectivesGetTokenMeets) {
    static const char* const Modern[] = {
        "'''\r\n  {$ENDIF} ''\r\n  '''", "'''\n'''", "'{$ELSE}'", "// {$ENDIF}\r\n", "{ {$ENDIF}", "(*$IFDEF Y*)",
        "(* {$ELSE} *)", "{$IF X > 1}", "{$ENDIF}", "&begin", "%0101", "1_000..2", "#$0A'{'", "'open {$ENDIF}\r\n",
        "\xEF\xBB\xBF", "(*)", "{$I x.inc}", "1e'{$ELSE}'", "$1E'{$ELSE}'", "&17e'{$ELSE}'", "%1e'{$ELSE}'", "2..'{'"};
    testsupport::TScratchDir dir;
    const std::string path = dir.Path() + "skip.pas";
    auto Directives = [&](bool Passing) {
        TScanner scanner;
        scanner.Dialect = TDialect::Modern;
        scanner.Open(path);
        std::vector<lextest::TScanned> Met;
        TToken token;
        while ((Passing && scanner.GetDirective(token)) || scanner.GetToken(token) == srToken)
            if (token.Kind == tkDirective)
                Met.push_back({token.Kind, std::string(token.Text), scanner.TokenOffset(), scanner.TokenLine()});
        EXPECT_EQ(scanner.LastResult(), srEndOfInput);
        return Met;
    };
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        std::mt19937 rng(seed);
        std::string text;
        for (const std::string Random = lextest::RandomSource(seed, 200'000, true); text.size() < Random.size();) {
            text += Random.substr(text.size() % Random.size(), 40 + rng() % 400);
            text += Modern[rng() % std::size(Modern)];
        }
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        testsupport::WriteBytes(path, text);
        const auto Expected = Directives(false);
        const auto Passed = Directives(true);
        ASSERT_EQ(Passed.size(), Expected.size());
        for (std::size_t I = 0; I < Expected.size(); ++I) {
            EXPECT_EQ(Passed[I].Text, Expected[I].Text);
            EXPECT_EQ(Passed[I].Offset, Expected[I].Offset);
            EXPECT_EQ(Passed[I].Line, Expected[I].Line);
        }
    }
}

}  // namespace
}  // namespace corvanet
