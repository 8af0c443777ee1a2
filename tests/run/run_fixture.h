// What the run tests share: a reporter that records every notification in
// order, and a project written into a scratch directory of its own (files
// given by their path relative to it, directories made as needed).
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "pipeline.h"
#include "scratch_dir.h"

namespace corvanet::runtest {

class TRecorder : public TReporter {
public:
    std::vector<std::pair<int, int>> Progresses;  // (Total, Position)
    std::vector<std::string> Statuses;
    std::vector<std::string> Warnings;

    void Progress(int Total, int Position) override { Progresses.emplace_back(Total, Position); }
    void Status(const std::string& Text) override { Statuses.push_back(Text); }
    void Warning(const std::string& Text) override { Warnings.push_back(Text); }
};

struct TSourceFile {
    std::string Path;  // relative to the project's directory
    std::string Text;
};

// A project in its own directory; Run executes it into Dir() + "out/".
class TProjectDir {
public:
    explicit TProjectDir(const std::vector<TSourceFile>& Files) {
        for (const TSourceFile& File : Files) {
            const std::string Full = Dir() + File.Path;
            std::filesystem::create_directories(std::filesystem::path(Full).parent_path());
            testsupport::WriteBytes(Full, File.Text);
        }
        std::filesystem::create_directories(Out());
    }

    std::string Dir() const { return scratch_.Path(); }
    std::string Out() const { return scratch_.Path() + "out/"; }

    // One whole run over ProjectName; the run stays filled for inspection.
    void Run(TRun& Run, const std::string& ProjectName, const std::string& Defines = "WIN32;VER100") const {
        Run.ProjectFile = Dir() + ProjectName;
        Run.BuildDir = Out();
        Run.Execute(Run.ProjectFile, Defines);
    }

private:
    testsupport::TScratchDir scratch_;
};

// A unit whose interface declares the routine Name and whose implementation
// gives its body; Extra goes into the implementation before the body.
inline std::string UnitText(const std::string& Unit, const std::string& Name, const std::string& Extra = "") {
    return "unit " + Unit + ";\r\n\r\ninterface\r\n\r\nprocedure " + Name +
           ";\r\n\r\nimplementation\r\n\r\n" + Extra + "procedure " + Name +
           ";\r\nbegin\r\nend;\r\n\r\nend.\r\n";
}

// A project file whose uses clause names each (name, path) with `in`.
inline std::string ProjectText(const std::vector<std::pair<std::string, std::string>>& Units) {
    std::string Text = "program P;\r\n\r\nuses\r\n  Forms";
    for (const auto& [Name, Path] : Units) Text += ",\r\n  " + Name + " in '" + Path + "'";
    return Text + ";\r\n\r\nbegin\r\nend.\r\n";
}

}  // namespace corvanet::runtest
