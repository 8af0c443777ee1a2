// The delayed-token queue and its flush hook. What must hold: every byte of a
// file reaches the documents exactly once and in source order; the end-of-input
// token never writes text of its own (its text is whatever the token record held
// before); pass 1 writes nothing.
#include "output_queue.h"

#include <array>
#include <functional>
#include <utility>

#include "documents.h"
#include "error.h"
#include "token_stream.h"

namespace corvanet {

namespace {

constexpr TokenStyle StyleByRule(TTokenKind Kind) noexcept {
    switch (Kind) {
        case tkIdentifier: return tsIdentifier;
        case tkIntNumber:
        case tkRealNumber: return tsNumber;
        case tkQuotedString: return tsString;
        case tkComment:
        case tkDirective: return tsComment;
        case tkWhitespace: return tsText;
        default: break;
    }
    if (IsSymbolKind(Kind)) return tsSymbol;
    // The visibility words are not coloured as reserved words.
    if (IsReservedWord(Kind)) return tsKeyword;
    return tsPlain;
}

// Every token is styled: the rule above, looked up.
constexpr std::array<TokenStyle, 256> StyleTable = [] {
    std::array<TokenStyle, 256> Table{};
    for (int Kind = 0; Kind < 256; ++Kind) Table[Kind] = StyleByRule(static_cast<TTokenKind>(Kind));
    return Table;
}();

}  // namespace

TokenStyle StyleOfKind(TTokenKind Kind) noexcept { return StyleTable[Kind]; }

TOutputQueue::TOutputQueue(TTokenStream& Stream, TDocuments& Documents)
    : stream_(Stream), documents_(Documents) {}

TokenStyle TOutputQueue::StyleOfToken() const noexcept { return StyleOfKind(stream_.CurrentToken.Kind); }

namespace {

// Room a string holds without a buffer of its own.
const std::size_t InPlace = std::string().capacity();
constexpr std::size_t MaxSpare = 256;

}  // namespace

void TOutputQueue::QueueToken(std::string_view Text, std::string_view Caption, std::string_view Target,
                              TokenStyle Style) {
    TDelayedToken& Entry = DelayedTokens.emplace_back();
    if (Text.size() > InPlace && !spare_.empty()) {
        Entry.Text = std::move(spare_.back());
        spare_.pop_back();
        Entry.Text.clear();  // keeps its room
    }
    Entry.Text.append(Text);
    // Links and anchors only; a new entry's are empty already.
    if (!Caption.empty()) Entry.Caption.append(Caption);
    if (!Target.empty()) Entry.Target.append(Target);
    Entry.Style = Style;
    Entry.Pair = documents_.Reading;
}

void TOutputQueue::AmendToken(std::size_t Index, std::string_view Text, std::string_view Caption,
                              std::string_view Target, TokenStyle Style) {
    if (Index >= DelayedTokens.size()) {
        // A caller that takes "length minus one" of an empty queue passes -1;
        // show it as such.
        throw CorvanetError("List index out of bounds (" +
                            std::to_string(static_cast<std::ptrdiff_t>(Index)) + ")");
    }
    TDelayedToken& Entry = DelayedTokens[Index];
    // In place, keeping the strings' room, unless a text views the entry itself.
    auto Inside = [](std::string_view View, const std::string& S) {
        return !View.empty() && std::less_equal<const char*>()(S.data(), View.data()) &&
               std::less_equal<const char*>()(View.data(), S.data() + S.size());
    };
    for (std::string_view View : {Text, Caption, Target}) {
        if (Inside(View, Entry.Text) || Inside(View, Entry.Caption) || Inside(View, Entry.Target)) {
            Entry = {std::string(Text), std::string(Caption), std::string(Target), Style, Entry.Pair};
            return;
        }
    }
    Entry.Text.assign(Text);
    Entry.Caption.assign(Caption);
    Entry.Target.assign(Target);
    Entry.Style = Style;
}

void TOutputQueue::QueueCurrentToken() {
    if (stream_.CurrentToken.Kind != tkEndOfInput)
        QueueToken(stream_.CurrentToken.Text, {}, {}, StyleOfToken());
    HoldOutput = false;
}

void TOutputQueue::WriteQueue() {
    for (TDelayedToken& t : DelayedTokens) {
        documents_.Activate(t.Pair);
        documents_.RenderToken(t.Text, t.Caption, t.Target, t.Style);
        if (t.Text.capacity() > InPlace && spare_.size() < MaxSpare) spare_.push_back(std::move(t.Text));
    }
    DelayedTokens.clear();
    documents_.Activate(documents_.Reading);
}

// The directive is written as a link to the include's page, held or not.
[[gnu::noinline]] void TOutputQueue::FlushIncludeLink() {
    const TTokenStream::TIncludeLink& Link = *stream_.IncludeLink;
    const std::string_view Text = stream_.CurrentToken.Text;
    if (HoldOutput) return QueueToken(Link.Page, Text, Link.Topic, tsLink);
    if (!DelayedTokens.empty()) WriteQueue();
    documents_.RenderToken(Link.Page, Text, Link.Topic, tsLink);
}

bool TOutputQueue::CurrentIsTrivia() const noexcept {
    return IsTrivia(stream_.CurrentToken.Kind) || stream_.Skipping;
}

// Pass 1 writes nothing, but what the rules queued is let go where the
// output pass would write it, so the queue stays as short as there instead of
// growing with every interface of the project. Out of line: the output pass
// keeps FlushTokens to itself.
[[gnu::noinline]] void TOutputQueue::DropReleased() noexcept {
    if (!HoldOutput) DelayedTokens.clear();
}

void TOutputQueue::FlushTokens() {
    if (stream_.CurrentPass == 1) return DropReleased();
    if (stream_.IncludeLink) [[unlikely]] return FlushIncludeLink();
    const TToken& token = stream_.CurrentToken;
    if (HoldOutput) {
        // Trivia and skipped text keep their place in the queue; a significant
        // token is left to the reader that holds. The end-of-input token has no
        // text of its own to queue.
        if (CurrentIsTrivia() && token.Kind != tkEndOfInput) QueueToken(token.Text, {}, {}, StyleOfToken());
        return;
    }
    if (HoldNextToken && !CurrentIsTrivia()) return;  // left to the reader
    if (!DelayedTokens.empty()) WriteQueue();
    if (token.Kind != tkEndOfInput) documents_.RenderOwnStyle(token.Text, StyleOfToken());
}

void TOutputQueue::Reset() {
    HoldOutput = false;
    HoldNextToken = false;
    DelayedTokens.clear();
}

void TOutputQueue::FinishFile() {
    if (stream_.CurrentPass == 1) return;
    WriteQueue();
    const std::uint8_t reason = stream_.Scanner.LastResult();
    if (reason != srBadChar && reason != srOpenString && reason != srOpenComment) return;
    // The scanner stopped at a lexical error: the rest of the file, from the
    // first byte of the failed token, is written as plain escaped text, one
    // piece as a single token would be (the topic ends a token's text with a
    // line break, so pieces would add breaks the source does not have).
    std::string Rest;
    stream_.Scanner.CopyRest([&Rest](std::string_view Chunk) { Rest.append(Chunk); });
    if (!Rest.empty()) documents_.RenderOwnStyle(Rest, tsText);
}

}  // namespace corvanet
