// Golden files: tests/golden/<case>/ holds a small source and the exact bytes
// of its page and topic. The test renders the source and compares byte for
// byte; on a difference it prints the differing lines. UPDATE_GOLDEN=1
// rewrites the expected files instead, for a reviewer to read in the diff.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "output_fixture.h"
#include "render_single.h"

namespace corvanet::testing {
namespace {

struct TGoldenCase {
    const char* Name;
    bool Linked;  // an anchor before and a link on every held identifier
};

const TGoldenCase GoldenCases[] = {
    {"every_style", false}, {"escaping", false}, {"anchor_and_link", true},
    {"lexical_error", false}, {"lf_only", false},
};

std::vector<std::string> SplitLines(const std::string& Text) {
    std::vector<std::string> lines;
    std::istringstream in(Text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The lines from the first to the last that differ, each side marked.
std::string LineDiff(const std::string& Expected, const std::string& Actual) {
    const auto e = SplitLines(Expected), a = SplitLines(Actual);
    std::size_t first = 0;
    while (first < e.size() && first < a.size() && e[first] == a[first]) ++first;
    std::size_t ee = e.size(), ae = a.size();
    while (ee > first && ae > first && e[ee - 1] == a[ae - 1]) --ee, --ae;
    std::ostringstream out;
    out << "lines from " << first + 1 << " differ (CR shown as \\r):\n";
    auto show = [&](const std::vector<std::string>& lines, std::size_t from, std::size_t to, char mark) {
        for (std::size_t i = from; i < to && i < from + 40; ++i) {
            std::string l = lines[i];
            if (!l.empty() && l.back() == '\r') l.replace(l.size() - 1, 1, "\\r");
            out << mark << ' ' << l << '\n';
        }
    };
    show(e, first, ee, '-');
    show(a, first, ae, '+');
    if (Expected.size() != Actual.size() && first == std::min(e.size(), a.size()))
        out << "(the texts differ in their last bytes: " << Expected.size() << " and " << Actual.size() << ")\n";
    return out.str();
}

void CompareOrUpdate(const std::string& ExpectedPath, const std::string& Actual) {
    if (const char* u = std::getenv("UPDATE_GOLDEN"); u != nullptr && std::string(u) == "1") {
        testsupport::WriteBytes(ExpectedPath, Actual);
        return;
    }
    ASSERT_TRUE(std::filesystem::exists(ExpectedPath)) << ExpectedPath << " is missing; run with UPDATE_GOLDEN=1";
    const std::string expected = testsupport::ReadFileBytes(ExpectedPath);
    EXPECT_TRUE(expected == Actual) << ExpectedPath << ": " << LineDiff(expected, Actual);
}

TEST(Golden, RenderedBytesMatchTheExpectedFiles) {
    const std::string root = std::string(CORVANET_SOURCE_DIR) + "/tests/golden/";
    testsupport::TScratchDir dir;
    for (const TGoldenCase& c : GoldenCases) {
        SCOPED_TRACE(c.Name);
        const std::string caseDir = root + c.Name + "/";
        testsupport::TRenderOptions o;
        o.UnitName = "Golden";
        o.AnchorIdentifiers = o.LinkIdentifiers = c.Linked;
        const std::string source = testsupport::ReadFileBytes(caseDir + "source.pas");
        testsupport::TRenderedFile f = testsupport::RenderText(source, dir.Path(), o);
        TReadBack r = TakeBack(f.HtmlPath, f.RtfPath);
        ExpectWholeSource(r, source);  // a golden file is never a broken one
        CompareOrUpdate(caseDir + "expected.html", r.Html);
        CompareOrUpdate(caseDir + "expected.rtf", r.Rtf);
    }
}

}  // namespace
}  // namespace corvanet::testing
