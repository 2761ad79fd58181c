// The level catalogue and the player's progress: what the level list shows and what is kept
// between runs.
#include "app/LevelCatalogue.h"
#include "app/Progress.h"
#include "support/Checks.h"
#include "support/Environment.h"
#include "support/Files.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace brindlemox::app;
using namespace brindlemox::platform;
namespace fs = std::filesystem;

namespace {

const std::string Level = "title T\nspawn 0 0 0\nmap Obj/m.obj\n";

} // namespace

TEST(Progress, ReadsItsLinesOrSaysWhichIsDamaged) {
    const struct {
        std::string text;
        std::map<std::string, double> best;
        std::string error;
    } cases[] = {
        {"", {}, ""},
        {"# a comment\n\nbest 12.5 pool\r\nbest 70 level1\n", {{"pool", 12.5}, {"level1", 70}}, ""},
        {"best 3 mine/my cellar\n", {{"mine/my cellar", 3}}, ""},
        {"best 3 level1\nbest 4 level1\n", {}, "line 2 names level1 again"},
        {"best pool 3\n", {}, "line 1 has no time of 0 to 360000 seconds"},
        {"best -1 pool\n", {}, "line 1 has no time of 0 to 360000 seconds"},
        {"best nan pool\n", {}, "line 1 has no time of 0 to 360000 seconds"},
        {"best 1e9 pool\n", {}, "line 1 has no time of 0 to 360000 seconds"},
        {"best 3\n", {}, "line 1 is not 'best SECONDS LEVEL'"},
        {"\x01\x02garbage", {}, "line 1 is not 'best SECONDS LEVEL'"},
        {"best 3 ../../etc\n", {}, "line 1 names no level"},
        {"best 3 /etc/x\n", {}, "line 1 names no level"},
    };
    for (const auto& c : cases) {
        const Result<Progress> read = parseProgress(c.text);
        EXPECT_EQ(read.error(), c.error) << c.text;
        if (read) {
            EXPECT_EQ(read->bestSeconds, c.best) << c.text;
        }
    }
}

TEST(Progress, KeepsOnlyBetterTimesAndWritesThemBack) {
    Progress progress;
    const struct {
        std::string id;
        double seconds;
        bool kept;
    } offers[] = {
        {"pool", 20.0, true},      {"pool", 25.0, false}, {"pool", 20.0, false},
        {"pool", 0.1 + 0.2, true}, {"pool", NAN, false},  {"pool", -1.0, false},
        {"level1", 1e9, false},    {"a\nb", 1.0, false},  {"mine/x", 61.237, true},
    };
    for (const auto& o : offers)
        EXPECT_EQ(progress.offer(o.id, o.seconds), o.kept) << o.id << " " << o.seconds;
    const Result<Progress> again = parseProgress(progressText(progress));
    ASSERT_TRUE(again.ok()) << again.error();
    EXPECT_EQ(again->bestSeconds, progress.bestSeconds); // every bit of the double
}

TEST(Progress, ADamagedFileGivesOneLineAndNoProgress) {
    testfiles::ScratchDir dir("progress");
    const fs::path file = dir.root() / "brindlemox" / "progress.txt";
    EXPECT_EQ(checks::captureReports([&] { EXPECT_TRUE(readProgress(file).bestSeconds.empty()); }),
              "");
    testfiles::writeFile(file, "best 3 pool\nbest x");
    std::string said;
    said = checks::captureReports([&] { EXPECT_TRUE(readProgress(file).bestSeconds.empty()); });
    EXPECT_EQ(said, "The progress " + file.string() +
                        " is damaged (line 2 is not 'best SECONDS LEVEL'); starting without it\n");
    Progress progress;
    ASSERT_TRUE(progress.offer("pool", 9.5));
    ASSERT_TRUE(writeProgress(file, progress).ok());
    EXPECT_EQ(readProgress(file).bestSeconds, progress.bestSeconds);
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()),
              1);
}

TEST(Progress, BestTimesReadInMinutesSecondsAndHundredths) {
    const struct {
        double seconds;
        const char* text;
    } cases[] = {{0.0, "0:00.00"},  {65.257, "1:05.25"}, {599.999, "9:59.99"},
                 {-3.0, "0:00.00"}, {NAN, "0:00.00"},    {3600.5, "60:00.50"}};
    for (const auto& c : cases)
        EXPECT_EQ(bestTimeText(c.seconds), c.text) << c.seconds;
}

TEST(LevelCatalogue, ListsTheGamesLevelsThePoolRoomAndThePlayersByTitle) {
    testfiles::ScratchDir dir("catalogue");
    const fs::path mine = dir.root() / "levels";
    testfiles::writeFile(dir.root() / "l1.txt", "title First\nspawn 0 0 0\nmap Obj/m.obj\n");
    testfiles::writeFile(dir.root() / "pool.txt", "title Pool\nspawn 0 0 0\nmap Obj/m.obj\n");
    testfiles::writeFile(mine / "zed" / "zed.txt", "title Apple\nspawn 0 0 0\nmap Obj/m.obj\n");
    testfiles::writeFile(mine / "bee" / "bee.txt", "title Berry\nspawn 0 0 0\nmap Obj/m.obj\n");
    testfiles::writeFile(mine / "bad" / "bad.txt", "title Broken\nspawn 0 0\n");
    testfiles::writeFile(mine / "empty" / "readme", "");
    testfiles::writeFile(mine / ".hidden" / ".hidden.txt", Level);
    testfiles::writeFile(mine / "loose.txt", Level);
    const CatalogueSources sources{
        {(dir.root() / "l1.txt").string(), (dir.root() / "missing.txt").string()},
        (dir.root() / "pool.txt").string(),
        mine};
    const std::vector<CatalogueEntry> list = levelCatalogue(sources);
    const struct {
        const char* id;
        const char* title;
        int gameLevel;
        std::string errorStart; // "" for none
    } expected[] = {
        {"level1", "First", 1, ""},
        {"level2", "Level 2", 2, (dir.root() / "missing.txt").string() + ": no such file"},
        {"pool", "Pool", 0, ""},
        {"mine/zed", "Apple", 0, ""},
        {"mine/bee", "Berry", 0, ""},
        {"mine/bad", "bad", 0, (mine / "bad" / "bad.txt").string() + ":"},
        {"mine/empty", "empty", 0, "no level file empty.txt in "},
    };
    ASSERT_EQ(list.size(), std::size(expected));
    for (size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i].id, expected[i].id) << i;
        EXPECT_EQ(list[i].title, expected[i].title) << i;
        EXPECT_EQ(list[i].gameLevel, expected[i].gameLevel) << i;
        EXPECT_EQ(list[i].error.rfind(expected[i].errorStart, 0), 0u) << i << list[i].error;
        EXPECT_EQ(list[i].error.empty(), expected[i].errorStart.empty()) << i;
        EXPECT_EQ(list[i].error.find('\n'), std::string::npos) << i;
    }
    // The ids of files named on the command line or in a demo.
    const struct {
        fs::path file;
        const char* id;
    } files[] = {
        {dir.root() / "l1.txt", "level1"},
        {dir.root() / "x" / ".." / "pool.txt", "pool"},
        {mine / "bee" / "bee.txt", "mine/bee"},
        {mine / "bee" / "other.txt", ""},
        {mine / "loose.txt", ""},
        {dir.root() / "elsewhere.txt", ""},
    };
    for (const auto& f : files)
        EXPECT_EQ(levelIdOf(f.file.string(), sources), f.id) << f.file;
}
