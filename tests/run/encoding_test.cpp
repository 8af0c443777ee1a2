// Text in its own encoding (the modern dialect): a UTF-8 unit with non-ASCII
// names and comments and a windows-1252 one. Each page keeps the source's
// bytes and declares its charset first in its head; each topic names its code
// page and escapes every character above 127 (\'hh where windows-1252 has it,
// \uN? otherwise), and reads back as the whole source. The classic dialect
// keeps its bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode.h"
#include "output_fixture.h"
#include "run_fixture.h"

namespace corvanet::runtest {
namespace {

// "Grüße" and "€" in windows-1252 and in UTF-8, a CJK name and an emoji in UTF-8.
const std::string kAnsi = "unit Ansi;\r\ninterface\r\n{ Gr\xFC\xDF" "e, 5 \x80 }\r\nprocedure Z\xE4hle;\r\n"
                          "implementation\r\nprocedure Z\xE4hle;\r\nbegin\r\nend;\r\nend.\r\n";
const std::string kUtf8 = "unit Utf;\r\ninterface\r\n{ Gr\xC3\xBC\xC3\x9F" "e, 5 \xE2\x82\xAC \xF0\x9F\x98\x80 }\r\n"
                          "procedure \xE5\x90\x8D\xE5\x89\x8D;\r\nimplementation\r\nprocedure \xE5\x90\x8D\xE5\x89\x8D;\r\n"
                          "begin\r\nend;\r\nend.\r\n";

TEST(Encodings, PagesDeclareTheirsAndTopicsEscapeEveryCharacterAbove127) {
    const TProjectDir Project({{"P.dpr", ProjectText({{"Ansi", "Ansi.pas"}, {"Utf", "Utf.pas"}})},
                               {"Ansi.pas", kAnsi},
                               {"Utf.pas", kUtf8}});
    struct TCase {
        const char* Unit;
        const std::string* Source;
        const char* Charset;
        std::vector<std::string> InTopic;
    };
    const TCase Cases[] = {
        {"Ansi", &kAnsi, "windows-1252", {"Gr\\'fc\\'dfe, 5 \\'80", "Z\\'e4hle"}},
        {"Utf", &kUtf8, "utf-8", {"Gr\\'fc\\'dfe, 5 \\'80 \\u-10179?\\u-8704?", "\\u21517?\\u21069?"}},
    };
    TRecorder Recorder;
    TRun Run(Recorder);
    Run.Dialect = TDialect::Modern;
    Project.Run(Run, "P.dpr", std::string(ModernDefines));
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Unit);
        const std::string Html = Project.Out() + Case.Unit + ".html", Rtf = Project.Out() + Case.Unit + ".rtf";
        testing::ExpectWholeSource(testing::ReadBack(Html, Rtf), *Case.Source);
        EXPECT_TRUE(testsupport::ReadBytes(Html).starts_with(
            std::string("<HTML><HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=") + Case.Charset +
            "\"><TITLE>"));
        const std::string Topic = testsupport::ReadBytes(Rtf);
        EXPECT_TRUE(Topic.starts_with("{\\rtf1\\ansi\\ansicpg1252 ")) << Topic.substr(0, 40);
        for (const std::string& Escaped : Case.InTopic) EXPECT_NE(Topic.find(Escaped), std::string::npos) << Escaped;
        for (const char C : Topic) EXPECT_LT(static_cast<unsigned char>(C), 0x80);
    }
    EXPECT_NE(testsupport::ReadBytes(Project.Out() + "index.html").find("charset=windows-1252"), std::string::npos);

    // --codepage: a source that is not UTF-8 is in the code page given.
    TRecorder Other;
    TRun Cyrillic(Other);
    Cyrillic.Dialect = TDialect::Modern;
    Cyrillic.CodePage = 1251;
    Project.Run(Cyrillic, "P.dpr", std::string(ModernDefines));
    EXPECT_NE(testsupport::ReadBytes(Project.Out() + "Ansi.html").find("charset=windows-1251"), std::string::npos);
    EXPECT_TRUE(testsupport::ReadBytes(Project.Out() + "Ansi.rtf").starts_with("{\\rtf1\\ansi\\ansicpg1251 "));

    // The classic dialect writes neither.
    TRecorder Plain;
    TRun Classic(Plain);
    Project.Run(Classic, "P.dpr");
    EXPECT_TRUE(testsupport::ReadBytes(Project.Out() + "Ansi.html").starts_with("<HTML><HEAD><TITLE>"));
    EXPECT_NE(testsupport::ReadBytes(Project.Out() + "Ansi.rtf").find("Z\xE4hle"), std::string::npos);
}

// The symbol pass learns the encoding from the scanner's windows of 64 KiB:
// a UTF-8 character cut by a window's end, and a windows-1252 byte that comes
// only after a first window that reads as UTF-8, are told as in a file read
// whole.
TEST(Encodings, LearntAcrossTheScannersWindows) {
    const std::string Padding = "{" + std::string(65518, 'x') + "}\r\n";
    const std::string Utf = "unit Utf;\r\n" + Padding + "{ \xE2\x82\xAC }\r\ninterface\r\nimplementation\r\nend.\r\n";
    const std::string Ansi = "unit Ansi;\r\n{ \xC3\xBC }\r\n" + Padding + Padding + "{ \x80 }\r\ninterface\r\n"
                             "implementation\r\nend.\r\n";
    ASSERT_EQ(Utf.substr(65535, 3), "\xE2\x82\xAC");  // the euro sign across 64 KiB
    const TProjectDir Project({{"P.dpr", ProjectText({{"Utf", "Utf.pas"}, {"Ansi", "Ansi.pas"}})},
                               {"Utf.pas", Utf},
                               {"Ansi.pas", Ansi}});
    TRecorder Recorder;
    TRun Run(Recorder);
    Run.Dialect = TDialect::Modern;
    Project.Run(Run, "P.dpr", std::string(ModernDefines));
    EXPECT_NE(testsupport::ReadBytes(Project.Out() + "Utf.html").find("charset=utf-8"), std::string::npos);
    EXPECT_NE(testsupport::ReadBytes(Project.Out() + "Ansi.html").find("charset=windows-1252"), std::string::npos);
    testing::ExpectWholeSource(testing::ReadBack(Project.Out() + "Utf.html", Project.Out() + "Utf.rtf"), Utf);
}

}  // namespace
}  // namespace corvanet::runtest
