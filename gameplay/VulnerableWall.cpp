#include "gameplay/VulnerableWall.h"
#include "platform/Report.h"

#include "render/Camera.h"

#include <btBulletCollisionCommon.h>
#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/mat3x3.hpp>
#include <glm/matrix.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace brindlemox::gameplay {

using namespace effects;
using namespace render;
using namespace platform;

namespace {

glm::vec3 place(const glm::mat4& m, const glm::vec3& p) {
    return glm::vec3(m * glm::vec4(p, 1.0f));
}

} // namespace

VulnerableWall::VulnerableWall(const glm::vec3& position, int directionIndex, ProgramRef program,
                               float health, float toughness, ResourceCache* cache)
    : GameplayModel(health, 0.0f, toughness),
      entry(RenderObject(ModelFile, std::move(program), cache)),
      particles(std::make_unique<ParticleSystem>(cache)), initialHealth(health) {
    entry.object.transform.move(position);
    particles->setSpawning(false);
    startParticles(directionIndex);
}

VulnerableWall::VulnerableWall(const glm::vec3& position, float scale, WallOrientation orientation,
                               ProgramRef program, float health, float toughness,
                               ResourceCache* cache)
    : GameplayModel(health, 0.0f, toughness),
      entry(RenderObject(ModelFile, std::move(program), cache)),
      particles(std::make_unique<ParticleSystem>(cache)), initialHealth(health) {
    particles->setSpawning(false);
    Transform& transform = entry.object.transform;
    transform.move(position);
    // The bounding radius keeps its loaded value, as the level layouts were made with it.
    transform.setScale(scale);
    if (!isWallOrientation(orientation))
        report(Severity::Warning, "Wall orientation " + std::to_string(orientation) +
                                      " is not 0 to 5; the wall stays unturned");
    turnWall(transform, vulnerableWallTurn(orientation));
    startParticles(orientation);
}

// The scene entry leaves the scene before the sparks it draws go.
VulnerableWall::~VulnerableWall() {
    entry.hide();
}

void VulnerableWall::startParticles(int directionIndex) {
    RenderObject& object = entry.object;
    object.closedSurface = true;
    object.instanced = true;
    const Model* model = object.getModel();
    const std::vector<Vertex> none;
    const std::vector<Vertex>& vertices =
        model != nullptr && model->getMeshCount() > 0 ? model->getMesh(0).vertices : none;
    emitter = emitterPosition(vertices, object.getModelMatrix());
    // Most walls never spark: each pool's two buffers (256 KB) wait for the wall's first hit.
    particles->initWhenNeeded(emitter, directionIndex);
    const std::vector<Triangle> triangles = object.getTriangles();
    physics = StaticMeshBody::build(triangles, object.getModelMatrix());
    boxLow = boxHigh = place(object.getModelMatrix(), glm::vec3(0.0f));
    bool first = true;
    for (const Triangle& t : triangles)
        for (const glm::vec3& corner : {t.a, t.b, t.c}) {
            const glm::vec3 p = place(object.getModelMatrix(), corner);
            boxLow = first ? p : glm::min(boxLow, p);
            boxHigh = first ? p : glm::max(boxHigh, p);
            first = false;
        }
    for (size_t i = 0; model != nullptr && i < model->getMeshCount(); ++i)
        if (!model->getMesh(i).vertices.empty())
            faces.push_back(frontFace(model->getMesh(i).vertices));
}

void VulnerableWall::show(RenderScene& scene) {
    entry.show(scene, particles.get());
}

void VulnerableWall::drawAlone() {
    entry.object.instanced = false;
    entry.changed();
}

void VulnerableWall::setAlpha(float alpha) {
    entry.object.alpha = alpha;
    entry.changed();
}

void VulnerableWall::changed() {
    entry.object.alpha = fadedAlpha(health, initialHealth);
    entry.object.active = !isDead();
    entry.changed();
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
    const RenderObject& object = entry.object;
    if (!object.isInFrustum(camera.getFrustum()))
        return false;
    const glm::mat4 m = object.getModelMatrix();
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
    particles->setSpawning(false);
}

void VulnerableWall::takeHit(float power, float deltaTime) {
    health = healthAfterHit(health, power, deltaTime, toughness);
    changed();
    particles->setSpawning(!isDead());
}

void VulnerableWall::restore() {
    resetHealth();
    changed();
}

void VulnerableWall::frameUpdate(float deltaTime) {
    // The sprites are drawn later, in the main pass (drawParticles).
    particles->advance(deltaTime);
    // Whatever changed its health since (the rules' own calls), the scene shows it.
    if (entry.object.active != !isDead()) {
        entry.object.active = !isDead();
        entry.changed();
    }
}

void VulnerableWall::drawParticles(const glm::mat4& viewProjection,
                                   const glm::vec3& cameraPosition) {
    particles->drawLatest(viewProjection, cameraPosition);
}

} // namespace brindlemox::gameplay
