// Argument parsing for corvanet-cli: short options with the value attached or
// following (-o DIR, -oDIR), long ones with "=" or a following value, "--" to
// end the options, exactly one project file.
#include "options.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

namespace corvanet::cli {

const char* const UsageText =
    "Usage: corvanet-cli [options] PROJECT.dpr\n"
    "\n"
    "Reads the Delphi project file PROJECT.dpr and every unit that its uses\n"
    "clause names with `in` and a path, and writes into the build location one\n"
    "syntax-coloured, hyperlinked HTML page and one RTF help topic per file, the\n"
    "frame pages index.html and content.html, and the help project and contents\n"
    "file. The cross-reference report of the interface symbols follows at the end.\n"
    "\n"
    "Options:\n"
    "  -o, --output DIR          build location (required; created if missing)\n"
    "      --dialect NAME        how the sources are read: \"modern\" (the default),\n"
    "                            today's Delphi and Free Pascal's Delphi mode, or\n"
    "                            \"classic\", the first era's reading, byte for byte\n"
    "  -D, --defines TEXT        conditional defines, separated by \";\"; the default\n"
    "                            is the dialect's: modern \"MSWINDOWS;WIN32;CPUX86;\n"
    "                            CPU386;CPU32BITS;VER370;UNICODE;CONDITIONALEXPRESSIONS;\n"
    "                            DCC;NATIVECODE;ASSEMBLER;UNDERSCOREIMPORTNAME;\n"
    "                            WEAK_NATIVEINT\" (Delphi 13, Win32), classic\n"
    "                            \"WIN32;VER100\"\n"
    "  -I, --include-path DIRS   directories searched for include files, separated\n"
    "                            by \";\"; may be given more than once. They are\n"
    "                            searched after the including file's directory,\n"
    "                            the unit's and the project file's (modern only)\n"
    "  -U, --unit-path DIR[;DIR...]\n"
    "                            look up the units that uses clauses name without\n"
    "                            `in` (the project's and every unit's, recursively)\n"
    "                            in the project's directory, then in these, as\n"
    "                            NAME.pas or NAME.pp; repeatable. Without it only\n"
    "                            the units named with `in` are read\n"
    "      --unit-scopes A[;B...]\n"
    "                            unit scope names tried in front of a name not\n"
    "                            found as written (System;Vcl: Forms as Vcl.Forms)\n"
    "      --codepage N          the Windows code page of sources that are not\n"
    "                            UTF-8 (default 1252), and of the RTF topics\n"
    "      --help-compiler PATH  help compiler started on the help project\n"
    "                            (default: none is started). Its output goes to\n"
    "                            standard error (with -q only when it failed)\n"
    "      --help-compiler-timeout SECONDS\n"
    "                            kill the help compiler if it has not finished\n"
    "                            after SECONDS (default: wait as long as it takes)\n"
    "      --report FILE         where the report goes; \"-\", the default, is\n"
    "                            standard output\n"
    "  -q, --quiet               no progress, status or time taken on standard error\n"
    "  -h, --help                show this text and exit\n"
    "      --version             show the version and exit\n"
    "\n"
    "Progress and status go to standard error. Relative paths are taken from the\n"
    "current directory; unit paths in the project file from the project's own.\n"
    "\n"
    "Warnings go to standard error as \"warning: FILE:LINE: REASON\". In the modern\n"
    "dialect a unit that cannot be read is a warning: it is left out, the rest is\n"
    "documented, and the report names it.\n"
    "\n"
    "Exit status:\n"
    "  0  everything asked for was produced\n"
    "  1  the run stopped on an error\n"
    "  2  bad usage\n"
    "  3  finished, but something asked for was not produced: a unit named with\n"
    "     `in` was left out, or the help compiler could not be started, failed or\n"
    "     was stopped by --help-compiler-timeout; then the help project and the\n"
    "     topics are kept\n";

namespace {

struct TValueOption {
    std::string_view Short;  // "-o", or empty
    std::string_view Long;   // "--output"
    std::string TCliOptions::*Field;
    bool Repeatable = false;  // each value given is added to the list, after a ";"
};

constexpr TValueOption ValueOptions[] = {
    {"-o", "--output", &TCliOptions::Output},
    {"-D", "--defines", &TCliOptions::Defines},
    {"", "--dialect", &TCliOptions::DialectText},
    {"-I", "--include-path", &TCliOptions::IncludePath, true},
    {"", "--help-compiler", &TCliOptions::HelpCompiler},
    {"", "--help-compiler-timeout", &TCliOptions::HelpCompilerTimeoutText},
    {"", "--report", &TCliOptions::Report},
    {"-U", "--unit-path", &TCliOptions::UnitPath, true},
    {"", "--unit-scopes", &TCliOptions::UnitScopes},
    {"", "--codepage", &TCliOptions::CodePageText},
};

struct TFlagOption {
    std::string_view Short;
    std::string_view Long;
    bool TCliOptions::*Field;
};

constexpr TFlagOption FlagOptions[] = {
    {"-q", "--quiet", &TCliOptions::Quiet},
    {"-h", "--help", &TCliOptions::Help},
    {"", "--version", &TCliOptions::Version},
};

class TArgumentReader {
public:
    TArgumentReader(const std::vector<std::string>& Args, TCliOptions& Options)
        : args_(Args), options_(Options) {}

