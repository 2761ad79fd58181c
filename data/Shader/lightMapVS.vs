#version 330 core

// Light-mapped level geometry: the surface texture through the first texture set, the baked
// light through the second.

layout(location = 0) in vec3 vertexPosition;
layout(location = 1) in vec3 vertexTexCoord;
layout(location = 2) in vec3 vertexLightMapCoord; // (-99999, -99999) when the mesh has none
layout(location = 3) in vec3 vertexNormal;

uniform mat4 mvp;
uniform mat4 modelMat;
uniform vec4 plane;

out vec3 worldPosition;
out vec3 worldNormal;
out vec2 texCoord;
out vec2 lightMapCoord;
out vec3 eyePosition;

void main() {
    vec4 world = modelMat * vec4(vertexPosition, 1.0);
    gl_ClipDistance[0] = dot(world, plane);
    worldPosition = world.xyz;
    worldNormal = mat3(modelMat) * vertexNormal;
    texCoord = vertexTexCoord.xy;
    lightMapCoord = vertexLightMapCoord.xy;
    vec4 eye = modelMat * (inverse(mvp) * vec4(0.0, 0.0, 1.0, 0.0));
    eyePosition = eye.xyz / eye.w;
    gl_Position = mvp * vec4(vertexPosition, 1.0);
}
