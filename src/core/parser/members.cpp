// Types with members as the modern dialect reads them: classes, objects,
// interfaces, dispinterfaces, helpers and records with methods, with their
// visibility sections, nested type, constant and variable sections, fields,
// methods, operators, properties and variant parts. A type named by a type
// declaration is recorded under its dotted path (TOuter.TInner) and its
// members under that path; CurrentClass and TypePrefix are put back as they
// were whatever a body gives, so a failed member list never lends its name to
// what follows it.
#include <algorithm>
#include <string>
#include <utility>

#include "parser.h"

namespace corvanet {

namespace {

TSymbolKind KindOfStructure(TTokenKind Keyword) {
    switch (Keyword) {
    case tkRecord: return skRecord;
    case tkInterface: case tkDispinterface: return skInterface;
    default: return skClass;
    }
}

}  // namespace

// Structure = ("class" | "object" | "interface" | "dispinterface" | "record")
//             ["sealed" | "abstract"] ["helper"] ["(" Ancestors ")"] ["for" Type]
//             [MemberSections "end"]
//           | "class" "of" Type
// Without a body (a forward declaration, "class(TBase);") the heading is all.
TParseResult TParser::ReadStructure() {
    // At "helper" of "type helper for T" there is no keyword to read.
    const bool TypeHelper = Kind() == tkIdentifier;
    const TTokenKind Keyword = TypeHelper ? tkRecord : Kind();
    const std::string Name = std::exchange(PendingTypeName, {});
    const TSymbolKind StructureKind = KindOfStructure(Keyword);
    if (!Name.empty()) symbols_.SetLastSymbolKind(StructureKind);
    // The anchor of a class, object or interface stands after its keyword,
    // where the token after it shows that this is no forward declaration.
    const bool Anchored = !Name.empty() && StructureKind != skRecord;
    if (!TypeHelper) {
        if (Anchored && Pass() == 2 && queue_.HoldOutput && ClaimAnchor(AnchorKey({}, Name))) {
            queue_.QueueToken(Name, "", SymbolAnchor(Name), tsAnchor);
            Read();
        } else if (Anchored && Pass() == 2) {
            // What stands between the keyword and the next token waits in the
            // queue, so that the anchor goes right after the keyword, on the
            // line of the name, once the next token shows a body.
            queue_.HoldOutput = true;
            const std::size_t AnchorAt = queue_.DelayedTokens.size();
            Read();
            queue_.HoldOutput = false;
            if (Kind() != tkSemicolon && ClaimAnchor(AnchorKey({}, Name))) {
                queue_.QueueToken(Name, "", SymbolAnchor(Name), tsAnchor);
                auto& Queued = queue_.DelayedTokens;
                std::rotate(Queued.begin() + static_cast<std::ptrdiff_t>(AnchorAt), Queued.end() - 1, Queued.end());
            }
            WriteHeld();
        } else {
            Read();
            if (Anchored && Kind() != tkSemicolon && Pass() == 1 && !symbols_.AnchorsOnly) NoteAnchor({}, Name);
        }
    } else if (Anchored && Pass() == 2 && ClaimAnchor(AnchorKey({}, Name))) {
        queue_.QueueToken(Name, "", SymbolAnchor(Name), tsAnchor);
    } else if (Anchored && Pass() == 1 && !symbols_.AnchorsOnly) {
        NoteAnchor({}, Name);
    }
    if (Keyword == tkClass && AcceptLinking(tkOf)) {
        if (!Name.empty()) symbols_.SetLastSymbolKind(skType);
        return ReadTypeReference() == prParsed ? prParsed : prFailed;
    }
    if (Kind() == tkSemicolon) return prParsed;  // forward declaration
    if (IsWord("sealed") || IsWord("abstract")) Read();
    const bool Helper = IsWord("helper");
    if (Helper) Read();
    AncestorKey.clear();
    if (Keyword != tkRecord && ReadAncestors() == prFailed) return prFailed;
    // A helper without an ancestor of its own reaches the members of the type it extends.
    std::string Scope = std::move(AncestorKey);
    if (Helper) {
        if (!Accept(tkFor)) return prFailed;
        const bool Keep = Scope.empty() && Pass() == 1 && !symbols_.AnchorsOnly;
        if (!Accept(tkString) && ReadTypeReference(Keep ? &Scope : nullptr) != prParsed) return prFailed;
    }
    if (Keyword != tkRecord && Kind() == tkSemicolon) {  // "class(TBase);": its ancestor's members
        if (!Name.empty() && StructureKind != skInterface && !Scope.empty())
            symbols_.AddBodilessClass(symbols_.CurrentUnit, Name, Scope);
        return prParsed;
    }
    if (!Name.empty()) symbols_.AddClass(symbols_.CurrentUnit, Name);
    if (!Name.empty() && StructureKind != skInterface && !Scope.empty())
        symbols_.SetAncestor(symbols_.CurrentUnit, Name, Scope);
    const std::string OuterClass = symbols_.CurrentClass, OuterPrefix = TypePrefix;
    const bool OuterInterface = InInterfaceType;
    if (!Name.empty()) symbols_.CurrentClass = TypePrefix = Name;
    InInterfaceType = StructureKind == skInterface;
    const TParseResult R = ReadMemberSections(tkEnd);
    symbols_.CurrentClass = OuterClass;
    TypePrefix = OuterPrefix;
    InInterfaceType = OuterInterface;
    if (R != prParsed) return prFailed;
    return Accept(tkEnd) ? prParsed : prFailed;
}

// MemberSections = {Attributes | ["strict"] Visibility | Member}, up to Close.
// A section of types, constants or variables ends at the next visibility
// word, "strict" included, so that word names no field.
TParseResult TParser::ReadMemberSections(TTokenKind Close) {
    const TNesting Nesting(*this);  // variant parts nest member lists
    if (Nesting.TooDeep()) return prFailed;
    for (;;) {
        SkipAttributes();
        if (Kind() == Close || stream_.EndOfInput != 0) return prParsed;
        if (IsVisibilityWord(Kind()) || IsWord("strict")) {
            Read();
            continue;
        }
        if (ReadMember() != prParsed) return prFailed;
    }
}

// Member = Fields | "type" {TypeDeclaration} | "const" MemberConstants
//        | ["class"] ("var" | "threadvar") {Fields}
//        | ["class"] (MethodDeclaration | OperatorHeading | Property)
//        | RecordVariants
TParseResult TParser::ReadMember() {
    switch (Kind()) {
    case tkIdentifier: return ReadFields();
    case tkType:
        Read();
        while ((Kind() == tkIdentifier && !IsWord("strict")) || Kind() == tkLBracket) {
            NoteOtherMember();
            if (ReadTypeDeclaration() != prParsed) return prFailed;
        }
        return prParsed;
    case tkConst: Read(); return ReadMemberConstants();
    case tkCase: return ReadRecordVariants();
    default: break;
    }
    classRoutine_ = Accept(tkClass);
    if (Accept(tkVar) || Accept(tkThreadvar)) {
        classRoutine_ = false;
        while ((Kind() == tkIdentifier && !IsWord("strict")) || Kind() == tkLBracket) {
            SkipAttributes();
            if (ReadFields() != prParsed) return prFailed;
        }
        return prParsed;
    }
    if (TParseResult R = ReadMethodDeclaration(); R != prAbsent) return R;
    classRoutine_ = false;
    if (TParseResult R = ReadProperty(); R != prAbsent) return R;
    return prFailed;
}

// Fields = IdentList ":" Type [Hints] [";"]
// Fields are not members of the report; the type's scope notes their names.
TParseResult TParser::ReadFields() {
    collectFields_ = Pass() == 1;
    const TParseResult Names = ReadIdentList();
    collectFields_ = false;
    if (Names != prParsed) return Names;
    if (!AcceptLinking(tkColon) || ReadType() != prParsed) return prFailed;
    SkipHints();
    (void)Accept(tkSemicolon);
    // A field of a procedural type may name its calling convention after the ";".
    while (IsCallingConvention() || IsWord("winapi")) {
        Read();
        (void)Accept(tkSemicolon);
    }
    return prParsed;
}

// MemberConstants = {identifier [":" Type] "=" Value [Hints] ";"}
// A type's constants are its own, not the unit's: nothing is recorded.
TParseResult TParser::ReadMemberConstants() {
    for (;;) {
        SkipAttributes();
        if (IsWord("strict") || Kind() != tkIdentifier) return prParsed;
        NoteOtherMember();
        Read();
        if (AcceptLinking(tkColon) && ReadType() != prParsed) return prFailed;
        if (!Accept(tkEqual) || SkipValue() != prParsed) return prFailed;
        SkipHints();
        if (!Accept(tkSemicolon)) return prFailed;
    }
}

// RecordVariants = "case" [identifier ":"] Type "of"
//                  {Labels ":" "(" MemberSections ")" [";"]}
// The labels are passed over to their ":"; a variant's fields may hold a
// variant part of their own.
TParseResult TParser::ReadRecordVariants() {
    if (!Accept(tkCase)) return prAbsent;
    if (ReadTypeReference() != prParsed) return prFailed;
    if (Accept(tkColon) && ReadTypeReference() != prParsed) return prFailed;
    if (!Accept(tkOf)) return prFailed;
    for (;;) {
        if (Kind() == tkEnd || Kind() == tkRParen) return prParsed;
        if (SkipValue(tkColon) != prParsed || !Accept(tkColon) || !Accept(tkLParen)) return prFailed;
        if (ReadMemberSections(tkRParen) != prParsed || !Accept(tkRParen)) return prFailed;
        (void)Accept(tkSemicolon);
    }
}

// The symbol pass notes the identifier in hand as a name of the type being
// read that is not a member of the report.
void TParser::NoteOtherMember() {
    if (Pass() == 1 && Kind() == tkIdentifier && !symbols_.CurrentClass.empty())
        symbols_.AddOtherName(symbols_.CurrentUnit, symbols_.CurrentClass, Text());
}

}  // namespace corvanet
