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
