#pragma once

#include "gameplay/CellComponent.h"
#include "gameplay/GameplayModel.h"
#include "gameplay/Motion.h"
#include "render/RenderScene.h"

#include <glm/vec3.hpp>

#include <memory>

class btBoxShape;
class btDefaultMotionState;
class btRigidBody;

namespace brindlemox::gameplay {

// A cell that glides back and forth along one world axis (speed 4 sin(0.5 t)) with its satellite
// and a box body that moves with it. Cannot be hurt; hurts the player only through the level's
// contact rule. Drawn with the level's shared program, which it does not own.
//
// The level adds getRigidBody() to its world and must remove it before the enemy is destroyed.
class SimpleEnemy : public GameplayModel {
  public:
    static constexpr const char* ModelFile = "Obj/cell.obj";
    static constexpr float SpinRate = 0.5f;
    static constexpr float Scale = 0.5f;

    // An axis code outside 0..2 is reported on standard output and read as y (1), the axis the
    // satellite would follow anyway.
    SimpleEnemy(const glm::vec3& position, int axis, render::ProgramRef program, float damage,
                render::ResourceCache* cache = nullptr);
    ~SimpleEnemy() override;

    // One frame of the glide: enemy, body and (through its step) the satellite move together.
    void update(float deltaTime) override;
    bool isDead() const override { return false; }
    // Joins the scene; the satellite joins on its own, after it (the level shows both).
    void show(render::RenderScene& scene) { entry.show(scene); }

    // Owned by the enemy; the level registers it for updating and drawing after the enemy.
    CellComponent* getComponent() const { return component.get(); }
    MovementAxis getAxis() const { return axis; }
    float getStep() const { return oscillation.step; }
    float getPhase() const { return oscillation.phase; }
    btRigidBody* getRigidBody() const { return body.get(); }
    const render::RenderObject& renderObject() const { return entry.object; }
    const render::Transform& getTransform() const { return entry.object.transform; }

  private:
    // Box body at the current position: mass 0, moved by the enemy, never deactivated.
    void initPhysics();

    render::SceneEntry entry;
    std::unique_ptr<CellComponent> component;
    MovementAxis axis;
    Oscillation oscillation;
    // Destroyed body first, then what it refers to.
    std::unique_ptr<btBoxShape> shape;
    std::unique_ptr<btDefaultMotionState> motionState;
    std::unique_ptr<btRigidBody> body;
};

} // namespace brindlemox::gameplay
