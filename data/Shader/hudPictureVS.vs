#version 330 core

// A rectangle of the stored HUD picture, corners in pixels, at the depth the HUD lines are drawn.

layout(location = 0) in vec2 corner;

uniform vec2 screenSize;

void main() {
    gl_Position = vec4(corner / screenSize * 2.0 - 1.0, 0.0, 1.0);
}
