#version 330 core

// Expands each particle into a quad facing the camera. The game passes "size" 0.01; a quad's
// half width is size * SIZE_TO_WORLD world units, 0.3 for the particle system's sprites.

layout(points) in;
layout(triangle_strip, max_vertices = 4) out;

uniform mat4 viewProjectionMatrix;
uniform vec3 cameraPos;
uniform float size;

out vec2 texCoord;

const float SIZE_TO_WORLD = 30.0;
// Records parked above this height are launchers, not sparks (see the particle update).
const float PARKED = 5.0e5;

void main() {
    vec3 centre = gl_in[0].gl_Position.xyz;
    if (centre.y > PARKED)
        return;
    vec3 toCamera = cameraPos - centre;
    if (dot(toCamera, toCamera) < 1e-8)
        return;
    toCamera = normalize(toCamera);
    vec3 up = abs(toCamera.y) > 0.99 ? vec3(0.0, 0.0, 1.0) : vec3(0.0, 1.0, 0.0);
    vec3 right = normalize(cross(up, toCamera));
    up = cross(toCamera, right);
    float halfSize = size * SIZE_TO_WORLD;

    vec3 corner[4] = vec3[4](centre + (-right - up) * halfSize, centre + (right - up) * halfSize,
                             centre + (-right + up) * halfSize, centre + (right + up) * halfSize);
    vec2 uv[4] = vec2[4](vec2(0.0, 1.0), vec2(1.0, 1.0), vec2(0.0, 0.0), vec2(1.0, 0.0));
    for (int i = 0; i < 4; ++i) {
        gl_Position = viewProjectionMatrix * vec4(corner[i], 1.0);
        texCoord = uv[i];
        EmitVertex();
    }
    EndPrimitive();
}
