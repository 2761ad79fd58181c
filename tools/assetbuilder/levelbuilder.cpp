// Builds one level's geometry and light map from its description, for a player's own level:
//   brindlemox-levelbuilder DESCRIPTION OUTDIR
// writes the description's model and texture paths under OUTDIR (docs/LEVELS.md). A problem is
// one line on standard error ("FILE:LINE: what was expected", or the system's reason for a file
// it cannot read or write), exit code 1.

#include "BuildLevel.h"
#include "LevelDescription.h"

#include <cstdio>
#include <exception>
#include <string>

using namespace brindlemox::platform;

int main(int argc, char** argv) {
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::printf(
            "Usage: brindlemox-levelbuilder DESCRIPTION OUTDIR\n"
            "Builds the level geometry and light map of DESCRIPTION into OUTDIR (at the\n"
            "description's model and texture paths). The description's format and the way\n"
            "from it to a level to play: /usr/share/doc/brindlemox/LEVELS.md (docs/LEVELS.md\n"
            "in the source).\n"
            "\n"
            "  -h, --help   print these lines and quit\n");
        return 0;
    }
    if (argc != 3) {
        report(Severity::Error, "usage: brindlemox-levelbuilder DESCRIPTION OUTDIR");
        return 2;
    }
    try {
        const Result<levels::LevelDescription> level = levels::readLevel(argv[1]);
        if (!level) {
            report(Severity::Error, level.error());
            return 1;
        }
        report(Severity::Progress, std::string("Building ") + argv[1] + " into " + argv[2]);
        if (const Result<void> written = assets::writeLevel(*level, argv[2]); !written) {
            report(Severity::Error, written.error());
            return 1;
        }
    } catch (const std::exception& e) { // out of memory
        report(Severity::Error, std::string("brindlemox-levelbuilder: ") + e.what());
        return 1;
    }
    return 0;
}
