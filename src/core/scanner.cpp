// Bytes -> tokens through a 64 KiB window: a token's text is cut out of the
// window in one piece (pieces that straddle a refill are carried over). Every
// byte, bar a leading byte-order mark and the second dot of "1..", lands in
// exactly one token, and a lexical error stops the scan for good at the failed
// token, so the rest of the file can still be copied out whole.
#include "scanner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <functional>
#include <vector>

#include "error.h"

namespace corvanet {
namespace {

constexpr std::size_t BufferSize = 64 * 1024;

enum : std::uint8_t { ccBlank = 1, ccWordStart = 2, ccDigit = 4, ccHex = 8, ccHigh = 16, ccUnderscore = 32 };

constexpr std::array<std::uint8_t, 256> BuildCharClasses() {
    std::array<std::uint8_t, 256> cls{};
    for (int c : {9, 10, 13, 32}) cls[c] = ccBlank;
    for (int c = 'A'; c <= 'Z'; ++c) cls[c] = ccWordStart;
    for (int c = 'a'; c <= 'z'; ++c) cls[c] = ccWordStart;
    cls['_'] = ccWordStart | ccUnderscore;
    for (int c = 128; c < 256; ++c) cls[c] = ccHigh;
    for (int c = '0'; c <= '9'; ++c) cls[c] = ccDigit | ccHex;
    for (int c = 'A'; c <= 'F'; ++c) cls[c] |= ccHex;
    for (int c = 'a'; c <= 'f'; ++c) cls[c] |= ccHex;
    return cls;
}
constexpr std::array<std::uint8_t, 256> CharClasses = BuildCharClasses();

// Characters that are a token on their own; tkEndOfInput for the others.
constexpr std::array<TTokenKind, 256> BuildSingleKinds() {
    std::array<TTokenKind, 256> kinds{};
    kinds.fill(tkEndOfInput);
    const std::pair<char, TTokenKind> singles[] = {
        {'+', tkPlus},  {'-', tkMinus}, {'*', tkStar},     {')', tkRParen},   {',', tkComma},  {';', tkSemicolon},
        {'=', tkEqual}, {'@', tkAt},    {'[', tkLBracket}, {']', tkRBracket}, {'^', tkCaret},
    };
    for (const auto& [c, k] : singles) kinds[static_cast<unsigned char>(c)] = k;
    return kinds;
}
constexpr std::array<TTokenKind, 256> SingleKinds = BuildSingleKinds();

inline bool HasClass(unsigned char c, std::uint8_t classes) { return (CharClasses[c] & classes) != 0; }

}  // namespace

std::string_view ScanResultText(std::uint8_t reason) noexcept {
    switch (reason) {
    case srBadChar: return "unexpected character";
    case srOpenString: return "unclosed string";
    case srOpenComment: return "unclosed comment";
    default: return "";
    }
}

struct TScanner::Impl {
    std::FILE* File = nullptr;
    const std::function<void(std::string_view)>* BytesRead = nullptr;  // the scanner's, when set
    std::string FileName;
    std::string Text;  // OpenText's copy; the window is the whole of it
    bool Modern = false;
    // The classes a name is made of, and the digit runs of numbers: modern
    // adds bytes 128-255 to names and "_" separators to numbers.
    std::uint8_t WordClasses = ccWordStart;
    std::uint8_t DigitClasses = ccDigit;
    std::uint8_t HexClasses = ccHex;
    std::vector<char> Buffer;
    bool Opened = false;

    const char* Base = nullptr;       // start of the window
    const char* Pos = nullptr;        // the look-ahead character
    const char* End = nullptr;        // end of the window
    std::uint64_t WindowOffset = 0;   // file offset of Base
    bool Exhausted = false;           // nothing left beyond End
    const char* TakeStart = nullptr;  // first byte of the token being built
    std::string Carry;                // its bytes from earlier windows
    std::string Straddled;            // the text of the last token that straddled a refill
    // The text last handed on, which a token record still views: after the
    // end of the file or an error the record keeps it, so a refill that would
    // overwrite it in the window first copies it to GivenHeld.
    std::string_view Given;
    std::string GivenHeld;

