#include "levels/Level.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>

using namespace brindlemox::levels;

TEST(LevelRules, FramesPerSecondRoundsInSinglePrecision) {
    EXPECT_EQ(Hud::framesPerSecond(0.02f), 50);
    EXPECT_EQ(Hud::framesPerSecond(0.016f), 100);
    EXPECT_EQ(Hud::framesPerSecond(0.034f), 33);
    EXPECT_EQ(Hud::framesPerSecond(0.1f), 10);
    // Faster than a hundredth of a second: the frame itself, never a division by zero.
    EXPECT_EQ(Hud::framesPerSecond(0.005f), 200);
    EXPECT_EQ(Hud::framesPerSecond(0.0f), 1000);
    EXPECT_EQ(Hud::framesPerSecond(-1.0f), 1000);
}

TEST(LevelRules, HealthLineWritesTheMaximumAsAStreamDoes) {
    EXPECT_EQ(Hud::healthLine(40.0f, 40.0f), "40/40");
    EXPECT_EQ(Hud::healthLine(0.5f, 50.0f), "0/50");
    EXPECT_EQ(Hud::healthLine(-0.7f, 12.5f), "0/12.5");
    EXPECT_EQ(Hud::healthLine(-3.2f, 40.0f), "-3/40");
    EXPECT_EQ(Hud::healthLine(39.99f, 123456789.0f), "39/1.23457e+08");
}

