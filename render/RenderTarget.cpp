#include "render/RenderTarget.h"
#include "platform/Report.h"

#include <algorithm>
#include <cstdio>

namespace brindlemox::render {

using namespace platform;

namespace {

GLint limit(GLenum which) {
    GLint value = 0;
    glGetIntegerv(which, &value);
    return value;
}

// The bindings making a target touches, put back as they were.
class KeptBindings {
  public:
    KeptBindings() {
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer);
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
        glGetIntegerv(GL_RENDERBUFFER_BINDING, &renderbuffer);
    }
    ~KeptBindings() {
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawFramebuffer));
        glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
        glBindRenderbuffer(GL_RENDERBUFFER, static_cast<GLuint>(renderbuffer));
    }
    KeptBindings(const KeptBindings&) = delete;
    KeptBindings& operator=(const KeptBindings&) = delete;

  private:
    GLint drawFramebuffer = 0, readFramebuffer = 0, texture = 0, renderbuffer = 0;
};

gl::Texture makeTexture(int width, int height, GLint internalFormat, GLenum format, GLenum type,
                        GLint filter) {
    gl::Texture texture = gl::makeTexture();
    glBindTexture(GL_TEXTURE_2D, texture.get());
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, format, type, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    return texture;
}

gl::Renderbuffer makeRenderbuffer(int width, int height, GLenum internalFormat) {
    gl::Renderbuffer renderbuffer = gl::makeRenderbuffer();
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer.get());
    glRenderbufferStorage(GL_RENDERBUFFER, internalFormat, width, height);
    return renderbuffer;
}

} // namespace

RenderTarget::RenderTarget(const std::string& name, int width, int height, const Format& format) {
    // Sizes the driver refuses would raise GL errors; they are refused here instead.
    GLint viewportDims[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewportDims);
    const GLint largest = std::min({limit(GL_MAX_TEXTURE_SIZE), limit(GL_MAX_RENDERBUFFER_SIZE),
                                    viewportDims[0], viewportDims[1]});
    bool complete = false;
    if (width >= 1 && height >= 1 && width <= largest && height <= largest) {
        KeptBindings kept;
        framebufferName = gl::makeFramebuffer();
        glBindFramebuffer(GL_FRAMEBUFFER, framebufferName.get());
        glDrawBuffer(GL_COLOR_ATTACHMENT0);
        colour = makeTexture(width, height, format.colourInternalFormat, format.colourFormat,
                             format.colourType, format.filter);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour.get(),
                               0);
        if (format.depth == Depth::Texture) {
            depthAsTexture = makeTexture(width, height, format.depthInternalFormat,
                                         GL_DEPTH_COMPONENT, GL_FLOAT, format.filter);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D,
                                   depthAsTexture.get(), 0);
        } else {
            depthAsRenderbuffer = makeRenderbuffer(width, height, format.depthInternalFormat);
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                      depthAsRenderbuffer.get());
        }
        complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    if (!complete) {
        report(Severity::Error, "Failed to create render target " + name + " (" +
                                    std::to_string(width) + " x " + std::to_string(height) + ")");
        framebufferName.reset();
        colour.reset();
        depthAsTexture.reset();
        depthAsRenderbuffer.reset();
        return;
    }
    targetWidth = width;
    targetHeight = height;
}

void RenderTarget::bind() {
    // The target's own colour texture may be the one bound for sampling; never read and write it
    // at once.
    glBindTexture(GL_TEXTURE_2D, 0);
    if (!framebufferName && !sink) {
        KeptBindings kept;
        sink = gl::makeFramebuffer();
        sinkStorage = makeRenderbuffer(1, 1, GL_DEPTH_COMPONENT24);
        glBindFramebuffer(GL_FRAMEBUFFER, sink.get());
        // Depth alone, with no colour to draw to, still counts as complete.
        glDrawBuffer(GL_NONE);
        glReadBuffer(GL_NONE);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                  sinkStorage.get());
    }
    glBindFramebuffer(GL_FRAMEBUFFER, framebufferName ? framebufferName.get() : sink.get());
    glViewport(0, 0, framebufferName ? targetWidth : 1, framebufferName ? targetHeight : 1);
}

} // namespace brindlemox::render
