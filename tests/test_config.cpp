#include "platform/Config.h"
#include "platform/PlayerFiles.h"
#include "support/Environment.h"
#include "support/Files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace brindlemox::platform;

namespace fs = std::filesystem;

namespace {

// Peak resident memory the action adds, in kB, measured in a child process so that nothing the
// test process did before counts.
long peakGrowthKb(const std::function<void()>& action) {
    int channel[2];
    if (pipe(channel) != 0)
        return -1;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        action();
        getrusage(RUSAGE_SELF, &after);
        const long growth = after.ru_maxrss - before.ru_maxrss;
        const ssize_t written = write(channel[1], &growth, sizeof growth);
        _exit(written == sizeof growth ? 0 : 1);
    }
    close(channel[1]);
    long growth = -1;
    if (read(channel[0], &growth, sizeof growth) != sizeof growth)
        growth = -1;
    close(channel[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return growth;
}

using testenv::ScopedVariable;
using testfiles::readFile;
using testfiles::writeFile;

} // namespace

TEST(Config, EachLineSetsItsKeyOrSaysWhatIsWrong) {
    const auto width = [](const Config& c) { return c.width; };
    const auto height = [](const Config& c) { return c.height; };
    const auto brightness = [](const Config& c) { return c.brightness; };
    const auto levels = [](const Config& c) { return c.levels; };
    const auto refresh = [](const Config& c) { return c.refreshRate; };
    const auto sensitivity = [](const Config& c) { return c.mouseSensitivity; };
    const auto fullscreen = [](const Config& c) { return c.fullscreen ? 1.0 : 0.0; };
    const auto fov = [](const Config& c) { return c.fov; };
    const auto invert = [](const Config& c) { return c.invertMouse ? 1.0 : 0.0; };
    const auto vsync = [](const Config& c) { return c.vsync ? 1.0 : 0.0; };
    const auto volume = [](const Config& c) { return c.volume; };
    const auto zone = [](const Config& c) { return c.gamepadDeadzone; };
    const auto timer = [](const Config& c) { return c.timer ? 1.0 : 0.0; };
    const struct {
        std::string text;
        std::function<double(const Config&)> field;
        double expected;
        std::string problem; // "" for none
    } cases[] = {
        // The defaults.
        {"", width, 1024, ""},
        {"", height, 860, ""},
        {"", refresh, 60, ""},
        {"", brightness, 50, ""},
        {"", levels, 4, ""},
        {"", fullscreen, 0, ""},
        {"", sensitivity, 50, ""},
        {"", fov, 40, ""},
        {"", invert, 0, ""},
        {"", vsync, 1, ""},
        {"", volume, 80, ""},
        {"", zone, 0.15f, ""},
        {"", timer, 0, ""},
        // The older keys read a leading whole number, as the game always has.
        {"width=800", width, 800, ""},
        {"height=720px", height, 720, ""},
        {"height=abc", height, 0, ""},
        {"height= 700", height, 700, ""},
        {"height=700=900", height, 700, ""}, // the value ends at the second "="
        {"brightness=-20", brightness, -20, ""},
        {"brightness=+7", brightness, 7, ""},
        {"refreshRate=144", refresh, 144, ""},
        {"width=99999999999999999999999", width, INT_MAX, ""},
        {"width=-99999999999999999999999", width, INT_MIN, ""},
        {"width=2147483648", width, INT_MAX, ""},
        {"width=-2147483648", width, INT_MIN, ""},
        {"mouseSensitivity=12.7", sensitivity, 12, ""},
        {"horizontalSensivity=2.9", sensitivity, 2, ""},
        {"mouseSensitivity=30\nhorizontalSensivity=20", sensitivity, 20, ""},
        {"fullscreen=yes", fullscreen, 1, ""},
        {"fullscreen=true", fullscreen, 1, ""},
        {"fullscreen=1", fullscreen, 0, ""},
        {"fullscreen=TRUE", fullscreen, 0, ""},
        {"fullscreen=yes ", fullscreen, 0, ""},
        {"fullscreen=yes\nfullscreen=no", fullscreen, 0, ""},
        // The newer keys are checked.
        {"fov=90", fov, 90, ""},
        {"fov=72.5", fov, 72.5, ""},
        {"width=9\nfov=200", fov, 120,
         "test line 2: fov is 30 to 120 degrees, not '200'; using 120"},
        {"fov=10", fov, 30, "test line 1: fov is 30 to 120 degrees, not '10'; using 30"},
        {"fov=wide", fov, 40, "test line 1: fov is 30 to 120 degrees, not 'wide'; using 40"},
        {"invertMouse=yes", invert, 1, ""},
        {"invertMouse=true\ninvertMouse=false", invert, 0, ""},
        {"invertMouse=1", invert, 0,
         "test line 1: invertMouse is yes, true, no or false, not '1'; using no"},
        {"vsync=no", vsync, 0, ""},
        {"timer=yes", timer, 1, ""},
        {"timer=on", timer, 0, "test line 1: timer is yes, true, no or false, not 'on'; using no"},
        {"vsync=off", vsync, 1,
         "test line 1: vsync is yes, true, no or false, not 'off'; using yes"},
        {"volume=0", volume, 0, ""},
        {"volume=150", volume, 100, "test line 1: volume is 0 to 100, not '150'; using 100"},
        {"volume=-3", volume, 0, "test line 1: volume is 0 to 100, not '-3'; using 0"},
        {"gamepadDeadzone=0.3", zone, 0.3f, ""},
        {"gamepadDeadzone=0.95", zone, 0.9f,
         "test line 1: gamepadDeadzone is 0 to 0.9, not '0.95'; using 0.9"},
        {"gamepadDeadzone=\x01\xff", zone, 0.15f,
         "test line 1: gamepadDeadzone is 0 to 0.9, not '?\?'; using 0.15"},
        // Line ends, blank lines, comments and a byte order mark.
        {"width=800\r\nlevels=3\r\n", levels, 3, ""},
        {"\n  \n# width=5\n\t#\nwidth=640", width, 640, ""},
        {"\xEF\xBB\xBFwidth=321\nheight=150\n", width, 321, ""},
        {"\xEF\xBB\xBFwidth=321\r\n", width, 321, ""},
        {"height=150\n\xEF\xBB\xBFwidth=321\n", width, 1024,
         "test line 2: unknown key '\xEF\xBB\xBFwidth'"},
        // Lines that are not key=value with a known key are named, with the nearest key.
        {"fvo=90", fov, 40, "test line 1: unknown key 'fvo': did you mean 'fov'?"},
        {"fov =100", fov, 40, "test line 1: unknown key 'fov ': did you mean 'fov'?"},
        {"Fov=100", fov, 40, "test line 1: unknown key 'Fov': did you mean 'fov'?"},
        {"width = 800", width, 1024, "test line 1: unknown key 'width ': did you mean 'width'?"},
        {"Width=800", width, 1024, "test line 1: unknown key 'Width': did you mean 'width'?"},
        {"horizontalSensitivity=10", sensitivity, 50,
         "test line 1: unknown key 'horizontalSensitivity': did you mean 'mouseSensitivity'?"},
        {"mouseSensitivty=10", sensitivity, 50,
         "test line 1: unknown key 'mouseSensitivty': did you mean 'mouseSensitivity'?"},
        {"gamepadDeadZon=0.2", zone, 0.15f,
         "test line 1: unknown key 'gamepadDeadZon': did you mean 'gamepadDeadzone'?"},
        {"colour=red", width, 1024, "test line 1: unknown key 'colour'"},
        {"fog=1", fov, 40, "test line 1: unknown key 'fog': did you mean 'fov'?"},
        {"x=1", width, 1024, "test line 1: unknown key 'x'"},
        {"width", width, 1024, "test line 1: 'width' is not key=value"},
        {"=5", width, 1024, "test line 1: '=5' is not key=value"},
        {"height=", height, 860, "test line 1: height has no value"},
        {"\x1b]0;t\x07=1", width, 1024, "test line 1: unknown key '\\x1b]0;t\\x07'"},
        {std::string(100, 'w') + "=1", width, 1024,
         "test line 1: unknown key '" + std::string(40, 'w') + "...'"},
    };
    for (const auto& c : cases) {
        Config config;
        config.parse(c.text, "test");
        EXPECT_DOUBLE_EQ(c.field(config), c.expected) << c.text;
        const std::vector<std::string> problems =
            c.problem.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.problem};
        EXPECT_EQ(config.problems, problems) << c.text;
    }
    EXPECT_EQ(parseConfigInt("  -0012x"), -12);
}

