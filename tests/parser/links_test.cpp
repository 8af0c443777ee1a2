// Anchors and links: the routine headings in each pass, the ancestor of a
// class and the uses of names. Traces show a link as [caption|HTML|RTF] and an
// anchor as <name>; every case also checks that the written text is the
// source, each token once and in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fixture.h"
#include "link_checker.h"

namespace corvanet::testing {
namespace {

using TRule = TParseResult (TParser::*)();

struct THeadingCase {
    const char* Name;
    std::uint8_t Pass;
    const char* Class;  // CurrentClass while the heading is read
    TRule Rule;
    const char* Source;
    TParseResult Result;
    const char* Trace;
};

void PrintTo(const THeadingCase& C, std::ostream* Out) { *Out << C.Name; }

class HeadingTest : public ParserTest, public ::testing::WithParamInterface<THeadingCase> {};

TEST_P(HeadingTest, AnchorsAndLinksInSourceOrder) {
    const THeadingCase& C = GetParam();
    Symbols.CurrentUnit = "shapes";
    Symbols.CurrentClass = C.Class;
    Open(C.Source, C.Pass);
    EXPECT_EQ((Parser.*C.Rule)(), C.Result);
    EXPECT_FALSE(Queue.HoldOutput);
    ReadToEnd();
    EXPECT_EQ(Trace(), C.Trace);
    EXPECT_EQ(VisibleText(), C.Source);
}

constexpr TRule Proc = &TParser::ReadProcedureHeading;
constexpr TRule Func = &TParser::ReadFunctionHeading;
constexpr TRule Ctor = &TParser::ReadConstructorHeading;
constexpr TRule Dtor = &TParser::ReadDestructorHeading;

INSTANTIATE_TEST_SUITE_P(
    Passes, HeadingTest,
    ::testing::Values(
        THeadingCase{"UnitRoutineLinksToItsBody", 2, "", Proc, "procedure Draw;", prParsed,
                     "procedure [Draw|#shapes_Draw|shapes_Draw];"},
        THeadingCase{"MethodLinksToItsBody", 2, "TCircle", Proc, "procedure Draw;", prParsed,
                     "procedure [Draw|#shapes_TCircle_Draw|shapes_TCircle_Draw];"},
        THeadingCase{"BlanksAfterTheNameStayAfterIt", 2, "", Func, "function Area : Double;",
                     prParsed, "function [Area|#shapes_Area|shapes_Area] : Double;"},
        THeadingCase{"CommentAfterTheNameStaysAfterIt", 2, "", Proc, "procedure Paint{after};",
                     prParsed, "procedure [Paint|#shapes_Paint|shapes_Paint]{after};"},
        THeadingCase{"CommentBeforeTheNameBeforeTheLink", 2, "", Proc, "procedure {c} Paint;",
                     prParsed, "procedure {c} [Paint|#shapes_Paint|shapes_Paint];"},
        THeadingCase{"QualifierWrittenInPassTwo", 2, "", Proc, "procedure TCircle.Draw;",
                     prParsed, "procedure TCircle.[Draw|#shapes_Draw|shapes_Draw];"},
        THeadingCase{"DestructorOfAClass", 2, "TCircle", Dtor, "destructor Destroy; override;",
                     prParsed, "destructor [Destroy|#shapes_TCircle_Destroy|shapes_TCircle_Destroy]; override;"},
        THeadingCase{"UnitRoutineAnchored", 3, "", Func, "function Area: Double;", prParsed,
                     "function <shapes_Area>Area: Double;"},
        THeadingCase{"ClassInImplementationAnchorsLikeAUnitRoutine", 3, "TLocal", Proc,
                     "procedure Draw;", prParsed, "procedure <shapes_Draw>Draw;"},
        THeadingCase{"QualifiedNameJoined", 3, "", Proc, "procedure TCircle.Draw;", prParsed,
                     "procedure <shapes_TCircle_Draw>TCircle.Draw;"},
        THeadingCase{"CommentBetweenQualifierAndName", 3, "", Proc,
                     "procedure TCircle {q}. {r}Draw {s};", prParsed,
                     "procedure <shapes_TCircle_Draw>TCircle {q}. {r}Draw {s};"},
        THeadingCase{"CommentBetweenPeriodAndName", 3, "", Proc, "procedure TCircle.{r}Draw;",
                     prParsed, "procedure <shapes_TCircle_Draw>TCircle.{r}Draw;"},
        THeadingCase{"CommentBetweenKeywordAndQualifier", 3, "", Func,
                     "function {k} TCircle.Area: Double;", prParsed,
                     "function {k} <shapes_TCircle_Area>TCircle.Area: Double;"},
        THeadingCase{"ConstructorQualified", 3, "", Ctor, "constructor TCircle.Create;",
                     prParsed, "constructor <shapes_TCircle_Create>TCircle.Create;"},
        THeadingCase{"BreaksOffAfterThePeriod", 3, "", Proc, "procedure TCircle. ;", prFailed,
                     "procedure TCircle. ;"},
        THeadingCase{"ProceduralTypeGetsNoAnchor", 3, "", Proc, "procedure (X: Integer);",
                     prFailed, "procedure (X: Integer);"},
        THeadingCase{"ShortFunctionFormFailsAfterItsAnchor", 3, "", Func, "function Area;",
                     prFailed, "function <shapes_Area>Area;"},
        THeadingCase{"StringResultType", 3, "", Func, "function Name: string;", prParsed,
                     "function <shapes_Name>Name: string;"},
        THeadingCase{"ResultTypeMustBeAName", 3, "", Func, "function Name: 1;", prFailed,
                     "function <shapes_Name>Name: 1;"},
        THeadingCase{"ConstructorNameMustBeAnIdentifier", 3, "", Ctor, "constructor ;",
                     prFailed, "constructor ;"},
        THeadingCase{"EndsAfterTheName", 3, "", Proc, "procedure Draw", prParsed,
                     "procedure <shapes_Draw>Draw"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(ParserTest, QualifiedHeadingTokensKeepTheirStyles) {
    Symbols.CurrentUnit = "shapes";
    Open("procedure TCircle {q}.Draw;", 3);
    ASSERT_EQ(Parser.ReadProcedureHeading(), prParsed);
    ReadToEnd();
    EXPECT_NE(IndexOf(tsIdentifier, "TCircle"), -1) << Describe(Written);
    EXPECT_NE(IndexOf(tsSymbol, "."), -1) << Describe(Written);
    EXPECT_NE(IndexOf(tsIdentifier, "Draw"), -1) << Describe(Written);

    Open("procedure TCircle.Draw;", 3);
    ASSERT_EQ(Parser.ReadProcedureHeading(), prParsed);
    ReadToEnd();
    EXPECT_NE(IndexOf(tsIdentifier, "TCircle.Draw"), -1) << Describe(Written);
    EXPECT_EQ(Anchors().size(), 1u);
}

TEST_F(ParserTest, PassOneRecordsHeadingsAndWritesNothing) {
    AddUnit("Shapes.pas");
    Stream.CurrentPass = 1;
    Symbols.AddClass("Shapes", "TCircle");
    struct TCase {
        const char* Class;
        TRule Rule;
        const char* Source;
    } Cases[] = {
        {"", Proc, "procedure Draw;"},          {"", Func, "function Area: Double;"},
        {"TCircle", Proc, "procedure Paint;"},  {"TCircle", Ctor, "constructor Create;"},
        {"TCircle", Dtor, "destructor Done;"},  {"", Proc, "procedure (X: Integer);"},
    };
    for (const auto& C : Cases) {
        Symbols.CurrentUnit = "Shapes";
        Symbols.CurrentClass = C.Class;
        Open(C.Source, 1);
        (void)(Parser.*C.Rule)();
        ReadToEnd();
    }
    EXPECT_TRUE(Written.empty());
    const TURElm& Unit = Symbols.UnitList()[0];
    std::vector<std::pair<std::string, TSymbolKind>> Routines, Members;
    for (const auto& S : Unit.Symbols) Routines.emplace_back(S.Name, S.Kind);
    ASSERT_EQ(Unit.Classes.size(), 1u);
    for (const auto& M : Unit.Classes[0].Members) Members.emplace_back(M.Name, M.Kind);
    using TList = std::vector<std::pair<std::string, TSymbolKind>>;
    EXPECT_EQ(Routines, (TList{{"Draw", skProcedure}, {"Area", skFunction}}));
    EXPECT_EQ(Members, (TList{{"Paint", skProcedure}, {"Create", skConstructor}, {"Done", skDestructor}}));
}

// Base declares a class and an alias of it; Main sees Base.
class AncestorTest : public ParserTest {
protected:
    void SetUp() override {
        AddUnit("Main.pas");
        AddUnit("Base.pas");
        Declare("Base", "TShape", skClass);
        Declare("Base", "TAlias", skType);
        Symbols.SortSymbolTable();
        BeginUnit("Main");
        Symbols.AddVisibleUnits({Symbols.FindUnit("Base")});
    }
};

TEST_F(AncestorTest, OnlyAVisibleClassIsLinked) {
    const struct {
        std::uint8_t Pass;
        const char* Source;
        TParseResult Result;
        const char* Trace;
    } Cases[] = {
        {2, "(TShape) end", prParsed, "([TShape|Base.html#Base_TShape|Base_TShape]) end"},
        {2, "( tshape {c}) end", prParsed, "( [tshape|Base.html#Base_TShape|Base_TShape] {c}) end"},
        {2, "(TAlias) end", prParsed, "(TAlias) end"},
        {2, "(TUnknown) end", prParsed, "(TUnknown) end"},
        {3, "(TShape) end", prParsed, "(TShape) end"},
        {2, "(TShape, IFoo) end", prFailed, "([TShape|Base.html#Base_TShape|Base_TShape], IFoo) end"},
        {2, "() end", prFailed, "() end"},
        {2, "TShape end", prAbsent, "TShape end"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Source);
        Open(C.Source, C.Pass);
        EXPECT_EQ(Parser.ReadAncestors(), C.Result);
        EXPECT_FALSE(Queue.HoldOutput);
        ReadToEnd();
        EXPECT_EQ(Trace(), C.Trace);
        EXPECT_EQ(VisibleText(), C.Source);
    }
    EXPECT_EQ(Parser.Links.AncestorLinks, 3u);
}

// Main uses Shapes; Other is a project unit that Main does not use.
class LinkIdentifierTest : public ParserTest {
protected:
    void SetUp() override {
        AddUnit("Main.pas");
        AddUnit("Shapes.pas");
        AddUnit("Other.pas");
        Declare("Shapes", "Area", skFunction);
        Declare("Shapes", "Draw", skProcedure);
        Declare("Shapes", "TCircle", skClass);
        Declare("Shapes", "Count", skVariable);
        Declare("Other", "Go", skProcedure);
        Declare("Main", "Local", skProcedure);
        Symbols.SortSymbolTable();
    }
};

TEST_F(LinkIdentifierTest, LinksRoutinesAndUnitQualifiers) {
    const std::string AreaLink = "[Area|Shapes.html#Shapes_Area|Shapes_Area]";
    const std::string ShapesLink = "[Shapes|Shapes.html|unit_Shapes]";
    const struct {
        const char* Body;
        std::string Trace;
    } Cases[] = {
        {"Area(1);", AreaLink + "(1);"},
        {"area;", "[area|Shapes.html#Shapes_Area|Shapes_Area];"},
        {"Area {c};", AreaLink + " {c};"},
        {"Count := Draw;", "Count := [Draw|Shapes.html#Shapes_Draw|Shapes_Draw];"},
        {"X: TCircle;", "X: TCircle;"},
        {"Local;", "[Local|Main.html#Main_Local|Main_Local];"},
        {"Go;", "Go;"},
        {"Shapes.Area;", ShapesLink + "." + AreaLink + ";"},
        {"shapes.area;", "[shapes|Shapes.html|unit_Shapes].[area|Shapes.html#Shapes_area|Shapes_area];"},
        {"Shapes {c} . {d} Area;", ShapesLink + " {c} . {d} " + AreaLink + ";"},
        {"Other.Go;", "[Other|Other.html|unit_Other].[Go|Other.html#Other_Go|Other_Go];"},
        {"Shapes.Count;", ShapesLink + ".Count;"},
        {"Shapes.Area.Area;", ShapesLink + "." + AreaLink + ".Area;"},
        {"Main.Local;", "[Main|Main.html|unit_Main].[Local|Main.html#Main_Local|Main_Local];"},
        {"Obj.Area;", "Obj.Area;"},
        {"Obj.;", "Obj.;"},
        {"Shapes. 1;", "Shapes. 1;"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Body);
        const std::string Source = std::string("uses Shapes;\r\nbegin\r\n  ") + C.Body + "\r\nend.";
        GenerateUnit("Main", Source);
        EXPECT_EQ(Trace(), "uses " + ShapesLink + ";\r\nbegin\r\n  " + C.Trace + "\r\nend.");
        EXPECT_EQ(VisibleText(), Source);
        EXPECT_TRUE(Settled());
    }
}

TEST_F(LinkIdentifierTest, ForwardDeclarationAndBodyBothAnchored) {
    GenerateUnit("Main",
                 "unit Main;\r\ninterface\r\nimplementation\r\nprocedure Late; forward;\r\n"
                 "procedure Late;\r\nbegin\r\nend;\r\nend.\r\n");
    ASSERT_EQ(Anchors().size(), 2u) << Trace();
    EXPECT_EQ(Anchors()[0].Target, "main_Late");
    EXPECT_EQ(Anchors()[1].Target, "main_Late");
}

TEST_F(LinkIdentifierTest, WithoutAHoldOnlyReadsPast) {
    const struct {
        const char* Source;
        TParseResult Result;
        TTokenKind Next;
    } Cases[] = {
        {"Area;", prParsed, tkSemicolon},
        {"A.B.C :=", prParsed, tkAssign},
        {"A. 1", prFailed, tkIntNumber},
        {"1", prAbsent, tkIntNumber},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Source);
        BeginUnit("Main");
        Open(C.Source, 2);
        EXPECT_EQ(Parser.LinkIdentifier(), C.Result);
        EXPECT_EQ(Parser.Kind(), C.Next);
        ReadToEnd();
        EXPECT_TRUE(Links().empty());
        EXPECT_EQ(VisibleText(), C.Source);
    }
}

TEST_F(LinkIdentifierTest, HeldIdentifierOfAnotherPassIsStillWritten) {
    Open("Area;", 0, true);
    EXPECT_EQ(Parser.LinkIdentifier(), prParsed);
    ReadToEnd();
    EXPECT_EQ(Trace(), "Area;");
}

// A project whose unit names differ in letter case from their files and whose
// project entry names a unit unlike its file, read back from the documents.
class ProjectLinksTest : public ::testing::Test {
protected:
    TProjectFixture Project{{
        {"Demo.dpr",
         "program Demo;\r\n\r\nuses\r\n  Forms,\r\n  Figures in 'src\\Shapes.pas' {shapes},\r\n"
         "  Main in 'Main.pas',\r\n  Other in 'Other.pas';\r\n\r\nbegin\r\nend.\r\n"},
        {"src/Shapes.pas",
         "unit Shapes;\r\n\r\ninterface\r\n\r\ntype\r\n  TShape = class\r\n  end;\r\n\r\n"
         "  TCircle = class(TShape)\r\n    procedure Draw;\r\n    constructor Create(R: Double);\r\n"
         "  end;\r\n\r\nfunction Area(R: Double): Double;\r\nprocedure {c} Paint;\r\n\r\n"
         "implementation\r\n\r\nconstructor TCircle.Create(R: Double);\r\nbegin\r\nend;\r\n\r\n"
         "procedure TCircle {q}. Draw;\r\nbegin\r\n  Paint;\r\nend;\r\n\r\n"
         "function Area(R: Double): Double;\r\nbegin\r\n  Result := R * R;\r\nend;\r\n\r\n"
         "procedure Paint;\r\nbegin\r\nend;\r\n\r\nend.\r\n"},
        {"Main.pas",
         "unit main;\r\n\r\ninterface\r\n\r\nuses Shapes;\r\n\r\nprocedure Run;\r\n\r\n"
         "implementation\r\n\r\nprocedure Run;\r\nvar\r\n  Area: Double;\r\nbegin\r\n"
         "  Area := Shapes.Area(1) + Area(2);\r\n  Other.Go;\r\n  Go;\r\nend;\r\n\r\nend.\r\n"},
        {"Other.pas",
         "unit Other;\r\ninterface\r\nprocedure Go;\r\nimplementation\r\nprocedure Go;\r\n"
         "begin\r\nend;\r\nend.\r\n"},
    }};

    void SetUp() override { Project.Execute("Demo.dpr"); }

    using TLinks = std::vector<std::pair<std::string, std::string>>;  // caption, target
    static TLinks LinksOf(const testsupport::TDecodedDocument& Document) {
        TLinks Links;
        for (const auto& L : Document.Links) Links.emplace_back(L.Caption, L.Target);
        return Links;
    }
    static std::vector<std::string> AnchorsOf(const testsupport::TDecodedDocument& Document) {
        std::vector<std::string> Names;
        for (const auto& A : Document.Anchors)
            if (!A.InHeader) Names.push_back(A.Name);
        return Names;
    }
};

TEST_F(ProjectLinksTest, EveryDocumentShowsItsWholeSource) {
    const std::pair<const char*, const char*> Files[] = {
        {"Demo", "Demo.dpr"}, {"Shapes", "src/Shapes.pas"}, {"Main", "Main.pas"}, {"Other", "Other.pas"}};
    for (const auto& [Name, Path] : Files) {
        SCOPED_TRACE(Name);
        const auto Page = Project.Page(std::string(Name) + ".html");
        const auto Topic = Project.Topic(std::string(Name) + ".rtf");
        ASSERT_TRUE(Page.Ok()) << Page.Error;
        ASSERT_TRUE(Topic.Ok()) << Topic.Error;
        const std::string Source = Project.Source(Path);
        EXPECT_EQ(testsupport::FirstDifference(Source, testsupport::NormaliseLineEnds(Page.Text)), "");
        EXPECT_EQ(testsupport::FirstDifference(Source, testsupport::NormaliseLineEnds(Topic.Text)), "");
    }
}

TEST_F(ProjectLinksTest, UnitLinksUseTheRegisteredName) {
    EXPECT_EQ(LinksOf(Project.Page("Demo.html")),
              (TLinks{{"Figures", "Shapes.html"}, {"Main", "Main.html"}, {"Other", "Other.html"}}));
    EXPECT_EQ(LinksOf(Project.Topic("Demo.rtf")),
              (TLinks{{"Figures", "unit_Shapes"}, {"Main", "unit_Main"}, {"Other", "unit_Other"}}));
}

TEST_F(ProjectLinksTest, CallsLinkToBodiesAndHeadingsToImplementations) {
    const std::string Area = "Shapes.html#shapes_area";
    EXPECT_EQ(LinksOf(Project.Page("Main.html")),
              (TLinks{{"Shapes", "Shapes.html"}, {"Run", "#main_run"}, {"Area", Area}, {"Area", Area},
                      {"Shapes", "Shapes.html"}, {"Area", Area}, {"Area", Area},
                      {"Other", "Other.html"}, {"Go", "Other.html#other_go"}}));
    EXPECT_EQ(AnchorsOf(Project.Page("Main.html")), (std::vector<std::string>{"main_run"}));

    const auto Shapes = Project.Page("Shapes.html");
    const auto Anchors = AnchorsOf(Shapes);
    for (const char* Name : {"shapes_tcircle_create", "shapes_tcircle_draw", "shapes_area", "shapes_paint"})
        EXPECT_NE(std::find(Anchors.begin(), Anchors.end(), Name), Anchors.end()) << Name;
    const auto Links = LinksOf(Shapes);
    for (const auto& Link : TLinks{{"Draw", "#shapes_tcircle_draw"}, {"Create", "#shapes_tcircle_create"},
                                   {"Area", "#shapes_area"}, {"Paint", "#shapes_paint"},
                                   {"Paint", "Shapes.html#shapes_paint"}})
        EXPECT_NE(std::find(Links.begin(), Links.end(), Link), Links.end()) << Link.first;
}

TEST_F(ProjectLinksTest, EveryLinkLands) {
    const auto Report = testsupport::CheckLinks(Project.Out());
    EXPECT_TRUE(Report.AllLand()) << Report.Summary();
    EXPECT_EQ(Report.Pages, 4);
}

// A method's body sees its type's members and those of its recorded
// ancestors before the unit's symbols; parameters, locals and nested
// routines hide them, and a "with" statement links none; a name qualified
// by a type links to the member of that type. Each row is a
// line of a body with the links it must hold ("caption>HREF", in order).
TEST(MemberLinks, MethodBodiesSeeTheirTypesMembers) {
    struct TRow {
        const char* Line;
        const char* Links;
    };
    const TRow InStep[] = {
        {"  inherited;", "inherited>Base.html#base_tbase_step"},
        {"  inherited Step;", "Step>Base.html#base_tbase_step"},
        {"  Step;", "Step>Derived.html#derived_tderived_step"},
        {"  Total;", "Total>Base.html#base_tbase_total"},          // not Base's routine Total
        {"  X := Count;", "Count>Base.html#base_tbase_count"},     // not this unit's Count
        {"  FCount := 1;", ""},                                      // a field, not Base's routine FCount
        {"  Self.Run(1);", "Run>Derived.html#derived_tderived_run"},
        {"  Helper;", "Helper>Base.html#base_helper"},
        {"  TBase(Self).Total;", "TBase>Base.html#base_tbase"},  // another value's member
        // Qualified by a type (its own member or an ancestor's, an
        // enumeration's value) or by the unit and then a type.
        {"  TBase.Total;", "TBase>Base.html#base_tbase Total>Base.html#base_tbase_total"},
        {"  TDerived.Count;", "TDerived>Derived.html#derived_tderived Count>Base.html#base_tbase_count"},
        {"  X := Ord(TKind.kTwo);", "TKind>Base.html#base_tkind kTwo>Base.html#base_ktwo"},
        {"  Base.TBase.Step;", "Base>Base.html TBase>Base.html#base_tbase Step>Base.html#base_tbase_step"},
        {"  TAlias.Total;", "TAlias>Base.html#base_talias Total>Base.html#base_tbase_total"},  // class(TBase);
    };
    const TRow InRun[] = {
        {"  Total := 1;", ""},  // the parameter
        {"  Step;", ""},        // the nested routine
        {"  Self.Step;", "Step>Derived.html#derived_tderived_step"},
        {"  with B do begin Count; Run(1) end;", ""},
        {"  if B = nil then with B do Count else Count;", "Count>Base.html#base_tbase_count"},
        {"  Count; Helper;", "Count>Base.html#base_tbase_count Helper>Base.html#base_helper"},
        {"  inherited Step;", "Step>Base.html#base_tbase_step"},
    };
    const std::string Base =
        "unit Base;\ninterface\ntype\n  TKind = (kOne, kTwo);\n  TBase = class\n  protected\n    FCount: Integer;\n"
        "    procedure Step; virtual;\n    function Total: Integer;\n    property Count: Integer read FCount;\n"
        "  end;\n  TAlias = class(TBase);\nprocedure Helper;\nfunction Total: Integer;\nfunction FCount: Integer;\nimplementation\n"
        "procedure TBase.Step; begin end;\nfunction TBase.Total: Integer; begin Result := 0; end;\n"
        "procedure Helper; begin end;\nfunction Total: Integer; begin Result := 1; end;\n"
        "function FCount: Integer; begin Result := 2; end;\nend.\n";
    std::string Derived =
        "unit Derived;\ninterface\nuses Base;\ntype\n  TDerived = class(TBase)\n  public\n"
        "    procedure Step; override;\n    procedure Run(Total: Integer);\n  end;\nfunction Count: Integer;\n"
        "implementation\nfunction Count: Integer; begin Result := 0; end;\n"
        "procedure TDerived.Step;\nvar X: Integer;\nbegin\n";
    std::vector<std::pair<int, const TRow*>> Rows;  // line number, row
    int Line = static_cast<int>(std::count(Derived.begin(), Derived.end(), '\n'));
    const auto AddRows = [&](const auto& Table) {
        for (const TRow& Row : Table) {
            Rows.emplace_back(++Line, &Row);
            Derived += Row.Line + std::string("\n");
        }
    };
    AddRows(InStep);
    Derived += "end;\nprocedure TDerived.Run(Total: Integer);\n  procedure Step; begin end;\nvar B: TBase;\nbegin\n";
    Line += 5;
    AddRows(InRun);
    Derived += "end;\nend.\n";
    TProjectFixture Project{{{"P.dpr", "program P;\nuses Base in 'Base.pas', Derived in 'Derived.pas';\nbegin\n"
                                       "  Helper; TBase.Step;\nend.\n"},
                             {"Base.pas", Base},
                             {"Derived.pas", Derived}}};
    Project.Run.Dialect = TDialect::Modern;
    Project.Run.ProjectFile = Project.Dir() + "P.dpr";
    Project.Run.BuildDir = Project.Out();
    Project.Run.Execute(Project.Run.ProjectFile, "");
    const auto Page = Project.Page("Derived.html");
    ASSERT_TRUE(Page.Ok()) << Page.Error;
    std::map<int, std::string> Found;  // line number -> its links
    for (const auto& Link : Page.Links) {
        const int At = 1 + static_cast<int>(std::count(Page.Text.begin(), Page.Text.begin() +
                                                       static_cast<std::ptrdiff_t>(Link.Offset), '\n'));
        std::string& Links = Found[At];
        Links += (Links.empty() ? "" : " ") + Link.Caption + ">" + Link.Target;
    }
    for (const auto& [Number, Row] : Rows) EXPECT_EQ(Found[Number], Row->Links) << Row->Line;
    // The project's main block links as a body does.
    std::string MainBlock;
    for (const auto& Link : Project.Page("P.html").Links) MainBlock += Link.Caption + ">" + Link.Target + " ";
    EXPECT_EQ(MainBlock, "Base>Base.html Derived>Derived.html Helper>Base.html#base_helper TBase>Base.html#base_tbase "
                         "Step>Base.html#base_tbase_step ");
    const auto Report = testsupport::CheckLinks(Project.Out());
    EXPECT_TRUE(Report.AllLand() && Report.AnchorsSound()) << Report.Summary();
}

}  // namespace
}  // namespace corvanet::testing
