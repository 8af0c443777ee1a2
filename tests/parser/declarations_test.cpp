// The declaration sections in pass 1: which names each section records, with
// which kind, and where a section ends or fails (a failure ends the interface
// read, so a declaration after it is the witness that the read went on).
#include <gtest/gtest.h>

#include "fixture.h"
#include "recorded.h"

namespace corvanet::testing {
namespace {

struct TRecordCase {
    const char* What;
    const char* Interface;
    TRows Symbols;
};

void ExpectRecorded(const std::vector<TRecordCase>& Cases) {
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.What);
        ExpectRecordedRows(C.Interface, C.Symbols, {});  // no classes in these sections
    }
}

TEST(LabelSection, RecordsNamesAndNeedsIdentifiers) {
    ExpectRecorded({
        {"two labels", "label Done, Again;\r\nconst Max = 1;",
         {"Done:Label", "Again:Label", "Max:Constant"}},
        {"numeric labels are not accepted", "label 10;\r\nconst Max = 1;", {}},
        {"a comma must be followed by a name", "label Done, ;\r\nconst Max = 1;", {"Done:Label"}},
        {"no semicolon", "label Done const Max = 1;", {"Done:Label"}},
    });
}

TEST(ConstSection, SimpleTypedAndBrokenValues) {
    ExpectRecorded({
        {"simple", "const\r\n  Max = 10;", {"Max:Constant"}},
        {"expressions", "const A = 10 * 2 + 1; B = -5; C = 'x' + 'y'; D = [1, 3..5]; E = not A;",
         {"A:Constant", "B:Constant", "C:Constant", "D:Constant", "E:Constant"}},
        {"typed", "const C: Integer = 5; D: string = 'x'; P: Pointer = nil; N = 1;",
         {"C:Constant", "D:Constant", "P:Constant", "N:Constant"}},
        {"typed array with a list of values fails, its name stays",
         "const A: array[0..1] of Integer = (1, 2);\r\n  B = 3;", {"A:Constant"}},
        {"typed array with a single parenthesised value is read",
         "const A: array[0..0] of Integer = (1);\r\n  B = 3;", {"A:Constant", "B:Constant"}},
        {"SizeOf: the argument is read as a constant, then the section fails",
         "const S = SizeOf(Integer);\r\n  T = 1;", {"S:Constant", "Integer:Constant"}},
        {"a value not followed by ';' has one token passed over",
         "const A = 1 + 2 ) B = 3; C = 4;", {"A:Constant", "B:Constant", "C:Constant"}},
        {"the passed-over token is not recorded, the section ends at '='",
         "const A = 1 B = 2;\r\ntype T = Integer;", {"A:Constant"}},
        {"neither ':' nor '='", "const A; B = 1;", {"A:Constant"}},
        {"two sections", "const A = 1;\r\nconst B = 2;", {"A:Constant", "B:Constant"}},
        {"an empty section is read", "const\r\ntype T = Byte;", {"T:Type"}},
    });
}

TEST(TypeSection, OrdinalStringPointerAndProceduralTypes) {
    ExpectRecorded({
        {"enumeration", "type TColor = (Red, Green);",
         {"TColor:Type", "Red:Constant", "Green:Constant"}},
        {"broken enumeration", "type TColor = (Red, 1); TNext = Byte;",
         {"TColor:Type", "Red:Constant"}},
        {"subranges from literals", "type TDigit = 0..9; TLetter = 'a'..'z'; TNeg = -1..+1; TNext = Byte;",
         {"TDigit:Type", "TLetter:Type", "TNeg:Type", "TNext:Type"}},
        {"a subrange from a name ends the type after the name",
         "type TR = Low..High; TNext = Byte;", {"TR:Type"}},
        {"string with a length", "type TName = string[20]; TNext = Byte;",
         {"TName:Type", "TNext:Type"}},
        {"string whose length is a name fails", "type TName = string[MaxLen]; TNext = Byte;",
         {"TName:Type"}},
        {"pointer", "type PInt = ^Integer; TNext = Byte;", {"PInt:Type", "TNext:Type"}},
        {"pointer to a keyword fails", "type P = ^string; TNext = Byte;", {"P:Type"}},
        {"alias without ';' before the next type", "type A = Integer B = Byte;",
         {"A:Type", "B:Type"}},
        {"missing '='", "type A Integer; B = Byte;", {"A:Type"}},
    });
}

TEST(TypeSection, ProceduralTypesAndCallingConventions) {
    ExpectRecorded({
        {"procedure of object and a parameterless function",
         "type\r\n  TNotify = procedure(Sender: TObject) of object;\r\n"
         "  TTest = function: Boolean;\r\n  TNext = Byte;",
         {"TNotify:Type", "TTest:Type", "TNext:Type"}},
        {"function type with a string result", "type TGet = function(I: Integer): string; TNext = Byte;",
         {"TGet:Type", "TNext:Type"}},
        {"convention inside the type", "type TCb = procedure(X: Integer) stdcall; TNext = Byte;",
         {"TCb:Type", "TNext:Type"}},
        {"convention after the ';' is read as a new type name",
         "type TCb = procedure(X: Integer); stdcall; TNext = Byte;", {"TCb:Type", "stdcall:Type"}},
        {"of without object fails", "type TP = procedure of TNext; TNext = Byte;", {"TP:Type"}},
        {"function type without a result fails", "type TF = function(A: Byte); TNext = Byte;",
         {"TF:Type"}},
    });
}

