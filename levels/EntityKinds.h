#pragma once

// The keys of a level file in one table (docs/LEVELS.md). A row says how often its key may
// appear and how its values are read; a row that makes objects (an entity kind) also gives the
// files its objects read (read ahead while the window opens), its factory, how its objects join
// the physics world and its group in the drawing order. The reader, the read-ahead and
// FileLevel::start are loops over it: a new kind is one row and its class.

#include "levels/LevelFile.h"
#include "render/ResourceCache.h"

#include <array>
#include <vector>

namespace brindlemox::render {
class Map;
}

namespace brindlemox::effects {
class WaterMesh;
}

namespace brindlemox::gameplay {
class SimpleEnemy;
class SimpleWall;
class VulnerableWall;
} // namespace brindlemox::gameplay

namespace brindlemox::levels {

class FileLevel;

namespace levelfile {

class Values;

// What FileLevel::start has made, by kind, in the file's order.
struct Made {
    render::Map* map = nullptr;
    effects::WaterMesh* water = nullptr;
    std::vector<gameplay::SimpleEnemy*> enemies;
    std::vector<gameplay::VulnerableWall*> walls;
    std::vector<gameplay::SimpleWall*> plainWalls;
};

enum class Times { Once, Required, Many };

struct KindRow {
    const char* key;
    Times times;
    // Takes the line's values into the level, or into object for an entity kind; the first
    // problem stays in the values' error.
    void (*read)(Values& values, Content& level, Object& object);

    // Entity kinds only (group is null for the other keys).
    const char* group; // its name in the `draw` line
    Kind kind;
    // The files its objects read: model files (the object's own path too, with ownModel),
    // images, and generated textures.
    std::array<const char*, 2> models;
    bool ownModel;
    std::array<const char*, 2> images;
    render::ResourceCache::ReadJob (*generated)();
    // The factory: makes one object in the level, noted in made.
    void (*make)(FileLevel& level, Made& made, const Object& object);
    // Adds the kind's bodies to the physics world; null for a kind without bodies.
    void (*join)(FileLevel& level, const Made& made);
    // Hands the kind's objects to the level's drawing (and updating), as its draw group.
    void (*draw)(FileLevel& level, const Made& made);

    bool makesObjects() const { return group != nullptr; }
};

// Every key, in the order the reader names them (also the order of the physics world's bodies).
struct KindTable {
    static const std::vector<KindRow>& rows();
    // The row of an entity kind.
    static const KindRow& of(Kind kind);
};

} // namespace levelfile

} // namespace brindlemox::levels
