#pragma once

// A HUD line turned into quads, apart from drawing them: no GL here.

#include "render/GlyphAtlas.h"

#include <glm/vec2.hpp>

#include <array>
#include <map>
#include <string>
#include <vector>

namespace brindlemox::render {

// One corner of a glyph's quad: its place in the 800 x 600 text space, the glyph's own texture
// coordinates (0..1 over its bitmap, with v = 0 at the top row; beyond that in the outline margin),
// and the glyph's bitmap size and atlas layer, the same at every corner.
struct GlyphVertex {
    glm::vec2 position{0.0f};
    glm::vec2 texCoord{0.0f};
    glm::vec2 bitmapSize{0.0f};
    float layer = 0.0f;
};
// The vertex stage reads position and texCoord as one vec4, then bitmapSize and layer as a vec3.
static_assert(sizeof(GlyphVertex) == 7 * sizeof(float), "glyph vertices are packed floats");
// Two triangles.
using GlyphQuad = std::array<GlyphVertex, 6>;

// Width and height of a line's ink in glyph pixels, and the offset of its lower left corner from
// the pen start.
struct TextExtent {
    glm::vec2 offset{0.0f};
    glm::vec2 size{0.0f};
};

// Corners, in the text space, of the quads a line covers.
struct TextBox {
    glm::vec2 low{0.0f};
    glm::vec2 high{-1.0f};
    bool empty() const { return high.x < low.x || high.y < low.y; }
};

// A line laid out: a quad per character with a bitmap, in the line's order, and their box.
struct LineLayout {
    std::vector<GlyphQuad> quads;
    TextBox box;
};

// Lines are UTF-8, taken a code point at a time; a byte that starts no well-formed sequence is a
// character without a glyph.

// The ink of line at the font's own proportions; characters without a glyph are left out.
TextExtent measureLine(const std::map<char32_t, Glyph>& glyphs, const std::string& line);

// line with its first pen position at pen; unitsPerTexel: text-space units per glyph pixel across
// and up; margin: glyph texels of room around each bitmap (for an outline). Characters without a
// glyph neither draw nor move the pen.
LineLayout layOutLine(const std::map<char32_t, Glyph>& glyphs, const std::string& line,
                      glm::vec2 pen, glm::vec2 unitsPerTexel, float margin);

} // namespace brindlemox::render
