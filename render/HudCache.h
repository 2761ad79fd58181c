#pragma once

#include "render/GlHandle.h"
#include "render/RenderTarget.h"
#include "render/ResourceCache.h"

#include <string>
#include <vector>

namespace brindlemox::render {

class TextRenderer;

// The HUD lines drawn once into a picture of their own and copied onto each frame while they stay
// the same. The outline reads a glyph up to 32 times per pixel, which costs a tenth of a frame over
// a large line; the copy reads once.
//
// The copy gives the very pixels the lines give. The lines are drawn at one depth with the
// depth test on, so at each pixel the first fragment in drawing order wins and the others fail;
// the picture keeps that fragment's colour unblended (or a mark where there was none). The copy
// is drawn at the same depth, so it is hidden where the scene is nearer, as the lines would be,
// and then blended exactly as that fragment was.
//
// The picture is made when the same lines have been asked for in two frames running, so a line
// that changes every frame is simply drawn.
class HudCache {
  public:
    explicit HudCache(ResourceCache& resources);

    // Draws the lines in order onto the bound framebuffer, as their render() would.
    void draw(const std::vector<TextRenderer*>& lines);
    // Builds the picture of these lines and copies it, then forgets it: the driver makes its code
    // for both now (under a scissor box, little is drawn). The frames build their own.
    void warmUp(const std::vector<TextRenderer*>& lines);
    // The lines were copied from the stored picture in the last draw.
    bool copiedLastTime() const { return copied; }
    // How many times the picture was drawn.
    long pictureBuilds() const { return builds; }

  private:
    bool build(const std::vector<TextRenderer*>& lines, int width, int height);
    // The rectangles the copy covers, from the quads the lines just drew.
    void storeRectangles(const std::vector<TextRenderer*>& lines, int width, int height);
    void copy(int width, int height);

    ResourceCache& resources;
    ProgramRef program;
    bool programLoaded = false;
    GLint screenSizeLocation = -1;
    GLint pictureLocation = -1;
    RenderTarget picture;
    gl::VertexArray vertexArray;
    gl::Buffer vertexBuffer;
    // The size last asked for, kept when the picture could not be made so that it is not tried
    // (and reported) again every frame.
    int pictureWidth = 0;
    int pictureHeight = 0;
    std::string lastKey;  // the lines asked for in the previous frame
    std::string builtKey; // the lines the picture holds; empty when none
    GLsizei rectangleVertices = 0;
    bool copied = false;
    long builds = 0;
};

} // namespace brindlemox::render
