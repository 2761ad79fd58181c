#pragma once

#include "render/GlHandle.h"
#include "render/ResourceCache.h"

#include <glm/vec2.hpp>

#include <map>
#include <memory>
#include <string>

// One rasterised character of the HUD font and where its bitmap lies in its atlas.
struct Glyph {
    int layer = -1;        // the atlas layer holding its bitmap; -1 for an empty bitmap
    glm::ivec2 size{0};    // bitmap width and rows in pixels
    glm::ivec2 bearing{0}; // left and top offsets from the pen position and baseline
    unsigned advance = 0;  // in 1/64 pixel
};

// Character codes 0..127 of the HUD font rasterised at one pixel size into one GL texture: a 2D
// array texture with a layer per glyph that has a bitmap. Each bitmap lies at its layer's corner
// with a copy of its last column and row beside it, and the layers' sides are powers of two: a
// glyph sampled through the atlas filters to exactly the values a texture of its own, clamped at
// its edges, would give. Reports on standard output what goes wrong: a font file that is missing
// (or not a regular file of at most 64 MiB) or unreadable, glyphs that fail to load, glyphs far
// larger than the pixel size (skipped: one 4000-pixel glyph alone would cost 16 MB). The text
// lines of one size share one atlas (shared).
class GlyphAtlas {
  public:
    static constexpr const char* FontPath = "Fonts/hud.ttf";
    // Glyphs wider or taller than this many times the pixel size are skipped.
    static constexpr int MaxGlyphScale = 4;
    // The kind atlases are shared and counted under in a ResourceCache.
    static constexpr const char* CacheKind = "glyphs";

    GlyphAtlas(const std::string& fontPath, int fontSize);

    // The glyphs loaded (an empty bitmap included), by character.
    const std::map<char, Glyph>& getGlyphs() const { return glyphs; }
    // The GL_TEXTURE_2D_ARRAY of the bitmaps, one channel; 0 when no glyph has one.
    GLuint texture() const { return layers.get(); }
    // The texels of one layer across and up.
    glm::ivec2 layerSize() const { return layer; }
    // The font opened but not one of its glyphs has anything to draw.
    bool lacksOutlines() const { return fontLoaded && skipped == 0 && visible == 0; }

    // Said once for the game when a font has no outlines.
    static void reportNoOutlines();
    // The atlas of that pixel size from cache, made once while anyone holds it.
    static std::shared_ptr<const GlyphAtlas> shared(ResourceCache& cache, int pixelSize);

  private:
    std::map<char, Glyph> glyphs;
    gl::Texture layers;
    glm::ivec2 layer{0};
    bool fontLoaded = false;
    int skipped = 0;
    int visible = 0;
};
