#include "render/RenderObject.h"

#include <glm/geometric.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <glm/mat4x4.hpp>

#include <algorithm>
#include <cmath>
#include <utility>

namespace brindlemox::render {

namespace {

// Degrees to radians as the game has always converted them (single precision constant).
constexpr float DegreesToRadians = 0.017453292f;

glm::vec3 place(const glm::mat4& m, const glm::vec3& p) {
    return glm::vec3(m * glm::vec4(p, 1.0f));
}

} // namespace

void Transform::rotateX(float degrees) {
    angles.x += degrees * DegreesToRadians;
}
void Transform::rotateY(float degrees) {
    angles.y += degrees * DegreesToRadians;
}
void Transform::rotateZ(float degrees) {
    angles.z += degrees * DegreesToRadians;
}

void Transform::setScale(float s) {
    scale = s < 0.0f ? 1.0f : s;
}

glm::mat4 Transform::modelMatrix() const {
    const float cx = std::cos(angles.x * 0.5f), sx = std::sin(angles.x * 0.5f);
    const float cy = std::cos(angles.y * 0.5f), sy = std::sin(angles.y * 0.5f);
    const float cz = std::cos(angles.z * 0.5f), sz = std::sin(angles.z * 0.5f);
    const float w = cx * cy * cz + sx * sy * sz;
    const float x = sx * cy * cz - cx * sy * sz;
    const float y = cx * sy * cz + sx * cy * sz;
    const float z = cx * cy * sz - sx * sy * cz;

    // Rotation matrix of the unit quaternion (w, x, y, z), column-major.
    glm::mat4 r(1.0f);
    r[0][0] = 1.0f - 2.0f * (y * y + z * z);
    r[0][1] = 2.0f * (x * y + w * z);
    r[0][2] = 2.0f * (x * z - w * y);
    r[1][0] = 2.0f * (x * y - w * z);
    r[1][1] = 1.0f - 2.0f * (x * x + z * z);
    r[1][2] = 2.0f * (y * z + w * x);
    r[2][0] = 2.0f * (x * z + w * y);
    r[2][1] = 2.0f * (y * z - w * x);
    r[2][2] = 1.0f - 2.0f * (x * x + y * y);

    glm::mat4 t(1.0f);
    t[3] = glm::vec4(position, 1.0f);
    glm::mat4 s(1.0f);
    s[0][0] = s[1][1] = s[2][2] = scale;
    return t * r * s;
}

RenderObject::RenderObject(const std::string& modelPath, ProgramRef program, ResourceCache* cache)
    : RenderObject(sharedModel(*CacheOrOwn(cache), modelPath), std::move(program)) {}

RenderObject::RenderObject(std::shared_ptr<const Model> model, ProgramRef program)
    : model(std::move(model)), program(std::move(program)) {
    measure();
}

void RenderObject::measure() {
    computeBoundingCentre();
    computeBoundingRadius();
}

const glm::mat4& RenderObject::getModelMatrix() const {
    // A NaN compares unequal: such a transform is simply worked out every time.
    if (!matrixKnown || transform.position != matrixFrom.position ||
        transform.angles != matrixFrom.angles || transform.scale != matrixFrom.scale) {
        matrix = transform.modelMatrix();
        matrixFrom = transform;
        matrixKnown = true;
    }
    return matrix;
}

glm::vec3 RenderObject::getWorldCentre() const {
    return place(getModelMatrix(), boundingCentre);
}

glm::vec3 RenderObject::getMeshCentre(size_t i) const {
    return place(getModelMatrix(), model->getMesh(i).centroid);
}

std::vector<glm::vec3> RenderObject::getMeshVertices(size_t i) const {
    const glm::mat4 m = getModelMatrix();
    const std::vector<Vertex>& vertices = model->getMesh(i).vertices;
    std::vector<glm::vec3> placed;
    placed.reserve(vertices.size());
    for (const Vertex& v : vertices)
        placed.push_back(place(m, v.position));
    return placed;
}

std::vector<Triangle> RenderObject::getTriangles() const {
    return model != nullptr ? model->getTriangles() : std::vector<Triangle>();
}

void RenderObject::setScale(float s) {
    transform.setScale(s);
    computeBoundingRadius();
}

bool RenderObject::isInFrustum(const Frustum& frustum) const {
    if (model == nullptr)
        return false;
    if (look.byRegions) {
        for (const std::vector<glm::vec3>& points : placedVertices())
            if (frustum.pointsVisible(points))
                return true;
        return false;
    }
    for (size_t i = 0; i < model->getMeshCount(); ++i)
        if (frustum.sphereVisible(getMeshCentre(i), boundingRadius))
            return true;
    return false;
}

const std::vector<std::vector<glm::vec3>>& RenderObject::placedVertices() const {
    // The level geometry never moves: its vertices are placed once, not for every test.
    const glm::mat4 m = getModelMatrix();
    if (placedModel != model.get() || m != placedMatrix) {
        placedCache.clear();
        for (size_t i = 0; i < model->getMeshCount(); ++i)
            placedCache.push_back(getMeshVertices(i));
        placedMatrix = m;
        placedModel = model.get();
    }
    return placedCache;
}

void RenderObject::computeBoundingCentre() {
    boundingCentre = glm::vec3(0.0f);
    if (model == nullptr)
        return;
    size_t count = 0;
    glm::vec3 sum(0.0f);
    for (const Mesh& mesh : model->meshes) {
        for (const Vertex& v : mesh.vertices)
            sum += v.position;
        count += mesh.vertices.size();
    }
    // No vertices (a model that failed to load): the origin rather than 0/0.
    if (count > 0)
        boundingCentre = sum / static_cast<float>(count);
}

void RenderObject::computeBoundingRadius() {
    boundingRadius = 0.0f;
    if (model == nullptr)
        return;
    const glm::mat4 m = getModelMatrix();
    const glm::vec3 centre = place(m, boundingCentre);
    for (const Mesh& mesh : model->meshes)
        for (const Vertex& v : mesh.vertices)
            boundingRadius = std::max(boundingRadius, glm::length(place(m, v.position) - centre));
}

} // namespace brindlemox::render
