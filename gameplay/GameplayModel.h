#pragma once

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

namespace brindlemox::render {
class Camera;
}

namespace brindlemox::gameplay {

// Anything that can be attacked, hurt or destroyed. The player runs beginFrame, takeHit (when the
// attack key is held and isTargeted answers true) and frameUpdate for every model once a frame.
class GameplayModel {
  public:
    // health and maxHealth both take the first value.
    GameplayModel(float health, float power, float toughness);
    virtual ~GameplayModel() = default;

    // Whether the player's attack reaches this model this frame. Default: never.
    virtual bool isTargeted(const render::Camera& camera);
    virtual bool isDead() const = 0;
    // One frame of the model's own motion, before the attack pass. Default: none.
    virtual void update(float /*deltaTime*/) {}
    // Before the attack test, every frame.
    virtual void beginFrame() {}
    // One frame of the player's attack.
    virtual void takeHit(float /*power*/, float /*deltaTime*/) {}
    // After the attack test, every frame.
    virtual void frameUpdate(float /*deltaTime*/) {}

    void setStats(float health, float power, float toughness);
    // No clamping: health may go below zero.
    void takeDamage(float amount) { health -= amount; }
    void resetHealth() { health = maxHealth; }

    float getPower() const { return power; }
    float getToughness() const { return toughness; }
    float getHealth() const { return health; }
    float getMaxHealth() const { return maxHealth; }

  protected:
    float power = 0.0f;
    float toughness = 0.0f;
    float health = 0.0f;
    float maxHealth = 0.0f;
};

} // namespace brindlemox::gameplay
