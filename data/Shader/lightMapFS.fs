#version 330 core

// The baked light map carries the diffuse light and its shadows; the live lights only add a wet
// sheen on top.

struct Material {
    vec3 ambient;
    vec3 diffuse;
    vec3 specular;
};

struct Light {
    vec3 lightPosWorld;
    float lightPower;
    float constant;
    float linear;
    float quadratic;
};

const int MAX_LIGHTS = 8;
const float WORLD_UNITS_PER_LIGHT_UNIT = 3.5;
// The light map stores 1 - exp(-light); this brings its mid tones back up.
const float LIGHT_MAP_GAIN = 1.5;
// Light that reaches everywhere, so the baked shadows keep the surface's texture.
const float AMBIENT = 0.3;

uniform Material material;
uniform Light light[MAX_LIGHTS];
uniform int countLights;
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

    vec3 baked = lightMapCoord.x < -1000.0 ? vec3(0.6) : texture(lightMapTextureSampler, lightMapCoord).rgb;
    if (isCelShading != 0) {
        float count = float(max(levels, 1));
        float brightness = max(max(baked.r, baked.g), baked.b);
        float banded = ceil(brightness * count) / count;
        baked *= banded / max(brightness, 1e-4);
    }

    float specular = 0.0;
    int count = min(countLights, MAX_LIGHTS);
    for (int i = 0; i < count; ++i) {
        vec3 toLight = light[i].lightPosWorld - worldPosition;
        float distance = length(toLight);
        vec3 l = toLight / max(distance, 1e-4);
        float d = distance / WORLD_UNITS_PER_LIGHT_UNIT;
        float attenuation = light[i].lightPower /
                            max(light[i].constant + light[i].linear * d + light[i].quadratic * d * d, 1e-4);
        if (dot(n, l) > 0.0)
            specular += pow(max(dot(n, normalize(l + toEye)), 0.0), 48.0) * attenuation;
    }
    float shine = 1.0 - exp(-specular * 0.3);
    if (isCelShading != 0)
        shine = step(0.5, shine);

    vec3 albedo = texture(textureSampler, texCoord).rgb;
    vec3 colour = albedo * (baked * LIGHT_MAP_GAIN + AMBIENT) * material.diffuse +
                  material.specular * shine * 0.5;
    color = vec4(colour, alpha);
}
