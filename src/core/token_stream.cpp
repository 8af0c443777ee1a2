// The parser's view of a file. Every token read is offered to TokenHook first
// (so the output sees trivia and skipped text, and sees a directive with
// Skipping as it was before it), then conditional directives are applied, and
// only tokens that count outside a switched-off region stop the loop.
#include "token_stream.h"

#include "compare.h"

namespace corvanet {

void TTokenStream::SplitDirective(std::string_view Text, std::string& Name, std::string& Arg) {
    Name.clear();
    Arg.clear();
    if (Text.size() < 2) return;
    std::size_t p = 2;
    while (p < Text.size() && Text[p] != ' ' && Text[p] != '}') ++p;
    Name.assign(Text.substr(2, p - 2));
    if (p >= Text.size() || Text[p] == '}') return;
    while (p < Text.size() && Text[p] == ' ') ++p;
    // Up to the last-but-one character: everything before the closing "}".
    const std::size_t last = Text.size() - 1;
    if (p < last) Arg.assign(Text.substr(p, last - p));
}

namespace {

void ApplyDirective(TTokenStream& stream, std::string_view text) {
    std::string name, arg;
    TTokenStream::SplitDirective(text, name, arg);
    auto Note = [&](TDefineEvent::TOp Op, bool Answer) {
        if (stream.Journal) stream.Journal->Events.push_back({Op, Answer, arg});
        return Answer;
    };
    auto Query = [&] { return Note(TDefineEvent::Query, stream.Defines.IsDefined(arg)); };
    if (SameText(name, "DEFINE")) {
        stream.Defines.AddDefine(arg);
        Note(TDefineEvent::Define, false);
    } else if (SameText(name, "UNDEF")) {
        stream.Defines.RemoveDefine(arg);
        Note(TDefineEvent::Undefine, false);
    } else if (SameText(name, "IFDEF")) {
        stream.Skipping = !Query();
    } else if (SameText(name, "IFNDEF")) {
        stream.Skipping = Query();
    } else if (SameText(name, "ELSE")) {
        stream.Skipping = !stream.Skipping;
    } else if (SameText(name, "ENDIF")) {
        stream.Skipping = false;
    }
}

}  // namespace

void TTokenStream::Open(const std::string& FileName) {
    CurrentToken.Keep();
    Scanner.Dialect = Dialect;
    Scanner.Open(FileName);
}

void TTokenStream::Close() {
    CurrentToken.Keep();
    Scanner.Close();
}

void TTokenStream::NextToken() {
    for (;;) {
        EndOfInput = Scanner.GetToken(CurrentToken);
        ++TokensRead;
        if (TokenHook) TokenHook();
        if (CurrentToken.Kind == tkDirective) ApplyDirective(*this, CurrentToken.Text);
        if (EndOfInput != 0) return;
        if (!IsTrivia(CurrentToken.Kind) && !Skipping) return;
    }
}

}  // namespace corvanet
