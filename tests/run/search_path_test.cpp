// Units found on a search path: looked up as the compiler does (the project's
// directory, then each directory; .pas, then .pp; letter case matched; unit
// scope names in front), each registered and documented, and the units they
// name found in turn, the implementation's uses clause included.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link_checker.h"
#include "run_fixture.h"

namespace corvanet::runtest {
namespace {

const std::vector<TSourceFile> kFiles = {
    {"P.dpr", "program P;\r\nuses\r\n  Forms,\r\n  App in 'App.pas';\r\nbegin\r\nend.\r\n"},
    {"App.pas", "unit App;\r\ninterface\r\nuses Lib.Core;\r\nprocedure Start;\r\nimplementation\r\n"
                "uses Extra, Missing;\r\nprocedure Start;\r\nbegin\r\n  Lib.Core.Go;\r\n  Help;\r\nend;\r\nend.\r\n"},
    {"lib/Vcl.Forms.pas", UnitText("Vcl.Forms", "Show")},
    {"lib/lib.core.pas", "unit Lib.Core;\r\ninterface\r\nprocedure Go;\r\nimplementation\r\nuses Deep;\r\n"
                         "procedure Go;\r\nbegin\r\nend;\r\nend.\r\n"},
    {"lib2/Extra.pp", UnitText("Extra", "Help")},
    {"lib2/Deep.pas", UnitText("Deep", "Dive")},
};

TEST(SearchPath, FindsTheClosureOfUnitsTheSourcesName) {
    const TProjectDir Project(kFiles);
    TRecorder Recorder;
    TRun Run(Recorder);
    Run.Dialect = TDialect::Modern;
    Run.UnitPath = {Project.Dir() + "lib", Project.Dir() + "lib2/"};
    Run.UnitScopes = {"System", "Vcl"};
    Project.Run(Run, "P.dpr", std::string(ModernDefines));
    std::vector<std::string> Names;
    for (const TURElm& Unit : Run.Symbols.UnitList()) Names.push_back(Unit.Name);
    EXPECT_EQ(Names, (std::vector<std::string>{"App", "Deep", "Extra", "Lib.Core", "Vcl.Forms"}));
    EXPECT_EQ(Run.FoundOnSearchPath, 4);
    EXPECT_EQ(Run.ReportNotes(), std::vector<std::string>{"4 units found on the search path"});
    EXPECT_FALSE(Run.Incomplete);
    ASSERT_EQ(Recorder.Warnings.size(), 1u);
    EXPECT_EQ(Recorder.Warnings[0], Project.Dir() + "App.pas:6: unit Missing not found on the search path");
    const std::string App = testsupport::ReadBytes(Project.Out() + "App.html");
    for (const char* Link : {"<A HREF = \"Lib.Core.html\">Lib.Core</A>.<A HREF = \"Lib.Core.html#lib.core_go\">Go</A>",
                             "<A HREF = \"Extra.html\">Extra</A>, Missing;", "<A HREF = \"Extra.html#extra_help\">Help</A>"})
        EXPECT_NE(App.find(Link), std::string::npos) << Link << "\n" << App;
    EXPECT_NE(testsupport::ReadBytes(Project.Out() + "P.html").find("<A HREF = \"Vcl.Forms.html\">Forms</A>"),
              std::string::npos);
    const testsupport::TLinkReport Links = testsupport::CheckLinks(Project.Out());
    EXPECT_TRUE(Links.AllLand()) << Links.Summary();

    // Without a search path nothing is looked up.
    TRecorder Plain;
    TRun Again(Plain);
    Again.Dialect = TDialect::Modern;
    Project.Run(Again, "P.dpr", std::string(ModernDefines));
    EXPECT_EQ(Again.Symbols.UnitList().size(), 1u);
    EXPECT_TRUE(Plain.Warnings.empty());
    EXPECT_TRUE(Again.ReportNotes().empty());
}

}  // namespace
}  // namespace corvanet::runtest
