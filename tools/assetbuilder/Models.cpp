#include "Models.h"

#include <glm/gtc/constants.hpp>

#include <algorithm>
#include <cmath>
#include <functional>

namespace assets {

namespace {

using Surface = std::function<glm::vec3(float theta, float phi)>;

// Box faces with outward normals; the face along +x comes first so that a wall's first vertex
// lies on its +x face.
void addBox(MeshData& mesh, const glm::vec3& lo, const glm::vec3& hi, float uvScale) {
    const int order[6][2] = {{0, 1}, {0, -1}, {1, 1}, {1, -1}, {2, 1}, {2, -1}};
    for (const auto& face : order) {
        const int a = face[0], side = face[1];
        int ua = (a + 1) % 3, va = (a + 2) % 3;
        if (side < 0)
            std::swap(ua, va);
        glm::vec3 origin = lo;
        origin[a] = side > 0 ? hi[a] : lo[a];
        glm::vec3 u(0.0f), v(0.0f);
        u[ua] = hi[ua] - lo[ua];
        v[va] = hi[va] - lo[va];
        glm::vec3 normal(0.0f);
        normal[a] = static_cast<float>(side);
        const glm::vec3 p[4] = {origin + v, origin + u + v, origin + u, origin};
        const float su = std::max(1.0f, glm::length(u) * uvScale);
        const float sv = std::max(1.0f, glm::length(v) * uvScale);
        const glm::vec2 t[4] = {{0.0f, sv}, {su, sv}, {su, 0.0f}, {0.0f, 0.0f}};
        // p0 -> p1 -> p2 turns the wrong way for this corner order; reverse it when needed.
        if (glm::dot(glm::cross(p[1] - p[0], p[2] - p[0]), normal) < 0.0f) {
            const glm::vec3 q[4] = {p[0], p[3], p[2], p[1]};
            const glm::vec2 s[4] = {t[0], t[3], t[2], t[1]};
            mesh.addQuad(q, normal, s);
        } else {
            mesh.addQuad(p, normal, t);
        }
    }
}

// A closed surface over theta in [0, pi] and phi in [0, 2 pi), with normals dPhi x dTheta; the
// parametrisations below are chosen so that this points outwards.
void addSurface(MeshData& mesh, const Surface& surface, int rings, int segments, float uRepeat) {
    const float eps = 1e-3f;
    const unsigned base = static_cast<unsigned>(mesh.positions.size());
    for (int i = 0; i <= rings; ++i) {
        const float theta = glm::pi<float>() * i / rings;
        for (int j = 0; j <= segments; ++j) {
            const float phi = glm::two_pi<float>() * j / segments;
            const float th = std::clamp(theta, eps * 2.0f, glm::pi<float>() - eps * 2.0f);
            const glm::vec3 dTheta = surface(th + eps, phi) - surface(th - eps, phi);
            const glm::vec3 dPhi = surface(th, phi + eps) - surface(th, phi - eps);
            const glm::vec3 p = surface(theta, phi);
            const glm::vec3 n = glm::normalize(glm::cross(dPhi, dTheta));
            mesh.addVertex(p, n, glm::vec2(uRepeat * j / segments, 1.0f - float(i) / rings));
        }
    }
    const unsigned stride = segments + 1;
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            const unsigned a = base + i * stride + j, b = a + 1, c = a + stride, d = c + 1;
            // Same turning sense as dPhi x dTheta, the normal above.
            mesh.addTriangle(a, b, d);
            mesh.addTriangle(a, d, c);
        }
}

glm::vec3 sphereDirection(float theta, float phi) {
    return {std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
}

} // namespace

ModelData makeCellModel() {
    // A lumpy cell with a hollow on top where its satellite floats.
    const Surface raw = [](float theta, float phi) {
        float r = 1.0f + 0.06f * std::sin(3.0f * phi) * std::pow(std::sin(2.0f * theta), 2.0f) +
                  0.04f * std::cos(5.0f * phi + 1.0f) * std::pow(std::sin(theta), 3.0f);
        r *= 1.0f - 0.3f * std::exp(-(theta / 0.55f) * (theta / 0.55f));
        return sphereDirection(theta, phi) * r;
    };
    glm::vec3 lo(1e9f), hi(-1e9f);
    for (int i = 0; i <= 400; ++i)
        for (int j = 0; j < 400; ++j) {
            const glm::vec3 p = raw(glm::pi<float>() * i / 400, glm::two_pi<float>() * j / 400);
            lo = glm::min(lo, p);
            hi = glm::max(hi, p);
        }
    const glm::vec3 centre = (lo + hi) * 0.5f;
    glm::vec3 scale;
    for (int a = 0; a < 3; ++a)
        scale[a] = 2.0f * kEnemyHalfExtents[a] / ((hi[a] - lo[a]) * 0.5f);
    const Surface cell = [=](float theta, float phi) { return (raw(theta, phi) - centre) * scale; };

    ModelData model;
    model.meshes.emplace_back();
    addSurface(model.meshes[0], cell, 28, 40, 3.0f);
    model.materials.push_back({"cell",
                               "Texture/cell.png",
                               {0.35f, 0.35f, 0.35f},
                               {1.0f, 1.0f, 1.0f},
                               {0.6f, 0.6f, 0.6f}});
    return model;
}

ModelData makeCellComponentModel() {
    // A ring in the x-y plane around a small core: it spins about z like a wheel.
    const float major = 1.1f, minor = 0.28f;
    const Surface ring = [=](float theta, float phi) {
        const glm::vec3 radial(std::cos(phi), std::sin(phi), 0.0f);
        // theta runs once around the tube; doubling keeps the pole-to-pole surface routine.
        const float t = 2.0f * theta;
        return radial * (major + minor * std::cos(t)) + glm::vec3(0.0f, 0.0f, minor * std::sin(t));
    };
    const Surface core = [](float theta, float phi) { return sphereDirection(theta, phi) * 0.5f; };
    ModelData model;
    model.meshes.emplace_back();
    addSurface(model.meshes[0], ring, 12, 24, 4.0f);
    addSurface(model.meshes[0], core, 10, 16, 1.0f);
    model.materials.push_back({"satellite",
                               "Texture/cellComponent.png",
                               {0.4f, 0.4f, 0.4f},
                               {1.0f, 1.0f, 1.0f},
                               {0.8f, 0.8f, 0.8f}});
    return model;
}

ModelData makeSimpleWallModel() {
    // A 2 x 2 slab facing +y whose face lies on y = 0; at scale 16 it is a 32 x 32 wall one unit
    // thick.
    ModelData model;
    model.meshes.emplace_back();
    addBox(model.meshes[0], {-1.0f, -0.0625f, -1.0f}, {1.0f, 0.0f, 1.0f}, 0.5f);
    // The wall is seen through its own wood-ring texture.
    model.materials.push_back(
        {"bone", "", {0.3f, 0.3f, 0.3f}, {1.0f, 1.0f, 1.0f}, {0.15f, 0.15f, 0.15f}});
    return model;
}

ModelData makeVulnerableWallModel() {
    // A membrane 16 wide and 12 tall whose face lies on x = 0 and looks along +x, 2 units thick.
    // Its first triangle starts at a corner of that face, runs along the bottom edge and comes
    // back over the diagonal, so the particle emitter (the middle of the longer edge leaving the
    // first vertex) sits at the centre of the face.
    ModelData model;
    model.meshes.emplace_back();
    addBox(model.meshes[0], {-2.0f, -6.0f, -8.0f}, {0.0f, 6.0f, 8.0f}, 1.0f / 8.0f);
    model.materials.push_back({"membrane",
                               "Texture/vulnerablePath.png",
                               {0.45f, 0.45f, 0.45f},
                               {1.0f, 1.0f, 1.0f},
                               {0.7f, 0.7f, 0.7f}});
    return model;
}

ModelData makePlaneModel() {
    ModelData model;
    model.meshes.emplace_back();
    const glm::vec3 p[4] = {
        {-1.0f, 0.0f, -1.0f}, {-1.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 1.0f}, {1.0f, 0.0f, -1.0f}};
    const glm::vec2 t[4] = {{0.0f, 1.0f}, {0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}};
    model.meshes[0].addQuad(p, glm::vec3(0.0f, 1.0f, 0.0f), t);
    // The water is seen through its reflection, refraction and ripple maps.
    model.materials.push_back(
        {"water", "", {0.2f, 0.3f, 0.4f}, {0.3f, 0.5f, 0.7f}, {1.0f, 1.0f, 1.0f}});
    return model;
}

} // namespace assets
