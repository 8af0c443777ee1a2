// Random sources for the tests that must hold on any input (the parser ends,
// every byte is written once): sequences drawn from a Delphi vocabulary and
// token-level mutations of real sources. Tokens are always joined with a
// blank, so no edit can make a comment or string run on and the scanner never
// stops early; each case is fully determined by its seed. Header-only, so it
// needs nothing from the link line beyond the lexical layer.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "decode.h"
#include "scanner.h"
#include "token.h"

namespace corvanet::testsupport {

// Words and symbols of the grammar's declarations, with the words that the
// rules test by text, and some trivia, directives included.
inline std::vector<std::string> NoiseVocabulary() {
    std::vector<std::string> Words;
    for (std::string_view K : KeywordTable) Words.emplace_back(K);
    for (const char* W :
         {"(", ")", ":", ",", ";", ".", "=", "<>", "<", "<=", ">", ">=", "+", "-", "*", "/", ":=", "^", "@",
          "..", "[", "]", "A", "B", "TFoo", "TBar", "Integer", "read", "write", "stored", "default",
          "nodefault", "index", "virtual", "dynamic", "override", "message", "abstract", "register",
          "pascal", "cdecl", "stdcall", "safecall", "False", "0", "42", "1.5", "'s'", "''", "{c}",
          "(* c *)", "// c\r\n", "\r\n", "{$DEFINE X}", "{$IFDEF X}", "{$IFNDEF X}", "{$ELSE}", "{$ENDIF}",
          // the modern dialect's words
          "strict", "sealed", "helper", "operator", "reference", "generic", "specialize", "overload",
          "reintroduce", "external", "name", "delayed", "deprecated", "platform", "implements", "readonly",
          "absolute", "winapi", "bitpacked", "cvar", "nested", "constref", "T<A>", "TList<TFoo, B>", "['{G}']"})
        Words.emplace_back(W);
    // The tokens that hold declarations together come up more often.
    for (const char* W : {";", ";", ":", "=", "(", ")", "A", "B", "TFoo", "end", "class", "type",
                          "interface", "procedure", "function", "record", "const", "var", "property"})
        Words.emplace_back(W);
    return Words;
}

inline std::size_t Pick(std::mt19937& Rng, std::size_t Count) { return Rng() % Count; }

// Count random vocabulary tokens, joined with blanks.
inline std::string RandomTokens(std::mt19937& Rng, std::size_t Count) {
    static const std::vector<std::string> Words = NoiseVocabulary();
    std::string Text;
    for (std::size_t i = 0; i < Count; ++i) {
        Text += Words[Pick(Rng, Words.size())];
        Text += ' ';
    }
    return Text;
}

// The texts of the tokens of Source, trivia included, as the scanner splits
// them: joined again they give Source back.
inline std::vector<std::string> SplitTokens(std::string Source) {
    TScanner Scanner;
    Scanner.OpenText(std::move(Source));
    std::vector<std::string> Tokens;
    TToken Token;
    while (Scanner.GetToken(Token) == srToken) Tokens.emplace_back(Token.Text);
    return Tokens;
}

// Tokens with Edits random edits (drop, repeat, swap with the next, replace by
// or insert a vocabulary token, cut the rest off), joined with blanks.
inline std::string MutateTokens(std::mt19937& Rng, std::vector<std::string> Tokens, int Edits) {
    static const std::vector<std::string> Words = NoiseVocabulary();
    for (int e = 0; e < Edits && !Tokens.empty(); ++e) {
        const std::size_t At = Pick(Rng, Tokens.size());
        switch (Pick(Rng, 6)) {
        case 0: Tokens.erase(Tokens.begin() + At); break;
        case 1: {
            const std::string Copy = Tokens[At];
            Tokens.insert(Tokens.begin() + At, Copy);
            break;
        }
        case 2: if (At + 1 < Tokens.size()) std::swap(Tokens[At], Tokens[At + 1]); break;
        case 3: Tokens[At] = Words[Pick(Rng, Words.size())]; break;
        case 4: Tokens.insert(Tokens.begin() + At, Words[Pick(Rng, Words.size())]); break;
        default: Tokens.resize(At); break;
        }
    }
    std::string Text;
    for (const auto& T : Tokens) Text += T + ' ';
    return Text;
}

// Every unit and project source of the examples, as bytes, in path order.
inline std::vector<std::string> ExampleSourceTexts() {
    std::vector<std::string> Paths, Texts;
    const std::filesystem::path Root = std::filesystem::path(CORVANET_SOURCE_DIR) / "examples";
    if (!std::filesystem::exists(Root)) return Texts;
    for (const auto& Entry : std::filesystem::recursive_directory_iterator(Root)) {
        const auto Ext = Entry.path().extension().string();
        if (Entry.is_regular_file() && (Ext == ".pas" || Ext == ".dpr")) Paths.push_back(Entry.path().string());
    }
    std::sort(Paths.begin(), Paths.end());
    for (const auto& Path : Paths) Texts.push_back(ReadFileBytes(Path));
    return Texts;
}

// One construct that nests: a unit is Head, Depth times Open, Core, Depth
// times Close, then Tail. The kinds cover every rule of the grammar that can
// recur, in the interface and in the implementation.
struct TNestingKind {
    const char* Name;
    const char* Head;
    const char* Open;
    const char* Core;
    const char* Close;
    const char* Tail;
};

inline const std::vector<TNestingKind>& NestingKinds() {
    static const std::vector<TNestingKind> Kinds = {
        {"parentheses", "unit U; interface const C = ", "(", "1", ")", "; implementation end."},
        {"unary minus", "unit U; interface const C = ", "- ", "1", "", "; implementation end."},
        {"not", "unit U; interface const C = ", "not ", "A", "", "; implementation end."},
        {"sets", "unit U; interface const C = ", "[", "1", "]", "; implementation end."},
        {"indexes", "unit U; interface const C = ", "A[", "1", "]", "; implementation end."},
        {"typed constants", "unit U; interface const C: T = ", "(1, ", "1", ")", "; implementation end."},
        {"record constants", "unit U; interface const C: T = ", "(F: ", "1", ")", "; implementation end."},
        {"array types", "unit U; interface type T = ", "array of ", "Integer", "", "; implementation end."},
        {"file types", "unit U; interface type T = ", "file of ", "Integer", "", "; implementation end."},
        {"records", "unit U; interface type T = ", "record F: ", "Integer", "; end", "; implementation end."},
        {"variant parts", "unit U; interface type T = record ", "case K: Integer of 1: (", "F: Integer", ")",
         " end; implementation end."},
        {"classes", "unit U; interface type T = ", "class F: ", "Integer", "; end", "; implementation end."},
        {"procedural types", "unit U; interface type T = ", "procedure(P: ", "Integer", ")",
         "; implementation end."},
        {"parameters", "unit U; interface procedure P(", "A: procedure(", "B: Integer", ")", "); implementation end."},
        {"subranges", "unit U; interface type T = ", "(", "1", ")", "..2; implementation end."},
        {"generic arguments", "unit U; interface type T = ", "TList<", "Integer", ">", "; implementation end."},
        {"attributes", "unit U; interface type ", "[A(", "1", ")]", " T = Integer; implementation end."},
        {"blocks", "unit U; interface implementation procedure P; begin ", "begin ", "A", " end;",
         " end; end."},
        {"statements", "unit U; interface implementation procedure P; begin ", "if A then while B do ", "C",
         "", "; end; end."},
        {"nested routines", "unit U; interface implementation ", "procedure P; ", "", "begin end; ", "end."},
        {"calls", "unit U; interface implementation procedure P; begin ", "A(", "1", ")", "; end; end."},
    };
    return Kinds;
}

// Head, the openers of Levels outermost first, the innermost level's core,
// the closers innermost first, Tail.
inline std::string Nest(const std::vector<const TNestingKind*>& Levels, const char* Head, const char* Tail) {
    std::string Text = Head;
    for (const TNestingKind* Level : Levels) Text += Level->Open;
    if (!Levels.empty()) Text += Levels.back()->Core;
    for (auto Level = Levels.rbegin(); Level != Levels.rend(); ++Level) Text += (*Level)->Close;
    return Text + Tail;
}

inline std::string NestedText(const TNestingKind& Kind, std::size_t Depth) {
    return Nest(std::vector<const TNestingKind*>(Depth, &Kind), Kind.Head, Kind.Tail);
}

// Nesting that mixes the kinds' openers at random, Depth deep, each closed in
// the right order: what one kind's rule gives up on, another's may take.
inline std::string MixedNesting(std::mt19937& Rng, std::size_t Depth) {
    const auto& Kinds = NestingKinds();
    std::vector<const TNestingKind*> Levels;
    for (std::size_t i = 0; i < Depth; ++i) Levels.push_back(&Kinds[Pick(Rng, Kinds.size())]);
    return Nest(Levels, Kinds[Pick(Rng, Kinds.size())].Head, Kinds[Pick(Rng, Kinds.size())].Tail);
}

}  // namespace corvanet::testsupport
