// Starting an outside program without a shell: the arguments reach it exactly
// as given, so no path is ever interpreted by one. Its standard input reads
// /dev/null; its standard output and error share one pipe, read while it runs
// (so a program that writes much never blocks on a full pipe) and handed back
// in the order written. The caller waits for it to end, at most a given time,
// called back now and then so that a window stays responsive; the child is
// always reaped, also when the callback throws.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "platform.h"

extern char** environ;

namespace corvanet {
namespace {

// The process group of the program being waited for (0: none), for
// StopRunningProgram on another thread. The lock spans the start and the
// noting of the group: a program that at once makes the run stop (a signal to
// its parent) is stopped with it.
struct TRunningGroup {
    std::mutex Lock;
    pid_t Group = 0;
};

TRunningGroup& Running() {
    static TRunningGroup Instance;
    return Instance;
}

void ForgetRunningGroup() {
    const std::lock_guard<std::mutex> Hold(Running().Lock);
    Running().Group = 0;
}

// How the child starts: standard input from /dev/null, output and errors into
// the pipe's writing end; no blocked signals and SIGPIPE in its default state,
// whatever the front end has set up for itself; a process group of its own,
// so that a time-out stops whatever it started as well.
class TSpawnSetup {
public:
    explicit TSpawnSetup(int OutputFd) {
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions_, OutputFd, 1);
        posix_spawn_file_actions_adddup2(&actions_, OutputFd, 2);
        posix_spawnattr_init(&attributes_);
        sigset_t Signals;
        sigemptyset(&Signals);
        posix_spawnattr_setsigmask(&attributes_, &Signals);
        sigaddset(&Signals, SIGPIPE);
        posix_spawnattr_setsigdefault(&attributes_, &Signals);
        posix_spawnattr_setpgroup(&attributes_, 0);
        posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    }
    ~TSpawnSetup() {
        posix_spawnattr_destroy(&attributes_);
        posix_spawn_file_actions_destroy(&actions_);
    }
    TSpawnSetup(const TSpawnSetup&) = delete;
    TSpawnSetup& operator=(const TSpawnSetup&) = delete;
    const posix_spawn_file_actions_t* Actions() const noexcept { return &actions_; }
    const posix_spawnattr_t* Attributes() const noexcept { return &attributes_; }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

// Both ends of a pipe, closed when it goes; both close on exec, so the child
// keeps only the copies the spawn actions give it.
class TPipe {
public:
    TPipe() {
        if (::pipe2(fds_, O_CLOEXEC) != 0) fds_[0] = fds_[1] = -1;
    }
    ~TPipe() {
        CloseWriting();
        CloseReading();
    }
    TPipe(const TPipe&) = delete;
    TPipe& operator=(const TPipe&) = delete;
    bool Open() const noexcept { return fds_[0] >= 0; }
    int Reading() const noexcept { return fds_[0]; }
    int Writing() const noexcept { return fds_[1]; }
    void CloseWriting() noexcept { Close(fds_[1]); }
    void CloseReading() noexcept { Close(fds_[0]); }

private:
    static void Close(int& Fd) noexcept {
        if (Fd >= 0) ::close(Fd);
        Fd = -1;
    }
    int fds_[2];
};

// What the program wrote: its last MaxKept bytes when it wrote more, after a
// line that says how much was left out.
class TOutputTail {
public:
    static constexpr std::size_t MaxKept = std::size_t{1} << 20;
    void Add(const char* Data, std::size_t Size) {
        text_.append(Data, Size);
        if (text_.size() >= 2 * MaxKept) Trim();
    }
    std::string Take() {
        Trim();
        if (dropped_ == 0) return std::move(text_);
        return "[the first " + std::to_string(dropped_) + " bytes of the output are left out]\n" + text_;
    }

private:
    void Trim() {
        if (text_.size() <= MaxKept) return;
        dropped_ += text_.size() - MaxKept;
        text_.erase(0, text_.size() - MaxKept);
    }
    std::string text_;
    std::uint64_t dropped_ = 0;
};

enum class TRead { Some, None, Closed };

// Reads what there is to read, waiting at most WaitMs for the first of it.
TRead ReadAvailable(int Fd, int WaitMs, TOutputTail& Output) {
    pollfd Poll{Fd, POLLIN, 0};
    const int Ready = ::poll(&Poll, 1, WaitMs);
    if (Ready < 0) return errno == EINTR ? TRead::None : TRead::Closed;
    if (Ready == 0) return TRead::None;
    char Buffer[65536];
    const ssize_t Got = ::read(Fd, Buffer, sizeof Buffer);
    if (Got > 0) {
        Output.Add(Buffer, static_cast<std::size_t>(Got));
        return TRead::Some;
    }
    return Got < 0 && errno == EINTR ? TRead::None : TRead::Closed;
}

// The child's wait status once it has ended, or nothing while it runs. A
// process that ignores SIGCHLD has its children reaped by the system: that
// counts as an end with status 0.
std::optional<int> EndStatus(pid_t Child, int Options) {
    for (;;) {
        int Status = 0;
        const pid_t Result = ::waitpid(Child, &Status, Options);
        if (Result == Child) return Status;
        if (Result == 0) return std::nullopt;
        if (errno != EINTR) return 0;
    }
}

// Reads the child's output until it ends or TimeoutSeconds (0: no limit) have
// passed, when its whole process group is killed. The group may outlive the
// child (a script's own children), so the end is the child's, not the pipe's.
TProgramOutcome WaitForChild(pid_t Child, TPipe& Pipe, int TimeoutSeconds, const std::function<void()>& Waiting) {
    using Clock = std::chrono::steady_clock;
    const auto Deadline = Clock::now() + std::chrono::seconds(TimeoutSeconds);
    TOutputTail Output;
    TProgramOutcome Result;
    bool PipeOpen = true;
    // Short naps first, so a quick program costs little; longer ones later.
    int NapMs = 1;
    std::optional<int> Status;
    try {
        while (!(Status = EndStatus(Child, WNOHANG))) {
            if (TimeoutSeconds > 0 && Clock::now() >= Deadline) {
                ::kill(-Child, SIGKILL);
                Status = EndStatus(Child, 0);
                Result.End = TProgramOutcome::TimedOut;
                break;
            }
            if (Waiting) Waiting();
            if (PipeOpen)
                PipeOpen = ReadAvailable(Pipe.Reading(), NapMs, Output) != TRead::Closed;
            else
                ::poll(nullptr, 0, NapMs);
            NapMs = std::min(NapMs * 2, 25);
        }
    } catch (...) {
        // Nobody reads any more: a child that writes ends on its broken pipe.
        Pipe.CloseReading();
        EndStatus(Child, 0);
        ForgetRunningGroup();
        throw;
    }
    ForgetRunningGroup();
    // What is still in the pipe; a child of the child that writes on is not waited for.
    for (std::size_t Reads = 0; PipeOpen && Reads < 64; ++Reads)
        if (ReadAvailable(Pipe.Reading(), 0, Output) != TRead::Some) break;
    if (Result.End != TProgramOutcome::TimedOut) {
        Result.End = WIFSIGNALED(*Status) ? TProgramOutcome::Signalled : TProgramOutcome::Exited;
        Result.Code = WIFSIGNALED(*Status) ? WTERMSIG(*Status) : WIFEXITED(*Status) ? WEXITSTATUS(*Status) : 0;
    }
    Result.Output = Output.Take();
    return Result;
}

}  // namespace

TProgramOutcome RunProgram(const std::string& Program, const std::vector<std::string>& Args,
                           const std::function<void()>& Waiting, int TimeoutSeconds) {
    if (Program.empty()) return {};
    // posix_spawn wants mutable strings; these copies live until it returns.
    std::vector<std::string> Words{Program};
    Words.insert(Words.end(), Args.begin(), Args.end());
    std::vector<char*> Argv;
    for (std::string& Word : Words) Argv.push_back(Word.data());
    Argv.push_back(nullptr);

    TPipe Pipe;
    if (!Pipe.Open()) return {};
    const TSpawnSetup Setup(Pipe.Writing());
    pid_t Child = 0;
    {
        const std::lock_guard<std::mutex> Hold(Running().Lock);
        // A name without "/" is looked up in PATH, as a shell user expects; a
        // path with one is used as it is. glibc reports a failed exec here.
        if (posix_spawnp(&Child, Program.c_str(), Setup.Actions(), Setup.Attributes(), Argv.data(), environ) != 0)
            return {};
        Running().Group = Child;
    }
    Pipe.CloseWriting();  // the child's copies alone hold it open now
    return WaitForChild(Child, Pipe, TimeoutSeconds, Waiting);
}

void StopRunningProgram(int Signal) noexcept {
    const std::lock_guard<std::mutex> Hold(Running().Lock);
    if (Running().Group > 0) ::kill(-Running().Group, Signal);
}

}  // namespace corvanet
