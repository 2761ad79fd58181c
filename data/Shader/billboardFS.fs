#version 330 core

// The sprite is drawn on black: its brightness becomes its opacity, so with the game's
// src-alpha / one-minus-src-alpha blending the black background vanishes.

uniform sampler2D textureSampler;

in vec2 texCoord;

out vec4 color;

void main() {
    vec3 texel = texture(textureSampler, texCoord).rgb;
    float coverage = max(max(texel.r, texel.g), texel.b);
    if (coverage < 0.02)
        discard;
    color = vec4(texel / coverage, coverage);
}
