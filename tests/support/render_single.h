// Renders one source file (or text) into its document pair on its own, the
// way the output pass does: every token through the delayed-token queue, each
// identifier held back until the next token is known, the queue and the rest of
// a file that stopped at a lexical error written before the documents close.
// Header-only so that every test executable can use it whatever core layers it
// links (the output layer is all it needs).
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "documents.h"
#include "output_queue.h"
#include "token_stream.h"

namespace corvanet::testsupport {

struct TRenderOptions {
    std::uint8_t Pass = 2;
    std::string UnitName = "Main";  // CurrentUnit: page name, topic and anchor prefix
    std::string Defines = "WIN32;VER100";
    // Queue an anchor "<UnitName>_<identifier>" before every held identifier.
    bool AnchorIdentifiers = false;
    // Amend every held identifier into a link to that anchor on this page.
    bool LinkIdentifiers = false;
};

struct TRenderedFile {
    std::string HtmlPath;
    std::string RtfPath;
    TDocumentCounters Counters;
    std::uint8_t LastResult = 0;  // the scanner's reason code at the end
};

namespace detail {

// Like the link rule of the output pass: the held identifier is queued (as an
// anchor and a name, or amended into a link once the next token is read), then
// the token after it, which ends the hold, unless that is an identifier too.
inline void QueueHeldIdentifier(TTokenStream& S, TOutputQueue& Q, const TRenderOptions& O) {
    const std::string name(S.CurrentToken.Text);
    const std::string anchor = O.UnitName + "_" + name;
    if (O.AnchorIdentifiers) Q.QueueToken("", "", anchor, tsAnchor);
    Q.QueueToken(name, "", "", tsIdentifier);
    const std::size_t index = Q.DelayedTokens.size() - 1;
    S.NextToken();
    if (O.LinkIdentifiers) Q.AmendToken(index, O.UnitName + ".html#" + anchor, name, anchor, tsLink);
    if (S.CurrentToken.Kind == tkIdentifier) return;  // still held: the next step queues it
    Q.QueueCurrentToken();
}

// One step of the output pass's dispatch: a held identifier is queued; any
// other token (an identifier already written included) is passed over with the
// next one held until it is known whether that is an identifier.
inline void DispatchToken(TTokenStream& S, TOutputQueue& Q, const TRenderOptions& O) {
    if (S.CurrentToken.Kind == tkIdentifier && Q.HoldOutput) {
        QueueHeldIdentifier(S, Q, O);
        return;
    }
    Q.HoldOutput = true;
    S.NextToken();
    if (S.CurrentToken.Kind != tkIdentifier) {
        Q.HoldOutput = false;
        Q.FlushTokens();
    }
}

template <typename OpenFn>
TRenderedFile Render(OpenFn Open, const std::string& OutDir, const TRenderOptions& O) {
    TTokenStream S;
    TDocuments D;
    TOutputQueue Q(S, D);
    S.Defines.LoadDefines(O.Defines);
    S.TokenHook = [&Q] { Q.FlushTokens(); };
    S.CurrentPass = O.Pass;
    Q.Reset();
    const std::string base = OutDir.empty() || OutDir.back() == '/' ? OutDir : OutDir + "/";
    D.HtmlFileName = base + O.UnitName + ".html";
    D.RtfFileName = base + O.UnitName + ".rtf";
    D.OpenDocuments(O.UnitName);
    Open(S.Scanner);
    S.NextToken();
    S.EndOfInput = 0;
    do DispatchToken(S, Q, O);
    while (S.EndOfInput == 0);
    Q.FinishFile();  // needs the scanner's file for the rest after a lexical error
    TRenderedFile out{D.HtmlFileName, D.RtfFileName, {}, S.Scanner.LastResult()};
    S.Scanner.Close();
    D.CloseDocuments();
    out.Counters = D.Counters;
    return out;
}

}  // namespace detail

// Writes OutDir/<UnitName>.html and .rtf for the source text.
inline TRenderedFile RenderText(std::string Text, const std::string& OutDir, const TRenderOptions& O = {}) {
    return detail::Render([&Text](TScanner& Sc) { Sc.OpenText(std::move(Text)); }, OutDir, O);
}

// The same for a source file on disk.
inline TRenderedFile RenderFile(const std::string& SourcePath, const std::string& OutDir,
                                const TRenderOptions& O = {}) {
    return detail::Render([&SourcePath](TScanner& Sc) { Sc.Open(SourcePath); }, OutDir, O);
}

}  // namespace corvanet::testsupport
