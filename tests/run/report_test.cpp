// The cross-reference report: its columns, its rows in the table's sorted
// order, the lines of early scanning stops, the count, and the small formats
// the front ends share.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report.h"
#include "scanner.h"
#include "symbols.h"

namespace corvanet {
namespace {

TEST(Report, PadColumnFillsTwentyAndNeverCuts) {
    struct Case {
        std::string In, Out;
    };
    const Case Cases[] = {
        {"", std::string(20, ' ')},
        {"Unit", "Unit" + std::string(16, ' ')},
        {std::string(20, 'x'), std::string(20, 'x')},
        {std::string(25, 'y'), std::string(25, 'y')},
    };
    for (const Case& C : Cases) EXPECT_EQ(PadColumn(C.In), C.Out) << C.In;
}

// A small table filled as pass 1 fills it, then sorted.
class ReportTable : public ::testing::Test {
protected:
    std::uint8_t Pass = 0;
    TSymbolTable Table{Pass};

    void SetUp() override { Table.CreateUnitList(); }

    void AddUnit(const std::string& Path) {
        Pass = 0;
        Table.AddUnit(Path);
        Pass = 1;
    }
};

TEST_F(ReportTable, ShowsHeadingDashesUnitLinesAndRowsInSortedOrder) {
    AddUnit("Source\\Shapes.pas");
    Table.AddClass("Shapes", "TShape");
    Table.AddSymbol("Shapes", "TShape", skClass);
    Table.AddMember("Shapes", "TShape", "Draw", skProcedure);
    Table.AddMember("Shapes", "TShape", "Area", skFunction);
    Table.AddSymbol("Shapes", "Limit", skConstant);
    Table.SortSymbolTable();

    const TReport Report = BuildReport(Table, {});
    const std::string Blank(20, ' ');
    const std::vector<std::string> Expected = {
        "Unit                Class               Reference           Reference Type      ",
        std::string(80, '-'),
        "Shapes:Source\\Shapes.pas",
        Blank + Blank + "Limit               Constant            ",
        Blank + Blank + "TShape              Class/Object        ",
        Blank + "TShape              ",
        Blank + Blank + "Area                Function            ",
        Blank + Blank + "Draw                Procedure           ",
    };
    EXPECT_EQ(Report.Lines, Expected);
    EXPECT_EQ(Report.Count, 5);
}

TEST_F(ReportTable, LongNamePushesTheNextColumn) {
    AddUnit("U.pas");
    const std::string Long = "L" + std::string(24, 'o');
    Table.AddSymbol("U", Long, skProcedure);
    Table.SortSymbolTable();
    const TReport Report = BuildReport(Table, {});
    ASSERT_EQ(Report.Lines.size(), 4u);
    EXPECT_EQ(Report.Lines[3].find("Procedure"), 40u + 25u);  // five to the right of column 60
    EXPECT_EQ(Report.Count, 1);
}

TEST_F(ReportTable, EmptyTableGivesHeadingAndDashesOnly) {
    const TReport Report = BuildReport(Table, {});
    EXPECT_EQ(Report.Lines.size(), 2u);
    EXPECT_EQ(Report.Count, 0);
    EXPECT_EQ(SymbolCountText(Report.Count), "0 symbols scanned");
}

TEST_F(ReportTable, StopLinesFollowTheLastRowInTheOrderMet) {
    AddUnit("A.pas");
    Table.AddSymbol("A", "X", skVariable);
    Table.SortSymbolTable();
    const std::vector<TLexicalStop> Stops = {
        {"demo.dpr", 12, srBadChar}, {"Src\\A.pas", 3, srOpenString}, {"b.pas", 140, srOpenComment}};
    const TReport Report = BuildReport(Table, Stops);
    ASSERT_EQ(Report.Lines.size(), 7u);
    EXPECT_EQ(Report.Lines[4], "demo.dpr(12): scanning stopped: unexpected character");
    EXPECT_EQ(Report.Lines[5], "Src\\A.pas(3): scanning stopped: unclosed string");
    EXPECT_EQ(Report.Lines[6], "b.pas(140): scanning stopped: unclosed comment");
    EXPECT_EQ(Report.Count, 1);  // stop lines are not rows
}

TEST(Report, FormatsElapsedTimeAsTimeOfDay) {
    struct Case {
        std::int64_t Ms;
        const char* Text;
    };
    const Case Cases[] = {{0, "00:00:00"},         {999, "00:00:00"},          {61500, "00:01:01"},
                          {3599999, "00:59:59"},   {3600000, "01:00:00"},      {86399999, "23:59:59"},
                          {-5, "00:00:00"}};
    for (const Case& C : Cases) EXPECT_EQ(FormatElapsed(C.Ms), C.Text) << C.Ms;
}

TEST(Report, ProgressPercentTruncatesAndGuardsTheTotal) {
    struct Case {
        int Total, Position, Percent;
    };
    const Case Cases[] = {{3, 1, 33}, {0, 0, 0},   {0, 5, 0},   {-2, 1, 0},
                          {4, 4, 100}, {3, 2, 66}, {2000000, 1999999, 99}};
    for (const Case& C : Cases)
        EXPECT_EQ(ProgressPercent(C.Total, C.Position), C.Percent) << C.Total << " " << C.Position;
}

}  // namespace
}  // namespace corvanet
