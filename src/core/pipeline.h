// The run: the project scan (pass 0), the symbol pass over every interface
// (pass 1), the output pass that writes a document pair per unit (passes 2/3)
// and the help project with the HTML frame. All of a run's state lives in this
// object, so two runs in one process never share anything. The front end
// supplies the reporter that receives progress, status and warnings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "documents.h"
#include "output_queue.h"
#include "parser/parser.h"
#include "platform.h"
#include "symbols.h"
#include "token_stream.h"

namespace corvanet {

// The names of the two notifications a run sends to its front end.
inline constexpr int UM_PROGRESS = 8025;
inline constexpr int UM_STATUS = 8026;

class TReporter {
public:
    virtual ~TReporter() = default;
    // UM_PROGRESS: Position out of Total.
    virtual void Progress(int Total, int Position) = 0;
    // UM_STATUS: StatusText has changed.
    virtual void Status(const std::string& StatusText) = 0;
    // A warning the user must see (a box in the window, standard error in the CLI).
    virtual void Warning(const std::string& Text) = 0;
    // Called now and then while the run waits for an outside program, so a
    // window can keep handling its events.
    virtual void Waiting() {}
    // What the help compiler wrote to its standard output and error, once it
    // has ended (not called when it wrote nothing). Failed: its outcome is a
    // warning, which follows.
    virtual void HelpCompilerOutput(const std::string& /*Text*/, bool /*Failed*/) {}
};

// A reporter that shows nothing, for runs nobody watches (a helper thread of
// the output pass, a benchmark).
class TSilentReporter : public TReporter {
public:
    void Progress(int, int) override {}
    void Status(const std::string&) override {}
    void Warning(const std::string&) override {}
};

// A file where scanning stopped early.
struct TLexicalStop {
    std::string Path;         // as the project file writes it (the project's as given)
    int Line = 0;             // line of the failed token's first character
    std::uint8_t Reason = 0;  // srBadChar, srOpenString or srOpenComment
};

// A unit of the project file that could not be read (the modern dialect goes
// on without it).
struct TLeftOutUnit {
    std::string Name;    // as the project file writes it
    std::string Path;    // as written between the quotes
    std::string Reason;  // the system's
};

struct TRunStatistics {
    std::uint64_t SourceBytes = 0;  // bytes of every file read in pass 0 and pass 2
    std::uint64_t Tokens = 0;       // tokens written to the documents
    std::uint64_t Files = 0;        // document pairs written
    // Units a helper thread read on a wrong guess, which the run's own thread
    // read again (a measure of the parallel passes, not of the result).
    std::uint64_t ReadAgain = 0;
    // Units the run's own thread read for a helper, from the back of its
    // block, having finished its own (the same kind of measure).
    std::uint64_t ReadForHelper = 0;
};

struct TUnitRecord;  // what a helper thread knows of a unit it read (parallel.cpp)

class TRun {
public:
    explicit TRun(TReporter& Reporter);
    TRun(const TRun&) = delete;
    TRun& operator=(const TRun&) = delete;

    // Settings. BuildDir always ends in "/". HelpCompiler empty: none started.
    std::string ProjectFile;
    std::string BuildDir;
    std::string HelpCompiler;
    // Seconds the help compiler may take before it is killed; 0: no limit.
    int HelpCompilerTimeout = 0;
    std::string StatusText;
    // The reading of the sources. The library starts classic, the reading its
    // conformance tests fix; the front ends choose DefaultDialect.
    TDialect Dialect = TDialect::Classic;
    // Threads of the symbol and output passes (parallel.cpp); 0: one per
    // core. The documents, symbols, counters and report are the same whatever
    // the number.
    unsigned Threads = 0;
    // Where a unit named without `in` is looked up, after the project file's
    // own directory (relative ones from the current directory); empty: no
    // unit is looked up. UnitScopes are tried in front of a name not found
    // as written (Forms as Vcl.Forms).
    std::vector<std::string> UnitPath;
    std::vector<std::string> UnitScopes;
    // The Windows ANSI code page of sources that are not UTF-8 (--codepage),
    // also the code page of the modern dialect's RTF topics.
    int CodePage = 1252;

    // Directories searched for include files after those of the including
    // file, the unit and the project file (-I), in order.
    std::vector<std::string> IncludePath;

    TTokenStream Stream;
    TSymbolTable Symbols;
    TDocuments Documents;
    TOutputQueue Queue;
    TParser Parser;

    std::vector<TLexicalStop> LexicalStops;  // in the order met, one per file
    std::vector<TLeftOutUnit> LeftOut;       // in the order met
    // The include files whose pages the run wrote, in the order written (the
    // project file's, then the units' in their order): page name ("jedi.inc",
    // "jedi.inc-2" for a second file of that name) and the path read.
    struct TIncludeFile {
        std::string Page;
        std::string Path;
    };
    std::vector<TIncludeFile> IncludeFiles;
    int FoundOnSearchPath = 0;               // units registered by a look-up
    // Set when the run finished without something the user asked for (a unit
    // left out, a help compiler that failed): the front ends' status 3.
    bool Incomplete = false;
    TRunStatistics Statistics;

    void ReportProgress(int Total, int Position);
    void ReportStatus(const std::string& Text);
    // A warning about File, at Line when it is nonzero: "File:Line: Reason".
    void Warn(const std::string& File, int Line, const std::string& Reason);
    // The report's lines after its rows and lexical stops: the units left out.
    std::vector<std::string> ReportNotes() const;

