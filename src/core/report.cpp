// The cross-reference report and the small formatting helpers the front ends
// share. The report reads the table in its sorted order and the stops in the
// order met, so the same project always gives the same lines.
#include "report.h"

#include <cstdio>
#include <initializer_list>

#include "scanner.h"

namespace corvanet {

namespace {

constexpr int ColumnWidth = 20;
constexpr std::size_t RuleWidth = 80;

// Appends S, padded with blanks to the width of a column.
void AppendColumn(std::string& Out, std::string_view S) {
    Out.append(S);
    if (S.size() < ColumnWidth) Out.append(ColumnWidth - S.size(), ' ');
}

// The rows are formed in one string that each next row reuses: a report has
// a row per symbol, and padded pieces joined afresh cost several allocations
// each.
const std::string& Row(std::string& Out, std::initializer_list<std::string_view> Columns) {
    Out.clear();
    for (std::string_view Column : Columns) AppendColumn(Out, Column);
    return Out;
}

// A generic type's key ("Tuple.2") is shown as it was declared ("Tuple<T1, T2>").
std::string_view Shown(const TURElm& Unit, std::string_view Name) {
    for (const TCaption& C : Unit.Captions)
        if (C.Key == Name) return C.Caption;
    return Name;
}

const std::string& MemberRow(std::string& Out, const TRefElm& Entry, std::string_view Name) {
    return Row(Out, {"", "", Name, SymbolKindName(Entry.Kind)});
}

// The unit's line and its rows; returns the number of rows.
int UnitRows(const TURElm& Unit, const TReportLine& Line, std::string& Text) {
    int Count = 0;
    Line(Text.assign(Unit.Name).append(":").append(Unit.Path));
    for (const TRefElm& Symbol : Unit.Symbols) {
        Line(MemberRow(Text, Symbol, Shown(Unit, Symbol.Name)));
        ++Count;
    }
    for (const TCRElm& Class : Unit.Classes) {
        Line(Row(Text, {"", Shown(Unit, Class.Name)}));  // two columns only, like the window's report
        ++Count;
        for (const TRefElm& Member : Class.Members) {
            Line(MemberRow(Text, Member, Member.Name));
            ++Count;
        }
    }
    return Count;
}

std::string StopLine(const TLexicalStop& Stop) {
    return Stop.Path + "(" + std::to_string(Stop.Line) + "): scanning stopped: " +
           std::string(ScanResultText(Stop.Reason));
}

}  // namespace

std::string PadColumn(std::string_view S) {
    std::string Padded;
    AppendColumn(Padded, S);
    return Padded;
}

int VisitReportLines(const TSymbolTable& Symbols, const std::vector<TLexicalStop>& Stops, const TReportLine& Line,
                     const std::vector<std::string>& Notes) {
    std::string Text;
    Line(Row(Text, {"Unit", "Class", "Reference", "Reference Type"}));
    Line(Text.assign(RuleWidth, '-'));
    int Count = 0;
    for (const TURElm& Unit : Symbols.UnitList()) Count += UnitRows(Unit, Line, Text);
    for (const TLexicalStop& Stop : Stops) Line(StopLine(Stop));
    for (const std::string& Note : Notes) Line(Note);
    return Count;
}

TReport BuildReport(const TSymbolTable& Symbols, const std::vector<TLexicalStop>& Stops,
                    const std::vector<std::string>& Notes) {
    TReport Report;
    Report.Count = VisitReportLines(
        Symbols, Stops, [&Report](const std::string& Line) { Report.Lines.push_back(Line); }, Notes);
    return Report;
}

std::string SymbolCountText(int Count) { return std::to_string(Count) + " symbols scanned"; }

std::string FormatElapsed(std::int64_t Milliseconds) {
    // A time of day, as the window shows it: whole seconds, hours wrapped at 24.
    const std::int64_t Seconds = Milliseconds > 0 ? Milliseconds / 1000 : 0;
    char Text[16];
    std::snprintf(Text, sizeof Text, "%02d:%02d:%02d", static_cast<int>(Seconds / 3600 % 24),
                  static_cast<int>(Seconds / 60 % 60), static_cast<int>(Seconds % 60));
    return Text;
}

int ProgressPercent(int Total, int Position) {
    if (Total <= 0) return 0;
    return static_cast<int>(static_cast<std::int64_t>(Position) * 100 / Total);
}

}  // namespace corvanet
