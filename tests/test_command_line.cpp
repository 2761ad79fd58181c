#include "app/CommandLine.h"
#include "app/DataFolder.h"
#include "platform/Printable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace brindlemox::platform;
using namespace brindlemox::app;

namespace {

std::vector<std::string> splitWords(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// What a taken command line asked for, in one comparable line.
std::string summary(const CommandLine& c) {
    std::ostringstream out;
    out << "help=" << c.help << " version=" << c.version << " data=" << c.dataDir
        << " level=" << c.level << " frames=" << c.frames << " shot=" << c.screenshot;
    if (c.at)
        out << " at=" << c.at->x << "," << c.at->y << "," << c.at->z;
    if (c.look)
        out << " look=" << c.look->x << "," << c.look->y;
    out << " record=" << c.record << " replay=" << c.replay << " timedemo=" << c.timedemo;
    if (c.fullscreen)
        out << " fullscreen=" << *c.fullscreen;
    if (c.width > 0)
        out << " size=" << c.width << "x" << c.height;
    if (c.mute)
        out << " mute";
    if (!c.frameTimes.empty())
        out << " times=" << c.frameTimes;
    return out.str();
}

struct TakenCase {
    const char* arguments;
    const char* expected; // the summary
};

const TakenCase Taken[] = {
    {"", "help=0 version=0 data= level=0 frames=0 shot= record= replay= timedemo="},
    {"--help", "help=1 version=0 data= level=0 frames=0 shot= record= replay= timedemo="},
    {"-h", "help=1 version=0 data= level=0 frames=0 shot= record= replay= timedemo="},
    {"--version", "help=0 version=1 data= level=0 frames=0 shot= record= replay= timedemo="},
    {"--mute --level 2",
     "help=0 version=0 data= level=2 frames=0 shot= record= replay= timedemo= mute"},
    {"--data /opt/game --level 2",
     "help=0 version=0 data=/opt/game level=2 frames=0 shot= record= replay= timedemo="},
    {"--level=1 --frames=300 --screenshot=last.png",
     "help=0 version=0 data= level=1 frames=300 shot=last.png record= replay= timedemo="},
    {"--at -4,4.5,0 --look 180,-39",
     "help=0 version=0 data= level=0 frames=0 shot= at=-4,4.5,0 look=180,-39 record= replay= "
     "timedemo="},
    {"--at=1e2,0,-0.25",
     "help=0 version=0 data= level=0 frames=0 shot= at=100,0,-0.25 record= replay= timedemo="},
    {"--record run.demo --level 2 --frames 10 --at 0,8,0",
     "help=0 version=0 data= level=2 frames=10 shot= at=0,8,0 record=run.demo replay= timedemo="},
    {"--replay run.demo --screenshot end.png --data d",
     "help=0 version=0 data=d level=0 frames=0 shot=end.png record= replay=run.demo timedemo="},
    {"--timedemo run.demo",
     "help=0 version=0 data= level=0 frames=0 shot= record= replay= timedemo=run.demo"},
    {"--frame-times=t.csv --timedemo run.demo",
     "help=0 version=0 data= level=0 frames=0 shot= record= replay= timedemo=run.demo "
     "times=t.csv"},
    {"--frames 1000000000",
     "help=0 version=0 data= level=0 frames=1000000000 shot= record= replay= timedemo="},
    {"--size 640x480 --fullscreen",
     "help=0 version=0 data= level=0 frames=0 shot= record= replay= timedemo= fullscreen=1 "
     "size=640x480"},
    {"--windowed --size=1x16384",
     "help=0 version=0 data= level=0 frames=0 shot= record= replay= timedemo= fullscreen=0 "
     "size=1x16384"},
    {"--fullscreen --fullscreen",
     "help=0 version=0 data= level=0 frames=0 shot= record= replay= timedemo= fullscreen=1"},
};

struct RefusedCase {
    const char* arguments;
    const char* error;
};

const RefusedCase Refused[] = {
    {"--fly", "unknown option '--fly'"},
    {"-x", "unknown option '-x'"},
    {"level", "unexpected argument 'level'"},
    {"--level", "--level needs a value"},
    {"--level=", "--level needs a value"},
    {"--level 0", "--level takes a level from 1 to 2, not '0'"},
    {"--level 3", "--level takes a level from 1 to 2, not '3'"},
    {"--level 1.5", "--level takes a level from 1 to 2, not '1.5'"},
    {"--level 1 --level 2", "--level is given twice"},
    {"--frames 0", "--frames takes a whole number from 1 to 1000000000, not '0'"},
    {"--frames -5", "--frames takes a whole number from 1 to 1000000000, not '-5'"},
    {"--frames 10x", "--frames takes a whole number from 1 to 1000000000, not '10x'"},
    {"--frames 99999999999999999999",
     "--frames takes a whole number from 1 to 1000000000, not '99999999999999999999'"},
    {"--at 1,2", "--at takes X,Y,Z (three numbers), not '1,2'"},
    {"--at 1,2,3,4", "--at takes X,Y,Z (three numbers), not '1,2,3,4'"},
    {"--at 1,,3", "--at takes X,Y,Z (three numbers), not '1,,3'"},
    {"--at 1,2,nan", "--at takes X,Y,Z (three numbers), not '1,2,nan'"},
    {"--at 1,2,inf", "--at takes X,Y,Z (three numbers), not '1,2,inf'"},
    {"--at 1,2,1e300", "--at takes X,Y,Z (three numbers), not '1,2,1e300'"},
    {"--at 1,2,1e400", "--at takes X,Y,Z (three numbers), not '1,2,1e400'"},
    {"--look 90", "--look takes YAW,PITCH (two numbers, degrees), not '90'"},
    {"--look 90,x", "--look takes YAW,PITCH (two numbers, degrees), not '90,x'"},
    {"--help=yes", "--help takes no value"},
    {"--mute=yes", "--mute takes no value"},
    {"--replay a --timedemo b", "--replay and --timedemo cannot be combined"},
    {"--record a --replay b", "--record and --replay cannot be combined"},
    {"--timedemo b --record a", "--record and --timedemo cannot be combined"},
    {"--replay a --level 2", "--level cannot be combined with --replay (the demo sets it)"},
    {"--timedemo a --frames 9", "--frames cannot be combined with --timedemo (the demo sets it)"},
    {"--replay a --at 0,0,0", "--at cannot be combined with --replay (the demo sets it)"},
    {"--replay a --look 0,0", "--look cannot be combined with --replay (the demo sets it)"},
    {"--size 640", "--size takes WIDTHxHEIGHT (each from 1 to 16384), not '640'"},
    {"--size 0x480", "--size takes WIDTHxHEIGHT (each from 1 to 16384), not '0x480'"},
    {"--size 640x480x2", "--size takes WIDTHxHEIGHT (each from 1 to 16384), not '640x480x2'"},
    {"--size 16385x10", "--size takes WIDTHxHEIGHT (each from 1 to 16384), not '16385x10'"},
    {"--size -640x480", "--size takes WIDTHxHEIGHT (each from 1 to 16384), not '-640x480'"},
    {"--fullscreen --windowed", "--fullscreen and --windowed cannot be combined"},
    {"--fullscreen=yes", "--fullscreen takes no value"},
    {"--timedemo a --size 8x8", "--size cannot be combined with --timedemo (the demo sets it)"},
    {"--replay a --windowed", "--windowed cannot be combined with --replay (the demo sets it)"},
    {"--frame-times t.csv", "--frame-times needs --timedemo"},
    {"--replay a --frame-times t.csv", "--frame-times needs --timedemo"},
    {"--timedemo a --frame-times", "--frame-times needs a value"},
};

} // namespace

TEST(CommandLine, TakesWhatItIsGiven) {
    for (const TakenCase& c : Taken) {
        const CommandLine line = parseCommandLine(splitWords(c.arguments), 2);
        EXPECT_EQ(line.error, "") << c.arguments;
        EXPECT_EQ(summary(line), c.expected) << c.arguments;
    }
}

TEST(CommandLine, RefusesWithAReason) {
    for (const RefusedCase& c : Refused)
        EXPECT_EQ(parseCommandLine(splitWords(c.arguments), 2).error, c.error) << c.arguments;
}

TEST(CommandLine, ValuesMayLookLikeOptions) {
    // A negative coordinate or a file named like an option is the option's value.
    const CommandLine line = parseCommandLine({"--at", "-1,-2,-3", "--record", "--odd"}, 2);
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.record, "--odd");
}

