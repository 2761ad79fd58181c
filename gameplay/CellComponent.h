#pragma once

#include "gameplay/GameplayModel.h"
#include "gameplay/Motion.h"
#include "render/RenderScene.h"

#include <glm/vec3.hpp>

namespace brindlemox::gameplay {

// The satellite of an enemy: the model ModelFile floating 4.5 units above the enemy's start,
// following the enemy along its axis and spinning ever faster about its Z axis. No body; never
// reacts to attacks. Drawn with the level's shared program, which it does not own.
class CellComponent : public GameplayModel {
  public:
    static constexpr const char* ModelFile = "Obj/cellComponent.obj";
    static constexpr float Height = 4.5f;

    CellComponent(const glm::vec3& position, MovementAxis axis, float spinRate,
                  render::ProgramRef program, float damage, render::ResourceCache* cache = nullptr);

    // Moves by the step the enemy set this frame and adds the accumulated spin to the Z angle.
    // Runs after the owning enemy's update.
    void update(float deltaTime) override;
    bool isDead() const override { return false; }
    // Joins the scene.
    void show(render::RenderScene& scene) { entry.show(scene); }

    // Written by the owning enemy before this frame's update.
    void setStep(float newStep) { step = newStep; }
    float getStep() const { return step; }
    float getSpinAngle() const { return spin.angle; }
    MovementAxis getAxis() const { return axis; }
    const render::RenderObject& renderObject() const { return entry.object; }
    const render::Transform& getTransform() const { return entry.object.transform; }

  private:
    render::SceneEntry entry;
    float step = 0.0f;
    Spin spin;
    MovementAxis axis;
};

} // namespace brindlemox::gameplay
