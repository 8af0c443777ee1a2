// The per-style formats of the two document kinds and their escaping. The
// Write forms are the hot path: they form a token straight in the documents'
// buffer, byte by byte, with no call per piece; the Append, Format and Escape
// forms are built on them, so each escaping rule exists exactly once.
#include "render.h"

#include <array>
#include <cstring>

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

// Bytes that need escaping: 1 for RTF (\ { } CR LF and the other control
// bytes but TAB, which RTF readers would drop or misread raw), 2 for HTML text
// (& < >), 4 for HTML attributes (& < > ").
constexpr std::array<std::uint8_t, 256> SpecialBytes = [] {
    std::array<std::uint8_t, 256> t{};
    for (unsigned char c : std::string_view("\\{}\r\n")) t[c] |= 1;
    for (unsigned c = 0; c < 0x20; ++c)
        if (c != '\t') t[c] |= 1;
    for (unsigned char c : std::string_view("&<>")) t[c] |= 2 | 4;
    t[static_cast<unsigned char>('"')] |= 4;
    return t;
}();

// MaxTokenSize holds: the opening and closing strings of one token together
// fit in TokenFixedRoom, and no escape of one byte is longer than EscapeGrowth
// ("&quot;"; RTF's longest, "\par ", is shorter).
static_assert([] {
    for (const auto* Formats : {&RtfFormats, &HtmlFormats})
        for (const TFormat& F : *Formats)
            if (F.Open.size() + F.Close.size() > TokenFixedRoom) return false;
    return HtmlLinkHref.Open.size() + HtmlLinkHref.Close.size() + HtmlLinkClose.size() <= TokenFixedRoom &&
           RtfLinkCaption.Open.size() + RtfLinkCaption.Close.size() + RtfLinkTarget.Open.size() +
                   RtfLinkTarget.Close.size() <= TokenFixedRoom &&
           std::string_view("&quot;").size() <= EscapeGrowth && RtfLineEnd.size() <= EscapeGrowth;
}());

char* Put(char* Out, std::string_view S) noexcept {
    if (!S.empty()) std::memcpy(Out, S.data(), S.size());
    return Out + S.size();
}

// The one RTF escaping: byte by byte into room enough for five per byte.
char* PutEscapedRtf(char* Out, std::string_view Text) noexcept {
    const char* p = Text.data();
    const char* const end = p + Text.size();
    while (p < end) {
        const char c = *p++;
        if ((SpecialBytes[static_cast<unsigned char>(c)] & 1) == 0) {
            *Out++ = c;
        } else if (c == '\r' || c == '\n') {
            // CR LF, a lone LF and a lone CR are each one line end.
            Out = Put(Out, RtfLineEnd);
            if (c == '\r' && p < end && *p == '\n') ++p;
        } else if (c == '\\' || c == '{' || c == '}') {
            *Out++ = '\\';
            *Out++ = c;
        } else {
            // A control byte as the hexadecimal escape \'hh.
            constexpr std::string_view Hex = "0123456789abcdef";
            const auto b = static_cast<unsigned char>(c);
            *Out++ = '\\';
            *Out++ = '\'';
            *Out++ = Hex[b >> 4];
            *Out++ = Hex[b & 15];
        }
    }
    return Out;
}

// The one HTML escaping, of element text or (Attribute) of attribute values.
char* PutEscapedHtml(char* Out, std::string_view Text, bool Attribute) noexcept {
    const std::uint8_t Mask = Attribute ? 4 : 2;
    for (const char c : Text) {
        if ((SpecialBytes[static_cast<unsigned char>(c)] & Mask) == 0) {
            *Out++ = c;
            continue;
        }
        switch (c) {
            case '&': Out = Put(Out, "&amp;"); break;
            case '<': Out = Put(Out, "&lt;"); break;
            case '>': Out = Put(Out, "&gt;"); break;
            default: Out = Put(Out, "&quot;"); break;
        }
    }
    return Out;
}

void LowerAscii(char* From, char* To) noexcept {
    for (; From < To; ++From)
        if (*From >= 'A' && *From <= 'Z') *From = static_cast<char>(*From - 'A' + 'a');
}

