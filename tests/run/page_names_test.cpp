// Names that never collide: units named like the frame pages or the project,
// one file name in two folders, names that differ only in letter case, and a
// unit registered twice from one path. Every source keeps a document pair of
// its own in both dialects, and every link of every document lands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode.h"
#include "link_checker.h"
#include "output_fixture.h"
#include "run_fixture.h"

namespace corvanet::runtest {
namespace {

TEST(PageNames, EverySourceKeepsADocumentPairOfItsOwn) {
    const std::vector<std::pair<std::string, std::string>> Units = {
        {"index", "index.pas"}, {"Content", "Content.pas"}, {"P", "P.pas"},        {"Util", "a/Util.pas"},
        {"Util", "b/Util.pas"}, {"Shape", "Shape.pas"},     {"SHAPE", "x/SHAPE.pas"}, {"Util", "a/Util.pas"}};
    // Page of each source, in the order of Units (the repeated path last).
    const std::vector<std::string> Pages = {"index-2", "Content-2", "P-2",     "Util",
                                            "Util-2",  "Shape",     "SHAPE-2", "Util"};
    std::vector<TSourceFile> Files = {{"P.dpr", ProjectText(Units)}};
    for (std::size_t I = 0; I + 1 < Units.size(); ++I) {
        const std::string Routine = "Routine" + std::to_string(I);
        // Shape uses the first Util and calls its routine.
        const std::string Extra = Units[I].first == "Shape" ? "uses Util;\r\nprocedure Call;\r\nbegin\r\n  Routine3;\r\nend;\r\n" : "";
        Files.push_back({Units[I].second, UnitText(Units[I].first, Routine, Extra)});
    }
    const TProjectDir Project(Files);
    for (const TDialect Dialect : {TDialect::Classic, TDialect::Modern}) {
        SCOPED_TRACE(DialectName(Dialect));
        TRecorder Recorder;
        TRun Run(Recorder);
        Run.Dialect = Dialect;
        Project.Run(Run, "P.dpr", std::string(DefaultDefines(Dialect)));
        for (std::size_t I = 0; I < Units.size(); ++I) {
            SCOPED_TRACE(Pages[I]);
            testing::ExpectWholeSource(
                testing::ReadBack(Project.Out() + Pages[I] + ".html", Project.Out() + Pages[I] + ".rtf"),
                testsupport::ReadFileBytes(Project.Dir() + Units[I].second));
        }
        testing::ExpectWholeSource(testing::ReadBack(Project.Out() + "P.html", Project.Out() + "P.rtf"),
                                   testsupport::ReadFileBytes(Project.Dir() + "P.dpr"));
        EXPECT_NE(testsupport::ReadFileBytes(Project.Out() + "index.html").find("<TITLE>Project: P.dpr"),
                  std::string::npos);
        const testsupport::TLinkReport Links = testsupport::CheckLinks(Project.Out());
        EXPECT_TRUE(Links.AllLand()) << Links.Summary();
        const std::string Shape = testsupport::ReadFileBytes(Project.Out() + "Shape.html");
        EXPECT_NE(Shape.find("<A HREF = \"Util.html#util_routine3\">Routine3</A>"), std::string::npos) << Shape;
        const std::string Second = testsupport::ReadFileBytes(Project.Out() + "Util-2.html");
        EXPECT_NE(Second.find("<A NAME = \"util-2_routine4\">"), std::string::npos) << Second;
    }
}

}  // namespace
}  // namespace corvanet::runtest

namespace corvanet::runtest {
namespace {

// Paths with blanks, "&", "#", "%", a doubled quote (the modern dialect's),
// non-ASCII bytes (the modern dialect's in a unit's name too), ".." and an
// absolute one: each unit is read, documented and linked, in the classic
// dialect under page names that hold those characters.
TEST(PageNames, OddPathsAreReadDocumentedAndLinked) {
    const testsupport::TScratchDir Outside;
    const std::vector<std::pair<std::string, std::string>> Units = {
        {"Blank", "a b/Blank Name.pas"}, {"Amp", "x&y/And&.pas"},   {"Hash", "h#/Hash#.pas"},
        {"Pct", "p%/Pct%20.pas"},       {"Uml", "\xC3\xBC/\xC3\x9C.pas"}, {"Up", "../up/Up.pas"}};
    std::vector<TSourceFile> Files;
    for (const auto& [Name, Path] : Units) Files.push_back({"proj/" + Path, UnitText(Name, "Go" + Name)});
    Files.push_back({"proj/O'Brien.pas", UnitText("Quote", "GoQuote")});
    // The modern dialect names a page after the name before "in", which may
    // hold letters above 127 (its topic's context string spells them .0hh).
    const std::string Accented = "Gr\xC3\xBC\xC3\x9F" "e";
    Files.push_back({"proj/" + Accented + ".pas", UnitText(Accented, "Go" + Accented)});
    for (const TDialect Dialect : {TDialect::Classic, TDialect::Modern}) {
        SCOPED_TRACE(DialectName(Dialect));
        auto Listed = Units;
        Listed.push_back({"Abs", Outside.Path() + "Abs.pas"});
        if (Dialect == TDialect::Modern) {
            Listed.push_back({"Quote", "O''Brien.pas"});
            Listed.push_back({Accented, Accented + ".pas"});
        }
        std::vector<TSourceFile> All = Files;
        std::string Text = ProjectText(Listed);
        // Every unit calls the routine of the one before it.
        All.push_back({"proj/P.dpr", Text});
        const TProjectDir Project(All);
        testsupport::WriteBytes(Outside.Path() + "Abs.pas", UnitText("Abs", "GoAbs"));
        TRecorder Recorder;
        TRun Run(Recorder);
        Run.Dialect = Dialect;
        Project.Run(Run, "proj/P.dpr", std::string(DefaultDefines(Dialect)));
        EXPECT_TRUE(Recorder.Warnings.empty()) << Recorder.Warnings.front();
        ASSERT_EQ(Run.Symbols.UnitList().size(), Listed.size());
        for (const TURElm& Unit : Run.Symbols.UnitList()) {
            SCOPED_TRACE(Unit.Page);
            testing::ExpectWholeSource(
                testing::ReadBack(Project.Out() + Unit.Page + ".html", Project.Out() + Unit.Page + ".rtf"),
                testsupport::ReadFileBytes(Run.SourcePath(Unit.Path)));
        }
        const testsupport::TLinkReport Links = testsupport::CheckLinks(Project.Out());
        EXPECT_TRUE(Links.AllLand()) << Links.Summary();
        EXPECT_GE(Links.Html[testsupport::lkContents].Written, static_cast<int>(Listed.size()));
    }
}

}  // namespace
}  // namespace corvanet::runtest

