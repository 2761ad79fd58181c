#include "gameplay/SimpleWall.h"
#include "platform/Report.h"

#include "render/Semantics.h"

namespace brindlemox::gameplay {

using namespace effects;
using namespace render;
using namespace platform;

SimpleWall::SimpleWall(const glm::vec3& position, WallOrientation orientation, ProgramRef program,
                       ResourceCache* cache)
    : entry(RenderObject(ModelFile, std::move(program), cache)) {
    RenderObject& object = entry.object;
    object.transform.move(position);
    if (!isWallOrientation(orientation))
        report(Severity::Warning, "Wall orientation " + std::to_string(orientation) +
                                      " is not 0 to 5; the wall stays unturned");
    turnWall(object.transform, simpleWallTurn(orientation));
    noise = sharedNoise(*CacheOrOwn(cache), NoiseSize, NoiseSeed);
    object.setScale(Scale);
    object.closedSurface = true;
    // The wood rings on unit 0 are the wall's picture; its model carries no texture to draw
    // over them, nor colours.
    Look& look = object.look;
    look.materialTextures = false;
    Material wood;
    wood.ambient = glm::vec3(Ambient);
    wood.diffuse = glm::vec3(Diffuse);
    wood.specular = glm::vec3(Specular);
    look.colours = wood;
    if (noise != nullptr)
        look.textures = {{unit::Material, noise->getTextureName()}};
    physics = StaticMeshBody::build(object.getTriangles(), object.getModelMatrix());
}

} // namespace brindlemox::gameplay
