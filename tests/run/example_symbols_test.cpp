// What pass 1 records from the example projects: the demo must show every
// kind of symbol an interface can declare (its report is the tour of the
// tool), and the count per kind of every example is printed for the notes.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <string>

#include "pipeline.h"
#include "run_fixture.h"
#include "scratch_dir.h"

namespace corvanet::runtest {
namespace {

// Symbols, classes ("Class/Object" entries of the class list) and members,
// counted by their display text.
std::map<std::string, int> CountByKind(const TSymbolTable& Symbols) {
    std::map<std::string, int> Counts;
    for (const TURElm& Unit : Symbols.UnitList()) {
        for (const TRefElm& S : Unit.Symbols) ++Counts[std::string(SymbolKindName(S.Kind))];
        for (const TCRElm& C : Unit.Classes)
            for (const TRefElm& M : C.Members) ++Counts["member " + std::string(SymbolKindName(M.Kind))];
    }
    return Counts;
}

std::map<std::string, int> RunAndCount(const std::string& Project) {
    testsupport::TScratchDir Out;
    TRecorder Recorder;
    TRun Run(Recorder);
    Run.ProjectFile = Project;
    Run.BuildDir = Out.Path();
    Run.Execute(Project, "WIN32;VER100");
    const auto Counts = CountByKind(Run.Symbols);
    std::cout << "[symbols] " << std::filesystem::path(Project).filename().string() << ":";
    for (const auto& [Kind, Count] : Counts) std::cout << " " << Kind << " " << Count << ";";
    std::cout << " rows " << Run.Symbols.CountEntries() << "\n";
    return Counts;
}

TEST(ExampleSymbols, DemoShowsEveryInterfaceKind) {
    const auto Counts = RunAndCount(std::string(CORVANET_SOURCE_DIR) + "/examples/demo/demo.dpr");
    for (const char* Kind : {"Constant", "Type", "Variable", "Record", "Class/Object", "Procedure", "Function",
                             "member Procedure", "member Function", "member Constructor", "member Destructor"}) {
        const auto Found = Counts.find(Kind);
        EXPECT_TRUE(Found != Counts.end() && Found->second > 0) << "no " << Kind << " in the demo's report";
    }
}

TEST(ExampleSymbols, EveryExampleRecordsSymbols) {
    for (const auto& Dir : std::filesystem::directory_iterator(std::string(CORVANET_SOURCE_DIR) + "/examples")) {
        if (!Dir.is_directory()) continue;
        for (const auto& File : std::filesystem::directory_iterator(Dir.path())) {
            if (File.path().extension() != ".dpr") continue;
            SCOPED_TRACE(File.path().string());
            EXPECT_FALSE(RunAndCount(File.path().string()).empty());
        }
    }
}

}  // namespace
}  // namespace corvanet::runtest