TEST(LevelRules, CardAndCountdownLines) {
    const struct {
        LevelCard card;
        std::array<std::string, 3> lines;
    } cases[] = {
        {{"Level 1", 65.9, 37.8f, 40.0f}, {"Level 1 complete", "Time 1:05", "Health 37/40"}},
        {{"The cellar", 0.4, 60.0f, 60.0f}, {"The cellar complete", "Time 0:00", "Health 60/60"}},
        {{"L", 3600.0 * 2, 1.0f, 5.0f}, {"L complete", "Time 120:00", "Health 1/5"}},
        {{"L", -4.0, 1.0f, 5.0f}, {"L complete", "Time 0:00", "Health 1/5"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hud::cardLines(c.card), c.lines) << c.card.title;
    EXPECT_EQ(Hud::wallsLine(3, 4), "Walls left: 3 of 4");
    EXPECT_EQ(Hud::countdownLine(3.0), "Back to the start in 3 - Space to go on");
    EXPECT_EQ(Hud::countdownLine(2.01), "Back to the start in 3 - Space to go on");
    EXPECT_EQ(Hud::countdownLine(0.2), "Back to the start in 1 - Space to go on");
    EXPECT_EQ(Hud::countdownLine(-1.0), "Back to the start in 0 - Space to go on");
}

TEST(LevelRules, AHitFlashesTheSideItCameFrom) {
    using Side = Hud::Side;
    const struct {
        glm::vec3 direction; // the camera's right, up, forward
        Side side;
    } cases[] = {
        {{1, 0, 0}, Side::Right},      {{-1, 0.5f, 3}, Side::Left}, {{0.2f, 1, -3}, Side::Top},
        {{0.2f, -1, 0}, Side::Bottom}, {{0, 0, -1}, Side::Bottom},  {{0, 0, 1}, Side::Bottom},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hud::sideOf(c.direction), c.side)
            << c.direction.x << "," << c.direction.y << "," << c.direction.z;
    // Stronger for larger hits, always seen, at most opaque.
    float last = 0.0f;
    for (float rate : {0.0f, 0.5f, 1.0f, 2.0f, 4.0f}) {
        EXPECT_GT(Hud::flashStrength(rate), last) << rate;
        last = Hud::flashStrength(rate);
    }
    EXPECT_GE(Hud::flashStrength(0.5f), 0.35f);
    EXPECT_EQ(Hud::flashStrength(1e9f), 1.0f);
}

TEST(LevelRules, TheMarkerShowsTheWayToTheNearestWall) {
    using brindlemox::levels::MarkedWall;
    using brindlemox::levels::WallMarker;
    using Kind = WallMarker::Kind;
    // At the origin looking along +x (right is +z), 40 degrees high, 4:3.
    const glm::mat4 view = glm::lookAt(glm::vec3(0.0f), glm::vec3(1, 0, 0), glm::vec3(0, 1, 0));
    const glm::mat4 projection = glm::perspective(glm::radians(40.0f), 4.0f / 3.0f, 0.1f, 230.0f);
    const float right = 4.0f / 3.0f - WallMarker::ArrowInset, top = 1.0f - WallMarker::ArrowInset;
    const struct {
        const char* what;
        glm::vec3 middle;
        Kind kind;
        glm::vec2 at;              // device coordinates
        glm::vec2 pointing;        // for an arrow
        bool clearOfLines = false; // the arrow keeps off the lower left quarter's lower half
    } cases[] = {
        {"ahead", {10, 0, 0}, Kind::OverWall, {0, 0}, {0, 0}},
        {"ahead, up a little", {10, 1, 0}, Kind::OverWall, {0, 0.2747f}, {0, 0}},
        {"at the edge of the view", {10, 3.4f, 0}, Kind::Arrow, {0, top}, {0, 1}},
        {"far up ahead", {10, 40, 0}, Kind::Arrow, {0, top}, {0, 1}},
        {"far right ahead", {10, 0, 40}, Kind::Arrow, {right * 0.75f, 0}, {1, 0}},
        {"below on the left",
         {1, -30, -30},
         Kind::Arrow,
         {-top * 0.75f, -top},
         {-0.7071f, -0.7071f}},
        {"below on the left, clear of the lines",
         {1, -30, -30},
         Kind::Arrow,
         {-0.375f, -0.5f},
         {-0.7071f, -0.7071f},
         true},
        {"far right ahead, clear of the lines",
         {10, 0, 40},
         Kind::Arrow,
         {right * 0.75f, 0},
         {1, 0},
         true},
        {"behind on the right", {-10, 5, 1}, Kind::Arrow, {right * 0.75f, 0}, {1, 0}},
        {"behind on the left", {-10, -5, -1}, Kind::Arrow, {-right * 0.75f, 0}, {-1, 0}},
        {"straight behind", {-10, 0, 0}, Kind::Arrow, {right * 0.75f, 0}, {1, 0}},
        {"beside the eye", {0, 0, -3}, Kind::Arrow, {-right * 0.75f, 0}, {-1, 0}},
    };
    for (const auto& c : cases) {
        const WallMarker m = brindlemox::levels::placeMarker(
            c.middle, 7.0f, view, projection,
            c.clearOfLines ? std::optional(brindlemox::levels::ScreenBox{{-1, -1}, {0, -0.5f}})
                           : std::nullopt);
        EXPECT_EQ(m.kind, c.kind) << c.what;
        EXPECT_NEAR(m.at.x, c.at.x, 1e-3f) << c.what;
        EXPECT_NEAR(m.at.y, c.at.y, 1e-3f) << c.what;
        EXPECT_NEAR(m.pointing.x, c.pointing.x, 1e-3f) << c.what;
        EXPECT_NEAR(m.pointing.y, c.pointing.y, 1e-3f) << c.what;
        EXPECT_EQ(m.distance, 7.0f) << c.what;
    }

    // The nearest by the walls' boxes, not their middles; none without walls.
    const std::vector<MarkedWall> walls = {
        {{20, -1, -1}, {22, 1, 1}},   // middle 21 away, 20 from its face
        {{-5, -1, 10}, {5, 1, 40}},   // a long wall: middle 25 away, its end 10
        {{-30, -1, -1}, {-28, 1, 1}}, // behind
    };
    const WallMarker nearest =
        brindlemox::levels::markNearest(walls, glm::vec3(0.0f), view, projection);
    EXPECT_EQ(brindlemox::levels::nearestWall(walls, glm::vec3(0.0f)), std::optional<size_t>(1));
    EXPECT_EQ(nearest.kind, Kind::Arrow); // its middle (0, 0, 25) is to the right
    EXPECT_FLOAT_EQ(nearest.distance, 10.0f);
    EXPECT_EQ(brindlemox::levels::nearestWall(walls, glm::vec3(-29, 0, 0)),
              std::optional<size_t>(2));
    EXPECT_FLOAT_EQ(brindlemox::levels::distanceToBox(glm::vec3(21, 0, 0), walls[0]), 0.0f);
    EXPECT_EQ(brindlemox::levels::markNearest({}, glm::vec3(0.0f), view, projection).kind,
              Kind::None);

    EXPECT_EQ(Hud::distanceLine(12.4f), "12 m");
    EXPECT_EQ(Hud::distanceLine(12.5f), "13 m");
    EXPECT_EQ(Hud::distanceLine(-1.0f), "0 m");
    EXPECT_EQ(Hud::distanceLine(std::nanf("")), "0 m");
}
