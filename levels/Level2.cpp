#include "levels/Level2.h"

#include "effects/WaterMesh.h"
#include "gameplay/Player.h"
#include "gameplay/SimpleEnemy.h"
#include "gameplay/VulnerableWall.h"
#include "render/Map.h"

#include <array>

void Level2::start() {
    ResourceCache* cache = this->cache();
    const ProgramRef& program = entityProgram();
    // Wide enough that a saturated brightness plus an offset cannot overflow.
    const long long b = settings().brightness;

    auto* map = adopt(std::make_unique<Map>("Obj/level2.fbx", program, true, cache));
    setMap(map);

    struct WallPlacement {
        glm::vec3 position;
        int orientation;
    };
    const std::array<WallPlacement, 6> wallPlacements = {{{{-76, 4, -56}, 0},
                                                          {{112, 4, -56}, 1},
                                                          {{0, 80, -88}, 3},
                                                          {{0, 80, -24}, 2},
                                                          {{96, -116, -88}, 3},
                                                          {{96, -116, -24}, 2}}};
    std::array<VulnerableWall*, 6> walls{};
    for (size_t i = 0; i < walls.size(); ++i)
        walls[i] = adopt(std::make_unique<VulnerableWall>(wallPlacements[i].position, 0.5f,
                                                          wallPlacements[i].orientation, program,
                                                          15.0f, 4.0f, cache));

    auto* surface = adopt(std::make_unique<WaterMesh>(glm::vec3(96, -136, -70), screenHeight(),
                                                      screenWidth(), getCamera(), cache));

    struct EnemyPlacement {
        glm::vec3 position;
        int axis;
    };
    const std::array<EnemyPlacement, 5> enemyPlacements = {{{{40, 4, -56}, 0},
                                                            {{0, 80, -35}, 1},
                                                            {{0, 80, -75}, 1},
                                                            {{96, -130, -30}, 1},
                                                            {{96, -130, -78}, 1}}};
    std::array<SimpleEnemy*, 5> enemyList{};
    for (size_t i = 0; i < enemyList.size(); ++i)
        enemyList[i] = adopt(std::make_unique<SimpleEnemy>(
            enemyPlacements[i].position, enemyPlacements[i].axis, program, 3.0f, cache));

    surface->setRenderTargets(&getWaterTargets());
    surface->setScale(48.0f);
    setWater(surface);
    setTitle("Level 2");

    spawnPlayer(glm::vec3(0, 8, 0), 50.0f, 10.0f, 3.0f);

    addRigidBody(map->getRigidBody());
    addRigidBody(getPlayer().getRigidBody());
    for (SimpleEnemy* enemy : enemyList)
        addRigidBody(enemy->getRigidBody());
    for (VulnerableWall* wall : walls)
        addRigidBody(wall->getRigidBody());

    addDrawable(map);
    for (VulnerableWall* wall : walls)
        addObjective(wall);
    for (SimpleEnemy* enemy : enemyList)
        addEnemy(enemy);
    addDrawable(surface);

    // Offsets are added in integers before the conversion, as the light table gives them.
    const std::array<std::pair<glm::vec3, long long>, 8> lightTable = {{{{0, 8, 0}, b - 30},
                                                                        {{8, 8, -56}, b},
                                                                        {{55, 8, -56}, b},
                                                                        {{96, 8, -56}, b},
                                                                        {{96, -40, -56}, b},
                                                                        {{96, -120, -56}, b + 80},
                                                                        {{0, 34, -56}, b - 20},
                                                                        {{0, 80, -56}, b + 100}}};
    std::vector<Light> lightList;
    for (const auto& [position, power] : lightTable)
        lightList.emplace_back(position, static_cast<float>(power));
    setLights(std::move(lightList));
}
