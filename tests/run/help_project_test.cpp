// The last step of a run: the exact bytes of the help project, the contents
// file and the two frame pages; escaping in the pages; the help compiler
// started on the help project once the frame pages are written, its inputs
// deleted only after it succeeded; a compiler that cannot be started, fails
// or is not given leaves everything in place.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "error.h"
#include "pipeline.h"
#include "run_fixture.h"
#include "scratch_dir.h"

namespace corvanet {
namespace {

using testsupport::ReadBytes;
using testsupport::TScratchDir;
using testsupport::WriteBytes;

const std::string kWarning = "Failed to compile Help Project\nPlease Compile manually";
const std::vector<std::pair<int, int>> kProgress = {{4, 0}, {4, 1}, {4, 2}, {4, 3}, {4, 4}, {4, 0}};

// The run tests' recorder, also counting the calls made while the run waits.
class TRecordingReporter : public runtest::TRecorder {
public:
    int WaitingCalls = 0;
    std::function<void()> OnWaiting;
    std::string CompilerOutput;
    bool CompilerFailed = false;

    void Waiting() override {
        ++WaitingCalls;
        if (OnWaiting) OnWaiting();
    }
    void HelpCompilerOutput(const std::string& Text, bool Failed) override {
        CompilerOutput += Text;
        CompilerFailed = Failed;
    }
};

std::string CrLf(const std::vector<std::string>& Lines) {
    std::string Text;
    for (const std::string& Line : Lines) Text += Line + "\r\n";
    return Text;
}

std::string FrameLine(const std::string& Page, const std::string& Name) {
    return "  <frame src=\"" + Page +
           "\" marginwidth=\"10\" marginheight=\"10\" scrolling=\"auto\" frameborder=\"yes\" name=\"" + Name + "\">";
}

class HelpProjectTest : public ::testing::Test {
protected:
    TScratchDir Build;
    TRecordingReporter Reporter;
    TRun Run{Reporter};

