// Passes 1 and 2 on several threads, where there are cores. The units, in the
// order the pass visits them, are cut into blocks of about equal work; the
// run's own thread reads the first block, and a helper per further block, a
// run object of its own, reads its block at once, starting from a guess of the
// state the sequential pass would start the block with: the conditional
// symbols and the switched-off flag as they were when the pass began, and no
// last type name. A helper done with its block takes units from the back of
// the block before, from the same guess. The helper's token stream keeps a
// journal of what its directives did with the symbols, so each unit's reading
// is checked, in unit order, once the true state it starts from is known: it
// was the sequential reading when the flag and the class being read agree,
// the last type name agrees or the unit never used the one it inherited, and
// every query of the unit's part of the journal gets the same answer from the
// true symbols (what a file's reading does to the stream never depends on how
// it is parsed). The run's own thread reads again every unit that fails the
// check. So every document, symbol, counter and lexical stop is the
// sequential pass's, byte for byte. The run's own thread, done with its
// block while the last helper is still at its own, becomes a helper too for
// as long as that block has units left: it takes them from the back, from
// the same guess, and checks them with the rest.
//
// The modern reading carries no state from one file to the next (each starts
// from the run's defines with no open condition, no last type name, no class
// and no token in hand), so a helper's reading of a unit is the sequential
// one whatever came before: there is no guess, no journal and no check, and
// a unit is read again only for the rule of two units of one name. The
// include pages are named before the output pass begins, from what the symbol
// pass met, so a helper writes the include pages of its units as the run's
// own thread would, and holds its warnings until its reading is adopted.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "claims.h"
#include "compare.h"
#include "pipeline.h"

namespace corvanet {

// What reading one unit adds to a run's counters.
struct TUnitCounts {
    std::uint64_t SourceBytes = 0, Files = 0, TokensRead = 0;
    TDocumentCounters Documents;
    TLinkCounters Links;
};

// What a helper knows of one unit it read: the state it started from and the
// state it left, the part of the journal it wrote, what it added to the counts.
struct TUnitRecord {
    int Unit = 0;
    std::string LastTypeIn, LastTypeOut;  // the parser's last type name
    bool TypeNameSet = false;             // by the unit's own declarations
    bool InheritedTypeNameRead = false;   // LastTypeIn mattered
    std::string ClassIn, ClassOut;        // the class being read (none, as a rule)
    bool SkippingIn = false, SkippingOut = false;
    std::size_t JournalIn = 0, JournalOut = 0;
    TToken TokenOut;  // the stream's current token at the end
    bool UnknownInclude = false;          // met an include file it could not name
    std::vector<std::string> Warnings;    // told once the reading is adopted
    // The unit's documents, complete, put in place only once the reading is
    // adopted (else removed).
    std::vector<TFinishedFile> Documents;

