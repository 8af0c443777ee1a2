// The per-style formats of the two document kinds and their escaping. The
// Write forms are the hot path: they form a token straight in the documents'
// buffer, byte by byte, with no call per piece; the Append, Format and Escape
// forms are built on them, so each escaping rule exists exactly once.
#include "render.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "compare.h"
#include "unaligned.h"

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

// The opening and closing strings of the styles padded to one fixed size, so
// that each is copied as one fixed-size block: the padding lands in the room
// MaxTokenSize gives a token, where the text after it overwrites it or it stays
// beyond the token's end.
constexpr std::size_t FormatPad = 32;

struct TPadded {
    std::array<char, FormatPad> Bytes{};
    std::size_t Size = 0;
};

struct TPaddedFormat {
    TPadded Open, Close;
};

constexpr TPadded Padded(std::string_view S) {
    TPadded P;
    for (std::size_t i = 0; i < S.size(); ++i) P.Bytes[i] = S[i];
    P.Size = S.size();
    return P;
}

constexpr std::array<TPaddedFormat, 10> PaddedFormats(const std::array<TFormat, 10>& Formats) {
    std::array<TPaddedFormat, 10> P{};
    for (std::size_t i = 0; i < Formats.size(); ++i) P[i] = {Padded(Formats[i].Open), Padded(Formats[i].Close)};
    return P;
}

constexpr auto RtfPadded = PaddedFormats(RtfFormats);
constexpr auto HtmlPadded = PaddedFormats(HtmlFormats);

// The padded writes stay inside the room: an opening string and the padding
// of the closing one after it fit in TokenFixedRoom, beside the escaped text.
static_assert([] {
    for (const auto* Formats : {&RtfFormats, &HtmlFormats})
        for (const TFormat& F : *Formats)
            if (F.Open.size() > FormatPad || F.Close.size() > FormatPad || F.Open.size() + FormatPad > TokenFixedRoom)
                return false;
    return true;
}());

char* PutPadded(char* Out, const TPadded& S) noexcept {
    std::memcpy(Out, S.Bytes.data(), FormatPad);
    return Out + S.Size;
}

char* Put(char* Out, std::string_view S) noexcept {
    if (!S.empty()) std::memcpy(Out, S.data(), S.size());
    return Out + S.size();
}

// Eight bytes at a time: whether a word holds a byte that escaping changes.
// Each test is exact as a yes or no (the classic zero-byte test); a word that
// says yes goes byte by byte. TAB counts as a control byte here and is then
// left alone by the byte-by-byte step.
constexpr std::uint64_t Ones = 0x0101010101010101ull;
constexpr std::uint64_t Highs = 0x8080808080808080ull;

constexpr std::uint64_t HasByteBelow(std::uint64_t Word, unsigned char Limit) noexcept {  // Limit <= 128
    return (Word - Ones * Limit) & ~Word & Highs;
}
constexpr std::uint64_t HasByte(std::uint64_t Word, char Byte) noexcept {
    return HasByteBelow(Word ^ (Ones * static_cast<unsigned char>(Byte)), 1);
}
constexpr bool RtfChanges(std::uint64_t Word) noexcept {
    return (HasByteBelow(Word, 0x20) | HasByte(Word, '\\') | HasByte(Word, '{') | HasByte(Word, '}')) != 0;
}
constexpr bool HtmlChanges(std::uint64_t Word, bool Attribute) noexcept {
    return (HasByte(Word, '&') | HasByte(Word, '<') | HasByte(Word, '>') | (Attribute ? HasByte(Word, '"') : 0)) != 0;
}

