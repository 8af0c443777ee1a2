#include "interface_read.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "compare.h"

namespace corvanet::acceptance {

bool TInterfaceEnd::ReadToItsEnd() const {
    return std::string_view(How) == "implementation" || std::string_view(How) == "end";
}

void PrepareRun(TRun& Run, TDialect Dialect, const std::vector<std::string>& WrittenPaths) {
    Run.Symbols.CreateUnitList();
    Run.Dialect = Run.Stream.Dialect = Dialect;
    Run.Stream.Defines.LoadDefines(std::string(DefaultDefines(Dialect)));
    Run.Stream.FileDefines = Run.Stream.Defines;
    Run.Stream.CurrentPass = 0;
    // As the project scan registers them: the modern dialect under the name
    // written before `in`, which the generator makes the file's name less
    // its extension (".pp" too); the classic one under its own rule.
    for (const std::string& Path : WrittenPaths) {
        if (Dialect == TDialect::Classic) {
            Run.Symbols.AddUnit(Path);
            continue;
        }
        std::string Stem(FileNamePart(Path));
        Stem.erase(std::min(Stem.size(), Stem.rfind('.')));
        Run.Symbols.AddUnit(Path, Stem);
    }
}

// The pass-1 reading of one unit, noting the first token after a section
// that did not end at `implementation`.
TInterfaceEnd ReadInterface(TRun& Run, const std::string& Name, const std::string& Disk) {
    TInterfaceEnd End;
    bool Noted = false;
    Run.Symbols.CurrentUnit = Name;
    Run.Stream.CurrentPass = 1;
    if (Run.Stream.Dialect == TDialect::Modern) Run.Stream.StartFile();
    Run.Stream.Open(Disk);
    Run.Stream.EndOfInput = 0;
    Run.Stream.NextToken();
    while (!Run.Stream.EndOfInput && Run.Stream.CurrentToken.Kind != tkImplementation) {
        if (Run.Stream.CurrentToken.Kind != tkInterface) {
            Run.Stream.NextToken();
            continue;
        }
        (void)Run.Parser.ReadInterfaceSection();
        // A unit whose interface is all it has ends at "end".
        if (!Noted && Run.Stream.CurrentToken.Kind == tkEnd)
            End = {"end", Run.Stream.Scanner.TokenLine(), "end"}, Noted = true;
        if (!Noted && !Run.Stream.EndOfInput && Run.Stream.CurrentToken.Kind != tkImplementation)
            End = {"stopped", Run.Stream.Scanner.TokenLine(), std::string(Run.Stream.CurrentToken.Text)}, Noted = true;
    }
    if (!Noted && !Run.Stream.EndOfInput) End = {"implementation", Run.Stream.Scanner.TokenLine(), "implementation"};
    Run.Stream.Close();
    return End;
}

// The heading finder: independent of the grammar rules, it looks at the
// interface's tokens only. A type body starts at class, record, object,
// interface or dispinterface unless the token after it shows a forward
// declaration, a class reference, a class member's prefix or a procedural
// type's "of object"; it ends at its "end". A heading is a routine keyword
// (or "operator" after "class") followed by a name, unless it follows "=",
// ":", "to" or "(" (a procedural type) or its name is qualified (a method
// resolution clause). Owners are dotted paths, a generic one with ".N", its
// number of type parameters.
namespace {

struct TTok {
    TTokenKind Kind;
    std::string Text;
    bool Included = false;  // read from an include file
};

std::vector<TTok> InterfaceTokens(const std::string& Disk, TDialect Dialect) {
    TTokenStream Stream;
    Stream.Dialect = Dialect;
    Stream.Defines.LoadDefines(std::string(DefaultDefines(Dialect)));
    Stream.Open(Disk);
    Stream.EndOfInput = 0;
    Stream.NextToken();
    std::vector<TTok> Tokens;
    bool In = false;
    while (!Stream.EndOfInput && Stream.CurrentToken.Kind != tkImplementation) {
        if (Stream.CurrentToken.Kind == tkInterface && !In) In = true;
        else if (In) Tokens.push_back({Stream.CurrentToken.Kind, LowerAscii(Stream.CurrentToken.Text)});
        Stream.NextToken();
    }
    Stream.Close();
    return Tokens;
}

// The index after the bracket that closes the one at I (of Open/Close kinds).
std::size_t PastBrackets(const std::vector<TTok>& T, std::size_t I, TTokenKind Open, TTokenKind Close) {
    int Depth = 0;
    for (; I < T.size(); ++I) {
        if (T[I].Kind == Open) ++Depth;
        if (T[I].Kind == Close && --Depth == 0) return I + 1;
    }
    return I;
}

std::size_t PastAngles(const std::vector<TTok>& T, std::size_t I) {
    int Depth = 0;
    for (; I < T.size(); ++I) {
        if (T[I].Kind == tkLess) ++Depth;
        if (T[I].Kind == tkGreater && --Depth == 0) return I + 1;
        if (T[I].Kind == tkSemicolon && Depth == 0) return I;
    }
    return I;
}

// The type name before "=" at Equal: "name" or "name.N" for a generic one.
std::string DeclaredName(const std::vector<TTok>& T, std::size_t Equal) {
    if (Equal == 0) return {};
    std::size_t I = Equal - 1;
    if (T[I].Kind == tkIdentifier) return T[I].Text;
    if (T[I].Kind != tkGreater) return {};
    int Depth = 0;
    for (;; --I) {
        if (T[I].Kind == tkGreater) ++Depth;
        if (T[I].Kind == tkLess && --Depth == 0) break;
        if (I == 0) return {};
    }
    if (I == 0 || T[I - 1].Kind != tkIdentifier) return {};
    // Names are counted, constraints (after a ":" up to the next ";") not.
    int Names = 0;
    bool Constraint = false;
    for (std::size_t J = I + 1; J + 1 < Equal; ++J) {
        if (T[J].Kind == tkLess) ++Depth;
        if (T[J].Kind == tkGreater) --Depth;
        if (Depth != 0) continue;
        if (T[J].Kind == tkColon) Constraint = true;
        if (T[J].Kind == tkSemicolon) Constraint = false;
        if (T[J].Kind == tkIdentifier && !Constraint) ++Names;
    }
    return T[I - 1].Text + "." + std::to_string(Names);
}

bool OpensBody(const std::vector<TTok>& T, std::size_t I) {
    const auto At = [&](std::size_t J) { return J < T.size() ? T[J].Kind : tkEndOfInput; };
    const TTokenKind K = T[I].Kind, Prev = I > 0 ? T[I - 1].Kind : tkEndOfInput, Next = At(I + 1);
    if (K == tkObject && Prev == tkOf) return false;
    if (K == tkClass) {
        switch (Next) {
        case tkFunction: case tkProcedure: case tkConstructor: case tkDestructor: case tkVar:
        case tkProperty: case tkThreadvar: case tkOf: return false;
        default: break;
        }
        if (Next == tkIdentifier && T[I + 1].Text == "operator") return false;
    }
    // A forward declaration, or "class" and "record" as constraints.
    if (Next == tkSemicolon || Next == tkGreater || Next == tkComma) return false;
    if (Next == tkLParen && K != tkRecord) return At(PastBrackets(T, I + 1, tkLParen, tkRParen)) != tkSemicolon;
    return true;
}

}  // namespace

THeadings FindHeadings(const std::string& Disk, TDialect Dialect) {
    const std::vector<TTok> T = InterfaceTokens(Disk, Dialect);
    THeadings Found;
    std::vector<std::string> Owners;
    for (std::size_t I = 0; I < T.size(); ++I) {
        const TTokenKind K = T[I].Kind;
        if (K == tkClass || K == tkRecord || K == tkObject || K == tkInterface || K == tkDispinterface) {
            if (!OpensBody(T, I)) continue;
            std::size_t Equal = I;
            while (Equal > 0 && T[Equal - 1].Kind == tkPacked) --Equal;
            std::string Name = Equal > 0 && T[Equal - 1].Kind == tkEqual ? DeclaredName(T, Equal - 1) : "";
            if (!Name.empty() && !Owners.empty() && !Owners.back().empty()) Name = Owners.back() + "." + Name;
            Owners.push_back(Name);
            continue;
        }
        if (K == tkEnd) {
            if (!Owners.empty()) Owners.pop_back();
            continue;
        }
        const bool Operator = K == tkIdentifier && T[I].Text == "operator" && I > 0 && T[I - 1].Kind == tkClass;
        if (K != tkFunction && K != tkProcedure && K != tkConstructor && K != tkDestructor && !Operator) continue;
        const TTokenKind Prev = I > 0 ? T[I - 1].Kind : tkEndOfInput;
        if (Prev == tkEqual || Prev == tkColon || Prev == tkLParen || (I > 0 && T[I - 1].Text == "to")) continue;
        if (I + 1 >= T.size() || T[I + 1].Kind != tkIdentifier) continue;
        const std::size_t After = I + 2 < T.size() && T[I + 2].Kind == tkLess ? PastAngles(T, I + 2) : I + 2;
        if (After < T.size() && T[After].Kind == tkPeriod) continue;
        const char* Kind = Operator ? "operator" : K == tkFunction ? "function" : K == tkProcedure ? "procedure"
                                                 : K == tkConstructor ? "constructor" : "destructor";
        const std::string Owner = Owners.empty() ? "" : Owners.back();
        ++Found[Owner + "|" + T[I + 1].Text + "|" + Kind];
    }
    return Found;
}

namespace {

// The implementation's own finder. It reads the tokens after `implementation`
// as a nest of routines: a heading (keyword and name, not after "=", ":",
// "(", "of" or "to") takes its parameters, result type and directives, then
// the local declarations (nested headings among them) up to the body, whose
// blocks are counted to their "end" (an asm block's first "end" closes it).
// Type bodies are passed over whole.
class TBodyFinder {
public:
    explicit TBodyFinder(std::vector<TTok> Tokens) : t_(std::move(Tokens)) {}

