// The delayed-token queue driven directly: tokens are offered to FlushTokens
// as the token stream would offer them, and the documents are read back.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "error.h"
#include "output_fixture.h"
#include "output_queue.h"
#include "token_stream.h"

namespace corvanet::testing {
namespace {

class QueueTest : public DocumentsTest {
protected:
    void SetUp() override {
        Stream.CurrentPass = 2;
        OpenPair();
    }
    // What NextToken does for each token read: set it current and call the hook.
    void Offer(TTokenKind Kind, const std::string& Text) {
        Stream.CurrentToken.Kind = Kind;
        if (Kind != tkEndOfInput) {  // end of input keeps the old text
            Stream.CurrentToken.Text = Text;
            Stream.CurrentToken.Keep();  // the token owns it, as after the scanner's window moves on
        }
        Queue.FlushTokens();
    }
    std::vector<std::string> QueuedTexts() const {
        std::vector<std::string> out;
        for (const auto& t : Queue.DelayedTokens) out.push_back(t.Text);
        return out;
    }
    std::string HtmlBody(const TReadBack& R) const {
        const std::string head = "<A NAME = \"unit_main\"></A>\r\n";
        std::size_t from = R.Html.find(head) + head.size();
        return R.Html.substr(from, R.Html.size() - from - std::string("</FONT></PRE></BODY></HTML>\r\n").size());
    }

