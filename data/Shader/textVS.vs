#version 330 core

// HUD glyph quads: xy position in the 800 x 600 text space, zw glyph texture coordinates.

layout(location = 0) in vec4 vertex;

uniform mat4 projection;

out vec2 texCoord;

void main() {
    gl_Position = projection * vec4(vertex.xy, 0.0, 1.0);
    texCoord = vertex.zw;
}