// Thousands of bad lines are named twenty at a time, then counted.
TEST(Config, ManyProblemLinesEndWithACount) {
    std::string text;
    for (int i = 0; i < 8000; ++i)
        text += "fvo=" + std::to_string(i) + "\n";
    Config config;
    config.parse(text + "fov=50\n", "many");
    EXPECT_EQ(config.fov, 50.0f);
    ASSERT_EQ(config.problems.size(), Config::MaxProblemLines);
    EXPECT_EQ(config.problems.back(), "many line 20: unknown key 'fvo': did you mean 'fov'?");
    EXPECT_EQ(config.moreProblems, 7980u);
    testing::internal::CaptureStderr();
    config.reportProblems();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 21);
    EXPECT_NE(said.find("\nand 7980 more\n"), std::string::npos) << said;
}

// A line of ten million "=" is split only as far as its key and value: it costs a few copies of
// the line, not a string per token.
TEST(Config, AHugeLineOfEqualsCostsOnlyItsText) {
    const std::string text = "width=640\nlevels=" + std::string(10 << 20, '=') + "\n";
    Config config;
    const long growthKb = peakGrowthKb([&] {
        config.parse(text);
        if (config.width != 640)
            _exit(2);
    });
    ASSERT_GE(growthKb, 0);
    EXPECT_LT(growthKb, 64 * 1024) << growthKb / 1024 << " MB for a 10 MB line";
}

