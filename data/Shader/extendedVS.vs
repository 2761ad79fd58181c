#version 330 core

// Shared entity program: walls, enemies, satellites and the first level's geometry.

layout(location = 0) in vec3 vertexPosition;
layout(location = 1) in vec3 vertexTexCoord; // first texture set in .xy
layout(location = 3) in vec3 vertexNormal;
// Per drawn copy: one instanced draw places many copies of a model.
layout(location = 4) in mat4 mvp;
layout(location = 8) in mat4 modelMat;
layout(location = 12) in float instanceAlpha;

uniform vec4 plane; // water clip plane: keeps the side where dot(world, plane) >= 0

out vec3 worldPosition;
out vec3 worldNormal;
out vec2 texCoord;
out vec3 eyePosition;
flat out float alpha;

void main() {
    vec4 world = modelMat * vec4(vertexPosition, 1.0);
    gl_ClipDistance[0] = dot(world, plane);
    worldPosition = world.xyz;
    // Placements use a uniform scale, so the model matrix itself turns normals correctly.
    worldNormal = mat3(modelMat) * vertexNormal;
    texCoord = vertexTexCoord.xy;
    // The camera is the point the projection sends to infinity: (0, 0, 1, 0) in clip space
    // maps back to it, which spares the game a camera uniform for highlights.
    vec4 eye = modelMat * (inverse(mvp) * vec4(0.0, 0.0, 1.0, 0.0));
    eyePosition = eye.xyz / eye.w;
    alpha = instanceAlpha;
    gl_Position = mvp * vec4(vertexPosition, 1.0);
}
