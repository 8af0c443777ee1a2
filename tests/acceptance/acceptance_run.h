// The one run the acceptance checks look at: a project of real units written
// by make_project.py, corvanet-cli started on it as a process, and what the
// checks compare against, gathered without the run's help: the list of units
// the generator wrote, each file's size, token count and where its scan stops.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link_checker.h"
#include "scratch_dir.h"

namespace corvanet::acceptance {

struct TSettings {
    std::string Cli;        // corvanet-cli
    std::string Python;     // the interpreter that runs the generator and the checkers
    std::string Generator;  // make_project.py
    std::string Checkers;   // the directory of check_html.py and check_rtf.py
    std::vector<std::string> Choice{"--count", "300"};  // or {"--all"}
    std::string KeepDir;    // empty: a scratch directory, removed at the end
};

// Reads --cli, --python, --generator, --checkers, --count N, --all, --keep DIR;
// returns a problem text, empty when the arguments are good.
std::string ParseSettings(int Argc, char** Argv, TSettings& Settings);

// A source file of the run: the project file or one of its units.
struct TSourceFile {
    std::string Name;     // registered name, which names the documents
    std::string Written;  // the path as the project file writes it
    std::string Disk;     // where it is on disk
    std::uint64_t Bytes = 0;
    std::uint64_t Tokens = 0;          // tokens the scanner gives before it ends
    std::uint8_t StopReason = 0;       // the scanner's last reason code
    int StopLine = 0;                  // the line of the failed token, after an early stop
    bool StoppedEarly() const;
};

// Exit status the generator gives when the packages are not installed.
inline constexpr int GeneratorNoSources = 77;

class TAcceptanceRun {
public:
    explicit TAcceptanceRun(TSettings Settings);
    TAcceptanceRun(const TAcceptanceRun&) = delete;
    TAcceptanceRun& operator=(const TAcceptanceRun&) = delete;

    // Generates the project (false, with Problem set, when that fails), then
    // starts corvanet-cli on it and reads what the checks need.
    bool Prepare();
    bool SourcesMissing() const { return generatorStatus_ == GeneratorNoSources; }

    const TSettings Settings;
    std::string Problem;        // why Prepare failed
    std::string WorkDir;        // ends in "/"
    std::string BuildDir;       // the run's output directory, ends in "/"
    std::string ReportPath;
    std::string CliErrors;      // what corvanet-cli wrote to standard error
    int CliStatus = -1;
    double CliSeconds = 0;
    std::vector<TSourceFile> Files;  // the project file first, then its units
    // The same project read in the modern dialect, into a directory of its own.
    std::string ModernBuildDir;
    std::string ModernErrors;
    int ModernStatus = -1;
    // fpc-source's Delphi-mode units (make_project.py --delphi-mode), read
    // in the modern dialect into a directory of their own.
    std::vector<TSourceFile> DelphiFiles;  // the project file first, then its units
    std::string DelphiBuildDir;
    std::string DelphiErrors;
    int DelphiStatus = -1;
    std::vector<std::string> ReportLines;

    std::uint64_t TotalBytes() const;
    std::uint64_t TotalTokens() const;
    int EarlyStops() const;
    // The number from the report's last line "N symbols scanned"; -1 if absent.
    long SymbolCount() const;
    // Every link of the build directory, checked once, on first use.
    const testsupport::TLinkReport& Links();
    // The same for the modern run's directory.
    const testsupport::TLinkReport& ModernLinks();

private:
    bool Generate();
    bool GenerateProject(const std::vector<std::string>& Choice, const std::string& Name,
                         std::vector<TSourceFile>& Into);
    void RunDelphiModeCli();
    void RunCli();
    void RunModernCli();
    void ScanSources();

    testsupport::TScratchDir scratch_;
    int generatorStatus_ = -1;
    std::optional<testsupport::TLinkReport> links_, modernLinks_;
};

// The run the checks share, set up once by main().
TAcceptanceRun& TheRun();
void SetTheRun(TAcceptanceRun* Run);

}  // namespace corvanet::acceptance
