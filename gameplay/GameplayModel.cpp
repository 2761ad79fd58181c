#include "gameplay/GameplayModel.h"

namespace brindlemox::gameplay {

using namespace render;

GameplayModel::GameplayModel(float health, float power, float toughness) {
    setStats(health, power, toughness);
}

bool GameplayModel::isTargeted(const Camera& /*camera*/) {
    return false;
}

void GameplayModel::setStats(float newHealth, float newPower, float newToughness) {
    health = newHealth;
    maxHealth = newHealth;
    power = newPower;
    toughness = newToughness;
}

} // namespace brindlemox::gameplay