// Only a regular file of sane size is read; anything else that is there is one line, and the
// values read before stay. (Pipes and endless devices are played in the robustness suite,
// where a regression cannot hang the run.)
TEST(Config, FilesAreReadOverEarlierValuesOrNamedWhenDamaged) {
    const testfiles::ScratchDir scratch("config_kinds");
    const fs::path& dir = scratch.root();
    fs::create_directory(dir / "folder.txt");
    writeFile(dir / "big.txt", "width=640\n" + std::string(70 << 10, '\n'));
    writeFile(dir / "plain.txt", "brightness=0\r\nwidth=640\n" + std::string(60 << 10, '\n'));
    writeFile(dir / "locked.txt", "width=640\n");
    chmod((dir / "locked.txt").c_str(), 0);
    const bool rootReadsAnything = std::ifstream(dir / "locked.txt").is_open();
    const struct {
        const char* name;
        int width;
        std::string problem;
    } cases[] = {
        {"missing.txt", 1000, ""},
        {"plain.txt", 640, ""},
        {"folder.txt", 1000, "is not a regular file: it is ignored and the defaults are used"},
        {"big.txt", 1000, "is larger than 64 KB: it is ignored and the defaults are used"},
        {"locked.txt", rootReadsAnything ? 640 : 1000,
         rootReadsAnything
             ? ""
             : "cannot be read (Permission denied): it is ignored and the defaults are used"},
    };
    for (const auto& c : cases) {
        Config config;
        config.width = 1000;
        config.read((dir / c.name).string());
        EXPECT_EQ(config.width, c.width) << c.name;
        const std::vector<std::string> problems =
            c.problem.empty() ? std::vector<std::string>{}
                              : std::vector<std::string>{(dir / c.name).string() + " " + c.problem};
        EXPECT_EQ(config.problems, problems) << c.name;
    }
}

TEST(Config, SettingsAreWrittenIntoTheTextKeepingItsOtherLines) {
    const struct {
        const char* name;
        std::string text;
        std::vector<Setting> settings;
        std::string written; // "" with a refusal
        std::string refusal = "";
    } cases[] = {
        {"empty", "", {{"fov", "90"}}, "fov=90\n"},
        {"added at the end", "# mine\nwidth=800", {{"fov", "90"}}, "# mine\nwidth=800\nfov=90\n"},
        {"replaced in place, line end kept",
         "a comment\r\nfov=40\r\n# fov=1\nfov=70",
         {{"fov", "90"}, {"volume", "10"}},
         "a comment\r\nfov=90\r\n# fov=1\nfov=90\nvolume=10\n"},
        {"the old spelling takes the new name",
         "\xEF\xBB\xBFhorizontalSensivity=20\n",
         {{"mouseSensitivity", "35"}},
         "\xEF\xBB\xBFmouseSensitivity=35\n"},
        {"the last of one key wins", "", {{"fov", "50"}, {"fov", "60"}}, "fov=60\n"},
        {"unknown key", "", {{"fvo", "90"}}, "", "unknown key 'fvo'"},
        {"out of range", "", {{"fov", "500"}}, "", "'500' is not a value for fov"},
        {"a second line", "", {{"width", "5\nfov=1"}}, "", "'5\nfov=1' is not a value for width"},
        {"an equals sign", "", {{"width", "5=6"}}, "", "'5=6' is not a value for width"},
    };
    for (const auto& c : cases) {
        const Result<std::string> written = withSettings(c.text, c.settings);
        EXPECT_EQ(written.ok() ? *written : "", c.written) << c.name;
        EXPECT_EQ(written.error(), c.refusal) << c.name;
        if (written.ok()) {
            Config before, after;
            before.parse(c.text);
            after.parse(*written);
            EXPECT_EQ(after.problems, before.problems) << c.name;
        }
    }
}