    std::vector<std::string> Run() {
        while (i_ < t_.size()) Step({}, {});
        return found_;
    }

private:
    std::vector<TTok> t_;
    std::size_t i_ = 0;
    std::vector<std::string> found_;

    TTokenKind At(std::size_t J) const { return J < t_.size() ? t_[J].Kind : tkEndOfInput; }
    bool IsText(std::size_t J, const char* Text) const { return J < t_.size() && t_[J].Text == Text; }

    // Where declarations stand "operator" starts a heading (Free Pascal's
    // global operators too) unless it names a variable.
    bool AtHeading() const {
        const TTokenKind K = At(i_);
        const bool Operator = K == tkIdentifier && IsText(i_, "operator") && At(i_ + 1) != tkColon &&
                              At(i_ + 1) != tkComma && At(i_ + 1) != tkSemicolon;
        if (K != tkFunction && K != tkProcedure && K != tkConstructor && K != tkDestructor && !Operator) return false;
        const TTokenKind Prev = i_ > 0 ? At(i_ - 1) : tkEndOfInput;
        if (Prev == tkEqual || Prev == tkColon || Prev == tkLParen || Prev == tkOf || (i_ > 0 && IsText(i_ - 1, "to")))
            return false;
        return At(i_ + 1) == tkIdentifier || (Operator && At(i_ + 1) != tkLParen);
    }

