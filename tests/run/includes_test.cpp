// Include files in the modern reading: where they are looked up, what counts
// as one, the warnings for a missing one and for one that includes itself,
// pages named apart when two files share a name, the include's defines
// acting in the including file, and every page holding its whole source.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "decode.h"
#include "output_fixture.h"
#include "pipeline.h"
#include "run_fixture.h"

namespace corvanet::runtest {
namespace {

TEST(IncludeFiles, LookupWarningsAndPages) {
    const TProjectDir Project({
        {"p.dpr", "program p;\r\nuses\r\n  A in 'a/A.pas',\r\n  B in 'b/B.pas';\r\nbegin\r\nend.\r\n"},
        // Found beside the unit; its define switches on the unit's code, and
        // it includes a file found beside itself before the unit's own folder.
        {"a/A.pas", "unit A;\r\ninterface\r\n{$I 'common'}\r\n{$IFDEF FROM_COMMON}procedure Seen;{$ENDIF}\r\n"
                    "{$I+}{$I-,R-}{$I %DATE%}\r\n{$IFDEF NEVER}{$I nowhere.inc}{$ENDIF}\r\n{$I missing.inc}\r\n"
                    "{$INCLUDE self.inc}\r\nimplementation\r\nend.\r\n"},
        {"a/common.inc", "{$DEFINE FROM_COMMON}\r\n{$I inc/deeper.inc}\r\n"},
        {"a/inc/deeper.inc", "{$I nested.inc}\r\n"},
        {"a/inc/nested.inc", "// found in the folder of the file that names it\r\n"},
        {"a/nested.inc", "// not this one\r\n"},
        {"a/self.inc", "{$I self.inc}\r\n"},
        // A different file named like one already written: a page of its own.
        {"b/B.pas", "unit B;\r\ninterface\r\nuses A;\r\n{$I nested.inc}{$I common}\r\nimplementation\r\nend.\r\n"},
        {"b/nested.inc", "const N = 1;\r\n"},
        {"lib/common.inc", "// found through the include path\r\n"},
    });
    TRecorder Recorder;
    TRun Run(Recorder);
    Run.Dialect = TDialect::Modern;
    Run.IncludePath = {Project.Dir() + "lib"};
    Run.Threads = 1;
    Project.Run(Run, "p.dpr");
    EXPECT_TRUE(Run.Symbols.GetSymbolKind("A", "Seen"));
    EXPECT_TRUE(Run.Symbols.GetSymbolKind("B", "N"));
    std::vector<std::string> Pages;
    for (const TRun::TIncludeFile& Include : Run.IncludeFiles) {
        Pages.push_back(Include.Page);
        SCOPED_TRACE(Include.Page);
        testing::ExpectWholeSource(testing::ReadBack(Project.Out() + Include.Page + ".html",
                                                     Project.Out() + Include.Page + ".rtf"),
                                   testsupport::ReadFileBytes(Include.Path));
    }
    EXPECT_EQ(Pages, (std::vector<std::string>{"common.inc", "deeper.inc", "nested.inc", "self.inc",
                                               "nested.inc-2", "common.inc-2"}));
    const std::string A = Project.Dir() + "a/A.pas";
    EXPECT_EQ(Recorder.Warnings,
              (std::vector<std::string>{A + ":7: include file missing.inc not found",
                                        Project.Dir() + "a/self.inc:1: include file self.inc includes itself; not read again"}));
    const std::string Listing = testsupport::ReadBytes(Project.Out() + "content.html");
    EXPECT_NE(Listing.find("<H3>Include files</H3>"), std::string::npos);
    EXPECT_NE(Listing.find("\"nested.inc-2.html\""), std::string::npos);
    EXPECT_NE(testsupport::ReadBytes(Project.Out() + "p.hpj").find("common.inc-2.rtf\r\n"), std::string::npos);
    const std::string PageB = testsupport::ReadBytes(Project.Out() + "B.html");
    EXPECT_NE(PageB.find("<A HREF = \"nested.inc-2.html\">{$I nested.inc}</A>"), std::string::npos) << PageB;

    // On several threads: the same pages and warnings (a helper writes the
    // include pages its units reach first; its warnings come in unit order).
    TRecorder Again;
    TRun Parallel(Again);
    Parallel.Dialect = TDialect::Modern;
    Parallel.IncludePath = Run.IncludePath;
    Parallel.Threads = 3;
    Parallel.ProjectFile = Run.ProjectFile;
    Parallel.BuildDir = Project.Dir() + "again/";
    std::filesystem::create_directories(Parallel.BuildDir);
    Parallel.Execute(Parallel.ProjectFile, "WIN32");
    EXPECT_EQ(Again.Warnings, Recorder.Warnings);
    for (const auto& Entry : std::filesystem::directory_iterator(Project.Out()))
        EXPECT_EQ(testsupport::ReadBytes(Parallel.BuildDir + Entry.path().filename().string()),
                  testsupport::ReadBytes(Entry.path().string()))
            << Entry.path().filename();

    // The same object run again after the files changed reads them again:
    // the include's new text, and a missing include that is there now.
    testsupport::WriteBytes(Project.Dir() + "a/common.inc", "// defines nothing now\r\n");
    testsupport::WriteBytes(Project.Dir() + "a/missing.inc", "const M = 2;\r\n");
    Project.Run(Run, "p.dpr");
    EXPECT_FALSE(Run.Symbols.GetSymbolKind("A", "Seen"));
    EXPECT_TRUE(Run.Symbols.GetSymbolKind("A", "M"));
}

}  // namespace
}  // namespace corvanet::runtest
