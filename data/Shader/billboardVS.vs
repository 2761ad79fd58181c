#version 330 core

// Particle positions go to the geometry stage, which builds the quads.

layout(location = 0) in vec3 position;

void main() {
    gl_Position = vec4(position, 1.0);
}
