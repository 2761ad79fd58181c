// The level builder and the asset builder, run as a player and the build run them: descriptions
// the builder cannot build are refused with one line (file, line, what was expected) in bounded
// time and memory, outputs that cannot be written leave nothing cut short, and two builds in
// other folders at other times give the same bytes.

#include "platform/Printable.h"
#include "support/ChildRun.h"
#include "support/Files.h"
#include "support/FullDisk.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>

using namespace brindlemox::platform;

namespace fs = std::filesystem;

namespace {

const std::string LevelBuilder = BRINDLEMOX_LEVEL_BUILDER;
const std::string AssetBuilder = BRINDLEMOX_ASSET_BUILDER;
const std::string Descriptions = BRINDLEMOX_LEVEL_DESCRIPTIONS;

using testfiles::ScratchDir;
using testfiles::writeFile;

// Every file under folder and its bytes, by its path inside folder.
std::map<std::string, std::string> filesUnder(const fs::path& folder) {
    std::map<std::string, std::string> files;
    if (fs::is_directory(folder))
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file())
                files[fs::relative(entry.path(), folder).string()] =
                    testfiles::readFile(entry.path());
    return files;
}

std::string repeated(const std::string& line, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += line;
    return text;
}

childrun::Result run(const std::vector<std::string>& command) {
    childrun::Limits limits;
    limits.time = std::chrono::seconds(600);
    limits.memoryCeilingKb = 1024 * 1024;
    return childrun::run(command, limits);
}

// The line a failed run ends with; any line before it is the builder's "Building ..." line.
std::string lastLine(const childrun::Result& run) {
    std::string errors = run.errors;
    if (!errors.empty() && errors.back() == '\n')
        errors.pop_back();
    std::istringstream lines(errors);
    std::string line, last;
    while (std::getline(lines, line)) {
        if (!last.empty()) {
            EXPECT_EQ(last.rfind("Building ", 0), 0u) << run.errors;
        }
        last = line;
    }
    return last;
}

// The level builder refuses description with one line starting as expected: exit code 1, soon,
// in little memory, with nothing written.
void expectRefused(const fs::path& description, const std::string& expected) {
    const fs::path out = description.parent_path() / "out";
    const childrun::Result result = run({LevelBuilder, description.string(), out.string()});
    ASSERT_TRUE(result.started);
    EXPECT_TRUE(result.exited && result.exitCode == 1) << result.describe() << "\n"
                                                       << result.errors;
    EXPECT_EQ(lastLine(result).rfind(printable(description.string()) + expected, 0), 0u)
        << result.errors;
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(filesUnder(out).size(), 0u);
    // Bounds: what the builder measures before it builds costs next to nothing. The time is
    // generous for a busy machine; an unbounded build takes minutes and gigabytes.
    EXPECT_LT(result.seconds, 30.0) << result.describe();
#ifndef BRINDLEMOX_SANITIZED
    // Under the sanitizers their shadow memory and held-back blocks count too.
    EXPECT_LT(result.peakKb, 128 * 1024) << result.describe();
#endif
}

const std::string Head = "model Obj/x.fbx fbxa\ntexture Texture/x.png\n"; // lines 1 and 2
const std::string Room = "open 0 0 0 8 8 8\n";

} // namespace

