// The acceptance program's entry: reads its settings, prepares the one run the
// checks share (or skips when the packages of real code are not installed),
// runs the checks and prints the figures: one line of totals, one of links by
// kind, the early stops grouped by reason. Figures are printed, never asserted.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "acceptance_run.h"
#include "link_checker.h"
#include "scanner.h"

namespace corvanet::acceptance {
namespace {

// ctest's SKIP_RETURN_CODE for this test.
constexpr int ExitSkipped = 77;

void PrintTotals(const TAcceptanceRun& Run, const testsupport::TLinkReport& Links) {
    int Written = 0, Landed = 0;
    for (int K = 0; K < testsupport::lkContents; ++K) {
        Written += Links.Html[K].Written;
        Landed += Links.Html[K].Landed;
    }
    std::printf("acceptance: %zu files, %.1f MB, %llu tokens, %ld symbols, %d links written, %d landed, "
                "%d files with an early stop, %.1f s\n",
                Run.Files.size(), static_cast<double>(Run.TotalBytes()) / 1e6,
                static_cast<unsigned long long>(Run.TotalTokens()), Run.SymbolCount(), Written, Landed,
                Run.EarlyStops(), Run.CliSeconds);
}

void PrintLinksByKind(const testsupport::TLinkReport& Links) {
    std::string Line = "links landed/written by kind:";
    for (const auto* Side : {&Links.Html, &Links.Rtf}) {
        Line += Side == &Links.Html ? " HTML" : "; RTF";
        for (int K = 0; K < testsupport::LinkKindCount; ++K)
            Line += std::string(" ") + LinkKindName(static_cast<testsupport::TLinkKind>(K)) + " " +
                    std::to_string((*Side)[K].Landed) + "/" + std::to_string((*Side)[K].Written);
    }
    std::printf("%s\n", Line.c_str());
}

void PrintStops(const TAcceptanceRun& Run) {
    std::map<std::string, int> ByReason;
    for (const TSourceFile& File : Run.Files)
        if (File.StoppedEarly()) ++ByReason[std::string(ScanResultText(File.StopReason))];
    std::string Line = "early stops by reason:";
    for (const auto& [Reason, Count] : ByReason) Line += " " + Reason + " " + std::to_string(Count) + ";";
    std::printf("%s\n", ByReason.empty() ? "early stops: none" : Line.c_str());
}

// Every link that did not land, one a line, for a reader of a kept run.
void WriteMissedLinks(const TAcceptanceRun& Run, const testsupport::TLinkReport& Links) {
    std::ofstream Out(Run.WorkDir + "missed-links.txt", std::ios::binary | std::ios::trunc);
    for (const testsupport::TMissedLink& M : Links.Missed)
        Out << LinkKindName(M.Kind) << '\t' << M.Document << '\t' << M.Caption << '\t' << M.Target << '\n';
}

void PrintFigures(TAcceptanceRun& Run) {
    const testsupport::TLinkReport& Links = Run.Links();
    PrintTotals(Run, Links);
    PrintLinksByKind(Links);
    PrintStops(Run);
    WriteMissedLinks(Run, Links);
    if (!Run.Settings.KeepDir.empty()) std::printf("kept in %s\n", Run.WorkDir.c_str());
}

}  // namespace
}  // namespace corvanet::acceptance

int main(int argc, char** argv) {
    using namespace corvanet::acceptance;
    ::testing::InitGoogleTest(&argc, argv);
    TSettings Settings;
    const std::string Problem = ParseSettings(argc, argv, Settings);
    if (!Problem.empty()) {
        std::fprintf(stderr, "acceptance: %s\n", Problem.c_str());
        return 2;
    }
    TAcceptanceRun Run(Settings);
    if (!Run.Prepare()) {
        std::fprintf(stderr, "acceptance: %s\n", Run.Problem.c_str());
        return Run.SourcesMissing() ? ExitSkipped : 1;
    }
    SetTheRun(&Run);
    const int Status = RUN_ALL_TESTS();
    PrintFigures(Run);
    return Status;
}
