#include "render/HudCache.h"

#include "render/ProgramStatus.h"
#include "render/Semantics.h"
#include "render/ShaderProgram.h"
#include "render/TextRenderer.h"

#include <algorithm>
#include <cmath>

namespace brindlemox::render {

namespace {

// The lines' own rule (depth test, less, depth written, filled quads) is what makes the first
// fragment win; under any other state they are simply drawn.
bool firstFragmentWins() {
    GLint function = 0, writes = 0, polygon[2] = {0, 0};
    glGetIntegerv(GL_DEPTH_FUNC, &function);
    glGetIntegerv(GL_DEPTH_WRITEMASK, &writes);
    glGetIntegerv(GL_POLYGON_MODE, polygon);
    return glIsEnabled(GL_DEPTH_TEST) == GL_TRUE && function == GL_LESS && writes == GL_TRUE &&
           polygon[0] == GL_FILL;
}

void drawLines(const std::vector<TextRenderer*>& lines) {
    for (TextRenderer* line : lines)
        line->render();
}

} // namespace

HudCache::HudCache(ResourceCache& resources) : resources(resources) {}

void HudCache::draw(const std::vector<TextRenderer*>& lines) {
    copied = false;
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (viewport[0] != 0 || viewport[1] != 0 || viewport[2] < 1 || viewport[3] < 1 ||
        !firstFragmentWins()) {
        lastKey.clear();
        drawLines(lines);
        return;
    }
    std::string key = std::to_string(viewport[2]) + "x" + std::to_string(viewport[3]);
    for (const TextRenderer* line : lines)
        key += "\n" + line->appearance();
    const bool steady = key == lastKey;
    lastKey = key;
    if (key != builtKey && steady && build(lines, viewport[2], viewport[3])) {
        builtKey = key;
        ++builds;
    }
    if (key == builtKey) {
        copy(viewport[2], viewport[3]);
        copied = true;
    } else {
        drawLines(lines);
    }
}

void HudCache::warmUp(const std::vector<TextRenderer*>& lines) {
    const std::string last = lastKey;
    lastKey.clear();
    draw(lines);
    draw(lines);
    // The frames go on as if it had not run.
    lastKey = last;
    builtKey.clear();
}

bool HudCache::build(const std::vector<TextRenderer*>& lines, int width, int height) {
    builtKey.clear();
    if (!programLoaded) {
        programLoaded = true;
        program = resources.program("Shader/hudPictureVS.vs", "Shader/hudPictureFS.fs");
        if (programReady(program)) {
            screenSizeLocation = glGetUniformLocation(program->get(), "screenSize");
            pictureLocation = glGetUniformLocation(program->get(), "picture");
        }
        vertexArray = gl::makeVertexArray();
        vertexBuffer = gl::makeBuffer();
        glBindVertexArray(vertexArray.get());
        glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer.get());
        glEnableVertexAttribArray(attrib::TextVertex);
        glVertexAttribPointer(attrib::TextVertex, 2, GL_FLOAT, GL_FALSE, 2 * sizeof(float),
                              nullptr);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindVertexArray(0);
    }
    if (!programReady(program))
        return false;

    if (width != pictureWidth || height != pictureHeight) {
        // Float colour, so the copy hands the blending exactly the values the lines gave it.
        RenderTarget::Format format;
        format.colourInternalFormat = GL_RGBA32F;
        format.colourFormat = GL_RGBA;
        format.colourType = GL_FLOAT;
        format.filter = GL_NEAREST;
        format.depth = RenderTarget::Depth::Renderbuffer;
        format.depthInternalFormat = GL_DEPTH_COMPONENT24;
        picture = RenderTarget("HUD picture", width, height, format);
        pictureWidth = width;
        pictureHeight = height;
    }
    if (!picture.valid())
        return false;

    GLint previousFramebuffer = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &previousFramebuffer);
    GLfloat clearColour[4];
    GLfloat clearDepth = 1.0f;
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clearDepth);
    const bool blending = glIsEnabled(GL_BLEND) == GL_TRUE;
    glBindFramebuffer(GL_FRAMEBUFFER, picture.framebuffer());
    // Alpha -1 marks a pixel no line reached.
    glClearColor(0.0f, 0.0f, 0.0f, -1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_BLEND);
    drawLines(lines);
    storeRectangles(lines, width, height);
    if (blending)
        glEnable(GL_BLEND);
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    glClearDepth(clearDepth);
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previousFramebuffer));
    return true;
}

void HudCache::storeRectangles(const std::vector<TextRenderer*>& lines, int width, int height) {
    // One rectangle per line, a pixel beyond its quads; where rectangles overlap, the depth
    // test keeps the first copy as it kept the first fragment.
    std::vector<float> corners;
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    for (const TextRenderer* line : lines) {
        const TextRenderer::Quads quads = line->getDrawnQuads();
        if (quads.empty())
            continue;
        const float x0 = std::max(0.0f, std::floor(quads.low.x / 800.0f * w) - 1.0f);
        const float y0 = std::max(0.0f, std::floor(quads.low.y / 600.0f * h) - 1.0f);
        const float x1 = std::min(w, std::ceil(quads.high.x / 800.0f * w) + 1.0f);
        const float y1 = std::min(h, std::ceil(quads.high.y / 600.0f * h) + 1.0f);
        if (x1 <= x0 || y1 <= y0)
            continue;
        corners.insert(corners.end(), {x0, y0, x1, y0, x1, y1, x0, y0, x1, y1, x0, y1});
    }
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer.get());
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(corners.size() * sizeof(float)),
                 corners.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    rectangleVertices = static_cast<GLsizei>(corners.size() / 2);
}

void HudCache::copy(int width, int height) {
    if (rectangleVertices == 0)
        return;
    glUseProgram(program->get());
    program->set(screenSizeLocation,
                 glm::vec2(static_cast<float>(width), static_cast<float>(height)));
    program->set(pictureLocation, GLint{unit::Material});
    // On unit 0, which every draw leaves active.
    static_assert(unit::Material == 0, "the picture is bound on unit 0");
    glBindTexture(GL_TEXTURE_2D, picture.colourTexture());
    glBindVertexArray(vertexArray.get());
    glDrawArrays(GL_TRIANGLES, 0, rectangleVertices);
    glBindVertexArray(0);
    glBindTexture(GL_TEXTURE_2D, 0);
}

} // namespace brindlemox::render
