// The link checker: visits every link of every page and topic a run wrote into
// a build directory and says whether it lands. An HTML link lands when its page
// exists and its fragment names an anchor of that page exactly (browsers match
// fragments by letter case); an RTF link lands when its context string names
// the "#" footnote of some topic, ignoring case as the help system does.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace corvanet::testsupport {

enum TLinkKind {
    lkUnit = 0,      // a unit name to the unit's page or topic
    lkHeading = 1,   // an interface heading to its implementation
    lkRoutine = 2,   // the use of a routine to its body
    lkAncestor = 3,  // a class's ancestor to the ancestor's declaration
    lkContents = 4,  // the frame pages (index.html, content.html) to the pages
};
inline constexpr int LinkKindCount = 5;
const char* LinkKindName(TLinkKind Kind);

struct TLinkTally {
    int Written = 0;
    int Landed = 0;
};

struct TMissedLink {
    std::string Document;  // file name in the build directory
    TLinkKind Kind = lkRoutine;
    std::string Target;    // HTML: the HREF; RTF: the context string
    std::string Caption;
};

struct TLinkReport {
    std::array<TLinkTally, LinkKindCount> Html{};
    std::array<TLinkTally, LinkKindCount> Rtf{};
    std::vector<TMissedLink> Missed;
    std::vector<std::string> Problems;  // documents that do not decode
    int Pages = 0;                      // HTML documents of source files
    int Topics = 0;                     // RTF documents

    int Written() const;
    int Landed() const;
    bool AllLand() const { return Missed.empty() && Problems.empty(); }
    // One line: the tallies by kind, then the misses and problems, one a line.
    std::string Summary() const;
};

TLinkReport CheckLinks(const std::string& BuildDir);

// What a link in the text of a document is, by what precedes it (comments and
// blanks passed over) and by its target.
TLinkKind ClassifyLink(const std::string& Text, std::size_t Offset, bool UnitTarget);

}  // namespace corvanet::testsupport