TEST(TypeSection, InterfaceTypeStartsANewSectionInPassOne) {
    // The type declaration fails at `interface`; the unit reader starts a new
    // section at that keyword, so the interface type's method is recorded as a
    // routine of the unit and the read ends at its `end`.
    ExpectRecorded({
        {"interface type", "type\r\n  IShape = interface\r\n    procedure Draw;\r\n  end;\r\n  TNext = Byte;",
         {"IShape:Type", "Draw:Procedure"}},
        {"object type fails", "type TObj = object end; TNext = Byte;", {"TObj:Type"}},
    });
}

TEST(VarSection, VariablesInitialValuesAndThreadvar) {
    ExpectRecorded({
        {"groups and an initial value", "var\r\n  A, B: Integer;\r\n  C: string[20] = 'x';",
         {"A:Variable", "B:Variable", "C:Variable"}},
        {"a record type turns the last variable into a record",
         "var A: Integer; P: record X: Byte; end; Q: Byte;",
         {"A:Variable", "P:Record", "Q:Variable"}},
        {"a var section needs a declaration", "var\r\nconst Max = 1;", {}},
        {"missing type", "var A: ; B: Byte;", {"A:Variable"}},
        {"a comma must be followed by a name", "var A, : Byte; const Max = 1;", {"A:Variable"}},
        {"threadvar ends the read", "threadvar T: Integer;\r\nvar V: Integer;", {}},
        {"threadvar after a section", "var V: Integer;\r\nthreadvar T: Integer;\r\nconst C = 1;",
         {"V:Variable"}},
    });
}

TEST(RoutineDeclaration, HeadingsConventionsAndParameterGroups) {
    ExpectRecorded({
        {"calling convention after the heading",
         "procedure Draw; stdcall;\r\nfunction Area: Double;\r\nprocedure Next;",
         {"Draw:Procedure", "Area:Function", "Next:Procedure"}},
        {"another directive ends the loop", "procedure P; overload;\r\nprocedure Q;", {"P:Procedure"}},
        {"convention without its ';'", "procedure P; cdecl procedure Q;", {"P:Procedure"}},
        {"untyped var group and a typed group",
         "procedure Fill(var Buffer; Count: Integer);\r\nprocedure Next;",
         {"Fill:Procedure", "Next:Procedure"}},
        {"const, out and open arrays",
         "procedure P(const A: array of Integer; out B: Byte; X, Y: Word);\r\nfunction Next: string;",
         {"P:Procedure", "Next:Function"}},
        {"empty parentheses fail the heading", "procedure Empty();\r\nprocedure Next;",
         {"Empty:Procedure"}},
        {"default values are not accepted", "procedure P(A: Integer = 0);\r\nprocedure Next;",
         {"P:Procedure"}},
        {"array of const is not accepted", "procedure P(const A: array of const);\r\nprocedure Next;",
         {"P:Procedure"}},
        {"var without names", "procedure P(var : Integer);\r\nprocedure Next;", {"P:Procedure"}},
        {"function without a result type", "function F;\r\nprocedure Next;", {"F:Function"}},
    });
}

TEST(Declarations, ExportsAndResourcestringArePassedOver) {
    ExpectRecorded({
        {"resourcestring", "resourcestring\r\n  SHello = 'Hello';\r\nconst Max = 1;", {"Max:Constant"}},
        {"exports", "exports Foo, Bar name 'bar';\r\nprocedure Next;", {"Next:Procedure"}},
        {"two in a row", "resourcestring S = 'a'; exports F; var V: Byte;", {"V:Variable"}},
        {"up to implementation", "const A = 1;\r\nresourcestring S = 'a';", {"A:Constant"}},
    });
}

TEST(Declarations, LoopEndsAtATokenThatStartsNoSection) {
    ExpectRecorded({
        {"stray semicolon", "const A = 1;\r\n;\r\nconst B = 2;", {"A:Constant"}},
        {"stringresource", "stringresource S = 'a';\r\nconst B = 2;", {}},
    });
}

TEST(Declarations, SortedOrderAndCaseOfNames) {
    TParserFixture F;
    const TURElm& U = ReadUnitInterface(
        F, "const zeta = 1; Alpha = 2;\r\ntype TMid = (beta, Gamma);\r\nvar delta: Byte;", true);
    EXPECT_EQ(SymbolRows(U), (TRows{"Alpha:Constant", "beta:Constant", "delta:Variable",
                                    "Gamma:Constant", "TMid:Type", "zeta:Constant"}));
}

// The rules run unchanged in pass 2: nothing is recorded there, and every
// token of a declaration still reaches the output once, in order.
TEST_F(ParserTest, PassTwoRecordsNothingAndWritesEverything) {
    const std::string Text = UnitText("U", "const A = 1;\r\ntype T = (X, Y);\r\nvar V: T;");
    BuildSymbols({{"U.pas", Text}});
    const std::size_t Before = Symbols.UnitList().front().Symbols.size();
    GenerateUnit("U", Text);
    EXPECT_EQ(Symbols.UnitList().front().Symbols.size(), Before);
    EXPECT_EQ(VisibleText(), Text);
    EXPECT_TRUE(Settled());
}

}  // namespace
}  // namespace corvanet::testing
