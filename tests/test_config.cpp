#include "platform/Config.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

Config parsed(const std::string& text) {
    Config config;
    config.parse(text);
    return config;
}

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

} // namespace

TEST(Config, DefaultsWhenNothingIsRead) {
    Config config;
    config.read("/nonexistent/Config/config.txt");
    EXPECT_EQ(config.width, 1024);
    EXPECT_EQ(config.height, 860);
    EXPECT_EQ(config.refreshRate, 60);
    EXPECT_EQ(config.brightness, 50);
    EXPECT_FALSE(config.fullscreen);
    EXPECT_FLOAT_EQ(config.horizontalSensivity, 50.0f);
    EXPECT_EQ(config.levels, 4);
}

TEST(Config, SettingsTakeTheirRangeAndSayWhatWasWrong) {
    struct SettingCase {
        const char* text;
        std::function<double(const Config&)> field;
        double expected;
        const char* problem; // "" for none
    };
    const auto fov = [](const Config& c) { return c.fov; };
    const auto invert = [](const Config& c) { return c.invertMouse ? 1.0 : 0.0; };
    const auto vsync = [](const Config& c) { return c.vsync ? 1.0 : 0.0; };
    const auto volume = [](const Config& c) { return c.volume; };
    const auto zone = [](const Config& c) { return c.gamepadDeadzone; };
    const SettingCase cases[] = {
        {"", fov, 40, ""},
        {"fov=90", fov, 90, ""},
        {"fov=72.5", fov, 72.5, ""},
        {"width=9\nfov=200", fov, 120,
         "test line 2: fov is 30 to 120 degrees, not '200'; using 120"},
        {"fov=10", fov, 30, "test line 1: fov is 30 to 120 degrees, not '10'; using 30"},
        {"fov=wide", fov, 40, "test line 1: fov is 30 to 120 degrees, not 'wide'; using 40"},
        {"", invert, 0, ""},
        {"invertMouse=yes", invert, 1, ""},
        {"invertMouse=true\ninvertMouse=false", invert, 0, ""},
        {"invertMouse=1", invert, 0,
         "test line 1: invertMouse is yes, true, no or false, not '1'; using no"},
        {"", vsync, 1, ""},
        {"vsync=no", vsync, 0, ""},
        {"vsync=off", vsync, 1,
         "test line 1: vsync is yes, true, no or false, not 'off'; using yes"},
        {"", volume, 80, ""},
        {"volume=0", volume, 0, ""},
        {"volume=150", volume, 100, "test line 1: volume is 0 to 100, not '150'; using 100"},
        {"volume=-3", volume, 0, "test line 1: volume is 0 to 100, not '-3'; using 0"},
        {"", zone, 0.15f, ""},
        {"gamepadDeadzone=0.3", zone, 0.3f, ""},
        {"gamepadDeadzone=0.95", zone, 0.9f,
         "test line 1: gamepadDeadzone is 0 to 0.9, not '0.95'; using 0.9"},
        {"gamepadDeadzone=\x01\xff", zone, 0.15f,
         "test line 1: gamepadDeadzone is 0 to 0.9, not '?\?'; using 0.15"},
    };
    for (const SettingCase& c : cases) {
        Config config;
        config.parse(c.text, "test");
        EXPECT_DOUBLE_EQ(c.field(config), c.expected) << c.text;
        const std::vector<std::string> problems =
            *c.problem ? std::vector<std::string>{c.problem} : std::vector<std::string>{};
        EXPECT_EQ(config.problems, problems) << c.text;
    }
}

TEST(Config, KeysAreExactAndUntrimmed) {
    EXPECT_EQ(parsed("width=800\n").width, 800);
    EXPECT_EQ(parsed("width = 800\n").width, 1024);
    EXPECT_EQ(parsed("Width=800\n").width, 1024);
    // The value is the text between the first two equals signs.
    EXPECT_EQ(parsed("height=700=900\n").height, 700);
    // Leading white space belongs to the number reader, which skips it.
    EXPECT_EQ(parsed("height= 700\n").height, 700);
}

TEST(Config, NumbersReadAsLeadingInteger) {
    EXPECT_EQ(parsed("height=720px").height, 720);
    EXPECT_EQ(parsed("height=abc").height, 0);
    EXPECT_EQ(parsed("brightness=-20").brightness, -20);
    EXPECT_EQ(parsed("brightness=+7").brightness, 7);
    EXPECT_FLOAT_EQ(parsed("horizontalSensivity=2.9").horizontalSensivity, 2.0f);
    EXPECT_FLOAT_EQ(parsed("horizontalSensivity=12.7").horizontalSensivity, 12.0f);
}

