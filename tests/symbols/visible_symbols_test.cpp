// The visible symbols of one unit in pass 2 (which entry answers among equal
// keys, what contributes, passes, fresh lists, bad indexes) and the lifecycle
// of the whole table across runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "error.h"
#include "symbols.h"

namespace corvanet {
namespace {

// Three units after pass 1 and the sort: Alpha and Beta both declare Shared;
// Gamma declares a class with a method and a record.
class VisibleSymbolsTest : public ::testing::Test {
protected:
    std::uint8_t Pass = 0;
    TSymbolTable Table{Pass};
    int Alpha = -1, Beta = -1, Gamma = -1;

    void SetUp() override {
        for (const char* path : {"lib\\Gamma.pas", "Beta.pas", "src/Alpha.pas"}) Table.AddUnit(path);
        Pass = 1;
        Table.AddSymbol("alpha", "Shared", skFunction);
        Table.AddSymbol("Alpha", "OnlyAlpha", skConstant);
        Table.AddSymbol("BETA", "SHARED", skProcedure);
        Table.AddSymbol("Beta", "Twin", skVariable);
        Table.AddSymbol("Beta", "twin", skType);
        Table.AddSymbol("Gamma", "TWidget", skClass);
        Table.AddClass("Gamma", "TWidget");
        Table.AddMember("Gamma", "TWidget", "Paint", skProcedure);
        Table.SortSymbolTable();
        Alpha = Table.FindUnit("Alpha");
        Beta = Table.FindUnit("Beta");
        Gamma = Table.FindUnit("Gamma");
        ASSERT_EQ(std::vector<int>({Alpha, Beta, Gamma}), std::vector<int>({0, 1, 2}));
        Pass = 2;
    }

