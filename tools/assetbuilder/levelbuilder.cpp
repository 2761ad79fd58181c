// Builds one level's geometry and light map from its description, for a player's own level:
//   brindlemox-levelbuilder DESCRIPTION OUTDIR
// writes the description's model and texture paths under OUTDIR (docs/LEVELS.md).

#include "BuildLevel.h"
#include "LevelDescription.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

namespace {

// Inside OUTDIR: relative and without "..".
bool staysInside(const std::string& path) {
    const std::filesystem::path p(path);
    if (path.empty() || p.is_absolute())
        return false;
    for (const auto& part : p)
        if (part == "..")
            return false;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::printf("Usage: brindlemox-levelbuilder DESCRIPTION OUTDIR\n"
                    "Builds the level geometry and light map of DESCRIPTION into OUTDIR (at the\n"
                    "description's model and texture paths). See docs/LEVELS.md.\n");
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: brindlemox-levelbuilder DESCRIPTION OUTDIR\n");
        return 2;
    }
    try {
        const levels::LevelDescription level = levels::readLevel(argv[1]);
        for (const std::string* path : {&level.modelPath, &level.texturePath})
            if (!staysInside(*path)) {
                std::fprintf(stderr, "%s: the path %s leaves OUTDIR (relative, without '..')\n",
                             argv[1], path->c_str());
                return 1;
            }
        if (level.format != "obj" && level.format != "fbxa") {
            std::fprintf(stderr, "%s: the model format is obj or fbxa, not '%s'\n", argv[1],
                         level.format.c_str());
            return 1;
        }
        std::printf("Building %s into %s\n", argv[1], argv[2]);
        assets::writeLevel(level, argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "brindlemox-levelbuilder: %s\n", e.what());
        return 1;
    }
    return 0;
}