    TTokenStream Stream;
    TOutputQueue Queue{Stream, Docs};
};

TEST(StyleOfKind, EveryKindRange) {
    const std::pair<int, TokenStyle> rows[] = {
        {tkIdentifier, tsIdentifier}, {tkIntNumber, tsNumber},  {tkRealNumber, tsNumber},
        {3, tsPlain},                 {tkQuotedString, tsString}, {tkComment, tsComment},
        {tkDirective, tsComment},     {tkLParen, tsSymbol},     {tkAssign, tsSymbol},
        {tkRBracket, tsSymbol},       {tkAnd, tsKeyword},       {tkBegin, tsKeyword},
        {tkXor, tsKeyword},           {tkPublic, tsPlain},      {tkPrivate, tsPlain},
        {tkAutomated, tsPlain},       {tkWhitespace, tsText},   {tkEndOfInput, tsPlain},
        {200, tsPlain},
    };
    for (const auto& [kind, style] : rows) EXPECT_EQ(StyleOfKind(static_cast<TTokenKind>(kind)), style) << kind;
}

TEST_F(QueueTest, PassOneWritesAndQueuesNothing) {
    Stream.CurrentPass = 1;
    Offer(tkComment, "{c}");
    Queue.HoldOutput = true;
    Offer(tkWhitespace, " ");
    Stream.Skipping = true;
    Offer(tkIdentifier, "x");
    EXPECT_TRUE(Queue.DelayedTokens.empty());
    Queue.DelayedTokens.push_back({"queued", "", "", tsText});
    Queue.FinishFile();
    TReadBack r = ClosePair();
    EXPECT_EQ(r.HtmlDoc.Text, "");
    EXPECT_EQ(Docs.Counters.Tokens, 0u);
}

TEST_F(QueueTest, WithoutHoldATokenIsWrittenAtOnceInItsStyle) {
    Offer(tkComment, "{c}");
    Offer(tkPrivate, "private");
    Offer(tkBegin, "Begin");
    TReadBack r = ClosePair();
    EXPECT_EQ(HtmlBody(r), "<I><FONT COLOR=\"#7F7F7F\">{c}</FONT></I>private"
                           "<B><FONT COLOR=\"#FFFFFF\">Begin</FONT></B>");
}

TEST_F(QueueTest, HeldTriviaWaitsAndTheLinkComesBeforeTheReleasingToken) {
    Queue.HoldOutput = true;
    Offer(tkWhitespace, " ");
    Offer(tkComment, "{c}");
    Offer(tkWhitespace, "\r\n");
    Offer(tkIdentifier, "X");
    EXPECT_EQ(QueuedTexts(), (std::vector<std::string>{" ", "{c}", "\r\n"}));
    EXPECT_EQ(Queue.DelayedTokens[1].Style, tsComment);
    EXPECT_EQ(Docs.Counters.Tokens, 0u);
    Queue.QueueToken("Main.html#Main_X", "X", "Main_X", tsLink);
    Queue.HoldOutput = false;
    Offer(tkSemicolon, ";");
    EXPECT_TRUE(Queue.DelayedTokens.empty());
    TReadBack r = ClosePair();
    EXPECT_EQ(HtmlBody(r), " <I><FONT COLOR=\"#7F7F7F\">{c}</FONT></I>\r\n<A HREF = \"Main.html#main_x\">X</A>;");
    ExpectWholeSource(r, " {c}\r\nX;");
}

// The dispatch's lighter hold: what comes before the next significant token
// is written as it arrives, skipped text included; that token waits, and the
// end of input writes nothing of its own.
TEST_F(QueueTest, HoldingTheNextTokenWritesWhatComesBeforeIt) {
    Queue.HoldNextToken = true;
    Offer(tkWhitespace, " ");
    Offer(tkComment, "{c}");
    Stream.Skipping = true;
    Offer(tkIdentifier, "Off");
    Stream.Skipping = false;
    EXPECT_TRUE(Queue.DelayedTokens.empty());
    EXPECT_EQ(Docs.Counters.Tokens, 3u);
    Offer(tkIdentifier, "X");
    EXPECT_EQ(Docs.Counters.Tokens, 3u);  // left to the reader
    Queue.HoldNextToken = false;
    Queue.FlushTokens();  // offered again, as the dispatch does
    Queue.HoldNextToken = true;
    Offer(tkEndOfInput, "");
    EXPECT_EQ(Docs.Counters.Tokens, 4u);
    TReadBack r = ClosePair();
    ExpectWholeSource(r, " {c}OffX");
}

TEST_F(QueueTest, SkippedTextIsQueuedInItsOrdinaryStyles) {
    Queue.HoldOutput = true;
    Offer(tkDirective, "{$IFDEF NEVER}");
    Stream.Skipping = true;
    Offer(tkIdentifier, "x");
    Offer(tkBegin, "begin");
    Offer(tkIntNumber, "1");
    Offer(tkDirective, "{$ENDIF}");  // offered before the stream applies it
    Stream.Skipping = false;
    EXPECT_EQ(QueuedTexts(), (std::vector<std::string>{"{$IFDEF NEVER}", "x", "begin", "1", "{$ENDIF}"}));
    std::vector<TokenStyle> styles;
    for (const auto& t : Queue.DelayedTokens) styles.push_back(t.Style);
    EXPECT_EQ(styles, (std::vector<TokenStyle>{tsComment, tsIdentifier, tsKeyword, tsNumber, tsComment}));
}

TEST_F(QueueTest, EndOfInputFlushesTheQueueAndWritesNothingOfItsOwn) {
    Queue.HoldOutput = true;
    Offer(tkWhitespace, " ");
    Offer(tkIdentifier, "last");
    Queue.QueueCurrentToken();
    EXPECT_FALSE(Queue.HoldOutput);
    Offer(tkEndOfInput, "");  // its text is still "last"
    TReadBack r = ClosePair();
    ExpectWholeSource(r, " last");
}

// A file that ends inside a switched-off region while output is held: the
// end-of-input token, whose text is the last token's, must not be queued.
TEST_F(QueueTest, EndOfInputWhileHoldingAndSkippingQueuesNothing) {
    Queue.HoldOutput = true;
    Stream.Skipping = true;
    Offer(tkIdentifier, "y");
    Offer(tkEndOfInput, "");
    EXPECT_EQ(QueuedTexts(), (std::vector<std::string>{"y"}));
    Queue.FinishFile();
    TReadBack r = ClosePair();
    ExpectWholeSource(r, "y");
}

TEST_F(QueueTest, QueueCurrentTokenAtTheEndQueuesNothingAndEndsTheHold) {
    Offer(tkIdentifier, "s");
    Queue.HoldOutput = true;
    Offer(tkEndOfInput, "");
    Queue.QueueCurrentToken();
    EXPECT_TRUE(Queue.DelayedTokens.empty());
    EXPECT_FALSE(Queue.HoldOutput);
    Queue.HoldOutput = true;
    Offer(tkPeriod, ".");
    Queue.QueueCurrentToken();
    EXPECT_EQ(QueuedTexts(), (std::vector<std::string>{"."}));
    EXPECT_EQ(Queue.DelayedTokens[0].Style, tsSymbol);
}

// `end. s`: the last identifier is queued after the final read, and no token
// follows to flush it; the end of the file writes it.
TEST_F(QueueTest, FinishFileWritesWhatTheQueueStillHolds) {
    Offer(tkEnd, "end");
    Offer(tkPeriod, ".");
    Queue.HoldOutput = true;
    Offer(tkWhitespace, " ");
    Offer(tkIdentifier, "s");
    Offer(tkEndOfInput, "");
    Queue.QueueToken("s", "", "", tsIdentifier);
    Queue.QueueCurrentToken();
    Queue.FinishFile();
    EXPECT_TRUE(Queue.DelayedTokens.empty());
    TReadBack r = ClosePair();
    ExpectWholeSource(r, "end. s");
}

TEST_F(QueueTest, AmendReplacesAllFourFieldsAndRejectsPositionsOutside) {
    Queue.QueueToken("a", "", "", tsIdentifier);
    Queue.QueueToken("b", "", "", tsIdentifier);
    Queue.AmendToken(1, "P.html#X", "b", "P_X", tsLink);
    const TDelayedToken& t = Queue.DelayedTokens[1];
    EXPECT_EQ(t.Text, "P.html#X");
    EXPECT_EQ(t.Caption, "b");
    EXPECT_EQ(t.Target, "P_X");
    EXPECT_EQ(t.Style, tsLink);
    auto message = [&](std::size_t Index) {
        try {
            Queue.AmendToken(Index, "", "", "", tsPlain);
        } catch (const CorvanetError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message(2), "List index out of bounds (2)");
    Queue.Reset();
    EXPECT_EQ(message(Queue.DelayedTokens.size() - 1), "List index out of bounds (-1)");
}

// An amendment reuses the entry's strings, but a text that views the entry
// itself (its own text as the caption, a part of its target as the text) is
// read before anything is replaced.
TEST_F(QueueTest, AmendingWithTheEntrysOwnTextsReadsThemFirst) {
    Queue.QueueToken("a-long-identifier-beyond-any-short-string", "", "", tsIdentifier);
    Queue.QueueToken("Unit.html#Unit_name", "name", "Unit_name", tsLink);
    TDelayedToken& first = Queue.DelayedTokens[0];
    const std::string text = first.Text;
    Queue.AmendToken(0, "#anchor", first.Text, std::string_view(first.Text).substr(2, 4), tsLink);
    EXPECT_EQ(first.Text, "#anchor");
    EXPECT_EQ(first.Caption, text);
    EXPECT_EQ(first.Target, "long");
    TDelayedToken& second = Queue.DelayedTokens[1];
    Queue.AmendToken(1, std::string_view(second.Target).substr(5), second.Caption, second.Text, tsAnchor);
    EXPECT_EQ(second.Text, "name");
    EXPECT_EQ(second.Caption, "name");
    EXPECT_EQ(second.Target, "Unit.html#Unit_name");
    EXPECT_EQ(second.Style, tsAnchor);
    // And without such views the strings are simply reassigned.
    Queue.AmendToken(1, "x", "", "y", tsPlain);
    EXPECT_EQ(second.Text, "x");
    EXPECT_EQ(second.Caption, "");
    EXPECT_EQ(second.Target, "y");
}

// Long runs of held and released output with anchors, links and amendments
// in between: whatever the pattern, both documents show the source once, in
// order, and the links and anchors appear where they were queued.
TEST_F(QueueTest, LongRandomRunsOfHoldAndReleaseKeepTheWholeSource) {
    std::mt19937 rng(20240611);
    const std::pair<TTokenKind, const char*> trivia[] = {
        {tkWhitespace, " "}, {tkWhitespace, "\r\n  "}, {tkWhitespace, "\n"}, {tkComment, "{ a<b & c }"},
        {tkComment, "// x\\y\r\n"}, {tkDirective, "{$R *.res}"}};
    const std::pair<TTokenKind, const char*> significant[] = {
        {tkIdentifier, "Foo"}, {tkSemicolon, ";"}, {tkLess, "<"}, {tkNotEqual, "<>"}, {tkBegin, "begin"},
        {tkQuotedString, "'a{b}\"c'"}, {tkRealNumber, "1e}"}, {tkPrivate, "private"}, {tkAssign, ":="}};
    std::string source;
    std::size_t links = 0, anchors = 0;
    for (int step = 0; step < 5000; ++step) {
        bool hold = rng() % 3 == 0;
        Queue.HoldOutput = hold;
        for (unsigned n = rng() % 3; n > 0; --n) {
            const auto& [kind, text] = trivia[rng() % std::size(trivia)];
            Offer(kind, text);
            source += text;
        }
        const auto& [kind, text] = significant[rng() % std::size(significant)];
        Offer(kind, text);
        source += text;
        if (!hold) continue;
        // The reader decides about the held token: plain, anchor and name, or
        // a link made by amending what it queued first.
        switch (rng() % 3) {
            case 0: Queue.QueueCurrentToken(); break;
            case 1:
                Queue.QueueToken("", "", std::string("Main_") + text, tsAnchor);
                ++anchors;
                Queue.QueueToken(text, "", "", tsIdentifier);
                Queue.HoldOutput = false;
                break;
            default:
                Queue.QueueToken(text, "", "", Queue.StyleOfToken());
                Queue.AmendToken(Queue.DelayedTokens.size() - 1, "Main.html#Main_x", text, "Main_x", tsLink);
                ++links;
                Queue.HoldOutput = false;
        }
    }
    Offer(tkEndOfInput, "");
    Queue.FinishFile();
    TReadBack r = ClosePair();
    ExpectWholeSource(r, source);
    EXPECT_EQ(r.HtmlDoc.Links.size(), links);
    EXPECT_EQ(r.RtfDoc.Links.size(), links);
    EXPECT_EQ(r.HtmlDoc.Anchors.size(), anchors + 1);  // and the page's own
    EXPECT_EQ(r.RtfDoc.Anchors.size(), anchors + 1);
    for (const auto& l : r.HtmlDoc.Links) EXPECT_EQ(l.Target, "Main.html#main_x");
    for (const auto& l : r.RtfDoc.Links) EXPECT_EQ(l.Target, "Main_x");
}

}  // namespace
}  // namespace corvanet::testing
