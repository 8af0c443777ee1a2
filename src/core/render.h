// How one token looks in each document kind: the per-style formats, the colour
// table and the escaping. Escaping lives in exactly one function per format.
#pragma once

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

// "\" -> "\\", "{" -> "\{", "}" -> "\}", CR LF and a lone LF -> "\par ".
std::string EscapeRtf(std::string_view Text);
// "&" -> "&amp;", "<" -> "&lt;", ">" -> "&gt;", '"' -> "&quot;".
std::string EscapeHtml(std::string_view Text);

std::string FormatRtfToken(TokenStyle Style, std::string_view Text);
std::string FormatHtmlToken(TokenStyle Style, std::string_view Text);

// Append forms used on the hot path: the RTF form of a token (without the CR LF
// that WriteLine adds) and the HTML form, as RenderToken writes them, links and
// anchors included (HTML anchor names and fragments lower-cased).
void AppendRtfToken(std::string& Out, std::string_view Text, std::string_view Caption,
                    std::string_view Target, TokenStyle Style);
void AppendHtmlToken(std::string& Out, std::string_view Text, std::string_view Caption,
                     std::string_view Target, TokenStyle Style);

}  // namespace corvanet
