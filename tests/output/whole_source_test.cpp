// The whole-source invariant over every input we have: each source rendered on
// its own shows, in both documents, every byte of the source exactly once and in
// order, whatever holds, anchors, links and lexical errors happen on the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "output_fixture.h"
#include "render_single.h"
#include "sources.h"

namespace corvanet::testing {
namespace {

using testsupport::RenderFile;
using testsupport::RenderText;
using testsupport::TRenderedFile;
using testsupport::TRenderOptions;

// Plain, and with an anchor before and a link on every identifier.
std::vector<TRenderOptions> BothModes() {
    TRenderOptions linked;
    linked.AnchorIdentifiers = true;
    linked.LinkIdentifiers = true;
    return {TRenderOptions{}, linked};
}

// Every link of a page lands on an anchor of that page: the fragments and the
// anchor names are lower-cased the same way in HTML; RTF keeps the case.
void ExpectLinksLand(const TReadBack& R) {
    for (const auto& link : R.HtmlDoc.Links) {
        std::string fragment = link.Target.substr(link.Target.find('#') + 1);
        bool found = std::any_of(R.HtmlDoc.Anchors.begin(), R.HtmlDoc.Anchors.end(),
                                 [&](const auto& a) { return a.Name == fragment; });
        EXPECT_TRUE(found) << "HTML link to " << link.Target << " lands nowhere";
    }
    for (const auto& link : R.RtfDoc.Links) {
        bool found = std::any_of(R.RtfDoc.Anchors.begin(), R.RtfDoc.Anchors.end(),
                                 [&](const auto& a) { return a.Name == link.Target; });
        EXPECT_TRUE(found) << "RTF link to " << link.Target << " lands nowhere";
    }
}

TReadBack RenderAndCheck(const std::string& Source, const TRenderOptions& O, testsupport::TScratchDir& Dir) {
    TRenderedFile f = RenderText(Source, Dir.Path(), O);
    TReadBack r = TakeBack(f.HtmlPath, f.RtfPath);
    ExpectWholeSource(r, Source);
    if (O.LinkIdentifiers) ExpectLinksLand(r);
    return r;
}

TEST(WholeSource, EverySourceInExamples) {
    const auto files = ExampleSources();
    if (files.empty()) GTEST_SKIP() << "no sources under examples/ yet";
    testsupport::TScratchDir dir;
    for (const std::string& path : files) {
        for (const TRenderOptions& o : BothModes()) {
            SCOPED_TRACE(path + (o.LinkIdentifiers ? " (linked)" : ""));
            TRenderedFile f = RenderFile(path, dir.Path(), o);
            TReadBack r = TakeBack(f.HtmlPath, f.RtfPath);
            ExpectWholeSource(r, testsupport::ReadFileBytes(path));
            if (o.LinkIdentifiers) ExpectLinksLand(r);
        }
    }
}

TEST(WholeSource, EveryTokenKindWithCrLfAndLfLineEnds) {
    testsupport::TScratchDir dir;
    std::string crlf = EveryTokenKind();
    std::string lf;
    for (char c : crlf)
        if (c != '\r') lf += c;
    for (const std::string& source : {crlf, lf, "\xEF\xBB\xBF" + crlf}) {
        for (const TRenderOptions& o : BothModes()) {
            TReadBack r = RenderAndCheck(source, o, dir);
            if (o.LinkIdentifiers) {
                EXPECT_EQ(r.HtmlDoc.Links.size(), 3u);  // x _Foo1 TCircle
            }
        }
    }
}

TEST(WholeSource, LexicalErrorsOfEveryKindLoseNothing) {
    testsupport::TScratchDir dir;
    for (const TErrorSource& row : LexicalErrorSources()) {
        for (const TRenderOptions& o : BothModes()) {
            SCOPED_TRACE(row.Name + std::string(o.LinkIdentifiers ? " (linked)" : ""));
            TRenderedFile f = RenderText(row.Text, dir.Path(), o);
            EXPECT_EQ(f.LastResult, row.Reason);
            TReadBack r = TakeBack(f.HtmlPath, f.RtfPath);
            ExpectWholeSource(r, row.Text);
        }
    }
}

// The rest after a lexical stop reaches the topic as one text, however long:
// no line break of the topic's own falls inside it.
TEST(WholeSource, RestAfterAStopIsOneText) {
    testsupport::TScratchDir dir;
    const std::string Rest = "\"" + std::string(200'000, 'x');
    TRenderedFile f = RenderText("unit U; " + Rest, dir.Path());
    ASSERT_EQ(f.LastResult, srBadChar);
    EXPECT_NE(testsupport::ReadFileBytes(f.RtfPath).find(Rest), std::string::npos);
    ExpectWholeSource(TakeBack(f.HtmlPath, f.RtfPath), "unit U; " + Rest);
}

// The faults of a literal reading: the last identifier of `end. s`, the rest
// after an error that follows an identifier, and the stale text of the
// end-of-input token at the end of a switched-off region.
TEST(WholeSource, EndsOfFilesThatHeldOutput) {
    testsupport::TScratchDir dir;
    const char* const sources[] = {
        "end. s", "end. s ", "x", "x y", "a.b", "x }", "x\r\n}{", "{$IFDEF NEVER} a b", "{$IFDEF NEVER} a { c }",
        "{$IFDEF NEVER}", "begin {$IFDEF NEVER} x", "", " ", "{c}", "A.", "1..", "x..y",
    };
    for (const char* source : sources) {
        for (const TRenderOptions& o : BothModes()) {
            SCOPED_TRACE(std::string("source: ") + source);
            RenderAndCheck(source, o, dir);
        }
    }
}

TEST(WholeSource, RandomSourcesFromFixedSeeds) {
    testsupport::TScratchDir dir;
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const std::string source = RandomSource(seed);
        RenderAndCheck(source, BothModes()[seed % 2], dir);
        if (::testing::Test::HasFailure()) break;  // one seed is enough to debug
    }
}

TEST(WholeSource, PassOneWritesOnlyHeadersAndFooters) {
    testsupport::TScratchDir dir;
    TRenderOptions o;
    o.Pass = 1;
    TRenderedFile f = RenderText("x } y", dir.Path(), o);
    TReadBack r = TakeBack(f.HtmlPath, f.RtfPath);
    EXPECT_EQ(r.HtmlDoc.Text, "");
    EXPECT_EQ(r.RtfDoc.Text, "");
    EXPECT_EQ(f.Counters.Tokens, 0u);
}

TEST(WholeSource, LfOnlySourceKeepsItsLinesInRtf) {
    testsupport::TScratchDir dir;
    TRenderedFile f = RenderText("a\nb\n\nc", dir.Path());
    TReadBack r = TakeBack(f.HtmlPath, f.RtfPath);
    EXPECT_EQ(r.RtfDoc.Text, "a\nb\n\nc");
    EXPECT_EQ(r.HtmlDoc.Text, "a\nb\n\nc");
}

}  // namespace
}  // namespace corvanet::testing
