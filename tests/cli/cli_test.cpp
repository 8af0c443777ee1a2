// corvanet-cli run as a process, as a user runs it: exit statuses 0, 1 and 2,
// what goes to standard output, standard error and the report file, relative
// paths taken from the working directory, and a report that is the same at
// every run of the same project.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "scratch_dir.h"

namespace corvanet {
namespace {

using testsupport::ReadBytes;
using testsupport::TScratchDir;
using testsupport::WriteBytes;

const std::string kShapes = std::string(CORVANET_SOURCE_DIR) + "/examples/shapes/ShapesDemo.dpr";

struct TCliResult {
    int Status = -1;
    std::string Out, Err;
};

std::string Quote(const std::string& Text) {
    std::string Quoted = "'";
    for (char C : Text) Quoted += C == '\'' ? std::string("'\\''") : std::string(1, C);
    return Quoted + "'";
}

// Runs the program in WorkDir with standard output and error captured in files
// (so standard error is never a terminal here).
// Prefix comes before the program (a command that runs it as another user);
// StdoutTo, when given, takes standard output instead (a device such as /dev/full).
TCliResult RunCli(const std::vector<std::string>& Args, const std::string& WorkDir, const std::string& Prefix = "",
                  const std::string& StdoutTo = "") {
    TScratchDir Capture;
    std::string Command =
        "cd " + Quote(WorkDir) + " && " + Prefix + Quote(std::string(CORVANET_BINARY_DIR) + "/bin/corvanet-cli");
    for (const std::string& Arg : Args) Command += " " + Quote(Arg);
    Command += " >" + Quote(StdoutTo.empty() ? Capture.Path() + "out" : StdoutTo) + " 2>" +
               Quote(Capture.Path() + "err") + " </dev/null";
    const int Raw = std::system(Command.c_str());
    TCliResult Result;
    Result.Status = WIFEXITED(Raw) ? WEXITSTATUS(Raw) : -1;
    Result.Out = ReadBytes(Capture.Path() + "out");
    Result.Err = ReadBytes(Capture.Path() + "err");
    return Result;
}

// A project in Dir + "proj/" whose unit U declares Work and, with FOO defined, Extra.
void WriteSmallProject(const std::string& Dir, bool WithUnit = true) {
    std::filesystem::create_directories(Dir + "proj");
    WriteBytes(Dir + "proj/p.dpr", std::string("program p;\r\nuses\r\n  U in '") + (WithUnit ? "U.pas" : "Gone.pas") +
                                       "';\r\nbegin\r\nend.\r\n");
    WriteBytes(Dir + "proj/U.pas",
               "unit U;\r\ninterface\r\nprocedure Work;\r\n{$IFDEF FOO}procedure Extra;{$ENDIF}\r\n"
               "implementation\r\nprocedure Work;\r\nbegin\r\nend;\r\nprocedure Extra;\r\nbegin\r\nend;\r\nend.\r\n");
}

TEST(Cli, RunsAProjectAndPrintsTheReport) {
    TScratchDir Dir;
    const TCliResult R = RunCli({"-o", Dir.Path() + "out", kShapes}, Dir.Path());
    ASSERT_EQ(R.Status, 0) << R.Err;
    EXPECT_EQ(R.Out.rfind("Unit                Class               Reference           Reference Type      \n", 0), 0u);
    EXPECT_TRUE(R.Out.ends_with("\n21 symbols scanned\n")) << R.Out;
    const std::string Statuses =
        "Processing ...\nScanning Project File ...\nBuilding Symbol Table ...\n"
        "Generating RTF and HTML ...\nCreating Help Project and HTML Frame ...\n";
    EXPECT_EQ(R.Err.rfind(Statuses, 0), 0u) << R.Err;
    EXPECT_NE(R.Err.find("\nTime Taken: 00:00:"), std::string::npos) << R.Err;
    EXPECT_TRUE(R.Err.ends_with("\n")) << R.Err;
    // The modern dialect names a unit as written before `in` (Painter in 'Source\Paint.pas').
    for (const char* Page : {"ShapesDemo.html", "Shapes.html", "Painter.html", "index.html", "content.html"})
        EXPECT_TRUE(Dir.Exists(std::string("out/") + Page)) << Page;
}

TEST(Cli, TakesRelativePathsFromTheWorkingDirectoryAndRepeatsTheReport) {
    TScratchDir Dir;
    WriteSmallProject(Dir.Path());
    const TCliResult First = RunCli({"--output=out/a/b", "--report", "first.txt", "proj/p.dpr"}, Dir.Path());
    ASSERT_EQ(First.Status, 0) << First.Err;
    EXPECT_TRUE(First.Out.empty());
    EXPECT_TRUE(Dir.Exists("out/a/b/p.html"));
    EXPECT_TRUE(Dir.Exists("out/a/b/U.html"));
    const TCliResult Second = RunCli({"-oout/a/b", "--report=second.txt", "proj/p.dpr"}, Dir.Path());
    ASSERT_EQ(Second.Status, 0) << Second.Err;
    const std::string Report = ReadBytes(Dir.Path() + "first.txt");
    EXPECT_EQ(ReadBytes(Dir.Path() + "second.txt"), Report);
    EXPECT_NE(Report.find("U:U.pas\n"), std::string::npos) << Report;
    EXPECT_TRUE(Report.ends_with("\n1 symbols scanned\n")) << Report;
    // The same report on standard output.
    EXPECT_EQ(RunCli({"-o", "out", "--report", "-", "proj/p.dpr"}, Dir.Path()).Out, Report);
}

TEST(Cli, PassesTheDefines) {
    TScratchDir Dir;
    WriteSmallProject(Dir.Path());
    EXPECT_EQ(RunCli({"-o", "out", "proj/p.dpr"}, Dir.Path()).Out.find("Extra"), std::string::npos);
    EXPECT_NE(RunCli({"-o", "out", "-DWIN32;FOO", "proj/p.dpr"}, Dir.Path()).Out.find("Extra"), std::string::npos);
}

TEST(Cli, StopsWithStatusOneOnAMissingUnitInTheClassicDialect) {
    TScratchDir Dir;
    WriteSmallProject(Dir.Path(), false);
    const TCliResult R = RunCli({"--dialect", "classic", "-o", "out", "proj/p.dpr"}, Dir.Path());
    EXPECT_EQ(R.Status, 1);
    EXPECT_TRUE(R.Out.empty()) << R.Out;
    EXPECT_NE(R.Err.find("\ncorvanet-cli: Cannot open file proj/Gone.pas"), std::string::npos) << R.Err;
}

// A unit the modern dialect cannot read is left out with a warning that
// gives the system's reason; the other unit is documented, the project's page
// links nothing to the one left out, the report names it, and the status is 3.
TEST(Cli, LeavesOutAUnitThatCannotBeRead) {
    struct TCase {
        const char* What;
        void (*Make)(const std::string& Path);  // what stands at proj/Bad.pas
        const char* Reason;
        bool Unprivileged;  // the case needs a user whom permissions deny
    };
    const TCase Cases[] = {
        {"missing", [](const std::string&) {}, "No such file or directory", false},
        {"directory", [](const std::string& Path) { std::filesystem::create_directories(Path); }, "Is a directory",
         false},
        {"unreadable",
         [](const std::string& Path) {
             WriteBytes(Path, "unit Bad;\r\ninterface\r\nimplementation\r\nend.\r\n");
             std::filesystem::permissions(Path, std::filesystem::perms::none);
         },
         "Permission denied", true},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.What);
        TScratchDir Dir;
        WriteSmallProject(Dir.Path());
        WriteBytes(Dir.Path() + "proj/p.dpr",
                   "program p;\r\nuses\r\n  U in 'U.pas',\r\n  Bad in 'Bad.pas';\r\nbegin\r\nend.\r\n");
        Case.Make(Dir.Path() + "proj/Bad.pas");
        std::string Prefix;
        if (Case.Unprivileged && geteuid() == 0) {
            // Root reads whatever the permissions say: run as nobody instead.
            if (std::system("command -v setpriv >/dev/null 2>&1") != 0) {
                std::cout << "[skipped] " << Case.What << ": running as root without setpriv\n";
                continue;
            }
            Prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
            std::filesystem::create_directories(Dir.Path() + "out");
            for (const char* Sub : {"", "out"})
                std::filesystem::permissions(Dir.Path() + Sub, std::filesystem::perms::all);
        }
        const TCliResult R = RunCli({"-o", "out", "proj/p.dpr"}, Dir.Path(), Prefix);
        EXPECT_EQ(R.Status, 3) << R.Err;
        EXPECT_NE(R.Err.find("corvanet-cli: warning: proj/p.dpr:4: Cannot open file proj/Bad.pas: " +
                             std::string(Case.Reason)),
                  std::string::npos)
            << R.Err;
        EXPECT_NE(R.Out.find("\nLeft out: Bad (Bad.pas): " + std::string(Case.Reason) + "\n"), std::string::npos)
            << R.Out;
        EXPECT_TRUE(Dir.Exists("out/U.html"));
        EXPECT_EQ(ReadBytes(Dir.Path() + "out/p.html").find("Bad.html"), std::string::npos);
        EXPECT_EQ(ReadBytes(Dir.Path() + "out/content.html").find("Bad"), std::string::npos);
    }
}

TEST(Cli, StopsWithStatusOneWhenTheReportCannotBeWritten) {
    TScratchDir Dir;
    WriteSmallProject(Dir.Path());
    const TCliResult R = RunCli({"-q", "-o", "out", "--report", "no/such/dir/r.txt", "proj/p.dpr"}, Dir.Path());
    EXPECT_EQ(R.Status, 1);
    EXPECT_EQ(R.Err, "corvanet-cli: Cannot create file no/such/dir/r.txt: No such file or directory\n");
}

TEST(Cli, RejectsBadUsageWithStatusTwo) {
    TScratchDir Dir;
    const std::vector<std::vector<std::string>> Cases = {
        {},
        {"p.dpr"},
        {"-o"},
        {"-o", "out"},
        {"--bogus", "-o", "out", "p.dpr"},
        {"-o", "out", "a.dpr", "b.dpr"},
        {"-o", "out", "--report"},
        {"-o", "out", "--report", "", "p.dpr"},
        {"-o", "out", "--help-compiler-timeout", "0", "p.dpr"},
        {"-o", "out", "--help-compiler-timeout=soon", "p.dpr"},
    };
    for (const auto& Args : Cases) {
        const TCliResult R = RunCli(Args, Dir.Path());
        std::string Shown;
        for (const auto& A : Args) Shown += A + " ";
        EXPECT_EQ(R.Status, 2) << Shown;
        EXPECT_EQ(R.Err.rfind("corvanet-cli: ", 0), 0u) << Shown << R.Err;
        EXPECT_NE(R.Err.find("Usage: corvanet-cli [options] PROJECT.dpr"), std::string::npos) << Shown;
        EXPECT_TRUE(R.Out.empty()) << Shown;
    }
    EXPECT_FALSE(Dir.Exists("out"));
}

TEST(Cli, HelpVersionAndQuiet) {
    TScratchDir Dir;
    const TCliResult Help = RunCli({"--help"}, Dir.Path());
    EXPECT_EQ(Help.Status, 0);
    EXPECT_EQ(Help.Out.rfind("Usage: corvanet-cli [options] PROJECT.dpr\n", 0), 0u);
    EXPECT_EQ(RunCli({"-h", "--bogus"}, Dir.Path()).Out, Help.Out);
    const TCliResult Version = RunCli({"--version"}, Dir.Path());
    EXPECT_EQ(Version.Status, 0);
    EXPECT_EQ(Version.Out.rfind("corvanet-cli ", 0), 0u);

    WriteSmallProject(Dir.Path());
    const TCliResult Quiet = RunCli({"-q", "-o", "out", "proj/p.dpr"}, Dir.Path());
    EXPECT_EQ(Quiet.Status, 0);
    EXPECT_EQ(Quiet.Err, "");
    EXPECT_FALSE(Quiet.Out.empty());
}

TEST(Cli, ShowsWarningsOfTheRunOnStandardError) {
    TScratchDir Dir;
    WriteSmallProject(Dir.Path());
    const TCliResult R =
        RunCli({"-q", "-o", "out", "--help-compiler", Dir.Path() + "no-such-compiler", "proj/p.dpr"}, Dir.Path());
    EXPECT_EQ(R.Status, 3);  // no help file was made
    EXPECT_EQ(R.Err, "corvanet-cli: warning: Failed to compile Help Project\nPlease Compile manually\n");
    EXPECT_TRUE(Dir.Exists("out/index.html"));
}

// Every file under Dir (relative name -> bytes), directories left out.
std::map<std::string, std::string> FilesUnder(const std::string& Dir) {
    std::map<std::string, std::string> Files;
    for (const auto& Entry : std::filesystem::recursive_directory_iterator(Dir))
        if (Entry.is_regular_file())
            Files[std::filesystem::relative(Entry.path(), Dir).string()] = ReadBytes(Entry.path().string());
    return Files;
}

// The help compiler's outcome counts: what it writes goes to standard error
// (never into the report on standard output), with -q only when it failed; a
// compiler that fails, or is stopped by --help-compiler-timeout, leaves its
// inputs and a warning, and the status is 3.
TEST(Cli, TheHelpCompilersOutcomeCounts) {
    struct TCase {
        const char* Name;
        const char* Script;  // after "#!/bin/sh"
        std::vector<std::string> Options;
        int Status;
        const char* Err;  // the whole of standard error (with -q), or a part of it
    };
    const std::string Kept = "; the help project and topics are kept in out\n";
    const TCase Cases[] = {
        {"succeeds", "echo 'compiled 2 topics' >&2\n", {}, 0, "compiled 2 topics\nTime Taken: "},
        {"succeeds quietly", "echo 'compiled 2 topics' >&2\n", {"-q"}, 0, ""},
        {"exits 3", "echo 'p.rtf: bad topic' >&2\necho 'on its standard output'\nexit 3\n", {"-q"}, 3,
         "p.rtf: bad topic\non its standard output\n"
         "corvanet-cli: warning: out/p.hpj: help compiler exited with status 3"},
        {"never ends", "exec sleep 1000\n", {"-q", "--help-compiler-timeout", "1"}, 3,
         "corvanet-cli: warning: out/p.hpj: help compiler did not finish within 1 second"},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        TScratchDir Dir;
        WriteSmallProject(Dir.Path());
        WriteBytes(Dir.Path() + "hc", std::string("#!/bin/sh\n") + Case.Script, true);
        std::vector<std::string> Args = Case.Options;
        for (const std::string& Arg : {std::string("-o"), std::string("out"), std::string("--help-compiler"),
                                       Dir.Path() + "hc", std::string("proj/p.dpr")})
            Args.push_back(Arg);
        const TCliResult R = RunCli(Args, Dir.Path());
        EXPECT_EQ(R.Status, Case.Status);
        const bool Quiet = !Case.Options.empty() && Case.Options.front() == "-q";
        if (Quiet)
            EXPECT_EQ(R.Err, Case.Status == 0 ? std::string() : Case.Err + Kept);
        else
            EXPECT_NE(R.Err.find(Case.Err), std::string::npos) << R.Err;
        EXPECT_TRUE(R.Out.ends_with("\n1 symbols scanned\n")) << R.Out;
        for (const char* Written : {"topic", "on its standard output"})
            EXPECT_EQ(R.Out.find(Written), std::string::npos) << R.Out;
        for (const char* Input : {"out/p.hpj", "out/p.rtf", "out/U.rtf"})
            EXPECT_EQ(Dir.Exists(Input), Case.Status != 0) << Input;
        for (const char* Page : {"out/index.html", "out/content.html", "out/p.cnt"})
            EXPECT_TRUE(Dir.Exists(Page)) << Page;
    }
}

// An interrupt (SIGINT, here sent by the help compiler while the run waits for
// it, so it comes at a known point) ends the run by that signal, stops the
// compiler, and leaves the report file of the earlier run and every document
// whole, with no temporary file behind.
TEST(Cli, AnInterruptedRunLeavesNoTemporaryFile) {
    TScratchDir Dir;
    WriteSmallProject(Dir.Path());
    ASSERT_EQ(RunCli({"-q", "-o", "out", "--report", "report.txt", "proj/p.dpr"}, Dir.Path()).Status, 0);
    const auto Earlier = FilesUnder(Dir.Path() + "out");
    const std::string EarlierReport = ReadBytes(Dir.Path() + "report.txt");
    WriteBytes(Dir.Path() + "hc", "#!/bin/sh\nkill -INT $PPID\nexec sleep 30\n", true);

    const TCliResult R = RunCli({"-q", "-o", "out", "--report", "report.txt", "--help-compiler",
                                 Dir.Path() + "hc", "proj/p.dpr"},
                                Dir.Path());
    EXPECT_EQ(R.Status, 128 + SIGINT);  // as the shell reports a process ended by the signal
    EXPECT_EQ(ReadBytes(Dir.Path() + "report.txt"), EarlierReport);
    EXPECT_EQ(FilesUnder(Dir.Path() + "out"), Earlier);  // the same sources: the same documents, nothing more
    for (const auto& Entry : std::filesystem::directory_iterator(Dir.Path()))
        EXPECT_FALSE(Entry.path().filename().string().ends_with(".tmp")) << Entry.path();
}

// A project that cannot be read, for each of the system's reasons, stops the
// run with that reason and leaves the earlier run's documents as they were.
TEST(Cli, AProjectThatCannotBeReadLeavesTheEarlierDocuments) {
    TScratchDir Dir;
    WriteSmallProject(Dir.Path());
    ASSERT_EQ(RunCli({"-q", "-o", "out", "proj/p.dpr"}, Dir.Path()).Status, 0);
    const auto Earlier = FilesUnder(Dir.Path() + "out");
    const std::string Project = Dir.Path() + "proj/p.dpr";
    const std::string Text = ReadBytes(Project);
    struct TCase {
        const char* Reason;
        void (*Spoil)(const std::string& Path);
    };
    const TCase Cases[] = {
        {"No such file or directory", [](const std::string& Path) { std::filesystem::remove(Path); }},
        {"Is a directory",
         [](const std::string& Path) {
             std::filesystem::remove(Path);
             std::filesystem::create_directory(Path);
         }},
        {"Permission denied",
         [](const std::string& Path) { std::filesystem::permissions(Path, std::filesystem::perms::none); }},
    };
    for (const TCase& Case : Cases) {
        std::string Prefix;
        if (std::string(Case.Reason) == "Permission denied" && ::geteuid() == 0) {
            // Root reads whatever the permissions say: run as nobody instead.
            if (std::system("command -v setpriv >/dev/null 2>&1") != 0) {
                std::cout << "[skipped] the unreadable project file: running as root without setpriv\n";
                continue;
            }
            Prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
            std::filesystem::permissions(Dir.Path(), std::filesystem::perms::all);
            for (const auto& Entry : std::filesystem::recursive_directory_iterator(Dir.Path()))
                std::filesystem::permissions(Entry.path(), std::filesystem::perms::all);
        }
        Case.Spoil(Project);
        const TCliResult R = RunCli({"-q", "-o", "out", "proj/p.dpr"}, Dir.Path(), Prefix);
        std::filesystem::remove_all(Project);
        WriteBytes(Project, Text);
        EXPECT_EQ(R.Status, 1) << Case.Reason;
        EXPECT_EQ(R.Err, std::string("corvanet-cli: Cannot open file proj/p.dpr: ") + Case.Reason + "\n");
        EXPECT_EQ(FilesUnder(Dir.Path() + "out"), Earlier) << Case.Reason;
    }
}

// A run that stops in the output pass, at a directory standing where a unit's
// page or topic must go, leaves each document either as the earlier run left
// it or as a whole run of the changed sources writes it, and no temporary file.
TEST(Cli, ARunStoppedInTheOutputPassLeavesOnlyWholeDocuments) {
    for (const char* InTheWay : {"A.html", "A.rtf"}) {
        SCOPED_TRACE(InTheWay);
        TScratchDir Dir;
        auto WriteSources = [&](const std::string& Note) {
            std::filesystem::create_directories(Dir.Path() + "proj");
            std::string Uses;
            for (const char* Unit : {"A", "B", "C", "D"}) {
                Uses += std::string(Uses.empty() ? "" : ",\r\n  ") + Unit + " in '" + Unit + ".pas'";
                WriteBytes(Dir.Path() + "proj/" + Unit + ".pas",
                           std::string("unit ") + Unit + ";\r\n{ " + Note + " }\r\ninterface\r\nprocedure Work;\r\n"
                           "implementation\r\nprocedure Work;\r\nbegin\r\nend;\r\nend.\r\n");
            }
            WriteBytes(Dir.Path() + "proj/p.dpr", "program p;\r\n{ " + Note + " }\r\nuses\r\n  " + Uses +
                                                      ";\r\nbegin\r\nend.\r\n");
        };
        WriteSources("first");
        ASSERT_EQ(RunCli({"-q", "-o", "out", "proj/p.dpr"}, Dir.Path()).Status, 0);
        const auto Earlier = FilesUnder(Dir.Path() + "out");
        WriteSources("second");
        ASSERT_EQ(RunCli({"-q", "-o", "whole", "proj/p.dpr"}, Dir.Path()).Status, 0);
        const auto Whole = FilesUnder(Dir.Path() + "whole");
        std::filesystem::remove(Dir.Path() + "out/" + InTheWay);
        std::filesystem::create_directory(Dir.Path() + "out/" + InTheWay);

        const TCliResult R = RunCli({"-q", "-o", "out", "proj/p.dpr"}, Dir.Path());
        EXPECT_EQ(R.Status, 1);
        EXPECT_EQ(R.Err, "corvanet-cli: Cannot create file out/" + std::string(InTheWay) + ": Is a directory\n");
        for (const auto& [Name, Bytes] : FilesUnder(Dir.Path() + "out")) {
            const auto Old = Earlier.find(Name);
            const auto New = Whole.find(Name);
            EXPECT_TRUE((Old != Earlier.end() && Old->second == Bytes) || (New != Whole.end() && New->second == Bytes))
                << Name << " is neither the earlier nor a whole document";
        }
    }
}

// A report that does not reach standard output (a full disk) fails the run.
TEST(Cli, AReportLostOnAFullStandardOutputGivesStatusOne) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    TScratchDir Dir;
    WriteSmallProject(Dir.Path());
    const TCliResult R = RunCli({"-q", "-o", "out", "proj/p.dpr"}, Dir.Path(), "", "/dev/full");
    EXPECT_EQ(R.Status, 1);
    EXPECT_EQ(R.Err, "corvanet-cli: Cannot write the report to standard output: No space left on device\n");
}

