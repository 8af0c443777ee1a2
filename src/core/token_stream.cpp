// The parser's view of a file. Every token read is offered to TokenHook first
// (so the output sees trivia and skipped text, and sees a directive with
// Skipping as it was before it), then conditional directives are applied, and
// only tokens that count outside a switched-off region stop the loop.
#include "token_stream.h"

#include <sys/stat.h>

#include <cstdio>
#include <optional>

#include "compare.h"
#include "conditions.h"

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

void TTokenStream::SplitModernDirective(std::string_view Text, std::string_view& Name, std::string_view& Arg) {
    const bool Star = Text.starts_with("(*");
    std::string_view Body = Text.substr(std::min<std::size_t>(Text.size(), Star ? 3 : 2));
    if (Star ? Body.ends_with("*)") : Body.ends_with("}")) Body.remove_suffix(Star ? 2 : 1);
    auto Blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t p = 0;
    while (p < Body.size() && !Blank(Body[p])) ++p;
    Name = Body.substr(0, p);
    while (p < Body.size() && Blank(Body[p])) ++p;
    std::size_t e = Body.size();
    while (e > p && Blank(Body[e - 1])) --e;
    Arg = Body.substr(p, e - p);
}

namespace {

// The first word of a directive's argument: "{$IFDEF DEBUG // why}" tests DEBUG.
std::string_view FirstWord(std::string_view Arg) {
    std::size_t p = 0;
    while (p < Arg.size() && Arg[p] != ' ' && Arg[p] != '\t' && Arg[p] != '\r' && Arg[p] != '\n') ++p;
    return Arg.substr(0, p);
}

// The modern conditionals: a stack, so an inner region of a switched-off one
// stays off; in a switched-off region only the conditionals count (to find
// the end of the region), and their conditions are not evaluated.
void ApplyModernDirective(TTokenStream& stream, std::string_view text) {
    std::string_view name, arg;
    TTokenStream::SplitModernDirective(text, name, arg);
    auto& Stack = stream.Conditions;
    const bool On = !stream.Skipping;
    auto Open = [&](auto Holds) {
        const bool Now = On && Holds();
        Stack.push_back({Now, Now || !On});
    };
    if (SameText(name, "IFDEF")) {
        Open([&] { return stream.Defines.IsDefined(FirstWord(arg)); });
    } else if (SameText(name, "IFNDEF")) {
        Open([&] { return !stream.Defines.IsDefined(FirstWord(arg)); });
    } else if (SameText(name, "IF")) {
        Open([&] { return EvaluateCondition(arg, stream.Defines); });
    } else if (SameText(name, "IFOPT")) {
        Open([] { return false; });  // the compiler's switches are not known here
    } else if (SameText(name, "ELSEIF")) {
        if (Stack.empty()) return;
        TTokenStream::TCondition& Top = Stack.back();
        Top.On = !Top.Taken && EvaluateCondition(arg, stream.Defines);
        Top.Taken = Top.Taken || Top.On;
    } else if (SameText(name, "ELSE")) {
        if (Stack.empty()) return;
        TTokenStream::TCondition& Top = Stack.back();
        Top.On = !Top.Taken;
        Top.Taken = true;
    } else if (SameText(name, "ENDIF") || SameText(name, "IFEND")) {
        if (!Stack.empty()) Stack.pop_back();
    } else if (On && SameText(name, "DEFINE")) {
        // "{$DEFINE Name}", or Free Pascal's macro "{$DEFINE Name := Text}".
        std::string_view Name = FirstWord(arg);
        const std::size_t Assign = arg.find(":=");
        if (Assign != std::string_view::npos &&
            arg.substr(0, Assign).find_first_not_of(" \t", FirstWord(arg.substr(0, Assign)).size()) ==
                std::string_view::npos) {
            Name = FirstWord(arg.substr(0, Assign));
            std::string_view Text = arg.substr(Assign + 2);
            while (!Text.empty() && (Text.front() == ' ' || Text.front() == '\t')) Text.remove_prefix(1);
            if (!Name.empty()) stream.Macros[LowerAscii(Name)] = std::string(Text);
        }
        if (!Name.empty()) stream.Defines.AddDefine(Name);
        return;
    } else if (On && SameText(name, "UNDEF")) {
        stream.Defines.RemoveDefine(FirstWord(arg));
        if (!stream.Macros.empty()) stream.Macros.erase(LowerAscii(FirstWord(arg)));
        return;
    } else {
        return;
    }
    stream.Skipping = !Stack.empty() && !Stack.back().On;
}

}  // namespace

void TTokenStream::StartFile() {
    Defines = FileDefines;
    Macros.clear();
    Conditions.clear();
    Skipping = false;
}

void TTokenStream::Open(const std::string& FileName) {
    CurrentToken.Keep();
    Scanner.Dialect = Dialect;
    Scanner.Open(FileName);
}

