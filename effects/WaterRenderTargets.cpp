#include "effects/WaterRenderTargets.h"

namespace {

gl::Framebuffer createFrameBuffer() {
    gl::Framebuffer frameBuffer = gl::makeFramebuffer();
    glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer.get());
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    return frameBuffer;
}

gl::Texture createColourTexture(int width, int height) {
    gl::Texture texture = gl::makeTexture();
    glBindTexture(GL_TEXTURE_2D, texture.get());
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glFramebufferTexture(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, texture.get(), 0);
    return texture;
}

gl::Texture createDepthTexture(int width, int height) {
    gl::Texture texture = gl::makeTexture();
    glBindTexture(GL_TEXTURE_2D, texture.get());
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT32, width, height, 0, GL_DEPTH_COMPONENT,
                 GL_FLOAT, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glFramebufferTexture(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, texture.get(), 0);
    return texture;
}

gl::Renderbuffer createDepthBuffer(int width, int height) {
    gl::Renderbuffer renderBuffer = gl::makeRenderbuffer();
    glBindRenderbuffer(GL_RENDERBUFFER, renderBuffer.get());
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                              renderBuffer.get());
    return renderBuffer;
}

void bindTarget(GLuint frameBuffer, int width, int height) {
    // The target's own colour texture may be the one bound for sampling; never read and write it
    // at once.
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
    glViewport(0, 0, width, height);
}

} // namespace

WaterRenderTargets::WaterRenderTargets(int width, int height)
    : screenWidth(width), screenHeight(height) {}

WaterRenderTargets::~WaterRenderTargets() {
    // Frame buffers before what is attached to them.
    reflectionFrameBuffer.reset();
    refractionFrameBuffer.reset();
    reflectionColour.reset();
    refractionColour.reset();
    refractionDepthTexture.reset();
    reflectionDepthBuffer.reset();
}

void WaterRenderTargets::init() {
    reflectionFrameBuffer = createFrameBuffer();
    reflectionColour = createColourTexture(ReflectionWidth, ReflectionHeight);
    reflectionDepthBuffer = createDepthBuffer(ReflectionWidth, ReflectionHeight);
    bindScreen();

    refractionFrameBuffer = createFrameBuffer();
    refractionColour = createColourTexture(RefractionWidth, RefractionHeight);
    refractionDepthTexture = createDepthTexture(RefractionWidth, RefractionHeight);
    bindScreen();
}

void WaterRenderTargets::bindReflection() {
    bindTarget(reflectionFrameBuffer.get(), ReflectionWidth, ReflectionHeight);
}

void WaterRenderTargets::bindRefraction() {
    bindTarget(refractionFrameBuffer.get(), RefractionWidth, RefractionHeight);
}

void WaterRenderTargets::bindScreen() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, screenWidth, screenHeight);
}

void WaterRenderTargets::setScreenSize(int width, int height) {
    screenWidth = width;
    screenHeight = height;
}
