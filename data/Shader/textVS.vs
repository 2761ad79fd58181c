#version 330 core

// HUD glyph quads: xy position in the 800 x 600 text space, zw the glyph's own texture
// coordinates; the glyph's bitmap size and atlas layer, the same at every corner.

layout(location = 0) in vec4 vertex;
layout(location = 1) in vec3 glyph;

uniform mat4 projection;

out vec2 texCoord;
flat out vec3 bitmap;

void main() {
    gl_Position = projection * vec4(vertex.xy, 0.0, 1.0);
    texCoord = vertex.zw;
    bitmap = glyph;
}
