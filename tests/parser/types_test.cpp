// Structured types in pass 1 (what a class, record, array, set or file type
// records, which methods become members) and the class anchors and ancestor
// links of pass 2. A type declared after the one under test shows whether the
// type section went on.
#include <gtest/gtest.h>

#include "fixture.h"
#include "recorded.h"

namespace corvanet::testing {
namespace {

struct TTypeCase {
    const char* What;
    const char* Interface;
    TRows Symbols;
    TRows Classes;
};

void ExpectRecorded(const std::vector<TTypeCase>& Cases) {
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.What);
        ExpectRecordedRows(C.Interface, C.Symbols, C.Classes);
    }
}

TEST(ClassType, FieldsMethodsAndVisibilitySections) {
    ExpectRecorded({
        {"form with fields, methods, a private field and a public constructor",
         "type\r\n  TForm1 = class(TForm)\r\n    Button1: TButton;\r\n    Label1: TLabel;\r\n"
         "    procedure Button1Click(Sender: TObject);\r\n    function Total: Integer;\r\n"
         "  private\r\n    FCount: Integer;\r\n  public\r\n"
         "    constructor Create(AOwner: TComponent); override;\r\n"
         "    destructor Destroy; override;\r\n  end;\r\n  TNext = Byte;",
         {"TForm1:Class/Object", "TNext:Type"},
         {"TForm1", "TForm1.Button1Click:Procedure", "TForm1.Total:Function",
          "TForm1.Create:Constructor", "TForm1.Destroy:Destructor"}},
        {"every visibility word", "type TV = class public published protected private automated end; TNext = Byte;",
         {"TV:Class/Object", "TNext:Type"}, {"TV"}},
        {"fields after a method: one more member list, then the class ends a token later",
         "type TM = class\r\n procedure A;\r\n FX: Integer;\r\n procedure B;\r\n end;\r\n TNext = Byte;",
         {"TM:Class/Object", "TNext:Type"}, {"TM", "TM.A:Procedure", "TM.B:Procedure"}},
        {"a field without ':' fails the class", "type TX = class FX; procedure A; end; TNext = Byte;",
         {"TX:Class/Object"}, {"TX"}},
        {"class procedure is a member, class function fails the class",
         "type TF = class\r\n class procedure Make;\r\n class function Count: Integer;\r\n"
         " procedure After;\r\n end;\r\n TNext = Byte;",
         {"TF:Class/Object"}, {"TF", "TF.Make:Procedure"}},
    });
}

TEST(ClassType, SetAndFileFieldsEndMembership) {
    ExpectRecorded({
        {"set field", "type TFoo = class\r\n FFlags: set of Byte;\r\n procedure Run;\r\n end;\r\n TNext = Byte;",
         {"TFoo:Class/Object", "Run:Procedure", "TNext:Type"}, {"TFoo"}},
        {"file field", "type TLog = class\r\n FLog: file;\r\n function Count: Integer;\r\n end;",
         {"TLog:Class/Object", "Count:Function"}, {"TLog"}},
        {"a pointer field gets as far", "type TNode = class\r\n FNext: ^TNode;\r\n procedure Run;\r\n end;",
         {"TNode:Class/Object", "Run:Procedure"}, {"TNode"}},
        {"methods before the set field stay members",
         "type TFoo = class\r\n procedure A;\r\n FS: set of Byte;\r\n procedure B;\r\n end;",
         {"TFoo:Class/Object", "B:Procedure"}, {"TFoo", "TFoo.A:Procedure"}},
        {"a record field turns the class's own entry into a record",
         "type TFoo = class\r\n FPos: record X, Y: Integer; end;\r\n procedure Run;\r\n end;",
         {"TFoo:Record"}, {"TFoo", "TFoo.Run:Procedure"}},
    });
}

