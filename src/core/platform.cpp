// Paths: the directory part of a path and the lookup of a path written in a
// project file on a case-sensitive file system. Nothing here changes the
// process's current directory; a path that matches nothing comes back joined
// as written, so the error that follows names what the project asked for.
#include "platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>
#include <system_error>

#include "compare.h"

namespace corvanet {

namespace fs = std::filesystem;

namespace {

bool Exists(const std::string& Path) {
    std::error_code Ec;
    return fs::exists(fs::path(Path), Ec);
}

// The names of Dir's entries but "." and "..", in byte order; none when it
// cannot be read. Read with readdir: the directories of a large tree are long,
// so no entry becomes a path object.
std::vector<std::string> ReadListing(const std::string& Dir) {
    std::vector<std::string> Names;
    DIR* Listing = opendir(Dir.empty() ? "." : Dir.c_str());
    if (Listing == nullptr) return Names;
    while (const dirent* Entry = readdir(Listing)) {
        const std::string_view Name(Entry->d_name);
        if (Name != "." && Name != "..") Names.emplace_back(Name);
    }
    closedir(Listing);
    std::sort(Names.begin(), Names.end());
    return Names;
}

// The first of Names, in byte order, that equals Name ignoring letter case.
std::optional<std::string> FirstIgnoringCase(const std::vector<std::string>& Names, std::string_view Name) {
    for (const std::string& Entry : Names)
        if (SameText(Entry, Name)) return Entry;
    return std::nullopt;
}

// What Part names in Dir, asking the disk: Part itself when it exists, else
// the first entry equal to it ignoring case.
std::optional<std::string> MatchOnDisk(const std::string& Dir, std::string_view Part, TDirectoryListings* Listings) {
    if (Exists(Dir + std::string(Part))) return std::string(Part);
    return Listings ? Listings->FindIgnoringCase(Dir, Part) : FirstIgnoringCase(ReadListing(Dir), Part);
}

std::vector<std::string_view> SplitComponents(std::string_view Path) {
    std::vector<std::string_view> Parts;
    std::size_t Start = 0;
    while (Start <= Path.size()) {
        std::size_t Slash = Path.find('/', Start);
        if (Slash == std::string_view::npos) Slash = Path.size();
        if (Slash > Start) Parts.push_back(Path.substr(Start, Slash - Start));
        Start = Slash + 1;
    }
    return Parts;
}

}  // namespace

std::string DirectoryPart(std::string_view Path) {
    const std::size_t Slash = Path.rfind('/');
    return Slash == std::string_view::npos ? std::string() : std::string(Path.substr(0, Slash + 1));
}

std::optional<std::string> TDirectoryListings::FindIgnoringCase(const std::string& Dir, std::string_view Name) {
    auto [It, Added] = listings_.try_emplace(Dir);
    if (Added) It->second = ReadListing(Dir);
    return FirstIgnoringCase(It->second, Name);
}

std::optional<std::string> TDirectoryListings::MatchEntry(const std::string& Dir, std::string_view Part) {
    std::string Key = Dir;
    Key += '\0';
    Key += Part;
    const auto Found = matches_.find(Key);
    if (Found != matches_.end()) return Found->second;
    std::optional<std::string> Entry = MatchOnDisk(Dir, Part, this);
    matches_.emplace(std::move(Key), Entry);
    return Entry;
}

std::string ResolvePath(const std::string& BaseDir, std::string_view WrittenPath, TDirectoryListings* Listings) {
    std::string Written(WrittenPath);
    std::replace(Written.begin(), Written.end(), '\\', '/');
    const bool Absolute = !Written.empty() && Written.front() == '/';
    std::string Root = Absolute ? std::string("/") : BaseDir;
    if (!Root.empty() && Root.back() != '/') Root += '/';
    const std::string Joined = Absolute ? Written : Root + Written;
    if (Exists(Joined)) return Joined;

    // Component by component, each one matched against what its directory
    // really holds; "." and ".." are taken as written.
    std::string Resolved = Root;
    for (std::string_view Part : SplitComponents(Written)) {
        if (Part == "." || Part == "..") {
            Resolved += Part;
        } else {
            const std::optional<std::string> Entry =
                Listings ? Listings->MatchEntry(Resolved, Part) : MatchOnDisk(Resolved, Part, nullptr);
            if (!Entry) return Joined;
            Resolved += *Entry;
        }
        Resolved += '/';
    }
    if (!Resolved.empty()) Resolved.pop_back();
    return Exists(Resolved) ? Resolved : Joined;
}

// The thread's body and what it let out, shared by the thread and its owner
// until the owner has joined it.
struct TSizedThread::TState {
    std::function<void()> Body;
    std::exception_ptr Error;
    pthread_t Handle{};
};

namespace {

void* RunSizedThread(void* State) {
    auto* S = static_cast<TSizedThread::TState*>(State);
    try {
        S->Body();
    } catch (...) {
        S->Error = std::current_exception();
    }
    return nullptr;
}

}  // namespace

TSizedThread::TSizedThread() noexcept = default;

TSizedThread::TSizedThread(std::size_t StackSize, std::function<void()> Body)
    : state_(std::make_unique<TState>()) {
    state_->Body = std::move(Body);
    pthread_attr_t Attributes;
    pthread_attr_init(&Attributes);
    int Error = pthread_attr_setstacksize(&Attributes, StackSize);
    if (Error == 0) Error = pthread_create(&state_->Handle, &Attributes, &RunSizedThread, state_.get());
    pthread_attr_destroy(&Attributes);
    if (Error != 0) throw std::system_error(Error, std::generic_category(), "Cannot start a thread");
    started_ = true;
}

TSizedThread::TSizedThread(TSizedThread&& Other) noexcept
    : state_(std::move(Other.state_)), started_(std::exchange(Other.started_, false)) {}

TSizedThread& TSizedThread::operator=(TSizedThread&& Other) noexcept {
    if (this != &Other) {
        if (started_) pthread_join(state_->Handle, nullptr);
        state_ = std::move(Other.state_);
        started_ = std::exchange(Other.started_, false);
    }
    return *this;
}

TSizedThread::~TSizedThread() {
    if (started_) pthread_join(state_->Handle, nullptr);
}

void TSizedThread::Join() {
    if (!started_) return;
    pthread_join(state_->Handle, nullptr);
    started_ = false;
    if (state_->Error) std::rethrow_exception(std::exchange(state_->Error, nullptr));
}

void RunWithStack(std::size_t StackSize, const std::function<void()>& Body) {
    TSizedThread Thread(StackSize, Body);
    Thread.Join();
}

std::string ReadProblem(const std::string& Path) {
    const int File = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (File < 0) return SystemReason(errno);
    int Error = 0;
    struct stat Status {};
    char Byte = 0;
    if (::fstat(File, &Status) != 0)
        Error = errno;
    else if (S_ISDIR(Status.st_mode))
        Error = EISDIR;
    else if (::read(File, &Byte, 1) < 0)
        Error = errno;
    ::close(File);
    return Error == 0 ? std::string() : SystemReason(Error);
}

}  // namespace corvanet
