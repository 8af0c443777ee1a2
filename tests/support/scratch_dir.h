// A directory of its own for one test, removed with everything in it when the
// test ends, and the few file operations tests need around it. Each test gets
// a fresh directory, so tests never see each other's files.
#pragma once

#include <string>

namespace corvanet::testsupport {

class TScratchDir {
public:
    TScratchDir();  // a new directory under $TMPDIR (or /tmp)
    ~TScratchDir();
    TScratchDir(const TScratchDir&) = delete;
    TScratchDir& operator=(const TScratchDir&) = delete;

    // The directory's path, ending in "/".
    const std::string& Path() const noexcept { return path_; }
    bool Exists(const std::string& Name) const;  // Name relative to Path()

private:
    std::string path_;
};

// The whole file as bytes; empty when it cannot be read.
std::string ReadBytes(const std::string& Path);
// Creates or truncates Path with Text; Executable adds the execute permission.
void WriteBytes(const std::string& Path, const std::string& Text, bool Executable = false);

}  // namespace corvanet::testsupport
