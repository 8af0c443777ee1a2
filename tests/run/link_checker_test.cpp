// The link checker itself: it must find the links that do not land (a missing
// page, a fragment in another letter case, an RTF context no topic declares)
// and tell the kinds of links apart by what precedes them.
#include <gtest/gtest.h>

#include <string>

#include "documents.h"
#include "output_queue.h"
#include "link_checker.h"
#include "scratch_dir.h"

namespace corvanet {
namespace {

using testsupport::ClassifyLink;
using testsupport::CheckLinks;

TEST(LinkChecker, ClassifiesByWhatPrecedesTheLink) {
    struct Case {
        const char* Before;
        testsupport::TLinkKind Kind;
    };
    const Case Cases[] = {
        {"procedure ", testsupport::lkHeading},
        {"  FUNCTION {c} (* d *)\r\n  ", testsupport::lkHeading},
        {"constructor // why\r\n  ", testsupport::lkHeading},
        {"TB = class(", testsupport::lkAncestor},
        {"TB = class { c } ( ", testsupport::lkAncestor},
        {"x := ", testsupport::lkRoutine},
        {"Draw(", testsupport::lkRoutine},
        {"procedure X; { c }\r\nbegin\r\n  ", testsupport::lkRoutine},
        {"s := 'http://x' + ", testsupport::lkRoutine},
        {"", testsupport::lkRoutine},
    };
    for (const Case& C : Cases) {
        const std::string Text = std::string(C.Before) + "Name;";
        EXPECT_EQ(ClassifyLink(Text, std::string(C.Before).size(), false), C.Kind) << C.Before;
    }
    EXPECT_EQ(ClassifyLink("uses ", 5, true), testsupport::lkUnit);
}

// Writes a document pair whose body is the given rendered tokens.
void WritePair(const std::string& Dir, const std::string& Unit,
               const std::vector<TDelayedToken>& Tokens) {
    TDocuments Docs;
    Docs.HtmlFileName = Dir + Unit + ".html";
    Docs.RtfFileName = Dir + Unit + ".rtf";
    Docs.OpenDocuments(Unit);
    for (const TDelayedToken& T : Tokens) Docs.RenderToken(T.Text, T.Caption, T.Target, T.Style);
    Docs.CloseDocuments();
}

TEST(LinkChecker, CountsLandedLinksAndListsTheOthers) {
    testsupport::TScratchDir Dir;
    WritePair(Dir.Path(), "A",
              {{"uses", "", "", tsKeyword},
               {" ", "", "", tsText},
               {"B.html", "B", "unit_B", tsLink},         // lands
               {" ", "", "", tsText},
               {"C.html", "C", "unit_C", tsLink},         // no page, no topic
               {" x := ", "", "", tsText},
               {"B.html#b_run", "Run", "B_Run", tsLink},  // lands
               {" ", "", "", tsText},
               {"B.html#b_stop", "Stop", "B_Stop", tsLink}});  // no such anchor
    WritePair(Dir.Path(), "B", {{"", "", "b_Run", tsAnchor}, {"Run", "", "", tsIdentifier}});

    const testsupport::TLinkReport Report = CheckLinks(Dir.Path());
    EXPECT_EQ(Report.Pages, 2);
    EXPECT_EQ(Report.Topics, 2);
    EXPECT_TRUE(Report.Problems.empty()) << Report.Summary();
    EXPECT_EQ(Report.Html[testsupport::lkUnit].Written, 2);
    EXPECT_EQ(Report.Html[testsupport::lkUnit].Landed, 1);
    EXPECT_EQ(Report.Html[testsupport::lkRoutine].Written, 2);
    EXPECT_EQ(Report.Html[testsupport::lkRoutine].Landed, 1);
    EXPECT_EQ(Report.Rtf[testsupport::lkUnit].Landed, 1);     // unit_B meets Unit_B
    EXPECT_EQ(Report.Rtf[testsupport::lkRoutine].Landed, 1);  // B_Run meets b_Run
    EXPECT_EQ(Report.Written(), 8);
    EXPECT_EQ(Report.Landed(), 4);
    ASSERT_EQ(Report.Missed.size(), 4u);
    EXPECT_FALSE(Report.AllLand());
}

// Browsers match fragments by letter case: an anchor written in another case
// than the link's fragment is a miss in HTML (RTF context strings ignore case).
TEST(LinkChecker, MatchesHtmlFragmentsExactly) {
    testsupport::TScratchDir Dir;
    WritePair(Dir.Path(), "A", {{"", "", "A_Top", tsAnchor}});
    testsupport::WriteBytes(Dir.Path() + "content.html",
                            "<A HREF = \"A.html#A_Top\" TARGET = \"main\">A.pas</A>\r\n"
                            "<A HREF = \"A.html#a_top\" TARGET = \"main\">A.pas</A>\r\n"
                            "<A HREF = \"Z.html\" TARGET = \"main\">Z.pas</A>\r\n");
    const testsupport::TLinkReport Report = CheckLinks(Dir.Path());
    EXPECT_EQ(Report.Html[testsupport::lkContents].Written, 3);
    EXPECT_EQ(Report.Html[testsupport::lkContents].Landed, 1);  // anchors are written in lower case
}

}  // namespace
}  // namespace corvanet
