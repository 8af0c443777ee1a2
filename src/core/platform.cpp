// Paths: the directory part of a path and the lookup of a path written in a
// project file on a case-sensitive file system. Nothing here changes the
// process's current directory; a path that matches nothing comes back joined
// as written, so the error that follows names what the project asked for.
#include "platform.h"

#include <dirent.h>

#include <algorithm>
#include <filesystem>
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

}  // namespace corvanet
