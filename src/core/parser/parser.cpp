// The parser object, the helpers every rule shares and the pass-2 dispatch.
// Whatever a rule decides, the dispatch consumes a token per call, so the
// output pass of a unit always reaches the end of the file.
#include "parser.h"

#include <string>

#include "../compare.h"
#include "../token.h"

namespace corvanet {

TParser::TParser(TTokenStream& Stream, TSymbolTable& Symbols, TOutputQueue& Queue)
    : stream_(Stream), symbols_(Symbols), queue_(Queue) {}

bool TParser::IsWord(std::string_view Word) const noexcept {
    return Kind() == tkIdentifier && SameText(Text(), Word);
}

std::size_t TParser::QueueHeld(std::string_view Text, TokenStyle Style) {
    queue_.QueueToken(Text, {}, {}, Style);
    return queue_.DelayedTokens.size() - 1;
}

std::size_t TParser::QueueHeldToken() { return QueueHeld(Text(), queue_.StyleOfToken()); }

std::string TParser::SymbolAnchor(std::string_view Name) const {
    std::string s = symbols_.CurrentUnit;
    s += '_';
    s += Name;
    return s;
}

std::string TParser::SymbolAnchor(std::string_view ClassName, std::string_view Name) const {
    std::string s = symbols_.CurrentUnit;
    s += '_';
    s += ClassName;
    s += '_';
    s += Name;
    return s;
}

TParseResult TParser::DispatchRule() {
    switch (Kind()) {
    case tkIdentifier:
        if (Modern() && IsWord("operator")) return ReadOperatorHeading();
        return LinkIdentifier();
    case tkConstructor: return ReadConstructorHeading();
    case tkDestructor: return ReadDestructorHeading();
    case tkFunction: return ReadFunctionHeading();
    case tkProcedure: return ReadProcedureHeading();
    case tkInterface: return ReadInterfaceSection();
    case tkUnit: return ReadUnitHeading();
    case tkUses: return ReadUsesClause();
    case tkImplementation:
        ResetBlocks();
        stream_.CurrentPass = 3;
        Read();
        return prParsed;
    default: return prAbsent;
    }
}

void TParser::DispatchToken() {
    // A rule that does not start here consumes nothing; passing the token over
    // below keeps the loop moving whatever the rules decide.
    if (Pass() == 3 && Modern()) TrackBlock();
    if (DispatchRule() != prAbsent) return;
    // Everything before the next token is written already; what comes up to
    // it is written as it is read, and the token itself waits.
    queue_.HoldNextToken = true;
    Read();
    queue_.HoldNextToken = false;
    if (Kind() == tkIdentifier) {
        queue_.HoldOutput = true;  // the identifier rule takes it from here
        return;
    }
    // The token was offered while held and so is still unwritten: offer it
    // again through the hook the run installed (FlushTokens).
    if (stream_.TokenHook) stream_.TokenHook();
}

}  // namespace corvanet