TEST(CommandLine, UsageNamesEveryOption) {
    const std::string usage = usageText();
    for (const char* option :
         {"--help", "--version", "--mute", "--data", "--level", "--frames", "--screenshot", "--at",
          "--look", "--record", "--replay", "--timedemo", "--fullscreen", "--windowed", "--size",
          "--frame-times"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}

namespace {

namespace fs = std::filesystem;

struct SearchCase {
    const char* name;
    // Folders made under the scratch root, each with Config, Shader and Obj unless the name ends
    // in "-partial" (Config and Shader only, like the source tree's data/).
    std::vector<const char*> folders;
    const char* workingDir;
    const char* explicitDir; // "" when --data is not given
    const char* programDir;
    const char* expected; // "" when none holds the data
};

const SearchCase Searches[] = {
    {"working directory first", {"work", "bin/data"}, "work", "", "bin", "work"},
    {"build tree beside the program", {"bin/data"}, "elsewhere", "", "bin", "bin/data"},
    {"installed share folder",
     {"share/games/brindlemox"},
     "elsewhere",
     "",
     "games",
     "share/games/brindlemox"},
    {"build tree before the installed one",
     {"games/data", "share/games/brindlemox"},
     "elsewhere",
     "",
     "games",
     "games/data"},
    {"the source tree's data does not count", {"src-partial"}, "src-partial", "", "bin", ""},
    {"--data alone when given", {"mine", "work"}, "work", "mine", "bin", "mine"},
    {"--data that holds nothing", {"work", "bin/data"}, "work", "empty", "bin", ""},
    {"program folder unknown", {"bin/data"}, "elsewhere", "", "", ""},
};

} // namespace

TEST(DataFolder, LooksInOrderAndTakesTheFirstThatHoldsTheData) {
    const fs::path root = fs::path(::testing::TempDir()) / "brindlemox_data_search";
    for (const SearchCase& c : Searches) {
        fs::remove_all(root);
        for (const std::string folder : c.folders) {
            const bool partial =
                folder.size() > 8 && folder.substr(folder.size() - 8) == "-partial";
            std::vector<const char*> subs = {"Config", "Shader"};
            if (!partial)
                subs.push_back("Obj");
            for (const char* sub : subs)
                fs::create_directories(root / folder / sub);
        }
        fs::create_directories(root / "elsewhere");
        fs::create_directories(root / "empty");
        const fs::path program = *c.programDir != '\0' ? root / c.programDir : fs::path();
        const auto candidates = datafolder::candidates(
            root / c.workingDir, *c.explicitDir != '\0' ? (root / c.explicitDir).string() : "",
            program);
        const std::optional<fs::path> found = datafolder::find(candidates);
        if (*c.expected == '\0') {
            EXPECT_FALSE(found) << c.name << ": found " << found->string();
            // The line names every place looked at.
            const std::string line = datafolder::notFoundLine(candidates);
            for (const fs::path& place : candidates)
                EXPECT_NE(line.find(place.string()), std::string::npos) << c.name << ": " << line;
        } else {
            ASSERT_TRUE(found) << c.name;
            EXPECT_EQ(fs::canonical(*found), fs::canonical(root / c.expected)) << c.name;
        }
    }
    fs::remove_all(root);
}

TEST(DataFolder, AFileNamedLikeAFolderDoesNotCount) {
    const fs::path root = fs::path(::testing::TempDir()) / "brindlemox_data_files";
    fs::remove_all(root);
    fs::create_directories(root / "Config");
    fs::create_directories(root / "Shader");
    std::ofstream(root / "Obj") << "not a folder";
    EXPECT_FALSE(datafolder::holdsGameData(root));
    fs::remove_all(root);
}

TEST(Printable, ControlCharactersAreEscapedAndOtherTextKept) {
    const struct {
        const char* name;
        std::string text;
        std::string shown;
    } cases[] = {
        {"plain path", "/home/ann/run.demo", "/home/ann/run.demo"},
        {"colour and title sequences", "\x1b[31mred\x1b]0;title\x07",
         "\\x1b[31mred\\x1b]0;title\\x07"},
        {"line breaks, tab and DEL", "a\nb\rc\td\x7f", "a\\x0ab\\x0dc\\x09d\\x7f"},
        {"UTF-8 kept", "caf\xc3\xa9 \xe2\x82\xac", "caf\xc3\xa9 \xe2\x82\xac"},
        {"C1 control in UTF-8 (CSI)",
         "x\xc2\x9b"
         "31m",
         "x\\xc2\\x9b31m"},
        {"bytes that are not UTF-8", "\xff\x9b\xc3", "\\xff\\x9b\\xc3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(printable(c.text), c.shown) << c.name;
    // What the command line echoes back goes through it.
    const CommandLine refused = parseCommandLine({"--level", "\x1b[2J"}, 2);
    EXPECT_EQ(refused.error, "--level takes a level from 1 to 2, not '\\x1b[2J'");
}