TEST(ClassType, MethodDirectivesInAndOutOfOrder) {
    ExpectRecorded({
        {"directives in order",
         "type TBase = class\r\n procedure A; virtual; abstract;\r\n procedure B; dynamic;\r\n"
         " procedure C(var Msg: TMessage); message WM_USER + 1;\r\n"
         " procedure D; override; stdcall; abstract;\r\n function E: Integer; cdecl;\r\n"
         " procedure F; virtual; message 5; pascal; abstract;\r\n end;\r\n TNext = Byte;",
         {"TBase:Class/Object", "TNext:Type"},
         {"TBase", "TBase.A:Procedure", "TBase.B:Procedure", "TBase.C:Procedure", "TBase.D:Procedure",
          "TBase.E:Function", "TBase.F:Procedure"}},
        {"abstract before virtual fails the class",
         "type TBase = class\r\n procedure A; abstract; virtual;\r\n procedure B;\r\n end;\r\n TNext = Byte;",
         {"TBase:Class/Object"}, {"TBase", "TBase.A:Procedure"}},
        {"a directive without its ';' fails the class",
         "type TBase = class\r\n procedure A; virtual\r\n procedure B;\r\n end;\r\n TNext = Byte;",
         {"TBase:Class/Object"}, {"TBase", "TBase.A:Procedure"}},
        {"message without a value fails", "type TB = class procedure A; message ; end; TNext = Byte;",
         {"TB:Class/Object"}, {"TB", "TB.A:Procedure"}},
    });
}

TEST(ClassType, Properties) {
    ExpectRecorded({
        {"accessors, array with default, stored, index",
         "type TList = class\r\n FName: TName;\r\n"
         " property Name: TName read FName write SetName;\r\n"
         " property Items[Index: Integer]: TItem read GetItem; default;\r\n"
         " property Cells[ACol, ARow: Integer; const Key: TKey]: TCell read GetCell write SetCell;\r\n"
         " property Flag: Boolean read FFlag stored False;\r\n"
         " property Size: Integer index 3 read GetSize;\r\n"
         " property Tag: Integer stored IsStored;\r\n"
         " property Mode: Integer read FMode nodefault;\r\n"
         " procedure After;\r\n end;\r\n TNext = Byte;",
         {"TList:Class/Object", "TNext:Type"}, {"TList", "TList.After:Procedure"}},
        {"a default value ends the class one token later",
         "type TCounter = class\r\n property Count: Integer read FCount write FCount default 0;\r\n"
         " procedure After;\r\n end;\r\n TNext = Byte;",
         {"TCounter:Class/Object", "After:Procedure"}, {"TCounter"}},
        {"a word after a stored value is left and read as a field name",
         "type TS = class property Tag: Integer stored IsStored nodefault; procedure After; end;",
         {"TS:Class/Object"}, {"TS"}},
        {"a property typed string fails", "type TS = class property S: string read FS; procedure After; end;",
         {"TS:Class/Object"}, {"TS"}},
        {"a redeclared property without a type fails",
         "type TS = class property Caption; procedure After; end;", {"TS:Class/Object"}, {"TS"}},
        {"a property without specifiers fails", "type TS = class property P: Byte; procedure After; end;",
         {"TS:Class/Object"}, {"TS"}},
        {"a bad index list fails", "type TS = class property P[]: Byte read F; procedure After; end;",
         {"TS:Class/Object"}, {"TS"}},
    });
}

TEST(ClassType, ForwardAndClassReferenceDeclarations) {
    ExpectRecorded({
        {"forward, ancestor only, then the full class",
         "type\r\n  TFwd = class;\r\n  TErr = class(Exception);\r\n"
         "  TFwd = class(TErr)\r\n    procedure Run;\r\n  end;\r\n  TNext = Byte;",
         {"TFwd:Class/Object", "TErr:Class/Object", "TFwd:Class/Object", "TNext:Type"},
         // Members go to the first class of the name, the forward one.
         {"TFwd", "TFwd.Run:Procedure", "TErr", "TFwd"}},
        {"class reference: the referenced name becomes a type, then the section fails",
         "type\r\n  TFooClass = class of TFoo;\r\n  TNext = Byte;",
         {"TFooClass:Class/Object", "TFoo:Type"}, {"TFooClass"}},
        {"two ancestors fail at the comma", "type TI = class(TBase, IFoo) procedure A; end; TNext = Byte;",
         {"TI:Class/Object"}, {"TI"}},
    });
}

