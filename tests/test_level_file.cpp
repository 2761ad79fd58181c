// The level file reader: what it refuses (one line naming the file, the line and what was
// expected) and the data folder's two levels against the values the game has always played.
#include "levels/LevelFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace brindlemox::levels;

namespace {

using levelfile::Kind;

const std::string Least = "title T\nspawn 0 0 0\nmap Obj/m.obj\n";

std::string repeated(const std::string& part, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += part;
    return text;
}

struct Case {
    const char* name;
    std::string text;
    const char* error; // empty: read
};

// Lines of one object, count times, after the least level.
std::string many(const std::string& line, int count) {
    std::string text = Least;
    for (int i = 0; i < count; ++i)
        text += line;
    return text;
}

const std::string NineLights = [] {
    std::string lights;
    for (int i = 0; i < 9; ++i)
        lights += "light 0 0 0\n";
    return lights;
}();

const Case Cases[] = {
    {"the least level", Least, ""},
    {"comments, blank lines, tabs and CR LF",
     "# a level\r\n\r\ntitle  My level \r\nspawn\t1 2 3 # here\nmap Obj/m.obj lightmap\n", ""},
    {"every object with every value",
     Least + "wall 1 2 3 5 0.5 20 2\nplainwall 1 2 3 4\nenemy 1 2 3 z 0\nwater 1 2 3 8\n"
             "light 1 2 3 -50\ndraw walls map\nhealth 1e6\npower 0\ntoughness 0.5\n",
     ""},
    {"a byte-order mark", "\xEF\xBB\xBF" + Least, ""},
    {"a byte-order mark before a comment", "\xEF\xBB\xBF# a level\r\n" + Least, ""},
    {"a byte-order mark alone", "\xEF\xBB\xBF",
     "x.txt:1: expected a 'title' line; the file ends without one"},
    {"empty file", "", "x.txt:1: expected a 'title' line; the file ends without one"},
    {"no map", "title T\nspawn 0 0 0\n", "x.txt:2: expected a 'map' line"},
    {"no spawn", "title T\nmap Obj/m.obj\n\n", "x.txt:3: expected a 'spawn' line"},
    {"unknown key", Least + "wal 1 2 3\n", "x.txt:4: unknown key 'wal'"},
    {"given twice", Least + "title U\n", "x.txt:4: title: given twice (first on line 1)"},
    {"empty title", "title   \n", "x.txt:1: title: expected the level's name"},
    {"control character in the title", "title a\x01z\n", "x.txt:1: title: expected"},
    // Titles are UTF-8, counted by character ("\xC3\xA9" is one: é).
    {"title of 60 accented letters", "title " + repeated("\xC3\xA9", 60) + "\n" + Least.substr(8),
     ""},
    {"title of 61 accented letters", "title " + repeated("\xC3\xA9", 61) + "\n",
     "x.txt:1: title: expected the level's name (at most 60 printable characters)"},
    {"Latin-1 title", "title Kell\xE9r\n", "x.txt:1: title: expected UTF-8 text"},
    {"overlong UTF-8 in the title", "title a\xC0\xAFz\n", "x.txt:1: title: expected UTF-8 text"},
    {"cut UTF-8 at the title's end", "title Kell\xC3\n", "x.txt:1: title: expected UTF-8 text"},
    {"C1 control character in the title", "title a\xC2\x9Bz\n", "x.txt:1: title: expected the"},
    {"zero byte", Least + std::string("power\0 1\n", 9), "x.txt:4: expected text, not a zero byte"},
    {"wall without a position", Least + "wall 1 2\n",
     "x.txt:4: wall: expected the wall's position X Y Z"},
    {"wall orientation out of range", Least + "wall 1 2 3 6\n",
     "x.txt:4: wall: expected the orientation after the position (a whole number from 0 to 5)"},
    // Values that would round to nothing, or make an object too small to see: each has a
    // smallest sane value.
    {"wall scale zero", Least + "wall 1 2 3 0 0\n",
     "x.txt:4: wall: expected the scale after the orientation (a number from 0.25 to 1000)"},
    {"wall scale tiny", Least + "wall 1 2 3 0 1e-50\n",
     "x.txt:4: wall: expected the scale after the orientation (a number from 0.25 to 1000)"},
    {"wall scale at its least", Least + "wall 1 2 3 0 0.25\n", ""},
    {"wall health tiny", Least + "wall 1 2 3 0 1 1e-50\n",
     "x.txt:4: wall: expected the health after the scale (a number from 1 to 1000000)"},
    {"wall toughness tiny", Least + "wall 1 2 3 0 1 1 1e-50\n",
     "x.txt:4: wall: expected the toughness after the health (a number from 0.01 to 1000000)"},
    {"wall health and toughness at their least", Least + "wall 1 2 3 0 1 1 0.01\n", ""},
    {"health tiny", Least + "health 1e-50\n",
     "x.txt:4: health: expected the player's health (a number from 1 to 1000000)"},
    {"toughness tiny", Least + "toughness 0.001\n",
     "x.txt:4: toughness: expected the player's toughness (a number from 0.01 to 1000000)"},
    {"health and toughness at their least", Least + "health 1\ntoughness 0.01\n", ""},
    {"water scale tiny", Least + "water 1 2 3 1e-50\n",
     "x.txt:4: water: expected the scale after the position (a number from 1 to 1000)"},
    {"water scale at its least", Least + "water 1 2 3 1\n", ""},
    {"power and damage zero", Least + "power 0\nenemy 1 2 3 x 0\n", ""},
    {"wall toughness not a number", Least + "wall 1 2 3 0 1 15 hard\n",
     "x.txt:4: wall: expected the toughness after the health"},
    {"wall health not finite", Least + "wall 1 2 3 0 1 inf\n",
     "x.txt:4: wall: expected the health after the scale"},
    {"coordinate not finite", "title T\nspawn 1 nan 3\n", "x.txt:2: spawn: expected the spawn"},
    {"coordinate out of range", "spawn 1 2 100001\n", "x.txt:1: spawn: expected the spawn"},
    {"hexadecimal", "spawn 0x10 2 3\n", "x.txt:1: spawn: expected the spawn"},
    {"spawn facing", "title T\nspawn 1 2 3 -90 -30.5\nmap Obj/m.obj\n", ""},
    {"spawn yaw alone", "title T\nspawn 1 2 3 180\nmap Obj/m.obj\n", ""},
    {"spawn yaw out of range", "spawn 1 2 3 361\n",
     "x.txt:1: spawn: expected the yaw after the position (a number from -360 to 360)"},
    {"spawn pitch past straight down", "spawn 1 2 3 0 -81\n",
     "x.txt:1: spawn: expected the pitch after the yaw (a number from -80 to 80)"},
    {"spawn facing and more", "spawn 1 2 3 0 0 0\n",
     "x.txt:1: spawn: expected nothing after the values, not '0'"},
    {"too many values", Least + "plainwall 1 2 3 0 9\n",
     "x.txt:4: plainwall: expected nothing after the values, not '9'"},
    {"health zero", Least + "health 0\n", "x.txt:4: health: expected the player's health"},
    {"health too high", Least + "health 1000001\n", "x.txt:4: health: expected"},
    {"enemy axis", Least + "enemy 1 2 3 w\n",
     "x.txt:4: enemy: expected the axis (x, y or z) after the position, not 'w'"},
    {"light offset not whole", Least + "light 1 2 3 1.5\n",
     "x.txt:4: light: expected the power's offset"},
    {"nine lights", Least + NineLights, "x.txt:12: light: expected at most 8 lights"},
    {"two waters", Least + "water 0 0 0\nwater 0 0 0\n", "x.txt:5: water: given twice"},
    {"map path leaving the data folder", "map ../../etc/passwd\n",
     "x.txt:1: map: expected a model path inside the data folder"},
    {"map path inside then out", "map Obj/../../x.obj\n", "x.txt:1: map: expected a model path"},
    {"absolute map path", "map /etc/passwd\n", "x.txt:1: map: expected a model path"},
    {"map option", "map Obj/m.obj lit\n", "x.txt:1: map: expected 'lightmap' or nothing"},
    {"draw group twice", Least + "draw map map\n", "x.txt:4: draw: expected groups"},
    {"draw unknown group", Least + "draw sky\n", "x.txt:4: draw: expected groups"},
    // What a line echoes reaches a terminal: control characters are escaped.
    {"control characters in a key", Least + "\x1b]0;owned\x07 1\n",
     "x.txt:4: unknown key '\\x1b]0;owned\\x07' (expected title, spawn, health, power, "
     "toughness, map, light, enemy, wall, plainwall, water or draw)"},
    {"control characters in an axis", Least + "enemy 1 2 3 \x1b[2J\n",
     "x.txt:4: enemy: expected the axis (x, y or z) after the position, not '\\x1b[2J'"},
    {"control characters after the values",
     Least + "plainwall 1 2 3 0 \x9b"
             "2J\n",
     "x.txt:4: plainwall: expected nothing after the values, not '\\x9b2J'"},
    {"control characters in the map path", "map Obj/\x1b[2J.obj\n",
     "x.txt:1: map: expected a model path inside the data folder (relative, without '..'), "
     "not 'Obj/\\x1b[2J.obj'"},
    {"too many objects (the map is one)", many("wall 0 0 0\n", 2000),
     "x.txt:2003: wall: expected at most 2000 objects in a level"},
    {"too many enemies", many("enemy 0 0 0 x\n", 1001),
     "x.txt:1004: enemy: expected at most 1000 enemies in a level"},
};

class LevelFileCase : public ::testing::TestWithParam<Case> {};

TEST_P(LevelFileCase, ReadsOrRefusesWithOneLine) {
    const Case& c = GetParam();
    const levelfile::Result result = levelfile::parse(c.text, "x.txt");
    if (std::string(c.error).empty()) {
        EXPECT_TRUE(result.content) << result.error;
        EXPECT_EQ(result.error, "");
        return;
    }
    EXPECT_FALSE(result.content);
    EXPECT_EQ(result.error.rfind(c.error, 0), 0u) << result.error;
    EXPECT_EQ(result.error.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Cases, LevelFileCase, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return name;
                         });

TEST(LevelFile, NamesItsFileWithControlCharactersEscaped) {
    const levelfile::Result read = levelfile::parse("door\n", "my\x1b]0;x\x07level.txt");
    EXPECT_EQ(read.error, "my\\x1b]0;x\\x07level.txt:1: unknown key 'door' (expected title, "
                          "spawn, health, power, toughness, map, light, enemy, wall, plainwall, "
                          "water or draw)");
}

TEST(LevelFile, DefaultsAndOrder) {
    const levelfile::Result read = levelfile::parse(
        Least + "enemy 1 2 3 y\nwall 4 5 6\nwater 7 8 9\nlight 1 1 1\ndraw water", "x.txt");
    ASSERT_TRUE(read.content) << read.error;
    const levelfile::Content& level = *read.content;
    EXPECT_EQ(level.health, 40.0f);
    EXPECT_EQ(level.power, 10.0f);
    EXPECT_EQ(level.toughness, 3.0f);
    EXPECT_FALSE(level.map().lightMapped);
    ASSERT_EQ(level.objects.size(), 4u);
    EXPECT_EQ(level.objects[1].damage, 3.0f);
    EXPECT_EQ(level.objects[2].code, 0);
    EXPECT_EQ(level.objects[2].scale, 1.0f);
    EXPECT_EQ(level.objects[2].health, 15.0f);
    EXPECT_EQ(level.objects[2].toughness, 4.0f);
    EXPECT_EQ(level.objects[3].scale, 16.0f);
    EXPECT_EQ(level.lights[0].offset, 0);
    const std::array<Kind, 5> order = {Kind::Water, Kind::Map, Kind::PlainWalls, Kind::Enemies,
                                       Kind::Walls};
    EXPECT_EQ(level.drawOrder, order);
}

// What each of the game's levels has always had.
struct Placed {
    Kind kind;
    glm::vec3 position;
    int code;
    float scale;
};
struct Shipped {
    const char* file;
    const char* title;
    float health;
    glm::vec3 spawn;
    const char* map;
    bool lightMapped;
    std::vector<Placed> made; // in the order they are made
    std::array<Kind, 5> drawOrder;
    std::vector<std::pair<glm::vec3, long long>> lights; // position, offset from the brightness
};

const Shipped Levels[] = {
    {"level1.txt",
     "Level 1",
     40,
     {0, 8, 0},
     "Obj/level1.2.obj",
     false,
     {{Kind::Enemies, {8, 6, 0}, 0, 1},
      {Kind::Enemies, {16, 6, 32}, 2, 1},
      {Kind::Walls, {-8, 0, 0}, 0, 1},
      {Kind::Walls, {8, 0, 80}, 0, 1},
      {Kind::Walls, {8, 32, 0}, 0, 1},
      {Kind::Walls, {0, -56, 0}, 0, 1},
      {Kind::PlainWalls, {16, -48, 16}, 3, 1},
      {Kind::PlainWalls, {16, -48, -16}, 2, 1},
      {Kind::Water, {16, -60, 0}, 0, 16},
      {Kind::Map, {0, 0, 0}, 0, 1}},
     {Kind::Map, Kind::PlainWalls, Kind::Water, Kind::Enemies, Kind::Walls},
     {{{16, 8, 0}, 0}, {{16, 8, 32}, 0}, {{16, 8, 80}, 0}, {{16, -50, 0}, 0}}},
    {"level2.txt",
     "Level 2",
     50,
     {0, 8, 0},
     "Obj/level2.fbx",
     true,
     {{Kind::Map, {0, 0, 0}, 0, 1},
      {Kind::Walls, {-76, 4, -56}, 0, 0.5f},
      {Kind::Walls, {112, 4, -56}, 1, 0.5f},
      {Kind::Walls, {0, 80, -88}, 3, 0.5f},
      {Kind::Walls, {0, 80, -24}, 2, 0.5f},
      {Kind::Walls, {96, -116, -88}, 3, 0.5f},
      {Kind::Walls, {96, -116, -24}, 2, 0.5f},
      {Kind::Water, {96, -136, -70}, 0, 48},
      {Kind::Enemies, {40, 4, -56}, 0, 1},
      {Kind::Enemies, {0, 80, -35}, 1, 1},
      {Kind::Enemies, {0, 80, -75}, 1, 1},
      {Kind::Enemies, {96, -130, -30}, 1, 1},
      {Kind::Enemies, {96, -130, -78}, 1, 1}},
     {Kind::Map, Kind::Walls, Kind::Enemies, Kind::Water, Kind::PlainWalls},
     {{{0, 8, 0}, -30},
      {{8, 8, -56}, 0},
      {{55, 8, -56}, 0},
      {{96, 8, -56}, 0},
      {{96, -40, -56}, 0},
      {{96, -120, -56}, 80},
      {{0, 34, -56}, -20},
      {{0, 80, -56}, 100}}},
};

class ShippedLevel : public ::testing::TestWithParam<Shipped> {};

TEST_P(ShippedLevel, HasWhatTheGameAlwaysPlayed) {
    const Shipped& want = GetParam();
    const levelfile::Result read =
        levelfile::read(std::string(BRINDLEMOX_TEST_SOURCE_DIR) + "/../data/Levels/" + want.file);
    ASSERT_TRUE(read.content) << read.error;
    const levelfile::Content& level = *read.content;
    EXPECT_EQ(level.title, want.title);
    EXPECT_EQ(level.health, want.health);
    EXPECT_EQ(level.power, 10.0f);
    EXPECT_EQ(level.toughness, 3.0f);
    EXPECT_EQ(level.spawn, want.spawn);
    EXPECT_EQ(level.spawnYaw, 90.0) << "facing +x, as the game always started";
    EXPECT_EQ(level.spawnPitch, 0.0);
    EXPECT_EQ(level.map().path, want.map);
    EXPECT_EQ(level.map().lightMapped, want.lightMapped);
    EXPECT_EQ(level.drawOrder, want.drawOrder);
    ASSERT_EQ(level.objects.size(), want.made.size());
    for (size_t i = 0; i < want.made.size(); ++i) {
        const levelfile::Object& got = level.objects[i];
        EXPECT_EQ(got.kind, want.made[i].kind) << i;
        EXPECT_EQ(got.position, want.made[i].position) << i;
        EXPECT_EQ(got.code, want.made[i].code) << i;
        EXPECT_EQ(got.scale, want.made[i].scale) << i;
        if (got.kind == Kind::Walls) {
            EXPECT_EQ(got.health, 15.0f);
            EXPECT_EQ(got.toughness, 4.0f);
        }
        if (got.kind == Kind::Enemies) {
            EXPECT_EQ(got.damage, 3.0f);
        }
    }
    ASSERT_EQ(level.lights.size(), want.lights.size());
    for (size_t i = 0; i < want.lights.size(); ++i) {
        EXPECT_EQ(level.lights[i].position, want.lights[i].first) << i;
        EXPECT_EQ(level.lights[i].offset, want.lights[i].second) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, ShippedLevel, ::testing::ValuesIn(Levels),
                         [](const ::testing::TestParamInfo<Shipped>& info) {
                             return std::string(info.param.file).substr(0, 6);
                         });

} // namespace
