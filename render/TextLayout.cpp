#include "render/TextLayout.h"

#include "platform/Utf8.h"

#include <glm/common.hpp>

namespace brindlemox::render {

using namespace platform;

TextExtent measureLine(const std::map<char32_t, Glyph>& glyphs, const std::string& line) {
    TextExtent extent;
    glm::vec2 low(1e9f), high(-1e9f);
    float pen = 0.0f;
    for (const char32_t c : utf8::decode(line)) {
        auto it = glyphs.find(c);
        if (it == glyphs.end())
            continue;
        const Glyph& glyph = it->second;
        if (glyph.size.x > 0 && glyph.size.y > 0) {
            const glm::vec2 corner(pen + static_cast<float>(glyph.bearing.x),
                                   static_cast<float>(glyph.bearing.y - glyph.size.y));
            low = glm::min(low, corner);
            high = glm::max(high, corner + glm::vec2(glyph.size));
        }
        pen += static_cast<float>(glyph.advance >> 6);
    }
    if (high.x < low.x)
        return extent;
    extent.offset = low;
    extent.size = high - low;
    return extent;
}

LineLayout layOutLine(const std::map<char32_t, Glyph>& glyphs, const std::string& line,
                      glm::vec2 pen, glm::vec2 unitsPerTexel, float margin) {
    LineLayout layout;
    const float kx = unitsPerTexel.x;
    const float ky = unitsPerTexel.y;
    float x = pen.x;
    const float y = pen.y;
    for (const char32_t c : utf8::decode(line)) {
        auto it = glyphs.find(c);
        if (it == glyphs.end())
            continue;
        const Glyph& glyph = it->second;
        const float w = static_cast<float>(glyph.size.x);
        const float h = static_cast<float>(glyph.size.y);
        if (w > 0.0f && h > 0.0f) {
            const float x0 = x + (static_cast<float>(glyph.bearing.x) - margin) * kx;
            const float y0 = y - (h - static_cast<float>(glyph.bearing.y) + margin) * ky;
            const float x1 = x0 + (w + 2.0f * margin) * kx;
            const float y1 = y0 + (h + 2.0f * margin) * ky;
            // The bitmap's first row is the top of the glyph, at v = 0; the margin lies outside
            // 0..1, where the shader finds no coverage.
            const float u0 = -margin / w, u1 = 1.0f - u0;
            const float v0 = -margin / h, v1 = 1.0f - v0;
            const bool first = layout.box.empty();
            layout.box.low =
                first ? glm::vec2(x0, y0) : glm::min(layout.box.low, glm::vec2(x0, y0));
            layout.box.high =
                first ? glm::vec2(x1, y1) : glm::max(layout.box.high, glm::vec2(x1, y1));
            const glm::vec2 size(w, h);
            const auto corner = [&](float px, float py, float u, float v) {
                return GlyphVertex{{px, py}, {u, v}, size, static_cast<float>(glyph.layer)};
            };
            layout.quads.push_back({corner(x0, y1, u0, v0), corner(x0, y0, u0, v1),
                                    corner(x1, y0, u1, v1), corner(x0, y1, u0, v0),
                                    corner(x1, y0, u1, v1), corner(x1, y1, u1, v0)});
        }
        x += static_cast<float>(glyph.advance >> 6) * kx;
    }
    return layout;
}

} // namespace brindlemox::render
