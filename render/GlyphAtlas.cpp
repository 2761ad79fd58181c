#include "render/GlyphAtlas.h"

#include "platform/DataFile.h"
#include "platform/Report.h"

#include <glm/common.hpp>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

namespace brindlemox::render {

using namespace platform;

namespace {

// The smallest power of two at least n.
int powerOfTwo(int n) {
    int side = 1;
    while (side < n)
        side *= 2;
    return side;
}

// A glyph's bitmap as FreeType rendered it, top row first.
struct Bitmap {
    char32_t code = 0;
    int width = 0;
    int rows = 0;
    std::vector<unsigned char> pixels;
};

} // namespace

GlyphAtlas::GlyphAtlas(const std::string& fontPath, int fontSize, const std::u32string& extraCodes)
    : extra(extraCodes.substr(0, MaxExtraCodes)) {
    FT_Library library = nullptr;
    const bool libraryReady = FT_Init_FreeType(&library) == 0;
    if (!libraryReady)
        report(Severity::Error, "Failed to initialize Freetype");

    // Read through the data-file check: a pipe, a device or a folder is no font.
    const std::optional<std::string> font =
        libraryReady ? datafile::read(fontPath, datafile::MaxFontBytes) : std::nullopt;
    FT_Face face = nullptr;
    // Without a library there is no face either; FreeType is not asked to open one.
    const bool faceReady =
        font && FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(font->data()),
                                   static_cast<FT_Long>(font->size()), 0, &face) == 0;
    if (!faceReady)
        report(Severity::Error, "ERROR::FREETYPE: Failed to load font");
    if (faceReady)
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(fontSize));
    fontLoaded = faceReady;

    // Glyph bitmaps have byte-aligned rows; this stays in force for the whole context.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    std::vector<Bitmap> bitmaps;
    const long limit = static_cast<long>(MaxGlyphScale) * std::max(fontSize, 1);
    std::u32string codes;
    for (char32_t code = 0; code < 128; ++code)
        codes += code;
    codes += extra;
    for (const char32_t code : codes) {
        // Beyond ASCII only what the font has: its missing-glyph box would stand for a letter.
        if (code >= 128 && (!faceReady || FT_Get_Char_Index(face, code) == 0))
            continue;
        if (!faceReady || FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_DEFAULT) != 0) {
            report(Severity::Error, "ERROR::FREETYPE: Failed to load Glyph");
            continue;
        }
        // Measured before rendering: the bitmap of a huge outline is never made.
        const FT_GlyphSlot slot = face->glyph;
        long width = static_cast<long>(slot->bitmap.width);
        long rows = static_cast<long>(slot->bitmap.rows);
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            FT_BBox box;
            FT_Outline_Get_CBox(&slot->outline, &box);
            width = static_cast<long>((box.xMax - box.xMin) / 64);
            rows = static_cast<long>((box.yMax - box.yMin) / 64);
        }
        if (width > limit || rows > limit) {
            ++skipped;
            continue;
        }
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) {
            report(Severity::Error, "ERROR::FREETYPE: Failed to load Glyph");
            continue;
        }
        Glyph glyph;
        glyph.size =
            glm::ivec2(static_cast<int>(slot->bitmap.width), static_cast<int>(slot->bitmap.rows));
        glyph.bearing = glm::ivec2(slot->bitmap_left, slot->bitmap_top);
        glyph.advance = static_cast<unsigned>(slot->advance.x);
        if (glyph.size.x > 0 && glyph.size.y > 0) {
            ++visible;
            Bitmap bitmap{code, glyph.size.x, glyph.size.y, {}};
            const int pitch = std::abs(slot->bitmap.pitch);
            for (int row = 0; row < bitmap.rows; ++row) {
                const unsigned char* from = slot->bitmap.buffer + static_cast<size_t>(row) * pitch;
                bitmap.pixels.insert(bitmap.pixels.end(), from, from + bitmap.width);
            }
            glyph.layer = static_cast<int>(bitmaps.size());
            bitmaps.push_back(std::move(bitmap));
        }
        glyphs[code] = glyph;
    }
    if (skipped > 0)
        report(Severity::Error, "ERROR::FREETYPE: Skipped " + std::to_string(skipped) +
                                    " glyphs of " + fontPath + " far larger than " +
                                    std::to_string(fontSize) + " pixels");

    if (faceReady)
        FT_Done_Face(face);
    if (libraryReady)
        FT_Done_FreeType(library);
    if (bitmaps.empty())
        return;

    // Each bitmap with a copy of its last column and row beside it: filtering at its far edges
    // then blends the edge texels with themselves, as clamping a texture of its own would. The
    // sides are powers of two, so that scaling a glyph's texture coordinates into its layer is
    // exact (the shader does it).
    for (const Bitmap& bitmap : bitmaps)
        layer = glm::max(layer, glm::ivec2(bitmap.width + 1, bitmap.rows + 1));
    layer = glm::ivec2(powerOfTwo(layer.x), powerOfTwo(layer.y));
    const size_t layerTexels = static_cast<size_t>(layer.x) * static_cast<size_t>(layer.y);
    std::vector<unsigned char> texels(layerTexels * bitmaps.size(), 0);
    for (size_t i = 0; i < bitmaps.size(); ++i) {
        const Bitmap& bitmap = bitmaps[i];
        unsigned char* target = texels.data() + i * layerTexels;
        for (int row = 0; row <= bitmap.rows; ++row) {
            const unsigned char* from =
                bitmap.pixels.data() + static_cast<size_t>(std::min(row, bitmap.rows - 1)) *
                                           static_cast<size_t>(bitmap.width);
            unsigned char* to = target + static_cast<size_t>(row) * static_cast<size_t>(layer.x);
            std::copy(from, from + bitmap.width, to);
            to[bitmap.width] = from[bitmap.width - 1];
        }
    }
    layers = gl::makeTexture();
    glBindTexture(GL_TEXTURE_2D_ARRAY, layers.get());
    glTexImage3D(GL_TEXTURE_2D_ARRAY, 0, GL_RED, layer.x, layer.y,
                 static_cast<GLsizei>(bitmaps.size()), 0, GL_RED, GL_UNSIGNED_BYTE, texels.data());
    glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
}

void GlyphAtlas::reportNoOutlines() {
    report(Severity::Error, std::string("ERROR::FREETYPE: ") + FontPath +
                                " has no glyph outlines; the HUD text cannot be drawn");
}

std::shared_ptr<const GlyphAtlas> GlyphAtlas::shared(ResourceCache& cache, int pixelSize,
                                                     const std::u32string& extra) {
    std::string key = std::to_string(pixelSize);
    for (const char32_t code : extra)
        key += " " + std::to_string(static_cast<unsigned long>(code));
    return cache.shared<GlyphAtlas>(CacheKind, key, [&] {
        auto atlas = std::make_shared<const GlyphAtlas>(FontPath, pixelSize, extra);
        // Said once for the game, not once per size.
        if (atlas->lacksOutlines() && cache.firstTime("no glyph outlines"))
            reportNoOutlines();
        return atlas;
    });
}

} // namespace brindlemox::render
