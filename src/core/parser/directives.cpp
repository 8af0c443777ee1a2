// The small pieces of the modern dialect's grammar that many rules share:
// routine directives with their arguments, hints, attributes, type parameter
// and argument lists, and values that are passed over rather than read (a
// typed constant's list, a default parameter value: nothing in them is
// recorded or linked). Every loop here reads a token before it repeats, and
// each stops at the end of the input, so any input ends.
#include <array>
#include <string>

#include "parser.h"

#include "../compare.h"

namespace corvanet {
namespace {

// Directives that take no argument. "public", "inline" and "library" are
// keywords of the scanner and are tested by their kinds.
constexpr std::array PlainDirectives = {
    "overload",  "override",     "virtual",    "dynamic",     "abstract",  "reintroduce",
    "final",     "static",       "assembler",  "cdecl",       "stdcall",   "safecall",
    "register",  "pascal",       "winapi",     "varargs",     "forward",   "far",
    "near",      "export",       "local",      "nostackframe", "compilerproc", "platform",
    "experimental", "unimplemented", "noreturn", "interrupt", "iocheck",  "cppdecl",
    "mwpascal",  "softfloat",    "vectorcall", "oldfpccall",  "hardfloat",
    "rtlproc",   "internproc",   "internconst", "saveregisters", "enumerator", "ms_abi_default",
    "ms_abi_cdecl", "sysv_abi_default", "sysv_abi_cdecl", "noinline", "weakexternal",
};

bool IsStop(TTokenKind K) {
    switch (K) {
    case tkImplementation: case tkBegin: case tkInitialization: case tkFinalization:
    case tkEndOfInput: case tkType: case tkVar: case tkProcedure: case tkFunction:
    case tkConstructor: case tkDestructor: case tkProperty: case tkThreadvar:
    case tkResourcestring:
        return true;
    default:
        return false;
    }
}

}  // namespace

std::string TParser::GenericName(std::string_view Name, int Arity) {
    std::string Key(Name);
    if (Arity > 0) Key += "." + std::to_string(Arity);
    return Key;
}

bool TParser::IsDirective(bool Member) const noexcept {
    if (Kind() == tkInline || Kind() == tkLibrary) return true;
    if (Kind() == tkPublic) return !Member;
    if (Kind() != tkIdentifier) return false;
    for (const char* Word : PlainDirectives)
        if (IsWord(Word)) return true;
    if (IsWord("message") || IsWord("dispid") || IsWord("external") || IsWord("alias") || IsWord("deprecated"))
        return true;
    // Free Pascal's macro for a directive ({$DEFINE extdecl:=cdecl}).
    const std::string_view Macro = MacroText();
    if (Macro.empty()) return false;
    for (const char* Word : PlainDirectives)
        if (SameText(Macro, Word)) return true;
    return false;
}

// Directive {[";"] Directive} [";"], each directive with its arguments:
// "message" X, "dispid" N, "external" [Lib] {"name" X | "index" N | "delayed"},
// "public" ["name" X], "alias" ":" X, "deprecated" ['text']; the rest alone.
TParseResult TParser::ReadDirectives(bool Member) {
    while (IsDirective(Member)) {
        const bool External = IsWord("external"), Public = Kind() == tkPublic;
        const bool Argument = IsWord("message") || IsWord("dispid");
        const bool Alias = IsWord("alias"), Deprecated = IsWord("deprecated");
        Read();
        if (Argument && ReadExpression() != prParsed) return prFailed;
        if (Alias && (!Accept(tkColon) || ReadExpression() != prParsed)) return prFailed;
        if (Deprecated) (void)Accept(tkQuotedString);
        if (External && Kind() != tkSemicolon && !IsWord("name") && !IsWord("index") && !IsWord("delayed") &&
            ReadExpression() != prParsed)
            return prFailed;
        while ((External || Public) && (IsWord("name") || IsWord("index") || IsWord("delayed"))) {
            const bool Delayed = IsWord("delayed");
            Read();
            if (!Delayed && ReadExpression() != prParsed) return prFailed;
        }
        (void)Accept(tkSemicolon);
    }
    return prParsed;
}

void TParser::SkipHints() {
    while (IsWord("deprecated") || IsWord("platform") || IsWord("experimental") || Kind() == tkLibrary) {
        const bool Deprecated = IsWord("deprecated");
        Read();
        if (Deprecated) (void)Accept(tkQuotedString);
    }
}

// Attributes hold arguments of any kind: brackets are counted, nothing else.
void TParser::SkipAttributes() {
    while (Kind() == tkLBracket) {
        int Depth = 0;
        do {
            if (Kind() == tkLBracket) ++Depth;
            if (Kind() == tkRBracket) --Depth;
            Read();
        } while (Depth > 0 && stream_.EndOfInput == 0 && !IsStop(Kind()));
    }
}

TParseResult TParser::SkipValue(TTokenKind Stop1, TTokenKind Stop2) {
    int Depth = 0;
    bool Any = false;
    while (stream_.EndOfInput == 0 && !IsStop(Kind())) {
        const TTokenKind K = Kind();
        if (Depth == 0 && (K == tkSemicolon || K == Stop1 || K == Stop2)) break;
        if (K == tkLParen || K == tkLBracket) ++Depth;
        if (K == tkRParen || K == tkRBracket) {
            if (Depth == 0) break;
            --Depth;
        }
        if (K == tkEnd && Depth == 0) break;
        Read();
        Any = true;
    }
    return Any ? prParsed : prFailed;
}

// TypeParameters = "<" Names [":" Constraint {"," Constraint}] {";" ...} ">"
// Commas count parameters only before a group's ":"; a constraint may be a
// generic type itself, so angle brackets are counted.
TParseResult TParser::ReadTypeParameters(int& Arity, bool Held, bool& EqualTaken, std::string* Names) {
    Arity = 0;
    EqualTaken = false;
    int Depth = 0;
    bool Constraint = false;
    const auto Take = [&] {
        if (Held) QueueHeldToken();
        Read();
    };
    for (;;) {
        const TTokenKind K = Kind();
        if (stream_.EndOfInput != 0 || (IsStop(K) && K != tkConstructor) || K == tkEqual || K == tkLParen ||
            K == tkEnd) {
            if (Held) queue_.QueueCurrentToken();
            return prFailed;
        }
        if (K == tkLess) ++Depth;
        if (Depth == 1 && K == tkIdentifier && !Constraint) {
            if (Names) *Names += (Arity == 0 ? "" : ", ") + std::string(Text());
            ++Arity;
        }
        if (Depth == 1 && K == tkColon) Constraint = true;
        if (Depth == 1 && K == tkSemicolon) Constraint = false;
        if (K == tkGreater || K == tkGreaterEqual) --Depth;
        Take();
        if (Depth == 0) {
            EqualTaken = K == tkGreaterEqual;
            return prParsed;
        }
    }
}

TParseResult TParser::ReadTypeReference(std::string* Key) {
    if (Kind() != tkIdentifier) return prAbsent;
    if (Key) *Key = Text();
    Read();
    return ReadTypeReferenceRest(Key);
}

TParseResult TParser::ReadTypeReferenceRest(std::string* Key) {
    for (;;) {
        int Arity = 0;
        if (Kind() == tkLess && ReadTypeArguments(&Arity) != prParsed) return prFailed;
        if (Key && Arity > 0) *Key = GenericName(*Key, Arity);
        if (!Accept(tkPeriod)) return prParsed;
        if (Kind() != tkIdentifier) return prFailed;
        if (Key) Key->append(".").append(Text());
        Read();
    }
}

TParseResult TParser::ReadTypeArguments(int* Arity) {
    if (!AcceptLinking(tkLess)) return prAbsent;
    for (;;) {
        if (ReadType() != prParsed) return prFailed;
        if (Arity) ++*Arity;
        if (Accept(tkGreater)) return prParsed;
        if (!AcceptLinking(tkComma)) return prFailed;
    }
}

}  // namespace corvanet
