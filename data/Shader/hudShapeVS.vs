#version 330 core

// HUD rectangles and gradients: a position in the space the projection maps, a colour at each
// corner (alpha included).

layout(location = 0) in vec2 position;
layout(location = 1) in vec4 corner;

uniform mat4 projection;

out vec4 shade;

void main() {
    gl_Position = projection * vec4(position, 0.0, 1.0);
    shade = corner;
}