    bool PendingRange = false;
    bool RangeFollows = false;  // the number rule met "1..": the int ends before the dots
    std::uint64_t RangeOffset = 0;

    // Lines are counted only when a token's line is asked for (a run asks at
    // a lexical stop only), from where the last count ended: Line is the
    // line at file offset CountedTo. Bytes that have left the window are
    // read again from the file for it.
    int Line = 1;
    bool PrevCR = false;  // the byte before CountedTo is a CR (CR LF is one line end)
    std::uint64_t CountedTo = 0;
    bool LinePending = false;  // the line of the last token is not known yet
    int TokenLine = 1;
    std::uint8_t Stopped = srToken;  // the error code once a lexical error stopped the scan

    ~Impl() { CloseFile(); }
    void CloseFile() {
        if (File) std::fclose(File);
        File = nullptr;
    }

    std::uint64_t Offset() const { return WindowOffset + static_cast<std::uint64_t>(Pos - Base); }

    std::size_t ReadFile(char* into, std::size_t n) {
        const std::size_t got = std::fread(into, 1, n, File);
        if (got < n && std::ferror(File))
            throw CorvanetError("Cannot read file " + FileName + ": " + SystemReason(errno));
        return got;
    }

    // The next window's bytes into Buffer, a NUL after them: the byte after
    // the window is always a NUL (OpenText's string has one too), which no
    // class of bytes holds, so the loops of TakeClass need no bound check.
    std::size_t ReadWindow() {
        const std::size_t got = ReadFile(Buffer.data(), BufferSize);
        Buffer[got] = '\0';
        if (BytesRead != nullptr && got != 0) (*BytesRead)(std::string_view(Buffer.data(), got));
        return got;
    }

    // Moves the window on; the taken part of the current window goes to Carry.
    bool Refill() {
        if (Exhausted) return false;
        if (std::less_equal<const char*>()(Base, Given.data()) && std::less<const char*>()(Given.data(), End)) {
            GivenHeld.assign(Given);
            Given = GivenHeld;
        }
        Carry.append(TakeStart, static_cast<std::size_t>(Pos - TakeStart));
        WindowOffset += static_cast<std::uint64_t>(End - Base);
        const std::size_t got = ReadWindow();
        Base = Pos = TakeStart = Buffer.data();
        End = Base + got;
        Exhausted = got == 0;
        return got != 0;
    }

    // The look-ahead byte, or -1 at the end of the file: the end is no
    // character of the file and is never taken into a token.
    int Peek() {
        if (Pos < End || Refill()) return static_cast<unsigned char>(*Pos);
        return -1;
    }
    void Take() { ++Pos; }  // only after Peek() gave a byte

    template <class Pred>
    void TakeWhile(Pred pred) {
        for (;;) {
            const char* p = Pos;
            while (p < End && pred(static_cast<unsigned char>(*p))) ++p;
            Pos = p;
            if (p < End || !Refill()) return;
        }
    }

    // TakeWhile for bytes of the given classes: it stops at the NUL after the
    // window, and only there does the window move on.
    [[gnu::always_inline]] void TakeClass(std::uint8_t classes) {
        for (;;) {
            const char* p = Pos;
            while (HasClass(static_cast<unsigned char>(*p), classes)) ++p;
            Pos = p;
            if (p < End || !Refill()) return;
        }
    }

    // Takes bytes up to (not including) the next `stop`; false at the end of the file.
    bool TakeUntil(char stop) {
        for (;;) {
            const void* hit = std::memchr(Pos, stop, static_cast<std::size_t>(End - Pos));
            if (hit) {
                Pos = static_cast<const char*>(hit);
                return true;
            }
            Pos = End;
            if (!Refill()) return false;
        }
    }

    // The token's text: in the window, or, for a token that straddled a
    // refill, in Straddled, which keeps it until the next such token.
    std::string_view FinishToken() {
        const auto n = static_cast<std::size_t>(Pos - TakeStart);
        if (Carry.empty()) return {TakeStart, n};
        Carry.append(TakeStart, n);
        Straddled.swap(Carry);
        Carry.clear();
        return Straddled;
    }