TEST(Config, ThePlayersFileIsWrittenWholeWhereItLies) {
    const testfiles::ScratchDir scratch("config_write");
    const fs::path& dir = scratch.root();
    // A new file in a new folder, readable by the player only.
    const fs::path fresh = dir / "home/.config/brindlemox/config.txt";
    ASSERT_TRUE(writeSettings(fresh.string(), {{"fov", "90"}}).ok());
    EXPECT_EQ(readFile(fresh), "fov=90\n");
    EXPECT_EQ(fs::status(fresh.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    // A file linked from elsewhere is written where it lies; the link stays.
    writeFile(dir / "kept.txt", "# kept\nvolume=5\n");
    fs::create_symlink(dir / "kept.txt", dir / "linked.txt");
    ASSERT_TRUE(writeSettings((dir / "linked.txt").string(), {{"volume", "60"}}).ok());
    EXPECT_TRUE(fs::is_symlink(dir / "linked.txt"));
    EXPECT_EQ(readFile(dir / "kept.txt"), "# kept\nvolume=60\n");
    // What cannot be read is not replaced, and nothing is left beside it.
    writeFile(dir / "big.txt", std::string(70 << 10, '#'));
    fs::create_directory(dir / "folder.txt");
    for (const char* name : {"big.txt", "folder.txt"}) {
        const Result<void> refused = writeSettings((dir / name).string(), {{"fov", "90"}});
        EXPECT_FALSE(refused.ok()) << name;
        EXPECT_EQ(refused.error().rfind((dir / name).string() + ": ", 0), 0u) << refused.error();
    }
    EXPECT_EQ(fs::file_size(dir / "big.txt"), 70u << 10);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 5);
}

TEST(PlayerFiles, FollowTheBaseDirectoryRules) {
    const struct {
        const char* config;
        const char* data;
        const char* cache;
        const char* home;
        const char* settings;
        const char* levels;
        const char* cacheFolder;
    } cases[] = {
        {"/c", "/d", "/k", "/h", "/c/brindlemox/config.txt", "/d/brindlemox/levels",
         "/k/brindlemox"},
        {nullptr, nullptr, nullptr, "/h", "/h/.config/brindlemox/config.txt",
         "/h/.local/share/brindlemox/levels", "/h/.cache/brindlemox"},
        // Empty or relative variables are ignored.
        {"", "rel", "./k", "/h", "/h/.config/brindlemox/config.txt",
         "/h/.local/share/brindlemox/levels", "/h/.cache/brindlemox"},
        {nullptr, nullptr, nullptr, nullptr, "", "", ""},
        {nullptr, nullptr, nullptr, "home", "", "", ""},
    };
    for (const auto& c : cases) {
        ScopedVariable config("XDG_CONFIG_HOME", c.config), data("XDG_DATA_HOME", c.data),
            cache("XDG_CACHE_HOME", c.cache), home("HOME", c.home);
        EXPECT_EQ(playerfiles::settingsFile().string(), c.settings);
        EXPECT_EQ(playerfiles::levelsFolder().string(), c.levels);
        EXPECT_EQ(playerfiles::cacheFolder().string(), c.cacheFolder);
    }
    ScopedVariable data("XDG_DATA_HOME", "/d");
    EXPECT_EQ(playerfiles::dataFolder().string(), "/d/brindlemox");
    const Result<fs::path> keller = playerfiles::levelFolder("Keller");
    ASSERT_TRUE(keller.ok());
    EXPECT_EQ(keller->string(), "/d/brindlemox/levels/Keller");
    for (const char* name : {"", ".", "..", "a/b", "../x"})
        EXPECT_FALSE(playerfiles::levelFolder(name).ok()) << name;
}