void TTokenStream::Close() {
    CurrentToken.Keep();
    while (!includes_.empty()) {
        includes_.back()->Close();
        spareScanners_.push_back(std::move(includes_.back()));
        includes_.pop_back();
    }
    Scanner.Close();
}

std::string_view TTokenStream::IncludeName(std::string_view DirectiveText) {
    std::string_view Name, Arg;
    SplitModernDirective(DirectiveText, Name, Arg);
    if (!SameText(Name, "I") && !SameText(Name, "INCLUDE")) return {};
    if (Arg.size() >= 2 && Arg.front() == '\'' && Arg.back() == '\'') Arg = Arg.substr(1, Arg.size() - 2);
    if (Arg.empty() || Arg[0] == '+' || Arg[0] == '-' || Arg[0] == '%') return {};
    return Arg;
}

namespace {

constexpr std::size_t KeptIncludeFile = 1u << 20;    // bytes: larger files are read each time
constexpr std::size_t KeptIncludeBytes = 32u << 20;  // of all the files kept

// The whole of a regular file of at most Limit bytes; nothing when it cannot
// be read so, and the scanner's own opening tells why.
std::optional<std::string> SmallFile(const std::string& Path, std::size_t Limit) {
    std::FILE* f = std::fopen(Path.c_str(), "rb");
    if (f == nullptr) return std::nullopt;
    std::optional<std::string> Text;
    struct stat Info {};
    if (fstat(fileno(f), &Info) == 0 && S_ISREG(Info.st_mode) && static_cast<std::uint64_t>(Info.st_size) <= Limit) {
        Text.emplace(static_cast<std::size_t>(Info.st_size), '\0');
        const std::size_t Got = Text->empty() ? 0 : std::fread(Text->data(), 1, Text->size(), f);
        // A file that changed size while read is read again by the scanner.
        if (Got != Text->size() || std::fgetc(f) != EOF) Text.reset();
    }
    std::fclose(f);
    return Text;
}

}  // namespace

void TTokenStream::OpenInclude(TScanner& Reader, const std::string& Path) {
    if (const auto Kept = includeTexts_.find(Path); Kept != includeTexts_.end()) return Reader.OpenText(Kept->second);
    if (includeTextBytes_ < KeptIncludeBytes) {
        if (std::optional<std::string> Text = SmallFile(Path, KeptIncludeFile)) {
            includeTextBytes_ += Text->size();
            return Reader.OpenText(includeTexts_.emplace(Path, std::move(*Text)).first->second);
        }
    }
    Reader.Open(Path);
}

// The include's last token has been read: its end is no token of the
// including file, which reads on.
void TTokenStream::EndInclude() {
    CurrentToken.Keep();
    includes_.back()->Close();
    spareScanners_.push_back(std::move(includes_.back()));
    includes_.pop_back();
    if (IncludeSwitchHook) IncludeSwitchHook(false);
}

void TTokenStream::NextToken() {
    for (;;) {
        // Nothing of a switched-off region that is written nowhere counts
        // but its directives.
        const bool PassOver = Skipping && Dialect == TDialect::Modern && (CurrentPass == 1 || Unwritten);
        EndOfInput = PassOver && Reading().GetDirective(CurrentToken) ? std::uint8_t{srToken} : Reading().GetToken(CurrentToken);
        if (EndOfInput != 0 && !includes_.empty()) [[unlikely]] {
            EndInclude();
            continue;
        }
        ++TokensRead;
        if (CurrentToken.Kind == tkDirective) [[unlikely]] {
            std::string Include;
            if (Dialect == TDialect::Modern && !Skipping && IncludeHook) {
                if (const std::string_view Name = IncludeName(CurrentToken.Text); !Name.empty())
                    Include = IncludeHook(Name);
            }
            if (TokenHook) TokenHook();
            IncludeLink = nullptr;
            if (Dialect == TDialect::Modern) ApplyModernDirective(*this, CurrentToken.Text);
            else ApplyDirective(*this, CurrentToken.Text);
            if (!Include.empty()) {
                // The directive's text views the including file's window, which
                // stays where it is while the include is read.
                std::unique_ptr<TScanner> Scanner;
                if (spareScanners_.empty()) {
                    Scanner = std::make_unique<TScanner>();
                } else {
                    Scanner = std::move(spareScanners_.back());
                    spareScanners_.pop_back();
                }
                Scanner->Dialect = Dialect;
                OpenInclude(*Scanner, Include);
                includes_.push_back(std::move(Scanner));
                if (IncludeSwitchHook) IncludeSwitchHook(true);
            }
            continue;  // a directive is trivia
        }
        // The symbol pass writes nothing: its hook only lets go of what the
        // rules queued, which no blank or comment adds to.
        if (TokenHook && (CurrentPass != 1 || !IsTrivia(CurrentToken.Kind))) TokenHook();
        if (EndOfInput != 0) return;
        if (!IsTrivia(CurrentToken.Kind) && !Skipping) return;
    }
}

}  // namespace corvanet
