// Checks the links of build directories as the acceptance tests do and prints
// one summary per directory: links landed/written by kind for HTML and RTF,
// then every link that does not land, every anchor name held twice and every
// caption that differs from the name its link targets.
//   ninja -C build link_report && build/bin/link_report OUT [OUT ...]
// Exit status 0 when every link of every directory lands and every anchor is
// sound, 1 otherwise, 2 on bad usage.
#include <cstdio>
#include <filesystem>

#include "link_checker.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: link_report BUILD_DIR [BUILD_DIR ...]\n");
        return 2;
    }
    int Status = 0;
    for (int I = 1; I < argc; ++I) {
        if (!std::filesystem::is_directory(argv[I])) {
            std::fprintf(stderr, "link_report: %s: not a directory\n", argv[I]);
            return 2;
        }
        const corvanet::testsupport::TLinkReport R = corvanet::testsupport::CheckLinks(argv[I]);
        std::printf("%s: %d of %d links land\n%s\n", argv[I], R.Landed(), R.Written(), R.Summary().c_str());
        if (!R.AllLand() || !R.AnchorsSound()) Status = 1;
    }
    return Status;
}
