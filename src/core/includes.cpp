// Include files of the modern reading. The stream asks FindInclude for the
// file a directive names and reads it in place; this side looks the file up,
// stops an include of a file already being read, and decides where the
// include's tokens go: to a page of its own the first time the run writes
// it (the project file's inclusions first, then the units' in their order),
// nowhere at every later inclusion, and nowhere in the symbol pass. The
// symbol pass notes which files each unit includes, so the pages are named
// before the units are written (AssignIncludePages) and any thread can write
// a unit and the include pages it is the first to reach.
#include <algorithm>
#include <filesystem>

#include "compare.h"
#include "pipeline.h"
#include "platform.h"

namespace corvanet {
namespace {

constexpr std::size_t MaxIncludeDepth = 32;

bool IsFile(const std::string& Path) {
    std::error_code Ec;
    return std::filesystem::is_regular_file(Path, Ec);
}

bool HasExtension(std::string_view Name) {
    const std::size_t Dot = Name.rfind('.');
    const std::size_t Slash = Name.find_last_of("/\\");
    return Dot != std::string_view::npos && (Slash == std::string_view::npos || Dot > Slash);
}

}  // namespace

void TRun::StartIncludes(const std::string& Path) {
    openFiles_.assign(1, {std::filesystem::path(Path).lexically_normal().string(), 0});
    Documents.Reading = 0;
    Stream.Unwritten = false;
    pendingPair_ = 0;
    metIncludes_.clear();
    writtenIncludes_.clear();
}

std::string TRun::FindInclude(std::string_view Written) {
    if (openFiles_.empty()) return {};
    const bool Writes = writesIncludes_ && Stream.CurrentPass != 1;
    const std::string& Holder = openFiles_.back().Path;
    auto Warning = [&](const std::string& Reason) {
        if (Writes) Warn(Holder, Stream.Reading().TokenLine(), Reason);
    };
    // "*.inc" is the including unit's own name.
    std::string Name(Written);
    if (Name.starts_with("*.")) Name = ReplaceExtension(FileNamePart(openFiles_.front().Path), "") + Name.substr(1);
    std::vector<std::string> Dirs = {DirectoryPart(Holder), DirectoryPart(openFiles_.front().Path),
                                     DirectoryPart(ProjectFile)};
    // The project's directory and the include path are the run's: the first
    // two directories and the name decide the answer.
    std::string Key = Dirs[0];
    Key.append(1, '\0').append(Dirs[1]).append(1, '\0').append(Name);
    auto [Lookup, New] = includeLookups_.try_emplace(std::move(Key));
    std::string& Found = Lookup->second;
    if (New) {
        for (const std::string& Dir : IncludePath) Dirs.push_back(Dir.empty() || Dir.back() == '/' ? Dir : Dir + '/');
        std::vector<std::string> Names = {Name};
        if (!HasExtension(Name))
            for (const char* Extension : {".pas", ".inc", ".pp"}) Names.push_back(Name + Extension);
        for (const std::string& Dir : Dirs) {
            for (const std::string& Candidate : Names) {
                const std::string Path =
                    !Candidate.empty() && Candidate[0] == '/' ? Candidate : ResolvePath(Dir, Candidate, &listings_);
                if (IsFile(Path)) {
                    // One file, one name: "Tests/../Source/x.inc" is "Source/x.inc".
                    Found = std::filesystem::path(Path).lexically_normal().string();
                    break;
                }
            }
            if (!Found.empty()) break;
        }
    }
    if (Found.empty()) {
        Warning("include file " + Name + " not found");
        return {};
    }
    for (const TOpenFile& Open : openFiles_) {
        if (Open.Path == Found) {
            Warning("include file " + Name + " includes itself; not read again");
            return {};
        }
    }
    if (openFiles_.size() > MaxIncludeDepth) {
        Warning("include files nest deeper than " + std::to_string(MaxIncludeDepth) + "; " + Name + " not read");
        return {};
    }
    NoteSource(Found);
    pendingPair_ = -1;
    if (Stream.CurrentPass == 1 && std::find(metIncludes_.begin(), metIncludes_.end(), Found) == metIncludes_.end())
        metIncludes_.push_back(Found);
    if (Writes) {
        auto [Page, First] = includePages_.try_emplace(Found);
        // The project file's includes, and any the symbol pass did not meet,
        // are named here; the units' own were named before they were written.
        bool Opens = First;
        if (First) {
            if (!writesIncludeNames_) {
                includePages_.erase(Page);
                unknownInclude_ = true;
                openFiles_.push_back({Found, -1});
                return Found;
            }
            NameIncludePage(Found, Page->second);
        } else if (const auto Owner = includeOwners_.find(Found);
                   Owner != includeOwners_.end() && Owner->second == writingUnit_ &&
                   std::find(writtenIncludes_.begin(), writtenIncludes_.end(), Found) == writtenIncludes_.end()) {
            Opens = true;
        }
        if (Opens) {
            writtenIncludes_.push_back(Found);
            pendingPair_ = Documents.OpenNestedPair(BuildDir + Page->second + ".html",
                                                    BuildDir + Page->second + ".rtf", Page->second);
        }
        includeLink_.Page = Page->second + ".html";
        includeLink_.Topic = "unit_" + AsciiContext(Page->second);
        Stream.IncludeLink = &includeLink_;
    }
    openFiles_.push_back({Found, pendingPair_});
    return Found;
}

// Named after the file, extension and all; a name another page has gets
// "-2", "-3"... The key keeps an include apart from a unit of the same path.
void TRun::NameIncludePage(const std::string& Path, std::string& Page) {
    Page = Symbols.Pages.Claim(FileNamePart(Path), "\x01include " + Path);
    IncludeFiles.push_back({Page, Path});
    RefuseSourceFile(BuildDir + Page + ".html");  // before any of its documents is put in place
    RefuseSourceFile(BuildDir + Page + ".rtf");
}

void TRun::AssignIncludePages() {
    includeOwners_.clear();
    const int Count = static_cast<int>(Symbols.UnitList().size());
    for (int Unit = 0; Unit < Count; ++Unit) {
        const auto Met = unitIncludes_.find(SourcePath(Symbols.UnitList()[static_cast<std::size_t>(Unit)].Path));
        if (Met == unitIncludes_.end()) continue;
        for (const std::string& Path : Met->second) {
            auto [Page, First] = includePages_.try_emplace(Path);
            if (!First) continue;
            NameIncludePage(Path, Page->second);
            includeOwners_.emplace(Path, Unit);
        }
    }
}

void TRun::SwitchInclude(bool Begins) {
    if (!Begins && openFiles_.size() > 1) openFiles_.pop_back();
    Documents.Reading = Begins ? pendingPair_ : openFiles_.back().Pair;
    Documents.Activate(Documents.Reading);
    Stream.Unwritten = Documents.Reading < 0;
}

}  // namespace corvanet
