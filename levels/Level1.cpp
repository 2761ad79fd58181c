#include "levels/Level1.h"

#include "effects/GBtDebugDraw.h"
#include "effects/WaterMesh.h"
#include "gameplay/Player.h"
#include "gameplay/SimpleEnemy.h"
#include "gameplay/SimpleWall.h"
#include "gameplay/VulnerableWall.h"
#include "render/Map.h"

ResourceCache::ReadAhead Level1::filesToReadAhead() {
    ResourceCache::ReadAhead files;
    files.models = {"Obj/cell.obj",       "Obj/cellComponent.obj", "Obj/vulnerablePath.obj",
                    "Obj/simpleWall.obj", "Obj/plane.obj",         "Obj/level1.2.obj"};
    files.images = {"Texture/particleSystem.bmp", "Texture/waterDUDV.png", "Texture/normalMap.png",
                    "Texture/red.bmp"};
    files.texels = {noiseReadAhead(SimpleWall::NoiseSize, SimpleWall::NoiseSeed)};
    return files;
}

void Level1::start() {
    ResourceCache* cache = this->cache();
    const ProgramRef& program = entityProgram();
    auto* enemyA =
        adopt(std::make_unique<SimpleEnemy>(glm::vec3(8, 6, 0), 0, program, 3.0f, cache));
    auto* enemyB =
        adopt(std::make_unique<SimpleEnemy>(glm::vec3(16, 6, 32), 2, program, 3.0f, cache));
    auto* wall1 = adopt(
        std::make_unique<VulnerableWall>(glm::vec3(-8, 0, 0), 0, program, 15.0f, 4.0f, cache));
    auto* wall2 = adopt(
        std::make_unique<VulnerableWall>(glm::vec3(8, 0, 80), 0, program, 15.0f, 4.0f, cache));
    auto* wall3 = adopt(
        std::make_unique<VulnerableWall>(glm::vec3(8, 32, 0), 0, program, 15.0f, 4.0f, cache));
    auto* wall4 = adopt(
        std::make_unique<VulnerableWall>(glm::vec3(0, -56, 0), 0, program, 15.0f, 4.0f, cache));
    auto* plainWall1 =
        adopt(std::make_unique<SimpleWall>(glm::vec3(16, -48, 16), 3, program, cache));
    auto* plainWall2 =
        adopt(std::make_unique<SimpleWall>(glm::vec3(16, -48, -16), 2, program, cache));
    auto* surface = adopt(std::make_unique<WaterMesh>(glm::vec3(16, -60, 0), screenHeight(),
                                                      screenWidth(), getCamera(), cache));
    auto* map = adopt(std::make_unique<Map>("Obj/level1.2.obj", program, false, cache));
    setMap(map);
    adopt(std::make_unique<GBtDebugDraw>(cache));

    surface->setRenderTargets(&getWaterTargets());
    setTitle("Level 1");
    surface->setScale(16.0f);
    setWater(surface);

    spawnPlayer(glm::vec3(0, 8, 0), 40.0f, 10.0f, 3.0f);

    addRigidBody(map->getRigidBody());
    addRigidBody(getPlayer().getRigidBody());
    addRigidBody(enemyA->getRigidBody());
    addRigidBody(enemyB->getRigidBody());
    for (VulnerableWall* wall : {wall1, wall2, wall3, wall4})
        addRigidBody(wall->getRigidBody());
    addRigidBody(plainWall1->getRigidBody());
    addRigidBody(plainWall2->getRigidBody());

    addDrawable(map);
    addDrawable(plainWall1);
    addDrawable(plainWall2);
    addDrawable(surface);
    addEnemy(enemyA);
    addEnemy(enemyB);
    for (VulnerableWall* wall : {wall1, wall2, wall3, wall4})
        addObjective(wall);

    const float power = static_cast<float>(settings().brightness);
    std::vector<Light> lightList;
    for (const glm::vec3& position :
         {glm::vec3(16, 8, 0), glm::vec3(16, 8, 32), glm::vec3(16, 8, 80), glm::vec3(16, -50, 0)})
        lightList.emplace_back(position, power);
    setLights(std::move(lightList));
}
