#include "render/TextRenderer.h"

#include "platform/Utf8.h"
#include "render/ProgramStatus.h"
#include "render/Semantics.h"

#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>

namespace brindlemox::render {

using namespace platform;

namespace {

constexpr GLsizeiptr QuadBytes = sizeof(GlyphQuad);

} // namespace

TextRenderer::TextRenderer(int fontSize, ResourceCache* given)
    : pixelHeight(fontSize), resources(given) {
    CacheOrOwn cache(given);
    atlas = GlyphAtlas::shared(*cache, fontSize);

    program = cache->program("Shader/textVS.vs", "Shader/textFS.fs");
    if (programReady(program)) {
        const GLuint name = program->get();
        projectionLocation = glGetUniformLocation(name, "projection");
        colourLocation = glGetUniformLocation(name, "textColor");
        outlineColourLocation = glGetUniformLocation(name, "outlineColor");
        outlineTexelsLocation = glGetUniformLocation(name, "outlineTexels");
        layerSizeLocation = glGetUniformLocation(name, "layerSize");
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
    // Position and texture coordinates in one vec4; the glyph's bitmap size and layer in another.
    glEnableVertexAttribArray(attrib::TextVertex);
    glVertexAttribPointer(attrib::TextVertex, 4, GL_FLOAT, GL_FALSE, sizeof(GlyphVertex),
                          reinterpret_cast<const void*>(offsetof(GlyphVertex, position)));
    glEnableVertexAttribArray(attrib::TextGlyph);
    glVertexAttribPointer(attrib::TextGlyph, 3, GL_FLOAT, GL_FALSE, sizeof(GlyphVertex),
                          reinterpret_cast<const void*>(offsetof(GlyphVertex, bitmapSize)));
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);
}

void TextRenderer::setText(const std::string& newText) {
    text = newText;
    if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; }))
        return;
    // The line's code points beyond ASCII, each once in ascending order, as the atlas is keyed.
    std::u32string extra;
    for (const char32_t code : utf8::decode(text))
        if (code >= 128 && code != utf8::Replacement)
            extra += code;
    std::sort(extra.begin(), extra.end());
    extra.erase(std::unique(extra.begin(), extra.end()), extra.end());
    extra.resize(std::min(extra.size(), GlyphAtlas::MaxExtraCodes));
    if (extra.empty() || extra == atlas->extraCodes())
        return;
    CacheOrOwn cache(resources);
    atlas = GlyphAtlas::shared(*cache, pixelHeight, extra);
}

const Glyph* TextRenderer::findGlyph(char32_t c) const {
    auto it = atlas->getGlyphs().find(c);
    return it != atlas->getGlyphs().end() ? &it->second : nullptr;
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

std::string TextRenderer::appearance() const {
    char numbers[160];
    std::snprintf(numbers, sizeof(numbers), "%a %a %a %a %a %a %a %a %d %d %d %p", colour.r,
                  colour.g, colour.b, position.x, position.y, glyphScale.x, glyphScale.y,
                  glyphPixels, pixelHeight, outlined ? 1 : 0, centred ? 1 : 0,
                  static_cast<const void*>(atlas.get()));
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

    const LineLayout layout =
        layOutLine(atlas->getGlyphs(), line, glm::vec2(x, y), glyphScale * scale, margin);
    drawnQuads = layout.box;
    drawQuads(layout.quads, textColour, outlineTexels);
}

void TextRenderer::drawQuads(const std::vector<GlyphQuad>& quads, glm::vec3 textColour,
                             float outlineTexels) {
    const glm::vec3 outlineColour = outlineColourFor(textColour);
    glUseProgram(program->get());
    program->set(projectionLocation, projection);
    program->set(colourLocation, textColour);
    program->set(outlineColourLocation, glm::vec4(outlineColour, outlined ? 0.9f : 0.0f));
    program->set(outlineTexelsLocation, outlineTexels);
    program->set(layerSizeLocation, glm::vec2(atlas->layerSize()));
    // The atlas goes on unit 0, which every draw leaves active.
    static_assert(unit::Material == 0, "the atlas is bound on unit 0");
    glBindVertexArray(vertexArray.get());

    // Every quad of the line goes up in one buffer update; replacing the buffer between draws
    // would make the driver finish each character before taking the next.
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer.get());
    const auto bytes = static_cast<GLsizeiptr>(quads.size() * sizeof(GlyphQuad));
    if (bytes > bufferBytes) {
        glBufferData(GL_ARRAY_BUFFER, bytes, nullptr, GL_DYNAMIC_DRAW);
        bufferBytes = bytes;
    }
    if (bytes > 0)
        glBufferSubData(GL_ARRAY_BUFFER, 0, bytes, quads.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    // The atlas is bound once and the line is one draw: its triangles are still drawn in the
    // characters' order, so overlapping quads meet as they did one draw each.
    glBindTexture(GL_TEXTURE_2D_ARRAY, atlas->texture());
    if (!quads.empty())
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(quads.size() * 6));

    glBindVertexArray(0);
    glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
}

} // namespace brindlemox::render
