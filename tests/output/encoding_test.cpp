// How a source's encoding is told: a byte-order mark, {$CODEPAGE UTF8}, or
// valid UTF-8 with a byte above 127, else the ANSI code page. The answer must
// be the same whether the bytes come whole or in pieces cut anywhere (the
// scanner hands them over window by window): a sequence or a directive cut
// at a piece's end is the case that can go wrong.
#include <gtest/gtest.h>

#include <string>

#include "encoding.h"

namespace corvanet {
namespace {

TEST(Encoding, TheSameAnswerWholeAndInPiecesCutAnywhere) {
    const struct {
        const char* Why;
        std::string Bytes;
        bool Utf8;
    } Cases[] = {
        {"ASCII only", "unit A; { plain } begin end.", false},
        {"a two-byte letter", "{ Gr\xC3\xBC\xC3\x9F" "e } x", true},
        {"a three-byte symbol", "s := '\xE2\x82\xAC';", true},
        {"a four-byte emoji", "{ \xF0\x9F\x98\x80 }", true},
        {"windows-1252 letters", "{ Gr\xFC\xDF" "e }", false},
        {"a lead byte without its continuation", "{ \xC3( }", false},
        {"an overlong form", "{ \xC0\xAF }", false},
        {"a surrogate", "{ \xED\xA0\x80 }", false},
        {"a sequence cut by the end of the file", "{ ok } \xE2\x82", false},
        {"a byte-order mark, the rest windows-1252", "\xEF\xBB\xBFunit A; { \xFC }", true},
        {"the directive in ANSI text", "{ \xFC } {$CODEPAGE UTF8} x", true},
        {"the directive with a hyphen, in lower case", "\xFC{$codepage utf-8}", true},
        {"the directive at the very end", "\xFC {$CodePage Utf8", true},
        {"another code page named", "{$CODEPAGE 1252} \xFC", false},
        {"a directive cut short by the end", "\xFC {$CODEPAGE UT", false},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Why);
        const std::string& B = Case.Bytes;
        EXPECT_EQ(DetectEncoding(B, 1252).Utf8, Case.Utf8);
        EXPECT_EQ(DetectEncoding(B, 1251).CodePage, 1251);
        for (std::size_t I = 0; I <= B.size(); ++I) {
            for (std::size_t J = I; J <= B.size(); ++J) {
                TEncodingSniffer Sniffer;
                Sniffer.Feed(std::string_view(B).substr(0, I));
                Sniffer.Feed(std::string_view(B).substr(I, J - I));
                Sniffer.Feed(std::string_view(B).substr(J));
                ASSERT_EQ(Sniffer.Result(1252).Utf8, Case.Utf8) << "cut at " << I << " and " << J;
            }
        }
        // One byte at a time.
        TEncodingSniffer Bytewise;
        for (const char C : B) Bytewise.Feed(std::string_view(&C, 1));
        EXPECT_EQ(Bytewise.Result(1252).Utf8, Case.Utf8);
    }
}

}  // namespace
}  // namespace corvanet
