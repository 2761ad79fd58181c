#version 330 core

// Water surface: screen-space coordinates for the reflection and refraction images, and world
// coordinates for the ripples so that larger pools get more of them.

layout(location = 0) in vec3 vertexPosition;

uniform mat4 mvp;
uniform mat4 modelMat;
uniform vec4 plane;

out vec4 clipSpace;
out vec3 worldPosition;
out vec2 rippleCoord;

const float RIPPLE_SIZE = 12.0; // world units per repeat of the ripple maps

void main() {
    vec4 world = modelMat * vec4(vertexPosition, 1.0);
    gl_ClipDistance[0] = dot(world, plane);
    worldPosition = world.xyz;
    rippleCoord = world.xz / RIPPLE_SIZE;
    clipSpace = mvp * vec4(vertexPosition, 1.0);
    gl_Position = clipSpace;
}
