// Token stream: what the parser receives under conditional directives, the
// hook seeing every token, skipping and defines that carry over from one file
// to the next, and directive splitting.
#include <gtest/gtest.h>

#include <random>

#include "lex_test_util.h"
#include "scratch_dir.h"
#include "token_stream.h"

namespace corvanet {
namespace {

// The texts the parser receives from one file, up to its end.
std::vector<std::string> ParserTexts(TTokenStream& stream, const std::string& source) {
    std::vector<std::string> texts;
    stream.Scanner.OpenText(source);
    for (stream.NextToken(); stream.EndOfInput == 0 && texts.size() < 1000; stream.NextToken())
        texts.emplace_back(stream.CurrentToken.Text);
    return texts;
}

using Texts = std::vector<std::string>;

TEST(TokenStreamTest, ConditionalDirectives) {
    struct Case {
        const char* Defines;
        const char* Source;
        Texts Expected;
    };
    const Case cases[] = {
        {"WIN32;VER100", "{$IFDEF WIN32} a {$ENDIF} b", {"a", "b"}},
        {"WIN32;VER100", "{$ifdef win32} a {$endif}", {"a"}},
        {"WIN32;VER100", "{$IFDEF WIN32 } a {$ENDIF} b", {"b"}},
        {"WIN32;VER100", "{$IFDEF\tNOPE} a {$ENDIF} b", {"a", "b"}},
        {"WIN32; VER100", "{$IFDEF VER100} a {$ENDIF} b", {"b"}},
        {"B", "{$IFDEF A} x {$IFDEF B} y {$ENDIF} z {$ENDIF}", {"y", "z"}},
        {"", "{$IFDEF A}{$DEFINE C}{$ENDIF}{$IFDEF C} c {$ENDIF}", {"c"}},
        {"", "{$define X}{$ifdef x} a {$endif}", {"a"}},
        {"X", "(*$IFDEF Y*) a { b } // c\r\n d", {"a", "d"}},
        {"WIN32", "{$IFDEF WIN32} a {$ELSE} b {$ENDIF} c", {"a", "c"}},
        {"", "{$IFDEF WIN32} a {$ELSE} b {$ENDIF} c", {"b", "c"}},
        {"X", "{$IFNDEF X} a {$ELSE} b {$ENDIF}", {"b"}},
        {"", "{$IFNDEF X} a {$ENDIF}", {"a"}},
        {"", "{$UNDEF NOPE} a", {"a"}},
        {"A;A", "{$UNDEF a}{$IFDEF A} a {$ENDIF}{$UNDEF A}{$IFDEF A} b {$ENDIF} c", {"a", "c"}},
        {"", "{$IFDEF} a {$ENDIF}{$DEFINE}{$IFDEF} b {$ENDIF}", {"b"}},
        {"", "{$IFOPT R+} a {$ENDIF}{$R *.res} b", {"a", "b"}},
        {"", "{$IFDEF NOPE} a } b {$ENDIF} c", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Source);
        TTokenStream stream;
        stream.Defines.LoadDefines(c.Defines);
        EXPECT_EQ(ParserTexts(stream, c.Source), c.Expected);
    }
}

// The modern conditionals: a stack, expressions, whole-word names, and
// directives in a switched-off region that do nothing but nest.
TEST(TokenStreamTest, ModernConditionals) {
    struct Case {
        const char* Defines;
        const char* Source;
        Texts Expected;
    };
    const char* const Delphi = "MSWINDOWS;WIN32;CPUX86;VER370;UNICODE";
    const Case cases[] = {
        {"WIN32", "{$IFDEF WIN32 } a {$ENDIF} b", {"a", "b"}},
        {"WIN32", "{$IFDEF\tWIN32} a {$ENDIF}", {"a"}},
        {"X", "(*$IFDEF Y*) a (*$ELSE*) b (*$ENDIF*)", {"b"}},
        {"", "{$IFDEF A} x {$IFDEF B} y {$ELSE} z {$ENDIF} w {$ELSE} v {$ENDIF} u", {"v", "u"}},
        {"", "{$IFDEF A}{$DEFINE C}{$UNDEF D}{$ENDIF}{$IFDEF C} c {$ENDIF}", {}},
        {"A", "{$IFDEF A}{$IFNDEF A} x {$ELSE} y {$ENDIF} z {$ENDIF}", {"y", "z"}},
        {"", "{$IF Defined(A)} a {$ELSEIF not Defined(B)} b {$ELSEIF True} c {$ELSE} d {$IFEND} e", {"b", "e"}},
        {"A", "{$IF Defined(A) and not Defined(B)} a {$ENDIF}", {"a"}},
        {"", "{$IF Defined(A) or Defined(B)} a {$ELSE} b {$ENDIF}", {"b"}},
        {Delphi, "{$IF CompilerVersion >= 37} a {$IFEND}{$IF RTLVersion > 37.0} b {$IFEND}", {"a"}},
        {"VER185", "{$IF CompilerVersion = 18.5} a {$IFEND}{$IF CompilerVersion < 18.6} b {$IFEND}", {"a", "b"}},
        {"VER100;VER360", "{$IF CompilerVersion = 36} a {$IFEND}", {"a"}},
        {"FPC;VER3;VER3_2;VER3_2_2", "{$IF FPC_FULLVERSION >= 30200} a {$ENDIF}{$IF FPC_FULLVERSION > 30202} b {$ENDIF}", {"a"}},
        {"", "{$IF SizeOf(Pointer) = 4} a {$IFEND}", {"a"}},
        {"CPU64BITS", "{$IF SizeOf(Pointer) = 8} a {$IFEND}", {"a"}},
        {"", "{$IF (2 + 3) * 4 - 1 = 19} a {$IFEND}{$IF 7 div 2 = 3} b {$IFEND}{$IF $10 = 16} c {$IFEND}", {"a", "b", "c"}},
        {Delphi, "{$IF Declared(X)} a {$ELSE} b {$IFEND}", {"b"}},
        {"", "{$IF Nonsense >= 3} a {$ELSE} b {$IFEND}{$IF (1} c {$IFEND}", {"b"}},
        {Delphi, "{$IF not Defined(FPC) or (FPC_FULLVERSION > 30000)} a {$IFEND}", {"a"}},
        {"", "{$IF Defined(FPC) and (FPC_FULLVERSION > 30000)} a {$ELSE} b {$IFEND}", {"b"}},
        {"", "{$IFOPT R+} a {$ELSE} b {$ENDIF}", {"b"}},
        {"", "{$IFDEF NOPE}{$IF 1 = 1} a {$ELSE} b {$IFEND} c {$ENDIF} d", {"d"}},
        {"", "{$ENDIF} a {$ELSE} b", {"a", "b"}},
        {"", "{$define X}{$ifdef x} a {$endif}", {"a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Source);
        TTokenStream stream;
        stream.Dialect = TDialect::Modern;
        stream.Scanner.Dialect = TDialect::Modern;
        stream.Defines.LoadDefines(c.Defines);
        EXPECT_EQ(ParserTexts(stream, c.Source), c.Expected);
    }
}

// Nesting deeper than the evaluator allows makes the condition false, and
// does not exhaust the stack.
TEST(TokenStreamTest, ModernConditionDepthIsBounded) {
    TTokenStream stream;
    stream.Dialect = stream.Scanner.Dialect = TDialect::Modern;
    const std::string deep = std::string(100'000, '(') + "1=1" + std::string(100'000, ')');
    const std::string shallow = std::string(100, '(') + "1=1" + std::string(100, ')');
    EXPECT_EQ(ParserTexts(stream, "{$IF " + deep + "} a {$ELSE} b {$IFEND}"), Texts{"b"});
    EXPECT_EQ(ParserTexts(stream, "{$IF " + shallow + "} a {$ELSE} b {$IFEND}"), Texts{"a"});
}

// The hook sees every token read, trivia, skipped text and each end included,
// and sees a directive before it is applied.
TEST(TokenStreamTest, HookSeesEveryToken) {
    const std::string source = "a {$IFDEF NOPE}b{$ENDIF} // c\r\n{x}";
    TTokenStream stream;
    std::vector<std::pair<std::string, bool>> seen;
    stream.TokenHook = [&] {
        seen.emplace_back(stream.CurrentToken.Kind == tkEndOfInput ? "<end>" : stream.CurrentToken.Text,
                          stream.Skipping);
    };
    EXPECT_EQ(ParserTexts(stream, source), Texts{"a"});
    stream.NextToken();
    EXPECT_NE(stream.EndOfInput, 0);
    EXPECT_EQ(stream.CurrentToken.Kind, tkEndOfInput);
    const std::vector<std::pair<std::string, bool>> expected = {
        {"a", false},         {" ", false},        {"{$IFDEF NOPE}", false}, {"b", true},
        {"{$ENDIF}", true},   {" ", false},        {"// c\r\n", false},      {"{x}", false},
        {"<end>", false},     {"<end>", false},
    };
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(stream.TokensRead, expected.size());
}

TEST(TokenStreamTest, EmptyFileEndsAtOnce) {
    TTokenStream stream;
    int calls = 0;
    stream.TokenHook = [&] { ++calls; };
    stream.Scanner.OpenText("");
    stream.NextToken();
    EXPECT_EQ(stream.CurrentToken.Kind, tkEndOfInput);
    EXPECT_EQ(stream.EndOfInput, srEndOfInput);
    EXPECT_EQ(calls, 1);
}

TEST(TokenStreamTest, LexicalErrorEndsTheFile) {
    TTokenStream stream;
    EXPECT_EQ(ParserTexts(stream, "a 'open\r\n b"), Texts{"a"});
    EXPECT_EQ(stream.EndOfInput, srOpenString);
    stream.NextToken();
    EXPECT_EQ(stream.EndOfInput, srOpenString);
}

// Skipping and defines belong to the stream, not the file: a file that ends in
// a switched-off region switches off the start of the next one.
TEST(TokenStreamTest, StateCarriesOverToTheNextFile) {
    TTokenStream stream;
    stream.Defines.LoadDefines("WIN32");
    EXPECT_EQ(ParserTexts(stream, "a {$DEFINE LATER}{$IFDEF NOPE} b"), Texts{"a"});
    EXPECT_TRUE(stream.Skipping);
    EXPECT_EQ(ParserTexts(stream, "c {$ELSE} d {$IFDEF LATER} e {$ENDIF}"), (Texts{"d", "e"}));
    EXPECT_FALSE(stream.Skipping);

    TTokenStream other;  // a second stream shares nothing with the first
    EXPECT_FALSE(other.Defines.IsDefined("LATER"));
    EXPECT_EQ(ParserTexts(other, "{$IFDEF LATER} x {$ENDIF} y"), Texts{"y"});
}

TEST(TokenStreamTest, SplitDirective) {
    struct Case {
        const char* Text;
        const char* Name;
        const char* Arg;
    };
    const Case cases[] = {
        {"{$DEFINE X}", "DEFINE", "X"},
        {"{$IFDEF WIN32 }", "IFDEF", "WIN32 "},
        {"{$ENDIF}", "ENDIF", ""},
        {"{$IFDEF }", "IFDEF", ""},
        {"{$I    file.inc}", "I", "file.inc"},
        {"{$IFDEF\tX}", "IFDEF\tX", ""},
        {"{$IFDEF\r\nX Y}", "IFDEF\r\nX", "Y"},
        {"{$}", "", ""},
        {"{$ X}", "", "X"},
        {"{$R+,H- some text }", "R+,H-", "some text "},
    };
    for (const Case& c : cases) {
        std::string name = "stale", arg = "stale";
        TTokenStream::SplitDirective(c.Text, name, arg);
        EXPECT_EQ(name, c.Name) << c.Text;
        EXPECT_EQ(arg, c.Arg) << c.Text;
    }
}

// A reading begun from guessed defines is checked against the true ones by
// replaying its journal: whenever the replay accepts, reading from the true
// defines gives the same tokens, the same flag and the same defines at the
// end, so a parallel pass may keep what it read on the guess. Random sources
// of directives over three names; guesses and true states drawn from the same
// names, duplicates included.
TEST(TokenStreamTest, AcceptedJournalMeansTheSameReading) {
    const char* const Names[] = {"A", "b", "C"};
    const char* const Directives[] = {"{$DEFINE %}", "{$UNDEF %}", "{$IFDEF %}", "{$IFNDEF %}", "{$ELSE}", "{$ENDIF}"};
    std::mt19937 random(20261208);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto someDefines = [&] {
        std::string text;
        for (int i = pick(4); i > 0; --i) text += std::string(Names[pick(3)]) + ";";
        return text;
    };
    struct Reading {
        Texts Tokens;
        bool Skipping = false;
        std::vector<std::string> Defines;
    };
    auto read = [](TTokenStream& stream, const std::string& source) {
        Reading r;
        r.Tokens = ParserTexts(stream, source);
        r.Skipping = stream.Skipping;
        r.Defines = stream.Defines.Items();
        return r;
    };
    int accepted = 0, refused = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string source;
        for (int i = pick(12); i >= 0; --i) {
            std::string d = Directives[pick(6)];
            if (const auto at = d.find('%'); at != std::string::npos) d.replace(at, 1, Names[pick(3)]);
            source += d + " t" + std::to_string(i) + " ";
        }
        const std::string guess = someDefines(), truth = someDefines();
        const bool skipping = pick(4) == 0;

        TTokenStream guessed;
        TDefineJournal journal;
        guessed.Defines.LoadDefines(guess);
        guessed.Skipping = skipping;
        guessed.Journal = &journal;
        const Reading onGuess = read(guessed, source);

        TTokenStream sequential;
        sequential.Defines.LoadDefines(truth);
        sequential.Skipping = skipping;
        const Reading onTruth = read(sequential, source);

        TDefines replayed;
        replayed.LoadDefines(truth);
        SCOPED_TRACE(source + " guess " + guess + " truth " + truth);
        const bool accepts = journal.Replay(replayed, 0, journal.Events.size());
        // The check without a copy answers as a replay on a copy would, for
        // the whole journal and for a part of it, and changes nothing.
        TDefines checked;
        checked.LoadDefines(truth);
        const std::vector<std::string> before = checked.Items();
        EXPECT_EQ(journal.Agrees(checked, 0, journal.Events.size()), accepts);
        const std::size_t from = pick(static_cast<int>(journal.Events.size()) + 1);
        const std::size_t to = from + pick(static_cast<int>(journal.Events.size() - from) + 1);
        TDefines part;
        part.LoadDefines(truth);
        EXPECT_EQ(journal.Agrees(checked, from, to), journal.Replay(part, from, to));
        EXPECT_EQ(checked.Items(), before);
        if (guess == truth) {
            EXPECT_TRUE(accepts);
        }
        if (!accepts) {
            ++refused;
            continue;
        }
        ++accepted;
        // An accepted journal's changes, applied without its queries, leave
        // the list the replay leaves.
        TDefines applied;
        applied.LoadDefines(truth);
        journal.Apply(applied, 0, journal.Events.size());
        EXPECT_EQ(applied.Items(), replayed.Items());
        EXPECT_EQ(onGuess.Tokens, onTruth.Tokens);
        EXPECT_EQ(onGuess.Skipping, onTruth.Skipping);
        EXPECT_EQ(replayed.Items(), onTruth.Defines);
    }
    // Both answers occur often enough for the property to mean something.
    EXPECT_GT(accepted, 300);
    EXPECT_GT(refused, 300);
}

// Replaying applies the changes in order on a list with duplicates, and
// stops at the first query answered otherwise.
TEST(TokenStreamTest, JournalReplayKeepsDuplicatesAndStopsAtAWrongAnswer) {
    TDefineJournal journal;
    journal.Events = {{TDefineEvent::Define, false, "X"},
                      {TDefineEvent::Undefine, false, "x"},
                      {TDefineEvent::Query, true, "X"},
                      {TDefineEvent::Define, false, "Y"}};
    TDefines twice;
    twice.LoadDefines("X");
    EXPECT_TRUE(journal.Replay(twice, 0, 4));  // X, X less one X: still defined
    EXPECT_EQ(twice.Items(), (std::vector<std::string>{"X", "Y"}));
    TDefines none;
    EXPECT_FALSE(journal.Replay(none, 0, 4));
    TDefines part;
    EXPECT_TRUE(journal.Replay(part, 0, 2));  // the query is not in that part
    EXPECT_TRUE(journal.Replay(part, 3, 4));
    EXPECT_EQ(part.Items(), (std::vector<std::string>{"Y"}));
}

// The current token views the scanner's window; the token a file stops at
// stays current, text and all, after the file is closed and while the next
// one has no token yet (an empty file).
TEST(TokenStreamTest, CurrentTokenOutlivesItsFile) {
    testsupport::TScratchDir dir;
    const std::string first = dir.Path() + "first.pas", other = dir.Path() + "other.pas",
                      empty = dir.Path() + "empty.pas";
    testsupport::WriteBytes(first, "unit First; interface implementation end.");
    testsupport::WriteBytes(other, "unit Other; interface uses First; implementation end.");
    testsupport::WriteBytes(empty, "");
    TTokenStream stream;
    stream.Open(first);
    do stream.NextToken();
    while (stream.CurrentToken.Kind != tkImplementation);
    stream.Close();
    EXPECT_EQ(stream.CurrentToken.Text, "implementation");
    stream.Open(other);  // reads its first window at once
    EXPECT_EQ(stream.CurrentToken.Text, "implementation");
    stream.Open(empty);
    stream.NextToken();
    EXPECT_EQ(stream.CurrentToken.Kind, tkEndOfInput);
    EXPECT_EQ(stream.CurrentToken.Text, "implementation");
}

}  // namespace
}  // namespace corvanet
