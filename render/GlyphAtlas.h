#pragma once

#include "render/GlHandle.h"
#include "render/ResourceCache.h"

#include <glm/vec2.hpp>

#include <map>
#include <memory>
#include <string>

namespace brindlemox::render {

// One rasterised character of the HUD font and where its bitmap lies in its atlas.
struct Glyph {
    int layer = -1;        // the atlas layer holding its bitmap; -1 for an empty bitmap
    glm::ivec2 size{0};    // bitmap width and rows in pixels
    glm::ivec2 bearing{0}; // left and top offsets from the pen position and baseline
    unsigned advance = 0;  // in 1/64 pixel
};

// Character codes 0..127 of the HUD font (and any other code points asked for, such as a level
// title's accented letters) rasterised at one pixel size into one GL texture: a 2D
// array texture with a layer per glyph that has a bitmap. Each bitmap lies at its layer's corner
// with a copy of its last column and row beside it, and the layers' sides are powers of two: a
// glyph sampled through the atlas filters to exactly the values a texture of its own, clamped at
// its edges, would give. Reports on standard output what goes wrong: a font file that is missing
// (or not a regular file of at most 64 MiB) or unreadable, glyphs that fail to load, glyphs far
// larger than the pixel size (skipped: one 4000-pixel glyph alone would cost 16 MB). A code point
// the font has no glyph for is left out without a word. The text lines of one size and the same
// extra code points share one atlas (shared).
class GlyphAtlas {
  public:
    static constexpr const char* FontPath = "Fonts/hud.ttf";
    // Glyphs wider or taller than this many times the pixel size are skipped.
    static constexpr int MaxGlyphScale = 4;
    // The kind atlases are shared and counted under in a ResourceCache.
    static constexpr const char* CacheKind = "glyphs";

    // At most this many code points beyond 0..127 in one atlas: with the 128 below, within the
    // 256 layers every GL 3.3 driver gives an array texture.
    static constexpr size_t MaxExtraCodes = 64;

    // extra: code points above 127 to rasterise too, ascending, at most MaxExtraCodes.
    GlyphAtlas(const std::string& fontPath, int fontSize, const std::u32string& extra = {});

    // The glyphs loaded (an empty bitmap included), by code point.
    const std::map<char32_t, Glyph>& getGlyphs() const { return glyphs; }
    // The code points above 127 it was made for (those the font lacks included).
    const std::u32string& extraCodes() const { return extra; }
    // The GL_TEXTURE_2D_ARRAY of the bitmaps, one channel; 0 when no glyph has one.
    GLuint texture() const { return layers.get(); }
    // The texels of one layer across and up.
    glm::ivec2 layerSize() const { return layer; }
    // The font opened but not one of its glyphs has anything to draw.
    bool lacksOutlines() const { return fontLoaded && skipped == 0 && visible == 0; }

    // Said once for the game when a font has no outlines.
    static void reportNoOutlines();
    // The atlas of that pixel size from cache, made once while anyone holds it.
    static std::shared_ptr<const GlyphAtlas> shared(ResourceCache& cache, int pixelSize,
                                                    const std::u32string& extra = {});

  private:
    std::map<char32_t, Glyph> glyphs;
    std::u32string extra;
    gl::Texture layers;
    glm::ivec2 layer{0};
    bool fontLoaded = false;
    int skipped = 0;
    int visible = 0;
};

} // namespace brindlemox::render
