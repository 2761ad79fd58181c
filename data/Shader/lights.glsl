// The level's point lights and their attenuation, put in front of every stage that lights with
// them by the shader loader (a line `#include "lights.glsl"`).

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

uniform Light light[MAX_LIGHTS];
uniform int countLights;

// The lights that count: at most MAX_LIGHTS.
int lightCount() {
    return min(countLights, MAX_LIGHTS);
}

// How strongly light i reaches a point at that distance (world units) from it.
float attenuation(int i, float distance) {
    float d = distance / WORLD_UNITS_PER_LIGHT_UNIT;
    return light[i].lightPower /
           max(light[i].constant + light[i].linear * d + light[i].quadratic * d * d, 1e-4);
}
