// The text encoding of a source, as its documents declare and show it: UTF-8,
// or a Windows ANSI code page. Pages keep the source's bytes and name the
// encoding in a META element; RTF topics name the code page and write every
// character above 127 as an escape that RTF readers show (\'hh for a
// character of the topic's code page, \uN? for any other).
#pragma once

#include <string>
#include <string_view>

namespace corvanet {

struct TSourceEncoding {
    bool Utf8 = false;
    int CodePage = 1252;  // the source's when not UTF-8; always the topic's
    // Known to hold no byte above 127 (nor do the files it includes): its
    // tokens need no escapes.
    bool Ascii = false;
};

// UTF-8 when the bytes start with its byte-order mark, hold {$CODEPAGE UTF8},
// or are valid UTF-8 with at least one byte above 127; else AnsiCodePage.
TSourceEncoding DetectEncoding(std::string_view Bytes, int AnsiCodePage);

// DetectEncoding's answer for bytes handed over piece by piece, as a reader
// reads a file window by window, so the encoding is learnt from the reading
// itself: what it keeps between pieces is a UTF-8 sequence or a directive
// cut at a piece's end.
class TEncodingSniffer {
public:
    void Feed(std::string_view Bytes);
    TSourceEncoding Result(int AnsiCodePage) const;
    bool SawHighByte() const noexcept { return high_; }

private:
    std::string head_;     // the first three bytes, for the byte-order mark
    std::string tail_;     // the last bytes, for a directive cut at a piece's end
    std::string partial_;  // a UTF-8 sequence the last piece ended inside
    bool valid_ = true;    // UTF-8 so far
    bool high_ = false;    // a byte above 127 seen
    bool names_ = false;   // {$CODEPAGE UTF8} seen
};

// The charset a page declares: "utf-8", "windows-1252", "shift_jis" ...
std::string HtmlCharset(const TSourceEncoding& Encoding);
// <META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=...">
std::string HtmlCharsetMeta(const TSourceEncoding& Encoding);

// Rewrites in place the RTF text [From, End), which has room enough after it,
// with every byte above 127 escaped for Encoding; returns the new end, or
// End when nothing changed. Escapes take at most five bytes per source byte.
char* EscapeRtfHighBytes(char* From, char* End, const TSourceEncoding& Encoding);
// The same for a string.
std::string EscapeRtfHighBytes(std::string Text, const TSourceEncoding& Encoding);

}  // namespace corvanet
