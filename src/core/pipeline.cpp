// The run: pass 0 over the project file, pass 1 over every unit's interface,
// pass 2 writing a document pair per file, then the help project. Every token
// the stream reads goes through the queue's hook, so each document receives its
// whole source once and in order; the queue finishes each file (the rest after
// a lexical stop included) before its documents close. Paths are resolved here
// and never through the process's current directory.
#include "pipeline.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>

#include "platform.h"

namespace corvanet {

namespace {

bool IsLexicalStop(std::uint8_t Reason) {
    return Reason == srBadChar || Reason == srOpenString || Reason == srOpenComment;
}

}  // namespace

TRun::TRun(TReporter& Reporter)
    : Symbols(Stream.CurrentPass),
      Queue(Stream, Documents),
      Parser(Stream, Symbols, Queue),
      reporter_(Reporter) {
    Stream.TokenHook = [this] { Queue.FlushTokens(); };
    Stream.Scanner.BytesRead = [this](std::string_view Bytes) {
        if (sniffing_) sniffer_.Feed(Bytes);
    };
    Parser.UnitReadable = [this](std::string_view Name, std::string_view Path) {
        return ProjectUnitReadable(Name, Path);
    };
    Stream.IncludeHook = [this](std::string_view Name) { return FindInclude(Name); };
    Stream.IncludeSwitchHook = [this](bool Begins) { SwitchInclude(Begins); };
    Parser.LookUpUnit = [this](std::string_view Name, int Line) { return LookUpUnit(Name, ProjectFile, Line); };
}

// As the compiler looks a unit up: the project file's directory, then each
// search-path directory, Name.pas then Name.pp, letter case matched as for
// unit paths; then the same with each unit scope name in front.
std::optional<std::string> TRun::FindUnitSource(const std::string& Name) {
    std::vector<std::string> Dirs = {DirectoryPart(ProjectFile)};
    for (const std::string& Dir : UnitPath) Dirs.push_back(Dir.empty() ? std::string("./") : Dir);
    std::vector<std::string> Names = {Name};
    for (const std::string& Scope : UnitScopes) Names.push_back(Scope + "." + Name);
    std::error_code Ec;
    for (const std::string& Candidate : Names)
        for (const std::string& Dir : Dirs)
            for (const char* Extension : {".pas", ".pp"}) {
                const std::string Path = ResolvePath(Dir, Candidate + Extension, &listings_);
                if (std::filesystem::is_regular_file(Path, Ec)) return std::filesystem::absolute(Path, Ec).string();
            }
    return std::nullopt;
}

// A name already registered, or asked once, is not looked up again.
std::optional<std::string> TRun::LookUpUnit(std::string_view Name, const std::string& NamedIn, int Line) {
    if (UnitPath.empty() || Symbols.IsUsedUnitName(Name)) return std::nullopt;
    if (!lookedUp_.insert(LowerAscii(Name)).second) return std::nullopt;
    const auto Path = FindUnitSource(std::string(Name));
    if (!Path) {
        Warn(NamedIn, Line, "unit " + std::string(Name) + " not found on the search path");
        return std::nullopt;
    }
    // Registered under the name it was found by, scope included.
    std::string Found(FileNamePart(*Path));
    Found.erase(Found.rfind('.'));
    const std::uint8_t Pass = Stream.CurrentPass;
    Stream.CurrentPass = 0;  // the table registers units in pass 0 only
    NoteSource(*Path);
    Symbols.AddUnit(*Path, SameText(Found, Name) ? Name : std::string_view(Found));
    Stream.CurrentPass = Pass;
    ++FoundOnSearchPath;
    return Symbols.UnitList().back().Page;
}

// The modern dialect opens each unit as the project scan meets it: one that
// cannot be read is a warning and is left out, and the run goes on without it.
bool TRun::ProjectUnitReadable(std::string_view Name, std::string_view WrittenPath) {
    // A line break or another control byte would end a line of the contents
    // file or the help project: such a unit is refused in either dialect.
    const auto Control = [](unsigned char C) { return C < 0x20; };
    if (std::any_of(WrittenPath.begin(), WrittenPath.end(), Control) || std::any_of(Name.begin(), Name.end(), Control)) {
        Warn(ProjectFile, Stream.Scanner.TokenLine(), "the path of unit " + std::string(Name) +
                                                          " holds a control character: left out");
        LeftOut.push_back({std::string(Name), std::string(WrittenPath), "a control character in the path"});
        Incomplete = true;
        return false;
    }
    const std::string Path = SourcePath(std::string(WrittenPath));
    NoteSource(Path);
    if (Dialect != TDialect::Modern) return true;
    std::string Problem = ReadProblem(Path);
    if (Problem.empty()) return true;
    Warn(ProjectFile, Stream.Scanner.TokenLine(),
         "Cannot open file " + Path + ": " + Problem + " (unit " + std::string(Name) + " left out)");
    LeftOut.push_back({std::string(Name), std::string(WrittenPath), std::move(Problem)});
    Incomplete = true;
    return false;
}

std::vector<std::string> TRun::ReportNotes() const {
    std::vector<std::string> Notes;
    for (const TLeftOutUnit& Unit : LeftOut)
        Notes.push_back("Left out: " + Unit.Name + " (" + Unit.Path + "): " + Unit.Reason);
    if (!UnitPath.empty()) Notes.push_back(std::to_string(FoundOnSearchPath) + " units found on the search path");
    return Notes;
}

// A source in the build location keeps its name from the documents: the
// page names avoid it, compared as the page names are, ignoring case.
void TRun::NoteSource(const std::string& Path) {
    if (!sourceFiles_.insert(Path).second) return;
    std::error_code Ec;
    const std::string Dir = DirectoryPart(Path);
    if (std::filesystem::equivalent(Dir.empty() ? "." : Dir, BuildDir.empty() ? "." : BuildDir, Ec))
        Symbols.Pages.AddSourceFile(FileNamePart(Path));
}

void TRun::RefuseSourceFile(const std::string& Path) const {
    if (Symbols.Pages.IsSourceFile(FileNamePart(Path)))
        throw CorvanetError("Cannot create file " + Path + ": a source file of the run has that name");
}

bool TRun::IsSourceFile(const std::string& Path) const {
    std::error_code Ec;
    if (!std::filesystem::exists(Path, Ec)) return false;
    return std::any_of(sourceFiles_.begin(), sourceFiles_.end(), [&](const std::string& Source) {
        std::error_code Ignored;
        return std::filesystem::equivalent(Path, Source, Ignored);
    });
}

void TRun::ReportProgress(int Total, int Position) { reporter_.Progress(Total, Position); }

void TRun::Warn(const std::string& File, int Line, const std::string& Reason) {
    std::string Text = File + (Line > 0 ? ":" + std::to_string(Line) : std::string()) + ": " + Reason;
    if (heldWarnings_) heldWarnings_->push_back(std::move(Text));
    else reporter_.Warning(Text);
}

void TRun::ReportStatus(const std::string& Text) {
    StatusText = Text;
    reporter_.Status(StatusText);
}

std::string TRun::SourcePath(const std::string& UnitPath) const {
    std::string BaseDir = DirectoryPart(ProjectFile);
    const auto [It, Added] = sourcePaths_.try_emplace(BaseDir + '\n' + UnitPath);
    if (!Added) return It->second;
    It->second = ResolvePath(BaseDir, UnitPath, &listings_);
    // The modern dialect reads a path with no file behind it as Free Pascal
    // does: a unit's name without its extension, .pas first.
    std::error_code Ec;
    if (Dialect == TDialect::Modern && !std::filesystem::is_regular_file(It->second, Ec)) {
        for (const char* Extension : {".pas", ".pp"}) {
            std::string Tried = ResolvePath(BaseDir, UnitPath + Extension, &listings_);
            if (std::filesystem::is_regular_file(Tried, Ec)) {
                It->second = std::move(Tried);
                break;
            }
        }
    }
    return It->second;
}

namespace {

// The whole file, or nothing when it cannot be read (the scanner reports that).
std::optional<std::string> ReadWholeFile(const std::string& Path) {
    std::FILE* File = std::fopen(Path.c_str(), "rb");
    if (File == nullptr) return std::nullopt;
    std::string Bytes;
    char Buffer[65536];
    for (std::size_t Got; (Got = std::fread(Buffer, 1, sizeof Buffer, File)) > 0;) Bytes.append(Buffer, Got);
    std::fclose(File);
    return Bytes;
}

}  // namespace

std::optional<TSourceEncoding> TRun::EncodingOf(const std::string& Path) {
    if (Dialect != TDialect::Modern) return std::nullopt;
    if (const auto Known = encodings_.find(Path); Known != encodings_.end()) return Known->second;
    const auto Bytes = ReadWholeFile(Path);
    const TSourceEncoding Encoding = DetectEncoding(Bytes ? *Bytes : std::string(), CodePage);
    encodings_.emplace(Path, Encoding);
    return Encoding;
}

std::optional<std::uint64_t> TRun::SourceSize(const std::string& UnitPath) const {
    const std::string Path = SourcePath(UnitPath);
    if (const auto Found = sourceSizes_.find(Path); Found != sourceSizes_.end()) return Found->second;
    std::error_code Ec;
    const auto Size = std::filesystem::file_size(Path, Ec);
    if (Ec) return std::nullopt;
    return Size;
}

// Opens a source file, then (for a file that has them) its documents, and
// reads its first token. EndOfInput tells at once whether the file had any
// token at all. A source that cannot be opened creates no document. The modern reading starts each file
// afresh, as the compiler reads each unit: nothing a file defines, leaves
// open or declares last carries into the next.
void TRun::OpenSource(const std::string& Path, bool Counted, bool WithDocuments) {
    if (Stream.Dialect == TDialect::Modern) {
        Stream.StartFile();
        Stream.CurrentToken = TToken();
        Parser.LastTypeName.clear();
        Symbols.CurrentClass.clear();
        StartIncludes(Path);
    }
    // The symbol pass learns a modern source's encoding from its own reading.
    sniffing_ = Dialect == TDialect::Modern && Stream.CurrentPass == 1 && !encodings_.contains(Path);
    sniffer_ = {};
    Stream.Open(Path);
    if (WithDocuments) Documents.OpenDocuments(Symbols.CurrentUnit, Parser.PageSuffix);
    if (Counted) Statistics.SourceBytes += Stream.Scanner.FileSize();
    Stream.EndOfInput = 0;
    Stream.NextToken();
}

// Notes where the file's scan stopped early, the first time the file is met
// stopping (pass 1 reads only the interface, so pass 2 may be first).
void TRun::NoteLexicalStop(const std::string& WrittenPath) {
    if (!IsLexicalStop(Stream.EndOfInput)) return;
    for (const TLexicalStop& Stop : LexicalStops)
        if (Stop.Path == WrittenPath) return;
    LexicalStops.push_back({WrittenPath, Stream.Scanner.TokenLine(), Stream.EndOfInput});
}

// The end of a file that has a document pair: what the queue holds and, after
// a lexical stop, the rest of the file are written before the footers.
void TRun::CloseSource(const std::string& WrittenPath) {
    RefuseSourceFile(Documents.HtmlFileName);
    RefuseSourceFile(Documents.RtfFileName);
    NoteLexicalStop(WrittenPath);
    Queue.FinishFile();
    Stream.Close();
    Documents.CloseNestedPairs();
    Documents.CloseDocuments();
    ++Statistics.Files;
    Statistics.Tokens = Documents.Counters.Tokens;
}

void TRun::ScanProject(const std::string& ProjectPath, const std::string& DefinesText) {
    ReportStatus("Scanning Project File ...");
    ProjectFile = ProjectPath;  // the units' paths are relative to its directory
    if (!BuildDir.empty() && BuildDir.back() != '/') BuildDir += '/';
    NoteSource(ProjectPath);
    const std::string_view Name = FileNamePart(ProjectPath);
    Symbols.CurrentUnit = ReplaceExtension(Name, "");
    // No unit's pages may take the names of the frame pages or the project's.
    for (std::string_view Taken : {std::string_view("index"), std::string_view("content"),
                                   std::string_view(Symbols.CurrentUnit)})
        Symbols.Pages.Reserve(Taken);
    Stream.Defines.LoadDefines(DefinesText);
    Stream.FileDefines = Stream.Defines;
    Queue.Reset();
    Documents.HtmlFileName = BuildDir + ReplaceExtension(Name, "html");
    Documents.RtfFileName = BuildDir + ReplaceExtension(Name, "rtf");
    projectEncoding_ = Documents.Encoding = EncodingOf(ProjectPath);
    Stream.CurrentPass = 0;
    Parser.PageSuffix.clear();  // the project's page has none
    // The modern dialect writes the project's documents once the symbols are
    // known, so that its main block links as a unit's body does: this
    // reading registers the units and writes nothing, its include files
    // included (their pages are named when the project's page is written).
    const bool Modern = Dialect == TDialect::Modern;
    // Put back however the reading ends: a run that stops here leaves the
    // object ready for the next run.
    struct TRestore {
        TRun& Run;
        std::function<void()> Hook;
        ~TRestore() {
            Run.Stream.TokenHook = std::move(Hook);
            Run.writesIncludes_ = true;
        }
    };
    std::optional<TRestore> Restore;
    if (Modern) {
        Restore.emplace(TRestore{*this, Stream.TokenHook});
        Stream.TokenHook = [this] {
            if (!Queue.HoldOutput) Queue.DelayedTokens.clear();
        };
        writesIncludes_ = false;
    }
    OpenSource(ProjectPath, true, !Modern);
    // A package's units are those of its `contains` clause (the modern
    // dialect); its `requires` clause names packages.
    const bool Package = Modern && Parser.IsWord("package");
    while (!Stream.EndOfInput) {
        if (Stream.CurrentToken.Kind == tkUses || (Package && Parser.IsWord("contains")))
            (void)Parser.ReadProjectUses();
        else
            Stream.NextToken();
    }
    if (Modern)
        Stream.Close();
    else
        CloseSource(ProjectPath);
    ReportProgress(1, 1);
}

// The modern dialect's project page, the first document of the output pass:
// the uses clause links the registered units and makes their symbols
// visible, and the rest reads as an implementation does.
void TRun::GenerateProject() {
    Stream.CurrentPass = 3;
    writingUnit_ = -1;
    Symbols.CurrentUnit = ReplaceExtension(FileNamePart(ProjectFile), "");
    Queue.Reset();
    Symbols.BeginVisibleSymbols({});
    Documents.HtmlFileName = BuildDir + ReplaceExtension(FileNamePart(ProjectFile), "html");
    Documents.RtfFileName = BuildDir + ReplaceExtension(FileNamePart(ProjectFile), "rtf");
    Documents.Encoding = projectEncoding_;
    Parser.PageSuffix.clear();
    Parser.BeginPage();
    OpenSource(ProjectFile, false, true);
    const bool Package = Parser.IsWord("package");
    while (!Stream.EndOfInput) {
        if (Package && Parser.ReadContainsClause() != prAbsent) continue;
        Parser.DispatchToken();
    }
    CloseSource(ProjectFile);
    Symbols.FreeVisibleSymbols();
}

// Both passes over the units: the status, then the progress before the first
// unit and after each one. The count is taken once; the total told after each
// unit is the list's size at that moment.
void TRun::VisitUnits(const std::string& Status, void (TRun::*Visit)(int)) {
    ReportStatus(Status);
    const int Count = static_cast<int>(Symbols.UnitList().size());
    ReportProgress(Count, 0);
    for (int I = 0; I < Count; ++I) {
        (this->*Visit)(I);
        ReportProgress(static_cast<int>(Symbols.UnitList().size()), I + 1);
    }
}

void TRun::ReadUnitInterface(int Index) {
    const TURElm& Unit = Symbols.UnitList().at(static_cast<std::size_t>(Index));
    const std::string WrittenPath = Unit.Path;
    Symbols.CurrentUnit = Unit.Name;
    Stream.CurrentPass = 1;
    Symbols.AnchorsOnly = false;  // however the last unit's reading ended
    Parser.BeginPage();
    const std::string Path = SourcePath(WrittenPath);
    Parser.UsedUnitNames.clear();
    Parser.UsedUnitLines.clear();
    OpenSource(Path, false, false);
    sourceSizes_.insert_or_assign(Path, Stream.Scanner.FileSize());
    // The interface ends at `implementation`; a later `interface` (the keyword
    // of an interface type after a failed section) starts a new section.
    while (!Stream.EndOfInput && Stream.CurrentToken.Kind != tkImplementation) {
        if (Stream.CurrentToken.Kind == tkInterface)
            (void)Parser.ReadInterfaceSection();
        else
            Stream.NextToken();
    }
    // Where the modern dialect looks up the ancestors of the unit's classes.
    if (Dialect == TDialect::Modern) Symbols.SetUses(Symbols.CurrentUnit, Parser.UsedUnitNames);
    // With a search path the implementation's uses clause is read too: the
    // units both clauses name are looked up once the file is closed. The
    // modern dialect reads the rest as the output pass will, for the anchors
    // that pass writes (the routines' bodies), so that links go only where
    // one will stand; nothing else is recorded from it.
    if (Stream.CurrentToken.Kind == tkImplementation && (!UnitPath.empty() || Dialect == TDialect::Modern)) {
        Stream.NextToken();
        if (!UnitPath.empty()) (void)Parser.ReadUsesClause();
        if (Dialect == TDialect::Modern) {
            Symbols.AnchorsOnly = true;
            while (!Stream.EndOfInput) Parser.DispatchToken();
        }
        Symbols.AnchorsOnly = false;
    }
    Parser.FinishAnchors();
    NoteLexicalStop(WrittenPath);
    // Learnt here, so the output pass knows it before it writes the page's
    // head: from the bytes this reading took, and the rest of the file.
    if (sniffing_) {
        Stream.Scanner.FinishReading();
        TSourceEncoding Learnt = sniffer_.Result(CodePage);
        Learnt.Ascii = !sniffer_.SawHighByte() && metIncludes_.empty();
        encodings_.try_emplace(Path, Learnt);
        sniffing_ = false;
    }
    Stream.Close();
    if (metIncludes_.empty()) unitIncludes_.erase(Path);
    else unitIncludes_.insert_or_assign(Path, std::move(metIncludes_));
    metIncludes_.clear();
    (void)EncodingOf(Path);
    if (UnitPath.empty()) return;
    const std::vector<std::string> Used = std::move(Parser.UsedUnitNames);
    const std::vector<int> Lines = std::move(Parser.UsedUnitLines);
    Parser.UsedUnitNames.clear();
    Parser.UsedUnitLines.clear();
    for (std::size_t I = 0; I < Used.size(); ++I) (void)LookUpUnit(Used[I], Path, Lines[I]);
}

void TRun::GenerateUnit(int Index) {
    Stream.CurrentPass = 2;
    writingUnit_ = Index;
    const TURElm& Unit = Symbols.UnitList().at(static_cast<std::size_t>(Index));
    const std::string WrittenPath = Unit.Path;
    Symbols.CurrentUnit = Unit.Name;
    Queue.Reset();
    // The unit's own interface symbols are linkable from its first line on;
    // its uses clauses add those of the units it names.
    Symbols.BeginVisibleSymbols({Symbols.FindUnit(Symbols.CurrentUnit)});
    // Named before the heading is read: the page name, not the heading's.
    Documents.HtmlFileName = BuildDir + Unit.Page + ".html";
    Documents.RtfFileName = BuildDir + Unit.Page + ".rtf";
    // A unit registered again from one path shares the first one's page.
    const bool Suffixed = Unit.Page.size() > Unit.Name.size() && Unit.Page.starts_with(Unit.Name);
    Parser.PageSuffix = Suffixed ? Unit.Page.substr(Unit.Name.size()) : std::string();
    Documents.Encoding = EncodingOf(SourcePath(WrittenPath));
    Parser.BeginPage();
    OpenSource(SourcePath(WrittenPath), true, true);
    while (!Stream.EndOfInput) Parser.DispatchToken();
    CloseSource(WrittenPath);
    Symbols.FreeVisibleSymbols();
}

// A run that stops on an error leaves the documents it had not finished as
// they were before it (their temporary files removed), and the object ready
// for another run.
void TRun::ReleaseOpenFiles() noexcept {
    try {
        if (Stream.Scanner.IsOpen()) Stream.Close();
        Documents.DiscardDocuments();
        Symbols.FreeVisibleSymbols();
    } catch (...) {
        // The run's own error is the one the user sees.
    }
}

void TRun::Execute(const std::string& ProjectPath, const std::string& DefinesText) {
    Symbols.CreateUnitList();
    Stream.Dialect = Dialect;
    Documents.AsciiTopics = Dialect == TDialect::Modern;
    Parser.NoteUsedUnitLines = !UnitPath.empty();
    sourcePaths_.clear();  // the disk may have changed since the last run
    Stream.ForgetIncludeTexts();
    listings_ = {};
    LexicalStops.clear();
    LeftOut.clear();
    IncludeFiles.clear();
    includePages_.clear();
    unitIncludes_.clear();
    includeOwners_.clear();
    includeLookups_.clear();  // an include file may have been added or moved since
    FoundOnSearchPath = 0;
    lookedUp_.clear();
    sourceFiles_.clear();
    Symbols.SetUnitScopes(UnitScopes);
    Incomplete = false;
    Statistics = {};
    Documents.Counters = {};
    Parser.Links = {};
    try {
        // What a run that was killed left in the build location.
        RemoveLeftTemporaries(BuildDir.empty() || BuildDir.back() == '/' ? BuildDir : BuildDir + '/');
        ScanProject(ProjectPath, DefinesText);
        BuildSymbolTable();
        GenerateDocuments();
        WriteHelpProject();
    } catch (...) {
        ReleaseOpenFiles();
        throw;
    }
}

}  // namespace corvanet
