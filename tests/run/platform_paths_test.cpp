// Paths written in a project file on a case-sensitive file system: "\" read as
// "/", relative to the project's directory, each component matched ignoring
// case where the exact path does not exist, the joined path when nothing fits.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform.h"
#include "scratch_dir.h"

namespace corvanet {
namespace {

TEST(Platform, DirectoryPartKeepsTheLastSlash) {
    struct Case {
        const char* Path;
        const char* Dir;
    };
    const Case Cases[] = {{"demo.dpr", ""},       {"examples/demo/demo.dpr", "examples/demo/"},
                          {"/abs/p.dpr", "/abs/"}, {"dir/", "dir/"},
                          {"", ""},               {"a\\b.dpr", ""}};
    for (const Case& C : Cases) EXPECT_EQ(DirectoryPart(C.Path), C.Dir) << C.Path;
}

class ResolvePathTest : public ::testing::Test {
protected:
    testsupport::TScratchDir Scratch;
    std::string Base;

    void SetUp() override {
        Base = Scratch.Path();
        for (const char* File : {"proj/Main.pas", "proj/source/util.pas", "proj/Source2/X.PAS", "lib/Shared.pas"}) {
            std::filesystem::create_directories(std::filesystem::path(Base + File).parent_path());
            testsupport::WriteBytes(Base + File, "unit x;");
        }
        std::filesystem::create_directories(Base + "proj/sub");
    }
};

TEST_F(ResolvePathTest, FindsWhatTheProjectMeans) {
    struct Case {
        const char* Written;
        const char* Resolved;  // relative to the scratch directory
    };
    const Case Cases[] = {
        {"Main.pas", "proj/Main.pas"},                       // exact
        {"main.PAS", "proj/Main.pas"},                       // file name in another case
        {"Source\\Util.pas", "proj/source/util.pas"},        // backslash, directory and file
        {"source/util.pas", "proj/source/util.pas"},         // already a Linux path
        {"SOURCE2\\x.pas", "proj/Source2/X.PAS"},
        {"..\\LIB\\shared.pas", "proj/../lib/Shared.pas"},   // up and across
        {".\\Main.pas", "proj/./Main.pas"},
        {"Sub\\..\\main.pas", "proj/sub/../Main.pas"},
    };
    // Directories read afresh for each path, and read once for all of them.
    TDirectoryListings Listings;
    for (const Case& C : Cases) {
        EXPECT_EQ(ResolvePath(Base + "proj/", C.Written), Base + C.Resolved) << C.Written;
        EXPECT_EQ(ResolvePath(Base + "proj/", C.Written, &Listings), Base + C.Resolved) << C.Written;
    }
}

TEST_F(ResolvePathTest, GivesTheJoinedPathWhenNothingFits) {
    EXPECT_EQ(ResolvePath(Base + "proj/", "Missing\\Main.pas"), Base + "proj/Missing/Main.pas");
    EXPECT_EQ(ResolvePath(Base + "proj/", "Source\\Gone.pas"), Base + "proj/Source/Gone.pas");
    // A file where a directory is expected is no match either.
    EXPECT_EQ(ResolvePath(Base + "proj/", "main.pas\\x.pas"), Base + "proj/main.pas/x.pas");
    // An absolute path ignores the base.
    EXPECT_EQ(ResolvePath("/nowhere/", Base + "PROJ/main.pas"), Base + "proj/Main.pas");
}

TEST_F(ResolvePathTest, PrefersTheExactEntryOverOthersOfAnotherCase) {
    testsupport::WriteBytes(Base + "proj/MAIN.pas", "unit y;");
    EXPECT_EQ(ResolvePath(Base + "proj/", "MAIN.pas"), Base + "proj/MAIN.pas");
    EXPECT_EQ(ResolvePath(Base + "proj/", "Main.pas"), Base + "proj/Main.pas");
    // Neither written: the first by byte order, whatever the directory's order.
    EXPECT_EQ(ResolvePath(Base + "proj/", "mAIN.pas"), Base + "proj/MAIN.pas");
    TDirectoryListings Listings;
    EXPECT_EQ(ResolvePath(Base + "proj/", "mAIN.pas", &Listings), Base + "proj/MAIN.pas");
    EXPECT_EQ(ResolvePath(Base + "proj/", "main.PAS", &Listings), Base + "proj/MAIN.pas");
}

// One listing set serves a whole run, so what it remembers of a component
// belongs to the directory it was found in.
TEST_F(ResolvePathTest, RemembersEachComponentWithItsDirectory) {
    for (const char* File : {"proj/a/Common/Unit1.pas", "proj/b/COMMON/unit1.PAS", "proj/b/COMMON/Unit2.pas"}) {
        std::filesystem::create_directories(std::filesystem::path(Base + File).parent_path());
        testsupport::WriteBytes(Base + File, "unit x;");
    }
    TDirectoryListings Listings;
    for (int Round = 0; Round < 2; ++Round) {
        EXPECT_EQ(ResolvePath(Base + "proj/", "A\\common\\UNIT1.pas", &Listings), Base + "proj/a/Common/Unit1.pas");
        EXPECT_EQ(ResolvePath(Base + "proj/", "B\\common\\UNIT1.pas", &Listings), Base + "proj/b/COMMON/unit1.PAS");
        EXPECT_EQ(ResolvePath(Base + "proj/", "B\\common\\unit2.pas", &Listings), Base + "proj/b/COMMON/Unit2.pas");
        EXPECT_EQ(ResolvePath(Base + "proj/", "A\\common\\unit2.pas", &Listings), Base + "proj/A/common/unit2.pas");
    }
}

}  // namespace
}  // namespace corvanet
