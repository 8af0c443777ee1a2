// floor: the least a whole run must do with the disk. Reads every source file
// twice through a 64 KiB buffer and writes, into a fresh directory, as many
// files of the same sizes as a Corvanet output directory holds, with ordinary
// buffered writes and no fsync. Its wall time is the floor that a run is
// compared against.   floor --sizes CORVANET_OUTDIR --out FRESH_DIR SOURCE_LIST
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t BufferSize = 64 * 1024;

struct TOutput {
    std::string Name;
    std::uintmax_t Size = 0;
};

struct TTotals {
    unsigned long long ReadFiles = 0, ReadBytes = 0, WrittenFiles = 0, WrittenBytes = 0;
};

[[noreturn]] void Fail(const std::string& Text) {
    std::fprintf(stderr, "floor: %s\n", Text.c_str());
    std::exit(1);
}

std::vector<std::string> ReadList(const std::string& ListFile) {
    std::ifstream In(ListFile);
    if (!In) Fail("cannot open " + ListFile);
    std::vector<std::string> Paths;
    for (std::string Line; std::getline(In, Line);)
        if (!Line.empty()) Paths.push_back(Line);
    return Paths;
}

// Every regular file of the directory with its size, in name order.
std::vector<TOutput> OutputSizes(const std::string& Dir) {
    std::vector<TOutput> Outputs;
    for (const fs::directory_entry& E : fs::directory_iterator(Dir))
        if (E.is_regular_file()) Outputs.push_back({E.path().filename().string(), E.file_size()});
    std::sort(Outputs.begin(), Outputs.end(), [](const TOutput& A, const TOutput& B) { return A.Name < B.Name; });
    return Outputs;
}

void ReadWhole(const std::string& Path, char* Buffer, TTotals& T) {
    const int Fd = open(Path.c_str(), O_RDONLY);
    if (Fd < 0) Fail("cannot open " + Path);
    for (ssize_t N; (N = read(Fd, Buffer, BufferSize)) > 0;) T.ReadBytes += static_cast<unsigned long long>(N);
    close(Fd);
    ++T.ReadFiles;
}

void WriteFile(const std::string& Path, std::uintmax_t Size, const char* Bytes, TTotals& T) {
    std::FILE* F = std::fopen(Path.c_str(), "wb");
    if (F == nullptr) Fail("cannot create " + Path);
    std::setvbuf(F, nullptr, _IOFBF, BufferSize);
    for (std::uintmax_t Left = Size; Left > 0;) {
        const std::size_t Chunk = static_cast<std::size_t>(std::min<std::uintmax_t>(Left, BufferSize));
        if (std::fwrite(Bytes, 1, Chunk, F) != Chunk) Fail("cannot write " + Path);
        Left -= Chunk;
    }
    if (std::fclose(F) != 0) Fail("cannot write " + Path);
    ++T.WrittenFiles;
    T.WrittenBytes += Size;
}

}  // namespace

int main(int argc, char** argv) {
    std::string SizesDir, OutDir, ListFile;
    for (int i = 1; i < argc; ++i) {
        const std::string A = argv[i];
        if (A == "--sizes" && i + 1 < argc) SizesDir = argv[++i];
        else if (A == "--out" && i + 1 < argc) OutDir = argv[++i];
        else ListFile = A;
    }
    if (SizesDir.empty() || OutDir.empty() || ListFile.empty())
        Fail("usage: floor --sizes CORVANET_OUTDIR --out FRESH_DIR SOURCE_LIST");
    const std::vector<std::string> Sources = ReadList(ListFile);
    const std::vector<TOutput> Outputs = OutputSizes(SizesDir);
    fs::remove_all(OutDir);
    fs::create_directories(OutDir);
    const auto Start = std::chrono::steady_clock::now();
    std::vector<char> Buffer(BufferSize, 'x');
    TTotals T;
    // First pass: every source once. Second pass: every source again, each
    // followed by its share of the documents, as a run writes them.
    for (const std::string& Path : Sources) ReadWhole(Path, Buffer.data(), T);
    const std::size_t S = std::max<std::size_t>(Sources.size(), 1);
    for (std::size_t i = 0; i < Sources.size(); ++i) {
        ReadWhole(Sources[i], Buffer.data(), T);
        for (std::size_t k = i * Outputs.size() / S; k < (i + 1) * Outputs.size() / S; ++k)
            WriteFile(OutDir + "/" + Outputs[k].Name, Outputs[k].Size, Buffer.data(), T);
    }
    const double Wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    std::printf("floor: read %llu files, %llu bytes (twice each); wrote %llu files, %llu bytes; %.3f s\n",
                T.ReadFiles / 2, T.ReadBytes, T.WrittenFiles, T.WrittenBytes, Wall);
    return 0;
}