    // Registers the units as pass 0 does, sorts the table as pass 1 ends, and
    // puts down the documents that the passes would have written.
    void Prepare(const std::string& ProjectFile, const std::vector<std::string>& UnitPaths,
                 const std::vector<std::string>& DocumentNames) {
        Run.ProjectFile = ProjectFile;
        Run.BuildDir = Build.Path();
        Run.Symbols.CreateUnitList();
        Run.Stream.CurrentPass = 0;
        for (const std::string& Path : UnitPaths) Run.Symbols.AddUnit(Path);
        Run.Symbols.SortSymbolTable();
        for (const std::string& Name : DocumentNames) {
            WriteBytes(Build.Path() + Name + ".rtf", "{\\rtf1 " + Name + "}");
            WriteBytes(Build.Path() + Name + ".html", "<HTML>" + Name + "</HTML>");
        }
    }
    std::string Output(const std::string& Name) const { return ReadBytes(Build.Path() + Name); }
};

TEST_F(HelpProjectTest, WritesTheFourFilesOfAProjectWithTwoUnits) {
    // Registered B first: the files follow the sorted UnitList.
    Prepare("C:\\src\\demo.dpr", {"units\\B.pas", "A.pas"}, {"A", "B", "demo"});
    Run.WriteHelpProject();

    EXPECT_EQ(Output("demo.hpj"),
              CrLf({"; cette fichier est cre\xE8 par brask", "", "[OPTIONS]", "LCID=0x409", "HLP=.\\demo.hlp",
                    "CNT=.\\demo.cnt", "", "[WINDOWS]", "main=\"\", , 0,(0,0,128),(192,192,192),  ;", "",
                    "[FILES]", "A.rtf", "B.rtf", "demo.rtf"}));
    EXPECT_EQ(Output("demo.cnt"), CrLf({":Base demo.hlp", ":Title Project C:\\src\\demo.dpr", "1 Project",
                                        "2 demo=Unit_demo", "1 Units", "2 A=Unit_A", "2 B=Unit_B"}));
    EXPECT_EQ(Output("index.html"),
              CrLf({"<HEAD><TITLE>Project: demo.dpr</TITLE></HEAD>", "<frameset  cols=\"15%,*\">1",
                    FrameLine("content.html", "content"), FrameLine("demo.html", "main"), "</frameset>"}));
    EXPECT_EQ(Output("content.html"),
              CrLf({"<BODY BGCOLOR=\"#00007F\" VLINK=\"#FFFF00\" LINK=\"#FFFF00\"><FONT COLOR=\"#FFFF00\">",
                    "<H3>Project</H3>", "<A HREF = \"demo.html\" TARGET = \"main\">demo.dpr</A><BR><BR>",
                    "<H3>Units</H3>", "<A HREF = \"A.html\" TARGET = \"main\">A.pas</A><BR>",
                    "<A HREF = \"B.html\" TARGET = \"main\">B.pas</A><BR>"}));
    EXPECT_EQ(Reporter.Progresses, kProgress);
}

TEST_F(HelpProjectTest, WritesEmptyUnitSectionsForAProjectWithoutUnits) {
    Prepare("/home/me/lonely.dpr", {}, {"lonely"});
    Run.WriteHelpProject();

    EXPECT_EQ(Output("lonely.hpj"),
              CrLf({"; cette fichier est cre\xE8 par brask", "", "[OPTIONS]", "LCID=0x409", "HLP=.\\lonely.hlp",
                    "CNT=.\\lonely.cnt", "", "[WINDOWS]", "main=\"\", , 0,(0,0,128),(192,192,192),  ;", "",
                    "[FILES]", "lonely.rtf"}));
    EXPECT_EQ(Output("lonely.cnt"), CrLf({":Base lonely.hlp", ":Title Project /home/me/lonely.dpr", "1 Project",
                                          "2 lonely=Unit_lonely", "1 Units"}));
    EXPECT_EQ(Output("index.html"),
              CrLf({"<HEAD><TITLE>Project: lonely.dpr</TITLE></HEAD>", "<frameset  cols=\"15%,*\">1",
                    FrameLine("content.html", "content"), FrameLine("lonely.html", "main"), "</frameset>"}));
    EXPECT_EQ(Output("content.html"),
              CrLf({"<BODY BGCOLOR=\"#00007F\" VLINK=\"#FFFF00\" LINK=\"#FFFF00\"><FONT COLOR=\"#FFFF00\">",
                    "<H3>Project</H3>", "<A HREF = \"lonely.html\" TARGET = \"main\">lonely.dpr</A><BR><BR>",
                    "<H3>Units</H3>"}));
}

TEST_F(HelpProjectTest, EscapesNamesInThePagesOnly) {
    Prepare("/p/say\"hi\"&<x>.dpr", {"R&D.pas", "a<b.pas"}, {});
    Run.WriteHelpProject();

    const std::string Index = Output("index.html");
    EXPECT_NE(Index.find("<TITLE>Project: say\"hi\"&amp;&lt;x&gt;.dpr</TITLE>"), std::string::npos) << Index;
    EXPECT_NE(Index.find(FrameLine("say&quot;hi&quot;&amp;&lt;x&gt;.html", "main")), std::string::npos) << Index;
    const std::string Content = Output("content.html");
    EXPECT_NE(Content.find("<A HREF = \"a&lt;b.html\" TARGET = \"main\">a&lt;b.pas</A><BR>\r\n"
                           "<A HREF = \"R&amp;D.html\" TARGET = \"main\">R&amp;D.pas</A><BR>\r\n"),
              std::string::npos)
        << Content;
    // The help compiler reads names as they are.
    EXPECT_NE(Output("say\"hi\"&<x>.hpj").find("\r\na<b.rtf\r\nR&D.rtf\r\n"), std::string::npos);
}

// How the test names the help compiler.
enum TCompiler { cpStandIn, cpQuotedStandIn, cpAbsent, cpNone };

struct TCompilerCase {
    const char* Name;
    TCompiler Compiler;
    // The stand-in's last lines, after it has seen the run wait for it.
    const char* Ending = "";
    int Timeout = 0;
    // The warning after "BUILD/demo.hpj: " when the stand-in fails; its
    // "kept in" names the build directory.
    const char* Failure = nullptr;
    const char* Output = "";  // what the stand-in writes, as the run hands it on
};

class HelpCompilerTest : public HelpProjectTest, public ::testing::WithParamInterface<TCompilerCase> {
protected:
    TScratchDir Tools;
    const std::vector<std::string> Inputs = {"demo.hpj", "A.rtf", "B.rtf", "demo.rtf"};
    // Written before the compiler starts, kept whatever its outcome.
    const std::vector<std::string> Kept = {"demo.cnt", "index.html", "content.html", "A.html", "B.html", "demo.html"};

    // A stand-in help compiler: records its arguments, checks that its inputs
    // and the frame pages are there when it starts, waits until the run has
    // called Waiting, checks its inputs again, and ends with Ending.
    std::string WriteStandIn(const char* Ending) {
        std::string Check;
        for (const std::string& Input : Inputs)
            Check += "  if [ -e '" + Build.Path() + Input + "' ]; then echo \"$1 present " + Input +
                     "\"; else echo \"$1 missing " + Input + "\"; fi\n";
        std::string Frames;
        for (const char* Page : {"index.html", "content.html"})
            Frames += "[ -e '" + Build.Path() + Page + "' ] && echo 'frame " + Page + "' >> '" + Tools.Path() +
                      "compiler.log'\n";
        const std::string Log = Tools.Path() + "compiler.log", Go = Tools.Path() + "go";
        WriteBytes(Tools.Path() + "hc", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + Log + "'\ncheck() {\n" + Check +
                                            "}\ncheck start >> '" + Log + "'\n" + Frames + "i=0\n"
                                            "while [ ! -e '" + Go + "' ] && [ $i -lt 1000 ]; do sleep 0.01; i=$((i+1)); done\n"
                                            "[ -e '" + Go + "' ] && echo waited >> '" + Log + "'\n"
                                            "check end >> '" + Log + "'\n" + Ending,
                   true);
        Reporter.OnWaiting = [this] { WriteBytes(Tools.Path() + "go", ""); };
        return Tools.Path() + "hc";
    }

