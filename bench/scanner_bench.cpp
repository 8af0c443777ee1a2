// Scanner and token-stream throughput over a large generated Object Pascal
// source (about 16 MB of declarations, routines, comments, strings and
// directives with CR LF line ends). Reports MB/s and tokens/s of GetToken from
// memory and from a file (through the 64 KiB window) and of NextToken.
//   ninja -C build scanner_bench && build/bin/scanner_bench
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "token_stream.h"

namespace {

using namespace corvanet;

// One routine in the style of real Delphi code; `n` varies names and numbers.
void AppendRoutine(std::string& out, int n) {
    const std::string id = std::to_string(n);
    out += "{ TWidget" + id + ".Paint draws the widget and its caption. }\r\n"
           "procedure TWidget" + id + ".Paint(Canvas: TCanvas; const Caption: string);\r\n"
           "var\r\n  I, Count: Integer;\r\n  Ratio: Double;\r\nbegin\r\n"
           "  Count := FItems.Count - 1; // the last item is drawn separately\r\n"
           "  Ratio := 1.5e+3 / (Count + $" + std::to_string(10 + n % 89) + ");\r\n"
           "  for I := 0 to Count do\r\n  begin\r\n"
           "    if (FItems[I] <> nil) and not Hidden then\r\n"
           "      Canvas.TextOut(I * 12, 4, 'Item ''' + IntToStr(I) + '''' + #13#10);\r\n"
           "  end;\r\n"
           "  {$IFDEF DEBUG} WriteLn('painted ', Count); {$ENDIF}\r\n"
           "  (* the caption goes last, over the items *)\r\n"
           "  inherited Paint(Canvas, Caption);\r\nend;\r\n\r\n";
}

const std::string& Source() {
    static const std::string source = [] {
        std::string s = "unit Widgets;\r\n\r\ninterface\r\n\r\nuses SysUtils, Classes;\r\n\r\nimplementation\r\n\r\n";
        for (int n = 0; s.size() < 16u * 1024 * 1024; ++n) AppendRoutine(s, n);
        return s + "end.\r\n";
    }();
    return source;
}

const std::string& SourceFile() {
    static const std::string path = [] {
        const auto p = std::filesystem::temp_directory_path() / "corvanet_scanner_bench.pas";
        std::FILE* f = std::fopen(p.string().c_str(), "wb");
        if (!f) return std::string();
        std::fwrite(Source().data(), 1, Source().size(), f);
        std::fclose(f);
        return p.string();
    }();
    return path;
}

void Report(benchmark::State& state, std::int64_t tokens) {
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Source().size()));
    state.SetItemsProcessed(tokens);
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(state.iterations()) *
                                                    static_cast<double>(Source().size()) / 1e6,
                                                benchmark::Counter::kIsRate);
}

void BM_ScannerMemory(benchmark::State& state) {
    TScanner scanner;
    TToken token;
    std::int64_t tokens = 0;
    for (auto _ : state) {
        state.PauseTiming();
        scanner.OpenText(Source());
        state.ResumeTiming();
        while (scanner.GetToken(token) == srToken) ++tokens;
        benchmark::DoNotOptimize(token);
    }
    Report(state, tokens);
}
BENCHMARK(BM_ScannerMemory)->Unit(benchmark::kMillisecond);

void BM_ScannerFile(benchmark::State& state) {
    const std::string& path = SourceFile();
    if (path.empty()) {
        state.SkipWithError("cannot write the temporary source file");
        return;
    }
    TScanner scanner;
    TToken token;
    std::int64_t tokens = 0;
    for (auto _ : state) {
        scanner.Open(path);
        while (scanner.GetToken(token) == srToken) ++tokens;
        benchmark::DoNotOptimize(token);
        scanner.Close();
    }
    Report(state, tokens);
}
BENCHMARK(BM_ScannerFile)->Unit(benchmark::kMillisecond);

void BM_NextToken(benchmark::State& state) {
    TTokenStream stream;
    stream.Defines.LoadDefines("WIN32;VER100");
    std::int64_t hooked = 0;
    stream.TokenHook = [&hooked] { ++hooked; };
    std::int64_t counted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        stream.Scanner.OpenText(Source());
        state.ResumeTiming();
        for (stream.NextToken(); stream.EndOfInput == 0; stream.NextToken()) ++counted;
    }
    benchmark::DoNotOptimize(counted);
    Report(state, hooked);  // every token read, as the hook sees them
}
BENCHMARK(BM_NextToken)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
