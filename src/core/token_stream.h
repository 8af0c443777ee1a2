// The parser's view of a file: NextToken hands on only the tokens that count
// (no blanks, comments, directives, nothing in a switched-off region) and
// applies the conditional directives. Every token read, trivia and skipped text
// included, is first offered to TokenHook, so the output still sees all of it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "defines.h"
#include "dialect.h"
#include "scanner.h"
#include "token.h"

namespace corvanet {

class TTokenStream {
public:
    TScanner Scanner;
    // The reading the rules follow where the grammar forks; set by the run.
    TDialect Dialect = TDialect::Classic;
    TToken CurrentToken;
    // The reason code of the last token read: 0 while tokens flow, nonzero once
    // the file has ended, normally or at a lexical error.
    std::uint8_t EndOfInput = 0;
    // 0 project file, 1 pass 1, 2 pass 2 before `implementation`, 3 after it.
    std::uint8_t CurrentPass = 0;
    TDefines Defines;
    // Whether the token in hand lies in a switched-off region. Classic: one
    // flag, no nesting count, not reset between files, passes or runs of the
    // same stream. Modern: the top of Conditions, which StartFile empties.
    bool Skipping = false;
    // Modern: one entry per open {$IF...}: whether its region is on, and
    // whether one of its branches has been on (so no later one may be).
    struct TCondition {
        bool On = false;
        bool Taken = false;
    };
    std::vector<TCondition> Conditions;
    // Modern: Free Pascal's macros ({$DEFINE Name:=Text}) of the file being
    // read, by the name in lower case; the name is defined too.
    std::unordered_map<std::string, std::string> Macros;
    // Modern: the defines every file starts from (the run's own).
    TDefines FileDefines;
    // Modern: a fresh file, as the compiler reads each unit: FileDefines in
    // force, no open condition.
    void StartFile();
    // Called after every token read from the scanner, before a directive in it
    // is applied. May be empty.
    std::function<void()> TokenHook;
    // When set, every change and query of Defines the directives make is
    // recorded in it, in order.
    TDefineJournal* Journal = nullptr;

    // Open and close the scanner's file. CurrentToken views the scanner's
    // window, so both first give it its own copy of its text: the token a
    // file ends with stays the current token until the next file's first.
    void Open(const std::string& FileName);
    void Close();
    // Forgets the include files' texts kept so far: a new run reads the disk again.
    void ForgetIncludeTexts() noexcept {
        includeTexts_.clear();
        includeTextBytes_ = 0;
    }

    // Advance CurrentToken to the next token that counts for the parser.
    void NextToken();

    // Splits the text of a directive token, "{$NAME ARG}", into its name and
    // argument: the name runs from the third character to the first blank
    // (space only) or "}"; the argument from the next non-blank to the "}".
    static void SplitDirective(std::string_view Text, std::string& Name, std::string& Arg);
    // The modern split: "{$" or "(*$", the name up to a blank, tab or line
    // end, the argument without its surrounding blanks up to "}" or "*)".
    static void SplitModernDirective(std::string_view Text, std::string_view& Name, std::string_view& Arg);

    // Modern include files. A {$I name} or {$INCLUDE name} directive outside
    // a switched-off region asks IncludeHook for the file it names (Name as
    // written, quotes removed); a nonempty answer is the path whose tokens
    // are read next, in place of the directive's file, until its end, when
    // the including file reads on; IncludeSwitchHook is called as the
    // include's reading begins (true, after the directive has gone through
    // TokenHook) and as it ends (false). The
    // included tokens go through TokenHook and the directives like any
    // other: an include's conditionals and defines are its includer's.
    // While TokenHook sees the directive of an include the hook found,
    // IncludeLink holds the page it links to.
    std::function<std::string(std::string_view Name)> IncludeHook;
    std::function<void(bool Begins)> IncludeSwitchHook;
    struct TIncludeLink {
        std::string Page;   // the HTML page
        std::string Topic;  // the RTF topic's context string
    };
    const TIncludeLink* IncludeLink = nullptr;
    // The scanner of the file being read: an include's, else Scanner.
    TScanner& Reading() noexcept { return includes_.empty() ? Scanner : *includes_.back(); }
    std::size_t IncludeDepth() const noexcept { return includes_.size(); }
    // The name an include directive gives, "" for any other directive and for
    // switches ({$I+}, {$I-,R-}) and "%DATE%"-style forms.
    static std::string_view IncludeName(std::string_view DirectiveText);

    // Modern: set by the run while what is read is written nowhere (an
    // include file read again after its page is written). There, as in the
    // symbol pass, a switched-off region is passed over from directive to
    // directive: its tokens reach neither the parser nor TokenHook.
    bool Unwritten = false;

    // Counters for the run statistics: every token read from the scanner.
    std::uint64_t TokensRead = 0;

private:
    std::vector<std::unique_ptr<TScanner>> includes_;
    // Closed scanners of earlier includes, kept with their window's buffer:
    // an include read at every inclusion needs no new buffer each time.
    std::vector<std::unique_ptr<TScanner>> spareScanners_;
    // The text of each include file read so far, by path, up to a budget: a
    // file included by many units is read from the disk once.
    std::unordered_map<std::string, std::string> includeTexts_;
    std::size_t includeTextBytes_ = 0;
    void OpenInclude(TScanner& Scanner, const std::string& Path);
    void EndInclude();
};

}  // namespace corvanet
