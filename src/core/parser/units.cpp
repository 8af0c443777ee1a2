// The outline of a source file: the project file's uses clause (which registers
// the project's units), the unit heading, the interface section and the uses
// clauses of a unit. A rule that holds output queues every significant token it
// takes before it returns, and every exit leaves HoldOutput false, so the
// output keeps every token once and in source order.
#include <string>

#include "../compare.h"
#include "parser.h"

namespace corvanet {

// uses ProjectUnits ";"
TParseResult TParser::ReadProjectUses() {
    if (Kind() != tkUses) return prAbsent;
    queue_.HoldOutput = true;
    Read();
    if (ReadProjectUnits() != prParsed) return prFailed;
    if (Kind() != tkSemicolon) return prFailed;
    Read();
    return prParsed;
}

// The name a unit is registered under, read back from the table so that the
// links and the pipeline's document names can never disagree.
std::string TParser::RegisteredUnit(std::string_view Path) const {
    const auto& Units = symbols_.UnitList();
    if (!Units.empty() && Units.back().Path == Path) return Units.back().Name;
    return ReplaceExtension(FileNamePart(Path), "");
}

// ProjectUnit { "," ProjectUnit }, ProjectUnit = Name [ in QuotedPath ].
// Entered and left with output held for the token in hand.
TParseResult TParser::ReadProjectUnits() {
    TParseResult Result = prAbsent;
    for (;;) {
        if (Kind() != tkIdentifier) {
            queue_.QueueCurrentToken();
            return Result;
        }
        const std::string Name(Text());
        const std::size_t Index = QueueHeldToken();
        Result = prFailed;
        Read();
        if (Kind() == tkIn) {
            // The link waits for the path: the page is named after the file,
            // which need not be the name written before `in`.
            QueueHeldToken();
            Read();
            if (Kind() != tkQuotedString) {
                AmendUnitLink(Index, Name, Name);
                queue_.QueueCurrentToken();
                return prFailed;
            }
            const std::string_view Literal = Text();
            const std::string Path(Literal.size() >= 2 ? Literal.substr(1, Literal.size() - 2) : std::string_view());
            symbols_.AddUnit(Path);
            AmendUnitLink(Index, RegisteredUnit(Path), Name);
            queue_.QueueCurrentToken();
            Read();
        } else {
            queue_.QueueCurrentToken();
        }
        if (Kind() != tkComma) return prParsed;
        queue_.HoldOutput = true;
        Read();
    }
}

// unit Name. The ";" is left to the dispatch. From here on anchors carry the
// heading's name in lower case.
TParseResult TParser::ReadUnitHeading() {
    if (Kind() != tkUnit) return prAbsent;
    Read();
    if (Kind() != tkIdentifier) return prFailed;
    symbols_.CurrentUnit = LowerAscii(Text());
    Read();
    return prParsed;
}

// interface [ UsesClause ] Declarations
TParseResult TParser::ReadInterfaceSection() {
    if (Kind() != tkInterface) return prAbsent;
    Read();
    if (ReadUsesClause() == prFailed) return prFailed;
    return ReadDeclarations() == prParsed ? prParsed : prFailed;
}

// uses IdentList ";". Pass 1 only passes over the names; the output passes
// link the project's units and make their symbols visible.
TParseResult TParser::ReadUsesClause() {
    if (Kind() != tkUses) return prAbsent;
    const bool Output = Pass() == 2 || Pass() == 3;
    if (Output) queue_.HoldOutput = true;
    Read();
    if (Output) {
        const TParseResult R = ReadUsedUnits();
        queue_.HoldOutput = false;
        if (R != prParsed) return prFailed;
    } else if (ReadIdentList() != prParsed) {
        return prFailed;
    }
    if (Kind() != tkSemicolon) return prFailed;
    Read();
    return prParsed;
}

// Name { "," Name }, entered with output held for the first name. The units
// found become visible only when the whole list has been read.
TParseResult TParser::ReadUsedUnits() {
    TParseResult Result = prAbsent;
    std::vector<int> Found;
    for (;;) {
        if (Kind() != tkIdentifier) {
            queue_.QueueCurrentToken();
            return Result;
        }
        const std::size_t Index = QueueHeldToken();
        const int U = symbols_.FindUnit(Text());
        if (U >= 0) {
            Found.push_back(U);
            AmendUnitLink(Index, symbols_.UnitList()[static_cast<std::size_t>(U)].Name, Text());
        }
        queue_.HoldOutput = false;
        Result = prFailed;
        Read();
        if (Kind() != tkComma) {
            symbols_.AddVisibleUnits(Found);
            return prParsed;
        }
        queue_.HoldOutput = true;
        Read();
    }
}

// Ident { "," Ident }; nothing recorded.
TParseResult TParser::ReadIdentList() {
    TParseResult Result = prAbsent;
    for (;;) {
        if (Kind() != tkIdentifier) return Result;
        Read();
        if (Kind() != tkComma) return prParsed;
        Read();
        Result = prFailed;
    }
}

}  // namespace corvanet
