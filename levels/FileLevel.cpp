#include "levels/FileLevel.h"

#include "effects/WaterMesh.h"
#include "gameplay/Player.h"
#include "gameplay/SimpleEnemy.h"
#include "gameplay/SimpleWall.h"
#include "gameplay/VulnerableWall.h"
#include "platform/DataFile.h"
#include "render/Map.h"

#include <filesystem>

using levelfile::Kind;

FileLevel::FileLevel(GLFWwindow* window, const Config* config, Controls& controls,
                     std::shared_ptr<ResourceCache> resources, levelfile::Content content)
    : Level(window, config, controls, std::move(resources)), level(std::move(content)) {}

std::string FileLevel::located(const levelfile::Content& level, const std::string& path) {
    if (level.folder.empty())
        return path;
    const std::string beside = (std::filesystem::path(level.folder) / path).string();
    return datafile::isReadable(beside, datafile::MaxModelBytes) ? beside : path;
}

ResourceCache::ReadAhead FileLevel::filesToReadAhead(const levelfile::Content& level) {
    ResourceCache::ReadAhead files;
    const auto has = [&level](Kind kind) { return level.count(kind) > 0; };
    if (has(Kind::Enemies))
        files.reads.insert(files.reads.end(), {modelReadAhead("Obj/cell.obj"),
                                               modelReadAhead("Obj/cellComponent.obj")});
    if (has(Kind::Walls))
        files.reads.push_back(modelReadAhead("Obj/vulnerablePath.obj"));
    if (has(Kind::PlainWalls))
        files.reads.push_back(modelReadAhead("Obj/simpleWall.obj"));
    if (has(Kind::Water))
        files.reads.push_back(modelReadAhead("Obj/plane.obj"));
    files.reads.push_back(modelReadAhead(located(level, level.map().path)));
    if (has(Kind::Walls))
        files.images.push_back("Texture/particleSystem.bmp");
    if (has(Kind::Water))
        files.images.insert(files.images.end(), {"Texture/waterDUDV.png", "Texture/normalMap.png"});
    files.images.push_back("Texture/red.bmp");
    if (has(Kind::PlainWalls))
        files.reads.push_back(noiseReadAhead(SimpleWall::NoiseSize, SimpleWall::NoiseSeed));
    return files;
}

void FileLevel::start() {
    ResourceCache* cache = this->cache();
    const ProgramRef& program = entityProgram();
    Map* map = nullptr;
    WaterMesh* surface = nullptr;
    float waterScale = 1.0f;
    std::vector<SimpleEnemy*> enemyList;
    std::vector<VulnerableWall*> walls;
    std::vector<SimpleWall*> plainWalls;
    for (const levelfile::Object& object : level.objects) {
        switch (object.kind) {
        case Kind::Map:
            map = adopt(std::make_unique<Map>(located(level, object.path), program,
                                              object.lightMapped, cache));
            break;
        case Kind::Water:
            surface = adopt(std::make_unique<WaterMesh>(object.position, screenHeight(),
                                                        screenWidth(), getCamera(), cache));
            waterScale = object.scale;
            break;
        case Kind::Enemies:
            enemyList.push_back(adopt(std::make_unique<SimpleEnemy>(
                object.position, object.code, program, object.damage, cache)));
            break;
        case Kind::Walls:
            walls.push_back(adopt(
                std::make_unique<VulnerableWall>(object.position, object.scale, object.code,
                                                 program, object.health, object.toughness, cache)));
            break;
        case Kind::PlainWalls:
            plainWalls.push_back(
                adopt(std::make_unique<SimpleWall>(object.position, object.code, program, cache)));
            break;
        }
    }
    setMap(map);
    if (surface != nullptr) {
        surface->setRenderTargets(&getWaterTargets());
        surface->setScale(waterScale);
        setWater(surface);
    }
    setTitle(level.title);
    spawnPlayer(level.spawn, level.health, level.power, level.toughness);

    // The order of the bodies decides the solver's order, so the runs the demos recorded.
    addRigidBody(map != nullptr ? map->getRigidBody() : nullptr);
    addRigidBody(getPlayer().getRigidBody());
    for (SimpleEnemy* enemy : enemyList)
        addRigidBody(enemy->getRigidBody());
    for (VulnerableWall* wall : walls)
        addRigidBody(wall->getRigidBody());
    for (SimpleWall* wall : plainWalls)
        addRigidBody(wall->getRigidBody());

    for (Kind kind : level.drawOrder) {
        switch (kind) {
        case Kind::Map:
            if (map != nullptr)
                addDrawable(map);
            break;
        case Kind::PlainWalls:
            for (SimpleWall* wall : plainWalls)
                addDrawable(wall);
            break;
        case Kind::Water:
            if (surface != nullptr)
                addDrawable(surface);
            break;
        case Kind::Enemies:
            for (SimpleEnemy* enemy : enemyList)
                addEnemy(enemy);
            break;
        case Kind::Walls:
            for (VulnerableWall* wall : walls)
                addObjective(wall);
            break;
        }
    }

    // Added in whole numbers before the conversion, so a saturated brightness cannot overflow.
    const long long brightness = settings().brightness;
    std::vector<Light> lightList;
    for (const levelfile::Light& light : level.lights)
        lightList.emplace_back(light.position, static_cast<float>(brightness + light.offset));
    setLights(std::move(lightList));
}