    bool AtTypeBody() const {
        const TTokenKind K = At(i_);
        // Free Pascal: "= type helper for T", Objective-C classes.
        if (K == tkIdentifier && i_ > 0 && At(i_ + 1) != tkSemicolon &&
            ((IsText(i_, "helper") && At(i_ - 1) == tkType && i_ > 1 && At(i_ - 2) == tkEqual) ||
             (At(i_ - 1) == tkEqual && (IsText(i_, "objcclass") || IsText(i_, "objcprotocol") ||
                                        IsText(i_, "objccategory")))))
            return true;
        if (K != tkClass && K != tkRecord && K != tkObject && K != tkInterface && K != tkDispinterface) return false;
        return OpensBody(t_, i_);
    }

    // One token, or one whole construct, at the level of a declaration part.
    void Step(const std::string& Class, const std::string& Path) {
        if (AtHeading()) return Routine(Class, Path);
        if (AtTypeBody()) return TypeBody();
        if (At(i_) == tkBegin || At(i_) == tkAsm) return Block();
        ++i_;
    }

    void TypeBody() {
        int Depth = 0;
        for (; i_ < t_.size(); ++i_) {
            if (At(i_) == tkRecord || AtTypeBody()) ++Depth;
            if (At(i_) == tkEnd && --Depth == 0) {
                ++i_;
                return;
            }
        }
    }

