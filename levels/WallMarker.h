#pragma once

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <cstddef>
#include <optional>
#include <vector>

namespace brindlemox::levels {

// A standing breakable wall as the marker sees it: the box it spans in the world.
struct MarkedWall {
    glm::vec3 low{0.0f};
    glm::vec3 high{0.0f};
};

// Where the HUD shows the way to the nearest standing breakable wall. No GL: the level works it
// out each frame and the HUD draws it.
struct WallMarker {
    enum class Kind { None, OverWall, Arrow };
    Kind kind = Kind::None;
    // Normalised device coordinates: the wall's middle (OverWall) or the arrow's tip (Arrow).
    glm::vec2 at{0.0f};
    // Arrow: the way to turn, on screen (x right, y up), a unit vector in pixels' proportions.
    glm::vec2 pointing{0.0f};
    // From the eye to the nearest point of the wall's box.
    float distance = 0.0f;

    // Beyond this inset of the screen's edge (in half screen heights) the wall counts as out of
    // view, so the marker over it stays whole on screen.
    static constexpr float ViewInset = 0.08f;
    // How far in from the edge the arrow's tip sits, in half screen heights.
    static constexpr float ArrowInset = 0.05f;
};

// From a point to the nearest point of a box (0 inside it).
float distanceToBox(const glm::vec3& point, const MarkedWall& wall);

// The wall whose box comes nearest the eye, the first of equals; none without walls.
std::optional<size_t> nearestWall(const std::vector<MarkedWall>& walls, const glm::vec3& eye);

// A part of the screen in normalised device coordinates (the HUD's lines an arrow keeps off).
struct ScreenBox {
    glm::vec2 low{0.0f};
    glm::vec2 high{0.0f};
};

// The marker for a wall whose middle is seen through view and projection (a perspective): over
// the middle when it projects inside the screen (less ViewInset), else an arrow just inside the
// edge where the line from the screen's centre toward it leaves, pointing that way; where that
// line meets keepClear (which must not hold the centre) first, the arrow's tip stops there.
// Behind the eye the way to turn is sideways: the arrow sits halfway up the left or right edge.
WallMarker placeMarker(const glm::vec3& middle, float distance, const glm::mat4& view,
                       const glm::mat4& projection, const std::optional<ScreenBox>& keepClear = {});

// The marker of the nearest of walls, as seen from eye; Kind::None without walls.
WallMarker markNearest(const std::vector<MarkedWall>& walls, const glm::vec3& eye,
                       const glm::mat4& view, const glm::mat4& projection,
                       const std::optional<ScreenBox>& keepClear = {});

} // namespace brindlemox::levels
