// The small layer over the operating system: paths, finding a file whatever
// the letter case of its components, starting a program without a shell.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "error.h"

namespace corvanet {

// Directory part of a path, up to and including the last "/" ("" if none).
std::string DirectoryPart(std::string_view Path);

// The names in directories, each directory read once: the units of a project
// share a few directories, and a run looks up every unit's path.
class TDirectoryListings {
public:
    // The entry of Dir ("" for the current directory) whose name equals Name
    // ignoring letter case; of several (Main.pas and MAIN.pas), the first in
    // byte order, so a run never depends on the order a directory lists them.
    std::optional<std::string> FindIgnoringCase(const std::string& Dir, std::string_view Name);

    // The entry of Dir that a component written as Part names: Part itself
    // when Dir holds it, else FindIgnoringCase's answer. Each pair is asked
    // of the disk once, so the units of one directory cost no look-up of the
    // directories above them.
    std::optional<std::string> MatchEntry(const std::string& Dir, std::string_view Part);

private:
    std::unordered_map<std::string, std::vector<std::string>> listings_;  // names in byte order
    std::unordered_map<std::string, std::optional<std::string>> matches_;  // Dir, '\0', Part -> entry
};

// Resolves a path written in a project file ("\" or "/" separators, any
// letter case) relative to BaseDir. Returns the exact path when it exists;
// otherwise each component is matched case-insensitively against its
// directory (read through Listings when given); if nothing matches, the
// plain joined path (so the open error names it).
std::string ResolvePath(const std::string& BaseDir, std::string_view WrittenPath,
                        TDirectoryListings* Listings = nullptr);

// SystemReason, the system's text for an error number, is in error.h, where
// the scanner and the documents, below this layer, find it too.

// Why the file at Path cannot be read as a source: empty when it opens and its
// first byte reads (or it is empty), else the system's reason (a directory
// gives "Is a directory").
std::string ReadProblem(const std::string& Path);

// How an outside program ended. NotStarted: it could not be started at all
// (no such file, not executable). Exited: Code is its exit status.
// Signalled: Code is the signal that ended it. TimedOut: it was still running
// when the time allowed had passed, and was killed.
struct TProgramOutcome {
    enum TEnd { NotStarted, Exited, Signalled, TimedOut };
    TEnd End = NotStarted;
    int Code = 0;
    std::string Output;  // its standard output and error, in the order written
    bool Succeeded() const noexcept { return End == Exited && Code == 0; }
};

// Starts Program with Args (no shell), in a process group of its own, and
// waits for it to end, calling Waiting now and then. With TimeoutSeconds > 0
// the group is killed once that many seconds have passed.
TProgramOutcome RunProgram(const std::string& Program, const std::vector<std::string>& Args,
                           const std::function<void()>& Waiting, int TimeoutSeconds = 0);

// Sends Signal to the process group of the program RunProgram waits for, if
// any: an interrupted run does not leave it running. Called from another
// thread (the one that handles signals), never from a signal handler.
void StopRunningProgram(int Signal) noexcept;

// The stack of every thread that reads sources: set here rather than left to
// the system's default, which differs between systems and sanitizer builds.
// The rules' nesting limit (MaxNesting) keeps the deepest reading well under
// a quarter of it in the sanitizer build.
inline constexpr std::size_t ReadingStackSize = std::size_t{8} << 20;

// A thread with a stack of a chosen size, which std::thread cannot set. Body
// runs once; an exception it lets out is kept and thrown again by Join.
class TSizedThread {
public:
    TSizedThread() noexcept;
    TSizedThread(std::size_t StackSize, std::function<void()> Body);
    TSizedThread(TSizedThread&&) noexcept;
    TSizedThread& operator=(TSizedThread&&) noexcept;
    ~TSizedThread();  // joins a thread not joined yet
    bool Joinable() const noexcept { return started_; }
    void Join();

    struct TState;  // the body and what it let out, shared with the thread

private:
    std::unique_ptr<TState> state_;
    bool started_ = false;
};

// Runs Body on a thread with a stack of StackSize bytes and waits for it;
// what Body throws is thrown here.
void RunWithStack(std::size_t StackSize, const std::function<void()>& Body);

}  // namespace corvanet
