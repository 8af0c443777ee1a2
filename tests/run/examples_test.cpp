// Every example project of the repository, run whole: each page and topic
// holds its whole source, no file stops scanning early, and every link of
// every generated document lands. The link counts are printed for the notes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "output_fixture.h"
#include "decode.h"
#include "link_checker.h"
#include "pipeline.h"
#include "run_fixture.h"
#include "scratch_dir.h"

namespace corvanet::runtest {
namespace {

using testsupport::CheckLinks;
using testsupport::TLinkReport;

std::vector<std::string> ExampleProjects() {
    std::vector<std::string> Projects;
    for (const auto& Dir : std::filesystem::directory_iterator(std::string(CORVANET_SOURCE_DIR) + "/examples")) {
        if (!Dir.is_directory()) continue;
        for (const auto& File : std::filesystem::directory_iterator(Dir.path()))
            if (File.path().extension() == ".dpr") Projects.push_back(File.path().string());
    }
    std::sort(Projects.begin(), Projects.end());
    return Projects;
}

void ExpectPairHoldsSource(const std::string& Out, const std::string& Name, const std::string& SourcePath) {
    SCOPED_TRACE(Name);
    testing::ExpectWholeSource(testing::ReadBack(Out + Name + ".html", Out + Name + ".rtf"),
                               testsupport::ReadFileBytes(SourcePath));
}

// Runs the project into Out and checks the pages; returns the link report.
// Units names the units the run must register, when given.
TLinkReport RunExample(const std::string& Project, const std::string& Out, TDialect Dialect = TDialect::Classic,
                       const std::vector<std::string>& Units = {}) {
    TRecorder Recorder;
    TRun Run(Recorder);
    Run.ProjectFile = Project;
    Run.BuildDir = Out;
    Run.Dialect = Dialect;
    // The modern example reads today's Delphi, its shared include file
    // through the include path.
    const std::string Dir = DirectoryPart(Project);
    if (Dir.ends_with("/modern/")) {
        Run.Dialect = TDialect::Modern;
        Run.IncludePath = {Dir + "shared"};
    }
    Run.Execute(Project, std::string(DefaultDefines(Run.Dialect)));
    EXPECT_TRUE(Run.LexicalStops.empty());
    EXPECT_TRUE(Recorder.Warnings.empty()) << Recorder.Warnings.front();
    ExpectPairHoldsSource(Out, ReplaceExtension(FileNamePart(Project), ""), Project);
    std::vector<std::string> Registered;
    for (const TURElm& Unit : Run.Symbols.UnitList()) {
        ExpectPairHoldsSource(Out, Unit.Page, Run.SourcePath(Unit.Path));
        Registered.push_back(Unit.Name);
    }
    if (!Units.empty()) {
        EXPECT_EQ(Registered, Units);
    }
    for (const TRun::TIncludeFile& Include : Run.IncludeFiles) ExpectPairHoldsSource(Out, Include.Page, Include.Path);
    if (Run.Dialect == TDialect::Modern && Dir.ends_with("/modern/")) {
        EXPECT_EQ(Run.IncludeFiles.size(), 3u);
    }
    return CheckLinks(Out);
}

TEST(Examples, EveryPageHoldsItsSourceAndEveryLinkLands) {
    const std::vector<std::string> Projects = ExampleProjects();
    ASSERT_FALSE(Projects.empty());
    // The modern dialect also names every anchor once and links every
    // symbol to an anchor of its own name.
    for (const TDialect Dialect : {TDialect::Classic, TDialect::Modern})
        for (const std::string& Project : Projects) {
            SCOPED_TRACE(Project + (Dialect == TDialect::Modern ? " modern" : " classic"));
            testsupport::TScratchDir Out;
            const TLinkReport Links = RunExample(Project, Out.Path(), Dialect);
            EXPECT_TRUE(Links.AllLand()) << Links.Summary();
            if (Dialect == TDialect::Modern) {
                EXPECT_TRUE(Links.AnchorsSound()) << Links.Summary();
            }
            EXPECT_GT(Links.Written(), 0);
            std::cout << "[links] " << std::filesystem::path(Project).filename().string() << ": " << Links.Summary()
                      << "\n";
        }
}

// The links example has every kind of link, in both document kinds, and its
// unit links follow the registered names, not the names as written.
TEST(Examples, ShapesHasEveryKindOfLink) {
    testsupport::TScratchDir Out;
    const TLinkReport Links = RunExample(std::string(CORVANET_SOURCE_DIR) + "/examples/shapes/ShapesDemo.dpr",
                                         Out.Path());
    for (int Kind = 0; Kind < testsupport::LinkKindCount; ++Kind) {
        SCOPED_TRACE(testsupport::LinkKindName(static_cast<testsupport::TLinkKind>(Kind)));
        EXPECT_GT(Links.Html[Kind].Written, 0);
        if (Kind != testsupport::lkContents) {
            EXPECT_GT(Links.Rtf[Kind].Written, 0);
        }
    }
    const std::string Project = testsupport::ReadFileBytes(Out.Path() + "ShapesDemo.html");
    EXPECT_NE(Project.find("<A HREF = \"Paint.html\">Painter</A>"), std::string::npos);
    EXPECT_NE(Project.find("<A HREF = \"summary.html\">Summary</A>"), std::string::npos);
    EXPECT_NE(testsupport::ReadFileBytes(Out.Path() + "Geometry.html").find("<A HREF = \"Shapes.html\">SHAPES</A>"),
              std::string::npos);
}

// The modern dialect registers dotted names as written before `in`, leaves
// out a unit of a switched-off region, finds a path without its extension,
// and links the longest dotted prefix that names a unit.
TEST(Examples, DottedNamesAreUnitsOfTheModernDialect) {
    testsupport::TScratchDir Out;
    const TLinkReport Links =
        RunExample(std::string(CORVANET_SOURCE_DIR) + "/examples/dotted/Dotted.dpr", Out.Path(), TDialect::Modern,
                   {"Corva.App", "Corva.Core.Lists", "Corva.Core.Strings", "Plain"});
    EXPECT_TRUE(Links.AllLand()) << Links.Summary();
    const std::string Project = testsupport::ReadFileBytes(Out.Path() + "Dotted.html");
    EXPECT_NE(Project.find("<A HREF = \"Corva.Core.Lists.html\">Corva.Core.Lists</A>"), std::string::npos);
    const std::string App = testsupport::ReadFileBytes(Out.Path() + "Corva.App.html");
    for (const char* Link : {"<A HREF = \"Corva.Core.Lists.html\">Corva.Core.Lists</A>.<A HREF = "
                             "\"Corva.Core.Lists.html#corva.core.lists_fill\">Fill</A>",
                             "<A HREF = \"Corva.Core.Strings.html\">Corva.Core.Strings</A> . <A HREF = "
                             "\"Corva.Core.Strings.html#corva.core.strings_shout\">Shout</A>"})
        EXPECT_NE(App.find(Link), std::string::npos) << Link << "\n" << App;
    EXPECT_EQ(App.find("SysUtils</A>"), std::string::npos);
}

}  // namespace
}  // namespace corvanet::runtest