// An attribute value whose part from the first "#" on is lower-cased (a link
// fragment), or all of it when WholeName (an anchor name). The entities that
// escaping inserts are lower case already, so lowering after escaping is the
// same as escaping the lowered name.
char* PutHtmlName(char* Out, std::string_view Name, bool WholeName) noexcept {
    const std::size_t hash = WholeName ? 0 : Name.find('#');
    if (hash == std::string_view::npos) return PutEscapedHtml(Out, Name, true);
    Out = PutEscapedHtml(Out, Name.substr(0, hash), true);
    char* const lowerFrom = Out;
    Out = PutEscapedHtml(Out, Name.substr(hash), true);
    LowerAscii(lowerFrom, Out);
    return Out;
}

char* PutFormatted(char* Out, const TFormat& Format, std::string_view Text, bool Rtf) noexcept {
    Out = Put(Out, Format.Open);
    Out = Rtf ? PutEscapedRtf(Out, Text) : PutEscapedHtml(Out, Text, false);
    return Put(Out, Format.Close);
}

// Appends through a pointer form: room for the worst case, then cut to what was written.
template <typename WriteFn>
void AppendWith(std::string& Out, std::size_t Room, WriteFn Write) {
    const std::size_t before = Out.size();
    Out.resize(before + Room);
    char* const start = Out.data() + before;
    Out.resize(before + static_cast<std::size_t>(Write(start) - start));
}

}  // namespace

char* WriteRtfToken(char* Out, std::string_view Text, std::string_view Caption, std::string_view Target,
                    TokenStyle Style) noexcept {
    Style = Normalised(Style);
    if (Style == tsLink) {
        Out = PutFormatted(Out, RtfLinkCaption, Caption, true);
        return PutFormatted(Out, RtfLinkTarget, Target, true);
    }
    return PutFormatted(Out, RtfFormats[Style], Style == tsAnchor ? Target : Text, true);
}

char* WriteHtmlToken(char* Out, std::string_view Text, std::string_view Caption, std::string_view Target,
                     TokenStyle Style) noexcept {
    Style = Normalised(Style);
    if (Style == tsLink) {
        Out = Put(Out, HtmlLinkHref.Open);
        Out = PutHtmlName(Out, Text, false);
        Out = Put(Out, HtmlLinkHref.Close);
        Out = PutEscapedHtml(Out, Caption, false);
        return Put(Out, HtmlLinkClose);
    }
    if (Style == tsAnchor) {
        Out = Put(Out, HtmlFormats[tsAnchor].Open);
        Out = PutHtmlName(Out, Target, true);
        return Put(Out, HtmlFormats[tsAnchor].Close);
    }
    return PutFormatted(Out, HtmlFormats[Style], Text, false);
}

void AppendEscapedRtf(std::string& Out, std::string_view Text) {
    AppendWith(Out, EscapeGrowth * Text.size(), [Text](char* P) { return PutEscapedRtf(P, Text); });
}

void AppendEscapedHtml(std::string& Out, std::string_view Text, bool Attribute) {
    AppendWith(Out, EscapeGrowth * Text.size(),
               [Text, Attribute](char* P) { return PutEscapedHtml(P, Text, Attribute); });
}

std::string EscapeRtf(std::string_view Text) {
    std::string out;
    AppendEscapedRtf(out, Text);
    return out;
}

std::string EscapeHtml(std::string_view Text) {
    std::string out;
    AppendEscapedHtml(out, Text, false);
    return out;
}

std::string EscapeHtmlAttribute(std::string_view Text) {
    std::string out;
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
    AppendWith(Out, MaxTokenSize(Text, Caption, Target),
               [&](char* P) { return WriteRtfToken(P, Text, Caption, Target, Style); });
}

void AppendHtmlToken(std::string& Out, std::string_view Text, std::string_view Caption,
                     std::string_view Target, TokenStyle Style) {
    AppendWith(Out, MaxTokenSize(Text, Caption, Target),
               [&](char* P) { return WriteHtmlToken(P, Text, Caption, Target, Style); });
}

}  // namespace corvanet
