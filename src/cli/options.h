// The command line of corvanet-cli: what it accepts and the usage text that
// describes it. Parsing never prints and never exits; the caller decides what
// a bad command line costs (the usage text and exit status 2).
#pragma once

#include <string>
#include <vector>

#include "dialect.h"

namespace corvanet::cli {

struct TCliOptions {
    std::string Project;                 // the project file, as given
    std::string Output;                  // the build location
    TDialect Dialect = DefaultDialect;
    std::string DialectText;             // as given with --dialect; empty: the default
    std::string Defines;                 // as given, else the dialect's default
    std::string IncludePath;             // every -I given, joined by ";"
    std::string HelpCompiler;            // empty: no help compiler is started
    std::string HelpCompilerTimeoutText; // --help-compiler-timeout, as given
    int HelpCompilerTimeout = 0;         // seconds; 0: no limit
    std::string Report = "-";            // "-" is standard output
    std::string UnitPath;                // -U/--unit-path values joined by ";"
    std::string UnitScopes;              // --unit-scopes, as given
    std::string CodePageText;            // --codepage, as given
    int CodePage = 1252;
    bool Quiet = false;
    bool Help = false;
    bool Version = false;
};

// Reads the arguments after the program name. Returns the problem with them,
// or an empty text when they make a run (or ask for help or the version).
std::string ParseArguments(const std::vector<std::string>& Args, TCliOptions& Options);

extern const char* const UsageText;

// The non-empty parts of a ";"-separated list.
std::vector<std::string> SplitList(const std::string& Text);

}  // namespace corvanet::cli
