// The symbol and output passes on several threads give what the sequential
// passes give: the symbol table, every file byte for byte, the counters, the
// lexical stops in their order and the state the run ends in, for every cut of
// the units into blocks, over units that hand on to the next one defines (in
// the interface, which pass 1 reads, and after it), a switched-off region, the
// parser's last type name and lexical stops, with and without two units of
// the same name.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "error.h"
#include "pipeline.h"
#include "run_fixture.h"

namespace corvanet::runtest {
namespace {

// Sorted order is the order of the names: A01 ... A09, the two A05 in the
// order listed. Without SameNames, the second A05 is left out.
std::vector<TSourceFile> Sources(bool SameNames) {
    const std::string Body = "implementation\r\nprocedure Go;\r\nbegin\r\n  Go;\r\nend;\r\nend.\r\n";
    std::vector<std::pair<std::string, std::string>> Units = {
        // Defines SHOWN where both passes read it, BODY where only the output pass does.
        {"A01", "unit A01;\r\ninterface\r\ntype TFirst = class(TObject) end;\r\nprocedure Go;\r\n"
                "{$DEFINE SHOWN}\r\nimplementation\r\n{$DEFINE BODY}\r\nprocedure Go;\r\nbegin\r\n  Go;\r\nend;\r\nend.\r\n"},
        // Ends inside a region switched off: the next unit starts skipped.
        {"A02", "unit A02;\r\ninterface\r\ntype TSecond = record X: Integer; end;\r\nprocedure Go;\r\n"
                "{$DEFINE LATE}\r\n" + Body + "{$IFDEF NEVER}\r\n"},
        {"A03", "unit A03;\r\ninterface\r\nprocedure Hidden;\r\n{$ENDIF}\r\nprocedure Go;\r\n" + Body},
        // No type of its own: its class anchor is named after the last type read before.
        {"A04", "unit A04;\r\ninterface\r\nvar C: class(TObject) procedure Run; end;\r\nprocedure Go;\r\n"
                "{$IFDEF SHOWN}procedure Shown;{$ENDIF}\r\n" + Body},
        {"A05", "unit A05;\r\ninterface\r\nuses A04, A01;\r\ntype TFifth = record X: Integer; end;\r\n"
                "procedure Go;\r\n{$IFDEF BODY}procedure Bodily;{$ENDIF}\r\n{$UNDEF SHOWN}\r\n" + Body},
        // Registered under the name of the one before: its documents are named A05-2.
        {"sub/A05", "unit A05;\r\ninterface\r\ntype TAgain = class procedure Again; end;\r\nprocedure Go;\r\n" + Body},
        {"A06", "unit A06;\r\ninterface\r\nvar D: class procedure Stop; end;\r\nprocedure Go;\r\n"
                "implementation\r\nprocedure Go;\r\nbegin\r\n  Go('unclosed\r\nend;\r\nend.\r\n"},
        {"A07", "unit A07;\r\ninterface\r\ntype TSeventh = class end;\r\nprocedure Go;\r\n"
                "{$IFDEF LATE}procedure Late;{$ENDIF}\r\n" + Body},
        {"A08", "unit A08;\r\ninterface\r\nvar E: class procedure Walk; end;\r\nprocedure Go;\r\n"
                "{$IFNDEF SHOWN}procedure Unshown;{$ENDIF}\r\n" + Body},
        {"A09", "unit A09;\r\ninterface\r\nuses A08;\r\nprocedure Go;\r\n" + Body},
    };
    std::vector<std::pair<std::string, std::string>> Listed;
    std::vector<TSourceFile> Files;
    for (const auto& [Path, Text] : Units) {
        if (!SameNames && Path == "sub/A05") continue;
        Listed.emplace_back(Path.substr(Path.rfind('/') + 1), Path + ".pas");
        Files.push_back({Path + ".pas", Text});
    }
    Files.push_back({"p.dpr", ProjectText(Listed)});
    return Files;
}

struct TOutcome {
    TRecorder Recorder;
    std::vector<std::pair<std::string, std::string>> Files;  // name, bytes
};

void RunWith(const TProjectDir& Project, unsigned Threads, TOutcome& Outcome, TRun& Run,
             TDialect Dialect = TDialect::Classic) {
    const std::string Out = Project.Dir() + "out" + std::to_string(Threads) + "/";
    std::filesystem::create_directories(Out);
    Run.Threads = Threads;
    Run.Dialect = Dialect;
    Run.ProjectFile = Project.Dir() + "p.dpr";
    Run.BuildDir = Out;
    Run.Execute(Run.ProjectFile, "WIN32");
    for (const auto& Entry : std::filesystem::directory_iterator(Out))
        Outcome.Files.emplace_back(Entry.path().filename().string(), testsupport::ReadBytes(Entry.path().string()));
    std::sort(Outcome.Files.begin(), Outcome.Files.end());
}

void ExpectSameRun(const TRun& A, const TRun& B) {
    EXPECT_EQ(A.Statistics.SourceBytes, B.Statistics.SourceBytes);
    EXPECT_EQ(A.Statistics.Tokens, B.Statistics.Tokens);
    EXPECT_EQ(A.Statistics.Files, B.Statistics.Files);
    EXPECT_EQ(A.Documents.Counters.Bytes, B.Documents.Counters.Bytes);
    EXPECT_EQ(A.Documents.Counters.Links, B.Documents.Counters.Links);
    EXPECT_EQ(A.Documents.Counters.Anchors, B.Documents.Counters.Anchors);
    EXPECT_EQ(A.Parser.Links.RoutineLinks, B.Parser.Links.RoutineLinks);
    EXPECT_EQ(A.Parser.Links.UnitLinks, B.Parser.Links.UnitLinks);
    EXPECT_EQ(A.Stream.TokensRead, B.Stream.TokensRead);
    EXPECT_EQ(A.Stream.Defines.Items(), B.Stream.Defines.Items());
    EXPECT_EQ(A.Stream.Skipping, B.Stream.Skipping);
    EXPECT_EQ(A.Parser.LastTypeName, B.Parser.LastTypeName);
    const auto& UnitsA = A.Symbols.UnitList();
    const auto& UnitsB = B.Symbols.UnitList();
    ASSERT_EQ(UnitsA.size(), UnitsB.size());
    for (std::size_t u = 0; u < UnitsA.size(); ++u) {
        SCOPED_TRACE("unit " + UnitsA[u].Name);
        EXPECT_EQ(UnitsA[u].Name, UnitsB[u].Name);
        ASSERT_EQ(UnitsA[u].Symbols.size(), UnitsB[u].Symbols.size());
        for (std::size_t i = 0; i < UnitsA[u].Symbols.size(); ++i) {
            EXPECT_EQ(UnitsA[u].Symbols[i].Name, UnitsB[u].Symbols[i].Name);
            EXPECT_EQ(UnitsA[u].Symbols[i].Kind, UnitsB[u].Symbols[i].Kind);
        }
        ASSERT_EQ(UnitsA[u].Classes.size(), UnitsB[u].Classes.size());
        for (std::size_t i = 0; i < UnitsA[u].Classes.size(); ++i) {
            EXPECT_EQ(UnitsA[u].Classes[i].Name, UnitsB[u].Classes[i].Name);
            ASSERT_EQ(UnitsA[u].Classes[i].Members.size(), UnitsB[u].Classes[i].Members.size());
            for (std::size_t m = 0; m < UnitsA[u].Classes[i].Members.size(); ++m)
                EXPECT_EQ(UnitsA[u].Classes[i].Members[m].Name, UnitsB[u].Classes[i].Members[m].Name);
        }
    }
    ASSERT_EQ(A.LexicalStops.size(), B.LexicalStops.size());
    for (std::size_t i = 0; i < A.LexicalStops.size(); ++i) {
        EXPECT_EQ(A.LexicalStops[i].Path, B.LexicalStops[i].Path);
        EXPECT_EQ(A.LexicalStops[i].Line, B.LexicalStops[i].Line);
    }
}

class ParallelPasses : public testing::TestWithParam<bool> {};

TEST_P(ParallelPasses, EveryCutIntoBlocksGivesWhatTheSequentialPassesGive) {
    const TProjectDir Project(Sources(GetParam()));
    TOutcome Sequential;
    TRun First(Sequential.Recorder);
    RunWith(Project, 1, Sequential, First);
    // The unit without a type of its own took the last type read before it;
    // the interface of A04 saw the define of A01, that of A08 its undefine by A05.
    const std::string& Page = testsupport::ReadBytes(Project.Dir() + "out1/A04.html");
    EXPECT_NE(Page.find("<A NAME = \"a04_tsecond\">"), std::string::npos) << Page;
    EXPECT_TRUE(First.Symbols.GetSymbolKind("A04", "Shown"));
    EXPECT_TRUE(First.Symbols.GetSymbolKind("A08", "Unshown"));
    EXPECT_TRUE(First.Symbols.GetSymbolKind("A07", "Late"));
    EXPECT_FALSE(First.Symbols.GetSymbolKind("A05", "Bodily"));  // pass 1 never saw BODY
    EXPECT_EQ(testsupport::ReadBytes(Project.Dir() + "out1/A05.html").find("TAgain"), std::string::npos);
    if (GetParam()) {
        const std::string Second = testsupport::ReadBytes(Project.Dir() + "out1/A05-2.html");
        EXPECT_NE(Second.find("TAgain"), std::string::npos) << Second;
    }
    for (unsigned Threads : {2u, 3u, 4u, 8u, 9u, 16u}) {
        SCOPED_TRACE("threads " + std::to_string(Threads));
        TOutcome Parallel;
        TRun Second(Parallel.Recorder);
        RunWith(Project, Threads, Parallel, Second);
        EXPECT_EQ(Parallel.Recorder.Progresses, Sequential.Recorder.Progresses);
        // The last status names the build directory, which differs.
        ASSERT_EQ(Parallel.Recorder.Statuses.size(), Sequential.Recorder.Statuses.size());
        for (std::size_t i = 0; i + 1 < Sequential.Recorder.Statuses.size(); ++i)
            EXPECT_EQ(Parallel.Recorder.Statuses[i], Sequential.Recorder.Statuses[i]);
        ASSERT_EQ(Parallel.Files.size(), Sequential.Files.size());
        for (std::size_t i = 0; i < Sequential.Files.size(); ++i) {
            EXPECT_EQ(Parallel.Files[i].first, Sequential.Files[i].first);
            EXPECT_EQ(Parallel.Files[i].second, Sequential.Files[i].second) << Sequential.Files[i].first;
        }
        ExpectSameRun(First, Second);
        // With two blocks per pass the guesses held for most of the units the
        // two passes read: they did run in parallel. Every unit here depends on
        // the one before, so each start from a guess may fail: the helper's
        // block, and a half taken from the back of a block, by either thread.
        // (With a block per unit, each block's first unit is read again for
        // its unknown last type name.)
        if (Threads == 2) {
            EXPECT_LT(Second.Statistics.ReadAgain, Second.Symbols.UnitList().size());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SameNames, ParallelPasses, testing::Bool());

// The modern reading starts every file afresh: nothing defined, left open or
// declared in one unit reaches the next, so no helper's reading is ever read
// again, and every cut still gives the sequential documents.
TEST(ParallelPasses, ModernUnitsAreReadIndependently) {
    const TProjectDir Project(Sources(false));
    TOutcome Sequential;
    TRun First(Sequential.Recorder);
    RunWith(Project, 1, Sequential, First, TDialect::Modern);
    EXPECT_FALSE(First.Symbols.GetSymbolKind("A04", "Shown"));
    EXPECT_FALSE(First.Symbols.GetSymbolKind("A07", "Late"));
    EXPECT_TRUE(First.Symbols.GetSymbolKind("A03", "Hidden"));
    EXPECT_TRUE(First.Symbols.GetSymbolKind("A08", "Unshown"));
    const std::string& Page = testsupport::ReadBytes(Project.Dir() + "out1/A04.html");
    EXPECT_EQ(Page.find("tsecond"), std::string::npos);
    for (unsigned Threads : {2u, 3u, 4u, 9u}) {
        SCOPED_TRACE("threads " + std::to_string(Threads));
        TOutcome Parallel;
        TRun Second(Parallel.Recorder);
        RunWith(Project, Threads, Parallel, Second, TDialect::Modern);
        ASSERT_EQ(Parallel.Files.size(), Sequential.Files.size());
        for (std::size_t i = 0; i < Sequential.Files.size(); ++i)
            EXPECT_EQ(Parallel.Files[i].second, Sequential.Files[i].second) << Sequential.Files[i].first;
        EXPECT_EQ(Second.Statistics.ReadAgain, 0u);
        EXPECT_EQ(Second.Statistics.Tokens, First.Statistics.Tokens);
    }
}

// Ten small units, then ten large ones that each read a define of the one
// before in their interface: the run's own thread is done with the small ones
// long before the helper with the large, and reads the back of the helper's
// block itself, from a guess that the checks find wrong for the first unit of
// each half it takes.
std::vector<TSourceFile> UnevenSources() {
    std::vector<std::pair<std::string, std::string>> Listed;
    std::vector<TSourceFile> Files;
    auto Add = [&](const std::string& Name, const std::string& Text) {
        Listed.emplace_back(Name, Name + ".pas");
        Files.push_back({Name + ".pas", Text});
    };
    for (int Unit = 10; Unit < 20; ++Unit) {
        const std::string Name = "A" + std::to_string(Unit);
        Add(Name, "unit " + Name + ";\r\ninterface\r\nprocedure Go;\r\nimplementation\r\nprocedure Go;\r\n"
                  "begin\r\nend;\r\nend.\r\n");
    }
    for (int Unit = 10; Unit < 20; ++Unit) {
        const std::string Name = "B" + std::to_string(Unit);
        std::string Text = "unit " + Name + ";\r\ninterface\r\nuses A10;\r\n{$IFDEF B" + std::to_string(Unit - 1) +
                           "}type TAfter = class procedure Run; end;{$ENDIF}\r\n{$DEFINE " + Name + "}\r\n";
        std::string Body;
        for (int P = 0; P < 400; ++P) {
            const std::string Heading = "procedure P" + std::to_string(P) + "(X: Integer);\r\n";
            Text += Heading;
            Body += Heading + "begin\r\n  P" + std::to_string(P / 2) + "(X); Go;\r\nend;\r\n";
        }
        Add(Name, Text + "implementation\r\n" + Body + "end.\r\n");
    }
    Files.push_back({"p.dpr", ProjectText(Listed)});
    return Files;
}

TEST(ParallelPasses, TheRunsOwnThreadReadsForASlowerHelper) {
    const TProjectDir Project(UnevenSources());
    TOutcome Sequential;
    TRun First(Sequential.Recorder);
    RunWith(Project, 1, Sequential, First);
    ASSERT_TRUE(First.Symbols.GetSymbolKind("B15", "TAfter"));
    // Whether the own thread is done first is the scheduler's to say; in a
    // few runs it is.
    std::uint64_t ReadForHelper = 0;
    for (int Attempt = 0; Attempt < 5 && ReadForHelper == 0; ++Attempt) {
        SCOPED_TRACE("attempt " + std::to_string(Attempt));
        TOutcome Parallel;
        TRun Second(Parallel.Recorder);
        RunWith(Project, 2, Parallel, Second);
        ASSERT_EQ(Parallel.Files.size(), Sequential.Files.size());
        for (std::size_t i = 0; i < Sequential.Files.size(); ++i)
            EXPECT_EQ(Parallel.Files[i].second, Sequential.Files[i].second) << Sequential.Files[i].first;
        ExpectSameRun(First, Second);
        EXPECT_EQ(Parallel.Recorder.Progresses, Sequential.Recorder.Progresses);
        ReadForHelper = Second.Statistics.ReadForHelper;
        std::filesystem::remove_all(Project.Dir() + "out2/");
    }
    EXPECT_GT(ReadForHelper, 0u);
}

// A document that cannot be created stops the parallel pass with the error of
// the sequential one, after the same documents; units after the failing one
// may be written already (a helper writes ahead).
TEST(ParallelPasses, StopOnTheErrorOfTheSequentialPass) {
    const TProjectDir Project(Sources(true));
    std::vector<TOutcome> Outcomes(4);
    std::vector<std::string> Errors;
    for (unsigned Threads = 1; Threads <= 4; ++Threads) {
        const std::string Out = Project.Dir() + "out" + std::to_string(Threads) + "/";
        std::filesystem::create_directories(Out + "A05.html");  // a directory where the page goes
        TRun Run(Outcomes[Threads - 1].Recorder);
        try {
            RunWith(Project, Threads, Outcomes[Threads - 1], Run);
            ADD_FAILURE() << "no error with " << Threads << " threads";
        } catch (const CorvanetError& Error) {
            EXPECT_EQ(std::string(Error.what()), "Cannot create file " + Out + "A05.html: Is a directory");
            Errors.push_back(Error.what());
        }
    }
    ASSERT_EQ(Errors.size(), 4u);
    for (unsigned Threads = 2; Threads <= 4; ++Threads) {
        const std::string Out = Project.Dir() + "out" + std::to_string(Threads) + "/";
        for (const auto& Entry : std::filesystem::directory_iterator(Project.Dir() + "out1/")) {
            if (!Entry.is_regular_file()) continue;
            EXPECT_EQ(testsupport::ReadBytes(Out + Entry.path().filename().string()),
                      testsupport::ReadBytes(Entry.path().string()))
                << Entry.path().filename() << " with " << Threads << " threads";
        }
    }
}

}  // namespace
}  // namespace corvanet::runtest
