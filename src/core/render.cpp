// The per-style formats of the two document kinds and their escaping. The
// Append forms are the hot path (one reusable buffer, no allocation per token);
// the Format/Escape forms are the readable named forms built on them, so each
// escaping rule exists exactly once.
#include "render.h"

#include <array>

namespace corvanet {

namespace {

// A coloured form is an opening and a closing string around the escaped text.
struct TFormat {
    std::string_view Open;
    std::string_view Close;
};

// Indexed by TokenStyle, tsKeyword .. tsPlain. tsLink has no single-text form;
// it is written as plain text by the Format functions.
constexpr std::array<TFormat, 10> RtfFormats = {{
    {"\\b\\cf16 ", "\\b0\\cf12"},    // tsKeyword
    {"\\i\\cf8 ", "\\i0\\cf12"},     // tsComment
    {"", ""},                        // tsText
    {"\\cf9 ", "\\cf12"},            // tsString
    {"", ""},                        // tsSymbol
    {"", ""},                        // tsIdentifier
    {"\\cf11 ", "\\cf12"},           // tsNumber
    {"#{\\*\\footnote ", "}"},       // tsAnchor
    {"", ""},                        // tsLink
    {"", ""},                        // tsPlain
}};

constexpr std::array<TFormat, 10> HtmlFormats = {{
    {"<B><FONT COLOR=\"#FFFFFF\">", "</FONT></B>"},  // tsKeyword
    {"<I><FONT COLOR=\"#7F7F7F\">", "</FONT></I>"},  // tsComment
    {"", ""},                                        // tsText
    {"<FONT COLOR=\"#C0C0C0\">", "</FONT>"},         // tsString
    {"", ""},                                        // tsSymbol
    {"", ""},                                        // tsIdentifier
    {"<FONT COLOR=\"#00FF00\">", "</FONT>"},         // tsNumber
    {"<A NAME = \"", "\"></A>"},                     // tsAnchor
    {"", ""},                                        // tsLink
    {"", ""},                                        // tsPlain
}};

// The RTF hotspot: double-underlined caption, then hidden "*" and the context string.
constexpr TFormat RtfLinkCaption = {"{\\uldb ", "}"};
constexpr TFormat RtfLinkTarget = {"{\\v*", "}"};
constexpr TFormat HtmlLinkHref = {"<A HREF = \"", "\">"};
constexpr std::string_view HtmlLinkClose = "</A>";
constexpr std::string_view RtfLineEnd = "\\par ";

// Styles above tsPlain are written as tsPlain.
TokenStyle Normalised(TokenStyle Style) noexcept { return Style > tsPlain ? tsPlain : Style; }

// Bytes that need escaping: 1 for RTF (\ { } CR LF), 2 for HTML text (& < >),
// 4 for HTML attributes (& < > ").
constexpr std::array<std::uint8_t, 256> SpecialBytes = [] {
    std::array<std::uint8_t, 256> t{};
    for (unsigned char c : std::string_view("\\{}\r\n")) t[c] |= 1;
    for (unsigned char c : std::string_view("&<>")) t[c] |= 2 | 4;
    t[static_cast<unsigned char>('"')] |= 4;
    return t;
}();

// Appends Text with every byte that has Mask in SpecialBytes replaced by
// Replace(Text, i, Out), which returns the index of the next byte to look at.
template <typename ReplaceFn>
void AppendEscaped(std::string& Out, std::string_view Text, std::uint8_t Mask, ReplaceFn Replace) {
    std::size_t runStart = 0;
    std::size_t i = 0;
    while (i < Text.size()) {
        if ((SpecialBytes[static_cast<unsigned char>(Text[i])] & Mask) == 0) {
            ++i;
            continue;
        }
        Out.append(Text.data() + runStart, i - runStart);
        i = Replace(Out, Text, i);
        runStart = i;
    }
    Out.append(Text.data() + runStart, Text.size() - runStart);
}

void LowerAsciiFrom(std::string& Out, std::size_t From) {
    for (std::size_t i = From; i < Out.size(); ++i) {
        char& c = Out[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
}

// An attribute value whose part from the first "#" on is lower-cased (a link
// fragment), or all of it when WholeName (an anchor name). The entities that
// escaping inserts are lower case already, so lowering after escaping is the
// same as escaping the lowered name.
void AppendHtmlName(std::string& Out, std::string_view Name, bool WholeName) {
    std::size_t hash = WholeName ? 0 : Name.find('#');
    if (hash == std::string_view::npos) {
        AppendEscapedHtml(Out, Name, true);
        return;
    }
    AppendEscapedHtml(Out, Name.substr(0, hash), true);
    std::size_t lowerFrom = Out.size();
    AppendEscapedHtml(Out, Name.substr(hash), true);
    LowerAsciiFrom(Out, lowerFrom);
}

void AppendFormatted(std::string& Out, const TFormat& Format, std::string_view Text, bool Rtf) {
    Out.append(Format.Open);
    if (Rtf)
        AppendEscapedRtf(Out, Text);
    else
        AppendEscapedHtml(Out, Text, false);
    Out.append(Format.Close);
}

}  // namespace

void AppendEscapedRtf(std::string& Out, std::string_view Text) {
    AppendEscaped(Out, Text, 1, [](std::string& out, std::string_view text, std::size_t i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            // CR LF, a lone LF and a lone CR are each one line end.
            out.append(RtfLineEnd);
            return (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? i + 2 : i + 1;
        }
        out.push_back('\\');
        out.push_back(c);
        return i + 1;
    });
}

void AppendEscapedHtml(std::string& Out, std::string_view Text, bool Attribute) {
    AppendEscaped(Out, Text, Attribute ? 4 : 2, [](std::string& out, std::string_view text, std::size_t i) {
        switch (text[i]) {
            case '&': out.append("&amp;"); break;
            case '<': out.append("&lt;"); break;
            case '>': out.append("&gt;"); break;
            default: out.append("&quot;"); break;
        }
        return i + 1;
    });
}

std::string EscapeRtf(std::string_view Text) {
    std::string out;
    out.reserve(Text.size());
    AppendEscapedRtf(out, Text);
    return out;
}

std::string EscapeHtml(std::string_view Text) {
    std::string out;
    out.reserve(Text.size());
    AppendEscapedHtml(out, Text, false);
    return out;
}

std::string EscapeHtmlAttribute(std::string_view Text) {
    std::string out;
    out.reserve(Text.size());
    AppendEscapedHtml(out, Text, true);
    return out;
}

// The single-text forms: the text is the anchor name for tsAnchor, and a link
// (which needs three strings) is written as plain text.
std::string FormatRtfToken(TokenStyle Style, std::string_view Text) {
    std::string out;
    Style = Normalised(Style);
    AppendRtfToken(out, Text, {}, Text, Style == tsLink ? tsPlain : Style);
    return out;
}

std::string FormatHtmlToken(TokenStyle Style, std::string_view Text) {
    std::string out;
    Style = Normalised(Style);
    AppendHtmlToken(out, Text, {}, Text, Style == tsLink ? tsPlain : Style);
    return out;
}

void AppendRtfToken(std::string& Out, std::string_view Text, std::string_view Caption,
                    std::string_view Target, TokenStyle Style) {
    Style = Normalised(Style);
    if (Style == tsLink) {
        AppendFormatted(Out, RtfLinkCaption, Caption, true);
        AppendFormatted(Out, RtfLinkTarget, Target, true);
    } else {
        AppendFormatted(Out, RtfFormats[Style], Style == tsAnchor ? Target : Text, true);
    }
}

void AppendHtmlToken(std::string& Out, std::string_view Text, std::string_view Caption,
                     std::string_view Target, TokenStyle Style) {
    Style = Normalised(Style);
    if (Style == tsLink) {
        Out.append(HtmlLinkHref.Open);
        AppendHtmlName(Out, Text, false);
        Out.append(HtmlLinkHref.Close);
        AppendEscapedHtml(Out, Caption, false);
        Out.append(HtmlLinkClose);
    } else if (Style == tsAnchor) {
        Out.append(HtmlFormats[tsAnchor].Open);
        AppendHtmlName(Out, Target, true);
        Out.append(HtmlFormats[tsAnchor].Close);
    } else {
        AppendFormatted(Out, HtmlFormats[Style], Text, false);
    }
}

}  // namespace corvanet