    // begin ... end or asm ... end, with the blocks inside.
    void Block() {
        int Depth = 0;
        for (; i_ < t_.size(); ++i_) {
            const TTokenKind K = At(i_);
            if (K == tkAsm) {
                while (i_ < t_.size() && At(i_) != tkEnd) ++i_;
                if (Depth == 0) {
                    ++i_;
                    return;
                }
                continue;
            }
            if (K == tkBegin || K == tkTry || K == tkCase || K == tkRecord) ++Depth;
            if (K == tkEnd && --Depth == 0) {
                ++i_;
                return;
            }
        }
    }

    // A part of a heading's name with its type parameters: "name" or "name.N".
    std::string NamePart() {
        std::string Part = t_[i_++].Text;
        if (At(i_) != tkLess) return Part;
        int Depth = 0, Count = 1;
        for (; i_ < t_.size(); ++i_) {
            if (At(i_) == tkLess) ++Depth;
            if ((At(i_) == tkComma || At(i_) == tkSemicolon) && Depth == 1) ++Count;
            if (At(i_) == tkGreater && --Depth == 0) break;
        }
        ++i_;
        return Part + "." + std::to_string(Count);
    }

    void Routine(const std::string& OuterClass, const std::string& OuterPath) {
        const bool Operator = At(i_++) == tkIdentifier;  // "operator": its name may be a keyword (In, And)
        std::string Qualifier, Name = NamePart();
        while (At(i_) == tkPeriod && (At(i_ + 1) == tkIdentifier || (Operator && At(i_ + 1) != tkLParen))) {
            Qualifier += (Qualifier.empty() ? "" : ".") + Name;
            ++i_;
            Name = NamePart();
        }
        // The method's own type parameters are not part of its name.
        if (const std::size_t Dot = Name.find('.'); Dot != std::string::npos) Name.resize(Dot);
        std::string Class = Qualifier, Path = Name;
        if (Qualifier.empty() && !OuterPath.empty()) Class = OuterClass, Path = OuterPath + "." + Name;
        if (!t_[i_ - 1].Included) found_.push_back(Class.empty() ? Path : Class + "_" + Path);
        // Parameters, result type, directives: up to what starts the body or
        // a declaration; a forward or external heading ends there.
        int Parens = 0;
        bool Bodiless = false;
        for (; i_ < t_.size(); ++i_) {
            const TTokenKind K = At(i_);
            if (K == tkLParen || K == tkLBracket) ++Parens;
            if (K == tkRParen || K == tkRBracket) --Parens;
            if (Parens > 0) continue;
            if (IsText(i_, "forward") || IsText(i_, "external")) Bodiless = true;
            if (K == tkVar || K == tkConst || K == tkType || K == tkLabel || K == tkResourcestring ||
                K == tkThreadvar || K == tkProcedure || K == tkFunction || K == tkConstructor ||
                K == tkDestructor || K == tkClass || K == tkBegin || K == tkAsm || K == tkImplementation ||
                K == tkInitialization || K == tkFinalization || K == tkEnd)
                break;
        }
        if (Bodiless) return;
        while (i_ < t_.size()) {
            const TTokenKind K = At(i_);
            if (K == tkBegin || K == tkAsm) return Block();
            if (K == tkImplementation || K == tkInitialization || K == tkFinalization || K == tkEnd) return;
            Step(Class, Path);
        }
    }
};

}  // namespace

namespace {

// An include file beside the unit, its name as written or with .inc, .pas or
// .pp, letter case matched; "*.inc" is the unit's own name.
std::string FindIncludeBeside(const std::string& Disk, std::string_view Written) {
    const std::filesystem::path Unit(Disk);
    std::string Name(Written);
    std::replace(Name.begin(), Name.end(), '\\', '/');
    if (Name.starts_with("*.")) Name = Unit.stem().string() + Name.substr(1);
    std::error_code Ec;
    for (const std::string& Candidate : {Name, Name + ".inc", Name + ".pas", Name + ".pp"}) {
        const std::filesystem::path Path = Unit.parent_path() / Candidate;
        if (std::filesystem::is_regular_file(Path, Ec)) return Path.string();
        for (const auto& Entry : std::filesystem::directory_iterator(Path.parent_path(), Ec))
            if (LowerAscii(Entry.path().filename().string()) == LowerAscii(Path.filename().string()))
                return Entry.path().string();
    }
    return {};
}

}  // namespace

std::vector<std::string> FindBodyAnchors(const std::string& Disk, TDialect Dialect, std::uint64_t& Offset) {
    TTokenStream Stream;
    Stream.Dialect = Dialect;
    Stream.Defines.LoadDefines(std::string(DefaultDefines(Dialect)));
    Stream.FileDefines = Stream.Defines;
    if (Dialect == TDialect::Modern) Stream.StartFile();
    Stream.IncludeHook = [&Disk](std::string_view Name) { return FindIncludeBeside(Disk, Name); };
    Stream.Open(Disk);
    Stream.EndOfInput = 0;
    Stream.NextToken();
    std::vector<TTok> Tokens;
    bool In = false;
    Offset = 0;
    while (!Stream.EndOfInput) {
        const bool Included = Stream.IncludeDepth() > 0;
        if (In) Tokens.push_back({Stream.CurrentToken.Kind, LowerAscii(Stream.CurrentToken.Text), Included});
        if (!In && !Included && Stream.CurrentToken.Kind == tkImplementation) {
            In = true;
            Offset = Stream.Scanner.TokenOffset();
        }
        Stream.NextToken();
    }
    Stream.Close();
    return TBodyFinder(std::move(Tokens)).Run();
}

namespace {

const char* HeadingKind(TSymbolKind Kind) {
    switch (Kind) {
    case skFunction: return "function";
    case skProcedure: return "procedure";
    case skConstructor: return "constructor";
    case skDestructor: return "destructor";
    default: return SymbolKindName(Kind) == "Operator" ? "operator" : nullptr;
    }
}

}  // namespace

THeadings RecordedHeadings(const TRun& Run, std::size_t Index) {
    THeadings Recorded;
    const TURElm& U = Run.Symbols.UnitList()[Index];
    for (const TRefElm& S : U.Symbols)
        if (const char* K = HeadingKind(S.Kind)) ++Recorded["|" + LowerAscii(S.Name) + "|" + K];
    for (const TCRElm& C : U.Classes)
        for (const TRefElm& M : C.Members)
            if (const char* K = HeadingKind(M.Kind)) ++Recorded[LowerAscii(C.Name) + "|" + LowerAscii(M.Name) + "|" + K];
    return Recorded;
}

// Headings found, and how many of them were recorded alike.
std::pair<int, int> CompareHeadings(const THeadings& Found, const THeadings& Recorded, const std::string& Unit) {
    int Present = 0, Matched = 0;
    const bool Tell = std::getenv("HEADINGS_MISSING") != nullptr;
    for (const auto& [Key, Count] : Found) {
        Present += Count;
        const auto R = Recorded.find(Key);
        const int Have = R == Recorded.end() ? 0 : std::min(Count, R->second);
        Matched += Have;
        if (Tell && Have < Count) std::fprintf(stderr, "%s\t%s\t%d\n", Unit.c_str(), Key.c_str(), Count - Have);
    }
    return {Present, Matched};
}

}  // namespace corvanet::acceptance
