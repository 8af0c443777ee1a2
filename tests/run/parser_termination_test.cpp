// Whole runs over a one-unit project whose unit is noise: random token
// sequences and byte-level mutations of the example sources (fixed seeds).
// Each run must end, raise nothing, and leave a page and a topic that decode
// back to the unit's whole source, lexical stops included.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "output_fixture.h"
#include "pascal_noise.h"
#include "parser/parser.h"
#include "pipeline.h"
#include "platform.h"
#include "run_fixture.h"
#include "scratch_dir.h"

namespace corvanet::runtest {
namespace {

struct TRunaway : std::runtime_error {
    TRunaway() : std::runtime_error("the run did not end") {}
};

// One project directory for all cases; each case rewrites the unit.
class TNoiseProject {
public:
    TNoiseProject() {
        testsupport::WriteBytes(Dir.Path() + "P.dpr", ProjectText({{"U", "U.pas"}}));
    }

    // Runs the project with Unit as U.pas; false (with a failure) when broken.
    bool RunsWhole(const std::string& Unit, const std::string& Label, TDialect Dialect = TDialect::Classic) {
        testsupport::WriteBytes(Dir.Path() + "U.pas", Unit);
        TRecorder Recorder;
        TRun Run(Recorder);
        Run.Dialect = Dialect;
        auto Inner = Run.Stream.TokenHook;
        const std::size_t Limit = 64 * (Unit.size() + 256);
        Run.Stream.TokenHook = [Inner, Limit, Calls = std::size_t{0}]() mutable {
            if (++Calls > Limit) throw TRunaway();
            Inner();
        };
        Run.ProjectFile = Dir.Path() + "P.dpr";
        Run.BuildDir = Dir.Path();
        try {
            Run.Execute(Run.ProjectFile, "WIN32;VER100");
        } catch (const std::exception& E) {
            ADD_FAILURE() << Label << ": " << E.what() << "\n" << Unit.substr(0, 2000);
            return false;
        }
        const auto Back = testing::ReadBack(Dir.Path() + "U.html", Dir.Path() + "U.rtf");
        testing::ExpectWholeSource(Back, Unit);
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << Label << "\n" << Unit.substr(0, 2000);
            return false;
        }
        return true;
    }

private:
    testsupport::TScratchDir Dir;
};

TEST(RunTermination, RandomTokenUnits) {
    TNoiseProject Project;
    for (unsigned Seed = 1; Seed <= 120; ++Seed) {
        std::mt19937 Rng(Seed);
        const std::string Unit = "unit U; interface " + testsupport::RandomTokens(Rng, 1 + Rng() % 150);
        if (!Project.RunsWhole(Unit, "seed " + std::to_string(Seed))) break;
    }
}

// Nesting far past the rules' limit, of every kind, read on a thread with a
// quarter of the stack the reading threads get: the run ends with the whole
// source on the page, in both dialects. (Before the limit such a unit
// overflowed the stack.)
TEST(RunTermination, DeepNestingOfEveryKind) {
    TNoiseProject Project;
    for (const TDialect Dialect : {TDialect::Classic, TDialect::Modern}) {
        for (const testsupport::TNestingKind& Kind : testsupport::NestingKinds()) {
            bool Whole = false;
            RunWithStack(ReadingStackSize / 4, [&] {
                Whole = Project.RunsWhole(testsupport::NestedText(Kind, 100000), Kind.Name, Dialect);
            });
            if (!Whole) return;
        }
    }
}

// Bytes that open or close comments, strings and directives, line ends, and
// bytes the scanner does not know, so that files also stop early.
std::string MutateBytes(std::mt19937& Rng, std::string Text, int Edits) {
    static const std::string Risky = "{}()*/'$#;:=.\r\n \x01\xe9\x80";
    for (int e = 0; e < Edits && !Text.empty(); ++e) {
        const std::size_t At = Rng() % Text.size();
        switch (Rng() % 3) {
        case 0: Text.erase(At, 1 + Rng() % 8); break;
        case 1: Text.insert(At, 1, Risky[Rng() % Risky.size()]); break;
        default: Text[At] = Risky[Rng() % Risky.size()]; break;
        }
    }
    return Text;
}

TEST(RunTermination, MutatedExampleBytes) {
    const std::vector<std::string> Sources = testsupport::ExampleSourceTexts();
    ASSERT_FALSE(Sources.empty());
    TNoiseProject Project;
    const unsigned PerSource = 180 / static_cast<unsigned>(Sources.size());
    for (std::size_t s = 0; s < Sources.size(); ++s) {
        for (unsigned Seed = 1; Seed <= PerSource; ++Seed) {
            std::mt19937 Rng(Seed * 104729u + static_cast<unsigned>(s));
            const std::string Unit = MutateBytes(Rng, Sources[s], 1 + static_cast<int>(Rng() % 6));
            if (!Project.RunsWhole(Unit, "source " + std::to_string(s) + " seed " + std::to_string(Seed)))
                return;
        }
    }
}

}  // namespace
}  // namespace corvanet::runtest