TEST(RecordType, FieldsAndVariantParts) {
    ExpectRecorded({
        {"two fields and a variant part with a tag name",
         "type\r\n  TRec = record\r\n    A, B: Integer;\r\n    case Tag: Integer of\r\n"
         "      0: (X: Byte);\r\n      1, 2: (Y: Word; Z: Char);\r\n  end;\r\n  TNext = Byte;",
         {"TRec:Record", "TNext:Type"}, {}},
        {"fixed fields and case without a ';' between them",
         "type TRec = record A: Integer case K: Byte of 0: (X: Byte) end; TNext = Byte;",
         {"TRec:Record", "TNext:Type"}, {}},
        {"variant part only", "type TV = record case Kind: Byte of 0: (I: Integer); 1: (S: string[8]) end; TNext = Byte;",
         {"TV:Record", "TNext:Type"}, {}},
        {"nested variant part",
         "type TN = record case A: Byte of 0: (B: Byte; case C: Byte of 1: (D: Char)); end; TNext = Byte;",
         {"TN:Record", "TNext:Type"}, {}},
        {"a tag type without a tag name fails at of",
         "type TV = record case Byte of 0: (I: Integer); end; TNext = Byte;", {"TV:Record"}, {}},
        {"an empty record fails", "type TEmpty = record end; TNext = Byte;", {"TEmpty:Record"}, {}},
        {"an empty variant fails", "type TV = record case K: Byte of 0: (); end; TNext = Byte;",
         {"TV:Record"}, {}},
        {"a variant without ':' fails", "type TV = record case K: Byte of 0 (I: Byte); end; TNext = Byte;",
         {"TV:Record"}, {}},
        {"a packed record fails", "type TP = packed record A: Byte; end; TNext = Byte;", {"TP:Type"}, {}},
    });
}

TEST(ArraySetFileTypes, IndexesElementsAndPacked) {
    ExpectRecorded({
        {"packed array", "type TA = packed array[1..10] of Char; TNext = Byte;",
         {"TA:Type", "TNext:Type"}, {}},
        {"index types", "type TM = array[0..9, Boolean] of Byte; TE = array[(One, Two)] of Byte;"
                        " TD = array of string; TNext = Byte;",
         {"TM:Type", "TE:Type", "One:Constant", "Two:Constant", "TD:Type", "TNext:Type"}, {}},
        {"an index subrange from a name fails", "type TA = array[Low..High] of Byte; TNext = Byte;",
         {"TA:Type"}, {}},
        {"array without of", "type TA = array[1..2] Byte; TNext = Byte;", {"TA:Type"}, {}},
        {"packed set fails", "type TS = packed set of Byte; TNext = Byte;", {"TS:Type"}, {}},
        {"sets and files", "type TS = set of (Alpha, Beta); TR = set of 1..9; TF = file of TRec;"
                           " TU = file; TNext = Byte;",
         {"TS:Type", "Alpha:Constant", "Beta:Constant", "TR:Type", "TF:Type", "TU:Type", "TNext:Type"}, {}},
        {"set without of", "type TS = set Byte; TNext = Byte;", {"TS:Type"}, {}},
    });
}

// Pass 2: each class gets its anchor right after the keyword `class`, the
// method headings link to anchors named with the class, an ancestor that is
// a visible class becomes a link, and every token is written once.
TEST_F(ParserTest, ClassAnchorsAndAncestorLinksInPassTwo) {
    const std::string Text = UnitText(
        "Shapes",
        "type\r\n  TShape = class\r\n    procedure Draw; virtual;\r\n  end;\r\n"
        "  TCircle = class { base } (TShape)\r\n    procedure Draw; override;\r\n  end;\r\n"
        "  TFwd = class;\r\n  TAlias = TShape;\r\n  TSquare = class(TAlias)\r\n"
        "    FSet: set of Byte;\r\n    procedure Run;\r\n  end;");
    BuildSymbols({{"Shapes.pas", Text}});
    GenerateUnit("Shapes", Text);

    const auto Anchors = this->Anchors();
    ASSERT_EQ(Anchors.size(), 4u) << Describe(Written);
    const char* Names[] = {"TShape", "TCircle", "TFwd", "TSquare"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(Anchors[i].Text, Names[i]);
        EXPECT_EQ(Anchors[i].Caption, "");
        EXPECT_EQ(Anchors[i].Target, std::string("shapes_") + Names[i]);
        const int At = IndexOf(tsAnchor, Names[i]);
        ASSERT_GT(At, 0);
        EXPECT_EQ(Written[At - 1].Text, "class");
    }

    const auto Links = this->Links();
    std::vector<std::string> Targets;
    for (const auto& L : Links) Targets.push_back(L.Caption + " " + L.Target + " " + L.Text);
    EXPECT_EQ(Targets, (std::vector<std::string>{
                           "Draw shapes_TShape_Draw #shapes_TShape_Draw",
                           "TShape Shapes_TShape Shapes.html#Shapes_TShape",
                           "Draw shapes_TCircle_Draw #shapes_TCircle_Draw",
                           "Run shapes_Run #shapes_Run",  // the set field ended membership
                       }));
    EXPECT_EQ(VisibleText(), Text);
    EXPECT_TRUE(Settled());
}

}  // namespace
}  // namespace corvanet::testing
