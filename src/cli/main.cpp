// corvanet-cli: one run of the core over a project file, driven from the
// command line. Exit status 0 on success, 1 when the run stopped on an error
// (its message on standard error), 2 on bad usage (with the usage text). The
// report goes to its own destination and carries nothing that changes between
// runs of the same project; the time taken goes to standard error.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "console_reporter.h"
#include "documents.h"
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

// The report, written line by line as it is formed, to standard output or to
// File (created before the run reads anything, so a report that cannot be
// made costs no run; put in place whole at the end). A report that does not
// reach standard output is an error of the run.
void WriteReport(TOutputFile* File, const TRun& Run) {
    auto Put = [File](const std::string& Line) {
        if (File != nullptr) {
            File->WriteText(Line);
            File->WriteText("\n");
            return;
        }
        std::fwrite(Line.data(), 1, Line.size(), stdout);
        std::fputc('\n', stdout);
    };
    Put(SymbolCountText(VisitReportLines(Run.Symbols, Run.LexicalStops, Put, Run.ReportNotes())));
    if (File != nullptr) {
        File->Close();
    } else if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        throw CorvanetError("Cannot write the report to standard output: " + SystemReason(errno));
    }
}

int Process(const TCliOptions& Options) {
    TConsoleReporter Reporter(stderr, isatty(fileno(stderr)) != 0, Options.Quiet);
    try {
        const auto Start = std::chrono::steady_clock::now();
        Reporter.Status("Processing ...");
        std::unique_ptr<TOutputFile> ReportFile;
        if (Options.Report != "-") {
            ReportFile = std::make_unique<TOutputFile>();
            ReportFile->Create(Options.Report);
        }
        TRun Run(Reporter);
        Run.ProjectFile = Options.Project;
        Run.BuildDir = BuildLocation(Options.Output);
        Run.HelpCompiler = Options.HelpCompiler;
        Run.HelpCompilerTimeout = Options.HelpCompilerTimeout;
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
        Run.CodePage = Options.CodePage;
        Run.Execute(Options.Project, Options.Defines);
        if (ReportFile && Run.IsSourceFile(Options.Report))
            throw CorvanetError("Cannot create file " + Options.Report + ": it is a source file of the run");
        WriteReport(ReportFile.get(), Run);
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
    // Before any thread starts: an interrupted run leaves no temporary file,
    // and no help compiler running on.
    corvanet::RemoveTemporariesOnSignals(&corvanet::StopRunningProgram);
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
