// The outline of a source file: the project file's uses clause (which registers
// the project's units), the unit heading, the interface section and the uses
// clauses of a unit. A rule that holds output queues every significant token it
// takes before it returns, and every exit leaves HoldOutput false, so the
// output keeps every token once and in source order.
#include <string>

#include "../compare.h"
#include "parser.h"

namespace corvanet {

// uses ProjectUnits ";", and in a package `contains` ProjectUnits ";" (the
// modern dialect; the caller knows the file is a package).
TParseResult TParser::ReadProjectUses() {
    if (Kind() != tkUses && !(Modern() && IsWord("contains"))) return prAbsent;
    queue_.HoldOutput = true;
    Read();
    if (ReadProjectUnits() != prParsed) return prFailed;
    if (Kind() != tkSemicolon) return prFailed;
    Read();
    return prParsed;
}

// The page a unit is written to, read back from the table so that the links
// and the pipeline's document names can never disagree.
std::string TParser::RegisteredPage(std::string_view Path) const {
    const auto& Units = symbols_.UnitList();
    if (!Units.empty() && Units.back().Path == Path) return Units.back().Page;
    return ReplaceExtension(FileNamePart(Path), "");
}

// The file name between the quotes of a unit's path; the modern dialect reads
// a doubled quote as one, as the compiler does.
std::string TParser::QuotedPath(std::string_view Literal) const {
    std::string Path(Literal.size() >= 2 ? Literal.substr(1, Literal.size() - 2) : std::string_view());
    if (!Modern()) return Path;
    for (std::size_t At = Path.find("''"); At != std::string::npos; At = Path.find("''", At + 1))
        Path.erase(At, 1);
    return Path;
}

// Name { "." Name } in the modern dialect, one Name in the classic, entered
// with output held for the first name: each part is queued held and Parts
// gets their places; Name the whole name as written, without blanks. Leaves
// the token after the name unqueued and held; a period followed by anything
// but a name fails with that token queued.
TParseResult TParser::ReadUnitName(std::vector<std::size_t>& Parts, std::string& Name) {
    Name = Text();
    Parts.assign(1, QueueHeldToken());
    Read();
    while (Modern() && Kind() == tkPeriod) {
        QueueHeldToken();
        Read();
        if (Kind() != tkIdentifier) {
            queue_.QueueCurrentToken();
            return prFailed;
        }
        Name += '.';
        Name += Text();
        Parts.push_back(QueueHeldToken());
        Read();
    }
    return prParsed;
}

// A link to the page UnitPage on the unit name whose parts are queued at
// Parts: one entry of the whole name when nothing stands between the parts,
// else the last part. Entries after the parts move up.
void TParser::AmendUnitLink(const std::vector<std::size_t>& Parts, std::string_view Name,
                            std::string_view UnitPage) {
    auto& Queued = queue_.DelayedTokens;
    std::size_t Index = Parts.back();
    if (Parts.size() > 1 && Parts.back() - Parts.front() == 2 * (Parts.size() - 1)) {
        Index = Parts.front();
        const auto First = Queued.begin() + static_cast<std::ptrdiff_t>(Index);
        Queued.erase(First + 1, First + static_cast<std::ptrdiff_t>(Parts.back() - Index + 1));
        Queued[Index].Text = Name;
    }
    const std::string Caption = Queued[Index].Text;
    AmendUnitLink(Index, UnitPage, Caption);
}

// ProjectUnit { "," ProjectUnit }, ProjectUnit = UnitName [ in QuotedPath ].
// Entered and left with output held for the token in hand.
TParseResult TParser::ReadProjectUnits() {
    TParseResult Result = prAbsent;
    for (;;) {
        if (Kind() != tkIdentifier) {
            queue_.QueueCurrentToken();
            return Result;
        }
        std::vector<std::size_t> Parts;
        std::string Name;
        Result = prFailed;
        const int Line = NoteUsedUnitLines ? stream_.Scanner.TokenLine() : 0;
        if (ReadUnitName(Parts, Name) != prParsed) return prFailed;
        if (Kind() == tkIn) {
            // The link waits for the path: the classic page is named after
            // the file, which need not be the name written before `in`.
            QueueHeldToken();
            Read();
            if (Kind() != tkQuotedString) {
                AmendUnitLink(Parts, Name, Name);
                queue_.QueueCurrentToken();
                return prFailed;
            }
            const std::string Path = QuotedPath(Text());
            if (!UnitReadable || UnitReadable(Name, Path)) {
                // The modern dialect registers the unit as the compiler names it.
                symbols_.AddUnit(Path, Modern() ? std::string_view(Name) : std::string_view());
                AmendUnitLink(Parts, Name, RegisteredPage(Path));
            }
            queue_.QueueCurrentToken();
            Read();
        } else {
            // A unit without a path may be found on the search path.
            if (const auto Page = LookUpUnit ? LookUpUnit(Name, Line) : std::nullopt) AmendUnitLink(Parts, Name, *Page);
            queue_.QueueCurrentToken();
        }
        if (Kind() != tkComma) return prParsed;
        queue_.HoldOutput = true;
        Read();
    }
}

// unit Name (a dotted name in the modern dialect). The ";" is left to the
// dispatch. From here on anchors carry the heading's name in lower case, with
// the suffix of the unit's page where its name was taken.
TParseResult TParser::ReadUnitHeading() {
    if (Kind() != tkUnit) return prAbsent;
    Read();
    if (Kind() != tkIdentifier) return prFailed;
    std::string Name(Text());
    Read();
    while (Modern() && Kind() == tkPeriod) {
        Read();
        if (Kind() != tkIdentifier) break;
        Name += '.';
        Name += Text();
        Read();
    }
    // The modern dialect names anchors by the page and keeps the registered
    // name, under which its anchors are listed.
    if (!Modern()) symbols_.CurrentUnit = LowerAscii(Name) + PageSuffix;
    return prParsed;
}

// interface [ UsesClause ] Declarations
TParseResult TParser::ReadInterfaceSection() {
    if (Kind() != tkInterface) return prAbsent;
    Read();
    if (ReadUsesClause() == prFailed) return prFailed;
    return ReadDeclarations() == prParsed ? prParsed : prFailed;
}

// uses UnitNames ";". Pass 1 only passes over the names; the output passes
// link the project's units and make their symbols visible.
// "contains" UnitName [in QuotedPath] {"," ...} ";": a package's units in
// the output pass, read as a uses clause is; the word comes held from the
// dispatch.
TParseResult TParser::ReadContainsClause() {
    if (!Modern() || !IsWord("contains")) return prAbsent;
    if (queue_.HoldOutput) QueueHeldToken();
    queue_.HoldOutput = true;
    Read();
    const TParseResult R = ReadUsedUnits();
    queue_.HoldOutput = false;
    if (R != prParsed || Kind() != tkSemicolon) return prFailed;
    Read();
    return prParsed;
}

TParseResult TParser::ReadUsesClause() {
    if (Kind() != tkUses) return prAbsent;
    const bool Output = Pass() == 2 || Pass() == 3;
    if (Output) queue_.HoldOutput = true;
    Read();
    if (Output) {
        const TParseResult R = ReadUsedUnits();
        queue_.HoldOutput = false;
        if (R != prParsed) return prFailed;
    } else if (ReadUnitNames() != prParsed) {
        return prFailed;
    }
    if (Kind() != tkSemicolon) return prFailed;
    Read();
    return prParsed;
}

// UnitName { "," UnitName }, entered with output held for the first name. The
// units found become visible only when the whole list has been read. The
// modern dialect reads dotted names and passes over an `in` path (a program's
// uses clause).
// The unit's own symbols come first, then the units of this clause from the
// last named to the first, then those of the clause before (the interface's,
// when this is the implementation's): a name declared in several is found
// where the compiler finds it.
void TParser::MakeUsedUnitsVisible(const std::vector<int>& Found) {
    usedUnits_.insert(usedUnits_.begin(), Found.rbegin(), Found.rend());
    std::vector<int> Order;
    Order.reserve(usedUnits_.size() + 1);
    if (const int Own = symbols_.FindUnit(symbols_.CurrentUnit); Own >= 0) Order.push_back(Own);
    Order.insert(Order.end(), usedUnits_.begin(), usedUnits_.end());
    symbols_.BeginVisibleSymbols(Order);
}

TParseResult TParser::ReadUsedUnits() {
    TParseResult Result = prAbsent;
    std::vector<int> Found;
    std::vector<std::size_t> Parts;
    std::string Name;
    for (;;) {
        if (Kind() != tkIdentifier) {
            queue_.QueueCurrentToken();
            return Result;
        }
        if (Modern()) {
            if (ReadUnitName(Parts, Name) != prParsed) return prFailed;
        } else {
            Name = Text();
            Parts.assign(1, QueueHeldToken());
        }
        const int U = symbols_.FindUsedUnit(Name);
        if (U >= 0) {
            Found.push_back(U);
            AmendUnitLink(Parts, Name, symbols_.UnitList()[static_cast<std::size_t>(U)].Page);
        }
        Result = prFailed;
        if (Modern()) {
            if (Kind() == tkIn) {
                QueueHeldToken();
                Read();
                if (Kind() == tkQuotedString) {
                    QueueHeldToken();
                    Read();
                }
            }
            queue_.QueueCurrentToken();
        } else {
            queue_.HoldOutput = false;
            Read();
        }
        if (Kind() != tkComma) {
            if (Modern())
                MakeUsedUnitsVisible(Found);
            else
                symbols_.AddVisibleUnits(Found);
            return prParsed;
        }
        queue_.HoldOutput = true;
        Read();
    }
}

// UnitName [ in QuotedPath ] { "," ... } outside the output passes (the
// classic dialect: Ident { "," Ident }): nothing queued; the names go to
// UsedUnitNames.
TParseResult TParser::ReadUnitNames() {
    TParseResult Result = prAbsent;
    for (;;) {
        if (Kind() != tkIdentifier) return Result;
        std::string Name(Text());
        const int Line = NoteUsedUnitLines ? stream_.Scanner.TokenLine() : 0;
        Result = prFailed;
        Read();
        while (Modern() && Kind() == tkPeriod) {
            Read();
            if (Kind() != tkIdentifier) return prFailed;
            Name += '.';
            Name += Text();
            Read();
        }
        UsedUnitNames.push_back(std::move(Name));
        UsedUnitLines.push_back(Line);
        if (Modern() && Accept(tkIn) && !Accept(tkQuotedString)) return prFailed;
        if (Kind() != tkComma) return prParsed;
        Read();
    }
}

// Ident { "," Ident }; nothing recorded.
TParseResult TParser::ReadIdentList() {
    TParseResult Result = prAbsent;
    for (;;) {
        if (Kind() != tkIdentifier) return Result;
        if (collectLocals_) locals_.emplace_back(Text());
        if (collectFields_) NoteOtherMember();
        Read();
        if (Kind() != tkComma) return prParsed;
        Read();
        Result = prFailed;
    }
}

}  // namespace corvanet
