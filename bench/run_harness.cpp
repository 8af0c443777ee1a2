// run_harness: runs whole projects through the engine the command line uses
// (TRun::Execute, quiet reporter, no help compiler) and reports per run the
// source MB, tokens, symbols, links, wall and CPU seconds, MB/s and peak RSS.
// Each run is a child process of its own, so its CPU time and peak RSS
// (wait4's rusage) are that run's alone. Each run writes into a directory that
// did not exist, after a sync, and no output is deleted before the harness
// ends: deleting files just before a run makes file creation slow.
//   run_harness [--runs N] [--threads N] [--dialect classic|modern] [--defines TEXT] [--output DIR] [--tsv] [--phases] PROJECT.dpr...
// --threads: threads of the output pass (default 0: one per core).
// --phases: each run also tells on standard error how long each step took
// (the wall and CPU time from one status of the run to the next).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "pipeline.h"

namespace {

using namespace corvanet;
namespace fs = std::filesystem;

struct TOptions {
    int Runs = 3;
    unsigned Threads = 0;
    TDialect Dialect = TDialect::Classic;
    std::string Defines;  // empty: the dialect's default
    std::string Output;  // where the runs' directories go; empty: a temporary directory, removed at the end
    bool Tsv = false;
    bool Phases = false;
    std::vector<std::string> Projects;
};

// What a child reports about its run.
struct TCounts {
    unsigned long long SourceBytes = 0, Files = 0, Tokens = 0, Symbols = 0, Links = 0, OutBytes = 0;
};

struct TMeasure {
    TCounts Counts;
    double Wall = 0, Cpu = 0, User = 0, PeakMiB = 0;
};

constexpr double MiB = 1024.0 * 1024.0;

[[noreturn]] void Usage() {
    std::fputs("usage: run_harness [--runs N] [--threads N] [--dialect classic|modern] [--defines TEXT] [--output DIR] [--tsv] [--phases] PROJECT.dpr...\n",
               stderr);
    std::exit(2);
}

TOptions ParseOptions(int argc, char** argv) {
    TOptions O;
    for (int i = 1; i < argc; ++i) {
        const std::string A = argv[i];
        const bool HasValue = i + 1 < argc;
        if (A == "--runs" && HasValue) O.Runs = std::max(1, std::atoi(argv[++i]));
        else if (A == "--threads" && HasValue) O.Threads = static_cast<unsigned>(std::max(0, std::atoi(argv[++i])));
        else if (A == "--defines" && HasValue) O.Defines = argv[++i];
        else if (A == "--dialect" && HasValue) {
            const std::string D = argv[++i];
            if (D != "classic" && D != "modern") Usage();
            O.Dialect = D == "modern" ? TDialect::Modern : TDialect::Classic;
        }
        else if (A == "--output" && HasValue) O.Output = argv[++i];
        else if (A == "--tsv") O.Tsv = true;
        else if (A == "--phases") O.Phases = true;
        else if (!A.empty() && A[0] == '-') Usage();
        else O.Projects.push_back(A);
    }
    if (O.Projects.empty()) Usage();
    return O;
}

// A reporter that notes when each status begins, for --phases.
class TPhaseReporter : public TSilentReporter {
public:
    void Status(const std::string& Text) override {
        Close();
        current_ = Text;
        start_ = std::chrono::steady_clock::now();
        cpuStart_ = ProcessCpu();
    }
    // Tells the last step's time too; nothing when no step began.
    void Close() {
        if (current_.empty()) return;
        const double S = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        std::fprintf(stderr, "  %7.3f s  %7.3f s CPU  %s\n", S, ProcessCpu() - cpuStart_, current_.c_str());
        current_.clear();
    }

private:
    // The CPU time of every thread of the process, in seconds: on a busy
    // machine a step's wall time says little.
    static double ProcessCpu() {
        timespec T{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &T);
        return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_nsec) / 1e9;
    }
    std::string current_;
    std::chrono::steady_clock::time_point start_;
    double cpuStart_ = 0;
};

