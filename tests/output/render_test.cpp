// Escaping and the per-style forms of both document kinds.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "render.h"

namespace corvanet {
namespace {

struct TEscapeRow {
    const char* Name;
    std::string Input;
    std::string Rtf;
    std::string Html;
    std::string HtmlAttribute;
};

TEST(Escape, EveryRuleOfBothFormats) {
    const TEscapeRow rows[] = {
        {"empty", "", "", "", ""},
        {"plain", "abc 123", "abc 123", "abc 123", "abc 123"},
        {"backslash", "a\\b", "a\\\\b", "a\\b", "a\\b"},
        {"braces", "{x}", "\\{x\\}", "{x}", "{x}"},
        {"backslash before brace", "\\{", "\\\\\\{", "\\{", "\\{"},
        {"crlf", "a\r\nb", "a\\par b", "a\r\nb", "a\r\nb"},
        {"lone lf", "a\nb", "a\\par b", "a\nb", "a\nb"},
        {"lone cr", "a\rb", "a\\par b", "a\rb", "a\rb"},
        {"cr cr lf", "\r\r\n", "\\par \\par ", "\r\r\n", "\r\r\n"},
        {"lf cr", "\n\r", "\\par \\par ", "\n\r", "\n\r"},
        {"two crlf", "\r\n\r\n", "\\par \\par ", "\r\n\r\n", "\r\n\r\n"},
        {"comparison", "a<b>c", "a<b>c", "a&lt;b&gt;c", "a&lt;b&gt;c"},
        {"ampersand", "a&b", "a&b", "a&amp;b", "a&amp;b"},
        {"entity-like text", "&lt;", "&lt;", "&amp;lt;", "&amp;lt;"},
        {"double quote", "\"q\"", "\"q\"", "\"q\"", "&quot;q&quot;"},
        {"high bytes and tab", "\xE9\t\xFF", "\xE9\t\xFF", "\xE9\t\xFF", "\xE9\t\xFF"},
        // RTF readers drop raw control bytes (and the word after a NUL), so
        // they go as \'hh; HTML keeps them.
        {"control bytes", std::string("a\0b\x1A\x1f", 5), "a\\'00b\\'1a\\'1f", std::string("a\0b\x1A\x1f", 5),
         std::string("a\0b\x1A\x1f", 5)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.Name);
        EXPECT_EQ(EscapeRtf(r.Input), r.Rtf);
        EXPECT_EQ(EscapeHtml(r.Input), r.Html);
        EXPECT_EQ(EscapeHtmlAttribute(r.Input), r.HtmlAttribute);
    }
}

// The escaping takes eight bytes at a time where none needs escaping; it must
// agree with the rules applied byte by byte for every position of every
// special byte: before, inside and across word boundaries, at the ends, with a
// CR LF split between two words.
std::string RtfByByte(const std::string& In) {
    std::string Out;
    for (std::size_t i = 0; i < In.size(); ++i) {
        const auto c = static_cast<unsigned char>(In[i]);
        if (c == '\r' || c == '\n') {
            Out += "\\par ";
            if (c == '\r' && i + 1 < In.size() && In[i + 1] == '\n') ++i;
        } else if (c == '\\' || c == '{' || c == '}') {
            Out += '\\';
            Out += static_cast<char>(c);
        } else if (c < 0x20 && c != '\t') {
            const char* Hex = "0123456789abcdef";
            Out += "\\'";
            Out += Hex[c >> 4];
            Out += Hex[c & 15];
        } else {
            Out += static_cast<char>(c);
        }
    }
    return Out;
}

std::string HtmlByByte(const std::string& In, bool Attribute) {
    std::string Out;
    for (const char c : In) {
        if (c == '&') Out += "&amp;";
        else if (c == '<') Out += "&lt;";
        else if (c == '>') Out += "&gt;";
        else if (c == '"' && Attribute) Out += "&quot;";
        else Out += c;
    }
    return Out;
}

TEST(Escape, WordAtATimeAgreesWithByteByByte) {
    const std::string Alphabet = std::string("ab Z_9\r\n\t\\{}&<>\"\x01\x1f\x7f\x80\xff", 22) + '\0';
    std::mt19937 Random(4242);
    for (int Round = 0; Round < 20000; ++Round) {
        std::string In(Random() % 40, 'x');
        // Mostly plain text with a few special bytes, so that clean words occur.
        for (char& c : In)
            if (Random() % 4 == 0) c = Alphabet[Random() % Alphabet.size()];
        SCOPED_TRACE(testing::PrintToString(In));
        ASSERT_EQ(EscapeRtf(In), RtfByByte(In));
        ASSERT_EQ(EscapeHtml(In), HtmlByByte(In, false));
        ASSERT_EQ(EscapeHtmlAttribute(In), HtmlByByte(In, true));
        // Both forms at once, as the documents write a token in its own style.
        const auto Style = static_cast<TokenStyle>(Random() % (tsPlain + 2));
        if (Style == tsAnchor || Style == tsLink) continue;
        std::string Rtf(MaxTokenSize(In, {}, {}) + 2, '?'), Html(MaxTokenSize(In, {}, {}), '?');
        const TTokenEnds Ends = WriteStyledToken(Rtf.data(), Html.data(), In, Style);
        Rtf.resize(static_cast<std::size_t>(Ends.Rtf - Rtf.data()));
        Html.resize(static_cast<std::size_t>(Ends.Html - Html.data()));
        std::string RtfAlone, HtmlAlone;
        AppendRtfToken(RtfAlone, In, {}, {}, Style);
        AppendHtmlToken(HtmlAlone, In, {}, {}, Style);
        ASSERT_EQ(Rtf, RtfAlone + "\r\n") << Style;
        ASSERT_EQ(Html, HtmlAlone) << Style;
    }
}

// The byte-by-byte rules in a style's own form: the escaped text between the
// style's opening and closing strings, which are split off the form of a
// marker byte that no form contains.
std::string StyledByByte(const std::string& In, TokenStyle Style, bool Rtf) {
    const std::string Form = Rtf ? FormatRtfToken(Style, "@") : FormatHtmlToken(Style, "@");
    const std::size_t At = Form.find('@');
    return Form.substr(0, At) + (Rtf ? RtfByByte(In) : HtmlByByte(In, false)) + Form.substr(At + 1);
}

struct TStyledForms {
    std::string Rtf, Html;
};

// Both forms as WriteStyledToken writes them, with the text in a block of
// exactly its size and each output in a block of exactly the room it is
// promised, filled with Junk first: under the address sanitizer a read past
// the text or a write past the room fails, and what is written must not
// depend on what the room held.
TStyledForms WriteStyledInExactRoom(const std::string& In, TokenStyle Style, char Junk) {
    const auto Text = std::make_unique<char[]>(In.size());
    std::copy(In.begin(), In.end(), Text.get());
    const std::size_t Room = MaxTokenSize(In, {}, {});
    const auto Rtf = std::make_unique<char[]>(Room + 2);
    const auto Html = std::make_unique<char[]>(Room);
    std::fill_n(Rtf.get(), Room + 2, Junk);
    std::fill_n(Html.get(), Room, Junk);
    const TTokenEnds Ends = WriteStyledToken(Rtf.get(), Html.get(), std::string_view(Text.get(), In.size()), Style);
    return {std::string(Rtf.get(), Ends.Rtf), std::string(Html.get(), Ends.Html)};
}

// The styles WriteStyledToken takes: all but tsAnchor and tsLink, and values
// above tsPlain, which are written as tsPlain.
std::vector<TokenStyle> StylesOfTheirOwn() {
    std::vector<TokenStyle> Styles;
    for (int s = 0; s <= tsPlain + 2; ++s)
        if (s != tsAnchor && s != tsLink) Styles.push_back(static_cast<TokenStyle>(s));
    return Styles;
}

void ExpectStyledByByte(const std::string& In, TokenStyle Style, char Junk) {
    const TStyledForms Forms = WriteStyledInExactRoom(In, Style, Junk);
    EXPECT_EQ(Forms.Rtf, StyledByByte(In, Style, true) + "\r\n") << Style << " " << testing::PrintToString(In);
    EXPECT_EQ(Forms.Html, StyledByByte(In, Style, false)) << Style << " " << testing::PrintToString(In);
}

// Short texts go by fixed-size moves that overlap, rests of longer ones too:
// every length up to past two words, plain and with each byte that may change
// (and some that may not) in every place, a CR LF in every place, in every
// style.
TEST(StyledToken, ShortTextsAgreeWithByteByByteInEveryPlaceAndStyle) {
    const std::string Specials = std::string("\\{}\r\n&<>\"\t\x01\x1f\x7f\x80\xff", 15) + '\0';
    const std::string Letters = "abcdefghijklmnopqrstu";
    char Junk = 0;
    for (const TokenStyle Style : StylesOfTheirOwn()) {
        for (std::size_t n = 0; n <= 20; ++n) {
            const std::string Plain = Letters.substr(0, n);
            ExpectStyledByByte(Plain, Style, Junk++);
            for (std::size_t i = 0; i < n; ++i) {
                for (const char c : Specials) {
                    std::string In = Plain;
                    In[i] = c;
                    ExpectStyledByByte(In, Style, Junk++);
                }
                if (i + 1 < n) {
                    std::string In = Plain;
                    In.replace(i, 2, "\r\n");
                    ExpectStyledByByte(In, Style, Junk++);
                }
            }
        }
    }
}

// Every byte value, alone and beside others, in texts short enough for the
// moves that overlap and one just long enough for a word.
TEST(StyledToken, EveryByteValueAgreesWithByteByByte) {
    for (const TokenStyle Style : {tsText, tsKeyword}) {
        for (int b = 0; b < 256; ++b) {
            for (std::size_t n = 1; n <= 9; ++n) {
                for (std::size_t i = 0; i < n; ++i) {
                    std::string In(n, 'x');
                    In[i] = static_cast<char>(b);
                    ExpectStyledByByte(In, Style, static_cast<char>(b ^ 0x5a));
                }
            }
        }
    }
}

TEST(StyledToken, RandomTextsAgreeWithByteByByte) {
    const std::string Alphabet = std::string("ab Z_9\r\n\t\\{}&<>\"\x01\x1f\x7f\x80\xff", 21) + '\0';
    const std::vector<TokenStyle> Styles = StylesOfTheirOwn();
    std::mt19937 Random(9731);
    for (int Round = 0; Round < 30000; ++Round) {
        std::string In(Random() % 70, 'q');
        // From no special bytes to nearly all, so that clean words, short
        // clean rests and runs of escapes all occur.
        const unsigned Density = Random() % 9;
        for (char& c : In)
            if (Random() % 8 < Density) c = Alphabet[Random() % Alphabet.size()];
        const TokenStyle Style = Styles[Random() % Styles.size()];
        ExpectStyledByByte(In, Style, static_cast<char>(Random()));
        if (::testing::Test::HasFailure()) return;
    }
}

struct TFormatRow {
    TokenStyle Style;
    std::string Text;
    std::string Rtf;
    std::string Html;
};

TEST(Format, EveryStyleInBothFormats) {
    const TFormatRow rows[] = {
        {tsKeyword, "Begin", "\\b\\cf16 Begin\\b0\\cf12", "<B><FONT COLOR=\"#FFFFFF\">Begin</FONT></B>"},
        // A brace comment holding a backslash between two letters.
        {tsComment, "{a\\b}", "\\i\\cf8 \\{a\\\\b\\}\\i0\\cf12", "<I><FONT COLOR=\"#7F7F7F\">{a\\b}</FONT></I>"},
        {tsComment, "// x<y\r\n", "\\i\\cf8 // x<y\\par \\i0\\cf12",
         "<I><FONT COLOR=\"#7F7F7F\">// x&lt;y\r\n</FONT></I>"},
        {tsText, "\r\n  ", "\\par   ", "\r\n  "},
        {tsString, "'<'", "\\cf9 '<'\\cf12", "<FONT COLOR=\"#C0C0C0\">'&lt;'</FONT>"},
        {tsString, "'{&}'", "\\cf9 '\\{&\\}'\\cf12", "<FONT COLOR=\"#C0C0C0\">'{&amp;}'</FONT>"},
        {tsSymbol, "<", "<", "&lt;"},
        {tsSymbol, "<=", "<=", "&lt;="},
        {tsSymbol, "<>", "<>", "&lt;&gt;"},
        {tsSymbol, ">", ">", "&gt;"},
        {tsSymbol, ">=", ">=", "&gt;="},
        {tsIdentifier, "TFoo", "TFoo", "TFoo"},
        {tsNumber, "1.5e+3", "\\cf11 1.5e+3\\cf12", "<FONT COLOR=\"#00FF00\">1.5e+3</FONT>"},
        // A malformed number: the exponent rule takes any one character.
        {tsNumber, "1e}", "\\cf11 1e\\}\\cf12", "<FONT COLOR=\"#00FF00\">1e}</FONT>"},
        {tsAnchor, "Unit2_TFoo", "#{\\*\\footnote Unit2_TFoo}", "<A NAME = \"unit2_tfoo\"></A>"},
        {tsAnchor, "A\"<&", "#{\\*\\footnote A\"<&}", "<A NAME = \"a&quot;&lt;&amp;\"></A>"},
        {tsPlain, "private", "private", "private"},
        {tsPlain, "}<", "\\}<", "}&lt;"},
        {tsLink, "x{<", "x\\{<", "x{&lt;"},  // a link needs three strings: plain here
        {static_cast<TokenStyle>(12), "a<{", "a<\\{", "a&lt;{"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.Style) + " " + r.Text);
        EXPECT_EQ(FormatRtfToken(r.Style, r.Text), r.Rtf);
        EXPECT_EQ(FormatHtmlToken(r.Style, r.Text), r.Html);
    }
}

TEST(AppendToken, LinksAndAnchorsUseTheirOwnFields) {
    struct TRow {
        const char* Name;
        std::string Text, Caption, Target;
        TokenStyle Style;
        std::string Rtf, Html;
    };
    const TRow rows[] = {
        {"link to another unit", "Unit2.html#Unit2_TFoo", "TFoo", "Unit2_TFoo", tsLink,
         "{\\uldb TFoo}{\\v*Unit2_TFoo}", "<A HREF = \"Unit2.html#unit2_tfoo\">TFoo</A>"},
        {"link on the same page", "#shapes_TCircle_Draw", "Draw", "shapes_TCircle_Draw", tsLink,
         "{\\uldb Draw}{\\v*shapes_TCircle_Draw}", "<A HREF = \"#shapes_tcircle_draw\">Draw</A>"},
        {"unit link keeps the page name", "Shapes.html", "Shapes", "unit_Shapes", tsLink,
         "{\\uldb Shapes}{\\v*unit_Shapes}", "<A HREF = \"Shapes.html\">Shapes</A>"},
        {"link text needing escapes", "A&B.html#X\"<", "a<b", "T{}\\", tsLink,
         "{\\uldb a<b}{\\v*T\\{\\}\\\\}", "<A HREF = \"A&amp;B.html#x&quot;&lt;\">a&lt;b</A>"},
        {"anchor ignores its text", "TFoo", "", "Unit2_TFoo", tsAnchor, "#{\\*\\footnote Unit2_TFoo}",
         "<A NAME = \"unit2_tfoo\"></A>"},
        {"plain token ignores caption and target", "x", "cap", "tgt", tsIdentifier, "x", "x"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.Name);
        std::string rtf = "prefix|";
        std::string html = "prefix|";
        AppendRtfToken(rtf, r.Text, r.Caption, r.Target, r.Style);
        AppendHtmlToken(html, r.Text, r.Caption, r.Target, r.Style);
        EXPECT_EQ(rtf, "prefix|" + r.Rtf);
        EXPECT_EQ(html, "prefix|" + r.Html);
    }
}

}  // namespace
}  // namespace corvanet
