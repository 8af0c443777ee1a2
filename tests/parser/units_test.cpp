// Unit structure and uses clauses: what the project scan registers and links,
// what a unit's uses clauses link and make visible, the unit heading, the
// identifier list. Every case also checks that each source byte is written
// once, in order, and that no hold is left over.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixture.h"

namespace corvanet::testing {
namespace {

struct TProjectCase {
    const char* Name;
    const char* Source;
    const char* Trace;                      // what the document shows
    std::vector<std::pair<std::string, std::string>> Units;  // registered name, path
};

void PrintTo(const TProjectCase& C, std::ostream* Out) { *Out << C.Name; }

class ProjectUsesTest : public ParserTest, public ::testing::WithParamInterface<TProjectCase> {};

TEST_P(ProjectUsesTest, LinksEntriesWithAPathAndRegistersTheirFiles) {
    const TProjectCase& C = GetParam();
    ScanProject(C.Source);
    EXPECT_EQ(Trace(), C.Trace);
    EXPECT_EQ(VisibleText(), C.Source);
    EXPECT_TRUE(Settled());
    std::vector<std::pair<std::string, std::string>> Units;
    for (const auto& U : Symbols.UnitList()) Units.emplace_back(U.Name, U.Path);
    EXPECT_EQ(Units, C.Units);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProjectUsesTest,
    ::testing::Values(
        TProjectCase{"PlainAndLinkedWithCommentBeforeSemicolon",
                     "program Demo;\r\nuses\r\n  Forms,\r\n  Main in 'Main.pas' {form};\r\nbegin\r\nend.\r\n",
                     "program Demo;\r\nuses\r\n  Forms,\r\n  [Main|Main.html|unit_Main] in 'Main.pas' "
                     "{form};\r\nbegin\r\nend.\r\n",
                     {{"Main", "Main.pas"}}},
        TProjectCase{"NameBeforeInDiffersFromFile", "uses A in 'src\\alpha.pas';",
                     "uses [A|alpha.html|unit_alpha] in 'src\\alpha.pas';", {{"alpha", "src\\alpha.pas"}}},
        TProjectCase{"LetterCaseOfTheFileWins", "uses util in 'Util.pas', b in 'B.PAS';",
                     "uses [util|Util.html|unit_Util] in 'Util.pas', [b|B.html|unit_B] in 'B.PAS';",
                     {{"Util", "Util.pas"}, {"B", "B.PAS"}}},
        TProjectCase{"CommentsAroundInKeptInPlace", "uses Main {a} in {b} 'Main.pas' {c} , X;",
                     "uses [Main|Main.html|unit_Main] {a} in {b} 'Main.pas' {c} , X;",
                     {{"Main", "Main.pas"}}},
        TProjectCase{"InWithoutPathKeepsTheNameAsWritten", "uses Main in Other;",
                     "uses [Main|Main.html|unit_Main] in Other;", {}},
        TProjectCase{"CommaThenSemicolon", "uses A in 'a.pas', ;", "uses [A|a.html|unit_a] in 'a.pas', ;",
                     {{"a", "a.pas"}}},
        TProjectCase{"UsesWithoutNames", "uses ; uses", "uses ; uses", {}},
        TProjectCase{"EndsInsideAnEntry", "uses A in", "uses [A|A.html|unit_A] in", {}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

struct TRuleCase {
    const char* Source;
    TParseResult Result;
    TTokenKind Next;  // the current token afterwards
};

TEST_F(ParserTest, ProjectUsesResultsAndStoppingPoint) {
    const TRuleCase Cases[] = {
        {"uses A, B in 'b.pas'; begin", prParsed, tkBegin},
        {"uses A in 'a.pas' begin", prFailed, tkBegin},
        {"uses A, ; begin", prFailed, tkSemicolon},
        {"uses ; begin", prFailed, tkSemicolon},
        {"uses A in 42; begin", prFailed, tkIntNumber},
        {"program P;", prAbsent, tkProgram},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Source);
        Open(C.Source, 0);
        EXPECT_EQ(Parser.ReadProjectUses(), C.Result);
        EXPECT_EQ(Parser.Kind(), C.Next);
        EXPECT_FALSE(Queue.HoldOutput);
    }
}

// Util is a project unit with one routine; SysUtils is not in the project.
class UsesClauseTest : public ParserTest {
protected:
    void SetUp() override {
        AddUnit("Main.pas");
        AddUnit("Util.pas");
        Declare("Util", "Helper", skProcedure);
        Symbols.SortSymbolTable();
        BeginUnit("Main");
    }
};

TEST_F(UsesClauseTest, LinksProjectUnitsAndMakesTheirSymbolsVisible) {
    const std::string Source = "uses SysUtils, util {c};\r\n";
    Open(Source, 2);
    EXPECT_EQ(Parser.ReadUsesClause(), prParsed);
    ReadToEnd();
    EXPECT_EQ(Trace(), "uses SysUtils, [util|Util.html|unit_Util] {c};\r\n");
    EXPECT_EQ(VisibleText(), Source);
    EXPECT_TRUE(Settled());
    EXPECT_TRUE(Symbols.FindVisibleSymbol("Helper").has_value());
    EXPECT_EQ(Parser.Links.UnitLinks, 1u);
}

TEST_F(UsesClauseTest, BrokenListMakesNothingVisible) {
    const char* Cases[] = {"uses Util, ;", "uses Util, 'x';", "uses ;", "uses Util, SysUtils,"};
    for (const char* Source : Cases) {
        SCOPED_TRACE(Source);
        Open(Source, 2);
        EXPECT_EQ(Parser.ReadUsesClause(), prFailed);
        ReadToEnd();
        EXPECT_EQ(VisibleText(), Source);
        EXPECT_FALSE(Queue.HoldOutput);
        EXPECT_FALSE(Symbols.FindVisibleSymbol("Helper").has_value());
    }
}

TEST_F(UsesClauseTest, ImplementationUsesClauseLinksCallsAfterIt) {
    GenerateUnit("Main",
                 "unit Main;\r\ninterface\r\nimplementation\r\nuses Util;\r\n"
                 "procedure Run;\r\nbegin\r\n  Helper;\r\nend;\r\nend.\r\n");
    EXPECT_NE(Trace().find("uses [Util|Util.html|unit_Util];"), std::string::npos) << Trace();
    EXPECT_NE(Trace().find("  [Helper|Util.html#Util_Helper|Util_Helper];"), std::string::npos)
        << Trace();
}

TEST_F(ParserTest, PassOneUsesClauseLinksNothing) {
    AddUnit("Util.pas");
    Symbols.SortSymbolTable();
    Open("uses Util; const", 1);
    EXPECT_EQ(Parser.ReadUsesClause(), prParsed);
    EXPECT_EQ(Parser.Kind(), tkConst);
    EXPECT_EQ(Parser.Links.UnitLinks, 0u);
}

TEST_F(ParserTest, UnitHeadingSetsTheLowerCasedUnitName) {
    Symbols.CurrentUnit = "Registered";
    Open("unit MyUnit;", 2);
    EXPECT_EQ(Parser.ReadUnitHeading(), prParsed);
    EXPECT_EQ(Symbols.CurrentUnit, "myunit");
    EXPECT_EQ(Parser.Kind(), tkSemicolon);

    Symbols.CurrentUnit = "Registered";
    Open("unit 'x';", 2);
    EXPECT_EQ(Parser.ReadUnitHeading(), prFailed);
    EXPECT_EQ(Symbols.CurrentUnit, "Registered");
}

TEST_F(ParserTest, IdentListResults) {
    const TRuleCase Cases[] = {
        {"A, B, C;", prParsed, tkSemicolon}, {"A B", prParsed, tkIdentifier},
        {"A, ;", prFailed, tkSemicolon},     {"A, B, 1", prFailed, tkIntNumber},
        {";", prAbsent, tkSemicolon},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Source);
        Open(C.Source, 1);
        EXPECT_EQ(Parser.ReadIdentList(), C.Result);
        EXPECT_EQ(Parser.Kind(), C.Next);
    }
}

TEST_F(ParserTest, InterfaceSectionReadsUsesThenDeclarations) {
    AddUnit("Shapes.pas");
    ReadInterface("Shapes", "unit Shapes;\r\ninterface\r\nuses Util;\r\nprocedure Draw;\r\n"
                            "function Area: Double;\r\nimplementation\r\nprocedure Hidden;\r\n");
    ASSERT_EQ(Symbols.UnitList().size(), 1u);
    std::vector<std::string> Names;
    for (const auto& S : Symbols.UnitList()[0].Symbols) Names.push_back(S.Name);
    EXPECT_EQ(Names, (std::vector<std::string>{"Draw", "Area"}));

    Open("interface uses ;", 1);
    EXPECT_EQ(Parser.ReadInterfaceSection(), prFailed);
}

}  // namespace
}  // namespace corvanet::testing