TEST(LevelBuilder, RefusesWhatItCannotBuildWithFileLineAndReason) {
    // 9,261 rooms of one cell, each a cube of six faces: 55,566 quads.
    std::string cells;
    for (int x = 0; x < 42; x += 2)
        for (int y = 0; y < 42; y += 2)
            for (int z = 0; z < 42; z += 2)
                cells += "open " + std::to_string(x) + " " + std::to_string(y) + " " +
                         std::to_string(z) + " " + std::to_string(x + 1) + " " +
                         std::to_string(y + 1) + " " + std::to_string(z + 1) + "\n";
    const std::string span = ": the boxes would span ";
    const std::string corners = ": open: expected the corners X0 Y0 Z0 X1 Y1 Z1 (a whole number "
                                "from -100000 to 100000)";
    const std::string density =
        ":3: lightmap: expected the texels per world unit (a whole number from 1 to 8)";
    const std::string tile =
        ":3: tile: expected the world units per repeat (a number from 0.25 to 10000)";
    const std::string rock = ": light: expected a point in the open space, not in the rock";
    const struct {
        const char* name;
        std::string text;
        std::string expected; // what follows the description's path
    } Cases[] = {
        {"LargeCube", Head + "open 0 0 0 1300 1300 1300\n",
         ":3: open" + span +
             "1300 x 1300 x 1300 units; expected at most 1000 along each axis and 32000000 "
             "cells in all"},
        {"CubeOf1200", Head + "open 0 0 0 1200 1200 1200\n", ":3: open" + span + "1200 x 1200"},
        {"SlabPastTheCells", Head + Room + "solid 0 0 0 1000 1000 33\n",
         ":4: solid" + span + "1000 x 1000 x 33 units"},
        {"BoxAtTheIntegerLimits", Head + "open -2147483648 0 0 2147483647 1 1\n", ":3" + corners},
        {"FractionalBox", Head + "open 0 0 0 1.5 1 1\n", ":3" + corners},
        {"NanBox", Head + "open 0 0 0 nan 1 1\n", ":3" + corners},
        {"EmptyBox", Head + "open 0 0 0 0 1 1\n",
         ":3: open: expected X0 < X1, Y0 < Y1 and Z0 < Z1 (a box at least one unit deep along "
         "each axis)"},
        {"BoxesAddingUpPastTheCells", Head + repeated("open 0 0 0 1000 178 178\n", 9),
         ":11: open: the boxes' cells would add up to more than 256000000"},
        {"TenThousandAndOneBoxes", Head + repeated("open 0 0 0 1 1 1\n", 10001),
         ":10003: open: expected at most 10000 boxes in a level"},
        {"SurfacePastTheTriangles", Head + cells,
         ":1: model: the level's surface needs more than 100000 triangles"},
        {"LightMapDensityZero", Head + "lightmap 0\n" + Room, density},
        {"LightMapDensityNegative", Head + "lightmap -1\n" + Room, density},
        {"LightMapDensityHuge", Head + "lightmap 2147483647\n" + Room, density},
        {"LightMapPastTheRows", Head + "lightmap 8\nopen 0 0 0 200 200 200\n",
         ":3: lightmap: the light map would take 1024 x "},
        {"LightMapPastTheWork",
         Head + "lightmap 2\nopen 0 0 0 200 100 100\n" + repeated("light 50 50 50 10\n", 64),
         ":3: lightmap: baking 1024 x "},
        {"LightMapInAnObjModel", "model Obj/x.obj obj\ntexture Texture/x.png\nlightmap 2\n" + Room,
         ":3: lightmap: expected the fbxa model format, which keeps the light map's texture "
         "coordinates (line 1)"},
        {"TileZero", Head + "tile 0\n" + Room, tile},
        {"TileDenormal", Head + "tile 1e-45\n" + Room, tile},
        {"TextureIsTheModel", "model Obj/x.fbx fbxa\ntexture Obj/./x.fbx\n" + Room,
         ":2: texture: expected another file than the model's (line 1)"},
        {"LightInTheRock", Head + Room + "light 4 4 4 10\nlight 20 4 4 10\n", ":5" + rock},
        {"LightUnderALaterSolidBox", Head + Room + "light 4 4 4 10\nsolid 2 2 2 6 6 6\n",
         ":4" + rock},
        {"SixtyFiveLights", Head + Room + repeated("light 4 4 4 10\n", 65),
         ":68: light: expected at most 64 lights in a level"},
        {"FormatAgainstTheEnding", "model Obj/x.obj fbxa\n",
         ":1: model: expected a path ending in .fbx for the fbxa format"},
        {"ModelLeavesTheFolder", "model ../x.fbx fbxa\n",
         ":1: model: expected a path inside the output folder (relative, without '..'), not "
         "'../x.fbx'"},
        {"NameThatBreaksTheModel", "name a\"b\n", ":1: name: expected 1 to 64 letters"},
        {"TerminalControlInAKey", Head + "\x1b]0;pwned\x07 1 2\n",
         ":3: unknown key '\\x1b]0;pwned\\x07' (expected name, model"},
        {"ZeroByte", Head + std::string("open\0", 5) + "\n", ":3: expected text, not a zero byte"},
        {"TrailingValue", Head + "open 0 0 0 8 8 8 9\n",
         ":3: open: expected nothing after the values, not '9'"},
        {"GivenTwice", Head + "tile 4\ntile 8\n", ":4: tile: given twice (first on line 3)"},
        {"NoModel", "texture Texture/x.png\n" + Room,
         ":2: expected a 'model' line; the file ends without one"},
        {"NoOpenBox", Head + "solid 0 0 0 1 1 1\n",
         ":3: expected an 'open' box; the file ends without one"},
        {"RouteToNoWall", Head + Room + "wall 4 4 4 0 0 0 1\nroute 1 1 1 1 2 2 2\n",
         ":5: route: expected the index of a wall line (there are 1), not 1"},
    };
    for (const auto& c : Cases) {
        SCOPED_TRACE(c.name);
        const ScratchDir scratch(std::string("builder_") + c.name);
        const fs::path& folder = scratch.root();
        writeFile(folder / "level.txt", c.text);
        expectRefused(folder / "level.txt", c.expected);
    }
}

