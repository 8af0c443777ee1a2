// The delayed-token queue and its flush hook. What must hold: every byte of a
// file reaches the documents exactly once and in source order; the end-of-input
// token never writes text of its own (its text is whatever the token record held
// before); pass 1 writes nothing.
#include "output_queue.h"

#include <utility>

#include "documents.h"
#include "error.h"
#include "token_stream.h"

namespace corvanet {

TokenStyle StyleOfKind(TTokenKind Kind) noexcept {
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

TOutputQueue::TOutputQueue(TTokenStream& Stream, TDocuments& Documents)
    : stream_(Stream), documents_(Documents) {}

TokenStyle TOutputQueue::StyleOfToken() const noexcept { return StyleOfKind(stream_.CurrentToken.Kind); }

void TOutputQueue::QueueToken(std::string_view Text, std::string_view Caption, std::string_view Target,
                              TokenStyle Style) {
    DelayedTokens.push_back({std::string(Text), std::string(Caption), std::string(Target), Style});
}

void TOutputQueue::AmendToken(std::size_t Index, std::string_view Text, std::string_view Caption,
                              std::string_view Target, TokenStyle Style) {
    if (Index >= DelayedTokens.size()) {
        // A caller that takes "length minus one" of an empty queue passes -1;
        // show it as such.
        throw CorvanetError("List index out of bounds (" +
                            std::to_string(static_cast<std::ptrdiff_t>(Index)) + ")");
    }
    DelayedTokens[Index] = {std::string(Text), std::string(Caption), std::string(Target), Style};
}

void TOutputQueue::QueueCurrentToken() {
    if (stream_.CurrentToken.Kind != tkEndOfInput)
        QueueToken(stream_.CurrentToken.Text, {}, {}, StyleOfToken());
    HoldOutput = false;
}

void TOutputQueue::WriteQueue() {
    for (const TDelayedToken& t : DelayedTokens) documents_.RenderToken(t.Text, t.Caption, t.Target, t.Style);
    DelayedTokens.clear();
}

void TOutputQueue::FlushTokens() {
    if (stream_.CurrentPass == 1) return;
    const TToken& token = stream_.CurrentToken;
    if (HoldOutput) {
        // Trivia and skipped text keep their place in the queue; a significant
        // token is left to the reader that holds. The end-of-input token has no
        // text of its own to queue.
        if ((IsTrivia(token.Kind) || stream_.Skipping) && token.Kind != tkEndOfInput)
            QueueToken(token.Text, {}, {}, StyleOfToken());
        return;
    }
    WriteQueue();
    if (token.Kind != tkEndOfInput) documents_.RenderToken(token.Text, {}, {}, StyleOfToken());
}

void TOutputQueue::Reset() {
    HoldOutput = false;
    DelayedTokens.clear();
}

void TOutputQueue::FinishFile() {
    if (stream_.CurrentPass == 1) return;
    WriteQueue();
    const std::uint8_t reason = stream_.Scanner.LastResult();
    if (reason != srBadChar && reason != srOpenString && reason != srOpenComment) return;
    // The scanner stopped at a lexical error: the rest of the file, from the
    // first byte of the failed token, is written as plain escaped text.
    stream_.Scanner.CopyRest(
        [this](std::string_view Chunk) { documents_.RenderToken(Chunk, {}, {}, tsText); });
}

}  // namespace corvanet
