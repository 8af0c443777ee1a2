// How a run looks on standard error: a progress bar with the status text on a
// terminal, one line per status otherwise, warnings always. The bar's line is
// ended before anything else is printed, so messages never land inside it.
#pragma once

#include <cstdio>
#include <string>

#include "pipeline.h"

namespace corvanet::cli {

class TConsoleReporter : public TReporter {
public:
    TConsoleReporter(std::FILE* Out, bool Terminal, bool Quiet);

    void Progress(int Total, int Position) override;
    void Status(const std::string& StatusText) override;
    void Warning(const std::string& Text) override;
    // Shown as written; a quiet run shows it only when the compiler failed.
    void HelpCompilerOutput(const std::string& Text, bool Failed) override;

    // A last status line ("Time Taken: ..."), below the bar.
    void Final(const std::string& Text);
    // Ends the bar's line, if one is drawn (before an error message).
    void EndLine();

private:
    void Draw();

    std::FILE* out_;
    bool terminal_;
    bool quiet_;
    bool lineOpen_ = false;
    int percent_ = 0;
    std::string status_;
};

}  // namespace corvanet::cli