TEST(LevelBuilder, NamesWhyItCannotReadTheDescription) {
    const struct {
        const char* name;
        void (*make)(const fs::path&);
        const char* reason;
    } Cases[] = {
        {"Missing", [](const fs::path&) {}, "No such file or directory"},
        {"Folder", [](const fs::path& path) { fs::create_directory(path); }, "not a regular file"},
        {"Pipe", [](const fs::path& path) { mkfifo(path.c_str(), 0600); }, "not a regular file"},
        {"EndlessDevice", [](const fs::path& path) { fs::create_symlink("/dev/zero", path); },
         "not a regular file"},
        {"LinkLoop", [](const fs::path& path) { fs::create_symlink(path, path); },
         "Too many levels of symbolic links"},
        {"LargerThanOneMiB",
         [](const fs::path& path) { writeFile(path, Head + Room + std::string(1 << 20, '#')); },
         "larger than 1 MB"},
    };
    for (const auto& c : Cases) {
        SCOPED_TRACE(c.name);
        const ScratchDir scratch(std::string("builder_") + c.name);
        const fs::path& folder = scratch.root();
        // A name that would clear the terminal is shown escaped.
        const fs::path description = folder / "\x1b[2Jlevel.txt";
        c.make(description);
        expectRefused(description, std::string(": cannot read the description (") + c.reason + ")");
    }
}