// The RTF escape of the byte at P, one that changes; returns the byte after
// it (after the LF of a CR LF). Kept out of the loops, where it is rare.
const char* EscapeRtfSpecial(char*& Out, const char* p, const char* end) noexcept {
    const char c = *p++;
    if (c == '\r' || c == '\n') {
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
    return p;
}

// The one RTF escaping, into room enough for five per byte: words without a
// byte to change are copied whole, other bytes one by one.
char* PutEscapedRtf(char* Out, std::string_view Text) noexcept {
    const char* p = Text.data();
    const char* const end = p + Text.size();
    const char* stop = p;  // bytes before it go one by one
    while (p < end) {
        if (p >= stop) {
            if (end - p >= 8 && !RtfChanges(Load<std::uint64_t>(p))) {
                std::memcpy(Out, p, 8);
                Out += 8;
                p += 8;
                continue;
            }
            stop = end - p >= 8 ? p + 8 : end;
        }
        if ((SpecialBytes[static_cast<unsigned char>(*p)] & 1) == 0) *Out++ = *p++;
        else p = EscapeRtfSpecial(Out, p, end);
    }
    return Out;
}

// The HTML escape of a byte that changes.
char* EscapeHtmlSpecial(char* Out, char c) noexcept {
    switch (c) {
        case '&': return Put(Out, "&amp;");
        case '<': return Put(Out, "&lt;");
        case '>': return Put(Out, "&gt;");
        default: return Put(Out, "&quot;");
    }
}

// The one HTML escaping, of element text or (Attribute) of attribute values.
char* PutEscapedHtml(char* Out, std::string_view Text, bool Attribute) noexcept {
    const std::uint8_t Mask = Attribute ? 4 : 2;
    const char* p = Text.data();
    const char* const end = p + Text.size();
    for (; end - p >= 8; p += 8) {
        if (!HtmlChanges(Load<std::uint64_t>(p), Attribute)) {
            std::memcpy(Out, p, 8);
            Out += 8;
            continue;
        }
        for (int i = 0; i < 8; ++i) {
            if ((SpecialBytes[static_cast<unsigned char>(p[i])] & Mask) == 0) *Out++ = p[i];
            else Out = EscapeHtmlSpecial(Out, p[i]);
        }
    }
    for (; p < end; ++p) {
        if ((SpecialBytes[static_cast<unsigned char>(*p)] & Mask) == 0) *Out++ = *p;
        else Out = EscapeHtmlSpecial(Out, *p);
    }
    return Out;
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

// A token in one of the styles' own forms, padded strings around the escaped text.
char* PutStyled(char* Out, const TPaddedFormat& Format, std::string_view Text, bool Rtf) noexcept {
    Out = PutPadded(Out, Format.Open);
    Out = Rtf ? PutEscapedRtf(Out, Text) : PutEscapedHtml(Out, Text, false);
    return PutPadded(Out, Format.Close);
}

// The styles with an opening or closing string in either format.
constexpr std::array<bool, 10> ColouredStyles = [] {
    std::array<bool, 10> c{};
    for (std::size_t i = 0; i < c.size(); ++i)
        c[i] = !RtfFormats[i].Open.empty() || !RtfFormats[i].Close.empty() || !HtmlFormats[i].Open.empty() ||
               !HtmlFormats[i].Close.empty();
    return c;
}();

// The class (SpecialBytes) of the byte p[i], and those of p[i] .. p[i + 3]
// ORed together: whether one of them changes, without a loop.
[[gnu::always_inline]] inline std::uint8_t ClassOf(const char* p, std::size_t i) noexcept { return SpecialBytes[static_cast<unsigned char>(p[i])]; }
[[gnu::always_inline]] inline std::uint8_t ClassOf4(const char* p, std::size_t i) noexcept {
    return ClassOf(p, i) | ClassOf(p, i + 1) | ClassOf(p, i + 2) | ClassOf(p, i + 3);
}

// A text of fewer than eight bytes that neither format changes, copied to
// both outputs as it is; false, with nothing written that counts, when a byte
// would change. Most tokens are this short, too short for a word at a time:
// their bytes are classed and copied by a few fixed-size moves instead of a
// loop, reading only inside the text. Four to seven bytes go as two moves of
// four that overlap, two or three as a move of two and the last byte. Always
// inlined: a call would cost about as much as the copy.
[[gnu::always_inline]] inline bool PutShortUnchanged(char* Rtf, char* Html, const char* p, std::size_t n) noexcept {
    if (n >= 4) {
        const std::size_t t = n - 4;
        if (((ClassOf4(p, 0) | ClassOf4(p, t)) & 3) != 0) return false;
        const auto Head = Load<std::uint32_t>(p);
        const auto Tail = Load<std::uint32_t>(p + t);
        Store(Rtf, Head);
        Store(Rtf + t, Tail);
        Store(Html, Head);
        Store(Html + t, Tail);
    } else if (n >= 2) {
        if (((ClassOf(p, 0) | ClassOf(p, 1) | ClassOf(p, n - 1)) & 3) != 0) return false;
        const auto Head = Load<std::uint16_t>(p);
        const char Last = p[n - 1];
        Store(Rtf, Head);
        Rtf[n - 1] = Last;
        Store(Html, Head);
        Html[n - 1] = Last;
    } else if (n == 1) {
        if ((ClassOf(p, 0) & 3) != 0) return false;
        *Rtf = *Html = *p;
    }
    return true;
}

// The escapes in both forms of the byte at p, one that changes in at least one
// of them (a CR LF taken whole); returns the byte after it.
const char* PutChangedByte(char*& Rtf, char*& Html, const char* p, const char* end) noexcept {
    const char c = *p;
    const char* const from = p;
    if ((ClassOf(p, 0) & 1) != 0) {
        p = EscapeRtfSpecial(Rtf, p, end);
    } else {
        *Rtf++ = c;
        ++p;
    }
    for (const char* q = from; q < p; ++q) {
        if ((ClassOf(q, 0) & 2) == 0) *Html++ = *q;
        else Html = EscapeHtmlSpecial(Html, *q);
    }
    return p;
}

// Both escaped forms of any text, in one pass: a word that neither format
// changes goes whole to both outputs, a rest shorter than a word as
// PutShortUnchanged copies it; otherwise the bytes before the first that
// changes go one by one, then its escapes. Kept out of line: inlined, it
// would make every token pay for the registers it needs.
[[gnu::noinline]] TTokenEnds PutEscapedBoth(char* Rtf, char* Html, std::string_view Text) noexcept {
    const char* p = Text.data();
    const char* const end = p + Text.size();
    for (;;) {
        const auto Left = static_cast<std::size_t>(end - p);
        if (Left < 8) {
            if (PutShortUnchanged(Rtf, Html, p, Left)) return {Rtf + Left, Html + Left};
        } else if (((ClassOf4(p, 0) | ClassOf4(p, 4)) & 3) == 0) {
            const std::uint64_t Word = Load<std::uint64_t>(p);
            Store(Rtf, Word);
            Store(Html, Word);
            Rtf += 8;
            Html += 8;
            p += 8;
            continue;
        }
        // A byte among those just classed changes: the bytes before it go as
        // they are, then its escapes.
        for (; (ClassOf(p, 0) & 3) == 0; ++p) {
            *Rtf++ = *p;
            *Html++ = *p;
        }
        p = PutChangedByte(Rtf, Html, p, end);
    }
}

// Both escaped forms of Text: the short texts that neither format changes,
// most tokens, here; the others in PutEscapedBoth.
TTokenEnds PutBoth(char* Rtf, char* Html, std::string_view Text) noexcept {
    if (Text.size() < 8 && PutShortUnchanged(Rtf, Html, Text.data(), Text.size()))
        return {Rtf + Text.size(), Html + Text.size()};
    return PutEscapedBoth(Rtf, Html, Text);
}

// A token in a style with opening and closing strings, between them. Out of
// line for the same reason as PutEscapedBoth: it needs the style after the
// text, which the uncoloured tokens need not keep.
[[gnu::noinline]] TTokenEnds PutColoured(char* Rtf, char* Html, std::string_view Text, TokenStyle Style) noexcept {
    const TTokenEnds Ends =
        PutBoth(PutPadded(Rtf, RtfPadded[Style].Open), PutPadded(Html, HtmlPadded[Style].Open), Text);
    return {PutPadded(Ends.Rtf, RtfPadded[Style].Close), PutPadded(Ends.Html, HtmlPadded[Style].Close)};
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
    return PutStyled(Out, RtfPadded[Style], Style == tsAnchor ? Target : Text, true);
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
    return PutStyled(Out, HtmlPadded[Style], Text, false);
}

TTokenEnds WriteStyledToken(char* Rtf, char* Html, std::string_view Text, TokenStyle Style) noexcept {
    Style = Normalised(Style);
    // Most tokens (blanks, symbols, identifiers) have no opening and closing
    // strings in either format.
    TTokenEnds Ends = ColouredStyles[Style] ? PutColoured(Rtf, Html, Text, Style) : PutBoth(Rtf, Html, Text);
    std::memcpy(Ends.Rtf, "\r\n", 2);
    Ends.Rtf += 2;
    return Ends;
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

namespace {

// Text with each byte that Escaped picks written as Mark and its two hex digits.
template <typename TPick>
std::string HexEscaped(std::string_view Text, TPick Escaped, std::string_view Mark, std::string_view Hex) {
    std::string Out;
    Out.reserve(Text.size());
    for (const char C : Text) {
        const auto B = static_cast<unsigned char>(C);
        if (Escaped(B)) {
            Out += Mark;
            Out += Hex[B >> 4];
            Out += Hex[B & 15];
        } else {
            Out += C;
        }
    }
    return Out;
}

}  // namespace

std::string AsciiContext(std::string_view Name) {
    return HexEscaped(Name, [](unsigned char B) { return B > 127; }, ".0", "0123456789abcdef");
}

std::string PercentEncodePage(std::string_view Page) {
    return HexEscaped(
        Page, [](unsigned char B) { return B <= ' ' || B >= 0x7F || B == '#' || B == '%' || B == '?'; }, "%",
        "0123456789ABCDEF");
}

}  // namespace corvanet
