// Bytes -> tokens. The scanner keeps every byte: blanks, comments and
// directives are tokens of their own and each token's text is exactly the
// characters it covers, so the documents can show the whole source. It reads
// through a buffer (never a system call per character) and knows nothing of
// conditional compilation, passes or output.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "dialect.h"
#include "token.h"

namespace corvanet {

// Reason codes of GetToken. Callers treat every nonzero code as the end of the file.
enum TScanResult : std::uint8_t {
    srToken = 0,
    srEndOfInput = 1,
    srBadChar = 3,      // the look-ahead character starts no token
    srOpenString = 5,   // a line end (or the end of the file) inside a quoted string
    srOpenComment = 7,  // the file ends inside a "{" or "(*" comment
};

// "unexpected character", "unclosed string", "unclosed comment"; empty for 0 and 1.
std::string_view ScanResultText(std::uint8_t reason) noexcept;

class TScanner {
public:
    TScanner();
    ~TScanner();
    TScanner(const TScanner&) = delete;
    TScanner& operator=(const TScanner&) = delete;

    // The lexis the next Open or OpenText reads with. Classic stops for good
    // at a byte that starts no token, an unclosed string or comment; modern
    // never stops before the end: such a byte is a tkUnknown token, an
    // unclosed string ends at its line end, an unclosed comment at the end
    // of the file; it also reads "&" names and octals, "%" binaries, digit
    // separators, "#$" codes, bytes 128-255 in names, "(*$" directives and
    // multi-line strings.
    TDialect Dialect = TDialect::Classic;

    // Opens a file read-only. Throws CorvanetError("Cannot open file " + path).
    void Open(const std::string& FileName);
    // Scans text held in memory (tests, fuzzing); the scanner keeps a copy.
    void OpenText(std::string Text);
    void Close();
    bool IsOpen() const noexcept;

    // Reads the next token into Token (both fields) and returns its reason
    // code. On a nonzero code only Token.Kind is set (tkEndOfInput).
    std::uint8_t GetToken(TToken& Token);
    // The modern lexis in a switched-off region whose text nobody keeps:
    // reads on to the next directive and gives it as GetToken would, every
    // token before it scanned by the same rules but handed to no one, so the
    // directive is the one GetToken would meet. False, with nothing read
    // but blanks and tokens before the end, when the caller is to read on
    // with GetToken: the end of the file is next, the scan is not modern or
    // has stopped, or the dots of "1.." are due.
    bool GetDirective(TToken& Token);

    // Where the token last returned by GetToken began (0-based byte offset from
    // the start of the file, a skipped byte-order mark counted; 1-based line).
    // After a lexical error (3, 5, 7) this is where the failed token began.
    std::uint64_t TokenOffset() const noexcept { return tokenOffset_; }
    // Lines are counted when asked for: the first call after many tokens may
    // read the file again; throws CorvanetError("Cannot read file " + path)
    // if that fails.
    int TokenLine() const;
    // The bytes of the window after the last token, nothing read further: a
    // look-ahead that consumes nothing (it may end before the file does).
    std::string_view Ahead() const noexcept;
    // The reason code of the last GetToken.
    std::uint8_t LastResult() const noexcept { return lastResult_; }

    // After a lexical error: hands the file's bytes from TokenOffset() to its
    // end to Sink, in chunks, none of which ends between a CR and the LF that
    // follows it. Does nothing after a normal end or when no error occurred.
    void CopyRest(const std::function<void(std::string_view)>& Sink);

    // Handed every window of a file as it is read from the disk (not the
    // text of OpenText, nor bytes read again to count lines), so a reader can
    // learn about the bytes without reading the file a second time. Taken at
    // Open.
    std::function<void(std::string_view)> BytesRead;
    // Reads what is left of the file, handing it to BytesRead; no token may
    // be read after it (Close follows). Does nothing without a file.
    void FinishReading();

    // Bytes of the open file (a skipped byte-order mark included).
    std::uint64_t FileSize() const noexcept { return fileSize_; }

private:
    // Buffer, look-ahead CurChar, AtEnd, PendingRange: private to scanner.cpp
    // (the private part of this class is the scanner's own business).
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::uint64_t tokenOffset_ = 0;
    std::uint8_t lastResult_ = srToken;
    std::uint64_t fileSize_ = 0;
};

}  // namespace corvanet