// The child: one run, its counts written to Fd as one line.
[[noreturn]] void RunChild(const TOptions& O, const std::string& Project, const std::string& Dir, int Fd) {
    int Status = 0;
    TCounts C;
    try {
        TPhaseReporter Phases;
        TSilentReporter Quiet;
        TRun Run(O.Phases ? static_cast<TReporter&>(Phases) : Quiet);
        Run.ProjectFile = Project;
        Run.BuildDir = Dir + "/";
        Run.Threads = O.Threads;
        Run.Dialect = O.Dialect;
        Run.Execute(Project, O.Defines.empty() ? std::string(DefaultDefines(O.Dialect)) : O.Defines);
        Phases.Close();
        if (O.Phases)
            std::fprintf(stderr, "  %llu units read again after a helper's wrong guess, %llu read for a helper\n",
                         static_cast<unsigned long long>(Run.Statistics.ReadAgain),
                         static_cast<unsigned long long>(Run.Statistics.ReadForHelper));
        C = {Run.Statistics.SourceBytes, Run.Statistics.Files,    Run.Statistics.Tokens,
             Run.Symbols.CountEntries(), Run.Documents.Counters.Links, Run.Documents.Counters.Bytes};
    } catch (const std::exception& E) {
        std::fprintf(stderr, "run_harness: %s: %s\n", Project.c_str(), E.what());
        Status = 1;
    }
    char Line[256];
    const int N = std::snprintf(Line, sizeof Line, "%llu %llu %llu %llu %llu %llu\n", C.SourceBytes,
                                C.Files, C.Tokens, C.Symbols, C.Links, C.OutBytes);
    if (write(Fd, Line, static_cast<std::size_t>(N)) != N) Status = 1;
    std::fflush(stderr);
    _exit(Status);
}

bool ReadCounts(int Fd, TCounts& C) {
    std::string Text;
    char Buf[256];
    for (ssize_t N; (N = read(Fd, Buf, sizeof Buf)) > 0;) Text.append(Buf, static_cast<std::size_t>(N));
    return std::sscanf(Text.c_str(), "%llu %llu %llu %llu %llu %llu", &C.SourceBytes, &C.Files, &C.Tokens,
                       &C.Symbols, &C.Links, &C.OutBytes) == 6;
}

double Seconds(const timeval& T) { return static_cast<double>(T.tv_sec) + T.tv_usec / 1e6; }

