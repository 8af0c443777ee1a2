// Defines: loading the words of a defines text, and names compared folded,
// as whole strings, duplicates kept.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "defines.h"

namespace corvanet {
namespace {

TEST(DefinesTest, LoadDefinesWords) {
    struct Case {
        const char* Text;
        std::vector<std::string> Words;
    };
    const Case cases[] = {
        {"WIN32;VER100", {"WIN32", "VER100"}},
        {"WIN32; VER100", {"WIN32", " VER100"}},
        {";;WIN32;;", {"WIN32"}},
        {"", {}},
        {";", {}},
        {"A;a;A ", {"A", "a", "A "}},
    };
    TDefines defines;
    defines.AddDefine("OLD");
    for (const Case& c : cases) {
        defines.LoadDefines(c.Text);
        EXPECT_EQ(defines.Items(), c.Words) << c.Text;
    }
}

TEST(DefinesTest, NamesCompareFoldedAndWhole) {
    TDefines defines;
    defines.LoadDefines("Win32;VER100 ");
    EXPECT_TRUE(defines.IsDefined("WIN32"));
    EXPECT_TRUE(defines.IsDefined("win32"));
    EXPECT_FALSE(defines.IsDefined("VER100"));
    EXPECT_TRUE(defines.IsDefined("ver100 "));
    EXPECT_FALSE(defines.IsDefined("WIN"));
    defines.AddDefine("X");
    defines.AddDefine("x");
    defines.RemoveDefine("X");
    EXPECT_TRUE(defines.IsDefined("X"));
    defines.RemoveDefine("X");
    EXPECT_FALSE(defines.IsDefined("X"));
    defines.RemoveDefine("X");  // absent: nothing happens
    EXPECT_EQ(defines.Items().size(), 2u);
    defines.ClearDefines();
    EXPECT_TRUE(defines.Items().empty());
}

}  // namespace
}  // namespace corvanet
