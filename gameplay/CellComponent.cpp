#include "gameplay/CellComponent.h"

CellComponent::CellComponent(const glm::vec3& position, MovementAxis axis, float spinRate,
                             ProgramRef program, float damage, ResourceCache* cache)
    : Drawable(ModelFile, std::move(program), cache),
      GameplayModel(0.0f, damage, 0.0f), axis(axis) {
    transform.move(position);
    transform.move(0.0f, Height, 0.0f);
    spin.rate = spinRate;
}

void CellComponent::update(float deltaTime) {
    transform.move(alongAxis(axis, step));
    transform.rotateZ(spin.advance(deltaTime));
}
