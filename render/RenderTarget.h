#pragma once

#include "render/GlHandle.h"

#include <string>

namespace brindlemox::render {

// An off-screen picture to draw into: a framebuffer with one colour texture and a depth
// attachment. Made whole or not at all: when the driver cannot make it (a size beyond its
// limits, an incomplete framebuffer) one line says so and the target is left empty. An empty
// target is valid to keep, move and bind: binding it points drawing at a one-pixel sink of its
// own, so a pass drawn into it touches nothing else and raises no GL error.
class RenderTarget {
  public:
    enum class Depth { Renderbuffer, Texture };
    struct Format {
        GLint colourInternalFormat = GL_RGBA8;
        GLenum colourFormat = GL_RGBA;
        GLenum colourType = GL_UNSIGNED_BYTE;
        // Minification and magnification of the textures (colour, and depth when a texture).
        GLint filter = GL_NEAREST;
        Depth depth = Depth::Renderbuffer;
        GLint depthInternalFormat = GL_DEPTH_COMPONENT24;
    };

    RenderTarget() = default;
    // Needs a current context. Restores the framebuffer, texture and renderbuffer bindings it
    // found; name is for the failure line.
    RenderTarget(const std::string& name, int width, int height, const Format& format);

    bool valid() const { return static_cast<bool>(framebufferName); }
    int width() const { return targetWidth; }
    int height() const { return targetHeight; }
    GLuint framebuffer() const { return framebufferName.get(); }
    GLuint colourTexture() const { return colour.get(); }
    // 0 unless the depth is of that kind.
    GLuint depthTexture() const { return depthAsTexture.get(); }
    GLuint depthRenderbuffer() const { return depthAsRenderbuffer.get(); }

    // Unbinds the active unit's 2D texture, binds the target (the sink when empty) for reading
    // and drawing and sets the viewport to its size. Nothing is cleared.
    void bind();

  private:
    int targetWidth = 0;
    int targetHeight = 0;
    gl::Texture colour;
    gl::Texture depthAsTexture;
    gl::Renderbuffer depthAsRenderbuffer;
    gl::Renderbuffer sinkStorage;
    // Declared last, so destroyed before what is attached to it.
    gl::Framebuffer sink;
    gl::Framebuffer framebufferName;
};

} // namespace brindlemox::render