TEST(LevelBuilder, LeavesNothingCutShortWhenAnOutputCannotBeWritten) {
    const struct {
        const char* name;
        bool (*prepare)(const fs::path& out); // false: not possible here
        const char* limit;                    // shell line run before the builder
        const char* reason;
    } Cases[] = {
        {"FullDisk", [](const fs::path& out) { return fulldisk::mount(out); }, "",
         "No space left on device"},
        {"FileSizeLimit", [](const fs::path&) { return true; }, "ulimit -f 16; trap '' XFSZ;",
         "File too large"},
        {"OutputIsAFile", [](const fs::path& out) { return writeFile(out, "x"), true; }, "",
         "Not a directory"},
    };
    for (const auto& c : Cases) {
        SCOPED_TRACE(c.name);
        const ScratchDir scratch(std::string("builder_") + c.name);
        const fs::path& folder = scratch.root();
        const fs::path out = folder / "out";
        writeFile(folder / "level.txt", Head + Room);
        if (!c.prepare(out)) {
            std::printf("%s: skipped, cannot mount a small tmpfs here (needs root)\n", c.name);
            continue;
        }
        const childrun::Result result =
            run({"/bin/sh", "-c",
                 std::string(c.limit) + " exec '" + LevelBuilder + "' '" +
                     (folder / "level.txt").string() + "' '" + out.string() + "'"});
        EXPECT_TRUE(result.exited && result.exitCode == 1) << result.describe() << result.errors;
        EXPECT_EQ(lastLine(result),
                  "cannot write " + (out / "Texture/x.png").string() + ": " + c.reason);
        std::map<std::string, std::string> left = filesUnder(out);
        left.erase("filler");
        EXPECT_EQ(left.size(), 0u) << left.begin()->first;
        if (std::string(c.name) == "FullDisk")
            fulldisk::unmount(out);
    }
}

TEST(LevelBuilder, ReadsAByteOrderMarkAndWindowsLineEnds) {
    const ScratchDir scratch("builder_accepted");
    const fs::path& folder = scratch.root();
    writeFile(folder / "level.txt", "\xef\xbb\xbfname accepted\r\nmodel Obj/x.fbx fbxa\r\n"
                                    "texture Texture/x.png\r\nlightmap 8\r\ntile 0.25\r\n"
                                    "open 0 0 0 8 8 8 # a room\r\nlight 4 4 4 10\r\n");
    const childrun::Result result =
        run({LevelBuilder, (folder / "level.txt").string(), (folder / "out").string()});
    EXPECT_TRUE(result.exited && result.exitCode == 0) << result.describe() << result.errors;
    EXPECT_NE(result.errors.find("  accepted built in "), std::string::npos) << result.errors;
    const std::map<std::string, std::string> files = filesUnder(folder / "out");
    ASSERT_EQ(files.size(), 2u);
    EXPECT_GT(files.at("Obj/x.fbx").size(), 1000u);
    EXPECT_EQ(files.at("Texture/x.png").substr(1, 3), "PNG");
}

// The build writes no time and no folder into the data: another folder (named relatively, from
// another working folder) at a time five hours and 45 minutes away gives the same bytes.
TEST(AssetBuilder, BuildsTheSameBytesInAnotherFolderAtAnotherTime) {
    const ScratchDir oneScratch("builder_one"), twoScratch("builder_two");
    const fs::path& one = oneScratch.root();
    const fs::path two = twoScratch.root() / "somewhere" / "deeper";
    fs::create_directories(two);
    const childrun::Result first = run({"/usr/bin/env", "-C", one.string(), "TZ=UTC0", AssetBuilder,
                                        "data", Descriptions, "icons"});
    const childrun::Result second =
        run({"/usr/bin/env", "TZ=NPT-5:45", AssetBuilder, (two / "data").string(), Descriptions,
             (two / "icons").string()});
    ASSERT_TRUE(first.exited && first.exitCode == 0) << first.describe() << first.errors;
    ASSERT_TRUE(second.exited && second.exitCode == 0) << second.describe() << second.errors;
    const std::map<std::string, std::string> built = filesUnder(one), again = filesUnder(two);
    std::string differing;
    for (const auto& [name, bytes] : built)
        if (again.count(name) == 0 || again.at(name) != bytes)
            differing += " " + name;
    for (const auto& [name, bytes] : again)
        if (built.count(name) == 0)
            differing += " " + name;
    EXPECT_EQ(differing, "");
    EXPECT_EQ(built.count("data/Obj/level2.fbx") + built.count("data/Obj/level3.fbx") +
                  built.count("data/Sound/won.wav") +
                  built.count("icons/48x48/apps/brindlemox.png"),
              4u);
}
