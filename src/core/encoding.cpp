// Encodings of sources: detection, the charset names pages declare, and the
// RTF escapes of characters above 127. See encoding.h.
#include "encoding.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "compare.h"
#include "unaligned.h"

namespace corvanet {

namespace {

// The first byte above 127 from From on, or End: sources are mostly ASCII,
// so eight bytes are looked at at once.
const char* SkipAscii(const char* From, const char* End) noexcept {
    while (End - From >= 8 && (Load<std::uint64_t>(From) & 0x8080808080808080ull) == 0) From += 8;
    while (From < End && static_cast<unsigned char>(*From) < 0x80) ++From;
    return From;
}

// The length of the valid UTF-8 sequence at P (1 for ASCII), 0 when invalid.
std::size_t SequenceLength(const unsigned char* P, std::size_t Left, std::uint32_t& Code) {
    const unsigned char B = P[0];
    std::size_t N = 0;
    std::uint32_t Min = 0;
    if (B < 0x80) {
        Code = B;
        return 1;
    }
    if ((B & 0xE0) == 0xC0) { N = 2; Code = B & 0x1F; Min = 0x80; }
    else if ((B & 0xF0) == 0xE0) { N = 3; Code = B & 0x0F; Min = 0x800; }
    else if ((B & 0xF8) == 0xF0) { N = 4; Code = B & 0x07; Min = 0x10000; }
    else return 0;
    if (Left < N) return 0;
    for (std::size_t I = 1; I < N; ++I) {
        if ((P[I] & 0xC0) != 0x80) return 0;
        Code = (Code << 6) | (P[I] & 0x3F);
    }
    if (Code < Min || Code > 0x10FFFF || (Code >= 0xD800 && Code <= 0xDFFF)) return 0;
    return N;
}

// The length a UTF-8 sequence with lead byte B has: 1 for ASCII, 0 for a
// byte that starts none.
std::size_t LeadLength(unsigned char B) {
    if (B < 0x80) return 1;
    if ((B & 0xE0) == 0xC0) return 2;
    if ((B & 0xF0) == 0xE0) return 3;
    if ((B & 0xF8) == 0xF0) return 4;
    return 0;
}

// Past the ASCII bytes from P, eight at a time: most sources are all ASCII.
const unsigned char* SkipAscii(const unsigned char* P, const unsigned char* End) {
    for (std::uint64_t Word; End - P >= 8; P += 8) {
        std::memcpy(&Word, P, 8);
        if ((Word & 0x8080808080808080ULL) != 0) break;
    }
    while (P < End && *P < 0x80) ++P;
    return P;
}

// {$CODEPAGE UTF8} (or UTF-8), in any letter case.
bool NamesUtf8CodePage(std::string_view Bytes) {
    for (std::size_t At = Bytes.find("{$"); At != std::string_view::npos; At = Bytes.find("{$", At + 2)) {
        const std::string Head = LowerAscii(Bytes.substr(At, 20));
        if (Head.starts_with("{$codepage utf8") || Head.starts_with("{$codepage utf-8")) return true;
    }
    return false;
}

// Windows-1252's bytes 0x80-0x9F, as code points (0: unassigned).
constexpr std::uint16_t Cp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The byte of Code in the topic's code page, or -1 (only windows-1252 is known).
int CodePageByte(std::uint32_t Code, int CodePage) {
    if (CodePage != 1252) return -1;
    if (Code >= 0xA0 && Code <= 0xFF) return static_cast<int>(Code);
    for (int I = 0; I < 32; ++I)
        if (Cp1252High[I] == Code && Code != 0) return 0x80 + I;
    return -1;
}

char* PutHex(char* Out, unsigned char B) {
    constexpr char Hex[] = "0123456789abcdef";
    *Out++ = '\\';
    *Out++ = '\'';
    *Out++ = Hex[B >> 4];
    *Out++ = Hex[B & 15];
    return Out;
}

// \uN? with N the signed 16-bit value of the unit.
char* PutUnicodeUnit(char* Out, std::uint32_t Unit) {
    const int Signed = Unit >= 0x8000 ? static_cast<int>(Unit) - 0x10000 : static_cast<int>(Unit);
    const std::string Text = "\\u" + std::to_string(Signed) + "?";
    std::memcpy(Out, Text.data(), Text.size());
    return Out + Text.size();
}

char* PutCode(char* Out, std::uint32_t Code, int CodePage) {
    if (const int B = CodePageByte(Code, CodePage); B >= 0) return PutHex(Out, static_cast<unsigned char>(B));
    if (Code < 0x10000) return PutUnicodeUnit(Out, Code);
    Code -= 0x10000;
    Out = PutUnicodeUnit(Out, 0xD800 + (Code >> 10));
    return PutUnicodeUnit(Out, 0xDC00 + (Code & 0x3FF));
}

}  // namespace

TSourceEncoding DetectEncoding(std::string_view Bytes, int AnsiCodePage) {
    TEncodingSniffer Sniffer;
    Sniffer.Feed(Bytes);
    return Sniffer.Result(AnsiCodePage);
}

// The longest directive looked for is "{$codepage utf-8" (16 bytes): one cut
// at a piece's end starts within the last 15 bytes, and is complete once 15
// more have come.
constexpr std::size_t DirectiveTail = 15;

void TEncodingSniffer::Feed(std::string_view Bytes) {
    if (head_.size() < 3) head_.append(Bytes.substr(0, 3 - head_.size()));
    if (!names_) {
        // A directive that begins in the tail kept from the pieces before.
        const std::string Joined = tail_ + std::string(Bytes.substr(0, DirectiveTail + 1));
        names_ = NamesUtf8CodePage(Joined) || NamesUtf8CodePage(Bytes);
        tail_ = Joined.size() > DirectiveTail && Bytes.size() >= DirectiveTail
                    ? std::string(Bytes.substr(Bytes.size() - DirectiveTail))
                    : Joined.substr(Joined.size() > DirectiveTail ? Joined.size() - DirectiveTail : 0);
    }
    if (!valid_) return;
    const auto* P = reinterpret_cast<const unsigned char*>(Bytes.data());
    const auto* const End = P + Bytes.size();
    std::uint32_t Code = 0;
    if (!partial_.empty()) {
        // The rest of the sequence the last piece ended inside.
        const std::size_t Need = LeadLength(static_cast<unsigned char>(partial_[0]));
        while (partial_.size() < Need && P < End) partial_.push_back(static_cast<char>(*P++));
        if (partial_.size() < Need) return;
        valid_ = SequenceLength(reinterpret_cast<const unsigned char*>(partial_.data()), Need, Code) == Need;
        partial_.clear();
        if (!valid_) return;
    }
    for (P = SkipAscii(P, End); P < End; P = SkipAscii(P, End)) {
        high_ = true;
        const std::size_t Need = LeadLength(*P);
        if (Need == 0) {
            valid_ = false;
            return;
        }
        if (static_cast<std::size_t>(End - P) < Need) {
            partial_.assign(reinterpret_cast<const char*>(P), static_cast<std::size_t>(End - P));
            return;
        }
        if (SequenceLength(P, Need, Code) != Need) {
            valid_ = false;
            return;
        }
        P += Need;
    }
}

TSourceEncoding TEncodingSniffer::Result(int AnsiCodePage) const {
    TSourceEncoding Encoding;
    Encoding.CodePage = AnsiCodePage;
    // A sequence cut by the end of the file is no UTF-8.
    Encoding.Utf8 = head_ == "\xEF\xBB\xBF" || names_ || (valid_ && high_ && partial_.empty());
    return Encoding;
}

std::string HtmlCharset(const TSourceEncoding& Encoding) {
    if (Encoding.Utf8) return "utf-8";
    switch (Encoding.CodePage) {
        case 932: return "shift_jis";
        case 936: return "gbk";
        case 949: return "euc-kr";
        case 950: return "big5";
        default: return "windows-" + std::to_string(Encoding.CodePage);
    }
}

std::string HtmlCharsetMeta(const TSourceEncoding& Encoding) {
    return "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=" + HtmlCharset(Encoding) + "\">";
}

char* EscapeRtfHighBytes(char* From, char* End, const TSourceEncoding& Encoding) {
    char* First = From + (SkipAscii(From, End) - From);
    if (First == End) return End;
    // The rest moves to a copy, and its escapes are written over the original.
    thread_local std::vector<char> Copy;
    Copy.assign(First, End);
    const auto* P = reinterpret_cast<const unsigned char*>(Copy.data());
    const auto* const Stop = P + Copy.size();
    char* Out = First;
    while (P < Stop) {
        if (*P < 0x80) {
            *Out++ = static_cast<char>(*P++);
            continue;
        }
        std::uint32_t Code = 0;
        const std::size_t N = Encoding.Utf8 ? SequenceLength(P, static_cast<std::size_t>(Stop - P), Code) : 0;
        if (N > 1) {
            Out = PutCode(Out, Code, Encoding.CodePage);
            P += N;
        } else {
            Out = PutHex(Out, *P++);  // a byte of the code page (or a stray one)
        }
    }
    return Out;
}

std::string EscapeRtfHighBytes(std::string Text, const TSourceEncoding& Encoding) {
    const std::size_t Size = Text.size();
    Text.resize(Size * 5 + 16);
    char* const Start = Text.data();
    Text.resize(static_cast<std::size_t>(EscapeRtfHighBytes(Start, Start + Size, Encoding) - Start));
    return Text;
}

}  // namespace corvanet
