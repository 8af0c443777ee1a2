// The document pair of one source file: an RTF topic and an HTML page in the
// build directory, their headers and footers, and the buffered writes through
// which every rendered token reaches them. Exactly one pair is open at a time;
// a token rendered while no pair is open is dropped (parser tests run without
// documents), and a failed write is an error, never silently short.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "render.h"

namespace corvanet {

// A file written through a buffer; Create throws
// CorvanetError("Cannot create file " + name).
class TOutputFile {
public:
    TOutputFile() = default;
    ~TOutputFile();
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    void Create(const std::string& Name);
    void Close();  // flushes; throws CorvanetError on a failed write
    bool IsOpen() const noexcept;
    // WriteText: the bytes of S, nothing added. WriteLine: S and CR LF. Both
    // do nothing while the file is not open; a failed flush throws
    // CorvanetError("Cannot write file " + name).
    void WriteText(std::string_view S);
    void WriteLine(std::string_view S);
    // The hot path: Reserve gives room for MaxBytes bytes straight in the
    // file's buffer, Commit takes what was formed there, up to End, and
    // returns its length; so a token is formed in place, never copied. Only
    // while the file is open.
    char* Reserve(std::size_t MaxBytes) {
        return buffer_.size() - used_ >= MaxBytes ? buffer_.data() + used_ : Room(MaxBytes);
    }
    std::size_t Commit(const char* End) {
        const auto n = static_cast<std::size_t>(End - (buffer_.data() + used_));
        used_ += n;
        written_ += n;
        if (used_ >= FlushThreshold) FlushFull();
        return n;
    }
    std::uint64_t BytesWritten() const noexcept { return written_; }

private:
    static constexpr std::size_t FlushThreshold = 64 * 1024;
    static constexpr std::size_t BufferSize = FlushThreshold + 4096;
    bool WriteBuffer() noexcept;  // empties the buffer into the file; false on a short write
    void FlushFull();             // WriteBuffer, throwing on a short write
    // Where MaxBytes may be written when they do not fit after what the buffer
    // holds: at its start once that is written out; a token larger than the
    // buffer grows it for the rest of the file.
    char* Room(std::size_t MaxBytes);
    std::FILE* file_ = nullptr;
    std::string name_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;  // bytes of buffer_ not yet written to the file
    std::uint64_t written_ = 0;
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

    // Creates both files and writes their headers; CurrentUnit names the topic
    // ("Unit_" + CurrentUnit) and the page's first anchor.
    void OpenDocuments(std::string_view CurrentUnit);
    void CloseDocuments();  // footers, then close
    bool IsOpen() const noexcept { return HtmlDocument.IsOpen(); }

    // Writes one token to both open documents.
    void RenderToken(std::string_view Text, std::string_view Caption, std::string_view Target,
                     TokenStyle Style);

    TDocumentCounters Counters;

private:
    void Line(TOutputFile& File, std::string_view S);  // WriteLine, counted
};

}  // namespace corvanet
