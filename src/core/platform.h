// The small layer over the operating system: paths, finding a file whatever
// the letter case of its components, starting a program without a shell.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvanet {

// Directory part of a path, up to and including the last "/" ("" if none).
std::string DirectoryPart(std::string_view Path);

// Resolves a path written in a project file ("\" or "/" separators, any
// letter case) relative to BaseDir. Returns the exact path when it exists;
// otherwise each component is matched case-insensitively against its
// directory; if nothing matches, the plain joined path (so the open error
// names it).
std::string ResolvePath(const std::string& BaseDir, std::string_view WrittenPath);

// Starts Program with Args (no shell), its output discarded, and waits for it
// to end, calling Waiting now and then. Returns false when it could not be
// started at all (no such file, not executable).
bool RunProgram(const std::string& Program, const std::vector<std::string>& Args,
                const std::function<void()>& Waiting);

}  // namespace corvanet
