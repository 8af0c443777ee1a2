// The document pair of one source file: an RTF topic and an HTML page in the
// build directory, their headers and footers, and the buffered writes through
// which every rendered token reaches them. Exactly one pair is open at a time;
// a token rendered while no pair is open is dropped (parser tests run without
// documents), and a failed write is an error, never silently short.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "encoding.h"
#include "render.h"

namespace corvanet {

// Documents appear whole or not at all. Each is written to a temporary file
// beside its final name (".corvanet-PID-N.tmp") and renamed over that name
// only when complete, so a run that stops leaves every earlier document as it
// was. The temporary files of the process are known: a signal removes them
// (once RemoveTemporariesOnSignals is set up) and a later run removes those of
// a process that has gone (RemoveLeftTemporaries).

// A complete file not yet in its place. Publish renames it over the final
// name (CorvanetError "Cannot create file NAME: reason"); one destroyed before
// that is removed. Empty for a file written in place (a device, a pipe).
class TFinishedFile {
public:
    TFinishedFile() = default;
    TFinishedFile(std::string Temporary, std::string Final) noexcept;
    TFinishedFile(TFinishedFile&& Other) noexcept;
    TFinishedFile& operator=(TFinishedFile&& Other) noexcept;
    ~TFinishedFile();
    void Publish();
    void Discard() noexcept;

private:
    std::string temporary_, final_;
};

// Blocks SIGINT, SIGTERM and SIGHUP in the calling thread and every thread it
// starts later, and has a thread of its own remove the temporary files when
// one comes, then end the process by it. Call first thing in main. AlsoOnSignal,
// when given, is called with the signal first (to pass it on to a program the
// run waits for).
void RemoveTemporariesOnSignals(void (*AlsoOnSignal)(int) = nullptr);

// Removes the temporary files in Dir left by processes that no longer run.
void RemoveLeftTemporaries(const std::string& Dir);

// A file written through a buffer, to a temporary file until Close or Finish.
// Create throws CorvanetError("Cannot create file NAME: reason").
class TOutputFile {
public:
    TOutputFile() = default;
    ~TOutputFile();  // an unfinished file is discarded
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;
    // Exchanges the two files, open or not, buffers and all.
    void Swap(TOutputFile& Other) noexcept;

    void Create(const std::string& Name);
    // Flushes and closes: CorvanetError("Cannot write file NAME: reason") on a
    // failed write. Close then puts the file in its place; Finish leaves that
    // to the caller.
    void Close();
    [[nodiscard]] TFinishedFile Finish();
    void Discard() noexcept;  // closes and removes the temporary file
    bool IsOpen() const noexcept;
    // WriteText: the bytes of S, nothing added. WriteLine: S and CR LF. Both
    // do nothing while the file is not open; a failed flush throws
    // CorvanetError("Cannot write file " + name).
    void WriteText(std::string_view S);
    void WriteLine(std::string_view S);
    // The hot path: Reserve gives room for MaxBytes bytes straight in the
    // file's buffer, Commit takes what was formed there, up to End, and
    // returns its length; so a token is formed in place, never copied. Only
    // while the file is open. The buffer is written out when the room asked
    // for does not fit after what it holds, so the check in Reserve is the
    // only one a token costs.
    char* Reserve(std::size_t MaxBytes) { return Fits(MaxBytes) ? next_ : Room(MaxBytes); }
    // Whether Reserve(MaxBytes) gives room without writing the buffer out.
    bool Fits(std::size_t MaxBytes) const noexcept { return static_cast<std::size_t>(end_ - next_) >= MaxBytes; }
    std::size_t Commit(char* End) {
        const auto n = static_cast<std::size_t>(End - next_);
        next_ = End;
        return n;
    }
    std::uint64_t BytesWritten() const noexcept {
        return flushed_ + static_cast<std::uint64_t>(next_ - buffer_.get());
    }

private:
    static constexpr std::size_t BufferSize = 64 * 1024;
    static constexpr std::size_t KeptBufferSize = 1024 * 1024;
    bool WriteBuffer() noexcept;  // empties the buffer into the file; false (and error_) on a short write
    [[noreturn]] void WriteFailed();
    // Where MaxBytes may be written when they do not fit after what the buffer
    // holds: at its start once that is written out; a token larger than the
    // buffer grows it for the rest of the file.
    char* Room(std::size_t MaxBytes);
    // A buffer of Size bytes, left as the allocator gives it: every byte is
    // written before it is read, and zeroing would touch every page of a
    // buffer grown for the worst case of a long token, most of which the
    // token never fills.
    void NewBuffer(std::size_t Size);
    std::FILE* file_ = nullptr;
    std::string name_;
    std::string temporary_;  // empty when written in place
    int error_ = 0;          // of the last failed write
    std::unique_ptr<char[]> buffer_;
    std::size_t size_ = 0;
    char* next_ = nullptr;  // the end of what buffer_ holds, not yet written to the file
    char* end_ = nullptr;   // the end of buffer_
    std::uint64_t flushed_ = 0;  // bytes written to the file
};

struct TDocumentCounters {
    std::uint64_t Tokens = 0;   // RenderToken calls
    std::uint64_t Links = 0;    // tsLink tokens written
    std::uint64_t Anchors = 0;  // tsAnchor tokens written
    std::uint64_t Bytes = 0;    // bytes written to all documents
};

class TDocuments {
public:
    std::string HtmlFileName;  // full names of the next pair, set by the pipeline
    std::string RtfFileName;
    TOutputFile HtmlDocument;
    TOutputFile RtfDocument;
    // Set (the modern dialect): the encoding of the source the next pairs
    // show, which the page's head declares and the topic's escapes follow.
    // Unset: the classic head and bytes.
    std::optional<TSourceEncoding> Encoding;
    // The modern dialect's topics: a byte above 127 of the context string
    // (and of the page's own anchor) written as ".0hh", as links spell it.
    bool AsciiTopics = false;

