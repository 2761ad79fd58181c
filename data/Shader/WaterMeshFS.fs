#version 330 core

// Mixes the reflection and refraction images through a Fresnel term, distorted by the scrolling
// DUDV map, with highlights of the level's lights from the normal map and a dark blue tint.

#include "lights.glsl"

const float WAVE_STRENGTH = 0.02;
const float SHINE_DAMPER = 24.0;
const float REFLECTIVITY = 0.6;
const vec3 WATER_TINT = vec3(0.05, 0.25, 0.4);
const float TINT_SHARE = 0.25;
const vec3 HIGHLIGHT_COLOUR = vec3(1.0, 0.95, 0.85);
// A light close to the water would burn a white hole into it.
const float STRONGEST_HIGHLIGHT = 4.0;
// How much the view's angle to the surface shifts reflection towards refraction.
const float FRESNEL_POWER = 0.6;
// The DUDV map's first lookup only nudges the second; an integer number of repeats per cycle
// keeps the scroll seamless when moveFactor wraps.
const float FIRST_DISTORTION = 0.1;
const float SCROLL_REPEATS = 5.0;
// The normal map's up component (blue) is stretched so the ripples stay gentle.
const float NORMAL_UP_STRETCH = 3.0;
// The images are never sampled right at their border.
const float EDGE = 0.001;

uniform sampler2D reflectionTexture;
uniform sampler2D refractionTexture;
uniform sampler2D dudvMap;
uniform sampler2D normalMap;
uniform float moveFactor; // 0..1, one cycle every 100 seconds
uniform vec3 cameraPos;
uniform float alpha;

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

    float scroll = moveFactor * SCROLL_REPEATS;
    vec2 distorted =
        texture(dudvMap, vec2(rippleCoord.x + scroll, rippleCoord.y)).rg * FIRST_DISTORTION;
    distorted = rippleCoord + vec2(distorted.x, distorted.y + scroll);
    vec2 distortion = (texture(dudvMap, distorted).rg * 2.0 - 1.0) * WAVE_STRENGTH;

    refractCoord = clamp(refractCoord + distortion, EDGE, 1.0 - EDGE);
    reflectCoord = clamp(reflectCoord + distortion, EDGE, 1.0 - EDGE);
    vec3 reflection = texture(reflectionTexture, reflectCoord).rgb;
    vec3 refraction = texture(refractionTexture, refractCoord).rgb;

    vec3 ripple = texture(normalMap, distorted).rgb;
    // Blue holds the up component of the normal map.
    vec3 n = normalize(vec3(ripple.r * 2.0 - 1.0, ripple.b * NORMAL_UP_STRETCH, ripple.g * 2.0 - 1.0));

    vec3 toEye = normalize(cameraPos - worldPosition);
    float fresnel = pow(clamp(dot(toEye, vec3(0.0, 1.0, 0.0)), 0.0, 1.0), FRESNEL_POWER);
    vec3 water = mix(reflection, refraction, fresnel);

    vec3 highlights = vec3(0.0);
    int count = lightCount();
    for (int i = 0; i < count; ++i) {
        vec3 toLight = light[i].lightPosWorld - worldPosition;
        float distance = length(toLight);
        float reach = attenuation(i, distance);
        vec3 reflected = reflect(-toLight / max(distance, 1e-4), n);
        float specular = pow(max(dot(reflected, toEye), 0.0), SHINE_DAMPER);
        highlights += HIGHLIGHT_COLOUR * specular * REFLECTIVITY * min(reach, STRONGEST_HIGHLIGHT);
    }

    color = vec4(mix(water, WATER_TINT, TINT_SHARE) + highlights, alpha);
}
