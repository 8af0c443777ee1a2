// Structured types and class members: arrays, records with variant parts,
// sets, files, and classes with their visibility sections, fields, methods,
// directives and properties. Pass 1 records a record's or class's kind, the
// class itself and (through the heading readers) its methods; pass 2 places the
// class's anchor. CurrentClass names the class only while its body is read:
// every type that reaches the class alternative leaves it empty afterwards.
#include "parser.h"

namespace corvanet {

// StructuredType = ["packed"] ArrayType | RecordType | ClassType | SetType | FileType
// Only an array may follow "packed".
TParseResult TParser::ReadStructuredType() {
    const bool Packed = Accept(tkPacked);
    if (Modern()) {
        // Any structured type may be packed, and every kind with members has
        // its own rule; a set, file or pointer type ends no membership.
        switch (Kind()) {
        case tkClass: case tkObject: case tkInterface: case tkDispinterface: case tkRecord:
            return ReadStructure();
        default: break;
        }
        PendingTypeName.clear();
        if (TParseResult R = ReadArrayType(); R != prAbsent) return R;
        if (TParseResult R = ReadSetType(); R != prAbsent) return R;
        return ReadFileType();
    }
    if (TParseResult R = ReadArrayType(); R != prAbsent) return R;
    if (Packed) return prFailed;
    if (TParseResult R = ReadRecordType(); R != prAbsent) return R;
    // Method headings inside the body are recorded as members of CurrentClass.
    // It is emptied whatever the class rule gives, so a field whose type gets
    // this far (a set, file, pointer or procedural type) also ends membership
    // for the methods after it.
    if (!TypeNameSet) InheritedTypeNameRead = true;
    symbols_.CurrentClass = LastTypeName;
    const TParseResult R = ReadClassType();
    symbols_.CurrentClass.clear();
    if (R != prAbsent) return R;
    if (TParseResult S = ReadSetType(); S != prAbsent) return S;
    return ReadFileType();
}

// ArrayType = "array" ["[" OrdinalType {"," OrdinalType} "]"] "of" Type
// The element type's result is the array's, prAbsent included.
TParseResult TParser::ReadArrayType() {
    if (!Accept(tkArray)) return prAbsent;
    if (Modern() && Accept(tkLBracket)) {
        // Bounds such as Low(T)..High(T) or a qualified enumeration.
        do {
            if (SkipValue(tkComma, tkRBracket) != prParsed) return prFailed;
        } while (Accept(tkComma));
        if (!Accept(tkRBracket)) return prFailed;
    } else if (Accept(tkLBracket) && ReadListRest(&TParser::ReadOrdinalType, tkComma, tkRBracket) != prParsed) {
        return prFailed;
    }
    if (!AcceptLinking(tkOf)) return prFailed;
    return ReadType();
}

// SetType = "set" "of" OrdinalType
TParseResult TParser::ReadSetType() {
    if (!Accept(tkSet)) return prAbsent;
    if (!Accept(tkOf)) return prFailed;
    return ReadOrdinalType() == prParsed ? prParsed : prFailed;
}

// FileType = "file" ["of" Type]
TParseResult TParser::ReadFileType() {
    if (!Accept(tkFile)) return prAbsent;
    if (Accept(tkOf) && ReadType() != prParsed) return prFailed;
    return prParsed;
}

// RecordType = "record" [FieldList] "end"
// The kind change acts on the symbol added last: the type name in a type
// declaration, the variable when the record is a variable's type.
TParseResult TParser::ReadRecordType() {
    if (Kind() != tkRecord) return prAbsent;
    symbols_.SetLastSymbolKind(skRecord);
    Read();
    if (ReadFieldList() == prFailed) return prFailed;
    return Accept(tkEnd) ? prParsed : prFailed;
}

// FieldList = [FixedFields [";"]] [VariantPart [";"]]
// The fixed fields already take the ";" after their last field, so the variant
// part is looked for whether or not a ";" still stands before it. A list with
// neither part (an empty record or variant) fails.
TParseResult TParser::ReadFieldList() {
    const TNesting Nesting(*this);
    if (Nesting.TooDeep()) return prFailed;
    const TParseResult F = ReadFixedFields();
    if (F == prFailed) return prFailed;
    if (F == prParsed) (void)Accept(tkSemicolon);
    const TParseResult V = ReadVariantPart();
    if (V == prAbsent) return F == prAbsent ? prFailed : prParsed;
    if (V == prParsed) (void)Accept(tkSemicolon);
    return V;
}

// FixedFields = IdentList ":" Type {";" IdentList ":" Type}
TParseResult TParser::ReadFixedFields() {
    if (TParseResult R = ReadIdentList(); R != prParsed) return R;
    for (;;) {
        if (!Accept(tkColon)) return prParsed;
        if (ReadType() != prParsed) return prFailed;
        if (!Accept(tkSemicolon)) return prParsed;
        const TParseResult R = ReadIdentList();
        if (R == prAbsent) return prParsed;
        if (R == prFailed) return prFailed;
    }
}

// VariantPart = "case" [identifier ":"] identifier "of" Variant {";" Variant} [";"]
// The first identifier after "case" is always the tag name, so a tag type
// without a tag name fails at "of".
TParseResult TParser::ReadVariantPart() {
    if (!Accept(tkCase)) return prAbsent;
    if (Accept(tkIdentifier) && !Accept(tkColon)) return prFailed;
    if (!Accept(tkIdentifier) || !Accept(tkOf)) return prFailed;
    for (;;) {
        const TParseResult R = ReadVariant();
        if (R == prAbsent) return prParsed;
        if (R == prFailed) return prFailed;
        if (!Accept(tkSemicolon)) return prParsed;
    }
}

// Variant = Expression {"," Expression} ":" "(" FieldList ")"
TParseResult TParser::ReadVariant() {
    if (TParseResult R = ReadExpression(); R != prParsed) return R;
    while (!Accept(tkColon)) {
        if (!Accept(tkComma) || ReadExpression() != prParsed) return prFailed;
    }
    if (!Accept(tkLParen) || ReadFieldList() == prFailed) return prFailed;
    return Accept(tkRParen) ? prParsed : prFailed;
}

// ClassType = "class" [Ancestors] ClassMembers {[Visibility] ClassMembers} "end"
// Without a body ("class;", "class(TBase);", "class of T") the token after the
// heading is passed over as the class's end. After members, a token that is
// neither a visibility word nor "end" gets one more member list and then ends
// the class one token later.
TParseResult TParser::ReadClassType() {
    if (Kind() != tkClass) return prAbsent;
    symbols_.SetLastSymbolKind(skClass);
    // Output is not held here, so the read below writes the anchor right after
    // the keyword. Type sections after `implementation` get no class anchor.
    if (Pass() == 2)
        queue_.QueueToken(symbols_.CurrentClass, "", SymbolAnchor(symbols_.CurrentClass), tsAnchor);
    Read();
    symbols_.AddClass(symbols_.CurrentUnit, symbols_.CurrentClass);
    if (ReadAncestors() == prFailed) return prFailed;
    if (ReadClassMembers() == prFailed) return prFailed;
    for (;;) {
        if (Accept(tkEnd)) return prParsed;
        const bool Seen = ReadVisibilityWord() == prParsed;
        if (ReadClassMembers() == prFailed) return prFailed;
        if (!Seen) {
            Read();
            return prParsed;
        }
    }
}

// ClassMembers = {FieldDeclaration} {MethodDeclaration | Property}
// Never prParsed: it ends with prAbsent at the first token that starts neither
// a method nor a property, or with prFailed.
TParseResult TParser::ReadClassMembers() {
    TParseResult R;
    while ((R = ReadFieldDeclaration()) == prParsed) {
    }
    if (R == prFailed) return prFailed;
    for (;;) {
        R = ReadMethodDeclaration();
        if (R == prAbsent) R = ReadProperty();
        if (R != prParsed) return R;
    }
}

// FieldDeclaration = IdentList ":" Type ";"   (fields are not recorded)
TParseResult TParser::ReadFieldDeclaration() {
    if (TParseResult R = ReadIdentList(); R != prParsed) return R;
    if (!Accept(tkColon) || ReadType() != prParsed) return prFailed;
    return Accept(tkSemicolon) ? prParsed : prFailed;
}

// MethodDeclaration = MethodHeading ";" MethodDirectives
// In the modern dialect a method resolution clause ("function IFoo.Bar =
// DoBar;") takes the place of the directives.
TParseResult TParser::ReadMethodDeclaration() {
    if (TParseResult R = ReadMethodHeading(); R != prParsed) return R;
    if (Modern()) {
        if (Accept(tkEqual) && !Accept(tkIdentifier)) return prFailed;
        (void)Accept(tkSemicolon);
        return ReadDirectives(true);
    }
    if (!Accept(tkSemicolon)) return prFailed;
    return ReadMethodDirectives() == prFailed ? prFailed : prParsed;
}

// MethodHeading = ["class"] ProcedureHeading | FunctionHeading
//               | ConstructorHeading | DestructorHeading
// "class" is accepted before a procedure only: after it anything else fails.
TParseResult TParser::ReadMethodHeading() {
    const bool IsClassMethod = Accept(tkClass);
    if (TParseResult R = ReadProcedureHeading(); R != prAbsent) return R;
    if (Modern()) {
        if (TParseResult R = ReadOperatorHeading(); R != prAbsent) return R;
    } else if (IsClassMethod) {
        return prFailed;
    }
    if (TParseResult R = ReadFunctionHeading(); R != prAbsent) return R;
    if (TParseResult R = ReadConstructorHeading(); R != prAbsent) return R;
    return ReadDestructorHeading();
}

// MethodDirectives = ["virtual" | "dynamic" | "override" ";"] ["message" Expression ";"]
//                    [CallingConvention ";"] ["abstract" ";"]
// At most one word of each group, in this order; a word out of order is left
// unread and the member list ends at it.
TParseResult TParser::ReadMethodDirectives() {
    if (Kind() != tkIdentifier) return prAbsent;
    if (IsWord("virtual") || IsWord("dynamic") || IsWord("override")) {
        Read();
        if (!Accept(tkSemicolon)) return prFailed;
    }
    if (IsWord("message")) {
        Read();
        if (ReadExpression() != prParsed || !Accept(tkSemicolon)) return prFailed;
    }
    if (IsCallingConvention()) {
        Read();
        if (!Accept(tkSemicolon)) return prFailed;
    }
    if (IsWord("abstract")) {
        Read();
        if (!Accept(tkSemicolon)) return prFailed;
    }
    return prParsed;
}

// Property = "property" name PropertyInterface PropertySpecifiers [";"]
// The name is passed over without a test.
TParseResult TParser::ReadProperty() {
    if (!Accept(tkProperty)) return prAbsent;
    if (Modern()) return ReadModernProperty();
    Read();
    if (ReadPropertyInterface() != prParsed) return prFailed;
    if (ReadPropertySpecifiers() != prParsed) return prFailed;
    (void)Accept(tkSemicolon);
    return prParsed;
}

// PropertyInterface = ["[" ParameterGroup {";" ParameterGroup} "]"] ":" identifier
//                     ["index" Expression]
// A property without a type, or typed with the keyword string, fails.
TParseResult TParser::ReadPropertyInterface() {
    if (Accept(tkLBracket) && ReadListRest(&TParser::ReadParameterGroup, tkSemicolon, tkRBracket) != prParsed)
        return prFailed;
    if (!Accept(tkColon) || !Accept(tkIdentifier)) return prFailed;
    if (IsWord("index")) {
        Read();
        if (ReadExpression() != prParsed) return prFailed;
    }
    return prParsed;
}

// PropertySpecifiers = ["read" name] ["write" name] ["stored" ...] ["default" ...]
// After an accessor one more token is passed over unchecked (normally the
// property's ";"), so a default value written before it is left unread. The
// word "stored" is read as the operand of an expression, which leaves the
// stored value to the final test.
TParseResult TParser::ReadPropertySpecifiers() {
    bool Pending = true;
    for (std::string_view Accessor : {"read", "write"}) {
        if (IsWord(Accessor)) {
            Read();
            Read();
            Pending = false;
        }
    }
    if (!Pending) Read();
    if (IsWord("stored")) {
        const TParseResult R = ReadExpression();
        if (R == prFailed) return prFailed;
        if (R == prParsed) Pending = false;
    }
    return ReadPropertyDefault(Pending ? prAbsent : prParsed);
}

// The last specifier: "default" [Expression], or any other word ("nodefault",
// a stored value), read whole. Without one the result is Otherwise.
TParseResult TParser::ReadPropertyDefault(TParseResult Otherwise) {
    if (Kind() != tkIdentifier) return Otherwise;
    if (!IsWord("default")) {
        Read();
        return prParsed;
    }
    Read();
    if (Kind() == tkSemicolon) return prParsed;
    return ReadExpression() == prParsed ? prParsed : prFailed;
}

// The modern property, after "property":
//   name ["[" ParameterGroup {";" ParameterGroup} "]"] [":" Type]
//   {Specifier} ";" ["default" ";"] [Hints]
// Specifier = ("read" | "write" | "stored" | "default" | "index" | "dispid"
//             | "add" | "remove") Expression | "implements" Type {"," Type}
//             | "nodefault" | "readonly" | "writeonly"
// A redeclared property has no type. It is recorded as a member of its type.
TParseResult TParser::ReadModernProperty() {
    if (Kind() != tkIdentifier) return prFailed;
    if (!symbols_.CurrentClass.empty()) {
        symbols_.AddMember(symbols_.CurrentUnit, symbols_.CurrentClass, Text(), skProperty);
        DeclareAnchor(symbols_.CurrentClass, Text());
    }
    Read();
    if (Accept(tkLBracket) && ReadListRest(&TParser::ReadParameterGroup, tkSemicolon, tkRBracket) != prParsed)
        return prFailed;
    if (AcceptLinking(tkColon) && ReadType() != prParsed) return prFailed;
    while (Kind() == tkIdentifier) {
        if (IsWord("nodefault") || IsWord("readonly") || IsWord("writeonly")) {
            Read();
        } else if (IsWord("implements")) {
            do {
                Read();
                if (ReadTypeReference() != prParsed) return prFailed;
            } while (Kind() == tkComma);
        } else if (IsWord("read") || IsWord("write") || IsWord("stored") || IsWord("default") ||
                   IsWord("index") || IsWord("dispid") || IsWord("add") || IsWord("remove")) {
            Read();
            if (ReadExpression() != prParsed) return prFailed;
        } else {
            break;
        }
    }
    if (!Accept(tkSemicolon)) return prFailed;
    if (IsWord("default")) {
        Read();
        if (!Accept(tkSemicolon)) return prFailed;
    }
    while (IsWord("deprecated") || IsWord("platform") || IsWord("experimental") || Kind() == tkLibrary) {
        SkipHints();
        (void)Accept(tkSemicolon);
    }
    return prParsed;
}

// Visibility = "public" | "published" | "protected" | "private" | "automated"
TParseResult TParser::ReadVisibilityWord() {
    if (!IsVisibilityWord(Kind())) return prAbsent;
    Read();
    return prParsed;
}

}  // namespace corvanet
