// Scratch directories and whole-file reads and writes for tests. Failures to
// create anything throw, so a test cannot go on with a directory it lacks.
#include "scratch_dir.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace corvanet::testsupport {

TScratchDir::TScratchDir() {
    const char* Base = std::getenv("TMPDIR");
    std::string Template = std::string(Base && *Base ? Base : "/tmp") + "/corvanet-test-XXXXXX";
    if (mkdtemp(Template.data()) == nullptr) throw std::runtime_error("mkdtemp failed: " + Template);
    path_ = Template + "/";
}

TScratchDir::~TScratchDir() {
    std::error_code Ignored;
    std::filesystem::remove_all(path_, Ignored);
}

bool TScratchDir::Exists(const std::string& Name) const {
    return std::filesystem::exists(path_ + Name);
}

std::string ReadBytes(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& Path, const std::string& Text, bool Executable) {
    {
        std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
        Out << Text;
        if (!Out.flush()) throw std::runtime_error("cannot write " + Path);
    }
    if (Executable) {
        using std::filesystem::perms;
        std::filesystem::permissions(Path, perms::owner_exec | perms::group_exec | perms::others_exec,
                                     std::filesystem::perm_options::add);
    }
}

}  // namespace corvanet::testsupport
