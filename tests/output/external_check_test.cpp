// The whole-source invariant checked by readers the project did not write:
// Python's html.parser for the pages and Debian's unrtf for the topics (see
// tests/support/check_html.py and check_rtf.py), so a decoder that mirrors the
// encoder cannot pass by construction. Skipped, with the reason, where the
// tools are missing.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "output_fixture.h"
#include "render_single.h"
#include "sources.h"

namespace corvanet::testing {
namespace {

bool HaveCommand(const std::string& Name) {
    return std::system(("command -v " + Name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Quoted(const std::string& S) { return "'" + S + "'"; }

// Every case rendered into its own pair, its source written beside it.
struct TRenderedCase {
    std::string Html, Rtf, Source;
    std::uint64_t Anchors;
};

class ExternalCheck : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveCommand("python3")) GTEST_SKIP() << "python3 is not installed: external HTML/RTF checks skipped";
        std::vector<std::pair<std::string, bool>> sources = {{EveryTokenKind(), true}, {EveryTokenKind(), false}};
        for (const auto& row : LexicalErrorSources()) sources.emplace_back(row.Text, true);
        for (std::uint32_t seed = 1; seed <= 10; ++seed) sources.emplace_back(RandomSource(seed), seed % 2 == 0);
        for (const std::string& path : ExampleSources()) sources.emplace_back(testsupport::ReadFileBytes(path), true);
        for (const auto& [text, linked] : sources) Add(text, linked);
    }

    void Add(const std::string& Text, bool Linked) {
        testsupport::TRenderOptions o;
        o.UnitName = "Case" + std::to_string(cases_.size());
        o.AnchorIdentifiers = o.LinkIdentifiers = Linked;
        testsupport::TRenderedFile f = testsupport::RenderText(Text, Dir.Path(), o);
        std::string source = Dir.Path() + o.UnitName + ".pas";
        testsupport::WriteBytes(source, Text);
        cases_.push_back({f.HtmlPath, f.RtfPath, source, f.Counters.Anchors});
    }

    // Runs a checker script over every case; its messages go to the failure.
    int Run(const std::string& Script, bool WithAnchors, std::string& Output) {
        std::string cmd = "python3 " + Quoted(std::string(CORVANET_SOURCE_DIR) + "/tests/support/" + Script);
        for (const auto& c : cases_) {
            cmd += " " + Quoted(WithAnchors ? c.Rtf : c.Html) + " " + Quoted(c.Source);
            if (WithAnchors) cmd += " " + std::to_string(c.Anchors);
        }
        cmd += " 2>&1";
        Output.clear();
        FILE* p = popen(cmd.c_str(), "r");
        if (p == nullptr) return -1;
        char buf[4096];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) Output.append(buf, n);
        int status = pclose(p);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    testsupport::TScratchDir Dir;
    std::vector<TRenderedCase> cases_;
};

TEST_F(ExternalCheck, PythonHtmlParserReadsEveryPageAsItsSource) {
    std::string out;
    EXPECT_EQ(Run("check_html.py", false, out), 0) << out;
}

TEST_F(ExternalCheck, UnrtfReadsEveryTopicAsItsSourceWordByWord) {
    if (!HaveCommand("unrtf")) GTEST_SKIP() << "unrtf is not installed (Debian package unrtf): RTF check skipped";
    std::string out;
    EXPECT_EQ(Run("check_rtf.py", true, out), 0) << out;
}

// The checkers themselves must see a fault: a page whose "<" before a letter
// is raw (a reader takes it for a tag) and a topic with a raw brace.
TEST_F(ExternalCheck, CheckersRejectABrokenPairOfDocuments) {
    cases_.clear();
    Add("if a<b then s := '{';\r\n", false);
    std::string html = testsupport::ReadFileBytes(cases_[0].Html);
    std::string rtf = testsupport::ReadFileBytes(cases_[0].Rtf);
    html.replace(html.find("&lt;b"), 4, "<");
    rtf.replace(rtf.find("\\{"), 2, "{");
    testsupport::WriteBytes(cases_[0].Html, html);
    testsupport::WriteBytes(cases_[0].Rtf, rtf);
    std::string out;
    EXPECT_EQ(Run("check_html.py", false, out), 1) << out;
    if (HaveCommand("unrtf")) {
        EXPECT_EQ(Run("check_rtf.py", true, out), 1) << out;
    }
}

}  // namespace
}  // namespace corvanet::testing
