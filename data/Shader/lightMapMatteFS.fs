#version 330 core

// The light-map shader for level geometry whose every material has no specular colour: the live
// lights' sheen would be multiplied by zero, so it is not computed. The rest is the light-map
// shader's arithmetic, so the pixels are the same.

struct Material {
    vec3 ambient;
    vec3 diffuse;
    vec3 specular;
};

// The light map stores 1 - exp(-light); this brings its mid tones back up.
const float LIGHT_MAP_GAIN = 1.5;
// Light that reaches everywhere, so the baked shadows keep the surface's texture.
const float AMBIENT = 0.3;
// Where a surface has no light-map coordinates (marked far below -1000), this light stands in.
const float NO_LIGHT_MAP_MARK = -1000.0;
const float UNMAPPED_LIGHT = 0.6;

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
    vec3 baked = lightMapCoord.x < NO_LIGHT_MAP_MARK ? vec3(UNMAPPED_LIGHT) : texture(lightMapTextureSampler, lightMapCoord).rgb;
    if (isCelShading != 0) {
        float count = float(max(levels, 1));
        float brightness = max(max(baked.r, baked.g), baked.b);
        float banded = ceil(brightness * count) / count;
        baked *= banded / max(brightness, 1e-4);
    }

    vec3 albedo = texture(textureSampler, texCoord).rgb;
    vec3 colour = albedo * (baked * LIGHT_MAP_GAIN + AMBIENT) * material.diffuse;
    color = vec4(colour, alpha);
}
