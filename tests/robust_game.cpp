// The real game started on damaged copies of its data folder: every file missing in turn, then
// replaced by garbage, then cut short, and odd configuration files. Each run plays 300 frames
// through both levels and must print what the game prints for that failure, and go on.
#include "app/Controls.h"
#include "app/Game.h"
#include "effects/ParticleSystem.h"
#include "gameplay/VulnerableWall.h"
#include "levels/Level.h"
#include "render/GlDebug.h"
#include "support/ScriptedPlatform.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const fs::path DataDir = BRINDLEMOX_TEST_DATA_DIR;

// A copy of the data folder with a small window, so 300 frames stay quick on a software renderer.
fs::path freshCopy(const std::string& name) {
    fs::path copy = fs::path(::testing::TempDir()) / ("brindlemox_robust_" + name);
    fs::remove_all(copy);
    fs::copy(DataDir, copy, fs::copy_options::recursive);
    std::ofstream(copy / "Config/config.txt", std::ios::trunc) << "width=200\nheight=150\n";
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
    Controls::resetSharedState();
    ScriptedPlatform keys;
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    {
        Game game;
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
    run.output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(gldebug::errorCount(), 0)
        << "GL errors, first: " << (gldebug::errors().empty() ? "" : gldebug::errors()[0]);
    gldebug::clear();
    Controls::resetSharedState();
    chdir(previous);
    return run;
}

std::vector<std::string> dataFiles() {
    std::vector<std::string> files;
    for (const char* folder : {"Obj", "Shader", "Texture", "Fonts"})
        for (const auto& entry : fs::directory_iterator(DataDir / folder))
            if (entry.is_regular_file() && entry.path().extension() != ".mtl")
                files.push_back(std::string(folder) + "/" + entry.path().filename().string());
    std::sort(files.begin(), files.end());
    return files;
}

// What the game prints when the file at path (relative to the data folder) is missing.
std::string missingLine(const std::string& path) {
    if (path.rfind("Shader/", 0) == 0)
        return "Impossible to open " + path + ". Are you in the right directory ?\n";
    if (path.rfind("Obj/", 0) == 0)
        return "\n\nerror loading model " + path + "\n\n";
    if (path.rfind("Texture/", 0) == 0)
        return "Failed to load texture " + path + "\n";
    return "ERROR::FREETYPE: Failed to load font\n";
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
    std::ofstream(copy / path, std::ios::binary | std::ios::trunc) << junk;
    GameRun run = play(copy);
    EXPECT_EQ(run.frames, 300);
    EXPECT_TRUE(run.reachedLevelTwo);
    if (path.rfind("Texture/", 0) == 0 || path.rfind("Fonts/", 0) == 0)
        EXPECT_NE(run.output.find(missingLine(path)), std::string::npos) << run.output;
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
        std::ofstream(copy / "Config/config.txt", std::ios::binary | std::ios::trunc) << *text;
        GameRun run = play(copy);
        EXPECT_EQ(run.frames, 300);
        EXPECT_EQ(run.output.find("Failed"), std::string::npos) << run.output;
    }
    // A very long line and a missing final newline.
    fs::path copy = freshCopy("config_long");
    std::ofstream(copy / "Config/config.txt", std::ios::binary | std::ios::trunc)
        << std::string(1 << 20, 'x') << "=1\nlevels=" << std::string(100000, '7')
        << "\nwidth=200\nheight=150";
    GameRun run = play(copy);
    EXPECT_EQ(run.frames, 300);
    // No configuration file at all leaves the defaults (a 1024 x 860 window).
    fs::path none = freshCopy("config_none");
    fs::remove(none / "Config/config.txt");
    EXPECT_EQ(play(none).frames, 300);
}
