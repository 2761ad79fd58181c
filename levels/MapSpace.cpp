#include "levels/MapSpace.h"

#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace brindlemox::levels {

using namespace render;

namespace mapspace {

namespace {

// The triangle's and the box's projections on axis overlap (the box at the origin); touching
// is not overlapping.
bool overlapOn(const glm::vec3& axis, const glm::vec3& a, const glm::vec3& b, const glm::vec3& c,
               float half) {
    if (glm::dot(axis, axis) < 1e-12f) // parallel edges: no axis to separate along
        return true;
    const float pa = glm::dot(axis, a), pb = glm::dot(axis, b), pc = glm::dot(axis, c);
    const float radius = half * (std::fabs(axis.x) + std::fabs(axis.y) + std::fabs(axis.z));
    return std::min({pa, pb, pc}) < radius && std::max({pa, pb, pc}) > -radius;
}

// Separating axes: the box's three, the triangle's normal and the nine cross products.
bool triangleMeetsBox(const Triangle& t, const glm::vec3& centre, float half) {
    const glm::vec3 a = t.a - centre, b = t.b - centre, c = t.c - centre;
    const glm::vec3 edges[3] = {b - a, c - b, a - c};
    const glm::vec3 boxAxes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (const glm::vec3& axis : boxAxes)
        if (!overlapOn(axis, a, b, c, half))
            return false;
    if (!overlapOn(glm::cross(edges[0], edges[1]), a, b, c, half))
        return false;
    for (const glm::vec3& box : boxAxes)
        for (const glm::vec3& edge : edges)
            if (!overlapOn(glm::cross(box, edge), a, b, c, half))
                return false;
    return true;
}

// Distance along the ray to the triangle, and which side it meets (Moeller-Trumbore).
struct Hit {
    float distance = std::numeric_limits<float>::infinity();
    bool front = false;
};

void meet(const Triangle& t, const glm::vec3& origin, const glm::vec3& direction, Hit& nearest) {
    const glm::vec3 e1 = t.b - t.a, e2 = t.c - t.a;
    const glm::vec3 p = glm::cross(direction, e2);
    const float det = glm::dot(e1, p);
    if (std::fabs(det) < 1e-12f)
        return;
    const glm::vec3 s = origin - t.a;
    const float u = glm::dot(s, p) / det;
    if (u < 0.0f || u > 1.0f)
        return;
    const glm::vec3 q = glm::cross(s, e1);
    const float v = glm::dot(direction, q) / det;
    if (v < 0.0f || u + v > 1.0f)
        return;
    const float distance = glm::dot(e2, q) / det;
    if (distance > 0.0f && distance < nearest.distance) {
        nearest.distance = distance;
        // Counter-clockwise seen from the origin: the ray meets the face's front.
        nearest.front = glm::dot(glm::cross(e1, e2), direction) < 0.0f;
    }
}

} // namespace

bool boxMeets(const std::vector<Triangle>& map, const glm::vec3& centre, float half) {
    return std::any_of(map.begin(), map.end(),
                       [&](const Triangle& t) { return triangleMeetsBox(t, centre, half); });
}

bool inOpenSpace(const std::vector<Triangle>& map, const glm::vec3& point) {
    // Off the axes and the diagonals, so that no ray runs along a box's edges or faces.
    static const glm::vec3 Directions[] = {
        {1, 0.031f, 0.017f},  {-1, 0.023f, -0.011f}, {0.013f, 1, 0.029f}, {-0.019f, -1, 0.007f},
        {0.027f, -0.015f, 1}, {0.009f, 0.021f, -1},  {1, 1.07f, 0.93f},   {-1, 0.91f, 1.05f},
        {0.97f, -1, 1.03f},   {1.09f, 0.95f, -1},    {-1, -0.94f, 1.06f}, {-1.02f, 1.04f, -1},
        {0.96f, -1.08f, -1},  {-1.05f, -0.97f, -1}};
    int front = 0, back = 0;
    for (const glm::vec3& d : Directions) {
        const glm::vec3 direction = glm::normalize(d);
        Hit nearest;
        for (const Triangle& t : map)
            meet(t, point, direction, nearest);
        if (std::isinf(nearest.distance))
            continue;
        ++(nearest.front ? front : back);
    }
    return front > back;
}

} // namespace mapspace

} // namespace brindlemox::levels
