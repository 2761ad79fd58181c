#version 330 core

// Particle update pass: records go straight to the geometry stage, which ages, moves, emits and
// retires them.

layout(location = 0) in float type;
layout(location = 1) in vec3 position;
layout(location = 2) in vec3 direction;
layout(location = 3) in float age;

out float type0;
out vec3 position0;
out vec3 direction0;
out float age0;

void main() {
    type0 = type;
    position0 = position;
    direction0 = direction;
    age0 = age;
}