namespace corvanet::runtest {
namespace {

// The build location is the source directory and a source is named like a
// document: its page takes the next free name, or, for a document whose name
// is fixed (the project's), the run stops before anything lands on the
// source. Every source is byte for byte what it was.
TEST(PageNames, NothingIsWrittenOverASourceFile) {
    const std::string Inc = "const A = 1;\r\n";
    const std::string IncludingUnit =
        "unit Inc;\r\n\r\ninterface\r\n\r\n{$I x.inc.html}\r\n{$I x.inc}\r\n\r\nimplementation\r\n\r\nend.\r\n";
    struct TCase {
        const char* Name;
        std::vector<TDialect> Dialects;
        std::vector<TSourceFile> Files;              // besides P.dpr, named from Units
        std::vector<std::pair<std::string, std::string>> Units;
        std::vector<std::pair<std::string, std::string>> Pages;  // page -> its source
        bool Stops = false;
    };
    const std::vector<TCase> Cases = {
        {"a unit's own source named like its topic",
         {TDialect::Classic, TDialect::Modern},
         {{"Foo.rtf", UnitText("Foo", "F")}},
         {{"Foo", "Foo.rtf"}},
         {{"Foo-2", "Foo.rtf"}}},
        {"a unit's own source named like its page",
         {TDialect::Modern},
         {{"Foo.html", UnitText("Foo", "F")}},
         {{"Foo", "Foo.html"}},
         {{"Foo-2", "Foo.html"}}},
        {"an include file named like another's page",
         {TDialect::Modern},
         {{"Inc.pas", IncludingUnit}, {"x.inc", Inc}, {"x.inc.html", Inc}},
         {{"Inc", "Inc.pas"}},
         {{"Inc", "Inc.pas"}, {"x.inc.html", "x.inc.html"}, {"x.inc-2", "x.inc"}}},
        {"a unit named like the project's topic",
         {TDialect::Classic, TDialect::Modern},
         {{"P.rtf", UnitText("Q", "F")}},
         {{"Q", "P.rtf"}},
         {},
         true},
    };
    for (const TCase& Case : Cases) {
        for (const TDialect Dialect : Case.Dialects) {
            SCOPED_TRACE(std::string(Case.Name) + ", " + std::string(DialectName(Dialect)));
            std::vector<TSourceFile> Files = Case.Files;
            Files.push_back({"P.dpr", ProjectText(Case.Units)});
            const TProjectDir Project(Files);
            TRecorder Recorder;
            TRun Run(Recorder);
            Run.Dialect = Dialect;
            Run.ProjectFile = Project.Dir() + "P.dpr";
            Run.BuildDir = Project.Dir();
            bool Stopped = false;
            try {
                Run.Execute(Run.ProjectFile, std::string(DefaultDefines(Dialect)));
            } catch (const CorvanetError& Error) {
                Stopped = true;
                EXPECT_NE(std::string(Error.what()).find("a source file of the run"), std::string::npos)
                    << Error.what();
            }
            EXPECT_EQ(Stopped, Case.Stops);
            for (const TSourceFile& File : Files)
                EXPECT_EQ(testsupport::ReadFileBytes(Project.Dir() + File.Path), File.Text) << File.Path;
            for (const auto& [Page, Source] : Case.Pages) {
                SCOPED_TRACE(Page);
                testing::ExpectWholeSource(
                    testing::ReadBack(Project.Dir() + Page + ".html", Project.Dir() + Page + ".rtf"),
                    testsupport::ReadFileBytes(Project.Dir() + Source));
            }
            if (Case.Stops) continue;
            const std::string Contents = testsupport::ReadFileBytes(Project.Dir() + "content.html");
            for (const auto& [Page, Source] : Case.Pages)
                EXPECT_NE(Contents.find("HREF = \"" + Page + ".html\""), std::string::npos) << Contents;
        }
    }
}

}  // namespace
}  // namespace corvanet::runtest
