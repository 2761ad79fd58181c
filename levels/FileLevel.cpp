#include "levels/FileLevel.h"

#include "gameplay/Player.h"
#include "levels/LevelValues.h"
#include "levels/MapSpace.h"
#include "platform/Printable.h"
#include "render/Model.h"

#include <filesystem>

namespace brindlemox::levels {

using namespace gameplay;
using namespace render;
using namespace platform;

using levelfile::Kind;

FileLevel::FileLevel(GLFWwindow* window, const Config* config, Controls& controls,
                     std::shared_ptr<ResourceCache> resources, levelfile::Content content)
    : Level(window, config, controls, std::move(resources)), level(std::move(content)) {}

std::string FileLevel::located(const levelfile::Content& level, const std::string& path) {
    if (level.folder.empty())
        return path;
    const std::string beside = (std::filesystem::path(level.folder) / path).string();
    // Whatever is there, so that a folder or a pipe beside the level is named, not passed over.
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(beside, error)) ? beside : path;
}

Result<ModelData> FileLevel::readMap(const levelfile::Content& level, const std::string& name) {
    const levelfile::Object& map = level.map();
    const auto refuse = [&name](int line, const std::string& why) {
        return fail(printable(name) + ":" + std::to_string(line) + ": " + why);
    };
    ModelData data = readModel(located(level, map.path));
    if (data.failed)
        return refuse(map.line, "map " + printable(map.path) + " cannot be read (" +
                                    printable(data.reason) + ")");
    // A spawn in the rock, outside the map or against a wall plays a void, or a player stuck.
    if (!mapspace::inOpenSpace(data.triangles, level.spawn))
        return refuse(level.spawnLine, "spawn: expected a point in the map's open space, not in "
                                       "the rock or outside the map");
    if (mapspace::boxMeets(data.triangles, level.spawn, Player::HalfExtent))
        return refuse(level.spawnLine, "spawn: expected room for the player's box (" +
                                           levelfile::text(2.0 * Player::HalfExtent) +
                                           " units wide) around the point, clear of the map");
    return data;
}

ResourceCache::ReadAhead FileLevel::filesToReadAhead(const levelfile::Content& level,
                                                     std::optional<ModelData> map) {
    ResourceCache::ReadAhead files;
    for (const levelfile::KindRow& row : levelfile::KindTable::rows()) {
        if (!row.makesObjects() || level.count(row.kind) == 0)
            continue;
        for (const char* model : row.models)
            if (model != nullptr)
                files.reads.push_back(modelReadAhead(model));
        if (row.ownModel)
            for (const levelfile::Object& object : level.objects)
                if (object.kind == row.kind) {
                    const std::string path = located(level, object.path);
                    files.reads.push_back(map ? modelReadAhead(path, std::move(*map))
                                              : modelReadAhead(path));
                    map.reset();
                }
        for (const char* image : row.images)
            if (image != nullptr)
                files.images.push_back(image);
        if (row.generated != nullptr)
            files.reads.push_back(row.generated());
    }
    return files;
}

void FileLevel::start() {
    levelfile::Made made;
    for (const levelfile::Object& object : level.objects)
        levelfile::KindTable::of(object.kind).make(*this, made, object);
    setTitle(level.title);
    spawnPlayer(level.spawn, level.health, level.power, level.toughness, level.spawnYaw,
                level.spawnPitch);

    // The order of the bodies decides the solver's order, so the runs the demos recorded: the
    // kinds in the table's order, the player right after the map.
    for (const levelfile::KindRow& row : levelfile::KindTable::rows()) {
        if (row.join != nullptr)
            row.join(*this, made);
        if (row.makesObjects() && row.kind == Kind::Map)
            addRigidBody(getPlayer().getRigidBody());
    }
    for (Kind kind : level.drawOrder)
        levelfile::KindTable::of(kind).draw(*this, made);

    // Added in whole numbers before the conversion, so a saturated brightness cannot overflow.
    const long long brightness = settings().brightness;
    std::vector<Light> lightList;
    for (const levelfile::Light& light : level.lights)
        lightList.emplace_back(light.position, static_cast<float>(brightness + light.offset));
    setLights(std::move(lightList));
}

} // namespace brindlemox::levels