    TUnitRecord() = default;
    TUnitRecord(TUnitRecord&&) = default;  // and no copy: the documents are the record's own
    TUnitRecord& operator=(TUnitRecord&&) = default;
    TUnitCounts Counts;
    std::optional<TLexicalStop> Stop;   // where its scan stopped early, if it did
};

namespace {

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

// The units but the last (which the run's own thread reads last): the work
// before each, and which of them may not start a block. The output pass weighs
// a unit by its bytes; the symbol pass, which reads only the interface and has
// not looked up the units' paths yet, counts units. A unit registered
// under the name of the one before it writes the same documents, so the two
// stay in one block, in their order.
struct TUnitWork {
    std::vector<double> Before;  // Before[i]: work of units [0, i)
    std::vector<bool> Joined;    // Joined[i]: unit i goes in the block of unit i - 1
};

TUnitWork UnitWork(const TRun& Run, bool BySize) {
    TUnitWork Work{{0.0}, {false}};
    const auto& Units = Run.Symbols.UnitList();
    for (std::size_t Unit = 0; Unit + 1 < Units.size(); ++Unit) {
        const auto Size = BySize ? Run.SourceSize(Units[Unit].Path) : std::nullopt;
        Work.Before.push_back(Work.Before.back() + (Size ? static_cast<double>(*Size) : 0.0) + 1.0);
        if (Unit > 0) Work.Joined.push_back(SameText(Units[Unit - 1].Name, Units[Unit].Name));
    }
    return Work;
}

// The units cut into at most Workers blocks of at most Budget bytes each;
// empty when Budget does not reach.
TBlocks Cut(const TUnitWork& Work, unsigned Workers, double Budget) {
    const int Count = static_cast<int>(Work.Before.size()) - 1;
    auto At = [&](int i) { return Work.Before[static_cast<std::size_t>(i)]; };
    TBlocks Blocks;
    int First = 0;
    while (First < Count && Blocks.size() < Workers) {
        int Last = First + 1;
        while (Last < Count && (Work.Joined[static_cast<std::size_t>(Last)] || At(Last + 1) - At(First) <= Budget))
            ++Last;
        Blocks.emplace_back(First, Last);
        First = Last;
    }
    return First == Count ? Blocks : TBlocks();
}

TBlocks PlanBlocks(const TUnitWork& Work, unsigned Workers) {
    double Low = 0.0, High = Work.Before.back() + 1.0;
    for (int Step = 0; Step < 50; ++Step) {
        const double Mid = (Low + High) / 2.0;
        (Cut(Work, Workers, Mid).empty() ? Low : High) = Mid;
    }
    return Cut(Work, Workers, High);
}

// A unit the helper read as the sequential pass would: its counts, and its
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

// One further block and the run object that reads it on a thread of its own,
// and then, from the back, what the reader of the block before has not reached.
struct TRun::THelper {
    TSilentReporter Reporter;
    TRun Run{Reporter};
    void (TRun::*Visit)(int) = nullptr;
    TClaims* Own = nullptr;              // its block
    TClaims* Before = nullptr;           // the block before
    const std::vector<bool>* Joined = nullptr;
    int First = 0;
    TDefineJournal Journal;              // of the helper's whole reading
    struct TGuess {                      // the guessed stream at a block's start
        TDefines Defines;
        bool Skipping = false;
        TToken CurrentToken;
    } Guess;
    std::vector<TUnitRecord> Records;    // one per unit read, in the order read
    std::function<void()> AfterUnit;     // the spare's: the progress, told on its thread
    std::atomic<int> Done{0};
    std::atomic<bool> Finished{false};
    std::atomic<bool> Stop{false};
    TSizedThread Thread;
};

unsigned TRun::Workers() const {
    return Threads != 0 ? Threads : std::max(1u, std::thread::hardware_concurrency());
}

void TRun::BuildSymbolTable() {
    const std::string Status = "Building Symbol Table ...";
    if (!UnitPath.empty()) {
        // The units found on the search path join the list as the units
        // naming them are read: the pass reads in order up to the list's end.
        ReportStatus(Status);
        ReportProgress(static_cast<int>(Symbols.UnitList().size()), 0);
        for (std::size_t I = 0; I < Symbols.UnitList().size(); ++I) {
            ReadUnitInterface(static_cast<int>(I));
            ReportProgress(static_cast<int>(Symbols.UnitList().size()), static_cast<int>(I + 1));
        }
        Symbols.SortSymbolTable();
        return;
    }
    // Two units of one name share one entry, so a unit's symbols could depend
    // on a block read elsewhere: such a project reads its interfaces in order.
    if (Workers() < 2 || Symbols.UnitList().size() < 3 || Symbols.HasSameUnitNames()) {
        VisitUnits(Status, &TRun::ReadUnitInterface);
    } else {
        ReportStatus(Status);
        VisitInParallel(&TRun::ReadUnitInterface);
    }
    Symbols.SortSymbolTable();
}

void TRun::GenerateDocuments() {
    const std::string Status = "Generating RTF and HTML ...";
    if (Dialect == TDialect::Modern) {
        GenerateProject();
        AssignIncludePages();
    }
    if (Workers() < 2 || Symbols.UnitList().size() < 3) {
        VisitUnits(Status, &TRun::GenerateUnit);
        return;
    }
    ReportStatus(Status);
    VisitInParallel(&TRun::GenerateUnit);
}

void TRun::StartHelper(THelper& Helper) {
    PrepareHelper(Helper);
    // The guess: the state the pass began with, no last type name.
    Helper.Guess.Defines = Stream.Defines;
    Helper.Guess.Skipping = Stream.Skipping;
    Helper.Guess.CurrentToken = Stream.CurrentToken;
    Helper.Thread = TSizedThread(ReadingStackSize, [&Helper] { RunHelper(Helper); });
}

void TRun::PrepareHelper(THelper& Helper) {
    TRun& Run = Helper.Run;
    Run.ProjectFile = ProjectFile;
    Run.BuildDir = BuildDir;
    Run.Dialect = Run.Stream.Dialect = Stream.Dialect;
    Run.Documents.AsciiTopics = Documents.AsciiTopics;
    Run.sourcePaths_ = sourcePaths_;
    Run.encodings_ = encodings_;
    Run.CodePage = CodePage;
    Run.Symbols.CopyTable(Symbols);
    Run.Stream.FileDefines = Stream.FileDefines;
    Run.IncludePath = IncludePath;
    Run.includeLookups_ = includeLookups_;
    Run.includePages_ = includePages_;
    Run.includeOwners_ = includeOwners_;
    Run.writesIncludeNames_ = false;
    if (Stream.Dialect == TDialect::Classic) Run.Stream.Journal = &Helper.Journal;
    Run.Documents.KeepFinished = true;  // written from a guess: in place once adopted
}

// On the helper's thread: touches nothing but the helper (and the claims).
void TRun::RunHelper(THelper& Helper) {
    TRun& Run = Helper.Run;
    auto StartGuess = [&] {
        Run.Stream.Defines = Helper.Guess.Defines;
        Run.Stream.Skipping = Helper.Guess.Skipping;
        Run.Stream.CurrentToken = Helper.Guess.CurrentToken;
        Run.Parser.LastTypeName.clear();
        Run.Symbols.CurrentClass.clear();
    };
    auto Read = [&](int Unit) {
        TUnitRecord Record;
        Record.Unit = Unit;
        Record.LastTypeIn = Run.Parser.LastTypeName;
        Record.ClassIn = Run.Symbols.CurrentClass;
        Record.SkippingIn = Run.Stream.Skipping;
        Record.JournalIn = Helper.Journal.Events.size();
        Run.Parser.TypeNameSet = Run.Parser.InheritedTypeNameRead = false;
        const TUnitCounts Before = CountsOf(Run);
        const std::size_t Stops = Run.LexicalStops.size();
        Run.unknownInclude_ = false;
        Run.heldWarnings_ = &Record.Warnings;
        (Run.*Helper.Visit)(Unit);
        Run.heldWarnings_ = nullptr;
        Record.UnknownInclude = Run.unknownInclude_;
        Record.Counts = CountsOf(Run);
        Accumulate(Record.Counts, Before, -1);
        if (Run.LexicalStops.size() > Stops) Record.Stop = Run.LexicalStops.back();
        Record.LastTypeOut = Run.Parser.LastTypeName;
        Record.TypeNameSet = Run.Parser.TypeNameSet;
        Record.InheritedTypeNameRead = Run.Parser.InheritedTypeNameRead;
        Record.ClassOut = Run.Symbols.CurrentClass;
        Record.SkippingOut = Run.Stream.Skipping;
        Record.JournalOut = Helper.Journal.Events.size();
        Record.TokenOut = Run.Stream.CurrentToken;
        Record.Documents = std::move(Run.Documents.Finished);
        Run.Documents.Finished.clear();
        Helper.Records.push_back(std::move(Record));
        Helper.Done.fetch_add(1);
        if (Helper.AfterUnit) Helper.AfterUnit();
    };
    try {
        StartGuess();
        for (int Unit = Helper.First; !Helper.Stop && Helper.Own->TakeFront(Unit); ++Unit) Read(Unit);
        int From = 0, To = 0;
        while (!Helper.Stop && Helper.Before->TakeBack(*Helper.Joined, From, To)) {
            StartGuess();
            for (int Unit = From; Unit < To && !Helper.Stop; ++Unit) Read(Unit);
        }
    } catch (...) {
        Run.heldWarnings_ = nullptr;
        // The run's own thread reads what the helper did not, and meets the
        // error itself if it is one of the run.
    }
    Helper.Finished = true;
}

// On the run's own thread, in unit order: takes the unit the helper read as
// the sequential pass would have, or reads it again. Again tells whether the
// unit before was read again here.
void TRun::AdoptUnit(THelper& Helper, TUnitRecord& Record, bool& Again) {
    const auto& Units = Symbols.UnitList();
    const std::size_t Unit = static_cast<std::size_t>(Record.Unit);
    // A unit written again here overwrote the documents of a next unit of
    // the same name, which must then be written again too.
    const bool Classic = Stream.Dialect == TDialect::Classic;
    const bool Right = (!Classic || (Record.SkippingIn == Stream.Skipping &&
                                     (!Record.InheritedTypeNameRead || Record.LastTypeIn == Parser.LastTypeName) &&
                                     Record.ClassIn == Symbols.CurrentClass)) &&
                       !(Again && SameText(Units[Unit - 1].Name, Units[Unit].Name)) &&
                       !Record.UnknownInclude;
    // The journal's part of the unit, checked against the true symbols.
    const bool Journaled = Record.JournalOut != Record.JournalIn;
    Again = !Right || (Journaled && !Helper.Journal.Agrees(Stream.Defines, Record.JournalIn, Record.JournalOut));
    if (Again) {
        ++Statistics.ReadAgain;
        Record.Documents.clear();
        (this->*Helper.Visit)(Record.Unit);
        return;
    }
    for (TFinishedFile& Document : Record.Documents) Document.Publish();
    for (const std::string& Warning : Record.Warnings) reporter_.Warning(Warning);
    TakeCounts(*this, Record);
    if (Helper.Visit == &TRun::ReadUnitInterface) Symbols.TakeUnitEntries(Helper.Run.Symbols, Unit);
    if (Journaled) Helper.Journal.Apply(Stream.Defines, Record.JournalIn, Record.JournalOut);
    Stream.Skipping = Record.SkippingOut;
    Stream.CurrentToken = Record.TokenOut;
    if (Record.TypeNameSet) Parser.LastTypeName = Record.LastTypeOut;
    Symbols.CurrentClass = Record.ClassOut;
}

void TRun::VisitInParallel(void (TRun::*Visit)(int)) {
    const int Count = static_cast<int>(Symbols.UnitList().size());
    ReportProgress(Count, 0);
    const TUnitWork Work = UnitWork(*this, Visit == &TRun::GenerateUnit);
    const TBlocks Blocks = PlanBlocks(Work, Workers());
    std::vector<std::unique_ptr<TClaims>> Claims;
    for (const auto& [First, Last] : Blocks) Claims.push_back(std::make_unique<TClaims>(First, Last));
    std::vector<std::unique_ptr<THelper>> Helpers;
    std::unique_ptr<THelper> Spare;  // the run's own thread as a helper
    TClaims NoUnits(Count, Count);  // the spare has no block of its own
    int Done = 0, Reported = 0;  // units read here; progress told
    auto Tick = [&] {
        int Total = Done + (Spare ? Spare->Done.load() : 0);
        for (const auto& Helper : Helpers) Total += Helper->Done.load();
        while (Reported < Total) ReportProgress(static_cast<int>(Symbols.UnitList().size()), ++Reported);
    };
    try {
        for (std::size_t Block = 1; Block < Blocks.size(); ++Block) {
            Helpers.push_back(std::make_unique<THelper>());
            THelper& Helper = *Helpers.back();
            Helper.Visit = Visit;
            Helper.Own = Claims[Block].get();
            Helper.Before = Claims[Block - 1].get();
            Helper.Joined = &Work.Joined;
            Helper.First = Blocks[Block].first;
            StartHelper(Helper);
        }
        int Unit = 0;
        for (; Claims[0]->TakeFront(Unit); ++Unit) {
            (this->*Visit)(Unit);
            ++Done;
            Tick();
        }
        if (!Helpers.empty() && !Helpers.back()->Finished.load() && Claims.back()->Left() > 1) {
            Spare = std::make_unique<THelper>();
            Spare->Visit = Visit;
            Spare->Own = &NoUnits;
            Spare->Before = Claims.back().get();
            Spare->Joined = &Work.Joined;
            Spare->First = Count;
            PrepareHelper(*Spare);
            Spare->Guess = Helpers.front()->Guess;  // read-only on the helpers' threads
            Spare->AfterUnit = [&Tick] { Tick(); };
            RunHelper(*Spare);
            Statistics.ReadForHelper += Spare->Records.size();
            Tick();
        }
        for (const auto& Helper : Helpers) {
            for (; !Helper->Finished.load(); Tick(), reporter_.Waiting())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            Helper->Thread.Join();
        }
        // Every further unit in order: what a helper read, checked, or read here.
        std::vector<std::pair<THelper*, TUnitRecord*>> ByUnit(static_cast<std::size_t>(Count));
        if (Spare) Helpers.push_back(std::move(Spare));  // finished, with no thread
        for (const auto& Helper : Helpers)
            for (TUnitRecord& Record : Helper->Records)
                ByUnit[static_cast<std::size_t>(Record.Unit)] = {Helper.get(), &Record};
        bool Again = false;
        for (; Unit < Count - 1; ++Unit) {
            const auto [Helper, Record] = ByUnit[static_cast<std::size_t>(Unit)];
            if (Record != nullptr) {
                AdoptUnit(*Helper, *Record, Again);
            } else {
                (this->*Visit)(Unit);
                Again = true;  // as far as a next unit of the same name is concerned
                ++Done;
            }
            Tick();
        }
        for (const auto& Helper : Helpers) {  // looked up once for both passes
            sourcePaths_.merge(Helper->Run.sourcePaths_);
            sourceSizes_.merge(Helper->Run.sourceSizes_);
            encodings_.merge(Helper->Run.encodings_);
            includeLookups_.merge(Helper->Run.includeLookups_);
            unitIncludes_.merge(Helper->Run.unitIncludes_);
        }
        (this->*Visit)(Count - 1);
        ++Done;
        Tick();
    } catch (...) {
        for (const auto& Helper : Helpers) Helper->Stop = true;
        for (const auto& Helper : Helpers) Helper->Thread.Join();
        throw;
    }
}

}  // namespace corvanet
