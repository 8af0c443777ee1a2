// The acceptance run (see acceptance_run.h): generate, run, and gather the
// expectations. Where each file's scan stops is found by the scanner on its
// own, outside the pipeline, so the report's stop lines have something to be
// compared with.
#include "acceptance_run.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "decode.h"
#include "process.h"
#include "scanner.h"

namespace corvanet::acceptance {

namespace {

constexpr const char* ProjectName = "AcceptanceProject";
TAcceptanceRun* theRun = nullptr;

std::vector<std::string> Lines(const std::string& Text) {
    std::vector<std::string> Out;
    std::istringstream In(Text);
    for (std::string Line; std::getline(In, Line);) Out.push_back(Line);
    return Out;
}

std::vector<std::string> Split(const std::string& Line, char Separator) {
    std::vector<std::string> Fields;
    std::istringstream In(Line);
    for (std::string Field; std::getline(In, Field, Separator);) Fields.push_back(Field);
    return Fields;
}

// The file's tokens up to the scanner's first nonzero reason code.
void ScanFile(TSourceFile& File) {
    TScanner Scanner;
    Scanner.Open(File.Disk);
    File.Bytes = Scanner.FileSize();
    TToken Token;
    std::uint8_t Reason = srToken;
    while ((Reason = Scanner.GetToken(Token)) == srToken) ++File.Tokens;
    File.StopReason = Reason;
    File.StopLine = Scanner.TokenLine();
    Scanner.Close();
}

}  // namespace

bool TSourceFile::StoppedEarly() const {
    return StopReason == srBadChar || StopReason == srOpenString || StopReason == srOpenComment;
}

TAcceptanceRun::TAcceptanceRun(TSettings S) : Settings(std::move(S)) {
    WorkDir = Settings.KeepDir.empty() ? scratch_.Path() : Settings.KeepDir;
    if (WorkDir.back() != '/') WorkDir += '/';
    BuildDir = WorkDir + "out/";
    ModernBuildDir = WorkDir + "modern/";
    DelphiBuildDir = WorkDir + "delphi/";
    ReportPath = WorkDir + "report.txt";
}

bool TAcceptanceRun::Prepare() {
    std::filesystem::create_directories(WorkDir);
    if (!Generate()) return false;
    RunCli();
    RunModernCli();
    if (!GenerateProject({"--delphi-mode"}, "DelphiMode", DelphiFiles)) return false;
    RunDelphiModeCli();
    ReportLines = Lines(testsupport::WithoutByteOrderMark(testsupport::ReadBytes(ReportPath)));
    ScanSources();
    return true;
}

// make_project.py writes the project file and the manifest of its units.
bool TAcceptanceRun::Generate() { return GenerateProject(Settings.Choice, ProjectName, Files); }

bool TAcceptanceRun::GenerateProject(const std::vector<std::string>& Choice, const std::string& Name,
                                     std::vector<TSourceFile>& Into) {
    const std::string Project = WorkDir + Name + ".dpr";
    const std::string Manifest = WorkDir + Name + ".tsv";
    std::vector<std::string> Argv{Settings.Python, Settings.Generator, "--manifest", Manifest};
    Argv.insert(Argv.end(), Choice.begin(), Choice.end());
    Argv.push_back(Project);
    generatorStatus_ = RunProcess(Argv, WorkDir + "generator.out", WorkDir + "generator.err");
    if (generatorStatus_ != 0) {
        Problem = "make_project.py ended with status " + std::to_string(generatorStatus_) + ": " +
                  testsupport::ReadBytes(WorkDir + "generator.err");
        return false;
    }
    Into.push_back({Name, Project, Project});
    for (const std::string& Line : Lines(testsupport::ReadBytes(Manifest))) {
        const std::vector<std::string> F = Split(Line, '\t');
        if (F.size() != 3) {
            Problem = "bad manifest line: " + Line;
            return false;
        }
        Into.push_back({F[0], F[1], F[2]});
    }
    return true;
}

void TAcceptanceRun::RunCli() {
    const auto Start = std::chrono::steady_clock::now();
    CliStatus = RunProcess({Settings.Cli, "--dialect", "classic", "-o", BuildDir, "--report", ReportPath, Files.front().Disk},
                           WorkDir + "cli.out", WorkDir + "cli.err");
    CliSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    CliErrors = testsupport::ReadBytes(WorkDir + "cli.err");
}

void TAcceptanceRun::RunModernCli() {
    ModernStatus = RunProcess({Settings.Cli, "--dialect", "modern", "-o", ModernBuildDir, "--report",
                               WorkDir + "modern-report.txt", Files.front().Disk},
                              WorkDir + "modern-cli.out", WorkDir + "modern-cli.err");
    ModernErrors = testsupport::ReadBytes(WorkDir + "modern-cli.err");
}

void TAcceptanceRun::RunDelphiModeCli() {
    DelphiStatus = RunProcess({Settings.Cli, "--dialect", "modern", "-o", DelphiBuildDir, "--report",
                               WorkDir + "delphi-report.txt", DelphiFiles.front().Disk},
                              WorkDir + "delphi-cli.out", WorkDir + "delphi-cli.err");
    DelphiErrors = testsupport::ReadBytes(WorkDir + "delphi-cli.err");
}

void TAcceptanceRun::ScanSources() {
    for (TSourceFile& File : Files) ScanFile(File);
}

std::uint64_t TAcceptanceRun::TotalBytes() const {
    std::uint64_t Sum = 0;
    for (const TSourceFile& File : Files) Sum += File.Bytes;
    return Sum;
}

std::uint64_t TAcceptanceRun::TotalTokens() const {
    std::uint64_t Sum = 0;
    for (const TSourceFile& File : Files) Sum += File.Tokens;
    return Sum;
}

int TAcceptanceRun::EarlyStops() const {
    int Count = 0;
    for (const TSourceFile& File : Files) Count += File.StoppedEarly() ? 1 : 0;
    return Count;
}

long TAcceptanceRun::SymbolCount() const {
    constexpr std::string_view Suffix = " symbols scanned";
    for (auto It = ReportLines.rbegin(); It != ReportLines.rend(); ++It)
        if (It->ends_with(Suffix)) return std::stol(It->substr(0, It->size() - Suffix.size()));
    return -1;
}

const testsupport::TLinkReport& TAcceptanceRun::Links() {
    if (!links_) links_ = testsupport::CheckLinks(BuildDir);
    return *links_;
}

const testsupport::TLinkReport& TAcceptanceRun::ModernLinks() {
    if (!modernLinks_) modernLinks_ = testsupport::CheckLinks(ModernBuildDir);
    return *modernLinks_;
}

TAcceptanceRun& TheRun() { return *theRun; }
void SetTheRun(TAcceptanceRun* Run) { theRun = Run; }

std::string ParseSettings(int Argc, char** Argv, TSettings& Settings) {
    const std::pair<const char*, std::string TSettings::*> Valued[] = {
        {"--cli", &TSettings::Cli},           {"--python", &TSettings::Python},
        {"--generator", &TSettings::Generator}, {"--checkers", &TSettings::Checkers},
        {"--keep", &TSettings::KeepDir},
    };
    for (int I = 1; I < Argc; ++I) {
        const std::string Arg = Argv[I];
        bool Known = false;
        for (const auto& [Name, Field] : Valued)
            if (Arg == Name && I + 1 < Argc) Settings.*Field = Argv[++I], Known = true;
        if (Arg == "--count" && I + 1 < Argc) Settings.Choice = {"--count", Argv[++I]}, Known = true;
        if (Arg == "--all") Settings.Choice = {"--all"}, Known = true;
        if (!Known) return "unknown argument " + Arg;
    }
    if (Settings.Cli.empty() || Settings.Generator.empty() || Settings.Python.empty())
        return "--cli, --python and --generator are required";
    return {};
}

}  // namespace corvanet::acceptance
