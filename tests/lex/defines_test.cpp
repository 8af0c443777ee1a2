// Defines: loading the words of a defines text, and names compared folded,
// as whole strings, duplicates kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "compare.h"
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

// Against the plain list it stands for: random defines and undefines of
// names that differ in case, duplicates included, then every name asked.
TEST(DefinesTest, AnswersAsTheListWould) {
    const std::vector<std::string> Names = {"WIN32", "win32", "Win32", "X", "x", "VER100", "A B", "a b", "", "Z"};
    std::mt19937 Rng(11);
    for (int Round = 0; Round < 200; ++Round) {
        TDefines Defines;
        std::vector<std::string> List;  // the model: every entry, first equal removed
        for (int Step = 0; Step < 60; ++Step) {
            const std::string& Name = Names[Rng() % Names.size()];
            if (Rng() % 3 != 0) {
                Defines.AddDefine(Name);
                List.push_back(Name);
            } else {
                Defines.RemoveDefine(Name);
                const auto It = std::find_if(List.begin(), List.end(), [&](const std::string& Item) { return SameText(Item, Name); });
                if (It != List.end()) List.erase(It);
            }
            ASSERT_EQ(Defines.Items(), List) << "round " << Round << ", step " << Step;
            for (const std::string& Asked : Names) {
                const bool Expected = std::any_of(List.begin(), List.end(), [&](const std::string& Item) { return SameText(Item, Asked); });
                ASSERT_EQ(Defines.IsDefined(Asked), Expected) << Asked << " in round " << Round << ", step " << Step;
            }
        }
        Defines.ClearDefines();
        for (const std::string& Asked : Names) ASSERT_FALSE(Defines.IsDefined(Asked));
    }
}

}  // namespace
}  // namespace corvanet
