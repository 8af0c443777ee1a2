// The decoders must reject what a reader would misread, or they could not
// catch an escaping fault: each row breaks a well-formed document in one way.
#include <gtest/gtest.h>

#include <string>

#include "output_fixture.h"

namespace corvanet::testing {
namespace {

class DecodeTest : public DocumentsTest {
protected:
    // A pair holding a comment with every special character, a string, an
    // anchor and a link.
    TReadBack Sample() {
        OpenPair();
        Docs.RenderToken("{ a<b & \"c\" \\ }", "", "", tsComment);
        Docs.RenderToken("\r\n", "", "", tsText);
        Docs.RenderToken("", "", "Main_X", tsAnchor);
        Docs.RenderToken("Main.html#Main_X", "X", "Main_X", tsLink);
        Docs.RenderToken("'s'", "", "", tsString);
        return ClosePair();
    }
    static std::string Replace(std::string Text, const std::string& From, const std::string& To) {
        std::size_t at = Text.find(From);
        EXPECT_NE(at, std::string::npos) << From;
        if (at != std::string::npos) Text.replace(at, From.size(), To);
        return Text;
    }
};

TEST_F(DecodeTest, AWellFormedPairDecodesWithItsAnchorsAndLinks) {
    TReadBack r = Sample();
    ExpectWholeSource(r, "{ a<b & \"c\" \\ }\r\nX's'");
    ASSERT_EQ(r.HtmlDoc.Anchors.size(), 2u);
    EXPECT_TRUE(r.HtmlDoc.Anchors[0].InHeader);
    EXPECT_EQ(r.HtmlDoc.Anchors[1].Name, "main_x");
    EXPECT_EQ(r.HtmlDoc.Anchors[1].Offset, 17u);
    ASSERT_EQ(r.HtmlDoc.Links.size(), 1u);
    EXPECT_EQ(r.HtmlDoc.Links[0].Target, "Main.html#main_x");
    EXPECT_EQ(r.HtmlDoc.Links[0].Caption, "X");
    EXPECT_EQ(r.HtmlDoc.Links[0].Offset, 17u);
    ASSERT_EQ(r.RtfDoc.Anchors.size(), 2u);
    EXPECT_EQ(r.RtfDoc.Anchors[0].Name, "Unit_Main");
    EXPECT_EQ(r.RtfDoc.Anchors[1].Name, "Main_X");
    EXPECT_EQ(r.RtfDoc.Anchors[1].Offset, 16u);  // the line end is one LF here
    ASSERT_EQ(r.RtfDoc.Links.size(), 1u);
    EXPECT_EQ(r.RtfDoc.Links[0].Target, "Main_X");
    EXPECT_EQ(r.RtfDoc.Links[0].Caption, "X");
}

TEST_F(DecodeTest, BrokenDocumentsAreReported) {
    const TReadBack r = Sample();
    struct TRow {
        const char* Why;
        bool Html;
        std::string Document;
    };
    const TRow rows[] = {
        {"raw less-than", true, Replace(r.Html, "a&lt;b", "a<b")},
        {"entity without semicolon", true, Replace(r.Html, "a&lt;b", "a&ltb")},
        {"raw ampersand", true, Replace(r.Html, "&amp;", "&")},
        {"raw quote in an attribute", true, Replace(r.Html, "main_x\">X", "main\"x\">X")},
        {"unbalanced tags", true, Replace(r.Html, "</FONT></I>", "</I></FONT>")},
        {"unknown tag", true, Replace(r.Html, "<I>", "<EM>")},
        {"missing footer", true, Replace(r.Html, "</FONT></PRE></BODY></HTML>\r\n", "")},
        {"missing page anchor", true, Replace(r.Html, "<A NAME = \"unit_main\"></A>\r\n", "")},
        {"raw opening brace", false, Replace(r.Rtf, "\\{ a<b", "{ a<b")},
        {"raw closing brace", false, Replace(r.Rtf, "\\\\ \\}", "\\\\ }")},
        {"single backslash", false, Replace(r.Rtf, "\\\\ \\}", "\\ \\}")},
        {"unknown control word", false, Replace(r.Rtf, "\\cf9 ", "\\foo ")},
        {"footnote without its mark", false,
         Replace(r.Rtf, "#{\\*\\footnote Main_X}", "{\\*\\footnote Main_X}")},
        {"hidden text without a caption", false, Replace(r.Rtf, "{\\uldb X}", "X")},
        {"bytes after the document", false, r.Rtf + "x"},
        {"unclosed document", false, r.Rtf.substr(0, r.Rtf.size() - 3)},
    };
    for (const TRow& row : rows) {
        auto d = row.Html ? testsupport::DecodeHtmlPage(row.Document) : testsupport::DecodeRtfTopic(row.Document);
        EXPECT_FALSE(d.Ok()) << row.Why;
    }
}

TEST(NormaliseLineEnds, EveryKindOfLineEndIsOneLf) {
    EXPECT_EQ(testsupport::NormaliseLineEnds("a\r\nb\nc\rd\r\r\n\n\r"), "a\nb\nc\nd\n\n\n\n");
}

}  // namespace
}  // namespace corvanet::testing
