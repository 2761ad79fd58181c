#include "render/WaterRenderTargets.h"

namespace brindlemox::render {

namespace {

// Byte colour, filtered, as the water samples it with a ripple offset.
RenderTarget::Format waterFormat(RenderTarget::Depth depth, GLint depthInternalFormat) {
    RenderTarget::Format format;
    format.colourInternalFormat = GL_RGB;
    format.colourFormat = GL_RGB;
    format.colourType = GL_UNSIGNED_BYTE;
    format.filter = GL_LINEAR;
    format.depth = depth;
    format.depthInternalFormat = depthInternalFormat;
    return format;
}

} // namespace

WaterRenderTargets::WaterRenderTargets(int width, int height)
    : screenWidth(width), screenHeight(height) {}

void WaterRenderTargets::init() {
    reflection = RenderTarget("water reflection", ReflectionWidth, ReflectionHeight,
                              waterFormat(RenderTarget::Depth::Renderbuffer, GL_DEPTH_COMPONENT));
    refraction = RenderTarget("water refraction", RefractionWidth, RefractionHeight,
                              waterFormat(RenderTarget::Depth::Texture, GL_DEPTH_COMPONENT32));
    bindScreen();
}

void WaterRenderTargets::bindReflection() {
    reflection.bind();
    screenBound = false;
}

void WaterRenderTargets::bindRefraction() {
    refraction.bind();
    screenBound = false;
}

void WaterRenderTargets::bindScreen() {
    // What draws between frames (the HUD's picture) gives the screen back as it found it.
    if (screenBound && boundWidth == screenWidth && boundHeight == screenHeight)
        return;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, screenWidth, screenHeight);
    screenBound = true;
    boundWidth = screenWidth;
    boundHeight = screenHeight;
}

void WaterRenderTargets::setScreenSize(int width, int height) {
    screenWidth = width;
    screenHeight = height;
}

} // namespace brindlemox::render
