// token_summary: scans the named source files (directories: their .pas, .dpr
// and .inc files) and prints, per file and in total, the bytes, the tokens by
// kind and where scanning stopped; "--dialect modern" first scans with the
// modern lexis and counts the files that hold a byte no token starts with. A quick look at what the scanner makes of a
// project before the whole run exists; it never changes a file.
#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "error.h"
#include "scanner.h"

namespace {

using corvanet::TScanner;
using corvanet::TToken;
using corvanet::TTokenKind;

struct Summary {
    std::uint64_t Bytes = 0;
    std::array<std::uint64_t, corvanet::tkEndOfInput + 1> ByKind{};
    std::uint64_t Tokens() const {
        std::uint64_t n = 0;
        for (auto k : ByKind) n += k;
        return n;
    }
    void Add(const Summary& other) {
        Bytes += other.Bytes;
        for (std::size_t i = 0; i < ByKind.size(); ++i) ByKind[i] += other.ByKind[i];
    }
};

// Groups of kinds, so the summary fits on a few lines.
struct Group {
    const char* Name;
    bool (*Member)(TTokenKind);
};
const Group Groups[] = {
    {"identifiers", [](TTokenKind k) { return k == corvanet::tkIdentifier; }},
    {"reserved words", [](TTokenKind k) { return corvanet::IsReservedWord(k); }},
    {"visibility words", [](TTokenKind k) { return corvanet::IsVisibilityWord(k); }},
    {"numbers", [](TTokenKind k) { return k == corvanet::tkIntNumber || k == corvanet::tkRealNumber; }},
    {"strings", [](TTokenKind k) { return k == corvanet::tkQuotedString; }},
    {"symbols", [](TTokenKind k) { return corvanet::IsSymbolKind(k); }},
    {"comments", [](TTokenKind k) { return k == corvanet::tkComment; }},
    {"directives", [](TTokenKind k) { return k == corvanet::tkDirective; }},
    {"whitespace", [](TTokenKind k) { return k == corvanet::tkWhitespace; }},
    {"unknown bytes", [](TTokenKind k) { return k == corvanet::tkUnknown; }},
};

void Print(const std::string& title, const Summary& s) {
    std::cout << title << ": " << s.Bytes << " bytes, " << s.Tokens() << " tokens\n";
    for (const Group& g : Groups) {
        std::uint64_t n = 0;
        for (std::size_t k = 0; k < s.ByKind.size(); ++k)
            if (g.Member(static_cast<TTokenKind>(k))) n += s.ByKind[k];
        if (n != 0) std::cout << "  " << g.Name << ": " << n << "\n";
    }
}

Summary ScanFile(TScanner& scanner, const std::string& path) {
    Summary s;
    scanner.Open(path);
    TToken token;
    std::uint8_t reason = corvanet::srToken;
    while ((reason = scanner.GetToken(token)) == corvanet::srToken) ++s.ByKind[token.Kind];
    s.Bytes = scanner.FileSize();
    Print(path, s);
    if (reason == corvanet::srEndOfInput) {
        std::cout << "  scanned to the end\n";
    } else {
        std::cout << "  stopped at line " << scanner.TokenLine() << ", byte " << scanner.TokenOffset() << ": "
                  << corvanet::ScanResultText(reason) << "\n";
    }
    scanner.Close();
    return s;
}

std::vector<std::string> SourceFiles(const std::string& arg) {
    namespace fs = std::filesystem;
    if (!fs::is_directory(arg)) return {arg};
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(arg)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (entry.is_regular_file() && (ext == ".pas" || ext == ".dpr" || ext == ".inc"))
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: token_summary FILE-OR-DIRECTORY...\n";
        return 2;
    }
    TScanner scanner;
    Summary total;
    int files = 0, withUnknown = 0;
    int first = 1;
    if (argc > 2 && std::string(argv[1]) == "--dialect") {
        const auto dialect = corvanet::DialectNamed(argv[2]);
        if (!dialect) {
            std::cerr << "token_summary: unknown dialect " << argv[2] << "\n";
            return 2;
        }
        scanner.Dialect = *dialect;
        first = 3;
    }
    try {
        for (int i = first; i < argc; ++i) {
            for (const std::string& path : SourceFiles(argv[i])) {
                const Summary s = ScanFile(scanner, path);
                withUnknown += s.ByKind[corvanet::tkUnknown] != 0;
                total.Add(s);
                ++files;
            }
        }
    } catch (const corvanet::CorvanetError& e) {
        std::cerr << "token_summary: " << e.what() << "\n";
        return 1;
    }
    Print("total (" + std::to_string(files) + " files)", total);
    std::cout << "files holding an unknown byte: " << withUnknown << "\n";
    return 0;
}
