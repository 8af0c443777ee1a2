// The names of the document pairs a run writes. Every source file gets a
// page and topic of its own: a name that another document of the run already
// has, ignoring letter case (case-insensitive file systems, and help context
// strings are global), or that the run keeps for itself (the frame pages, the
// project's page) gets "-2", "-3"... after its stem, in the order claimed.
// A stem whose page or topic would be written over a source file of the run
// (the build location is the source directory) is taken too.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace corvanet {

class TPageNames {
public:
    void Clear();
    // Stem is no document's to take ("index" for index.html).
    void Reserve(std::string_view Stem);
    // FileName (no directory) is a source file in the build location, kept
    // case-insensitively: no stem is given whose .html or .rtf it is.
    void AddSourceFile(std::string_view FileName);
    bool IsSourceFile(std::string_view FileName) const;
    // The stem of the document pair of the source known as Key (its path as
    // written): Stem when it is free, else the first free Stem-2, Stem-3...
    // The same Key asking again gets its first answer.
    std::string Claim(std::string_view Stem, std::string_view Key);

private:
    std::unordered_set<std::string> taken_;               // stems lower-cased
    std::unordered_map<std::string, std::string> claims_;  // Key -> stem given
    std::unordered_set<std::string> sources_;             // file names lower-cased
};

}  // namespace corvanet
