// posix_spawn with the three standard streams redirected (see process.h).
#include "process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

namespace corvanet::acceptance {

namespace {

// Owns the file actions so every exit path releases them.
class TFileActions {
public:
    TFileActions() { posix_spawn_file_actions_init(&actions_); }
    ~TFileActions() { posix_spawn_file_actions_destroy(&actions_); }
    TFileActions(const TFileActions&) = delete;
    TFileActions& operator=(const TFileActions&) = delete;

    bool Redirect(int Fd, const std::string& Path, int Flags) {
        return posix_spawn_file_actions_addopen(&actions_, Fd, Path.c_str(), Flags, 0644) == 0;
    }
    const posix_spawn_file_actions_t* Get() const { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

int WaitFor(pid_t Child) {
    int Raw = 0;
    while (waitpid(Child, &Raw, 0) < 0)
        if (errno != EINTR) return -1;
    if (WIFEXITED(Raw)) return WEXITSTATUS(Raw);
    if (WIFSIGNALED(Raw)) return 128 + WTERMSIG(Raw);
    return -1;
}

}  // namespace

int RunProcess(const std::vector<std::string>& Argv, const std::string& OutPath, const std::string& ErrPath) {
    if (Argv.empty()) return -1;
    TFileActions Actions;
    const int Write = O_WRONLY | O_CREAT | O_TRUNC;
    if (!Actions.Redirect(0, "/dev/null", O_RDONLY) || !Actions.Redirect(1, OutPath, Write) ||
        !Actions.Redirect(2, ErrPath, Write))
        return -1;
    std::vector<char*> Args;
    for (const std::string& Arg : Argv) Args.push_back(const_cast<char*>(Arg.c_str()));
    Args.push_back(nullptr);
    pid_t Child = 0;
    if (posix_spawnp(&Child, Args[0], Actions.Get(), nullptr, Args.data(), environ) != 0) return -1;
    return WaitFor(Child);
}

}  // namespace corvanet::acceptance
