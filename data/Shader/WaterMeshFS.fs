#version 330 core

// Mixes the reflection and refraction images through a Fresnel term, distorted by the scrolling
// DUDV map, with highlights of the level's lights from the normal map and a dark blue tint.

struct Light {
    vec3 lightPosWorld;
    float lightPower;
    float constant;
    float linear;
    float quadratic;
};

const int MAX_LIGHTS = 8;
const float WORLD_UNITS_PER_LIGHT_UNIT = 3.5;
const float WAVE_STRENGTH = 0.02;
const float SHINE_DAMPER = 24.0;
const float REFLECTIVITY = 0.6;
const vec3 WATER_TINT = vec3(0.05, 0.25, 0.4);

uniform sampler2D reflectionTexture;
uniform sampler2D refractionTexture;
uniform sampler2D dudvMap;
uniform sampler2D normalMap;
uniform float moveFactor; // 0..1, one cycle every 100 seconds
uniform vec3 cameraPos;
uniform float alpha;
uniform Light light[MAX_LIGHTS];
uniform int countLights;

in vec4 clipSpace;
in vec3 worldPosition;
in vec2 rippleCoord;

out vec4 color;

void main() {
    // Both images were drawn from this camera (the reflection through a mirror about the
    // surface), so each is looked up where the surface itself lies on screen.
    vec2 ndc = clipSpace.xy / clipSpace.w * 0.5 + 0.5;
    vec2 refractCoord = ndc;
    vec2 reflectCoord = ndc;

    // An integer number of repeats per cycle keeps the scroll seamless when moveFactor wraps.
    float scroll = moveFactor * 5.0;
    vec2 distorted = texture(dudvMap, vec2(rippleCoord.x + scroll, rippleCoord.y)).rg * 0.1;
    distorted = rippleCoord + vec2(distorted.x, distorted.y + scroll);
    vec2 distortion = (texture(dudvMap, distorted).rg * 2.0 - 1.0) * WAVE_STRENGTH;

    refractCoord = clamp(refractCoord + distortion, 0.001, 0.999);
    reflectCoord = clamp(reflectCoord + distortion, 0.001, 0.999);
    vec3 reflection = texture(reflectionTexture, reflectCoord).rgb;
    vec3 refraction = texture(refractionTexture, refractCoord).rgb;

    vec3 ripple = texture(normalMap, distorted).rgb;
    // Blue holds the up component of the normal map.
    vec3 n = normalize(vec3(ripple.r * 2.0 - 1.0, ripple.b * 3.0, ripple.g * 2.0 - 1.0));

    vec3 toEye = normalize(cameraPos - worldPosition);
    float fresnel = pow(clamp(dot(toEye, vec3(0.0, 1.0, 0.0)), 0.0, 1.0), 0.6);
    vec3 water = mix(reflection, refraction, fresnel);

    vec3 highlights = vec3(0.0);
    int count = min(countLights, MAX_LIGHTS);
    for (int i = 0; i < count; ++i) {
        vec3 toLight = light[i].lightPosWorld - worldPosition;
        float distance = length(toLight);
        float d = distance / WORLD_UNITS_PER_LIGHT_UNIT;
        float attenuation = light[i].lightPower /
                            max(light[i].constant + light[i].linear * d + light[i].quadratic * d * d, 1e-4);
        vec3 reflected = reflect(-toLight / max(distance, 1e-4), n);
        float specular = pow(max(dot(reflected, toEye), 0.0), SHINE_DAMPER);
        highlights += vec3(1.0, 0.95, 0.85) * specular * REFLECTIVITY * min(attenuation, 4.0);
    }

    color = vec4(mix(water, WATER_TINT, 0.25) + highlights, alpha);
}
