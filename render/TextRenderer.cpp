#include "render/TextRenderer.h"

#include "platform/DataFile.h"
#include "render/ProgramStatus.h"
#include "render/Semantics.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

constexpr GLsizeiptr QuadBytes = 6 * 4 * sizeof(float);

void report(const char* message) {
    std::printf("%s\n", message);
    std::fflush(stdout);
}

} // namespace

TextRenderer::TextRenderer(int fontSize, ResourceCache* given) : pixelHeight(fontSize) {
    CacheOrOwn cache(given);
    glyphSet = GlyphSet::shared(*cache, fontSize);
    glyphs = glyphSet->getGlyphs();

    program = cache->program("Shader/textVS.vs", "Shader/textFS.fs");
    if (programReady(program)) {
        const GLuint name = program->get();
        projectionLocation = glGetUniformLocation(name, "projection");
        colourLocation = glGetUniformLocation(name, "textColor");
        outlineColourLocation = glGetUniformLocation(name, "outlineColor");
        outlineTexelsLocation = glGetUniformLocation(name, "outlineTexels");
    }

    // x in 0..800 and y in 0..600 onto the unit square, origin at the lower left.
    projection = glm::mat4(1.0f);
    projection[0][0] = 2.0f / 800.0f;
    projection[1][1] = 2.0f / 600.0f;
    projection[3][0] = -1.0f;
    projection[3][1] = -1.0f;

    vertexArray = gl::makeVertexArray();
    vertexBuffer = gl::makeBuffer();
    glBindVertexArray(vertexArray.get());
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer.get());
    glBufferData(GL_ARRAY_BUFFER, QuadBytes, nullptr, GL_DYNAMIC_DRAW);
    bufferBytes = QuadBytes;
    glEnableVertexAttribArray(attrib::TextVertex);
    glVertexAttribPointer(attrib::TextVertex, 4, GL_FLOAT, GL_FALSE, 4 * sizeof(float), nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);
}

GlyphSet::GlyphSet(const std::string& fontPath, int fontSize) {
    FT_Library library = nullptr;
    const bool libraryReady = FT_Init_FreeType(&library) == 0;
    if (!libraryReady)
        report("Failed to initialize Freetype");

    // Read through the data-file check: a pipe, a device or a folder is no font.
    const std::optional<std::string> font =
        libraryReady ? datafile::read(fontPath, datafile::MaxFontBytes) : std::nullopt;
    FT_Face face = nullptr;
    // Without a library there is no face either; FreeType is not asked to open one.
    const bool faceReady =
        font && FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(font->data()),
                                   static_cast<FT_Long>(font->size()), 0, &face) == 0;
    if (!faceReady)
        report("ERROR::FREETYPE: Failed to load font");
    if (faceReady)
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(fontSize));
    fontLoaded = faceReady;

    // Glyph bitmaps have byte-aligned rows; this stays in force for the whole context.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    const long limit = static_cast<long>(MaxGlyphScale) * std::max(fontSize, 1);
    for (int code = 0; code < 128; ++code) {
        if (!faceReady || FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_DEFAULT) != 0) {
            report("ERROR::FREETYTPE: Failed to load Glyph");
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
            report("ERROR::FREETYTPE: Failed to load Glyph");
            continue;
        }
        Glyph glyph;
        textures.push_back(gl::makeTexture());
        glyph.texture = textures.back().get();
        glBindTexture(GL_TEXTURE_2D, glyph.texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RED, static_cast<GLsizei>(slot->bitmap.width),
                     static_cast<GLsizei>(slot->bitmap.rows), 0, GL_RED, GL_UNSIGNED_BYTE,
                     slot->bitmap.buffer);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glyph.size =
            glm::ivec2(static_cast<int>(slot->bitmap.width), static_cast<int>(slot->bitmap.rows));
        glyph.bearing = glm::ivec2(slot->bitmap_left, slot->bitmap_top);
        glyph.advance = static_cast<unsigned>(slot->advance.x);
        if (glyph.size.x > 0 && glyph.size.y > 0)
            ++visible;
        glyphs[static_cast<char>(code)] = glyph;
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    if (skipped > 0)
        report(("ERROR::FREETYPE: Skipped " + std::to_string(skipped) + " glyphs of " + fontPath +
                " far larger than " + std::to_string(fontSize) + " pixels")
                   .c_str());

    if (faceReady)
        FT_Done_Face(face);
    if (libraryReady)
        FT_Done_FreeType(library);
}

void GlyphSet::reportNoOutlines() {
    report((std::string("ERROR::FREETYPE: ") + FontPath +
            " has no glyph outlines; the HUD text cannot be drawn")
               .c_str());
}

std::shared_ptr<const GlyphSet> GlyphSet::shared(ResourceCache& cache, int pixelSize) {
    return cache.shared<GlyphSet>(CacheKind, std::to_string(pixelSize), [&] {
        auto set = std::make_shared<const GlyphSet>(FontPath, pixelSize);
        // Said once for the game, not once per size.
        if (set->lacksOutlines() && cache.firstTime("no glyph outlines"))
            reportNoOutlines();
        return set;
    });
}

const Glyph* TextRenderer::findGlyph(char c) const {
    auto it = glyphs.find(c);
    return it != glyphs.end() && it->second.texture != 0 ? &it->second : nullptr;
}

void TextRenderer::setScreenSize(int width, int height) {
    if (width < 1 || height < 1)
        return;
    const float unitsX = static_cast<float>(width) / 800.0f;
    const float unitsY = static_cast<float>(height) / 600.0f;
    // The whole 800 x 600 layout fits the screen; a glyph pixel covers the same number of screen
    // pixels across and up.
    const float pixels = std::min(unitsX, unitsY);
    glyphScale = glm::vec2(pixels / unitsX, pixels / unitsY);
    glyphPixels = pixels;
}

