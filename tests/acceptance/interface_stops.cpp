// interface_stops: where the grammar stops reading each unit's interface, and
// where the scanner stops. For the on-demand investigation of a kept acceptance
// run: it reads every unit of the manifest in order the way the symbol pass
// does (defines and the skipping flag carried from file to file), and prints one
// line per unit, tab-separated:
//   name, path, skipping at start (0/1), how the section ended (implementation,
//   end of file, stopped), line, token, symbols recorded, the source line,
//   the scanner's last reason code, its line, the first bytes of the failed token.
// "stopped" is the first token the interface rules could not read.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pipeline.h"

namespace corvanet::acceptance {
namespace {

class TSilentReporter final : public TReporter {
public:
    void Progress(int, int) override {}
    void Status(const std::string&) override {}
    void Warning(const std::string&) override {}
};

struct TUnit {
    std::string Name, Written, Disk;
};

struct TInterfaceEnd {
    const char* How = "end of file";
    int Line = 0;
    std::string Token;
};

std::vector<TUnit> ReadManifest(const std::string& Path) {
    std::vector<TUnit> Units;
    std::ifstream In(Path);
    for (std::string Line; std::getline(In, Line);) {
        std::istringstream Fields(Line);
        TUnit U;
        if (std::getline(Fields, U.Name, '\t') && std::getline(Fields, U.Written, '\t') &&
            std::getline(Fields, U.Disk, '\t'))
            Units.push_back(U);
    }
    return Units;
}

std::string SourceLine(const std::string& Disk, int Line) {
    std::ifstream In(Disk, std::ios::binary);
    std::string Text;
    for (int I = 0; I < Line && std::getline(In, Text); ++I) {}
    while (!Text.empty() && (Text.back() == '\r' || Text.back() == '\n')) Text.pop_back();
    for (char& C : Text) if (C == '\t') C = ' ';
    return Text;
}

// The pass-1 reading of one unit, noting the first token after a section
// that did not end at `implementation`.
TInterfaceEnd ReadInterface(TRun& Run, const TUnit& Unit) {
    TInterfaceEnd End;
    bool Noted = false;
    Run.Symbols.CurrentUnit = Unit.Name;
    Run.Stream.CurrentPass = 1;
    Run.Stream.Scanner.Open(Unit.Disk);
    Run.Stream.EndOfInput = 0;
    Run.Stream.NextToken();
    while (!Run.Stream.EndOfInput && Run.Stream.CurrentToken.Kind != tkImplementation) {
        if (Run.Stream.CurrentToken.Kind != tkInterface) {
            Run.Stream.NextToken();
            continue;
        }
        (void)Run.Parser.ReadInterfaceSection();
        if (!Noted && !Run.Stream.EndOfInput && Run.Stream.CurrentToken.Kind != tkImplementation)
            End = {"stopped", Run.Stream.Scanner.TokenLine(), std::string(Run.Stream.CurrentToken.Text)}, Noted = true;
    }
    if (!Noted && !Run.Stream.EndOfInput) End = {"implementation", Run.Stream.Scanner.TokenLine(), "implementation"};
    Run.Stream.Scanner.Close();
    return End;
}

struct TScanEnd {
    int Reason = 0;
    int Line = 0;
    std::string Bytes;  // the first bytes of the failed token, made visible
};

// The whole file through the scanner alone, to where it ends.
TScanEnd ScanToEnd(const std::string& Disk) {
    TScanner Scanner;
    Scanner.Open(Disk);
    TToken Token;
    TScanEnd End;
    while ((End.Reason = Scanner.GetToken(Token)) == srToken) {}
    End.Line = Scanner.TokenLine();
    const std::uint64_t Offset = Scanner.TokenOffset();
    Scanner.Close();
    if (End.Reason == srEndOfInput) return End;
    std::ifstream In(Disk, std::ios::binary);
    In.seekg(static_cast<std::streamoff>(Offset));
    char Bytes[8] = {};
    In.read(Bytes, sizeof Bytes);
    for (std::streamsize I = 0; I < In.gcount(); ++I) {
        const unsigned char C = static_cast<unsigned char>(Bytes[I]);
        char Hex[8];
        std::snprintf(Hex, sizeof Hex, "\\x%02X", C);
        End.Bytes += C >= 33 && C < 127 && C != '\\' ? std::string(1, static_cast<char>(C)) : std::string(Hex);
    }
    return End;
}

std::size_t SymbolsOf(const TRun& Run, const std::string& Name) {
    const int Index = Run.Symbols.FindUnit(Name);
    if (Index < 0) return 0;
    const TURElm& U = Run.Symbols.UnitList()[static_cast<std::size_t>(Index)];
    std::size_t Count = U.Symbols.size();
    for (const TCRElm& C : U.Classes) Count += 1 + C.Members.size();
    return Count;
}

int Main(const std::string& ManifestPath) {
    const std::vector<TUnit> Units = ReadManifest(ManifestPath);
    TSilentReporter Reporter;
    TRun Run(Reporter);
    Run.Symbols.CreateUnitList();
    Run.Stream.Defines.LoadDefines("WIN32;VER100");
    Run.Stream.CurrentPass = 0;
    for (const TUnit& U : Units) Run.Symbols.AddUnit(U.Written);
    for (const TUnit& U : Units) {
        const bool SkippingAtStart = Run.Stream.Skipping;
        const TInterfaceEnd End = ReadInterface(Run, U);
        const TScanEnd Scan = ScanToEnd(U.Disk);
        std::printf("%s\t%s\t%d\t%s\t%d\t%s\t%zu\t%s\t%d\t%d\t%s\n", U.Name.c_str(), U.Disk.c_str(),
                    SkippingAtStart ? 1 : 0, End.How, End.Line, End.Token.c_str(), SymbolsOf(Run, U.Name),
                    End.Line > 0 ? SourceLine(U.Disk, End.Line).c_str() : "", Scan.Reason, Scan.Line,
                    Scan.Bytes.c_str());
    }
    return 0;
}

}  // namespace
}  // namespace corvanet::acceptance

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: interface_stops UNITS.tsv (the manifest of make_project.py)\n");
        return 2;
    }
    return corvanet::acceptance::Main(argv[1]);
}
