// A parser with everything it reads from and writes to, over source text held
// in memory. It registers units as the project scan does, reads interfaces as
// the pass-1 unit reader does, and runs pass 0 and pass 2 with a sink that
// records every entry the output would receive, in order; a project fixture
// runs the pipeline over files on disk and reads the documents back. Each
// fixture owns its objects, so two tests never share state.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "decode.h"
#include "documents.h"
#include "output_queue.h"
#include "parser/parser.h"
#include "pipeline.h"
#include "scratch_dir.h"
#include "symbols.h"
#include "token_stream.h"

namespace corvanet::testing {

// One entry as the output would receive it.
using TWritten = TDelayedToken;

struct TSourceUnit {
    std::string Path;  // as a project file would write it after `in`
    std::string Text;
};

class TParserFixture {
public:
    TParserFixture();

    TTokenStream Stream;
    TSymbolTable Symbols{Stream.CurrentPass};
    TDocuments Documents;  // never opened: the recording sink stands in for it
    TOutputQueue Queue{Stream, Documents};
    TParser Parser{Stream, Symbols, Queue};

    // Everything written since the last Open, in output order.
    std::vector<TWritten> Written;

    // Pass 0: registers a unit as an `in` entry of the project file does.
    void AddUnit(std::string_view Path);
    // Pass 1 over Text as the pipeline's unit reader does, CurrentUnit being
    // Name (a registered name). Stops at `implementation` or the end.
    void ReadInterface(std::string_view Name, std::string Text);
    // Registers every unit, reads their interfaces in this order, then sorts
    // the table when Sort is set.
    void BuildSymbols(const std::vector<TSourceUnit>& Units, bool Sort = true);

    // Pass 1 without a source: records a symbol (and its class, for a member)
    // as the declaration rules would.
    void Declare(std::string_view Unit, std::string_view Name, TSymbolKind Kind);
    void DeclareMember(std::string_view Unit, std::string_view Class, std::string_view Name,
                       TSymbolKind Kind);
    // The start of a unit's output pass: CurrentUnit is the registered Name,
    // its own symbols are visible (the table must be sorted).
    void BeginUnit(std::string_view Name);

    // Opens Text in Pass with the queue reset and reads the first token, for
    // tests that call a single rule. With Held the first token arrives unwritten,
    // as the pass-2 dispatch hands an identifier to LinkIdentifier.
    void Open(std::string Text, std::uint8_t Pass, bool Held = false);
    // Reads to the end of the file, so the queue is flushed.
    void ReadToEnd();

    // Pass 0 over a project file: every `uses` to ReadProjectUses.
    void ScanProject(std::string Text);
    // Pass 2 over a unit registered as Name, the way the pipeline writes a unit:
    // its own symbols visible, every token through the pass-2 dispatch.
    void GenerateUnit(std::string_view Name, std::string Text);

    // The source as the output shows it: token texts, link captions, no anchors.
    std::string VisibleText() const;
    // The written entries in one line: plain text as it is, an anchor as
    // "<name>", a link as "[caption|HTML target|RTF target]".
    std::string Trace() const;
    // The written entries in style `tsLink` / `tsAnchor`, in order.
    std::vector<TWritten> Links() const;
    std::vector<TWritten> Anchors() const;
    // Position of the first written entry with this style and text (a link's
    // caption counts as its text), or -1.
    int IndexOf(TokenStyle Style, std::string_view Text) const;
    // After a file: no hold left over and nothing stranded in the queue.
    bool Settled() const { return !Queue.HoldOutput && Queue.DelayedTokens.empty(); }

private:
    void RecordingHook();
};

// The same, as a GoogleTest fixture for TEST_F.
class ParserTest : public ::testing::Test, public TParserFixture {};

// Records what a run reports, in order.
class TRecordingReporter : public TReporter {
public:
    std::vector<std::string> Notes;  // "progress T P", "status TEXT", "warning TEXT"
    void Progress(int Total, int Position) override;
    void Status(const std::string& Text) override;
    void Warning(const std::string& Text) override;
};

// A whole project on disk, in a directory of its own, run through the
// pipeline's project scan, symbol pass and output pass; the pages and topics
// are then read back for pass-2 checks.
class TProjectFixture {
public:
    // Files by path relative to the project's directory ("src/a.pas").
    explicit TProjectFixture(const std::vector<TSourceUnit>& Files);

    TRecordingReporter Reporter;
    TRun Run{Reporter};

    std::string Dir() const { return scratch_.Path(); }
    std::string Out() const { return scratch_.Path() + "out/"; }

    // The three steps over Dir() + Project, documents into Out().
    void Execute(const std::string& Project);
    // A written document, read back; Name is its file name in Out().
    testsupport::TDecodedDocument Page(const std::string& Name) const;
    testsupport::TDecodedDocument Topic(const std::string& Name) const;
    bool Written(const std::string& Name) const;
    // The source file as the documents must show it.
    std::string Source(const std::string& Path) const;

private:
    testsupport::TScratchDir scratch_;
};

// Stream output of an entry for failure messages.
std::string Describe(const TWritten& Entry);
std::string Describe(const std::vector<TWritten>& Entries);

}  // namespace corvanet::testing
