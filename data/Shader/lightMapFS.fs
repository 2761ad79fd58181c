#version 330 core

// The baked light map carries the diffuse light and its shadows; the live lights only add a wet
// sheen on top.

struct Material {
    vec3 ambient;
    vec3 diffuse;
    vec3 specular;
};

#include "lights.glsl"

// The light map stores 1 - exp(-light); this brings its mid tones back up.
const float LIGHT_MAP_GAIN = 1.5;
// Light that reaches everywhere, so the baked shadows keep the surface's texture.
const float AMBIENT = 0.3;
// Where a surface has no light-map coordinates (marked far below -1000), this light stands in.
const float NO_LIGHT_MAP_MARK = -1000.0;
const float UNMAPPED_LIGHT = 0.6;
// The sheen: how tight, its exposure, how much of it shows, and where cel shading cuts it.
const float SHININESS = 48.0;
const float SHEEN_EXPOSURE = 0.3;
const float SHEEN_SHARE = 0.5;
const float CEL_SHEEN_THRESHOLD = 0.5;

uniform Material material;
uniform sampler2D textureSampler;         // surface texture, unit 1
uniform sampler2D lightMapTextureSampler; // baked light, unit 0
uniform float alpha;
uniform int isCelShading;
uniform int levels;

in vec3 worldPosition;
in vec3 worldNormal;
in vec2 texCoord;
in vec2 lightMapCoord;
in vec3 eyePosition;

out vec4 color;

void main() {
    vec3 n = normalize(worldNormal);
    if (!gl_FrontFacing)
        n = -n;
    vec3 toEye = normalize(eyePosition - worldPosition);

    vec3 baked = lightMapCoord.x < NO_LIGHT_MAP_MARK ? vec3(UNMAPPED_LIGHT) : texture(lightMapTextureSampler, lightMapCoord).rgb;
    if (isCelShading != 0) {
        float count = float(max(levels, 1));
        float brightness = max(max(baked.r, baked.g), baked.b);
        float banded = ceil(brightness * count) / count;
        baked *= banded / max(brightness, 1e-4);
    }

    float specular = 0.0;
    int count = lightCount();
    for (int i = 0; i < count; ++i) {
        vec3 toLight = light[i].lightPosWorld - worldPosition;
        float distance = length(toLight);
        vec3 l = toLight / max(distance, 1e-4);
        float reach = attenuation(i, distance);
        if (dot(n, l) > 0.0)
            specular += pow(max(dot(n, normalize(l + toEye)), 0.0), SHININESS) * reach;
    }
    float shine = 1.0 - exp(-specular * SHEEN_EXPOSURE);
    if (isCelShading != 0)
        shine = step(CEL_SHEEN_THRESHOLD, shine);

    vec3 albedo = texture(textureSampler, texCoord).rgb;
    vec3 colour = albedo * (baked * LIGHT_MAP_GAIN + AMBIENT) * material.diffuse +
                  material.specular * shine * SHEEN_SHARE;
    color = vec4(colour, alpha);
}