    // CR LF, a lone LF and a lone CR each end one line.
    void CountLines(const char* from, const char* to) {
        int ends = 0;
        bool cr = PrevCR;
        for (const char* p = from; p < to; ++p) {
            const char c = *p;
            ends += (c == '\r') | ((c == '\n') & !cr);
            cr = c == '\r';
        }
        Line += ends;
        PrevCR = cr;
    }

    // The line at Offset, which is at most the end of the window and not
    // before where the last count ended.
    int LineAt(std::uint64_t Offset) {
        std::vector<char> chunk;
        while (CountedTo < std::min(Offset, WindowOffset)) {  // bytes the window has left behind
            chunk.resize(BufferSize);
            const std::size_t want = std::min<std::uint64_t>(chunk.size(), std::min(Offset, WindowOffset) - CountedTo);
            const ssize_t got = pread(fileno(File), chunk.data(), want, static_cast<off_t>(CountedTo));
            if (got <= 0)  // a file cut short since the window passed gives no error number
                throw CorvanetError("Cannot read file " + FileName + ": " + SystemReason(got < 0 ? errno : EIO));
            CountLines(chunk.data(), chunk.data() + got);
            CountedTo += static_cast<std::uint64_t>(got);
        }
        if (CountedTo < Offset) {
            CountLines(Base + (CountedTo - WindowOffset), Base + (Offset - WindowOffset));
            CountedTo = Offset;
        }
        return Line;
    }

    void StartWindow(const char* data, std::size_t size) {
        Base = Pos = TakeStart = data;
        End = data + size;
        static constexpr char Bom[] = {'\xEF', '\xBB', '\xBF'};
        if (size >= 3 && std::memcmp(data, Bom, 3) == 0) Pos += 3;
    }

    // The end of the file or an error: the record keeps the text last handed
    // on, in storage of its own, since the window goes with the file.
    void EndToken(TToken& token) {
        token.Kind = tkEndOfInput;
        if (Given.data() != nullptr) token.Text = Given;
        token.Keep();
    }