// A UTF-8 unit with non-ASCII identifiers and comments (letters, symbols,
// CJK, a character beyond the 16-bit plane) and a windows-1252 one: headless
// Chromium shows each page as its source reads in its encoding, and
// LibreOffice reads each topic back the same (tests/support/check_readers.py).
// A copy with a wrong charset and a wrong \'hh must be caught. Skipped, with
// the reason, where Chromium or LibreOffice is missing.
TEST(Cli, BrowserAndRtfReaderShowTheSourcesInTheirEncodings) {
    TScratchDir Dir;
    const std::string Proj = Dir.Path() + "proj/";
    std::filesystem::create_directories(Proj);
    WriteBytes(Proj + "Gr\xC3\xBC\xC3\x9F" "e.pas",
               "unit Gr\xC3\xBC\xC3\x9F" "e;\r\n\r\n{ Kommentar: Gr\xC3\xB6\xC3\x9F" "e, na\xC3\xAFve caf\xC3\xA9 \xE2\x80\x94 "
               "\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80 }\r\ninterface\r\n\r\nprocedure Z\xC3\xA4hle(const Wert: string);\r\n"
               "\r\nimplementation\r\n\r\n// \xC2\xAB" "Zeile\xC2\xBB mit \xCE\xA9\r\nprocedure Z\xC3\xA4hle(const Wert: string);\r\n"
               "begin\r\n  Writeln('Gr\xC3\xB6\xC3\x9F" "e: ', Wert, ' \xE2\x82\xAC');\r\nend;\r\n\r\nend.\r\n");
    WriteBytes(Proj + "Ansi.pas",
               "unit Ansi;\r\n\r\n{ Commentaire : \xE9t\xE9, cr\xE8me br\xFBl\xE9" "e, \x8Cuvre, \x93quotes\x94 \x96 \x80 }\r\n"
               "interface\r\n\r\nconst Texte = '\xC7" "a co\xFBte 5 \x80 \xBD';\r\n\r\nimplementation\r\n\r\nend.\r\n");
    WriteBytes(Proj + "p.dpr", "program p;\r\nuses\r\n  Gr\xC3\xBC\xC3\x9F" "e in 'Gr\xC3\xBC\xC3\x9F" "e.pas',\r\n"
                               "  Ansi in 'Ansi.pas';\r\nbegin\r\nend.\r\n");
    ASSERT_EQ(RunCli({"-q", "-o", "out", "proj/p.dpr"}, Dir.Path()).Status, 0);
    const std::string Out = Dir.Path() + "out/";
    // The broken copies: a page that declares UTF-8 for windows-1252 bytes, a
    // topic whose first e acute is an e grave.
    std::string Page = ReadBytes(Out + "Ansi.html"), Topic = ReadBytes(Out + "Ansi.rtf");
    Page.replace(Page.find("charset=windows-1252"), 20, "charset=utf-8");
    Topic.replace(Topic.find("\\'e9"), 4, "\\'e8");
    WriteBytes(Out + "Broken.html", Page);
    WriteBytes(Out + "Broken.rtf", Topic);
    const std::vector<std::string> Args = {"utf-8",  Proj + "Gr\xC3\xBC\xC3\x9F" "e.pas", Out + "Gr\xC3\xBC\xC3\x9F" "e.html",
                                           Out + "Gr\xC3\xBC\xC3\x9F" "e.rtf", "cp1252", Proj + "Ansi.pas",
                                           Out + "Ansi.html", Out + "Ansi.rtf", "cp1252", Proj + "Ansi.pas",
                                           Out + "Broken.html", Out + "Broken.rtf"};
    std::string Command = "python3 " + Quote(std::string(CORVANET_SOURCE_DIR) + "/tests/support/check_readers.py");
    for (const std::string& Arg : Args) Command += " " + Quote(Arg);
    Command += " >" + Quote(Dir.Path() + "check") + " 2>&1";
    const int Raw = std::system(Command.c_str());
    const int Status = WIFEXITED(Raw) ? WEXITSTATUS(Raw) : -1;
    const std::string Said = ReadBytes(Dir.Path() + "check");
    if (Status == 127) GTEST_SKIP() << "python3 is not installed: browser and RTF reader check skipped";
    if (Status == 3) GTEST_SKIP() << "browser and RTF reader check skipped: " << Said;
    EXPECT_EQ(Status, 1) << Said;
    // Only the broken copies differ, each in the reader that reads it.
    std::vector<std::string> Problems;
    for (std::size_t From = 0, To; (To = Said.find('\n', From)) != std::string::npos; From = To + 1)
        Problems.push_back(Said.substr(From, Said.find(':', From) - From));
    EXPECT_EQ(Problems, (std::vector<std::string>{Out + "Broken.html", Out + "Broken.rtf"})) << Said;
}

}  // namespace
}  // namespace corvanet
