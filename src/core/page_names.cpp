// Claiming document names: see page_names.h.
#include "page_names.h"

#include "compare.h"

namespace corvanet {

void TPageNames::Clear() {
    taken_.clear();
    claims_.clear();
    sources_.clear();
}

void TPageNames::AddSourceFile(std::string_view FileName) { sources_.insert(LowerAscii(FileName)); }

bool TPageNames::IsSourceFile(std::string_view FileName) const {
    return !sources_.empty() && sources_.contains(LowerAscii(FileName));
}

void TPageNames::Reserve(std::string_view Stem) { taken_.insert(LowerAscii(Stem)); }

std::string TPageNames::Claim(std::string_view Stem, std::string_view Key) {
    const auto [Known, Added] = claims_.try_emplace(std::string(Key));
    if (!Added) return Known->second;
    std::string Name(Stem);
    const auto OverSource = [this](const std::string& Stem) {
        return IsSourceFile(Stem + ".html") || IsSourceFile(Stem + ".rtf");
    };
    for (int Suffix = 2; !taken_.insert(LowerAscii(Name)).second || OverSource(Name); ++Suffix)
        Name = std::string(Stem) + "-" + std::to_string(Suffix);
    Known->second = Name;
    return Name;
}

}  // namespace corvanet
