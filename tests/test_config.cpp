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

TEST(Config, VolumeIsClampedOrDefaultedWithOneLine) {
    const struct {
        const char* line;
        int volume;
        bool said;
    } cases[] = {{"volume=0", 0, false},    {"volume=100", 100, false}, {"volume=35", 35, false},
                 {"volume=150", 100, true}, {"volume=-5", 0, true},     {"volume=loud", 80, true},
                 {"volume=50%", 80, true},  {"volume=", 80, false}};
    for (const auto& c : cases) {
        const Config config = parsed(c.line);
        EXPECT_EQ(config.volume, c.volume) << c.line;
        const std::string value = std::string(c.line).substr(7);
        EXPECT_EQ(config.volumeComplaint, c.said ? volumeLine(value, c.volume) : "") << c.line;
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
