// How one token looks in each document kind: the per-style formats, the colour
// table and the escaping. Escaping lives in exactly one place per format; every
// text that reaches a document passes through it, so a document always decodes
// back to the source bytes. HTML anchor names and link fragments are written in
// lower case (browsers match fragments by case); RTF keeps names as given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvanet {

enum TokenStyle : std::uint8_t {
    tsKeyword = 0,
    tsComment = 1,
    tsText = 2,
    tsString = 3,
    tsSymbol = 4,
    tsIdentifier = 5,
    tsNumber = 6,
    tsAnchor = 7,
    tsLink = 8,
    tsPlain = 9,
};

// "\" -> "\\", "{" -> "\{", "}" -> "\}", each line end (CR LF, a lone LF, a
// lone CR) -> "\par ".
// A page's name as an HREF names it: "#", "%", "?", blanks, control bytes
// and bytes above 126 percent-encoded ("a b#.html" -> "a%20b%23.html").
std::string PercentEncodePage(std::string_view Page);
// A name as the modern dialect's help context strings and anchors spell it:
// a byte above 127 as ".0hh" (its hex value, lower case), the rest as it is.
std::string AsciiContext(std::string_view Name);
std::string EscapeRtf(std::string_view Text);
// Element text: "&" -> "&amp;", "<" -> "&lt;", ">" -> "&gt;".
std::string EscapeHtml(std::string_view Text);
// Attribute values: as EscapeHtml, and '"' -> "&quot;".
std::string EscapeHtmlAttribute(std::string_view Text);

// The form of one token of Style whose text is Text (for tsAnchor: the anchor
// name). tsLink and values above tsPlain are written as tsPlain here; links
// need three strings and are formed by the Append forms.
std::string FormatRtfToken(TokenStyle Style, std::string_view Text);
std::string FormatHtmlToken(TokenStyle Style, std::string_view Text);

// Append forms used on the hot path: the RTF form of a token (without the CR LF
// that WriteLine adds) and the HTML form, as RenderToken writes them, links and
// anchors included (HTML anchor names and fragments lower-cased).
void AppendRtfToken(std::string& Out, std::string_view Text, std::string_view Caption,
                    std::string_view Target, TokenStyle Style);
void AppendHtmlToken(std::string& Out, std::string_view Text, std::string_view Caption,
                     std::string_view Target, TokenStyle Style);

// The pointer forms beneath the Append forms, for a buffer of the caller's:
// MaxTokenSize is room enough for either form of a token with these texts;
// WriteRtfToken and WriteHtmlToken write the same bytes as the Append forms
// from Out on and return the end of what they wrote; they may use all of that
// room as scratch space beyond the end.
// (Room for the opening and closing strings, and six bytes per text byte: the
// longest escape, "&quot;".)
inline constexpr std::size_t TokenFixedRoom = 64;
inline constexpr std::size_t EscapeGrowth = 6;
constexpr std::size_t MaxTokenSize(std::string_view Text, std::string_view Caption,
                                   std::string_view Target) noexcept {
    return TokenFixedRoom + EscapeGrowth * (Text.size() + Caption.size() + Target.size());
}
char* WriteRtfToken(char* Out, std::string_view Text, std::string_view Caption, std::string_view Target,
                    TokenStyle Style) noexcept;
char* WriteHtmlToken(char* Out, std::string_view Text, std::string_view Caption, std::string_view Target,
                     TokenStyle Style) noexcept;

// The hot path of a token in its own style (neither tsLink nor tsAnchor):
// both forms in one pass over the text, the RTF form followed by CR LF.
// Rtf needs MaxTokenSize(Text, {}, {}) + 2 bytes of room, Html
// MaxTokenSize(Text, {}, {}); returns the ends of what was written. The
// bytes are those of WriteRtfToken (and CR LF) and WriteHtmlToken.
struct TTokenEnds {
    char* Rtf;
    char* Html;
};
TTokenEnds WriteStyledToken(char* Rtf, char* Html, std::string_view Text, TokenStyle Style) noexcept;

// The escaping itself, appending to Out.
void AppendEscapedRtf(std::string& Out, std::string_view Text);
void AppendEscapedHtml(std::string& Out, std::string_view Text, bool Attribute);

// RTF colour table entries 1..16 (entry 0 is the automatic colour).
struct TRtfColour {
    std::uint8_t Red, Green, Blue;
};
inline constexpr TRtfColour RtfColourTable[16] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
    {0, 128, 128}, {128, 128, 128}, {192, 192, 192}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};

}  // namespace corvanet
