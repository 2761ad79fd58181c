#include "levels/Level.h"

#include <gtest/gtest.h>

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
