// Overloaded routines and methods in the modern dialect: one anchor each (the
// k-th under ".k"), each body found by its parameter types whatever its place
// and letter case, each interface heading linked to its own body, and a call
// linked to the one overload its argument count fits (the first where the
// source does not tell the count for sure, or several fit).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode.h"
#include "link_checker.h"
#include "run_fixture.h"

namespace corvanet::runtest {
namespace {

struct TOverloadCase {
    const char* What;
    const char* Unit;                     // the source of unit U
    std::vector<std::string> Links;       // "caption target" of U's page to itself, in order
    std::vector<std::string> Anchors;     // U's symbol anchors, in order
};

TEST(Overloads, EachHasItsAnchorAndEachHeadingLinksToItsOwnBody) {
    const std::vector<TOverloadCase> Cases = {
        {"unit routines; bodies out of order, a type spelt otherwise; calls by argument count",
         "unit U;\r\ninterface\r\nfunction Max(A, B: Integer): Integer; overload;\r\n"
         "function Max(const A, B: Double): Double; overload;\r\nprocedure Reset(Level: Integer); overload;\r\n"
         "procedure Reset; overload;\r\nprocedure Put(const S: string); overload;\r\n"
         "procedure Put(const V: Variant; N: Integer); overload;\r\nimplementation\r\n"
         "function Max(const A, B: double): DOUBLE;\r\nbegin\r\n  Result := A;\r\nend;\r\n"
         "function Max(A, B: Integer): Integer;\r\nbegin\r\n  Reset;\r\n  Reset(1);\r\n  Result := A;\r\nend;\r\n"
         "procedure Put(const V: System.Variant; Count: Integer);\r\nbegin\r\nend;\r\n"
         "procedure Put(const S: string);\r\nbegin\r\nend;\r\n"
         "procedure Reset(Level: Integer);\r\nbegin\r\nend;\r\nprocedure Reset;\r\nbegin\r\nend;\r\n"
         "procedure Twice(const S: string); overload;\r\nbegin\r\nend;\r\n"
         "procedure Twice; overload;\r\nbegin\r\nend;\r\n"
         "procedure Last;\r\nbegin\r\n  Twice;\r\n  Max(1, 2);\r\n"
         "  Put(Max(1, 2), { , } 3);\r\n  Put('x, ''2');\r\n  Put(1 < 2, 3);\r\nend;\r\nend.\r\n",
         {"Max #u_max", "Max #u_max.2", "Reset #u_reset", "Reset #u_reset.2", "Put #u_put", "Put #u_put.2",
          "Reset U.html#u_reset.2", "Reset U.html#u_reset", "Twice U.html#u_twice.2", "Max U.html#u_max",
          "Put U.html#u_put.2", "Max U.html#u_max", "Put U.html#u_put", "Put U.html#u_put"},
         {"u_max.2", "u_max", "u_put.2", "u_put", "u_reset", "u_reset.2", "u_twice", "u_twice.2", "u_last"}},
        {"methods: a class constructor, constructors, an abstract overload, nested routines",
         "unit U;\r\ninterface\r\ntype\r\n  TShape = class\r\n    class constructor Create;\r\n"
         "    constructor Create; overload;\r\n"
         "    constructor Create(const AName: string; ASize: Integer = 0); overload;\r\n"
         "    procedure Draw(X: Integer); overload;\r\n"
         "    procedure Draw(const S: string); overload; virtual; abstract;\r\n  end;\r\nimplementation\r\n"
         "constructor TShape.Create(const AName: string; ASize: Integer);\r\n"
         "  procedure Check;\r\n  begin\r\n  end;\r\n"
         "begin\r\nend;\r\nconstructor TShape.Create;\r\n  procedure Check;\r\n  begin\r\n  end;\r\nbegin\r\nend;\r\n"
         "class constructor TShape.Create;\r\nbegin\r\nend;\r\nprocedure TShape.Draw(X: Integer);\r\nbegin\r\nend;\r\n"
         "end.\r\n",
         {"Create #u_tshape_create", "Create #u_tshape_create.2", "Create #u_tshape_create.3", "Draw #u_tshape_draw"},
         {"u_tshape", "u_tshape_draw.2", "u_tshape_create.3", "u_tshape_create.3.check", "u_tshape_create.2",
          "u_tshape_create.2.check", "u_tshape_create", "u_tshape_draw"}},
    };
    for (const TOverloadCase& C : Cases) {
        SCOPED_TRACE(C.What);
        const TProjectDir Project({{"P.dpr", ProjectText({{"U", "U.pas"}})}, {"U.pas", C.Unit}});
        TRecorder Recorder;
        TRun Run(Recorder);
        Run.Dialect = TDialect::Modern;
        Project.Run(Run, "P.dpr", std::string(ModernDefines));
        const testsupport::TDecodedDocument Page =
            testsupport::DecodeHtmlPage(testsupport::ReadFileBytes(Project.Out() + "U.html"));
        std::vector<std::string> Links, Anchors;
        for (const testsupport::TDecodedLink& L : Page.Links)
            if (L.Target.starts_with("#") || L.Target.starts_with("U.html#"))
                Links.push_back(L.Caption + " " + L.Target);
        for (const testsupport::TDecodedAnchor& A : Page.Anchors)
            if (A.Name.starts_with("u_")) Anchors.push_back(A.Name);
        EXPECT_EQ(Links, C.Links);
        EXPECT_EQ(Anchors, C.Anchors);
        const testsupport::TLinkReport Report = testsupport::CheckLinks(Project.Out());
        EXPECT_TRUE(Report.AllLand() && Report.AnchorsSound()) << Report.Summary();
    }
}

}  // namespace
}  // namespace corvanet::runtest
