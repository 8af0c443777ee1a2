// The output pass (passes 2 and 3), on several threads where there are cores.
// The units, in sorted order, are cut into blocks: the run's own thread writes
// the first block, and a helper per further block, a run object of its own,
// first reads every unit before its block without writing or parsing (only to
// reach the conditional-compilation state the sequential pass starts the block
// with), then writes its block. The one other state a unit inherits, the
// parser's last type name, is guessed at a block's start and checked in unit
// order afterwards; a unit written on a wrong guess is written again. So every
// document, counter and lexical stop is the sequential pass's, byte for byte.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "compare.h"
#include "pipeline.h"

namespace corvanet {

namespace {

// What reading a unit silently costs, relative to writing it (0.31 measured
// on 26 MB of real units): the cut of the blocks evens out the threads' work.
constexpr double ScanShare = 0.3;

// What one unit's reading leaves the token stream for the next unit.
struct TStreamState {
    TDefines Defines;
    bool Skipping = false;
    TToken CurrentToken;
};

TStreamState Capture(const TTokenStream& Stream) { return {Stream.Defines, Stream.Skipping, Stream.CurrentToken}; }

void Restore(TTokenStream& Stream, const TStreamState& State) {
    Stream.Defines = State.Defines;
    Stream.Skipping = State.Skipping;
    Stream.CurrentToken = State.CurrentToken;
}

// What writing one unit adds to a run's counters.
struct TUnitCounts {
    std::uint64_t SourceBytes = 0, Files = 0, TokensRead = 0;
    TDocumentCounters Documents;
    TLinkCounters Links;
};

TUnitCounts CountsOf(const TRun& Run) {
    return {Run.Statistics.SourceBytes, Run.Statistics.Files, Run.Stream.TokensRead, Run.Documents.Counters,
            Run.Parser.Links};
}

void SetCounts(TRun& Run, const TUnitCounts& C) {
    Run.Statistics.SourceBytes = C.SourceBytes;
    Run.Statistics.Files = C.Files;
    Run.Stream.TokensRead = C.TokensRead;
    Run.Documents.Counters = C.Documents;
    Run.Parser.Links = C.Links;
    Run.Statistics.Tokens = C.Documents.Tokens;
}

// Adds Sign times the counts of C to To.
void Accumulate(TUnitCounts& To, const TUnitCounts& C, std::int64_t Sign) {
    auto Add = [Sign](std::uint64_t& Sum, std::uint64_t N) { Sum += static_cast<std::uint64_t>(Sign) * N; };
    Add(To.SourceBytes, C.SourceBytes);
    Add(To.Files, C.Files);
    Add(To.TokensRead, C.TokensRead);
    Add(To.Documents.Tokens, C.Documents.Tokens);
    Add(To.Documents.Links, C.Documents.Links);
    Add(To.Documents.Anchors, C.Documents.Anchors);
    Add(To.Documents.Bytes, C.Documents.Bytes);
    Add(To.Links.HeadingLinks, C.Links.HeadingLinks);
    Add(To.Links.RoutineLinks, C.Links.RoutineLinks);
    Add(To.Links.AncestorLinks, C.Links.AncestorLinks);
    Add(To.Links.UnitLinks, C.Links.UnitLinks);
}

using TBlocks = std::vector<std::pair<int, int>>;  // [first, last) unit positions

// The units but the last (which the run's own thread writes last): the bytes
// before each, and which of them may not start a block. A unit registered
// under the name of the one before it writes the same documents, so the two
// stay in one block, in their order.
struct TUnitWork {
    std::vector<double> Before;  // Before[i]: bytes of units [0, i)
    std::vector<bool> Joined;    // Joined[i]: unit i goes in the block of unit i - 1
};

TUnitWork UnitWork(const TRun& Run) {
    TUnitWork Work{{0.0}, {false}};
    const auto& Units = Run.Symbols.UnitList();
    for (std::size_t Unit = 0; Unit + 1 < Units.size(); ++Unit) {
        std::error_code Ec;
        const auto Size = std::filesystem::file_size(Run.SourcePath(Units[Unit].Path), Ec);
        Work.Before.push_back(Work.Before.back() + (Ec ? 1.0 : static_cast<double>(Size) + 1.0));
        if (Unit > 0) Work.Joined.push_back(SameText(Units[Unit - 1].Name, Units[Unit].Name));
    }
    return Work;
}

// The units cut into at most Workers blocks, none costing more than Budget:
// its own bytes, and ScanShare of the bytes before it, which its helper reads
// silently. Empty when Budget does not reach.
TBlocks Cut(const TUnitWork& Work, unsigned Workers, double Budget) {
    const int Count = static_cast<int>(Work.Before.size()) - 1;
    auto At = [&](int i) { return Work.Before[static_cast<std::size_t>(i)]; };
    TBlocks Blocks;
    int First = 0;
    while (First < Count && Blocks.size() < Workers) {
        const double Start = Blocks.empty() ? 0.0 : ScanShare * At(First);
        int Last = First + 1;
        while (Last < Count && (Work.Joined[static_cast<std::size_t>(Last)] || Start + At(Last + 1) - At(First) <= Budget))
            ++Last;
        Blocks.emplace_back(First, Last);
        First = Last;
    }
    return First == Count ? Blocks : TBlocks();
}

TBlocks PlanBlocks(const TUnitWork& Work, unsigned Workers) {
    double Low = 0.0, High = Work.Before.back() * (1.0 + ScanShare) + 1.0;
    for (int Step = 0; Step < 50; ++Step) {
        const double Mid = (Low + High) / 2.0;
        (Cut(Work, Workers, Mid).empty() ? Low : High) = Mid;
    }
    return Cut(Work, Workers, High);
}

// What a helper knows of one unit it wrote.
struct TUnitRecord {
    std::string LastTypeIn;             // the parser's last type name at the unit's start
    std::optional<TStreamState> Start;  // kept while that name may be a wrong guess
    TUnitCounts Counts;
    std::optional<TLexicalStop> Stop;   // where its scan stopped early, if it did
};

// A unit the helper wrote as the sequential pass would: its counts, and its
// lexical stop unless an earlier file told one for the same path.
void TakeCounts(TRun& Run, const TUnitRecord& Record) {
    TUnitCounts Total = CountsOf(Run);
    Accumulate(Total, Record.Counts, 1);
    SetCounts(Run, Total);
    if (!Record.Stop) return;
    auto SamePath = [&](const TLexicalStop& S) { return S.Path == Record.Stop->Path; };
    if (std::none_of(Run.LexicalStops.begin(), Run.LexicalStops.end(), SamePath))
        Run.LexicalStops.push_back(*Record.Stop);
}

}  // namespace

// One further block and the run object that writes it on a thread of its own.
struct TRun::THelper {
    TSilentReporter Reporter;
    TRun Run{Reporter};
    int First = 0, Last = 0;
    std::vector<TUnitRecord> Records;  // one per unit written, in order
    TStreamState After;                // after the last unit written
    std::string AfterLastTypeName;
    std::atomic<int> Done{0};
    std::atomic<bool> Finished{false};
    std::atomic<bool> Stop{false};
    std::thread Thread;
};

void TRun::GenerateDocuments() {
    const std::string Status = "Generating RTF and HTML ...";
    const unsigned Workers = Threads != 0 ? Threads : std::max(1u, std::thread::hardware_concurrency());
    if (Workers < 2 || Symbols.UnitList().size() < 3) {
        VisitUnits(Status, &TRun::GenerateUnit);
        return;
    }
    ReportStatus(Status);
    GenerateInParallel(Workers);
}

// Reads a unit from its start to its end without writing or parsing, so that
// its conditional directives act on the stream as the output pass's reading does.
void TRun::ScanUnitSilently(int Index) {
    const std::uint64_t TokensRead = Stream.TokensRead;
    Stream.CurrentPass = 1;  // the output hook writes nothing in pass 1
    OpenSource(SourcePath(Symbols.UnitList().at(static_cast<std::size_t>(Index)).Path), false);
    while (!Stream.EndOfInput) Stream.NextToken();
    Stream.Scanner.Close();
    Stream.TokensRead = TokensRead;
}

void TRun::StartHelper(THelper& Helper) {
    TRun& Run = Helper.Run;
    Run.ProjectFile = ProjectFile;
    Run.BuildDir = BuildDir;
    Run.sourcePaths_ = sourcePaths_;
    Run.Symbols.CopyTable(Symbols);
    Restore(Run.Stream, Capture(Stream));  // the state the output pass starts from
    Run.Parser.LastTypeName.clear();       // the guess, checked by AdoptHelper
    Helper.Thread = std::thread(&TRun::RunHelper, std::ref(Helper));
}

// On the helper's thread: touches nothing but the helper.
void TRun::RunHelper(THelper& Helper) {
    TRun& Run = Helper.Run;
    try {
        for (int Unit = 0; Unit < Helper.First && !Helper.Stop; ++Unit) Run.ScanUnitSilently(Unit);
        for (int Unit = Helper.First; Unit < Helper.Last && !Helper.Stop; ++Unit) {
            TUnitRecord Record;
            Record.LastTypeIn = Run.Parser.LastTypeName;
            if (Record.LastTypeIn.empty()) Record.Start = Capture(Run.Stream);
            const TUnitCounts Before = CountsOf(Run);
            const std::size_t Stops = Run.LexicalStops.size();
            Run.GenerateUnit(Unit);
            Record.Counts = CountsOf(Run);
            Accumulate(Record.Counts, Before, -1);
            if (Run.LexicalStops.size() > Stops) Record.Stop = Run.LexicalStops.back();
            Helper.Records.push_back(std::move(Record));
            Helper.After = Capture(Run.Stream);
            Helper.AfterLastTypeName = Run.Parser.LastTypeName;
            Helper.Done.fetch_add(1);
        }
    } catch (...) {
        // The run's own thread writes what the helper did not, and meets the
        // error itself if it is one of the run.
    }
    Helper.Finished = true;
}

// On the run's own thread, in unit order after the blocks before it: takes
// the helper's units whose start was right, writes again those written on a
// wrong guess of the last type name, and writes those the helper did not.
void TRun::AdoptHelper(THelper& Helper, int& Done) {
    const auto& Units = Symbols.UnitList();
    bool Verified = false, Again = false;
    std::size_t Index = 0;
    for (; Index < Helper.Records.size(); ++Index) {
        const TUnitRecord& Record = Helper.Records[Index];
        const std::size_t Unit = static_cast<std::size_t>(Helper.First) + Index;
        // From the first unit that starts with the right name on, the helper's
        // reading was the sequential one; a unit written again here, though,
        // overwrote the documents of a next unit of the same name.
        if (!Verified) Verified = Record.LastTypeIn == Parser.LastTypeName;
        Again = !Verified || (Again && SameText(Units[Unit - 1].Name, Units[Unit].Name));
        if (Again) {
            if (Record.Start) Restore(Stream, *Record.Start);  // else the stream is where the last unit left it
            GenerateUnit(static_cast<int>(Unit));
            continue;
        }
        TakeCounts(*this, Record);
    }
    if (!Helper.Records.empty() && !Again) {
        Restore(Stream, Helper.After);
        Parser.LastTypeName = Helper.AfterLastTypeName;
    }
    for (int Unit = Helper.First + static_cast<int>(Index); Unit < Helper.Last; ++Unit) {
        GenerateUnit(Unit);
        ++Done;
    }
}

void TRun::GenerateInParallel(unsigned Workers) {
    const int Count = static_cast<int>(Symbols.UnitList().size());
    ReportProgress(Count, 0);
    const TBlocks Blocks = PlanBlocks(UnitWork(*this), Workers);
    std::vector<std::unique_ptr<THelper>> Helpers;
    int Done = 0, Reported = 0;  // units written; progress told
    auto Tick = [&] {
        int Total = Done;
        for (const auto& Helper : Helpers) Total += Helper->Done.load();
        while (Reported < Total) ReportProgress(static_cast<int>(Symbols.UnitList().size()), ++Reported);
    };
    auto Running = [&] {
        return std::any_of(Helpers.begin(), Helpers.end(), [](const auto& H) { return !H->Finished.load(); });
    };
    try {
        for (std::size_t Block = 1; Block < Blocks.size(); ++Block) {
            Helpers.push_back(std::make_unique<THelper>());
            std::tie(Helpers.back()->First, Helpers.back()->Last) = Blocks[Block];
            StartHelper(*Helpers.back());
        }
        for (int Unit = Blocks[0].first; Unit < Blocks[0].second; ++Unit) {
            GenerateUnit(Unit);
            ++Done;
            Tick();
        }
        for (; Running(); Tick(), reporter_.Waiting()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        for (const auto& Helper : Helpers) {
            Helper->Thread.join();
            AdoptHelper(*Helper, Done);
        }
        GenerateUnit(Count - 1);
        ++Done;
        Tick();
    } catch (...) {
        for (const auto& Helper : Helpers) Helper->Stop = true;
        for (const auto& Helper : Helpers)
            if (Helper->Thread.joinable()) Helper->Thread.join();
        throw;
    }
}

}  // namespace corvanet
