// RunProgram: what counts as "cannot be started", arguments passed without a
// shell, the child's standard streams, and waiting for the child's end while
// the callback runs.
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
        EXPECT_FALSE(RunProgram(Program, {"-x"}, [&] { ++WaitingCalls; })) << Program;
        EXPECT_EQ(WaitingCalls, 0) << Program;
    }
}

TEST(RunProgramTest, PassesArgumentsUnchangedWithoutAShell) {
    TScratchDir Dir;
    const std::string Log = Dir.Path() + "args.log";
    WriteBytes(Dir.Path() + "record", "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > '" + Log + "'\n",
               true);
    const std::vector<std::string> Args = {"-x", "with blank", "\"quoted\"", "$HOME", "a;b", "*", "", "caf\xE9"};
    ASSERT_TRUE(RunProgram(Dir.Path() + "record", Args, {}));
    std::string Expected;
    for (const std::string& Arg : Args) Expected += "[" + Arg + "]\n";
    EXPECT_EQ(ReadBytes(Log), Expected);
}

TEST(RunProgramTest, FindsABareNameOnPath) {
    // A bare name is found on PATH, as a shell user expects.
    EXPECT_TRUE(RunProgram("true", {}, {}));
    EXPECT_TRUE(RunProgram("false", {}, {}));  // started; its outcome is not looked at
}

TEST(RunProgramTest, ChildReadsNothingAndItsOutputIsDiscarded) {
    TScratchDir Dir;
    const std::string Seen = Dir.Path() + "stdin.log";
    WriteBytes(Dir.Path() + "talk", "#!/bin/sh\ncat > '" + Seen + "'\necho out-text\necho err-text >&2\n", true);

    int Input[2];
    ASSERT_EQ(pipe(Input), 0);
    ASSERT_EQ(write(Input[1], "leak", 4), 4);
    close(Input[1]);
    const int Output = open((Dir.Path() + "captured").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(Output, 0);
    bool Started = false;
    {
        const TRedirect In(0, Input[0]), Out(1, Output), Err(2, Output);
        Started = RunProgram(Dir.Path() + "talk", {}, {});
    }
    close(Input[0]);
    close(Output);
    ASSERT_TRUE(Started);
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
    }));
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

}  // namespace
}  // namespace corvanet
