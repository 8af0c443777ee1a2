// Claiming document names: see page_names.h.
#include "page_names.h"

#include "compare.h"

namespace corvanet {

void TPageNames::Clear() {
    taken_.clear();
    claims_.clear();
}

void TPageNames::Reserve(std::string_view Stem) { taken_.insert(LowerAscii(Stem)); }

std::string TPageNames::Claim(std::string_view Stem, std::string_view Key) {
    const auto [Known, Added] = claims_.try_emplace(std::string(Key));
    if (!Added) return Known->second;
    std::string Name(Stem);
    for (int Suffix = 2; !taken_.insert(LowerAscii(Name)).second; ++Suffix)
        Name = std::string(Stem) + "-" + std::to_string(Suffix);
    Known->second = Name;
    return Name;
}

}  // namespace corvanet
