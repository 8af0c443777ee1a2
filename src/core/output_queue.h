// The delayed-token queue. Every token the stream reads is offered to
// FlushTokens; while a parser rule holds output, trivia and skipped text wait
// in the queue in their places and the rule queues the significant tokens it
// took (plain, as an anchor or as a link). Output order is always source order
// and every token is written exactly once; the end-of-input token, whose text
// is stale, writes nothing of its own.
#pragma once

#include <cstddef>
#include <vector>
#include <string>
#include <string_view>

#include "render.h"
#include "token.h"

namespace corvanet {

class TTokenStream;
class TDocuments;

struct TDelayedToken {
    std::string Text;     // source text; for tsLink the HTML target
    std::string Caption;  // for tsLink the visible text
    std::string Target;   // for tsLink the RTF context string; for tsAnchor the anchor name
    TokenStyle Style = tsPlain;
    int Pair = 0;  // the document pair of the file the token was read from
};

// The style of a token kind (identifiers, numbers, strings, comments and
// directives, symbols, reserved words, blanks; everything else tsPlain).
TokenStyle StyleOfKind(TTokenKind Kind) noexcept;

class TOutputQueue {
public:
    TOutputQueue(TTokenStream& Stream, TDocuments& Documents);

    // Written all at once and emptied, so a vector serves as the queue and
    // keeps its room from one hold to the next.
    std::vector<TDelayedToken> DelayedTokens;
    bool HoldOutput = false;
    // A lighter hold, for the dispatch of the output pass that waits to see
    // whether the next token is an identifier: only the next significant token
    // is left to the reader; blanks, comments and skipped text before it are
    // written at once (nothing can come before them any more). Ignored while
    // HoldOutput is set.
    bool HoldNextToken = false;
    // Whether the current token is one the holds keep in place (blanks,
    // comments, directives, anything in a switched-off region) rather than
    // one left to the reader.
    bool CurrentIsTrivia() const noexcept;

    TokenStyle StyleOfToken() const noexcept;  // of Stream.CurrentToken
    void QueueToken(std::string_view Text, std::string_view Caption, std::string_view Target,
                    TokenStyle Style);
    // Throws CorvanetError("List index out of bounds (%d)") for a position
    // outside the queue.
    void AmendToken(std::size_t Index, std::string_view Text, std::string_view Caption,
                    std::string_view Target, TokenStyle Style);
    // Queues the current token in its own style (the end-of-input token queues
    // nothing) and ends the hold.
    void QueueCurrentToken();
    // The token hook. In pass 1 it writes nothing and only empties the
    // queue where the output pass would write it.
    void FlushTokens();

    // HoldOutput := false; empty DelayedTokens. Before each document pair.
    void Reset();
    // End of a file, before the documents close (once per file): writes
    // whatever the queue still holds, held or not, and then, if scanning
    // stopped at a lexical error, the rest of the file from the failed token
    // on, as tsText, so nothing is dropped. Writes nothing in pass 1.
    void FinishFile();

private:
    void WriteQueue();  // renders every entry, oldest first, and empties the queue
    void FlushIncludeLink();  // FlushTokens for an include directive that links to its page
    void DropReleased() noexcept;  // pass 1: empties the queue unless output is held
    // The heap buffers of written entries' texts, for the next entries to
    // reuse: nearly every blank between two tokens waits in the queue, and a
    // fresh string for each would cost an allocation and a release.
    std::vector<std::string> spare_;
    TTokenStream& stream_;
    TDocuments& documents_;
};

}  // namespace corvanet
