// The parser fixture: pass drivers over in-memory text and the recording sink.
#include "fixture.h"

#include <filesystem>
#include <sstream>

namespace corvanet::testing {

TParserFixture::TParserFixture() {
    Symbols.CreateUnitList();
    Stream.Defines.LoadDefines("WIN32;VER100");
    Stream.TokenHook = [this] { RecordingHook(); };
}

// Stands in for the documents: what FlushTokens would render while output is
// not held goes to Written instead. While output is held the real FlushTokens
// runs, so trivia and skipped text are queued exactly as in a run.
void TParserFixture::RecordingHook() {
    if (Stream.CurrentPass == 1) return;
    if (Queue.HoldOutput) {
        Queue.FlushTokens();
        return;
    }
    if (Queue.HoldNextToken && !Queue.CurrentIsTrivia()) return;
    for (auto& Entry : Queue.DelayedTokens) Written.push_back(std::move(Entry));
    Queue.DelayedTokens.clear();
    if (Stream.CurrentToken.Kind != tkEndOfInput)
        Written.push_back({std::string(Stream.CurrentToken.Text), "", "", Queue.StyleOfToken()});
}

void TParserFixture::AddUnit(std::string_view Path) {
    Stream.CurrentPass = 0;
    Symbols.AddUnit(Path);
}

void TParserFixture::ReadInterface(std::string_view Name, std::string Text) {
    Symbols.CurrentUnit = std::string(Name);
    Symbols.CurrentClass.clear();
    Stream.CurrentPass = 1;
    Stream.Scanner.OpenText(std::move(Text));
    Stream.NextToken();
    Stream.EndOfInput = 0;
    for (;;) {
        if (Parser.Kind() == tkImplementation) break;
        if (Parser.Kind() == tkInterface)
            (void)Parser.ReadInterfaceSection();
        else
            Parser.Read();
        if (Stream.EndOfInput != 0) break;
    }
    Stream.Scanner.Close();
}

void TParserFixture::BuildSymbols(const std::vector<TSourceUnit>& Units, bool Sort) {
    for (const auto& U : Units) AddUnit(U.Path);
    for (std::size_t i = 0; i < Units.size(); ++i)
        ReadInterface(Symbols.UnitList()[i].Name, Units[i].Text);
    if (Sort) Symbols.SortSymbolTable();
}

void TParserFixture::Declare(std::string_view Unit, std::string_view Name, TSymbolKind Kind) {
    Stream.CurrentPass = 1;
    Symbols.AddSymbol(Unit, Name, Kind);
}

void TParserFixture::DeclareMember(std::string_view Unit, std::string_view Class,
                                   std::string_view Name, TSymbolKind Kind) {
    Stream.CurrentPass = 1;
    Symbols.AddClass(Unit, Class);
    Symbols.AddMember(Unit, Class, Name, Kind);
}

void TParserFixture::BeginUnit(std::string_view Name) {
    Symbols.CurrentUnit = std::string(Name);
    Symbols.CurrentClass.clear();
    Stream.CurrentPass = 2;
    Symbols.BeginVisibleSymbols({Symbols.FindUnit(Name)});
}

void TParserFixture::Open(std::string Text, std::uint8_t Pass, bool Held) {
    Stream.CurrentPass = Pass;
    Queue.Reset();
    Written.clear();
    Stream.Scanner.OpenText(std::move(Text));
    Stream.EndOfInput = 0;
    Queue.HoldOutput = Held;
    Stream.NextToken();
}

// The end of a file as the pipeline handles it: the end-of-input token has
// flushed the queue; whatever a rule left queued after it is written last.
void TParserFixture::ReadToEnd() {
    while (Stream.EndOfInput == 0) Parser.Read();
    if (Stream.CurrentPass != 1)
        for (auto& Entry : Queue.DelayedTokens) Written.push_back(std::move(Entry));
    Queue.DelayedTokens.clear();
    Stream.Scanner.Close();
}

void TParserFixture::ScanProject(std::string Text) {
    Symbols.CurrentUnit = "project";
    Open(std::move(Text), 0);
    while (Stream.EndOfInput == 0) {
        if (Parser.Kind() == tkUses)
            (void)Parser.ReadProjectUses();
        else
            Parser.Read();
    }
    ReadToEnd();
}

void TParserFixture::GenerateUnit(std::string_view Name, std::string Text) {
    BeginUnit(Name);
    Open(std::move(Text), 2);
    while (Stream.EndOfInput == 0) Parser.DispatchToken();
    ReadToEnd();
    Symbols.FreeVisibleSymbols();
}

std::string TParserFixture::VisibleText() const {
    std::string s;
    for (const auto& W : Written) {
        if (W.Style == tsLink)
            s += W.Caption;
        else if (W.Style != tsAnchor)
            s += W.Text;
    }
    return s;
}

std::string TParserFixture::Trace() const {
    std::string s;
    for (const auto& W : Written) {
        if (W.Style == tsAnchor)
            s += "<" + W.Target + ">";
        else if (W.Style == tsLink)
            s += "[" + W.Caption + "|" + W.Text + "|" + W.Target + "]";
        else
            s += W.Text;
    }
    return s;
}

static std::vector<TWritten> WithStyle(const std::vector<TWritten>& All, TokenStyle Style) {
    std::vector<TWritten> Out;
    for (const auto& W : All)
        if (W.Style == Style) Out.push_back(W);
    return Out;
}

std::vector<TWritten> TParserFixture::Links() const { return WithStyle(Written, tsLink); }
std::vector<TWritten> TParserFixture::Anchors() const { return WithStyle(Written, tsAnchor); }

int TParserFixture::IndexOf(TokenStyle Style, std::string_view Text) const {
    for (std::size_t i = 0; i < Written.size(); ++i) {
        const auto& W = Written[i];
        if (W.Style == Style && (Style == tsLink ? W.Caption : W.Text) == Text)
            return static_cast<int>(i);
    }
    return -1;
}

void TRecordingReporter::Progress(int Total, int Position) {
    Notes.push_back("progress " + std::to_string(Total) + " " + std::to_string(Position));
}
void TRecordingReporter::Status(const std::string& Text) { Notes.push_back("status " + Text); }
void TRecordingReporter::Warning(const std::string& Text) { Notes.push_back("warning " + Text); }

TProjectFixture::TProjectFixture(const std::vector<TSourceUnit>& Files) {
    for (const auto& File : Files) {
        const std::filesystem::path Full = Dir() + File.Path;
        std::filesystem::create_directories(Full.parent_path());
        testsupport::WriteBytes(Full.string(), File.Text);
    }
    std::filesystem::create_directories(Out());
}

void TProjectFixture::Execute(const std::string& Project) {
    Run.BuildDir = Out();
    Run.Symbols.CreateUnitList();
    Run.ScanProject(Dir() + Project, "WIN32;VER100");
    Run.BuildSymbolTable();
    Run.GenerateDocuments();
}

testsupport::TDecodedDocument TProjectFixture::Page(const std::string& Name) const {
    return testsupport::DecodeHtmlPage(testsupport::ReadBytes(Out() + Name));
}

testsupport::TDecodedDocument TProjectFixture::Topic(const std::string& Name) const {
    return testsupport::DecodeRtfTopic(testsupport::ReadBytes(Out() + Name));
}

bool TProjectFixture::Written(const std::string& Name) const {
    return std::filesystem::exists(Out() + Name);
}

std::string TProjectFixture::Source(const std::string& Path) const {
    return testsupport::NormaliseLineEnds(testsupport::ReadBytes(Dir() + Path));
}

std::string Describe(const TWritten& Entry) {
    std::ostringstream s;
    s << '{' << int(Entry.Style) << " \"" << Entry.Text << "\" \"" << Entry.Caption << "\" \""
      << Entry.Target << "\"}";
    return s.str();
}

std::string Describe(const std::vector<TWritten>& Entries) {
    std::string s;
    for (const auto& E : Entries) s += Describe(E) + "\n";
    return s;
}

}  // namespace corvanet::testing
