// interface_stops: where the grammar stops reading each unit's interface, and
// where the scanner stops. For the on-demand investigation of a kept acceptance
// run: it reads every unit of the manifest in order the way the symbol pass
// does (defines and the skipping flag carried from file to file), and prints one
// line per unit, tab-separated:
//   name, path, skipping at start (0/1), how the section ended (implementation,
//   end (of a unit without one), end of file, stopped), line, token, symbols recorded, the source line,
//   the scanner's last reason code, its line, the first bytes of the failed token,
//   the interface routine headings a simple finder sees, and how many of them
//   the symbol table holds with the same owner type and kind.
// "stopped" is the first token the interface rules could not read. A second
// argument names the dialect (classic by default). With HEADINGS_MISSING set,
// each heading found but not recorded goes to standard error.
// A third names the output directory of a run of the same units in that
// dialect: each line then ends with the implementation's anchors a simple
// finder expects, how many of them the unit's page holds, and the anchors
// the page holds after `implementation` that the finder does not expect;
// with ANCHORS_MISSING set, each such difference goes to standard error.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "decode.h"
#include "interface_read.h"
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

struct TScanEnd {
    int Reason = 0;
    int Line = 0;
    std::string Bytes;  // the first bytes of the failed token, made visible
};

// The whole file through the scanner alone, to where it ends.
TScanEnd ScanToEnd(const std::string& Disk, TDialect Dialect) {
    TScanner Scanner;
    Scanner.Dialect = Dialect;
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


// The table is not sorted here, so a unit is found by its place in the list.
std::size_t SymbolsOf(const TRun& Run, std::size_t Index) {
    const TURElm& U = Run.Symbols.UnitList()[Index];
    std::size_t Count = U.Symbols.size();
    for (const TCRElm& C : U.Classes) Count += 1 + C.Members.size();
    return Count;
}

struct TAnchorFigures {
    int Expected = 0, Written = 0, Unexpected = 0;
};

// The finder's anchors against those of Dir/Name.html after `implementation`
// (a page's anchors are named PAGE_KEY, the page name lower-cased).
TAnchorFigures CompareAnchors(const std::string& Dir, const TUnit& U, TDialect Dialect) {
    std::uint64_t Offset = 0;
    const std::vector<std::string> Keys = FindBodyAnchors(U.Disk, Dialect, Offset);
    if (Offset == 0) return {};  // no implementation (a program, an interface-only unit)
    std::set<std::string> Expected(Keys.begin(), Keys.end()), Written;
    std::string Page;
    try {
        Page = testsupport::ReadFileBytes(Dir + "/" + U.Name + ".html");
    } catch (const std::exception&) {
        return {};  // a unit the run did not document
    }
    const testsupport::TDecodedDocument Doc = testsupport::DecodeHtmlPage(Page);
    const std::string Prefix = LowerAscii(U.Name) + "_";
    for (const testsupport::TDecodedAnchor& A : Doc.Anchors)
        if (!A.InHeader && A.Offset >= Offset && A.Name.starts_with(Prefix)) Written.insert(A.Name.substr(Prefix.size()));
    const bool Tell = std::getenv("ANCHORS_MISSING") != nullptr;
    TAnchorFigures F;
    for (const std::string& K : Expected) {
        ++F.Expected;
        if (Written.count(K)) ++F.Written;
        else if (Tell) std::fprintf(stderr, "%s\tmissing\t%s\n", U.Name.c_str(), K.c_str());
    }
    for (const std::string& K : Written)
        if (!Expected.count(K)) {
            ++F.Unexpected;
            if (Tell) std::fprintf(stderr, "%s\tunexpected\t%s\n", U.Name.c_str(), K.c_str());
        }
    return F;
}

int Main(const std::string& ManifestPath, TDialect Dialect, const char* OutputDir) {
    const std::vector<TUnit> Units = ReadManifest(ManifestPath);
    TSilentReporter Reporter;
    TRun Run(Reporter);
    std::vector<std::string> Written;
    for (const TUnit& U : Units) Written.push_back(U.Written);
    PrepareRun(Run, Dialect, Written);
    std::vector<THeadings> Found;
    for (const TUnit& U : Units) Found.push_back(FindHeadings(U.Disk, Dialect));
    int Present = 0, Matched = 0, Read = 0;
    TAnchorFigures Anchors;
    for (const TUnit& U : Units) {
        const bool SkippingAtStart = Run.Stream.Skipping;
        const TInterfaceEnd End = ReadInterface(Run, U.Name, U.Disk);
        const TScanEnd Scan = ScanToEnd(U.Disk, Dialect);
        const auto Index = static_cast<std::size_t>(&U - Units.data());
        const auto [P, M] = CompareHeadings(Found[Index], RecordedHeadings(Run, Index), U.Name);
        Present += P, Matched += M, Read += End.ReadToItsEnd();
        std::printf("%s\t%s\t%d\t%s\t%d\t%s\t%zu\t%s\t%d\t%d\t%s\t%d\t%d", U.Name.c_str(), U.Disk.c_str(),
                    SkippingAtStart ? 1 : 0, End.How, End.Line, End.Token.c_str(), SymbolsOf(Run, Index),
                    End.Line > 0 ? SourceLine(U.Disk, End.Line).c_str() : "", Scan.Reason, Scan.Line,
                    Scan.Bytes.c_str(), P, M);
        if (OutputDir) {
            const TAnchorFigures A = CompareAnchors(OutputDir, U, Dialect);
            Anchors.Expected += A.Expected, Anchors.Written += A.Written, Anchors.Unexpected += A.Unexpected;
            std::printf("\t%d\t%d\t%d", A.Expected, A.Written, A.Unexpected);
        }
        std::printf("\n");
    }
    std::fprintf(stderr, "units %zu, interface read to its end %d; headings %d, recorded %d\n",
                 Units.size(), Read, Present, Matched);
    if (OutputDir)
        std::fprintf(stderr, "implementation anchors expected %d, written %d, written but not expected %d\n",
                     Anchors.Expected, Anchors.Written, Anchors.Unexpected);
    return 0;
}

}  // namespace
}  // namespace corvanet::acceptance

int main(int argc, char** argv) {
    const auto Dialect = argc >= 3 ? corvanet::DialectNamed(argv[2]) : corvanet::TDialect::Classic;
    if (argc < 2 || argc > 4 || !Dialect) {
        std::fprintf(stderr, "usage: interface_stops UNITS.tsv [classic|modern [OUTPUT-DIR]] "
                             "(the manifest of make_project.py)\n");
        return 2;
    }
    return corvanet::acceptance::Main(argv[1], *Dialect, argc == 4 ? argv[3] : nullptr);
}
