// The symbol pass of one unit as the run reads it, and an independent count
// of the interface's routine headings to hold what it recorded against: for
// interface_stops (the on-demand investigation) and the acceptance floors.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "pipeline.h"

namespace corvanet::acceptance {

struct TInterfaceEnd {
    const char* How = "end of file";  // "implementation", "end", "end of file" or "stopped"
    int Line = 0;
    std::string Token;
    bool ReadToItsEnd() const;
};

// A run ready for the symbol pass in Dialect, with its defines, the units
// registered from the paths as the project file writes them.
void PrepareRun(TRun& Run, TDialect Dialect, const std::vector<std::string>& WrittenPaths);

// The pass-1 reading of one unit registered under Name (its place in the
// table's unit list is that of its registration), noting the first token after
// a section that did not end at `implementation`.
TInterfaceEnd ReadInterface(TRun& Run, const std::string& Name, const std::string& Disk);

using THeadings = std::map<std::string, int>;  // "owner|name|kind" -> count

// The headings a simple finder sees in the interface of the file at Disk.
THeadings FindHeadings(const std::string& Disk, TDialect Dialect);
// The headings the table holds for the unit at Index of its (unsorted) list.
THeadings RecordedHeadings(const TRun& Run, std::size_t Index);
// The anchor keys ("class_name", "name", "outer.inner" for a nested routine,
// lower case) a simple finder expects in the implementation of the file at
// Disk: one for each routine heading outside a type body, whether it opens a
// body, is external or forward; anonymous methods and procedural types have
// none. Offset receives where `implementation` starts in the file.
std::vector<std::string> FindBodyAnchors(const std::string& Disk, TDialect Dialect, std::uint64_t& Offset);

// Headings found, and how many of them were recorded alike. With HEADINGS_MISSING
// set, each one found but not recorded goes to standard error.
std::pair<int, int> CompareHeadings(const THeadings& Found, const THeadings& Recorded, const std::string& Unit);

}  // namespace corvanet::acceptance