    std::string ExpectedLog() const {
        std::string Log = "-x\n" + Build.Path() + "demo.hpj\n";
        for (const std::string& Input : Inputs) Log += "start present " + Input + "\n";
        Log += "frame index.html\nframe content.html\nwaited\n";
        for (const std::string& Input : Inputs) Log += "end present " + Input + "\n";
        return Log;
    }
};

// Every way the compiler can end: only a compiler that succeeds has its
// inputs deleted; one that cannot be started, fails, is killed or takes too
// long leaves them with a warning, and the run is incomplete.
TEST_P(HelpCompilerTest, StartsTheCompilerAndKeepsWhatTheUserNeeds) {
    const TCompilerCase& Case = GetParam();
    Prepare("/src/demo.dpr", {"A.pas", "B.pas"}, {"A", "B", "demo"});
    if (Case.Compiler == cpStandIn) Run.HelpCompiler = WriteStandIn(Case.Ending);
    if (Case.Compiler == cpQuotedStandIn) Run.HelpCompiler = "\"" + WriteStandIn(Case.Ending) + "\"";
    if (Case.Compiler == cpAbsent) Run.HelpCompiler = Tools.Path() + "no-such-compiler";
    Run.HelpCompilerTimeout = Case.Timeout;
    Run.WriteHelpProject();

    const bool Ran = Case.Compiler == cpStandIn || Case.Compiler == cpQuotedStandIn;
    if (Ran) {
        EXPECT_EQ(ReadBytes(Tools.Path() + "compiler.log"), ExpectedLog());
        EXPECT_GT(Reporter.WaitingCalls, 0);
    }
    const bool Compiled = Ran && Case.Failure == nullptr;
    for (const std::string& Input : Inputs) EXPECT_EQ(Build.Exists(Input), !Compiled) << Input;
    for (const std::string& Page : Kept) EXPECT_TRUE(Build.Exists(Page)) << Page;

    std::vector<std::string> Warnings;
    if (Case.Compiler == cpAbsent) Warnings.push_back(kWarning);
    std::string BuildDir = Build.Path();
    BuildDir.pop_back();
    if (Case.Failure != nullptr)
        Warnings.push_back(Build.Path() + "demo.hpj: " + Case.Failure + "; the help project and topics are kept in " +
                           BuildDir);
    EXPECT_EQ(Reporter.Warnings, Warnings);
    EXPECT_EQ(Run.Incomplete, Case.Compiler != cpNone && !Compiled);
    EXPECT_EQ(Reporter.CompilerOutput, Case.Output);
    if (*Case.Output != '\0') {
        EXPECT_EQ(Reporter.CompilerFailed, !Compiled);
    }
    std::vector<std::string> Statuses = {"Creating Help Project and HTML Frame ..."};
    if (Case.Compiler == cpNone) Statuses.push_back("No help compiler given: compile " + Build.Path() + "demo.hpj by hand");
    EXPECT_EQ(Reporter.Statuses, Statuses);
    EXPECT_EQ(Run.StatusText, Statuses.back());
    EXPECT_EQ(Reporter.Progresses, kProgress);
}

INSTANTIATE_TEST_SUITE_P(
    Compilers, HelpCompilerTest,
    ::testing::Values(TCompilerCase{"StandIn", cpStandIn},
                      TCompilerCase{"QuotedStandIn", cpQuotedStandIn},
                      TCompilerCase{"Absent", cpAbsent}, TCompilerCase{"None", cpNone},
                      TCompilerCase{"Talks", cpStandIn, "echo 'compiled 3 topics'\n", 0, nullptr, "compiled 3 topics\n"},
                      TCompilerCase{"Exits3", cpStandIn, "echo 'A.rtf: bad topic' >&2\nexit 3\n", 0,
                                    "help compiler exited with status 3", "A.rtf: bad topic\n"},
                      TCompilerCase{"Killed", cpStandIn, "kill -9 $$\n", 0, "help compiler was killed by signal 9"},
                      TCompilerCase{"NeverEnds", cpStandIn, "exec sleep 1000\n", 1,
                                    "help compiler did not finish within 1 second"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(HelpProjectTest, NamesTheFileThatCannotBeCreated) {
    Prepare("/src/demo.dpr", {"A.pas"}, {});
    Run.BuildDir = Build.Path() + "missing/";
    try {
        Run.WriteHelpProject();
        FAIL() << "no error for a missing build directory";
    } catch (const CorvanetError& Error) {
        EXPECT_EQ(std::string(Error.what()), "Cannot create file " + Build.Path() + "missing/demo.hpj: No such file or directory");
    }
    EXPECT_EQ(Reporter.Progresses, (std::vector<std::pair<int, int>>{{4, 0}}));
}

TEST_F(HelpProjectTest, WriteTextFileReplacesAnOlderFile) {
    Prepare("/src/demo.dpr", {}, {});
    WriteBytes(Build.Path() + "note.txt", "a much longer older text");
    Run.WriteTextFile("note.txt", std::string("new\0text", 8));
    EXPECT_EQ(Output("note.txt"), std::string("new\0text", 8));
}

}  // namespace
}  // namespace corvanet
