// The run over whole projects: the notifications in their order, the order in
// which the passes visit the units, defines carried from unit to unit, missing
// files, lexical stops told once per file, the statistics, and two runs that
// share nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "output_fixture.h"
#include "error.h"
#include "pipeline.h"
#include "run_fixture.h"
#include "scanner.h"

namespace corvanet::runtest {
namespace {

using Progress = std::vector<std::pair<int, int>>;

const std::vector<std::string> kStatuses = {"Scanning Project File ...", "Building Symbol Table ...",
                                            "Generating RTF and HTML ...",
                                            "Creating Help Project and HTML Frame ..."};
const Progress kHelpProgress = {{4, 0}, {4, 1}, {4, 2}, {4, 3}, {4, 4}, {4, 0}};

Progress Concat(std::vector<Progress> Parts) {
    Progress All;
    for (const Progress& Part : Parts) All.insert(All.end(), Part.begin(), Part.end());
    return All;
}

TEST(RunPipeline, ReportsProgressAndStatusInThePartsOrder) {
    TProjectDir Project({{"p.dpr", ProjectText({{"b", "b.pas"}, {"A", "A.pas"}, {"c", "c.pas"}})},
                         {"b.pas", UnitText("b", "RunB")},
                         {"A.pas", UnitText("A", "RunA")},
                         {"c.pas", UnitText("c", "RunC")}});
    TRecorder Recorder;
    TRun Run(Recorder);
    Project.Run(Run, "p.dpr");

    const Progress Pass = {{3, 0}, {3, 1}, {3, 2}, {3, 3}};
    EXPECT_EQ(Recorder.Progresses, Concat({{{1, 1}}, Pass, Pass, kHelpProgress}));
    ASSERT_GE(Recorder.Statuses.size(), kStatuses.size());
    EXPECT_EQ(std::vector<std::string>(Recorder.Statuses.begin(), Recorder.Statuses.begin() + 4), kStatuses);
    EXPECT_EQ(Run.StatusText, Recorder.Statuses.back());
}

TEST(RunPipeline, ProjectWithoutUnitsWritesOnlyItsOwnPair) {
    TProjectDir Project(std::vector<TSourceFile>{{"demo.dpr", "program demo;\r\nuses Forms, Dialogs;\r\nbegin\r\nend.\r\n"}});
    TRecorder Recorder;
    TRun Run(Recorder);
    Project.Run(Run, "demo.dpr");

    EXPECT_EQ(Recorder.Progresses, Concat({{{1, 1}, {0, 0}, {0, 0}}, kHelpProgress}));
    EXPECT_TRUE(Run.Symbols.UnitList().empty());
    std::vector<std::string> Pages;
    for (const auto& Entry : std::filesystem::directory_iterator(Project.Out()))
        if (Entry.path().extension() == ".html" || Entry.path().extension() == ".rtf")
            Pages.push_back(Entry.path().filename().string());
    std::sort(Pages.begin(), Pages.end());
    EXPECT_EQ(Pages, (std::vector<std::string>{"content.html", "demo.html", "demo.rtf", "index.html"}));
    EXPECT_EQ(Run.Statistics.Files, 1u);
}

// Where a file's scan stops is told by the pass that meets it first, so a stop
// after `implementation` shows the pass-2 order and one before it the pass-1
// order.
TEST(RunPipeline, VisitsUnitsInRegistrationOrderThenSorted) {
    for (const bool InInterface : {true, false}) {
        SCOPED_TRACE(InInterface ? "stops in the interfaces" : "stops in the implementations");
        const auto Stopping = [&](const std::string& Name) {
            const std::string Bad = "var Bad" + Name + ": Integer; \"\r\n";
            return "unit " + Name + ";\r\ninterface\r\n" + (InInterface ? Bad : "") + "implementation\r\n" +
                   (InInterface ? "" : Bad) + "end.\r\n";
        };
        TProjectDir Project({{"p.dpr", ProjectText({{"b", "b.pas"}, {"A", "A.pas"}, {"c", "c.pas"}})},
                             {"b.pas", Stopping("b")},
                             {"A.pas", Stopping("A")},
                             {"c.pas", Stopping("c")}});
        TRecorder Recorder;
        TRun Run(Recorder);
        Project.Run(Run, "p.dpr");

        std::vector<std::string> Order;
        for (const TLexicalStop& Stop : Run.LexicalStops) Order.push_back(Stop.Path);
        const std::vector<std::string> Expected =
            InInterface ? std::vector<std::string>{"b.pas", "A.pas", "c.pas"}
                        : std::vector<std::string>{"A.pas", "b.pas", "c.pas"};
        EXPECT_EQ(Order, Expected);  // told once per file although both passes meet it
        for (const TLexicalStop& Stop : Run.LexicalStops) {
            EXPECT_EQ(Stop.Line, InInterface ? 3 : 4);
            EXPECT_EQ(Stop.Reason, srBadChar);
        }
    }
}

TEST(RunPipeline, RecordsEachKindOfLexicalStopWithThePathAsWritten) {
    TProjectDir Project({{"p.dpr", ProjectText({{"Quote", "Sub\\Quote.pas"}, {"Brace", "brace.pas"}}) +
                                       "'open\r\n"},
                         {"sub/quote.pas", "unit Quote;\r\ninterface\r\nconst S = 'never closed\r\nimplementation\r\nend.\r\n"},
                         {"brace.pas", "unit Brace;\r\ninterface\r\nimplementation\r\n{ open to the end\r\nend.\r\n"}});
    TRecorder Recorder;
    TRun Run(Recorder);
    Project.Run(Run, "p.dpr");

    ASSERT_EQ(Run.LexicalStops.size(), 3u);
    EXPECT_EQ(Run.LexicalStops[0].Path, Project.Dir() + "p.dpr");  // the project's path as given
    EXPECT_EQ(Run.LexicalStops[0].Line, 10);
    EXPECT_EQ(Run.LexicalStops[0].Reason, srOpenString);
    EXPECT_EQ(Run.LexicalStops[1].Path, "Sub\\Quote.pas");  // pass 1, in the interface
    EXPECT_EQ(Run.LexicalStops[1].Line, 3);
    EXPECT_EQ(Run.LexicalStops[1].Reason, srOpenString);
    EXPECT_EQ(Run.LexicalStops[2].Path, "brace.pas");  // pass 2, after `implementation`
    EXPECT_EQ(Run.LexicalStops[2].Line, 4);
    EXPECT_EQ(Run.LexicalStops[2].Reason, srOpenComment);
    // The pages still hold the whole files, from the failed token to the end.
    for (const auto& [Page, Source] : {std::pair{"p", "p.dpr"}, {"Quote", "sub/quote.pas"}, {"brace", "brace.pas"}}) {
        SCOPED_TRACE(Page);
        testing::ExpectWholeSource(
            testing::ReadBack(Project.Out() + Page + ".html", Project.Out() + Page + ".rtf"),
            testsupport::ReadBytes(Project.Dir() + Source));
    }
}

TEST(RunPipeline, DefineInAnEarlyUnitHoldsForLaterUnitsAndPass2) {
    const std::string Later =
        "unit Later;\r\ninterface\r\n{$IFDEF SHOWN}procedure Shown;{$ENDIF}\r\n"
        "{$IFNDEF SHOWN}procedure Hidden;{$ENDIF}\r\nimplementation\r\n"
        "procedure Shown;\r\nbegin\r\nend;\r\nprocedure Hidden;\r\nbegin\r\nend;\r\n"
        "{$IFDEF SHOWN}procedure Use;\r\nbegin\r\n  Shown;\r\nend;{$ENDIF}\r\nend.\r\n";
    TProjectDir Project({{"p.dpr", ProjectText({{"Early", "Early.pas"}, {"Later", "Later.pas"}})},
                         {"Early.pas", "unit Early;\r\ninterface\r\n{$DEFINE SHOWN}\r\nimplementation\r\nend.\r\n"},
                         {"Later.pas", Later}});
    TRecorder Recorder;
    TRun Run(Recorder);
    Project.Run(Run, "p.dpr", "WIN32");

    const std::vector<TURElm>& Units = Run.Symbols.UnitList();
    ASSERT_EQ(Units.size(), 2u);
    ASSERT_EQ(Units[1].Name, "Later");
    ASSERT_EQ(Units[1].Symbols.size(), 1u);
    EXPECT_EQ(Units[1].Symbols[0].Name, "Shown");
    // In pass 2 the call inside the region switched on by Early is linked.
    const std::string Page = testsupport::ReadBytes(Project.Out() + "Later.html");
    EXPECT_NE(Page.find("<A HREF = \"Later.html#later_shown\">Shown</A>;"), std::string::npos) << Page;
}

TEST(RunPipeline, MissingUnitFileEndsTheRunWithItsPath) {
    TProjectDir Project({{"p.dpr", ProjectText({{"Here", "Here.pas"}, {"Gone", "Lost\\Gone.pas"}})},
                         {"Here.pas", UnitText("Here", "Stay")}});
    TRecorder Recorder;
    TRun Run(Recorder);
    try {
        Project.Run(Run, "p.dpr");
        FAIL() << "the run went on without Gone.pas";
    } catch (const CorvanetError& Error) {
        EXPECT_EQ(std::string(Error.what()), "Cannot open file " + Project.Dir() + "Lost/Gone.pas: No such file or directory");
    }
    // Pass 1 stopped at the second unit: the progress of its first unit was told.
    EXPECT_EQ(Recorder.Progresses, (Progress{{1, 1}, {2, 0}, {2, 1}}));
    EXPECT_FALSE(Run.Stream.Scanner.IsOpen());
}

TEST(RunPipeline, OpensUnitPathsRelativeToTheProjectWhateverTheLetterCase) {
    TProjectDir Project({{"proj/p.dpr", ProjectText({{"Main", "Source\\Main.pas"}, {"up", "..\\Shared\\Up.pas"}})},
                         {"proj/source/main.pas", UnitText("Main", "Go")},
                         {"shared/UP.PAS", UnitText("up", "Climb")}});
    TRecorder Recorder;
    TRun Run(Recorder);
    Project.Run(Run, "proj/p.dpr");
    EXPECT_EQ(Run.Symbols.UnitList().size(), 2u);
    EXPECT_TRUE(std::filesystem::exists(Project.Out() + "Main.html"));
    EXPECT_TRUE(std::filesystem::exists(Project.Out() + "Up.html"));
    EXPECT_EQ(Run.SourcePath("Source\\Main.pas"), Project.Dir() + "proj/source/main.pas");
}

TEST(RunPipeline, CountsBytesTokensAndFiles) {
    const std::string Unit = UnitText("U", "Work");
    const std::string ProjectFile = ProjectText({{"U", "U.pas"}});
    TProjectDir Project({{"p.dpr", ProjectFile}, {"U.pas", Unit}});
    TRecorder Recorder;
    TRun Run(Recorder);
    Project.Run(Run, "p.dpr");
    EXPECT_EQ(Run.Statistics.SourceBytes, ProjectFile.size() + Unit.size());
    EXPECT_EQ(Run.Statistics.Files, 2u);
    EXPECT_EQ(Run.Statistics.Tokens, Run.Documents.Counters.Tokens);
    EXPECT_GT(Run.Statistics.Tokens, 20u);
}

// Two runs never share state: the same object run again (after an error too)
// and a fresh one write the same documents and collect the same table.
// Pass 1 writes nothing, yet its rules queue what they hold, as in the
// output pass: the queue is let go where that pass would write it, so it does
// not grow with the project's interfaces.
TEST(RunPipeline, SymbolPassKeepsTheQueueShort) {
    std::vector<TSourceFile> Files;
    std::vector<std::pair<std::string, std::string>> Units;
    for (int U = 0; U < 40; ++U) {
        std::string Text = "unit U" + std::to_string(U) + ";\r\ninterface\r\ntype TC = class\r\n";
        for (int R = 0; R < 30; ++R) Text += "  procedure P" + std::to_string(R) + "(A: Integer);\r\n";
        Text += "end;\r\nfunction F(B: Integer): Integer;\r\nimplementation\r\nend.\r\n";
        Files.push_back({"U" + std::to_string(U) + ".pas", Text});
        Units.emplace_back("U" + std::to_string(U), "U" + std::to_string(U) + ".pas");
    }
    Files.push_back({"P.dpr", ProjectText(Units)});
    const TProjectDir Project(Files);
    for (unsigned Threads : {1u, 2u}) {
        TRecorder Reporter;
        TRun Run(Reporter);
        Run.Threads = Threads;
        Run.BuildDir = Project.Out();
        Run.Symbols.CreateUnitList();
        Run.ScanProject(Project.Dir() + "P.dpr", "");
        Run.BuildSymbolTable();
        EXPECT_EQ(Run.Symbols.CountEntries(), 40u * (1 + 1 + 1 + 30)) << Threads << " threads";
        EXPECT_LT(Run.Queue.DelayedTokens.size(), 10u) << Threads << " threads";
    }
}

TEST(RunPipeline, RunsAgainWithTheSameResult) {
    TProjectDir Project({{"p.dpr", ProjectText({{"U", "U.pas"}})},
                         {"bad.dpr", ProjectText({{"X", "X.pas"}})},
                         {"U.pas", UnitText("U", "Work", "{$DEFINE X}\r\n")}});
    TRecorder Recorder;
    TRun Run(Recorder);
    Project.Run(Run, "p.dpr");
    const std::string First = testsupport::ReadBytes(Project.Out() + "U.html");
    const auto FirstTokens = Run.Statistics.Tokens;
    EXPECT_THROW(Project.Run(Run, "bad.dpr"), CorvanetError);
    Project.Run(Run, "p.dpr");
    EXPECT_EQ(testsupport::ReadBytes(Project.Out() + "U.html"), First);
    EXPECT_EQ(Run.Statistics.Tokens, FirstTokens);
    EXPECT_EQ(Run.Symbols.UnitList().size(), 1u);

    TRun Fresh(Recorder);
    Project.Run(Fresh, "p.dpr");
    EXPECT_EQ(testsupport::ReadBytes(Project.Out() + "U.html"), First);
}

}  // namespace
}  // namespace corvanet::runtest
