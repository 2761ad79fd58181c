#include "levels/WallMarker.h"

#include <glm/common.hpp>
#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace brindlemox::levels {

float distanceToBox(const glm::vec3& point, const MarkedWall& wall) {
    return glm::length(point - glm::clamp(point, wall.low, wall.high));
}

std::optional<size_t> nearestWall(const std::vector<MarkedWall>& walls, const glm::vec3& eye) {
    std::optional<size_t> nearest;
    float best = std::numeric_limits<float>::infinity();
    for (size_t i = 0; i < walls.size(); ++i) {
        const float distance = distanceToBox(eye, walls[i]);
        if (distance < best || !nearest) {
            best = distance;
            nearest = i;
        }
    }
    return nearest;
}

namespace {

// How far along way (from the centre) the ray enters box, or infinity when it misses it.
float entry(const glm::vec2& way, const glm::vec2& low, const glm::vec2& high) {
    float enter = 0.0f, leave = std::numeric_limits<float>::infinity();
    for (int axis = 0; axis < 2; ++axis) {
        if (std::fabs(way[axis]) < 1e-6f) {
            if (low[axis] > 0.0f || high[axis] < 0.0f)
                return std::numeric_limits<float>::infinity();
            continue;
        }
        const float a = low[axis] / way[axis], b = high[axis] / way[axis];
        enter = std::max(enter, std::min(a, b));
        leave = std::min(leave, std::max(a, b));
    }
    return enter <= leave ? enter : std::numeric_limits<float>::infinity();
}

} // namespace

WallMarker placeMarker(const glm::vec3& middle, float distance, const glm::mat4& view,
                       const glm::mat4& projection, const std::optional<ScreenBox>& keepClear) {
    WallMarker marker;
    marker.distance = distance;
    // Width over height, from the projection's own scales: screen directions in equal units.
    const float aspect =
        std::fabs(projection[0][0]) > 1e-6f ? std::fabs(projection[1][1] / projection[0][0]) : 1.0f;
    const glm::vec4 seen = view * glm::vec4(middle, 1.0f); // the camera looks along -z
    const glm::vec4 clip = projection * seen;
    glm::vec2 way(seen.x < 0.0f ? -1.0f : 1.0f, 0.0f);
    if (-seen.z > 0.0f && clip.w > 1e-6f) {
        const glm::vec2 ndc = glm::vec2(clip) / clip.w;
        const glm::vec2 even(ndc.x * aspect, ndc.y);
        if (std::fabs(even.x) <= aspect - WallMarker::ViewInset &&
            std::fabs(even.y) <= 1.0f - WallMarker::ViewInset) {
            marker.kind = WallMarker::Kind::OverWall;
            marker.at = ndc;
            return marker;
        }
        if (glm::length(even) > 1e-6f && std::isfinite(even.x) && std::isfinite(even.y))
            way = glm::normalize(even);
    }
    // To the inset edge along the way.
    const float reachX = aspect - WallMarker::ArrowInset, reachY = 1.0f - WallMarker::ArrowInset;
    float along = std::min(std::fabs(way.x) > 1e-6f ? reachX / std::fabs(way.x) : reachX * 1e6f,
                           std::fabs(way.y) > 1e-6f ? reachY / std::fabs(way.y) : reachY * 1e6f);
    if (keepClear)
        along = std::min(along, entry(way, keepClear->low * glm::vec2(aspect, 1.0f),
                                      keepClear->high * glm::vec2(aspect, 1.0f)));
    const glm::vec2 tip = way * along;
    marker.kind = WallMarker::Kind::Arrow;
    marker.at = glm::vec2(tip.x / aspect, tip.y);
    marker.pointing = way;
    return marker;
}

WallMarker markNearest(const std::vector<MarkedWall>& walls, const glm::vec3& eye,
                       const glm::mat4& view, const glm::mat4& projection,
                       const std::optional<ScreenBox>& keepClear) {
    const std::optional<size_t> nearest = nearestWall(walls, eye);
    if (!nearest)
        return {};
    const MarkedWall& wall = walls[*nearest];
    return placeMarker((wall.low + wall.high) * 0.5f, distanceToBox(eye, wall), view, projection,
                       keepClear);
}

} // namespace brindlemox::levels
