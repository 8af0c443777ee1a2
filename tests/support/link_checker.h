// The link checker: visits every link of every page and topic a run wrote into
// a build directory and says whether it lands. An HTML link lands when its page
// exists and its fragment names an anchor of that page exactly (browsers match
// fragments by letter case); an RTF link lands when its context string names
// the "#" footnote of some topic, ignoring case as the help system does.
#pragma once

#include <array>
#include <string>
#include <string_view>
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
    // Anchor names a page holds twice, or (ignoring case) two topics or one
    // topic twice: "document: name".
    std::vector<std::string> DuplicateAnchors;
    // Symbol links whose fragment does not end in "_" and their caption
    // spelled as an anchor part (lower case, a byte above 127 as ".0hh"), a
    // ".k" overload number aside: "document: caption -> target". A bare
    // "inherited" is checked against the method it stands in, the nearest
    // method heading before it.
    std::vector<std::string> WrongCaptions;
    // Anchors of a page that do not stand on the line of the name they
    // anchor (a link to one would show another line): "page: name".
    std::vector<std::string> MisplacedAnchors;
    int Pages = 0;                      // HTML documents of source files
    int Topics = 0;                     // RTF documents

    int Written() const;
    int Landed() const;
    bool AllLand() const { return Missed.empty() && Problems.empty(); }
    // Every anchor name unique and on its name's line, and every symbol
    // link's caption the name it targets.
    bool AnchorsSound() const { return DuplicateAnchors.empty() && WrongCaptions.empty() && MisplacedAnchors.empty(); }
    // One line: the tallies by kind, then the misses and problems, one a line.
    std::string Summary() const;
};

TLinkReport CheckLinks(const std::string& BuildDir);

// Caption as the last part of an anchor name spells it.
std::string AnchorPart(std::string_view Caption);

// What a link in the text of a document is, by what precedes it (comments and
// blanks passed over) and by its target.
TLinkKind ClassifyLink(const std::string& Text, std::size_t Offset, bool UnitTarget);

}  // namespace corvanet::testsupport
