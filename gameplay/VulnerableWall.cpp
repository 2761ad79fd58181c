#include "gameplay/VulnerableWall.h"
#include "platform/Report.h"

#include "render/Camera.h"

#include <glm/geometric.hpp>
#include <glm/mat3x3.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

glm::vec3 place(const glm::mat4& m, const glm::vec3& p) {
    return glm::vec3(m * glm::vec4(p, 1.0f));
}

} // namespace

VulnerableWall::VulnerableWall(const glm::vec3& position, int directionIndex, ProgramRef program,
                               float health, float toughness, ResourceCache* cache)
    : Drawable("Obj/vulnerablePath.obj", std::move(program), cache),
      GameplayModel(health, 0.0f, toughness), particles(std::make_unique<ParticleSystem>(cache)),
      initialHealth(health) {
    transform.move(position);
    particles->setSpawning(false);
    startParticles(directionIndex);
    initPhysics();
}

VulnerableWall::VulnerableWall(const glm::vec3& position, float scale, WallOrientation orientation,
                               ProgramRef program, float health, float toughness,
                               ResourceCache* cache)
    : Drawable("Obj/vulnerablePath.obj", std::move(program), cache),
      GameplayModel(health, 0.0f, toughness), particles(std::make_unique<ParticleSystem>(cache)),
      initialHealth(health) {
    particles->setSpawning(false);
    transform.move(position);
    // The bounding radius keeps its loaded value, as the level layouts were made with it.
    transform.setScale(scale);
    if (!isWallOrientation(orientation))
        report(Severity::Warning, "Wall orientation " + std::to_string(orientation) +
                                      " is not 0 to 5; the wall stays unturned");
    turnWall(transform, vulnerableWallTurn(orientation));
    startParticles(orientation);
    initPhysics();
}

VulnerableWall::~VulnerableWall() {
    VulnerableWall::release();
    rigidBody = nullptr;
}

void VulnerableWall::startParticles(int directionIndex) {
    const std::vector<Vertex> none;
    const std::vector<Vertex>& vertices =
        model != nullptr && model->getMeshCount() > 0 ? model->getMesh(0).vertices : none;
    emitter = emitterPosition(vertices, getModelMatrix());
    particles->init(emitter, directionIndex);
}

void VulnerableWall::initPhysics() {
    physics = StaticMeshBody::build(getTriangles(), getModelMatrix());
    rigidBody = physics.body.get();
}

void VulnerableWall::release() {
    Drawable::release();
    particles.reset();
}

glm::vec3 VulnerableWall::emitterPosition(const std::vector<Vertex>& vertices,
                                          const glm::mat4& model) {
    if (vertices.size() < 3)
        return place(model, glm::vec3(0.0f));
    const glm::vec3 p0 = place(model, vertices[0].position);
    const glm::vec3 p1 = place(model, vertices[1].position);
    const glm::vec3 p2 = place(model, vertices[2].position);
    if (glm::length(p1 - p0) > glm::length(p2 - p0))
        return (p0 + p1) * 0.5f;
    return (p0 + p2) * 0.5f;
}

bool VulnerableWall::withinReach(const glm::mat4& model, const glm::vec3& vertexPosition,
                                 const glm::vec3& vertexNormal, const glm::vec3& cameraPosition,
                                 double reach) {
    // Walls scale uniformly, so the model matrix's upper 3x3 turns normals correctly once the
    // scale is normalised away.
    const glm::vec3 turned = glm::mat3(model) * vertexNormal;
    const float length = glm::length(turned);
    if (!(length > 0.0f))
        return false;
    const glm::vec3 normal = turned / length;
    const glm::vec3 point = place(model, vertexPosition);
    const double distance =
        std::fabs(static_cast<double>(glm::dot(normal, cameraPosition - point)));
    return distance < reach;
}

float VulnerableWall::fadedAlpha(float health, float initialHealth) {
    if (!(initialHealth > 0.0f))
        return health > 0.0f ? 1.0f : 0.1f;
    const float alpha = std::min(health / initialHealth + 0.1f, 1.0f);
    return std::isfinite(alpha) ? alpha : 0.1f;
}

float VulnerableWall::healthAfterHit(float health, float power, float deltaTime, float toughness) {
    const float blow = power * deltaTime;
    if (std::isnan(blow))
        return health;
    // Dividing by it would give an infinite or, for a blow of 0, a not-a-number health that
    // never reaches 0.
    if (!(toughness > 0.0f))
        return blow > 0.0f ? std::min(health, 0.0f) : health;
    return health - blow / toughness;
}

bool VulnerableWall::isTargeted(const Camera& camera) {
    if (isDead())
        return false;
    if (!isInFrustum(camera.getFrustum()))
        return false;
    const glm::mat4 m = getModelMatrix();
    const glm::vec3 eye = camera.getPosition();
    for (size_t i = 0; i < model->getMeshCount(); ++i) {
        const std::vector<Vertex>& vertices = model->getMesh(i).vertices;
        if (vertices.empty())
            continue;
        if (withinReach(m, vertices[0].position, vertices[0].normal, eye, Reach))
            return true;
    }
    return false;
}

void VulnerableWall::beginFrame() {
    if (particles != nullptr)
        particles->setSpawning(false);
}

void VulnerableWall::takeHit(float power, float deltaTime) {
    health = healthAfterHit(health, power, deltaTime, toughness);
    alpha = fadedAlpha(health, initialHealth);
    if (particles != nullptr)
        particles->setSpawning(!isDead());
}

void VulnerableWall::restore() {
    resetHealth();
    alpha = fadedAlpha(health, initialHealth);
}

void VulnerableWall::frameUpdate(const glm::vec3& cameraPosition, float deltaTime,
                                 const glm::mat4& viewProjection) {
    // The sprites are drawn later, in the main pass (drawParticles).
    (void)cameraPosition;
    (void)viewProjection;
    // Released walls (level teardown) have no particles left to run.
    if (particles != nullptr)
        particles->advance(deltaTime);
}

void VulnerableWall::warmUpParticles(const glm::mat4& viewProjection,
                                     const glm::vec3& cameraPosition) {
    if (particles != nullptr)
        particles->warmUp(viewProjection, cameraPosition);
}

void VulnerableWall::drawParticles(const glm::mat4& viewProjection,
                                   const glm::vec3& cameraPosition) {
    if (particles != nullptr)
        particles->drawLatest(viewProjection, cameraPosition);
}
