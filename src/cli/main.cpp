// corvanet-cli: one run of the core over a project file, driven from the
// command line. Exit status 0 on success, 1 when the run stopped on an error
// (its message on standard error), 2 on bad usage (with the usage text). The
// report goes to its own destination and carries nothing that changes between
// runs of the same project; the time taken goes to standard error.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "console_reporter.h"
#include "error.h"
#include "options.h"
#include "pipeline.h"
#include "report.h"

#ifndef CORVANET_VERSION
#define CORVANET_VERSION "unknown"
#endif

namespace corvanet::cli {
namespace {

constexpr int ExitSuccess = 0;
constexpr int ExitRunError = 1;
constexpr int ExitUsage = 2;
constexpr int ExitIncomplete = 3;  // finished, without something that was asked for

std::string BuildLocation(const std::string& Output) {
    std::error_code Ec;
    std::filesystem::create_directories(Output, Ec);
    if (Ec || !std::filesystem::is_directory(Output, Ec))
        throw CorvanetError("Cannot create directory " + Output);
    return Output.back() == '/' ? Output : Output + "/";
}

// The report, written line by line as it is formed, to standard output ("-")
// or to a file.
void WriteReport(const std::string& Destination, const TRun& Run) {
    const bool ToStdout = Destination == "-";
    std::FILE* Out = ToStdout ? stdout : std::fopen(Destination.c_str(), "wb");
    if (Out == nullptr) throw CorvanetError("Cannot create file " + Destination);
    auto Put = [Out](const std::string& Line) {
        std::fwrite(Line.data(), 1, Line.size(), Out);
        std::fputc('\n', Out);
    };
    Put(SymbolCountText(VisitReportLines(Run.Symbols, Run.LexicalStops, Put, Run.ReportNotes())));
    if (ToStdout) {
        std::fflush(stdout);
        return;
    }
    const bool Written = std::ferror(Out) == 0;
    if (std::fclose(Out) != 0 || !Written) throw CorvanetError("Cannot create file " + Destination);
}

int Process(const TCliOptions& Options) {
    TConsoleReporter Reporter(stderr, isatty(fileno(stderr)) != 0, Options.Quiet);
    try {
        const auto Start = std::chrono::steady_clock::now();
        Reporter.Status("Processing ...");
        TRun Run(Reporter);
        Run.ProjectFile = Options.Project;
        Run.BuildDir = BuildLocation(Options.Output);
        Run.HelpCompiler = Options.HelpCompiler;
        Run.Dialect = Options.Dialect;
        for (std::size_t From = 0; From < Options.IncludePath.size();) {
            const std::size_t To = std::min(Options.IncludePath.find(';', From), Options.IncludePath.size());
            if (To > From)
                Run.IncludePath.push_back(
                    std::filesystem::absolute(Options.IncludePath.substr(From, To - From)).string());
            From = To + 1;
        }
        Run.UnitPath = SplitList(Options.UnitPath);
        Run.UnitScopes = SplitList(Options.UnitScopes);
        Run.Execute(Options.Project, Options.Defines);
        WriteReport(Options.Report, Run);
        Run.Symbols.DestroyUnitList();
        const auto Elapsed = std::chrono::steady_clock::now() - Start;
        Reporter.Final("Time Taken: " +
                       FormatElapsed(std::chrono::duration_cast<std::chrono::milliseconds>(Elapsed).count()));
        return Run.Incomplete ? ExitIncomplete : ExitSuccess;
    } catch (const std::exception& Error) {
        Reporter.EndLine();
        std::fprintf(stderr, "corvanet-cli: %s\n", Error.what());
        return ExitRunError;
    }
}

}  // namespace
}  // namespace corvanet::cli

int main(int argc, char** argv) {
    using namespace corvanet::cli;
    TCliOptions Options;
    const std::vector<std::string> Args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const std::string Problem = ParseArguments(Args, Options);
    if (Options.Help) {
        std::fputs(UsageText, stdout);
        return ExitSuccess;
    }
    if (Options.Version) {
        std::printf("corvanet-cli %s\n", CORVANET_VERSION);
        return ExitSuccess;
    }
    if (!Problem.empty()) {
        std::fprintf(stderr, "corvanet-cli: %s\n\n%s", Problem.c_str(), UsageText);
        return ExitUsage;
    }
    return Process(Options);
}
