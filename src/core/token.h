// Token kinds, the keyword table and the token record: the one vocabulary in
// which every stage speaks about source text. The numbers are fixed: keyword
// kinds are 31 + the word's position in KeywordTable, and consumers test ranges
// (symbols 7..30, reserved words 31..96, visibility words 97..101), so the enum
// and the table are kept in step by static_asserts below.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvanet {

enum TTokenKind : std::uint8_t {
    tkIdentifier = 0,
    tkIntNumber = 1,
    tkRealNumber = 2,
    // A byte that starts no token, read as a token of its own in the modern
    // dialect (the classic one stops there); the parser passes over it.
    tkUnknown = 3,
    tkQuotedString = 4,
    tkComment = 5,
    tkDirective = 6,
    tkLParen = 7,
    tkRParen = 8,
    tkColon = 9,
    tkComma = 10,
    tkSemicolon = 11,
    tkPeriod = 12,
    tkEqual = 13,
    tkNotEqual = 14,
    tkLess = 15,
    tkLessEqual = 16,
    tkGreater = 17,
    tkGreaterEqual = 18,
    tkPlus = 19,
    tkMinus = 20,
    tkStar = 21,
    tkSlash = 22,
    // 23 and 24 are not used
    tkAssign = 25,
    tkCaret = 26,
    tkAt = 27,
    tkRange = 28,
    tkLBracket = 29,
    tkRBracket = 30,
    tkAnd = 31,
    tkArray = 32,
    tkAs = 33,
    tkAsm = 34,
    tkBegin = 35,
    tkCase = 36,
    tkClass = 37,
    tkConst = 38,
    tkConstructor = 39,
    tkDestructor = 40,
    tkDispinterface = 41,
    tkDiv = 42,
    tkDo = 43,
    tkDownto = 44,
    tkElse = 45,
    tkEnd = 46,
    tkExcept = 47,
    tkExports = 48,
    tkFile = 49,
    tkFinalization = 50,
    tkFinally = 51,
    tkFor = 52,
    tkFunction = 53,
    tkGoto = 54,
    tkIf = 55,
    tkImplementation = 56,
    tkIn = 57,
    tkInherited = 58,
    tkInitialization = 59,
    tkInline = 60,
    tkInterface = 61,
    tkIs = 62,
    tkLabel = 63,
    tkLibrary = 64,
    tkMod = 65,
    tkNil = 66,
    tkNot = 67,
    tkObject = 68,
    tkOf = 69,
    tkOr = 70,
    tkOut = 71,
    tkPacked = 72,
    tkProcedure = 73,
    tkProgram = 74,
    tkProperty = 75,
    tkRaise = 76,
    tkRecord = 77,
    tkRepeat = 78,
    tkResourcestring = 79,
    tkSet = 80,
    tkShl = 81,
    tkShr = 82,
    tkString = 83,
    tkStringresource = 84,
    tkThen = 85,
    tkThreadvar = 86,
    tkTo = 87,
    tkTry = 88,
    tkType = 89,
    tkUnit = 90,
    tkUntil = 91,
    tkUses = 92,
    tkVar = 93,
    tkWhile = 94,
    tkWith = 95,
    tkXor = 96,
    tkPublic = 97,
    tkPublished = 98,
    tkProtected = 99,
    tkPrivate = 100,
    tkAutomated = 101,
    tkWhitespace = 102,
    tkEndOfInput = 103,
};

inline constexpr int FirstKeyword = 31;
inline constexpr int LastKeyword = 101;
inline constexpr int FirstVisibilityWord = 97;

// Lower-case words; the entry for kind k is at k - FirstKeyword. The first 66
// are alphabetical, the last five are the class visibility words.
inline constexpr std::array<std::string_view, 71> KeywordTable = {
    "and", "array", "as", "asm", "begin", "case",
    "class", "const", "constructor", "destructor", "dispinterface", "div",
    "do", "downto", "else", "end", "except", "exports",
    "file", "finalization", "finally", "for", "function", "goto",
    "if", "implementation", "in", "inherited", "initialization", "inline",
    "interface", "is", "label", "library", "mod", "nil",
    "not", "object", "of", "or", "out", "packed",
    "procedure", "program", "property", "raise", "record", "repeat",
    "resourcestring", "set", "shl", "shr", "string", "stringresource",
    "then", "threadvar", "to", "try", "type", "unit",
    "until", "uses", "var", "while", "with", "xor",
    "public", "published", "protected", "private", "automated",
};

static_assert(KeywordTable.size() == LastKeyword - FirstKeyword + 1);
static_assert(tkAnd == FirstKeyword && tkAutomated == LastKeyword);
static_assert(KeywordTable[tkString - FirstKeyword] == "string");
static_assert(KeywordTable[tkXor - FirstKeyword] == "xor" && tkXor == 96);
static_assert(KeywordTable[tkPublic - FirstKeyword] == "public" && tkPublic == FirstVisibilityWord);
static_assert(KeywordTable[tkNil - FirstKeyword] == "nil" && tkNil == 66);
static_assert(KeywordTable[tkStringresource - FirstKeyword] == "stringresource");

// A token as the scanner hands it on. Text is the exact source characters,
// letter case kept; for tkEndOfInput it keeps whatever the record held
// before. The scanner's record views the scanner's window (no copy per
// token), valid until the scanner reads on or closes; Keep() moves the text
// into the record's own storage, and a copy of a record always owns its text.
struct TToken {
    TTokenKind Kind = tkEndOfInput;
    std::string_view Text;

    TToken() = default;
    TToken(TTokenKind K, std::string_view T) : Kind(K), Text(T) {}
    TToken(const TToken& Other) : Kind(Other.Kind), own_(Other.Text) { Text = own_; }
    TToken& operator=(const TToken& Other) {
        if (this != &Other) {
            Kind = Other.Kind;
            own_.assign(Other.Text);
            Text = own_;
        }
        return *this;
    }
    void Keep() {
        if (Text.data() == own_.data()) return;
        own_.assign(Text);
        Text = own_;
    }

private:
    std::string own_;
};

inline constexpr bool IsSymbolKind(TTokenKind k) { return k >= tkLParen && k <= tkRBracket; }
inline constexpr bool IsReservedWord(TTokenKind k) { return k >= FirstKeyword && k < FirstVisibilityWord; }
inline constexpr bool IsVisibilityWord(TTokenKind k) { return k >= FirstVisibilityWord && k <= LastKeyword; }
inline constexpr bool IsTrivia(TTokenKind k) {
    return k == tkComment || k == tkDirective || k == tkWhitespace || k == tkUnknown;
}

// The kind of a word: the keyword whose table entry equals the word lowered
// (ASCII letters only, whole-string equality), else tkIdentifier. Gives exactly
// the answer of a linear scan of KeywordTable, without scanning it.
TTokenKind LookupKeyword(std::string_view word) noexcept;

// "tkIdentifier", "tkBegin", ... for test messages and diagnostics.
std::string_view TokenKindName(TTokenKind k) noexcept;

}  // namespace corvanet
