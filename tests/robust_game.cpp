// The real game started on damaged copies of its data folder: every file missing in turn, then
// replaced by garbage, then cut short, and odd configuration files. Each run plays 300 frames
// through both levels and must print what the game prints for that failure, and go on.
// Hostile data (files that never end, devices, folders where files belong, tiny files that
// decode to gigabytes, looping or very deep model graphs, expressions too deep to compile) is
// played in a child process under a time bound, with its peak memory measured.
#include "app/Game.h"
#include "effects/ParticleSystem.h"
#include "gameplay/VulnerableWall.h"
#include "levels/Level.h"
#include "platform/Controls.h"
#include "platform/GlDebug.h"
#include "support/ChildRun.h"
#include "support/Environment.h"
#include "support/Files.h"
#include "support/FullDisk.h"
#include "support/HostileFiles.h"
#include "support/OpenedGame.h"
#include "support/ScriptedPlatform.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <list>
#include <random>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace brindlemox::platform;
using namespace brindlemox::effects;
using namespace brindlemox::gameplay;
using namespace brindlemox::levels;
using namespace brindlemox::app;

namespace fs = std::filesystem;

namespace {

using testfiles::readFile;
using testfiles::writeFile;

const fs::path DataDir = BRINDLEMOX_TEST_DATA_DIR;

// A copy of the data folder with a small window, so 300 frames stay quick on a software renderer.
fs::path freshCopy(const std::string& name) {
    fs::path copy = fs::path(::testing::TempDir()) / ("brindlemox_robust_" + name);
    fs::remove_all(copy);
    fs::copy(DataDir, copy, fs::copy_options::recursive);
    writeFile(copy / "Config/config.txt", "width=200\nheight=150\n");
    return copy;
}

struct GameRun {
    std::string output;
    bool reachedLevelTwo = false;
    int frames = 0;
};

// Plays 300 frames: 150 in Level 1, then its walls fall and 150 more in Level 2.
GameRun play(const fs::path& folder) {
    GameRun run;
    gldebug::clear();
    char previous[4096];
    if (getcwd(previous, sizeof previous) == nullptr)
        return run;
    if (chdir(folder.c_str()) != 0)
        return run;
    ScriptedPlatform keys;
    std::fflush(stdout);
    testing::internal::CaptureStderr();
    {
        const std::unique_ptr<Game> opened = testgame::open();
        Game& game = *opened;
        for (int frame = 0; frame < 300; ++frame) {
            keys.advance(1.0 / 60.0);
            if (frame == 150) {
                if (auto* level = dynamic_cast<Level*>(game.getCurrentLevel()))
                    for (VulnerableWall* wall : level->getObjectives())
                        wall->takeHit(1000.0f, 1.0f);
            }
            game.frame();
            ++run.frames;
        }
        run.reachedLevelTwo = game.getNextLevelIndex() == 2;
    }
    std::fflush(stdout);
    run.output = testing::internal::GetCapturedStderr();
    EXPECT_EQ(gldebug::errorCount(), 0)
        << "GL errors, first: " << (gldebug::errors().empty() ? "" : gldebug::errors()[0]);
    gldebug::clear();
    if (chdir(previous) != 0)
        ADD_FAILURE() << "cannot return to " << previous;
    return run;
}

// Every file the game's two levels read. The light-map stage with the sheen is for maps with a
// specular colour; neither level's map has one (their matte stage is in the list). The physics
// debug drawer's stages are for tools, and the pool room is played only with --level-file. The
// maps are read before the window opens, and one that cannot be read is refused (BadLevelFile,
// HostileData).
std::vector<std::string> dataFiles() {
    const std::set<std::string> unread = {"lightMapFS.fs", "debugDrawVS.vs", "debugDrawFS.fs",
                                          "level3.fbx",    "level3.png",     "level1.2.obj",
                                          "level2.fbx"};
    std::vector<std::string> files;
    for (const char* folder : {"Obj", "Shader", "Texture", "Fonts"})
        for (const auto& entry : fs::directory_iterator(DataDir / folder))
            if (entry.is_regular_file() && entry.path().extension() != ".mtl" &&
                unread.count(entry.path().filename().string()) == 0)
                files.push_back(std::string(folder) + "/" + entry.path().filename().string());
    std::sort(files.begin(), files.end());
    return files;
}

// What the game prints when the file at path (relative to the data folder) is missing.
std::string missingLine(const std::string& path) {
    if (path.rfind("Shader/", 0) == 0)
        return "Impossible to open " + path + ". Are you in the right directory ?\n";
    if (path.rfind("Obj/", 0) == 0)
        return "error loading model " + path + "\n";
    if (path.rfind("Texture/", 0) == 0)
        return "Failed to load texture " + path + "\n";
    return "ERROR::FREETYPE: Failed to load font\n";
}

// What the game prints when a shader is there but cannot be used (not a regular file, too big).
std::string refusedShaderLine(const std::string& path, const std::string& why) {
    return "Impossible to open " + path + ": " + why + "\n";
}

std::string safeName(std::string path) {
    for (char& c : path)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return path;
}

class MissingFile : public ::testing::TestWithParam<std::string> {};
class GarbageFile : public ::testing::TestWithParam<std::string> {};
class TruncatedFile : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST(Robustness, IntactDataPlaysBothLevelsQuietly) {
    GameRun run = play(freshCopy("intact"));
    EXPECT_EQ(run.frames, 300);
    EXPECT_TRUE(run.reachedLevelTwo);
    EXPECT_EQ(run.output.find("Failed"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("error loading model"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Impossible"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("ERROR"), std::string::npos) << run.output;
}

TEST_P(MissingFile, IsReportedAndTheGameGoesOn) {
    const std::string path = GetParam();
    fs::path copy = freshCopy("missing_" + safeName(path));
    fs::remove(copy / path);
    GameRun run = play(copy);
    EXPECT_EQ(run.frames, 300);
    EXPECT_TRUE(run.reachedLevelTwo);
    EXPECT_NE(run.output.find(missingLine(path)), std::string::npos) << run.output;
}

TEST_P(GarbageFile, LeavesTheGameRunning) {
    const std::string path = GetParam();
    fs::path copy = freshCopy("garbage_" + safeName(path));
    std::mt19937 random(7);
    std::string junk(4096, '\0');
    for (char& c : junk)
        c = static_cast<char>(random());
    writeFile(copy / path, junk);
    GameRun run = play(copy);
    EXPECT_EQ(run.frames, 300);
    EXPECT_TRUE(run.reachedLevelTwo);
    if (path.rfind("Texture/", 0) == 0 || path.rfind("Fonts/", 0) == 0) {
        EXPECT_NE(run.output.find(missingLine(path)), std::string::npos) << run.output;
    }
}

TEST_P(TruncatedFile, LeavesTheGameRunning) {
    const std::string path = GetParam();
    fs::path copy = freshCopy("truncated_" + safeName(path));
    const auto size = fs::file_size(copy / path);
    fs::resize_file(copy / path, size / 3);
    GameRun run = play(copy);
    EXPECT_EQ(run.frames, 300);
    EXPECT_TRUE(run.reachedLevelTwo);
}

INSTANTIATE_TEST_SUITE_P(DataFiles, MissingFile, ::testing::ValuesIn(dataFiles()),
                         [](const auto& info) { return safeName(info.param); });
INSTANTIATE_TEST_SUITE_P(DataFiles, GarbageFile, ::testing::ValuesIn(dataFiles()),
                         [](const auto& info) { return safeName(info.param); });
INSTANTIATE_TEST_SUITE_P(DataFiles, TruncatedFile, ::testing::ValuesIn(dataFiles()),
                         [](const auto& info) { return safeName(info.param); });

TEST(Robustness, ADriverWithoutTransformFeedbackObjectsPlaysWithoutSparks) {
    // The driver reads these when the process makes its first context, so a fresh process (the
    // death-test child) plays: a GL 3.3 driver without ARB_transform_feedback2.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("MESA_GL_VERSION_OVERRIDE", "3.3", 1);
            setenv("MESA_EXTENSION_OVERRIDE", "-GL_ARB_transform_feedback2", 1);
            const GameRun run = play(freshCopy("gl33"));
            const size_t said = run.output.find(ParticleSystem::NotOfferedLine);
            const bool once =
                said != std::string::npos &&
                run.output.find(ParticleSystem::NotOfferedLine, said + 1) == std::string::npos;
            std::fprintf(stderr, "%s\nframes %d, level two %d, said once %d\n", run.output.c_str(),
                         run.frames, run.reachedLevelTwo, once);
            std::exit(once && run.frames == 300 && run.reachedLevelTwo ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "said once 1");
}

TEST(Robustness, OddConfigurationLinesAreHarmless) {
    const char* configs[] = {
        "brightness=99999999999999999999999\nlevels=-99999999999999999999\n"
        "horizontalSensivity=99999999999999999999\nrefreshRate=-1\nwidth=200\nheight=150",
        "width=200\r\nheight=150\r\nfullscreen=no\r\nbrightness=\x01\xff\r\n\x00\x00\x00=\r\n",
        nullptr};
    int index = 0;
    for (const char** text = configs; *text != nullptr; ++text, ++index) {
        fs::path copy = freshCopy("config_" + std::to_string(index));
        writeFile(copy / "Config/config.txt", *text);
        GameRun run = play(copy);
        EXPECT_EQ(run.frames, 300);
        EXPECT_EQ(run.output.find("Failed"), std::string::npos) << run.output;
    }
    // A very long line and a missing final newline.
    fs::path copy = freshCopy("config_long");
    writeFile(copy / "Config/config.txt", std::string(1 << 20, 'x') + "=1\nlevels=" +
                                              std::string(100000, '7') + "\nwidth=200\nheight=150");
    GameRun run = play(copy);
    EXPECT_EQ(run.frames, 300);
    // No configuration file at all leaves the defaults (a 1024 x 860 window).
    fs::path none = freshCopy("config_none");
    fs::remove(none / "Config/config.txt");
    EXPECT_EQ(play(none).frames, 300);
}

namespace {

// What the child's summary line says, or -1 for what it does not.
struct Summary {
    int frames = -1;
    int nextLevel = -1;
    int glErrors = -1;
    int width = -1;
};

Summary summaryOf(const std::string& output) {
    Summary summary;
    const size_t at = output.rfind("[scripted run] frames=");
    if (at == std::string::npos)
        return summary;
    std::sscanf(output.c_str() + at, "[scripted run] frames=%d nextLevel=%d glErrors=%d width=%d",
                &summary.frames, &summary.nextLevel, &summary.glErrors, &summary.width);
    return summary;
}

childrun::Result playInChild(const fs::path& folder) {
    childrun::Limits limits;
    // A shorter bound for runs that are expected to hang (before a fix).
    if (const char* seconds = std::getenv("BRINDLEMOX_CHILD_SECONDS"))
        limits.time = std::chrono::seconds(std::max(1, std::atoi(seconds)));
    return childrun::run({BRINDLEMOX_SCRIPTED_RUN, folder.string()}, limits);
}

// Peak resident memory of an intact run: what every big-file case is measured against.
long intactPeakKb() {
    static const long peak = [] {
        const childrun::Result run = playInChild(freshCopy("child_intact"));
        EXPECT_TRUE(run.exited && run.exitCode == 0) << run.describe();
        return run.peakKb;
    }();
    return peak;
}

// A big-file case may cost this much more than an intact run at its peak.
constexpr long MemoryAllowanceKb = 256L * 1024;

void makeFifo(const fs::path& path) {
    fs::remove_all(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0644), 0) << path;
}

void linkToZeros(const fs::path& path) {
    fs::remove_all(path);
    fs::create_symlink("/dev/zero", path);
}

void makeFolder(const fs::path& path) {
    fs::remove_all(path);
    fs::create_directory(path);
}

// A fragment shader whose one statement adds up a value 40000 times: about 80 KB on one line.
std::string shaderOfOneHugeExpression() {
    std::string sum = "a";
    for (int i = 0; i < 40000; ++i)
        sum += "+a";
    return "#version 330 core\nuniform float alpha;\nout vec4 colour;\nvoid main() {\n"
           "    float a = alpha;\n    colour = vec4(" +
           sum + ");\n}\n";
}

// The level 2 model with extra model records and connections, its first model being first.
void editLevel2(
    const fs::path& copy,
    const std::function<std::pair<std::string, std::string>(const std::string&)>& objectsAndLinks) {
    const fs::path path = copy / "Obj/level2.fbx";
    const std::string text = readFile(path);
    const auto [objects, links] = objectsAndLinks(hostile::firstFbxModel(text));
    const std::string edited = hostile::withFbxLines(text, objects, links);
    ASSERT_FALSE(edited.empty()) << "Obj/level2.fbx is not the ASCII FBX the builder writes";
    writeFile(path, edited);
}

std::string nullModel(long long id) {
    return "\tModel: " + std::to_string(id) + ", \"Model::extra" + std::to_string(id) +
           "\", \"Null\" {\n\t\tVersion: 232\n\t}\n";
}

std::string link(const std::string& child, const std::string& parent) {
    return "\tC: \"OO\", " + child + ", " + parent + "\n";
}

struct HostileCase {
    std::string name;
    std::function<void(const fs::path& copy)> damage;
    // Lines the game must print.
    std::vector<std::string> lines = {};
    // Whether the case is about memory: its peak is checked against an intact run's.
    bool bigFile = false;
    // The window width the configuration must give (0: not checked).
    int width = 0;
    // Whether each line must appear exactly once (said once for the whole game).
    bool once = false;
    // The child's environment: "@" in a value stands for the copy's path, "" unsets.
    std::vector<std::pair<std::string, std::string>> environment = {};
    // Checks after the run (what the run must have left alone).
    std::function<void(const fs::path& copy)> verify = nullptr;
    // Whether the game refuses to start (a level's map): exit code 1 and the lines, no frames.
    bool refused = false;
};

// Sets the child's environment for the life of the object.
class ChildEnvironment {
  public:
    ChildEnvironment(const std::vector<std::pair<std::string, std::string>>& values,
                     const fs::path& copy) {
        for (const auto& [name, value] : values) {
            std::string v = value;
            if (const size_t at = v.find('@'); at != std::string::npos)
                v.replace(at, 1, copy.string());
            set.emplace_back(name, v.empty() ? nullptr : v.c_str());
        }
    }

  private:
    std::list<testenv::ScopedVariable> set;
};

// A small tmpfs at path, filled up; false where mounting is not allowed.
// Cache entries of an intact run, each replaced by a link to a victim file that must not change.
void plantCacheLinks(const fs::path& copy) {
    ChildEnvironment cache({{"XDG_CACHE_HOME", "@/cache"}}, copy);
    const childrun::Result warmUp = playInChild(copy);
    ASSERT_TRUE(warmUp.exited && warmUp.exitCode == 0) << warmUp.describe();
    const fs::path entries = copy / "cache/brindlemox/mipmaps";
    writeFile(copy / "victim", "untouched");
    int planted = 0;
    for (const auto& entry : fs::directory_iterator(entries)) {
        fs::remove(entry.path());
        fs::create_symlink(copy / "victim", entry.path());
        ++planted;
    }
    ASSERT_GT(planted, 0) << "no cache entries in " << entries;
}

void victimUntouched(const fs::path& copy) {
    EXPECT_EQ(readFile(copy / "victim"), "untouched");
    for (const auto& entry : fs::directory_iterator(copy / "cache/brindlemox/mipmaps"))
        EXPECT_FALSE(fs::is_symlink(entry.path())) << entry.path() << " is still a link";
}

const std::string MaterialFileRefused =
    "Obj/level1.2.obj: the material file Obj/level1.2.mtl cannot be read (";
// The line refusing level N's map, before any window: "Levels/levelN.txt:LINE: map ...".
std::string mapRefused(int level, const std::string& why) {
    const std::string file = "Levels/level" + std::to_string(level) + ".txt";
    std::istringstream lines(readFile(DataDir / file));
    std::string line, map;
    for (int number = 1; std::getline(lines, line); ++number)
        if (line.rfind("map ", 0) == 0) {
            std::istringstream words(line);
            std::string key;
            words >> key >> map;
            return file + ":" + std::to_string(number) + ": map " + map + " cannot be read (" +
                   why + ")\n";
        }
    return "no map line in " + file;
}
const std::string LevelTwoLoops =
    mapRefused(2, "a model is its own ancestor in the node hierarchy");

std::vector<HostileCase> hostileCases() {
    using namespace std::string_literals;
    std::vector<HostileCase> cases;
    // Started from the wrong folder, or with the shaders missing: no program links, and nothing
    // may touch uniforms without one.
    cases.push_back({"NoShaderFolder",
                     [](const fs::path& copy) { fs::remove_all(copy / "Shader"); },
                     {missingLine("Shader/extendedVS.vs")}});
    // The level files are what the game cannot play without (a missing one is refused at once).
    cases.push_back({"StartedFromAFolderWithOnlyTheLevels",
                     [](const fs::path& copy) {
                         for (const auto& entry : fs::directory_iterator(copy))
                             if (entry.path().filename() != "Levels")
                                 fs::remove_all(entry.path());
                     },
                     {mapRefused(1, "No such file or directory")}});
    cases.back().refused = true;
    // Files that never end: named pipes, and links to an endless device. The player's own
    // config (under XDG_CONFIG_HOME) is refused like the data folder's.
    const std::string playersConfig = "player/brindlemox/config.txt";
    const auto configCase = [&playersConfig](HostileCase& c, const std::string& file) {
        c.lines = {file + " is not a regular file: it is ignored and the defaults are used\n"};
        // The defaults, or the data folder's config under the player's.
        c.width = file == playersConfig ? 200 : 1024;
        if (file == playersConfig)
            c.environment = {{"XDG_CONFIG_HOME", "@/player"}};
    };
    for (const std::string& file :
         {"Config/config.txt"s, playersConfig, "Shader/textFS.fs"s, "Texture/waterDUDV.png"s,
          "Obj/cell.obj"s, "Obj/level1.2.mtl"s, "Fonts/hud.ttf"s}) {
        HostileCase fifo{"Fifo_" + safeName(file), [file](const fs::path& copy) {
                             fs::create_directories((copy / file).parent_path());
                             makeFifo(copy / file);
                         }};
        if (file.find("config.txt") != std::string::npos)
            configCase(fifo, file);
        else if (file.rfind("Shader/", 0) == 0)
            fifo.lines = {refusedShaderLine(file, "not a regular file")};
        else if (file.find(".mtl") != std::string::npos)
            fifo.lines = {MaterialFileRefused + "not a regular file); it is drawn without it\n"};
        else
            fifo.lines = {missingLine(file)};
        cases.push_back(fifo);
    }
    for (const std::string& file :
         {"Config/config.txt"s, playersConfig, "Shader/extendedFS.fs"s, "Texture/normalMap.png"s,
          "Obj/level2.fbx"s, "Fonts/hud.ttf"s}) {
        HostileCase zeros{"EndlessZeros_" + safeName(file), [file](const fs::path& copy) {
                              fs::create_directories((copy / file).parent_path());
                              linkToZeros(copy / file);
                          }};
        zeros.bigFile = true;
        if (file.find("config.txt") != std::string::npos)
            configCase(zeros, file);
        else if (file.rfind("Shader/", 0) == 0)
            zeros.lines = {refusedShaderLine(file, "not a regular file")};
        else if (file == "Obj/level2.fbx")
            zeros.lines = {mapRefused(2, "not a regular file")};
        else
            zeros.lines = {missingLine(file)};
        zeros.refused = file == "Obj/level2.fbx";
        cases.push_back(zeros);
    }
    // A folder where a file belongs.
    cases.push_back({"ModelIsAFolder",
                     [](const fs::path& copy) { makeFolder(copy / "Obj/cell.obj"); },
                     {missingLine("Obj/cell.obj")}});
    cases.push_back({"ShaderIsAFolder",
                     [](const fs::path& copy) { makeFolder(copy / "Shader/textVS.vs"); },
                     {refusedShaderLine("Shader/textVS.vs", "not a regular file")}});
    cases.push_back({"ShaderOverOneMegabyte",
                     [](const fs::path& copy) {
                         writeFile(copy / "Shader/textFS.fs",
                                   "#version 330 core\n" + std::string(2 << 20, '\n'));
                     },
                     {refusedShaderLine("Shader/textFS.fs", "larger than 1 MB")}});
    // Materials that cannot be read: the level would draw black without a word.
    cases.push_back({"MaterialFileMissing",
                     [](const fs::path& copy) { fs::remove(copy / "Obj/level1.2.mtl"); },
                     {MaterialFileRefused + "No such file or directory); it is drawn without it\n"},
                     false,
                     0,
                     true});
    cases.push_back(
        {"LevelMapTextureTheImporterCannotTake",
         [](const fs::path& copy) {
             std::string mtl = readFile(copy / "Obj/level1.2.mtl");
             const size_t at = mtl.find("map_Kd");
             ASSERT_NE(at, std::string::npos);
             writeFile(copy / "Obj/level1.2.mtl",
                       mtl.substr(0, at) + "map_Kd\n" + mtl.substr(mtl.find('\n', at) + 1));
         },
         {"Obj/level1.2.obj: a material of the level map names no texture the game can take; "
          "that part is drawn black\n"}});
    // A file the importer reads as a complete scene without a single mesh.
    cases.push_back({"ModelWithoutMeshes",
                     [](const fs::path& copy) {
                         writeFile(copy / "Obj/simpleWall.obj",
                                   "# a wall without geometry\no wall\ng slab\nusemtl none\n");
                     },
                     {missingLine("Obj/simpleWall.obj")}});
    // Images beyond what the driver or the memory takes.
    cases.push_back({"TextureWiderThanAnyDriverTakes",
                     [](const fs::path& copy) {
                         ASSERT_TRUE(hostile::writeBlackPng(
                             (copy / "Texture/waterDUDV.png").string(), 65536, 1));
                     },
                     {missingLine("Texture/waterDUDV.png")}});
    cases.push_back({"TextureOfAQuarterGigapixel",
                     [](const fs::path& copy) {
                         ASSERT_TRUE(hostile::writeBlackPng(
                             (copy / "Texture/normalMap.png").string(), 16384, 16384));
                     },
                     {missingLine("Texture/normalMap.png")},
                     true});
    // A font of a few hundred bytes whose glyphs are 160 times the requested size.
    cases.push_back({"FontWithGiantGlyphs",
                     [](const fs::path& copy) {
                         writeFile(copy / "Fonts/hud.ttf", hostile::trueTypeFont(16, 2560));
                     },
                     {"ERROR::FREETYPE: Skipped 94 glyphs of Fonts/hud.ttf far larger than 25 "
                      "pixels\n",
                      "ERROR::FREETYPE: Skipped 94 glyphs of Fonts/hud.ttf far larger than 30 "
                      "pixels\n",
                      "ERROR::FREETYPE: Skipped 94 glyphs of Fonts/hud.ttf far larger than 40 "
                      "pixels\n"},
                     true,
                     0,
                     true});
    cases.push_back({"FontWithoutOutlines",
                     [](const fs::path& copy) {
                         writeFile(copy / "Fonts/hud.ttf", hostile::trueTypeFont(1000, 0));
                     },
                     {"ERROR::FREETYPE: Fonts/hud.ttf has no glyph outlines; the HUD text "
                      "cannot be drawn\n"},
                     false,
                     0,
                     true});
    // Configuration text the reader must not choke on.
    cases.push_back({"ConfigOfTenMegabytesOfEquals",
                     [](const fs::path& copy) {
                         writeFile(copy / "Config/config.txt",
                                   "width=200\nheight=150\nlevels=" + std::string(10 << 20, '=') +
                                       "\n");
                     },
                     {"Config/config.txt is larger than 64 KB: it is ignored and the defaults are "
                      "used\n"},
                     true,
                     1024});
    cases.push_back({"ConfigWithByteOrderMark",
                     [](const fs::path& copy) {
                         writeFile(copy / "Config/config.txt",
                                   "\xEF\xBB\xBFwidth=321\nheight=150\n");
                     },
                     {},
                     false,
                     321});
    // Level 2's model graph looping back on itself, or running very deep.
    cases.push_back({"Level2ModelParentedToItself",
                     [](const fs::path& copy) {
                         editLevel2(copy, [](const std::string& model) {
                             return std::make_pair(std::string(), link(model, model));
                         });
                     },
                     {LevelTwoLoops}});
    cases.back().refused = true;
    cases.push_back({"Level2ModelsParentedToEachOther",
                     [](const fs::path& copy) {
                         editLevel2(copy, [](const std::string& model) {
                             return std::make_pair(nullModel(7000001),
                                                   link("7000001", model) + link(model, "7000001"));
                         });
                     },
                     {LevelTwoLoops}});
    cases.back().refused = true;
    cases.push_back({"Level2HierarchyTwentyThousandDeep",
                     [](const fs::path& copy) {
                         editLevel2(copy, [](const std::string& model) {
                             std::string objects, links;
                             std::string parent = model;
                             for (long long id = 7000001; id <= 7020000; ++id) {
                                 objects += nullModel(id);
                                 links += link(std::to_string(id), parent);
                                 parent = std::to_string(id);
                             }
                             return std::make_pair(objects, links);
                         });
                     },
                     {mapRefused(2, "the node hierarchy is more than 256 models deep")}});
    cases.back().refused = true;
    cases.push_back({"Level2NestedThirtyThousandDeep",
                     [](const fs::path& copy) {
                         editLevel2(copy, [](const std::string&) {
                             std::string deep = "\tDeep: ";
                             for (int i = 0; i < 30000; ++i)
                                 deep += "{ D: ";
                             deep += std::string(30000, '}') + "\n";
                             return std::make_pair(deep, std::string());
                         });
                     },
                     {mapRefused(2, "blocks nested more than 64 deep")}});
    cases.back().refused = true;
    cases.push_back(
        {"Level2BinaryModelParentedToItself",
         [](const fs::path& copy) {
             writeFile(copy / "Obj/level2.fbx",
                       hostile::binaryFbxModels({11, 12}, {{11, 0}, {12, 11}, {11, 11}}, 7400));
         },
         {LevelTwoLoops}});
    cases.back().refused = true;
    cases.push_back(
        {"Level2BinaryModelsParentedToEachOther",
         [](const fs::path& copy) {
             writeFile(copy / "Obj/level2.fbx",
                       hostile::binaryFbxModels({11, 12}, {{11, 0}, {12, 11}, {11, 12}}, 7500));
         },
         {LevelTwoLoops}});
    cases.back().refused = true;
    // One expression far deeper than any real shader: the compiler must never see it.
    cases.push_back({"ShaderOfOneHugeExpression",
                     [](const fs::path& copy) {
                         writeFile(copy / "Shader/extendedFS.fs", shaderOfOneHugeExpression());
                     },
                     {"Shader/extendedFS.fs is not compiled: more than 4000 operators in one "
                      "statement\n"}});
    // The mipmap cache with links planted where its entries are: neither read nor written
    // through; the entries are made again as files of their own.
    HostileCase links{"MipmapCacheEntriesArePlantedLinks", plantCacheLinks};
    links.environment = {{"XDG_CACHE_HOME", "@/cache"}};
    links.verify = victimUntouched;
    cases.push_back(links);
    // The cache folder's disk is full: the driver's shader cache is turned off for the run (a new
    // Mesa cache on a full disk dies of SIGBUS), the game's own cache is simply not written. A
    // relative folder is the working directory's (the data folder's), as the driver takes it.
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> environment;
    } fullDisks[] = {
        {"CacheDiskFull", {{"XDG_CACHE_HOME", "@/cache"}, {"MESA_SHADER_CACHE_DIR", ""}}},
        {"CacheDiskFullRelativeXdg",
         {{"XDG_CACHE_HOME", "cache"}, {"MESA_SHADER_CACHE_DIR", ""}, {"HOME", "@/home"}}},
        {"CacheDiskFullRelativeMesa",
         {{"MESA_SHADER_CACHE_DIR", "./cache/../cache"}, {"XDG_CACHE_HOME", "@/roomy"}}},
    };
    for (const auto& disk : fullDisks) {
        HostileCase full{disk.name, [](const fs::path& copy) {
                             if (!fulldisk::mount(copy / "cache"))
                                 GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
                         }};
        full.lines = {"the driver's shader cache is off for this run\n"};
        full.environment = disk.environment;
        full.verify = [](const fs::path& copy) { fulldisk::unmount(copy / "cache"); };
        cases.push_back(full);
    }
    return cases;
}

void PrintTo(const HostileCase& c, std::ostream* out) {
    *out << c.name;
}

class HostileData : public ::testing::TestWithParam<HostileCase> {};

} // namespace

TEST_P(HostileData, IsRefusedAndTheGameGoesOn) {
    const HostileCase& c = GetParam();
    const long baseline = c.bigFile ? intactPeakKb() : 0;
    const fs::path copy = freshCopy("hostile_" + c.name);
    c.damage(copy);
    if (IsSkipped() || HasFatalFailure())
        return;
    const childrun::Result run = [&] {
        ChildEnvironment environment(c.environment, copy);
        return playInChild(copy);
    }();
    if (c.verify)
        c.verify(copy);
    const std::string tail =
        run.output.substr(run.output.size() - std::min<size_t>(run.output.size(), 2000));
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(run.exited && run.exitCode == (c.refused ? 1 : 0)) << run.describe() << "\n"
                                                                   << tail;
    if (c.refused) {
        EXPECT_EQ(run.output, "");
        for (const std::string& line : c.lines)
            EXPECT_NE(run.errors.find(line), std::string::npos) << "missing line: " << line << "\n"
                                                                << run.errors;
        std::printf("%s: %s\n", c.name.c_str(), run.describe().c_str());
        fs::remove_all(copy);
        return;
    }
    const Summary summary = summaryOf(run.output);
    EXPECT_EQ(summary.frames, 300) << run.describe();
    EXPECT_EQ(summary.nextLevel, 2) << "Level 2 was not reached";
    EXPECT_EQ(summary.glErrors, 0) << run.describe() << "\n" << tail;
    // Problems are said on standard error, progress on standard output.
    const std::string said = run.output + run.errors;
    for (const std::string& line : c.lines) {
        const size_t first = said.find(line);
        EXPECT_NE(first, std::string::npos) << "missing line: " << line << "\n" << tail;
        if (c.once && first != std::string::npos) {
            EXPECT_EQ(said.find(line, first + 1), std::string::npos)
                << "said more than once: " << line;
        }
    }
    if (c.width != 0) {
        EXPECT_EQ(summary.width, c.width);
    }
    if (c.bigFile) {
        EXPECT_LE(run.peakKb, baseline + MemoryAllowanceKb)
            << "peak " << run.peakKb / 1024 << " MB against " << baseline / 1024
            << " MB for intact data";
    }
    std::printf("%s: %s\n", c.name.c_str(), run.describe().c_str());
    fs::remove_all(copy);
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileData, ::testing::ValuesIn(hostileCases()),
                         [](const auto& info) { return info.param.name; });

namespace {

// A demo of about 100 MB made of one kind of frame line, or of one line, starting at a level the
// game does not have: read whole, then refused before any window, so the peak is what its frames
// hold.
struct BigDemo {
    const char* name;
    std::string start; // then piece, repeated
    std::string piece;
};

} // namespace

TEST(Robustness, AHundredMegabyteDemoHoldsUnderFourTimesItsSize) {
    std::string toggles = "f 0 key=F2";
    std::string moves = "f 0";
    for (int i = 0; i < 2000; ++i) {
        toggles += ",F4";
        moves += " move=0,0";
    }
    // One line is read word by word, never held as a list of its words or its toggles.
    const std::vector<BigDemo> cases = {
        {"toggles", "", toggles + "\n"},
        {"moves", "", moves + "\n"},
        {"one line of toggles", "f 0 key=F2", ",F4"},
        {"one line of moves", "f 0", " move=0,0"},
        {"gamepad frames", "", "f 0 pad=0.5,0.5,0.5,0.5,0.5,0.5,0\n"},
    };
    for (const BigDemo& c : cases) {
        const fs::path path =
            fs::path(::testing::TempDir()) / ("brindlemox_big_" + std::string(c.name) + ".demo");
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << "brindlemox demo 1\nlevel 7\nwindow 200 150\nsensitivity 50\n" << c.start;
            for (size_t written = 0; written < (100u << 20); written += c.piece.size())
                out << c.piece;
            out << (c.piece.back() == '\n' ? "" : "\n") << "end level=7\n";
        }
        const long fileKb = static_cast<long>(fs::file_size(path) / 1024);
        childrun::Limits limits;
        limits.time = std::chrono::seconds(120);
        const childrun::Result run =
            childrun::run({BRINDLEMOX_GAME_BINARY, "--timedemo", path.string()}, limits);
        EXPECT_TRUE(run.exited && run.exitCode == 1) << c.name << ": " << run.describe();
        EXPECT_NE(run.errors.find("it starts at level 7, and this game has 2"), std::string::npos)
            << c.name << ": " << run.errors;
#ifndef BRINDLEMOX_SANITIZED
        // Under the sanitizers, their shadow memory and the freed blocks they hold back count
        // too: the bound is the plain build's to check.
        EXPECT_LT(run.peakKb, 4 * fileKb) << c.name << ": peak " << run.peakKb / 1024
                                          << " MB for a demo of " << fileKb / 1024 << " MB";
#endif
        std::printf("%s demo of %ld MB: %s\n", c.name, fileKb / 1024, run.describe().c_str());
        fs::remove(path);
    }
}

// Wrong or hostile level files given with --level-file: the real binary refuses each with one
// line naming the file (and the line, when there is one) and exit code 1, before any window
// (it is run without a display, so reaching the window would fail otherwise).
struct BadLevel {
    std::string name;
    std::function<void(const fs::path&)> make; // writes the level file at the path
    std::string expected;                      // what follows "<path>" on the line
};

std::vector<BadLevel> badLevels() {
    const std::string least = "title T\nspawn 0 0 0\nmap Obj/level1.2.obj\n";
    const auto text = [](std::string content) {
        return [content](const fs::path& path) { writeFile(path, content); };
    };
    // A level whose map is at map (relative to the level's folder), made by make.
    const auto besideMap = [](const std::string& map, std::function<void(const fs::path&)> make) {
        return [map, make](const fs::path& path) {
            writeFile(path, "title T\nspawn 0 0 0\nmap " + map + "\n");
            fs::create_directories((path.parent_path() / map).parent_path());
            if (make)
                make(path.parent_path() / map);
        };
    };
    const auto poolRoom = [](const std::string& spawn) {
        return "title T\nspawn " + spawn + "\nmap Obj/level3.fbx lightmap\n";
    };
    std::string manyObjects = least;
    for (int i = 0; i < 2000; ++i)
        manyObjects += "wall 0 0 0\n";
    return {
        {"UnknownKey", text(least + "door 1 2 3\n"), ":4: unknown key 'door'"},
        {"NoMap", text("title T\nspawn 0 0 0\n"), ":2: expected a 'map' line"},
        {"NotFinite", text(least + "water 1 inf 3\n"), ":4: water: expected the water's"},
        {"OutOfRange", text(least + "wall 1 2 3 0 1 2e6\n"), ":4: wall: expected the health"},
        {"RoundsToNothing", text(least + "health 1e-50\n"),
         ":4: health: expected the player's health (a number from 1 to 1000000)"},
        {"TooManyObjects", text(manyObjects), ":2003: wall: expected at most 2000 objects"},
        {"ModelLeavesTheData", text("map ../../../etc/passwd\n"), ":1: map: expected a model"},
        {"AbsoluteModel", text("map /etc/passwd\n"), ":1: map: expected a model path"},
        {"Garbage",
         text(std::string("\x7f"
                          "ELF\x02\x01\x01\0\0",
                          9)),
         ":1: expected text"},
        {"LargerThanOneMiB", text(least + std::string(1u << 20, '#')),
         ": expected a regular file of at most 1 MiB"},
        {"Folder", [](const fs::path& path) { fs::create_directory(path); },
         ": expected a regular file of at most 1 MiB"},
        {"Pipe", [](const fs::path& path) { mkfifo(path.c_str(), 0600); },
         ": expected a regular file of at most 1 MiB"},
        {"EndlessDevice", [](const fs::path& path) { fs::create_symlink("/dev/zero", path); },
         ": expected a regular file of at most 1 MiB"},
        {"Missing", [](const fs::path&) {}, ": no such file"},
        // The system's reason when the file cannot be opened.
        {"LinkLoop", [](const fs::path& path) { fs::create_symlink(path.filename(), path); },
         ": cannot read the level file (Too many levels of symbolic links)"},
        {"UnderAFile",
         [](const fs::path& path) {
             writeFile(path.parent_path() / "plain", "");
             fs::create_symlink("plain/level.txt", path);
         },
         ": cannot read the level file (Not a directory)"},
        // A map that cannot be read, beside the level file: refused with the map's line and the
        // reason, not played as a white void.
        {"MapMissing", besideMap("Obj/none.obj", nullptr),
         ":3: map Obj/none.obj cannot be read (No such file or directory)"},
        {"MapIsAnImage",
         besideMap(
             "Obj/map.png",
             [](const fs::path& map) { ASSERT_TRUE(hostile::writeBlackPng(map.string(), 4, 4)); }),
         ":3: map Obj/map.png cannot be read (not a model the game can read)"},
        {"MapIsAMaterialFile",
         besideMap("Obj/map.mtl",
                   [](const fs::path& map) { writeFile(map, "newmtl a\nKd 1 1 1\n"); }),
         ":3: map Obj/map.mtl cannot be read (not a model the game can read)"},
        {"MapIsAFolder", besideMap("Obj/map.obj", makeFolder),
         ":3: map Obj/map.obj cannot be read (not a regular file)"},
        {"MapIsAPipe", besideMap("Obj/map.obj", makeFifo),
         ":3: map Obj/map.obj cannot be read (not a regular file)"},
        {"MapWithoutMeshes",
         besideMap("Obj/map.obj",
                   [](const fs::path& map) { writeFile(map, "# nothing\no wall\n"); }),
         ":3: map Obj/map.obj cannot be read ("},
        // A spawn in the rock, outside the map or against its faces (the pool room: the room is
        // x -8 to 24, y -2 to 14, z -14 to 14).
        {"SpawnInTheRock", text(poolRoom("4 -30 0")),
         ":2: spawn: expected a point in the map's "
         "open space, not in the rock or outside "
         "the map"},
        {"SpawnOutsideTheMap", text(poolRoom("500 6 0")),
         ":2: spawn: expected a point in the map's"},
        {"SpawnFarAway", text(poolRoom("1e5 1e5 1e5")), ":2: spawn: expected a point in the map's"},
        {"SpawnAgainstTheFloor", text(poolRoom("4 -1.5 0")),
         ":2: spawn: expected room for the player's box (2 units wide) around the point, clear "
         "of the map"},
        {"SpawnAgainstAWall", text(poolRoom("23.5 6 0")), ":2: spawn: expected room for"},
        // A byte-order mark is skipped: the lines keep their numbers.
        {"ByteOrderMark", text("\xEF\xBB\xBF" + least + "door 1 2 3\n"), ":4: unknown key 'door'"},
    };
}

class BadLevelFile : public ::testing::TestWithParam<BadLevel> {};

TEST_P(BadLevelFile, IsRefusedWithOneLineBeforeAnyWindow) {
    const BadLevel& c = GetParam();
    const fs::path folder = fs::path(::testing::TempDir()) / ("brindlemox_level_" + c.name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path level = folder / "level.txt";
    c.make(level);
    const std::string command = "cd '" + DataDir.string() +
                                "' && env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 '" +
                                BRINDLEMOX_GAME_BINARY + "' --level-file '" + level.string() +
                                "' --frames 1 </dev/null >'" + (folder / "out").string() + "' 2>'" +
                                (folder / "err").string() + "'";
    const int status = std::system(command.c_str());
    const std::string err = readFile(folder / "err");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << err;
    EXPECT_EQ(err.rfind(level.string() + c.expected, 0), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(readFile(folder / "out"), "");
    fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Cases, BadLevelFile, ::testing::ValuesIn(badLevels()),
                         [](const auto& info) { return info.param.name; });
