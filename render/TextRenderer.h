#pragma once

#include "render/GlHandle.h"
#include "render/GlyphAtlas.h"
#include "render/ResourceCache.h"
#include "render/TextLayout.h"

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <memory>
#include <string>
#include <vector>

namespace brindlemox::render {

// One HUD line drawn on top of the scene, in a fixed 800 x 600 space (origin lower left, y up)
// whatever the window size: positions are fractions of that space, while glyphs keep their
// proportions (the space is scaled uniformly to fit the screen, see setScreenSize). Text is UTF-8.
// Takes character codes 0..127 of "Fonts/hud.ttf" at its size (a glyph atlas; one that also holds
// the line's other characters for a line beyond ASCII, such as a level's title) and the program of
// "Shader/textVS.vs" and "Shader/textFS.fs" from a resource cache (a private one when none is
// given); a missing font or shader is reported on standard output and leaves a renderer that draws
// nothing visible. A line is laid out into quads (TextLayout), which go up in the renderer's one
// vertex buffer and are drawn from the atlas, bound once. Owns its buffer and vertex array and
// shares its atlas and program.
class TextRenderer {
  public:
    // A warm yellow that reads well on the dark scenes; used until setColour is called.
    static glm::vec3 defaultColour() { return glm::vec3(1.0f, 0.85f, 0.2f); }

    // fontSize is the pixel height of the glyphs.
    explicit TextRenderer(int fontSize, ResourceCache* cache = nullptr);

    void setText(const std::string& newText);
    const std::string& getText() const { return text; }
    void setColour(float r, float g, float b) { colour = glm::vec3(r, g, b); }
    void setColour(glm::vec3 rgb) { colour = rgb; }
    void setPosition(float x, float y) { position = glm::vec2(x, y); }
    glm::vec2 getPosition() const { return position; }
    // Size of the picture in pixels; glyphs keep their proportions in it. Until it is set (and
    // at 800 x 600) one unit of the text space is one pixel of glyph.
    void setScreenSize(int width, int height);
    // A thin outline in a colour that contrasts with the text colour, so the line reads over any
    // background. Off until set.
    void setOutlined(bool on) { outlined = on; }
    bool isOutlined() const { return outlined; }
    // The position is the centre of the line's ink instead of its pen start.
    void setCentred(bool on) { centred = on; }
    // Black for light text colours, white for dark ones.
    static glm::vec3 outlineColourFor(glm::vec3 textColour);

    // Draws the stored text at the stored position, scale 1, in the stored colour.
    void render();
    // Draws text with its first pen position at (x, y); sizes and advances are scaled.
    // Characters without a glyph draw as empty quads and do not move the pen. The outline and
    // centring settings apply.
    void renderText(const std::string& line, float x, float y, float scale, glm::vec3 textColour);
    // Width and height of a line's ink in glyph pixels (the font's own proportions, whatever
    // the screen), and the offset of its lower left corner from the pen start.
    using Extent = TextExtent;
    Extent measure(const std::string& line) const { return measureLine(atlas->getGlyphs(), line); }
    // Everything that decides the pixels render() gives, as text: equal texts, equal pixels.
    std::string appearance() const;
    // The corners, in the 800 x 600 text space, of the quads the last draw covered.
    using Quads = TextBox;
    Quads getDrawnQuads() const { return drawnQuads; }

    GLuint getProgram() const { return programName(program); }
    // False when the text shaders could not be built; render then draws nothing.
    bool isReady() const { return programReady(program); }
    const glm::mat4& getProjection() const { return projection; }
    // The glyph of code point c, or nullptr when none was loaded for it.
    const Glyph* findGlyph(char32_t c) const;
    size_t glyphCount() const { return atlas->getGlyphs().size(); }
    // The atlas texture the glyphs are drawn from (0 when no glyph has a bitmap).
    GLuint getAtlasTexture() const { return atlas->texture(); }

  private:
    // The drawing step: the line's quads up in the buffer, drawn from the atlas.
    void drawQuads(const std::vector<GlyphQuad>& quads, glm::vec3 textColour, float outlineTexels);

    std::string text;
    glm::vec3 colour = defaultColour();
    glm::vec2 position{0.0f};
    // Text-space units per glyph pixel on each axis, so glyphs keep their proportions.
    glm::vec2 glyphScale{1.0f};
    // Screen pixels per glyph pixel.
    float glyphPixels = 1.0f;
    int pixelHeight = 0;
    bool outlined = false;
    bool centred = false;
    std::shared_ptr<const GlyphAtlas> atlas;
    // Where the atlas came from, for the one a line beyond ASCII needs (null: a private cache).
    ResourceCache* resources = nullptr;
    glm::mat4 projection{1.0f};
    ProgramRef program;
    gl::VertexArray vertexArray;
    gl::Buffer vertexBuffer;
    Quads drawnQuads;
    GLsizeiptr bufferBytes = 0; // grows to the longest line drawn so far
    GLint projectionLocation = -1;
    GLint colourLocation = -1;
    GLint outlineColourLocation = -1;
    GLint outlineTexelsLocation = -1;
    GLint layerSizeLocation = -1;
};

} // namespace brindlemox::render