    std::string Read() {
        bool OptionsEnded = false;
        for (index_ = 0; index_ < args_.size(); ++index_) {
            const std::string& Arg = args_[index_];
            std::string Problem;
            if (OptionsEnded || Arg == "-" || Arg.size() < 2 || Arg[0] != '-')
                Problem = TakeProject(Arg);
            else if (Arg == "--")
                OptionsEnded = true;
            else
                Problem = TakeOption(Arg);
            if (!Problem.empty()) return Problem;
        }
        if (options_.Help || options_.Version) return {};
        if (options_.Project.empty()) return "no project file given";
        if (options_.Output.empty()) return "no build location given (-o DIR)";
        if (options_.Report.empty()) return "the report file name is empty (\"-\" is standard output)";
        if (given_("--dialect")) {
            const auto Dialect = DialectNamed(options_.DialectText);
            if (!Dialect) return "unknown dialect: " + options_.DialectText + " (classic or modern)";
            options_.Dialect = *Dialect;
        }
        if (given_("--codepage")) {
            const std::string& Text = options_.CodePageText;
            if (Text.empty() || Text.size() > 5 || Text.find_first_not_of("0123456789") != std::string::npos)
                return "bad code page: " + Text + " (a number, e.g. 1250)";
            options_.CodePage = std::stoi(Text);
        }
        if (given_("--help-compiler-timeout")) {
            const std::string& Text = options_.HelpCompilerTimeoutText;
            if (Text.empty() || Text.size() > 6 || Text.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(Text) == 0)
                return "bad help compiler timeout: " + Text + " (whole seconds, at least 1)";
            options_.HelpCompilerTimeout = std::stoi(Text);
        }
        if (!given_("--defines")) options_.Defines = DefaultDefines(options_.Dialect);
        return {};
    }

private:
    std::string TakeProject(const std::string& Arg) {
        if (!options_.Project.empty()) return "more than one project file given: " + Arg;
        if (Arg.empty()) return "the project file name is empty";
        options_.Project = Arg;
        return {};
    }

    std::string TakeOption(const std::string& Arg) {
        for (const TFlagOption& Flag : FlagOptions) {
            if (Arg == Flag.Long || (!Flag.Short.empty() && Arg == Flag.Short)) {
                options_.*Flag.Field = true;
                return {};
            }
        }
        for (const TValueOption& Option : ValueOptions) {
            std::optional<std::string> Value;
            if (Arg == Option.Long || (!Option.Short.empty() && Arg == Option.Short)) {
                if (index_ + 1 >= args_.size()) return "option " + Arg + " needs a value";
                Value = args_[++index_];
            } else {
                Value = AttachedValue(Arg, Option);
            }
            if (!Value) continue;
            std::string& Field = options_.*Option.Field;
            if (Option.Repeatable && !Field.empty())
                Field.append(";").append(*Value);
            else
                Field = std::move(*Value);
            given_.Names.push_back(Option.Long);
            return {};
        }
        return "unknown option: " + Arg;
    }

    // A value written in the same argument: "--output=DIR" or "-oDIR".
    static std::optional<std::string> AttachedValue(std::string_view Arg, const TValueOption& Option) {
        if (Arg.starts_with(Option.Long) && Arg.size() > Option.Long.size() &&
            Arg[Option.Long.size()] == '=')
            return std::string(Arg.substr(Option.Long.size() + 1));
        if (!Option.Short.empty() && !Arg.starts_with("--") && Arg.starts_with(Option.Short))
            return std::string(Arg.substr(Option.Short.size()));
        return std::nullopt;
    }

    const std::vector<std::string>& args_;
    TCliOptions& options_;
    std::size_t index_ = 0;
    // The long names of the value options given, so a default can depend on another option.
    struct {
        std::vector<std::string_view> Names;
        bool operator()(std::string_view Long) const {
            return std::find(Names.begin(), Names.end(), Long) != Names.end();
        }
    } given_;
};

}  // namespace

std::vector<std::string> SplitList(const std::string& Text) {
    std::vector<std::string> Parts;
    std::size_t Start = 0;
    while (Start <= Text.size()) {
        std::size_t End = Text.find(';', Start);
        if (End == std::string::npos) End = Text.size();
        if (End > Start) Parts.push_back(Text.substr(Start, End - Start));
        Start = End + 1;
    }
    return Parts;
}

std::string ParseArguments(const std::vector<std::string>& Args, TCliOptions& Options) {
    return TArgumentReader(Args, Options).Read();
}

}  // namespace corvanet::cli