    // The four steps, in this order. Errors of the environment are thrown as
    // CorvanetError with the user-facing message.
    void ScanProject(const std::string& ProjectPath, const std::string& DefinesText);
    void BuildSymbolTable();
    void ReadUnitInterface(int Index);
    void GenerateDocuments();
    void GenerateProject();
    void GenerateUnit(int Index);
    void WriteHelpProject();  // help_project.cpp
    // Creates (or truncates) BuildDir + Name and writes Text; "Cannot create file %s".
    void WriteTextFile(const std::string& Name, const std::string& Text);

    // CreateUnitList, then the four steps. The table stays filled for the
    // report; DestroyUnitList releases it.
    void Execute(const std::string& ProjectPath, const std::string& DefinesText);

    // The path a unit's source is opened from: the project file's path read
    // with "\" as "/", relative to the project file's directory, letter case
    // matched per component where the exact path does not exist.
    std::string SourcePath(const std::string& UnitPath) const;
    // The size in bytes of a unit's source: as the symbol pass found it, else
    // as the file system tells now; nothing when it cannot tell.
    std::optional<std::uint64_t> SourceSize(const std::string& UnitPath) const;
    // Whether Path is a file the run read as a source (the project file, a
    // unit, an include file), so that nothing is put in its place.
    bool IsSourceFile(const std::string& Path) const;

private:
    void VisitUnits(const std::string& Status, void (TRun::*Visit)(int));
    void OpenSource(const std::string& Path, bool Counted, bool WithDocuments);
    void NoteLexicalStop(const std::string& WrittenPath);
    void CloseSource(const std::string& WrittenPath);
    void ReleaseOpenFiles() noexcept;
    // Every source the run reads is noted before a page is named after it; a
    // document that would still land on one ends the run before it is put in
    // place.
    void NoteSource(const std::string& Path);
    void RefuseSourceFile(const std::string& Path) const;
    std::unordered_set<std::string> sourceFiles_;  // as opened
    bool ProjectUnitReadable(std::string_view Name, std::string_view WrittenPath);
    // Looks Name, named in the file NamedIn, up and registers the unit found;
    // its page, or nothing (a warning when it is found nowhere).
    std::optional<std::string> LookUpUnit(std::string_view Name, const std::string& NamedIn, int Line);
    std::optional<std::string> FindUnitSource(const std::string& Name);
    std::unordered_set<std::string> lookedUp_;  // names asked of the disk, lower-cased

    // Include files (includes.cpp): the stream's hooks, and where the reading
    // stands in the chain of files (the unit's own first).
    std::string FindInclude(std::string_view Name);
    void SwitchInclude(bool Begins);
    void StartIncludes(const std::string& Path);
    struct TOpenFile {
        std::string Path;
        int Pair = 0;
    };
    std::vector<TOpenFile> openFiles_;
    int pendingPair_ = 0;
    std::unordered_map<std::string, std::string> includePages_;  // path read -> page name
    // The include files each unit's symbol-pass reading met, in the order
    // first met, by the path the unit was opened from (a file reads the same
    // whatever unit it is registered as); and the unit whose reading writes
    // each one's page (the first in output order), so that the output pass
    // can write a unit and its include pages on any thread.
    // AssignIncludePages names them all before the units are written.
    std::unordered_map<std::string, std::vector<std::string>> unitIncludes_;
    std::vector<std::string> metIncludes_;  // by the unit being read in the symbol pass
    std::unordered_map<std::string, int> includeOwners_;
    std::vector<std::string> writtenIncludes_;  // by the unit being written
    int writingUnit_ = -1;                      // the unit being written; -1 the project file
    bool unknownInclude_ = false;  // a helper met an include without a page: read it again here
    void AssignIncludePages();
    void NameIncludePage(const std::string& Path, std::string& Page);
    // False on a helper's run: it names no page (a unit that would is read
    // again on the run's own thread).
    bool writesIncludeNames_ = true;
    // Where a helper's warnings wait for its reading to be adopted.
    std::vector<std::string>* heldWarnings_ = nullptr;
    // Where an include directive's name led, by the directories it was
    // looked up in and the name ("" for none): a unit's includes are met
    // in both passes, and an include read by many units is looked up once.
    std::unordered_map<std::string, std::string> includeLookups_;
    TTokenStream::TIncludeLink includeLink_;
    bool writesIncludes_ = true;  // false on a helper's run

    // Passes 1 and 2 on several threads (parallel.cpp).
    struct THelper;
    unsigned Workers() const;
    void VisitInParallel(void (TRun::*Visit)(int));
    void StartHelper(THelper& Helper);
    void PrepareHelper(THelper& Helper);
    static void RunHelper(THelper& Helper);
    void AdoptUnit(THelper& Helper, TUnitRecord& Record, bool& Again);

    TReporter& reporter_;
    // SourcePath's answers, per project directory and written path: the
    // lookup lists directories, and every unit is opened in both passes.
    mutable std::unordered_map<std::string, std::string> sourcePaths_;
    mutable TDirectoryListings listings_;  // what SourcePath read of directories
    // The size of each source the symbol pass opened, by the path opened: the
    // output pass weighs its units by them without asking the file system again.
    std::unordered_map<std::string, std::uint64_t> sourceSizes_;
    // The modern dialect's encoding of each source, by the path opened, as
    // the symbol pass learnt it; the project file's, for the frame pages.
    std::unordered_map<std::string, TSourceEncoding> encodings_;
    std::optional<TSourceEncoding> projectEncoding_;
    TEncodingSniffer sniffer_;  // fed by the symbol pass's reading of a source
    bool sniffing_ = false;
    // The encoding the documents of the source at Path declare: nothing in
    // the classic dialect; learnt from its bytes when not known yet.
    std::optional<TSourceEncoding> EncodingOf(const std::string& Path);
};

}  // namespace corvanet
