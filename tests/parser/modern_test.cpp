// What the modern dialect's interface rules record: one case per family of
// constructs, each closed by a declaration that shows the reading went on
// past it. Fields, class variables and a type's own constants (the values
// of its nested enumerations too) stay unrecorded; properties and operators are members, a generic type's key
// carries its arity and a nested type's its outer type's.
#include <gtest/gtest.h>

#include "fixture.h"
#include "recorded.h"

namespace corvanet::testing {
namespace {

struct TModernCase {
    const char* What;
    const char* Interface;
    TRows Symbols;
    TRows Classes;
};

TEST(ModernDialect, RecordsEveryKindOfDeclaration) {
    const TModernCase Cases[] = {
        {"headings with default values, open arrays, generic results and directives",
         "function Max<T>(const A, B: T): T; overload; inline;\r\n"
         "procedure P(const [Ref] A: TFoo; S: string = ''; X: Integer = 1 + 2; out Y); stdcall;\r\n"
         "  external 'lib.dll' name 'P' delayed;\r\n"
         "function Q(const V: array of const): TArray<string>; deprecated 'use R';\r\n"
         "procedure R; public name 'R'; const C = 1;",
         {"Max:Function", "P:Procedure", "Q:Function", "R:Procedure", "C:Constant"}, {}},
        {"class members of every kind, nested types and visibility",
         "type [Attr] TFoo = class sealed(TInterfacedObject, IFoo, IBar<Integer>)\r\n"
         "  strict private\r\n    FX: Integer; class var FCount: Integer;\r\n"
         "    type TInner = class procedure Run; virtual; abstract; end; TKind = (kA, kB);\r\n"
         "    const Limit = 10;\r\n"
         "  protected\r\n    function IFoo.Bar = DoBar;\r\n"
         "    class function Make: TFoo; static;\r\n    procedure DoBar; message WM_X;\r\n"
         "  public\r\n    [Test] constructor Create(const A: TArray<Integer> = nil); reintroduce;\r\n"
         "    property X: Integer index 1 read FX write FX default 0;\r\n"
         "    property Items[I: Integer]: string read GetItem; default;\r\n    property Tag;\r\n"
         "  end;\r\n  TFooClass = class of TFoo; TLater = Byte;",
         {"TFoo:Class/Object", "TFoo.TInner:Class/Object", "TFoo.TKind:Type", "TFooClass:Type", "TLater:Type"},
         {"TFoo", "TFoo.Make:Function", "TFoo.DoBar:Procedure", "TFoo.Create:Constructor", "TFoo.X:Property",
          "TFoo.Items:Property", "TFoo.Tag:Property", "TFoo.TInner", "TFoo.TInner.Run:Procedure"}},
        {"generic types, told apart by their arity",
         "type TList<T: class, constructor> = class(TObject) function Add(const Item: T): Integer; end;\r\n"
         "  Tuple = record end;\r\n  Tuple<T1, T2> = record constructor Create(A: T1; B: T2); end;\r\n"
         "  TMap = TDictionary<string, TList<Integer>>; TLater = Byte;",
         {"TList.1:Class/Object", "Tuple:Record", "Tuple.2:Record", "TMap:Type", "TLater:Type"},
         {"TList.1", "TList.1.Add:Function", "Tuple", "Tuple.2", "Tuple.2.Create:Constructor"}},
        {"records with operators and variants, helpers, interfaces, procedural types",
         "type TRec = packed record\r\n  public\r\n    class operator Add(const A, B: TRec): TRec;\r\n"
         "    class operator In(const A: TRec; const B: TSet): Boolean;\r\n"
         "  case Integer of 0: (I: Integer); 1: (B: Byte; case Boolean of True: (W: Word));\r\n  end;\r\n"
         "  THelper = record helper for string function Len: Integer; end;\r\n"
         "  IFoo = interface(IInterface) ['{00000000-0000-0000-0000-000000000000}']\r\n"
         "    procedure Bar; property Baz: Integer read GetBaz; end;\r\n"
         "  TProc = reference to procedure(X: Integer); TCallback = procedure; stdcall;\r\n"
         "  TLater = Byte;",
         {"TRec:Record", "THelper:Record", "IFoo:Interface", "TProc:Type", "TCallback:Type", "TLater:Type"},
         {"TRec", "TRec.Add:Operator", "TRec.In:Operator", "THelper", "THelper.Len:Function", "IFoo",
          "IFoo.Bar:Procedure", "IFoo.Baz:Property"}},
        {"constants, variables, resource strings and enumerations with values",
         "const A: array[0..1] of TPoint = ((X: 1; Y: 2), (X: 3; Y: 4)); B = SizeOf(Integer) * 2;\r\n"
         "type TE = (eA = 1, eB, eC = 5);\r\nthreadvar T: Integer;\r\nvar V: Integer absolute T;\r\n"
         "resourcestring SHello = 'Hello';\r\nconst Last = 0;",
         {"A:Constant", "B:Constant", "TE:Type", "eA:Constant", "eB:Constant", "eC:Constant", "T:Variable",
          "V:Variable", "SHello:Constant", "Last:Constant"},
         {}},
    };
    for (const TModernCase& C : Cases) {
        SCOPED_TRACE(C.What);
        ExpectRecordedRows(C.Interface, C.Symbols, C.Classes, TDialect::Modern);
    }
}

// The implementation's anchors: a method of a generic or nested type under
// the type's key, a nested routine under its enclosing routine's anchor, and
// none for the method declarations of a type declared there (interfaces and
// Free Pascal's type helpers too) nor for anonymous methods or a variable
// named Operator; every name in lower case, as links spell it.
TEST(ModernDialect, AnchorsImplementationHeadings) {
    TParserFixture F;
    F.Stream.Dialect = TDialect::Modern;
    const std::string Text =
        "unit U;\r\ninterface\r\nimplementation\r\ntype TLocal = class procedure Run; end; TFwd = class;\r\n"
        "  IStub = interface procedure Stub; end; THelp = type helper for Integer procedure Twice; end;\r\n"
        "  TGen<T>= class procedure Make; end;\r\n"
        "function TList<T>.Add(const Item: T): Integer; begin end;\r\n"
        "procedure TOuter.TInner.Run; var R: record case Integer of 0: (B: Byte); end;\r\n"
        "  procedure Check; function Deep: Integer; begin case 1 of 1: ; end; end; begin try finally end; end;\r\n"
        "begin end;\r\nclass operator TRec.In(const A: TRec; B: Integer): Boolean; begin end;\r\n"
        "procedure Calls; var Operator: Integer;\r\nbegin\r\n  var I := 0; var P: TProc; for var J := 0 to 1 do ;\r\n"
        "  P := procedure begin Operator := 1; end;\r\n"
        "  F := function(X: Integer): Boolean begin Result := X > 0 end;\r\n  asm mov eax, 1 end;\r\nend;\r\n"
        "procedure Check; begin end;\r\nend.\r\n";
    F.BuildSymbols({{"U.pas", Text}});
    F.GenerateUnit("U", Text);
    std::vector<std::string> Names;
    for (const auto& A : F.Anchors()) Names.push_back(A.Target);
    const std::vector<std::string> Expected = {"u_tlist.1_add", "u_touter.tinner_run", "u_touter.tinner_run.check",
                                               "u_touter.tinner_run.check.deep", "u_trec_in", "u_calls", "u_check"};
    EXPECT_EQ(Names, Expected);
}

}  // namespace
}  // namespace corvanet::testing
