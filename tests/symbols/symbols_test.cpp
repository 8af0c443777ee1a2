// Edge cases of the symbol table and name resolution: registration, the
// adders and their passes, forward classes, record-typed variables, case,
// the halving binary search, the visible symbols of one unit, copies of the
// table, many units under repeated names, and release.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "compare.h"
#include "error.h"
#include "symbols.h"

namespace corvanet {
namespace {

std::vector<std::string> Names(const std::vector<TRefElm>& List) {
    std::vector<std::string> out;
    for (const auto& elm : List) out.push_back(elm.Name);
    return out;
}

std::vector<std::string> UnitNames(const TSymbolTable& Table) {
    std::vector<std::string> out;
    for (const auto& unit : Table.UnitList()) out.push_back(unit.Name);
    return out;
}

class SymbolTableTest : public ::testing::Test {
protected:
    std::uint8_t Pass = 0;
    TSymbolTable Table{Pass};

    // Registers the paths in pass 0, leaves the table in pass 1.
    void Register(const std::vector<std::string>& Paths) {
        Pass = 0;
        for (const auto& path : Paths) Table.AddUnit(path);
        Pass = 1;
    }
    int Find(std::string_view Unit) const { return Table.FindUnit(Unit); }
};

TEST(SymbolKindNameTest, EveryKindHasItsDisplayText) {
    const std::vector<std::pair<TSymbolKind, std::string_view>> rows = {
        {skVariable, "Variable"},       {skConstant, "Constant"},   {skClass, "Class/Object"},
        {skFunction, "Function"},       {skProcedure, "Procedure"}, {skType, "Type"},
        {skLabel, "Label"},             {skConstructor, "Constructor"},
        {skDestructor, "Destructor"},   {skRecord, "Record"},       {skInterface, "Interface"},
        {skOperator, "Operator"},       {skProperty, "Property"},
    };
    for (const auto& [kind, text] : rows) EXPECT_EQ(SymbolKindName(kind), text) << int(kind);
    EXPECT_EQ(SymbolKindName(static_cast<TSymbolKind>(13)), "");
}

TEST(ReplaceExtensionTest, CutsThreeLetterExtensionsWithoutLookingForTheDot) {
    struct Row {
        std::string_view FileName, Extension, Expected;
    };
    const Row rows[] = {
        {"Unit1.pas", "", "Unit1"},
        {"Proj.dpr", "html", "Proj.html"},
        {"Unit1.pas", "rtf", "Unit1.rtf"},
        {"hcrtf", "exe", "hcexe"},
        {"\"C:\\Tools\\Proj.dpr\"", "hpj", "C:\\Tools\\Proj.hpj"},
        {"\"Unit1.pas\"", "", "Unit1"},
        {"", "rtf", ""},
        {"", "", ""},
        {"abc", "", ""},
        {"ab", "x", "x"},
        {"\"", "", ""},
        {"Name.pp", "", "Nam"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ReplaceExtension(row.FileName, row.Extension), row.Expected)
            << row.FileName << " + " << row.Extension;
}

TEST(FileNamePartTest, TakesEverythingAfterTheLastSeparator) {
    const std::vector<std::pair<std::string_view, std::string_view>> rows = {
        {"units/MyUnit.pas", "MyUnit.pas"}, {"C:\\src\\U.pas", "U.pas"}, {"C:U.pas", "U.pas"},
        {"a\\b/c:d.pas", "d.pas"},          {"Plain.pas", "Plain.pas"}, {"dir/", ""},
    };
    for (const auto& [path, expected] : rows) EXPECT_EQ(FileNamePart(path), expected) << path;
}

TEST_F(SymbolTableTest, UnitIsRegisteredUnderItsFileNameWithThePathUnchanged) {
    Register({"src\\MyUnit.pas", "lib/other/Helpers.pas"});
    ASSERT_EQ(UnitNames(Table), (std::vector<std::string>{"MyUnit", "Helpers"}));
    EXPECT_EQ(Table.UnitList()[0].Path, "src\\MyUnit.pas");
    EXPECT_EQ(Table.UnitList()[1].Path, "lib/other/Helpers.pas");
}

TEST_F(SymbolTableTest, UnitRegisteredTwiceKeepsBothEntriesAndFillsTheFirst) {
    Register({"a\\Twice.pas"});
    EXPECT_FALSE(Table.HasSameUnitNames());
    Register({"b/twice.pas"});
    EXPECT_TRUE(Table.HasSameUnitNames());
    ASSERT_EQ(Table.UnitList().size(), 2u);
    Table.AddSymbol("TWICE", "First", skConstant);
    Table.AddSymbol("twice", "Second", skVariable);
    Table.AddClass("Twice", "TThing");
    Table.AddMember("Twice", "TThing", "Run", skProcedure);
    EXPECT_EQ(Names(Table.UnitList()[0].Symbols), (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(Table.UnitList()[0].Classes.size(), 1u);
    EXPECT_TRUE(Table.UnitList()[1].Symbols.empty());
    EXPECT_TRUE(Table.UnitList()[1].Classes.empty());
}

TEST_F(SymbolTableTest, ForwardClassGivesTwoEntriesAndMethodsGoToTheFirst) {
    Register({"Shapes.pas"});
    Table.CurrentUnit = "Shapes";
    for (int declaration = 0; declaration < 2; ++declaration) {
        Table.AddSymbol("Shapes", "TShape", skType);
        Table.SetLastSymbolKind(skClass);
        Table.AddClass("Shapes", "TShape");
    }
    Table.AddMember("Shapes", "tshape", "Create", skConstructor);
    Table.AddMember("Shapes", "TShape", "Area", skFunction);
    Table.SortSymbolTable();
    const TURElm& unit = Table.UnitList()[0];
    ASSERT_EQ(unit.Symbols.size(), 2u);
    EXPECT_EQ(unit.Symbols[0].Kind, skClass);
    EXPECT_EQ(unit.Symbols[1].Kind, skClass);
    ASSERT_EQ(unit.Classes.size(), 2u);
    EXPECT_EQ(Names(unit.Classes[0].Members), (std::vector<std::string>{"Area", "Create"}));
    EXPECT_TRUE(unit.Classes[1].Members.empty());
    EXPECT_EQ(Table.CountEntries(), 2u + 2u + 2u);
}

TEST_F(SymbolTableTest, RecordTypedVariableTurnsOnlyTheLastVariable) {
    Register({"Data.pas"});
    Table.CurrentUnit = "data";
    for (const char* name : {"A", "B", "C"}) Table.AddSymbol("Data", name, skVariable);
    Table.SetLastSymbolKind(skRecord);
    const auto& symbols = Table.UnitList()[0].Symbols;
    EXPECT_EQ(symbols[0].Kind, skVariable);
    EXPECT_EQ(symbols[1].Kind, skVariable);
    EXPECT_EQ(symbols[2].Kind, skRecord);
}

// Calls that name no registered unit or class, or a unit without symbols yet,
// change nothing (a constructor after a set-typed field names no class).
TEST_F(SymbolTableTest, CallsNamingNothingRegisteredAreIgnored) {
    Register({"Empty.pas", "Forms.pas"});
    Table.AddClass("Forms", "TForm");
    Table.AddSymbol("Forms", "X", skType);
    Table.AddMember("Forms", "", "Create", skConstructor);
    Table.AddMember("Forms", "TOther", "Run", skProcedure);
    Table.AddMember("Nowhere", "TForm", "Run", skProcedure);
    Table.AddSymbol("Nowhere", "X", skVariable);
    Table.AddClass("Nowhere", "TForm");
    for (const char* unit : {"Empty", "Elsewhere"}) {
        Table.CurrentUnit = unit;
        Table.SetLastSymbolKind(skRecord);
    }
    EXPECT_EQ(Table.CountEntries(), 2u);
    EXPECT_EQ(Table.UnitList()[1].Symbols[0].Kind, skType);
}

TEST_F(SymbolTableTest, AddersActOnlyInTheirOwnPass) {
    Register({"Only.pas"});
    for (const std::uint8_t pass : {0, 2, 3}) {
        Pass = pass;
        Table.CurrentUnit = "Only";
        Table.AddSymbol("Only", "S", skVariable);
        Table.AddClass("Only", "C");
        Table.AddMember("Only", "C", "M", skProcedure);
        Table.SetLastSymbolKind(skRecord);
    }
    for (const std::uint8_t pass : {1, 2, 3}) {
        Pass = pass;
        Table.AddUnit("Late.pas");
    }
    EXPECT_EQ(Table.UnitList().size(), 1u);
    EXPECT_EQ(Table.CountEntries(), 0u);
}

TEST_F(SymbolTableTest, SortingIsStableAndFoldsCase) {
    Register({"zeta.pas", "Beta.pas", "_under.pas", "ALPHA.pas", "beta.pas"});
    for (const char* name : {"foo", "Bar", "FOO", "bar", "Foo"}) Table.AddSymbol("zeta", name, skConstant);
    Table.SortSymbolTable();
    // '_' sorts before the letters: it lies between upper and lower case in
    // ASCII, and letters compare folded.
    EXPECT_EQ(UnitNames(Table), (std::vector<std::string>{"_under", "ALPHA", "Beta", "beta", "zeta"}));
    EXPECT_EQ(Names(Table.UnitList()[4].Symbols), (std::vector<std::string>{"Bar", "bar", "foo", "FOO", "Foo"}));
    EXPECT_EQ(Find("ZETA"), 4);
    EXPECT_EQ(Find("_UNDER"), 0);
}

// The halving stops at the first equal entry it meets, which is not
// necessarily the first of the equal run. Kinds tell the entries apart.
TEST_F(SymbolTableTest, BinarySearchAnswersTheFirstEqualEntryTheHalvingMeets) {
    struct Row {
        std::vector<std::string> Keys;  // registration order = sorted order here
        std::string Query;
        int Expected;
    };
    const Row rows[] = {
        {{"a", "b", "b", "b", "c"}, "B", 2},
        {{"b", "b", "c", "d", "e"}, "b", 0},
        {{"a", "b", "b", "c", "d", "e", "f"}, "b", 1},
        {{"a", "a", "b", "b", "b", "b", "c", "d"}, "b", 3},
        {{"a", "c"}, "b", -1},
        {{}, "a", -1},
    };
    for (const auto& row : rows) {
        // Units keyed by the row, and in a second table one unit whose symbols are.
        Table.CreateUnitList();
        std::vector<std::string> paths;
        for (const auto& key : row.Keys) paths.push_back(key + ".pas");
        Register(paths);
        TSymbolTable symbols{Pass};
        Pass = 0;
        symbols.AddUnit("Host.pas");
        Pass = 1;
        for (std::size_t i = 0; i < row.Keys.size(); ++i)
            symbols.AddSymbol("Host", row.Keys[i], static_cast<TSymbolKind>(i));
        Table.SortSymbolTable();
        symbols.SortSymbolTable();
        EXPECT_EQ(Find(row.Query), row.Expected) << row.Query;
        const auto kind = symbols.GetSymbolKind("host", row.Query);
        if (row.Expected < 0) {
            EXPECT_FALSE(kind.has_value()) << row.Query;
        } else {
            ASSERT_TRUE(kind.has_value()) << row.Query;
            EXPECT_EQ(*kind, static_cast<TSymbolKind>(row.Expected)) << row.Query;
        }
    }
}

TEST_F(SymbolTableTest, LookupsOfAbsentUnitsAndSymbols) {
    Register({"Known.pas"});
    Table.AddSymbol("Known", "Here", skFunction);
    Table.SortSymbolTable();
    EXPECT_EQ(Find("Unknown"), -1);
    EXPECT_EQ(Find(""), -1);
    EXPECT_FALSE(Table.GetSymbolKind("Unknown", "Here").has_value());
    EXPECT_FALSE(Table.GetSymbolKind("Known", "There").has_value());
    EXPECT_EQ(Table.GetSymbolKind("KNOWN", "here"), skFunction);
    EXPECT_FALSE(Table.FindVisibleSymbol("Here").has_value());  // no list yet
    Pass = 2;
    Table.BeginVisibleSymbols({Find("Known")});
    EXPECT_FALSE(Table.FindVisibleSymbol("There").has_value());
    EXPECT_FALSE(Table.FindVisibleSymbol("Her").has_value());
    EXPECT_FALSE(Table.FindVisibleSymbol("Heres").has_value());
}

// Pass 1 on several threads fills copies of the table made after pass 0; a
// copy must send the adders to the same unit as the table itself would.
TEST_F(SymbolTableTest, CopyOfTheTableFillsTheFirstOfSameNamedUnits) {
    Register({"a/Twice.pas", "Other.pas", "b/TWICE.pas"});
    TSymbolTable copy{Pass};
    copy.CopyTable(Table);
    EXPECT_TRUE(copy.HasSameUnitNames());
    EXPECT_TRUE(copy.IsUnitName("oTHER"));
    EXPECT_FALSE(copy.IsUnitName("Twic"));
    copy.AddSymbol("twice", "Shared", skConstant);
    copy.AddSymbol("Other", "Own", skVariable);
    ASSERT_EQ(Names(copy.UnitList()[0].Symbols), std::vector<std::string>{"Shared"});
    EXPECT_TRUE(copy.UnitList()[2].Symbols.empty());
    Table.TakeUnitEntries(copy, 0);
    EXPECT_EQ(Names(Table.UnitList()[0].Symbols), std::vector<std::string>{"Shared"});
    EXPECT_TRUE(Table.UnitList()[1].Symbols.empty());  // not taken
    EXPECT_TRUE(copy.UnitList()[0].Symbols.empty());
    // Entries taken for a unit that has some already go after them, in order.
    TSymbolTable second{Pass};
    second.CopyTable(copy);
    second.AddSymbol("twice", "Later", skVariable);
    second.AddSymbol("twice", "Last", skVariable);
    second.AddClass("twice", "TLater");
    Table.AddClass("twice", "TFirst");
    Table.TakeUnitEntries(second, 0);
    EXPECT_EQ(Names(Table.UnitList()[0].Symbols), (std::vector<std::string>{"Shared", "Later", "Last"}));
    ASSERT_EQ(Table.UnitList()[0].Classes.size(), 2u);
    EXPECT_EQ(Table.UnitList()[0].Classes[1].Name, "TLater");
    EXPECT_TRUE(second.UnitList()[0].Symbols.empty());
    EXPECT_TRUE(second.UnitList()[0].Classes.empty());
}

// The output pass's second reader copies the sorted table, which then shares
// its data: each table still changes alone (the passes would not change a
// sorted table, but a table must stay a table), and both resolve names.
TEST_F(SymbolTableTest, CopiesOfASortedTableChangeApart) {
    Register({"Beta.pas", "Alpha.pas"});
    Table.AddSymbol("Alpha", "First", skConstant);
    Table.AddSymbol("Beta", "Second", skVariable);
    Table.SortSymbolTable();
    TSymbolTable copy{Pass};
    copy.CopyTable(Table);
    TSymbolTable third{Pass};
    third.CopyTable(copy);
    copy.AddSymbol("beta", "OnlyInTheCopy", skFunction);
    Table.AddSymbol("alpha", "OnlyInTheTable", skFunction);
    Table.SetLastSymbolKind(skType);
    EXPECT_EQ(Names(copy.UnitList()[1].Symbols), (std::vector<std::string>{"Second", "OnlyInTheCopy"}));
    EXPECT_EQ(Names(Table.UnitList()[0].Symbols), (std::vector<std::string>{"First", "OnlyInTheTable"}));
    EXPECT_EQ(Names(third.UnitList()[0].Symbols), std::vector<std::string>{"First"});
    EXPECT_EQ(Names(third.UnitList()[1].Symbols), std::vector<std::string>{"Second"});
    EXPECT_EQ(third.UnitList()[0].Symbols[0].Kind, skConstant);
    Pass = 2;
    third.BeginVisibleSymbols({0, 1});
    ASSERT_TRUE(third.FindVisibleSymbol("SECOND").has_value());
    EXPECT_EQ(third.FindVisibleSymbol("second")->UnitName, "Beta");
    EXPECT_FALSE(third.FindVisibleSymbol("OnlyInTheCopy").has_value());
    copy.BeginVisibleSymbols({1});
    EXPECT_TRUE(copy.FindVisibleSymbol("onlyinthecopy").has_value());
    Table.BeginVisibleSymbols({0});
    EXPECT_FALSE(Table.FindVisibleSymbol("OnlyInTheCopy").has_value());
    EXPECT_TRUE(Table.FindVisibleSymbol("OnlyInTheTable").has_value());
}

// Enough units for the unit index to grow several times, with names that
// repeat in other letter cases: registered names are found whatever their
// case, and the adders reach the first unit registered under a name, as a
// linear search of the list in registration order would.
TEST_F(SymbolTableTest, ManyUnitsAreFoundLikeALinearSearch) {
    std::mt19937 rng(17);
    const auto randomName = [&rng] {
        static constexpr std::string_view Letters = "abAB";
        std::string name(1 + rng() % 7, ' ');
        for (char& c : name) c = Letters[rng() % Letters.size()];
        return name;
    };
    std::vector<std::string> paths;
    for (int u = 0; u < 1500; ++u) paths.push_back("dir/" + randomName() + ".pas");
    Register(paths);
    const auto firstUnit = [this](std::string_view Name) -> int {
        for (std::size_t u = 0; u < Table.UnitList().size(); ++u)
            if (CompareText(Table.UnitList()[u].Name, Name) == 0) return static_cast<int>(u);
        return -1;
    };
    EXPECT_TRUE(Table.HasSameUnitNames());
    std::vector<std::size_t> expectedSymbols(paths.size(), 0);
    for (int probe = 0; probe < 3000; ++probe) {
        const std::string name = randomName();
        const int first = firstUnit(name);
        ASSERT_EQ(Table.IsUnitName(name), first >= 0) << name;
        if (first < 0) continue;
        Table.AddSymbol(name, "S" + std::to_string(probe), skConstant);
        ++expectedSymbols[static_cast<std::size_t>(first)];
    }
    for (std::size_t u = 0; u < paths.size(); ++u)
        ASSERT_EQ(Table.UnitList()[u].Symbols.size(), expectedSymbols[u]) << Table.UnitList()[u].Name;
    Table.SortSymbolTable();
    for (int probe = 0; probe < 3000; ++probe) {
        const std::string name = randomName();
        ASSERT_EQ(Table.IsUnitName(name), firstUnit(name) >= 0) << name;
        ASSERT_EQ(Table.IsUnitName(name), Find(name) >= 0) << name;
    }
}

}  // namespace
}  // namespace corvanet
