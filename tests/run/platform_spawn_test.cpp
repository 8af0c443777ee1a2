// RunProgram: what counts as "cannot be started", arguments passed without a
// shell, the child's standard streams, how it ended, and waiting for the
// child's end while the callback runs.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform.h"
#include "scratch_dir.h"

namespace corvanet {
namespace {

using testsupport::ReadBytes;
using testsupport::TScratchDir;
using testsupport::WriteBytes;

// Points one of this process's descriptors elsewhere until destroyed.
class TRedirect {
public:
    TRedirect(int Fd, int Target) : fd_(Fd), saved_(dup(Fd)) { dup2(Target, Fd); }
    ~TRedirect() {
        dup2(saved_, fd_);
        close(saved_);
    }
    TRedirect(const TRedirect&) = delete;
    TRedirect& operator=(const TRedirect&) = delete;

private:
    int fd_;
    int saved_;
};

// A script that waits (at most about ten seconds) until the file Go exists,
// then records that it saw it: it only ends once the caller's callback ran.
std::string WaitForFileScript(const std::string& Go, const std::string& Done) {
    return "#!/bin/sh\ni=0\nwhile [ ! -e '" + Go + "' ] && [ $i -lt 1000 ]; do sleep 0.01; i=$((i+1)); done\n"
           "if [ -e '" + Go + "' ]; then echo seen > '" + Done + "'; else echo timeout > '" + Done + "'; fi\n";
}

TEST(RunProgramTest, ReportsWhatCannotBeStarted) {
    TScratchDir Dir;
    WriteBytes(Dir.Path() + "plain.txt", "not a program\n");
    WriteBytes(Dir.Path() + "garbage", "\x01\x02 not a program format\n", true);
    const std::vector<std::string> Programs = {
        "",
        Dir.Path() + "absent",
        "corvanet-no-such-program-on-path",
        Dir.Path() + "plain.txt",  // not executable
        Dir.Path() + "garbage",    // executable, but no format the system starts
        Dir.Path(),                // a directory
    };
    for (const std::string& Program : Programs) {
        int WaitingCalls = 0;
        EXPECT_EQ(RunProgram(Program, {"-x"}, [&] { ++WaitingCalls; }).End, TProgramOutcome::NotStarted) << Program;
        EXPECT_EQ(WaitingCalls, 0) << Program;
    }
}

TEST(RunProgramTest, PassesArgumentsUnchangedWithoutAShell) {
    TScratchDir Dir;
    const std::string Log = Dir.Path() + "args.log";
    WriteBytes(Dir.Path() + "record", "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > '" + Log + "'\n",
               true);
    const std::vector<std::string> Args = {"-x", "with blank", "\"quoted\"", "$HOME", "a;b", "*", "", "caf\xE9"};
    ASSERT_TRUE(RunProgram(Dir.Path() + "record", Args, {}).Succeeded());
    std::string Expected;
    for (const std::string& Arg : Args) Expected += "[" + Arg + "]\n";
    EXPECT_EQ(ReadBytes(Log), Expected);
}

TEST(RunProgramTest, FindsABareNameOnPath) {
    // A bare name is found on PATH, as a shell user expects.
    EXPECT_TRUE(RunProgram("true", {}, {}).Succeeded());
    const TProgramOutcome False = RunProgram("false", {}, {});
    EXPECT_EQ(False.End, TProgramOutcome::Exited);
    EXPECT_EQ(False.Code, 1);
}

// Its input is empty and its output comes back, in the order written, never
// on this process's own streams.
TEST(RunProgramTest, ChildReadsNothingAndItsOutputComesBack) {
    TScratchDir Dir;
    const std::string Seen = Dir.Path() + "stdin.log";
    WriteBytes(Dir.Path() + "talk",
               "#!/bin/sh\ncat > '" + Seen + "'\necho out-text\necho err-text >&2\necho out-again\n", true);

    int Input[2];
    ASSERT_EQ(pipe(Input), 0);
    ASSERT_EQ(write(Input[1], "leak", 4), 4);
    close(Input[1]);
    const int Output = open((Dir.Path() + "captured").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(Output, 0);
    TProgramOutcome Outcome;
    {
        const TRedirect In(0, Input[0]), Out(1, Output), Err(2, Output);
        Outcome = RunProgram(Dir.Path() + "talk", {}, {});
    }
    close(Input[0]);
    close(Output);
    ASSERT_TRUE(Outcome.Succeeded());
    EXPECT_EQ(Outcome.Output, "out-text\nerr-text\nout-again\n");
    EXPECT_EQ(ReadBytes(Seen), "");
    EXPECT_EQ(ReadBytes(Dir.Path() + "captured"), "");
}

TEST(RunProgramTest, WaitsForTheEndAndCallsBackMeanwhile) {
    TScratchDir Dir;
    const std::string Go = Dir.Path() + "go", Done = Dir.Path() + "done";
    WriteBytes(Dir.Path() + "slow", WaitForFileScript(Go, Done), true);
    int WaitingCalls = 0;
    ASSERT_TRUE(RunProgram(Dir.Path() + "slow", {}, [&] {
        if (++WaitingCalls == 3) WriteBytes(Go, "");
    }).Succeeded());
    EXPECT_GE(WaitingCalls, 3);
    // The script writes this as its last act: it has ended when RunProgram returns.
    EXPECT_EQ(ReadBytes(Done), "seen\n");
}

TEST(RunProgramTest, ReapsTheChildWhenTheCallbackThrows) {
    TScratchDir Dir;
    const std::string Go = Dir.Path() + "go", Done = Dir.Path() + "done";
    WriteBytes(Dir.Path() + "slow", WaitForFileScript(Go, Done), true);
    EXPECT_THROW(RunProgram(Dir.Path() + "slow", {},
                            [&] {
                                WriteBytes(Go, "");
                                throw std::runtime_error("window closed");
                            }),
                 std::runtime_error);
    EXPECT_EQ(ReadBytes(Done), "seen\n");
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "a child is left over";
    EXPECT_EQ(errno, ECHILD);
}

// How a started program ended, each way it can: the outcome and what it wrote.
// The one that never ends is stopped by the time allowed (what is asserted is
// that it was stopped, not when), also where the script waits for a child of
// its own that holds the pipe open.
TEST(RunProgramTest, TellsHowTheProgramEnded) {
    TScratchDir Dir;
    struct TCase {
        const char* Name;
        const char* Script;
        int Timeout;
        TProgramOutcome::TEnd End;
        int Code;
        const char* Output;
    };
    const TCase Cases[] = {
        {"exits-3", "echo cannot read topic >&2\nexit 3\n", 0, TProgramOutcome::Exited, 3, "cannot read topic\n"},
        {"killed", "echo bye\nkill -9 $$\n", 0, TProgramOutcome::Signalled, 9, "bye\n"},
        {"hangs", "echo started\nexec sleep 1000\n", 1, TProgramOutcome::TimedOut, 0, "started\n"},
        {"hangs-in-child", "sleep 1000\n", 1, TProgramOutcome::TimedOut, 0, ""},
        {"quick-with-limit", "echo done\n", 1000, TProgramOutcome::Exited, 0, "done\n"},
    };
    for (const TCase& Case : Cases) {
        WriteBytes(Dir.Path() + Case.Name, std::string("#!/bin/sh\n") + Case.Script, true);
        const TProgramOutcome Outcome = RunProgram(Dir.Path() + Case.Name, {}, {}, Case.Timeout);
        EXPECT_EQ(Outcome.End, Case.End) << Case.Name;
        EXPECT_EQ(Outcome.Code, Case.Code) << Case.Name;
        EXPECT_EQ(Outcome.Output, Case.Output) << Case.Name;
    }
}

// Far more output than a pipe holds, on both streams, is read while the
// program runs (it would block on a full pipe otherwise); the last MiB is kept.
TEST(RunProgramTest, ReadsLargeOutputWhileTheProgramRuns) {
    TScratchDir Dir;
    WriteBytes(Dir.Path() + "loud",
               "#!/bin/sh\nhead -c 3000000 /dev/zero | tr '\\0' o\nhead -c 1000 /dev/zero | tr '\\0' e >&2\n", true);
    const TProgramOutcome Outcome = RunProgram(Dir.Path() + "loud", {}, {});
    ASSERT_TRUE(Outcome.Succeeded());
    const std::string Note = "[the first 1952424 bytes of the output are left out]\n";
    ASSERT_EQ(Outcome.Output.size(), Note.size() + (std::size_t{1} << 20));
    EXPECT_EQ(Outcome.Output.substr(0, Note.size()), Note);
    EXPECT_EQ(Outcome.Output.substr(Outcome.Output.size() - 1001), "o" + std::string(1000, 'e'));
}

}  // namespace
}  // namespace corvanet
