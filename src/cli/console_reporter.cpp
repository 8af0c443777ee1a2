// The console side of a run's notifications (see console_reporter.h).
#include "console_reporter.h"

#include "report.h"

namespace corvanet::cli {

namespace {
constexpr int BarWidth = 30;
}

TConsoleReporter::TConsoleReporter(std::FILE* Out, bool Terminal, bool Quiet)
    : out_(Out), terminal_(Terminal), quiet_(Quiet) {}

void TConsoleReporter::Progress(int Total, int Position) {
    percent_ = ProgressPercent(Total, Position);
    if (terminal_ && !quiet_) Draw();
}

void TConsoleReporter::Status(const std::string& StatusText) {
    status_ = StatusText;
    if (quiet_) return;
    if (terminal_) {
        Draw();
    } else {
        std::fprintf(out_, "%s\n", status_.c_str());
        std::fflush(out_);
    }
}

void TConsoleReporter::Warning(const std::string& Text) {
    EndLine();
    std::fprintf(out_, "corvanet-cli: warning: %s\n", Text.c_str());
    std::fflush(out_);
    if (terminal_ && !quiet_) Draw();
}

void TConsoleReporter::HelpCompilerOutput(const std::string& Text, bool Failed) {
    if (quiet_ && !Failed) return;
    EndLine();
    std::fwrite(Text.data(), 1, Text.size(), out_);
    if (Text.back() != '\n') std::fputc('\n', out_);
    std::fflush(out_);
    if (terminal_ && !quiet_) Draw();
}

void TConsoleReporter::Final(const std::string& Text) {
    if (quiet_) return;
    EndLine();  // the bar keeps its last state above
    std::fprintf(out_, "%s\n", Text.c_str());
    std::fflush(out_);
}

void TConsoleReporter::EndLine() {
    if (!lineOpen_) return;
    std::fputc('\n', out_);
    lineOpen_ = false;
}

// Redraws the whole line in place: carriage return, bar, percentage, status,
// and a clear to the end of the line for a shorter status than before.
void TConsoleReporter::Draw() {
    const int Clamped = percent_ < 0 ? 0 : (percent_ > 100 ? 100 : percent_);
    const int Filled = Clamped * BarWidth / 100;
    std::string Bar(static_cast<std::size_t>(Filled), '#');
    Bar.append(static_cast<std::size_t>(BarWidth - Filled), '-');
    std::fprintf(out_, "\r[%s] %3d%% %s\033[K", Bar.c_str(), Clamped, status_.c_str());
    std::fflush(out_);
    lineOpen_ = true;
}

}  // namespace corvanet::cli
