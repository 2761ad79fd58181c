#include "levels/FileLevel.h"

#include "gameplay/Player.h"
#include "platform/DataFile.h"
#include "render/Model.h"

#include <filesystem>

using levelfile::Kind;

FileLevel::FileLevel(GLFWwindow* window, const Config* config,
                     std::shared_ptr<ResourceCache> resources, levelfile::Content content)
    : Level(window, config, std::move(resources)), level(std::move(content)) {}

std::string FileLevel::located(const levelfile::Content& level, const std::string& path) {
    if (level.folder.empty())
        return path;
    const std::string beside = (std::filesystem::path(level.folder) / path).string();
    return datafile::isReadable(beside, datafile::MaxModelBytes) ? beside : path;
}

ResourceCache::ReadAhead FileLevel::filesToReadAhead(const levelfile::Content& level) {
    ResourceCache::ReadAhead files;
    for (const levelfile::KindRow& row : levelfile::KindTable::rows()) {
        if (!row.makesObjects() || level.count(row.kind) == 0)
            continue;
        for (const char* model : row.models)
            if (model != nullptr)
                files.reads.push_back(modelReadAhead(model));
        if (row.ownModel)
            for (const levelfile::Object& object : level.objects)
                if (object.kind == row.kind)
                    files.reads.push_back(modelReadAhead(located(level, object.path)));
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
