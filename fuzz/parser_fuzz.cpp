// libFuzzer target: one whole run over a project whose single unit is the
// fuzzer's input, with its repeat marks expanded (see Expand). A run must end, raise nothing, and leave a page that decodes
// back to the whole unit; a read that goes on far beyond the input's size is
// taken as a run that would never end. Any breach aborts, so libFuzzer keeps
// the input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "decode.h"
#include "pipeline.h"

namespace {

using namespace corvanet;

class TQuietReporter : public TReporter {
public:
    void Progress(int, int) override {}
    void Status(const std::string&) override {}
    void Warning(const std::string&) override {}
};

[[noreturn]] void Breach(const char* What) {
    std::fprintf(stderr, "parser_fuzz: %s\n", What);
    std::abort();
}

void WriteFile(const std::string& Path, const std::string& Text) {
    std::FILE* File = std::fopen(Path.c_str(), "wb");
    if (!File) Breach("cannot write the scratch files");
    std::fwrite(Text.data(), 1, Text.size(), File);
    std::fclose(File);
}

// The project directory of this fuzzing process: made on first use, removed
// with everything in it when the process exits normally.
class TScratch {
public:
    TScratch() {
        const auto Path = std::filesystem::temp_directory_path() /
                          ("corvanet-fuzz-" + std::to_string(static_cast<long>(::getpid())));
        std::filesystem::create_directories(Path);
        Dir = Path.string() + "/";
    }
    ~TScratch() {
        std::error_code Ignored;
        std::filesystem::remove_all(Dir, Ignored);
    }
    std::string Dir;
};

const std::string& ProjectDir() {
    static const TScratch Scratch;
    return Scratch.Dir;
}

// The unit an input stands for: a byte 0x01 followed by a count byte N, a
// length byte L and L bytes stands for those L bytes 4 * (N + 1) times, so
// that short inputs reach nesting of any kind past the parser's limit
// ("\x01\xff\x01(" "1" "\x01\xff\x01)" is 1,024 parentheses deep). A mark
// cut short stands for itself; the unit stops growing at 256 KiB, so a run
// stays quick enough for many of them.
std::string Expand(const std::uint8_t* Data, std::size_t Size) {
    constexpr std::size_t MaxUnit = std::size_t{1} << 18;
    std::string Unit;
    for (std::size_t i = 0; i < Size && Unit.size() < MaxUnit;) {
        if (Data[i] == 0x01 && i + 2 < Size && i + 3 + Data[i + 2] <= Size) {
            const std::string Piece(reinterpret_cast<const char*>(Data + i + 3), Data[i + 2]);
            for (std::size_t n = 4 * (std::size_t{Data[i + 1]} + 1); n > 0 && Unit.size() < MaxUnit; --n)
                Unit += Piece;
            i += 3 + Data[i + 2];
        } else {
            Unit += static_cast<char>(Data[i++]);
        }
    }
    return Unit;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string Unit = Expand(Data, Size);
    const std::string& Dir = ProjectDir();
    WriteFile(Dir + "P.dpr", "program P;\r\nuses\r\n  U in 'U.pas';\r\nbegin\r\nend.\r\n");
    WriteFile(Dir + "U.pas", Unit);

    TQuietReporter Reporter;
    TRun Run(Reporter);
    auto Inner = Run.Stream.TokenHook;
    const std::size_t Limit = 64 * (Unit.size() + 256);
    Run.Stream.TokenHook = [Inner, Limit, Calls = std::size_t{0}]() mutable {
        if (++Calls > Limit) Breach("the run does not end");
        Inner();
    };
    // Inputs of odd length are read in the modern dialect, the others in the classic one.
    Run.Dialect = Size % 2 == 1 ? TDialect::Modern : TDialect::Classic;
    Run.ProjectFile = Dir + "P.dpr";
    Run.BuildDir = Dir;
    try {
        Run.Execute(Run.ProjectFile, "WIN32;VER100");
    } catch (const std::exception& E) {
        std::fprintf(stderr, "parser_fuzz: %s\n", E.what());
        Breach("the run raised");
    }
    const auto Page = corvanet::testsupport::DecodeHtmlPage(corvanet::testsupport::ReadFileBytes(Dir + "U.html"));
    if (!Page.Ok()) Breach("the page does not decode");
    if (Page.Text != corvanet::testsupport::WithoutByteOrderMark(Unit)) Breach("the page lost or repeated source");
    return 0;
}
