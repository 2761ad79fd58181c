#pragma once

#include <GL/glew.h>

#include <utility>

namespace brindlemox::render {

// Move-only owners of GL object names. An owner holds one name or none (0, the empty state),
// deletes what it holds exactly once (when it is destroyed, reset or assigned over) and never
// touches GL while empty, so empty owners can be made, moved and destroyed without a context.
// Sharing an object goes through std::shared_ptr to its owner (see ResourceCache), never through
// flags saying who deletes.
template <class Kind> class GlHandle {
  public:
    GlHandle() = default;
    // Takes ownership of name (0 gives an empty owner).
    explicit GlHandle(GLuint name) : held(name) {}
    ~GlHandle() { reset(); }
    GlHandle(GlHandle&& other) noexcept : held(std::exchange(other.held, 0)) {}
    GlHandle& operator=(GlHandle&& other) noexcept {
        if (this != &other)
            reset(std::exchange(other.held, 0));
        return *this;
    }
    GlHandle(const GlHandle&) = delete;
    GlHandle& operator=(const GlHandle&) = delete;

    GLuint get() const { return held; }
    explicit operator bool() const { return held != 0; }
    // Deletes what is held and takes name instead.
    void reset(GLuint name = 0) {
        if (held != 0 && held != name)
            Kind::destroy(held);
        held = name;
    }
    // Gives the name up without deleting it.
    [[nodiscard]] GLuint release() { return std::exchange(held, 0); }

  private:
    GLuint held = 0;
};

namespace gl {

namespace kind {
struct Program {
    static void destroy(GLuint name) { glDeleteProgram(name); }
};
struct Shader {
    static void destroy(GLuint name) { glDeleteShader(name); }
};
struct Texture {
    static void destroy(GLuint name) { glDeleteTextures(1, &name); }
};
struct Buffer {
    static void destroy(GLuint name) { glDeleteBuffers(1, &name); }
};
struct VertexArray {
    static void destroy(GLuint name) { glDeleteVertexArrays(1, &name); }
};
struct Framebuffer {
    static void destroy(GLuint name) { glDeleteFramebuffers(1, &name); }
};
struct Renderbuffer {
    static void destroy(GLuint name) { glDeleteRenderbuffers(1, &name); }
};
struct TransformFeedback {
    static void destroy(GLuint name) { glDeleteTransformFeedbacks(1, &name); }
};
} // namespace kind

using Program = GlHandle<kind::Program>;
using Shader = GlHandle<kind::Shader>;
using Texture = GlHandle<kind::Texture>;
using Buffer = GlHandle<kind::Buffer>;
using VertexArray = GlHandle<kind::VertexArray>;
using Framebuffer = GlHandle<kind::Framebuffer>;
using Renderbuffer = GlHandle<kind::Renderbuffer>;
using TransformFeedback = GlHandle<kind::TransformFeedback>;

// New objects of each kind (a context must be current).
inline Texture makeTexture() {
    GLuint name = 0;
    glGenTextures(1, &name);
    return Texture(name);
}
inline Buffer makeBuffer() {
    GLuint name = 0;
    glGenBuffers(1, &name);
    return Buffer(name);
}
inline VertexArray makeVertexArray() {
    GLuint name = 0;
    glGenVertexArrays(1, &name);
    return VertexArray(name);
}
inline Framebuffer makeFramebuffer() {
    GLuint name = 0;
    glGenFramebuffers(1, &name);
    return Framebuffer(name);
}
inline Renderbuffer makeRenderbuffer() {
    GLuint name = 0;
    glGenRenderbuffers(1, &name);
    return Renderbuffer(name);
}
inline TransformFeedback makeTransformFeedback() {
    GLuint name = 0;
    glGenTransformFeedbacks(1, &name);
    return TransformFeedback(name);
}

} // namespace gl

} // namespace brindlemox::render