    // Creates both files and writes their headers; CurrentUnit names the topic
    // ("Unit_" + CurrentUnit + Suffix, the suffix of a page whose name was
    // taken) and the page's first anchor, and titles the topic.
    void OpenDocuments(std::string_view CurrentUnit, std::string_view Suffix = {});
    // Footers, then close, and the topic and then the page put in place; with
    // KeepFinished they wait in Finished instead, for a reading that is adopted
    // only later (the parallel output pass).
    void CloseDocuments();
    void DiscardDocuments() noexcept;  // every open pair (include pages too) and Finished, removed
    bool KeepFinished = false;
    std::vector<TFinishedFile> Finished;
    bool IsOpen() const noexcept { return HtmlDocument.IsOpen(); }

    // Writes one token to both open documents.
    void RenderToken(std::string_view Text, std::string_view Caption, std::string_view Target,
                     TokenStyle Style);
    // The same for a token in its own style (neither tsLink nor tsAnchor),
    // nearly every token: no caption or target to pass.
    void RenderOwnStyle(std::string_view Text, TokenStyle Style);

    TDocumentCounters Counters;

    // Include pages. While a unit's include files are read, the pairs of
    // their pages are open beside the unit's own (pair 0), nested as the
    // includes are; each token goes to the pair of the file it was read
    // from. HtmlDocument and RtfDocument are always the files of the active
    // pair, so rendering never asks which pair is meant; pair -1 takes
    // nothing (an include whose page another inclusion writes).
    // Opens the next pair with the names given, its header written, and
    // returns its number; the active pair stays as it was.
    int OpenNestedPair(const std::string& Html, const std::string& Rtf, std::string_view Topic);
    void Activate(int Pair) {
        if (Pair != active_) Switch(Pair);
    }
    int ActivePair() const noexcept { return active_; }
    // Footers and closes of every nested pair; pair 0 is active again.
    void CloseNestedPairs();
    // The pair of the file being read: where the tokens it gives go.
    int Reading = 0;

private:
    struct TPair {
        TOutputFile Html, Rtf;
    };
    // Slot 0 holds pair -1 (never open), slot p + 1 pair p while it is not active.
    std::vector<std::unique_ptr<TPair>> slots_;
    int active_ = 0;
    void Switch(int Pair);

    void Line(TOutputFile& File, std::string_view S);  // WriteLine, counted
    // A token in its own style: both forms, reserved, written and committed.
    void RenderStyled(std::string_view Text, TokenStyle Style);
    // The rarer ways of RenderToken and RenderOwnStyle, kept out of them so
    // that the usual one, a token in its own style that fits in both buffers,
    // keeps nothing across a call but the documents themselves: links and
    // anchors, and a token for which a buffer must be written out first.
    void RenderLinkOrAnchor(std::string_view Text, std::string_view Caption, std::string_view Target,
                            TokenStyle Style);
    void RenderAfterFlush(std::string_view Text, TokenStyle Style);
};

}  // namespace corvanet
