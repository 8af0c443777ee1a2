// The declaration sections of an interface: labels, constants, types,
// variables and routine headings. In pass 1 each declared name is recorded the
// moment it is read, before the rest of its declaration, so a declaration that
// fails later still leaves its name in the table; in the other passes the same
// rules only consume tokens. Every loop here repeats only after a token was read.
#include <algorithm>
#include <string>
#include <utility>

#include "parser.h"

namespace corvanet {

bool TParser::IsCallingConvention() const noexcept {
    if (IsWord("register") || IsWord("pascal") || IsWord("cdecl") || IsWord("stdcall") || IsWord("safecall"))
        return true;
    const std::string_view Macro = MacroText();
    return SameText(Macro, "register") || SameText(Macro, "pascal") || SameText(Macro, "cdecl") ||
           SameText(Macro, "stdcall") || SameText(Macro, "safecall");
}

std::string_view TParser::MacroText() const {
    if (stream_.Macros.empty() || Kind() != tkIdentifier) return {};
    const auto Macro = stream_.Macros.find(LowerAscii(Text()));
    return Macro == stream_.Macros.end() ? std::string_view() : std::string_view(Macro->second);
}

// Declarations = {LabelSection | ConstSection | TypeSection | VarSection
//                 | RoutineDeclaration | ExportsSection | ResourcestringSection}
// Ends with prParsed at the first token that starts none of them.
TParseResult TParser::ReadDeclarations() {
    static constexpr TRule Sections[] = {
        &TParser::ReadLabelSection,  &TParser::ReadConstSection,
        &TParser::ReadTypeSection,   &TParser::ReadVarSection,
        &TParser::ReadRoutineDeclaration, &TParser::ReadExportsSection,
        &TParser::ReadResourcestringSection,
    };
    for (;;) {
        TParseResult R = prAbsent;
        if (Modern()) SkipAttributes();
        for (TRule Section : Sections) {
            R = (this->*Section)();
            if (R != prAbsent) break;
        }
        if (R == prAbsent) return prParsed;
        if (R == prFailed) return prFailed;
    }
}

// identifier {"," identifier}, each name recorded with Kind as it is read.
TParseResult TParser::ReadRecordedNames(TSymbolKind Kind) {
    if (this->Kind() != tkIdentifier) return prAbsent;
    for (;;) {
        if (this->Kind() != tkIdentifier) return prFailed;
        symbols_.AddSymbol(symbols_.CurrentUnit, Text(), Kind);
        DeclareAnchor({}, Text());
        Read();
        if (!Accept(tkComma)) return prParsed;
    }
}

// Rule {Rule}: the sections' bodies. prAbsent ends the repetition as read.
TParseResult TParser::ReadWhileParsed(TRule Rule) {
    for (;;) {
        const TParseResult R = (this->*Rule)();
        if (R == prAbsent) return prParsed;
        if (R == prFailed) return prFailed;
    }
}

// LabelSection = "label" identifier {"," identifier} ";"
TParseResult TParser::ReadLabelSection() {
    if (!Accept(tkLabel)) return prAbsent;
    if (ReadRecordedNames(skLabel) != prParsed) return prFailed;
    return Accept(tkSemicolon) ? prParsed : prFailed;
}

// ConstSection = "const" {ConstDeclarations}
TParseResult TParser::ReadConstSection() {
    if (!Accept(tkConst)) return prAbsent;
    return ReadWhileParsed(&TParser::ReadConstDeclarations);
}

// ConstDeclarations = {identifier (":" Type "=" ConstValue | "=" Expression) ";"}
// A value that is not followed by ";" has the token after it passed over
// unchecked; the section then goes on behind it.
// The modern dialect passes over every value to its ";" (lists, record
// values, calls) and allows hints after it.
TParseResult TParser::ReadConstDeclarations() {
    TParseResult Result = prAbsent;
    if (Modern()) SkipAttributes();
    while (Modern() && Kind() == tkIdentifier) {
        symbols_.AddSymbol(symbols_.CurrentUnit, Text(), skConstant);
        DeclareAnchor({}, Text());
        Read();
        if (AcceptLinking(tkColon) && ReadType() != prParsed) return prFailed;
        if (!Accept(tkEqual) || SkipValue() != prParsed) return prFailed;
        SkipHints();
        if (!Accept(tkSemicolon)) return prFailed;
        Result = prParsed;
        SkipAttributes();
    }
    while (Kind() == tkIdentifier) {
        symbols_.AddSymbol(symbols_.CurrentUnit, Text(), skConstant);
        DeclareAnchor({}, Text());
        Read();
        Result = prFailed;
        if (Accept(tkColon)) {
            if (ReadTypedConstant() != prParsed) return prFailed;
        } else if (Accept(tkEqual)) {
            if (ReadExpression() != prParsed) return prFailed;
        } else {
            return prFailed;
        }
        if (!Accept(tkSemicolon)) {
            Read();
            return prParsed;
        }
        Result = prParsed;
    }
    return Result;
}

// The part of a typed constant after its ":": Type "=" ConstValue.
TParseResult TParser::ReadTypedConstant() {
    if (ReadType() != prParsed || !Accept(tkEqual)) return prFailed;
    return ReadConstValue() == prParsed ? prParsed : prFailed;
}

// TypeSection = "type" TypeDeclaration {TypeDeclaration}
TParseResult TParser::ReadTypeSection() {
    if (!Accept(tkType)) return prAbsent;
    return ReadWhileParsed(&TParser::ReadTypeDeclaration);
}

// TypeDeclaration = identifier "=" Type [";"]
// The name is recorded as a type; the record and class rules change its kind.
TParseResult TParser::ReadTypeDeclaration() {
    if (Modern()) SkipAttributes();
    if (Kind() != tkIdentifier) return prAbsent;
    if (Modern()) return ReadModernTypeDeclaration();
    LastTypeName = Text();
    TypeNameSet = true;
    symbols_.AddSymbol(symbols_.CurrentUnit, Text(), skType);
    Read();
    if (!Accept(tkEqual)) return prFailed;
    if (ReadType() != prParsed) return prFailed;
    (void)Accept(tkSemicolon);
    return prParsed;
}

// ModernTypeDeclaration = identifier [TypeParameters] "=" ["type"] Type
//                         [Hints] [";" {Directive ";"}]
// A generic type is recorded under its key (GenericName), a nested one under
// its dotted path; the directives are those of a procedural type.
TParseResult TParser::ReadModernTypeDeclaration() {
    if (IsWord("generic")) Read();  // Free Pascal's word before a generic type
    if (Kind() != tkIdentifier) return prFailed;
    std::string Name(Text());
    // The anchor goes in front of the token after the name, or of the type
    // parameters once they have given the key.
    const bool Held = ReadHoldingNext();
    std::size_t AnchorAt = 0;
    const bool Generic = Kind() == tkLess;
    if (Held && Generic) {
        queue_.HoldOutput = true;
        AnchorAt = queue_.DelayedTokens.size();
    }
    int Arity = 0;
    bool EqualTaken = false;
    std::string Parameters;
    if (Generic && ReadTypeParameters(Arity, Held, EqualTaken, &Parameters) != prParsed) return prFailed;
    std::string Caption = Name + "<" + Parameters + ">";
    Name = GenericName(Name, Arity);
    if (!TypePrefix.empty()) {
        Name = TypePrefix + "." + Name;
        Caption = TypePrefix + "." + Caption;
    }
    LastTypeName = Name;
    TypeNameSet = true;
    symbols_.AddSymbol(symbols_.CurrentUnit, Name, skType);
    if (!Held) {
        DeclareAnchor({}, Name);
    } else if (!Generic) {
        DeclareAnchor({}, Name);
        WriteHeld();
    } else {
        // The parameters wait in the queue from AnchorAt on, the token after them held.
        auto& Queued = queue_.DelayedTokens;
        const std::size_t Before = Queued.size();
        DeclareAnchor({}, Name);
        if (Queued.size() > Before)
            std::rotate(Queued.begin() + static_cast<std::ptrdiff_t>(AnchorAt), Queued.end() - 1, Queued.end());
        queue_.QueueCurrentToken();
    }
    if (Arity > 0) symbols_.AddCaption(symbols_.CurrentUnit, Name, Caption);
    if (!EqualTaken && !AcceptLinking(tkEqual)) return prFailed;
    // "type T" makes a distinct type; Free Pascal's "type helper for T" is a
    // helper, read as a record helper.
    if (Accept(tkType) && IsWord("helper")) {
        PendingTypeName = Name;
        const TParseResult H = ReadStructure();
        PendingTypeName.clear();
        if (H != prParsed) return prFailed;
        (void)Accept(tkSemicolon);
        return prParsed;
    }
    PendingTypeName = Name;
    const TParseResult R = ReadType();
    PendingTypeName.clear();
    if (R != prParsed) return prFailed;
    SkipHints();
    if (!Accept(tkSemicolon)) return prParsed;
    while (IsCallingConvention() || IsWord("winapi") || IsWord("varargs") || IsWord("deprecated") ||
           IsWord("experimental") || IsWord("platform")) {
        SkipHints();
        if (IsCallingConvention() || IsWord("winapi") || IsWord("varargs")) Read();
        (void)Accept(tkSemicolon);
    }
    return prParsed;
}

// VarSection = "var" VarDeclaration {VarDeclaration}
// (and the modern dialect's "threadvar" section alike)
TParseResult TParser::ReadVarSection() {
    if (!Accept(tkVar) && !(Modern() && Accept(tkThreadvar))) return prAbsent;
    if (ReadVarDeclaration() != prParsed) return prFailed;
    return ReadWhileParsed(&TParser::ReadVarDeclaration);
}

// VarDeclaration = identifier {"," identifier} ":" Type ["=" ConstValue] ";"
// Modern: [Attributes] names ":" Type [Hints] ["absolute" X | "=" Value] [Hints] ";"
//   [Directives] ["=" Value ";"]
TParseResult TParser::ReadVarDeclaration() {
    if (Modern()) {
        SkipAttributes();
        if (TParseResult R = ReadRecordedNames(skVariable); R != prParsed) return R;
        if (!AcceptLinking(tkColon) || ReadType() != prParsed) return prFailed;
        SkipHints();
        if (IsWord("absolute") || Kind() == tkEqual) {
            Read();
            if (SkipValue() != prParsed) return prFailed;
        }
        SkipHints();
        // Free Pascal imports a variable with no ";" before "external".
        if (!IsWord("external") && !Accept(tkSemicolon)) return prFailed;
        // Free Pascal: a variable imported or exported by name.
        if (IsWord("cvar")) {
            Read();
            (void)Accept(tkSemicolon);
        }
        if (ReadDirectives(false) != prParsed) return prFailed;
        // A variable of a procedural type takes its value after the type's
        // directives: "P: function: Integer; stdcall = nil;".
        if (Kind() != tkEqual) return prParsed;
        Read();
        return SkipValue() == prParsed && Accept(tkSemicolon) ? prParsed : prFailed;
    }
    if (TParseResult R = ReadRecordedNames(skVariable); R != prParsed) return R;
    if (!Accept(tkColon) || ReadType() != prParsed) return prFailed;
    if (Accept(tkEqual) && ReadConstValue() != prParsed) return prFailed;
    return Accept(tkSemicolon) ? prParsed : prFailed;
}

// No rule reads what an exports or resourcestring section holds: it is passed
// over, unrecorded, up to the next token that starts a section or ends the
// part, so the declaration loop never stands still on the keyword.
void TParser::SkipUnreadSection() {
    for (;;) {
        switch (Kind()) {
        case tkLabel: case tkConst: case tkType: case tkVar: case tkThreadvar:
        case tkProcedure: case tkFunction: case tkExports: case tkResourcestring:
        case tkImplementation: case tkBegin: case tkInitialization: case tkFinalization:
        case tkEnd: case tkEndOfInput:
            return;
        default:
            if (stream_.EndOfInput != 0) return;
            Read();
        }
    }
}

// ExportsSection = "exports" ...   (passed over)
TParseResult TParser::ReadExportsSection() {
    if (!Accept(tkExports)) return prAbsent;
    SkipUnreadSection();
    return prParsed;
}

// ResourcestringSection = "resourcestring" ...   (passed over)
// The modern dialect records each name as a constant:
//   "resourcestring" {identifier "=" Value ";"}
TParseResult TParser::ReadResourcestringSection() {
    if (!Accept(tkResourcestring)) return prAbsent;
    while (Modern() && Kind() == tkIdentifier) {
        symbols_.AddSymbol(symbols_.CurrentUnit, Text(), skConstant);
        DeclareAnchor({}, Text());
        Read();
        if (!Accept(tkEqual) || SkipValue() != prParsed) return prFailed;
        SkipHints();
        if (!Accept(tkSemicolon)) return prFailed;
    }
    if (Modern()) return prParsed;
    SkipUnreadSection();
    return prParsed;
}

// Type = identifier | SimpleType | StringType | StructuredType | PointerType
//      | ProceduralType
// Every identifier is taken as a type name, so the later alternatives never
// see one; an interface, dispinterface or object type starts none of them.
// The modern dialect's type names may be qualified and generic, a name may
// start a subrange, and "reference to" starts a procedural type.
TParseResult TParser::ReadType() {
    const TNesting Nesting(*this);
    if (Nesting.TooDeep()) return prFailed;
    if (Modern() && Kind() == tkIdentifier) {
        if (IsWord("reference")) {
            Read();
            if (!Accept(tkTo)) return prFailed;
            return ReadProceduralType() == prParsed ? prParsed : prFailed;
        }
        // Free Pascal's words before a specialised or bit-packed type.
        if (IsWord("bitpacked")) {
            Read();
            return ReadStructuredType() == prParsed ? prParsed : prFailed;
        }
        if (IsWord("specialize")) Read();
        if (ReadTypeReference() != prParsed) return prFailed;
        // A bound that is a call (Low(Integer)..High(Integer)), or a string
        // type with its code page (AnsiString(1252)).
        if (Accept(tkLParen) && (SkipValue(tkRParen) != prParsed || !Accept(tkRParen))) return prFailed;
        if (Accept(tkRange)) return ReadExpression() == prParsed ? prParsed : prFailed;
        return prParsed;
    }
    if (Accept(tkIdentifier)) return prParsed;
    static constexpr TRule Alternatives[] = {
        &TParser::ReadSimpleType,  &TParser::ReadStringType,   &TParser::ReadStructuredType,
        &TParser::ReadPointerType, &TParser::ReadProceduralType,
    };
    for (TRule Alternative : Alternatives)
        if (TParseResult R = (this->*Alternative)(); R != prAbsent) return R;
    return prAbsent;
}

// SimpleType = OrdinalType
TParseResult TParser::ReadSimpleType() { return ReadOrdinalType(); }

// OrdinalType = Enumeration | identifier | Subrange
TParseResult TParser::ReadOrdinalType() {
    if (TParseResult R = ReadEnumeration(); R != prAbsent) return R;
    if (Accept(tkIdentifier)) return prParsed;
    return ReadSubrange();
}

// Enumeration = "(" identifier {"," identifier} ")"
// Each value is recorded as a constant of the unit.
TParseResult TParser::ReadEnumeration() {
    if (!Accept(tkLParen)) return prAbsent;
    // Modern: each value may be given ("A = 1", Free Pascal's "A := 1"), passed over.
    // The values of an enumeration declared among a type's members belong to
    // that type, as its constants do: they are not the unit's, and are not
    // recorded.
    while (Modern() && Kind() == tkIdentifier) {
        if (TypePrefix.empty()) {
            symbols_.AddSymbol(symbols_.CurrentUnit, Text(), skConstant);
            DeclareAnchor({}, Text());
        } else {
            NoteOtherMember();
        }
        Read();
        if ((Accept(tkEqual) || Accept(tkAssign)) && SkipValue(tkComma, tkRParen) != prParsed) return prFailed;
        if (!Accept(tkComma)) return Accept(tkRParen) ? prParsed : prFailed;
    }
    if (ReadRecordedNames(skConstant) != prParsed) return prFailed;
    return Accept(tkRParen) ? prParsed : prFailed;
}

// Subrange = Expression ".." Expression
// The second bound's result is the subrange's, prAbsent included.
TParseResult TParser::ReadSubrange() {
    if (ReadExpression() != prParsed) return prAbsent;
    if (!Accept(tkRange)) return prFailed;
    return ReadExpression();
}

// StringType = "string" ["[" integer "]"]
TParseResult TParser::ReadStringType() {
    if (!Accept(tkString)) return prAbsent;
    if (!Accept(tkLBracket)) return prParsed;
    return Accept(tkIntNumber) && Accept(tkRBracket) ? prParsed : prFailed;
}

// PointerType = "^" identifier
TParseResult TParser::ReadPointerType() {
    if (!Accept(tkCaret)) return prAbsent;
    if (Modern() && (Accept(tkString) || Accept(tkFile))) return prParsed;  // ^String, ^File
    return Accept(tkIdentifier) ? prParsed : prFailed;
}

// ProceduralType = ("procedure" [FormalParameters]
//                   | "function" [FormalParameters] ":" (identifier | "string"))
//                  ["of" "object"] [CallingConvention]
// Modern: any result type, and after the type "of object", "is nested" and
// calling conventions.
TParseResult TParser::ReadProceduralType() {
    if (Modern()) {
        if (Accept(tkFunction)) {
            if (ReadFormalParameters() == prFailed || !Accept(tkColon) || ReadType() != prParsed) return prFailed;
        } else if (!Accept(tkProcedure)) {
            return prAbsent;
        } else if (ReadFormalParameters() == prFailed) {
            return prFailed;
        }
        if (Accept(tkOf) && !Accept(tkObject)) return prFailed;
        if (Accept(tkIs) && !IsWord("nested")) return prFailed;
        if (IsWord("nested")) Read();
        while (IsCallingConvention() || IsWord("winapi") || IsWord("varargs")) Read();
        return prParsed;
    }
    if (Accept(tkFunction)) {
        if (ReadFormalParameters() == prFailed || !Accept(tkColon)) return prFailed;
        if (!Accept(tkIdentifier) && !Accept(tkString)) return prFailed;
    } else if (Accept(tkProcedure)) {
        if (ReadFormalParameters() == prFailed) return prFailed;
    } else {
        return prAbsent;
    }
    if (Accept(tkOf) && !Accept(tkObject)) return prFailed;
    if (IsCallingConvention()) Read();
    return prParsed;
}

// ConstValue = Expression | "(" ConstValue {"," ConstValue} ")"
//            | "(" identifier ":" ConstValue {";" identifier ":" ConstValue} ")"
//            | identifier | "nil"
// The expression comes first and takes every "(", so a parenthesised list of
// two or more values breaks at its comma and the value is not read.
TParseResult TParser::ReadConstValue() {
    const TNesting Nesting(*this);
    if (Nesting.TooDeep()) return prFailed;
    if (TParseResult R = ReadExpression(); R != prAbsent) return R;
    if (TParseResult R = ReadArrayConstant(); R != prAbsent) return R;
    if (TParseResult R = ReadRecordConstant(); R != prAbsent) return R;
    if (Kind() == tkIdentifier || Kind() == tkNil) {
        Read();
        return prParsed;
    }
    return prAbsent;
}

// ArrayConstant = "(" ConstValue {"," ConstValue} ")"
TParseResult TParser::ReadArrayConstant() {
    if (!Accept(tkLParen)) return prAbsent;
    return ReadListRest(&TParser::ReadConstValue, tkComma, tkRParen);
}

// RecordConstant = "(" RecordConstantField {";" RecordConstantField} ")"
TParseResult TParser::ReadRecordConstant() {
    if (!Accept(tkLParen)) return prAbsent;
    return ReadListRest(&TParser::ReadRecordConstantField, tkSemicolon, tkRParen);
}

// RecordConstantField = identifier ":" ConstValue
TParseResult TParser::ReadRecordConstantField() {
    if (!Accept(tkIdentifier)) return prAbsent;
    if (!Accept(tkColon)) return prFailed;
    return ReadConstValue() == prParsed ? prParsed : prFailed;
}

// RoutineDeclaration = (ProcedureHeading | FunctionHeading) ";" [CallingConvention ";"]
// Any other directive after the heading is left unread; the declaration loop
// ends at it.
TParseResult TParser::ReadRoutineDeclaration() {
    TParseResult R = ReadProcedureHeading();
    if (R == prFailed) return R;
    if (R == prAbsent) {
        R = ReadFunctionHeading();
        if (R != prParsed) return R;
    }
    if (Modern()) {
        (void)Accept(tkSemicolon);
        return ReadDirectives(false);
    }
    if (!Accept(tkSemicolon)) return prFailed;
    if (IsCallingConvention()) {
        Read();
        if (!Accept(tkSemicolon)) return prFailed;
    }
    return prParsed;
}

// FormalParameters = "(" ParameterGroup {";" ParameterGroup} ")"
// An empty pair of parentheses fails.
// The modern dialect allows the empty pair.
TParseResult TParser::ReadFormalParameters() {
    if (!Accept(tkLParen)) return prAbsent;
    if (Modern() && Accept(tkRParen)) return prParsed;
    return ReadListRest(&TParser::ReadParameterGroup, tkSemicolon, tkRParen);
}

// ParameterGroup = ["const" | "out" | "var"] IdentList [":" ["array" "of"] Type]
// Without a leading keyword nothing counts as started until the names are read.
// Modern: [Attributes] ["const" | "var" | "out" | "constref"] [Attributes]
//         IdentList [":" ("array" "of" ("const" | Type) | Type)] ["=" Value]
TParseResult TParser::ReadParameterGroup() {
    if (Modern()) {
        // A procedural type among the parameters has parameters of its own,
        // which count for none of the signatures.
        TSignature* const Signature = std::exchange(signature_, nullptr);
        TSignature* const Capture = std::exchange(capture_, nullptr);
        const TParseResult Result = ReadModernParameterGroup(Signature);
        capture_ = Capture;
        signature_ = Signature;
        return Result;
    }
    TParseResult Fallback = prAbsent;
    if (Kind() == tkConst || Kind() == tkOut || Kind() == tkVar) {
        Read();
        Fallback = prFailed;
    }
    if (ReadIdentList() != prParsed) return Fallback;
    if (!Accept(tkColon)) return prParsed;
    if (Accept(tkArray) && !Accept(tkOf)) return Fallback;
    return ReadType() == prParsed ? prParsed : Fallback;
}

// The modern group; with a Signature (pass 1) each of its names adds the
// group's type, as written, and an argument a call passes, or may pass where
// a default value follows. Modifiers and names do not count.
TParseResult TParser::ReadModernParameterGroup(TSignature* Signature) {
    SkipAttributes();
    const bool Keyword = Kind() == tkConst || Kind() == tkOut || Kind() == tkVar || IsWord("constref");
    if (Keyword) Read();
    SkipAttributes();
    TSignature Type;
    if (Signature) capture_ = &Type;  // counts the names and commas
    captured_ = 0;
    if (ReadIdentList() != prParsed) return Keyword ? prFailed : prAbsent;
    const auto Count = static_cast<std::uint16_t>((captured_ + 1) / 2);
    Type = {};
    capture_ = nullptr;
    if (AcceptLinking(tkColon)) {
        if (Signature) capture_ = &Type;
        if (Accept(tkArray)) {
            if (!AcceptLinking(tkOf)) return prFailed;
            if (!Accept(tkConst) && ReadType() != prParsed) return prFailed;
        } else if (ReadType() != prParsed) {
            return prFailed;
        }
        capture_ = nullptr;
    }
    const bool Default = Kind() == tkEqual;
    if (Accept(tkEqual) && SkipValue(tkRParen, tkRBracket) != prParsed) return prFailed;
    if (Signature) {
        for (std::uint16_t I = 0; I < Count; ++I) Signature->Mix(Type.Types);
        Signature->Max = static_cast<std::uint16_t>(Signature->Max + Count);
        if (!Default) Signature->Min = static_cast<std::uint16_t>(Signature->Min + Count);
    }
    return prParsed;
}

}  // namespace corvanet