    // "unit.name" of the answer, or "-" when nothing is found.
    std::string Answer(std::string_view Name) const {
        const auto found = Table.FindVisibleSymbol(Name);
        if (!found) return "-";
        return std::string(found->UnitName) + "." + std::string(found->Name);
    }
};

TEST_F(VisibleSymbolsTest, OwnSymbolsComeFirstThenUsedUnitsInOrderAdded) {
    struct Row {
        std::vector<std::vector<int>> Batches;  // the first one begins the list
        std::string Expected;
    };
    const Row rows[] = {
        {{{Alpha}, {Beta}}, "Alpha.Shared"},
        {{{Beta}, {Alpha}}, "Beta.SHARED"},
        {{{Gamma}, {Beta, Alpha}}, "Beta.SHARED"},
        {{{Gamma}, {Alpha}, {Beta}}, "Alpha.Shared"},
        {{{Gamma}, {Beta}, {Alpha, Beta}}, "Beta.SHARED"},
        {{{Gamma}}, "-"},
    };
    for (const auto& row : rows) {
        Table.BeginVisibleSymbols(row.Batches[0]);
        for (std::size_t b = 1; b < row.Batches.size(); ++b) Table.AddVisibleUnits(row.Batches[b]);
        for (const char* spelling : {"Shared", "shared", "SHARED", "sHaReD"})
            EXPECT_EQ(Answer(spelling), row.Expected) << spelling;
        Table.FreeVisibleSymbols();
    }
}

TEST_F(VisibleSymbolsTest, AnswerCarriesDeclaredSpellingRegisteredUnitAndKind) {
    Table.BeginVisibleSymbols({Gamma});
    Table.AddVisibleUnits({Beta});
    const auto twin = Table.FindVisibleSymbol("TWIN");
    ASSERT_TRUE(twin.has_value());
    EXPECT_EQ(twin->Name, "Twin");  // the first of two equal keys in Beta's sorted symbols
    EXPECT_EQ(twin->UnitName, "Beta");
    EXPECT_EQ(twin->Kind, skVariable);
    const auto widget = Table.FindVisibleSymbol("twidget");
    ASSERT_TRUE(widget.has_value());
    EXPECT_EQ(widget->Kind, skClass);
    EXPECT_EQ(Answer("Paint"), "-");      // methods are never visible
    EXPECT_EQ(Answer("OnlyAlpha"), "-");  // nor units not used,
    EXPECT_EQ(Table.GetSymbolKind("Alpha", "OnlyAlpha"), skConstant);  // which qualified names still reach
}

TEST_F(VisibleSymbolsTest, UnitInBothUsesClausesAnswersAsOnce) {
    Table.BeginVisibleSymbols({Gamma});
    Table.AddVisibleUnits({Beta, Beta});
    Table.AddVisibleUnits({Alpha, Beta, Gamma});
    EXPECT_EQ(Answer("shared"), "Beta.SHARED");
    EXPECT_EQ(Answer("twin"), "Beta.Twin");
    EXPECT_EQ(Answer("OnlyAlpha"), "Alpha.OnlyAlpha");
    EXPECT_EQ(Answer("TWidget"), "Gamma.TWidget");
}

TEST_F(VisibleSymbolsTest, EachUnitStartsFromAFreshList) {
    Table.BeginVisibleSymbols({Alpha});
    Table.AddVisibleUnits({Beta});
    Table.BeginVisibleSymbols({Gamma});  // the next unit, without a Free in between
    EXPECT_EQ(Answer("Shared"), "-");
    EXPECT_EQ(Answer("TWidget"), "Gamma.TWidget");
    Table.FreeVisibleSymbols();
    EXPECT_EQ(Answer("TWidget"), "-");
}

TEST_F(VisibleSymbolsTest, ListOperationsActOnlyInPassesTwoAndThree) {
    for (const std::uint8_t pass : {0, 1}) {
        Pass = pass;
        Table.BeginVisibleSymbols({Alpha});
        EXPECT_EQ(Answer("Shared"), "-") << int(pass);
    }
    Pass = 2;
    Table.BeginVisibleSymbols({Gamma});
    Pass = 1;
    Table.AddVisibleUnits({Alpha});
    Table.BeginVisibleSymbols({Alpha});  // leaves the list of pass 2 alone
    EXPECT_EQ(Answer("OnlyAlpha"), "-");
    EXPECT_EQ(Answer("TWidget"), "Gamma.TWidget");
    Pass = 3;
    Table.AddVisibleUnits({Alpha});
    EXPECT_EQ(Answer("OnlyAlpha"), "Alpha.OnlyAlpha");
}

TEST_F(VisibleSymbolsTest, IndexOutsideUnitListIsAListIndexError) {
    Table.BeginVisibleSymbols({Gamma});
    for (const int bad : {-1, 3, 1000}) {
        try {
            Table.AddVisibleUnits({Alpha, bad});
            ADD_FAILURE() << "no error for index " << bad;
        } catch (const CorvanetError& error) {
            EXPECT_EQ(std::string(error.what()), "List index out of bounds (" + std::to_string(bad) + ")");
        }
    }
    EXPECT_EQ(Answer("OnlyAlpha"), "-");  // nothing of the failed call was added
    EXPECT_EQ(Answer("TWidget"), "Gamma.TWidget");
}

TEST_F(VisibleSymbolsTest, DestroyLeavesNothingForTheNextRun) {
    Table.CurrentUnit = "Gamma";
    Table.CurrentClass = "TWidget";
    Table.BeginVisibleSymbols({Gamma});
    EXPECT_EQ(Table.CountEntries(), 8u);
    Table.DestroyUnitList();
    EXPECT_TRUE(Table.UnitList().empty());
    EXPECT_EQ(Table.CountEntries(), 0u);
    EXPECT_TRUE(Table.CurrentUnit.empty());
    EXPECT_TRUE(Table.CurrentClass.empty());
    EXPECT_EQ(Table.FindUnit("Gamma"), -1);
    EXPECT_EQ(Answer("TWidget"), "-");

    // The next run: same names, different contents.
    Table.CreateUnitList();
    Pass = 0;
    Table.AddUnit("Gamma.pas");
    Pass = 1;
    Table.AddSymbol("Gamma", "Fresh", skLabel);
    Table.SortSymbolTable();
    Pass = 2;
    Table.BeginVisibleSymbols({Table.FindUnit("Gamma")});
    EXPECT_EQ(Answer("TWidget"), "-");
    EXPECT_EQ(Answer("fresh"), "Gamma.Fresh");
    EXPECT_EQ(Table.CountEntries(), 1u);
}

TEST_F(VisibleSymbolsTest, TwoTablesShareNothing) {
    std::uint8_t otherPass = 0;
    TSymbolTable other{otherPass};
    other.AddUnit("Alpha.pas");
    otherPass = 1;
    other.AddSymbol("Alpha", "Elsewhere", skType);
    other.SortSymbolTable();
    otherPass = 2;
    other.BeginVisibleSymbols({0});
    Table.BeginVisibleSymbols({Alpha});
    EXPECT_EQ(Answer("Elsewhere"), "-");
    EXPECT_EQ(Answer("Shared"), "Alpha.Shared");
    EXPECT_FALSE(other.FindVisibleSymbol("Shared").has_value());
    EXPECT_EQ(other.UnitList().size(), 1u);
}

}  // namespace
}  // namespace corvanet