// One run in a child process; false when it failed.
bool MeasureRun(const TOptions& O, const std::string& Project, const std::string& Dir, TMeasure& M) {
    fs::create_directories(Dir);
    std::fflush(nullptr);
    sync();  // what earlier runs wrote is on disk: no run pays for another's writes
    int Pipe[2];
    if (pipe(Pipe) != 0) return false;
    const auto Start = std::chrono::steady_clock::now();
    const pid_t Child = fork();
    if (Child < 0) return false;
    if (Child == 0) {
        close(Pipe[0]);
        RunChild(O, Project, Dir, Pipe[1]);
    }
    close(Pipe[1]);
    const bool Read = ReadCounts(Pipe[0], M.Counts);
    close(Pipe[0]);
    int Status = 0;
    rusage Usage{};
    if (wait4(Child, &Status, 0, &Usage) != Child) return false;
    M.Wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    M.User = Seconds(Usage.ru_utime);
    M.Cpu = M.User + Seconds(Usage.ru_stime);
    M.PeakMiB = static_cast<double>(Usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
    return Read && WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
}

void PrintHeader(bool Tsv) {
    if (Tsv)
        std::printf("project\trun\tfiles\tsource_mb\ttokens\tsymbols\tlinks\tout_mb\twall_s\tcpu_s\tuser_s\tmb_per_s\tpeak_rss_mb\n");
    else
        std::printf("%-24s %6s %6s %9s %10s %8s %8s %8s %7s %7s %7s %7s %8s\n", "project", "run", "files",
                    "source MB", "tokens", "symbols", "links", "out MB", "wall s", "CPU s", "user s", "MB/s",
                    "peak RSS");
}

void PrintRow(bool Tsv, const std::string& Name, const std::string& Run, const TMeasure& M) {
    const TCounts& C = M.Counts;
    const double Mb = static_cast<double>(C.SourceBytes) / MiB;
    const char* Format = Tsv ? "%s\t%s\t%llu\t%.2f\t%llu\t%llu\t%llu\t%.2f\t%.3f\t%.3f\t%.3f\t%.1f\t%.1f\n"
                             : "%-24s %6s %6llu %9.2f %10llu %8llu %8llu %8.2f %7.3f %7.3f %7.3f %7.1f %6.1fMB\n";
    std::printf(Format, Name.c_str(), Run.c_str(), C.Files, Mb, C.Tokens, C.Symbols, C.Links,
                static_cast<double>(C.OutBytes) / MiB, M.Wall, M.Cpu, M.User, M.Wall > 0 ? Mb / M.Wall : 0.0,
                M.PeakMiB);
}

double Median(std::vector<double> V) {
    std::sort(V.begin(), V.end());
    return V[V.size() / 2];
}

// The median run of wall, CPU and RSS separately, then the noise.
void PrintSummary(bool Tsv, const std::string& Name, const std::vector<TMeasure>& Runs) {
    std::vector<double> Wall, Cpu, User, Rss;
    for (const TMeasure& M : Runs) {
        Wall.push_back(M.Wall);
        Cpu.push_back(M.Cpu);
        User.push_back(M.User);
        Rss.push_back(M.PeakMiB);
    }
    TMeasure Med = Runs.front();
    Med.Wall = Median(Wall);
    Med.Cpu = Median(Cpu);
    Med.User = Median(User);
    Med.PeakMiB = Median(Rss);
    PrintRow(Tsv, Name, "median", Med);
    const auto [WMin, WMax] = std::minmax_element(Wall.begin(), Wall.end());
    const auto [CMin, CMax] = std::minmax_element(Cpu.begin(), Cpu.end());
    std::printf(Tsv ? "%s\tnoise\twall_min %.3f\twall_max %.3f\tcpu_min %.3f\tcpu_max %.3f\n"
                    : "%-24s  noise: wall min %.3f max %.3f, CPU min %.3f max %.3f\n",
                Name.c_str(), *WMin, *WMax, *CMin, *CMax);
}

}  // namespace

int main(int argc, char** argv) {
    const TOptions O = ParseOptions(argc, argv);
    std::string Dir = O.Output;
    if (Dir.empty()) {
        char Template[] = "/tmp/corvanet-harness-XXXXXX";
        if (mkdtemp(Template) == nullptr) return 1;
        Dir = Template;
    }
    PrintHeader(O.Tsv);
    int Failures = 0;
    for (const std::string& Project : O.Projects) {
        const fs::path Path = fs::absolute(Project);
        const std::string Name = Path.parent_path().filename().string() + "/" + Path.filename().string();
        std::vector<TMeasure> Runs;
        for (int R = 1; R <= O.Runs; ++R) {
            TMeasure M;
            const std::string RunDir = Dir + "/p" + std::to_string(&Project - O.Projects.data() + 1) + "-run" +
                                       std::to_string(R);
            if (!MeasureRun(O, Path.string(), RunDir, M)) {
                ++Failures;
                break;
            }
            PrintRow(O.Tsv, Name, std::to_string(R), M);
            Runs.push_back(M);
        }
        if (!Runs.empty()) PrintSummary(O.Tsv, Name, Runs);
        std::fflush(stdout);
    }
    if (O.Output.empty()) fs::remove_all(Dir);
    return Failures == 0 ? 0 : 1;
}
