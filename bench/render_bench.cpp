// Output throughput: the two renderers alone over pre-scanned tokens, and a
// whole file through token stream, delayed-token queue and both documents
// (written to a scratch directory), over about 16 MB of generated source.
// Reports source MB/s and tokens/s.
//   ninja -C build render_bench && build/bin/render_bench
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "documents.h"
#include "output_queue.h"
#include "token_stream.h"

namespace {

using namespace corvanet;

// A class declaration and a method body with every style, comparisons and
// braces to escape; n varies the names.
std::string Chunk(int n) {
    const std::string k = std::to_string(n);
    return "type\r\n  TShape" + k + " = class(TObject)\r\n  private\r\n    FArea: Double; { cached <area> & more }\r\n"
           "  public\r\n    function Area: Double;\r\n  end;\r\n\r\n"
           "function TShape" + k + ".Area: Double;\r\nbegin\r\n"
           "  // a<b and c>d, {braces} and back\\slashes\r\n"
           "  if (FArea <= 0) or (FArea >= 1.5e+3) then\r\n    Result := $" + std::to_string(16 + n % 200) +
           " * 2\r\n  else\r\n    Result := Length('a<b>{c}' + #13#10) / 3;\r\nend;\r\n\r\n";
}

const std::string& Source() {
    static const std::string source = [] {
        std::string s = "unit Shapes;\r\n\r\ninterface\r\n\r\nimplementation\r\n\r\n";
        for (int n = 0; s.size() < 16u * 1024 * 1024; ++n) s += Chunk(n);
        return s + "end.\r\n";
    }();
    return source;
}

struct TStyledToken {
    std::string Text;
    TokenStyle Style;
};

const std::vector<TStyledToken>& Tokens() {
    static const std::vector<TStyledToken> tokens = [] {
        std::vector<TStyledToken> out;
        TScanner scanner;
        scanner.OpenText(Source());
        for (TToken t; scanner.GetToken(t) == srToken;) out.push_back({std::string(t.Text), StyleOfKind(t.Kind)});
        return out;
    }();
    return tokens;
}

void SetRates(benchmark::State& State, std::size_t Tokens) {
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * Source().size()));
    State.counters["tokens/s"] =
        benchmark::Counter(static_cast<double>(State.iterations() * Tokens), benchmark::Counter::kIsRate);
}

// The renderers alone: both forms of every token into two reused buffers.
void BM_AppendTokens(benchmark::State& State) {
    const auto& tokens = Tokens();
    std::string rtf, html;
    rtf.reserve(1 << 17);
    html.reserve(1 << 17);
    for (auto _ : State) {
        for (const TStyledToken& t : tokens) {
            AppendRtfToken(rtf, t.Text, {}, {}, t.Style);
            AppendHtmlToken(html, t.Text, {}, {}, t.Style);
            if (rtf.size() > (1 << 16)) {
                benchmark::DoNotOptimize(rtf.data());
                rtf.clear();
                html.clear();
            }
        }
    }
    SetRates(State, tokens.size());
}
BENCHMARK(BM_AppendTokens)->Unit(benchmark::kMillisecond);

// A whole file as the output pass writes it: every token through the hook,
// each identifier held and queued like the link rule does, both documents.
void BM_WholeFile(benchmark::State& State) {
    char dir[] = "/tmp/corvanet-render-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr) return State.SkipWithError("mkdtemp failed");
    for (auto _ : State) {
        TTokenStream stream;
        TDocuments docs;
        TOutputQueue queue(stream, docs);
        stream.TokenHook = [&queue] { queue.FlushTokens(); };
        stream.CurrentPass = 2;
        docs.HtmlFileName = std::string(dir) + "/Shapes.html";
        docs.RtfFileName = std::string(dir) + "/Shapes.rtf";
        docs.OpenDocuments("Shapes");
        stream.Scanner.OpenText(Source());
        for (stream.NextToken(); stream.EndOfInput == 0;) {
            queue.HoldOutput = true;
            stream.NextToken();
            if (stream.CurrentToken.Kind == tkIdentifier) {
                queue.QueueCurrentToken();
            } else {
                queue.HoldOutput = false;
                queue.FlushTokens();
            }
        }
        queue.FinishFile();
        stream.Scanner.Close();
        docs.CloseDocuments();
        // New files each time: truncating the old ones can wait for the disk.
        std::remove(docs.HtmlFileName.c_str());
        std::remove(docs.RtfFileName.c_str());
    }
    rmdir(dir);
    SetRates(State, Tokens().size());
}
BENCHMARK(BM_WholeFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
