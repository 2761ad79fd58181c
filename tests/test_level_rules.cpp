#include "levels/Level.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(Hud::countdownLine(3.0), "Back to the start in 3 - Space to go on");
    EXPECT_EQ(Hud::countdownLine(2.01), "Back to the start in 3 - Space to go on");
    EXPECT_EQ(Hud::countdownLine(0.2), "Back to the start in 1 - Space to go on");
    EXPECT_EQ(Hud::countdownLine(-1.0), "Back to the start in 0 - Space to go on");
}
