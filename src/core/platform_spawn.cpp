// Starting an outside program without a shell: the arguments reach it exactly
// as given, so no path is ever interpreted by one. Its standard input reads
// /dev/null and its output is discarded. The caller waits for it to end,
// called back now and then so that a window stays responsive; the child is
// always reaped, also when the callback throws.
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <thread>

#include "platform.h"

extern char** environ;

namespace corvanet {
namespace {

// How the child starts: standard input from /dev/null, output and errors into
// it; no blocked signals and SIGPIPE in its default state, whatever the front
// end has set up for itself.
class TSpawnSetup {
public:
    TSpawnSetup() {
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions_, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions_, 1, 2);
        posix_spawnattr_init(&attributes_);
        sigset_t Signals;
        sigemptyset(&Signals);
        posix_spawnattr_setsigmask(&attributes_, &Signals);
        sigaddset(&Signals, SIGPIPE);
        posix_spawnattr_setsigdefault(&attributes_, &Signals);
        posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
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

// True once Child has ended (or is no longer ours to wait for: a process that
// ignores SIGCHLD has its children reaped by the system).
bool HasEnded(pid_t Child, int Options) {
    for (;;) {
        int Status = 0;
        const pid_t Result = waitpid(Child, &Status, Options);
        if (Result == Child) return true;
        if (Result == 0) return false;
        if (errno != EINTR) return true;
    }
}

void WaitForChild(pid_t Child, const std::function<void()>& Waiting) {
    // Short naps first, so a quick program costs little; longer ones later.
    auto Nap = std::chrono::milliseconds(1);
    try {
        while (!HasEnded(Child, WNOHANG)) {
            if (Waiting) Waiting();
            std::this_thread::sleep_for(Nap);
            Nap = std::min(Nap * 2, std::chrono::milliseconds(25));
        }
    } catch (...) {
        HasEnded(Child, 0);
        throw;
    }
}

}  // namespace

bool RunProgram(const std::string& Program, const std::vector<std::string>& Args,
                const std::function<void()>& Waiting) {
    if (Program.empty()) return false;
    // posix_spawn wants mutable strings; these copies live until it returns.
    std::vector<std::string> Words{Program};
    Words.insert(Words.end(), Args.begin(), Args.end());
    std::vector<char*> Argv;
    for (std::string& Word : Words) Argv.push_back(Word.data());
    Argv.push_back(nullptr);

    const TSpawnSetup Setup;
    pid_t Child = 0;
    // A name without "/" is looked up in PATH, as a shell user expects; a path
    // with one is used as it is. glibc reports a failed exec here, not later.
    if (posix_spawnp(&Child, Program.c_str(), Setup.Actions(), Setup.Attributes(), Argv.data(), environ) != 0)
        return false;
    WaitForChild(Child, Waiting);
    return true;
}

}  // namespace corvanet
