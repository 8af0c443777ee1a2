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

// The entry of Dir whose name equals Name ignoring letter case. Several
// candidates (Main.pas and MAIN.pas) are decided by byte order, so a run never
// depends on the order in which the directory lists its entries.
// The entries are read with readdir: a run looks up every unit's path, and
// the directories of a large tree are long, so no entry becomes a path object.
std::optional<std::string> FindEntryIgnoringCase(const std::string& Dir, std::string_view Name) {
    DIR* Listing = opendir(Dir.empty() ? "." : Dir.c_str());
    if (Listing == nullptr) return std::nullopt;
    std::optional<std::string> Found;
    while (const dirent* Entry = readdir(Listing)) {
        const std::string_view EntryName(Entry->d_name);
        if (EntryName == "." || EntryName == "..") continue;
        if (SameText(EntryName, Name) && (!Found || EntryName < *Found)) Found = std::string(EntryName);
    }
    closedir(Listing);
    return Found;
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

std::string ResolvePath(const std::string& BaseDir, std::string_view WrittenPath) {
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
        std::string Next = Resolved + std::string(Part);
        if (Part != "." && Part != ".." && !Exists(Next)) {
            std::optional<std::string> Entry = FindEntryIgnoringCase(Resolved, Part);
            if (!Entry) return Joined;
            Next = Resolved + *Entry;
        }
        Resolved = std::move(Next) + '/';
    }
    if (!Resolved.empty()) Resolved.pop_back();
    return Exists(Resolved) ? Resolved : Joined;
}

}  // namespace corvanet
