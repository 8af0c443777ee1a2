// The document pair: exact headers and footers, buffered writes, errors of
// creation and writing, counters.
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <random>
#include <string>

#include "error.h"
#include "output_fixture.h"

namespace corvanet::testing {
namespace {

std::string Lines(std::initializer_list<std::string_view> Items) {
    std::string out;
    for (auto s : Items) out.append(s).append("\r\n");
    return out;
}

TEST_F(DocumentsTest, EmptyPairHoldsExactlyHeadersAndFooters) {
    OpenPair("Main");
    TReadBack r = ClosePair();
    EXPECT_EQ(r.Html, Lines({
                          R"(<HTML><HEAD><TITLE>Main.html</TITLE></HEAD>)",
                          R"(<BODY BGCOLOR="#00007F" VLINK="#FFFF00" LINK="#FFFF00"><PRE><FONT COLOR="#FFFF00">)",
                          R"(<A NAME = "unit_main"></A>)",
                          R"(</FONT></PRE></BODY></HTML>)",
                      }));
    EXPECT_EQ(r.Rtf, Lines({
                         R"({\rtf1\ansi \deff0\deflang1024)",
                         R"({\fonttbl)",
                         R"({\f0\fnil\charset1 Courier New;})",
                         R"(})",
                         R"({\colortbl;)",
                         R"(\red0\green0\blue0;)",
                         R"(\red128\green0\blue0;)",
                         R"(\red0\green128\blue0;)",
                         R"(\red128\green128\blue0;)",
                         R"(\red0\green0\blue128;)",
                         R"(\red128\green0\blue128;)",
                         R"(\red0\green128\blue128;)",
                         R"(\red128\green128\blue128;)",
                         R"(\red192\green192\blue192;)",
                         R"(\red255\green0\blue0;)",
                         R"(\red0\green255\blue0;)",
                         R"(\red255\green255\blue0;)",
                         R"(\red0\green0\blue255;)",
                         R"(\red255\green0\blue255;)",
                         R"(\red0\green255\blue255;)",
                         R"(\red255\green255\blue255;)",
                         R"(})",
                         R"(\fs20\f0\keepn)",
                         R"(#{\*\footnote Unit_Main}{\fs32\b Unit Main}\par\pard)",
                         R"(})",
                     }));
    EXPECT_TRUE(r.HtmlDoc.Ok()) << r.HtmlDoc.Error;
    EXPECT_TRUE(r.RtfDoc.Ok()) << r.RtfDoc.Error;
    EXPECT_EQ(r.RtfDoc.Title, "Unit Main");
    EXPECT_EQ(r.HtmlDoc.Title, "Main.html");
}

TEST_F(DocumentsTest, NamesThatNeedEscapingStayWellFormed) {
    OpenPair("a&b{c}");
    TReadBack r = ClosePair();
    ASSERT_TRUE(r.HtmlDoc.Ok()) << r.HtmlDoc.Error;
    ASSERT_TRUE(r.RtfDoc.Ok()) << r.RtfDoc.Error;
    EXPECT_EQ(r.HtmlDoc.Title, "a&b{c}.html");
    EXPECT_EQ(r.RtfDoc.Title, "Unit a&b{c}");
    EXPECT_EQ(r.RtfDoc.Anchors.at(0).Name, "Unit_a&b{c}");
}

TEST_F(DocumentsTest, TokensReachBothDocumentsInOrderAndAreCounted) {
    OpenPair();
    Docs.RenderToken("begin", "", "", tsKeyword);
    Docs.RenderToken("", "", "Main_X", tsAnchor);
    Docs.RenderToken("Main.html#Main_X", "X", "Main_X", tsLink);
    Docs.RenderToken(" < ", "", "", tsText);
    TReadBack r = ClosePair();
    ASSERT_TRUE(r.HtmlDoc.Ok()) << r.HtmlDoc.Error;
    ASSERT_TRUE(r.RtfDoc.Ok()) << r.RtfDoc.Error;
    EXPECT_EQ(r.HtmlDoc.Text, "beginX < ");
    EXPECT_EQ(r.RtfDoc.Text, "beginX < ");
    EXPECT_NE(r.Rtf.find("\\b\\cf16 begin\\b0\\cf12\r\n#{\\*\\footnote Main_X}\r\n{\\uldb X}{\\v*Main_X}\r\n < \r\n}"),
              std::string::npos);
    EXPECT_NE(r.Html.find("<B><FONT COLOR=\"#FFFFFF\">begin</FONT></B><A NAME = \"main_x\"></A>"
                          "<A HREF = \"Main.html#main_x\">X</A> &lt; </FONT>"),
              std::string::npos);
    EXPECT_EQ(Docs.Counters.Tokens, 4u);
    EXPECT_EQ(Docs.Counters.Links, 1u);
    EXPECT_EQ(Docs.Counters.Anchors, 1u);
    EXPECT_EQ(Docs.Counters.Bytes, r.Html.size() + r.Rtf.size());
}

TEST_F(DocumentsTest, OutputLargerThanTheBufferIsWrittenWhole) {
    OpenPair();
    std::string expected;
    for (int i = 0; i < 30000; ++i) {
        std::string t = "t" + std::to_string(i) + (i % 7 == 0 ? "\r\n" : " ");
        Docs.RenderToken(t, "", "", i % 2 ? tsText : tsString);
        expected += t;
    }
    TReadBack r = ClosePair();
    ASSERT_GT(r.Html.size(), 3u * 64 * 1024);
    ExpectWholeSource(r, expected);
}

// Tokens that end just before, at and after the end of a buffer, and tokens
// larger than a whole buffer, which grow it for the rest of the file: every
// byte arrives in order, and the counts are those of the files.
TEST_F(DocumentsTest, TokensAroundAndBeyondTheBufferEndAreWrittenExactly) {
    const std::string Alphabet = "ab {}<>&\\\r\n\x01\"";
    std::mt19937 Random(515);
    for (int Pair = 0; Pair < 2; ++Pair) {
        const std::uint64_t BytesBefore = Docs.Counters.Bytes;
        OpenPair();
        std::string Rtf, Html;
        for (int i = 0; i < 3000; ++i) {
            const std::size_t Size = i % 700 == 0 ? 70000 + Random() % 70000 : Random() % 90;
            std::string t(Size, 'x');
            for (char& c : t)
                if (Random() % 3 == 0) c = Alphabet[Random() % Alphabet.size()];
            const auto Style = static_cast<TokenStyle>(Random() % (tsPlain + 1));
            if (Style == tsAnchor || Style == tsLink) continue;
            Docs.RenderToken(t, "", "", Style);
            Rtf += FormatRtfToken(Style, t) + "\r\n";
            Html += FormatHtmlToken(Style, t);
        }
        TReadBack r = ClosePair();
        EXPECT_TRUE(r.Rtf.ends_with(Rtf + "}\r\n"));
        EXPECT_TRUE(r.Html.ends_with(Html + "</FONT></PRE></BODY></HTML>\r\n"));
        EXPECT_EQ(Docs.Counters.Bytes - BytesBefore, r.Rtf.size() + r.Html.size());
        EXPECT_EQ(Docs.RtfDocument.BytesWritten(), r.Rtf.size());
        EXPECT_EQ(Docs.HtmlDocument.BytesWritten(), r.Html.size());
    }
}

TEST_F(DocumentsTest, ReopeningOverwritesTheFormerPair) {
    OpenPair();
    for (int i = 0; i < 1000; ++i) Docs.RenderToken("long text ", "", "", tsText);
    Docs.CloseDocuments();
    OpenPair();
    Docs.RenderToken("short", "", "", tsText);
    TReadBack r = ClosePair();
    ExpectWholeSource(r, "short");
}

TEST_F(DocumentsTest, TokensWithoutAnOpenPairAreDropped) {
    Docs.RenderToken("x", "", "", tsText);
    EXPECT_EQ(Docs.Counters.Tokens, 0u);
    EXPECT_FALSE(Docs.IsOpen());
}

TEST_F(DocumentsTest, AnUncreatableDocumentNamesItsFullPath) {
    Docs.HtmlFileName = Dir.Path() + "missing/Main.html";
    Docs.RtfFileName = Dir.Path() + "Main.rtf";
    try {
        Docs.OpenDocuments("Main");
        FAIL() << "no error";
    } catch (const CorvanetError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + Dir.Path() + "missing/Main.html: No such file or directory");
    }
    EXPECT_FALSE(Docs.IsOpen());
}

// A pair that cannot be made whole leaves the earlier page as it was, and no
// temporary file.
TEST_F(DocumentsTest, APairWhoseTopicCannotBeCreatedLeavesTheEarlierPage) {
    testsupport::WriteBytes(Dir.Path() + "Main.html", "earlier page");
    Docs.HtmlFileName = Dir.Path() + "Main.html";
    Docs.RtfFileName = Dir.Path() + "missing/Main.rtf";
    EXPECT_THROW(Docs.OpenDocuments("Main"), CorvanetError);
    EXPECT_FALSE(Docs.IsOpen());
    EXPECT_EQ(testsupport::ReadFileBytes(Dir.Path() + "Main.html"), "earlier page");
    for (const auto& Entry : std::filesystem::directory_iterator(Dir.Path()))
        EXPECT_EQ(Entry.path().filename(), "Main.html");
}

// A write that fails (a full device) is an error, not a silently short file.
TEST(OutputFile, FailedWritesAreReported) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    TOutputFile small;
    small.Create("/dev/full");
    small.WriteLine("a line");
    EXPECT_THROW(small.Close(), CorvanetError);
    EXPECT_FALSE(small.IsOpen());

    TOutputFile large;
    large.Create("/dev/full");
    const std::string block(4096, 'x');
    try {
        for (int i = 0; i < 64; ++i) large.WriteText(block);
        FAIL() << "no error while writing 256 KB to a full device";
    } catch (const CorvanetError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot write file /dev/full: No space left on device");
    }
}

}  // namespace
}  // namespace corvanet::testing
