#include "gameplay/VulnerableWall.h"

#include "render/Camera.h"

#include <btBulletCollisionCommon.h>
#include <glm/geometric.hpp>
#include <glm/mat3x3.hpp>
#include <glm/matrix.hpp>

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
    : Drawable(ModelFile, std::move(program), cache),
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
    : Drawable(ModelFile, std::move(program), cache),
      GameplayModel(health, 0.0f, toughness), particles(std::make_unique<ParticleSystem>(cache)),
      initialHealth(health) {
    particles->setSpawning(false);
    transform.move(position);
    // The bounding radius keeps its loaded value, as the level layouts were made with it.
    transform.setScale(scale);
    if (!isWallOrientation(orientation))
        std::printf("Wall orientation %d is not 0 to 5; the wall stays unturned\n", orientation);
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
    for (size_t i = 0; model != nullptr && i < model->getMeshCount(); ++i)
        if (!model->getMesh(i).vertices.empty())
            faces.push_back(frontFace(model->getMesh(i).vertices));
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

VulnerableWall::Face VulnerableWall::frontFace(const std::vector<Vertex>& vertices) {
    Face face;
    if (vertices.empty())
        return face;
    face.normal = vertices[0].normal;
    face.point = face.low = face.high = vertices[0].position;
    for (const Vertex& v : vertices) {
        if (v.normal != face.normal || std::fabs(glm::dot(v.position - face.point, face.normal)) >
                                           1e-4f * glm::length(face.normal))
            continue;
        face.low = glm::min(face.low, v.position);
        face.high = glm::max(face.high, v.position);
    }
    return face;
}

std::optional<glm::vec3> VulnerableWall::reachedPoint(const glm::mat4& model, const Face& face,
                                                      const glm::vec3& cameraPosition,
                                                      double reach) {
    // Turns and a uniform scale keep the side of the plane and the nearest point.
    const glm::vec3 eye = place(glm::inverse(model), cameraPosition);
    if (!(glm::dot(face.normal, eye - face.point) > 0.0f))
        return std::nullopt;
    const glm::vec3 nearest = place(model, glm::clamp(eye, face.low, face.high));
    if (!(static_cast<double>(glm::length(cameraPosition - nearest)) < reach))
        return std::nullopt;
    return nearest;
}

bool VulnerableWall::inSight(btCollisionObject* blocker, const glm::vec3& eye,
                             const glm::vec3& target) {
    if (blocker == nullptr)
        return true;
    const float length = glm::length(target - eye);
    constexpr float Rim = 0.01f;
    if (!(length > Rim))
        return true;
    const glm::vec3 end = eye + (target - eye) * ((length - Rim) / length);
    const btVector3 from(eye.x, eye.y, eye.z), to(end.x, end.y, end.z);
    btCollisionWorld::ClosestRayResultCallback hit(from, to);
    btTransform start, stop;
    start.setIdentity();
    stop.setIdentity();
    start.setOrigin(from);
    stop.setOrigin(to);
    btCollisionWorld::rayTestSingle(start, stop, blocker, blocker->getCollisionShape(),
                                    blocker->getWorldTransform(), hit);
    return !hit.hasHit();
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
    for (const Face& face : faces) {
        const std::optional<glm::vec3> nearest = reachedPoint(m, face, eye, Reach);
        if (!nearest)
            continue;
        // The middle too: where rock hides the nearest point, the rest may still be in view.
        if (inSight(sightBlocker, eye, *nearest) ||
            inSight(sightBlocker, eye, place(m, (face.low + face.high) * 0.5f)))
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
