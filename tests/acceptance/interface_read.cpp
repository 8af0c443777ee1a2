#include "interface_read.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

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
