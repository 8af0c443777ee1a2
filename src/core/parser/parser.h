// The recursive-descent reader over the token stream's current token: one
// token of look-ahead, no backtracking, no tree. The same rules run in every
// pass: in pass 0 they register the project's units, in pass 1 they record
// interface declarations, in passes 2 and 3 they decide where anchors and
// links go while every token flows to the output queue. Rules never raise and
// never report; each consumes tokens or returns prAbsent, so any input ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "../output_queue.h"
#include "../symbols.h"
#include "../token_stream.h"

namespace corvanet {

enum TParseResult : std::uint8_t {
    prAbsent = 0,  // the current token does not start the construct; nothing read
    prParsed = 1,  // read; CurrentToken is the first token after it
    prFailed = 2,  // started, then a token did not fit; CurrentToken is that token
};

struct TLinkCounters {
    std::uint64_t HeadingLinks = 0;   // interface heading -> implementation
    std::uint64_t RoutineLinks = 0;   // use of a routine -> its body
    std::uint64_t AncestorLinks = 0;  // class ancestor -> its declaration
    std::uint64_t UnitLinks = 0;      // unit name -> the unit's page
};

class TParser {
public:
    TParser(TTokenStream& Stream, TSymbolTable& Symbols, TOutputQueue& Queue);

    // The name of the type most recently declared; the class rule copies it
    // into CurrentClass. Overwritten by each type declaration, never cleared.
    std::string LastTypeName;
    TLinkCounters Links;

    // --- unit structure and uses clauses (units.cpp) ---
    [[nodiscard]] TParseResult ReadProjectUses();
    [[nodiscard]] TParseResult ReadProjectUnits();
    [[nodiscard]] TParseResult ReadUnitHeading();
    [[nodiscard]] TParseResult ReadInterfaceSection();
    [[nodiscard]] TParseResult ReadUsesClause();
    [[nodiscard]] TParseResult ReadUsedUnits();
    [[nodiscard]] TParseResult ReadIdentList();

    // --- declarations (declarations.cpp) ---
    [[nodiscard]] TParseResult ReadDeclarations();
    [[nodiscard]] TParseResult ReadLabelSection();
    [[nodiscard]] TParseResult ReadConstSection();
    [[nodiscard]] TParseResult ReadConstDeclarations();
    [[nodiscard]] TParseResult ReadTypeSection();
    [[nodiscard]] TParseResult ReadTypeDeclaration();
    [[nodiscard]] TParseResult ReadVarSection();
    [[nodiscard]] TParseResult ReadVarDeclaration();
    [[nodiscard]] TParseResult ReadExportsSection();
    [[nodiscard]] TParseResult ReadResourcestringSection();
    [[nodiscard]] TParseResult ReadType();
    [[nodiscard]] TParseResult ReadSimpleType();
    [[nodiscard]] TParseResult ReadOrdinalType();
    [[nodiscard]] TParseResult ReadEnumeration();
    [[nodiscard]] TParseResult ReadSubrange();
    [[nodiscard]] TParseResult ReadStringType();
    [[nodiscard]] TParseResult ReadPointerType();
    [[nodiscard]] TParseResult ReadProceduralType();
    [[nodiscard]] TParseResult ReadConstValue();
    [[nodiscard]] TParseResult ReadRoutineDeclaration();
    [[nodiscard]] TParseResult ReadFormalParameters();
    [[nodiscard]] TParseResult ReadParameterGroup();

    // --- structured types and members (types.cpp) ---
    [[nodiscard]] TParseResult ReadStructuredType();
    [[nodiscard]] TParseResult ReadArrayType();
    [[nodiscard]] TParseResult ReadRecordType();
    [[nodiscard]] TParseResult ReadFieldList();
    [[nodiscard]] TParseResult ReadFixedFields();
    [[nodiscard]] TParseResult ReadVariantPart();
    [[nodiscard]] TParseResult ReadVariant();
    [[nodiscard]] TParseResult ReadSetType();
    [[nodiscard]] TParseResult ReadFileType();
    [[nodiscard]] TParseResult ReadClassType();
    [[nodiscard]] TParseResult ReadClassMembers();
    [[nodiscard]] TParseResult ReadFieldDeclaration();
    [[nodiscard]] TParseResult ReadMethodDeclaration();
    [[nodiscard]] TParseResult ReadMethodHeading();
    [[nodiscard]] TParseResult ReadMethodDirectives();
    [[nodiscard]] TParseResult ReadProperty();
    [[nodiscard]] TParseResult ReadPropertySpecifiers();
    [[nodiscard]] TParseResult ReadVisibilityWord();

    // --- expressions (expressions.cpp) ---
    [[nodiscard]] TParseResult ReadExpression();
    [[nodiscard]] TParseResult ReadSimpleExpression();
    [[nodiscard]] TParseResult ReadTerm();
    [[nodiscard]] TParseResult ReadFactor();
    [[nodiscard]] TParseResult ReadDesignator();
    [[nodiscard]] TParseResult ReadSelector();
    [[nodiscard]] TParseResult ReadSetConstructor();

    // --- identifier references and hyperlinks (links.cpp) ---
    [[nodiscard]] TParseResult ReadProcedureHeading();
    [[nodiscard]] TParseResult ReadFunctionHeading();
    [[nodiscard]] TParseResult ReadConstructorHeading();
    [[nodiscard]] TParseResult ReadDestructorHeading();
    [[nodiscard]] TParseResult ReadAncestors();
    [[nodiscard]] TParseResult LinkIdentifier();

    // Anchor names: "%s_%s" of (CurrentUnit, Name) and "%s_%s_%s" of
    // (CurrentUnit, Class, Name).
    std::string SymbolAnchor(std::string_view Name) const;
    std::string SymbolAnchor(std::string_view ClassName, std::string_view Name) const;

    // Shared helpers of the rules.
    TTokenKind Kind() const noexcept { return stream_.CurrentToken.Kind; }
    const std::string& Text() const noexcept { return stream_.CurrentToken.Text; }
    void Read() { stream_.NextToken(); }
    // True when the current token is an identifier whose lower-cased text is Word.
    bool IsWord(std::string_view Word) const noexcept;
    std::uint8_t Pass() const noexcept { return stream_.CurrentPass; }

    TTokenStream& Stream() noexcept { return stream_; }
    TSymbolTable& Symbols() noexcept { return symbols_; }
    TOutputQueue& Queue() noexcept { return queue_; }

private:
    TTokenStream& stream_;
    TSymbolTable& symbols_;
    TOutputQueue& queue_;
};

}  // namespace corvanet
