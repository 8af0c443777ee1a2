// Helpers of the output tests: a document pair opened in a scratch directory of
// its own, the two documents read back and decoded, and the whole-source check.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "decode.h"
#include "documents.h"
#include "scratch_dir.h"

namespace corvanet::testing {

// Both documents of a closed pair, read back and decoded.
struct TReadBack {
    std::string Html, Rtf;
    testsupport::TDecodedDocument HtmlDoc, RtfDoc;
};

inline TReadBack ReadBack(const std::string& HtmlPath, const std::string& RtfPath) {
    TReadBack r;
    r.Html = testsupport::ReadFileBytes(HtmlPath);
    r.Rtf = testsupport::ReadFileBytes(RtfPath);
    r.HtmlDoc = testsupport::DecodeHtmlPage(r.Html);
    r.RtfDoc = testsupport::DecodeRtfTopic(r.Rtf, r.HtmlDoc.Charset == "utf-8");
    return r;
}

// The same, removing both files afterwards: rendering again under the same
// name then creates new files instead of truncating old ones, which some file
// systems make wait for the old contents to reach the disk.
inline TReadBack TakeBack(const std::string& HtmlPath, const std::string& RtfPath) {
    TReadBack r = ReadBack(HtmlPath, RtfPath);
    std::remove(HtmlPath.c_str());
    std::remove(RtfPath.c_str());
    return r;
}

// Asserts the invariant: the HTML body is the source byte for byte, the RTF
// body the source with line ends compared as line ends.
inline void ExpectWholeSource(const TReadBack& R, const std::string& Source) {
    const std::string src = testsupport::WithoutByteOrderMark(Source);
    ASSERT_TRUE(R.HtmlDoc.Ok()) << R.HtmlDoc.Error;
    ASSERT_TRUE(R.RtfDoc.Ok()) << R.RtfDoc.Error;
    EXPECT_EQ(R.HtmlDoc.Text, src) << "HTML: " << testsupport::FirstDifference(src, R.HtmlDoc.Text);
    const std::string lines = testsupport::NormaliseLineEnds(src);
    EXPECT_EQ(R.RtfDoc.Text, lines) << "RTF: " << testsupport::FirstDifference(lines, R.RtfDoc.Text);
}

// A document pair opened in a temporary directory under the unit name Main.
class DocumentsTest : public ::testing::Test {
protected:
    void OpenPair(const std::string& Unit = "Main") {
        Docs.HtmlFileName = Dir.Path() + Unit + ".html";
        Docs.RtfFileName = Dir.Path() + Unit + ".rtf";
        Docs.OpenDocuments(Unit);
    }
    TReadBack ClosePair() {
        Docs.CloseDocuments();
        return ReadBack(Docs.HtmlFileName, Docs.RtfFileName);
    }

    testsupport::TScratchDir Dir;
    TDocuments Docs;
};

}  // namespace corvanet::testing
