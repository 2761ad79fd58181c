#include "render/TextLayout.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace brindlemox::render;

namespace {

// 'A', 'B' and U+00E9 have bitmaps (atlas layers 0, 1 and 2), the space has none; other
// characters no glyph.
const std::map<char32_t, Glyph> Glyphs = {
    {'A', {0, {4, 6}, {1, 6}, 5 * 64}},
    {' ', {-1, {0, 0}, {0, 0}, 3 * 64}},
    {'B', {1, {2, 3}, {0, 3}, 4 * 64}},
    {0xe9, {2, {4, 8}, {1, 8}, 5 * 64}},
};

// A quad as its upper left and lower right corners show it.
struct Corners {
    float x0, y0, x1, y1; // text space
    float u0, v0;         // the glyph's texture coordinates at the upper left
    float layer;
};

} // namespace

// A line becomes one quad per character with a bitmap: the pen moves by each glyph's advance
// (none for characters without a glyph), the margin grows each quad around its bitmap outside the
// texture coordinates 0..1, and each quad carries its glyph's bitmap size and layer.
TEST(TextLayout, OneQuadPerBitmapAlongThePen) {
    const struct {
        const char* name;
        std::string line;
        glm::vec2 unitsPerTexel;
        float margin;
        std::vector<Corners> quads;
    } cases[] = {
        {"plain", "A B", {1, 1}, 0, {{11, 20, 15, 26, 0, 0, 0}, {18, 20, 20, 23, 0, 0, 1}}},
        {"unknown character",
         "A\xC8"
         "B",
         {1, 1},
         0,
         {{11, 20, 15, 26, 0, 0, 0}, {15, 20, 17, 23, 0, 0, 1}}},
        // A line is UTF-8: two bytes, one letter.
        {"accented letter",
         "A\xC3\xA9"
         "B",
         {1, 1},
         0,
         {{11, 20, 15, 26, 0, 0, 0}, {16, 20, 20, 28, 0, 0, 2}, {20, 20, 22, 23, 0, 0, 1}}},
        {"margin, wide units", "A", {2, 1}, 2, {{8, 18, 24, 28, -0.5f, -2.0f / 6.0f, 0}}},
        {"nothing to draw", "  \xC8", {1, 1}, 0, {}},
    };
    for (const auto& c : cases) {
        const LineLayout layout = layOutLine(Glyphs, c.line, {10, 20}, c.unitsPerTexel, c.margin);
        ASSERT_EQ(layout.quads.size(), c.quads.size()) << c.name;
        EXPECT_EQ(layout.box.empty(), c.quads.empty()) << c.name;
        for (size_t i = 0; i < c.quads.size(); ++i) {
            const Corners& want = c.quads[i];
            const GlyphQuad& quad = layout.quads[i];
            // The first corner is the upper left, the third the lower right.
            EXPECT_EQ(quad[0].position, glm::vec2(want.x0, want.y1)) << c.name << " " << i;
            EXPECT_EQ(quad[2].position, glm::vec2(want.x1, want.y0)) << c.name << " " << i;
            EXPECT_EQ(quad[0].texCoord, glm::vec2(want.u0, want.v0)) << c.name << " " << i;
            EXPECT_EQ(quad[2].texCoord, glm::vec2(1.0f - want.u0, 1.0f - want.v0))
                << c.name << " " << i;
            for (const GlyphVertex& corner : quad)
                EXPECT_EQ(corner.layer, want.layer) << c.name << " " << i;
            EXPECT_LE(layout.box.low.x, want.x0) << c.name;
            EXPECT_GE(layout.box.high.y, want.y1) << c.name;
        }
    }
}
