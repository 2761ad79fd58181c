#include "gameplay/SimpleWall.h"

#include "render/ProgramStatus.h"
#include "render/Semantics.h"

#include <cstdio>

SimpleWall::SimpleWall(const glm::vec3& position, WallOrientation orientation, ProgramRef program,
                       ResourceCache* cache)
    : Drawable(ModelFile, std::move(program), cache) {
    transform.move(position);
    if (!isWallOrientation(orientation))
        std::printf("Wall orientation %d is not 0 to 5; the wall stays unturned\n", orientation);
    turnWall(transform, simpleWallTurn(orientation));
    noise = sharedNoise(*CacheOrOwn(cache), NoiseSize, NoiseSeed);
    setScale(Scale);
    initPhysics();
}

SimpleWall::~SimpleWall() {
    SimpleWall::release();
    rigidBody = nullptr;
}

void SimpleWall::initPhysics() {
    physics = StaticMeshBody::build(getTriangles(), getModelMatrix());
    rigidBody = physics.body.get();
}

void SimpleWall::uploadUniforms(const RenderState& state) {
    // useProgram skipped a program that failed to build; another one (or none) is current.
    if (!programReady(program))
        return;
    const glm::mat4& model = getModelMatrix();
    uploadPlacement(state.viewProjection * model, model);
    // The pass's own values, rather than whatever the drawable before left on the shared
    // program: the passes draw in an order of their own.
    glUniform1i(celShadingLocation, state.celShading ? 1 : 0);
    glUniform4f(planeLocation, state.clipPlane.x, state.clipPlane.y, state.clipPlane.z,
                state.clipPlane.w);
    glUniform1i(levelsLocation, state.levels);
    // The map before it leaves the shared sampler on its second unit; the wood rings are on 0.
    glUniform1i(textureSamplerLocation, unit::Material);
    const MaterialLocations& material = materialLocations();
    glUniform3f(material.ambient, Ambient, Ambient, Ambient);
    glUniform3f(material.diffuse, Diffuse, Diffuse, Diffuse);
    glUniform3f(material.specular, Specular, Specular, Specular);
    if (noise != nullptr)
        noise->bind(unit::Material);
}

void SimpleWall::release() {
    Drawable::release();
    noise.reset();
}
