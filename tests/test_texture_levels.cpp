// The mipmap levels a texture builds on the CPU.
#include "render/Texture.h"

#include <gtest/gtest.h>

TEST(TextureLevels, EachTexelIsTheRoundedMeanOfTheBlockUnderIt) {
    const struct {
        const char* name;
        int width, height;
        std::vector<unsigned char> red; // one channel shown; green and blue follow it
        std::vector<unsigned char> half;
    } cases[] = {
        {"2 x 2", 2, 2, {10, 20, 30, 41}, {25}},
        {"rounds half up", 2, 2, {0, 0, 1, 1}, {1}},
        {"4 x 2", 4, 2, {0, 4, 8, 12, 0, 4, 8, 12}, {2, 10}},
        {"a row", 4, 1, {0, 255, 100, 101}, {128, 101}},
        {"odd width: the last texel takes the column left over",
         3,
         2,
         {9, 9, 200, 9, 9, 100},
         {56}},
        {"odd height", 2, 3, {0, 0, 0, 0, 90, 90}, {30}},
        {"one texel", 1, 1, {77}, {77}},
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> rgb;
        for (unsigned char v : c.red)
            rgb.insert(rgb.end(), {v, v, static_cast<unsigned char>(255 - v)});
        const std::vector<unsigned char> half = Texture::halve(rgb, c.width, c.height);
        ASSERT_EQ(half.size(), c.half.size() * 3) << c.name;
        for (size_t i = 0; i < c.half.size(); ++i) {
            EXPECT_EQ(half[i * 3], c.half[i]) << c.name << " texel " << i;
            EXPECT_EQ(half[i * 3 + 1], c.half[i]) << c.name << " texel " << i;
        }
    }
}
