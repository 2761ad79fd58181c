#version 330 core

// Point lights with the game's attenuation, optional cel-shaded bands, material colours and a
// fading alpha for breakable walls.

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
// Distances are measured in light units of a few world units, so that a light of power 50
// reaches across a hall instead of a couple of metres.
const float WORLD_UNITS_PER_LIGHT_UNIT = 3.5;
// Light that reaches everywhere, so faces turned away from every light keep their texture.
const float AMBIENT = 0.3;

uniform Material material;
uniform Light light[MAX_LIGHTS];
uniform int countLights;
uniform sampler2D textureSampler;
uniform float alpha;
uniform int isCelShading;
uniform int levels;

in vec3 worldPosition;
in vec3 worldNormal;
in vec2 texCoord;
in vec3 eyePosition;

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
    int count = min(countLights, MAX_LIGHTS);
    for (int i = 0; i < count; ++i) {
        vec3 toLight = light[i].lightPosWorld - worldPosition;
        float distance = length(toLight);
        vec3 l = toLight / max(distance, 1e-4);
        float d = distance / WORLD_UNITS_PER_LIGHT_UNIT;
        float attenuation = light[i].lightPower /
                            max(light[i].constant + light[i].linear * d + light[i].quadratic * d * d, 1e-4);
        float lambert = max(dot(n, l), 0.0);
        diffuse += lambert * attenuation;
        if (lambert > 0.0) {
            vec3 halfway = normalize(l + toEye);
            specular += pow(max(dot(n, halfway), 0.0), 32.0) * attenuation;
        }
    }

    // Exposure curve: any number of lights saturates smoothly instead of clipping.
    float lit = 1.0 - exp(-diffuse * 0.9);
    float shine = 1.0 - exp(-specular * 0.5);
    if (isCelShading != 0) {
        lit = band(lit);
        shine = step(0.5, shine);
    }

    vec3 albedo = texture(textureSampler, texCoord).rgb;
    vec3 colour = albedo * (material.ambient * 0.4 + material.diffuse * (AMBIENT + lit * 1.25)) +
                  material.specular * shine * 0.6;
    color = vec4(colour, alpha);
}