    std::uint8_t ScanToken(int c, TTokenKind& kind);
    std::uint8_t ScanNumber(TTokenKind& kind);
    void TakeExponent();
    std::uint8_t ScanString(int c);
    std::uint8_t ScanModernString(int c);
    void TakeMultiLineRest(std::size_t Run);
    std::uint8_t ScanModernOnly(int c, TTokenKind& kind);
    void SetDialect(TDialect Dialect) {
        Modern = Dialect == TDialect::Modern;
        WordClasses = Modern ? ccWordStart | ccHigh : ccWordStart;
        DigitClasses = Modern ? ccDigit | ccUnderscore : ccDigit;
        HexClasses = Modern ? ccHex | ccUnderscore : ccHex;
    }
    std::uint8_t ScanBrace(TTokenKind& kind);
    std::uint8_t ScanParen(TTokenKind& kind);
    void ScanSlash(TTokenKind& kind);
    void ScanPair(int c, TTokenKind& kind);
    void SplitRange(std::string_view& text);
};

std::uint8_t TScanner::Impl::ScanNumber(TTokenKind& kind) {
    TakeClass(DigitClasses);
    int c = Peek();
    if (c == '.') {
        Take();
        if (Peek() == '.') {
            RangeFollows = true;
            kind = tkIntNumber;
            return srToken;
        }
        TakeClass(DigitClasses);
        c = Peek();
        if (c == 'E' || c == 'e') TakeExponent();
        kind = tkRealNumber;
    } else if (c == 'E' || c == 'e') {
        TakeExponent();
        kind = tkRealNumber;
    } else {
        kind = tkIntNumber;
    }
    return srToken;
}

// "E", an optional sign, one character whatever it is, then digits.
void TScanner::Impl::TakeExponent() {
    Take();
    int c = Peek();
    if (c == '+' || c == '-') {
        Take();
        c = Peek();
    }
    if (c >= 0) Take();
    TakeClass(ccDigit);
}

// Quoted parts and "#" character-code parts chain into one token.
std::uint8_t TScanner::Impl::ScanString(int c) {
    for (;;) {
        if (c == '#') {
            Take();
            TakeWhile([](unsigned char ch) { return HasClass(ch, ccDigit) || ch == '#'; });
            c = Peek();
            if (c != '\'') return srToken;
            continue;
        }
        Take();  // the opening quote
        for (;;) {
            TakeWhile([](unsigned char ch) { return ch != '\'' && ch != '\r' && ch != '\n'; });
            c = Peek();
            if (c != '\'') return srOpenString;  // a line end or the end of the file
            Take();
            if (Peek() != '\'') break;
            Take();  // the second quote of a doubled pair
        }
        c = Peek();
        if (c != '#') return srToken;
    }
}

std::uint8_t TScanner::Impl::ScanBrace(TTokenKind& kind) {
    Take();
    kind = Peek() == '$' ? tkDirective : tkComment;
    if (!TakeUntil('}')) return Modern ? srToken : srOpenComment;
    Take();
    return srToken;
}

// "(" or a "(* ... *)" comment; comments do not nest and "(*)" does not close.
std::uint8_t TScanner::Impl::ScanParen(TTokenKind& kind) {
    Take();
    if (Peek() != '*') {
        kind = tkLParen;
        return srToken;
    }
    Take();
    kind = Modern && Peek() == '$' ? tkDirective : tkComment;
    for (;;) {
        if (!TakeUntil('*')) return Modern ? srToken : srOpenComment;
        TakeWhile([](unsigned char ch) { return ch == '*'; });
        if (Peek() == ')') {
            Take();
            return srToken;
        }
    }
}

// "/" or a "//" comment, whose text includes its line end (CR LF, LF or CR).
// A comment that runs to the end of the file is complete without one.
void TScanner::Impl::ScanSlash(TTokenKind& kind) {
    Take();
    if (Peek() != '/') {
        kind = tkSlash;
        return;
    }
    kind = tkComment;
    TakeWhile([](unsigned char ch) { return ch != '\r' && ch != '\n'; });
    const int c = Peek();
    if (c == '\r') {
        Take();
        if (Peek() == '\n') Take();
    } else if (c == '\n') {
        Take();
    }
}

// The symbols that may take a second character: "..", ":=", "<=", "<>", ">=".
void TScanner::Impl::ScanPair(int c, TTokenKind& kind) {
    Take();
    const int next = Peek();
    TTokenKind two = tkEndOfInput;  // the kind when the second character belongs to the token
    switch (c) {
    case '.': kind = tkPeriod; if (next == '.') two = tkRange; break;
    case ':': kind = tkColon; if (next == '=') two = tkAssign; break;
    case '>': kind = tkGreater; if (next == '=') two = tkGreaterEqual; break;
    default:
        kind = tkLess;
        if (next == '=') two = tkLessEqual;
        if (next == '>') two = tkNotEqual;
        break;
    }
    if (two != tkEndOfInput) {
        Take();
        kind = two;
    }
}

// Every token but blanks and words, which GetToken takes itself.
std::uint8_t TScanner::Impl::ScanToken(int c, TTokenKind& kind) {
    const auto uc = static_cast<unsigned char>(c);
    if (HasClass(uc, ccDigit)) return ScanNumber(kind);
    switch (c) {
    case '$':
        Take();
        TakeClass(HexClasses);
        kind = tkIntNumber;
        return srToken;
    case '\'':
    case '#': kind = tkQuotedString; return Modern ? ScanModernString(c) : ScanString(c);
    case '{': return ScanBrace(kind);
    case '(': return ScanParen(kind);
    case '/': ScanSlash(kind); return srToken;
    case '.': case ':': case '<': case '>': ScanPair(c, kind); return srToken;
    default: break;
    }
    if (const TTokenKind k = SingleKinds[uc]; k != tkEndOfInput) {
        Take();
        kind = k;
        return srToken;
    }
    if (Modern) return ScanModernOnly(c, kind);
    return srBadChar;  // the character stays the look-ahead
}

// "&name" (never a keyword; "&&op_Equality" names "&op_Equality"), "&17"
// (octal), "%0101" (binary); any other byte that starts no token is a token
// of its own.
std::uint8_t TScanner::Impl::ScanModernOnly(int c, TTokenKind& kind) {
    Take();
    int next = Peek();
    if (c == '&' && next == '&') {
        TakeWhile([](unsigned char ch) { return ch == '&'; });
        next = Peek();
        if (next < 0 || !HasClass(static_cast<unsigned char>(next), WordClasses)) {
            kind = tkUnknown;
            return srToken;
        }
    }
    if (c == '&' && next >= 0 && HasClass(static_cast<unsigned char>(next), WordClasses)) {
        TakeClass(WordClasses | ccDigit);
        kind = tkIdentifier;
    } else if (c == '&' && next >= '0' && next <= '7') {
        TakeWhile([](unsigned char ch) { return (ch >= '0' && ch <= '7') || ch == '_'; });
        kind = tkIntNumber;
    } else if (c == '%' && (next == '0' || next == '1')) {
        TakeWhile([](unsigned char ch) { return ch == '0' || ch == '1' || ch == '_'; });
        kind = tkIntNumber;
    } else {
        kind = tkUnknown;
    }
    return srToken;
}

// Quoted parts, "#13" and "#$0A" parts chain into one token. A quoted part
// that meets its line end ends there; an odd run of three or more quotes
// that ends its line opens a multi-line string.
std::uint8_t TScanner::Impl::ScanModernString(int c) {
    for (;;) {
        if (c == '#') {
            Take();
            if (Peek() == '$') {
                Take();
                TakeClass(ccHex);
            } else {
                TakeClass(ccDigit);
            }
        } else {
            // A run of quotes: the opening one and doubled pairs, so an odd
            // run leaves the string open and an even one closes it.
            std::size_t run = 0;
            while (Peek() == '\'') {
                Take();
                ++run;
            }
            if (run % 2 == 1) {
                const int next = Peek();
                if (run >= 3 && (next == '\r' || next == '\n')) {
                    TakeMultiLineRest(run);
                    return srToken;
                }
                for (;;) {
                    TakeWhile([](unsigned char ch) { return ch != '\'' && ch != '\r' && ch != '\n'; });
                    if (Peek() != '\'') return srToken;  // a line end or the end of the file: the string ends
                    Take();
                    if (Peek() != '\'') break;
                    Take();  // the second quote of a doubled pair
                }
            }
        }
        c = Peek();
        if (c != '#' && c != '\'') return srToken;
    }
}

// After the opening run of Run quotes at a line end: the lines up to and
// including a run of as many quotes as the first non-blank characters of a
// later line, or to the end of the file when none closes it.
void TScanner::Impl::TakeMultiLineRest(std::size_t Run) {
    for (;;) {
        TakeWhile([](unsigned char ch) { return ch != '\r' && ch != '\n'; });
        const int ch = Peek();
        if (ch < 0) return;
        Take();
        if (ch == '\r' && Peek() == '\n') Take();
        TakeWhile([](unsigned char b) { return b == ' ' || b == '\t'; });
        std::size_t quotes = 0;
        while (quotes < Run && Peek() == '\'') {
            Take();
            ++quotes;
        }
        if (quotes == Run) return;
    }
}

// "1..": the int is "1", both dots become the next token.
void TScanner::Impl::SplitRange(std::string_view& text) {
    RangeFollows = false;
    text.remove_suffix(1);
    RangeOffset = Offset() - 1;
    Take();
    PendingRange = true;
}

TScanner::TScanner() : impl_(std::make_unique<Impl>()) {}
TScanner::~TScanner() = default;

void TScanner::Open(const std::string& FileName) {
    Close();
    // One status call tells a directory (which opens but cannot be read) and the size.
    std::FILE* f = std::fopen(FileName.c_str(), "rb");
    int Error = f ? 0 : errno;
    struct stat info {};
    if (f && (fstat(fileno(f), &info) != 0 || S_ISDIR(info.st_mode))) {
        Error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        std::fclose(f);
        f = nullptr;
    }
    if (!f) throw CorvanetError("Cannot open file " + FileName + ": " + SystemReason(Error));
    std::setvbuf(f, nullptr, _IONBF, 0);  // the window is the only buffer
    Impl& s = *impl_;
    s.File = f;
    s.FileName = FileName;
    s.SetDialect(Dialect);
    s.Opened = true;
    s.Buffer.resize(BufferSize + 1);  // and the NUL after the window
    s.BytesRead = BytesRead ? &BytesRead : nullptr;
    fileSize_ = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
    const std::size_t got = s.ReadWindow();
    s.Exhausted = got == 0;
    s.StartWindow(s.Buffer.data(), got);
}

void TScanner::OpenText(std::string Text) {
    Close();
    Impl& s = *impl_;
    s.Text = std::move(Text);
    s.FileName.clear();
    s.SetDialect(Dialect);
    s.Opened = true;
    s.Exhausted = true;
    fileSize_ = s.Text.size();
    s.StartWindow(s.Text.data(), s.Text.size());
}

void TScanner::Close() {
    // A fresh state, but the window's buffer is kept: a run opens every unit
    // twice, and a new 64 KiB buffer would be allocated and zeroed each time.
    std::vector<char> Buffer = std::move(impl_->Buffer);
    impl_ = std::make_unique<Impl>();
    impl_->Buffer = std::move(Buffer);
    tokenOffset_ = 0;
    lastResult_ = srToken;
    fileSize_ = 0;
}

void TScanner::FinishReading() {
    Impl& s = *impl_;
    if (s.File == nullptr || s.Exhausted) return;
    while (s.ReadWindow() != 0) {
    }
    s.Exhausted = true;
    s.StartWindow(s.Buffer.data(), 0);
}

bool TScanner::IsOpen() const noexcept { return impl_->Opened; }

std::string_view TScanner::Ahead() const noexcept {
    const Impl& s = *impl_;
    if (s.Pos == nullptr || s.End == nullptr || s.PendingRange || s.Pos > s.End) return {};
    return {s.Pos, static_cast<std::size_t>(s.End - s.Pos)};
}

int TScanner::TokenLine() const {
    Impl& s = *impl_;
    if (s.LinePending) {
        s.TokenLine = s.LineAt(tokenOffset_);
        s.LinePending = false;
    }
    return s.TokenLine;
}

std::uint8_t TScanner::GetToken(TToken& Token) {
    Impl& s = *impl_;
    if (s.Stopped != srToken) [[unlikely]] {  // a lexical error ends the file for good
        s.EndToken(Token);
        return lastResult_ = s.Stopped;
    }
    if (s.PendingRange) [[unlikely]] {
        s.PendingRange = false;
        Token.Kind = tkRange;
        Token.Text = s.Given = "..";
        tokenOffset_ = s.RangeOffset;
        s.LinePending = true;
        return lastResult_ = srToken;
    }
    s.TakeStart = s.Pos;
    const int c = s.Opened ? s.Peek() : -1;
    tokenOffset_ = s.Offset();  // after Peek, which may have moved the window on
    s.LinePending = s.Opened;
    if (c < 0) {
        s.EndToken(Token);
        return lastResult_ = srEndOfInput;
    }
    // Blanks and words are most tokens: taken here, the rest out of line.
    TTokenKind kind = tkEndOfInput;
    std::uint8_t result = srToken;
    if (const auto uc = static_cast<unsigned char>(c); HasClass(uc, ccBlank)) {
        s.TakeClass(ccBlank);
        kind = tkWhitespace;
    } else if (HasClass(uc, s.WordClasses)) {
        s.TakeClass(s.WordClasses | ccDigit);
        kind = tkIdentifier;
    } else {
        result = s.ScanToken(c, kind);
    }
    if (result != srToken) [[unlikely]] {
        // Only the classic lexis stops here.
        s.Carry.clear();
        s.Stopped = result;
        s.EndToken(Token);
        return lastResult_ = result;
    }
    // The text is kept in registers for all three uses: read back from the
    // record just written, its two halves would not forward to one load.
    std::string_view Text = s.FinishToken();
    if (s.RangeFollows) [[unlikely]] s.SplitRange(Text);
    Token.Text = Text;
    s.Given = Text;
    Token.Kind = kind == tkIdentifier ? LookupKeyword(Text) : kind;
    return lastResult_ = srToken;
}

bool TScanner::GetDirective(TToken& Token) {
    Impl& s = *impl_;
    if (!s.Modern || s.Stopped != srToken || !s.Opened || s.PendingRange) return false;
    for (;;) {
        s.TakeStart = s.Pos;
        const int c = s.Peek();
        if (c < 0) return false;
        const std::uint64_t Offset = s.Offset();  // after Peek, which may have moved the window on
        const auto uc = static_cast<unsigned char>(c);
        TTokenKind kind = tkEndOfInput;
        // Only where strings, comments and directives begin matters, and
        // numbers of every base (an exponent takes any character, a quote
        // too, and "$1E" or "&17e" has none): any other byte is passed over
        // alone, as no token that holds it can hold a quote or a bracket.
        if (HasClass(uc, ccBlank)) {
            s.TakeClass(ccBlank);
        } else if (HasClass(uc, s.WordClasses)) {
            s.TakeClass(s.WordClasses | ccDigit);
        } else if (HasClass(uc, ccDigit)) {
            (void)s.ScanNumber(kind);
            if (s.RangeFollows) {  // "1..": both dots, passed over too
                s.RangeFollows = false;
                s.Take();
            }
        } else if (c == '$') {
            s.Take();
            s.TakeClass(s.HexClasses);
        } else if (c == '&' || c == '%') {
            (void)s.ScanModernOnly(c, kind);
        } else if (c == '\'' || c == '#') {
            (void)s.ScanModernString(c);
        } else if (c == '{' || c == '(') {
            (void)(c == '{' ? s.ScanBrace(kind) : s.ScanParen(kind));  // the modern lexis never stops
            if (kind == tkDirective) {
                tokenOffset_ = Offset;
                s.LinePending = true;
                Token.Text = s.Given = s.FinishToken();
                Token.Kind = tkDirective;
                lastResult_ = srToken;
                return true;
            }
        } else if (c == '/') {
            s.ScanSlash(kind);
        } else {
            s.Take();
        }
        s.Carry.clear();  // the part of a token that straddled a refill
    }
}

void TScanner::CopyRest(const std::function<void(std::string_view)>& Sink) {
    if (lastResult_ != srBadChar && lastResult_ != srOpenString && lastResult_ != srOpenComment) return;
    Impl& s = *impl_;
    std::uint64_t next = tokenOffset_;
    auto read = [&](char* into, std::size_t n) -> std::size_t {
        if (!s.File) {
            const std::size_t got = next < s.Text.size() ? std::min<std::uint64_t>(n, s.Text.size() - next) : 0;
            std::memcpy(into, s.Text.data() + next, got);
            next += got;
            return got;
        }
        return s.ReadFile(into, n);
    };
    if (s.File && std::fseek(s.File, static_cast<long>(tokenOffset_), SEEK_SET) != 0)
        throw CorvanetError("Cannot read file " + s.FileName + ": " + SystemReason(errno));
    // A CR at the end of a chunk is held back for the next one, so that no
    // chunk ends between a CR and its LF.
    std::vector<char> chunk(BufferSize + 1);
    std::size_t held = 0;
    for (;;) {
        const std::size_t got = read(chunk.data() + held, BufferSize);
        std::size_t len = held + got;
        held = got != 0 && chunk[len - 1] == '\r' ? 1 : 0;
        len -= held;
        if (len != 0) Sink(std::string_view(chunk.data(), len));
        if (got == 0) return;
        if (held) chunk[0] = '\r';
    }
}

}  // namespace corvanet
