// Decoders of the two document kinds, for tests: an HTML page or an RTF topic
// is read back into the source text it shows, its anchors and its links. They
// are strict: markup the renderer never writes (an unknown tag or control word,
// a raw "<", ">" or "&", unbalanced groups) is reported in Error rather than
// guessed at, so a document that decodes cleanly is one a reader would show as
// the source. They share no code with the renderer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvanet::testsupport {

struct TDecodedLink {
    std::string Target;   // HTML: the HREF value; RTF: the context string after "*"
    std::string Caption;  // the visible text
    std::size_t Offset = 0;  // where the caption begins in Text
};

struct TDecodedAnchor {
    std::string Name;        // HTML: the NAME value; RTF: the footnote's context string
    std::size_t Offset = 0;  // where it stands in Text
    bool InHeader = false;   // the page's or topic's own anchor, before the body
};

struct TDecodedDocument {
    std::string Title;  // HTML: the TITLE text; RTF: the topic title ("Unit X")
    // The body as a reader shows it: for HTML the bytes between the header and
    // the footer, markup removed and entities decoded; for RTF the text after
    // the title with "\par" read as LF (raw CR and LF are not text in RTF).
    std::string Text;
    std::vector<TDecodedAnchor> Anchors;  // in document order, the header's first
    std::vector<TDecodedLink> Links;      // in document order
    std::string Error;                    // empty when the document is well formed
    std::string Charset;  // HTML: the charset its META declares (none: empty)
    bool Ok() const { return Error.empty(); }
};

TDecodedDocument DecodeHtmlPage(std::string_view Page);
// Utf8Source: the topic shows a UTF-8 source, so its \'hh (windows-1252) and
// \uN? escapes are read back as UTF-8; otherwise \'hh is the byte itself.
TDecodedDocument DecodeRtfTopic(std::string_view Topic, bool Utf8Source = false);

// CR LF, a lone CR and a lone LF each become one LF: "line ends compared as line ends".
std::string NormaliseLineEnds(std::string_view Text);
// The source as the documents must show it: without a leading UTF-8 byte-order mark.
std::string WithoutByteOrderMark(std::string_view Source);

// Whole file as bytes; throws std::runtime_error when it cannot be read.
std::string ReadFileBytes(const std::string& Path);

// Where two texts first differ, with a few bytes of context each side made
// visible (CR as \r, LF as \n); empty when equal.
std::string FirstDifference(std::string_view Expected, std::string_view Actual);

}  // namespace corvanet::testsupport
