#include "levels/LevelContent.h"

#include "effects/WaterMesh.h"
#include "gameplay/SimpleEnemy.h"
#include "gameplay/VulnerableWall.h"
#include "render/Map.h"

#include <algorithm>

namespace brindlemox::levels {

using namespace gameplay;
using namespace effects;
using namespace render;

void LevelContent::addObjective(VulnerableWall* wall) {
    wall->show(scene);
    models.push_back(wall);
    walls.push_back(wall);
    wall->setSightBlocker(geometry != nullptr ? geometry->getRigidBody() : nullptr);
}

void LevelContent::addEnemy(SimpleEnemy* enemy) {
    enemy->show(scene);
    moving.push_back(enemy);
    models.push_back(enemy);
    CellComponent* component = enemy->getComponent();
    component->show(scene);
    moving.push_back(component);
    models.push_back(component);
    enemyList.push_back(enemy);
}

void LevelContent::setMap(Map* given) {
    geometry = given;
    for (VulnerableWall* wall : walls)
        wall->setSightBlocker(geometry != nullptr ? geometry->getRigidBody() : nullptr);
}

void LevelContent::setWater(WaterMesh* given) {
    surface = given;
    if (surface != nullptr)
        surfaceHeight = surface->getTransform().position.y;
}

void LevelContent::setLights(std::vector<Light> list) {
    lightList = std::move(list);
    lightSet = std::make_unique<LightSet>(lightList);
    scene.setLights(lightSet.get());
}

void LevelContent::release() {
    moving.clear();
    models.clear();
    walls.clear();
    enemyList.clear();
    owned.clear();
}

size_t LevelContent::wallsDestroyed() const {
    return static_cast<size_t>(std::count_if(walls.begin(), walls.end(),
                                             [](VulnerableWall* wall) { return wall->isDead(); }));
}

} // namespace brindlemox::levels
