// The cross-reference report of a run: the heading, the dashes, one line per
// unit, one row per symbol, class and method, the lines of early scanning stops
// and the count. Both front ends show the same text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline.h"
#include "symbols.h"

namespace corvanet {

// S left-aligned in 20 columns; a longer S is not cut.
std::string PadColumn(std::string_view S);

struct TReport {
    std::vector<std::string> Lines;  // heading, dashes, unit lines and rows, stop lines
    int Count = 0;                   // symbol, class and member rows
};

// Notes: lines after the stops (TRun::ReportNotes).
TReport BuildReport(const TSymbolTable& Symbols, const std::vector<TLexicalStop>& Stops,
                    const std::vector<std::string>& Notes = {});

// The same lines handed to Line one by one, in order, so that a front end can
// write them as they come instead of holding the report; returns Count.
using TReportLine = std::function<void(const std::string&)>;
int VisitReportLines(const TSymbolTable& Symbols, const std::vector<TLexicalStop>& Stops, const TReportLine& Line,
                     const std::vector<std::string>& Notes = {});

// "%d symbols scanned"
std::string SymbolCountText(int Count);
// Milliseconds as "hh:nn:ss", the milliseconds dropped (61500 -> "00:01:01").
std::string FormatElapsed(std::int64_t Milliseconds);
// The position of a progress bar: Position * 100 div Total, 0 when Total <= 0.
int ProgressPercent(int Total, int Position);

}  // namespace corvanet