TEST(Config, OverflowingNumbersSaturate) {
    EXPECT_EQ(parsed("width=99999999999999999999999").width, INT_MAX);
    EXPECT_EQ(parsed("width=-99999999999999999999999").width, INT_MIN);
    EXPECT_EQ(parsed("width=2147483647").width, INT_MAX);
    EXPECT_EQ(parsed("width=-2147483648").width, INT_MIN);
    EXPECT_EQ(parsed("width=2147483648").width, INT_MAX);
    EXPECT_EQ(parseConfigInt("  -0012x"), -12);
}

TEST(Config, FullscreenOnlyForYesOrTrue) {
    EXPECT_TRUE(parsed("fullscreen=yes").fullscreen);
    EXPECT_TRUE(parsed("fullscreen=true").fullscreen);
    EXPECT_FALSE(parsed("fullscreen=1").fullscreen);
    EXPECT_FALSE(parsed("fullscreen=TRUE").fullscreen);
    EXPECT_FALSE(parsed("fullscreen=yes ").fullscreen);
    EXPECT_FALSE(parsed("fullscreen=yes\nfullscreen=no").fullscreen);
}

TEST(Config, LineEndsAndOddLines) {
    const std::string lf = "width=800\nheight=600\nlevels=3\n";
    const std::string crlf = "width=800\r\nheight=600\r\nlevels=3\r\n";
    Config a = parsed(lf);
    Config b = parsed(crlf);
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    EXPECT_EQ(a.levels, b.levels);
    EXPECT_EQ(b.levels, 3);
    // Empty lines, keys without "=" and keys without value change nothing.
    Config c = parsed("\nwidth\nheight=\n=5\nlevels=4\nlevels=6");
    EXPECT_EQ(c.width, 1024);
    EXPECT_EQ(c.height, 860);
    EXPECT_EQ(c.levels, 6);
    // Binary bytes and a very long line are just unknown keys or odd values.
    std::string junk("\x01\xff\x00=\x80\n", 5);
    junk += std::string(100000, 'w') + "=1\n" + "width=" + std::string(5000, '9') + "\n";
    Config d = parsed(junk);
    EXPECT_EQ(d.width, INT_MAX);
}

TEST(Config, ReadsAFileAndKeepsEarlierValues) {
    std::string path = ::testing::TempDir() + "brindlemox_config.txt";
    {
        std::ofstream out(path, std::ios::binary);
        out << "brightness=0\r\nrefreshRate=144";
    }
    Config config;
    config.width = 640;
    config.read(path);
    EXPECT_EQ(config.brightness, 0);
    EXPECT_EQ(config.refreshRate, 144);
    EXPECT_EQ(config.width, 640);
    std::remove(path.c_str());
}

TEST(Config, ByteOrderMarkBeforeTheFirstKey) {
    EXPECT_EQ(parsed("\xEF\xBB\xBFwidth=321\nheight=150\n").width, 321);
    EXPECT_EQ(parsed("\xEF\xBB\xBFwidth=321\r\n").width, 321);
    // Only at the very start: elsewhere the bytes belong to the key.
    EXPECT_EQ(parsed("height=150\n\xEF\xBB\xBFwidth=321\n").width, 1024);
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

// Anything but a regular file of sane size reads as no file at all. (Pipes and endless devices
// are played in the robustness suite, where a regression cannot hang the run.)
TEST(Config, OnlyRegularFilesOfSaneSizeAreRead) {
    const std::filesystem::path dir =
        std::filesystem::path(::testing::TempDir()) / "brindlemox_config_kinds";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::filesystem::create_directory(dir / "folder.txt");
    std::ofstream(dir / "big.txt") << "width=640\n" << std::string(70 << 10, '\n');
    std::ofstream(dir / "plain.txt") << "width=640\n" << std::string(60 << 10, '\n');
    const struct {
        const char* name;
        int width;
    } cases[] = {{"folder.txt", 1024}, {"big.txt", 1024}, {"plain.txt", 640}};
    for (const auto& c : cases) {
        Config config;
        config.read((dir / c.name).string());
        EXPECT_EQ(config.width, c.width) << c.name;
    }
    std::filesystem::remove_all(dir);
}
