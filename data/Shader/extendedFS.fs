#version 330 core

// Point lights with the game's attenuation, optional cel-shaded bands, material colours and a
// fading alpha for breakable walls.

struct Material {
    vec3 ambient;
    vec3 diffuse;
    vec3 specular;
};

#include "lights.glsl"

// Light that reaches everywhere, so faces turned away from every light keep their texture.
const float AMBIENT = 0.3;
// How tight the highlights are.
const float SHININESS = 32.0;
// Exposure of the summed light and sheen: any number of lights saturates smoothly.
const float DIFFUSE_EXPOSURE = 0.9;
const float SHEEN_EXPOSURE = 0.5;
// How much of the material's ambient colour, the lit diffuse colour and the sheen show.
const float AMBIENT_SHARE = 0.4;
const float DIFFUSE_GAIN = 1.25;
const float SHEEN_SHARE = 0.6;
// Cel shading shows the sheen only where it is at least this strong.
const float CEL_SHEEN_THRESHOLD = 0.5;

uniform Material material;
uniform sampler2D textureSampler;
uniform int isCelShading;
uniform int levels;

in vec3 worldPosition;
in vec3 worldNormal;
in vec2 texCoord;
in vec3 eyePosition;
flat in float alpha;

out vec4 color;

float band(float value) {
    float count = float(max(levels, 1));
    return ceil(value * count) / count;
}

void main() {
    vec3 n = normalize(worldNormal);
    // Thin slabs are seen from both sides.
    if (!gl_FrontFacing)
        n = -n;
    vec3 toEye = normalize(eyePosition - worldPosition);

    float diffuse = 0.0;
    float specular = 0.0;
    int count = lightCount();
    for (int i = 0; i < count; ++i) {
        vec3 toLight = light[i].lightPosWorld - worldPosition;
        float distance = length(toLight);
        vec3 l = toLight / max(distance, 1e-4);
        float reach = attenuation(i, distance);
        float lambert = max(dot(n, l), 0.0);
        diffuse += lambert * reach;
        if (lambert > 0.0) {
            vec3 halfway = normalize(l + toEye);
            specular += pow(max(dot(n, halfway), 0.0), SHININESS) * reach;
        }
    }

    // Exposure curve: any number of lights saturates smoothly instead of clipping.
    float lit = 1.0 - exp(-diffuse * DIFFUSE_EXPOSURE);
    float shine = 1.0 - exp(-specular * SHEEN_EXPOSURE);
    if (isCelShading != 0) {
        lit = band(lit);
        shine = step(CEL_SHEEN_THRESHOLD, shine);
    }

    vec3 albedo = texture(textureSampler, texCoord).rgb;
    vec3 colour = albedo * (material.ambient * AMBIENT_SHARE +
                            material.diffuse * (AMBIENT + lit * DIFFUSE_GAIN)) +
                  material.specular * shine * SHEEN_SHARE;
    color = vec4(colour, alpha);
}
