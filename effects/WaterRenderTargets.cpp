#include "effects/WaterRenderTargets.h"

namespace {

GLuint createFrameBuffer() {
    GLuint frameBuffer = 0;
    glGenFramebuffers(1, &frameBuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    return frameBuffer;
}

GLuint createColourTexture(int width, int height) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glFramebufferTexture(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, texture, 0);
    return texture;
}

GLuint createDepthTexture(int width, int height) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT32, width, height, 0, GL_DEPTH_COMPONENT,
                 GL_FLOAT, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glFramebufferTexture(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, texture, 0);
    return texture;
}

GLuint createDepthBuffer(int width, int height) {
    GLuint renderBuffer = 0;
    glGenRenderbuffers(1, &renderBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, renderBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, renderBuffer);
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
    if (reflectionFrameBuffer != 0)
        glDeleteFramebuffers(1, &reflectionFrameBuffer);
    if (refractionFrameBuffer != 0)
        glDeleteFramebuffers(1, &refractionFrameBuffer);
    if (reflectionColour != 0)
        glDeleteTextures(1, &reflectionColour);
    if (refractionColour != 0)
        glDeleteTextures(1, &refractionColour);
    if (refractionDepthTexture != 0)
        glDeleteTextures(1, &refractionDepthTexture);
    if (reflectionDepthBuffer != 0)
        glDeleteRenderbuffers(1, &reflectionDepthBuffer);
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
    bindTarget(reflectionFrameBuffer, ReflectionWidth, ReflectionHeight);
}

void WaterRenderTargets::bindRefraction() {
    bindTarget(refractionFrameBuffer, RefractionWidth, RefractionHeight);
}

void WaterRenderTargets::bindScreen() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, screenWidth, screenHeight);
}

void WaterRenderTargets::setScreenSize(int width, int height) {
    screenWidth = width;
    screenHeight = height;
}
