#include "levels/EntityKinds.h"

#include "effects/ParticleSystem.h"
#include "effects/PerlinNoise.h"
#include "effects/WaterMesh.h"
#include "gameplay/CellComponent.h"
#include "gameplay/Player.h"
#include "gameplay/SimpleEnemy.h"
#include "gameplay/SimpleWall.h"
#include "gameplay/VulnerableWall.h"
#include "levels/FileLevel.h"
#include "levels/LevelValues.h"
#include "platform/Printable.h"
#include "platform/Utf8.h"
#include "render/Map.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

namespace brindlemox::levels {

using namespace gameplay;
using namespace effects;
using namespace render;
using namespace platform;

namespace levelfile {

namespace {

// A path of the data folder (or the level's folder): relative, without "..", printable.
bool safePath(std::string_view path) {
    if (path.empty() || path.size() > MaxPath || path[0] == '/' || path[0] == '\\')
        return false;
    for (char c : path)
        if (static_cast<unsigned char>(c) < 0x21 || c == 0x7f || c == '\\')
            return false;
    for (const std::filesystem::path& part : std::filesystem::path(std::string(path)))
        if (part == "..")
            return false;
    return true;
}

// "map, plainwalls, water, enemies and walls": the groups in their default order.
std::string drawGroups() {
    std::vector<const char*> groups;
    for (size_t kind = 0; kind < KindCount; ++kind)
        groups.push_back(KindTable::of(static_cast<Kind>(kind)).group);
    return listed(groups, " and ");
}

void readTitle(Values& v, Content& level, Object&) {
    const std::string_view title = v.rest();
    // Counted and checked by character: "Kellér" is six.
    const std::optional<std::u32string> codes = utf8::decodeStrict(title);
    const bool printable = codes && std::all_of(codes->begin(), codes->end(), [](char32_t c) {
                               return c >= 0x20 && !(c >= 0x7f && c < 0xa0);
                           });
    if (!codes)
        v.reject("expected UTF-8 text");
    else if (codes->size() > MaxTitle || !printable || title.empty())
        v.reject("expected the level's name (at most " + std::to_string(MaxTitle) +
                 " printable characters)");
    else
        level.title = std::string(title);
}

void readSpawn(Values& v, Content& level, Object& object) {
    if (auto p = v.position("the spawn point"))
        level.spawn = *p;
    if (v.more())
        if (auto yaw = v.number("the yaw after the position", -360.0, 360.0))
            level.spawnYaw = *yaw;
    if (v.more())
        if (auto pitch = v.number("the pitch after the yaw", -80.0, 80.0))
            level.spawnPitch = *pitch;
    level.spawnLine = object.line;
}

// The player's health, power or toughness.
template <float Content::*stat> void readStat(Values& v, Content& level, Object&) {
    const char* name = stat == &Content::health  ? "health"
                       : stat == &Content::power ? "power"
                                                 : "toughness";
    const double low = stat == &Content::health  ? MinHealth
                       : stat == &Content::power ? 0.0
                                                 : MinToughness;
    if (auto n = v.between("the player's " + std::string(name), low, MaxStat))
        level.*stat = *n;
}

void readMap(Values& v, Content&, Object& object) {
    if (auto path = v.word("the model's path")) {
        if (!safePath(*path)) {
            v.reject("expected a model path inside the data folder (relative, without '..'), "
                     "not '" +
                     printable(path->substr(0, 64)) + "'");
            return;
        }
        object.path = std::string(*path);
    }
    if (v.more() && !v.failed()) {
        if (v.word("") == std::string_view("lightmap"))
            object.lightMapped = true;
        else
            v.reject("expected 'lightmap' or nothing after the path");
    }
}

void readLight(Values& v, Content& level, Object&) {
    if (level.lights.size() == MaxLights) {
        v.reject("expected at most " + std::to_string(MaxLights) + " lights in a level");
        return;
    }
    Light light;
    if (auto p = v.position("the light's position"))
        light.position = *p;
    if (v.more())
        if (auto offset =
                v.whole("the power's offset from the brightness", -MaxLightOffset, MaxLightOffset))
            light.offset = *offset;
    if (!v.failed())
        level.lights.push_back(light);
}

void readEnemy(Values& v, Content&, Object& object) {
    if (auto p = v.position("the enemy's position"))
        object.position = *p;
    const std::optional<std::string_view> axis = v.word("the axis (x, y or z)");
    if (axis) {
        if (*axis != "x" && *axis != "y" && *axis != "z") {
            v.reject("expected the axis (x, y or z) after the position, not '" +
                     printable(axis->substr(0, 16)) + "'");
            return;
        }
        object.code = (*axis)[0] - 'x';
    }
    if (v.more())
        if (auto damage = v.between("the damage", 0.0, MaxStat))
            object.damage = *damage;
}

void readWall(Values& v, Content&, Object& object) {
    if (auto p = v.position("the wall's position"))
        object.position = *p;
    if (v.more())
        if (auto code = v.whole("the orientation after the position", 0, 5))
            object.code = static_cast<int>(*code);
    if (v.more())
        if (auto scale = v.between("the scale after the orientation", MinWallScale, MaxScale))
            object.scale = *scale;
    if (v.more())
        if (auto health = v.between("the health after the scale", MinHealth, MaxStat))
            object.health = *health;
    if (v.more())
        if (auto toughness = v.between("the toughness after the health", MinToughness, MaxStat))
            object.toughness = *toughness;
}

void readPlainWall(Values& v, Content&, Object& object) {
    if (auto p = v.position("the wall's position"))
        object.position = *p;
    if (v.more())
        if (auto code = v.whole("the orientation after the position", 0, 5))
            object.code = static_cast<int>(*code);
}

void readWater(Values& v, Content&, Object& object) {
    if (auto p = v.position("the water's position"))
        object.position = *p;
    object.scale = 16.0f;
    if (v.more())
        if (auto scale = v.between("the scale after the position", MinWaterScale, MaxScale))
            object.scale = *scale;
}

// The groups named, in order; those not named follow in the default order.
void readDraw(Values& v, Content& level, Object&) {
    std::vector<Kind> order;
    while (v.more() || order.empty()) {
        const std::optional<std::string_view> group = v.word("a group");
        const std::vector<KindRow>& rows = KindTable::rows();
        const auto row = std::find_if(rows.begin(), rows.end(), [&group](const KindRow& r) {
            return group && r.makesObjects() && *group == r.group;
        });
        if (row == rows.end() || std::find(order.begin(), order.end(), row->kind) != order.end()) {
            v.reject("expected groups from " + drawGroups() + ", each at most once");
            return;
        }
        order.push_back(row->kind);
    }
    for (Kind kind : level.drawOrder)
        if (std::find(order.begin(), order.end(), kind) == order.end())
            order.push_back(kind);
    std::copy(order.begin(), order.end(), level.drawOrder.begin());
}

const std::array<const char*, 2> None = {nullptr, nullptr};

} // namespace

const std::vector<KindRow>& KindTable::rows() {
    using L = FileLevel;
    // clang-format off
    static const std::vector<KindRow> table = {
        {"title", Times::Required, readTitle, nullptr, Kind::Map, None, false, None, nullptr,
         nullptr, nullptr, nullptr},
        {"spawn", Times::Required, readSpawn, nullptr, Kind::Map, None, false, None, nullptr,
         nullptr, nullptr, nullptr},
        {"health", Times::Once, readStat<&Content::health>, nullptr, Kind::Map, None,
         false, None, nullptr, nullptr, nullptr, nullptr},
        {"power", Times::Once, readStat<&Content::power>, nullptr, Kind::Map, None, false,
         None, nullptr, nullptr, nullptr, nullptr},
        {"toughness", Times::Once, readStat<&Content::toughness>, nullptr, Kind::Map, None,
         false, None, nullptr, nullptr, nullptr, nullptr},
        {"map", Times::Required, readMap, "map", Kind::Map,
         None, true, {Map::SecondImage, nullptr}, nullptr,
         [](L& level, Made& made, const Object& o) {
             made.map = level.adopt(std::make_unique<Map>(L::located(level.level, o.path),
                                                          level.entityProgram(), o.lightMapped,
                                                          level.cache()));
             level.setMap(made.map);
         },
         [](L& level, const Made& made) {
             level.addRigidBody(made.map != nullptr ? made.map->getRigidBody() : nullptr);
         },
         [](L& level, const Made& made) {
             if (made.map != nullptr)
                 level.addDrawable(made.map);
         }},
        {"light", Times::Many, readLight, nullptr, Kind::Map, None, false, None, nullptr,
         nullptr, nullptr, nullptr},
        {"enemy", Times::Many, readEnemy, "enemies", Kind::Enemies,
         {SimpleEnemy::ModelFile, CellComponent::ModelFile}, false, None, nullptr,
         [](L& level, Made& made, const Object& o) {
             made.enemies.push_back(level.adopt(std::make_unique<SimpleEnemy>(
                 o.position, o.code, level.entityProgram(), o.damage, level.cache())));
         },
         [](L& level, const Made& made) {
             for (SimpleEnemy* enemy : made.enemies)
                 level.addRigidBody(enemy->getRigidBody());
         },
         [](L& level, const Made& made) {
             for (SimpleEnemy* enemy : made.enemies)
                 level.addEnemy(enemy);
         }},
        {"wall", Times::Many, readWall, "walls", Kind::Walls,
         {VulnerableWall::ModelFile, nullptr}, false, {ParticleSystem::SpriteImage, nullptr},
         nullptr,
         [](L& level, Made& made, const Object& o) {
             made.walls.push_back(level.adopt(std::make_unique<VulnerableWall>(
                 o.position, o.scale, o.code, level.entityProgram(), o.health, o.toughness,
                 level.cache())));
         },
         [](L& level, const Made& made) {
             for (VulnerableWall* wall : made.walls)
                 level.addRigidBody(wall->getRigidBody());
         },
         [](L& level, const Made& made) {
             for (VulnerableWall* wall : made.walls)
                 level.addObjective(wall);
         }},
        {"plainwall", Times::Many, readPlainWall, "plainwalls", Kind::PlainWalls,
         {SimpleWall::ModelFile, nullptr}, false, None,
         [] { return noiseReadAhead(SimpleWall::NoiseSize, SimpleWall::NoiseSeed); },
         [](L& level, Made& made, const Object& o) {
             made.plainWalls.push_back(level.adopt(std::make_unique<SimpleWall>(
                 o.position, o.code, level.entityProgram(), level.cache())));
         },
         [](L& level, const Made& made) {
             for (SimpleWall* wall : made.plainWalls)
                 level.addRigidBody(wall->getRigidBody());
         },
         [](L& level, const Made& made) {
             for (SimpleWall* wall : made.plainWalls)
                 level.addDrawable(wall);
         }},
        {"water", Times::Once, readWater, "water", Kind::Water,
         {WaterMesh::ModelFile, nullptr}, false, {WaterMesh::DudvImage, WaterMesh::NormalImage},
         nullptr,
         [](L& level, Made& made, const Object& o) {
             made.water = level.adopt(std::make_unique<WaterMesh>(
                 o.position, level.screenHeight(), level.screenWidth(), level.getCamera(),
                 level.cache()));
             made.water->setRenderTargets(&level.getWaterTargets());
             made.water->setScale(o.scale);
             level.setWater(made.water);
         },
         nullptr,
         [](L& level, const Made& made) {
             if (made.water != nullptr)
                 level.addDrawable(made.water);
         }},
        {"draw", Times::Once, readDraw, nullptr, Kind::Map, None, false, None, nullptr, nullptr,
         nullptr, nullptr},
    };
    // clang-format on
    return table;
}

const KindRow& KindTable::of(Kind kind) {
    const std::vector<KindRow>& table = rows();
    return *std::find_if(table.begin(), table.end(), [kind](const KindRow& row) {
        return row.makesObjects() && row.kind == kind;
    });
}

} // namespace levelfile

} // namespace brindlemox::levels