glm::vec3 TextRenderer::outlineColourFor(glm::vec3 textColour) {
    const float luminance =
        0.2126f * textColour.r + 0.7152f * textColour.g + 0.0722f * textColour.b;
    return luminance < 0.5f ? glm::vec3(1.0f) : glm::vec3(0.0f);
}

TextRenderer::Extent TextRenderer::measure(const std::string& line) const {
    Extent extent;
    glm::vec2 low(1e9f), high(-1e9f);
    float pen = 0.0f;
    for (char c : line) {
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

std::string TextRenderer::appearance() const {
    char numbers[160];
    std::snprintf(numbers, sizeof(numbers), "%a %a %a %a %a %a %a %a %d %d %d %p", colour.r,
                  colour.g, colour.b, position.x, position.y, glyphScale.x, glyphScale.y,
                  glyphPixels, pixelHeight, outlined ? 1 : 0, centred ? 1 : 0,
                  static_cast<const void*>(glyphSet.get()));
    return numbers + (" " + text);
}

void TextRenderer::render() {
    renderText(text, position.x, position.y, 1.0f, colour);
}

void TextRenderer::renderText(const std::string& line, float x, float y, float scale,
                              glm::vec3 textColour) {
    // Without a working program (missing or broken shader files) the HUD line is left out.
    if (!programReady(program))
        return;
    if (centred) {
        const Extent extent = measure(line);
        const glm::vec2 middle = (extent.offset + extent.size * 0.5f) * glyphScale * scale;
        x -= middle.x;
        y -= middle.y;
    }
    // The outline is drawn by the fragment shader around each glyph's coverage, inside quads
    // grown by a margin of glyph texels: at least two screen pixels wide, more for large text.
    const float screenPerTexel = std::max(glyphPixels * scale, 1e-3f);
    const float outlinePixels =
        std::max(2.5f, static_cast<float>(pixelHeight) * screenPerTexel / 14.0f);
    const float outlineTexels = outlined ? outlinePixels / screenPerTexel : 0.0f;
    const float margin = outlined ? std::ceil(outlineTexels) + 1.0f : 0.0f;
    const glm::vec3 outlineColour = outlineColourFor(textColour);

    glUseProgram(program->get());
    glUniformMatrix4fv(projectionLocation, 1, GL_FALSE, glm::value_ptr(projection));
    glUniform3f(colourLocation, textColour.r, textColour.g, textColour.b);
    glUniform4f(outlineColourLocation, outlineColour.r, outlineColour.g, outlineColour.b,
                outlined ? 0.9f : 0.0f);
    glUniform1f(outlineTexelsLocation, outlineTexels);
    glActiveTexture(GL_TEXTURE0 + unit::Material);
    glBindVertexArray(vertexArray.get());

    // Every quad of the line goes up in one buffer update; replacing the buffer between draws
    // would make the driver finish each character before taking the next.
    const float kx = glyphScale.x * scale;
    const float ky = glyphScale.y * scale;
    quads.clear();
    drawnQuads = {};
    for (char c : line) {
        // Unknown characters get an empty entry: a zero-size quad that does not move the pen.
        const Glyph& glyph = glyphs[c];
        const float w = static_cast<float>(glyph.size.x);
        const float h = static_cast<float>(glyph.size.y);
        const float x0 = x + (static_cast<float>(glyph.bearing.x) - margin) * kx;
        const float y0 = y - (h - static_cast<float>(glyph.bearing.y) + margin) * ky;
        const float x1 = x0 + (w + 2.0f * margin) * kx;
        const float y1 = y0 + (h + 2.0f * margin) * ky;
        // The bitmap's first row is the top of the glyph, at v = 0; the margin lies outside
        // 0..1, where the shader finds no coverage.
        const float u0 = w > 0.0f ? -margin / w : 0.0f, u1 = 1.0f - u0;
        const float v0 = h > 0.0f ? -margin / h : 0.0f, v1 = 1.0f - v0;
        if (w > 0.0f && h > 0.0f) {
            const bool first = drawnQuads.empty();
            drawnQuads.low =
                first ? glm::vec2(x0, y0) : glm::min(drawnQuads.low, glm::vec2(x0, y0));
            drawnQuads.high =
                first ? glm::vec2(x1, y1) : glm::max(drawnQuads.high, glm::vec2(x1, y1));
        }
        quads.push_back({{{x0, y1, u0, v0},
                          {x0, y0, u0, v1},
                          {x1, y0, u1, v1},
                          {x0, y1, u0, v0},
                          {x1, y0, u1, v1},
                          {x1, y1, u1, v0}}});
        x += static_cast<float>(glyph.advance >> 6) * kx;
    }
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer.get());
    const GLsizeiptr bytes = static_cast<GLsizeiptr>(quads.size() * sizeof(Quad));
    if (bytes > bufferBytes) {
        glBufferData(GL_ARRAY_BUFFER, bytes, nullptr, GL_DYNAMIC_DRAW);
        bufferBytes = bytes;
    }
    if (bytes > 0)
        glBufferSubData(GL_ARRAY_BUFFER, 0, bytes, quads.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    // One draw per character with its own glyph texture, so every pixel samples exactly what it
    // did with one quad at a time. Empty quads cover no pixel and are left out.
    GLint first = 0;
    for (char c : line) {
        const Glyph& glyph = glyphs[c];
        if (glyph.size.x > 0 && glyph.size.y > 0) {
            glBindTexture(GL_TEXTURE_2D, glyph.texture);
            glDrawArrays(GL_TRIANGLES, first, 6);
        }
        first += 6;
    }

    glBindVertexArray(0);
    glBindTexture(GL_TEXTURE_2D, 0);
}
