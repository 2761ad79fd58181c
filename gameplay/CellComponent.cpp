#include "gameplay/CellComponent.h"

namespace brindlemox::gameplay {

using namespace render;

CellComponent::CellComponent(const glm::vec3& position, MovementAxis axis, float spinRate,
                             ProgramRef program, float damage, ResourceCache* cache)
    : GameplayModel(0.0f, damage, 0.0f), entry(RenderObject(ModelFile, std::move(program), cache)),
      axis(axis) {
    RenderObject& object = entry.object;
    object.transform.move(position);
    object.transform.move(0.0f, Height, 0.0f);
    object.closedSurface = true;
    object.instanced = true;
    spin.rate = spinRate;
}

void CellComponent::update(float deltaTime) {
    Transform& transform = entry.object.transform;
    transform.move(alongAxis(axis, step));
    transform.rotateZ(spin.advance(deltaTime));
    entry.changed();
}

} // namespace brindlemox::gameplay
