#pragma once

// Small programs and an off-screen target shared by the rendering tests.

#include <GL/glew.h>
#include <gtest/gtest.h>

namespace renderfix {

// A model program that keeps every uniform of the drawable convention active.
inline const char* ModelVertexSource = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 texCoord;
layout(location = 2) in vec3 lightMapCoord;
layout(location = 3) in vec3 normal;
uniform mat4 mvp;
uniform mat4 modelMat;
uniform vec4 plane;
out vec2 uv;
out vec2 uv2;
out vec3 worldNormal;
void main() {
    vec4 world = modelMat * vec4(position, 1.0);
    gl_ClipDistance[0] = dot(world, plane);
    uv = texCoord.xy;
    uv2 = lightMapCoord.xy;
    worldNormal = normal;
    gl_Position = mvp * vec4(position, 1.0);
}
)";

inline const char* ModelFragmentSource = R"(#version 330 core
in vec2 uv;
in vec2 uv2;
in vec3 worldNormal;
out vec4 colour;
struct Material { vec3 ambient; vec3 diffuse; vec3 specular; };
uniform Material material;
uniform sampler2D textureSampler;
uniform float alpha;
uniform int isCelShading;
uniform int levels;
void main() {
    colour = vec4(material.ambient + material.diffuse + material.specular, alpha);
    if (isCelShading != 0)
        colour.rgb = floor(colour.rgb * float(levels)) / float(levels)
                     * texture(textureSampler, uv).rgb + vec3(uv2, worldNormal.x);
}
)";

// The map's two-sampler program: the colour comes from unit "textureSampler" only.
inline const char* MapFragmentSource = R"(#version 330 core
in vec2 uv;
in vec2 uv2;
in vec3 worldNormal;
out vec4 colour;
struct Material { vec3 ambient; vec3 diffuse; vec3 specular; };
uniform Material material;
uniform sampler2D textureSampler;
uniform sampler2D lightMapTextureSampler;
uniform float alpha;
uniform int isCelShading;
uniform int levels;
void main() {
    colour = vec4(texture(textureSampler, uv).rgb, alpha);
    if (isCelShading != 0)
        colour.rgb = floor(colour.rgb * float(levels)) / float(levels)
                     * texture(lightMapTextureSampler, uv2).rgb + material.diffuse + worldNormal;
}
)";

inline GLuint compileProgram(const char* vertexSource, const char* fragmentSource) {
    auto stage = [](GLenum type, const char* source) {
        GLuint shader = glCreateShader(type);
        glShaderSource(shader, 1, &source, nullptr);
        glCompileShader(shader);
        GLint ok = GL_FALSE;
        glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
        if (ok != GL_TRUE) {
            char log[2048] = {};
            glGetShaderInfoLog(shader, sizeof(log), nullptr, log);
            ADD_FAILURE() << "shader did not compile: " << log;
        }
        return shader;
    };
    GLuint program = glCreateProgram();
    GLuint vs = stage(GL_VERTEX_SHADER, vertexSource);
    GLuint fs = stage(GL_FRAGMENT_SHADER, fragmentSource);
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[2048] = {};
        glGetProgramInfoLog(program, sizeof(log), nullptr, log);
        ADD_FAILURE() << "program did not link: " << log;
    }
    glDetachShader(program, vs);
    glDetachShader(program, fs);
    glDeleteShader(vs);
    glDeleteShader(fs);
    return program;
}

// An off-screen colour + depth target; restores the default frame buffer on destruction.
class OffscreenTarget {
  public:
    OffscreenTarget(int w, int h) : width(w), height(h) {
        glGenFramebuffers(1, &frameBuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
        glGenRenderbuffers(2, buffers);
        glBindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  buffers[0]);
        glBindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, w, h);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, buffers[1]);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        glViewport(0, 0, w, h);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    ~OffscreenTarget() {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &frameBuffer);
        glDeleteRenderbuffers(2, buffers);
    }
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;

    const int width;
    const int height;

  private:
    GLuint frameBuffer = 0;
    GLuint buffers[2] = {0, 0};
};

} // namespace renderfix
